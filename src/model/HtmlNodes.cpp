#include "HtmlNodes.h"

#include "HtmlAttributes.h"
#include "HtmlTags.h"
#include "WStrList.h"

#include "NodeMemory.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

char16_t FoldAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

// Replaces each lone surrogate of n units at p by U+FFFD, as the string lists do; a pair stays.
void ReplaceLoneSurrogates(char16_t* p, qsizetype n)
{
    if (!HoldsSurrogate(QStringView(p, n)))
        return;
    for (qsizetype i = 0; i < n; ++i) {
        if (QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(p[i]))
            p[i] = QChar::ReplacementCharacter;
    }
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
        return new THtmlText(source->TagId(), static_cast<const THtmlText*>(source)->TextView());
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
    return TakeTreeMemory(size);
}

void THtmlNode::operator delete(void* node, std::size_t)
{
    GiveTreeMemory(node);
}

void THtmlNode::Assign(const THtmlNode* source)
{
    FTagId = source->TagId();
}

THtmlText::THtmlText(int id) : THtmlNode(id, ncText) {}

THtmlText::THtmlText(int id, QStringView text) : THtmlNode(id, ncText)
{
    SetText(text);
}

THtmlText::~THtmlText()
{
    GiveTreeMemory(FData);
}

void THtmlText::SetText(QStringView text)
{
    const qsizetype n = text.size();
    if (n <= FCapacity) {
        // Also a part of this node's own text: the characters move down in place.
        if (n)
            std::memmove(FData, text.utf16(), std::size_t(n) * 2);
        FSize = int(n);
        return;
    }
    auto* data = static_cast<char16_t*>(TakeTreeMemory(std::size_t(n) * 2));
    std::memcpy(data, text.utf16(), std::size_t(n) * 2);
    GiveTreeMemory(FData);
    FData = data;
    FSize = FCapacity = int(n);
}

void THtmlText::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (source->NodeClass() == ncText && source != this)
        SetText(static_cast<const THtmlText*>(source)->TextView());
}

THtmlDocType::THtmlDocType() : THtmlNode(TAG_DOCTYPE, ncDocType) {}

void THtmlDocType::Assign(const THtmlNode* source)
{
    THtmlNode::Assign(source);
    if (source->NodeClass() == ncDocType) {
        const auto* doctype = static_cast<const THtmlDocType*>(source);
        FKind = doctype->Kind();
        FHasSystemId = doctype->HasSystemId();
        FWritten = doctype->Written();
    }
}

// ---------------------------------------------------------------------------------------------------------

THtmlTag::THtmlTag(int id) : THtmlNode(id, ncTag) {}

THtmlTag::~THtmlTag()
{
    Clear();
    GiveTreeMemory(FAttributes);
}

void THtmlTag::Assign(const THtmlNode* source)
{
    auto* sourceTag = source->NodeClass() == ncTag ? static_cast<const THtmlTag*>(source) : nullptr;
    if (!sourceTag || sourceTag == this) {
        THtmlNode::Assign(source);
        return;
    }

    // The copy is built apart first, before this element changes at all: source may lie inside this
    // element, or this element inside source. The walk is iterative, so the depth of the tree does not matter.
    THtmlTag copy(sourceTag->TagId());
    copy.AssignAttributes(sourceTag);
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
    GiveTreeMemory(FAttributes);
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
    TAttributeBlock* copy = nullptr;
    if (const TAttributeBlock* from = source->FAttributes) {
        // The offsets are relative to the block: a copy of its bytes is a block of its own.
        copy = static_cast<TAttributeBlock*>(TakeTreeMemory(from->Bytes()));
        std::memcpy(static_cast<void*>(copy), from, from->Bytes());
    }
    GiveTreeMemory(std::exchange(FAttributes, copy));
}

// --- the attribute list ----------------------------------------------------------------------------------

TAttributeBuilder::TAttributeBuilder(const THtmlTag& tag)
{
    if (const THtmlTag::TAttributeBlock* block = tag.FAttributes) {
        FEntries.reserve(std::size_t(block->Count) + 1);
        const THtmlTag::TAttribute* items = block->Items();
        for (int i = 0; i < block->Count; ++i)
            FEntries.push_back({block->Value(items[i]), QStringView(), items[i].Id, items[i].Form, false, true});
    }
}

bool TAttributeBuilder::Indexed()
{
    if (FIndexed)
        return true;
    if (FEntries.size() < IndexFrom)
        return false;
    FFirstOfId.assign(std::size_t(AttrCount) + 1, -1);
    FFirstOfRaw.clear();
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
        const TEntry& entry = FEntries[i];
        if (entry.Id >= ATTR_RAW && entry.Id < AttrCount && FFirstOfId[std::size_t(entry.Id + 1)] < 0)
            FFirstOfId[std::size_t(entry.Id + 1)] = int(i);
        if (entry.Id == ATTR_RAW) {
            const QString key = RawKey(entry);
            if (!FFirstOfRaw.contains(key))
                FFirstOfRaw.insert(key, int(i));
        }
    }
    FIndexed = true;
    return true;
}

void TAttributeBuilder::DropIndex()
{
    if (!FIndexed)
        return;
    FIndexed = false;
    FFirstOfId.clear();
    FFirstOfRaw.clear();
}

QString TAttributeBuilder::RawKey(const TEntry& entry)
{
    // The text is Head, or Head "=" Tail: the name ends at the first "=" of Head, or with Head.
    const qsizetype eq = entry.Head.indexOf(u'=');
    const QStringView name = eq < 0 ? entry.Head : entry.Head.left(eq);
    QString key(name.size(), Qt::Uninitialized);
    for (qsizetype k = 0; k < name.size(); ++k)
        key[k] = QChar(FoldAsciiLetter(name[k].unicode()));
    return key;
}

int TAttributeBuilder::Find(int id)
{
    if (FEntries.size() >= IndexFrom && id >= ATTR_RAW && id < AttrCount && Indexed())
        return FFirstOfId[std::size_t(id + 1)];
    for (std::size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Id == id)
            return int(i);
    return -1;
}

// The first raw entry whose text is name, or starts with name and "=", ASCII letters in either case.
int TAttributeBuilder::FindRaw(QStringView name)
{
    const qsizetype n = name.size();
    // A name holding "=" could match an entry past that sign's first place: searched one by one.
    if (FEntries.size() >= IndexFrom && !name.contains(u'=') && Indexed()) {
        QString key(n, Qt::Uninitialized);
        for (qsizetype k = 0; k < n; ++k)
            key[k] = QChar(FoldAsciiLetter(name[k].unicode()));
        return FFirstOfRaw.value(key, -1);
    }
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
        const TEntry& entry = FEntries[i];
        if (entry.Id != ATTR_RAW || entry.Size() < n)
            continue;
        // The entry's text is Head, or Head "=" Tail.
        auto at = [&entry](qsizetype k) -> char16_t {
            if (k < entry.Head.size())
                return entry.Head[k].unicode();
            return k == entry.Head.size() ? u'=' : entry.Tail[k - entry.Head.size() - 1].unicode();
        };
        qsizetype k = 0;
        while (k < n && FoldAsciiLetter(at(k)) == FoldAsciiLetter(name[k].unicode()))
            ++k;
        if (k == n && (entry.Size() == n || at(n) == u'='))
            return int(i);
    }
    return -1;
}

void TAttributeBuilder::Append(const TEntry& entry)
{
    FEntries.push_back(entry);
    if (!FIndexed)
        return;
    const int index = int(FEntries.size()) - 1;
    if (entry.Id >= ATTR_RAW && entry.Id < AttrCount && FFirstOfId[std::size_t(entry.Id + 1)] < 0)
        FFirstOfId[std::size_t(entry.Id + 1)] = index;
    if (entry.Id == ATTR_RAW) {
        const QString key = RawKey(entry);
        if (!FFirstOfRaw.contains(key))
            FFirstOfRaw.insert(key, index);
    }
}

void TAttributeBuilder::Erase(int index)
{
    // The entries after it move: the index is made again when next needed.
    FEntries.erase(FEntries.begin() + index);
    DropIndex();
}

void TAttributeBuilder::StoreByRule(int id, QStringView value, TAttributeForm form, bool noSurrogate)
{
    if (form == afValueless && id < 0)
        form = afSet;
    const int index = Find(id);
    if (index < 0) {
        Append({value, QStringView(), id, form, false, noSurrogate});
    } else if (value.isEmpty() && form == afSet) {
        Erase(index);
    } else {
        TEntry& entry = FEntries[std::size_t(index)];
        entry.Head = value;
        entry.Joined = false;
        entry.Form = form;
        entry.Clean = noSurrogate;
        // A raw entry given a new text may carry another name now.
        if (id == ATTR_RAW)
            DropIndex();
    }
}

void TAttributeBuilder::StoreRaw(QStringView name, QStringView value, bool valueless)
{
    const TEntry made{name, value, ATTR_RAW, afSet, !valueless, false};
    const int index = FindRaw(name);
    if (index < 0) {
        Append(made);
        return;
    }
    // The entry found starts with name, and so does made: its key stays the same.
    FEntries[std::size_t(index)] = made;
}

void TAttributeBuilder::AddRaw(QStringView name, QStringView value, bool valueless)
{
    if (FindRaw(name) < 0)
        Append({name, value, ATTR_RAW, afSet, !valueless, false});
}

void TAttributeBuilder::Remove(int id)
{
    if (const int index = Find(id); index >= 0)
        Erase(index);
}

void THtmlTag::SetAttributes(const TAttributeBuilder& list)
{
    TAttributeBlock* block = nullptr;
    if (!list.IsEmpty()) {
        const int count = list.Count();
        qsizetype chars = 0;
        for (const TAttributeBuilder::TEntry& entry : list.FEntries)
            chars += entry.Size();
        const std::size_t bytes = sizeof(TAttributeBlock) + sizeof(TAttribute) * std::size_t(count) + 2 * std::size_t(chars);
        block = new (TakeTreeMemory(bytes)) TAttributeBlock{count, int(chars)};
        TAttribute* items = block->Items();
        char16_t* text = block->Text();
        int offset = 0;
        for (int i = 0; i < count; ++i) {
            const TAttributeBuilder::TEntry& entry = list.FEntries[std::size_t(i)];
            char16_t* value = text + offset;
            char16_t* o = std::copy(entry.Head.utf16(), entry.Head.utf16() + entry.Head.size(), value);
            if (entry.Joined) {
                *o++ = u'=';
                o = std::copy(entry.Tail.utf16(), entry.Tail.utf16() + entry.Tail.size(), o);
            }
            const int size = int(o - value);
            if (!entry.Clean)
                ReplaceLoneSurrogates(value, size);
            new (items + i) TAttribute{entry.Id, offset, size, entry.Form};
            offset += size;
        }
    }
    // The old block goes only now: the entries may have been views of it.
    GiveTreeMemory(std::exchange(FAttributes, block));
}

void THtmlTag::RaiseAttributeIndexError(int index)
{
    RaiseListIndexError(index);
}

// --- the attribute operations ----------------------------------------------------------------------------

void THtmlTag::Store(int id, QStringView value, TAttributeForm form)
{
    TAttributeBuilder list(*this);
    list.Store(id, value, form);
    SetAttributes(list);
}

void THtmlTag::SetAttribute(int id, QStringView value)
{
    Store(id, value, value == u"TRUE" ? afValueless : afSet);
}

void THtmlTag::SetExplicitAttribute(int id, QStringView value)
{
    Store(id, value, afWritten);
}

void THtmlTag::SetRawAttribute(QStringView name, QStringView value)
{
    TAttributeBuilder list(*this);
    list.StoreRaw(name, value, false);
    SetAttributes(list);
}

void THtmlTag::SetRawValuelessAttribute(QStringView name)
{
    TAttributeBuilder list(*this);
    list.StoreRaw(name, QStringView(), true);
    SetAttributes(list);
}

void THtmlTag::RemoveAttribute(int id)
{
    if (FindAttribute(id) < 0)
        return;
    TAttributeBuilder list(*this);
    list.Remove(id);
    SetAttributes(list);
}

void THtmlTag::ClearAttributes()
{
    GiveTreeMemory(std::exchange(FAttributes, nullptr));
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
    if (auto* first = dynamic_cast<THtmlText*>(FindFirst(TAG_TEXT)))
        first->TrimStart();
    if (auto* last = dynamic_cast<THtmlText*>(FindLast(TAG_TEXT)))
        last->TrimEnd();
}

void THtmlText::TrimStart()
{
    const QStringView text = TextView();
    qsizetype start = 0;
    while (start < text.size() && text[start].unicode() < 33)
        ++start;
    if (start > 0)
        SetText(text.mid(start));
}

void THtmlText::TrimEnd()
{
    const QStringView text = TextView();
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() < 33)
        --end;
    if (end < text.size())
        SetText(text.left(end));
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
