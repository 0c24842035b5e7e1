#include "HtmlNodes.h"

#include "HtmlAttributes.h"
#include "HtmlTags.h"
#include "WStrList.h"

namespace {

// The attached value of an attribute entry is its identifier; for a valueless attribute this bit is added.
// Raw entries (ATTR_RAW) never carry it.
constexpr TListObject ValuelessMark = TListObject(1) << 24;

int EntryId(TListObject value)
{
    return static_cast<int>(value >= 0 ? value & ~ValuelessMark : value);
}

bool EntryValueless(TListObject value)
{
    return value >= 0 && (value & ValuelessMark) != 0;
}

std::unique_ptr<TWideStringList> CopyAttributes(const TWideStringList* source)
{
    if (!source)
        return nullptr;
    auto copy = std::make_unique<TWideStringList>();
    copy->AddStrings(*source);
    return copy;
}

char16_t FoldAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

// True when text begins with prefix, ASCII letters compared in either case.
bool StartsWithAsciiNoCase(const QString& text, const QString& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (FoldAsciiLetter(text[i].unicode()) != FoldAsciiLetter(prefix[i].unicode()))
            return false;
    return true;
}

// A new node of source's class with its identifier and own data (text, kind, attributes), no children.
THtmlNode* CopyNodeAlone(const THtmlNode* source)
{
    if (auto* docType = dynamic_cast<const THtmlDocType*>(source)) {
        auto* copy = new THtmlDocType();
        copy->Assign(docType);
        return copy;
    }
    if (auto* text = dynamic_cast<const THtmlText*>(source))
        return new THtmlText(text->TagId(), text->Text());
    if (auto* tag = dynamic_cast<const THtmlTag*>(source)) {
        auto* copy = new THtmlTag(tag->TagId());
        copy->AssignAttributes(tag);
        return copy;
    }
    return new THtmlNode(source->TagId());
}

} // namespace

// ---------------------------------------------------------------------------------------------------------

THtmlNode::THtmlNode(int id) : FTagId(id) {}

void THtmlNode::Assign(const THtmlNode* source)
{
    FTagId = source->TagId();
}

THtmlText::THtmlText(int id) : THtmlNode(id) {}

THtmlText::THtmlText(int id, QString text) : THtmlNode(id), FText(std::move(text)) {}

void THtmlText::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (auto* text = dynamic_cast<const THtmlText*>(source))
        FText = text->Text();
}

THtmlDocType::THtmlDocType() : THtmlNode(TAG_DOCTYPE) {}

void THtmlDocType::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (auto* docType = dynamic_cast<const THtmlDocType*>(source))
        FKind = docType->Kind();
}

// ---------------------------------------------------------------------------------------------------------

THtmlTag::THtmlTag(int id) : THtmlNode(id) {}

THtmlTag::~THtmlTag()
{
    Clear();
}

void THtmlTag::Assign(const THtmlNode* source)
{
    auto* sourceTag = dynamic_cast<const THtmlTag*>(source);
    if (!sourceTag || sourceTag == this) {
        THtmlNode::Assign(source);
        return;
    }

    // The copy is built apart first, before this element changes at all: source may lie inside this
    // element, or this element inside source. The walk is iterative, so the depth of the tree does not matter.
    THtmlTag copy(sourceTag->TagId());
    copy.FAttributes = CopyAttributes(sourceTag->FAttributes.get());
    const THtmlNode* from = sourceTag->FirstChild();
    THtmlNode* toParent = &copy; // the copy of from's parent
    while (from) {
        THtmlNode* node = CopyNodeAlone(from);
        toParent->Add(node);
        if (from->FirstChild() && dynamic_cast<const THtmlTag*>(from)) {
            toParent = node;
            from = from->FirstChild();
            continue;
        }
        while (from && !from->NextSibling()) {
            from = from->Parent();
            if (from == sourceTag)
                from = nullptr;
            else
                toParent = toParent->Parent();
        }
        if (from)
            from = from->NextSibling();
    }

    THtmlNode::Assign(source);
    Clear();
    FAttributes = std::move(copy.FAttributes);
    while (TLinkNode* child = copy.TLinkNode::FirstChild()) {
        copy.Remove(child);
        Add(child);
    }
}

void THtmlTag::AssignAttributes(const THtmlTag* source)
{
    SetTagId(source->TagId());
    if (source == this)
        return;
    FAttributes = CopyAttributes(source->FAttributes.get());
}

int THtmlTag::FindAttribute(int id) const
{
    if (!FAttributes)
        return -1;
    const int count = FAttributes->GetCount();
    for (int i = 0; i < count; ++i)
        if (EntryId(FAttributes->GetObject(i)) == id)
            return i;
    return -1;
}

void THtmlTag::StoreAttribute(int id, const QString& value, bool valueless)
{
    if (!FAttributes)
        FAttributes = std::make_unique<TWideStringList>();
    const TListObject entry = (valueless && id >= 0) ? (TListObject(id) | ValuelessMark) : TListObject(id);
    const int index = FindAttribute(id);
    if (index < 0) {
        FAttributes->AddObject(value, entry);
    } else if (value.isEmpty()) {
        FAttributes->Delete(index);
    } else {
        FAttributes->Put(index, value);
        FAttributes->PutObject(index, entry);
    }
}

void THtmlTag::SetAttribute(int id, const QString& value)
{
    StoreAttribute(id, value, value == QLatin1String("TRUE"));
}

void THtmlTag::SetExplicitAttribute(int id, const QString& value)
{
    StoreAttribute(id, value, false);
}

void THtmlTag::SetRawAttribute(const QString& name, const QString& value)
{
    if (!FAttributes)
        FAttributes = std::make_unique<TWideStringList>();
    const QString prefix = name + u'=';
    const int count = FAttributes->GetCount();
    for (int i = 0; i < count; ++i) {
        if (FAttributes->GetObject(i) == ATTR_RAW && StartsWithAsciiNoCase(FAttributes->Get(i), prefix)) {
            FAttributes->Put(i, prefix + value);
            return;
        }
    }
    FAttributes->AddObject(prefix + value, ATTR_RAW);
}

bool THtmlTag::HasAttribute(int id) const
{
    return FindAttribute(id) >= 0;
}

void THtmlTag::RemoveAttribute(int id)
{
    const int index = FindAttribute(id);
    if (index >= 0)
        FAttributes->Delete(index);
}

QString THtmlTag::GetAttribute(int id) const
{
    const int index = FindAttribute(id);
    return index >= 0 ? FAttributes->Get(index) : QString();
}

int THtmlTag::AttributeCount() const
{
    return FAttributes ? FAttributes->GetCount() : 0;
}

const TWideStringList& THtmlTag::AttributeList() const
{
    // An element without a list answers index requests like an empty list: with the list's index error.
    static const TWideStringList empty;
    return FAttributes ? *FAttributes : empty;
}

QString THtmlTag::GetAttributeValue(int index) const
{
    return AttributeList().Get(index);
}

int THtmlTag::GetAttributeId(int index) const
{
    return EntryId(AttributeList().GetObject(index));
}

bool THtmlTag::IsAttributeValueless(int index) const
{
    return EntryValueless(AttributeList().GetObject(index));
}

void THtmlTag::ClearAttributes()
{
    FAttributes.reset();
}

THtmlNode* THtmlTag::FindChild(int id, bool recursive) const
{
    if (!recursive) {
        for (THtmlNode* child = FirstChild(); child; child = child->NextSibling())
            if (child->TagId() == id)
                return child;
        return nullptr;
    }
    THtmlNode* node = FirstChild();
    while (node) {
        if (node->TagId() == id)
            return node;
        if (node->FirstChild() && dynamic_cast<THtmlTag*>(node)) {
            node = node->FirstChild();
            continue;
        }
        while (!node->NextSibling()) {
            node = node->Parent();
            if (node == this)
                return nullptr;
        }
        node = node->NextSibling();
    }
    return nullptr;
}

THtmlNode* THtmlTag::FindLast(int id) const
{
    THtmlNode* node = LastChild();
    while (node) {
        if (node->TagId() == id)
            return node;
        if (node->LastChild() && dynamic_cast<THtmlTag*>(node)) {
            node = node->LastChild();
            continue;
        }
        while (!node->PrevSibling()) {
            node = node->Parent();
            if (node == this)
                return nullptr;
        }
        node = node->PrevSibling();
    }
    return nullptr;
}

void THtmlTag::TrimText()
{
    if (auto* first = dynamic_cast<THtmlText*>(FindFirst(TAG_TEXT))) {
        const QString& text = first->Text();
        qsizetype start = 0;
        while (start < text.size() && text[start].unicode() < 33)
            ++start;
        if (start > 0)
            first->SetText(text.mid(start));
    }
    if (auto* last = dynamic_cast<THtmlText*>(FindLast(TAG_TEXT))) {
        const QString& text = last->Text();
        qsizetype end = text.size();
        while (end > 0 && text[end - 1].unicode() < 33)
            --end;
        if (end < text.size())
            last->SetText(text.left(end));
    }
}

// ---------------------------------------------------------------------------------------------------------

THtmlRoot::THtmlRoot() : THtmlTag(TAG_ROOT) {}

THtmlTag* THtmlRoot::GetHtml()
{
    if (auto* html = dynamic_cast<THtmlTag*>(FindChild(TAG_HTML, false)))
        return html;
    auto* html = new THtmlTag(TAG_HTML);
    Add(html);
    return html;
}

THtmlTag* THtmlRoot::GetHead()
{
    THtmlTag* html = GetHtml();
    if (auto* head = dynamic_cast<THtmlTag*>(html->FindChild(TAG_HEAD, false)))
        return head;
    auto* head = new THtmlTag(TAG_HEAD);
    if (THtmlNode* body = html->FindChild(TAG_BODY, false))
        body->InsertBefore(head);
    else
        html->Add(head);
    return head;
}

THtmlTag* THtmlRoot::GetBody()
{
    THtmlTag* html = GetHtml();
    if (auto* body = dynamic_cast<THtmlTag*>(html->FindChild(TAG_BODY, false)))
        return body;
    auto* body = new THtmlTag(TAG_BODY);
    html->Add(body);
    return body;
}
