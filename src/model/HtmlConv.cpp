#include "HtmlConv.h"

#include "AsciiCase.h"
#include "Exceptions.h"
#include "HtmlCharsets.h"
#include "HtmlConvDecoders.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <iconv.h>
#include <memory>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr QByteArrayView DefaultCharset = "ISO-8859-1";

// Scanning and decoding read the file in blocks; the carry area only ever holds the tail of a
// multi-byte sequence cut by a block boundary, and anything longer than this cannot be one.
constexpr qsizetype ScanBlock = 64 * 1024;
constexpr qsizetype DecodeBlock = 64 * 1024;
constexpr size_t CarryLimit = 4096;

// A block buffer left unfilled: every byte is written before it is read, and filling some hundred
// kilobytes for each page would cost more than decoding a small one.
template <typename T = char>
std::unique_ptr<T[]> Block(size_t Size)
{
    return std::make_unique_for_overwrite<T[]>(Size);
}

// The decoded text on its way into the destination. Bytes that the set the page is read in cannot read
// are put in as their Windows-1252 characters and counted, so the user can be told. What no page may
// hold, the character 0 and a UTF-16 surrogate without its other half, is put in as U+FFFD and counted
// apart: a NUL would go into the saved file as a NUL byte, and browsers show neither.
class TWideOutput
{
public:
    explicit TWideOutput(QIODevice& Dest) : FDest(Dest) {}

    void Write(const char* Units, qint64 Bytes)
    {
        if (Bytes > 0 && FDest.write(Units, Bytes) != Bytes)
            throw Exception(QStringLiteral("Stream write error"));
    }

    void Write(const char16_t* Units, size_t Count) { Write(reinterpret_cast<const char*>(Units), qint64(2 * Count)); }

    // Writes units that may hold the character 0, which becomes U+FFFD.
    void WriteReplacingNul(char* Units, qint64 Bytes)
    {
        qint64 i = 0;
#if defined(__SSE2__)
        // A page holds the character 0 rarely if ever: thirty-two units without it are passed over at once.
        const __m128i zero = _mm_setzero_si128();
        const auto nuls = [&](qint64 at) {
            return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Units + at)), zero);
        };
        for (; i + 64 <= Bytes; i += 64) {
            const __m128i found =
                _mm_or_si128(_mm_or_si128(nuls(i), nuls(i + 16)), _mm_or_si128(nuls(i + 32), nuls(i + 48)));
            if (_mm_movemask_epi8(found) != 0)
                ReplaceNuls(Units + i, 64);
        }
#endif
        ReplaceNuls(Units + i, Bytes - i);
        Write(Units, Bytes);
    }

    void WriteReplacement(qint64 Count)
    {
        for (qint64 i = 0; i < Count; ++i)
            Write("\xFD\xFF", 2);
        Replaced += Count;
    }

    void WriteUnfit(const char* Bytes, size_t Count)
    {
        char units[2 * 64];
        for (size_t done = 0; done < Count;) {
            const size_t n = std::min<size_t>(Count - done, 64);
            for (size_t i = 0; i < n; ++i) {
                const char16_t u = Windows1252Char(static_cast<unsigned char>(Bytes[done + i]));
                units[2 * i] = char(u & 0xFF);
                units[2 * i + 1] = char(u >> 8);
            }
            // A zero byte among them is counted once, as a replaced character.
            const qint64 replaced = Replaced;
            WriteReplacingNul(units, qint64(2 * n));
            Unfit += qint64(n) - (Replaced - replaced);
            done += n;
        }
    }

    qint64 Unfit = 0;
    qint64 Replaced = 0;

private:
    void ReplaceNuls(char* Units, qint64 Bytes)
    {
        for (qint64 i = 0; i + 1 < Bytes; i += 2) {
            if (Units[i] == 0 && Units[i + 1] == 0) {
                Units[i] = char(0xFD);
                Units[i + 1] = char(0xFF);
                ++Replaced;
            }
        }
    }

    QIODevice& FDest;
};

bool IsBlank(int c)
{
    return c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

bool IsAsciiLetter(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

QByteArray LowerAscii(QByteArray s)
{
    for (char& c : s)
        c = LowerAscii(c);
    return s;
}

// Trims blanks and control characters (everything up to the space) from both ends.
QByteArray TrimControls(const QByteArray& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.mid(b, e - b);
}

// Reads the stream a block at a time and hands out single bytes; 0 stands for both a zero byte and
// the end of the stream, since either ends the scan.
class TByteScanner
{
public:
    explicit TByteScanner(QIODevice& Stream) : FStream(Stream), FStart(Stream.pos()) {}

    int Next()
    {
        if (FPos == FEnd && !Refill())
            return 0;
        return *FPos++;
    }

    // Hands out the next byte equal to Byte, or the next zero byte, skipping everything before it; 0 at the end.
    int NextOf(unsigned char Byte)
    {
        for (;;) {
            if (FPos == FEnd && !Refill())
                return 0;
            const unsigned char* p = FPos;
#if defined(__SSE2__)
            // Text runs long between tags, and values between quotes: sixteen bytes at a time.
            const __m128i wanted = _mm_set1_epi8(char(Byte)), zero = _mm_setzero_si128();
            for (; FEnd - p >= 16; p += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                if (const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, wanted), _mm_cmpeq_epi8(v, zero)))) {
                    p += __builtin_ctz(unsigned(found));
                    break;
                }
            }
#endif
            while (p < FEnd && *p != Byte && *p != 0)
                ++p;
            FPos = p;
            if (p < FEnd)
                return *FPos++;
        }
    }

    int NextTagOpen() { return NextOf('<'); }

    // Puts the stream just behind the last byte handed out.
    void Settle()
    {
        if (!FStream.isSequential())
            FStream.seek(FStart + FBlockStart + (FPos - Data()));
    }

private:
    const unsigned char* Data() const { return reinterpret_cast<const unsigned char*>(FBuf.constData()); }

    bool Refill()
    {
        if (FAtEnd)
            return false;
        FBlockStart += FBuf.size();
        FBuf = FStream.read(ScanBlock);
        FPos = Data();
        FEnd = FPos + FBuf.size();
        FAtEnd = FBuf.isEmpty();
        return !FAtEnd;
    }

    QIODevice& FStream;
    qint64 FStart;
    qint64 FBlockStart = 0;
    QByteArray FBuf;
    const unsigned char* FPos = nullptr;
    const unsigned char* FEnd = nullptr;
    bool FAtEnd = false;
};

struct TByteOrderMark
{
    QByteArrayView Bytes;
    QByteArrayView Charset;
};

constexpr std::array<TByteOrderMark, 3> ByteOrderMarks = {{
    {"\xEF\xBB\xBF", "UTF-8"},
    {"\xFF\xFE", "UTF-16LE"},
    {"\xFE\xFF", "UTF-16BE"},
}};

// A byte-order mark at the stream's position: its character set and length, or an empty name.
TByteOrderMark PeekByteOrderMark(QIODevice& Stream)
{
    const QByteArray head = Stream.peek(3);
    for (const TByteOrderMark& bom : ByteOrderMarks)
        if (head.startsWith(bom.Bytes))
            return bom;
    return {};
}


class TConverter
{
public:
    explicit TConverter(const QByteArray& Name) : FHandle(iconv_open("UTF-16LE", Name.constData())) {}
    ~TConverter()
    {
        if (IsOpen())
            iconv_close(FHandle);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    bool IsOpen() const { return FHandle != iconv_t(-1); }
    iconv_t Handle() const { return FHandle; }

private:
    iconv_t FHandle;
};

// A converter from Name, or none when Name is no converter's. A declared name is only a character-set
// name: the converter's own suffixes ("//IGNORE", "//TRANSLIT") would change how it reports errors.
std::unique_ptr<TConverter> OpenConverter(const QByteArray& Name)
{
    if (Name.isEmpty() || Name.contains('/'))
        return nullptr;
    auto cd = std::make_unique<TConverter>(Name);
    if (!cd->IsOpen())
        return nullptr;
    return cd;
}

// The set a declared name reads a page in: one browsers know the label of, else one only the converter
// knows (by its name there), else none.
struct TDeclaredSet
{
    QByteArray Encoding;  // the set's name as browsers give it, or the declared name of a converter's set
    QByteArray Converter; // the converter's name for a set that only it reads; "" otherwise
};

TDeclaredSet ResolveDeclared(const QByteArray& Declared)
{
    if (QByteArray encoding = EncodingOfLabel(Declared); !encoding.isEmpty())
        return {encoding, QByteArray()};
    const QByteArray converter = ConverterCharsetName(Declared);
    if (OpenConverter(converter))
        return {Declared, converter};
    return {};
}

// The attributes a declaration can use; every other attribute of a tag is read and dropped.
struct TDeclarationAttrs
{
    QByteArray Encoding, HttpEquiv, Content, Charset;

    void Clear() { *this = {}; }

    void Store(std::string_view Name, std::string_view Value)
    {
        QByteArray* slot = Name == "encoding" ? &Encoding
            : Name == "http-equiv"            ? &HttpEquiv
            : Name == "content"               ? &Content
            : Name == "charset"               ? &Charset
                                              : nullptr;
        if (slot)
            *slot = QByteArray(Value.data(), qsizetype(Value.size()));
    }
};

// What the scan of a page found. The first declaration that names a set something here reads wins, as
// the first that names a label they know does for browsers, wherever it stands; one naming nothing known
// is passed over, as browsers pass it, and told only when nothing else declares the page. An XML
// declaration without an encoding names no set: it stands for UTF-8 only when nothing else declares one.
struct TScanResult
{
    QByteArray Known;   // the first declared name of a set read here
    QByteArray Unknown; // the first declared name nothing knows
    bool BareXml = false;

    // The name that decides, or a null array when the page declares nothing.
    QByteArray Declared() const
    {
        return !Known.isNull() ? Known : BareXml ? QByteArray("utf-8") : Unknown;
    }
};

// What a tag is to the scan. The text of a raw-text element runs up to its end tag, and what looks like a
// tag in it is none; in a plaintext element everything after its start tag is text.
enum class TScanTag { Other, Meta, XmlDeclaration, RawText, Plaintext };

TScanTag ScanTagOf(std::string_view Name)
{
    static constexpr std::array<std::string_view, 9> rawText = {"iframe", "noembed", "noframes", "noscript", "script",
                                                                "style",  "textarea", "title", "xmp"};
    if (Name.size() < 3 || Name.size() > 9)
        return TScanTag::Other; // also the end tags ("/..."), whose names are never matched here
    if (Name == "meta")
        return TScanTag::Meta;
    if (Name == "?xml")
        return TScanTag::XmlDeclaration;
    if (Name == "plaintext")
        return TScanTag::Plaintext;
    return std::find(rawText.begin(), rawText.end(), Name) != rawText.end() ? TScanTag::RawText : TScanTag::Other;
}

// Reads the attributes of a tag from c, the byte after its name, up to its ">" or the end, as browsers'
// scan reads them (blanks may stand around the "="), and stores those a declaration uses into Attrs when
// it is given; answers the byte that ended them.
int ReadAttributes(TByteScanner& s, int c, TDeclarationAttrs* Attrs)
{
    std::string attrName, value;
    auto skipBlanks = [&] {
        while (IsBlank(c))
            c = s.Next();
    };
    skipBlanks();
    while (c != 0 && c != '>') {
        attrName.clear();
        value.clear();
        do {
            if (Attrs)
                attrName += LowerAscii(char(c));
            c = s.Next();
        } while (c != 0 && !IsBlank(c) && c != '=' && c != '>');
        skipBlanks();
        if (c != '=') {
            // A bare "charset" names no character set: it is not taken for one called "charset".
            if (Attrs && attrName != "charset")
                Attrs->Store(attrName, attrName);
            continue;
        }
        c = s.Next();
        skipBlanks();
        if (c == '"' || c == '\'') {
            const int quote = c;
            if (Attrs) {
                for (c = s.Next(); c != 0 && c != quote; c = s.Next())
                    value += char(c);
            } else {
                c = s.NextOf(static_cast<unsigned char>(quote));
            }
            if (c == quote)
                c = s.Next();
        } else {
            for (; c != 0 && !IsBlank(c) && c != '>'; c = s.Next())
                if (Attrs)
                    value += char(c);
        }
        if (Attrs)
            Attrs->Store(attrName, value);
        skipBlanks();
    }
    return c;
}

// Skips a comment from the byte after "<!--" up to and including its "-->" (the dashes of "<!--" count,
// so "<!-->" is a whole comment, and a longer run of "-" before ">" ends it too); answers the byte after.
int SkipComment(TByteScanner& s)
{
    int dashes = 2;
    for (int c = s.Next(); c != 0; c = s.Next()) {
        if (c == '>' && dashes >= 2)
            return s.Next();
        dashes = c == '-' ? dashes + 1 : 0;
    }
    return 0;
}

// Skips the text of a raw-text element, from c on, up to its end tag; answers the byte after the end
// tag's name.
int SkipRawText(TByteScanner& s, int c, std::string_view Name)
{
    for (;;) {
        if (c != '<')
            c = s.NextTagOpen();
        if (c == 0)
            return 0;
        c = s.Next();
        if (c != '/')
            continue;
        c = s.Next();
        size_t matched = 0;
        while (matched < Name.size() && LowerAscii(char(c)) == Name[matched]) {
            c = s.Next();
            ++matched;
        }
        if (matched == Name.size() && (IsBlank(c) || c == '/' || c == '>' || c == 0))
            return c;
    }
}

// The meta element's declaration: its charset attribute, or else the name after "charset=" in the
// content of a Content-Type meta; "" when it declares nothing.
QByteArray MetaDeclaration(const TDeclarationAttrs& Attrs)
{
    // Browsers take a charset attribute before the Content-Type, whichever stands first.
    if (QByteArray charset = TrimControls(Attrs.Charset); !charset.isEmpty())
        return charset;
    if (SameText(Attrs.HttpEquiv, "Content-Type") && !Attrs.Content.isEmpty()) {
        const QByteArray content = LowerAscii(Attrs.Content);
        const qsizetype at = content.indexOf("charset=");
        if (at >= 0)
            return TrimControls(content.mid(at + 8));
    }
    return QByteArray();
}

// Scans the page's tags for declarations, outside comments and the text of raw-text elements, as
// browsers take them; stops at the first that names a set read here. Pages without one are scanned to
// their end, once, at the cost of finding their tags.
TScanResult ScanDeclarations(TByteScanner& s)
{
    TScanResult result;
    TDeclarationAttrs attrs;
    auto offer = [&](const QByteArray& name) {
        if (name.isEmpty())
            return false;
        if (!ResolveDeclared(name).Encoding.isEmpty()) {
            result.Known = name;
            return true;
        }
        if (result.Unknown.isNull())
            result.Unknown = name;
        return false;
    };

    // A tag's name as far as any name the scan looks for can run; longer ones are none of them.
    char name[12];
    int c = s.Next();
    while (c != 0) {
        if (c != '<')
            c = s.NextTagOpen();
        if (c == 0)
            break;
        c = s.Next();
        if (c == '!') {
            // A comment, or a declaration such as the doctype, which runs to its ">".
            c = s.Next();
            if (c == '-' && (c = s.Next()) == '-') {
                c = SkipComment(s);
                continue;
            }
            while (c != 0 && c != '>')
                c = s.Next();
            continue;
        }
        if (!IsAsciiLetter(c) && c != '/' && c != '?')
            continue; // a "<" that starts no tag is text

        // Tag name: the first byte, then up to a blank, "/" or ">".
        size_t length = 0;
        for (; c != 0 && !IsBlank(c) && (length == 0 || (c != '/' && c != '>')); c = s.Next())
            if (length < sizeof name)
                name[length++] = LowerAscii(char(c));
        const std::string_view tagName(name, length);
        const TScanTag tag = ScanTagOf(tagName);
        const bool declaring = tag == TScanTag::Meta || tag == TScanTag::XmlDeclaration;
        if (declaring)
            attrs.Clear();
        c = ReadAttributes(s, c, declaring ? &attrs : nullptr);
        if (tag == TScanTag::XmlDeclaration) {
            if (!attrs.Encoding.isEmpty()) {
                if (offer(attrs.Encoding))
                    break;
            } else {
                result.BareXml = true;
            }
        } else if (tag == TScanTag::Meta && offer(MetaDeclaration(attrs))) {
            break;
        }
        if (c == '>')
            c = s.Next();
        if (tag == TScanTag::Plaintext)
            break;
        if (tag == TScanTag::RawText && c != 0)
            c = SkipRawText(s, c, tagName);
    }
    return result;
}

// Names of the character-set table that are no browser label and that the converter knows under another
// name (the table's browser labels are read as browsers read them). Names missing here and unknown to the
// converter (DOS-720, hz-gb-2312, x-Europa, the ISCII sets, several Mac and EBCDIC sets) are read as
// Windows-1252.
struct TConverterAlias
{
    std::string_view Declared;
    const char* Converter;
};

constexpr std::array<TConverterAlias, 44> ConverterAliases = {{
    {"x-mac-ce", "MAC-CENTRALEUROPE"},
    {"x-mac-icelandic", "MAC-IS"},
    {"x-mac-japanese", "SHIFT_JIS"},
    {"x-mac-korean", "EUC-KR"},
    {"x-mac-chinesesimp", "EUC-CN"},
    {"x-mac-chinesetrad", "BIG5"},
    {"x-Chinese-CNS", "EUC-TW"},
    {"x-Chinese-Eten", "BIG5"},
    {"ibm737", "CP737"},
    {"DOS-862", "CP862"},
    {"x-IA5", "ISO_646.IRV:1991"},
    {"x-IA5-German", "ISO646-DE"},
    {"x-IA5-Norwegian", "ISO646-NO"},
    {"x-IA5-Swedish", "ISO646-SE"},
    {"x-EBCDIC-Arabic", "IBM420"},
    {"x-EBCDIC-CyrillicRussian", "IBM880"},
    {"x-EBCDIC-CyrillicSerbianBulgarian", "IBM1025"},
    {"x-EBCDIC-DenmarkNorway", "IBM277"},
    {"x-ebcdic-denmarknorway-euro", "IBM1142"},
    {"x-EBCDIC-FinlandSweden", "IBM278"},
    {"x-ebcdic-finlandsweden-euro", "IBM1143"},
    {"x-ebcdic-france-euro", "IBM1147"},
    {"x-EBCDIC-Germany", "IBM273"},
    {"x-ebcdic-germany-euro", "IBM1141"},
    {"x-EBCDIC-GreekModern", "IBM875"},
    {"x-EBCDIC-Greek", "IBM423"},
    {"x-EBCDIC-Hebrew", "IBM424"},
    {"x-EBCDIC-Icelandic", "IBM871"},
    {"x-ebcdic-icelandic-euro", "IBM1149"},
    {"x-ebcdic-international-euro", "IBM1148"},
    {"x-EBCDIC-Italy", "IBM280"},
    {"x-ebcdic-italy-euro", "IBM1144"},
    {"x-EBCDIC-JapaneseAndKana", "IBM930"},
    {"x-EBCDIC-JapaneseAndJapaneseLatin", "IBM939"},
    {"x-EBCDIC-JapaneseKatakana", "IBM290"},
    {"x-EBCDIC-KoreanAndKoreanExtended", "IBM933"},
    {"x-EBCDIC-SimplifiedChinese", "IBM935"},
    {"X-EBCDIC-Spain", "IBM284"},
    {"x-ebcdic-spain-euro", "IBM1145"},
    {"x-EBCDIC-TraditionalChinese", "IBM937"},
    {"x-EBCDIC-Turkish", "IBM905"},
    {"x-EBCDIC-UK", "IBM285"},
    {"x-ebcdic-uk-euro", "IBM1146"},
    {"x-ebcdic-cp-us-euro", "IBM1140"},
}};

// How many bytes one invalid unit occupies: skipping a single byte of a UTF-16 or UTF-32 text would
// put every following character out of step.
size_t InvalidUnitSize(const QByteArray& ConverterName)
{
    QByteArray n;
    for (char c : ConverterName)
        if (c != '-' && c != '_')
            n += LowerAscii(c);
    if (n.startsWith("utf16") || n.startsWith("ucs2") || n.startsWith("unicode") || n.startsWith("iso10646ucs2"))
        return 2;
    if (n.startsWith("utf32") || n.startsWith("ucs4") || n.startsWith("iso10646ucs4"))
        return 4;
    return 1;
}

// A set that maps every byte to one character on its own is decoded through a table of the 256 bytes.
struct TByteTable
{
    std::array<char16_t, 256> Unit{}; // for an invalid byte its Windows-1252 character; U+FFFD for the character 0
    std::array<bool, 256> Valid{};
    std::array<bool, 256> Replaced{};
    bool AsciiSame = false; // the bytes 1 to 0x7F are the characters of the same code
    bool HighSame = false;  // and so are the bytes 0xA0 to 0xFF (ISO-8859-1, Windows-1252)
};

// Puts U+FFFD for the character 0 and notes which bytes read as the characters of the same code.
void FinishByteTable(TByteTable& table)
{
    table.AsciiSame = table.HighSame = true;
    for (int b = 0; b < 256; ++b) {
        if (table.Unit[size_t(b)] == 0) {
            table.Unit[size_t(b)] = 0xFFFD;
            table.Replaced[size_t(b)] = true;
        }
        const bool same = table.Unit[size_t(b)] == b && table.Valid[size_t(b)];
        if (b > 0 && b < 0x80 && !same)
            table.AsciiSame = false;
        if (b >= 0xA0 && !same)
            table.HighSame = false;
    }
    table.HighSame = table.HighSame && table.AsciiSame;
}

// The table of a single-byte set browsers read: ASCII, then the index's characters for the bytes from
// 0x80 on; a byte the index leaves without one is read as its Windows-1252 character and counted.
TByteTable TableOfIndex(const std::array<char16_t, 128>& High)
{
    TByteTable t;
    for (int b = 0; b < 256; ++b) {
        const char16_t c = b < 0x80 ? char16_t(b) : High[size_t(b - 0x80)];
        t.Valid[size_t(b)] = b < 0x80 || c != 0;
        t.Unit[size_t(b)] = t.Valid[size_t(b)] ? c : Windows1252Char(static_cast<unsigned char>(b));
    }
    FinishByteTable(t);
    return t;
}

// Windows-1252, made once: what most pages are read in, and what a page is read as when nothing knows
// the set it declares.
const TByteTable& Windows1252Table()
{
    static const TByteTable table = TableOfIndex(*SingleByteIndexOf("windows-1252"));
    return table;
}

// The table of the converter's set, when the converter reads every byte alone as one character or finds
// it invalid; false for a set where some byte alone is incomplete, shifts a state or is held back (a
// letter waiting for an accent to combine with), which is left to the converter itself.
bool BuildByteTable(TConverter& cd, TByteTable& table)
{
    for (int b = 0; b < 256; ++b) {
        char16_t unit = 0;
        switch (ReadByteAlone(cd.Handle(), static_cast<unsigned char>(b), unit)) {
        case TByteAlone::Read:
            table.Unit[size_t(b)] = unit;
            table.Valid[size_t(b)] = true;
            break;
        case TByteAlone::Invalid:
            table.Unit[size_t(b)] = Windows1252Char(static_cast<unsigned char>(b));
            table.Valid[size_t(b)] = false;
            break;
        case TByteAlone::Other:
            return false;
        }
    }
    FinishByteTable(table);
    return true;
}

void DecodeByTable(const TByteTable& table, QIODevice& Source, TWideOutput& Out)
{
    const auto in = Block(DecodeBlock), out = Block(2 * DecodeBlock);
    qint64 n;
    while ((n = Source.read(in.get(), DecodeBlock)) > 0) {
        qint64 i = 0;
        qint64 unfit = 0, replaced = 0;
        auto byTable = [&](qint64 End) {
            for (; i < End; ++i) {
                const auto b = static_cast<unsigned char>(in[size_t(i)]);
                unfit += !table.Valid[b];
                replaced += table.Replaced[b];
                const char16_t u = table.Unit[b];
                out[size_t(2 * i)] = char(u & 0xFF);
                out[size_t(2 * i + 1)] = char(u >> 8);
            }
        };
#if defined(__SSE2__)
        // Pages are mostly ASCII: thirty-two bytes that all read as the characters of the same code (no zero
        // byte, and no byte from 0x80 up, or in the sets like Latin-1 none from 0x80 to 0x9F) are widened
        // at once.
        if (table.AsciiSame) {
            const __m128i zero = _mm_setzero_si128();
            // As signed bytes, those from 0x80 up are the ones below 0, and 0x80 to 0x9F those below 0xA0.
            const __m128i limit = _mm_set1_epi8(table.HighSame ? char(0xA0) : 0);
            const auto others = [&](__m128i v) {
                return _mm_or_si128(_mm_cmplt_epi8(v, limit), _mm_cmpeq_epi8(v, zero));
            };
            while (i + 32 <= n) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in.get() + i));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in.get() + i + 16));
                if (_mm_movemask_epi8(_mm_or_si128(others(a), others(b))) != 0) {
                    byTable(i + 32);
                    continue;
                }
                char* o = out.get() + 2 * i;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(a, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16), _mm_unpackhi_epi8(a, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32), _mm_unpacklo_epi8(b, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 48), _mm_unpackhi_epi8(b, zero));
                i += 32;
            }
        }
#endif
        byTable(n);
        Out.Write(out.get(), 2 * n);
        Out.Unfit += unfit;
        Out.Replaced += replaced;
    }
}

// Decodes through the converter. In a set of 2- or 4-byte units (UTF-16, UTF-32) an invalid unit, such as
// a UTF-16 surrogate without its other half, is one U+FFFD, as browsers read it; reading its bytes one by
// one would put a character 0 into the text.
void Decode(TConverter& cd, size_t InvalidUnit, QIODevice& Source, TWideOutput& Out)
{
    const auto in = Block(CarryLimit + DecodeBlock);
    const size_t outSize = 2 * DecodeBlock + 16;
    const auto out = Block(outSize);
    size_t carried = 0;
    iconv(cd.Handle(), nullptr, nullptr, nullptr, nullptr); // the initial shift state
    for (;;) {
        const qint64 n = Source.read(in.get() + carried, DecodeBlock);
        if (n <= 0) {
            char* op = out.get();
            size_t ol = outSize;
            iconv(cd.Handle(), nullptr, nullptr, &op, &ol);
            Out.WriteReplacingNul(out.get(), op - out.get());
            // The file ends before the character these bytes begin is whole: whole units of a wide set (a
            // surrogate waiting for its other half) are U+FFFD, the bytes of a cut one Windows-1252.
            const size_t units = InvalidUnit > 1 ? carried / InvalidUnit : 0;
            Out.WriteReplacement(qint64(units));
            Out.WriteUnfit(in.get() + units * InvalidUnit, carried - units * InvalidUnit);
            return;
        }
        char* ip = in.get();
        size_t il = carried + size_t(n);
        carried = 0;
        while (il > 0) {
            char* op = out.get();
            size_t ol = outSize;
            const size_t r = iconv(cd.Handle(), &ip, &il, &op, &ol);
            const int err = errno;
            Out.WriteReplacingNul(out.get(), op - out.get());
            if (r != size_t(-1))
                break;
            if (err == E2BIG)
                continue;
            if (err == EINVAL) {
                if (il > CarryLimit)
                    throw Exception(ConversionErrorMessage(EINVAL));
                std::memmove(in.get(), ip, il);
                carried = il;
                break;
            }
            if (err == EILSEQ) {
                // Invalid input is read one unit at a time, so a stray byte never fails a file nor is lost.
                if (InvalidUnit > 1 && il >= InvalidUnit)
                    Out.WriteReplacement(1);
                else
                    Out.WriteUnfit(ip, std::min(InvalidUnit, il));
                const size_t skip = std::min(InvalidUnit, il);
                ip += skip;
                il -= skip;
                continue;
            }
            throw Exception(ConversionErrorMessage(err));
        }
    }
}

// Decodes the rest of Source through one of the decoders of the sets browsers read.
void DecodeWith(TStreamDecoder& Decoder, QIODevice& Source, TWideOutput& Out)
{
    const auto in = Block(DecodeBlock);
    const auto out = Block<char16_t>(TStreamDecoder::OutRoom(DecodeBlock));
    qint64 n;
    while ((n = Source.read(in.get(), DecodeBlock)) > 0)
        Out.Write(out.get(), Decoder.Decode(reinterpret_cast<const unsigned char*>(in.get()), size_t(n), out.get()));
    Out.Write(out.get(), Decoder.Finish(out.get()));
    Out.Unfit += Decoder.Unfit;
    Out.Replaced += Decoder.Replaced;
}

// The length of the longest start of Bytes that ends on a whole UTF-8 sequence: a lead byte among the
// last three whose sequence runs past the end is left for the next block.
size_t WholeUtf8Prefix(const char* Bytes, size_t Size)
{
    for (size_t back = 1; back <= 3 && back <= Size; ++back) {
        const auto b = static_cast<unsigned char>(Bytes[Size - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const size_t length = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
        return length > back ? Size - back : Size;
    }
    return Size;
}

// UTF-8, the most common set, is decoded by Qt's vectorised decoder. A block it finds anything invalid in
// (it then answers U+FFFD) or that holds the character 0 goes through the set's own decoder instead, so
// what is read as UTF-8, what as Windows-1252 and what as U+FFFD is decided in one place; so does a tail
// that the file ends inside of. Blocks end on whole sequences, so that decoder holds nothing back between
// the blocks it reads.
void DecodeUtf8(QIODevice& Source, TWideOutput& Out)
{
    constexpr size_t carryRoom = 4;
    const auto in = Block(carryRoom + DecodeBlock);
    const auto out = Block<char16_t>(TStreamDecoder::OutRoom(carryRoom + DecodeBlock));
    const std::unique_ptr<TStreamDecoder> decoder = MultiByteDecoder("UTF-8");
    const auto bytes = [&](size_t At) { return reinterpret_cast<const unsigned char*>(in.get() + At); };
    size_t carried = 0;
    for (;;) {
        const qint64 n = Source.read(in.get() + carried, DecodeBlock);
        if (n <= 0) {
            Out.Write(out.get(), decoder->Decode(bytes(0), carried, out.get())); // the file ends inside a sequence
            Out.Write(out.get(), decoder->Finish(out.get()));
            break;
        }
        const size_t size = carried + size_t(n);
        const size_t whole = WholeUtf8Prefix(in.get(), size);
        const QString text = QString::fromUtf8(in.get(), qsizetype(whole));
        // Qt's decoder also drops a mark at the start of what it is given; inside the file it is text.
        const bool startsWithMark = QByteArrayView(in.get(), qsizetype(whole)).startsWith("\xEF\xBB\xBF");
        if (startsWithMark || std::memchr(in.get(), 0, whole) || text.contains(QChar::ReplacementCharacter))
            Out.Write(out.get(), decoder->Decode(bytes(0), whole, out.get()));
        else
            Out.Write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        carried = size - whole;
        std::memmove(in.get(), in.get() + whole, carried);
    }
    Out.Unfit += decoder->Unfit;
    Out.Replaced += decoder->Replaced;
}

// Whether the bytes from the stream's position on are UTF-8 that holds a character beyond ASCII: how a
// page that declares nothing is told to be UTF-8, as browsers opening the file tell it. A character cut by
// the end of the file does not count against it (a page cut short is still UTF-8); the first byte that
// cannot be UTF-8 ends the look.
bool IsUtf8BeyondAscii(QIODevice& Source)
{
    constexpr size_t carryRoom = 4;
    const auto block = Block(carryRoom + DecodeBlock);
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.get());
    bool beyond = false;
    size_t carried = 0;
    for (;;) {
        const qint64 n = Source.read(block.get() + carried, DecodeBlock);
        if (n <= 0)
            return beyond; // what is carried is a character the file ends inside of
        const size_t size = carried + size_t(n);
        size_t i = 0;
        for (;;) {
#if defined(__SSE2__)
            while (i + 16 <= size && _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i))) == 0)
                i += 16;
#endif
            while (i < size && bytes[i] < 0x80)
                ++i;
            if (i == size)
                break;
            TUtf8Lead lead;
            if (!Utf8LeadOf(bytes[i], lead))
                return false;
            beyond = true;
            const size_t length = size_t(lead.Length);
            const size_t have = std::min(length, size - i);
            if (have > 1 && (bytes[i + 1] < lead.Lower || bytes[i + 1] > lead.Upper))
                return false;
            for (size_t k = 2; k < have; ++k)
                if ((bytes[i + k] & 0xC0) != 0x80)
                    return false;
            if (have < length)
                break; // the rest of it is in the next block
            i += length;
        }
        carried = size - i;
        std::memmove(block.get(), block.get() + i, carried);
    }
}

} // namespace

QByteArray DetectCharset(QIODevice& Stream)
{
    const TByteOrderMark bom = PeekByteOrderMark(Stream);
    if (!bom.Charset.isEmpty()) {
        Stream.skip(bom.Bytes.size());
        return bom.Charset.toByteArray();
    }
    TByteScanner scanner(Stream);
    const QByteArray declared = ScanDeclarations(scanner).Declared();
    scanner.Settle();
    return declared.isNull() ? DefaultCharset.toByteArray() : declared;
}

QByteArray ConverterCharsetName(const QByteArray& Charset)
{
    for (const TConverterAlias& a : ConverterAliases)
        if (SameText(Charset, QByteArrayView(a.Declared.data(), qsizetype(a.Declared.size()))))
            return QByteArray(a.Converter);
    return Charset;
}

TByteAlone ReadByteAlone(iconv_t Converter, unsigned char Byte, char16_t& Unit)
{
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    char in = char(Byte);
    char out[16];
    char* ip = &in;
    size_t il = 1;
    char* op = out;
    size_t ol = sizeof out;
    TByteAlone result = TByteAlone::Other;
    if (iconv(Converter, &ip, &il, &op, &ol) == size_t(-1))
        result = errno == EILSEQ ? TByteAlone::Invalid : TByteAlone::Other;
    // One unit, and nothing left behind in the converter's state.
    else if (il == 0 && op - out == 2 && iconv(Converter, nullptr, nullptr, &op, &ol) != size_t(-1) && op - out == 2)
        result = TByteAlone::Read;
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    if (result == TByteAlone::Read)
        Unit = qFromLittleEndian<char16_t>(out);
    return result;
}

const char* ConversionErrorMessage(int Error)
{
    switch (Error) {
    case EILSEQ:
        return "cannot convert";
    case EINVAL:
        return "incomplete character or shift sequence";
    default:
        return "unknown error";
    }
}

void ConvertToUnicode(QIODevice& Source, QIODevice& Dest, TDecodeReport* Report)
{
    TDecodeReport report;
    QByteArray converter; // the converter's name for a set only it reads
    Source.seek(0);
    if (const TByteOrderMark bom = PeekByteOrderMark(Source); !bom.Charset.isEmpty()) {
        report.Charset = report.Encoding = bom.Charset.toByteArray();
        report.ByteOrderMark = true;
        Source.seek(bom.Bytes.size());
    } else {
        TByteScanner scanner(Source);
        const QByteArray declared = ScanDeclarations(scanner).Declared();
        Source.seek(0);
        if (!declared.isNull()) {
            report.Charset = declared;
            report.Declared = true;
            const TDeclaredSet set = ResolveDeclared(declared);
            report.Encoding = set.Encoding;
            converter = set.Converter;
            if (report.Encoding.isEmpty()) {
                report.CharsetKnown = false;
                report.Encoding = "windows-1252";
            }
        } else {
            report.Charset = report.Encoding = IsUtf8BeyondAscii(Source) ? "UTF-8" : "windows-1252";
            Source.seek(0);
        }
    }

    TWideOutput out(Dest);
    const std::array<char16_t, 128>* index = nullptr;
    if (!converter.isEmpty()) {
        const std::unique_ptr<TConverter> cd = OpenConverter(converter);
        if (!cd)
            throw Exception(ConversionErrorMessage(0));
        TByteTable table;
        if (BuildByteTable(*cd, table))
            DecodeByTable(table, Source, out);
        else
            Decode(*cd, InvalidUnitSize(converter), Source, out);
    } else if (report.Encoding == "windows-1252") {
        DecodeByTable(Windows1252Table(), Source, out);
    } else if ((index = SingleByteIndexOf(report.Encoding))) {
        DecodeByTable(TableOfIndex(*index), Source, out);
    } else if (report.Encoding == "UTF-8") {
        DecodeUtf8(Source, out);
    } else {
        DecodeWith(*MultiByteDecoder(report.Encoding), Source, out);
    }
    Dest.seek(0);
    report.UnfitBytes = out.Unfit;
    report.Replaced = out.Replaced;
    if (Report)
        *Report = report;
}

QString DecodeReportText(const TDecodeReport& Report)
{
    // The name comes from the file: a long one is cut so the message stays readable.
    QString charset = QString::fromLatin1(Report.Charset);
    if (charset.size() > 60)
        charset = charset.left(57) + QStringLiteral("...");
    const QString read = Report.Declared ? QStringLiteral("it declares") : QStringLiteral("it was read in");
    QString text;
    if (!Report.CharsetKnown)
        text = QStringLiteral("This page declares the character set \"%1\", which is not known here. "
                              "The page was read as Windows-1252.")
                   .arg(charset);
    else if (Report.UnfitBytes == 1)
        text = QStringLiteral("1 byte of this page does not fit the character set %1 (\"%2\"). "
                              "It was read as its Windows-1252 character.")
                   .arg(read, charset);
    else if (Report.UnfitBytes > 1)
        text = QStringLiteral("%1 bytes of this page do not fit the character set %2 (\"%3\"). "
                              "They were read as their Windows-1252 characters.")
                   .arg(Report.UnfitBytes)
                   .arg(read, charset);
    const QString replaced =
        Report.Replaced == 1 ? QStringLiteral("1 character of this page is a NUL or half of a UTF-16 pair without its "
                                              "other half. It was read as the replacement character (U+FFFD).")
        : Report.Replaced > 1
            ? QStringLiteral("%1 characters of this page are NULs or halves of UTF-16 pairs without their other "
                             "half. They were read as the replacement character (U+FFFD).")
                  .arg(Report.Replaced)
            : QString();
    if (!text.isEmpty() && !replaced.isEmpty())
        text += u' ';
    return text + replaced;
}

void NarrowUnits(const char* Wide, qsizetype Units, char* Narrow)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 16 <= Units; i += 16) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Wide + 2 * i)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Wide + 2 * i + 16)), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Narrow + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < Units; ++i)
        Narrow[i] = Wide[2 * i];
}

void NarrowWideStream(QIODevice& Source, QIODevice& Dest)
{
    constexpr qsizetype block = 64 * 1024;
    const auto in = Block(block), out = Block(block / 2 + 1);
    bool haveLow = false;
    char low = 0;
    qint64 n;
    while ((n = Source.read(in.get(), block)) > 0) {
        size_t o = 0;
        qint64 i = 0;
        if (haveLow) {
            // The high byte of a unit whose low byte ended the previous read.
            out[o++] = low;
            haveLow = false;
            i = 1;
        }
        const qsizetype units = (n - i) / 2;
        NarrowUnits(in.get() + i, units, out.get() + o);
        o += size_t(units);
        i += 2 * units;
        if (i < n) {
            low = in[size_t(i)];
            haveLow = true;
        }
        if (Dest.write(out.get(), qint64(o)) != qint64(o))
            throw Exception(QStringLiteral("Stream write error"));
    }
}
