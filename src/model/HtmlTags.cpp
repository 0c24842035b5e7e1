#include "HtmlTags.h"

#include "KeywordLookup.h"

#include <array>

namespace {

enum : unsigned char {
    tfHasEndTag = 1,
    tfHoldsText = 2,
    tfIsInline = 4,
    tfIsBlock = 8,
};

struct TTagInfo
{
    std::string_view Name;
    unsigned char Flags;
};

// The tag table: output name and flags, indexed by tag identifier. A marquee keeps its running text as a
// text child and is written on a line of its own with that text in the flow, like a paragraph.
constexpr std::array<TTagInfo, TagCount> TagTable = {{
    {"!DOCTYPE", 0}, // 0
    {"a", tfHasEndTag | tfHoldsText | tfIsInline}, // 1
    {"abbr", tfHasEndTag | tfHoldsText | tfIsInline}, // 2
    {"acronym", tfHasEndTag | tfHoldsText | tfIsInline}, // 3
    {"address", tfHasEndTag | tfHoldsText}, // 4
    {"applet", tfHasEndTag | tfHoldsText | tfIsBlock}, // 5
    {"area", 0}, // 6
    {"b", tfHasEndTag | tfHoldsText | tfIsInline}, // 7
    {"base", 0}, // 8
    {"basefont", tfIsInline}, // 9
    {"bdo", tfHasEndTag | tfHoldsText | tfIsInline}, // 10
    {"bgsound", 0}, // 11
    {"big", tfHasEndTag | tfHoldsText | tfIsInline}, // 12
    {"blockquote", tfHasEndTag | tfHoldsText | tfIsBlock}, // 13
    {"body", tfHasEndTag | tfHoldsText | tfIsBlock}, // 14
    {"br", tfIsInline}, // 15
    {"button", tfHasEndTag | tfHoldsText}, // 16
    {"caption", tfHasEndTag | tfHoldsText}, // 17
    {"center", tfHasEndTag | tfHoldsText | tfIsBlock}, // 18
    {"cite", tfHasEndTag | tfHoldsText | tfIsInline}, // 19
    {"code", tfHasEndTag | tfHoldsText | tfIsInline}, // 20
    {"col", 0}, // 21
    {"colgroup", tfHasEndTag | tfIsBlock}, // 22
    {"dd", tfHasEndTag | tfHoldsText | tfIsBlock}, // 23
    {"del", tfHasEndTag | tfHoldsText}, // 24
    {"dfn", tfHasEndTag | tfHoldsText | tfIsInline}, // 25
    {"dir", tfHasEndTag | tfIsBlock}, // 26
    {"div", tfHasEndTag | tfHoldsText | tfIsBlock}, // 27
    {"dl", tfHasEndTag | tfIsBlock}, // 28
    {"dt", tfHasEndTag | tfHoldsText | tfIsBlock}, // 29
    {"em", tfHasEndTag | tfHoldsText | tfIsInline}, // 30
    {"embed", 0}, // 31
    {"fieldset", tfHasEndTag | tfHoldsText | tfIsBlock}, // 32
    {"font", tfHasEndTag | tfHoldsText | tfIsInline}, // 33
    {"form", tfHasEndTag | tfHoldsText | tfIsBlock}, // 34
    {"frame", 0}, // 35
    {"frameset", tfHasEndTag | tfIsBlock}, // 36
    {"h1", tfHasEndTag | tfHoldsText}, // 37
    {"h2", tfHasEndTag | tfHoldsText}, // 38
    {"h3", tfHasEndTag | tfHoldsText}, // 39
    {"h4", tfHasEndTag | tfHoldsText}, // 40
    {"h5", tfHasEndTag | tfHoldsText}, // 41
    {"h6", tfHasEndTag | tfHoldsText}, // 42
    {"head", tfHasEndTag | tfIsBlock}, // 43
    {"hr", tfIsInline}, // 44
    {"html", tfHasEndTag | tfIsBlock}, // 45
    {"i", tfHasEndTag | tfHoldsText | tfIsInline}, // 46
    {"iframe", tfHasEndTag | tfHoldsText | tfIsBlock}, // 47
    {"img", tfIsInline}, // 48
    {"input", tfIsInline}, // 49
    {"ins", tfHasEndTag | tfHoldsText}, // 50
    {"isindex", 0}, // 51
    {"kbd", tfHasEndTag | tfHoldsText | tfIsInline}, // 52
    {"label", tfHasEndTag | tfHoldsText | tfIsInline}, // 53
    {"legend", tfHasEndTag | tfHoldsText}, // 54
    {"li", tfHasEndTag | tfHoldsText}, // 55
    {"link", 0}, // 56
    {"map", tfHasEndTag | tfIsBlock}, // 57
    {"marquee", tfHasEndTag | tfHoldsText}, // 58
    {"menu", tfHasEndTag | tfIsBlock}, // 59
    {"meta", 0}, // 60
    {"noframes", tfHasEndTag | tfHoldsText | tfIsBlock}, // 61
    {"noscript", tfHasEndTag | tfHoldsText | tfIsBlock}, // 62
    {"object", tfHasEndTag | tfHoldsText | tfIsBlock}, // 63
    {"ol", tfHasEndTag | tfIsBlock}, // 64
    {"optgroup", tfHasEndTag | tfIsBlock}, // 65
    {"option", tfHasEndTag | tfHoldsText}, // 66
    {"p", tfHasEndTag | tfHoldsText}, // 67
    {"param", 0}, // 68
    {"pre", tfHasEndTag | tfHoldsText}, // 69
    {"q", tfHasEndTag | tfHoldsText | tfIsInline}, // 70
    {"s", tfHasEndTag | tfHoldsText | tfIsInline}, // 71
    {"samp", tfHasEndTag | tfHoldsText | tfIsInline}, // 72
    {"script", tfHasEndTag | tfIsBlock}, // 73
    {"select", tfHasEndTag | tfIsBlock}, // 74
    {"small", tfHasEndTag | tfHoldsText | tfIsInline}, // 75
    {"span", tfHasEndTag | tfHoldsText | tfIsInline}, // 76
    {"strike", tfHasEndTag | tfHoldsText | tfIsInline}, // 77
    {"strong", tfHasEndTag | tfHoldsText | tfIsInline}, // 78
    {"style", tfHasEndTag}, // 79
    {"sub", tfHasEndTag | tfHoldsText | tfIsInline}, // 80
    {"sup", tfHasEndTag | tfHoldsText | tfIsInline}, // 81
    {"table", tfHasEndTag | tfIsBlock}, // 82
    {"tbody", tfHasEndTag | tfIsBlock}, // 83
    {"td", tfHasEndTag | tfHoldsText}, // 84
    {"textarea", tfHasEndTag | tfHoldsText | tfIsInline}, // 85
    {"tfoot", tfHasEndTag | tfIsBlock}, // 86
    {"th", tfHasEndTag | tfHoldsText}, // 87
    {"thead", tfHasEndTag | tfIsBlock}, // 88
    {"title", tfHasEndTag | tfHoldsText}, // 89
    {"tr", tfHasEndTag | tfIsBlock}, // 90
    {"tt", tfHasEndTag | tfHoldsText | tfIsInline}, // 91
    {"u", tfHasEndTag | tfHoldsText | tfIsInline}, // 92
    {"ul", tfHasEndTag | tfIsBlock}, // 93
    {"var", tfHasEndTag | tfHoldsText | tfIsInline}, // 94
}};

static_assert(TagTable[TAG_TABLE].Name == "table" && TagTable[TAG_VAR].Name == "var");

const TKeywordTable& TagKeywords()
{
    static const TKeywordTable table = [] {
        std::array<TKeyword, TagCount> keywords{};
        for (int i = 0; i < TagCount; ++i)
            keywords[i] = {TagTable[i].Name, i};
        return TKeywordTable(keywords, TAG_UNKNOWN);
    }();
    return table;
}

// Build the table when the unit is loaded, before any lookup, so lookups only ever read it.
[[maybe_unused]] const TKeywordTable& TagKeywordsAtStart = TagKeywords();

bool HasFlag(int id, unsigned char flag)
{
    return id >= 0 && id < TagCount && (TagTable[id].Flags & flag) != 0;
}

} // namespace

int TagNameToId(std::string_view name)
{
    if (!name.empty() && name.front() == '/')
        return TagKeywords().Find(name.substr(1)) + TagEndOffset;
    return TagKeywords().Find(name);
}

int TagNameToId(QStringView name)
{
    if (!name.isEmpty() && name.front() == u'/')
        return TagKeywords().Find(name.mid(1)) + TagEndOffset;
    return TagKeywords().Find(name);
}

QString TagIdToName(int id)
{
    // The names as shared strings, made once, so the writer's every call costs no allocation.
    static const std::array<QString, TagCount> names = [] {
        std::array<QString, TagCount> out;
        for (int i = 0; i < TagCount; ++i)
            out[i] = QString::fromLatin1(TagTable[i].Name.data(), static_cast<qsizetype>(TagTable[i].Name.size()));
        return out;
    }();
    if (id >= 0 && id < TagCount)
        return names[id];
    switch (id) {
    case TAG_PLACEHOLDER: return QStringLiteral("<PLACEHOLDER>");
    case TAG_ROOT: return QStringLiteral("<ROOT>");
    case TAG_TEXT: return QStringLiteral("<TEXT>");
    case TAG_ASP: return QStringLiteral("<ASP>");
    case TAG_PHP: return QStringLiteral("<PHP>");
    case TAG_COMMENT: return QStringLiteral("<!-->");
    default: return QStringLiteral("<UNKNOWN>");
    }
}

bool TagHasEndTag(int id) { return HasFlag(id, tfHasEndTag); }
bool TagHoldsText(int id) { return HasFlag(id, tfHoldsText); }
bool TagIsInline(int id) { return HasFlag(id, tfIsInline); }
bool TagIsBlock(int id) { return HasFlag(id, tfIsBlock); }
