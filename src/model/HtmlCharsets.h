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
// "ansi", "utf8mb4"), each with the name of the set browsers read a page in when its bytes declare that
// label, as browsers name it ("windows-1252", "Shift_JIS", "GBK", "UTF-8" ...); sorted by label. As browsers
// do with a declaration found in bytes read as ASCII, the UTF-16 labels read the page as UTF-8 (a page in
// UTF-16 could not have shown its declaration so) and "x-user-defined" reads it as Windows-1252;
// "iso-8859-1", "latin1" and "us-ascii" are Windows-1252 too. The labels that browsers read as no text at
// all ("iso-2022-kr", "hz-gb-2312" ...) are left out: a page declaring them keeps its text.
struct TCharsetLabel
{
    std::string_view Label;
    std::string_view Encoding;
};

extern const std::array<TCharsetLabel, 226> CharsetLabels;

// The set a declared label reads a page in, matched as browsers match labels: blanks around it and the
// case of ASCII letters do not count, nor quotes around it or anything after a ";". "" when no label
// matches.
QByteArray EncodingOfLabel(QByteArrayView Label);

// The converter's name for a set browsers name Encoding (as EncodingOfLabel answers it), for writing a page
// back in its set: where the converter's set of the same name differs from what browsers read, the one
// nearest to it ("Shift_JIS" is WINDOWS-31J, "EUC-KR" CP949, "GBK" GB18030, "Big5" BIG5-HKSCS); other names
// pass unchanged.
QByteArray ConverterOfEncoding(QByteArrayView Encoding);
