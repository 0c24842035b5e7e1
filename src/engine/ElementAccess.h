#pragma once
// What the tag tools read from and write to an element of the design page: a snapshot taken in one call,
// an ordered batch of writes sent in one call (one undo unit of the page), and the one table that turns
// the element property names the tools use ("className", "htmlFor", "isMap") into the content
// attributes the engine knows ("class", "for", "ismap"). The engine takes setAttribute("className")
// as a bogus attribute of that name, so every name goes through the table.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>

class TEngineElement;

// The content attribute of a property name: the table's entry, else the name in lower case.
QString ContentAttributeName(const QString& Property);

// An element as it was when read: upper-case tag name, id and attributes (names in lower case, values
// as the engine holds them, character references decoded).
struct TElementSnapshot
{
    QString Tag;
    QString Id;
    QList<QPair<QString, QString>> Attributes;
    // The element's markup as the engine writes it: whole, and its content alone.
    QString OuterHtml;
    QString InnerHtml;

    // The attribute behind a property name; empty when absent.
    QString Attribute(const QString& Property) const;
    bool HasAttribute(const QString& Property) const;
    // A flag property (isMap, noWrap, disabled ...) is on when its attribute is present.
    bool Flag(const QString& Property) const { return HasAttribute(Property); }
    void SetAttribute(const QString& Property, const QString& Value);
};

// The snapshot of a live element; an element that is gone gives an empty snapshot (no tag).
TElementSnapshot ReadElement(const TEngineElement& Element);

// Writes to one element in the order they are to happen. Set with an empty value removes the attribute,
// so an emptied field never leaves an empty attribute behind.
class TElementWrites
{
public:
    void Set(const QString& Property, const QString& Value);
    void Remove(const QString& Property);
    // A flag property: the attribute present (without a value) or removed.
    void SetFlag(const QString& Property, bool On);

    bool IsEmpty() const { return FChanges.isEmpty(); }
    // The batch as the element token's Apply takes it: ["set", name, value] or ["remove", name].
    const QVariantList& Changes() const { return FChanges; }

private:
    QVariantList FChanges;
};
