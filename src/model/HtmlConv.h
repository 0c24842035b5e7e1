#pragma once
// Reading a document file's bytes into UTF-16 and narrowing the writer's UTF-16 output back into one
// byte per character. The character set comes from a byte-order mark or from the last declaration
// before the body start tag (an XML declaration or a meta element); without one it is "ISO-8859-1".
#include <QByteArray>
#include <QString>

class QIODevice;

// What a decoding met that the user should hear of. Nothing of the file is dropped: a byte that does
// not decode in the declared set, or that the file ends before its character is whole, is read as its
// Windows-1252 character (the five bytes Windows-1252 leaves undefined as the characters of the same
// code), which is what such bytes on old pages almost always mean; a declared name that no converter
// knows has the whole file read as Windows-1252. The character 0 and a UTF-16 surrogate without its
// other half are read as U+FFFD, as browsers read them, so no saved page holds a NUL byte.
struct TDecodeReport
{
    QByteArray Charset;       // the name the file declares (or its byte-order mark's set)
    bool CharsetKnown = true; // false: nothing knows the name, and the file was read as Windows-1252
    qint64 UnfitBytes = 0;    // bytes read as Windows-1252 characters since they did not fit Charset
    qint64 Replaced = 0;      // characters 0 and halves of UTF-16 pairs read as U+FFFD
    QByteArray Encoding;        // the set the page was read in, by the name browsers give it ("UTF-8",
                                // "windows-1252", "Shift_JIS", "UTF-16LE", ...); "windows-1252" for an
                                // unknown name
    bool ByteOrderMark = false; // the file began with a byte-order mark
    bool Declared = false;      // a declaration (meta or XML) named the set
};

// The message that tells the user what Report says, once the page is open; "" when there is nothing to tell.
QString DecodeReportText(const TDecodeReport& Report);

// Scans the bytes from the stream's current position for the character-set declaration and answers
// its name. A byte-order mark at that position decides alone ("UTF-8", "UTF-16LE", "UTF-16BE") and
// the stream is left just behind it; otherwise the stream is left where the scan stopped.
QByteArray DetectCharset(QIODevice& Stream);

// Decodes the whole of Source (from its start, without its byte-order mark) into Dest as UTF-16LE
// without a mark, and rewinds Dest; what the user should hear of goes into Report when one is given
// (see TDecodeReport). A declared name is read as browsers read the label (see CharsetLabels); only a
// name they do not know is tried as the converter knows it. Raises Exception "incomplete character or
// shift sequence" only when a converter holds back more than 4096 bytes of one unfinished sequence, and
// "unknown error" for a converter failure other than invalid or incomplete input; Dest then holds what
// was decoded so far.
void ConvertToUnicode(QIODevice& Source, QIODevice& Dest, TDecodeReport* Report = nullptr);

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
