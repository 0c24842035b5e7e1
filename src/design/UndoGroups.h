#pragma once
// Named undo groups laid over the engine's stack of small undo units. The engine's unit count is passed in
// by the caller (the design view), so the bookkeeping is plain data and needs no engine.
#include <QList>
#include <QString>
#include <QStringList>

class TUndoGroups
{
public:
    int Count() const { return FCaptions.size(); }
    int Index() const { return FIndex; }
    const QString& Caption(int Group) const { return FCaptions.at(Group); }
    int Units(int Group) const { return FUnits.at(Group); }
    int StartCount() const { return FStartCount; }

    // Sum of the unit counts of the groups that can be undone.
    int RecordedCount() const;
    // Reconciles the list with BrowserCount, the number of units the engine lists now.
    void Sync(int BrowserCount);
    // Opens a group; BrowserCount is the engine's count at that moment.
    void Begin(const QString& Caption, int BrowserCount);
    // Closes the group opened last; BrowserCount is the engine's count after the command.
    void End(int BrowserCount);
    void Clear();
    bool CanUndo(int BrowserCount);
    bool CanRedo(int BrowserCount);
    // Steps back over one group and answers how many engine units to undo (0 when there is none).
    int Undo(int BrowserCount);
    // Steps forward over one group and answers how many engine units to redo (0 when there is none).
    int Redo(int BrowserCount);

private:
    void DropRedoGroups();
    void Append(const QString& Caption, int Units);

    QStringList FCaptions;
    QList<int> FUnits;
    int FIndex = -1;
    QString FPendingCaption;
    int FStartCount = 0;
};
