#include "ElementAccess.h"

#include "EngineElement.h"

#include <QVariantMap>

namespace {

struct TPropertyAttribute
{
    const char* Property;
    const char* Attribute;
};

// Property names whose content attribute is not simply the name in lower case.
constexpr TPropertyAttribute PropertyAttributes[] = {
    {"className", "class"},
    {"htmlFor", "for"},
    {"encoding", "enctype"},
    {"httpEquiv", "http-equiv"},
    {"acceptCharset", "accept-charset"},
};

} // namespace

QString ContentAttributeName(const QString& Property)
{
    for (const TPropertyAttribute& entry : PropertyAttributes)
        if (Property.compare(QLatin1String(entry.Property), Qt::CaseInsensitive) == 0)
            return QLatin1String(entry.Attribute);
    return Property.toLower();
}

QString TElementSnapshot::Attribute(const QString& Property) const
{
    const QString name = ContentAttributeName(Property);
    for (const auto& [attribute, value] : Attributes)
        if (attribute == name)
            return value;
    return {};
}

bool TElementSnapshot::HasAttribute(const QString& Property) const
{
    const QString name = ContentAttributeName(Property);
    for (const auto& entry : Attributes)
        if (entry.first == name)
            return true;
    return false;
}

void TElementSnapshot::SetAttribute(const QString& Property, const QString& Value)
{
    const QString name = ContentAttributeName(Property);
    for (auto& entry : Attributes)
        if (entry.first == name) {
            entry.second = Value;
            return;
        }
    Attributes.append({name, Value});
}

TElementSnapshot ReadElement(const TEngineElement& Element)
{
    TElementSnapshot snapshot;
    const QVariantMap data = Element.Snapshot();
    if (data.isEmpty())
        return snapshot;
    snapshot.Tag = data.value(QStringLiteral("tag")).toString().toUpper();
    snapshot.Id = data.value(QStringLiteral("id")).toString();
    snapshot.OuterHtml = data.value(QStringLiteral("outerHTML")).toString();
    snapshot.InnerHtml = data.value(QStringLiteral("innerHTML")).toString();
    const QVariantMap attributes = data.value(QStringLiteral("attributes")).toMap();
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        snapshot.Attributes.append({it.key().toLower(), it.value().toString()});
    return snapshot;
}

void TElementWrites::Set(const QString& Property, const QString& Value)
{
    if (Value.isEmpty()) {
        Remove(Property);
        return;
    }
    FChanges.append(QVariant(QVariantList{QStringLiteral("set"), ContentAttributeName(Property), Value}));
}

void TElementWrites::Remove(const QString& Property)
{
    FChanges.append(QVariant(QVariantList{QStringLiteral("remove"), ContentAttributeName(Property)}));
}

void TElementWrites::SetFlag(const QString& Property, bool On)
{
    if (On)
        FChanges.append(QVariant(QVariantList{QStringLiteral("set"), ContentAttributeName(Property), QString()}));
    else
        Remove(Property);
}
