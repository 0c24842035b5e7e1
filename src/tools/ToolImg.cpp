#include "ToolImg.h"

#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

// ---------------------------------------------------------------------------------------------------
// Model

void TImgModel::DoLoad()
{
    Fields = {};
    if (Element) {
        LoadPictureFields(*Element, AsTag(Node()), Fields);
        Fields.UseMap = GetElementAttribute(*Element, QStringLiteral("usemap"));
        Fields.ServerMap = Element->Flag(QStringLiteral("isMap"));
    }
    MapNames.clear();
    if (Filter)
        Filter->GetMapNames(MapNames);
}

TFieldError TImgModel::Check() const
{
    if (Fields.Src.isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify an image."), &Fields.Src);
    return {};
}

QString TImgModel::GetHtml()
{
    // The builder keeps the size on the source node too, so the new image keeps it when saved.
    QString html = Filter->NewImage(TrimField(Fields.Src), TrimField(Fields.Width), TrimField(Fields.Height)).Html;
    html.chop(1); // the opening's trailing blank: each attribute brings its own
    AppendAttribute(html, QStringLiteral("alt"), Fields.Alt);
    AppendAttribute(html, QStringLiteral("align"), Fields.Align);
    AppendAttribute(html, QStringLiteral("border"), Fields.Border);
    AppendAttribute(html, QStringLiteral("hspace"), Fields.HSpace);
    AppendAttribute(html, QStringLiteral("vspace"), Fields.VSpace);
    AppendAttribute(html, QStringLiteral("usemap"), Fields.UseMap);
    AppendFlag(html, "ismap", Fields.ServerMap);
    html += QLatin1Char('>');
    return html;
}

void TImgModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    THtmlTag* node = AsTag(EditNode(Writes));
    QString designSrc, designClass;
    Filter->SetImageSource(NodeId(), TrimField(Fields.Src), designSrc, designClass);
    SetElementAttribute(Writes, QStringLiteral("src"), designSrc);
    SetElementAttribute(Writes, QStringLiteral("className"), designClass);
    SetElementAttribute(Writes, QStringLiteral("alt"), Fields.Alt);
    SetElementAttribute(Writes, QStringLiteral("border"), Fields.Border);
    SetElementAttribute(Writes, QStringLiteral("hspace"), Fields.HSpace);
    SetElementAttribute(Writes, QStringLiteral("vspace"), Fields.VSpace);
    SetElementAttribute(Writes, QStringLiteral("usemap"), Fields.UseMap);
    Writes.SetFlag(QStringLiteral("isMap"), Fields.ServerMap);
    ApplyTypedSize(Writes, Fields.Width, Fields.Height, TAG_IMG);
    SetElementAttribute(Writes, QStringLiteral("align"), Fields.Align);
    if (node)
        node->SetAttribute(ATTR_ALIGN, Fields.Align);
}

// ---------------------------------------------------------------------------------------------------
// Form

TFormToolImg::TFormToolImg(QWidget* Parent) : TModelEditor(QStringLiteral("  Image Properties"), Parent)
{
    TImgModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddUrlEdit(page, "EditSrc", "BtnSrc", QStringLiteral("Image"), f.Src, ukPicture);
    AddCombo(page, "ComboAlign", QStringLiteral("Align"), f.Align, ImageAlignItems(), TComboKind::Editable);
    AddEdit(page, "EditAlt", QStringLiteral("Alternate Text"), f.Alt);
    SetNumericEdit(AddEdit(page, "EditBorder", QStringLiteral("Border Width"), f.Border));
    SetNumericEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    SetNumericEdit(AddEdit(page, "EditHSpace", QStringLiteral("Horizontal Space"), f.HSpace));
    SetNumericEdit(AddEdit(page, "EditVSpace", QStringLiteral("Vertical Space"), f.VSpace));
    FComboMap = AddCombo(page, "ComboMap", QStringLiteral("Client-side Map"), f.UseMap, {}, TComboKind::Editable);
    AddCheck(page, "CheckServerMap", QStringLiteral("Use server map"), f.ServerMap);
}

void TFormToolImg::FormShow()
{
    TTagEditor::FormShow();
    // The list follows the document's maps on every showing; the text already set stays.
    const QString text = FComboMap->currentText();
    FComboMap->clear();
    FComboMap->addItems(FModel.MapNames);
    FComboMap->setEditText(text);
}

// ---------------------------------------------------------------------------------------------------
// Tool

bool TToolImg::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    const THtmlNode* node = Filter.FindNode(Element.Id);
    return node && node->TagId() == TAG_IMG && node->NodeClass() == THtmlNode::ncTag;
}
