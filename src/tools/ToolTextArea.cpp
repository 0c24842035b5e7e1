#include "ToolTextArea.h"

#include <QGridLayout>

void TTextAreaModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    Fields.Name = GetElementAttribute(*Element, QStringLiteral("name"));
    Fields.Wrap = GetElementAttribute(*Element, QStringLiteral("wrap"));
    Fields.Cols = GetElementAttribute(*Element, QStringLiteral("cols"));
    Fields.Rows = GetElementAttribute(*Element, QStringLiteral("rows"));
    Fields.AccessKey = GetElementAttribute(*Element, QStringLiteral("accesskey"));
    Fields.TabIndex = GetElementAttributeNoDefaults(*Element, QStringLiteral("tabindex"));
    Fields.Disabled = Element->Flag(QStringLiteral("disabled"));
    Fields.ReadOnly = Element->Flag(QStringLiteral("readOnly"));
    // The page writes the text with "&", "<" and ">" as references.
    Fields.Value = MemoLines(DecodeText(Element->InnerHtml)).join(QLatin1Char('\n'));
}

TFieldError TTextAreaModel::Check() const
{
    if (TrimField(Fields.Name).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify a name."), &Fields.Name);
    return {};
}

QString TTextAreaModel::GetHtml()
{
    QString html = QStringLiteral("<textarea");
    AppendAttribute(html, QStringLiteral("name"), Fields.Name);
    AppendAttribute(html, QStringLiteral("wrap"), Fields.Wrap);
    AppendAttribute(html, QStringLiteral("cols"), Fields.Cols);
    AppendAttribute(html, QStringLiteral("rows"), Fields.Rows);
    AppendAttribute(html, QStringLiteral("tabindex"), Fields.TabIndex);
    AppendAttribute(html, QStringLiteral("accesskey"), Fields.AccessKey);
    AppendFlag(html, "disabled", Fields.Disabled);
    AppendFlag(html, "readonly", Fields.ReadOnly);
    if (Element)
        AppendUnmanagedAttributes(html, *Element,
                                  {QStringLiteral("name"), QStringLiteral("wrap"), QStringLiteral("cols"),
                                   QStringLiteral("rows"), QStringLiteral("tabindex"), QStringLiteral("accesskey"),
                                   QStringLiteral("disabled"), QStringLiteral("readonly")});
    // Escaped, so that typed text such as "</textarea>" or "&amp;" stays text. Browsers drop a line end right
    // after the start tag: a text that starts with an empty line is written with one more.
    const QString text = EscapeText(MemoText(Fields.Value));
    if (text.startsWith(QLatin1String("\r\n")))
        html += QLatin1String(">\r\n");
    else
        html += QLatin1Char('>');
    return html + text + QLatin1String("</textarea>");
}

TFormToolTextArea::TFormToolTextArea(QWidget* Parent) : TModelEditor(QStringLiteral("  Text Area"), Parent)
{
    TTextAreaModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    SetNumericEdit(AddEdit(page, "EditCols", QStringLiteral("Column Width (Chars)"), f.Cols));
    SetNumericEdit(AddEdit(page, "EditRows", QStringLiteral("Number of Lines"), f.Rows));
    AddCombo(page, "ComboWrap", QStringLiteral("Wrap"), f.Wrap,
             {QString(), QStringLiteral("soft"), QStringLiteral("hard"), QStringLiteral("off")},
             TComboKind::Editable);
    SetNumericEdit(AddEdit(page, "EditTab", QStringLiteral("Tab Index"), f.TabIndex));
    SetAccessKeyEdit(AddEdit(page, "EditKey", QStringLiteral("Access Key"), f.AccessKey));
    AddCheck(page, "CheckDisabled", QStringLiteral("Disabled"), f.Disabled);
    AddCheck(page, "CheckReadOnly", QStringLiteral("Read Only"), f.ReadOnly);
    AddMemo(page, "MemoValue", QStringLiteral("Initial Value"), f.Value);
}
