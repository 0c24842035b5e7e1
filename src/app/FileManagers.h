#pragma once
// The document-file controller of the main window: it owns the current file name and the modified
// flag, runs New, Open, Save and Save As with their dialogs and the unsaved-changes question, and keeps
// the list of recently used files with its menu. Creating, loading and saving the document itself is
// the owner's work, handed over through the events.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class TFileDialog;
class TIniFile;

extern const QString SFileModifiedQuery;   // "File was modified. Do you want to save it first?"
extern const QString SFileNotFound;        // "Unable to locate the file. ..." (the name follows)

// Recent-file menu entries carry this help context, so a rebuild removes them and only them.
constexpr int MRUHelpContext = 0x19071977;

class TFileManager : public QObject
{
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TFileManager* sender)>;
    using TOnNewEvent = std::function<bool(TFileManager* sender)>;
    using TOnOpenSaveEvent = std::function<bool(TFileManager* sender, const QString& fileName)>;

    explicit TFileManager(QObject* owner = nullptr);

    const QString& FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    const QStringList& RecentFiles() const { return FRecentList; }

    int MaxMRUCount = 10;  // 0 or less: no limit
    TFileDialog* OpenDialog = nullptr;
    TFileDialog* SaveDialog = nullptr;

    // OnOpen and OnSave return whether the file was read or written; an Exception they raise is shown
    // as an error box and counts as a failure.
    TNotifyEvent OnChangeFile;
    TNotifyEvent OnModified;
    TOnNewEvent OnNew;
    TOnOpenSaveEvent OnOpen;
    TOnOpenSaveEvent OnSave;

    void New();
    void Open();
    bool OpenFile(const QString& fileName);
    bool Save();
    bool SaveAs();
    bool CloseQuery();
    void SetModified(bool value);
    bool CheckSave();
    void NotifyChange();

    void SaveMRU(TIniFile& ini, const QString& section) const;
    void LoadMRU(const TIniFile& ini, const QString& section);
    void AddMRU(const QString& fileName);
    void BuildMRUMenu(QMenu* parent);
    void OpenRecent(QAction* sender);

private:
    bool CallOpenSave(const TOnOpenSaveEvent& event, const QString& fileName);
    void Opened(const QString& fileName);
    static void PrepareDialog(TFileDialog* dialog);

    QStringList FRecentList;
    QString FFileName;
    bool FModified = false;
};
