#include "TemplateMerge.h"

#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

namespace {

bool IsBlank(const QString& Text)
{
    for (const QChar c : Text)
        if (c.unicode() > 32)
            return false;
    return true;
}

// The one element among Node's children, with nothing but blank text beside it; null otherwise.
THtmlTag* OnlyElement(const THtmlNode* Node)
{
    THtmlTag* found = nullptr;
    for (THtmlNode* child = Node->FirstChild(); child; child = child->NextSibling()) {
        if (child->NodeClass() == THtmlNode::ncText && child->TagId() == TAG_TEXT &&
            IsBlank(static_cast<THtmlText*>(child)->Text()))
            continue;
        if (child->NodeClass() != THtmlNode::ncTag || found)
            return nullptr;
        found = static_cast<THtmlTag*>(child);
    }
    return found;
}

bool IsCell(const THtmlNode* Node)
{
    return Node && (Node->TagId() == TAG_TD || Node->TagId() == TAG_TH);
}

bool IsTablePart(const THtmlNode* Node)
{
    switch (Node ? Node->TagId() : -1) {
    case TAG_TABLE: case TAG_TBODY: case TAG_THEAD: case TAG_TFOOT: case TAG_TR:
        return true;
    default:
        return false;
    }
}

QString Trimmed(const QString& Text)
{
    qsizetype a = 0, b = Text.size();
    while (a < b && Text[a].unicode() < 33)
        ++a;
    while (b > a && Text[b - 1].unicode() < 33)
        --b;
    return Text.mid(a, b - a);
}

} // namespace

QString TemplateContent(const QString& SourceHtml)
{
    const std::unique_ptr<THtmlRoot> root = ParseHtml(QStringView(SourceHtml));
    THtmlTag* node = FindNodeByPath(root.get(), QStringLiteral("html.body"));
    if (!node)
        return {};
    // Down through single elements: a cell is peeled; a table, section or row only when a single cell
    // is all it holds.
    for (;;) {
        THtmlTag* child = OnlyElement(node);
        if (IsCell(child)) {
            node = child;
            continue;
        }
        if (IsTablePart(child)) {
            THtmlTag* inner = child;
            while (IsTablePart(inner))
                inner = OnlyElement(inner);
            if (IsCell(inner)) {
                node = inner;
                continue;
            }
        }
        break;
    }
    return Trimmed(StripOuterTag(HtmlNodeToText(node)));
}

qint64 MergedTemplatePageLength(const QString& Page, const QString& Content)
{
    const qint64 places = Page.count(QLatin1String("{CONTENT}"));
    return Page.size() + places * (Content.size() - qint64(sizeof "{CONTENT}" - 1));
}

QString MergeTemplatePage(const QString& Page, const QString& Content)
{
    QString merged = Page;
    merged.replace(QLatin1String("{CONTENT}"), Content);
    return merged;
}
