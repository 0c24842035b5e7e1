// The reader: HTML text into a node tree, repairing it as browsers do.
#include "HtmlFiler.h"
#include "HtmlFilerScan.h"

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
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

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

// A read in part that would leave the element it reads into (or the body): the whole text is read instead.
struct TPartLeaves
{
};

class THtmlParser
{
public:
    THtmlParser(const char16_t* text, qsizetype length, unsigned options)
        : P(text), FText(text), FEnd(text + length), FStop(FEnd), FRoot(std::make_unique<THtmlRoot>()), FFlags(FlagTable().Flags.data()),
          FOptions(options)
    {
        FCurrent = FRoot.get();
        FOpen.fill(0);
    }

    std::unique_ptr<THtmlRoot> Run()
    {
        ReadSteps();
        DropEmptyBlocks();
        return std::move(FRoot);
    }

    // Records the read points of the body into points while reading.
    void RecordInto(std::vector<THtmlReadPoint>& points) { FRecord = &points; }

    // Reads the text from point on into holder, which stands for point's element (open holds the counts of
    // its chain up to the root), up to stop; true when the reading ends there in the state given by end, as
    // it ended there before. What it read is in holder, its points are recorded.
    bool RunPart(THtmlTag* holder, const std::array<int, TagCount>& open, const THtmlReadPoint& point,
                 qsizetype stop, const THtmlReadPoint& end)
    {
        FHolder = holder;
        FCurrent = holder;
        FOpen = open;
        FOpenAbove = open;
        // What a block start met in the part would find above the text-level elements the part stands in.
        FHolderInline = 0;
        const THtmlNode* around = point.Parent;
        while (around && HasFlag(around->TagId(), tfInline) && FHolderInline <= WalkLimit) {
            ++FHolderInline;
            around = around->Parent();
        }
        FHolderBlock = around ? around->TagId() : TAG_ROOT;
        FSection = TAG_BODY;
        FTrim = point.Trim;
        FInPre = point.InPre;
        P = FText + point.At;
        FStop = FText + stop;
        try {
            ReadSteps();
        } catch (const TPartLeaves&) {
            return false;
        } catch (const Exception&) {
            return false;
        }
        // Formatting left to carry on into the text after the part would change what was read there.
        if (P != FStop || FCurrent != holder || (FTrim != end.Trim && !BlockStartsAt(P)) || FInPre != end.InPre ||
            FWaiting > 0)
            return false;
        DropEmptyBlocks();
        return true;
    }

    // The elements that the final pass dropped, each with its previous sibling then.
    const std::vector<std::pair<THtmlNode*, THtmlNode*>>& Dropped() const { return FDropped; }

private:
    // Token by token up to the stop (the end of the text, or of the part read).
    void ReadSteps()
    {
        while (P < FStop) {
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
    }

    // Whether the start tag of a block stands at p: it trims the blanks after it whatever came before
    // (so a stray "</p>" before it, which keeps the blank after it, reads the rest as a "</p>" that ended one).
    bool BlockStartsAt(const char16_t* p) const
    {
        if (FEnd - p < 2 || p[0] != u'<' || IsBlank(p[1]) || p[1] == u'/' || p[1] == u'!')
            return false;
        const char16_t* nameEnd = ReadUpTo(p + 1, [](char16_t ch) { return IsBlank(ch) || ch == u'/' || ch == u'>'; });
        const int t = TagNameToId(QStringView(p + 1, nameEnd));
        return HasFlag(t, tfBreaks) && t != TAG_DOCTYPE && !InTagSet(t, tsHead | tsNoBody);
    }

    // Where the reader stands now in the body, before a tag at or after one: a read point.
    void RecordPoint(const char16_t* at)
    {
        // Not while formatting waits to be carried on, nor while an open element is off the list of
        // formatting: a part read from here would not know of it.
        if (FRecord && FSection == TAG_BODY && !FDisplaced && FOpen[TAG_BODY] > 0 && FWaiting == 0 && FUnlisted.empty())
            FRecord->push_back({at - FText, FCurrent, FCurrent->LastChild(), FTrim, FInPre});
    }
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

    // Every element climbed out of ends here, as its end tag would end it: the writer writes each end tag,
    // so one that an end tag further out implies ("<del><blockquote><!-- c --></del> x") reads as the written
    // end tag does ("</blockquote></del> x": the blank cannot show). The end of most elements does no more
    // than trim the blanks after a block, done here; the few whose end does more go through Ended.
    void ClimbTo(THtmlTag* ancestor)
    {
        while (FCurrent != ancestor) {
            if (InTagSet(FCurrent->TagId(), tsFormatting | tsFormattingBarrier))
                Closed(FCurrent, FCurrent->TagId());
            ClimbOut();
        }
    }

    // The current element ends, the list of formatting aside.
    [[gnu::always_inline]] void ClimbOut()
    {
        if (FCurrent == FHolder)
            throw TPartLeaves();
        FBlankWhileWaiting = false;
        const int t = FCurrent->TagId();
        --FOpen[t];
        if (InTagSet(t, tsEndNoted))
            Ended(FCurrent);
        else if (HasFlag(t, tfBreaks))
            FTrim = true;
        else if (HasFlag(t, tfInline) && !FCurrent->FirstChild() && MayBeFilled(FCurrent))
            KeepNextBlank(FCurrent->Parent());
        if (FCurrent == FAfterBody) {
            FTrim = FAfterBodyTrim;
            FAfterBody = nullptr;
        }
        FCurrent = static_cast<THtmlTag*>(FCurrent->Parent());
    }

    // What the end of e does to the blank after it, and to the text after a pre or text area.
    [[gnu::noinline]] void Ended(THtmlTag* e)
    {
        const int t = e->TagId();
        if (t == TAG_PRE || t == TAG_TEXTAREA)
            FInPre = FOpen[TAG_PRE] > 0; // a pre around it goes on
        if ((t == TAG_DEL || t == TAG_INS || t == TAG_NOSCRIPT) && EndedSilent(e))
            return;
        // A named anchor, a plug-in or a script stands as a picture ("<a name=x></a> word", "</object> word"),
        // and so may an empty link that a style sheet fills.
        if (StandsAsPicture(e) || (t == TAG_A && MayBeFilled(e)))
            KeepNextBlank(e->Parent());
        // Blanks right after a block's end cannot show: "</div> b" reads as "</div>b" reads.
        if (HasFlag(t, tfBreaks))
            FTrim = true;
    }

    // A deletion, insertion or noscript that holds only blanks and empty blocks is not written (the next read
    // would drop it): the text after it goes on as if it had never been there, so neither the blank that a
    // noscript's picture keeps ("<br><noscript></noscript> x") nor the blank that one holding a blank ends
    // on ("a<del> </del> b") is read differently from the text written without it. True for such an
    // element, with the trim flag then as it was before its start tag.
    bool EndedSilent(THtmlTag* e)
    {
        auto entry = std::find_if(FSilentCandidates.rbegin(), FSilentCandidates.rend(),
                                  [e](const std::pair<THtmlTag*, bool>& c) { return c.first == e; });
        if (entry == FSilentCandidates.rend())
            return false;
        const bool trimBefore = entry->second;
        FSilentCandidates.erase(std::next(entry).base(), FSilentCandidates.end());
        if (e->AttributeCount() > 0 || !HoldsNothingWritten(e))
            return false;
        FSilent.insert(e);
        if (FSection == TAG_BODY)
            FTrim = trimBefore;
        return true;
    }

    // Whether e holds nothing but blanks and elements that are dropped when empty, without attributes, with
    // no text below a pre: what the writer leaves out. A deletion, insertion or noscript met inside ended
    // before e and was judged then, so each node is looked at once.
    bool HoldsNothingWritten(const THtmlTag* e) const
    {
        int inPre = 0;
        const THtmlNode* n = e->FirstChild();
        while (n) {
            const int id = n->TagId();
            bool descend = false;
            if (id == TAG_TEXT) {
                const QStringView view = static_cast<const THtmlText*>(n)->TextView();
                if (inPre > 0 || !std::all_of(view.begin(), view.end(), [](QChar c) { return IsBlank(c.unicode()); }))
                    return false;
            } else if (n->NodeClass() != THtmlNode::ncTag || !InTagSet(id, tsDropWhenEmpty) ||
                       static_cast<const THtmlTag*>(n)->AttributeCount() > 0) {
                return false;
            } else if (id == TAG_DEL || id == TAG_INS || id == TAG_NOSCRIPT) {
                if (!FSilent.count(static_cast<const THtmlTag*>(n)))
                    return false;
            } else if (n->FirstChild()) {
                descend = true;
            }
            if (descend) {
                inPre += id == TAG_PRE;
                n = n->FirstChild();
                continue;
            }
            while (n != e && !n->NextSibling()) {
                n = n->Parent();
                inPre -= n->TagId() == TAG_PRE;
            }
            n = n == e ? nullptr : n->NextSibling();
        }
        return true;
    }

    // A jump to an element anywhere (html, head, body: all near the root). The formatting open before
    // ends there, except for a head element met in the body, after which the body goes on as it was.
    void JumpTo(THtmlTag* e, bool keepFormatting = false)
    {
        if (FHolder)
            throw TPartLeaves();
        FAfterBody = nullptr;
        if (!keepFormatting) {
            FFormatting.clear();
            FWaiting = 0;
            FUnlisted.clear();
            FBlankWhileWaiting = false;
        }
        FCurrent = e;
        FOpen.fill(0);
        for (THtmlNode* n = e; n && n->TagId() >= 0; n = n->Parent())
            ++FOpen[n->TagId()];
    }

    // --- formatting that outlives its block, as browsers keep it -----------------------------------------
    //
    // Browsers keep a list of the formatting elements opened (tsFormatting) besides the open elements
    // themselves. One that a block's end (or start) closes before its own end tag stays in the list and is
    // opened again, as a copy, around the next text or text-level element, also in a list, or around the
    // next block after blanks (browsers put the blanks in a copy): "<p><b>a</p><p>b" gives both words the
    // bold, "<li><a href=x>one<li>two" both items the link. A cell, a caption or a plug-in starts afresh (a
    // barrier in the list) and clears what was opened inside it when it ends. The end tag of a formatting
    // element with a block opened inside it takes the block out of it and wraps what the block holds in a
    // copy ("<b><p>x</b> y</p>": x stays bold and y stays in the paragraph).
    //
    // Walks up the open elements and through the list stop after WalkLimit steps, and at most WaitingLimit
    // elements wait to be opened again, so that pages nested or misnested without end stay linear; past
    // that the end tag is ignored, as the deepest misnestings of real pages never come near.

    static constexpr int WalkLimit = 64;
    static constexpr int WaitingLimit = 16;

    // The last entry after the last barrier (within WalkLimit of the end) whose element is such, or -1.
    template <typename TSuch>
    int FindListed(TSuch such) const
    {
        const int n = int(FFormatting.size());
        for (int i = n - 1; i >= 0 && i >= n - WalkLimit; --i) {
            const THtmlTag* e = FFormatting[size_t(i)].Element;
            if (!e)
                return -1;
            if (such(e))
                return i;
        }
        return -1;
    }

    // The last entry of an element with tag t, or of e.
    int FindFormatting(int t) const
    {
        return FindListed([t](const THtmlTag* e) { return e->TagId() == t; });
    }
    int FindFormattingOf(const THtmlTag* e) const
    {
        return FindListed([e](const THtmlTag* listed) { return listed == e; });
    }

    void EraseFormatting(int at)
    {
        if (!FFormatting[size_t(at)].Open)
            --FWaiting;
        FFormatting.erase(FFormatting.begin() + at);
    }

    // e (with tag t) is closed without its own end tag: formatting waits to be opened again, a barrier's
    // element takes away what was opened inside it.
    [[gnu::noinline]] void Closed(THtmlTag* e, int t)
    {
        if (InTagSet(t, tsFormattingBarrier)) {
            while (!FFormatting.empty()) {
                const TFormattingEntry last = FFormatting.back();
                FFormatting.pop_back();
                if (!last.Element) {
                    FWaiting = last.Waiting;
                    return;
                }
            }
            FWaiting = 0;
            return;
        }
        const int at = FindFormattingOf(e);
        if (at < 0) {
            Unlist(e);
            return;
        }
        FFormatting[size_t(at)].Open = false;
        ++FWaiting;
        // Browsers carry on no more than three alike ("<font face=x>" left open in every paragraph nests
        // no deeper than that), and here no more than WaitingLimit in all: the earliest go.
        int alike = 0;
        int earliestAlike = -1;
        int earliest = -1;
        const int n = int(FFormatting.size());
        for (int i = n - 1; i >= 0 && i >= n - WalkLimit && FFormatting[size_t(i)].Element; --i) {
            const TFormattingEntry& entry = FFormatting[size_t(i)];
            if (entry.Open)
                continue;
            earliest = i;
            if (SameFormatting(entry.Element, e)) {
                ++alike;
                earliestAlike = i;
            }
        }
        if (alike > 3)
            EraseFormatting(earliestAlike);
        else if (FWaiting > WaitingLimit && earliest >= 0)
            EraseFormatting(earliest);
    }

    // A formatting element opened, or a barrier's (needless while the list is empty: its end then clears
    // the whole list, as it should).
    void ListFormatting(THtmlTag* e, const char16_t* at)
    {
        if (InTagSet(e->TagId(), tsFormatting))
            FFormatting.push_back({e, at - FText, true, 0});
        else if (!FFormatting.empty())
            FFormatting.push_back({nullptr, at - FText, false, std::exchange(FWaiting, 0)});
    }

    // An open element taken off the list has closed.
    void Unlist(const THtmlTag* e)
    {
        if (!FUnlisted.empty())
            FUnlisted.erase(std::remove(FUnlisted.begin(), FUnlisted.end(), e), FUnlisted.end());
    }

    // The same tag with the same attributes, in the same order.
    static bool SameFormatting(const THtmlTag* a, const THtmlTag* b)
    {
        if (a->TagId() != b->TagId() || a->AttributeCount() != b->AttributeCount())
            return false;
        for (int i = 0; i < a->AttributeCount(); ++i)
            if (a->GetAttributeId(i) != b->GetAttributeId(i) || a->IsAttributeValueless(i) != b->IsAttributeValueless(i) ||
                a->ValueViewAt(i) != b->ValueViewAt(i))
                return false;
        return true;
    }

    // Opens again, inside the current element, the formatting that waits at the end of the list: each as a
    // copy with the attributes of the one it continues, the copy taking its place in the list. Only in the
    // body's text, and where text may stand, or for text (textLevel) in a list, where the copies hold it.
    [[gnu::noinline]] void CarryFormatting(const char16_t* at, bool textLevel)
    {
        const int id = FCurrent->TagId();
        if (FSection != TAG_BODY || FDisplaced || !(HasFlag(id, tfText) || (textLevel && InTagSet(id, tsListBox))))
            return;
        size_t first = FFormatting.size();
        while (first > 0 && FFormatting[first - 1].Element && !FFormatting[first - 1].Open)
            --first;
        for (size_t i = first; i < FFormatting.size(); ++i) {
            auto* copy = new THtmlTag(FFormatting[i].Element->TagId());
            copy->AssignAttributes(FFormatting[i].Element);
            FCurrent->Add(copy);
            Descend(copy);
            FFormatting[i] = {copy, at - FText, true, 0};
            --FWaiting;
        }
    }

    // A block start tag ends the paragraph, item or cell it is met in, also through the text-level
    // elements open inside that ("<p><b>a<p>b", "<li><a>x<li>y", "<td><b>1<td>2"); those end with it and
    // carry on. Any other block goes inside them, as browsers place it: "<a href=x><div>card</div></a>"
    // stays a link, "<font face=f><p>a</p></font>" keeps its face. Table parts leave them first, as
    // before: browsers never place a row or a cell inside formatting.
    void EndBeforeBlock(int t)
    {
        // Most blocks start where no text-level element is open.
        if (!HasFlag(FCurrent->TagId(), tfInline)) {
            if (EndsBefore(t, FCurrent->TagId()))
                ClimbTo(ParentOf(FCurrent));
            return;
        }
        EndBeforeBlockInside(t);
    }

    [[gnu::noinline]] void EndBeforeBlockInside(int t)
    {
        if (InTagSet(t, tsTablePart)) {
            THtmlTag* e = FCurrent;
            while (HasFlag(e->TagId(), tfInline)) {
                if (e == FHolder)
                    throw TPartLeaves();
                e = ParentOf(e);
            }
            ClimbTo(EndsBefore(t, e->TagId()) ? ParentOf(e) : e);
        } else if (THtmlTag* ended = EndedByBlock(t, FCurrent, 0)) {
            ClimbTo(ParentOf(ended));
        }
    }

    // The element that a start tag t met inside e ends, or null: the first element at or above e that is
    // not text-level, when it ends before t and stands within WalkLimit text-level elements (steps of
    // them passed already). Reading in part, what stands around the part may decide: it is then left.
    THtmlTag* EndedByBlock(int t, THtmlTag* e, int steps) const
    {
        for (;; ++steps) {
            if (!HasFlag(e->TagId(), tfInline))
                return EndsBefore(t, e->TagId()) ? e : nullptr;
            if (e == FHolder) {
                if (steps + FHolderInline <= WalkLimit && EndsBefore(t, FHolderBlock))
                    throw TPartLeaves();
                return nullptr;
            }
            if (steps == WalkLimit)
                return nullptr;
            e = ParentOf(e);
        }
    }

    // Whether a start tag t ends an open element with tag open: the same kind of item or cell, or a
    // paragraph ended by a div or p.
    static bool EndsBefore(int t, int open)
    {
        return (t == open && InTagSet(t, tsSiblingClose)) || ((t == TAG_DIV || t == TAG_P) && open == TAG_P);
    }

    // A link's start tag ends the link still open, or still waiting to be carried on: links never nest.
    [[gnu::noinline]] void EndOpenLink()
    {
        const int at = FindFormatting(TAG_A);
        if (at < 0) {
            // Reading in part: the link may be open around the part.
            if (FHolder && FOpenAbove[TAG_A] > 0)
                throw TPartLeaves();
            return;
        }
        EndFormatting(TAG_A);
        // One the end could not reach stays open, but is carried on no further.
        for (int left = FindFormatting(TAG_A); left >= 0; left = FindFormatting(TAG_A)) {
            if (FFormatting[size_t(left)].Open)
                FUnlisted.push_back(FFormatting[size_t(left)].Element);
            EraseFormatting(left);
        }
    }

    // The end tag of a text-level element other than formatting (span, abbr, sub, ...): it ends the
    // nearest one open with everything opened inside it, unless a block stands between them, which then
    // keeps its content ("<span><div>x</span>y</div>": y stays in the div, in the span).
    [[gnu::noinline]] void EndTextLevel(int t)
    {
        if (FOpen[t] == 0)
            return;
        THtmlTag* e = FCurrent;
        for (int steps = 0;; ++steps) {
            if (e->TagId() == t) {
                ClimbTo(ParentOf(e));
                return;
            }
            if (InTagSet(e->TagId(), tsSpecial | tsScope) || steps == WalkLimit)
                return;
            if (e == FHolder)
                throw TPartLeaves();
            e = ParentOf(e);
        }
    }

    // The end tag of a formatting element, as browsers take it (their "adoption" of the blocks inside):
    // one block at a time, until none is left inside. Browsers give up after eight, leaving the last copy
    // open, which reads back otherwise once written; here every block within the walk is taken out, the
    // walk from the current element being one block shorter each round.
    [[gnu::noinline]] void EndFormatting(int t)
    {
        if (FOpen[t] == 0 && FWaiting == 0)
            return;
        for (;;) {
            const int at = FindFormatting(t);
            if (at < 0) {
                // Reading in part: the element may be open around the part, where the whole reading finds it.
                if (FHolder && FOpenAbove[t] > 0)
                    throw TPartLeaves();
                EndTextLevel(t);
                return;
            }
            if (!FFormatting[size_t(at)].Open) {
                // Closed already, and no longer carried on.
                EraseFormatting(at);
                return;
            }
            THtmlTag* formatting = FFormatting[size_t(at)].Element;
            // Up to it: nothing that formatting does not cross, and the outermost block inside it.
            THtmlTag* block = nullptr;
            THtmlTag* e = FCurrent;
            for (int steps = 0; e != formatting; ++steps) {
                if (e == FHolder)
                    throw TPartLeaves();
                if (InTagSet(e->TagId(), tsScope) || steps == WalkLimit || !e->Parent())
                    return;
                if (InTagSet(e->TagId(), tsSpecial))
                    block = e;
                e = ParentOf(e);
            }
            if (!block) {
                EraseFormatting(at);
                ClimbTo(ParentOf(formatting));
                return;
            }
            if (!TakeBlockOut(at, formatting, block))
                return;
        }
    }

    // "<b><i><p>x</b>": the block (p) leaves the formatting element (b) for the element around it, inside
    // copies of the formatting elements between them (i); a copy of the formatting element wraps what the
    // block held, and stands open in its place, to be closed by the next round. Elements between them
    // that are no formatting stay where they are, without the block. False, changing nothing, where the
    // tree written would read back otherwise: where the block's start tag would end an element at its new
    // place (an item taken out of an option into the item around: "<li><b><option><li>x</b>"), where the
    // block is or holds a table part, which leaves formatting ("<a><pre><td>x</td><a>"), or where the
    // block does not break the flow (a button, a frame): the blanks in it would then read otherwise after
    // what now ends before it. The end tag is then ignored.
    [[gnu::noinline]] bool TakeBlockOut(int at, THtmlTag* formatting, THtmlTag* block)
    {
        int copies = 0;
        int inner = 1;
        for (THtmlTag* node = ParentOf(block); node != formatting && inner <= 3; node = ParentOf(node), ++inner)
            copies += FindFormattingOf(node) >= 0;
        if (InTagSet(block->TagId(), tsTablePart) || !HasFlag(block->TagId(), tfBreaks) ||
            EndedByBlock(block->TagId(), ParentOf(formatting), copies))
            return false;
        for (const THtmlNode* child = block->FirstChild(); child; child = child->NextSibling())
            if (InTagSet(child->TagId(), tsTablePart) && child->NodeClass() == THtmlNode::ncTag)
                return false;
        const qsizetype from = FFormatting[size_t(at)].From;
        const qsizetype now = P - FText;
        int bookmark = at; // where the copy goes in the list (before the entry now there)
        THtmlTag* node = ParentOf(block);
        block->Parent()->Remove(block);
        THtmlTag* last = block;
        for (inner = 1; node != formatting; ++inner) {
            THtmlTag* next = ParentOf(node);
            int entry = FindFormattingOf(node);
            if (inner > 3 && entry >= 0) {
                EraseFormatting(entry);
                bookmark -= entry < bookmark;
                at -= entry < at;
                entry = -1;
            }
            if (entry < 0) {
                --FOpen[node->TagId()];
                Unlist(node);
            } else {
                auto* copy = new THtmlTag(node->TagId());
                copy->AssignAttributes(node);
                FFormatting[size_t(entry)] = {copy, now, true, 0};
                if (last == block)
                    bookmark = entry + 1;
                copy->Add(last);
                last = copy;
            }
            node = next;
        }
        ParentOf(formatting)->Add(last);
        auto* copy = new THtmlTag(formatting->TagId());
        copy->AssignAttributes(formatting);
        while (THtmlNode* child = block->FirstChild()) {
            block->Remove(child);
            copy->Add(child);
        }
        block->Add(copy);
        FFormatting.erase(FFormatting.begin() + at);
        FFormatting.insert(FFormatting.begin() + (bookmark > at ? bookmark - 1 : bookmark), {copy, now, true, 0});
        if (FCurrent == block)
            FCurrent = copy;
        // The points read inside the formatting element name places whose nodes have moved.
        if (FRecord)
            while (!FRecord->empty() && FRecord->back().At > from)
                FRecord->pop_back();
        return true;
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
        FInPre = FReturnInPre;
        FDisplaced = nullptr;
        FReturnTo = nullptr;
    }

    // The elements the design view shows as a picture of their own, whose end does not already end the
    // line: the blank after one stands between it and the next word. (Their tags are in tsEndNoted.) A
    // button or a list box is a box of its own too: a blank it ends on does not take the place of the
    // one after it, which browsers show between it and the next button ("</button> <button>").
    static bool StandsAsPicture(const THtmlTag* e)
    {
        switch (e->TagId()) {
        case TAG_APPLET: case TAG_BUTTON: case TAG_MAP: case TAG_MARQUEE: case TAG_NOSCRIPT: case TAG_OBJECT:
        case TAG_SCRIPT: case TAG_SELECT:
            return true;
        case TAG_A:
            return !e->AttributeView(ATTR_NAME).isEmpty();
        default:
            return false;
        }
    }

    // Only in the body: before the html tag, or in the head (also a head element met in the body), blanks
    // are no text, and a comment there must not make one of them start the body. Nor for what stands in
    // parent after the body's end tag: it goes after the body, out of the words' way.
    void KeepNextBlank(const THtmlNode* parent)
    {
        if (FSection == TAG_BODY && !FDisplaced && StandsInTheBody(parent))
            FTrim = false;
    }

    bool StandsInTheBody(const THtmlNode* parent) const
    {
        return parent->TagId() != TAG_HTML && parent != FRoot.get();
    }

    void AddRaw(int id, const char16_t* from, const char16_t* to, bool closeWithGt = false)
    {
        // A comment, a PHP or ASP block or an unknown tag stands between the words as the picture the
        // design view shows for it: the blank after it stays. The writer ends the line after one only
        // where a blank stood ("<!-- c -->\r\n  word"), so "</p><!-- c --> word" reads back as written.
        KeepNextBlank(FCurrent);
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
            if (id == TAG_UNKNOWN && OpensTheBody(name))
                EnterBody();
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
        RecordPoint(tagStart);
        ParseStartTag(id, tagStart);
    }

    void ParseEndTag(int t)
    {
        if (!FDisplaced && HasFlag(t, tfInline) && HasFlag(t, tfEnd) && t != TAG_TEXTAREA) {
            // Most end the element opened last, with nothing open inside it: formatting then stands last in
            // the list.
            const bool formatting = InTagSet(t, tsFormatting);
            if (t == FCurrent->TagId() && !formatting) {
                ClimbOut();
            } else if (t == FCurrent->TagId() && !FFormatting.empty() && FFormatting.back().Element == FCurrent) {
                FFormatting.pop_back();
                ClimbOut();
            } else if (formatting) {
                EndFormatting(t);
            } else {
                EndTextLevel(t);
            }
        } else if (t >= 0 && t < TagCount && (FOpen[t] > 0 || (IsHeading(t) && (t = OpenHeading()) >= 0))) {
            THtmlTag* e = FCurrent;
            while (e->TagId() != t) {
                if (e == FHolder)
                    throw TPartLeaves();
                e = ParentOf(e);
            }
            // A head element met in the body ends only itself: nothing opens inside one.
            if (FDisplaced)
                ReturnFromHead();
            else
                ClimbTo(ParentOf(e));
        }
        // The end of a pre or text area (its own end tag or an implied one) ends its text as written; one
        // that ends nothing leaves a pre that stays open as it is, for the writer writes no such tag. An
        // end tag that ends nothing leaves the blank after it too: "<div>Hello</p> World" keeps two words.
        SkipPastGt();
        RecordPoint(P);
    }

    static bool IsHeading(int t) { return t >= TAG_H1 && t <= TAG_H6; }

    // The tag of the innermost heading open, or -1: the end tag of any heading ends it, as in browsers
    // ("<h5>Notes</h3><p>text" leaves the paragraph out of the heading).
    [[gnu::noinline]] int OpenHeading() const
    {
        if (FDisplaced || std::none_of(FOpen.begin() + TAG_H1, FOpen.begin() + TAG_H6 + 1, [](int n) { return n > 0; }))
            return -1;
        const THtmlTag* e = FCurrent;
        while (!IsHeading(e->TagId())) {
            if (e == FHolder)
                throw TPartLeaves();
            e = ParentOf(const_cast<THtmlTag*>(e));
        }
        return e->TagId();
    }

    [[gnu::always_inline]] void ParseStartTag(int t, const char16_t* tagStart)
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
        if (t == TAG_HTML || t == TAG_HEAD || t == TAG_BODY) {
            // These leave any pre or text area open, whose end tag the writer then writes where it stands.
            FInPre = false;
            // Their attributes go to an element that a read in part never reads again ("<body class=x>"
            // met inside the body): no part may begin before them, lest an edit that takes the tag away
            // leave them.
            if (FRecord)
                FRecord->clear();
            THtmlTag* target = t == TAG_HTML ? FRoot->GetHtml() : t == TAG_HEAD ? FRoot->GetHead() : FRoot->GetBody();
            JumpTo(target);
            FSection = t;
            element = FCurrent;
        } else if (t == TAG_FRAMESET) {
            FInPre = false; // as above
            if (FSection == TAG_BODY || FSection == TAG_HEAD)
                JumpTo(FRoot->GetHtml());
            element = new THtmlTag(t);
            FCurrent->Add(element);
            Descend(element);
            FSection = TAG_FRAMESET;
        } else if (InTagSet(t, tsHead) && FSection == TAG_BODY && FOpen[TAG_NOSCRIPT] == 0) {
            // A head element inside the body goes to the head, but the body stays where it was.
            if (FHolder)
                throw TPartLeaves();
            element = new THtmlTag(t);
            FRoot->GetHead()->Add(element);
            if (HasFlag(t, tfEnd)) {
                FReturnTo = FCurrent;
                FReturnOpen = FOpen;
                FReturnTrim = FTrim;
                // Nor does a pre it was met in hold its text, nor the words before it trim it: the head is
                // written apart from the body, after the head's start tag.
                FReturnInPre = FInPre;
                FInPre = false;
                FTrim = true;
                FDisplaced = element;
                JumpTo(element, true);
            }
        } else {
            // What stands inside a noscript stays inside it: its links and styles apply only without script,
            // in the head as in the body.
            const bool inNoscript = FOpen[TAG_NOSCRIPT] > 0;
            const bool headNoscript = t == TAG_NOSCRIPT && FSection == TAG_HEAD && FOpen[TAG_HEAD] > 0;
            if (inNoscript && InTagSet(t, tsHead)) {
                // stays in the noscript
            } else if (InTagSet(t, tsHead) && (FSection != TAG_HEAD || FOpen[TAG_HEAD] == 0)) {
                // Also after the head's end tag: the head is where the writer writes it.
                JumpTo(FRoot->GetHead());
                FSection = TAG_HEAD;
                FTrim = true;
            } else if (!InTagSet(t, tsNoBody) && !headNoscript && FSection != TAG_BODY && FSection != TAG_FRAMESET) {
                JumpTo(FRoot->GetBody());
                FSection = TAG_BODY;
            }
            if (!HasFlag(t, tfInline))
                EndBeforeBlock(t);
            if (t == TAG_A && (FOpen[TAG_A] > 0 || FWaiting > 0))
                EndOpenLink();
            if (FWaiting > 0 && (InTagSet(t, tsCarriesFormatting) || (FBlankWhileWaiting && !InTagSet(t, tsTablePart))))
                CarryFormatting(tagStart, InTagSet(t, tsCarriesFormatting));
            if (t == TAG_BR || t == TAG_HR)
                FTrim = true;
            // An image or a form field stands between the words: the blank after it stays. After the body's
            // end tag it goes after the body, out of the words' way.
            else if ((HasFlag(t, tfInline) || t == TAG_EMBED || t == TAG_BGSOUND) && !HasFlag(t, tfEnd) &&
                     StandsInTheBody(FCurrent))
                FTrim = false;
            element = new THtmlTag(t);
            // The text in an element put after the body's end tag is none of the body's words: the blank
            // before the words after it is judged as if it had not been there.
            if (!FAfterBody && HasFlag(t, tfEnd) && !StandsInTheBody(FCurrent) && FSection == TAG_BODY) {
                FAfterBody = element;
                FAfterBodyTrim = FTrim;
            }
            FCurrent->Add(element);
            if (HasFlag(t, tfEnd))
                Descend(element);
            if (InTagSet(t, tsFormatting | tsFormattingBarrier))
                ListFormatting(element, tagStart);
            if (InTagSet(t, tsDropWhenEmpty)) {
                FDropCandidates.push_back(element);
                if (t == TAG_DEL || t == TAG_INS || t == TAG_NOSCRIPT)
                    FSilentCandidates.emplace_back(element, FTrim);
            }
        }
        // Nor can blanks at the start of a block: "<div> a" holds "a", so the line end the writer puts
        // after the start tag reads back the same.
        if (HasFlag(t, tfBreaks))
            FTrim = true;
        ParseAttributes(element);
        // An element the reader cannot edit into (contenteditable="false") shows whole, as an image does.
        if (IsShownWhole(element))
            FTrim = false;
        if ((t == TAG_SCRIPT || t == TAG_STYLE) && FCurrent == element)
            ParseRawContent(element, t == TAG_SCRIPT ? u"</script" : u"</style");
        else if (t == TAG_TEXTAREA && FCurrent == element)
            ParseTextareaContent(element);
    }

    // What a text area holds is its text, markup included: "<b>" there is three characters a user typed,
    // and reading it as an element would add an end tag or drop it on the next save. Without its end tag
    // the field ends at once, empty, and the rest of the document is read as usual rather than swallowed
    // into it: markup read into the field would come back as its text from the end tag written after it.
    void ParseTextareaContent(THtmlTag* element)
    {
        // The end found last serves every search from a place between where that search began and it, so
        // text areas left open one after another look through the rest of the page once, not once each.
        if (!FTextareaEnd || P < FTextareaSearchFrom || P > FTextareaEnd) {
            FTextareaSearchFrom = P;
            FTextareaEnd = FindEndTag(P, u"</textarea");
        }
        const char16_t* end = FTextareaEnd;
        if (end >= FEnd) {
            ClimbTo(ParentOf(element));
            return;
        }
        if (end > P)
            element->Add(new THtmlText(TAG_TEXT, QStringView(P, end)));
        P = end;
    }

    // tagStart is the declaration's "<". Met once a page: kept out of the start tag's step, which runs for
    // every tag.
    [[gnu::noinline]] void ParseDocType(const char16_t* tagStart)
    {
        if (FHolder)
            throw TPartLeaves();
        const char16_t* from = P;
        if (P < FEnd && *P != u'>')
            P = ReadUpTo(P, [](char16_t ch) { return ch == u'>'; });
        const QStringView text(from, P);
        auto doctype = new THtmlDocType();
        if (!ContainsAsciiUpper(text, u"//DTD HTML 4.01")) {
            doctype->SetWritten(QStringView(tagStart + 1, P).toString());
        } else {
            // The public identifier tells the three apart, as it tells browsers how to lay the page out:
            // "-//W3C//DTD HTML 4.01//EN" is the strict one, with its system identifier or without.
            if (ContainsAsciiUpper(text, u"//DTD HTML 4.01//"))
                doctype->SetKind(dkStrict);
            else if (ContainsAsciiUpper(text, u"FRAMESET"))
                doctype->SetKind(dkFrameset);
            doctype->SetHasSystemId(NamesSystemId(text));
        }
        if (FSection == TAG_ROOT)
            FRoot->Add(doctype);
        else
            FRoot->AddFirst(doctype);
        if (P < FEnd)
            ++P;
    }

    // Whether a declaration names a second identifier after its public one (PUBLIC "public" "system").
    static bool NamesSystemId(QStringView text)
    {
        const auto isQuote = [](QChar c) { return c == u'"' || c == u'\''; };
        const auto open = std::find_if(text.begin(), text.end(), isQuote);
        if (open == text.end())
            return false;
        auto at = std::find(open + 1, text.end(), *open);
        if (at == text.end())
            return false;
        at = std::find_if(at + 1, text.end(), [](QChar c) { return !IsBlank(c.unicode()); });
        return at != text.end() && isQuote(*at);
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
    // element met again (a second body tag) adds those it lacks.
    [[gnu::always_inline]] void ParseAttributes(THtmlTag* element)
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
                    FAttributes.AddRaw(name, QStringView(valueFrom, valueLength), !equals);
                } else if (equals && !(valueLength == 0 && (FOptions & poEmptyFlagsAreBare) && IsFlagAttribute(attr))) {
                    // An empty value (alt="", value="") is kept as written: it differs from no attribute.
                    FAttributes.Add(attr, QStringView(valueFrom, valueLength), afWritten, !surrogate);
                } else {
                    FAttributes.Add(attr, u"TRUE", afValueless, true);
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
    [[gnu::always_inline]] void ParseText()
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
        const bool trim = FTrim;
        if (collapse) {
            if (from == s) {
                // Browsers carry waiting formatting on at blanks too, so a block after them goes inside it.
                FBlankWhileWaiting = FBlankWhileWaiting || FWaiting > 0;
                return;
            }
            FTrim = IsBlank(s[-1]);
        }
        THtmlTag* target = TextTarget(from, s);
        if (FWaiting > 0 && (target || InTagSet(FCurrent->TagId(), tsListBox))) {
            CarryFormatting(from, true);
            if (HasFlag(FCurrent->TagId(), tfText))
                target = FCurrent;
        }
        if (target)
            target->Add(new THtmlText(TAG_TEXT, QStringView(out, o)));
        // Blanks with no place here are not written, and a title's text is not part of the body's flow (nor
        // of the head's, where it is written): the text after either reads as without it
        // ("<title>x</title><b> y").
        if (!target || FSection == TAG_HEAD || FDisplaced)
            FTrim = trim;
    }

    void EnterBody()
    {
        JumpTo(FRoot->GetBody());
        FSection = TAG_BODY;
    }

    // Whether a start tag the tag table does not know, named name, starts the body: browsers start it at the
    // first element that cannot stand in a head ("<title>x</title><header><nav>Top</nav></header>" shows
    // both boxes), which a newer element (header, nav, main, section) or a made-up one is. A template
    // stands in a head, and a declaration ("<!ELEMENT", "<![if") is no element.
    bool OpensTheBody(QStringView name) const
    {
        if (FSection == TAG_BODY || FSection == TAG_FRAMESET ||
            !(FCurrent == FRoot.get() || FCurrent->TagId() == TAG_HTML || FCurrent->TagId() == TAG_HEAD))
            return false;
        const char16_t first = name.isEmpty() ? u'!' : name[0].unicode();
        return ((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z')) &&
               name.compare(u"template", Qt::CaseInsensitive) != 0;
    }

    // The element that receives text read now, or null when the text has no place there (it is dropped).
    THtmlTag* TextTarget(const char16_t* from, const char16_t* to)
    {
        if (FSection == TAG_ROOT || FSection == TAG_HTML) {
            EnterBody();
        } else if (FCurrent == FRoot.get() || FCurrent->TagId() == TAG_HTML || FCurrent->TagId() == TAG_HEAD) {
            // Text after the body or html end tag still belongs to the body, and so do words standing in the
            // head itself ("<title>T</title>Hello" without a body tag), which a browser shows as the body's
            // start: dropping them would lose the author's words on the first save.
            if (std::all_of(from, to, IsBlank))
                return nullptr;
            EnterBody();
        }
        if (HasFlag(FCurrent->TagId(), tfText))
            return FCurrent;
        // Words in a table or a list outside its cells and items show ("<ul>intro<li>one"), so they stay
        // where they stand; blanks and control characters alone show nothing there.
        if (InTagSet(FCurrent->TagId(), tsStrayText) && std::any_of(from, to, [](char16_t c) { return c > 32; }))
            return FCurrent;
        return nullptr;
    }

    // Removes elements of the drop-when-empty set that have no children, as one pre-order walk over the
    // tree would: a parent emptied by the walk stays. The candidates were recorded as they were created, and
    // an element is always created before anything inside it, so their order serves as the walk's.
    void DropEmptyBlocks()
    {
        for (THtmlTag* e : FDropCandidates) {
            // An empty element with attributes is a link target or a styled box: it stays.
            if (e->ChildCount() == 0 && e->AttributeCount() == 0) {
                if (FRecord)
                    FDropped.emplace_back(e, e->PrevSibling());
                e->Parent()->Remove(e);
                delete e;
            }
        }
    }

    const char16_t* P;
    const char16_t* FText;
    const char16_t* FEnd;
    const char16_t* FStop; // where reading stops: the end, or the end of the part read
    THtmlTag* FHolder = nullptr; // reading in part: the stand-in for the element read into
    std::vector<THtmlReadPoint>* FRecord = nullptr;
    std::vector<std::pair<THtmlNode*, THtmlNode*>> FDropped;
    std::unique_ptr<THtmlRoot> FRoot;
    THtmlTag* FCurrent = nullptr;
    int FSection = TAG_ROOT;
    bool FInPre = false;
    bool FTrim = true;
    std::array<int, TagCount> FOpen{};
    std::array<int, TagCount> FOpenAbove{}; // reading in part: the counts of the chain around the part
    int FHolderInline = 0;                  // and the text-level elements the part stands in (up to WalkLimit + 1)
    int FHolderBlock = TAG_ROOT;            // with the element around them
    // The formatting elements as browsers list them (see "formatting that outlives its block"), in the order
    // opened; a null element is a barrier (a cell, a caption, a plug-in), Waiting then the count before it.
    struct TFormattingEntry
    {
        THtmlTag* Element;
        qsizetype From; // where in the text it was opened
        bool Open;      // still among the open elements; otherwise it waits to be carried on
        int Waiting;
    };
    std::vector<TFormattingEntry> FFormatting;
    int FWaiting = 0; // entries after the last barrier waiting to be carried on
    bool FBlankWhileWaiting = false; // blanks read in the current element while formatting waited
    std::vector<const THtmlTag*> FUnlisted; // open formatting taken off the list (see EndOpenLink)
    THtmlTag* FAfterBody = nullptr; // the element put after the body's end tag that is open now
    bool FAfterBodyTrim = true;     // the trim flag before it
    THtmlTag* FDisplaced = nullptr;
    THtmlTag* FReturnTo = nullptr;
    std::array<int, TagCount> FReturnOpen{};
    bool FReturnTrim = true;
    bool FReturnInPre = false;
    std::vector<THtmlTag*> FDropCandidates;
    std::vector<std::pair<THtmlTag*, bool>> FSilentCandidates; // open ones that may write nothing, with the trim flag before
    std::unordered_set<const THtmlTag*> FSilent;                // those found to write nothing
    const unsigned char* FFlags;
    TNameCache FTagNames;
    TNameCache FAttrNames;
    TAttributeBuilder FAttributes;
    std::unique_ptr<char16_t[]> FScratch;
    qsizetype FScratchSize = 0;
    const char16_t* FTextareaSearchFrom = nullptr; // the last search for a text area's end tag began here
    const char16_t* FTextareaEnd = nullptr;        // and found it here (or at the end of the text)
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

namespace {

// Read points whose nodes the final pass dropped: a point in a dropped element goes, one after a dropped
// element stands after the sibling before it.
void ForgetDropped(std::vector<THtmlReadPoint>& points, const std::vector<std::pair<THtmlNode*, THtmlNode*>>& dropped)
{
    if (dropped.empty())
        return;
    std::unordered_map<const THtmlNode*, THtmlNode*> before(dropped.begin(), dropped.end());
    auto kept = std::remove_if(points.begin(), points.end(), [&before](THtmlReadPoint& point) {
        if (before.count(point.Parent))
            return true;
        for (auto it = before.find(point.Last); it != before.end(); it = before.find(point.Last))
            point.Last = it->second;
        return false;
    });
    points.erase(kept, points.end());
}

} // namespace

void THtmlReadPoints::MoveBody(THtmlTag* To)
{
    for (THtmlReadPoint& point : Points)
        if (point.Parent == Body)
            point.Parent = To;
    Body = To;
}

std::unique_ptr<THtmlRoot> ParseHtml(QStringView text, unsigned options, THtmlReadPoints& points)
{
    THtmlParser parser(text.utf16(), text.size(), options);
    std::vector<THtmlReadPoint> recorded;
    // Room for about one point for every 24 units, which pages full of tags come near: growing the list
    // as it fills would copy it again and again.
    recorded.reserve(size_t(text.size() / 24));
    parser.RecordInto(recorded);
    std::unique_ptr<THtmlRoot> root = parser.Run();
    ForgetDropped(recorded, parser.Dropped());
    points.Points = std::move(recorded);
    THtmlNode* body = root->FindFirst(TAG_BODY);
    points.Body = body && body->NodeClass() == THtmlNode::ncTag ? static_cast<THtmlTag*>(body) : nullptr;
    points.TextLength = text.size();
    if (!points.Body)
        points.Clear();
    return root;
}

namespace {

// Whether a text stands next to a part read again, from node on (forward, or backward) among the children
// of parent and out through the elements around it, with nothing between them that a reader sees: only
// comments and elements without content. The writer trims such a text at the edge of its paragraph, in
// the tree, as long as nothing shows between it and that edge; a part that brings something that shows
// leaves it as a whole read would not. Elements that stand apart from the running text end the search:
// the writer trims nothing across their tags. A long run of things that do not show counts as a text.
bool TextBesidePart(const THtmlNode* node, const THtmlTag* parent, bool forward)
{
    const auto step = [forward](const THtmlNode* n) { return forward ? n->NextSibling() : n->PrevSibling(); };
    for (int seen = 0; seen < 64; ++seen) {
        // Out of the elements around: beyond a paragraph, a cell or the like nothing is trimmed. Climbing
        // costs no more than the counts of the open elements did, so only the nodes passed are counted.
        while (!node) {
            if (!parent || parent->TagId() == TAG_BODY || TagBreaksFlow(parent->TagId()))
                return false;
            node = step(parent);
            parent = static_cast<const THtmlTag*>(parent->Parent());
        }
        const int id = node->TagId();
        if (id == TAG_TEXT) {
            // Only a paragraph, a cell, an item or the like trims its text; a division, the body and the
            // other blocks whose children stand on lines of their own do not.
            const THtmlNode* around = node->Parent();
            while (around && around->TagId() >= 0 && around->TagId() < TagCount && around->TagId() != TAG_BODY &&
                   !TagBreaksFlow(around->TagId()))
                around = around->Parent();
            return around && around->TagId() > 0 && around->TagId() < TagCount && around->TagId() != TAG_BODY &&
                   !TagIsBlock(around->TagId()) && TagHoldsText(around->TagId());
        }
        if (id == TAG_COMMENT) {
            node = step(node);
            continue;
        }
        if (node->NodeClass() != THtmlNode::ncTag || id < 0 || id >= TagCount || !TagHasEndTag(id) ||
            TagBreaksFlow(id) || id == TAG_TEXTAREA || id == TAG_SCRIPT || id == TAG_STYLE ||
            IsShownWhole(static_cast<const THtmlTag*>(node)))
            return false;
        if (const THtmlNode* inner = forward ? node->FirstChild() : node->LastChild()) {
            parent = static_cast<const THtmlTag*>(node);
            node = inner;
        } else if (MayBeFilled(node)) {
            return false;
        } else {
            node = step(node);
        }
    }
    return true;
}

// Whether a table part stands among count nodes from first on, children of parent, which is no part of a
// table itself (a row in a division): whether formatting may later take parent out of the elements around
// it depends on such children (see TakeBlockOut), and so on a part that brings or takes one.
bool StrayTablePart(const THtmlTag* parent, const THtmlNode* first, int count)
{
    const int id = parent->TagId();
    if (id == TAG_TABLE || id == TAG_TBODY || id == TAG_THEAD || id == TAG_TFOOT || id == TAG_TR)
        return false;
    for (; first && count > 0; first = first->NextSibling(), --count)
        if (InTagSet(first->TagId(), tsTablePart))
            return true;
    return false;
}

} // namespace

bool ReparseHtmlBody(QStringView text, qsizetype keepStart, qsizetype keepEnd, unsigned options,
                     THtmlReadPoints& points)
{
    std::vector<THtmlReadPoint>& v = points.Points;
    const qsizetype oldLength = points.TextLength;
    if (!points.Body || v.empty() || keepStart < 0 || keepEnd < 0 || keepStart + keepEnd > oldLength ||
        keepStart + keepEnd > text.size())
        return false;
    const qsizetype delta = text.size() - oldLength;
    const qsizetype changeStart = keepStart;
    const qsizetype changeEnd = oldLength - keepEnd;
    if (delta == 0 && keepStart == oldLength)
        return true; // the same text
    // From the last point before the change and the first at or after it, out to the nearest pair in the
    // same element, going up while the element closes before the change ends. The point before stands two
    // units clear of the change: text before a tag ends where the tag's "<" and the letter after it say so.
    auto after = std::upper_bound(v.begin(), v.end(), changeStart - 2,
                                  [](qsizetype at, const THtmlReadPoint& p) { return at < p.At; });
    if (after == v.begin())
        return false;
    size_t l = size_t(after - v.begin()) - 1;
    const size_t r0 = size_t(std::lower_bound(v.begin(), v.end(), changeEnd,
                                              [](const THtmlReadPoint& p, qsizetype at) { return p.At < at; }) -
                             v.begin());
    THtmlTag* parent = v[l].Parent;
    // The point after is the first from r0 on that stands in an element still open around the point
    // before: the reader comes back to such an element only once it has left everything it entered on
    // the way, and never enters an element again once it has left it, so that element is the innermost
    // one around both points and its first point the nearest. The points are walked in order from the
    // point before, knowing how deep each one's element stands against that point's own: the reader goes
    // down one element at a time, so every step up is paid for by a step down walked before or by an
    // element left around the point before, and no point climbs the tree on its own. low is the highest
    // level reached and lowAt the element there, the innermost one still open around the point before.
    THtmlTag* walked = parent; // the element of the point walked last
    long depth = 0;
    long low = 0;
    long highest = 0; // how high the element read into must stand (lower after a part that failed)
    THtmlTag* lowAt = parent;
    size_t r = l;
    const auto stepTo = [&](THtmlTag* x) {
        if (x == walked)
            return true;
        THtmlTag* up = static_cast<THtmlTag*>(x->Parent());
        while (walked != x && walked != up) {
            if (walked == points.Body)
                return false; // a point out of the body's tree: not one the reader recorded
            walked = static_cast<THtmlTag*>(walked->Parent());
            if (--depth < low) {
                low = depth;
                lowAt = walked;
            }
        }
        if (walked == up) {
            walked = x;
            ++depth;
        }
        return true;
    };
    const auto findAfter = [&]() {
        for (++r; r < v.size(); ++r) {
            if (!stepTo(v[r].Parent))
                return false;
            if (r >= r0 && walked == lowAt && low <= highest)
                return true;
        }
        return false;
    };
    // The counts of the tags open around the element read into, up to the body: one climb.
    std::array<int, TagCount> open{};
    bool counted = false;
    // Reads into to from now on (parent or an element around it), from the last point before in it.
    const auto readInto = [&](THtmlTag* to) {
        for (; parent != to; parent = static_cast<THtmlTag*>(parent->Parent()))
            if (counted && parent->TagId() >= 0 && parent->TagId() < TagCount)
                --open[parent->TagId()];
        while (v[l].Parent != parent) {
            if (l == 0)
                return false;
            --l;
        }
        if (!counted) {
            for (const THtmlNode* n = parent;; n = n->Parent()) {
                if (n->TagId() >= 0 && n->TagId() < TagCount)
                    ++open[n->TagId()];
                if (n == points.Body)
                    break;
            }
            ++open[TAG_HTML];
            counted = true;
        }
        return true;
    };
    std::unique_ptr<THtmlTag> holder;
    std::unique_ptr<THtmlParser> parser;
    std::vector<THtmlReadPoint> inner;
    int replaced = 0;
    THtmlNode* first = nullptr;
    // A part that reads out of its element (a block in a bold, an end tag of the element) is tried once
    // or twice more from the elements around it; past that, or once the parts tried come to half the
    // text, the whole text is read, which then costs little more than it would have alone.
    qsizetype tried = 0;
    for (int tries = 0;; ++tries) {
        if (!findAfter() || !readInto(lowAt))
            return false;
        // The nodes read between the two points before: the children after from's last up to to's last.
        first = v[l].Last ? v[l].Last->NextSibling() : parent->FirstChild();
        replaced = 0;
        if (v[r].Last != v[l].Last) {
            for (THtmlNode* n = first;; n = n->NextSibling()) {
                if (!n)
                    return false;
                ++replaced;
                if (n == v[r].Last)
                    break;
            }
        }
        tried += v[r].At - v[l].At;
        if (tried > oldLength / 2)
            return false;
        holder = std::make_unique<THtmlTag>(parent->TagId());
        parser = std::make_unique<THtmlParser>(text.utf16(), text.size(), options);
        inner.clear();
        parser->RecordInto(inner);
        // A text kept beside the part may have lost blanks to a writing of the tree since it was read (the
        // writer trims the edges of a paragraph's text in the tree itself): the part must take it in, or
        // what the part puts beside it (words after an anchor that was empty) would leave it trimmed.
        if (parser->RunPart(holder.get(), open, v[l], v[r].At + delta, v[r]) &&
            !TextBesidePart(v[r].Last ? v[r].Last->NextSibling() : parent->FirstChild(), parent, true) &&
            !TextBesidePart(v[l].Last, parent, false) && !StrayTablePart(parent, first, replaced) &&
            !StrayTablePart(parent, holder->FirstChild(), holder->ChildCount()))
            break;
        if (tries == 2 || parent == points.Body)
            return false;
        // The element around: its first point after lies past this one.
        highest = low - 1;
    }
    const THtmlReadPoint from = v[l];
    const THtmlReadPoint to = v[r];
    const qsizetype stop = to.At + delta;
    // An element left without children would have been dropped by a whole read.
    if (parent->ChildCount() - replaced + holder->ChildCount() == 0)
        return false;
    ForgetDropped(inner, parser->Dropped());

    THtmlNode* newLast = holder->LastChild() ? holder->LastChild() : from.Last;
    THtmlNode* oldLast = to.Last;
    for (int i = 0; i < replaced; ++i) {
        THtmlNode* next = first->NextSibling();
        parent->Remove(first);
        delete first;
        first = next;
    }
    // The new nodes come from a stand-in out of the tree, so none can hold the place they go to: they are
    // linked in without the climb to the root that a move checks that with.
    THtmlNode* before = from.Last ? from.Last->NextSibling() : parent->FirstChild();
    while (THtmlNode* child = holder->FirstChild()) {
        holder->Remove(child);
        if (before)
            before->AddBefore(child);
        else
            parent->Add(child);
    }

    // The points: those before the part stay, those read in it come in between, those after it move by
    // the change of length; all in place, the list being as long as the body has tags.
    const size_t keepBefore = size_t(std::upper_bound(v.begin(), v.end(), from.At,
                                                      [](qsizetype at, const THtmlReadPoint& p) { return at < p.At; }) -
                                     v.begin());
    const size_t keepFrom = size_t(std::lower_bound(v.begin(), v.end(), to.At,
                                                    [](const THtmlReadPoint& p, qsizetype at) { return p.At < at; }) -
                                   v.begin());
    size_t kept = 0;
    for (THtmlReadPoint point : inner) {
        if (point.At <= from.At || point.At >= stop)
            continue;
        if (point.Parent == holder.get()) {
            point.Parent = parent;
            if (!point.Last)
                point.Last = from.Last;
        }
        inner[kept++] = point;
    }
    inner.resize(kept);
    for (size_t k = keepFrom; k < v.size(); ++k) {
        THtmlReadPoint& point = v[k];
        point.At += delta;
        if (point.Parent == parent && point.Last == oldLast)
            point.Last = newLast;
    }
    const size_t room = keepFrom - keepBefore;
    const size_t over = std::min(room, inner.size());
    std::copy(inner.begin(), inner.begin() + qsizetype(over), v.begin() + qsizetype(keepBefore));
    if (inner.size() < room)
        v.erase(v.begin() + qsizetype(keepBefore + over), v.begin() + qsizetype(keepFrom));
    else
        v.insert(v.begin() + qsizetype(keepFrom), inner.begin() + qsizetype(over), inner.end());
    points.TextLength = text.size();
    return true;
}

std::unique_ptr<THtmlRoot> ParseHtml(QIODevice& stream)
{
    const QByteArray bytes = stream.readAll();
    const qsizetype n = bytes.size() / 2;
    QString text(n, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.constData(), n, text.data());
    return ParseHtml(QStringView(text));
}
