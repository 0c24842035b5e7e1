#pragma once
// Reading HTML source text into the node tree and writing the tree back as source text, plus the small
// text operations on trees built on the writer (HTML text of a node, plain text, path search).
//
// Streams carry UTF-16LE text without a byte-order mark, two bytes per character.
//
// The parser is forgiving: it rejects nothing but an unterminated comment ("Unterminated Comment") or PHP
// or ASP block ("Unterminated Script"), raised as Exception; it always provides html, head and body when
// content needs them, keeps markup it does not know as raw text, collapses blanks in ordinary text and
// decodes no character reference (a bare "<" is held as "&lt;"). script and style keep their code as read.
//
// The writer writes lower-case tags, attributes in stored order, two blanks of indentation per container
// level, CR LF line ends, ordinary text wrapped before column 80 and every character from 128 up in ordinary
// text as a character reference. Elsewhere only what the character set the text is written for cannot hold
// is escaped (see TWriteCharset; without one, what the later narrowing to one byte per character would
// destroy): such characters in attribute values, pre and textarea text, comments and raw tags become
// references, in script and style code the language's own escape; a double quote in an attribute value
// becomes "&quot;".
#include "HtmlNodes.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class QIODevice;

// Parses the rest of the stream (from its current position; a final odd byte is ignored).
std::unique_ptr<THtmlRoot> ParseHtml(QIODevice& stream);
// Parses text already in memory.
std::unique_ptr<THtmlRoot> ParseHtml(QStringView text);
// The same with options: poEmptyFlagsAreBare reads a flag attribute written with an empty value
// (selected="", checked="", as the browser engine writes flags) as the bare flag.
enum TParseOption : unsigned { poNone = 0, poEmptyFlagsAreBare = 1 };
std::unique_ptr<THtmlRoot> ParseHtml(QStringView text, unsigned options);

// A place between two tags of the body where the reader stood: the offset in the text, the element it was
// in, that element's child read last (null for none yet) and the two switches that steer how the text
// after it is read. The state of the reader there is all of that, so reading from such a place on gives
// what reading the whole text gave from it on.
struct THtmlReadPoint
{
    qsizetype At;
    THtmlTag* Parent;
    THtmlNode* Last;
    bool Trim;
    bool InPre;
};

// The read points of a body, in the order of the text, with the length of that text.
struct THtmlReadPoints
{
    std::vector<THtmlReadPoint> Points;
    THtmlTag* Body = nullptr;
    qsizetype TextLength = 0;

    void Clear() { Points.clear(); Body = nullptr; TextLength = 0; }
    // The body's children have moved (all of them, unchanged) into To.
    void MoveBody(THtmlTag* To);
};

// ParseHtml that also records the read points of the body of the tree it answers.
std::unique_ptr<THtmlRoot> ParseHtml(QStringView text, unsigned options, THtmlReadPoints& points);
// Brings the body that points were recorded on up to date with text, an edit of the text read then that
// kept its first keepStart and its last keepEnd units: what lies between the read points around the
// change is read again and takes the place of the nodes read there before. True when done; false, with
// nothing changed, when that part does not read back into the same place (or raises), so the whole text
// is to be read instead. A writing of the tree between two edits may trim the texts beside the next part
// (see WriteHtmlNode): a part with such a text beside it takes in the element around, or is not read.
bool ReparseHtmlBody(QStringView text, qsizetype keepStart, qsizetype keepEnd, unsigned options,
                     THtmlReadPoints& points);

// The character set a text is written for, as far as the writer needs to know it. A character the set holds
// stands as itself in attribute values, pre and textarea text, comments, raw tags, scripts and styles, where a
// reference would not be read as the character or would change what the page does (a link's address, a
// template's text). Ordinary text keeps its references, apart from the characters U+0080 to U+009F with
// TextControls: a reference to one of those is read as the Windows-1252 character of that byte, so one the
// set holds stands as itself there too.
class TWriteCharset
{
public:
    TWriteCharset(char16_t lookFrom, char16_t lookTo, bool textControls)
        : LookFrom(lookFrom), LookTo(lookTo), TextControls(textControls)
    {
    }
    virtual ~TWriteCharset() = default;

    // Whether the character stands as itself; asked only of characters that begin with a unit from LookFrom
    // to LookTo (a pair of surrogates is asked as one character, a lone one as itself). Every other unit
    // stands as itself.
    virtual bool Holds(char32_t c) const = 0;

    const char16_t LookFrom;
    const char16_t LookTo;
    const bool TextControls;
};

// Writes every child of the root in order; false, writing nothing, when root is null, and false when the
// stream refused any of the output. Without a character set, what narrowing to one byte would destroy is
// escaped.
bool WriteHtmlDocument(QIODevice& stream, THtmlRoot* root, const TWriteCharset* charset = nullptr);
// Writes one node with its subtree, starting at indentation 0; false when the stream refused any of the
// output. Writing trims the outer blanks of the text of blocks that stand on a line of their own, in the
// tree itself.
bool WriteHtmlNode(QIODevice& stream, THtmlNode* node);

// Splits text into words and runs of blanks (TAB, LF, CR, space). Mode 0 decodes character references in
// words; mode 1 writes characters from 128 up as references (a pair of surrogates as one reference).
class TWordBreaker
{
public:
    enum TMode : unsigned char { wbDecode = 0, wbEncode = 1 };
    enum TTokenKind : unsigned char { tkBlank = 0, tkWord = 1 };

    explicit TWordBreaker(TMode mode);

    void SetText(const QString& text);
    // False when the text is used up; otherwise the next token is in Token() and TokenKind(). A run of
    // blanks comes back as the single space " ".
    bool NextToken();

    const QString& Token() const { return FToken; }
    TTokenKind TokenKind() const { return FTokenKind; }

private:
    TMode FMode;
    QString FText;
    qsizetype FPosition = 0;
    TTokenKind FTokenKind = tkBlank;
    QString FToken;
};

// Exactly what WriteHtmlNode writes for the node, as a string.
QString HtmlNodeToText(THtmlNode* node);
// The same appended to text (grown as needed, so a caller that reserves room spares the copies).
// woUnformatted leaves out what only serves a reader of the text: no indentation, no wrapping of long
// lines (a blank stays a blank), and each line end a bare LF. Line ends stand where they stand in the
// formatted text, so an engine reads the same nodes from both, and the tree is trimmed the same way.
enum TWriteOption : unsigned { woNone = 0, woUnformatted = 1 };
void AppendHtmlNode(QString& text, THtmlNode* node, unsigned options = woNone, const TWriteCharset* charset = nullptr);
// What WriteHtmlDocument writes for the document, appended to text; nothing when root is null.
void AppendHtmlDocument(QString& text, THtmlRoot* root, const TWriteCharset* charset = nullptr);
// The plain text of the node's subtree: words with references decoded, runs of blanks as one space, CR LF
// at br and hr, a blank line between blocks; trimmed at both ends.
QString GetNodePlainText(const THtmlNode* node);
// The text between the start tag and the end tag of an element's outer HTML (trimmed first); text that
// does not begin with "<" comes back trimmed.
QString StripOuterTag(const QString& text);
// The element named by a dotted path such as "body.table[1].tr[0]": the first step is searched anywhere
// below the root, each further step among the direct children (index 0-based, 0 when missing); null when
// any step finds nothing.
THtmlTag* FindNodeByPath(const THtmlTag* root, const QString& path);
