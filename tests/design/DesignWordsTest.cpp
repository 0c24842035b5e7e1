// The words of the page's text as the spell check walks them, and where each lies in the page's nodes.
#include <gtest/gtest.h>

#include "DesignWords.h"

namespace {

// Runs written as "text|text" with "#" before a run that follows a break: "#" alone at the start of a
// piece marks it.
QList<TTextRun> Runs(const QString& Pieces)
{
    QList<TTextRun> runs;
    for (const QString& piece : Pieces.split(QLatin1Char('|'))) {
        const bool broken = piece.startsWith(QLatin1Char('#'));
        runs.push_back({broken ? piece.mid(1) : piece, broken});
    }
    return runs;
}

QStringList Words(const TDesignText& Text)
{
    QStringList words;
    qsizetype from = 0, start = 0, end = 0;
    while (Text.NextWord(from, start, end)) {
        words << Text.Flat().mid(start, end - start);
        from = end;
    }
    return words;
}

TEST(DesignWords, WordsRunAcrossInlineTagsButNotAcrossBreaks)
{
    const struct
    {
        const char* Runs;
        const char* Words;
    } cases[] = {
        {"Teh quick, brown fox.", "Teh quick brown fox"},
        {"A wor|d across an inline tag", "A word across an inline tag"},
        {"foo|#bar", "foo bar"},                            // blocks, line breaks and pictures part words
        {"foo|#|bar", "foo bar"},                           // an empty run after a break still parts them
        {"don't 'quoted' Smith's", "don't quoted Smith's"}, // apostrophes count inside a word only
        {"it\u2019s", "it\u2019s"},
        {"well-known e-mail", "well known e mail"},
        {"ABC123 123 -- 3.14", "ABC123 123 3 14"},
        {"caf\u00E9 na\u0069\u0308ve \u00A0x", "caf\u00E9 na\u0069\u0308ve x"}, // combining marks, no-break space
        {"\U0001D400bc", "\U0001D400bc"},                  // a letter beyond 16 bits stays whole
        {"   \n\t ", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const TDesignText text(Runs(QString::fromUtf8(c.Runs)));
        const QString expected = QString::fromUtf8(c.Words);
        EXPECT_EQ(Words(text), expected.isEmpty() ? QStringList() : expected.split(QLatin1Char(' ')))
            << c.Runs;
    }
}

TEST(DesignWords, EachWordMapsBackToItsTextNodesAndOffsets)
{
    // "Hello wor" + "" + "ld" + break + "x yz"
    const TDesignText text(Runs(QStringLiteral("Hello wor||ld|#x yz")));
    EXPECT_EQ(text.Flat(), QStringLiteral("Hello world\nx yz"));
    const struct
    {
        qsizetype Offset;
        bool AtEnd;
        TTextPoint Point;
    } cases[] = {
        {0, false, {0, 0}},  {5, true, {0, 5}},  {6, false, {0, 6}}, // "Hello"
        {9, false, {2, 0}},  {9, true, {0, 9}},                     // the seam of "wor|ld" past the empty run
        {11, true, {2, 2}},  {12, false, {3, 0}}, {16, true, {3, 4}},
        {11, false, {-1, 0}},                                        // the break itself is in no node
        {17, false, {-1, 0}}, {0, true, {-1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text.PointAt(c.Offset, c.AtEnd), c.Point) << c.Offset << (c.AtEnd ? " end" : " start");
    EXPECT_EQ(TDesignText().PointAt(0, false), TTextPoint());
}

} // namespace
