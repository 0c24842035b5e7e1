#pragma once
// The main window: hosts the three views of the one open document ("Designer", "HTML Code",
// "Tag Tree"), the menus and tool bars, the status bar and the file manager; restores its place and
// the recent files when first shown and writes them back when it closes.
#include "Dialogs.h"

#include <QApplication>
#include <QMainWindow>
#include <QString>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStackedLayout;
class QTabBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QsciLexerHTML;
class QsciScintilla;
class THtmlDesigner;
class THtmlNode;
class THtmlRoot;
class TFileManager;

// The program's application object. An exception that no code catches and that reaches the message loop
// is dropped without a message (IgnoreException) and the program goes on with the next event.
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
    static void IgnoreException(QObject* sender);
};

// The view indexes of the main window's tabs.
extern const int VIEW_DESIGNER;
extern const int VIEW_CODE;
extern const int VIEW_TAGTREE;

class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The caption the window takes after a document has loaded ("Corvalite - " and its title).
    const QString& ApplicationTitle() const { return FApplicationTitle; }
    int ActiveView() const { return FActiveView; }
    bool ViewEdited() const { return FViewEdited; }
    TFileManager* FileManager() const { return FFileManager; }
    THtmlDesigner* Designer() const { return FDesigner; }
    QsciScintilla* CodeEditor() const { return FCodeEditor; }
    QTreeWidget* TagTree() const { return TreeTag; }
    QString StatusText(int panel) const;

    // The window's components that other parts and scripts reach by name.
    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QMenu* RecentFiles1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* PopupRecent = nullptr;
    QToolBar* ToolStandard = nullptr;
    QToolBar* ToolFormatting = nullptr;
    QToolBar* ToolBlock = nullptr;
    QToolButton* BtnOpen = nullptr;
    QTabBar* TabControl1 = nullptr;
    TFileDialog OpenDialog1{TFileDialog::fdOpen};
    TFileDialog SaveDialog1{TFileDialog::fdSave};

    void ShowView();
    void CommitView(int view);
    void UpdateToolbar();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    bool FormClose();
    void CreateMenus();
    void CreateViews();

    void TabControl1Change(int index);
    void FillTagTree(QTreeWidget* tree, THtmlRoot* root);
    void AddTreeNode(THtmlNode* node, QTreeWidgetItem* parent);
    void CodeEditorChange();
    void File1Click();

    bool FileManagerNew();
    bool FileManagerOpen(const QString& fileName);
    bool FileManagerSave(const QString& fileName);
    void FileManagerModified();
    void FileManagerChangeFile();

    void DesignerDocumentComplete();
    void DesignerContentChange();
    void DesignerMouseUp();
    void DesignerKeyUp();
    void DesignerPageChange();

    QString FApplicationTitle;
    int FActiveView = 0;
    bool FViewEdited = false;
    int FViewLeaving = 0;
    bool FShown = false;
    int FUndoCountSeen = -1;
    TFileManager* FFileManager = nullptr;
    THtmlDesigner* FDesigner = nullptr;
    QsciScintilla* FCodeEditor = nullptr;
    QsciLexerHTML* FHighlighter = nullptr;
    std::unique_ptr<THtmlRoot> FTagTreeDocument;
    QWidget* FTagTreePage = nullptr;
    QTreeWidget* TreeTag = nullptr;
    QWidget* PanelMain = nullptr;
    QStackedLayout* FViews = nullptr;
    QLabel* FStatusPanels[3] = {};
};
