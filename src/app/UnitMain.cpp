#include "UnitMain.h"

#include "EngineBridge.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "IniUtils.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

const int VIEW_DESIGNER = 0;
const int VIEW_CODE = 1;
const int VIEW_TAGTREE = 2;

namespace {

const QString SProductName = QStringLiteral("Corvalite");
const QString SGenerator = QStringLiteral("Corvalite v3.63");

// Bounds of the window before any are stored.
constexpr int DefaultWidth = 900;
constexpr int DefaultHeight = 640;

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(SProductName);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        IgnoreException(receiver);
    }
    return false;
}

void TApplication::IgnoreException(QObject*)
{
    // Deliberately nothing: no message, no change of state.
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    FApplicationTitle = SProductName;
    setWindowTitle(SProductName);
    resize(DefaultWidth, DefaultHeight);

    CreateMenus();
    CreateViews();

    // Status bar: 0 modified state, 1 selected tag, 2 file name.
    const char* const initial[3] = {"Modified", "BODY", "Filename"};
    for (int i = 0; i < 3; ++i) {
        FStatusPanels[i] = new QLabel(QString::fromLatin1(initial[i]), this);
        FStatusPanels[i]->setMinimumWidth(i == 2 ? 200 : 80);
        if (i == 2)
            statusBar()->addWidget(FStatusPanels[i], 1);
        else
            statusBar()->addWidget(FStatusPanels[i]);
    }

    OpenDialog1.DefaultExt = QStringLiteral("html");
    OpenDialog1.Filter = QStringLiteral("HTML Files (*.htm, *.html)|*.htm;*.html|PHP Files (*.php)|*.php|"
                                        "ASP Files (*.asp)|*.asp|All Files (*.*)|*.*");
    SaveDialog1.DefaultExt = QStringLiteral("html");
    SaveDialog1.Filter = QStringLiteral("HTML Files (*.htm, *.html)|*.html;*.htm|PHP Files (*.php)|*.php|"
                                        "ASP Files (*.asp)|*.asp|All Files (*.*)|*.*");

    FFileManager = new TFileManager(this);
    FFileManager->OnNew = [this](TFileManager*) { return FileManagerNew(); };
    FFileManager->OnOpen = [this](TFileManager*, const QString& name) { return FileManagerOpen(name); };
    FFileManager->OnSave = [this](TFileManager*, const QString& name) { return FileManagerSave(name); };
    FFileManager->OnModified = [this](TFileManager*) { FileManagerModified(); };
    FFileManager->OnChangeFile = [this](TFileManager*) { FileManagerChangeFile(); };
    FFileManager->OpenDialog = &OpenDialog1;
    FFileManager->SaveDialog = &SaveDialog1;
    FFileManager->New();
}

TFormMain::~TFormMain()
{
    // The file manager's events reach into the views: it goes first.
    delete FFileManager;
    FFileManager = nullptr;
}

void TFormMain::CreateMenus()
{
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = File1->addAction(QStringLiteral("&New"));
    New1->setShortcut(QKeySequence::New);
    Open1 = File1->addAction(QStringLiteral("&Open"));
    Open1->setShortcut(QKeySequence::Open);
    Save1 = File1->addAction(QStringLiteral("&Save"));
    Save1->setShortcut(QKeySequence::Save);
    SaveAs1 = File1->addAction(QStringLiteral("Save &As"));
    File1->addSeparator();
    RecentFiles1 = File1->addMenu(QStringLiteral("&Recent Files"));
    File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    connect(File1, &QMenu::aboutToShow, this, &TFormMain::File1Click);
    connect(New1, &QAction::triggered, this, [this] { FFileManager->New(); });
    connect(Open1, &QAction::triggered, this, [this] { FFileManager->Open(); });
    connect(Save1, &QAction::triggered, this, [this] { FFileManager->Save(); });
    connect(SaveAs1, &QAction::triggered, this, [this] { FFileManager->SaveAs(); });
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    PopupRecent = new QMenu(this);
    connect(PopupRecent, &QMenu::aboutToShow, this, [this] { FFileManager->BuildMRUMenu(PopupRecent); });

    ToolStandard = addToolBar(QStringLiteral("Standard"));
    ToolStandard->setObjectName(QStringLiteral("ToolStandard"));
    QStyle* s = style();
    QAction* btnNew = ToolStandard->addAction(s->standardIcon(QStyle::SP_FileIcon), QStringLiteral("New Document"));
    connect(btnNew, &QAction::triggered, this, [this] { FFileManager->New(); });
    BtnOpen = new QToolButton(ToolStandard);
    BtnOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    BtnOpen->setToolTip(QStringLiteral("Open Document"));
    BtnOpen->setPopupMode(QToolButton::MenuButtonPopup);
    BtnOpen->setMenu(PopupRecent);
    connect(BtnOpen, &QToolButton::clicked, Open1, &QAction::trigger);
    ToolStandard->addWidget(BtnOpen);
    QAction* btnSave = ToolStandard->addAction(s->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save Document"));
    // The tool button saves whatever state the menu entry was left in.
    connect(btnSave, &QAction::triggered, this, [this] { FFileManager->Save(); });

    // The formatting and block tool bars hold no commands yet; they keep their stored places.
    ToolFormatting = addToolBar(QStringLiteral("Formatting"));
    ToolFormatting->setObjectName(QStringLiteral("ToolFormatting"));
    ToolBlock = addToolBar(QStringLiteral("Block"));
    ToolBlock->setObjectName(QStringLiteral("ToolBlock"));
    for (QToolBar* bar : {ToolFormatting, ToolBlock})
        bar->setVisible(!bar->actions().isEmpty());
}

void TFormMain::CreateViews()
{
    PanelMain = new QWidget(this);
    auto* column = new QVBoxLayout(PanelMain);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    TabControl1 = new QTabBar(PanelMain);
    TabControl1->setDocumentMode(true);
    TabControl1->setExpanding(false);
    TabControl1->addTab(QStringLiteral("Designer"));
    TabControl1->addTab(QStringLiteral("HTML Code"));
    TabControl1->addTab(QStringLiteral("Tag Tree"));
    column->addWidget(TabControl1);
    FViews = new QStackedLayout;
    column->addLayout(FViews, 1);
    setCentralWidget(PanelMain);

    FHighlighter = new QsciLexerHTML(this);
    // Lexer fonts take the place of the editor's, so the fixed font goes on the lexer.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    FHighlighter->setDefaultFont(fixed);
    FHighlighter->setFont(fixed);
    FCodeEditor = new QsciScintilla(PanelMain);
    FCodeEditor->setUtf8(true);
    FCodeEditor->setLexer(FHighlighter);
    FCodeEditor->setMarginType(0, QsciScintilla::NumberMargin);
    FCodeEditor->setMarginLineNumbers(0, true);
    FCodeEditor->setMarginWidth(0, QStringLiteral("00000"));
    connect(FCodeEditor, &QsciScintilla::textChanged, this, &TFormMain::CodeEditorChange);

    FDesigner = new THtmlDesigner(PanelMain);
    FDesigner->SetGenerator(SGenerator);
    connect(FDesigner, &THtmlDesigner::OnMouseUp, this, &TFormMain::DesignerMouseUp);
    connect(FDesigner->Bridge(), &TEngineBridge::Message, this, [this](const QString& kind, const QVariantMap&) {
        if (kind == QLatin1String("change"))
            DesignerPageChange();
    });
    // A released key changed the page only when the page's undo record moved: moving the caret, a
    // modifier, or the Return that closed the open dialog and lands in the page leave it as it is.
    connect(FDesigner, &THtmlDesigner::OnKeyUp, this, &TFormMain::DesignerKeyUp);
    connect(FDesigner, &THtmlDesigner::OnResized, this, &TFormMain::DesignerContentChange);
    connect(FDesigner, &THtmlDesigner::OnDocumentComplete, this, &TFormMain::DesignerDocumentComplete);

    FTagTreePage = new QWidget(PanelMain);
    auto* tagLayout = new QVBoxLayout(FTagTreePage);
    tagLayout->setContentsMargins(0, 0, 0, 0);
    TreeTag = new QTreeWidget(FTagTreePage);
    TreeTag->setHeaderHidden(true);
    TreeTag->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tagLayout->addWidget(TreeTag);

    FViews->addWidget(FDesigner);
    FViews->addWidget(FCodeEditor);
    FViews->addWidget(FTagTreePage);
    FViews->setCurrentWidget(FDesigner);

    connect(TabControl1, &QTabBar::currentChanged, this, &TFormMain::TabControl1Change);
}

QString TFormMain::StatusText(int panel) const
{
    return panel >= 0 && panel < 3 ? FStatusPanels[panel]->text() : QString();
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void TFormMain::showEvent(QShowEvent* event)
{
    if (!FShown) {
        FShown = true;
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void TFormMain::FormShow()
{
    const QString form = QStringLiteral("Form");
    // Only the stored values are applied; without a stored place the window manager places the window.
    int left = x(), top = y(), width = this->width(), height = this->height();
    bool placed = false;
    if (IniValueExists(form, QStringLiteral("Left"))) {
        left = ReadIniInteger(form, QStringLiteral("Left"), 100);
        placed = true;
    }
    if (IniValueExists(form, QStringLiteral("Top"))) {
        top = ReadIniInteger(form, QStringLiteral("Top"), 100);
        placed = true;
    }
    if (IniValueExists(form, QStringLiteral("Width")))
        width = ReadIniInteger(form, QStringLiteral("Width"), 600);
    if (IniValueExists(form, QStringLiteral("Height")))
        height = ReadIniInteger(form, QStringLiteral("Height"), 400);
    if (placed)
        move(left, top);
    resize(width, height);
    setWindowState(ReadIniBool(form, QStringLiteral("Maximized"), false) ? Qt::WindowMaximized : Qt::WindowNoState);

    const QString toolbar = QStringLiteral("Toolbar");
    if (IniSectionExists(toolbar)) {
        // Tool bars line up in rows: the stored places give their order, rows by Top, then by Left.
        struct TPlace
        {
            QToolBar* Bar;
            int Left, Top;
        };
        std::vector<TPlace> places = {
            {ToolStandard, ReadIniInteger(toolbar, QStringLiteral("Standard Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Standard Top"), 0)},
            {ToolBlock, ReadIniInteger(toolbar, QStringLiteral("Block Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Block Top"), 0)},
            {ToolFormatting, ReadIniInteger(toolbar, QStringLiteral("Format Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Format Top"), 0)},
        };
        std::stable_sort(places.begin(), places.end(), [](const TPlace& a, const TPlace& b) {
            return a.Top != b.Top ? a.Top < b.Top : a.Left < b.Left;
        });
        for (size_t i = 0; i < places.size(); ++i) {
            const bool visible = places[i].Bar->isVisible() || !places[i].Bar->actions().isEmpty();
            removeToolBar(places[i].Bar);
            if (i > 0 && places[i].Top != places[i - 1].Top)
                addToolBarBreak();
            addToolBar(places[i].Bar);
            places[i].Bar->setVisible(visible);
        }
    }

    FFileManager->LoadMRU(ConfigIni(), QStringLiteral("Recents"));
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TFormMain::FormClose()
{
    if (!FFileManager->CloseQuery())
        return false;

    const QString form = QStringLiteral("Form");
    const bool maximized = isMaximized();
    WriteIniBool(form, QStringLiteral("Maximized"), maximized);
    if (!maximized) {
        WriteIniInteger(form, QStringLiteral("Left"), x());
        WriteIniInteger(form, QStringLiteral("Top"), y());
        WriteIniInteger(form, QStringLiteral("Width"), width());
        WriteIniInteger(form, QStringLiteral("Height"), height());
    }

    // Places of the tool bars inside the tool bar area (below the menu).
    const int areaTop = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
    const QString toolbar = QStringLiteral("Toolbar");
    auto writePlace = [&](QToolBar* bar, const QString& prefix) {
        WriteIniInteger(toolbar, prefix + QStringLiteral(" Left"), bar->isVisible() ? bar->x() : 0);
        WriteIniInteger(toolbar, prefix + QStringLiteral(" Top"), bar->isVisible() ? std::max(0, bar->y() - areaTop) : 0);
    };
    writePlace(ToolStandard, QStringLiteral("Standard"));
    writePlace(ToolBlock, QStringLiteral("Block"));
    writePlace(ToolFormatting, QStringLiteral("Format"));

    // An unwritable settings file loses the recent list but must not keep the window from closing.
    try {
        FFileManager->SaveMRU(ConfigIni(), QStringLiteral("Recents"));
    } catch (const Exception&) {
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Views

void TFormMain::ShowView()
{
    FActiveView = TabControl1->currentIndex();
    if (FActiveView == VIEW_CODE) {
        FViews->setCurrentWidget(FCodeEditor);
    } else if (FActiveView == VIEW_TAGTREE) {
        FViews->setCurrentWidget(FTagTreePage);
    } else {
        FViews->setCurrentWidget(FDesigner);
    }
}

void TFormMain::CommitView(int view)
{
    if (!FViewEdited)
        return;
    if (view == VIEW_CODE)
        FDesigner->SetHtml(FCodeEditor->text());
    // The tag tree has no editors yet, so it never has edits to commit.
}

void TFormMain::TabControl1Change(int index)
{
    FViewLeaving = FActiveView;
    // The text of the document is taken from the design view before anything is shown: a design view
    // that cannot give it (its page is gone) leaves the view being left on show, with a message, instead
    // of a tab that names one view over another.
    QString html;
    try {
        CommitView(FViewLeaving);
        if (index == VIEW_CODE || index == VIEW_TAGTREE)
            FDesigner->GetHtml(html);
    } catch (const Exception& e) {
        // The edits stay in the view being left, which stays on show.
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(FViewLeaving);
        return;
    }
    if (index == VIEW_CODE) {
        {
            // Filling the editor is no edit.
            const QSignalBlocker block(FCodeEditor);
            FCodeEditor->setText(html);
            FCodeEditor->SendScintilla(QsciScintilla::SCI_EMPTYUNDOBUFFER);
        }
        FViewEdited = false;
    } else if (index == VIEW_TAGTREE) {
        FTagTreeDocument.reset();
        QByteArray utf16(reinterpret_cast<const char*>(html.utf16()), html.size() * 2);
        QBuffer stream(&utf16);
        stream.open(QIODevice::ReadOnly);
        try {
            FTagTreeDocument = ParseHtml(stream);
        } catch (const Exception& e) {
            MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        }
        FillTagTree(TreeTag, FTagTreeDocument.get());
        FViewEdited = false;
    }
    ShowView();
    UpdateToolbar();
}

void TFormMain::FillTagTree(QTreeWidget* tree, THtmlRoot* root)
{
    tree->setUpdatesEnabled(false);
    tree->clear();
    if (root)
        AddTreeNode(root, nullptr);
    if (QTreeWidgetItem* first = tree->topLevelItem(0)) {
        first->setExpanded(true);
        for (int i = 0; i < first->childCount(); ++i)
            first->child(i)->setExpanded(true);
        tree->setCurrentItem(first);
    }
    tree->setUpdatesEnabled(true);
}

void TFormMain::AddTreeNode(THtmlNode* node, QTreeWidgetItem* parent)
{
    QString text = TagIdToName(node->TagId());
    if (!text.isEmpty() && !text.startsWith(QLatin1Char('<')))
        text = QLatin1Char('<') + text + QLatin1Char('>');
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(TreeTag, {text});
    for (THtmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        try {
            AddTreeNode(child, item);
        } catch (const Exception&) {
            item->setText(0, QStringLiteral("ERROR ") + item->text(0));
        }
    }
}

void TFormMain::CodeEditorChange()
{
    FViewEdited = true;
    UpdateToolbar();
    FFileManager->SetModified(true);
}

void TFormMain::UpdateToolbar()
{
    if (FActiveView != VIEW_DESIGNER || !FDesigner->IsDocumentReady())
        return;
    QString name;
    FDesigner->GetSelectionTagName(name);
    FStatusPanels[1]->setText(name);
}

void TFormMain::File1Click()
{
    FFileManager->BuildMRUMenu(RecentFiles1);
    Save1->setEnabled(FFileManager->Modified());
    SaveAs1->setEnabled(true);
}

// ---------------------------------------------------------------------------------------------------
// File manager events

bool TFormMain::FileManagerNew()
{
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    }
    ShowView();
    FViewEdited = false;
    FDesigner->NewDocument();
    FUndoCountSeen = FDesigner->GetBrowserUndoCount();
    return false;
}

bool TFormMain::FileManagerOpen(const QString& fileName)
{
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    }
    ShowView();
    FViewEdited = false;
    FDesigner->LoadFromFile(fileName);
    FUndoCountSeen = FDesigner->GetBrowserUndoCount();
    return FDesigner->IsDocumentReady();
}

bool TFormMain::FileManagerSave(const QString& fileName)
{
    CommitView(TabControl1->currentIndex());
    FViewEdited = false;
    FDesigner->SaveToFile(fileName);
    UpdateToolbar();
    return true;
}

void TFormMain::FileManagerModified()
{
    FStatusPanels[0]->setText(FFileManager->Modified() ? QStringLiteral("Modified") : QString());
    // The menu entry carries the Save shortcut: it follows the modified state at once, not only when the
    // File menu next opens, so the shortcut saves a document that was changed after the menu was shown.
    Save1->setEnabled(FFileManager->Modified());
}

void TFormMain::FileManagerChangeFile()
{
    FStatusPanels[2]->setText(FFileManager->FileName());
    setWindowTitle(SProductName);
}

// ---------------------------------------------------------------------------------------------------
// Design view events

void TFormMain::DesignerDocumentComplete()
{
    QString title;
    try {
        FDesigner->GetDocumentTitle(title);
    } catch (const Exception&) {
        title.clear();
    }
    FApplicationTitle = title.isEmpty() ? SProductName : SProductName + QStringLiteral(" - ") + title;
    setWindowTitle(FApplicationTitle);
    UpdateToolbar();
}

void TFormMain::DesignerContentChange()
{
    UpdateToolbar();
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->GetBrowserUndoCount();
}

void TFormMain::DesignerKeyUp()
{
    UpdateToolbar();
    DesignerPageChange();
}

void TFormMain::DesignerMouseUp()
{
    UpdateToolbar();
    DesignerPageChange();
}

void TFormMain::DesignerPageChange()
{
    // Every change of the page's body is one entry of its undo record, whatever made it: typing, the
    // mouse (dragging text or images, pasting with the middle button), a drop from another program, the
    // engine's own undo. A record that moved since it was last looked at means the document changed.
    if (!FDesigner->IsDocumentReady())
        return;
    const int count = FDesigner->GetBrowserUndoCount();
    if (count != FUndoCountSeen) {
        FUndoCountSeen = count;
        FFileManager->SetModified(true);
    }
}
