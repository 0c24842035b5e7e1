#include "ToolObjApplet.h"

#include "Dialogs.h"
#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"
#include "UnitSelectClassID.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

// ---------------------------------------------------------------------------------------------------
// The parameter grid

TParamGrid::TParamGrid(QWidget* Parent) : QTableWidget(1, 2, Parent)
{
    setObjectName(QStringLiteral("ParamGrid"));
    setHorizontalHeaderLabels({QStringLiteral("Param Name"), QStringLiteral("Param Value")});
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->hide();
}

void TParamGrid::SetRows(const std::vector<TParamRow>& Rows)
{
    clearContents();
    setRowCount(int(Rows.size()));
    for (int i = 0; i < int(Rows.size()); ++i) {
        setItem(i, 0, new QTableWidgetItem(Rows[size_t(i)].Name));
        setItem(i, 1, new QTableWidgetItem(Rows[size_t(i)].Value));
    }
}

std::vector<TParamRow> TParamGrid::Rows()
{
    // A click on OK takes the focus from an open cell editor, which commits its text; OK pressed by its
    // shortcut (Alt+O) leaves the editor open, so the text typed last is committed here.
    if (state() == EditingState)
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    std::vector<TParamRow> rows;
    for (int i = 0; i < rowCount(); ++i) {
        const QTableWidgetItem* name = item(i, 0);
        const QTableWidgetItem* value = item(i, 1);
        rows.push_back({name ? name->text() : QString(), value ? value->text() : QString()});
    }
    return rows;
}

void TParamGrid::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Down && Event->modifiers() == Qt::NoModifier && currentRow() == rowCount() - 1) {
        const int column = std::max(0, currentColumn());
        insertRow(rowCount());
        setCurrentCell(rowCount() - 1, column);
        return;
    }
    QTableWidget::keyPressEvent(Event);
}

QModelIndex TParamGrid::moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers)
{
    // No cell to go to: the key goes on to the dialog, which moves the focus on.
    const QModelIndex current = currentIndex();
    if (Action == MoveNext && current.row() == rowCount() - 1 && current.column() == columnCount() - 1)
        return {};
    if (Action == MovePrevious && current.isValid() && current.row() == 0 && current.column() == 0)
        return {};
    return QTableWidget::moveCursor(Action, Modifiers);
}

// ---------------------------------------------------------------------------------------------------
// Model

void TObjParamsModel::DoLoad()
{
    Fields = {};
    Rows.clear();
    const THtmlTag* node = AsTag(Node());
    if (!Element) {
        Fields.Width = QStringLiteral("400");
        Fields.Height = QStringLiteral("300");
    } else if (node) {
        Fields.Width = node->GetAttribute(ATTR_WIDTH);
        Fields.Height = node->GetAttribute(ATTR_HEIGHT);
        Fields.Align = node->GetAttribute(ATTR_ALIGN);
        Fields.Title = node->GetAttribute(ATTR_TITLE);
        Fields.Alt = node->GetAttribute(ATTR_ALT);
        Fields.Code = node->GetAttribute(ATTR_CODE);
        Fields.ClassId = node->GetAttribute(ATTR_CLASSID);
        Fields.Codebase = node->GetAttribute(ATTR_CODEBASE);
        Fields.Archive = node->GetAttribute(ATTR_ARCHIVE);
        for (THtmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            if (const THtmlTag* param = child->TagId() == TAG_PARAM ? AsTag(child) : nullptr)
                Rows.push_back({param->GetAttribute(ATTR_NAME), param->GetAttribute(ATTR_VALUE)});
    }
    if (Rows.empty())
        Rows.push_back({});
}

TFieldError TObjParamsModel::Check() const
{
    if (FActiveX && Fields.ClassId.isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify ActiveX Class ID first."), &Fields.ClassId);
    if (!FActiveX && Fields.Code.isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify a compiled Java Applet file first."), &Fields.Code);
    return {};
}

void TObjParamsModel::WriteNode(THtmlTag* Node) const
{
    SetNodeAttribute(Node, ATTR_TITLE, TrimField(Fields.Title));
    SetNodeAttribute(Node, ATTR_ALT, TrimField(Fields.Alt));
    if (FActiveX) {
        SetNodeAttribute(Node, ATTR_CLASSID, TrimField(Fields.ClassId));
        SetNodeAttribute(Node, ATTR_CODEBASE, TrimField(Fields.Codebase));
    } else {
        SetNodeAttribute(Node, ATTR_CODE, TrimField(Fields.Code));
        SetNodeAttribute(Node, ATTR_CODEBASE, TrimField(Fields.Codebase));
        SetNodeAttribute(Node, ATTR_ARCHIVE, TrimField(Fields.Archive));
    }
    // A row names a parameter or is skipped; an emptied value removes the parameter.
    for (const TParamRow& row : Rows) {
        const QString name = TrimField(row.Name);
        if (!name.isEmpty())
            THtmlFilter::SetObjectParam(Node, name, TrimField(row.Value), TParamDefault());
    }
}

QString TObjParamsModel::GetHtml()
{
    const TOpenTag open = FActiveX ? Filter->NewActiveX(Fields.Width, Fields.Height, Fields.Align)
                                   : Filter->NewApplet(Fields.Width, Fields.Height, Fields.Align);
    QString html = open.Html;
    html.chop(1); // the opening's trailing blank: each attribute brings its own
    AppendAttribute(html, QStringLiteral("title"), Fields.Title);
    AppendAttribute(html, QStringLiteral("alt"), Fields.Alt);
    WriteNode(open.Node);
    return html + QLatin1Char('>');
}

void TObjParamsModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    THtmlTag* node = AsTag(EditNode(Writes));
    ApplyPictureBox(Writes, node, TrimField(Fields.Width), TrimField(Fields.Height), Fields.Align);
    if (!node)
        return;
    // The placeholder keeps the title and alternate text it was made with; the node takes the new ones.
    WriteNode(node);
}

// ---------------------------------------------------------------------------------------------------
// Forms

namespace {

// The grid filling its panel.
TParamGrid* NewParamGrid(QWidget* Panel)
{
    Panel->setObjectName(QStringLiteral("Panel1"));
    auto* fill = new QVBoxLayout(Panel);
    fill->setContentsMargins(0, 0, 0, 0);
    auto* grid = new TParamGrid(Panel);
    fill->addWidget(grid);
    return grid;
}

} // namespace

TFormToolObjApplet::TFormToolObjApplet(QWidget* Parent)
    : TTagEditor(QStringLiteral("  Java Applet Properties"), Parent)
{
    TObjParamsModel::TFields& f = FModel.Fields;
    QGridLayout* general = AddPage(QStringLiteral("General"));
    AddUrlEdit(general, "EditCode", "BtnCode", QStringLiteral("Applet File (*.class, *.jar, *.cab)"), f.Code,
               ukApplet);
    SetNumericEdit(AddEdit(general, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(general, "EditHeight", QStringLiteral("Height"), f.Height));
    AddCombo(general, "ComboAlign", QStringLiteral("Alignment"), f.Align, ImageAlignItems(), TComboKind::Editable);
    AddEdit(general, "EditTitle", QStringLiteral("Applet Title"), f.Title);
    AddEdit(general, "EditAlt", QStringLiteral("Alternate Text"), f.Alt);
    general->setRowStretch(general->rowCount(), 1);

    QGridLayout* libraries = AddPage(QStringLiteral("Class Libraries"));
    AddEdit(libraries, "EditCodebase", QStringLiteral("Codebase (base URL of other classes or libraries)"),
            f.Codebase);
    AddEdit(libraries, "EditArchive",
            QStringLiteral("Archive (preloaded libraries, comma separated, relative to codebase)"), f.Archive);
    libraries->setRowStretch(libraries->rowCount(), 1);

    QGridLayout* parameters = AddPage(QStringLiteral("Parameters"));
    auto* panel = new QWidget(parameters->parentWidget());
    parameters->addWidget(panel, 0, 0, 1, 3);
    ParamGrid = NewParamGrid(panel);
    Bind(ParamGrid, &FModel.Rows, [this] { ParamGrid->SetRows(FModel.Rows); },
         [this] { FModel.Rows = ParamGrid->Rows(); });
    // Room for a class id and a few parameters; the palette sizes the dialog to its contents.
    ParamGrid->setMinimumSize(380, 160);
}

TFormToolObjActiveX::TFormToolObjActiveX(QWidget* Parent) : TTagEditor(QStringLiteral("  ActiveX Properties"), Parent)
{
    TObjParamsModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    FEditClassId = AddEdit(page, "EditClassID", QStringLiteral("CLSID"), f.ClassId);
    // A whole class id in its widest letters, with room for the frame.
    FEditClassId->setMinimumWidth(
        FEditClassId->fontMetrics().horizontalAdvance(QStringLiteral("clsid:DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD")) + 16);
    auto* select = new QToolButton(page->parentWidget());
    select->setObjectName(QStringLiteral("BtnSelect"));
    select->setText(QStringLiteral("..."));
    page->addWidget(select, page->rowCount() - 1, 2);
    connect(select, &QToolButton::clicked, this, &TFormToolObjActiveX::BtnSelectClick);
    AddEdit(page, "EditCodeBase", QStringLiteral("Codebase"), f.Codebase);
    SetNumericEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    AddCombo(page, "ComboAlign", QStringLiteral("Alignment"), f.Align, ImageAlignItems(), TComboKind::Editable);
    AddEdit(page, "EditTitle", QStringLiteral("ActiveX Title"), f.Title);
    AddEdit(page, "EditAlt", QStringLiteral("Alternate Text"), f.Alt);
    page->addWidget(new QLabel(QStringLiteral("Parameters"), page->parentWidget()), page->rowCount(), 0, 1, 3);
    auto* panel = new QWidget(page->parentWidget());
    page->addWidget(panel, page->rowCount(), 0, 1, 3);
    ParamGrid = NewParamGrid(panel);
    Bind(ParamGrid, &FModel.Rows, [this] { ParamGrid->SetRows(FModel.Rows); },
         [this] { FModel.Rows = ParamGrid->Rows(); });
    // Room for a class id and a few parameters; the palette sizes the dialog to its contents.
    ParamGrid->setMinimumSize(380, 160);
}

TFormToolObjActiveX::~TFormToolObjActiveX() = default;

TFormSelectClassID* TFormToolObjActiveX::Picker()
{
    if (!FPicker)
        FPicker = std::make_unique<TFormSelectClassID>();
    return FPicker.get();
}

void TFormToolObjActiveX::BtnSelectClick()
{
    TFormSelectClassID* picker = Picker();
    picker->SelectClassId(FEditClassId->text());
    ShowModal(*picker);
    if (picker->Accepted())
        FEditClassId->setText(picker->GetSelectedClassId());
}

// ---------------------------------------------------------------------------------------------------
// Tools

bool TToolObjApplet::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return KeptElement(Element, Filter, TAG_APPLET) != nullptr;
}

bool TToolObjActiveX::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return KeptElement(Element, Filter, TAG_OBJECT) != nullptr;
}
