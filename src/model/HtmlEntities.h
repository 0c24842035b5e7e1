#pragma once
// Character references: the HTML 4.01 named entities and the numeric forms.
// The parser keeps references undecoded; the writer turns characters from 128 up into references and the
// plain-text extraction turns references back into characters.
#include <QString>
#include <QStringView>

// The character a whole reference stands for ("&eacute;", "&#233;", "&#xE9;", the "&" and the closing
// character included); 0 when the text is no known reference or names no Unicode code point.
// Code points beyond U+FFFF are answered whole, not cut to 16 bits.
char32_t EntityToChar(QStringView text);

// "&" + name + ";" when the code has an HTML 4.01 name, otherwise "&#x" + at least four upper-case
// hexadecimal digits + ";" (exactly four for codes up to U+FFFF).
QString CharToEntity(char32_t code);

// Same text as CharToEntity, appended to Out without a temporary string.
void AppendCharEntity(QString& Out, char32_t code);
// Same text written to Out, which has room for MaxEntityLength units; answers the number written (the
// writer's hot path).
constexpr int MaxEntityLength = 12;
int WriteCharEntity(char32_t code, char16_t* Out);
