// Scanning and classing helpers shared by the reader, the writer and the tree text of the filer; private to them.
#pragma once

#include "AsciiCase.h"
#include "HtmlAttributes.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QChar>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------------------
// Tag sets that steer the parser, indexed by tag identifier.

enum : unsigned short {
    tsHead = 1,          // belongs in the head: base, link, meta, style, title
    tsNoBody = 2,        // does not open the body
    tsSiblingClose = 4,  // a start tag of the same kind closes the open one
    tsDropWhenEmpty = 8, // removed by the final pass when it has no children
    tsEndNoted = 16,     // its end does more to the text after it than a block's end does (the reader's Ended)
    // Formatting that browsers carry on past the end of the block it was opened in, into the text that
    // follows, until its own end tag ("<p><b>a</p><p>b" makes both words bold).
    tsFormatting = 32,
    // Formatting opened outside does not carry on into these: cells, captions and the plug-ins.
    tsFormattingBarrier = 64,
    // No end tag of a text-level element reaches out of these to one opened around them.
    tsScope = 128,
    // Stands as a block of its own, or holds what it holds apart from the running text: an end tag of a
    // text-level element met inside does not end one opened around it, or takes the block out of it.
    tsSpecial = 256,
    // Table structure: its start tag ends the text-level elements open in the cell or row it is met in.
    tsTablePart = 512,
    // Carries the formatting that was open where it is met (text does too).
    tsCarriesFormatting = 1024,
    // A list, which holds no text of its own, but formatting carried on into it holds the list's text.
    tsListBox = 2048,
    // Holds no text of its own, yet browsers show words met in it (a table's before the table, a list's
    // in place): such words stay where they stand.
    tsStrayText = 4096,
};

constexpr std::array<unsigned short, TagCount> BuildTagSets()
{
    std::array<unsigned short, TagCount> s{};
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
    for (int t : {TAG_A, TAG_APPLET, TAG_BUTTON, TAG_DEL, TAG_INS, TAG_MAP, TAG_MARQUEE, TAG_NOSCRIPT, TAG_OBJECT,
                  TAG_PRE, TAG_SCRIPT, TAG_SELECT, TAG_TEXTAREA})
        s[t] |= tsEndNoted;
    for (int t : {TAG_A, TAG_B, TAG_BIG, TAG_CODE, TAG_EM, TAG_FONT, TAG_I, TAG_S, TAG_SMALL, TAG_STRIKE,
                  TAG_STRONG, TAG_TT, TAG_U})
        s[t] |= tsFormatting;
    for (int t : {TAG_APPLET, TAG_CAPTION, TAG_MARQUEE, TAG_OBJECT, TAG_TD, TAG_TH})
        s[t] |= tsFormattingBarrier | tsScope;
    for (int t : {TAG_HTML, TAG_SELECT, TAG_TABLE})
        s[t] |= tsScope;
    for (int t : {TAG_ADDRESS, TAG_APPLET, TAG_AREA, TAG_BASE, TAG_BASEFONT, TAG_BGSOUND, TAG_BLOCKQUOTE,
                  TAG_BODY, TAG_BR, TAG_BUTTON, TAG_CAPTION, TAG_CENTER, TAG_COL, TAG_COLGROUP, TAG_DD, TAG_DIR,
                  TAG_DIV, TAG_DL, TAG_DT, TAG_EMBED, TAG_FIELDSET, TAG_FORM, TAG_FRAME, TAG_FRAMESET, TAG_H1,
                  TAG_H2, TAG_H3, TAG_H4, TAG_H5, TAG_H6, TAG_HEAD, TAG_HR, TAG_HTML, TAG_IFRAME, TAG_IMG,
                  TAG_INPUT, TAG_ISINDEX, TAG_LI, TAG_LINK, TAG_MARQUEE, TAG_MENU, TAG_META, TAG_NOFRAMES,
                  TAG_NOSCRIPT, TAG_OBJECT, TAG_OL, TAG_P, TAG_PARAM, TAG_PRE, TAG_SCRIPT, TAG_SELECT, TAG_STYLE,
                  TAG_TABLE, TAG_TBODY, TAG_TD, TAG_TEXTAREA, TAG_TFOOT, TAG_TH, TAG_THEAD, TAG_TITLE, TAG_TR,
                  TAG_UL})
        s[t] |= tsSpecial;
    for (int t : {TAG_CAPTION, TAG_COL, TAG_COLGROUP, TAG_TBODY, TAG_TD, TAG_TFOOT, TAG_TH, TAG_THEAD, TAG_TR})
        s[t] |= tsTablePart;
    for (int t : {TAG_A, TAG_ABBR, TAG_ACRONYM, TAG_APPLET, TAG_B, TAG_BDO, TAG_BIG, TAG_BR, TAG_BUTTON, TAG_CITE,
                  TAG_CODE, TAG_DFN, TAG_EM, TAG_EMBED, TAG_FONT, TAG_I, TAG_IMG, TAG_INPUT, TAG_KBD, TAG_LABEL,
                  TAG_MARQUEE, TAG_OBJECT, TAG_Q, TAG_S, TAG_SAMP, TAG_SELECT, TAG_SMALL, TAG_SPAN, TAG_STRIKE,
                  TAG_STRONG, TAG_SUB, TAG_SUP, TAG_TT, TAG_U, TAG_VAR})
        s[t] |= tsCarriesFormatting;
    for (int t : {TAG_DIR, TAG_DL, TAG_MENU, TAG_OL, TAG_UL})
        s[t] |= tsListBox | tsStrayText;
    for (int t : {TAG_COLGROUP, TAG_TABLE, TAG_TBODY, TAG_TFOOT, TAG_THEAD, TAG_TR})
        s[t] |= tsStrayText;
    return s;
}
constexpr std::array<unsigned short, TagCount> TagSets = BuildTagSets();

inline bool InTagSet(int id, unsigned short set)
{
    return id >= 0 && id < TagCount && (TagSets[id] & set) != 0;
}

// An element marked contenteditable="false" is a thing shown whole, like an image (the design page's
// placeholders are such elements): a blank beside it shows, so neither reading nor writing drops it.
inline bool IsShownWhole(const THtmlTag* e)
{
    const QStringView value = e->AttributeView(ATTR_CONTENTEDITABLE);
    return value.size() == 5 && SameText(value, QLatin1StringView("false"));
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

inline const TFlagTable& FlagTable()
{
    static const TFlagTable table;
    return table;
}

// An empty text-level element with a class or a style, which a style sheet may fill with an arrow or an
// icon ("<span class=arrow></span> Contents"), or an empty link: a blank beside it shows, so neither reading
// nor writing drops it. A target without an address ("<a id=x></a>", an index term's span) is a place,
// not a thing shown.
inline bool MayBeFilled(const THtmlNode* n)
{
    const int id = n->TagId();
    if (id <= 0 || id >= TagCount || (FlagTable().Flags[id] & (tfInline | tfEnd)) != (tfInline | tfEnd) ||
        n->FirstChild() || n->NodeClass() != THtmlNode::ncTag)
        return false;
    const auto* e = static_cast<const THtmlTag*>(n);
    return e->AttributeCount() > 0 &&
           (id == TAG_A ? e->HasAttribute(ATTR_HREF) : e->HasAttribute(ATTR_CLASS) || e->HasAttribute(ATTR_STYLE));
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

} // namespace
