#pragma once
// The words of the design page's text, as the spell check walks them. The page hands over its text
// nodes in document order, each marked when a block, a line break or an embedded object stands between
// it and the text before it; here they are read as one text in which a word may run across inline tags
// ("wo<b>rd</b>" is one word) but never across such a break.
#include <QList>
#include <QString>

struct TTextRun
{
    QString Text;
    bool BreakBefore = false;
};

// A place in the page's text: a text node by its index in the snapshot and an offset in its text.
struct TTextPoint
{
    int Run = -1;
    int Offset = 0;
    bool operator==(const TTextPoint&) const = default;
};

class TDesignText
{
public:
    TDesignText() = default;
    explicit TDesignText(const QList<TTextRun>& Runs);

    // The text of all runs, with a line break at every break between them.
    const QString& Flat() const { return FFlat; }
    int RunCount() const { return static_cast<int>(FStarts.size()); }

    // The first word that starts at or after From: [Start, End) of Flat. False when none is left.
    bool NextWord(qsizetype From, qsizetype& Start, qsizetype& End) const;
    // The text node and offset where the character at Offset of Flat starts (AtEnd false) or where the
    // character before it ends (AtEnd true): the two ends of a word's range in the page.
    TTextPoint PointAt(qsizetype Offset, bool AtEnd) const;

    // Letters, digits and the marks that go with them make words; an apostrophe counts inside a word
    // only ("don't", "Smith's"), so quoting with it leaves the quoted word alone.
    static bool IsWordCharacter(char32_t Character);
    static bool IsApostrophe(char32_t Character);

private:
    QString FFlat;
    QList<qsizetype> FStarts; // where each run begins in Flat
    QList<qsizetype> FLengths;
};
