#include "ToolTd.h"

#include "PickUrls.h"

#include <QGridLayout>

// ---------------------------------------------------------------------------------------------------
// Model

void TTdModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    const auto read = [this](const char* Name) { return GetElementAttribute(*Element, QLatin1String(Name)); };
    Fields.Width = read("width");
    Fields.Height = read("height");
    // A span reads as the browser reports it, 1 when not written. Two spans of 1 are the plain cell and
    // show empty; with the other span set, a span of 1 shows, and OK writes it.
    Fields.ColSpan = Element->HasAttribute(QStringLiteral("colspan")) ? read("colspan") : QStringLiteral("1");
    Fields.RowSpan = Element->HasAttribute(QStringLiteral("rowspan")) ? read("rowspan") : QStringLiteral("1");
    if (Fields.ColSpan == QLatin1String("1") && Fields.RowSpan == QLatin1String("1")) {
        Fields.ColSpan.clear();
        Fields.RowSpan.clear();
    }
    Fields.Align = read("align");
    Fields.VAlign = read("valign");
    Fields.BgColor = read("bgcolor");
    Fields.Background = read("background");
    Fields.BorderColor = read("bordercolor");
    Fields.BorderLight = read("bordercolorlight");
    Fields.BorderDark = read("bordercolordark");
    Fields.NoWrap = Element->Flag(QStringLiteral("noWrap"));
}

QString TTdModel::GetHtml()
{
    QString html = QStringLiteral("<td");
    AppendAttribute(html, QStringLiteral("width"), Fields.Width);
    AppendAttribute(html, QStringLiteral("height"), Fields.Height);
    AppendAttribute(html, QStringLiteral("colspan"), Fields.ColSpan);
    AppendAttribute(html, QStringLiteral("rowspan"), Fields.RowSpan);
    AppendAttribute(html, QStringLiteral("align"), Fields.Align);
    AppendAttribute(html, QStringLiteral("valign"), Fields.VAlign);
    AppendAttribute(html, QStringLiteral("bgcolor"), Fields.BgColor);
    AppendAttribute(html, QStringLiteral("background"), Fields.Background);
    AppendAttribute(html, QStringLiteral("bordercolor"), Fields.BorderColor);
    AppendAttribute(html, QStringLiteral("bordercolorlight"), Fields.BorderLight);
    AppendAttribute(html, QStringLiteral("bordercolordark"), Fields.BorderDark);
    AppendFlag(html, "nowrap", Fields.NoWrap);
    html += QLatin1Char('>');
    return html;
}

void TTdModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    SetElementAttribute(Writes, QStringLiteral("width"), Fields.Width);
    SetElementAttribute(Writes, QStringLiteral("height"), Fields.Height);
    SetElementAttribute(Writes, QStringLiteral("colspan"), Fields.ColSpan);
    SetElementAttribute(Writes, QStringLiteral("rowspan"), Fields.RowSpan);
    SetElementAttribute(Writes, QStringLiteral("align"), Fields.Align);
    SetElementAttribute(Writes, QStringLiteral("valign"), Fields.VAlign);
    SetElementAttribute(Writes, QStringLiteral("bgcolor"), Fields.BgColor);
    SetElementAttribute(Writes, QStringLiteral("background"), Fields.Background);
    SetElementAttribute(Writes, QStringLiteral("bordercolor"), Fields.BorderColor);
    SetElementAttribute(Writes, QStringLiteral("bordercolorlight"), Fields.BorderLight);
    SetElementAttribute(Writes, QStringLiteral("bordercolordark"), Fields.BorderDark);
    Writes.SetFlag(QStringLiteral("noWrap"), Fields.NoWrap);
}

// ---------------------------------------------------------------------------------------------------
// Form

TFormToolTd::TFormToolTd(QWidget* Parent) : TModelEditor(QStringLiteral("  Cell Properties"), Parent)
{
    TTdModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddCombo(page, "ComboAlign", QStringLiteral("Horizontal Alignment"), f.Align,
             {QString(), QStringLiteral("center"), QStringLiteral("justify"), QStringLiteral("left"),
              QStringLiteral("right")},
             TComboKind::List);
    AddCombo(page, "ComboValign", QStringLiteral("Vertical Alignment"), f.VAlign,
             {QString(), QStringLiteral("middle"), QStringLiteral("baseline"), QStringLiteral("bottom"),
              QStringLiteral("top")},
             TComboKind::List);
    SetNumericEdit(AddEdit(page, "EditColSpan", QStringLiteral("Col Span"), f.ColSpan));
    SetNumericEdit(AddEdit(page, "EditRowSpan", QStringLiteral("Row Span"), f.RowSpan));
    SetPercentEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetPercentEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    AddCheck(page, "CheckNoWrap", QStringLiteral("No wrap"), f.NoWrap);
    AddColorEdit(page, "EditBorderColor", "BtnBorderColor", QStringLiteral("Border Color"), f.BorderColor);
    AddColorEdit(page, "EditBorderLight", "BtnBorderLight", QStringLiteral("Border Color Light"), f.BorderLight);
    AddColorEdit(page, "EditBorderDark", "BtnBorderDark", QStringLiteral("Border Color Dark"), f.BorderDark);
    AddColorEdit(page, "EditBgColor", "BtnBgColor", QStringLiteral("Background Color"), f.BgColor);
    AddUrlEdit(page, "EditBackground", "BtnBackground", QStringLiteral("Background Image"), f.Background, ukPicture);
}
