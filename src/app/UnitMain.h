#pragma once
// The main window: hosts the three views of the one open document ("Designer", "HTML Code",
// "Tag Tree"), the menus and tool bars, the status bar and the file manager; restores its place and
// the recent files when first shown and writes them back when it closes. Its definitions are kept in
// one file per concern, named in each section below.
#include "Dialogs.h"
#include "IconPacks.h"

#include <QApplication>
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class TColorToolButton;
class TComboBox97;
class TFontComboBox97;
class QLabel;
class QMenu;
class QStackedLayout;
class QTabBar;
class QToolBar;
class QToolButton;
class QSplitter;
class QTreeWidget;
class TTagProperties;
class QTreeWidgetItem;
class QsciLexerHTML;
class QsciScintilla;
class THtmlDesigner;
class THtmlNode;
class THtmlRoot;
class TFileManager;
class QDockWidget;
class QTabWidget;
class TEntityView;
class TFormAbout;
class TFormButtonWizard;
class TToolManager;
class TFormSpellCheck;
class TSpellChecker;
class TFormTemplate;
class TIconPack;
class TIconPackManager;
class TFineDockManager;

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
inline constexpr int VIEW_DESIGNER = 0;
inline constexpr int VIEW_CODE = 1;
inline constexpr int VIEW_TAGTREE = 2;

class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    // ---- start-up and shutdown (UnitMain.cpp); StatusText is with the views
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

    // The window's components that other parts and scripts reach by name: the menus and tool bars are
    // built with the commands, the tabs and the tag tree's splitter with the views.
    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QMenu* RecentFiles1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* PopupRecent = nullptr;

    QMenu* Edit1 = nullptr;
    QAction* Undo1 = nullptr;  // the menu entries share their tool buttons' actions:
    QAction* Redo1 = nullptr;  // Undo1 is BtnUndo, Cut1 is BtnCut and so on
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Find1 = nullptr;

    QMenu* View1 = nullptr;
    QAction* Objects1 = nullptr;
    QAction* Properties1 = nullptr;
    QAction* Entities1 = nullptr;
    QAction* IconPacks1 = nullptr;

    QMenu* Tables1 = nullptr;
    QAction* InsertTable1 = nullptr;
    QAction* InsertRowAbove1 = nullptr;
    QAction* InsertRowBelow1 = nullptr;
    QAction* DeleteRows1 = nullptr;
    QAction* InsertColumnBefore1 = nullptr;
    QAction* InsertColumnAfter1 = nullptr;
    QAction* DeleteColumns1 = nullptr;
    QAction* MergeCells1 = nullptr;
    QAction* UnmergeCells1 = nullptr;
    QAction* FixTableLayout1 = nullptr;
    QMenu* HorizontalAlignment1 = nullptr;
    QAction* Left1 = nullptr;
    QAction* Center1 = nullptr;
    QAction* Right1 = nullptr;
    QMenu* VerticalAlignment1 = nullptr;
    QAction* op1 = nullptr;
    QAction* Middle1 = nullptr;
    QAction* Bottom1 = nullptr;
    QAction* ableProperties1 = nullptr;

    QMenu* Tools1 = nullptr;
    QAction* PageProperties1 = nullptr;
    QAction* SpellCheck1 = nullptr;
    QAction* PreviewinBrowser1 = nullptr;
    QAction* emplates1 = nullptr;
    QAction* ButtonGenerators1 = nullptr;

    QMenu* Help1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;

    TImageList ImgStandard{16, 16}; // the tool bar buttons' pictures
    QToolBar* ToolStandard = nullptr;
    QToolBar* ToolFormatting = nullptr;
    QToolBar* ToolBlock = nullptr;
    QAction* BtnNew = nullptr;
    QToolButton* BtnOpen = nullptr;
    QAction* BtnSave = nullptr;
    QAction* BtnCut = nullptr;
    QAction* BtnCopy = nullptr;
    QAction* BtnPaste = nullptr;
    QAction* BtnUndo = nullptr;
    QAction* BtnRedo = nullptr;
    QAction* BtnFind = nullptr;
    QAction* BtnTag = nullptr;
    QAction* BtnLink = nullptr;
    QAction* BtnLeft = nullptr;
    QAction* BtnCenter = nullptr;
    QAction* BtnRight = nullptr;
    QAction* BtnOrder = nullptr;
    QAction* BtnUnorder = nullptr;
    QAction* BtnIndent = nullptr;
    QAction* BtnOutdent = nullptr;
    QAction* BtnBold = nullptr;
    QAction* BtnItalic = nullptr;
    QAction* BtnUnderline = nullptr;
    TColorToolButton* BtnForeColor = nullptr;
    TColorToolButton* BtnBackColor = nullptr;
    TFontComboBox97* ComboFontName = nullptr;
    TComboBox97* ComboFontSize = nullptr;
    TComboBox97* ComboBlockFormat = nullptr;
    QTabBar* TabControl1 = nullptr;
    QSplitter* SplitTag = nullptr;  // between the tag tree and the sheets of its selected node
    TFileDialog OpenDialog1{TFileDialog::fdOpen};
    TFileDialog SaveDialog1{TFileDialog::fdSave};

    // ---- views (UnitMainViews.cpp)
    void ShowView();
    // Rebuilds the tree from the document: "<ROOT>" and its first level open, the first item selected.
    void FillTagTree(QTreeWidget* tree, THtmlRoot* root);
    void CommitView(int view);

    // ---- files (UnitMainFiles.cpp)
    // True when the document has a file; otherwise asks to save it first and, on Yes, saves it.
    bool RequireSavedDocument();
    // Preview in Browser: saves a modified document first, then opens the file with the desktop.
    void PreviewinBrowser1Click();

    // ---- commands and tool bar state (UnitMainCommands.cpp)
    void UpdateToolbar();
    // The colour buttons' change: the chosen colour (0x00BBGGRR) goes to the selection.
    void ForeColorChange(std::uint32_t color);
    void BackColorChange(std::uint32_t color);
    // The Tables menu opens with its entries enabled from the design view's current table and cells.
    void Tables1Click();

    // ---- panels (UnitMainPanels.cpp)
    // Dock sites: a dockable panel registers once with its first-start site and depth
    // (DockManager->RegisterPanel(PanelX, Qt::LeftDockWidgetArea, 65)); its place is kept between runs.
    TFineDockManager* DockManager = nullptr;

    // Entity panel and About box
    QDockWidget* PanelEntities = nullptr;
    QTabWidget* PageControl2 = nullptr; // sheets "Common", "Math", "Latin", "Greek": entity groups 0-3
    TEntityView* EntityView = nullptr;
    TFormAbout* FormAbout = nullptr;
    void CreateEntityPanel();
    void PageControl2Change(int index);
    // A reference chosen on the entity panel goes in at the caret of the view on show.
    void EntitySelect(const QString& entity);

    // Objects palette: the tag tools, left of the views
    QDockWidget* PanelObjects = nullptr;
    TToolManager* ToolManager = nullptr;
    void CreateObjectsPanel();

    // Icon panel
    QDockWidget* PanelIcons = nullptr;
    QTabWidget* PageControlIcons = nullptr; // one sheet per icon pack
    std::unique_ptr<TIconPackManager> IconPackManager;
    // An icon double-clicked on the icon panel: its file goes into "images" beside the document and an
    // image of it in at the caret.
    void IconPackSelect(TIconPack* Pack, const QString& Name, int Index);
    void CreateIconPanel();

    // ---- the dialog entries of the Tools menu (UnitMainDialogs.cpp)
    // Button wizard
    TFormButtonWizard* FormButtonWizard = nullptr;
    // Designer view, saved document: the wizard's button goes in at the caret as an image.
    void ButtonGenerators1Click();

    // Spell checker: its word list is loaded on the first spell check and kept until exit
    TFormSpellCheck* FormSpellCheck = nullptr;
    TSpellChecker* SpellChecker() const { return FSpellChecker.get(); }
    void CreateSpellChecker();
    void SpellCheck1Click();

    // Templates
    TFormTemplate* FormTemplate = nullptr;  // made on first use
    // Tools > Templates: applies the chosen template to the saved document, around the selected text.
    void emplates1Click();

    // Tools > Page Properties: the page properties dialog on the document of the view on show.
    void PageProperties1Click();

protected:
    // ---- start-up and shutdown (UnitMain.cpp)
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // ---- commands and tool bar state (UnitMainCommands.cpp)
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- start-up and shutdown (UnitMain.cpp)
    void FormShow();
    // The window's stored place, size and state ("Form"), given before the window is made.
    void RestoreBounds();
    // Once the window manager has framed the window: its frame stands at the stored place.
    void KeepPlace();
    bool FormClose();

    // ---- views (UnitMainViews.cpp)
    void CreateViews();
    void TabControl1Change(int index);
    void AddTreeNode(THtmlNode* node, QTreeWidgetItem* parent);
    void CodeEditorChange();

    // ---- files (UnitMainFiles.cpp)
    bool FileManagerNew();
    bool FileManagerOpen(const QString& fileName);
    bool FileManagerSave(const QString& fileName);
    void FileManagerModified();
    void FileManagerChangeFile();
    void DesignerDocumentComplete();
    void DesignerContentChange();
    // Marks the document modified when the page's body changed since it was last taken in.
    void DesignerPageChange();
    // Takes the page as it stands now as the one the document's modified state already speaks for.
    void TakePageVersion();
    // After an insertion from Panel the keyboard goes back to the view on show, at its caret.
    void ReturnFocusToView(QWidget* Panel);

    // ---- commands and tool bar state (UnitMainCommands.cpp)
    void CreateMenus();
    // After a Tables menu command: a change of the page marks the document modified.
    void TableCommandDone();
    void UpdateStandardButtons();
    void UpdateFormatting();
    // Runs a command of the view on show that changes the document, then marks the document modified.
    void RunChange(void (THtmlDesigner::*designerCommand)(), void (QsciScintilla::*editorCommand)());
    void RunFormat(void (THtmlDesigner::*designerCommand)());
    // After a font, size, block-format or colour command: the document is modified and Undo offered.
    void ValueCommandDone();
    void FontNameChange(const QString& name);
    void FontSizeChange(int index);
    void BlockFormatChange(int index);
    void File1Click();
    void Edit1Click();
    void DesignerKeyUp();
    void DesignerMouseUp();

    QString FApplicationTitle;
    int FActiveView = 0;
    bool FViewEdited = false;
    // How the file just opened was read, told once the open is complete ("" when there is nothing to tell).
    QString FOpenNote;
    int FViewLeaving = 0;
    int FTreeDepth = 0;
    bool FShown = false;
    // The corner that the window's frame takes at start, until the window is first on the screen; whether
    // it was moved there from a stored place out of reach or too large for the screen (the frame then goes
    // whole onto the screen).
    std::optional<QPoint> FPlace;
    bool FPlaceMoved = false;
    bool FUpdating = false;
    // The page (its load) and the count of its body's changes that the modified state was last brought up to.
    qint64 FGenerationSeen = -1;
    qint64 FVersionSeen = 0;
    TFileManager* FFileManager = nullptr;
    THtmlDesigner* FDesigner = nullptr;
    QsciScintilla* FCodeEditor = nullptr;
    QsciLexerHTML* FHighlighter = nullptr;
    std::unique_ptr<THtmlRoot> FTagTreeDocument;
    QWidget* FTagTreePage = nullptr;
    TTagProperties* FTagProperties = nullptr;
    QTreeWidget* TreeTag = nullptr;
    QWidget* PanelMain = nullptr;
    QStackedLayout* FViews = nullptr;
    QLabel* FStatusPanels[3] = {};
    std::unique_ptr<TSpellChecker> FSpellChecker;
    bool FWordListLoaded = false;
};
