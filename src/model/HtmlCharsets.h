#pragma once
// The fixed table of character sets offered to people by display name, and the two lookups between a
// display name and the character-set name written into HTML.
#include <QByteArray>
#include <QByteArrayView>
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

// The character-set labels that browsers accept, with a few more that old pages and tools write ("latin-1",
// "ansi", "utf8mb4"), each with the converter's name for the set it stands for; sorted by label. It is
// asked only about a declared name that the converter does not know as it stands, so a name that decodes
// today keeps decoding as it does. "x-user-defined" is no converter's: it is decoded by its own table.
struct TCharsetLabel
{
    std::string_view Label;
    std::string_view Converter;
};

extern const std::array<TCharsetLabel, 226> CharsetLabels;

// The converter's name for a declared label, matched as browsers match labels: blanks around it and the
// case of ASCII letters do not count, nor quotes around it or anything after a ";". "" when no label
// matches.
QByteArray ConverterOfLabel(QByteArrayView Label);
