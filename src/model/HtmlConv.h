#pragma once
// Reading a document file's bytes into UTF-16 and narrowing the writer's UTF-16 output back into one
// byte per character. The character set comes from a byte-order mark or from the last declaration
// before the body start tag (an XML declaration or a meta element); without one it is "ISO-8859-1".
#include <QByteArray>

class QIODevice;

// Scans the bytes from the stream's current position for the character-set declaration and answers
// its name. A byte-order mark at that position decides alone ("UTF-8", "UTF-16LE", "UTF-16BE") and
// the stream is left just behind it; otherwise the stream is left where the scan stopped.
QByteArray DetectCharset(QIODevice& Stream);

// Decodes the whole of Source (from its start, without its byte-order mark) into Dest as UTF-16LE
// without a mark, and rewinds Dest. Invalid input is skipped. Raises Exception "internal error" when
// the character set cannot be decoded here, "incomplete character or shift sequence" when the file
// ends inside a multi-byte sequence, and "cannot convert" / "unknown error" for other converter
// failures; Dest then holds what was decoded so far.
void ConvertToUnicode(QIODevice& Source, QIODevice& Dest);

// Writes the low byte of every UTF-16LE unit from Source's current position to its end into Dest. Raises
// Exception "Stream write error" when Dest refuses any of it.
void NarrowWideStream(QIODevice& Source, QIODevice& Dest);

// The low byte of each of Units UTF-16LE units at Wide, into Narrow (Units bytes).
void NarrowUnits(const char* Wide, qsizetype Units, char* Narrow);

// The converter's name for a declared character-set name: names of the character-set table that the
// converter knows under another name are translated; other names pass unchanged.
QByteArray ConverterCharsetName(const QByteArray& Charset);

// The message for a converter failure reported with errno Error.
const char* ConversionErrorMessage(int Error);
