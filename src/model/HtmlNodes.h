#pragma once
// The document tree. Every node carries an identifier: a tag identifier (HtmlTags.h) or a pseudo identifier.
//
//   THtmlText     TAG_TEXT text, TAG_COMMENT (the whole "<!--" ... "-->"), TAG_PHP and TAG_ASP blocks, and
//                 TAG_UNKNOWN for the raw markup of an unrecognised tag. Text is HTML source text: character
//                 references stay undecoded and a bare "<" is held as "&lt;".
//   THtmlDocType  identifier 0, the DOCTYPE, with its kind.
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
// other character unchanged. The entries live in one block owned by the element, made on the first set.
#include "TreeLists.h"

#include <QString>
#include <cstddef>

class THtmlTag;

class THtmlNode : public TLinkNode
{
public:
    explicit THtmlNode(int id);

    // Nodes of every class come from small per-thread pools rather than the general heap (see HtmlNodes.cpp).
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
    THtmlText(int id, QString text);

    const QString& Text() const { return FText; }
    void SetText(QString text) { FText = std::move(text); }
    // Copies the identifier, and the text when source is a THtmlText.
    void Assign(const THtmlNode* source) override;

private:
    QString FText;
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
    // Copies the identifier, and the kind when source is a THtmlDocType.
    void Assign(const THtmlNode* source) override;

private:
    TDocTypeKind FKind = dkTransitional;
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

    // Replaces the value of the first entry with that identifier or appends one; an existing entry set to
    // "" is then removed (a missing one is added with the empty value). The value "TRUE" marks the
    // attribute valueless (see above).
    void SetAttribute(int id, const QString& value);
    // As SetAttribute, but the value is taken as written in the source: it never marks the attribute
    // valueless, not even "TRUE", and an empty value is kept (and written) instead of removing the entry.
    void SetExplicitAttribute(int id, const QString& value);
    void SetExplicitAttribute(int id, QString&& value);
    // Stores a valueless attribute: value "TRUE" with the valueless mark.
    void SetValuelessAttribute(int id) { SetAttribute(id, QStringLiteral("TRUE")); }
    // Replaces the first raw entry of that name (its text starts with name + "=", or is the bare name; ASCII
    // letters in either case) by name + "=" + value, or appends that as a raw entry.
    void SetRawAttribute(const QString& name, const QString& value);
    // The same for an attribute written without a value: the entry's text is the bare name.
    void SetRawValuelessAttribute(const QString& name);
    bool HasAttribute(int id) const;
    void RemoveAttribute(int id);
    // The value of the first entry with that identifier; "" when there is none.
    QString GetAttribute(int id) const;
    int AttributeCount() const;
    // The entries by index 0 .. AttributeCount()-1 (a bad index raises the list's index error).
    QString GetAttributeValue(int index) const;
    // The same without a copy, for walks that only read (the writer); valid until the entry changes.
    const QString& AttributeValueRef(int index) const { return AttributeAt(index).Value; }
    int GetAttributeId(int index) const;
    bool IsAttributeValueless(int index) const;
    // An entry whose empty value was written in the source (or copied from one): written as name="".
    bool IsAttributeWrittenEmpty(int index) const;
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
    // How an entry came to be: through the set-attribute rule, as a bare name, or as written in the source.
    enum TAttributeForm : unsigned char { afSet, afValueless, afWritten };
    struct TAttribute
    {
        QString Value;
        int Id;              // ATTR_RAW for a raw entry
        TAttributeForm Form; // afValueless never on a raw entry
    };
    // The entries follow the header in the same allocation.
    struct TAttributeBlock
    {
        int Count;
        int Capacity;
        TAttribute* Items() { return reinterpret_cast<TAttribute*>(this + 1); }
        const TAttribute* Items() const { return reinterpret_cast<const TAttribute*>(this + 1); }
    };

    int FindAttribute(int id) const;
    int FindRawAttribute(const QString& name) const;
    void StoreRawAttribute(const QString& name, QString text);
    const TAttribute& AttributeAt(int index) const;
    void StoreAttribute(int id, QString value, TAttributeForm form);
    void AppendAttribute(QString value, int id, TAttributeForm form);
    void DeleteAttribute(int index);
    static std::size_t BlockSize(int capacity);
    static TAttributeBlock* NewBlock(int capacity);
    static void FreeBlock(TAttributeBlock* block);
    static TAttributeBlock* CopyBlock(const TAttributeBlock* source);

    TAttributeBlock* FAttributes = nullptr; // null until the first attribute is set
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
