#include "HtmlNodes.h"

#include "HtmlAttributes.h"
#include "HtmlTags.h"
#include "WStrList.h"

#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define HTML_NODES_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HTML_NODES_PLAIN_HEAP 1
#endif
#endif

namespace {

#ifndef HTML_NODES_PLAIN_HEAP
// A page of a few megabytes makes hundreds of thousands of nodes, made one after another and freed all
// together. Taken from the general heap, each would be a small chunk that the heap must merge again with
// its neighbours once the tree is gone, which costs more than building the tree did. Nodes and the
// attribute blocks of elements come instead from per-thread pools of fixed-size cells carved from large
// slabs: taking or giving back a cell is a pointer swap. A cell given back on another thread joins that
// thread's pool. The slabs are kept for the next tree and never handed back; memory checkers build
// without the pools, so they see every node.
constexpr std::size_t CellGrain = 8;
constexpr std::size_t LargestCell = 256; // larger sizes (long attribute lists) go to the heap
constexpr std::size_t SlabSize = 64 * 1024;

struct TFreeCell
{
    TFreeCell* Next;
};

struct TNodePool
{
    TFreeCell* Free[LargestCell / CellGrain + 1];
    char* Next;
    char* End;
};

// Zero-initialised and trivially destructible: no set-up or clean-up code runs per thread.
thread_local TNodePool NodePool;

void* TakeCell(std::size_t size)
{
    if (size > LargestCell)
        return ::operator new(size);
    const std::size_t cls = (size + CellGrain - 1) / CellGrain;
    TNodePool& pool = NodePool;
    if (TFreeCell* cell = pool.Free[cls]) {
        pool.Free[cls] = cell->Next;
        // Cells come back in the order a freed tree let them go, scattered over the slabs: the next one is
        // fetched now, while this one is being filled.
        __builtin_prefetch(cell->Next, 1);
        return cell;
    }
    const std::size_t bytes = cls * CellGrain;
    if (static_cast<std::size_t>(pool.End - pool.Next) < bytes) {
        pool.Next = static_cast<char*>(::operator new(SlabSize));
        pool.End = pool.Next + SlabSize;
    }
    void* cell = pool.Next;
    pool.Next += bytes;
    return cell;
}

void GiveCell(void* cell, std::size_t size)
{
    if (size > LargestCell) {
        ::operator delete(cell);
        return;
    }
    const std::size_t cls = (size + CellGrain - 1) / CellGrain;
    TNodePool& pool = NodePool;
    auto* free = static_cast<TFreeCell*>(cell);
    free->Next = pool.Free[cls];
    pool.Free[cls] = free;
}
#else
void* TakeCell(std::size_t size)
{
    return ::operator new(size);
}

void GiveCell(void* cell, std::size_t)
{
    ::operator delete(cell);
}
#endif

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
    switch (source->NodeClass()) {
    case THtmlNode::ncDocType: {
        auto* copy = new THtmlDocType();
        copy->Assign(source);
        return copy;
    }
    case THtmlNode::ncText:
        return new THtmlText(source->TagId(), static_cast<const THtmlText*>(source)->Text());
    case THtmlNode::ncTag: {
        auto* copy = new THtmlTag(source->TagId());
        copy->AssignAttributes(static_cast<const THtmlTag*>(source));
        return copy;
    }
    case THtmlNode::ncNode:
        break;
    }
    return new THtmlNode(source->TagId());
}

} // namespace

// ---------------------------------------------------------------------------------------------------------

THtmlNode::THtmlNode(int id) : FTagId(id) {}

void* THtmlNode::operator new(std::size_t size)
{
    return TakeCell(size);
}

void THtmlNode::operator delete(void* node, std::size_t size)
{
    GiveCell(node, size);
}

void THtmlNode::Assign(const THtmlNode* source)
{
    FTagId = source->TagId();
}

THtmlText::THtmlText(int id) : THtmlNode(id, ncText) {}

THtmlText::THtmlText(int id, QString text) : THtmlNode(id, ncText), FText(std::move(text)) {}

void THtmlText::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (auto* text = dynamic_cast<const THtmlText*>(source))
        FText = text->Text();
}

THtmlDocType::THtmlDocType() : THtmlNode(TAG_DOCTYPE, ncDocType) {}

void THtmlDocType::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (auto* docType = dynamic_cast<const THtmlDocType*>(source))
        FKind = docType->Kind();
}

// ---------------------------------------------------------------------------------------------------------

THtmlTag::THtmlTag(int id) : THtmlNode(id, ncTag) {}

THtmlTag::~THtmlTag()
{
    Clear();
    FreeBlock(FAttributes);
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
    copy.FAttributes = CopyBlock(sourceTag->FAttributes);
    const THtmlNode* from = sourceTag->FirstChild();
    THtmlNode* toParent = &copy; // the copy of from's parent
    while (from) {
        THtmlNode* node = CopyNodeAlone(from);
        toParent->Add(node);
        if (from->FirstChild() && from->NodeClass() == ncTag) {
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
    FreeBlock(FAttributes);
    FAttributes = std::exchange(copy.FAttributes, nullptr);
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
    TAttributeBlock* copy = CopyBlock(source->FAttributes);
    FreeBlock(FAttributes);
    FAttributes = copy;
}

// --- the attribute block ---------------------------------------------------------------------------------

std::size_t THtmlTag::BlockSize(int capacity)
{
    return sizeof(TAttributeBlock) + sizeof(TAttribute) * static_cast<std::size_t>(capacity);
}

THtmlTag::TAttributeBlock* THtmlTag::NewBlock(int capacity)
{
    static_assert(sizeof(TAttributeBlock) % alignof(TAttribute) == 0, "entries follow the header aligned");
    void* memory = TakeCell(BlockSize(capacity));
    return new (memory) TAttributeBlock{0, capacity};
}

void THtmlTag::FreeBlock(TAttributeBlock* block)
{
    if (!block)
        return;
    TAttribute* items = block->Items();
    for (int i = 0; i < block->Count; ++i)
        items[i].~TAttribute();
    GiveCell(block, BlockSize(block->Capacity));
}

THtmlTag::TAttributeBlock* THtmlTag::CopyBlock(const TAttributeBlock* source)
{
    if (!source)
        return nullptr;
    TAttributeBlock* copy = NewBlock(source->Count > 0 ? source->Count : 1);
    const TAttribute* from = source->Items();
    TAttribute* to = copy->Items();
    for (int i = 0; i < source->Count; ++i) {
        new (to + i) TAttribute(from[i]);
        ++copy->Count;
    }
    return copy;
}

void THtmlTag::AppendAttribute(QString value, int id, TAttributeForm form)
{
    if (!FAttributes) {
        FAttributes = NewBlock(2);
    } else if (FAttributes->Count == FAttributes->Capacity) {
        TAttributeBlock* grown = NewBlock(FAttributes->Capacity * 2);
        TAttribute* from = FAttributes->Items();
        TAttribute* to = grown->Items();
        for (int i = 0; i < FAttributes->Count; ++i) {
            new (to + i) TAttribute(std::move(from[i]));
            from[i].~TAttribute();
        }
        grown->Count = FAttributes->Count;
        FAttributes->Count = 0;
        FreeBlock(FAttributes);
        FAttributes = grown;
    }
    if (HoldsSurrogate(value))
        value = KeepInCodePage(value);
    new (FAttributes->Items() + FAttributes->Count) TAttribute{std::move(value), id, form};
    ++FAttributes->Count;
}

void THtmlTag::DeleteAttribute(int index)
{
    TAttribute* items = FAttributes->Items();
    const int last = FAttributes->Count - 1;
    for (int i = index; i < last; ++i)
        items[i] = std::move(items[i + 1]);
    items[last].~TAttribute();
    --FAttributes->Count;
}

int THtmlTag::FindAttribute(int id) const
{
    if (!FAttributes)
        return -1;
    const TAttribute* items = FAttributes->Items();
    const int count = FAttributes->Count;
    for (int i = 0; i < count; ++i)
        if (items[i].Id == id)
            return i;
    return -1;
}

const THtmlTag::TAttribute& THtmlTag::AttributeAt(int index) const
{
    if (index < 0 || index >= AttributeCount())
        RaiseListIndexError(index);
    return FAttributes->Items()[index];
}

// --- the attribute operations ----------------------------------------------------------------------------

void THtmlTag::StoreAttribute(int id, QString value, TAttributeForm form)
{
    if (form == afValueless && id < 0)
        form = afSet;
    const int index = FindAttribute(id);
    if (index < 0) {
        AppendAttribute(std::move(value), id, form);
    } else if (value.isEmpty() && form == afSet) {
        DeleteAttribute(index);
    } else {
        TAttribute& entry = FAttributes->Items()[index];
        entry.Value = KeepInCodePage(value);
        entry.Form = form;
    }
}

void THtmlTag::SetAttribute(int id, const QString& value)
{
    StoreAttribute(id, value, value == QLatin1String("TRUE") ? afValueless : afSet);
}

void THtmlTag::SetExplicitAttribute(int id, const QString& value)
{
    StoreAttribute(id, value, afWritten);
}

void THtmlTag::SetExplicitAttribute(int id, QString&& value)
{
    StoreAttribute(id, std::move(value), afWritten);
}

int THtmlTag::FindRawAttribute(const QString& name) const
{
    if (!FAttributes)
        return -1;
    const TAttribute* items = FAttributes->Items();
    for (int i = 0; i < FAttributes->Count; ++i) {
        if (items[i].Id != ATTR_RAW)
            continue;
        const QString& text = items[i].Value;
        if (StartsWithAsciiNoCase(text, name) && (text.size() == name.size() || text[name.size()] == u'='))
            return i;
    }
    return -1;
}

void THtmlTag::StoreRawAttribute(const QString& name, QString text)
{
    const int index = FindRawAttribute(name);
    if (index >= 0)
        FAttributes->Items()[index].Value = KeepInCodePage(text);
    else
        AppendAttribute(std::move(text), ATTR_RAW, afSet);
}

void THtmlTag::SetRawAttribute(const QString& name, const QString& value)
{
    StoreRawAttribute(name, name + u'=' + value);
}

void THtmlTag::SetRawValuelessAttribute(const QString& name)
{
    StoreRawAttribute(name, name);
}

bool THtmlTag::HasAttribute(int id) const
{
    return FindAttribute(id) >= 0;
}

void THtmlTag::RemoveAttribute(int id)
{
    const int index = FindAttribute(id);
    if (index >= 0)
        DeleteAttribute(index);
}

QString THtmlTag::GetAttribute(int id) const
{
    const int index = FindAttribute(id);
    return index >= 0 ? FAttributes->Items()[index].Value : QString();
}

int THtmlTag::AttributeCount() const
{
    return FAttributes ? FAttributes->Count : 0;
}

QString THtmlTag::GetAttributeValue(int index) const
{
    return AttributeAt(index).Value;
}

int THtmlTag::GetAttributeId(int index) const
{
    return AttributeAt(index).Id;
}

bool THtmlTag::IsAttributeValueless(int index) const
{
    return AttributeAt(index).Form == afValueless;
}

bool THtmlTag::IsAttributeWrittenEmpty(int index) const
{
    const TAttribute& entry = AttributeAt(index);
    return entry.Form == afWritten && entry.Value.isEmpty();
}

void THtmlTag::ClearAttributes()
{
    FreeBlock(std::exchange(FAttributes, nullptr));
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
        if (node->FirstChild() && node->NodeClass() == ncTag) {
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
        if (node->LastChild() && node->NodeClass() == ncTag) {
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
