#include "UnitMain.h"

#include "ComboBox97.h"
#include "DockUtils.h"
#include "EntityData.h"
#include "EntityViewer.h"
#include "EngineBridge.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "FontComboBox97.h"
#include "HtmlDesigner.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"
#include "HtmlInplace.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "IconPacks.h"
#include "IniUtils.h"
#include "PrintTools.h"
#include "ShellApi.h"
#include "SynUtils.h"
#include "TagTreeView.h"
#include "ToolBody.h"
#include "ToolLoader.h"
#include "ToolTable.h"
#include "UnitAbout.h"
#include "UnitButtonWiz.h"
#include "SpellCheckers.h"
#include "UnitSpellCheck.h"
#include "UnitTemplate.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QFileInfo>
#include <QDir>
#include <QUrl>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QBitmap>
#include <QDockWidget>
#include <QTabWidget>
#include <QPainter>
#include <QSplitter>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineView>
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
    DockManager = new TFineDockManager(this);

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

    // The engine would take the undo keys for its own one-step undo; in the design view they run the
    // Edit menu's Undo and Redo, which take back and repeat whole groups.
    qApp->installEventFilter(this);

    CreateEntityPanel();

    FormButtonWizard = new TFormButtonWizard(this);
    ButtonGenerators1->setEnabled(true);
    connect(ButtonGenerators1, &QAction::triggered, this, &TFormMain::ButtonGenerators1Click);

    CreateObjectsPanel();
    CreateSpellChecker();
    CreateIconPanel();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && watched->isWidgetType() &&
        FDesigner->isAncestorOf(static_cast<QWidget*>(watched))) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const bool undo = pressed == Undo1->shortcut();
        if (undo || pressed == Redo1->shortcut()) {
            // The key is the design view's own (no other shortcut takes it), and the page never sees it.
            if (type == QEvent::ShortcutOverride) {
                event->accept();
            } else if (FActiveView == VIEW_DESIGNER && FDesigner->IsDocumentReady() &&
                       (undo ? FDesigner->CanUndo() : FDesigner->CanRedo())) {
                (undo ? BtnUndo : BtnRedo)->setEnabled(true);
                (undo ? BtnUndo : BtnRedo)->trigger();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

TFormMain::~TFormMain()
{
    // The file manager's events reach into the views: it goes first.
    delete FFileManager;
    FFileManager = nullptr;
}

namespace {

QAction* AddEntry(QMenu* menu, const char* caption, const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setShortcut(shortcut);
    return action;
}

QAction* AddButton(QToolBar* bar, QStyle::StandardPixmap icon, const char* text, bool checkable = false)
{
    QAction* action = bar->addAction(bar->style()->standardIcon(icon), QString::fromLatin1(text));
    action->setCheckable(checkable);
    return action;
}

// A tool button with a text glyph, for commands the desktop style has no picture for.
QAction* AddTextButton(QToolBar* bar, const char* glyph, const char* hint, bool checkable)
{
    QAction* action = bar->addAction(QString::fromUtf8(glyph));
    action->setToolTip(QString::fromLatin1(hint));
    action->setCheckable(checkable);
    return action;
}

// The glyph of a colour tool button, drawn on magenta (transparent): a letter for the text colour, a
// filled square for the background colour; the button draws its colour bar below it.
QPixmap DrawColorButtonGlyph(bool back)
{
    QPixmap glyph(16, 16);
    glyph.fill(QColor(255, 0, 255));
    QPainter p(&glyph);
    if (back) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 9, 9);
        p.drawLine(5, 3, 10, 8);
    } else {
        QFont f(QStringLiteral("Serif"));
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 16, 13), Qt::AlignCenter, QStringLiteral("A"));
    }
    p.end();
    glyph.setMask(glyph.createMaskFromColor(QColor(255, 0, 255)));
    return glyph;
}

// Commands whose dialogs, panels or design-view parts are not there yet stay visible but disabled.
void Unavailable(std::initializer_list<QAction*> actions)
{
    for (QAction* action : actions)
        action->setEnabled(false);
}

} // namespace

void TFormMain::CreateMenus()
{
    QStyle* s = style();

    // ---- tool bars first: the Edit menu shares the standard bar's actions
    ToolStandard = addToolBar(QStringLiteral("Standard"));
    ToolStandard->setObjectName(QStringLiteral("ToolStandard"));
    BtnNew = AddButton(ToolStandard, QStyle::SP_FileIcon, "New Document");
    BtnOpen = new QToolButton(ToolStandard);
    BtnOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    BtnOpen->setToolTip(QStringLiteral("Open Document"));
    BtnOpen->setPopupMode(QToolButton::MenuButtonPopup);
    ToolStandard->addWidget(BtnOpen);
    BtnSave = AddButton(ToolStandard, QStyle::SP_DialogSaveButton, "Save Document");
    ToolStandard->addSeparator();
    BtnCut = AddTextButton(ToolStandard, "\u2702", "Cut", false);
    BtnCopy = AddTextButton(ToolStandard, "\u2398", "Copy", false);
    BtnPaste = AddTextButton(ToolStandard, "\u2399", "Paste", false);
    ToolStandard->addSeparator();
    BtnUndo = AddButton(ToolStandard, QStyle::SP_ArrowBack, "Undo");
    BtnRedo = AddButton(ToolStandard, QStyle::SP_ArrowForward, "Redo");
    ToolStandard->addSeparator();
    BtnFind = AddButton(ToolStandard, QStyle::SP_FileDialogContentsView, "Find");
    BtnTag = AddTextButton(ToolStandard, "\u00B6", "Show or hide tag glyphs", true);

    ToolFormatting = addToolBar(QStringLiteral("Formatting"));
    ToolFormatting->setObjectName(QStringLiteral("ToolFormatting"));
    ComboFontName = new TFontComboBox97(ToolFormatting);
    ComboFontName->setObjectName(QStringLiteral("ComboFontName"));
    ComboFontName->SetFlat(true);
    ComboFontName->setFixedWidth(150);
    ComboFontName->Loaded();
    ToolFormatting->addWidget(ComboFontName);
    ComboFontSize = new TComboBox97(ToolFormatting);
    ComboFontSize->setObjectName(QStringLiteral("ComboFontSize"));
    ComboFontSize->SetFlat(true);
    ComboFontSize->setFixedWidth(40);
    ComboFontSize->addItems(QStringLiteral("1,2,3,4,5,6,7").split(QLatin1Char(',')));
    ToolFormatting->addWidget(ComboFontSize);
    BtnBold = AddTextButton(ToolFormatting, "B", "Bold", true);
    BtnItalic = AddTextButton(ToolFormatting, "I", "Italic", true);
    BtnUnderline = AddTextButton(ToolFormatting, "U", "Underline", true);
    ToolFormatting->addSeparator();
    BtnForeColor = new TColorToolButton(ToolFormatting);
    BtnForeColor->setObjectName(QStringLiteral("BtnForeColor"));
    BtnForeColor->setToolTip(QStringLiteral("Font Color"));
    BtnForeColor->setFixedSize(36, 22);
    BtnForeColor->SetGlyph(DrawColorButtonGlyph(false));
    BtnForeColor->SetColor(0);
    ToolFormatting->addWidget(BtnForeColor);
    BtnBackColor = new TColorToolButton(ToolFormatting);
    BtnBackColor->setObjectName(QStringLiteral("BtnBackColor"));
    BtnBackColor->setToolTip(QStringLiteral("Background Color"));
    BtnBackColor->setFixedSize(36, 22);
    BtnBackColor->SetGlyph(DrawColorButtonGlyph(true));
    BtnBackColor->SetColor(0xFFFF);
    ToolFormatting->addWidget(BtnBackColor);

    ToolBlock = addToolBar(QStringLiteral("Block"));
    ToolBlock->setObjectName(QStringLiteral("ToolBlock"));
    ComboBlockFormat = new TComboBox97(ToolBlock);
    ComboBlockFormat->setObjectName(QStringLiteral("ComboBlockFormat"));
    ComboBlockFormat->SetFlat(true);
    ComboBlockFormat->setFixedWidth(120);
    ToolBlock->addWidget(ComboBlockFormat);
    BtnLeft = AddTextButton(ToolBlock, "\u21E4", "Justify left", true);
    BtnCenter = AddTextButton(ToolBlock, "\u2194", "Justify center", true);
    BtnRight = AddTextButton(ToolBlock, "\u21E5", "Justify right", true);
    BtnOrder = AddTextButton(ToolBlock, "1.", "Order list", true);
    BtnUnorder = AddTextButton(ToolBlock, "\u2022", "Unorder list", true);
    BtnIndent = AddTextButton(ToolBlock, "\u2192", "Indent block", false);
    BtnOutdent = AddTextButton(ToolBlock, "\u2190", "Outdent block", false);
    BtnLink = AddTextButton(ToolBlock, "\U0001F517", "Link", false);

    // ---- menus
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = AddEntry(File1, "&New", QKeySequence::New);
    Open1 = AddEntry(File1, "&Open", QKeySequence::Open);
    Save1 = AddEntry(File1, "&Save", QKeySequence::Save);
    SaveAs1 = AddEntry(File1, "Save &As");
    File1->addSeparator();
    RecentFiles1 = File1->addMenu(QStringLiteral("&Recent Files"));
    File1->addSeparator();
    Print1 = AddEntry(File1, "&Print", QKeySequence::Print);
    File1->addSeparator();
    Exit1 = AddEntry(File1, "E&xit");

    Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
    Undo1 = BtnUndo;
    Undo1->setText(QStringLiteral("&Undo"));
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 = BtnRedo;
    Redo1->setText(QStringLiteral("&Redo"));
    Redo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    Cut1 = BtnCut;
    Cut1->setText(QStringLiteral("&Cut"));
    Cut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = BtnCopy;
    Copy1->setText(QStringLiteral("C&opy"));
    Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = BtnPaste;
    Paste1->setText(QStringLiteral("&Paste"));
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    Edit1->addActions({Undo1, Redo1});
    Edit1->addSeparator();
    Edit1->addActions({Cut1, Copy1, Paste1});
    Edit1->addSeparator();
    // Find has a menu entry of its own: it is enabled in the code view as a button but not as an entry.
    Find1 = AddEntry(Edit1, "&Find ...", QKeySequence(Qt::CTRL | Qt::Key_F));

    View1 = menuBar()->addMenu(QStringLiteral("&View"));
    Objects1 = AddEntry(View1, "&Objects");
    Properties1 = AddEntry(View1, "&Properties");
    Entities1 = AddEntry(View1, "&Entities");
    IconPacks1 = AddEntry(View1, "&Icon Packs");
    for (QAction* a : {Objects1, Properties1, Entities1, IconPacks1})
        a->setCheckable(true);
    Properties1->setVisible(false);

    Tables1 = menuBar()->addMenu(QStringLiteral("&Tables"));
    InsertTable1 = AddEntry(Tables1, "Insert Table ...");
    Tables1->addSeparator();
    InsertRowAbove1 = AddEntry(Tables1, "Insert Row Above");
    InsertRowBelow1 = AddEntry(Tables1, "Insert Row Below");
    DeleteRows1 = AddEntry(Tables1, "Delete Rows");
    Tables1->addSeparator();
    InsertColumnBefore1 = AddEntry(Tables1, "Insert Column Before");
    InsertColumnAfter1 = AddEntry(Tables1, "Insert Column After");
    DeleteColumns1 = AddEntry(Tables1, "Delete Columns");
    Tables1->addSeparator();
    MergeCells1 = AddEntry(Tables1, "Merge Cells");
    UnmergeCells1 = AddEntry(Tables1, "Unmerge Cells");
    FixTableLayout1 = AddEntry(Tables1, "Fix Table Layout");
    HorizontalAlignment1 = Tables1->addMenu(QStringLiteral("Horizontal Alignment"));
    Left1 = AddEntry(HorizontalAlignment1, "Left");
    Center1 = AddEntry(HorizontalAlignment1, "Center");
    Right1 = AddEntry(HorizontalAlignment1, "Right");
    VerticalAlignment1 = Tables1->addMenu(QStringLiteral("Vertical Alignment"));
    op1 = AddEntry(VerticalAlignment1, "Top");
    Middle1 = AddEntry(VerticalAlignment1, "Middle");
    Bottom1 = AddEntry(VerticalAlignment1, "Bottom");
    Tables1->addSeparator();
    ableProperties1 = AddEntry(Tables1, "Table Properties");

    Tools1 = menuBar()->addMenu(QStringLiteral("T&ools"));
    PageProperties1 = AddEntry(Tools1, "&Page Properties");
    SpellCheck1 = AddEntry(Tools1, "Spell Check ...");
    PreviewinBrowser1 = AddEntry(Tools1, "Preview in Browser ...");
    emplates1 = AddEntry(Tools1, "Templates ...");
    ButtonGenerators1 = AddEntry(Tools1, "Button Generators ...");

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Contents1 = AddEntry(Help1, "&Contents ...");
    About1 = AddEntry(Help1, "&About");

    // Not there yet: the help contents and the about box.
    Unavailable({Objects1, Properties1, Entities1, Contents1, About1});
    // The table commands wait for a table: Tables1Click enables them when the menu opens.
    for (QAction* a : {InsertRowAbove1, InsertRowBelow1, DeleteRows1, InsertColumnBefore1, InsertColumnAfter1,
                       DeleteColumns1, MergeCells1, UnmergeCells1, FixTableLayout1})
        a->setEnabled(false);
    HorizontalAlignment1->setEnabled(false);
    VerticalAlignment1->setEnabled(false);

    // ---- wiring
    connect(File1, &QMenu::aboutToShow, this, &TFormMain::File1Click);
    connect(Edit1, &QMenu::aboutToShow, this, &TFormMain::Edit1Click);
    for (QAction* a : {New1, BtnNew})
        connect(a, &QAction::triggered, this, [this] { FFileManager->New(); });
    connect(Open1, &QAction::triggered, this, [this] { FFileManager->Open(); });
    connect(BtnOpen, &QToolButton::clicked, Open1, &QAction::trigger);
    // The tool button saves whatever state the menu entry was left in.
    for (QAction* a : {Save1, BtnSave})
        connect(a, &QAction::triggered, this, [this] { FFileManager->Save(); });
    connect(SaveAs1, &QAction::triggered, this, [this] { FFileManager->SaveAs(); });
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    PopupRecent = new QMenu(this);
    connect(PopupRecent, &QMenu::aboutToShow, this, [this] { FFileManager->BuildMRUMenu(PopupRecent); });
    BtnOpen->setMenu(PopupRecent);

    connect(BtnCut, &QAction::triggered, this, [this] { RunChange(&THtmlDesigner::Cut, &QsciScintilla::cut); });
    connect(BtnPaste, &QAction::triggered, this, [this] { RunChange(&THtmlDesigner::Paste, &QsciScintilla::paste); });
    connect(BtnUndo, &QAction::triggered, this, [this] { RunChange(&THtmlDesigner::Undo, &QsciScintilla::undo); });
    connect(BtnRedo, &QAction::triggered, this, [this] { RunChange(&THtmlDesigner::Redo, &QsciScintilla::redo); });
    connect(BtnCopy, &QAction::triggered, this, [this] {
        if (FActiveView == VIEW_DESIGNER)
            FDesigner->Copy();
        else if (FActiveView == VIEW_CODE)
            FCodeEditor->copy();
    });
    for (QAction* a : {Find1, BtnFind})
        connect(a, &QAction::triggered, this, [this] {
            if (FActiveView == VIEW_DESIGNER)
                FDesigner->Find();
        });
    connect(BtnTag, &QAction::triggered, this, [this] {
        FDesigner->SetShowTagGlyphs(!FDesigner->ShowTagGlyphs());
        UpdateToolbar();
    });

    const std::pair<QAction*, void (THtmlDesigner::*)()> formats[] = {
        {BtnLink, &THtmlDesigner::Hyperlink}, {BtnLeft, &THtmlDesigner::JustifyLeft},
        {BtnCenter, &THtmlDesigner::JustifyCenter}, {BtnRight, &THtmlDesigner::JustifyRight},
        {BtnOrder, &THtmlDesigner::OrderList}, {BtnUnorder, &THtmlDesigner::UnorderList},
        {BtnIndent, &THtmlDesigner::Indent}, {BtnOutdent, &THtmlDesigner::Outdent},
        {BtnBold, &THtmlDesigner::Bold}, {BtnItalic, &THtmlDesigner::Italic},
        {BtnUnderline, &THtmlDesigner::Underline},
    };
    for (const auto& [action, command] : formats)
        connect(action, &QAction::triggered, this, [this, command = command] { RunFormat(command); });
    connect(ComboFontName, &TFontComboBox97::FontChange, this, &TFormMain::FontNameChange);
    // A press on the main part gives the button's colour again; a colour from the popup becomes it.
    BtnForeColor->OnClick = BtnForeColor->OnChange = [this](QWidget*) { ForeColorChange(BtnForeColor->Color()); };
    BtnBackColor->OnClick = BtnBackColor->OnChange = [this](QWidget*) { BackColorChange(BtnBackColor->Color()); };
    connect(ComboFontSize, &QComboBox::currentIndexChanged, this, &TFormMain::FontSizeChange);
    connect(ComboBlockFormat, &QComboBox::currentIndexChanged, this, &TFormMain::BlockFormatChange);

    connect(PreviewinBrowser1, &QAction::triggered, this, &TFormMain::PreviewinBrowser1Click);
    // Print: the edits of the view on show go into the document first, as when the view is left.
    connect(Print1, &QAction::triggered, this, [this] {
        try {
            CommitView(FActiveView);
        } catch (const Exception& e) {
            MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
            return;
        }
        PrintDocument(this, FDesigner);
    });

    // ---- Tables menu: the commands run in the design view whatever view is on show
    connect(Tables1, &QMenu::aboutToShow, this, &TFormMain::Tables1Click);
    const std::pair<QAction*, void (THtmlDesigner::*)()> tableCommands[] = {
        {InsertRowAbove1, &THtmlDesigner::InsertRowAbove}, {InsertRowBelow1, &THtmlDesigner::InsertRowBelow},
        {DeleteRows1, &THtmlDesigner::DeleteRows}, {InsertColumnBefore1, &THtmlDesigner::InsertColumnBefore},
        {InsertColumnAfter1, &THtmlDesigner::InsertColumnAfter}, {DeleteColumns1, &THtmlDesigner::DeleteColumns},
        {MergeCells1, &THtmlDesigner::MergeCells}, {UnmergeCells1, &THtmlDesigner::UnmergeCells},
        {FixTableLayout1, &THtmlDesigner::FixTable},
    };
    for (const auto& [action, command] : tableCommands)
        connect(action, &QAction::triggered, this, [this, command = command] {
            (FDesigner->*command)();
            TableCommandDone();
        });
    const std::pair<QAction*, const char*> alignments[] = {
        {Left1, "left"}, {Center1, "center"}, {Right1, "right"}, {op1, "top"}, {Middle1, "middle"}, {Bottom1, "bottom"},
    };
    for (const auto& [action, align] : alignments) {
        const bool horizontal = action == Left1 || action == Center1 || action == Right1;
        connect(action, &QAction::triggered, this, [this, horizontal, value = QString::fromLatin1(align)] {
            if (horizontal)
                FDesigner->SetCellHorzAlign(value);
            else
                FDesigner->SetCellVertAlign(value);
            TableCommandDone();
        });
    }
    connect(emplates1, &QAction::triggered, this, &TFormMain::emplates1Click);
}

void TFormMain::Tables1Click()
{
    MergeCells1->setEnabled(FDesigner->CanMergeCells());
    UnmergeCells1->setEnabled(FDesigner->CanUnmergeCells());
    InsertRowAbove1->setEnabled(FDesigner->CanInsertRowAbove());
    InsertRowBelow1->setEnabled(FDesigner->CanInsertRowBelow());
    DeleteRows1->setEnabled(FDesigner->CanDeleteRows());
    InsertColumnBefore1->setEnabled(FDesigner->CanInsertColumnBefore());
    InsertColumnAfter1->setEnabled(FDesigner->CanInsertColumnAfter());
    DeleteColumns1->setEnabled(FDesigner->CanDeleteColumns());
    FixTableLayout1->setEnabled(FDesigner->CanFixTable());
    HorizontalAlignment1->setEnabled(FDesigner->CanSetCellHorzAlign());
    VerticalAlignment1->setEnabled(FDesigner->CanSetCellVertAlign());
}

void TFormMain::TableCommandDone()
{
    // The menu leaves it open whether these commands mark the document; a table edited and then closed
    // without the question would lose the edit, so a change of the page marks it as any other change does.
    DesignerPageChange();
    UpdateToolbar();
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
    // The built-in colours always apply: no settings section holds highlighter colours.
    LoadHighlighterColors(FHighlighter, nullptr, QString());
    FCodeEditor = new QsciScintilla(PanelMain);
    FCodeEditor->setUtf8(true);
    FCodeEditor->setLexer(FHighlighter);
    SetupCodeEditor(FCodeEditor);
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

    // The tag-tree page: the tree, a splitter and, on the right, 200 pixels of sheets for the selected node.
    FTagTreePage = new QWidget(PanelMain);
    auto* tagLayout = new QVBoxLayout(FTagTreePage);
    tagLayout->setContentsMargins(0, 0, 0, 0);
    SplitTag = new QSplitter(Qt::Horizontal, FTagTreePage);
    SplitTag->setObjectName(QStringLiteral("SplitTag"));
    SplitTag->setChildrenCollapsible(false);
    TreeTag = new QTreeWidget(SplitTag);
    TreeTag->setObjectName(QStringLiteral("TreeTag"));
    TreeTag->setHeaderHidden(true);
    TreeTag->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selected node's attributes, styles or text, edited in place and written back on commit.
    FTagProperties = new TTagProperties(SplitTag);
    SplitTag->addWidget(TreeTag);
    SplitTag->addWidget(FTagProperties);
    SplitTag->setStretchFactor(0, 1);
    SplitTag->setStretchFactor(1, 0);
    SplitTag->setSizes({600, 200});
    tagLayout->addWidget(SplitTag);
    FTagProperties->Attach(TreeTag, [this] { return FTagTreeDocument.get(); });
    // An edit on the tag-tree page marks the document too: otherwise closing the window or the Save
    // entry would not know of it and the edit would be lost without a question. Moving through the rows
    // only flags the page for its commit.
    FTagProperties->OnRowSelected = [this] { FViewEdited = true; };
    FTagProperties->OnEdited = [this] {
        FViewEdited = true;
        FFileManager->SetModified(true);
    };

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
    DockManager->LoadLayout(ConfigIni());
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

    DockManager->SaveLayout(ConfigIni());

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
    if (view == VIEW_TAGTREE && FTagTreeDocument) {
        FTagProperties->CommitNodeProperties();
        QBuffer stream;
        stream.open(QIODevice::WriteOnly);
        WriteHtmlDocument(stream, FTagTreeDocument.get());
        const QByteArray utf16 = stream.data();
        FDesigner->SetHtml(QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2));
    }
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
        // The node on show belongs to the document about to go: clearing the tree must not write into it.
        FTagProperties->Forget();
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

// Levels of the tag tree that are built below its root.
constexpr int MaxTagTreeDepth = 1000;

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
    // Unclosed tags nest as deep as a page is long; a tree deeper than a person can open is not built
    // (it would exhaust the stack), and its subtree is marked as one that failed.
    if (FTreeDepth >= MaxTagTreeDepth)
        throw Exception(QStringLiteral("The tag tree is nested too deeply to show"));
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(TreeTag, {text});
    struct TDepth
    {
        int& Depth;
        explicit TDepth(int& d) : Depth(++d) {}
        ~TDepth() { --Depth; }
    } depth(FTreeDepth);
    for (THtmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        try {
            AddTreeNode(child, item);
        } catch (...) {
            // A subtree that fails labels its parent; the other children still follow.
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
    const bool designer = FActiveView == VIEW_DESIGNER;
    for (QWidget* w : std::initializer_list<QWidget*>{ToolFormatting, ToolBlock, ComboFontName, ComboFontSize,
                                                     ComboBlockFormat})
        w->setEnabled(designer);
    BtnForeColor->SetEnabled(designer);
    BtnBackColor->SetEnabled(designer);
    UpdateStandardButtons();
    if (designer)
        UpdateFormatting();
}

void TFormMain::UpdateStandardButtons()
{
    // The Find entry's shortcut must follow the view on show, not the view the Edit menu last opened in.
    Find1->setEnabled(FActiveView == VIEW_DESIGNER);
    switch (FActiveView) {
    case VIEW_DESIGNER:
        BtnCut->setEnabled(FDesigner->CanCut());
        BtnCopy->setEnabled(FDesigner->CanCopy());
        BtnPaste->setEnabled(FDesigner->CanPaste());
        BtnUndo->setEnabled(FDesigner->CanUndo());
        BtnRedo->setEnabled(FDesigner->CanRedo());
        BtnFind->setEnabled(FDesigner->CanFind());
        BtnTag->setEnabled(true);
        BtnTag->setChecked(FDesigner->ShowTagGlyphs());
        break;
    case VIEW_CODE:
        BtnCut->setEnabled(true);
        BtnCopy->setEnabled(true);
        BtnPaste->setEnabled(FCodeEditor->SendScintilla(QsciScintilla::SCI_CANPASTE) != 0);
        BtnUndo->setEnabled(FCodeEditor->isUndoAvailable());
        BtnRedo->setEnabled(FCodeEditor->isRedoAvailable());
        BtnFind->setEnabled(true);
        BtnTag->setEnabled(false);
        break;
    default:
        for (QAction* a : {BtnCut, BtnCopy, BtnPaste, BtnUndo, BtnRedo, BtnFind, BtnTag})
            a->setEnabled(false);
        break;
    }
}

void TFormMain::UpdateFormatting()
{
    QString name;
    FDesigner->GetSelectionTagName(name);
    FStatusPanels[1]->setText(name);
    FUpdating = true;
    BtnLink->setEnabled(FDesigner->CanHyperlink());
    const struct
    {
        QAction* Button;
        bool (THtmlDesigner::*Can)();
        bool (THtmlDesigner::*Is)();
    } latched[] = {
        {BtnLeft, &THtmlDesigner::CanJustifyLeft, &THtmlDesigner::IsJustifyLeft},
        {BtnCenter, &THtmlDesigner::CanJustifyCenter, &THtmlDesigner::IsJustifyCenter},
        {BtnRight, &THtmlDesigner::CanJustifyRight, &THtmlDesigner::IsJustifyRight},
        {BtnOrder, &THtmlDesigner::CanOrderList, &THtmlDesigner::IsOrderList},
        {BtnUnorder, &THtmlDesigner::CanUnorderList, &THtmlDesigner::IsUnorderList},
        {BtnIndent, &THtmlDesigner::CanIndent, nullptr},
        {BtnOutdent, &THtmlDesigner::CanOutdent, nullptr},
        {BtnBold, &THtmlDesigner::CanBold, &THtmlDesigner::IsBold},
        {BtnItalic, &THtmlDesigner::CanItalic, &THtmlDesigner::IsItalic},
        {BtnUnderline, &THtmlDesigner::CanUnderline, &THtmlDesigner::IsUnderline},
    };
    for (const auto& b : latched) {
        b.Button->setEnabled((FDesigner->*b.Can)());
        if (b.Is)
            b.Button->setChecked((FDesigner->*b.Is)());
    }
    BtnForeColor->SetEnabled(FDesigner->CanForeColor());
    BtnBackColor->SetEnabled(FDesigner->CanBackColor());
    const bool blockFormat = FDesigner->CanBlockFormat();
    ComboBlockFormat->setEnabled(blockFormat);
    ComboBlockFormat->setCurrentIndex(blockFormat ? ComboBlockFormat->findText(FDesigner->GetBlockFormat()) : -1);
    const bool fontName = FDesigner->CanFontName();
    ComboFontName->setEnabled(fontName);
    ComboFontName->SetFontName(fontName ? FDesigner->GetFontName() : QString());
    const bool fontSize = FDesigner->CanFontSize();
    ComboFontSize->setEnabled(fontSize);
    ComboFontSize->setCurrentIndex(fontSize ? std::clamp(FDesigner->GetFontSize() - 1, -1, 6) : -1);
    FUpdating = false;
}

void TFormMain::RunChange(void (THtmlDesigner::*designerCommand)(), void (QsciScintilla::*editorCommand)())
{
    if (FActiveView == VIEW_DESIGNER) {
        (FDesigner->*designerCommand)();
        UpdateToolbar();
    } else if (FActiveView == VIEW_CODE) {
        (FCodeEditor->*editorCommand)();
    }
    FFileManager->SetModified(true);
    // The page's change is taken in here; it need not be found again on the next key or mouse release.
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    UpdateStandardButtons();
}

void TFormMain::RunFormat(void (THtmlDesigner::*designerCommand)())
{
    // Formatting runs in the design view whatever view is on show; its buttons are only enabled there.
    (FDesigner->*designerCommand)();
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    UpdateToolbar();
}

void TFormMain::ValueCommandDone()
{
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    // Undo is offered at once, not only after the next key or click in the page.
    UpdateStandardButtons();
}

void TFormMain::FontNameChange(const QString& name)
{
    if (FUpdating)
        return;
    FDesigner->SetFontName(name);
    ValueCommandDone();
}

void TFormMain::FontSizeChange(int index)
{
    if (FUpdating || index < 0)
        return;
    FDesigner->SetFontSize(index + 1);
    ValueCommandDone();
}

void TFormMain::BlockFormatChange(int index)
{
    if (FUpdating || index < 0)
        return;
    FDesigner->SetBlockFormat(ComboBlockFormat->itemText(index));
    ValueCommandDone();
}

void TFormMain::ForeColorChange(std::uint32_t color)
{
    FDesigner->SetForeColor(color);
    ValueCommandDone();
}

void TFormMain::BackColorChange(std::uint32_t color)
{
    FDesigner->SetBackColor(color);
    ValueCommandDone();
}

void TFormMain::File1Click()
{
    FFileManager->BuildMRUMenu(RecentFiles1);
    Save1->setEnabled(FFileManager->Modified());
    SaveAs1->setEnabled(true);
}

void TFormMain::Edit1Click()
{
    // The entries are the buttons' own actions; their states are brought up to date as the menu opens.
    UpdateStandardButtons();
    Find1->setEnabled(FActiveView == VIEW_DESIGNER);
}

bool TFormMain::RequireSavedDocument()
{
    if (!FFileManager->FileName().isEmpty())
        return true;
    const int answer = MessageDlg(
        QStringLiteral("To insert this element, you need to save the document first. This is to ensure correct "
                       "relative-path calculation and to avoid absolute paths which will not always work, i.e. "
                       "missing images, incorrect links, etc. Save the document first?"),
        TMsgDlgType::mtInformation, mbYes | mbNo | mbCancel);
    if (answer != mrYes)
        return false;
    FFileManager->Save();
    return !FFileManager->FileName().isEmpty();
}

void TFormMain::PreviewinBrowser1Click()
{
    if (FFileManager->Modified())
        FFileManager->Save();
    const QString fileName = FFileManager->FileName();
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile())
        ShellOpen(QUrl::fromLocalFile(fileName));
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
    FUndoCountSeen = FDesigner->ReportedUndoCount();
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
    FUndoCountSeen = FDesigner->ReportedUndoCount();
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
    // A page loaded anew (also the previous document shown again after a failed open, or the page made
    // again after its process died) starts its undo record from nothing.
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    QString title;
    try {
        FDesigner->GetDocumentTitle(title);
    } catch (const Exception&) {
        title.clear();
    }
    FApplicationTitle = title.isEmpty() ? SProductName : SProductName + QStringLiteral(" - ") + title;
    setWindowTitle(FApplicationTitle);
    {
        QStringList formats;
        FDesigner->GetBlockFormats(formats);
        const QSignalBlocker block(ComboBlockFormat);
        ComboBlockFormat->clear();
        ComboBlockFormat->addItems(formats);
    }
    UpdateToolbar();
}

void TFormMain::DesignerContentChange()
{
    UpdateToolbar();
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
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
    // The count the page reported with its last message or answer: every change sends one, so a change
    // not seen yet is seen with its own message, without asking the page on every key.
    const int count = FDesigner->ReportedUndoCount();
    if (count != FUndoCountSeen) {
        FUndoCountSeen = count;
        FFileManager->SetModified(true);
    }
}

// ---- entity panel and About box

void TFormMain::CreateEntityPanel()
{
    PanelEntities = new QDockWidget(QStringLiteral("Entities"), this);
    PanelEntities->setObjectName(QStringLiteral("PanelEntities"));
    PageControl2 = new QTabWidget(PanelEntities);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    for (const char* caption : {"Common", "Math", "Latin", "Greek"}) {
        auto* sheet = new QWidget(PageControl2);
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        PageControl2->addTab(sheet, QString::fromLatin1(caption));
    }
    PanelEntities->setWidget(PageControl2);
    DockManager->RegisterPanel(PanelEntities, Qt::RightDockWidgetArea, 200);

    EntityView = new TEntityView(PageControl2->widget(0));
    EntityView->setObjectName(QStringLiteral("EntityView"));
    PageControl2->widget(0)->layout()->addWidget(EntityView);
    EntityView->OnSelect = [this](TEntityView*, const QString& entity) { EntitySelect(entity); };
    // The tiles are as wide as the longest reference in the panel's font, so every name reads whole.
    EntityView->SetItemWidth(EntityTileWidth(EntityView->font()));
    FillEntityList(EntityView, 0);
    connect(PageControl2, &QTabWidget::currentChanged, this, &TFormMain::PageControl2Change);

    Entities1->setEnabled(true);
    Entities1->setChecked(true);
    connect(Entities1, &QAction::triggered, PanelEntities, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { Entities1->setChecked(PanelEntities->isVisible()); });

    FormAbout = new TFormAbout(this);
    About1->setEnabled(true);
    connect(About1, &QAction::triggered, FormAbout, &QDialog::exec);
}

void TFormMain::PageControl2Change(int index)
{
    // One view serves every sheet: it moves onto the sheet on show and takes that sheet's group.
    QWidget* sheet = PageControl2->widget(index);
    if (!sheet)
        return;
    sheet->layout()->addWidget(EntityView);
    FillEntityList(EntityView, index);
}

void TFormMain::EntitySelect(const QString& entity)
{
    if (FActiveView == VIEW_DESIGNER) {
        FDesigner->InsertHtml(entity);
    } else if (FActiveView == VIEW_CODE) {
        // The editor's own change event marks the document modified.
        FCodeEditor->replaceSelectedText(entity);
        int line = 0;
        int index = 0;
        FCodeEditor->getCursorPosition(&line, &index);
        FCodeEditor->setSelection(line, index, line, index);
    }
}

// ---- button wizard

void TFormMain::ButtonGenerators1Click()
{
    if (FActiveView != VIEW_DESIGNER || !RequireSavedDocument())
        return;
    FormButtonWizard->BaseFolder = QFileInfo(FFileManager->FileName()).absolutePath() + QLatin1Char('/');
    FormButtonWizard->exec();
    if (!FormButtonWizard->Saved())
        return;
    const TOpenTag image = FDesigner->Filter()->NewImage(FormButtonWizard->EditFileName->text());
    FDesigner->InsertHtml(image.Html + QLatin1Char('>'));
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    UpdateToolbar();
}

// ---- Objects palette

void TFormMain::CreateObjectsPanel()
{
    PanelObjects = new QDockWidget(QStringLiteral("Objects"), this);
    PanelObjects->setObjectName(QStringLiteral("PanelObjects"));
    ToolManager = new TToolManager(PanelObjects);
    ToolManager->setObjectName(QStringLiteral("ToolManager"));
    PanelObjects->setWidget(ToolManager);
    DockManager->RegisterPanel(PanelObjects, Qt::LeftDockWidgetArea, 65);

    ToolManager->SetDesigner(FDesigner);
    ToolManager->SetImages(LoadToolImages());
    ToolManager->OnRequireSavedDocument = [this] { return RequireSavedDocument(); };
    ToolManager->OnChange = [this](TToolManager*) {
        FFileManager->SetModified(true);
        UpdateToolbar();
        FUndoCountSeen = FDesigner->ReportedUndoCount();
    };
    LoadTools(*ToolManager);
    connect(PageProperties1, &QAction::triggered, this, &TFormMain::PageProperties1Click);
    connect(FDesigner, &THtmlDesigner::OnDblClick, this, [this] {
        const TEngineElement element = FDesigner->DoubleClickedElement();
        if (element.IsValid())
            ToolManager->EditByDoubleClick(element);
    });
    // The Tables menu's own dialogs are the table tool's; Table Properties edits the current table.
    connect(InsertTable1, &QAction::triggered, this, [this] { ToolManager->ExecuteTool<TToolTable>(); });
    connect(ableProperties1, &QAction::triggered, this,
            [this] { ToolManager->EditByDoubleClick(FDesigner->GetCurrentTable()); });

    Objects1->setEnabled(true);
    Objects1->setChecked(true);
    connect(Objects1, &QAction::triggered, PanelObjects, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { Objects1->setChecked(PanelObjects->isVisible()); });
}

// ---- spell checker

void TFormMain::CreateSpellChecker()
{
    FSpellChecker = std::make_unique<TSpellChecker>();
    FormSpellCheck = new TFormSpellCheck(this);
    FDesigner->OnSpellCheck = [this](QObject*, const QString& word, bool& needCorrection) {
        needCorrection = !FSpellChecker->IsWord(NarrowWord(word));
    };
    FDesigner->OnSpellSuggest = [this](QObject*, const QRect& rc, QString& word, bool& corrected, bool& canceled) {
        const QRect onScreen(FDesigner->View()->mapToGlobal(rc.topLeft()), rc.size());
        AskSpellCorrection(FormSpellCheck, *FSpellChecker, onScreen, word, corrected, canceled);
    };
    SpellCheck1->setEnabled(true);
    connect(SpellCheck1, &QAction::triggered, this, &TFormMain::SpellCheck1Click);
}

void TFormMain::SpellCheck1Click()
{
    // The check walks the design view: it comes on show first, with the edits of the view being left.
    if (FActiveView != VIEW_DESIGNER)
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    if (FActiveView != VIEW_DESIGNER)
        return;
    if (!FWordListLoaded) {
        if (!LoadWordList(*FSpellChecker))
            return;
        FWordListLoaded = true;
    }
    // A correction is a change of the page like any other, also when the engine failed after it.
    try {
        FDesigner->SpellCheck();
    } catch (...) {
        DesignerPageChange();
        UpdateToolbar();
        throw;
    }
    DesignerPageChange();
    UpdateToolbar();
}
// ---- templates and the icon panel

void TFormMain::emplates1Click()
{
    if (!RequireSavedDocument())
        return;
    // Only the design view holds a selection; in another view the one it last had is not what is on show.
    if (FActiveView != VIEW_DESIGNER || FDesigner->GetSelectionType() == 0) {
        MessageDlg(QStringLiteral("To apply a template to the current document, you need to select the text that "
                                  "you want to be preserved as the main content."),
                   TMsgDlgType::mtError, mbOK);
        return;
    }
    if (!FormTemplate)
        FormTemplate = new TFormTemplate(this);
    FormTemplate->exec();
    if (!FormTemplate->Accepted())
        return;
    try {
        FDesigner->ApplyTemplate(FormTemplate->TemplatePath);
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    UpdateToolbar();
}

void TFormMain::IconPackSelect(TIconPack* Pack, const QString& Name, int Index)
{
    if (FActiveView != VIEW_DESIGNER || !RequireSavedDocument())
        return;
    try {
        Pack->ExtractIcon(Index, QFileInfo(FFileManager->FileName()).absolutePath() + QStringLiteral("/images"));
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    QString src = QStringLiteral("images/") + Name;
    src.replace(QLatin1Char('\\'), QLatin1Char('/'));
    FDesigner->InsertHtml(FDesigner->Filter()->NewImage(src).Html + QLatin1Char('>'));
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    UpdateToolbar();
}

void TFormMain::CreateIconPanel()
{
    PanelIcons = new QDockWidget(QStringLiteral("Icon Packs"), this);
    PanelIcons->setObjectName(QStringLiteral("PanelIcons"));
    PageControlIcons = new QTabWidget(PanelIcons);
    PageControlIcons->setObjectName(QStringLiteral("PageControlIcons"));
    PanelIcons->setWidget(PageControlIcons);
    // On the right, below the entity panel.
    DockManager->RegisterPanel(PanelIcons, Qt::RightDockWidgetArea, 200);

    IconPackManager = std::make_unique<TIconPackManager>(PageControlIcons);
    IconPackManager->OnSelect = [this](TIconPackManager*, TIconPack* pack, const QString& name, int index) {
        IconPackSelect(pack, name, index);
    };
    IconPackManager->LoadFromFolder(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Icons")));

    IconPacks1->setEnabled(true);
    IconPacks1->setChecked(true);
    connect(IconPacks1, &QAction::triggered, PanelIcons, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { IconPacks1->setChecked(PanelIcons->isVisible()); });
}

void TFormMain::PageProperties1Click()
{
    // The dialog reads and writes the design view's document: edits made in the view on show go there
    // first, and the view is filled again from the result.
    try {
        CommitView(FActiveView);
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    FViewEdited = false;
    if (ExecutePageProperties(*ToolManager) && FActiveView != VIEW_DESIGNER)
        TabControl1Change(FActiveView);
}
