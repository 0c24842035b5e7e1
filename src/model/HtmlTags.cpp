#include "HtmlTags.h"

#include "KeywordLookup.h"

#include <array>

namespace {

enum : unsigned char {
    tfHasEndTag = 1,
    tfHoldsText = 2,
    tfIsInline = 4,
    tfIsBlock = 8,
    tfBreaksFlow = 16,
};

struct TTagInfo
{
    std::string_view Name;
    unsigned char Flags;
};

// The tag table: output name and flags, indexed by tag identifier. A marquee keeps its running text as a
// text child and is written on a line of its own with that text in the flow, like a paragraph.
//
// tfBreaksFlow marks the elements a browser lays out as blocks of their own (or as the lines of a list,
// table or form control): white space right before or after their tags, or just inside them, is never
// shown, so that is where the writer may end lines. Everything else stands in the running text, where a
// line end would show as a blank ("Into<wbr>String", "&nbsp;<button>", "</del>,").
constexpr std::array<TTagInfo, TagCount> TagTable = {{
    {"!DOCTYPE", tfBreaksFlow}, // 0
    {"a", tfHasEndTag | tfHoldsText | tfIsInline}, // 1
    {"abbr", tfHasEndTag | tfHoldsText | tfIsInline}, // 2
    {"acronym", tfHasEndTag | tfHoldsText | tfIsInline}, // 3
    {"address", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 4
    {"applet", tfHasEndTag | tfHoldsText | tfIsBlock}, // 5
    {"area", tfBreaksFlow}, // 6
    {"b", tfHasEndTag | tfHoldsText | tfIsInline}, // 7
    {"base", 0}, // 8
    {"basefont", tfIsInline}, // 9
    {"bdo", tfHasEndTag | tfHoldsText | tfIsInline}, // 10
    {"bgsound", 0}, // 11
    {"big", tfHasEndTag | tfHoldsText | tfIsInline}, // 12
    {"blockquote", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 13
    {"body", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 14
    {"br", tfIsInline | tfBreaksFlow}, // 15
    {"button", tfHasEndTag | tfHoldsText}, // 16
    {"caption", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 17
    {"center", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 18
    {"cite", tfHasEndTag | tfHoldsText | tfIsInline}, // 19
    {"code", tfHasEndTag | tfHoldsText | tfIsInline}, // 20
    {"col", tfBreaksFlow}, // 21
    {"colgroup", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 22
    {"dd", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 23
    {"del", tfHasEndTag | tfHoldsText}, // 24
    {"dfn", tfHasEndTag | tfHoldsText | tfIsInline}, // 25
    {"dir", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 26
    {"div", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 27
    {"dl", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 28
    {"dt", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 29
    {"em", tfHasEndTag | tfHoldsText | tfIsInline}, // 30
    {"embed", 0}, // 31
    {"fieldset", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 32
    {"font", tfHasEndTag | tfHoldsText | tfIsInline}, // 33
    {"form", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 34
    {"frame", tfBreaksFlow}, // 35
    {"frameset", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 36
    {"h1", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 37
    {"h2", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 38
    {"h3", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 39
    {"h4", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 40
    {"h5", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 41
    {"h6", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 42
    {"head", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 43
    {"hr", tfIsInline | tfBreaksFlow}, // 44
    {"html", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 45
    {"i", tfHasEndTag | tfHoldsText | tfIsInline}, // 46
    {"iframe", tfHasEndTag | tfHoldsText | tfIsBlock}, // 47
    {"img", tfIsInline}, // 48
    {"input", tfIsInline}, // 49
    {"ins", tfHasEndTag | tfHoldsText}, // 50
    {"isindex", tfBreaksFlow}, // 51
    {"kbd", tfHasEndTag | tfHoldsText | tfIsInline}, // 52
    {"label", tfHasEndTag | tfHoldsText | tfIsInline}, // 53
    {"legend", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 54
    {"li", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 55
    {"link", 0}, // 56
    {"map", tfHasEndTag | tfIsBlock}, // 57
    {"marquee", tfHasEndTag | tfHoldsText}, // 58
    {"menu", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 59
    {"meta", 0}, // 60
    {"noframes", tfHasEndTag | tfHoldsText | tfIsBlock | tfBreaksFlow}, // 61
    {"noscript", tfHasEndTag | tfHoldsText | tfIsBlock}, // 62
    {"object", tfHasEndTag | tfHoldsText | tfIsBlock}, // 63
    {"ol", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 64
    {"optgroup", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 65
    {"option", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 66
    {"p", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 67
    {"param", tfBreaksFlow}, // 68
    {"pre", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 69
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
    {"table", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 82
    {"tbody", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 83
    {"td", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 84
    {"textarea", tfHasEndTag | tfHoldsText | tfIsInline}, // 85
    {"tfoot", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 86
    {"th", tfHasEndTag | tfHoldsText | tfBreaksFlow}, // 87
    {"thead", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 88
    {"title", tfHasEndTag | tfHoldsText}, // 89
    {"tr", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 90
    {"tt", tfHasEndTag | tfHoldsText | tfIsInline}, // 91
    {"u", tfHasEndTag | tfHoldsText | tfIsInline}, // 92
    {"ul", tfHasEndTag | tfIsBlock | tfBreaksFlow}, // 93
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
bool TagBreaksFlow(int id) { return HasFlag(id, tfBreaksFlow); }
