#include "ToolBr.h"

#include <QGridLayout>

void TBrModel::DoLoad()
{
    Fields = {};
    if (Element)
        Fields.Clear = GetElementAttribute(*Element, QStringLiteral("clear"));
}

QString TBrModel::GetHtml()
{
    QString html = QStringLiteral("<br");
    AppendAttribute(html, QStringLiteral("clear"), Fields.Clear);
    return html + QLatin1Char('>');
}

void TBrModel::Apply(TElementWrites& Writes)
{
    SetElementAttribute(Writes, QStringLiteral("clear"), TrimField(Fields.Clear));
}

TFormToolBr::TFormToolBr(QWidget* Parent) : TModelEditor(QStringLiteral("  Line Break"), Parent)
{
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddCombo(page, "ComboClear", QStringLiteral("Clear"), FModel.Fields.Clear,
             {QString(), QStringLiteral("all"), QStringLiteral("left"), QStringLiteral("right"),
              QStringLiteral("none")},
             TComboKind::Editable);
}
