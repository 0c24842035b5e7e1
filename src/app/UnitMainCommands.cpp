// The main window's commands and tool bar state: menus, tool bars, their wiring and their enabled states.
#include "UnitMain.h"

#include "ComboBox97.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "FontComboBox97.h"
#include "HtmlDesigner.h"
#include "HtmlInplace.h"
#include "PrintTools.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QBitmap>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <algorithm>

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // The window is first on the screen: the window manager has framed it.
    if (type == QEvent::Expose && FPlace && watched == windowHandle() && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &TFormMain::KeepPlace);
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

namespace {

QAction* AddEntry(QMenu* menu, const char* caption, const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setShortcut(shortcut);
    return action;
}

// The pictures of the tool bar buttons: their index in the main window's tool image list.
enum TToolImage {
    imgNew, imgOpen, imgSave, imgCut, imgCopy, imgPaste, imgUndo, imgRedo, imgFind, imgTag,
    imgForeColor, imgBackColor, imgBold, imgItalic, imgUnderline, imgLeft, imgCenter, imgRight,
    imgOrder, imgUnorder, imgIndent, imgOutdent, imgLink
};

// A tool button showing its picture; the hint is its text, shown as its tool tip.
QAction* AddButton(QToolBar* bar, const TImageList& images, TToolImage image, const char* hint, bool checkable = false)
{
    QAction* action = bar->addAction(images.Icon(image), QString::fromLatin1(hint));
    action->setCheckable(checkable);
    return action;
}

// The glyph of a colour tool button: the picture of that index drawn one pixel down on magenta, which is
// transparent, leaving the button's colour bar below it clear.
QPixmap DrawColorButtonGlyph(const TImageList& images, TToolImage image)
{
    QPixmap glyph(images.Width(), images.Height());
    glyph.fill(QColor(255, 0, 255));
    QPainter p(&glyph);
    p.drawImage(0, 1, images.Image(image));
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
    // ---- tool bars first: the Edit menu shares the standard bar's actions
    LoadImageListFromResource(ImgStandard, QStringLiteral("1000"));
    ToolStandard = addToolBar(QStringLiteral("Standard"));
    ToolStandard->setObjectName(QStringLiteral("ToolStandard"));
    BtnNew = AddButton(ToolStandard, ImgStandard, imgNew, "New Document");
    BtnOpen = new QToolButton(ToolStandard);
    BtnOpen->setIcon(ImgStandard.Icon(imgOpen));
    BtnOpen->setToolTip(QStringLiteral("Open Document"));
    BtnOpen->setPopupMode(QToolButton::MenuButtonPopup);
    ToolStandard->addWidget(BtnOpen);
    BtnSave = AddButton(ToolStandard, ImgStandard, imgSave, "Save Document");
    ToolStandard->addSeparator();
    BtnCut = AddButton(ToolStandard, ImgStandard, imgCut, "Cut");
    BtnCopy = AddButton(ToolStandard, ImgStandard, imgCopy, "Copy");
    BtnPaste = AddButton(ToolStandard, ImgStandard, imgPaste, "Paste");
    ToolStandard->addSeparator();
    BtnUndo = AddButton(ToolStandard, ImgStandard, imgUndo, "Undo");
    BtnRedo = AddButton(ToolStandard, ImgStandard, imgRedo, "Redo");
    ToolStandard->addSeparator();
    BtnFind = AddButton(ToolStandard, ImgStandard, imgFind, "Find");
    BtnTag = AddButton(ToolStandard, ImgStandard, imgTag, "Show or hide tag glyphs", true);

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
    BtnBold = AddButton(ToolFormatting, ImgStandard, imgBold, "Bold", true);
    BtnItalic = AddButton(ToolFormatting, ImgStandard, imgItalic, "Italic", true);
    BtnUnderline = AddButton(ToolFormatting, ImgStandard, imgUnderline, "Underline", true);
    ToolFormatting->addSeparator();
    BtnForeColor = new TColorToolButton(ToolFormatting);
    BtnForeColor->setObjectName(QStringLiteral("BtnForeColor"));
    BtnForeColor->setToolTip(QStringLiteral("Font Color"));
    BtnForeColor->setFixedSize(36, 22);
    BtnForeColor->SetGlyph(DrawColorButtonGlyph(ImgStandard, imgForeColor));
    BtnForeColor->SetColor(0);
    ToolFormatting->addWidget(BtnForeColor);
    BtnBackColor = new TColorToolButton(ToolFormatting);
    BtnBackColor->setObjectName(QStringLiteral("BtnBackColor"));
    BtnBackColor->setToolTip(QStringLiteral("Background Color"));
    BtnBackColor->setFixedSize(36, 22);
    BtnBackColor->SetGlyph(DrawColorButtonGlyph(ImgStandard, imgBackColor));
    BtnBackColor->SetColor(0xFFFF);
    ToolFormatting->addWidget(BtnBackColor);

    ToolBlock = addToolBar(QStringLiteral("Block"));
    ToolBlock->setObjectName(QStringLiteral("ToolBlock"));
    ComboBlockFormat = new TComboBox97(ToolBlock);
    ComboBlockFormat->setObjectName(QStringLiteral("ComboBlockFormat"));
    ComboBlockFormat->SetFlat(true);
    ComboBlockFormat->setFixedWidth(120);
    ToolBlock->addWidget(ComboBlockFormat);
    BtnLeft = AddButton(ToolBlock, ImgStandard, imgLeft, "Justify left", true);
    BtnCenter = AddButton(ToolBlock, ImgStandard, imgCenter, "Justify center", true);
    BtnRight = AddButton(ToolBlock, ImgStandard, imgRight, "Justify right", true);
    BtnOrder = AddButton(ToolBlock, ImgStandard, imgOrder, "Order list", true);
    BtnUnorder = AddButton(ToolBlock, ImgStandard, imgUnorder, "Unorder list", true);
    BtnIndent = AddButton(ToolBlock, ImgStandard, imgIndent, "Indent block");
    BtnOutdent = AddButton(ToolBlock, ImgStandard, imgOutdent, "Outdent block");
    BtnLink = AddButton(ToolBlock, ImgStandard, imgLink, "Link");

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
    TakePageVersion();
    UpdateStandardButtons();
}

void TFormMain::RunFormat(void (THtmlDesigner::*designerCommand)())
{
    // Formatting runs in the design view whatever view is on show; its buttons are only enabled there.
    (FDesigner->*designerCommand)();
    FFileManager->SetModified(true);
    TakePageVersion();
    UpdateToolbar();
}

void TFormMain::ValueCommandDone()
{
    FFileManager->SetModified(true);
    TakePageVersion();
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
