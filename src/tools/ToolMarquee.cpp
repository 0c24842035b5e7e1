#include "ToolMarquee.h"

#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QGridLayout>

namespace {

const QLatin1String LoopOn("YES");

THtmlText* FirstText(const THtmlTag* Node)
{
    for (THtmlNode* child = Node->FirstChild(); child; child = child->NextSibling())
        if (child->TagId() == TAG_TEXT && child->NodeClass() == THtmlNode::ncText)
            return static_cast<THtmlText*>(child);
    return nullptr;
}

} // namespace

void TMarqueeModel::DoLoad()
{
    Fields = {};
    if (!Element) {
        Fields.Width = QStringLiteral("100%");
        Fields.Height = QStringLiteral("30");
        return;
    }
    Fields.Align = GetElementAttribute(*Element, QStringLiteral("align"));
    const THtmlTag* node = AsTag(Node());
    if (!node)
        return;
    Fields.Behavior = node->GetAttribute(ATTR_BEHAVIOR);
    Fields.Direction = node->GetAttribute(ATTR_DIRECTION);
    Fields.BgColor = node->GetAttribute(ATTR_BGCOLOR);
    Fields.ScrollAmount = node->GetAttribute(ATTR_SCROLLAMOUNT);
    Fields.ScrollDelay = node->GetAttribute(ATTR_SCROLLDELAY);
    Fields.HSpace = node->GetAttribute(ATTR_HSPACE);
    Fields.VSpace = node->GetAttribute(ATTR_VSPACE);
    Fields.Loop = node->GetAttribute(ATTR_LOOP) == LoopOn;
    Fields.Width = node->GetAttribute(ATTR_WIDTH);
    Fields.Height = node->GetAttribute(ATTR_HEIGHT);
    if (const THtmlText* text = FirstText(node))
        Fields.Text = MemoLines(DecodeText(text->Text())).join(QLatin1Char('\n'));
}

TFieldError TMarqueeModel::Check() const
{
    if (TrimField(Fields.Text).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify a text first."), &Fields.Text);
    return {};
}

void TMarqueeModel::SetNodeAttributes(THtmlTag* Node) const
{
    Node->SetAttribute(ATTR_BEHAVIOR, TrimField(Fields.Behavior));
    Node->SetAttribute(ATTR_DIRECTION, TrimField(Fields.Direction));
    Node->SetAttribute(ATTR_BGCOLOR, TrimField(Fields.BgColor));
    Node->SetAttribute(ATTR_SCROLLAMOUNT, TrimField(Fields.ScrollAmount));
    Node->SetAttribute(ATTR_SCROLLDELAY, TrimField(Fields.ScrollDelay));
    Node->SetAttribute(ATTR_HSPACE, TrimField(Fields.HSpace));
    Node->SetAttribute(ATTR_VSPACE, TrimField(Fields.VSpace));
    if (Fields.Loop)
        Node->SetAttribute(ATTR_LOOP, LoopOn);
    else
        Node->RemoveAttribute(ATTR_LOOP);
}

QString TMarqueeModel::GetHtml()
{
    // The text is kept as HTML source: typed "&" and "<" go in as references.
    const TOpenTag open =
        Filter->NewMarquee(EscapeText(MemoText(Fields.Text)), Fields.Width, Fields.Height, Fields.Align);
    SetNodeAttributes(open.Node);
    QString html = open.Html;
    html.chop(1); // the opening's trailing blank
    return html + QLatin1Char('>');
}

void TMarqueeModel::Apply(TElementWrites& Writes)
{
    THtmlTag* node = AsTag(EditNode(Writes));
    if (node)
        SetNodeAttributes(node);
    ApplyTypedSize(Writes, TrimField(Fields.Width), TrimField(Fields.Height), TAG_IMG);
    SetElementAttribute(Writes, QStringLiteral("align"), TrimField(Fields.Align));
    if (!node)
        return;
    node->SetAttribute(ATTR_ALIGN, TrimField(Fields.Align));
    THtmlText* text = FirstText(node);
    if (!text) {
        text = new THtmlText(TAG_TEXT);
        node->Add(text);
    }
    text->SetText(EscapeText(MemoText(Fields.Text)));
}

TFormToolMarquee::TFormToolMarquee(QWidget* Parent) : TModelEditor(QStringLiteral("  Marquee"), Parent)
{
    TMarqueeModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddMemo(page, "MemoText", QStringLiteral("Text"), f.Text);
    SetNumericEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    AddCombo(page, "ComboAlign", QStringLiteral("Align"), f.Align,
             {QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("top"), QStringLiteral("bottom"),
              QStringLiteral("middle"), QStringLiteral("baseline"), QStringLiteral("texttop"),
              QStringLiteral("absbottom"), QStringLiteral("absmiddle")},
             TComboKind::List);
    SetNumericEdit(AddEdit(page, "EditHSpace", QStringLiteral("Horizontal Space"), f.HSpace));
    SetNumericEdit(AddEdit(page, "EditVSpace", QStringLiteral("Vertical Space"), f.VSpace));
    AddCombo(page, "ComboBehavior", QStringLiteral("Behavior"), f.Behavior,
             {QStringLiteral("scroll"), QStringLiteral("slide"), QStringLiteral("alternate")},
             TComboKind::List);
    AddCombo(page, "ComboDirection", QStringLiteral("Direction"), f.Direction,
             {QStringLiteral("right"), QStringLiteral("left")}, TComboKind::List);
    AddColorEdit(page, "EditBgColor", "BtnBgColor", QStringLiteral("Background Color"), f.BgColor);
    SetNumericEdit(AddEdit(page, "EditScrollAmount", QStringLiteral("Scroll Amount (Pixels)"), f.ScrollAmount));
    SetNumericEdit(AddEdit(page, "EditScrollDelay", QStringLiteral("Scroll Delay (Millisecs)"), f.ScrollDelay));
    AddCheck(page, "CheckLoop", QStringLiteral("Loop"), f.Loop);
}

bool TToolMarquee::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return KeptElement(Element, Filter, TAG_MARQUEE) != nullptr;
}
