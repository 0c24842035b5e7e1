#include "ToolTable.h"

#include "EngineBridge.h"
#include "HtmlAttributes.h"
#include "HtmlDesigner.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTables.h"
#include "HtmlTags.h"
#include "PickUrls.h"

#include <QGridLayout>
#include <QLineEdit>
#include <algorithm>

namespace {

const QString LayoutClass = QStringLiteral("dsgn_layout");

// The design view outlines a table drawn without a border.
bool IsBorderless(const QString& Border)
{
    return Border.isEmpty() || Border == QLatin1String("0");
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Model

int TTableToolModel::GridCount(const QString& Text, int Default)
{
    bool ok = false;
    const int count = TrimField(Text).toInt(&ok);
    if (!ok)
        return Default;
    return std::clamp(count, 0, MaxGrid);
}

void TTableToolModel::DoLoad()
{
    Fields = {};
    if (!Element) {
        Fields.Width = QStringLiteral("100%");
        Fields.Cols = QStringLiteral("4");
        Fields.Rows = QStringLiteral("4");
        Fields.Border = QStringLiteral("1");
        return;
    }
    Fields.Cols = QString::number(GetElementAttribute(*Element, QStringLiteral("cols")).toInt());
    Fields.Rows = QString::number(PageRows);
    // The document's own size: the page shows a size dragged in the design view. A table without a
    // source node (pasted from elsewhere) has only the page's.
    if (const THtmlTag* node = AsTag(Node())) {
        Fields.Width = node->GetAttribute(ATTR_WIDTH);
        Fields.Height = node->GetAttribute(ATTR_HEIGHT);
    } else {
        Fields.Width = GetElementAttribute(*Element, QStringLiteral("width"));
        Fields.Height = GetElementAttribute(*Element, QStringLiteral("height"));
    }
    Fields.Align = GetElementAttribute(*Element, QStringLiteral("align"));
    Fields.Padding = GetElementAttribute(*Element, QStringLiteral("cellpadding"));
    Fields.Spacing = GetElementAttribute(*Element, QStringLiteral("cellspacing"));
    Fields.Summary = GetElementAttribute(*Element, QStringLiteral("summary"));
    Fields.BgColor = GetElementAttribute(*Element, QStringLiteral("bgcolor"));
    Fields.Background = GetElementAttribute(*Element, QStringLiteral("background"));
    Fields.Frame = GetElementAttribute(*Element, QStringLiteral("frame"));
    Fields.Border = GetElementAttribute(*Element, QStringLiteral("border"));
    Fields.Inner = GetElementAttribute(*Element, QStringLiteral("rules"));
    Fields.BorderColor = GetElementAttribute(*Element, QStringLiteral("bordercolor"));
    Fields.BorderLight = GetElementAttribute(*Element, QStringLiteral("bordercolorlight"));
    Fields.BorderDark = GetElementAttribute(*Element, QStringLiteral("bordercolordark"));
}

QString TTableToolModel::GetHtml()
{
    // The builder keeps the size on the source node too, so the new table keeps it when saved.
    const QString width = TrimField(Fields.Width).isEmpty() ? QStringLiteral("80%") : Fields.Width;
    QString html = Filter->NewTable(TrimField(Fields.Border), width, Fields.Height).Html;
    html.chop(1); // the opening's trailing blank: each attribute brings its own
    AppendAttribute(html, QStringLiteral("align"), Fields.Align);
    AppendAttribute(html, QStringLiteral("cellpadding"), Fields.Padding);
    AppendAttribute(html, QStringLiteral("cellspacing"), Fields.Spacing);
    AppendAttribute(html, QStringLiteral("summary"), Fields.Summary);
    AppendAttribute(html, QStringLiteral("bgcolor"), Fields.BgColor);
    AppendAttribute(html, QStringLiteral("background"), Fields.Background);
    AppendAttribute(html, QStringLiteral("frame"), Fields.Frame);
    AppendAttribute(html, QStringLiteral("border"), Fields.Border);
    AppendAttribute(html, QStringLiteral("rules"), Fields.Inner);
    AppendAttribute(html, QStringLiteral("bordercolor"), Fields.BorderColor);
    AppendAttribute(html, QStringLiteral("bordercolorlight"), Fields.BorderLight);
    AppendAttribute(html, QStringLiteral("bordercolordark"), Fields.BorderDark);
    html += QLatin1String(">\r\n");

    const int rows = GridCount(Fields.Rows, 4);
    const int cols = GridCount(Fields.Cols, 4);
    QString row = QStringLiteral("  <tr>");
    for (int c = 0; c < cols; ++c)
        row += QLatin1String("<td></td>");
    row += QLatin1String("</tr>\r\n");
    html.reserve(html.size() + rows * row.size() + 8);
    for (int r = 0; r < rows; ++r)
        html += row;
    html += QLatin1String("</table>");
    return html;
}

void TTableToolModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    THtmlTag* node = AsTag(EditNode(Writes));
    SetElementAttribute(Writes, QStringLiteral("cellpadding"), Fields.Padding);
    SetElementAttribute(Writes, QStringLiteral("cellspacing"), Fields.Spacing);
    SetElementAttribute(Writes, QStringLiteral("summary"), Fields.Summary);
    SetElementAttribute(Writes, QStringLiteral("bgcolor"), Fields.BgColor);
    SetElementAttribute(Writes, QStringLiteral("background"), Fields.Background);
    SetElementAttribute(Writes, QStringLiteral("frame"), Fields.Frame);
    SetElementAttribute(Writes, QStringLiteral("border"), Fields.Border);
    SetElementAttribute(Writes, QStringLiteral("rules"), Fields.Inner);
    SetElementAttribute(Writes, QStringLiteral("bordercolor"), Fields.BorderColor);
    SetElementAttribute(Writes, QStringLiteral("bordercolorlight"), Fields.BorderLight);
    SetElementAttribute(Writes, QStringLiteral("bordercolordark"), Fields.BorderDark);
    ApplyTypedSize(Writes, Fields.Width, Fields.Height, TAG_TABLE);
    SetElementAttribute(Writes, QStringLiteral("align"), Fields.Align);
    if (!node)
        return;
    node->SetAttribute(ATTR_ALIGN, Fields.Align);
    // The outline of a borderless table follows the border at once. Only on a table with a source node:
    // that node's class is what is saved, while a table without one would save the design class.
    SetElementAttribute(Writes, QStringLiteral("className"), IsBorderless(Fields.Border) ? LayoutClass : QString());
    node->SetAttribute(ATTR_BORDER, Fields.Border);
}

// ---------------------------------------------------------------------------------------------------
// Form

TFormToolTable::TFormToolTable(QWidget* Parent) : TModelEditor(QStringLiteral("  Table Properties"), Parent)
{
    TTableToolModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddCombo(page, "ComboAlign", QStringLiteral("Align"), f.Align,
             {QString(), QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")},
             TComboKind::Editable);
    AddUrlEdit(page, "EditBackground", "BtnBackground", QStringLiteral("Background Image"), f.Background, ukPicture);
    AddColorEdit(page, "EditBgColor", "BtnBgColor", QStringLiteral("Background Color"), f.BgColor);
    AddEdit(page, "EditSummary", QStringLiteral("Summary"), f.Summary);
    SetNumericEdit(AddEdit(page, "EditPadding", QStringLiteral("Cell Padding"), f.Padding));
    SetNumericEdit(AddEdit(page, "EditSpacing", QStringLiteral("Cell Spacing"), f.Spacing));
    FEditCols = AddEdit(page, "EditCols", QStringLiteral("Columns"), f.Cols);
    FEditRows = AddEdit(page, "EditRows", QStringLiteral("Rows"), f.Rows);
    SetNumericEdit(FEditCols);
    SetNumericEdit(FEditRows);
    SetPercentEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetPercentEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));

    QGridLayout* borders = AddPage(QStringLiteral("Borders"));
    SetNumericEdit(AddEdit(borders, "EditBorder", QStringLiteral("Border Width"), f.Border));
    AddColorEdit(borders, "EditBorderColor", "BtnBorderColor", QStringLiteral("Border Color"), f.BorderColor);
    AddColorEdit(borders, "EditBorderLight", "BtnBorderLight", QStringLiteral("Border Color Light"), f.BorderLight);
    AddColorEdit(borders, "EditBorderDark", "BtnBorderDark", QStringLiteral("Border Color Dark"), f.BorderDark);
    AddCombo(borders, "ComboFrame", QStringLiteral("Frame Border"), f.Frame,
             {QString(), QStringLiteral("void"), QStringLiteral("above"), QStringLiteral("below"),
              QStringLiteral("border"), QStringLiteral("box"), QStringLiteral("hsides"), QStringLiteral("lhs"),
              QStringLiteral("rhs"), QStringLiteral("vsides")},
             TComboKind::List);
    AddCombo(borders, "ComboInner", QStringLiteral("Inner Border"), f.Inner,
             {QString(), QStringLiteral("all"), QStringLiteral("cols"), QStringLiteral("groups"),
              QStringLiteral("none"), QStringLiteral("rows")},
             TComboKind::List);
}

void TFormToolTable::FormShow()
{
    // The rows the table has on the page; its source node holds no rows.
    FModel.PageRows = 0;
    if (Designer && Element.IsValid()) {
        QVariant snapshot;
        if (Designer->Bridge()->Invoke(QStringLiteral("tableSnapshot"), {Element.Token(), false, false}, &snapshot) ==
            TEngineBridge::TCallResult::Ok)
            FModel.PageRows = int(TTableModel::FromSnapshot(snapshot.toString()).Rows.size());
    }
    TTagEditor::FormShow();
    // The grid is chosen once, for a new table; an existing one changes it through the Tables menu.
    SetRowVisible(FEditCols, !FModel.Editing());
    SetRowVisible(FEditRows, !FModel.Editing());
}
