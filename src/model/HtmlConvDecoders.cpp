#include "HtmlConvDecoders.h"

#include "EncodingIndexes.h"

#include <algorithm>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;

const TSingleByteIndex& Windows1252Index()
{
    static const TSingleByteIndex& index = *std::find_if(SingleByteIndexes.begin(), SingleByteIndexes.end(),
                                                         [](const TSingleByteIndex& i) { return i.Encoding == "windows-1252"; });
    return index;
}

// The code point of a pointer of an index, 0 for a pointer past its end or left without one.
template <typename TIndex>
char32_t At(const TIndex& Index, unsigned Pointer)
{
    return Pointer < Index.size() ? char32_t(Index[Pointer]) : 0;
}

// Where a decoder puts what it reads, and the bytes it hands back to be read again: a byte a character
// could not use starts the next one, as browsers read it (the Encoding Standard "prepends" it to the input).
class TSink
{
public:
    TSink(char16_t* Out, TStreamDecoder& Counts) : FOut(Out), FCounts(Counts) {}

    void Ascii(unsigned char Byte)
    {
        if (Byte != 0) {
            *FOut++ = Byte;
        } else {
            *FOut++ = ReplacementChar; // no saved page may hold the character 0
            ++FCounts.Replaced;
        }
    }

    void Char(char32_t Code)
    {
        if (Code < 0x10000) {
            *FOut++ = char16_t(Code);
        } else {
            *FOut++ = char16_t(0xD800 + ((Code - 0x10000) >> 10));
            *FOut++ = char16_t(0xDC00 + (Code & 0x3FF));
        }
    }

    void Replacement()
    {
        *FOut++ = ReplacementChar;
        ++FCounts.Replaced;
    }

    // Bytes that make no character of the set: each is read as its Windows-1252 character.
    template <typename... TBytes>
    void Unfit(TBytes... Bytes)
    {
        (UnfitByte(static_cast<unsigned char>(Bytes)), ...);
    }

    // A lead byte and the byte after it, which make no character together: an ASCII byte is read again on
    // its own, any other is taken with the lead as one unit, so the text after them reads in step.
    void UnfitPair(unsigned char Lead, unsigned char Byte)
    {
        if (Byte < 0x80) {
            Unfit(Lead);
            Prepend(Byte);
        } else {
            Unfit(Lead, Byte);
        }
    }

    // Bytes to be read next, in this order, before the rest of the input.
    template <typename... TBytes>
    void Prepend(TBytes... Bytes)
    {
        const unsigned char bytes[] = {static_cast<unsigned char>(Bytes)...};
        for (size_t i = sizeof...(Bytes); i-- > 0;)
            FReplay[FReplayCount++] = bytes[i];
    }

    bool HasReplay() const { return FReplayCount > 0; }
    unsigned char PopReplay() { return FReplay[--FReplayCount]; }

    // Widens the bytes from In[At] on that read as themselves in every set decoded here (1 to 0x7F) up to
    // the first other byte or End; answers where it stopped.
    size_t AsciiRun(const unsigned char* In, size_t At, size_t End)
    {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        while (At + 16 <= End) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In + At));
            const int other = _mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero));
            const size_t plain = other ? size_t(__builtin_ctz(unsigned(other))) : 16;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(FOut), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(FOut + 8), _mm_unpackhi_epi8(v, zero));
            FOut += plain;
            At += plain;
            if (other)
                return At;
        }
#endif
        for (; At < End && In[At] != 0 && In[At] < 0x80; ++At)
            *FOut++ = In[At];
        return At;
    }

    char16_t* Out() const { return FOut; }

private:
    void UnfitByte(unsigned char Byte)
    {
        if (Byte == 0) {
            Replacement();
            return;
        }
        *FOut++ = Windows1252Char(Byte);
        ++FCounts.Unfit;
    }

    char16_t* FOut;
    TStreamDecoder& FCounts;
    unsigned char FReplay[8];
    size_t FReplayCount = 0;
};

// Runs the state machine of one set over the bytes. A set whose bytes 1 to 0x7F read as themselves
// whenever no character is begun (FastAscii) passes over runs of them at once: pages are mostly ASCII.
template <typename TSet>
class TDecoderOf final : public TStreamDecoder
{
public:
    template <typename... TArgs>
    explicit TDecoderOf(TArgs... Args) : FSet(Args...)
    {
    }

    size_t Decode(const unsigned char* In, size_t Size, char16_t* Out) override
    {
        TSink sink(Out, *this);
        size_t i = 0;
        for (;;) {
            if (sink.HasReplay()) {
                FSet.Step(sink.PopReplay(), sink);
                continue;
            }
            if constexpr (TSet::FastAscii)
                if (FSet.Idle())
                    i = sink.AsciiRun(In, i, Size);
            if (i >= Size)
                break;
            FSet.Step(In[i++], sink);
        }
        return size_t(sink.Out() - Out);
    }

    size_t Finish(char16_t* Out) override
    {
        TSink sink(Out, *this);
        // Ending may hand bytes back (a cut escape sequence), which are read and the end met again.
        do {
            FSet.End(sink);
            while (sink.HasReplay())
                FSet.Step(sink.PopReplay(), sink);
        } while (!FSet.Idle());
        return size_t(sink.Out() - Out);
    }

private:
    TSet FSet;
};

bool In(unsigned char Byte, unsigned char Low, unsigned char High)
{
    return Byte >= Low && Byte <= High;
}

// UTF-8: a sequence broken off by a byte that cannot go on with it is read byte by byte as Windows-1252,
// and the byte that broke it is read again on its own.
struct TUtf8
{
    static constexpr bool FastAscii = true;
    char32_t Code = 0;
    unsigned char Held[4] = {};
    int Needed = 0, Seen = 0;
    unsigned char Lower = 0x80, Upper = 0xBF;

    bool Idle() const { return Needed == 0; }

    void Step(unsigned char b, TSink& s)
    {
        if (Needed == 0) {
            TUtf8Lead lead;
            if (b < 0x80) {
                s.Ascii(b);
            } else if (!Utf8LeadOf(b, lead)) {
                s.Unfit(b);
            } else {
                Needed = lead.Length - 1;
                Lower = static_cast<unsigned char>(lead.Lower);
                Upper = static_cast<unsigned char>(lead.Upper);
                Code = b & (0x7F >> lead.Length);
                Held[0] = b;
                Seen = 0;
            }
            return;
        }
        if (!In(b, Lower, Upper)) {
            UnfitHeld(s);
            s.Prepend(b);
            return;
        }
        Lower = 0x80;
        Upper = 0xBF;
        Code = Code << 6 | (b & 0x3F);
        Held[++Seen] = b;
        if (Seen < Needed)
            return;
        Needed = 0;
        s.Char(Code);
    }

    void End(TSink& s)
    {
        if (Needed != 0)
            UnfitHeld(s);
    }

    void UnfitHeld(TSink& s)
    {
        for (int i = 0; i <= Seen; ++i)
            s.Unfit(Held[i]);
        Needed = Seen = 0;
        Lower = 0x80;
        Upper = 0xBF;
    }
};

// UTF-16 (after its byte-order mark): a surrogate without its other half is U+FFFD, as browsers read it.
struct TUtf16
{
    static constexpr bool FastAscii = false;
    explicit TUtf16(bool BigEndian) : Big(BigEndian) {}
    bool Big;
    int LeadByte = -1;
    char16_t LeadSurrogate = 0;

    bool Idle() const { return LeadByte < 0 && LeadSurrogate == 0; }

    void Step(unsigned char b, TSink& s)
    {
        if (LeadByte < 0) {
            LeadByte = b;
            return;
        }
        const char16_t unit = Big ? char16_t(LeadByte << 8 | b) : char16_t(b << 8 | LeadByte);
        LeadByte = -1;
        if (LeadSurrogate != 0) {
            const char16_t lead = LeadSurrogate;
            LeadSurrogate = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                s.Char(0x10000 + (char32_t(lead - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            s.Replacement(); // the lead surrogate without its other half; the unit after it reads on its own
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            LeadSurrogate = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            s.Replacement();
        else if (unit == 0)
            s.Ascii(0);
        else
            s.Char(unit);
    }

    // A lead surrogate at the end is U+FFFD; a last odd byte, no character of the set, is kept as such.
    void End(TSink& s)
    {
        if (LeadSurrogate != 0)
            s.Replacement();
        if (LeadByte >= 0)
            s.Unfit(LeadByte);
        LeadSurrogate = 0;
        LeadByte = -1;
    }
};

// The two-byte sets of one lead byte and one trail byte.
template <typename TPair>
struct TLeadTrail
{
    static constexpr bool FastAscii = true;
    unsigned char Lead = 0;

    bool Idle() const { return Lead == 0; }

    void Step(unsigned char b, TSink& s)
    {
        if (Lead != 0) {
            const unsigned char lead = Lead;
            Lead = 0;
            if (!TPair::Pair(lead, b, s))
                s.UnfitPair(lead, b);
            return;
        }
        if (TPair::Single(b, s))
            return;
        if (TPair::IsLead(b))
            Lead = b;
        else
            s.Unfit(b);
    }

    void End(TSink& s)
    {
        if (Lead != 0)
            s.Unfit(Lead);
        Lead = 0;
    }
};

struct TBig5
{
    static bool Single(unsigned char b, TSink& s)
    {
        if (b >= 0x80)
            return false;
        s.Ascii(b);
        return true;
    }
    static bool IsLead(unsigned char b) { return In(b, 0x81, 0xFE); }
    static bool Pair(unsigned char Lead, unsigned char b, TSink& s)
    {
        if (!In(b, 0x40, 0x7E) && !In(b, 0xA1, 0xFE))
            return false;
        const unsigned pointer = unsigned(Lead - 0x81) * 157 + (b - (b < 0x7F ? 0x40 : 0x62));
        // Four pointers stand for a letter and a combining mark, as no single code point does.
        switch (pointer) {
        case 1133: s.Char(0x00CA), s.Char(0x0304); return true;
        case 1135: s.Char(0x00CA), s.Char(0x030C); return true;
        case 1164: s.Char(0x00EA), s.Char(0x0304); return true;
        case 1166: s.Char(0x00EA), s.Char(0x030C); return true;
        }
        const char32_t code = At(IndexBig5, pointer);
        if (code != 0)
            s.Char(code);
        return code != 0;
    }
};

struct TEucKr
{
    static bool Single(unsigned char b, TSink& s) { return TBig5::Single(b, s); }
    static bool IsLead(unsigned char b) { return In(b, 0x81, 0xFE); }
    static bool Pair(unsigned char Lead, unsigned char b, TSink& s)
    {
        if (!In(b, 0x41, 0xFE))
            return false;
        const char32_t code = At(IndexEucKr, unsigned(Lead - 0x81) * 190 + (b - 0x41));
        if (code != 0)
            s.Char(code);
        return code != 0;
    }
};

struct TShiftJis
{
    static bool Single(unsigned char b, TSink& s)
    {
        if (b < 0x80)
            s.Ascii(b);
        else if (b == 0x80)
            s.Char(0x80);
        if (b <= 0x80)
            return true;
        if (In(b, 0xA1, 0xDF)) {
            s.Char(0xFF61 - 0xA1 + b);
            return true;
        }
        return false;
    }
    static bool IsLead(unsigned char b) { return In(b, 0x81, 0x9F) || In(b, 0xE0, 0xFC); }
    static bool Pair(unsigned char Lead, unsigned char b, TSink& s)
    {
        if (!In(b, 0x40, 0x7E) && !In(b, 0x80, 0xFC))
            return false;
        const unsigned pointer = unsigned(Lead - (Lead < 0xA0 ? 0x81 : 0xC1)) * 188 + (b - (b < 0x7F ? 0x40 : 0x41));
        // The pointers of the user-defined area read as the private-use characters.
        if (pointer >= 8836 && pointer <= 10715) {
            s.Char(0xE000 - 8836 + pointer);
            return true;
        }
        const char32_t code = At(IndexJis0208, pointer);
        if (code != 0)
            s.Char(code);
        return code != 0;
    }
};

struct TEucJp
{
    static constexpr bool FastAscii = true;
    unsigned char Lead = 0;
    bool Jis0212 = false;

    bool Idle() const { return Lead == 0; }

    void Step(unsigned char b, TSink& s)
    {
        if (Lead == 0x8E && In(b, 0xA1, 0xDF)) {
            Lead = 0;
            s.Char(0xFF61 - 0xA1 + b);
            return;
        }
        if (Lead == 0x8F && In(b, 0xA1, 0xFE)) {
            Jis0212 = true;
            Lead = b;
            return;
        }
        if (Lead != 0) {
            const unsigned char lead = Lead;
            const bool jis0212 = Jis0212;
            Lead = 0;
            Jis0212 = false;
            if (In(lead, 0xA1, 0xFE) && In(b, 0xA1, 0xFE)) {
                const unsigned pointer = unsigned(lead - 0xA1) * 94 + (b - 0xA1);
                const char32_t code = jis0212 ? At(IndexJis0212, pointer) : At(IndexJis0208, pointer);
                if (code != 0) {
                    s.Char(code);
                    return;
                }
            }
            if (jis0212)
                s.Unfit(0x8F);
            s.UnfitPair(lead, b);
            return;
        }
        if (b < 0x80)
            s.Ascii(b);
        else if (b == 0x8E || b == 0x8F || In(b, 0xA1, 0xFE))
            Lead = b;
        else
            s.Unfit(b);
    }

    void End(TSink& s)
    {
        if (Lead != 0) {
            if (Jis0212)
                s.Unfit(0x8F);
            s.Unfit(Lead);
        }
        Lead = 0;
        Jis0212 = false;
    }
};

struct TIso2022Jp
{
    static constexpr bool FastAscii = false;
    enum TState : unsigned char { Ascii, Roman, Katakana, LeadByte, TrailByte, EscapeStart, Escape };
    TState State = Ascii, OutputState = Ascii;
    unsigned char Lead = 0;

    bool Idle() const { return State != TrailByte && State != EscapeStart && State != Escape; }

    void Step(unsigned char b, TSink& s)
    {
        if (b == 0x1B && State != EscapeStart && State != Escape) {
            if (State == TrailByte)
                s.Unfit(Lead); // a character cut by an escape sequence
            State = EscapeStart;
            return;
        }
        switch (State) {
        case Ascii:
        case Roman:
            if (b > 0x7F || b == 0x0E || b == 0x0F)
                s.Unfit(b);
            else if (State == Roman && b == 0x5C)
                s.Char(0x00A5);
            else if (State == Roman && b == 0x7E)
                s.Char(0x203E);
            else
                s.Ascii(b);
            return;
        case Katakana:
            if (In(b, 0x21, 0x5F))
                s.Char(0xFF61 - 0x21 + b);
            else
                s.Unfit(b);
            return;
        case LeadByte:
            if (In(b, 0x21, 0x7E)) {
                Lead = b;
                State = TrailByte;
            } else {
                s.Unfit(b);
            }
            return;
        case TrailByte: {
            State = LeadByte;
            const char32_t code = In(b, 0x21, 0x7E) ? At(IndexJis0208, unsigned(Lead - 0x21) * 94 + (b - 0x21)) : 0;
            if (code != 0)
                s.Char(code);
            else
                s.Unfit(Lead, b);
            return;
        }
        case EscapeStart:
            if (b == 0x24 || b == 0x28) {
                Lead = b;
                State = Escape;
                return;
            }
            s.Prepend(b);
            NoEscape(s);
            return;
        case Escape: {
            const unsigned char lead = Lead;
            Lead = 0;
            TState next = EscapeStart;
            if (lead == 0x28 && b == 0x42)
                next = Ascii;
            else if (lead == 0x28 && b == 0x4A)
                next = Roman;
            else if (lead == 0x28 && b == 0x49)
                next = Katakana;
            else if (lead == 0x24 && (b == 0x40 || b == 0x42))
                next = LeadByte;
            if (next == EscapeStart) {
                s.Prepend(lead, b);
                NoEscape(s);
                return;
            }
            // Browsers also flag an escape sequence right behind another as an error; it holds no
            // character, so here it is read as the state it names and nothing more.
            State = OutputState = next;
            return;
        }
        }
    }

    // An escape byte that starts no escape sequence: kept as its character, the state before it goes on.
    void NoEscape(TSink& s)
    {
        State = OutputState;
        s.Unfit(0x1B);
    }

    void End(TSink& s)
    {
        switch (State) {
        case TrailByte:
            State = LeadByte;
            s.Unfit(Lead);
            return;
        case EscapeStart:
            NoEscape(s);
            return;
        case Escape:
            s.Prepend(Lead);
            Lead = 0;
            NoEscape(s);
            return;
        default:
            return;
        }
    }
};

// gb18030's four-byte pointers that no two-byte one covers: they run on in ranges from the pointers of the
// ranges index.
char32_t Gb18030RangesCode(unsigned Pointer)
{
    if ((Pointer > 39419 && Pointer < 189000) || Pointer > 1237575)
        return 0;
    if (Pointer == 7457)
        return 0xE7C7;
    const auto next = std::upper_bound(IndexGb18030Ranges.begin(), IndexGb18030Ranges.end(), Pointer,
                                       [](unsigned p, const TGb18030Range& r) { return p < r.Pointer; });
    const TGb18030Range& range = *(next - 1);
    return range.CodePoint + (Pointer - range.Pointer);
}

// gb18030 and GBK, which browsers read alike: one byte, two, or four (two pairs of a lead and a digit).
struct TGb18030
{
    static constexpr bool FastAscii = true;
    unsigned char First = 0, Second = 0, Third = 0;

    bool Idle() const { return First == 0; }

    void Step(unsigned char b, TSink& s)
    {
        if (Third != 0) {
            const unsigned char first = First, second = Second, third = Third;
            First = Second = Third = 0;
            if (!In(b, 0x30, 0x39)) {
                s.Unfit(first);
                s.Prepend(second, third, b);
                return;
            }
            const char32_t code = Gb18030RangesCode(unsigned(first - 0x81) * 12600 + unsigned(second - 0x30) * 1260
                                                    + unsigned(third - 0x81) * 10 + (b - 0x30));
            if (code != 0)
                s.Char(code);
            else
                s.Unfit(first, second, third, b);
            return;
        }
        if (Second != 0) {
            if (In(b, 0x81, 0xFE)) {
                Third = b;
                return;
            }
            const unsigned char first = First, second = Second;
            First = Second = 0;
            s.Unfit(first);
            s.Prepend(second, b);
            return;
        }
        if (First != 0) {
            if (In(b, 0x30, 0x39)) {
                Second = b;
                return;
            }
            const unsigned char lead = First;
            First = 0;
            if (In(b, 0x40, 0x7E) || In(b, 0x80, 0xFE)) {
                const char32_t code = At(IndexGb18030, unsigned(lead - 0x81) * 190 + (b - (b < 0x7F ? 0x40 : 0x41)));
                if (code != 0) {
                    s.Char(code);
                    return;
                }
            }
            s.UnfitPair(lead, b);
            return;
        }
        if (b < 0x80)
            s.Ascii(b);
        else if (b == 0x80)
            s.Char(0x20AC);
        else if (b != 0xFF)
            First = b;
        else
            s.Unfit(b);
    }

    void End(TSink& s)
    {
        if (First != 0)
            s.Unfit(First);
        if (Second != 0)
            s.Unfit(Second);
        if (Third != 0)
            s.Unfit(Third);
        First = Second = Third = 0;
    }
};

} // namespace

bool Utf8LeadOf(unsigned char Byte, TUtf8Lead& Lead)
{
    if (In(Byte, 0xC2, 0xDF))
        Lead = {2, 0x80, 0xBF};
    else if (In(Byte, 0xE0, 0xEF))
        Lead = {3, Byte == 0xE0 ? 0xA0 : 0x80, Byte == 0xED ? 0x9F : 0xBF};
    else if (In(Byte, 0xF0, 0xF4))
        Lead = {4, Byte == 0xF0 ? 0x90 : 0x80, Byte == 0xF4 ? 0x8F : 0xBF};
    else
        return false;
    return true;
}

char16_t Windows1252Char(unsigned char Byte)
{
    return Byte < 0x80 ? char16_t(Byte) : Windows1252Index().High[Byte - 0x80];
}

const std::array<char16_t, 128>* SingleByteIndexOf(QByteArrayView Encoding)
{
    // The Hebrew set in logical order has the bytes of the visual one; only how it is shown differs.
    if (Encoding == "ISO-8859-8-I")
        Encoding = "ISO-8859-8";
    for (const TSingleByteIndex& index : SingleByteIndexes)
        if (Encoding == QByteArrayView(index.Encoding.data(), qsizetype(index.Encoding.size())))
            return &index.High;
    return nullptr;
}

std::unique_ptr<TStreamDecoder> MultiByteDecoder(QByteArrayView Encoding)
{
    if (Encoding == "UTF-8")
        return std::make_unique<TDecoderOf<TUtf8>>();
    if (Encoding == "UTF-16LE" || Encoding == "UTF-16BE")
        return std::make_unique<TDecoderOf<TUtf16>>(Encoding == "UTF-16BE");
    if (Encoding == "gb18030" || Encoding == "GBK")
        return std::make_unique<TDecoderOf<TGb18030>>();
    if (Encoding == "Big5")
        return std::make_unique<TDecoderOf<TLeadTrail<TBig5>>>();
    if (Encoding == "EUC-KR")
        return std::make_unique<TDecoderOf<TLeadTrail<TEucKr>>>();
    if (Encoding == "Shift_JIS")
        return std::make_unique<TDecoderOf<TLeadTrail<TShiftJis>>>();
    if (Encoding == "EUC-JP")
        return std::make_unique<TDecoderOf<TEucJp>>();
    if (Encoding == "ISO-2022-JP")
        return std::make_unique<TDecoderOf<TIso2022Jp>>();
    return nullptr;
}
