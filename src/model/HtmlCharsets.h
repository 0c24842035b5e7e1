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
// "ansi", "utf8mb4"), each with the converter's name for the set browsers read a page in when its bytes
// declare that label; sorted by label. A declared name is looked up here first, and only a name missing
// here is taken as the converter's own. As browsers do with a declaration found in bytes read as ASCII,
// the UTF-16 labels read the page as UTF-8 (a page in UTF-16 could not have shown its declaration so)
// and "x-user-defined" reads it as Windows-1252; "iso-8859-1", "latin1" and "us-ascii" are
// Windows-1252 too, and the GBK labels are read by the GB18030 converter, whose two-byte part is GBK.
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

// Single bytes that browsers read otherwise than the converter's set of the same name does. Besides these,
// the Windows sets (Windows-874 and Windows-1250 to 1258) read every byte from 0x80 to 0x9F to which they
// assign no character as the control character of the same code.
struct TByteReading
{
    std::string_view Converter;
    unsigned char Byte;
    char16_t Char;
};

extern const std::array<TByteReading, 5> ByteReadings;

// The character that browsers read Byte alone as in the set the converter calls Converter, when the
// converter finds the byte invalid (Invalid) or reads it as another character; 0 when the converter's
// reading stands.
char16_t BrowserByteReading(QByteArrayView Converter, unsigned char Byte, bool Invalid);
