#include "HtmlAttributes.h"

#include "KeywordLookup.h"

#include <array>

namespace {

// The attribute table: output names indexed by attribute identifier.
constexpr std::array<std::string_view, AttrCount> AttrTable = {
    "abbr", // 0
    "accept", // 1
    "accept-charset", // 2
    "accesskey", // 3
    "action", // 4
    "align", // 5
    "alink", // 6
    "alt", // 7
    "archive", // 8
    "autostart", // 9
    "axis", // 10
    "background", // 11
    "behavior", // 12
    "bgcolor", // 13
    "border", // 14
    "bottommargin", // 15
    "cellpadding", // 16
    "cellspacing", // 17
    "char", // 18
    "charoff", // 19
    "charset", // 20
    "checked", // 21
    "cite", // 22
    "class", // 23
    "classid", // 24
    "clear", // 25
    "code", // 26
    "codebase", // 27
    "codetype", // 28
    "color", // 29
    "cols", // 30
    "colspan", // 31
    "compact", // 32
    "content", // 33
    "contentEditable", // 34
    "coords", // 35
    "data", // 36
    "datetime", // 37
    "declare", // 38
    "defer", // 39
    "dir", // 40
    "direction", // 41
    "disabled", // 42
    "enctype", // 43
    "face", // 44
    "for", // 45
    "frame", // 46
    "frameborder", // 47
    "headers", // 48
    "height", // 49
    "href", // 50
    "hreflang", // 51
    "hspace", // 52
    "http-equiv", // 53
    "id", // 54
    "ismap", // 55
    "label", // 56
    "lang", // 57
    "language", // 58
    "leftmargin", // 59
    "link", // 60
    "longdesc", // 61
    "loop", // 62
    "marginheight", // 63
    "marginwidth", // 64
    "maxlength", // 65
    "media", // 66
    "method", // 67
    "multiple", // 68
    "name", // 69
    "nohref", // 70
    "noresize", // 71
    "noshade", // 72
    "nowrap", // 73
    "object", // 74
    "onActivate", // 75
    "onAfterUpdate", // 76
    "onBeforeActivate", // 77
    "onBeforeCopy", // 78
    "onBeforeCut", // 79
    "onBeforeDeactivate", // 80
    "onBeforeEditFocus", // 81
    "onBeforePaste", // 82
    "onBeforeUpdate", // 83
    "onBlur", // 84
    "onCellChange", // 85
    "onChange", // 86
    "onClick", // 87
    "onContextMenu", // 88
    "onControlSelect", // 89
    "onCopy", // 90
    "onCut", // 91
    "onDataAvailable", // 92
    "onDataSetChanged", // 93
    "onDataSetComplete", // 94
    "onDblClick", // 95
    "onDeactivate", // 96
    "onDrag", // 97
    "onDragEnd", // 98
    "onDragEnter", // 99
    "onDragLeave", // 100
    "onDragOver", // 101
    "onDragStart", // 102
    "onDrop", // 103
    "onErrorUpdate", // 104
    "onFilterChange", // 105
    "onFocus", // 106
    "onFocusIn", // 107
    "onFocusOut", // 108
    "onHelp", // 109
    "onKeyDown", // 110
    "onKeyPress", // 111
    "onKeyUp", // 112
    "onLayoutComplete", // 113
    "onLoad", // 114
    "onLoseCapture", // 115
    "onMouseDown", // 116
    "onMouseEnter", // 117
    "onMouseLeave", // 118
    "onMouseMove", // 119
    "onMouseOut", // 120
    "onMouseOver", // 121
    "onMouseUp", // 122
    "onMouseWheel", // 123
    "onMove", // 124
    "onMoveEnd", // 125
    "onMoveStart", // 126
    "onPage", // 127
    "onPaste", // 128
    "onPropertyChange", // 129
    "onReadyStateChange", // 130
    "onReset", // 131
    "onResize", // 132
    "onResizeEnd", // 133
    "onResizeStart", // 134
    "onRowEnter", // 135
    "onRowExit", // 136
    "onRowsDelete", // 137
    "onRowsInserted", // 138
    "onScroll", // 139
    "onSelect", // 140
    "onSelectStart", // 141
    "onSubmit", // 142
    "onUnload", // 143
    "profile", // 144
    "prompt", // 145
    "readonly", // 146
    "rel", // 147
    "rev", // 148
    "rightmargin", // 149
    "rows", // 150
    "rowspan", // 151
    "rules", // 152
    "scheme", // 153
    "scope", // 154
    "scrollamount", // 155
    "scrolldelay", // 156
    "scrolling", // 157
    "selected", // 158
    "shape", // 159
    "size", // 160
    "span", // 161
    "src", // 162
    "standby", // 163
    "start", // 164
    "style", // 165
    "summary", // 166
    "tabindex", // 167
    "target", // 168
    "text", // 169
    "title", // 170
    "topmargin", // 171
    "type", // 172
    "usemap", // 173
    "valign", // 174
    "value", // 175
    "valuetype", // 176
    "version", // 177
    "vlink", // 178
    "vspace", // 179
    "width", // 180
    "wrap", // 181
    "xml:lang", // 182
    "xmlns", // 183
};

static_assert(AttrTable[ATTR_ONCLICK] == "onClick" && AttrTable[ATTR_XMLNS] == "xmlns");

const TKeywordTable& AttrKeywords()
{
    static const TKeywordTable table = [] {
        std::array<TKeyword, AttrCount> keywords{};
        for (int i = 0; i < AttrCount; ++i)
            keywords[i] = {AttrTable[i], i};
        return TKeywordTable(keywords, ATTR_RAW);
    }();
    return table;
}

[[maybe_unused]] const TKeywordTable& AttrKeywordsAtStart = AttrKeywords();

} // namespace

int AttrNameToId(std::string_view name) { return AttrKeywords().Find(name); }

int AttrNameToId(QStringView name) { return AttrKeywords().Find(name); }

QString AttrIdToName(int id)
{
    // The names as shared strings, made once, so the writer's every call costs no allocation.
    static const std::array<QString, AttrCount> names = [] {
        std::array<QString, AttrCount> out;
        for (int i = 0; i < AttrCount; ++i)
            out[i] = QString::fromLatin1(AttrTable[i].data(), static_cast<qsizetype>(AttrTable[i].size()));
        return out;
    }();
    if (id < 0 || id >= AttrCount)
        return QString();
    return names[id];
}
