#include "HtmlFiler.h"

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlEntities.h"
#include "HtmlTags.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------------------
// Tag sets that steer the parser, indexed by tag identifier.

enum : unsigned char {
    tsHead = 1,          // belongs in the head: base, link, meta, style, title
    tsNoBody = 2,        // does not open the body
    tsSiblingClose = 4,  // a start tag of the same kind closes the open one
    tsDropWhenEmpty = 8, // removed by the final pass when it has no children
};

constexpr std::array<unsigned char, TagCount> BuildTagSets()
{
    std::array<unsigned char, TagCount> s{};
    for (int t : {TAG_BASE, TAG_LINK, TAG_META, TAG_STYLE, TAG_TITLE})
        s[t] |= tsHead;
    for (int t : {TAG_BASE, TAG_FRAME, TAG_FRAMESET, TAG_LINK, TAG_META, TAG_NOFRAMES, TAG_SCRIPT, TAG_STYLE,
                  TAG_TITLE})
        s[t] |= tsNoBody;
    for (int t : {TAG_COLGROUP, TAG_DD, TAG_DT, TAG_LI, TAG_OPTION, TAG_TBODY, TAG_TD, TAG_TFOOT, TAG_TH,
                  TAG_THEAD, TAG_TR})
        s[t] |= tsSiblingClose;
    for (int t : {TAG_ADDRESS, TAG_BLOCKQUOTE, TAG_CENTER, TAG_DEL, TAG_DIV, TAG_H1, TAG_H2, TAG_H3, TAG_H4,
                  TAG_H5, TAG_H6, TAG_INS, TAG_NOFRAMES, TAG_NOSCRIPT, TAG_P, TAG_PRE})
        s[t] |= tsDropWhenEmpty;
    return s;
}
constexpr std::array<unsigned char, TagCount> TagSets = BuildTagSets();

bool InTagSet(int id, unsigned char set)
{
    return id >= 0 && id < TagCount && (TagSets[id] & set) != 0;
}

constexpr bool IsBlank(char16_t c)
{
    return c == 9 || c == 10 || c == 13 || c == 32;
}

#if defined(__SSE2__)
// The units from s on that pass the test, eight at a time: stored to o (whole blocks of eight, so o needs
// room for eight units from its position while s has eight to read), both advanced past the run. The
// run ends at the first block with a unit that fails; the caller takes over from there.
template <typename TFails>
inline const char16_t* CopyRun(const char16_t* s, const char16_t* end, char16_t*& o, TFails fails)
{
    while (end - s >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const int mask = _mm_movemask_epi8(fails(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        if (mask != 0) {
            const int k = __builtin_ctz(unsigned(mask)) / 2;
            o += k;
            return s + k;
        }
        o += 8;
        s += 8;
    }
    return s;
}

// Characters above 32 other than "<": what ordinary text keeps as it stands when read.
inline const char16_t* CopyPlainRun(const char16_t* s, const char16_t* end, char16_t*& o)
{
    return CopyRun(s, end, o, [](__m128i v) {
        const __m128i low = _mm_cmpeq_epi16(_mm_subs_epu16(v, _mm_set1_epi16(32)), _mm_setzero_si128());
        return _mm_or_si128(low, _mm_cmpeq_epi16(v, _mm_set1_epi16('<')));
    });
}

// Characters 33 to 127: what a word of ordinary text writes as it stands.
inline const char16_t* CopyAsciiRun(const char16_t* s, const char16_t* end, char16_t*& o)
{
    return CopyRun(s, end, o, [](__m128i v) {
        const __m128i offset = _mm_sub_epi16(v, _mm_set1_epi16(33));
        const __m128i over = _mm_subs_epu16(offset, _mm_set1_epi16(94));
        return _mm_xor_si128(_mm_cmpeq_epi16(over, _mm_setzero_si128()), _mm_set1_epi16(-1));
    });
}
// The first unit c at or after s, or end.
inline const char16_t* FindUnit(const char16_t* s, const char16_t* end, char16_t c)
{
    const __m128i needle = _mm_set1_epi16(short(c));
    while (end - s >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, needle)))
            return s + __builtin_ctz(unsigned(mask)) / 2;
        s += 8;
    }
    while (s < end && *s != c)
        ++s;
    return s;
}

// The same, telling also whether a surrogate (D800..DFFF) stands before the unit found.
inline const char16_t* FindUnit(const char16_t* s, const char16_t* end, char16_t c, bool& surrogate)
{
    const __m128i needle = _mm_set1_epi16(short(c));
    const __m128i high5 = _mm_set1_epi16(short(0xF800));
    const __m128i d800 = _mm_set1_epi16(short(0xD800));
    __m128i seen = _mm_setzero_si128();
    while (end - s >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i sur = _mm_cmpeq_epi16(_mm_and_si128(v, high5), d800);
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, needle))) {
            const int k = __builtin_ctz(unsigned(mask));
            if ((_mm_movemask_epi8(sur) & ((1 << k) - 1)) != 0 || _mm_movemask_epi8(seen) != 0)
                surrogate = true;
            return s + k / 2;
        }
        seen = _mm_or_si128(seen, sur);
        s += 8;
    }
    if (_mm_movemask_epi8(seen) != 0)
        surrogate = true;
    for (; s < end && *s != c; ++s)
        if ((*s & 0xF800) == 0xD800)
            surrogate = true;
    return s;
}
#else
inline const char16_t* FindUnit(const char16_t* s, const char16_t* end, char16_t c)
{
    while (s < end && *s != c)
        ++s;
    return s;
}
inline const char16_t* FindUnit(const char16_t* s, const char16_t* end, char16_t c, bool& surrogate)
{
    for (; s < end && *s != c; ++s)
        if ((*s & 0xF800) == 0xD800)
            surrogate = true;
    return s;
}
inline const char16_t* CopyPlainRun(const char16_t* s, const char16_t*, char16_t*&)
{
    return s;
}
inline const char16_t* CopyAsciiRun(const char16_t* s, const char16_t*, char16_t*&)
{
    return s;
}
#endif

// The tag flags, copied once into one table so the hot loops test bits instead of calling out.
enum : unsigned char { tfEnd = 1, tfText = 2, tfInline = 4, tfBlock = 8, tfBreaks = 16 };

struct TFlagTable
{
    std::array<unsigned char, TagCount> Flags{};
    TFlagTable()
    {
        for (int id = 0; id < TagCount; ++id)
            Flags[id] = (TagHasEndTag(id) ? tfEnd : 0) | (TagHoldsText(id) ? tfText : 0) |
                        (TagIsInline(id) ? tfInline : 0) | (TagIsBlock(id) ? tfBlock : 0) |
                        (TagBreaksFlow(id) ? tfBreaks : 0);
    }
};

const TFlagTable& FlagTable()
{
    static const TFlagTable table;
    return table;
}

// Tag and attribute names recur all through a page: the identifier last found for each spelling is kept
// in a small table, so that most names cost one comparison instead of a keyword search.
class TNameCache
{
public:
    TNameCache()
    {
        for (TSlot& slot : FSlots)
            slot.Length = 0;
    }

    // readable: how far from the name's start the text may be read (names of up to eight units, the most,
    // are taken as one block of eight and compared at once).
    template <typename TLookup>
    int Find(QStringView name, const char16_t* readable, TLookup lookup)
    {
        const qsizetype n = name.size();
#if defined(__SSE2__)
        if (n > 0 && n <= 8 && readable - name.utf16() >= 8) {
            const __m128i key = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(name.utf16())),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(KeepUnits + 8 - n)));
            const auto lo = std::uint64_t(_mm_cvtsi128_si64(key));
            const auto hi = std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(key, key)));
            const std::uint64_t h = (lo * 0x9E3779B97F4A7C15u) ^ (hi * 0xC2B2AE3D27D4EB4Fu) ^ std::uint64_t(n);
            TShortSlot& slot = FShort[(h >> 32) & (Slots - 1)];
            if (slot.Length == n && _mm_movemask_epi8(_mm_cmpeq_epi16(key, slot.Key)) == 0xFFFF)
                return slot.Id;
            slot.Key = key;
            slot.Length = int(n);
            slot.Id = lookup(name);
            return slot.Id;
        }
#endif
        if (n == 0 || n > MaxLength)
            return lookup(name);
        const char16_t* p = name.utf16();
        const unsigned h = (unsigned(p[0]) * 31u + unsigned(p[n - 1]) * 7u + unsigned(p[n / 2]) * 17u +
                            unsigned(n) * 131u) & (Slots - 1);
        TSlot& slot = FSlots[h];
        if (slot.Length == n) {
            qsizetype i = 0;
            while (i < n && slot.Name[i] == p[i])
                ++i;
            if (i == n)
                return slot.Id;
        }
        const int id = lookup(name);
        slot.Length = static_cast<unsigned char>(n);
        std::copy(p, p + n, slot.Name);
        slot.Id = id;
        return id;
    }

private:
    static constexpr int Slots = 256;
    static constexpr qsizetype MaxLength = 14;
#if defined(__SSE2__)
    // Read from KeepUnits + 8 - n: n units of ones, then zeros.
    static constexpr char16_t KeepUnits[16] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    struct TShortSlot
    {
        __m128i Key; // the name's units, zeros after them
        int Length = 0;
        int Id = 0;
    };
    std::array<TShortSlot, Slots> FShort{};
#endif
    struct TSlot
    {
        int Id;
        unsigned char Length;
        char16_t Name[MaxLength];
    };
    std::array<TSlot, Slots> FSlots;
};

// The attributes of HTML that are flags: present or absent, without a value of their own.
bool IsFlagAttribute(int attr)
{
    switch (attr) {
    case ATTR_CHECKED: case ATTR_COMPACT: case ATTR_DECLARE: case ATTR_DEFER: case ATTR_DISABLED: case ATTR_ISMAP:
    case ATTR_MULTIPLE: case ATTR_NOHREF: case ATTR_NORESIZE: case ATTR_NOSHADE: case ATTR_NOWRAP:
    case ATTR_READONLY: case ATTR_SELECTED:
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------------------
// The parser: one pass over the UTF-16 text, building the tree as it goes.

const QString MsgUnterminatedComment = QStringLiteral("Unterminated Comment");
const QString MsgUnterminatedScript = QStringLiteral("Unterminated Script");

class THtmlParser
{
public:
    THtmlParser(const char16_t* text, qsizetype length, unsigned options)
        : P(text), FEnd(text + length), FRoot(std::make_unique<THtmlRoot>()), FFlags(FlagTable().Flags.data()),
          FOptions(options)
    {
        FCurrent = FRoot.get();
        FOpen.fill(0);
    }

    std::unique_ptr<THtmlRoot> Run()
    {
        while (P < FEnd) {
            if (*P != u'<' || P + 1 >= FEnd) {
                ParseText();
                continue;
            }
            const char16_t c = P[1];
            if (IsBlank(c) || c == u'<' || c == u'>') {
                ParseText();
            } else if (c == u'!') {
                if (P + 3 < FEnd && P[2] == u'-' && P[3] == u'-')
                    ParseComment();
                else
                    ParseTag(BangNameEnd());
            } else if (c == u'%' || c == u'?') {
                ParseBlock(c);
            } else {
                ParseTag(ReadUpTo(P + 1, [](char16_t ch) { return IsBlank(ch) || ch == u'/' || ch == u'>'; }));
            }
        }
        DropEmptyBlocks();
        return std::move(FRoot);
    }

private:
    // "Reading up to a set": the character at from is always taken, reading stops at the first following
    // character in the set (or the end). Answers the position of that stop.
    template <typename TStop>
    const char16_t* ReadUpTo(const char16_t* from, TStop stop) const
    {
        if (from >= FEnd)
            return FEnd;
        const char16_t* q = from + 1;
        while (q < FEnd && !stop(*q))
            ++q;
        return q;
    }


    void SkipBlanks()
    {
        while (P < FEnd && IsBlank(*P))
            ++P;
    }

    // Past the next ">" (or to the end).
    void SkipPastGt()
    {
        while (P < FEnd && *P != u'>')
            ++P;
        if (P < FEnd)
            ++P;
    }

    // The end of a name that starts with "!" but opens no comment: "!" or "!-" followed by what is read up
    // to a blank or ">". A ">" right there ends the declaration ("<!>"), so that it reads back the same.
    const char16_t* BangNameEnd() const
    {
        const char16_t* from = P + 2; // the character after "!"
        if (from < FEnd && *from == u'-')
            ++from;
        if (from < FEnd && (IsBlank(*from) || *from == u'>'))
            return from;
        return ReadUpTo(from, [](char16_t ch) { return IsBlank(ch) || ch == u'>'; });
    }

    // --- the current element and the open-element counts (which identifiers stand on the chain from the
    // current element up to the root, so an end tag with nothing open to close costs no climb) -----------

    void Descend(THtmlTag* e)
    {
        FCurrent = e;
        ++FOpen[e->TagId()];
    }

    void ClimbTo(THtmlTag* ancestor)
    {
        while (FCurrent != ancestor) {
            --FOpen[FCurrent->TagId()];
            FCurrent = static_cast<THtmlTag*>(FCurrent->Parent());
        }
    }

    // A jump to an element anywhere (html, head, body: all near the root).
    void JumpTo(THtmlTag* e)
    {
        FCurrent = e;
        FOpen.fill(0);
        for (THtmlNode* n = e; n && n->TagId() >= 0; n = n->Parent())
            ++FOpen[n->TagId()];
    }

    // The room for the text being made, reused from text to text, grown keeping its first written units.
    void GrowScratch(qsizetype written)
    {
        const qsizetype size = std::max<qsizetype>(FScratchSize * 2, 4096);
        std::unique_ptr<char16_t[]> grown(new char16_t[std::size_t(size)]);
        if (written)
            std::memcpy(grown.get(), FScratch.get(), std::size_t(written) * 2);
        FScratch = std::move(grown);
        FScratchSize = size;
    }

    THtmlTag* ParentOf(THtmlTag* e) const { return static_cast<THtmlTag*>(e->Parent()); }

    bool HasFlag(int id, unsigned char flag) const
    {
        return id >= 0 && id < TagCount && (FFlags[id] & flag) != 0;
    }

    // A head element met in the body went to the head; everything after it belongs where the body was.
    void ReturnFromHead()
    {
        FCurrent = FReturnTo;
        FOpen = FReturnOpen;
        // The text of the head element is not part of the body's flow: the body goes on as before it.
        FTrim = FReturnTrim;
        FDisplaced = nullptr;
        FReturnTo = nullptr;
    }

    void AddRaw(int id, const char16_t* from, const char16_t* to, bool closeWithGt = false)
    {
        if (closeWithGt) {
            QString text(reinterpret_cast<const QChar*>(from), to - from);
            text += u'>';
            FCurrent->Add(new THtmlText(id, text));
        } else {
            FCurrent->Add(new THtmlText(id, QStringView(from, to)));
        }
    }

    void ParseComment()
    {
        // The comment ends at the first "-->" after the opening "<!--".
        const char16_t* q = P + 4;
        for (;;) {
            while (q < FEnd && *q != u'-')
                ++q;
            if (q + 2 >= FEnd)
                throw Exception(MsgUnterminatedComment);
            if (q[1] == u'-' && q[2] == u'>')
                break;
            ++q;
        }
        AddRaw(TAG_COMMENT, P, q + 3);
        P = q + 3;
    }

    // "<?" ... "?>" or "<%" ... "%>". The body is taken in pairs after each delimiter: the character after a
    // delimiter is never itself a delimiter that could end the block.
    void ParseBlock(char16_t d)
    {
        const char16_t* q = P + 2;
        for (;;) {
            if (q >= FEnd)
                throw Exception(MsgUnterminatedScript);
            const char16_t c = *q++;
            if (c != d)
                continue;
            if (q >= FEnd)
                throw Exception(MsgUnterminatedScript);
            if (*q++ == u'>')
                break;
        }
        AddRaw(d == u'?' ? TAG_PHP : TAG_ASP, P, q);
        P = q;
    }

    void ParseTag(const char16_t* nameEnd)
    {
        const char16_t* tagStart = P;
        const QStringView name(P + 1, nameEnd);
        const int id = FTagNames.Find(name, FEnd, [](QStringView n) { return TagNameToId(n); });
        P = nameEnd;
        if (id == TAG_UNKNOWN || id == TAG_UNKNOWN + TagEndOffset) {
            if (P < FEnd && *P != u'>')
                while (P < FEnd && *P != u'>')
                    ++P;
            if (P < FEnd) {
                ++P;
                AddRaw(TAG_UNKNOWN, tagStart, P);
            } else {
                AddRaw(TAG_UNKNOWN, tagStart, P, true);
            }
            return;
        }
        if (id >= TagEndOffset) {
            ParseEndTag(id - TagEndOffset);
            return;
        }
        ParseStartTag(id, tagStart);
    }

    void ParseEndTag(int t)
    {
        if (t >= 0 && t < TagCount && FOpen[t] > 0) {
            THtmlTag* e = FCurrent;
            while (e->TagId() != t)
                e = ParentOf(e);
            if (FDisplaced)
                ReturnFromHead();
            else
                ClimbTo(ParentOf(e));
        }
        if (t == TAG_PRE || t == TAG_TEXTAREA)
            FInPre = false;
        SkipPastGt();
        // Blanks right after a block's end tag cannot show: "</div> b" reads as "</div>b" reads.
        if (HasFlag(t, tfBreaks))
            FTrim = true;
    }

    void ParseStartTag(int t, const char16_t* tagStart)
    {
        if (FDisplaced)
            ReturnFromHead();
        if (t == TAG_PRE || t == TAG_TEXTAREA)
            FInPre = true;
        if (t == TAG_DOCTYPE) {
            ParseDocType(tagStart);
            return;
        }
        THtmlTag* element = nullptr;
        if (t == TAG_HTML) {
            JumpTo(FRoot->GetHtml());
            FSection = TAG_HTML;
            element = FCurrent;
        } else if (t == TAG_HEAD) {
            JumpTo(FRoot->GetHead());
            FSection = TAG_HEAD;
            element = FCurrent;
        } else if (t == TAG_BODY) {
            JumpTo(FRoot->GetBody());
            FSection = TAG_BODY;
            element = FCurrent;
        } else if (t == TAG_FRAMESET) {
            if (FSection == TAG_BODY || FSection == TAG_HEAD)
                JumpTo(FRoot->GetHtml());
            element = new THtmlTag(t);
            FCurrent->Add(element);
            Descend(element);
            FSection = TAG_FRAMESET;
        } else if (InTagSet(t, tsHead) && FSection == TAG_BODY && FOpen[TAG_NOSCRIPT] == 0) {
            // A head element inside the body goes to the head, but the body stays where it was.
            element = new THtmlTag(t);
            FRoot->GetHead()->Add(element);
            if (HasFlag(t, tfEnd)) {
                FReturnTo = FCurrent;
                FReturnOpen = FOpen;
                FReturnTrim = FTrim;
                FDisplaced = element;
                JumpTo(element);
            }
        } else {
            // What stands inside a noscript stays inside it: its links and styles apply only without script,
            // in the head as in the body.
            const bool inNoscript = FOpen[TAG_NOSCRIPT] > 0;
            const bool headNoscript = t == TAG_NOSCRIPT && FSection == TAG_HEAD && FOpen[TAG_HEAD] > 0;
            if (inNoscript && InTagSet(t, tsHead)) {
                // stays in the noscript
            } else if (InTagSet(t, tsHead) && FSection != TAG_HEAD) {
                JumpTo(FRoot->GetHead());
                FSection = TAG_HEAD;
            } else if (!InTagSet(t, tsNoBody) && !headNoscript && FSection != TAG_BODY && FSection != TAG_FRAMESET) {
                JumpTo(FRoot->GetBody());
                FSection = TAG_BODY;
            }
            if (t == FCurrent->TagId() && InTagSet(t, tsSiblingClose))
                ClimbTo(ParentOf(FCurrent));
            if (HasFlag(FCurrent->TagId(), tfInline) && !HasFlag(t, tfInline)) {
                THtmlTag* e = FCurrent;
                while (HasFlag(e->TagId(), tfInline))
                    e = ParentOf(e);
                ClimbTo(e);
            }
            // A div or p closes an open paragraph, as browsers read it ("<p>one<p>two", "<p>a<div>b"); a div
            // stays open until its own end tag or an ancestor's, so "<div class=a><p>t</p></div>" keeps its
            // wrapper and the classes, ids and styles on it.
            if ((t == TAG_DIV || t == TAG_P) && FCurrent->TagId() == TAG_P)
                ClimbTo(ParentOf(FCurrent));
            if (t == TAG_BR || t == TAG_HR)
                FTrim = true;
            else if (HasFlag(t, tfInline) && !HasFlag(t, tfEnd))
                FTrim = false; // an image or a form field stands between the words: the blank after it stays
            element = new THtmlTag(t);
            FCurrent->Add(element);
            if (HasFlag(t, tfEnd))
                Descend(element);
            if (InTagSet(t, tsDropWhenEmpty))
                FDropCandidates.push_back(element);
        }
        // Nor can blanks at the start of a block: "<div> a" holds "a", so the line end the writer puts
        // after the start tag reads back the same.
        if (HasFlag(t, tfBreaks))
            FTrim = true;
        ParseAttributes(element);
        if ((t == TAG_SCRIPT || t == TAG_STYLE) && FCurrent == element)
            ParseRawContent(element, t == TAG_SCRIPT ? u"</script" : u"</style");
        else if (t == TAG_TEXTAREA && FCurrent == element)
            ParseTextareaContent(element);
    }

    // What a text area holds is its text, markup included: "<b>" there is three characters a user typed,
    // and reading it as an element would add an end tag or drop it on the next save. Without its end tag
    // the rest of the document is read as usual rather than swallowed into the field.
    void ParseTextareaContent(THtmlTag* element)
    {
        const char16_t* end = FindEndTag(P, u"</textarea");
        if (end >= FEnd)
            return;
        if (end > P)
            element->Add(new THtmlText(TAG_TEXT, QStringView(P, end)));
        P = end;
    }

    // tagStart is the declaration's "<".
    void ParseDocType(const char16_t* tagStart)
    {
        const char16_t* from = P;
        if (P < FEnd && *P != u'>')
            P = ReadUpTo(P, [](char16_t ch) { return ch == u'>'; });
        const QStringView text(from, P);
        auto doctype = new THtmlDocType();
        if (!ContainsAsciiUpper(text, u"//DTD HTML 4.01"))
            doctype->SetWritten(QStringView(tagStart + 1, P).toString());
        else if (ContainsAsciiUpper(text, u"STRICT"))
            doctype->SetKind(dkStrict);
        else if (ContainsAsciiUpper(text, u"FRAMESET"))
            doctype->SetKind(dkFrameset);
        if (FSection == TAG_ROOT)
            FRoot->Add(doctype);
        else
            FRoot->AddFirst(doctype);
        if (P < FEnd)
            ++P;
    }

    // Equal when ASCII letters are compared without case (the end tags that close code are ASCII).
    static bool SameAsciiNoCase(QStringView a, QStringView b)
    {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            char16_t x = a[i].unicode();
            char16_t y = b[i].unicode();
            if (x >= u'A' && x <= u'Z')
                x += 32;
            if (y >= u'A' && y <= u'Z')
                y += 32;
            if (x != y)
                return false;
        }
        return true;
    }

    // Whether text, upper-cased in the letters a..z only, contains needle (upper-case ASCII).
    static bool ContainsAsciiUpper(QStringView text, QStringView needle)
    {
        const qsizetype n = needle.size();
        for (qsizetype i = 0; i + n <= text.size(); ++i) {
            qsizetype k = 0;
            for (; k < n; ++k) {
                char16_t c = text[i + k].unicode();
                if (c >= u'a' && c <= u'z')
                    c -= 32;
                if (c != needle[k].unicode())
                    break;
            }
            if (k == n)
                return true;
        }
        return false;
    }

    // The attributes are gathered as views of the source and handed to the element in one piece; an
    // element met again (a second body tag) adds them to what it has.
    void ParseAttributes(THtmlTag* element)
    {
        SkipBlanks();
        if (P >= FEnd || *P == u'>') {
            if (P < FEnd)
                ++P;
            return;
        }
        if (element->AttributeCount() > 0)
            FAttributes = TAttributeBuilder(*element);
        else
            FAttributes.Clear();
        // A local cursor: the loops below need not store it back at every step.
        const char16_t* p = P;
        const char16_t* const end = FEnd;
        auto skipBlanks = [&p, end] {
            while (p < end && IsBlank(*p))
                ++p;
        };
        while (p < end && *p != u'>') {
            const char16_t* nameEnd = p + 1;
            while (nameEnd < end && !IsBlank(*nameEnd) && *nameEnd != u'=' && *nameEnd != u'>')
                ++nameEnd;
            const QStringView name(p, nameEnd);
            p = nameEnd;
            const char16_t* valueFrom = nullptr;
            const char16_t* valueTo = nullptr;
            bool equals = false;
            bool surrogate = false;
            skipBlanks();
            if (p < end && *p == u'=') {
                equals = true;
                ++p;
                skipBlanks();
                if (p < end && (*p == u'"' || *p == u'\'')) {
                    const char16_t quote = *p++;
                    valueFrom = p;
                    p = FindUnit(p, end, quote, surrogate);
                    valueTo = p;
                    if (p < end)
                        ++p;
                } else if (p < end && *p != u'>') {
                    valueFrom = p;
                    ++p;
                    while (p < end && !IsBlank(*p) && *p != u'>')
                        ++p;
                    valueTo = p;
                    surrogate = true; // not looked at: the list checks it
                }
            }
            if (!(name.size() == 1 && name[0] == u'/')) {
                const int attr = FAttrNames.Find(name, FEnd, [](QStringView n) { return AttrNameToId(n); });
                const qsizetype valueLength = valueTo - valueFrom;
                // Attributes the table does not know (data-*, aria-*, role, async, ...) are kept raw, on
                // every element, as written: bare, empty or with a value.
                if (attr < 0) {
                    FAttributes.StoreRaw(name, QStringView(valueFrom, valueLength), !equals);
                } else if (equals && !(valueLength == 0 && (FOptions & poEmptyFlagsAreBare) && IsFlagAttribute(attr))) {
                    // An empty value (alt="", value="") is kept as written: it differs from no attribute.
                    FAttributes.Store(attr, QStringView(valueFrom, valueLength), afWritten, !surrogate);
                } else {
                    FAttributes.Store(attr, u"TRUE", afValueless, true);
                }
            }
            skipBlanks();
        }
        if (p < end)
            ++p;
        P = p;
        element->SetAttributes(FAttributes);
    }

    // The code of a script or style element, read as it stands up to its own end tag, so that "a<b" in
    // code is no tag. Code that is one comment wrapper (the usual way to hide it from old browsers) is kept
    // as that comment; other code as one text; blanks alone leave no child.
    // Where the end tag endTag (written "</name") first stands from q on; FEnd when it does not.
    const char16_t* FindEndTag(const char16_t* q, QStringView endTag) const
    {
        const qsizetype n = endTag.size();
        for (;; ++q) {
            while (q < FEnd && *q != u'<')
                ++q;
            if (q >= FEnd)
                return FEnd;
            if (FEnd - q >= n && SameAsciiNoCase(QStringView(q, n), endTag) &&
                (q + n == FEnd || IsBlank(q[n]) || q[n] == u'/' || q[n] == u'>'))
                return q;
        }
    }

    void ParseRawContent(THtmlTag* element, QStringView endTag)
    {
        const char16_t* from = P;
        const char16_t* q = FindEndTag(P, endTag);
        P = q;
        const char16_t* a = from;
        const char16_t* b = q;
        while (a < b && *a < 33)
            ++a;
        while (b > a && b[-1] < 33)
            --b;
        if (a == b)
            return;
        const QStringView code(a, b);
        if (code.startsWith(u"<!--") && code.endsWith(u"-->") && code.size() >= 7 &&
            code.indexOf(u"-->", 4) == code.size() - 3) {
            element->Add(new THtmlText(TAG_COMMENT, code));
        } else {
            element->Add(new THtmlText(TAG_TEXT, QStringView(from, q)));
        }
    }

    // Ordinary text up to the next tag, with every "<" that starts no tag held as "&lt;". One pass finds
    // where the text ends and makes its characters: blanks collapsed outside pre, each "<" as "&lt;" (and
    // "<>" as "&lt;&gt;").
    void ParseText()
    {
        const char16_t* const end = FEnd;
        const char16_t* from = P;
        const bool collapse = !FInPre;
        // Collapsing maps a run of blanks to one space and keeps every other character, so what trimming
        // and the trim flag need can be read from the source directly. The text ends at a "<", never
        // among these characters.
        if (collapse && FTrim)
            while (from < end && *from <= 32)
                ++from;
        char16_t* out = FScratch.get();
        char16_t* limit = out + FScratchSize;
        char16_t* o = out;
        const char16_t* s = from;
        for (;;) {
            // Room for the longest step ("&lt;&gt;") and for the eight units a run stores at once.
            if (limit - o < 64) {
                const qsizetype written = o - out;
                GrowScratch(written);
                out = FScratch.get();
                limit = out + FScratchSize;
                o = out + written;
            }
            // Runs of characters that are copied as they stand, eight at a time, no further than the room.
            s = CopyPlainRun(s, s + std::min<qsizetype>(end - s, (limit - o) - 8), o);
            if (s >= end)
                break;
            const char16_t c = *s;
            if (c > 32 && c != u'<') {
                *o++ = c;
                ++s;
            } else if (c == u'<') {
                if (s + 1 < end && !IsBlank(s[1]) && s[1] != u'<' && s[1] != u'>')
                    break; // a tag begins
                static constexpr char16_t Lt[] = u"&lt;";
                static constexpr char16_t Gt[] = u"&gt;";
                std::memcpy(o, Lt, 8);
                o += 4;
                ++s;
                if (s < end && *s == u'>') {
                    std::memcpy(o, Gt, 8);
                    o += 4;
                    ++s;
                }
            } else if (collapse && IsBlank(c)) {
                while (s < end && IsBlank(*s))
                    ++s;
                *o++ = u' ';
            } else {
                *o++ = c;
                ++s;
            }
        }
        P = s;
        if (collapse) {
            if (from == s)
                return;
            FTrim = IsBlank(s[-1]);
        }
        if (THtmlTag* target = TextTarget(from, s))
            target->Add(new THtmlText(TAG_TEXT, QStringView(out, o)));
    }

    // The element that receives text read now, or null when the text has no place there (it is dropped).
    THtmlTag* TextTarget(const char16_t* from, const char16_t* to)
    {
        if (FSection == TAG_ROOT || FSection == TAG_HTML) {
            JumpTo(FRoot->GetBody());
            FSection = TAG_BODY;
        } else if (FCurrent == FRoot.get() || FCurrent->TagId() == TAG_HTML || FCurrent->TagId() == TAG_HEAD) {
            // Text after the body or html end tag still belongs to the body, and so do words standing in the
            // head itself ("<title>T</title>Hello" without a body tag), which a browser shows as the body's
            // start: dropping them would lose the author's words on the first save.
            if (std::all_of(from, to, IsBlank))
                return nullptr;
            JumpTo(FRoot->GetBody());
            FSection = TAG_BODY;
        }
        return HasFlag(FCurrent->TagId(), tfText) ? FCurrent : nullptr;
    }

    // Removes elements of the drop-when-empty set that have no children, as one pre-order walk over the
    // tree would: a parent emptied by the walk stays. The candidates were recorded as they were created, and
    // an element is always created before anything inside it, so their order serves as the walk's.
    void DropEmptyBlocks()
    {
        for (THtmlTag* e : FDropCandidates) {
            // An empty element with attributes is a link target or a styled box: it stays.
            if (e->ChildCount() == 0 && e->AttributeCount() == 0) {
                e->Parent()->Remove(e);
                delete e;
            }
        }
    }

    const char16_t* P;
    const char16_t* FEnd;
    std::unique_ptr<THtmlRoot> FRoot;
    THtmlTag* FCurrent = nullptr;
    int FSection = TAG_ROOT;
    bool FInPre = false;
    bool FTrim = true;
    std::array<int, TagCount> FOpen{};
    THtmlTag* FDisplaced = nullptr;
    THtmlTag* FReturnTo = nullptr;
    std::array<int, TagCount> FReturnOpen{};
    bool FReturnTrim = true;
    std::vector<THtmlTag*> FDropCandidates;
    const unsigned char* FFlags;
    TNameCache FTagNames;
    TNameCache FAttrNames;
    TAttributeBuilder FAttributes;
    std::unique_ptr<char16_t[]> FScratch;
    qsizetype FScratchSize = 0;
    unsigned FOptions;
};

} // namespace

std::unique_ptr<THtmlRoot> ParseHtml(QStringView text)
{
    return ParseHtml(text, poNone);
}

std::unique_ptr<THtmlRoot> ParseHtml(QStringView text, unsigned options)
{
    THtmlParser parser(text.utf16(), text.size(), options);
    return parser.Run();
}

std::unique_ptr<THtmlRoot> ParseHtml(QIODevice& stream)
{
    const QByteArray bytes = stream.readAll();
    const qsizetype n = bytes.size() / 2;
    QString text(n, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.constData(), n, text.data());
    return ParseHtml(QStringView(text));
}

// ---------------------------------------------------------------------------------------------------------
// The writer

namespace {

// How characters that the narrowing to one byte would destroy are written where references are not
// decoded by the reader of that text.
enum TEscape : unsigned char {
    esReference, // character references (pre and textarea text, comments, raw tags, PHP and ASP blocks)
    esScript,    // "\uXXXX" per UTF-16 unit
    esStyle,     // "\XXXXXX " per code point
};

struct TNameTables
{
    std::array<QString, TagCount> Tags;
    std::array<QString, AttrCount> Attrs;
    TNameTables()
    {
        for (int i = 0; i < TagCount; ++i)
            Tags[i] = TagIdToName(i);
        for (int i = 0; i < AttrCount; ++i)
            Attrs[i] = AttrIdToName(i);
    }
};

const TNameTables& NameTables()
{
    static const TNameTables tables;
    return tables;
}

const QString DocTypeLines[] = {
    QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
                   " \"http://www.w3.org/TR/html4/loose.dtd\">"),
    QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"\r\n"
                   " \"http://www.w3.org/TR/html4/strict.dtd\">"),
    QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\"\r\n"
                   " \"http://www.w3.org/TR/html4/frameset.dtd\">"),
};

constexpr char16_t HexDigits[] = u"0123456789ABCDEF";
constexpr int MaxIndentBlanks = 80;

// The node as the given class, or null, told by the class the node was made as.
template <typename T>
constexpr THtmlNode::TNodeClass ClassOf();
template <>
constexpr THtmlNode::TNodeClass ClassOf<THtmlText>() { return THtmlNode::ncText; }
template <>
constexpr THtmlNode::TNodeClass ClassOf<THtmlTag>() { return THtmlNode::ncTag; }

template <typename T>
T* NodeAs(THtmlNode* node)
{
    return node && node->NodeClass() == ClassOf<T>() ? static_cast<T*>(node) : nullptr;
}

// The first unit from s on that the writer escapes (above 255, or a double quote with quotes), or e.
inline const char16_t* FindEscaped(const char16_t* s, const char16_t* e, bool quotes)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi16(quotes ? short(u'"') : short(0x100)); // 0x100 is caught as above 255
    while (e - s >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i wide = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(v, _mm_set1_epi16(255)), _mm_setzero_si128()),
                                           _mm_set1_epi16(-1));
        if (const int mask = _mm_movemask_epi8(_mm_or_si128(wide, _mm_cmpeq_epi16(v, quote))))
            return s + __builtin_ctz(unsigned(mask)) / 2;
        s += 8;
    }
#endif
    while (s < e && *s <= 255 && !(quotes && *s == u'"'))
        ++s;
    return s;
}

bool IsRawId(int id)
{
    return id >= TAG_ASP && id <= TAG_UNKNOWN;
}

// The code point starting at s (a surrogate pair taken whole), advancing s past it.
inline char32_t NextCodePoint(const QChar*& s, const QChar* e)
{
    const char16_t c = s->unicode();
    ++s;
    if (QChar::isHighSurrogate(c) && s < e && s->isLowSurrogate())
        return QChar::surrogateToUcs4(c, (s++)->unicode());
    return c;
}

// The writer's output: appends without the checks of a shared string. Its characters stand in a string,
// the writer's own (flushed to the stream in pieces) or the caller's, to which they are appended: the
// string is grown ahead and cut back to what was written when the writer is done.
class TOutBuffer
{
public:
    explicit TOutBuffer(QString* text) : FText(text ? text : &FOwn), FStart(FText->size()), FSize(FStart)
    {
        FData = reinterpret_cast<char16_t*>(FText->data());
    }
    TOutBuffer(const TOutBuffer&) = delete;
    TOutBuffer& operator=(const TOutBuffer&) = delete;
    ~TOutBuffer() { Finish(); }

    // What was written since the start (or the last Clear).
    qsizetype Size() const { return FSize - FStart; }
    const char16_t* Data() const { return FData + FStart; }
    void Clear() { FSize = FStart; }
    // Cuts the string back to what was written.
    void Finish()
    {
        if (FText->size() != FSize)
            FText->resize(FSize);
    }

    void Append(const QChar* s, qsizetype n)
    {
        if (n <= 0)
            return;
        Ensure(n);
        std::memcpy(FData + FSize, s, std::size_t(n) * 2);
        FSize += n;
    }
    void Append(QStringView s) { Append(s.data(), s.size()); }
    template <std::size_t N>
    void Append(const char16_t (&literal)[N])
    {
        Append(reinterpret_cast<const QChar*>(literal), qsizetype(N - 1));
    }
    void Append(char16_t c)
    {
        Ensure(1);
        FData[FSize++] = c;
    }
    void AppendBlanks(qsizetype n)
    {
        Ensure(n);
        std::fill_n(FData + FSize, n, u' ');
        FSize += n;
    }
    void AppendEntity(char32_t code)
    {
        Ensure(MaxEntityLength);
        FSize += WriteCharEntity(code, FData + FSize);
    }
    // Room for n more units at the end, to be written directly and then committed.
    char16_t* Tail(qsizetype n)
    {
        Ensure(n);
        return FData + FSize;
    }
    void Commit(const char16_t* end) { FSize = end - FData; }

private:
    void Ensure(qsizetype n)
    {
        if (FSize + n <= FText->size())
            return;
        // Grown as a whole by half again at least; the characters past FSize are not yet written.
        FText->resize(std::max<qsizetype>({FSize + n, FText->size() + FText->size() / 2, FStart + (1 << 12)}));
        FData = reinterpret_cast<char16_t*>(FText->data());
    }

    QString FOwn;
    QString* FText;
    char16_t* FData;
    qsizetype FStart;
    qsizetype FSize;
};

class THtmlWriter
{
public:
    // Writes to the device, or appended to text when there is no device.
    explicit THtmlWriter(QIODevice* device, QString* text = nullptr, unsigned options = woNone)
        : FDevice(device), FNames(NameTables()), FOut(device ? nullptr : text),
          FUnformatted(options & woUnformatted)
    {
    }

    // False once the device has refused any part of the output.
    bool Written() const { return !FFailed; }

    // Writes one node with its subtree from a fresh state.
    void WriteNode(THtmlNode* node)
    {
        FIndent = 0;
        FColumn = 0;
        FAtLineStart = true;
        FIndentWritten = false;
        FPendingBlanks = 0;
        FBreakWanted = false;
        FAfterBoundary = true;
        FUnrendered = 0;
        FStack.clear();
        const int id = node->TagId();
        if (id == TAG_TEXT) {
            if (auto* text = dynamic_cast<THtmlText*>(node))
                TextForm(text->TextView());
        } else if (IsRawId(id)) {
            if (auto* raw = dynamic_cast<THtmlText*>(node))
                RawForm(WrittenText(raw), esReference);
        } else if (id == TAG_DOCTYPE) {
            DocTypeForm(node);
        } else if (auto* e = dynamic_cast<THtmlTag*>(node); e && id > 0) {
            OpenElement(e, false, false, esReference);
            Run();
        }
        // The end of the written piece is a boundary of its own: a line end wanted there is written.
        if (FBreakWanted)
            BreakNow();
        FlushIfFull(0);
    }

    void Flush() { FlushIfFull(0); }

private:
    enum TForm : unsigned char { fmBlock, fmOwnLine, fmInline, fmVerbatim };

    struct TFrame
    {
        THtmlTag* Element;
        THtmlNode* Next;  // the next child to write
        TForm Form;
        bool InlineChildren; // children get the inline form's extra step
        bool ParentInline;   // this element gets it from its parent when closed
        bool Verbatim;       // children are written exactly, without line breaks (pre, textarea, code)
        bool Unrendered;     // nothing inside is shown (head, script, style): lines may end anywhere
        TEscape Escape;      // how children escape what narrowing would destroy
    };

    void Run()
    {
        while (!FStack.empty()) {
            TFrame& f = FStack.back();
            if (THtmlNode* child = f.Next) {
                f.Next = child->NextSibling();
                WriteChild(child, f);
                FlushIfFull(1 << 16);
            } else {
                CloseTop();
            }
        }
    }

    void FlushIfFull(qsizetype limit)
    {
        if (!FDevice || FOut.Size() <= limit)
            return;
        const qsizetype n = FOut.Size();
        qint64 written;
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            written = FDevice->write(reinterpret_cast<const char*>(FOut.Data()), n * 2);
        } else {
            QByteArray le(n * 2, Qt::Uninitialized);
            qToLittleEndian<char16_t>(FOut.Data(), n, le.data());
            written = FDevice->write(le);
        }
        if (written != n * 2)
            FFailed = true;
        FOut.Clear();
    }

    // --- primitive steps -------------------------------------------------------------------------------
    //
    // Line ends are wanted by the layout and written only where white space cannot show: next to the tag
    // of an element that stands apart from the running text (a block, a cell, a line break), where the
    // source had a blank anyway, or where nothing is shown at all (the head, script and style code, the
    // document's top level). Elsewhere the pieces stay touching, as the author wrote them:
    //   "Into<wbr>String"       never "Into\r\n<wbr>\r\nString"
    //   "13.<!-- ignore -->"     the comment ends the line only when a blank or a block follows
    //   "</p>\r\n<p>"            two blocks: the line end is free

    void Indent()
    {
        if (FIndentWritten)
            return;
        if (FIndent > 0 && !FUnformatted) {
            // Unclosed tags can nest as deep as the page is long: past a screen's width, more blanks
            // would only make the text grow with the square of the depth.
            FOut.AppendBlanks(std::min(FIndent, MaxIndentBlanks));
        }
        FColumn = 0;
        FIndentWritten = true;
    }

    void LineEnd() { FBreakWanted = true; }

    // Writes a line end at once (where one can never show).
    void BreakNow()
    {
        FBreakWanted = false;
        FPendingBlanks = 0;
        if (!FAtLineStart) {
            // Unformatted, a line end is one blank that cannot show, as short as one can be.
            if (FUnformatted)
                FOut.Append(u'\n');
            else
                FOut.Append(u"\r\n");
        }
        FAtLineStart = true;
        FIndentWritten = false;
    }

    // Whether a tag of element id stands apart from the running text at this point of the output.
    bool Boundary(int id) const
    {
        return FUnrendered > 0 || (id >= 0 && id < TagCount && (FlagTable().Flags[id] & tfBreaks));
    }

    // Starts a Put whose text the caller appends; EndPut accounts for it. boundary tells whether the piece
    // is a tag that stands apart from the running text.
    qsizetype BeginPut(bool boundary)
    {
        if (FBreakWanted) {
            if (FAtLineStart || FPendingBlanks > 0 || FAfterBoundary || boundary || FUnrendered > 0)
                BreakNow();
            FBreakWanted = false;
        }
        if (FAtLineStart) {
            // A blank at the start of a line would only add to the line end that already stands there.
            FPendingBlanks = 0;
            Indent();
        } else if (FPendingBlanks) {
            FOut.AppendBlanks(FPendingBlanks);
            FColumn += FPendingBlanks;
            FPendingBlanks = 0;
        }
        FAfterBoundary = boundary || FUnrendered > 0;
        return FOut.Size();
    }

    void EndPut(qsizetype start)
    {
        const qsizetype n = FOut.Size() - start;
        if (n > 0) {
            FColumn += int(n);
            FAtLineStart = false;
            FIndentWritten = true;
        }
    }

    void Put(QStringView s, bool boundary)
    {
        const qsizetype start = BeginPut(boundary);
        FOut.Append(s);
        EndPut(start);
    }

    // --- escaping --------------------------------------------------------------------------------------

    // Appends text with what the narrowing would destroy escaped the given way; with quotes, a double
    // quote becomes "&quot;" (attribute values).
    void AppendEscaped(QStringView text, TEscape escape, bool quotes)
    {
        const QChar* s = text.data();
        const QChar* e = s + text.size();
        while (s < e) {
            const QChar* run = s;
            s = reinterpret_cast<const QChar*>(FindEscaped(reinterpret_cast<const char16_t*>(s),
                                                           reinterpret_cast<const char16_t*>(e), quotes));
            if (s > run)
                FOut.Append(run, s - run);
            if (s >= e)
                break;
            if (s->unicode() == u'"') {
                FOut.Append(u"&quot;");
                ++s;
                continue;
            }
            switch (escape) {
            case esReference:
                FOut.AppendEntity(NextCodePoint(s, e));
                break;
            case esScript: {
                const char16_t c = (s++)->unicode();
                const char16_t buf[6] = {u'\\', u'u', HexDigits[c >> 12], HexDigits[(c >> 8) & 15],
                                         HexDigits[(c >> 4) & 15], HexDigits[c & 15]};
                FOut.Append(reinterpret_cast<const QChar*>(buf), 6);
                break;
            }
            case esStyle: {
                const char32_t c = NextCodePoint(s, e);
                char16_t buf[8];
                buf[0] = u'\\';
                for (int d = 0; d < 6; ++d)
                    buf[1 + d] = HexDigits[(c >> (4 * (5 - d))) & 15];
                buf[7] = u' ';
                FOut.Append(reinterpret_cast<const QChar*>(buf), 8);
                break;
            }
            }
        }
    }

    void PutEscaped(QStringView text, TEscape escape)
    {
        const qsizetype start = BeginPut(FUnrendered > 0);
        AppendEscaped(text, escape, false);
        EndPut(start);
    }

    // --- tags --------------------------------------------------------------------------------------------

    void PutStartTag(THtmlTag* e)
    {
        const int id = e->TagId();
        const qsizetype start = BeginPut(Boundary(id));
        FOut.Append(u'<');
        FOut.Append(FNames.Tags[id]);
        const int count = e->AttributeCount();
        bool afterBare = false; // the attribute written last was a bare name
        for (int i = 0; i < count; ++i) {
            const int attr = e->GetAttributeId(i);
            const QStringView value = e->ValueViewAt(i);
            if (attr < 0) {
                // "name" alone is a bare attribute, "name=" one written empty; a name read from a stray
                // "=" begins with it, so the name ends at the first "=" after that.
                const qsizetype eq = value.size() > 1 ? value.indexOf(u'=', 1) : -1;
                const QStringView name = eq < 0 ? QStringView(value) : QStringView(value).left(eq);
                // A name that no reader could take as one would end the tag early: it is not written. Nor is
                // one that begins with "=" after a bare name, which would read back as that name's value
                // ("as =x" is as="x"), taking any markup quoted after it out of its quotes.
                if (name.isEmpty() || (afterBare && name.front() == u'=') ||
                    std::any_of(name.begin(), name.end(), [](QChar c) { return IsBlank(c.unicode()) || c == u'>'; }))
                    continue;
                FOut.Append(u' ');
                AppendEscaped(name, esReference, false);
                afterBare = eq < 0;
                if (eq >= 0) {
                    FOut.Append(u"=\"");
                    AppendEscaped(QStringView(value).mid(eq + 1), esReference, true);
                    FOut.Append(u'"');
                }
                continue;
            }
            if (attr >= AttrCount)
                continue;
            if (e->IsAttributeValueless(i)) {
                FOut.Append(u' ');
                FOut.Append(FNames.Attrs[attr]);
                afterBare = true;
            } else if (!value.isEmpty() || e->IsAttributeWrittenEmpty(i)) {
                FOut.Append(u' ');
                FOut.Append(FNames.Attrs[attr]);
                FOut.Append(u"=\"");
                AppendEscaped(value, esReference, true);
                FOut.Append(u'"');
                afterBare = false;
            }
        }
        FOut.Append(u'>');
        EndPut(start);
    }

    void PutEndTag(THtmlTag* e)
    {
        const int id = e->TagId();
        const qsizetype start = BeginPut(Boundary(id));
        FOut.Append(u"</");
        FOut.Append(FNames.Tags[id]);
        FOut.Append(u'>');
        EndPut(start);
    }

    // --- forms -------------------------------------------------------------------------------------------

    // Comments, PHP and ASP blocks and unknown tags stand in the flow: they end their line only where
    // a line end cannot show.
    void RawForm(QStringView text, TEscape escape)
    {
        PutEscaped(text, escape);
        LineEnd();
    }

    void DocTypeForm(THtmlNode* node)
    {
        auto* doctype = dynamic_cast<THtmlDocType*>(node);
        if (doctype && !doctype->Written().isEmpty()) {
            // "<!DOCTYPE html>" stays so; only its line ends become the writer's.
            const qsizetype start = BeginPut(true);
            FOut.Append(u'<');
            AppendEscaped(WithCrLf(doctype->Written()), esReference, false);
            FOut.Append(u'>');
            EndPut(start);
        } else {
            const int kind = doctype ? int(doctype->Kind()) : 0;
            Put(DocTypeLines[kind >= 0 && kind <= 2 ? kind : 0], true);
        }
        LineEnd();
    }

    // Text with every line end (CR LF, LF or a lone CR) written as CR LF, the writer's own: a file that mixes
    // them is read with the wrong line ends by tools that judge a file by its first. Browsers read all alike.
    QStringView WithCrLf(QStringView text)
    {
        // The design page is read by the engine alone, which takes every line end alike, and never saved.
        if (FUnformatted)
            return text;
        const auto bare = [text](qsizetype i) {
            return (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) ||
                   (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
        };
        qsizetype i = 0;
        while (i < text.size() && !bare(i))
            ++i;
        if (i == text.size())
            return text;
        FLines.clear();
        FLines.reserve(text.size() + text.size() / 16 + 2);
        FLines.append(text.left(i));
        for (; i < text.size(); ++i) {
            if (bare(i))
                FLines.append(QLatin1String("\r\n"));
            else
                FLines.append(text[i]);
        }
        return FLines;
    }

    // The text of a text or raw node as written: those of pre, textarea, script and style and comments with
    // the writer's line ends; PHP and ASP blocks and unknown tags exactly as they stand (a line end in a
    // heredoc is part of a string).
    QStringView WrittenText(const THtmlText* text)
    {
        const int id = text->TagId();
        return id == TAG_TEXT || id == TAG_COMMENT ? WithCrLf(text->TextView()) : text->TextView();
    }

    // Ordinary text: words and single blanks, wrapped at the first blank from column 79 on. A blank is
    // held back until the next piece, which it then precedes as a blank or as the line end.
    void TextForm(QStringView text)
    {
        const QChar* s = text.constData();
        const QChar* e = s + text.size();
        while (s < e) {
            if (IsBlank(s->unicode())) {
                while (s < e && IsBlank(s->unicode()))
                    ++s;
                if (!FAtLineStart && !FUnformatted && FColumn + FPendingBlanks + 1 >= 80)
                    FBreakWanted = true; // the line end stands for the blank
                ++FPendingBlanks;
                continue;
            }
            const qsizetype start = BeginPut(false);
            // One pass over the word: ASCII as it stands, everything from 128 up as a reference.
            const char16_t* c = reinterpret_cast<const char16_t*>(s);
            const char16_t* end = reinterpret_cast<const char16_t*>(e);
            char16_t* o = FOut.Tail(end - c);
            while (c < end) {
                c = CopyAsciiRun(c, end, o);
                if (c >= end)
                    break;
                const char16_t u = *c;
                if (u < 128) {
                    if (u <= 32 && IsBlank(u))
                        break;
                    *o++ = u;
                    ++c;
                    continue;
                }
                FOut.Commit(o);
                const QChar* q = reinterpret_cast<const QChar*>(c);
                FOut.AppendEntity(NextCodePoint(q, e));
                c = reinterpret_cast<const char16_t*>(q);
                o = FOut.Tail(end - c);
            }
            FOut.Commit(o);
            s = reinterpret_cast<const QChar*>(c);
            EndPut(start);
        }
    }

    static bool HasTextChild(const THtmlTag* e)
    {
        for (THtmlNode* c = e->FirstChild(); c; c = c->NextSibling())
            if (c->TagId() == TAG_TEXT)
                return true;
        return false;
    }

    // The text an element's content begins (forward) or ends (backward) with, when nothing that shows
    // stands before it there: only start and end tags of elements with content and comments may. A blank
    // after an image, a field, a line break or a PHP block shows, and text kept as written (pre, textarea,
    // script, style) is never trimmed.
    static THtmlText* OuterText(THtmlTag* e, bool forward)
    {
        THtmlNode* node = forward ? e->FirstChild() : e->LastChild();
        while (node) {
            const int id = node->TagId();
            if (id == TAG_TEXT)
                return NodeAs<THtmlText>(node);
            if (id == TAG_PRE || id == TAG_TEXTAREA || id == TAG_SCRIPT || id == TAG_STYLE)
                return nullptr;
            if (id > 0 && id < TagCount && TagHasEndTag(id) && node->NodeClass() == THtmlNode::ncTag) {
                if (THtmlNode* inner = forward ? node->FirstChild() : node->LastChild()) {
                    node = inner;
                    continue;
                }
            } else if (id != TAG_COMMENT) {
                return nullptr;
            }
            // Next in order: the sibling, or the sibling of the nearest ancestor below e that has one.
            while (node != e && !(forward ? node->NextSibling() : node->PrevSibling()))
                node = node->Parent();
            if (node == e)
                return nullptr;
            node = forward ? node->NextSibling() : node->PrevSibling();
        }
        return nullptr;
    }

    // The own-line form's trimming of the outer blanks of an element's text, in the tree itself.
    static void TrimOwnLineText(THtmlTag* e)
    {
        if (THtmlText* first = OuterText(e, true)) {
            const QStringView text = first->TextView();
            qsizetype start = 0;
            while (start < text.size() && text[start].unicode() < 33)
                ++start;
            if (start > 0)
                first->SetText(text.mid(start));
        }
        if (THtmlText* last = OuterText(e, false)) {
            const QStringView text = last->TextView();
            qsizetype end = text.size();
            while (end > 0 && text[end - 1].unicode() < 33)
                --end;
            if (end < text.size())
                last->SetText(text.left(end));
        }
    }

    // An element the reader drops when it is empty, without attributes and holding nothing but blanks and
    // more such elements: the reader would drop it (or what empties it) on the next read, so it is left
    // out now, and the next save writes the same bytes ("<div><div></div></div>", "<p> </p>").
    static bool WritesNothing(const THtmlTag* e)
    {
        if (!InTagSet(e->TagId(), tsDropWhenEmpty) || e->AttributeCount() > 0)
            return false;
        for (const THtmlNode* n = e->GetNextNode(nullptr); n; n = e->GetNextNode(n)) {
            const int id = n->TagId();
            if (id == TAG_TEXT) {
                const auto* text = NodeAs<THtmlText>(const_cast<THtmlNode*>(n));
                if (!text)
                    return false;
                // Blanks show inside pre.
                for (const THtmlNode* p = n->Parent(); p != e; p = p->Parent())
                    if (p->TagId() == TAG_PRE)
                        return false;
                const QStringView view = text->TextView();
                if (e->TagId() == TAG_PRE && !view.isEmpty())
                    return false;
                if (!std::all_of(view.begin(), view.end(), [](QChar c) { return IsBlank(c.unicode()); }))
                    return false;
            } else if (!InTagSet(id, tsDropWhenEmpty) || n->NodeClass() != THtmlNode::ncTag ||
                       static_cast<const THtmlTag*>(n)->AttributeCount() > 0) {
                return false;
            }
        }
        return true;
    }

    void AfterInlineChild(int id)
    {
        if (id == TAG_BR)
            LineEnd();
    }

    void Push(THtmlTag* e, TForm form, bool inlineChildren, bool parentInline, bool verbatim, TEscape escape)
    {
        const int id = e->TagId();
        const bool unrendered = id == TAG_HEAD || id == TAG_SCRIPT || id == TAG_STYLE;
        FStack.push_back({e, e->FirstChild(), form, inlineChildren, parentInline, verbatim, unrendered, escape});
        if (unrendered)
            ++FUnrendered;
    }

    void OpenElement(THtmlTag* e, bool parentInline, bool verbatim, TEscape escape)
    {
        const int id = e->TagId();
        if (id <= 0 || id >= TagCount)
            return;
        const unsigned char flags = FlagTable().Flags[id];
        const bool hasEnd = flags & tfEnd;
        const TEscape childEscape = id == TAG_SCRIPT ? esScript : id == TAG_STYLE ? esStyle : escape;
        if (verbatim) {
            PutStartTag(e);
            if (hasEnd)
                Push(e, fmVerbatim, false, false, true, childEscape);
            return;
        }
        if (WritesNothing(e))
            return;
        if (id == TAG_HTML)
            FIndent = 0;
        else if (id == TAG_HEAD || id == TAG_BODY)
            FIndent = 2;
        if ((id == TAG_SCRIPT || id == TAG_STYLE) && HasTextChild(e)) {
            // Code is written exactly as it stands between the tags.
            LineEnd();
            PutStartTag(e);
            Push(e, fmBlock, false, parentInline, true, childEscape);
            return;
        }
        const bool hasChildren = e->FirstChild() != nullptr;
        const bool preformatted = id == TAG_PRE || id == TAG_TEXTAREA;
        TForm form;
        if (flags & tfBlock)
            form = hasChildren ? fmBlock : fmOwnLine;
        else if (flags & tfInline)
            form = fmInline;
        else
            form = ((flags & tfText) || !hasChildren) ? fmOwnLine : fmBlock;
        if (form == fmBlock) {
            LineEnd();
            PutStartTag(e);
            if (!hasEnd) {
                if (parentInline)
                    AfterInlineChild(id);
                return;
            }
            FIndent += 2;
            LineEnd();
            Push(e, fmBlock, false, parentInline, false, childEscape);
            return;
        }
        if (form == fmOwnLine) {
            LineEnd();
            // Outer blanks go only where they cannot show: at the edges of a block. Those of a button,
            // a deletion or an insertion in running text are part of the text.
            if (!preformatted && Boundary(id))
                TrimOwnLineText(e);
        }
        if (id == TAG_HR) {
            LineEnd();
            PutStartTag(e);
            LineEnd();
        } else {
            PutStartTag(e);
        }
        if (!hasEnd) {
            if (form == fmOwnLine)
                LineEnd();
            if (parentInline)
                AfterInlineChild(id);
            return;
        }
        Push(e, form, true, parentInline, preformatted, preformatted ? esReference : childEscape);
    }

    void CloseTop()
    {
        const TFrame f = FStack.back();
        FStack.pop_back();
        if (f.Unrendered)
            --FUnrendered;
        const int id = f.Element->TagId();
        if (f.Form == fmVerbatim) {
            PutEndTag(f.Element);
            return;
        }
        if (f.Form == fmBlock && f.Verbatim) {
            // Code written as it stands: the end tag follows it directly.
            PutEndTag(f.Element);
        } else if (f.Form == fmBlock) {
            FIndent = qMax(0, FIndent - 2);
            LineEnd();
            PutEndTag(f.Element);
        } else {
            PutEndTag(f.Element);
        }
        if (f.Form != fmInline)
            LineEnd();
        if (f.ParentInline)
            AfterInlineChild(id);
    }

    void WriteChild(THtmlNode* child, const TFrame& parent)
    {
        const int id = child->TagId();
        if (id == TAG_TEXT || IsRawId(id)) {
            auto* text = NodeAs<THtmlText>(child);
            if (!text)
                return;
            if (parent.Verbatim) {
                PutEscaped(WrittenText(text), parent.Escape);
            } else if (id == TAG_TEXT) {
                TextForm(text->TextView());
            } else {
                const int parentId = parent.Element->TagId();
                if (id == TAG_COMMENT && (parentId == TAG_SCRIPT || parentId == TAG_STYLE)) {
                    // Code hidden in a comment starts at column 0 of a line of its own.
                    BreakNow();
                    FIndentWritten = true;
                }
                RawForm(WrittenText(text), parent.Escape);
            }
            return;
        }
        if (id == TAG_DOCTYPE) {
            if (!parent.Verbatim)
                DocTypeForm(child);
            return;
        }
        if (auto* e = NodeAs<THtmlTag>(child))
            OpenElement(e, parent.InlineChildren && !parent.Verbatim, parent.Verbatim, parent.Escape);
    }

    QIODevice* FDevice;
    QString FLines; // WithCrLf's text when it had other line ends
    const TNameTables& FNames;
    TOutBuffer FOut;
    int FIndent = 0;
    int FColumn = 0;
    bool FAtLineStart = true;
    bool FIndentWritten = false;
    int FPendingBlanks = 0;
    bool FBreakWanted = false;  // the layout wants a line end before the next piece
    bool FAfterBoundary = true; // the last piece written stands apart from the running text
    int FUnrendered = 0;        // open elements whose content is never shown
    bool FFailed = false;
    const bool FUnformatted; // no indentation, no wrapping, a bare LF for each line end
    std::vector<TFrame> FStack;
};

} // namespace

bool WriteHtmlDocument(QIODevice& stream, THtmlRoot* root)
{
    if (!root)
        return false;
    THtmlWriter writer(&stream);
    for (THtmlNode* child = root->FirstChild(); child; child = child->NextSibling())
        writer.WriteNode(child);
    writer.Flush();
    return writer.Written();
}

bool WriteHtmlNode(QIODevice& stream, THtmlNode* node)
{
    if (!node)
        return true;
    THtmlWriter writer(&stream);
    writer.WriteNode(node);
    writer.Flush();
    return writer.Written();
}

QString HtmlNodeToText(THtmlNode* node)
{
    QString text;
    AppendHtmlNode(text, node);
    return text;
}

void AppendHtmlNode(QString& text, THtmlNode* node, unsigned options)
{
    if (!node)
        return;
    THtmlWriter writer(nullptr, &text, options);
    writer.WriteNode(node);
}

void AppendHtmlDocument(QString& text, THtmlRoot* root)
{
    if (!root)
        return;
    THtmlWriter writer(nullptr, &text);
    for (THtmlNode* child = root->FirstChild(); child; child = child->NextSibling())
        writer.WriteNode(child);
}

// ---------------------------------------------------------------------------------------------------------
// TWordBreaker

TWordBreaker::TWordBreaker(TMode mode) : FMode(mode) {}

void TWordBreaker::SetText(const QString& text)
{
    FText = text;
    FPosition = 0;
}

namespace {

void AppendCodePoint(QString& out, char32_t code)
{
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

} // namespace

bool TWordBreaker::NextToken()
{
    const qsizetype n = FText.size();
    if (FPosition >= n)
        return false;
    const QChar* t = FText.constData();
    FToken.clear();
    if (IsBlank(t[FPosition].unicode())) {
        while (FPosition < n && IsBlank(t[FPosition].unicode()))
            ++FPosition;
        FTokenKind = tkBlank;
        FToken = QStringLiteral(" ");
        return true;
    }
    FTokenKind = tkWord;
    while (FPosition < n && !IsBlank(t[FPosition].unicode())) {
        const char16_t c = t[FPosition].unicode();
        if (FMode == wbDecode && c == u'&') {
            const qsizetype from = FPosition++;
            while (FPosition < n && t[FPosition] != u';' && !IsBlank(t[FPosition].unicode()))
                ++FPosition;
            if (FPosition < n && t[FPosition] == u';') {
                ++FPosition;
                const QStringView reference(t + from, FPosition - from);
                if (const char32_t code = EntityToChar(reference))
                    AppendCodePoint(FToken, code);
                else
                    FToken += reference;
                continue;
            }
            // A blank or the end before ";": the text goes in as written and the word ends.
            FToken += QStringView(t + from, FPosition - from);
            return true;
        }
        if (FMode == wbEncode && c >= 128) {
            const QChar* s = t + FPosition;
            const char32_t code = NextCodePoint(s, t + n);
            FPosition = s - t;
            AppendCharEntity(FToken, code);
            continue;
        }
        FToken += QChar(c);
        ++FPosition;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Tree text utilities

QString GetNodePlainText(const THtmlNode* node)
{
    QString result;
    if (!node)
        return result;
    bool paragraph = true;
    const QString lineBreak = QStringLiteral("\r\n");
    TWordBreaker breaker(TWordBreaker::wbDecode);
    for (THtmlNode* n = node->GetNextNode(nullptr); n; n = node->GetNextNode(n)) {
        const int id = n->TagId();
        if (id == TAG_TEXT) {
            if (auto* text = dynamic_cast<THtmlText*>(n)) {
                breaker.SetText(text->Text());
                while (breaker.NextToken())
                    result += breaker.Token();
            }
            paragraph = false;
        } else if (id == TAG_BR || id == TAG_HR) {
            result += lineBreak;
            paragraph = false;
        } else if (!TagIsInline(id)) {
            // Blocks, and also comments, PHP and ASP blocks and raw tags, stand apart from the text around them.
            if (!paragraph) {
                result += lineBreak;
                result += lineBreak;
                paragraph = true;
            }
        }
    }
    qsizetype a = 0;
    qsizetype b = result.size();
    while (a < b && result[a].unicode() <= 32)
        ++a;
    while (b > a && result[b - 1].unicode() <= 32)
        --b;
    return result.mid(a, b - a);
}

namespace {

QStringView TrimControls(QStringView s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s[a].unicode() <= 32)
        ++a;
    while (b > a && s[b - 1].unicode() <= 32)
        --b;
    return s.mid(a, b - a);
}

} // namespace

QString StripOuterTag(const QString& text)
{
    QStringView s = TrimControls(text);
    if (s.isEmpty() || s.front() != u'<')
        return s.toString();
    // Without any ">" there is no start tag to drop.
    const qsizetype gt = s.indexOf(u'>');
    s = s.mid(gt + 1);
    if (!s.isEmpty() && s.back() == u'>') {
        const qsizetype lt = s.lastIndexOf(u'<');
        if (lt >= 0)
            s = s.left(lt);
    }
    return s.toString();
}

THtmlTag* FindNodeByPath(const THtmlTag* root, const QString& path)
{
    if (!root)
        return nullptr;
    const QList<QStringView> steps = QStringView(path).split(u'.');
    if (path.isEmpty() || steps.isEmpty())
        return nullptr;
    const int first = TagNameToId(steps.front());
    if (first < 0 || first >= TagCount)
        return nullptr;
    auto* current = dynamic_cast<THtmlTag*>(root->FindChild(first, true));
    for (qsizetype k = 1; current && k < steps.size(); ++k) {
        const QStringView step = steps[k];
        const qsizetype open = step.indexOf(u'[');
        QStringView name = step;
        int index = 0;
        if (open >= 0) {
            name = step.left(open);
            QStringView rest = step.mid(open + 1);
            const qsizetype close = rest.indexOf(u']');
            if (close >= 0)
                rest = rest.left(close);
            bool ok = false;
            index = rest.trimmed().toInt(&ok);
            if (!ok)
                index = 0;
        }
        const int id = TagNameToId(name.trimmed());
        if (id < 0 || id >= TagCount)
            return nullptr;
        THtmlTag* found = nullptr;
        int seen = 0;
        for (THtmlNode* c = current->FirstChild(); c; c = c->NextSibling()) {
            if (c->TagId() != id)
                continue;
            auto* e = dynamic_cast<THtmlTag*>(c);
            if (!e)
                continue;
            if (seen++ == index) {
                found = e;
                break;
            }
        }
        current = found;
    }
    return current;
}
