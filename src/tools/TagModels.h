#pragma once
// The widget-free half of every tag dialog. A model holds the dialog's fields as plain values, reads them
// from the element being edited (a snapshot) and the source node the design filter keeps for it, builds
// the HTML of a new element from them, and lists the writes that OK makes to an existing element. The Qt
// form over it (TagEditors.h) only moves text between its controls and these fields.
//
// The routines below are the attribute access every dialog shares.
#include "ElementAccess.h"
#include "HtmlAttributes.h"
#include "HtmlNodes.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class THtmlFilter;

// White (0x00FFFFFF) or black (0) text for a background of Color (0x00BBGGRR): white up to a weighted
// brightness of 127.5. A system colour is weighed on its bytes as they stand.
std::uint32_t ContrastColor(std::uint32_t Color);

// An attribute of the element by property name; empty when absent.
QString GetElementAttribute(const TElementSnapshot& Element, const QString& Name);
// As GetElementAttribute, but empty for the values a browser reports when the attribute is not set:
// tabindex 32768, maxlength 2147483647, hspace 0, vspace 0.
QString GetElementAttributeNoDefaults(const TElementSnapshot& Element, const QString& Name);
// Writes the attribute; an empty value removes it instead, so no empty attribute is ever written.
void SetElementAttribute(TElementWrites& Element, const QString& Name, const QString& Value);

// The node as an element; null for no node and for text nodes (comments, raw blocks).
THtmlTag* AsTag(THtmlNode* Node);
// The source node kept for the element's design id when it is an element with that tag identifier; null
// otherwise. The placeholder tools tell their own images apart by it.
THtmlTag* KeptElement(const TElementSnapshot& Element, const THtmlFilter& Filter, int TagId);

// Sets an attribute of a source node to a typed value, taken as written (a typed "TRUE" stays a value, not
// a bare attribute); an empty value removes the attribute.
void SetNodeAttribute(THtmlTag* Node, int Attr, const QString& Value);

// A field's text as the dialogs write it: without leading and trailing characters below 33.
QString TrimField(const QString& Text);
// Appends ' name="value"' with the trimmed field, nothing when that is empty. A double quotation mark
// in the value is written as "&quot;", so a typed quote cannot end the value early.
void AppendAttribute(QString& Html, const QString& Name, const QString& Field);
// Appends ' name' (a bare flag such as " disabled") when On.
void AppendFlag(QString& Html, const char* Name, bool On);
// Text typed for an element's content as HTML source: "&" and "<" as references.
QString EscapeText(const QString& Text);
// HTML source text as the user reads it: every known character reference decoded, anything else as written.
QString DecodeText(const QString& Text);

// The lines of a memo's text, split at CR LF, CR or LF; a final line break starts no further line, so
// empty text has no lines.
QStringList MemoLines(const QString& Text);
// The memo's text as a multi-line element content is written: every line followed by CR LF.
QString MemoText(const QString& Text);
// For a dialog that rebuilds an element from its fields: appends every attribute of the element being
// replaced that the dialog does not manage (Managed: content attribute names in lower case), so ids,
// classes, styles and handlers survive the rebuild. The page holds the values decoded: "&" and '"' go
// back as references.
void AppendUnmanagedAttributes(QString& Html, const TElementSnapshot& Element, const QStringList& Managed);

// The fields an image and an image button share: the document's own source and size from the source node
// (the page shows a resolved source and a dragged size), the rest from the element.
template <class TFields>
void LoadPictureFields(const TElementSnapshot& Element, const THtmlTag* Node, TFields& Fields)
{
    if (Node) {
        Fields.Src = Node->GetAttribute(ATTR_SRC);
        Fields.Width = Node->GetAttribute(ATTR_WIDTH);
        Fields.Height = Node->GetAttribute(ATTR_HEIGHT);
    }
    Fields.Alt = GetElementAttribute(Element, QStringLiteral("alt"));
    Fields.Align = GetElementAttribute(Element, QStringLiteral("align"));
    Fields.Border = GetElementAttribute(Element, QStringLiteral("border"));
    Fields.HSpace = GetElementAttributeNoDefaults(Element, QStringLiteral("hspace"));
    Fields.VSpace = GetElementAttributeNoDefaults(Element, QStringLiteral("vspace"));
}

// What a dialog's OK check found: nothing (Refused false), or a message (shown as an error box when not
// empty) and the field whose control takes the focus while the dialog stays open.
struct TFieldError
{
    bool Refused = false;
    QString Message;
    const void* Field = nullptr;

    static TFieldError Refuse(const QString& Message, const void* Field) { return {true, Message, Field}; }
};

class TTagModel
{
public:
    virtual ~TTagModel() = default;

    // Set before every showing: the design view's filter, and the element edited (none for a new one).
    THtmlFilter* Filter = nullptr;
    std::optional<TElementSnapshot> Element;
    bool Editing() const { return Element.has_value(); }

    // Fills the fields from the element and its source node, or with the defaults of a new element.
    void Load();
    // The check of OK; the dialog closes only when nothing is refused.
    virtual TFieldError Check() const { return {}; }
    // The complete HTML of a new element (or of the element's replacement), built from the fields.
    virtual QString GetHtml() { return {}; }
    // The writes of OK to the edited element, in order; source-node changes are made on a copy (EditNode).
    virtual void Apply(TElementWrites& Writes) {}

protected:
    virtual void DoLoad() = 0;
    // The source node kept for the element's design id; null for a new element or when there is none.
    THtmlNode* Node() const;
    // The source node to change on OK: a copy of it kept under a new design id, which Writes gives the
    // element first. Undoing the writes then also brings back the node as it was. Called again, the same
    // copy. Null when the element has no source node.
    THtmlNode* EditNode(TElementWrites& Writes);
    // The design id the element carries once the writes so far are made.
    const QString& NodeId() const { return FNodeId; }
    // The typed size replaces a size dragged in the design view, which lives in the style: the element's
    // size attributes, its style removed, and the size on the source node kept for the element as the
    // design page shows it (DesignTag).
    void ApplyTypedSize(TElementWrites& Writes, const QString& Width, const QString& Height, int DesignTag);
    // The box of an element shown as a picture: the typed size, and the alignment on the element and on its
    // source node (Node, the one EditNode gave; may be null).
    void ApplyPictureBox(TElementWrites& Writes, THtmlTag* Node, const QString& Width, const QString& Height,
                         const QString& Align);

private:
    QString FNodeId;
    bool FCopied = false;
};
