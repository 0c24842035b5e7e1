// The writer: a node tree into HTML text, laid out for a reader of the source or, unformatted, for the engine.
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
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// ---------------------------------------------------------------------------------------------------------
// The writer

namespace {

// How characters that the set written for does not hold are written where references are not decoded by
// the reader of that text.
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

// The HTML 4.01 declarations by kind: the public identifier, and the system identifier on a line of its own.
struct TDocTypeLine
{
    QStringView Public;
    QStringView System;
};
constexpr TDocTypeLine DocTypeLines[] = {
    {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"", u"\r\n \"http://www.w3.org/TR/html4/loose.dtd\""},
    {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"", u"\r\n \"http://www.w3.org/TR/html4/strict.dtd\""},
    {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\"", u"\r\n \"http://www.w3.org/TR/html4/frameset.dtd\""},
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

// Without a character set, the text is narrowed to one byte per unit: every character above 255 is escaped.
const TWriteCharset& NarrowedCharset()
{
    class TNarrowed final : public TWriteCharset
    {
    public:
        TNarrowed() : TWriteCharset(0x100, 0xFFFF, false) {}
        bool Holds(char32_t) const override { return false; }
    };
    static const TNarrowed narrowed;
    return narrowed;
}

// The first unit from s on that the writer looks at (from `from` to `to`, or a double quote with quotes), or e.
inline const char16_t* FindEscaped(const char16_t* s, const char16_t* e, bool quotes, char16_t from, char16_t to)
{
#if defined(__SSE2__)
    // Without quotes, the unit compared is one of the range, which the range test finds anyway.
    const __m128i quote = _mm_set1_epi16(short(quotes ? u'"' : from));
    const __m128i first = _mm_set1_epi16(short(from)), span = _mm_set1_epi16(short(to - from));
    while (e - s >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        // v - from, unsigned, is at most to - from exactly for the units of the range.
        const __m128i inRange = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, first), span), _mm_setzero_si128());
        if (const int mask = _mm_movemask_epi8(_mm_or_si128(inRange, _mm_cmpeq_epi16(v, quote))))
            return s + __builtin_ctz(unsigned(mask)) / 2;
        s += 8;
    }
#endif
    while (s < e && char16_t(*s - from) > char16_t(to - from) && !(quotes && *s == u'"'))
        ++s;
    return s;
}

bool IsRawId(int id)
{
    return id >= TAG_ASP && id <= TAG_UNKNOWN;
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

    // What the writer gathers in its own string before it hands it to the stream.
    static constexpr qsizetype FlushSize = 1 << 16;

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
        // Grown as a whole by half again at least; the characters past FSize are not yet written. The
        // writer's own string is flushed to the stream once it holds FlushSize units: it starts that large
        // with room for one more piece, so it seldom grows (each growth may copy it whole).
        const qsizetype first = FText == &FOwn ? FlushSize + (1 << 12) : (1 << 12);
        FText->resize(std::max<qsizetype>({FSize + n, FText->size() + FText->size() / 2, FStart + first}));
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
    explicit THtmlWriter(QIODevice* device, QString* text = nullptr, unsigned options = woNone,
                         const TWriteCharset* charset = nullptr)
        : FDevice(device), FNames(NameTables()), FOut(device ? nullptr : text),
          FCharset(charset ? *charset : NarrowedCharset()), FLookFrom(FCharset.LookFrom), FLookTo(FCharset.LookTo),
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
                FlushIfFull(TOutBuffer::FlushSize);
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

    // Appends text with what the character set does not hold escaped the given way; with quotes, a double
    // quote becomes "&quot;" (attribute values).
    void AppendEscaped(QStringView text, TEscape escape, bool quotes)
    {
        const QChar* s = text.data();
        const QChar* e = s + text.size();
        while (s < e) {
            const QChar* run = s;
            s = reinterpret_cast<const QChar*>(FindEscaped(reinterpret_cast<const char16_t*>(s),
                                                           reinterpret_cast<const char16_t*>(e), quotes, FLookFrom,
                                                           FLookTo));
            if (s > run)
                FOut.Append(run, s - run);
            if (s >= e)
                break;
            if (s->unicode() == u'"') {
                FOut.Append(u"&quot;");
                ++s;
                continue;
            }
            const QChar* next = s;
            const char32_t code = NextCodePoint(next, e);
            if (FCharset.Holds(code)) {
                FOut.Append(s, next - s);
                s = next;
                continue;
            }
            switch (escape) {
            case esReference:
                FOut.AppendEntity(code);
                s = next;
                break;
            case esScript:
                // One escape per UTF-16 unit, as the language counts them.
                for (; s < next; ++s) {
                    const char16_t c = s->unicode();
                    const char16_t buf[6] = {u'\\', u'u', HexDigits[c >> 12], HexDigits[(c >> 8) & 15],
                                             HexDigits[(c >> 4) & 15], HexDigits[c & 15]};
                    FOut.Append(reinterpret_cast<const QChar*>(buf), 6);
                }
                break;
            case esStyle: {
                const char32_t c = code;
                s = next;
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
            const TDocTypeLine& line = DocTypeLines[kind >= 0 && kind <= 2 ? kind : 0];
            const qsizetype start = BeginPut(true);
            FOut.Append(line.Public);
            // Without it, as the page had it, a browser shows the page in the mode it showed it before.
            if (!doctype || doctype->HasSystemId())
                FOut.Append(line.System);
            FOut.Append(u'>');
            EndPut(start);
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
                if (u <= 0x9F && FCharset.TextControls && FCharset.Holds(u)) {
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

    static bool IsAllBlank(QStringView text)
    {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return IsBlank(c.unicode()); });
    }

    // Blanks and control characters alone: trimming at a block's edge drops them.
    static bool IsTrimmedAway(QStringView text)
    {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 33; });
    }

    static bool HasTextChild(const THtmlTag* e)
    {
        for (THtmlNode* c = e->FirstChild(); c; c = c->NextSibling())
            if (c->TagId() == TAG_TEXT)
                return true;
        return false;
    }

    // An element whose content is written as it stands (pre, textarea, script, style) or that shows whole: the
    // search for an element's outer text ends at it. A pre left out (emptied of blocks the reader drops) is
    // no such element: the text before it is the edge of the line.
    bool KeptAsWritten(THtmlNode* node)
    {
        const int id = node->TagId();
        if (node->NodeClass() != THtmlNode::ncTag)
            return false;
        const auto* e = static_cast<const THtmlTag*>(node);
        return (id == TAG_PRE && !WritesNothing(e)) || id == TAG_TEXTAREA || id == TAG_SCRIPT || id == TAG_STYLE ||
               IsShownWhole(e);
    }

    // The text an element's content begins (forward) or ends (backward) with, when nothing that shows
    // stands before it there: only start and end tags of elements with content and comments may. A blank
    // after an image, a field, a line break, a PHP block, an element shown whole or one a style sheet may
    // fill (see MayBeFilled) shows, and text kept as written (pre, textarea, script, style) is never trimmed.
    //
    // On an ordinary page the search ends within a few nodes and walks them plainly, remembering nothing.
    // Only a walk that runs long (a deep nest, thousands of empty tags) is taken again through the memo
    // below, so each element pays a few steps at most before the memo's linear time; once the memo holds
    // something, the plain walk reads it too, and the levels of a nest below a long walk end at once.
    THtmlText* OuterText(THtmlTag* e, bool forward)
    {
        const auto& known = FOuterScans[forward ? 1 : 0];
        const std::size_t blanks = FBlankEdge.size();
        int steps = 0;
        THtmlNode* node = forward ? e->FirstChild() : e->LastChild();
        while (node) {
            if (++steps > PlainWalkSteps) {
                FBlankEdge.resize(blanks);
                return RememberedOuterText(e, forward);
            }
            const int id = node->TagId();
            if (id == TAG_TEXT) {
                auto* text = NodeAs<THtmlText>(node);
                if (!IsTrimmedAway(text->TextView()))
                    return text;
                FBlankEdge.push_back(text);
            } else if (KeptAsWritten(node)) {
                return nullptr;
            } else if (id > 0 && id < TagCount && (FlagTable().Flags[id] & tfEnd) &&
                       node->NodeClass() == THtmlNode::ncTag) {
                const auto it = known.empty() ? known.end() : known.find(static_cast<THtmlTag*>(node));
                if (it != known.end()) {
                    if (it->second.Found)
                        return it->second.Text;
                } else if (THtmlNode* inner = forward ? node->FirstChild() : node->LastChild()) {
                    node = inner;
                    continue;
                } else if (MayBeFilled(node)) {
                    return nullptr;
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

    // Nested elements share their outer text ("<li><ul><li>a" begins with "a" three times over): what each
    // element's content was found to begin or end with is remembered for the rest of the writing, so a
    // deep nest is looked through once rather than once per level. Trimming changes no node, so what was
    // found stays right.
    struct TScanFrame
    {
        THtmlTag* Element;
        THtmlNode* Next;
    };
    struct TEmptyFrame
    {
        const THtmlTag* Element;
        const THtmlNode* Next;
        unsigned char Found;
    };
    struct TOuterScan
    {
        THtmlText* Text; // the text found, or null where something that shows stands first
        bool Found;      // false: the content holds nothing that shows, the search goes on after it
    };

    THtmlText* RememberedOuterText(THtmlTag* e, bool forward)
    {
        auto& known = FOuterScans[forward ? 1 : 0];
        std::vector<TScanFrame>& stack = FScanStack;
        stack.clear();
        stack.push_back({e, forward ? e->FirstChild() : e->LastChild()});
        TOuterScan result{nullptr, false};
        // Ends every element on the stack with the result (the innermost first), remembering all but e.
        const auto finish = [&](TOuterScan scan) {
            for (std::size_t i = stack.size(); i-- > 1;)
                known[stack[i].Element] = scan;
            stack.clear();
            result = scan;
        };
        while (!stack.empty()) {
            TScanFrame& f = stack.back();
            THtmlNode* node = f.Next;
            if (!node) {
                // Nothing that shows in this element: the search goes on after it in its parent.
                if (stack.size() > 1)
                    known[f.Element] = {nullptr, false};
                stack.pop_back();
                continue;
            }
            f.Next = forward ? node->NextSibling() : node->PrevSibling();
            const int id = node->TagId();
            if (id == TAG_TEXT) {
                // Blanks alone go with the edge, and the edge goes on past them: "x <!-- c --> </p>" ends
                // with "x", or a second writing would trim what the first left. So do control characters
                // alone, which trimming drops as it drops blanks ("x <!-- c -->\x01</p>").
                auto* text = NodeAs<THtmlText>(node);
                if (IsTrimmedAway(text->TextView())) {
                    FBlankEdge.push_back(text);
                    continue;
                }
                finish({text, true});
                break;
            }
            if (KeptAsWritten(node)) {
                finish({nullptr, true});
                break;
            }
            if (id > 0 && id < TagCount && TagHasEndTag(id) && node->NodeClass() == THtmlNode::ncTag) {
                THtmlNode* inner = forward ? node->FirstChild() : node->LastChild();
                if (!inner && MayBeFilled(node)) {
                    finish({nullptr, true});
                    break;
                }
                if (!inner)
                    continue;
                auto* element = static_cast<THtmlTag*>(node);
                if (const auto it = known.find(element); it != known.end()) {
                    if (it->second.Found) {
                        finish(it->second);
                        break;
                    }
                    continue;
                }
                stack.push_back({element, inner});
            } else if (id != TAG_COMMENT) {
                finish({nullptr, true});
                break;
            }
        }
        return result.Text;
    }

    // The own-line form's trimming of the outer blanks of an element's text, in the tree itself.
    void TrimOwnLineText(THtmlTag* e)
    {
        FBlankEdge.clear();
        if (THtmlText* first = OuterText(e, true))
            first->TrimStart();
        if (THtmlText* last = OuterText(e, false))
            last->TrimEnd();
        for (THtmlText* blanks : FBlankEdge)
            blanks->TrimEnd();
    }

    // An element of the kind the reader drops when it is empty, without attributes.
    static bool MayBeDropped(const THtmlNode* n)
    {
        return InTagSet(n->TagId(), tsDropWhenEmpty) && n->NodeClass() == THtmlNode::ncTag &&
               static_cast<const THtmlTag*>(n)->AttributeCount() == 0;
    }

    // Inside a pre, where every blank shows, an element the reader drops when empty is left out only where
    // it holds nothing but more such elements: "<pre>x<del><p></p></del></pre>" reads back without the
    // deletion, which the reader empties of the paragraph it drops. A long look gives up: it is written.
    static bool HoldsOnlyDropped(const THtmlTag* e)
    {
        int steps = 0;
        for (const THtmlNode* n = e->GetNextNode(nullptr); n; n = e->GetNextNode(n))
            if (!MayBeDropped(n) || ++steps > PlainWalkSteps)
                return false;
        return true;
    }

    // What is found of an element's content, bottom up.
    enum : unsigned char {
        ecClean = 1,        // only blanks and elements that may be dropped, and no text below a pre
        ecText = 2,         // some text
        ecNonEmptyText = 4, // some text that is not empty
    };

    // An element the reader drops when it is empty, without attributes and holding nothing but blanks and
    // more such elements: the reader would drop it (or what empties it) on the next read, so it is left
    // out now, and the next save writes the same bytes ("<div><div></div></div>", "<p> </p>").
    // As for the outer text, a short look is a plain walk and a long one goes through the memo below.
    bool WritesNothing(const THtmlTag* e) { return MayBeDropped(e) && ContentWritesNothing(e); }

    // Whether what e holds is all left out, e being an element that may be dropped. Every element asks
    // WritesNothing, most of them of a kind that is never dropped: they are answered without a call here.
    bool ContentWritesNothing(const THtmlTag* e)
    {
        int steps = 0;
        int pres = 0; // pre elements around the node, below e: blanks show inside them
        bool nonEmptyText = false;
        const THtmlNode* n = e->FirstChild();
        while (n) {
            if (++steps > PlainWalkSteps)
                return RememberedWritesNothing(e);
            if (n->TagId() == TAG_TEXT) {
                const auto* text = NodeAs<THtmlText>(const_cast<THtmlNode*>(n));
                if (!text || pres > 0 || !IsAllBlank(text->TextView()))
                    return false;
                nonEmptyText = nonEmptyText || !text->TextView().isEmpty();
            } else if (!MayBeDropped(n)) {
                return false;
            } else if (const auto it = FEmptyScans.empty() ? FEmptyScans.end()
                                                           : FEmptyScans.find(static_cast<const THtmlTag*>(n));
                       it != FEmptyScans.end()) {
                // Blanks show inside pre, this one's or one around it.
                if (!(it->second & ecClean) || ((pres > 0 || n->TagId() == TAG_PRE) && (it->second & ecText)))
                    return false;
                nonEmptyText = nonEmptyText || (it->second & ecNonEmptyText);
            } else if (n->FirstChild()) {
                pres += n->TagId() == TAG_PRE;
                n = n->FirstChild();
                continue;
            }
            while (n != e && !n->NextSibling()) {
                n = n->Parent();
                pres -= n != e && n->TagId() == TAG_PRE;
            }
            if (n == e)
                break;
            n = n->NextSibling();
        }
        return !(e->TagId() == TAG_PRE && nonEmptyText);
    }

    // Elements nested inside one another all ask: what each element below the one asked about was found
    // to hold is remembered for the rest of the writing, so a deep nest is looked through once.
    bool RememberedWritesNothing(const THtmlTag* e)
    {
        auto& known = FEmptyScans;
        if (const auto it = known.find(e); it != known.end())
            return Dropped(e, it->second);
        std::vector<TEmptyFrame>& stack = FEmptyStack;
        stack.clear();
        stack.push_back({e, e->FirstChild(), ecClean});
        while (!stack.empty()) {
            TEmptyFrame& f = stack.back();
            const THtmlNode* n = f.Next;
            unsigned char found = 0;
            if (!n) {
                found = f.Found;
                const THtmlTag* done = f.Element;
                stack.pop_back();
                if (stack.empty())
                    return Dropped(e, found);
                known[done] = found;
                if (!(found & ecClean) || (done->TagId() == TAG_PRE && (found & ecText)))
                    found = 0; // blanks show inside pre
            } else {
                f.Next = n->NextSibling();
                if (n->TagId() == TAG_TEXT) {
                    const auto* text = NodeAs<THtmlText>(const_cast<THtmlNode*>(n));
                    const QStringView view = text ? text->TextView() : QStringView();
                    if (text && IsAllBlank(view))
                        found = ecClean | ecText | (view.isEmpty() ? 0 : ecNonEmptyText);
                } else if (MayBeDropped(n)) {
                    const auto* element = static_cast<const THtmlTag*>(n);
                    if (const auto it = known.find(element); it != known.end()) {
                        found = it->second;
                        if (!(found & ecClean) || (element->TagId() == TAG_PRE && (found & ecText)))
                            found = 0;
                    } else {
                        stack.push_back({element, element->FirstChild(), ecClean});
                        continue;
                    }
                }
            }
            if (!(found & ecClean)) {
                // Whatever stands in the way stands in the way of every element around it too.
                for (std::size_t i = stack.size(); i-- > 1;)
                    known[stack[i].Element] = 0;
                return false;
            }
            stack.back().Found |= found;
        }
        return false;
    }

    // Whether an element that may be dropped and whose content holds found writes nothing.
    static bool Dropped(const THtmlTag* e, unsigned char found)
    {
        return (found & ecClean) && !(e->TagId() == TAG_PRE && (found & ecNonEmptyText));
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
            if (MayBeDropped(e) && HoldsOnlyDropped(e))
                return;
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
        // Children that are all left out leave the element as written empty: "<body><h1><p></h1>" is written
        // as "<body></body>", as the next read of it is.
        bool hasChildren = false;
        for (THtmlNode* c = e->FirstChild(); c && !hasChildren; c = c->NextSibling())
            hasChildren = c->NodeClass() != THtmlNode::ncTag || !WritesNothing(static_cast<const THtmlTag*>(c));
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
    const TWriteCharset& FCharset;
    const char16_t FLookFrom, FLookTo; // the charset's, at hand for every attribute value
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
    // Nodes a look at an element's content walks plainly before it goes through the memo instead.
    static constexpr int PlainWalkSteps = 64;
    // What OuterText (backward, forward) and WritesNothing found for the elements below those asked about.
    std::array<std::unordered_map<const THtmlTag*, TOuterScan>, 2> FOuterScans;
    std::vector<TScanFrame> FScanStack;
    std::vector<THtmlText*> FBlankEdge; // texts of blanks alone met at an edge by OuterText
    std::unordered_map<const THtmlTag*, unsigned char> FEmptyScans;
    std::vector<TEmptyFrame> FEmptyStack;
};

} // namespace

bool WriteHtmlDocument(QIODevice& stream, THtmlRoot* root, const TWriteCharset* charset)
{
    if (!root)
        return false;
    THtmlWriter writer(&stream, nullptr, woNone, charset);
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

void AppendHtmlNode(QString& text, THtmlNode* node, unsigned options, const TWriteCharset* charset)
{
    if (!node)
        return;
    THtmlWriter writer(nullptr, &text, options, charset);
    writer.WriteNode(node);
}

void AppendHtmlDocument(QString& text, THtmlRoot* root, const TWriteCharset* charset)
{
    if (!root)
        return;
    THtmlWriter writer(nullptr, &text, woNone, charset);
    for (THtmlNode* child = root->FirstChild(); child; child = child->NextSibling())
        writer.WriteNode(child);
}
