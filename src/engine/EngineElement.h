#pragma once
// An element of the design page as the design view and the tag tools see it: a token of the page-side
// runtime, with the tag name and id known when the token was handed out. Every other question is one
// call to the runtime; several changes to one element go out as one batch (Apply).
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class TEngineBridge;

class TEngineElement
{
public:
    TEngineElement() = default;
    // From a runtime description {token, tag, id}.
    TEngineElement(TEngineBridge* Bridge, const QVariantMap& Description);
    // The element of the loaded page with this id; invalid when there is none.
    static TEngineElement FromId(TEngineBridge* Bridge, const QString& Id);

    // False for no element, and for an element of a page that has been replaced since.
    bool IsValid() const;
    explicit operator bool() const { return IsValid(); }
    int Token() const { return FToken; }

    // As known when the token was handed out (upper-case tag name, as the engine reports it).
    const QString& TagName() const { return FTagName; }
    const QString& Id() const { return FId; }

    // One call each; an element that is gone answers empty values.
    QVariantMap Snapshot() const; // tag, id, attributes, outerHTML, innerHTML, offsetWidth, offsetHeight, parent
    QString GetAttribute(const QString& Name) const;
    QString OuterHtml() const;
    QString InnerHtml() const;
    TEngineElement ParentElement() const;
    // offsetWidth and offsetHeight; invalid for an element that is gone.
    QSize OffsetSize() const;

    // Changes, each one undo unit of the page. Apply sends a whole batch in one call.
    bool SetAttribute(const QString& Name, const QString& Value);
    bool RemoveAttribute(const QString& Name);
    bool SetStyle(const QString& Property, const QString& Value);
    bool SetInnerHtml(const QString& Html);
    bool SetOuterHtml(const QString& Html);
    bool InsertAdjacentHtml(const QString& Where, const QString& Html);
    bool Apply(const QVariantList& Changes);

    // Selects the element as a control (Contents false) or its contents (Contents true).
    bool Select(bool Contents = false);
    // Puts the caret right before the element.
    bool PlaceCaretBefore();
    // Puts the caret at the start of the element's contents.
    bool PlaceCaretAtStart();

    // Out of line: the comparison needs the bridge's whole class, which includers need not know.
    bool operator==(const TEngineElement& Other) const;

private:
    bool Run(const QString& What, const QVariantList& Arguments, QVariant* Result) const;

    QPointer<TEngineBridge> FBridge;
    qint64 FGeneration = 0;
    int FToken = 0;
    QString FTagName;
    QString FId;
};
