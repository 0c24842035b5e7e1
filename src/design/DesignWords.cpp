#include "DesignWords.h"

#include <QChar>
#include <algorithm>

TDesignText::TDesignText(const QList<TTextRun>& Runs)
{
    FStarts.reserve(Runs.size());
    FLengths.reserve(Runs.size());
    for (qsizetype i = 0; i < Runs.size(); ++i) {
        if (i > 0 && Runs[i].BreakBefore)
            FFlat += QLatin1Char('\n');
        FStarts << FFlat.size();
        FLengths << Runs[i].Text.size();
        FFlat += Runs[i].Text;
    }
}

bool TDesignText::IsWordCharacter(char32_t Character)
{
    if (QChar::isLetterOrNumber(Character))
        return true;
    switch (QChar::category(Character)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool TDesignText::IsApostrophe(char32_t Character)
{
    return Character == U'\'' || Character == U'\u2019';
}

namespace {

// The character at At and how many UTF-16 units it takes.
char32_t CharacterAt(const QString& Text, qsizetype At, int& Units)
{
    const QChar first = Text[At];
    if (first.isHighSurrogate() && At + 1 < Text.size() && Text[At + 1].isLowSurrogate()) {
        Units = 2;
        return QChar::surrogateToUcs4(first, Text[At + 1]);
    }
    Units = 1;
    return first.unicode();
}

} // namespace

bool TDesignText::NextWord(qsizetype From, qsizetype& Start, qsizetype& End) const
{
    qsizetype at = std::max<qsizetype>(From, 0);
    int units = 1;
    // Skip to the first word character.
    while (at < FFlat.size() && !IsWordCharacter(CharacterAt(FFlat, at, units)))
        at += units;
    if (at >= FFlat.size())
        return false;
    Start = at;
    while (at < FFlat.size()) {
        const char32_t c = CharacterAt(FFlat, at, units);
        if (IsWordCharacter(c)) {
            at += units;
            continue;
        }
        // An apostrophe with word characters on both sides belongs to the word.
        int nextUnits = 1;
        if (IsApostrophe(c) && at + 1 < FFlat.size() && IsWordCharacter(CharacterAt(FFlat, at + 1, nextUnits))) {
            at += 1;
            continue;
        }
        break;
    }
    End = at;
    return true;
}

TTextPoint TDesignText::PointAt(qsizetype Offset, bool AtEnd) const
{
    if (FStarts.isEmpty())
        return {};
    // The last run that begins at or before Offset (before it, for an end); among runs that begin at the
    // same place the last one, since the ones before it are empty.
    auto it = AtEnd ? std::lower_bound(FStarts.begin(), FStarts.end(), Offset)
                    : std::upper_bound(FStarts.begin(), FStarts.end(), Offset);
    if (it == FStarts.begin())
        return {};
    const qsizetype run = (it - FStarts.begin()) - 1;
    const qsizetype offset = Offset - FStarts[run];
    if (offset < 0 || offset > FLengths[run] || (!AtEnd && offset == FLengths[run]))
        return {};
    return {static_cast<int>(run), static_cast<int>(offset)};
}
