#include "EngineElement.h"

#include "EngineBridge.h"

TEngineElement::TEngineElement(TEngineBridge* Bridge, const QVariantMap& Description)
    : FBridge(Bridge), FGeneration(Bridge ? Bridge->Generation() : 0),
      FToken(Description.value(QStringLiteral("token")).toInt()),
      FTagName(Description.value(QStringLiteral("tag")).toString()),
      FId(Description.value(QStringLiteral("id")).toString())
{
}

TEngineElement TEngineElement::FromId(TEngineBridge* Bridge, const QString& Id)
{
    QVariant description;
    if (!Bridge || Bridge->Invoke(QStringLiteral("byId"), {Id}, &description) != TEngineBridge::TCallResult::Ok)
        return {};
    return TEngineElement(Bridge, description.toMap());
}

bool TEngineElement::operator==(const TEngineElement& Other) const
{
    return FBridge == Other.FBridge && FGeneration == Other.FGeneration && FToken == Other.FToken;
}

bool TEngineElement::IsValid() const
{
    return FToken > 0 && FBridge && FBridge->Generation() == FGeneration;
}

bool TEngineElement::Run(const QString& What, const QVariantList& Arguments, QVariant* Result) const
{
    if (!IsValid())
        return false;
    return FBridge->Invoke(QStringLiteral("element"), {FToken, What, QVariant(Arguments)}, Result) ==
           TEngineBridge::TCallResult::Ok;
}

QVariantMap TEngineElement::Snapshot() const
{
    QVariant result;
    return Run(QStringLiteral("snapshot"), {}, &result) ? result.toMap() : QVariantMap();
}

QString TEngineElement::GetAttribute(const QString& Name) const
{
    QVariant result;
    return Run(QStringLiteral("getAttribute"), {Name}, &result) ? result.toString() : QString();
}

QString TEngineElement::OuterHtml() const
{
    QVariant result;
    return Run(QStringLiteral("outerHTML"), {}, &result) ? result.toString() : QString();
}

QString TEngineElement::InnerHtml() const
{
    QVariant result;
    return Run(QStringLiteral("innerHTML"), {}, &result) ? result.toString() : QString();
}

TEngineElement TEngineElement::ParentElement() const
{
    // Asked for alone: a snapshot would write out the whole markup of the element, and of a table that
    // holds the page, the whole document.
    QVariant result;
    return Run(QStringLiteral("parent"), {}, &result) ? TEngineElement(FBridge, result.toMap()) : TEngineElement();
}

QSize TEngineElement::OffsetSize() const
{
    QVariant result;
    if (!Run(QStringLiteral("size"), {}, &result))
        return {};
    const QVariantMap size = result.toMap();
    return QSize(size.value(QStringLiteral("width")).toInt(), size.value(QStringLiteral("height")).toInt());
}

bool TEngineElement::Apply(const QVariantList& Changes)
{
    return Run(QStringLiteral("apply"), Changes, nullptr);
}

bool TEngineElement::SetAttribute(const QString& Name, const QString& Value)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("set"), Name, Value})});
}

bool TEngineElement::RemoveAttribute(const QString& Name)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("remove"), Name})});
}

bool TEngineElement::SetStyle(const QString& Property, const QString& Value)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("style"), Property, Value})});
}

bool TEngineElement::SetInnerHtml(const QString& Html)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("innerHTML"), Html})});
}

bool TEngineElement::SetOuterHtml(const QString& Html)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("outerHTML"), Html})});
}

bool TEngineElement::InsertAdjacentHtml(const QString& Where, const QString& Html)
{
    return Apply(QVariantList{QVariant(QVariantList{QStringLiteral("insertAdjacentHTML"), Where, Html})});
}

bool TEngineElement::Select(bool Contents)
{
    return Run(QStringLiteral("select"), {Contents ? QStringLiteral("contents") : QStringLiteral("node")}, nullptr);
}

bool TEngineElement::PlaceCaretBefore()
{
    return Run(QStringLiteral("select"), {QStringLiteral("before")}, nullptr);
}

bool TEngineElement::PlaceCaretAtStart()
{
    return Run(QStringLiteral("select"), {QStringLiteral("start")}, nullptr);
}
