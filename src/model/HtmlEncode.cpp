#include "HtmlEncode.h"

#include "AsciiCase.h"
#include "Exceptions.h"
#include "HtmlCharsets.h"
#include "HtmlConv.h"

#include <QBuffer>
#include <QtEndian>
#include <cstring>
#include <iconv.h>
#include <numeric>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr bool IsSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

// Windows-1252 assigns no character to these five bytes and reads them as the control characters of the
// same code; every other byte from 0x80 to 0x9F it reads as another character (0x83 as U+0192).
constexpr bool Windows1252ReadsAsItself(char32_t c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// A converter of the set named Name (as browsers name it, or a label) from UTF-16LE when Writing, else into
// it; iconv_t(-1) when there is none. A name is only a name: the converter's own suffixes ("//IGNORE")
// would change how it reports what it cannot convert.
iconv_t OpenConverter(const QByteArray& Name, bool Writing)
{
    const QByteArray encoding = EncodingOfLabel(Name);
    const QByteArray converter = encoding.isEmpty() ? ConverterCharsetName(Name) : ConverterOfEncoding(encoding);
    if (converter.isEmpty() || converter.contains('/'))
        return iconv_t(-1);
    return Writing ? iconv_open(converter.constData(), "UTF-16LE") : iconv_open("UTF-16LE", converter.constData());
}

// What a page declared to be in the set Name reads Payload as, through the reader the page is opened with,
// and how many of its bytes did not fit the set; false when the reader cannot read the set at all.
bool ReadInSet(const QByteArray& Name, const QByteArray& Payload, QString& Text, qint64& Unfit)
{
    const QByteArray declaration = "<meta charset=\"" + Name + "\">";
    QByteArray page = declaration + Payload;
    QBuffer source(&page);
    source.open(QIODevice::ReadOnly);
    QByteArray wide;
    QBuffer dest(&wide);
    dest.open(QIODevice::WriteOnly);
    TDecodeReport report;
    try {
        ConvertToUnicode(source, dest, &report);
    } catch (const Exception&) {
        return false;
    }
    const QStringView all(reinterpret_cast<const QChar*>(wide.constData()), wide.size() / 2);
    if (!report.CharsetKnown || report.Replaced != 0 || !all.startsWith(QLatin1StringView(declaration)))
        return false;
    Text = all.mid(declaration.size()).toString();
    Unfit = report.UnfitBytes;
    return true;
}

// The bytes 0x80 to 0xFF one by one, each on a line of its own.
QByteArray HighBytesByLine()
{
    QByteArray bytes;
    for (int b = 0x80; b <= 0xFF; ++b)
        bytes.append(char(b)).append('\n');
    return bytes;
}

// What the reader reads a byte from 0x80 up as where it does not fit the set it is read in: its
// Windows-1252 character.
char32_t UnfitReading(unsigned char Byte)
{
    static const std::array<char32_t, 128> readings = [] {
        std::array<char32_t, 128> r{};
        QString text;
        qint64 unfit = 0;
        if (ReadInSet("windows-1252", HighBytesByLine(), text, unfit)) {
            const QList<QStringView> lines = QStringView(text).split(u'\n');
            for (size_t i = 0; i < r.size() && qsizetype(i) < lines.size(); ++i)
                r[i] = lines[qsizetype(i)].size() == 1 ? lines[qsizetype(i)].front().unicode() : 0;
        }
        return r;
    }();
    return Byte >= 0x80 ? readings[Byte - 0x80] : Byte;
}

// Copies the units from s on as bytes to out while they are ASCII; answers the first unit that is not, or e.
// Blocks of 256 units are narrowed at once and kept when they were all ASCII, as most of a page is; out has
// room for a byte for each unit to e.
const char16_t* CopyAscii(const char16_t* s, const char16_t* e, char*& out)
{
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(short(0xFF80));
    while (e - s >= 256) {
        __m128i seen = _mm_setzero_si128();
        for (int i = 0; i < 256; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
            seen = _mm_or_si128(seen, _mm_or_si128(a, b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(seen, high), _mm_setzero_si128())) != 0xFFFF)
            break;
        s += 256;
        out += 256;
    }
    while (e - s >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), high), _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(a, b));
        s += 16;
        out += 16;
    }
#endif
    while (s < e && *s < 0x80)
        *out++ = char(*s++);
    return s;
}

std::vector<size_t> Indexes(size_t Count)
{
    std::vector<size_t> all(Count);
    std::iota(all.begin(), all.end(), size_t(0));
    return all;
}

} // namespace

// A character with the bytes that may stand for it.
struct TPageCharset::TCandidate
{
    char32_t Code;
    QByteArray Bytes;
    bool Reads = false; // the bytes read back as Code
};

TPageCharset::TPageCharset(TKind Kind, QByteArray Name, bool Mark)
    : TWriteCharset(Kind == pcUtf8 || Kind == pcUtf16LE || Kind == pcUtf16BE ? 0xD800 : 0x80,
                    Kind == pcUtf8 || Kind == pcUtf16LE || Kind == pcUtf16BE ? 0xDFFF : 0xFFFF, Kind != pcWestern),
      FKind(Kind), FName(std::move(Name)), FMark(Mark)
{
}

TPageCharset::~TPageCharset()
{
    if (FConverter)
        iconv_close(static_cast<iconv_t>(FConverter));
}

std::shared_ptr<const TPageCharset> TPageCharset::Western()
{
    static const std::shared_ptr<const TPageCharset> western(new TPageCharset(pcWestern, "ISO-8859-1", false));
    return western;
}

const TPageCharset& TPageCharset::Unicode()
{
    static const TPageCharset unicode(pcUtf8, "UTF-8", false);
    return unicode;
}

std::shared_ptr<const TPageCharset> TPageCharset::OfRead(const TDecodeReport& Report)
{
    // The Unicode sets learn nothing: one of each serves every page.
    static const std::shared_ptr<const TPageCharset> utf8(new TPageCharset(pcUtf8, "UTF-8", false));
    static const std::shared_ptr<const TPageCharset> utf8Marked(new TPageCharset(pcUtf8, "UTF-8", true));
    static const std::shared_ptr<const TPageCharset> utf16LE(new TPageCharset(pcUtf16LE, "UTF-16LE", true));
    static const std::shared_ptr<const TPageCharset> utf16BE(new TPageCharset(pcUtf16BE, "UTF-16BE", true));
    const QByteArray& name = Report.Encoding;
    if (SameText(name, "UTF-8"))
        return Report.ByteOrderMark ? utf8Marked : utf8;
    // A UTF-16 file is read as such only by its mark, which it keeps.
    if (SameText(name, "UTF-16LE"))
        return utf16LE;
    if (SameText(name, "UTF-16BE"))
        return utf16BE;
    if (name.isEmpty() || SameText(name, "windows-1252") || SameText(name, "x-user-defined") ||
        (!Report.Declared && !Report.ByteOrderMark))
        return Western();
    std::shared_ptr<const TPageCharset> other(new TPageCharset(pcOther, name, false));
    // Every set browsers know reads ASCII as ASCII.
    return !EncodingOfLabel(name).isEmpty() || other->ReadsAsciiAsAscii() ? other : Western();
}

// Whether the converter of the set reads ASCII as ASCII, as the page's markup was read; the sets browsers
// know all do, and for the others the page's reader is the converter.
bool TPageCharset::ReadsAsciiAsAscii() const
{
    const iconv_t cd = OpenConverter(FName, false);
    if (cd == iconv_t(-1))
        return false;
    QByteArray ascii = "\t\n\r";
    for (char c = 0x20; c < 0x7F; ++c)
        ascii += c;
    char16_t units[128];
    char* ip = ascii.data();
    size_t il = size_t(ascii.size());
    char* op = reinterpret_cast<char*>(units);
    size_t ol = sizeof units;
    const bool read = iconv(cd, &ip, &il, &op, &ol) == 0 && il == 0 &&
                      iconv(cd, nullptr, nullptr, &op, &ol) == 0 &&
                      op - reinterpret_cast<char*>(units) == 2 * ascii.size();
    iconv_close(cd);
    if (!read)
        return false;
    for (qsizetype i = 0; i < ascii.size(); ++i)
        if (qFromLittleEndian<char16_t>(units + i) != char16_t(ascii[i]))
            return false;
    return true;
}

// Reads every byte from 0x80 up alone in the set. A byte read as its Windows-1252 character may be one that
// does not fit, which the reader reads so: where any did not fit, only those that the converter, too, reads
// so are taken, and read back with the characters written (CheckHeld).
void TPageCharset::LearnSingleBytes() const
{
    FSinglesLearned = true;
    QString text;
    qint64 unfit = 0;
    if (!ReadInSet(FName, HighBytesByLine(), text, unfit))
        return;
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    if (lines.size() != 129)
        return;
    const iconv_t cd = OpenConverter(FName, false);
    for (int b = 0x80; b <= 0xFF; ++b) {
        const QList<uint> codes = lines[b - 0x80].toUcs4();
        if (codes.size() != 1 || codes.front() < 0x80)
            continue;
        const char32_t read = codes.front();
        TSingleByte& single = FSingleBytes[size_t(b - 0x80)];
        if (read != UnfitReading(static_cast<unsigned char>(b)) || unfit == 0)
            single = {read, true};
        else if (char16_t unit = 0; cd != iconv_t(-1) &&
                 ReadByteAlone(cd, static_cast<unsigned char>(b), unit) == TByteAlone::Read && unit == read)
            single = {read, false};
    }
    if (cd != iconv_t(-1))
        iconv_close(cd);
}

bool TPageCharset::IsNamedBy(QStringView Label) const
{
    const QByteArray label = Label.trimmed().toLatin1();
    switch (FKind) {
    case pcWestern:
        return false;
    case pcUtf16LE:
    case pcUtf16BE:
        // Browsers read a UTF-16 label in a page that reads as ASCII as UTF-8: only the mark says UTF-16.
        return SameText(label, "utf-16") || SameText(label, FName);
    case pcUtf8:
    case pcOther:
        break;
    }
    if (SameText(label, FName))
        return true;
    const QByteArray encoding = EncodingOfLabel(label);
    return !encoding.isEmpty() && encoding == EncodingOfLabel(FName);
}

QByteArray TPageCharset::ByteOrderMark() const
{
    switch (FKind) {
    case pcUtf8:
        return FMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    case pcUtf16LE:
        return QByteArray("\xFF\xFE");
    case pcUtf16BE:
        return QByteArray("\xFE\xFF");
    default:
        return QByteArray();
    }
}

bool TPageCharset::Holds(char32_t c) const
{
    switch (FKind) {
    case pcWestern:
        // Saved under the ISO-8859-1 label, a byte is read as its Windows-1252 character.
        return c < 0x80 || (c >= 0xA0 && c <= 0xFF) || Windows1252ReadsAsItself(c);
    case pcUtf8:
    case pcUtf16LE:
    case pcUtf16BE:
        return !IsSurrogate(c) && c <= 0x10FFFF;
    case pcOther:
        break;
    }
    if (c < 0x80)
        return true;
    if (IsSurrogate(c) || c > 0x10FFFF)
        return false;
    auto [known, added] = FKnown.try_emplace(c);
    if (added) {
        known->second = Candidate(c);
        if (known->second.Size > 0 && !known->second.Checked)
            FUnchecked.push_back(c);
    }
    return known->second.Size > 0;
}

// The bytes that may stand for c, still to be read back: what the converter writes for it, else a byte that
// reads as c alone (in the Windows sets, a byte they assign nothing to reads as the control character of
// its code, which the converter does not write).
TPageCharset::TEncoded TPageCharset::Candidate(char32_t c) const
{
    TEncoded encoded{{}, 0, false};
    const QByteArray bytes = ConverterBytes(c);
    // A set that shifts between modes (ISO-2022-JP) begins a character with an escape in ASCII, which does
    // not read the same beside another such character: those characters are not held.
    if (!bytes.isEmpty() && bytes.size() <= 4 && static_cast<unsigned char>(bytes[0]) >= 0x80) {
        std::memcpy(encoded.Bytes, bytes.constData(), size_t(bytes.size()));
        encoded.Size = static_cast<unsigned char>(bytes.size());
        return encoded;
    }
    if (!FSinglesLearned)
        LearnSingleBytes();
    for (size_t i = 0; i < FSingleBytes.size(); ++i) {
        if (FSingleBytes[i].Code == c) {
            encoded.Bytes[0] = char(0x80 + i);
            encoded.Size = 1;
            encoded.Checked = FSingleBytes[i].Checked;
            break;
        }
    }
    return encoded;
}

bool TPageCharset::CheckHeld() const
{
    if (FUnchecked.empty())
        return true;
    std::vector<TCandidate> candidates;
    for (char32_t c : FUnchecked) {
        const TEncoded& known = FKnown.at(c);
        candidates.push_back({c, QByteArray(known.Bytes, known.Size)});
    }
    FUnchecked.clear();
    Check(candidates, Indexes(candidates.size()));
    bool held = true;
    for (const TCandidate& candidate : candidates) {
        TEncoded& known = FKnown.at(candidate.Code);
        known.Checked = true;
        if (!candidate.Reads) {
            known.Size = 0;
            held = false;
        }
    }
    return held;
}

// Reads the bytes of the candidates Which through the page's reader, each alone on a line, and notes which
// read back as their character. A single byte read as its Windows-1252 character may be one that does not
// fit, which the reader reads so: when any byte did not fit, those are read again by themselves. A reading
// that does not come apart into the lines is read again in halves.
void TPageCharset::Check(std::vector<TCandidate>& Candidates, const std::vector<size_t>& Which) const
{
    if (Which.empty())
        return;
    QByteArray payload;
    for (size_t i : Which)
        payload += Candidates[i].Bytes + '\n';
    QString text;
    qint64 unfit = 0;
    const bool read = ReadInSet(FName, payload, text, unfit);
    const QList<QStringView> lines = read ? QStringView(text).split(u'\n') : QList<QStringView>();
    const auto halves = [&](const std::vector<size_t>& Part) {
        const auto middle = Part.begin() + qsizetype(Part.size() / 2);
        Check(Candidates, std::vector<size_t>(Part.begin(), middle));
        Check(Candidates, std::vector<size_t>(middle, Part.end()));
    };
    if (size_t(lines.size()) != Which.size() + 1) {
        if (Which.size() == 1)
            Candidates[Which.front()].Reads = false;
        else
            halves(Which);
        return;
    }
    std::vector<size_t> open;
    for (size_t k = 0; k < Which.size(); ++k) {
        TCandidate& c = Candidates[Which[k]];
        const QList<uint> codes = lines[qsizetype(k)].toUcs4();
        c.Reads = false;
        if (codes.size() != 1 || codes.front() != c.Code)
            continue;
        if (c.Bytes.size() == 1 && c.Code == UnfitReading(static_cast<unsigned char>(c.Bytes[0])))
            open.push_back(Which[k]);
        else
            c.Reads = true;
    }
    if (open.empty())
        return;
    if (unfit == 0) {
        for (size_t i : open)
            Candidates[i].Reads = true;
    } else if (open.size() < Which.size()) {
        Check(Candidates, open);
    } else if (unfit < qint64(open.size()) && open.size() > 1) {
        halves(open);
    }
    // else every one of those bytes did not fit
}

// The bytes the converter writes for c on its own; empty when it cannot write c.
QByteArray TPageCharset::ConverterBytes(char32_t c) const
{
    if (!FConverterTried) {
        FConverterTried = true;
        if (const iconv_t cd = OpenConverter(FName, true); cd != iconv_t(-1))
            FConverter = cd;
    }
    if (!FConverter)
        return QByteArray();
    const auto cd = static_cast<iconv_t>(FConverter);
    char16_t units[2];
    const size_t count = QChar::fromUcs4(c).size();
    if (count == 2) {
        units[0] = QChar::highSurrogate(c);
        units[1] = QChar::lowSurrogate(c);
    } else {
        units[0] = char16_t(c);
    }
    char in[4];
    qToLittleEndian<char16_t>(units, qsizetype(count), in);
    char out[32];
    char* ip = in;
    size_t il = 2 * count;
    char* op = out;
    size_t ol = sizeof out;
    // One call a character: a set whose converter keeps a state between characters (ISO-2022-JP) writes
    // its characters in ASCII bytes, which Candidate turns down whatever state they were written in. A
    // result above 0 counts characters written as something else than themselves.
    if (iconv(cd, &ip, &il, &op, &ol) != 0 || il != 0) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return QByteArray();
    }
    return QByteArray(out, op - out);
}

void TPageCharset::AppendBytes(const char16_t* Units, qsizetype Count, QByteArray& Bytes) const
{
    const qsizetype at = Bytes.size();
    switch (FKind) {
    case pcWestern: {
        Bytes.resize(at + Count);
        char* out = Bytes.data() + at;
        for (qsizetype i = 0; i < Count; ++i)
            out[i] = char(Units[i]);
        return;
    }
    case pcUtf8:
    case pcOther:
        break;
    case pcUtf16LE:
    case pcUtf16BE:
        Bytes.resize(at + 2 * Count);
        if (FKind == pcUtf16LE)
            qToLittleEndian<char16_t>(Units, Count, Bytes.data() + at);
        else
            qToBigEndian<char16_t>(Units, Count, Bytes.data() + at);
        return;
    }
    // Room for a byte a unit, written directly and cut back after; runs of ASCII, most of a page, are
    // narrowed at once, and a character of more bytes than units makes more room. UTF-8 is written as the
    // standard gives it, another set in the bytes learned for each character.
    Bytes.resize(at + Count);
    char* out = Bytes.data() + at;
    const char16_t* s = Units;
    const char16_t* e = Units + Count;
    while (s < e) {
        if ((s = CopyAscii(s, e, out)) >= e)
            break;
        char32_t code = *s++;
        if (QChar::isHighSurrogate(char16_t(code)) && s < e && QChar::isLowSurrogate(*s))
            code = QChar::surrogateToUcs4(char16_t(code), *s++);
        char utf8[4];
        const char* bytes = "?";
        qsizetype size = 1;
        if (FKind == pcUtf8) {
            if (IsSurrogate(code))
                code = 0xFFFD;
            bytes = utf8;
            size = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
            for (qsizetype k = size - 1; k > 0; --k, code >>= 6)
                utf8[k] = char(0x80 | (code & 0x3F));
            utf8[0] = char((size == 2 ? 0xC0 : size == 3 ? 0xE0 : 0xF0) | code);
        } else if (const auto known = Holds(code) ? FKnown.find(code) : FKnown.end(); known != FKnown.end()) {
            bytes = known->second.Bytes;
            size = known->second.Size;
        }
        if (out + size > Bytes.constData() + Bytes.size() - (e - s)) {
            const qsizetype used = out - Bytes.constData();
            Bytes.resize(used + size + 2 * (e - s));
            out = Bytes.data() + used;
        }
        std::memcpy(out, bytes, size_t(size));
        out += size;
    }
    Bytes.resize(out - Bytes.constData());
}

TPageBytesSink::TPageBytesSink(QByteArray& Bytes, const TPageCharset& Charset) : FBytes(Bytes), FCharset(Charset)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TPageBytesSink::writeData(const char* Data, qint64 Size)
{
    qint64 i = 0;
    if (FCharset.IsWestern()) {
        // The low byte of each unit, straight from the piece.
        if (FHaveLow && Size > 0) {
            FBytes.append(FLow);
            FHaveLow = false;
            i = 1;
        }
        const qsizetype units = qsizetype(Size - i) / 2;
        const qsizetype at = FBytes.size();
        FBytes.resize(at + units);
        NarrowUnits(Data + i, units, FBytes.data() + at);
        if (i + 2 * units < Size) {
            FLow = Data[i + 2 * units];
            FHaveLow = true;
        }
        return Size;
    }
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // Whole units as the writer hands them, and nothing held back from the last piece: encoded where
        // they stand, all but a high surrogate at the end, which waits for its other half.
        if (!FHaveLow && FUnits.empty() && Size % 2 == 0 && reinterpret_cast<quintptr>(Data) % 2 == 0) {
            const auto* units = reinterpret_cast<const char16_t*>(Data);
            qsizetype count = qsizetype(Size / 2);
            if (count > 0 && QChar::isHighSurrogate(units[count - 1]))
                FUnits.push_back(units[--count]);
            FCharset.AppendBytes(units, count, FBytes);
            return Size;
        }
    }
    if (FHaveLow && Size > 0) {
        FUnits.push_back(char16_t(static_cast<unsigned char>(FLow) | static_cast<unsigned char>(Data[0]) << 8));
        FHaveLow = false;
        i = 1;
    }
    const qsizetype units = qsizetype(Size - i) / 2;
    const size_t held = FUnits.size();
    FUnits.resize(held + size_t(units));
    qFromLittleEndian<char16_t>(Data + i, units, FUnits.data() + held);
    if (i + 2 * units < Size) {
        FLow = Data[i + 2 * units];
        FHaveLow = true;
    }
    // A pair of surrogates cut between two pieces goes out whole with the next.
    size_t whole = FUnits.size();
    if (whole > 0 && QChar::isHighSurrogate(FUnits.back()))
        --whole;
    FCharset.AppendBytes(FUnits.data(), qsizetype(whole), FBytes);
    FUnits.erase(0, whole);
    return Size;
}

void TPageBytesSink::Finish()
{
    if (!FUnits.empty())
        FCharset.AppendBytes(FUnits.data(), qsizetype(FUnits.size()), FBytes);
    FUnits.clear();
}
