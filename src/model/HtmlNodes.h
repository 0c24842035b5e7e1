#pragma once
// The document tree. Every node carries an identifier: a tag identifier (HtmlTags.h) or a pseudo identifier.
//
//   THtmlText     TAG_TEXT text, TAG_COMMENT (the whole "<!--" ... "-->"), TAG_PHP and TAG_ASP blocks, and
//                 TAG_UNKNOWN for the raw markup of an unrecognised tag. Text is HTML source text: character
//                 references stay undecoded and a bare "<" is held as "&lt;".
//   THtmlDocType  identifier 0, the DOCTYPE, with its kind and whether it names its system identifier.
//   THtmlTag      identifiers 1..94, elements with their attribute lists.
//   THtmlRoot     TAG_ROOT, the document itself; whoever holds it owns the whole tree.
//
// Attributes of an element are kept in the order first set; each entry is a value with an attribute
// identifier, or a raw entry (identifier ATTR_RAW) whose value holds the whole "name=value" text.
//
// Valueless attributes: a valueless attribute (the bare "checked") is stored with the value "TRUE" and a
// valueless mark. SetAttribute(id, "TRUE") sets that mark too, because code that builds elements stores
// "TRUE" to mean a bare attribute; SetExplicitAttribute stores a value as given and never sets the mark,
// which is how a source value="TRUE" stays distinguishable from a bare attribute. IsAttributeValueless
// tells the two apart; GetAttribute answers "TRUE" for both.
//
// Empty values: SetAttribute with "" follows the set-attribute rule (an entry it adds is never written, an
// entry it empties goes). A value written empty in the source (alt="", value="") is stored through
// SetExplicitAttribute and kept as written: the writer writes it back as name="", so it stays distinct both
// from an absent attribute and from a bare one. IsAttributeWrittenEmpty tells such an entry.
//
// Values are held as the string lists hold theirs: a lone UTF-16 surrogate comes back as U+FFFD, every
// other character unchanged. The entries and their characters live in one block owned by the element;
// every change makes the block anew (lists are short), and the reader hands an element its whole list at
// once (TAttributeBuilder).
//
// Texts and attribute values are held as characters of their own, not as shared strings: the accessors
// that answer a QString make a copy, the views (TextView, AttributeView, ValueViewAt) read in place and
// stay valid until that text or that element's attributes change. Nodes, attribute blocks and texts come
// from the tree memory (NodeMemory.h).
#include "TreeLists.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstddef>
#include <vector>

class THtmlTag;

class THtmlNode : public TLinkNode
{
public:
    explicit THtmlNode(int id);

    // Nodes of every class come from the tree memory rather than the general heap (see NodeMemory.h).
    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size);

    int TagId() const { return FTagId; }
    void SetTagId(int id) { FTagId = id; }
    // Copies the identifier (subclasses copy more).
    virtual void Assign(const THtmlNode* source);

    // The links, typed: every node of a document tree is a THtmlNode.
    THtmlNode* Parent() const { return static_cast<THtmlNode*>(TLinkNode::Parent()); }
    THtmlNode* PrevSibling() const { return static_cast<THtmlNode*>(TLinkNode::PrevSibling()); }
    THtmlNode* NextSibling() const { return static_cast<THtmlNode*>(TLinkNode::NextSibling()); }
    THtmlNode* FirstChild() const { return static_cast<THtmlNode*>(TLinkNode::FirstChild()); }
    THtmlNode* LastChild() const { return static_cast<THtmlNode*>(TLinkNode::LastChild()); }
    THtmlNode* GetNextNode(const TLinkNode* node) const
    {
        return static_cast<THtmlNode*>(TLinkNode::GetNextNode(node));
    }

    // The class a node was made as, known without a run-time type query (walks test it on every node).
    enum TNodeClass : unsigned char { ncNode, ncText, ncDocType, ncTag };
    TNodeClass NodeClass() const { return FClass; }

protected:
    THtmlNode(int id, TNodeClass nodeClass) : FTagId(id), FClass(nodeClass) {}

private:
    int FTagId;
    TNodeClass FClass = ncNode;
};

class THtmlText : public THtmlNode
{
public:
    explicit THtmlText(int id);
    THtmlText(int id, QStringView text);
    THtmlText(int id, const QString& text) : THtmlText(id, QStringView(text)) {}
    ~THtmlText() override;

    QString Text() const { return FSize ? QString(reinterpret_cast<const QChar*>(FData), FSize) : QString(); }
    QStringView TextView() const { return QStringView(FData, FSize); }
    // text may be a view of this node's own text (a part of it, to trim it).
    void SetText(QStringView text);
    void SetText(const QString& text) { SetText(QStringView(text)); }
    // Drops the blanks and control characters (below 33) at the start, or at the end, of the text.
    void TrimStart();
    void TrimEnd();
    // Copies the identifier, and the text when source is a THtmlText.
    void Assign(const THtmlNode* source) override;

private:
    char16_t* FData = nullptr;
    int FSize = 0;
    int FCapacity = 0;
};

enum TDocTypeKind : unsigned char {
    dkTransitional = 0, // also every unrecognised document type
    dkStrict = 1,
    dkFrameset = 2,
};

class THtmlDocType : public THtmlNode
{
public:
    THtmlDocType();

    TDocTypeKind Kind() const { return FKind; }
    void SetKind(TDocTypeKind kind) { FKind = kind; }
    // A declaration that is none of the three HTML 4.01 ones ("!DOCTYPE html", an XHTML one), as the source
    // wrote it between "<" and ">": it decides how browsers lay the page out, so it is written back as it
    // stands. Empty for the three, which are written in their standard form by their kind.
    const QString& Written() const { return FWritten; }
    void SetWritten(const QString& text) { FWritten = text; }
    // Whether one of the three is written with its system identifier (the address of its DTD). Browsers
    // show a page with a transitional or frameset declaration without it, as one without any declaration,
    // in their quirks mode, and with it in their almost-standards mode: a page keeps the form it had, and
    // the declaration the program gives a page that had none goes without it.
    bool HasSystemId() const { return FHasSystemId; }
    void SetHasSystemId(bool has) { FHasSystemId = has; }
    // Copies the identifier, and the kind, the system identifier's flag and the written text when source is
    // a THtmlDocType.
    void Assign(const THtmlNode* source) override;

private:
    TDocTypeKind FKind = dkTransitional;
    bool FHasSystemId = true;
    QString FWritten;
};

// How an attribute entry came to be: through the set-attribute rule, as a bare name, or as written in the
// source (see above).
enum TAttributeForm : unsigned char { afSet, afValueless, afWritten };

// An element's attribute list gathered apart, under the same rules as THtmlTag's setters, and handed to
// the element in one piece (THtmlTag::SetAttributes). Entries hold views: what they point to must stay
// unchanged until the list is handed over.
class TAttributeBuilder
{
public:
    TAttributeBuilder() = default;
    // Starts from the element's own list (views of its block).
    explicit TAttributeBuilder(const THtmlTag& tag);

    void Clear()
    {
        FEntries.clear();
        if (FIndexed)
            DropIndex();
    }
    bool IsEmpty() const { return FEntries.empty(); }
    int Count() const { return int(FEntries.size()); }

    // The set-attribute rule: replaces the value of the first entry with that identifier or appends one;
    // an existing entry set to "" with form afSet is removed. afValueless on a raw identifier means afSet.
    // noSurrogate: the caller has found no surrogate in value, which then need not be looked at again.
    void Store(int id, QStringView value, TAttributeForm form, bool noSurrogate = false)
    {
        // A tag's few attributes are searched one by one where the reader stands, and a new one is
        // appended at once: a short list has no index to keep (one is made once the list is long).
        if (id >= 0 && FEntries.size() < IndexFrom &&
            std::none_of(FEntries.begin(), FEntries.end(), [id](const TEntry& entry) { return entry.Id == id; })) {
            FEntries.push_back({value, QStringView(), id, form, false, noSurrogate});
            return;
        }
        StoreByRule(id, value, form, noSurrogate);
    }
    // The raw entry name=value (or the bare name when valueless) in place of the first raw entry of that
    // name, or appended.
    void StoreRaw(QStringView name, QStringView value, bool valueless);
    // The reading rule, as browsers read a tag: an attribute already in the list keeps its value, so a
    // name written twice ("<p class=a class=b>", a second body tag) adds only what the list lacks.
    void Add(int id, QStringView value, TAttributeForm form, bool noSurrogate = false)
    {
        if (FEntries.size() < IndexFrom) {
            if (std::none_of(FEntries.begin(), FEntries.end(), [id](const TEntry& entry) { return entry.Id == id; }))
                FEntries.push_back({value, QStringView(), id, form, false, noSurrogate});
        } else if (Find(id) < 0) {
            Append({value, QStringView(), id, form, false, noSurrogate});
        }
    }
    void AddRaw(QStringView name, QStringView value, bool valueless);
    void Remove(int id);

private:
    friend class THtmlTag;
    // A value is Head, or for a raw entry made from a name and a value, Head "=" Tail.
    struct TEntry
    {
        QStringView Head;
        QStringView Tail;
        int Id;
        TAttributeForm Form;
        bool Joined;
        bool Clean; // holds no lone surrogate
        qsizetype Size() const { return Head.size() + (Joined ? 1 + Tail.size() : 0); }
    };
    void StoreByRule(int id, QStringView value, TAttributeForm form, bool noSurrogate);
    int Find(int id);
    int FindRaw(QStringView name);
    void Append(const TEntry& entry);
    void Erase(int index);
    // The key of a raw entry's text in the index: its name up to the first "=", ASCII letters folded.
    static QString RawKey(const TEntry& entry);
    bool Indexed();
    void DropIndex();
    std::vector<TEntry> FEntries;
    // A tag may carry tens of thousands of attributes: past a few entries, the first entry of each
    // identifier and of each raw name is looked up in an index instead of searched for one by one.
    static constexpr std::size_t IndexFrom = 16;
    bool FIndexed = false;
    std::vector<int> FFirstOfId;          // by identifier + 1 (the raw one first); -1 for none
    QHash<QString, int> FFirstOfRaw; // by RawKey
};

class THtmlTag : public THtmlNode
{
public:
    explicit THtmlTag(int id);
    ~THtmlTag() override;

    // Deep copy: the identifier; and when source is a THtmlTag, its attributes and a copy of every child
    // (texts, document types, elements with their subtrees) in place of this element's own. Safe whatever
    // the depth, and when source lies inside this element or this element inside source.
    void Assign(const THtmlNode* source) override;
    // Copies the identifier and replaces the attribute list by a copy of source's; children untouched.
    void AssignAttributes(const THtmlTag* source);
    // Replaces the attribute list by the builder's entries, in one block.
    void SetAttributes(const TAttributeBuilder& list);

    // Replaces the value of the first entry with that identifier or appends one; an existing entry set to
    // "" is then removed (a missing one is added with the empty value). The value "TRUE" marks the
    // attribute valueless (see above).
    void SetAttribute(int id, QStringView value);
    void SetAttribute(int id, const QString& value) { SetAttribute(id, QStringView(value)); }
    // As SetAttribute, but the value is taken as written in the source: it never marks the attribute
    // valueless, not even "TRUE", and an empty value is kept (and written) instead of removing the entry.
    void SetExplicitAttribute(int id, QStringView value);
    void SetExplicitAttribute(int id, const QString& value) { SetExplicitAttribute(id, QStringView(value)); }
    // Stores a valueless attribute: value "TRUE" with the valueless mark.
    void SetValuelessAttribute(int id) { SetAttribute(id, u"TRUE"); }
    // Replaces the first raw entry of that name (its text starts with name + "=", or is the bare name; ASCII
    // letters in either case) by name + "=" + value, or appends that as a raw entry.
    void SetRawAttribute(QStringView name, QStringView value);
    void SetRawAttribute(const QString& name, const QString& value)
    {
        SetRawAttribute(QStringView(name), QStringView(value));
    }
    // The same for an attribute written without a value: the entry's text is the bare name.
    void SetRawValuelessAttribute(QStringView name);
    void SetRawValuelessAttribute(const QString& name) { SetRawValuelessAttribute(QStringView(name)); }
    bool HasAttribute(int id) const { return FindAttribute(id) >= 0; }
    void RemoveAttribute(int id);
    // The value of the first entry with that identifier; "" when there is none.
    QString GetAttribute(int id) const { return AttributeView(id).toString(); }
    // The same without a copy; valid until the attributes change.
    QStringView AttributeView(int id) const
    {
        const int index = FindAttribute(id);
        return index >= 0 ? FAttributes->Value(FAttributes->Items()[index]) : QStringView();
    }
    int AttributeCount() const { return FAttributes ? FAttributes->Count : 0; }
    // The entries by index 0 .. AttributeCount()-1 (a bad index raises the list's index error).
    QString GetAttributeValue(int index) const { return ValueViewAt(index).toString(); }
    // The same without a copy, for walks that only read (the writer); valid until the attributes change.
    QStringView ValueViewAt(int index) const
    {
        const TAttribute& entry = AttributeAt(index); // raises for a bad index, also when there are none
        return FAttributes->Value(entry);
    }
    int GetAttributeId(int index) const { return AttributeAt(index).Id; }
    bool IsAttributeValueless(int index) const { return AttributeAt(index).Form == afValueless; }
    // An entry whose empty value was written in the source (or copied from one): written as name="".
    bool IsAttributeWrittenEmpty(int index) const
    {
        const TAttribute& entry = AttributeAt(index);
        return entry.Form == afWritten && entry.Size == 0;
    }
    void ClearAttributes();

    // First child with that identifier; with recursive, the first in document order among all
    // descendants (searching below element children only).
    THtmlNode* FindChild(int id, bool recursive) const;
    THtmlNode* FindFirst(int id) const { return FindChild(id, true); }
    // Searches the children from last to first, each tested before its own subtree is searched the same way.
    THtmlNode* FindLast(int id) const;
    // The first text (TAG_TEXT) in document order loses its leading characters below 33, the last one its
    // trailing ones.
    void TrimText();

private:
    struct TAttribute
    {
        int Id;     // ATTR_RAW for a raw entry
        int Offset; // of the value among the block's characters
        int Size;
        TAttributeForm Form; // afValueless never on a raw entry
    };
    // The entries follow the header, and their characters follow the entries, in one piece of memory.
    struct TAttributeBlock
    {
        int Count;
        int Chars;
        TAttribute* Items() { return reinterpret_cast<TAttribute*>(this + 1); }
        const TAttribute* Items() const { return reinterpret_cast<const TAttribute*>(this + 1); }
        const char16_t* Text() const { return reinterpret_cast<const char16_t*>(Items() + Count); }
        char16_t* Text() { return reinterpret_cast<char16_t*>(Items() + Count); }
        QStringView Value(const TAttribute& entry) const { return QStringView(Text() + entry.Offset, entry.Size); }
        std::size_t Bytes() const { return sizeof(TAttributeBlock) + sizeof(TAttribute) * Count + 2 * std::size_t(Chars); }
    };
    friend class TAttributeBuilder;

    int FindAttribute(int id) const
    {
        if (FAttributes) {
            const TAttribute* items = FAttributes->Items();
            for (int i = 0, n = FAttributes->Count; i < n; ++i)
                if (items[i].Id == id)
                    return i;
        }
        return -1;
    }
    // The writer and the design filter read every attribute of every element: read in place.
    const TAttribute& AttributeAt(int index) const
    {
        if (index < 0 || index >= AttributeCount()) [[unlikely]]
            RaiseAttributeIndexError(index);
        return FAttributes->Items()[index];
    }
    [[noreturn]] static void RaiseAttributeIndexError(int index);
    void Store(int id, QStringView value, TAttributeForm form);

    TAttributeBlock* FAttributes = nullptr; // null while there are no attributes
};

class THtmlRoot : public THtmlTag
{
public:
    THtmlRoot();

    // The html element among the root's children, appended when missing.
    THtmlTag* GetHtml();
    // The head among the html element's children; when missing, a new one is placed before the body (or
    // appended when there is no body).
    THtmlTag* GetHead();
    // The body among the html element's children, appended when missing.
    THtmlTag* GetBody();
};
