#pragma once
// Reading a document file's bytes into UTF-16 and narrowing the writer's UTF-16 output back into one
// byte per character. A page is read as browsers read it: in the set of its byte-order mark, else of its
// first declaration that names a set (an XML declaration or a meta element, wherever it stands outside
// comments and the text of scripts, styles and the like), else as UTF-8 when its bytes are UTF-8 beyond
// ASCII, else as Windows-1252.
#include <QByteArray>
#include <QString>
#include <iconv.h>

class QIODevice;

// What a decoding met that the user should hear of, and which set the page was read in. Nothing of the
// file is dropped: a byte that the set gives no character, or that the file ends before its character is
// whole, is read as its Windows-1252 character (the five bytes Windows-1252 leaves undefined as the
// characters of the same code), which is what such bytes on old pages almost always mean; a byte with
// which its lead byte makes no character is read with it so, unless it is ASCII, which is then read on its
// own, so the text after it reads in step. A declared name that nothing knows has the whole file read as
// Windows-1252. The character 0 and a UTF-16 surrogate without its other half are read as U+FFFD, as
// browsers read them, so no saved page holds a NUL byte.
struct TDecodeReport
{
    QByteArray Charset;         // the name the file declares, else the set its byte-order mark or its bytes chose
    QByteArray Encoding;        // the set the page was read in, as browsers name it ("UTF-8", "windows-1252",
                                // "Shift_JIS", "EUC-JP", "ISO-2022-JP", "EUC-KR", "Big5", "GBK", "gb18030",
                                // "KOI8-R", "windows-1250", "UTF-16LE", "UTF-16BE" ...); for a set that only
                                // the converter reads, the name the page declares; "windows-1252" for a
                                // name nothing knows, as it is read
    bool ByteOrderMark = false; // the file began with a byte-order mark
    bool Declared = false;      // a declaration (meta or XML) named the set; false when a byte-order mark,
                                // the UTF-8 bytes themselves or the default decided
    bool CharsetKnown = true;   // false: nothing knows the name, and the file was read as Windows-1252
    qint64 UnfitBytes = 0;      // bytes read as Windows-1252 characters since they did not fit the set
    qint64 Replaced = 0;        // characters 0 and halves of UTF-16 pairs read as U+FFFD
};

// The message that tells the user what Report says, once the page is open; "" when there is nothing to tell.
QString DecodeReportText(const TDecodeReport& Report);

// Scans the bytes from the stream's current position for the character-set declaration and answers
// its name: the first that names a set known here, else "utf-8" for an XML declaration without an
// encoding, else the first name nothing knows, else "ISO-8859-1" (which reads as Windows-1252). A
// byte-order mark at that position decides alone ("UTF-8", "UTF-16LE", "UTF-16BE") and the stream is
// left just behind it; otherwise the stream is left where the scan stopped: behind the declaration that
// decided, or at the end (or a zero byte, which ends the scan).
QByteArray DetectCharset(QIODevice& Stream);

// Decodes the whole of Source (from its start, without its byte-order mark) into Dest as UTF-16LE
// without a mark, and rewinds Dest; what the user should hear of goes into Report when one is given
// (see TDecodeReport). A declared name is read as browsers read the label (see CharsetLabels); only a
// name they do not know is tried as the converter knows it. Without a declaration or a mark, bytes that are
// UTF-8 beyond ASCII are read as UTF-8, others as Windows-1252. Raises Exception "incomplete character or
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

// What a converter to UTF-16LE makes of Byte read alone, from its first state (which it is left in).
enum class TByteAlone { Read, Invalid, Other }; // one unit, into Unit; a byte it finds invalid; anything else
TByteAlone ReadByteAlone(iconv_t Converter, unsigned char Byte, char16_t& Unit);

// The message for a converter failure reported with errno Error.
const char* ConversionErrorMessage(int Error);
