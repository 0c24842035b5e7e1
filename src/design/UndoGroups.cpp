#include "UndoGroups.h"

int TUndoGroups::RecordedCount() const
{
    int sum = 0;
    for (int i = 0; i <= FIndex && i < FUnits.size(); ++i)
        sum += FUnits.at(i);
    return sum;
}

void TUndoGroups::DropRedoGroups()
{
    while (Count() - 1 > FIndex) {
        FCaptions.removeLast();
        FUnits.removeLast();
    }
}

void TUndoGroups::Append(const QString& Caption, int Units)
{
    FCaptions.append(Caption);
    FUnits.append(Units);
}

void TUndoGroups::Sync(int BrowserCount)
{
    const int recorded = RecordedCount();
    if (BrowserCount == recorded)
        return;
    if (BrowserCount > recorded) {
        // Units added outside any group (typing, the engine's own actions): one anonymous group each.
        DropRedoGroups();
        for (int i = 0; i < BrowserCount - recorded; ++i)
            Append(QString(), 1);
    } else {
        // Units undone or dropped outside our Undo: the names can no longer be matched, so give them up.
        FCaptions.clear();
        FUnits.clear();
        for (int i = 0; i < BrowserCount; ++i)
            Append(QString(), 1);
    }
    FIndex = Count() - 1;
}

void TUndoGroups::Begin(const QString& Caption, int BrowserCount)
{
    Sync(BrowserCount);
    FPendingCaption = Caption;
    FStartCount = BrowserCount;
}

void TUndoGroups::End(int BrowserCount)
{
    DropRedoGroups();
    const int units = BrowserCount - FStartCount;
    FStartCount = units;
    Append(FPendingCaption, units);
    ++FIndex;
}

void TUndoGroups::Clear()
{
    FCaptions.clear();
    FUnits.clear();
    FIndex = -1;
    FStartCount = 0;
}

bool TUndoGroups::CanUndo(int BrowserCount)
{
    Sync(BrowserCount);
    return FIndex >= 0;
}

bool TUndoGroups::CanRedo(int BrowserCount)
{
    Sync(BrowserCount);
    return Count() - 1 > FIndex;
}

int TUndoGroups::Undo(int BrowserCount)
{
    Sync(BrowserCount);
    if (FIndex < 0)
        return 0;
    const int units = FUnits.at(FIndex);
    --FIndex;
    return units > 0 ? units : 0;
}

int TUndoGroups::Redo(int BrowserCount)
{
    Sync(BrowserCount);
    if (FIndex > Count() - 2)
        return 0;
    ++FIndex;
    return FUnits.at(FIndex) > 0 ? FUnits.at(FIndex) : 0;
}
