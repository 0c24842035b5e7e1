#include "TagModels.h"

#include "HtmlEntities.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

namespace {

struct TBrowserDefault
{
    const char* Name;
    const char* Value;
};

constexpr TBrowserDefault BrowserDefaults[] = {
    {"tabindex", "32768"},
    {"maxlength", "2147483647"},
    {"hspace", "0"},
    {"vspace", "0"},
};

} // namespace

std::uint32_t ContrastColor(std::uint32_t Color)
{
    const double red = Color & 0xFF;
    const double green = (Color >> 8) & 0xFF;
    const double blue = (Color >> 16) & 0xFF;
    const double brightness = 0.3 * red + 0.59 * green + 0.11 * blue;
    return brightness <= 127.5 ? 0x00FFFFFFu : 0u;
}

QString GetElementAttribute(const TElementSnapshot& Element, const QString& Name)
{
    return Element.Attribute(Name);
}

QString GetElementAttributeNoDefaults(const TElementSnapshot& Element, const QString& Name)
{
    const QString value = GetElementAttribute(Element, Name);
    for (const TBrowserDefault& entry : BrowserDefaults)
        if (Name.compare(QLatin1String(entry.Name), Qt::CaseInsensitive) == 0 && value == QLatin1String(entry.Value))
            return {};
    return value;
}

void SetElementAttribute(TElementWrites& Element, const QString& Name, const QString& Value)
{
    Element.Set(Name, Value);
}

THtmlTag* AsTag(THtmlNode* Node)
{
    return Node && Node->NodeClass() == THtmlNode::ncTag ? static_cast<THtmlTag*>(Node) : nullptr;
}

THtmlTag* KeptElement(const TElementSnapshot& Element, const THtmlFilter& Filter, int TagId)
{
    THtmlTag* node = AsTag(Filter.FindNode(Element.Id));
    return node && node->TagId() == TagId ? node : nullptr;
}

void SetNodeAttribute(THtmlTag* Node, int Attr, const QString& Value)
{
    if (Value.isEmpty())
        Node->RemoveAttribute(Attr);
    else
        Node->SetExplicitAttribute(Attr, Value);
}

QString TrimField(const QString& Text)
{
    qsizetype first = 0, last = Text.size();
    while (first < last && Text.at(first).unicode() < 33)
        ++first;
    while (last > first && Text.at(last - 1).unicode() < 33)
        --last;
    return Text.mid(first, last - first);
}

void AppendAttribute(QString& Html, const QString& Name, const QString& Field)
{
    QString value = TrimField(Field);
    if (value.isEmpty())
        return;
    value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    Html += QLatin1Char(' ') + Name + QLatin1String("=\"") + value + QLatin1Char('"');
}

void AppendFlag(QString& Html, const char* Name, bool On)
{
    if (On)
        Html += QLatin1Char(' ') + QLatin1String(Name);
}

QString EscapeText(const QString& Text)
{
    QString out;
    out.reserve(Text.size());
    for (QChar c : Text) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else
            out += c;
    }
    return out;
}

QString DecodeText(const QString& Text)
{
    // The longest reference worth trying: "&thetasym;" and "&#x10FFFF;" are ten characters.
    constexpr qsizetype LongestReference = 10;
    QString out;
    out.reserve(Text.size());
    qsizetype i = 0;
    while (i < Text.size()) {
        const qsizetype end = Text.at(i) == QLatin1Char('&') ? Text.indexOf(QLatin1Char(';'), i) : -1;
        if (end > i && end - i < LongestReference) {
            if (const char32_t code = EntityToChar(QStringView(Text).mid(i, end - i + 1))) {
                out += QString::fromUcs4(&code, 1);
                i = end + 1;
                continue;
            }
        }
        out += Text.at(i++);
    }
    return out;
}

QStringList MemoLines(const QString& Text)
{
    QString text = Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (Text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

QString MemoText(const QString& Text)
{
    QString out;
    for (const QString& line : MemoLines(Text))
        out += line + QLatin1String("\r\n");
    return out;
}

void AppendUnmanagedAttributes(QString& Html, const TElementSnapshot& Element, const QStringList& Managed)
{
    for (const auto& [name, value] : Element.Attributes) {
        if (Managed.contains(name, Qt::CaseInsensitive))
            continue;
        QString escaped = value;
        escaped.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('"'), QLatin1String("&quot;"));
        Html += QLatin1Char(' ') + name + QLatin1String("=\"") + escaped + QLatin1Char('"');
    }
}

void TTagModel::Load()
{
    FNodeId = Element ? Element->Id : QString();
    FCopied = false;
    DoLoad();
}

THtmlNode* TTagModel::Node() const
{
    return Filter && !FNodeId.isEmpty() ? Filter->FindNode(FNodeId) : nullptr;
}

void TTagModel::ApplyTypedSize(TElementWrites& Writes, const QString& Width, const QString& Height, int DesignTag)
{
    SetElementAttribute(Writes, QStringLiteral("width"), Width);
    SetElementAttribute(Writes, QStringLiteral("height"), Height);
    Writes.Remove(QStringLiteral("style"));
    Filter->SetNodeSize(NodeId(), Width, Height, DesignTag);
}

void TTagModel::ApplyPictureBox(TElementWrites& Writes, THtmlTag* Node, const QString& Width, const QString& Height,
                                const QString& Align)
{
    ApplyTypedSize(Writes, Width, Height, TAG_IMG);
    SetElementAttribute(Writes, QStringLiteral("align"), Align);
    if (Node)
        SetNodeAttribute(Node, ATTR_ALIGN, TrimField(Align));
}

THtmlNode* TTagModel::EditNode(TElementWrites& Writes)
{
    if (!FCopied && Filter && Node()) {
        FNodeId = Filter->KeepCopy(FNodeId);
        FCopied = true;
        Writes.Set(QStringLiteral("id"), FNodeId);
    }
    return FCopied ? Node() : nullptr;
}
