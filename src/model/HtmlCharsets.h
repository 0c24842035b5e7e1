#pragma once
// The fixed table of character sets offered to people by display name, and the two lookups between a
// display name and the character-set name written into HTML.
#include <QString>
#include <array>
#include <string_view>

struct TCharsetRow
{
    std::string_view DisplayName;
    std::string_view Charset;
};

// 119 rows in display-name order. Two rows share a display name and two share a character-set name;
// both lookups answer the first equal row, so the order is part of the behaviour.
extern const std::array<TCharsetRow, 119> CharsetTable;

// The character-set name of the first row whose display name equals Name (ASCII letters without
// case); "" when there is none.
QString CharsetFromDisplayName(const QString& Name);
// The display name of the first row whose character-set name equals Charset; "" when there is none.
QString DisplayNameFromCharset(const QString& Charset);
