#include "HtmlEncode.h"

#include "AsciiCase.h"
#include "Exceptions.h"
#include "HtmlCharsets.h"
#include "HtmlConv.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QtEndian>
#include <cstring>
#include <iconv.h>
#include <vector>

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

// Characters are learned in blocks of this many code points: the characters of a page's language lie close
// together, and one reading of a block costs about what one of a single character does.
constexpr char32_t BlockSize = 128;

// The converter's name of a set, by its name as browsers give it or by a label.
QByteArray ConverterName(const QByteArray& Name)
{
    const QByteArray converter = ConverterOfLabel(Name);
    return converter.isEmpty() ? ConverterCharsetName(Name) : converter;
}

// What a page declared to be in the set Name reads Payload as, through the reader the page is opened with;
// false when any byte of it does not fit the set.
bool ReadInSet(const QByteArray& Name, const QByteArray& Payload, QString& Text)
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
    if (!report.CharsetKnown || report.UnfitBytes != 0 || report.Replaced != 0)
        return false;
    const QStringView all(reinterpret_cast<const QChar*>(wide.constData()), wide.size() / 2);
    if (!all.startsWith(QLatin1StringView(declaration)))
        return false;
    Text = all.mid(declaration.size()).toString();
    return true;
}

} // namespace

// A character with the bytes that may stand for it; Code 0 asks what the bytes read as.
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
    const QByteArray& name = Report.Encoding;
    if (SameText(name, "UTF-8"))
        return std::shared_ptr<const TPageCharset>(new TPageCharset(pcUtf8, "UTF-8", Report.ByteOrderMark));
    // A UTF-16 file is read as such only by its mark, which it keeps.
    if (SameText(name, "UTF-16LE"))
        return std::shared_ptr<const TPageCharset>(new TPageCharset(pcUtf16LE, "UTF-16LE", true));
    if (SameText(name, "UTF-16BE"))
        return std::shared_ptr<const TPageCharset>(new TPageCharset(pcUtf16BE, "UTF-16BE", true));
    if (name.isEmpty() || SameText(name, "windows-1252") || SameText(name, "x-user-defined") ||
        (!Report.Declared && !Report.ByteOrderMark))
        return Western();
    std::shared_ptr<const TPageCharset> other(new TPageCharset(pcOther, name, false));
    return other->ReadsAsAscii() ? other : Western();
}

bool TPageCharset::ReadsAsAscii() const
{
    QByteArray ascii = "\t\n\r";
    for (char c = 0x20; c < 0x7F; ++c)
        ascii += c;
    QString text;
    return ReadInSet(FName, ascii, text) && text == QLatin1StringView(ascii);
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
    const QByteArray converter = ConverterOfLabel(label);
    return !converter.isEmpty() && converter == ConverterOfLabel(FName);
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
    auto known = FKnown.find(c);
    if (known == FKnown.end()) {
        LearnBlock(c);
        known = FKnown.find(c);
    }
    return known != FKnown.end() && known->second.Size > 0;
}

// The bytes the converter writes for c on its own, with the state it leaves written out; empty when it
// cannot write c.
QByteArray TPageCharset::ConverterBytes(char32_t c) const
{
    if (!FConverterTried) {
        FConverterTried = true;
        const QByteArray name = ConverterName(FName);
        if (!name.isEmpty() && !name.contains('/')) {
            const iconv_t cd = iconv_open(name.constData(), "UTF-16LE");
            if (cd != iconv_t(-1))
                FConverter = cd;
        }
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
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // A result above 0 counts characters written as something else than themselves.
    if (iconv(cd, &ip, &il, &op, &ol) != 0 || il != 0 || iconv(cd, nullptr, nullptr, &op, &ol) == size_t(-1))
        return QByteArray();
    return QByteArray(out, op - out);
}

// Reads the bytes of the candidates From to To through the page's reader, each alone on a line, and notes
// which read back as their character (a candidate without one takes the character its bytes read as). A
// reading that a byte does not fit tells nothing of the others: the candidates are then read in halves.
void TPageCharset::Verify(std::vector<TCandidate>& Candidates, size_t From, size_t To) const
{
    if (From >= To)
        return;
    QByteArray payload;
    for (size_t i = From; i < To; ++i)
        payload += Candidates[i].Bytes + '\n';
    QString text;
    if (ReadInSet(FName, payload, text)) {
        const QList<QStringView> lines = QStringView(text).split(u'\n');
        if (size_t(lines.size()) == To - From + 1) {
            for (size_t i = From; i < To; ++i) {
                TCandidate& c = Candidates[i];
                const QStringView line = lines[qsizetype(i - From)];
                const QList<uint> codes = line.toUcs4();
                if (c.Code == 0 && codes.size() == 1)
                    c.Code = codes.front();
                c.Reads = codes.size() == 1 && codes.front() == c.Code;
            }
            return;
        }
    }
    if (To - From == 1) {
        Candidates[From].Reads = false;
        return;
    }
    const size_t middle = From + (To - From) / 2;
    Verify(Candidates, From, middle);
    Verify(Candidates, middle, To);
}

void TPageCharset::LearnSingleBytes() const
{
    FSingleBytes = std::make_unique<char32_t[]>(128);
    std::vector<TCandidate> bytes;
    for (int b = 0x80; b <= 0xFF; ++b)
        bytes.push_back({0, QByteArray(1, char(b))});
    Verify(bytes, 0, bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        FSingleBytes[i] = bytes[i].Reads ? bytes[i].Code : 0;
}

// Learns every character of c's block: the converter's bytes for it, when the page's reader reads them back
// as the character; else a byte that reads as it alone (in the Windows sets, a byte they assign nothing to
// reads as the control character of its code, which the converter does not write).
void TPageCharset::LearnBlock(char32_t c) const
{
    const char32_t first = c - c % BlockSize;
    std::vector<TCandidate> candidates;
    bool missing = false;
    for (char32_t code = std::max<char32_t>(first, 0x80); code < first + BlockSize; ++code) {
        if (IsSurrogate(code) || FKnown.count(code))
            continue;
        FKnown[code] = {{}, 0};
        const QByteArray bytes = ConverterBytes(code);
        // A set that shifts between modes (ISO-2022-JP) begins a character with an escape in ASCII, which
        // does not read the same beside another such character: those characters are not held.
        if (!bytes.isEmpty() && bytes.size() <= 4 && static_cast<unsigned char>(bytes[0]) >= 0x80)
            candidates.push_back({code, bytes});
        else
            missing = true;
    }
    Verify(candidates, 0, candidates.size());
    for (const TCandidate& candidate : candidates) {
        if (!candidate.Reads) {
            missing = true;
            continue;
        }
        TEncoded& known = FKnown[candidate.Code];
        std::memcpy(known.Bytes, candidate.Bytes.constData(), size_t(candidate.Bytes.size()));
        known.Size = static_cast<unsigned char>(candidate.Bytes.size());
    }
    if (!missing)
        return;
    if (!FSingleBytes)
        LearnSingleBytes();
    for (int i = 0; i < 128; ++i) {
        const char32_t code = FSingleBytes[i];
        if (code >= first && code < first + BlockSize && code >= 0x80) {
            TEncoded& known = FKnown[code];
            if (known.Size == 0) {
                known.Bytes[0] = char(0x80 + i);
                known.Size = 1;
            }
        }
    }
}

void TPageCharset::AppendBytes(const char16_t* Units, qsizetype Count, QByteArray& Bytes) const
{
    const qsizetype at = Bytes.size();
    switch (FKind) {
    case pcWestern:
        Bytes.resize(at + Count);
        for (qsizetype i = 0; i < Count; ++i)
            Bytes[at + i] = char(Units[i]);
        return;
    case pcUtf8: {
        QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        Bytes.resize(at + encoder.requiredSpace(Count));
        char* end = encoder.appendToBuffer(Bytes.data() + at, QStringView(Units, Count));
        Bytes.resize(end - Bytes.constData());
        return;
    }
    case pcUtf16LE:
    case pcUtf16BE:
        Bytes.resize(at + 2 * Count);
        if (FKind == pcUtf16LE)
            qToLittleEndian<char16_t>(Units, Count, Bytes.data() + at);
        else
            qToBigEndian<char16_t>(Units, Count, Bytes.data() + at);
        return;
    case pcOther:
        break;
    }
    Bytes.reserve(at + Count);
    for (qsizetype i = 0; i < Count; ++i) {
        const char16_t u = Units[i];
        if (u < 0x80) {
            Bytes.append(char(u));
            continue;
        }
        char32_t code = u;
        if (QChar::isHighSurrogate(u) && i + 1 < Count && QChar::isLowSurrogate(Units[i + 1]))
            code = QChar::surrogateToUcs4(u, Units[++i]);
        if (!Holds(code)) {
            Bytes.append('?');
            continue;
        }
        const TEncoded& known = FKnown.at(code);
        Bytes.append(known.Bytes, known.Size);
    }
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
