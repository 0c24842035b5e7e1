#include "HtmlConv.h"

#include "AsciiCase.h"
#include "Exceptions.h"
#include "HtmlCharsets.h"

#include <QBuffer>
#include <QIODevice>
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
std::unique_ptr<char[]> Block(size_t Size)
{
    return std::make_unique_for_overwrite<char[]>(Size);
}

// Windows-1252's characters for the bytes 0x80 to 0x9F; every other byte is the character of the same
// code, and so are the five bytes the set leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t Windows1252Char(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? Windows1252High[b - 0x80] : char16_t(b);
}

// The decoded text on its way into the destination. Bytes that the declared set cannot read are put
// in as their Windows-1252 characters and counted, so the user can be told. What no page may hold, the
// character 0 and a UTF-16 surrogate without its other half, is put in as U+FFFD and counted apart: a
// NUL would go into the saved file as a NUL byte, and browsers show neither.
class TWideOutput
{
public:
    explicit TWideOutput(QIODevice& Dest) : FDest(Dest) {}

    void Write(const char* Units, qint64 Bytes)
    {
        if (Bytes > 0 && FDest.write(Units, Bytes) != Bytes)
            throw Exception(QStringLiteral("Stream write error"));
    }

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
    return c == 9 || c == 10 || c == 13 || c == 32;
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
        if (FPos >= FBuf.size() && !Refill())
            return 0;
        ++FConsumed;
        return static_cast<unsigned char>(FBuf[FPos++]);
    }

    // Hands out the next "<" or zero byte, skipping everything before it; 0 at the end.
    int NextTagOpen()
    {
        for (;;) {
            if (FPos >= FBuf.size() && !Refill())
                return 0;
            const char* begin = FBuf.constData() + FPos;
            const char* end = FBuf.constData() + FBuf.size();
            const char* p = begin;
            while (p < end && *p != '<' && *p != 0)
                ++p;
            FConsumed += p - begin;
            FPos += p - begin;
            if (p < end)
                return Next();
        }
    }

    // Puts the stream just behind the last byte handed out.
    void Settle()
    {
        if (!FStream.isSequential())
            FStream.seek(FStart + FConsumed);
    }

private:
    bool Refill()
    {
        if (FEnd)
            return false;
        FBuf = FStream.read(ScanBlock);
        FPos = 0;
        if (FBuf.isEmpty())
            FEnd = true;
        return !FEnd;
    }

    QIODevice& FStream;
    qint64 FStart;
    qint64 FConsumed = 0;
    QByteArray FBuf;
    qsizetype FPos = 0;
    bool FEnd = false;
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

// The last declaration's name; the default when the scan meets none, and Declared tells which.
QByteArray ScanDeclarations(TByteScanner& s, bool& Declared)
{
    QByteArray result = DefaultCharset.toByteArray();
    Declared = false;
    TDeclarationAttrs attrs;
    auto skipBlanks = [&](int& c) {
        while (IsBlank(c))
            c = s.Next();
    };

    int c = s.Next();
    while (c != 0) {
        if (c != '<')
            c = s.NextTagOpen();
        if (c == 0)
            break;
        c = s.Next();

        // Tag name: the byte after "<" whatever it is, then up to a blank or ">".
        std::string name;
        bool comment = false;
        if (c != 0) {
            name += char(c);
            c = s.Next();
            while (c != 0 && !IsBlank(c) && c != '>') {
                name += char(c);
                if (name == "!--") {
                    comment = true;
                    c = s.Next();
                    break;
                }
                c = s.Next();
            }
        }

        if (comment) {
            // Up to and including "-->"; a longer run of "-" before ">" ends it too.
            int dashes = 0;
            while (c != 0) {
                if (c == '>' && dashes >= 2) {
                    c = s.Next();
                    break;
                }
                dashes = c == '-' ? dashes + 1 : 0;
                c = s.Next();
            }
            continue;
        }

        for (char& ch : name)
            ch = LowerAscii(ch);
        attrs.Clear();
        skipBlanks(c);
        while (c != 0 && c != '>') {
            std::string attrName;
            while (c != 0 && !IsBlank(c) && c != '=' && c != '>') {
                attrName += char(c);
                c = s.Next();
            }
            std::string_view key = attrName;
            while (!key.empty() && static_cast<unsigned char>(key.front()) <= 32)
                key.remove_prefix(1);
            while (!key.empty() && static_cast<unsigned char>(key.back()) <= 32)
                key.remove_suffix(1);
            for (char& ch : attrName)
                ch = LowerAscii(ch);
            std::string value;
            if (c == '=') {
                c = s.Next();
                if (c == '"' || c == '\'') {
                    const int quote = c;
                    c = s.Next();
                    while (c != 0 && c != quote) {
                        value += char(c);
                        c = s.Next();
                    }
                    if (c == quote)
                        c = s.Next();
                } else {
                    while (c != 0 && !IsBlank(c) && c != '>') {
                        value += char(c);
                        c = s.Next();
                    }
                    if (IsBlank(c))
                        c = s.Next();
                }
                attrs.Store(key, value);
            } else if (key != "charset") {
                // A bare "charset" names no character set: it is not taken for one called "charset".
                attrs.Store(key, key);
            }
            skipBlanks(c);
        }

        if (name == "?xml") {
            result = attrs.Encoding.isEmpty() ? QByteArray("utf-8") : attrs.Encoding;
            Declared = true;
        } else if (name == "meta") {
            // <meta charset="..."> declares the character set just as the Content-Type meta does.
            const QByteArray charset = TrimControls(attrs.Charset);
            if (!charset.isEmpty()) {
                result = charset;
                Declared = true;
            }
            if (SameText(attrs.HttpEquiv, "Content-Type") && !attrs.Content.isEmpty()) {
                const QByteArray content = LowerAscii(attrs.Content);
                const qsizetype at = content.indexOf("charset=");
                if (at >= 0) {
                    result = TrimControls(content.mid(at + 8));
                    Declared = true;
                }
            }
        } else if (name == "body") {
            break;
        }
        if (c == '>')
            c = s.Next();
    }
    return result;
}

// A declared name is a label to look up, unlike a byte-order mark's set or the default.
struct TDetected
{
    QByteArray Charset;
    qsizetype MarkLength = 0;
    bool Declared = false;
};

TDetected DetectWithMark(QIODevice& Stream)
{
    const TByteOrderMark bom = PeekByteOrderMark(Stream);
    if (!bom.Charset.isEmpty()) {
        Stream.skip(bom.Bytes.size());
        return {bom.Charset.toByteArray(), bom.Bytes.size()};
    }
    TByteScanner scanner(Stream);
    TDetected d;
    d.Charset = ScanDeclarations(scanner, d.Declared);
    scanner.Settle();
    return d;
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

bool IsLatin1(const QByteArray& ConverterName)
{
    static constexpr std::array<QByteArrayView, 6> names = {
        "ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "L1", "ISO-IR-100"};
    for (QByteArrayView n : names)
        if (SameText(ConverterName, n))
            return true;
    return false;
}

// ISO-8859-1 is the default and by far the most common case: every byte is the character of the
// same code, so it is widened directly.
void WidenLatin1(QIODevice& Source, TWideOutput& Out)
{
    const auto in = Block(DecodeBlock), out = Block(2 * DecodeBlock);
    qint64 n;
    while ((n = Source.read(in.get(), DecodeBlock)) > 0) {
        for (qint64 i = 0; i < n; ++i) {
            out[size_t(2 * i)] = in[size_t(i)];
            out[size_t(2 * i + 1)] = 0;
        }
        if (std::memchr(in.get(), 0, size_t(n)))
            Out.WriteReplacingNul(out.get(), 2 * n);
        else
            Out.Write(out.get(), 2 * n);
    }
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

// Most declared sets map every byte to one character on its own. For those the converter is asked
// once per byte value and the file is decoded through the resulting table, an order of magnitude faster
// than converting the file itself. A set where some byte alone is incomplete, shifts a state or is held
// back (a letter waiting for an accent to combine with) is left to the converter.
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

// Windows-1252 as the table of a set where every byte is valid: what a page is read as when nothing
// knows the set it declares, and what browsers read its labels and the commonest ones as (iso-8859-1,
// latin1, us-ascii). The converter's table of it would differ in nothing (the five bytes it leaves
// undefined read as browsers read them), so it is made once rather than asked of the converter, byte by
// byte, for every page.
const TByteTable& Windows1252Table()
{
    static const TByteTable table = [] {
        TByteTable t;
        for (int b = 0; b < 256; ++b) {
            t.Unit[size_t(b)] = Windows1252Char(static_cast<unsigned char>(b));
            t.Valid[size_t(b)] = true;
        }
        FinishByteTable(t);
        return t;
    }();
    return table;
}

// The table of the converter's set, which the converter calls Name, with the bytes that browsers read
// otherwise put right.
bool BuildByteTable(TConverter& cd, const QByteArray& Name, TByteTable& table)
{
    for (int b = 0; b < 256; ++b) {
        iconv(cd.Handle(), nullptr, nullptr, nullptr, nullptr);
        char in = char(b);
        char out[16];
        char* ip = &in;
        size_t il = 1;
        char* op = out;
        size_t ol = sizeof out;
        if (iconv(cd.Handle(), &ip, &il, &op, &ol) == size_t(-1)) {
            if (errno != EILSEQ)
                return false;
            table.Unit[size_t(b)] = Windows1252Char(static_cast<unsigned char>(b));
            table.Valid[size_t(b)] = false;
        } else {
            if (il != 0 || op - out != 2)
                return false;
            // Nothing may be left behind in the converter's state.
            if (iconv(cd.Handle(), nullptr, nullptr, &op, &ol) == size_t(-1) || op - out != 2)
                return false;
            table.Unit[size_t(b)] = char16_t(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
            table.Valid[size_t(b)] = true;
        }
        if (const char16_t c = BrowserByteReading(Name, static_cast<unsigned char>(b), !table.Valid[size_t(b)])) {
            table.Unit[size_t(b)] = c;
            table.Valid[size_t(b)] = true;
        }
    }
    iconv(cd.Handle(), nullptr, nullptr, nullptr, nullptr);
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

// Decodes through the converter, which calls the set Name. In a set of 2- or 4-byte units (UTF-16,
// UTF-32) an invalid unit, such as a UTF-16 surrogate without its other half, is one U+FFFD, as browsers
// read it; reading its bytes one by one would put a character 0 into the text.
void Decode(TConverter& cd, const QByteArray& Name, size_t InvalidUnit, QIODevice& Source, TWideOutput& Out)
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
                // Invalid input is read one unit at a time, so a stray byte never fails a file nor is lost:
                // a byte as browsers read it alone, or else as Windows-1252.
                if (InvalidUnit > 1 && il >= InvalidUnit) {
                    Out.WriteReplacement(1);
                } else if (const char16_t c = BrowserByteReading(Name, static_cast<unsigned char>(*ip), true)) {
                    const char unit[2] = {char(c & 0xFF), char(c >> 8)};
                    Out.Write(unit, 2);
                } else {
                    Out.WriteUnfit(ip, std::min(InvalidUnit, il));
                }
                const size_t skip = std::min(InvalidUnit, il);
                ip += skip;
                il -= skip;
                continue;
            }
            throw Exception(ConversionErrorMessage(err));
        }
    }
}

bool IsUtf8(const QByteArray& ConverterName)
{
    return SameText(ConverterName, QByteArrayView("UTF-8"));
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

// UTF-8, the most common declared set, is decoded by Qt's vectorised decoder. A block it finds anything
// invalid in (it then answers U+FFFD) or that holds the character 0 goes through the converter instead, so
// what is read as UTF-8, what as Windows-1252 and what as U+FFFD are exactly the converter's; so does a
// tail that the file ends inside of.
void DecodeUtf8(TConverter& cd, QIODevice& Source, TWideOutput& Out)
{
    const auto in = Block(CarryLimit + DecodeBlock);
    size_t carried = 0;
    auto byConverter = [&](const char* Bytes, size_t Size) {
        QByteArray piece = QByteArray::fromRawData(Bytes, qsizetype(Size));
        QBuffer buffer(&piece);
        buffer.open(QIODevice::ReadOnly);
        Decode(cd, "UTF-8", 1, buffer, Out);
    };
    for (;;) {
        const qint64 n = Source.read(in.get() + carried, DecodeBlock);
        if (n <= 0) {
            if (carried > 0)
                byConverter(in.get(), carried); // the file ends inside a sequence
            return;
        }
        const size_t size = carried + size_t(n);
        const size_t whole = WholeUtf8Prefix(in.get(), size);
        const QString text = QString::fromUtf8(in.get(), qsizetype(whole));
        // Qt's decoder also drops a mark at the start of what it is given; inside the file it is text.
        const bool startsWithMark = QByteArrayView(in.get(), qsizetype(whole)).startsWith("\xEF\xBB\xBF");
        if (startsWithMark || std::memchr(in.get(), 0, whole) || text.contains(QChar::ReplacementCharacter))
            byConverter(in.get(), whole);
        else
            Out.Write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        carried = size - whole;
        std::memmove(in.get(), in.get() + whole, carried);
    }
}

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

// The set the page was read in, by the name browsers give it, from the converter that read it: a set
// the page's bytes could not name is Windows-1252, as is every label read as it.
void NameReadSet(TDecodeReport& Report, const TDetected& Detected, const QByteArray& ConverterName)
{
    Report.ByteOrderMark = Detected.MarkLength > 0;
    Report.Declared = Detected.Declared;
    if (!Report.CharsetKnown || IsLatin1(ConverterName) || ConverterName == "WINDOWS-1252")
        Report.Encoding = "windows-1252";
    else if (IsUtf8(ConverterName))
        Report.Encoding = "UTF-8";
    else if (Report.ByteOrderMark)
        Report.Encoding = Detected.Charset;
    else
        Report.Encoding = Detected.Charset.toUpper();
}

} // namespace

QByteArray DetectCharset(QIODevice& Stream)
{
    return DetectWithMark(Stream).Charset;
}

QByteArray ConverterCharsetName(const QByteArray& Charset)
{
    for (const TConverterAlias& a : ConverterAliases)
        if (SameText(Charset, QByteArrayView(a.Declared.data(), qsizetype(a.Declared.size()))))
            return QByteArray(a.Converter);
    return Charset;
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
    Source.seek(0);
    const TDetected detected = DetectWithMark(Source);
    Source.seek(detected.MarkLength);

    TWideOutput out(Dest);
    TDecodeReport report;
    report.Charset = detected.Charset;
    QByteArray name = detected.Charset;
    if (detected.Declared) {
        // The label as browsers read it; the converter's own names only for a label they do not know.
        name = ConverterOfLabel(detected.Charset);
        if (name.isEmpty())
            name = ConverterCharsetName(detected.Charset);
    }
    std::unique_ptr<TConverter> cd;
    const bool latin1 = IsLatin1(name);
    const bool windows1252 = name == "WINDOWS-1252";
    if (!latin1 && !windows1252)
        cd = OpenConverter(name);
    if (latin1) {
        WidenLatin1(Source, out);
    } else if (windows1252) {
        DecodeByTable(Windows1252Table(), Source, out);
    } else if (cd) {
        TByteTable table;
        if (IsUtf8(name))
            DecodeUtf8(*cd, Source, out);
        else if (BuildByteTable(*cd, name, table))
            DecodeByTable(table, Source, out);
        else
            Decode(*cd, name, InvalidUnitSize(name), Source, out);
    } else {
        report.CharsetKnown = false;
        DecodeByTable(Windows1252Table(), Source, out);
    }
    Dest.seek(0);
    report.UnfitBytes = out.Unfit;
    report.Replaced = out.Replaced;
    NameReadSet(report, detected, name);
    if (Report)
        *Report = report;
}

QString DecodeReportText(const TDecodeReport& Report)
{
    // The name comes from the file: a long one is cut so the message stays readable.
    QString charset = QString::fromLatin1(Report.Charset);
    if (charset.size() > 60)
        charset = charset.left(57) + QStringLiteral("...");
    QString text;
    if (!Report.CharsetKnown)
        text = QStringLiteral("This page declares the character set \"%1\", which is not known here. "
                              "The page was read as Windows-1252.")
                   .arg(charset);
    else if (Report.UnfitBytes == 1)
        text = QStringLiteral("1 byte of this page does not fit the character set it declares (\"%1\"). "
                              "It was read as its Windows-1252 character.")
                   .arg(charset);
    else if (Report.UnfitBytes > 1)
        text = QStringLiteral("%1 bytes of this page do not fit the character set it declares (\"%2\"). "
                              "They were read as their Windows-1252 characters.")
                   .arg(Report.UnfitBytes)
                   .arg(charset);
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
