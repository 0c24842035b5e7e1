// The design view's spell check: walks the words of the page from the first to the last, asks the host
// about each, lets it correct the ones it flags in place, and sums up at the end.
#include "HtmlDesigner.h"

#include <QRect>
#include <algorithm>
#include <QWebEngineView>

#include "DesignWords.h"
#include "Dialogs.h"
#include "EngineBridge.h"
#include "Exceptions.h"

namespace {

// The word without the blanks and control characters around it.
QString TrimControl(const QString& Word)
{
    qsizetype first = 0;
    qsizetype last = Word.size();
    while (first < last && Word[first].unicode() < 33)
        ++first;
    while (last > first && Word[last - 1].unicode() < 33)
        --last;
    return Word.mid(first, last - first);
}

void EngineFailed()
{
    throw Exception(QStringLiteral("The design view did not answer."));
}

} // namespace

TDesignText THtmlDesigner::SpellText(const QVariant& Runs) const
{
    QList<TTextRun> runs;
    for (const QVariant& item : Runs.toList()) {
        const QVariantList pair = item.toList();
        if (pair.size() != 2)
            EngineFailed();
        runs.push_back({pair[0].toString(), pair[1].toBool()});
    }
    return TDesignText(runs);
}

QRect THtmlDesigner::SelectWord(const TDesignText& Text, qsizetype Start, qsizetype End)
{
    const TTextPoint from = Text.PointAt(Start, false);
    const TTextPoint to = Text.PointAt(End, true);
    QVariant box;
    if (from.Run < 0 || to.Run < 0 ||
        FBridge->Invoke(QStringLiteral("spellSelect"), {from.Run, from.Offset, to.Run, to.Offset}, &box) !=
            TEngineBridge::TCallResult::Ok)
        EngineFailed();
    const QVariantMap rect = box.toMap();
    const int left = rect.value(QStringLiteral("left")).toInt();
    const int top = rect.value(QStringLiteral("top")).toInt();
    return QRect(left, top, rect.value(QStringLiteral("right")).toInt() - left,
                 rect.value(QStringLiteral("bottom")).toInt() - top);
}

TDesignText THtmlDesigner::ReplaceWord(const TDesignText& Text, qsizetype Start, qsizetype End, const QString& Word)
{
    const TTextPoint from = Text.PointAt(Start, false);
    const TTextPoint to = Text.PointAt(End, true);
    QVariant answer;
    // One correction is one step of Undo, however the engine splits the edit.
    BeginUndo(QStringLiteral("Spell Check"));
    if (from.Run < 0 || to.Run < 0 ||
        FBridge->Invoke(QStringLiteral("spellReplace"), {from.Run, from.Offset, to.Run, to.Offset, Word}, &answer) !=
            TEngineBridge::TCallResult::Ok)
        EngineFailed();
    EndUndo();
    return SpellText(answer.toMap().value(QStringLiteral("runs")));
}

void THtmlDesigner::SpellCheck()
{
    if (!OnSpellCheck || !OnSpellSuggest || !IsDocumentReady())
        return;
    View()->setFocus();
    QVariant runs;
    if (FBridge->Invoke(QStringLiteral("spellText"), {}, &runs) != TEngineBridge::TCallResult::Ok)
        EngineFailed();
    TDesignText text = SpellText(runs);

    int words = 0;
    int misspelled = 0;
    int correctedCount = 0;
    qsizetype from = 0;
    qsizetype start = 0;
    qsizetype end = 0;
    while (text.NextWord(from, start, end)) {
        ++words;
        from = end;
        QString word = text.Flat().mid(start, end - start);
        bool needCorrection = false;
        // Single letters are never offered: "a", "I", initials.
        if (TrimControl(word).size() >= 2)
            OnSpellCheck(this, word, needCorrection);
        if (!needCorrection)
            continue;
        ++misspelled;
        bool corrected = false;
        bool canceled = false;
        const QRect rc = SelectWord(text, start, end);
        OnSpellSuggest(this, rc, word, corrected, canceled);
        if (canceled)
            break;
        if (corrected) {
            ++correctedCount;
            text = ReplaceWord(text, start, end, word);
            // The walk goes on with the word after the replacement, which is not looked at again.
            from = std::min(start + word.size(), text.Flat().size());
        }
    }
    MessageDlg(QStringLiteral("Spell checking completed.\n%1 words found.\n%2 mispelled words found.\n%3 words corrected.")
                   .arg(words)
                   .arg(misspelled)
                   .arg(correctedCount),
               TMsgDlgType::mtInformation, mbOK);
}
