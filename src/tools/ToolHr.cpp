#include "ToolHr.h"

#include <QGridLayout>

void THrModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    Fields.Width = GetElementAttribute(*Element, QStringLiteral("width"));
    Fields.Height = GetElementAttribute(*Element, QStringLiteral("size"));
    Fields.Align = GetElementAttribute(*Element, QStringLiteral("align"));
    Fields.Color = GetElementAttribute(*Element, QStringLiteral("color"));
    Fields.NoShade = Element->Flag(QStringLiteral("noShade"));
}

QString THrModel::GetHtml()
{
    QString html = QStringLiteral("<hr");
    AppendAttribute(html, QStringLiteral("width"), Fields.Width);
    AppendAttribute(html, QStringLiteral("size"), Fields.Height);
    AppendAttribute(html, QStringLiteral("align"), Fields.Align);
    AppendAttribute(html, QStringLiteral("color"), Fields.Color);
    AppendFlag(html, "noshade", Fields.NoShade);
    return html + QLatin1Char('>');
}

void THrModel::Apply(TElementWrites& Writes)
{
    SetElementAttribute(Writes, QStringLiteral("width"), TrimField(Fields.Width));
    SetElementAttribute(Writes, QStringLiteral("size"), TrimField(Fields.Height));
    SetElementAttribute(Writes, QStringLiteral("align"), TrimField(Fields.Align));
    SetElementAttribute(Writes, QStringLiteral("color"), TrimField(Fields.Color));
    Writes.SetFlag(QStringLiteral("noShade"), Fields.NoShade);
}

TFormToolHr::TFormToolHr(QWidget* Parent) : TModelEditor(QStringLiteral("  Horizontal Rule"), Parent)
{
    THrModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddCombo(page, "ComboAlign", QStringLiteral("Align"), f.Align,
             {QString(), QStringLiteral("center"), QStringLiteral("justify"), QStringLiteral("left"),
              QStringLiteral("right")},
             TComboKind::List);
    SetPercentEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetPercentEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    AddColorEdit(page, "EditColor", "BtnColor", QStringLiteral("Color"), f.Color);
    AddCheck(page, "CheckNoShade", QStringLiteral("No shading"), f.NoShade);
}
