#include "ToolAnchor.h"

#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QGridLayout>

void TAnchorModel::DoLoad()
{
    Fields = {};
    if (const THtmlTag* node = AsTag(Node()))
        Fields.Name = node->GetAttribute(ATTR_NAME);
}

TFieldError TAnchorModel::Check() const
{
    // An anchor without a name marks nothing: the dialog stays open, without a word.
    if (TrimField(Fields.Name).isEmpty())
        return TFieldError::Refuse(QString(), &Fields.Name);
    return {};
}

QString TAnchorModel::GetHtml()
{
    return Filter->NewAnchor(TrimField(Fields.Name));
}

void TAnchorModel::Apply(TElementWrites& Writes)
{
    if (THtmlTag* node = AsTag(EditNode(Writes)))
        SetNodeAttribute(node, ATTR_NAME, TrimField(Fields.Name));
}

TFormToolAnchor::TFormToolAnchor(QWidget* Parent) : TModelEditor(QStringLiteral("  Anchor"), Parent)
{
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), FModel.Fields.Name);
}

bool TToolAnchor::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return KeptElement(Element, Filter, TAG_A) != nullptr;
}
