#include "ToolForm.h"

#include "PickUrls.h"

#include <QGridLayout>
#include <QLabel>

void TFormModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    Fields.Name = GetElementAttribute(*Element, QStringLiteral("name"));
    Fields.Action = GetElementAttribute(*Element, QStringLiteral("action"));
    Fields.Method = GetElementAttribute(*Element, QStringLiteral("method"));
    Fields.EncType = GetElementAttribute(*Element, QStringLiteral("encoding"));
}

TFieldError TFormModel::Check() const
{
    if (TrimField(Fields.Action).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify an action (cgi, php, asp, etc.) for this form."),
                                   &Fields.Action);
    return {};
}

QString TFormModel::GetHtml()
{
    QString html = QStringLiteral("<form");
    AppendAttribute(html, QStringLiteral("name"), Fields.Name);
    AppendAttribute(html, QStringLiteral("action"), Fields.Action);
    AppendAttribute(html, QStringLiteral("method"), Fields.Method);
    AppendAttribute(html, QStringLiteral("enctype"), Fields.EncType);
    // One paragraph, so the caret can be put inside the new form.
    return html + QLatin1String("><p>&nbsp;</p></form>");
}

void TFormModel::Apply(TElementWrites& Writes)
{
    SetElementAttribute(Writes, QStringLiteral("name"), TrimField(Fields.Name));
    SetElementAttribute(Writes, QStringLiteral("method"), TrimField(Fields.Method));
    SetElementAttribute(Writes, QStringLiteral("action"), TrimField(Fields.Action));
    SetElementAttribute(Writes, QStringLiteral("encoding"), TrimField(Fields.EncType));
}

TFormToolForm::TFormToolForm(QWidget* Parent) : TModelEditor(QStringLiteral("  Form Properties"), Parent)
{
    TFormModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    AddUrlEdit(page, "EditAction", "BtnAction", QStringLiteral("Action"), f.Action, ukServerScript);
    AddCombo(page, "ComboMethod", QStringLiteral("Method"), f.Method,
             {QString(), QStringLiteral("get"), QStringLiteral("post")}, TComboKind::Editable);
    AddCombo(page, "ComboEncType", QStringLiteral("Encoding Type"), f.EncType,
             {QString(), QStringLiteral("application/x-www-form-urlencoded"), QStringLiteral("multipart/form-data")},
             TComboKind::Editable);
    auto* note = new QLabel(QStringLiteral("When the form includes a \"file\" input type element, encoding type should "
                                           "be \"multipart/form-data\" and method must be \"post\"."),
                            page->parentWidget());
    note->setWordWrap(true);
    page->addWidget(note, page->rowCount(), 0, 1, 3);
}
