#include "SafeSave.h"
#include "HtmlFilter.h"

#include "AsciiCase.h"

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlConv.h"
#include "HtmlEncode.h"
#include "HtmlEntities.h"
#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <limits>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the parser and writer streams hold UTF-16LE in host order");

namespace {

const QString TransGif = QStringLiteral("edit:trans.gif");
const QString ReportHandlerText = QStringLiteral("external.Report(this);");

// The placeholders' pictures and their sizes: each is drawn as the background of an empty inline block
// that the engine cannot edit into. An img would show the same, but every img standing before the place
// edited makes the engine's editing commands slower, and a large page holds thousands of placeholders.
struct TPlaceholderPicture
{
    const char* Kind;
    int Width;
};
constexpr TPlaceholderPicture PlaceholderPictures[] = {
    {"anchor", 14},   {"asp", 30},      {"basefont", 22}, {"bgsound", 30},  {"comment", 30},
    {"embed", 30},    {"hidden", 30},   {"isindex", 30},  {"map", 30},      {"noframes", 30},
    {"noscript", 30}, {"php", 30},      {"script", 22},   {"scriptfile", 30}, {"unknown", 30}};
constexpr int PlaceholderHeight = 16;

THtmlTag* AsTag(THtmlNode* node)
{
    return node && node->NodeClass() == THtmlNode::ncTag ? static_cast<THtmlTag*>(node) : nullptr;
}

const THtmlTag* AsTag(const THtmlNode* node)
{
    return node && node->NodeClass() == THtmlNode::ncTag ? static_cast<const THtmlTag*>(node) : nullptr;
}

THtmlText* AsText(THtmlNode* node)
{
    return node && node->TagId() == TAG_TEXT && node->NodeClass() == THtmlNode::ncText ? static_cast<THtmlText*>(node)
                                                                                       : nullptr;
}

QStringView AttributeOf(const THtmlNode* node, int attr)
{
    const THtmlTag* tag = AsTag(node);
    return tag ? tag->AttributeView(attr) : QStringView();
}

// Sets attr of dest to source's value, keeping a bare attribute bare, a written "TRUE" written and a value
// written empty (alt="") written. False, changing nothing, when source lacks it or holds only an entry set
// empty, which is never written.
bool CopyPresentAttribute(THtmlTag* dest, const THtmlTag* source, int attr)
{
    const int count = source->AttributeCount();
    for (int i = 0; i < count; ++i) {
        if (source->GetAttributeId(i) != attr)
            continue;
        if (source->IsAttributeValueless(i)) {
            dest->SetValuelessAttribute(attr);
            return true;
        }
        const QString value = source->GetAttributeValue(i);
        if (value.isEmpty() && !source->IsAttributeWrittenEmpty(i))
            return false;
        dest->SetExplicitAttribute(attr, value);
        return true;
    }
    return false;
}

// The same by the set-attribute rule: one that source lacks is set to the empty value.
void CopyAttribute(THtmlTag* dest, const THtmlTag* source, int attr)
{
    if (!CopyPresentAttribute(dest, source, attr))
        dest->SetAttribute(attr, QString());
}

// CopyAttribute of each, except that an attribute source lacks is removed rather than set empty: neither is
// written, and this way needs no empty entry. For elements whose attribute order past these does not
// matter (design elements, and kept images, image buttons and tables, which are only read by name).
void TakeAttributes(THtmlTag* dest, const THtmlTag* source, std::initializer_list<int> attrs)
{
    for (int attr : attrs)
        if (!CopyPresentAttribute(dest, source, attr))
            dest->RemoveAttribute(attr);
}

bool IsRawKind(int id)
{
    return id >= TAG_ASP && id <= TAG_UNKNOWN; // ASP, PHP, comment, unrecognised tag
}

// The nearest link (an a element) around node, or null. above: what the long climbs asked before found
// for the elements they passed, so that the anchors of a deep nest are not each looked up through all of
// it; a short climb (most pages) remembers nothing.
THtmlNode* EnclosingLink(const THtmlNode* node, std::unordered_map<const THtmlNode*, THtmlNode*>& above)
{
    int steps = 0;
    for (THtmlNode* p = node->Parent(); p && ++steps <= 64; p = p->Parent()) {
        if (p->TagId() == TAG_A && AsTag(p))
            return p;
        if (!p->Parent())
            return nullptr;
    }
    std::vector<const THtmlNode*> climbed;
    THtmlNode* found = nullptr;
    for (THtmlNode* p = node->Parent(); p; p = p->Parent()) {
        if (p->TagId() == TAG_A && AsTag(p)) {
            found = p;
            break;
        }
        if (const auto known = above.find(p); known != above.end()) {
            found = known->second;
            break;
        }
        climbed.push_back(p);
    }
    for (const THtmlNode* p : climbed)
        above[p] = found;
    return found;
}

// The picture of the placeholder that stands for node, or null when node is shown as itself.
const char* PlaceholderKind(const THtmlNode* node)
{
    switch (node->TagId()) {
    case TAG_COMMENT: return "comment";
    case TAG_PHP: return "php";
    case TAG_ASP: return "asp";
    case TAG_UNKNOWN: return "unknown";
    case TAG_SCRIPT: return AttributeOf(node, ATTR_SRC).isEmpty() ? "script" : "scriptfile";
    case TAG_MAP: return "map";
    case TAG_EMBED: return "embed";
    case TAG_ISINDEX: return "isindex";
    case TAG_BASEFONT: return "basefont";
    case TAG_NOSCRIPT: return "noscript";
    case TAG_NOFRAMES: return "noframes";
    case TAG_BGSOUND: return "bgsound";
    case TAG_INPUT: return SameText(AttributeOf(node, ATTR_TYPE), QLatin1StringView("hidden")) ? "hidden" : nullptr;
    case TAG_A: return AttributeOf(node, ATTR_NAME).isEmpty() ? nullptr : "anchor";
    default: return nullptr;
    }
}

// Whether a kept node can be what a design img stands for: a kept image or image button, or the source
// of a placeholder, an applet, a marquee or an object. Anything else (a kept table or body behind a
// pasted id) is not.
bool KeptFitsImage(const THtmlNode* kept)
{
    const int id = kept->TagId();
    if (IsRawKind(id) || id == TAG_TEXT)
        return dynamic_cast<const THtmlText*>(kept) != nullptr;
    if (!AsTag(kept))
        return false;
    switch (id) {
    case TAG_IMG: case TAG_INPUT: case TAG_A: case TAG_SCRIPT: case TAG_MAP: case TAG_EMBED: case TAG_ISINDEX:
    case TAG_BASEFONT: case TAG_NOSCRIPT: case TAG_NOFRAMES: case TAG_BGSOUND: case TAG_APPLET:
    case TAG_MARQUEE: case TAG_OBJECT:
        return true;
    default:
        return false;
    }
}

// Whether a kept node can be what a placeholder span stands for: the source of a placeholder, which
// comes back whole. Pictures and the sized stand-ins (applet, marquee, object) are img elements.
bool KeptFitsPlaceholder(const THtmlNode* kept)
{
    const int id = kept->TagId();
    if (!KeptFitsImage(kept) || id == TAG_IMG || id == TAG_APPLET || id == TAG_MARQUEE || id == TAG_OBJECT)
        return false;
    return id != TAG_INPUT || !SameText(AttributeOf(kept, ATTR_TYPE), QLatin1StringView("image"));
}

// The engine gives every table a tbody. Where the user's table had none, an attribute-less tbody is the
// engine's, not the user's: its rows move up into the table and the tbody goes.
bool IsAddedRowGroup(const THtmlNode* node)
{
    const THtmlTag* group = node->TagId() == TAG_TBODY ? AsTag(node) : nullptr;
    return group && group->AttributeCount() == 0;
}

void UnwrapAddedRowGroups(THtmlTag* table)
{
    THtmlNode* child = table->FirstChild();
    while (child) {
        THtmlNode* next = child->NextSibling();
        if (IsAddedRowGroup(child)) {
            while (THtmlNode* row = child->FirstChild())
                child->InsertBefore(row);
            table->Remove(child);
            delete child;
        }
        child = next;
    }
}

// A deep copy of a kept node (a text or an element with its subtree).
THtmlNode* CopyOf(const THtmlNode* kept)
{
    if (kept->NodeClass() == THtmlNode::ncText)
        return new THtmlText(kept->TagId(), static_cast<const THtmlText*>(kept)->TextView());
    auto* copy = new THtmlTag(kept->TagId());
    copy->Assign(kept);
    return copy;
}

// The next node of a walk of root after node's whole subtree.
THtmlNode* NextAfterSubtree(const THtmlNode* root, const THtmlNode* node)
{
    for (const THtmlNode* p = node; p && p != root; p = p->Parent())
        if (p->NextSibling())
            return p->NextSibling();
    return nullptr;
}

// Text taken from the code view, the tag tree or the engine as a file is read: the character 0, which no
// saved page may hold, as U+FFFD. The copy is made only for a text that holds one, character for
// character, so lengths and places in the text stay as they were.
QStringView WithoutNul(const QString& text, QString& copy)
{
    if (!text.contains(QChar(0)))
        return text;
    copy = text;
    copy.replace(QChar(0), QChar::ReplacementCharacter);
    return copy;
}

std::unique_ptr<THtmlRoot> ParseText(const QString& html)
{
    QString copy;
    return ParseHtml(WithoutNul(html, copy));
}

// The file path a relative address names: character references decoded (attribute values hold them
// undecoded), the query and fragment left out, then %XX escapes decoded as UTF-8.
QString AddressToPath(const QString& address)
{
    QString text;
    text.reserve(address.size());
    for (qsizetype i = 0; i < address.size(); ++i) {
        if (address[i] == u'&') {
            const qsizetype semicolon = address.indexOf(u';', i);
            if (semicolon > i && semicolon - i <= 12) {
                if (const char32_t code = EntityToChar(QStringView(address).mid(i, semicolon - i + 1))) {
                    text += QString::fromUcs4(&code, 1);
                    i = semicolon;
                    continue;
                }
            }
        }
        text += address[i];
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'?' || text[i] == u'#') {
            text.truncate(i);
            break;
        }
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// Markup values written by the builders: a quotation mark, an ampersand or a "<" in a field must not
// break the element.
QString EscapeAttributeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        default: out += c;
        }
    }
    return out;
}

QString AttributeMarkup(const char* name, const QString& value)
{
    return QLatin1String(name) + QLatin1String("=\"") + EscapeAttributeValue(value) + QLatin1String("\" ");
}

// A dialog field as the tools write it: without leading and trailing characters below 33.
QString TrimField(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() < 33)
        ++first;
    while (last > first && text.at(last - 1).unicode() < 33)
        --last;
    return text.mid(first, last - first);
}

// Writes a size or alignment field into the markup and onto the kept node alike.
void PutField(QString& html, THtmlTag* kept, int attr, const char* name, const QString& field)
{
    const QString value = TrimField(field);
    if (value.isEmpty())
        return;
    kept->SetAttribute(attr, value);
    html += AttributeMarkup(name, value);
}

// The class of the design-only box around a matched pair of unknown block tags.
const QLatin1StringView BlockWrapperClass("dsgn_block");

// The block-level elements of newer pages that the reader does not know. Their tags stand as placeholders
// one by one; between a matched pair, inline runs would otherwise sit directly among blocks, which the
// engine's editing commands walk far more slowly than the boxes a browser gives these elements.
bool IsUnknownBlockName(QStringView name)
{
    static const char* const names[] = {"article", "aside",  "details", "dialog", "figcaption",
                                        "figure",  "footer", "header",  "hgroup", "main",
                                        "nav",     "search", "section", "summary"};
    for (const char* known : names)
        if (SameText(name, QLatin1StringView(known)))
            return true;
    return false;
}

// The name of the unknown block tag that raw (a tag as written: "<figure class=x>" or "</figure>") starts
// or ends, end telling which; empty for any other tag, and for one closed in itself ("<figure/>"), which
// has no content to hold.
QStringView UnknownBlockTag(QStringView raw, bool& end)
{
    end = raw.startsWith(QLatin1StringView("</"));
    if (!raw.startsWith(u'<'))
        return {};
    const qsizetype from = end ? 2 : 1;
    qsizetype to = from;
    while (to < raw.size() && raw[to] != u'>' && raw[to] != u'/' && raw[to].unicode() > 32)
        ++to;
    const QStringView name = raw.mid(from, to - from);
    if (!IsUnknownBlockName(name) || (!end && raw.endsWith(QLatin1StringView("/>"))))
        return {};
    return name;
}

// Pairs the unknown block tags among the siblings from start on as a nest pairs them: each end tag with the
// nearest start tag of its name still open. Every start tag met goes into matched with its end tag, or
// with null when nothing closes it. One pass serves a whole nest of such elements, which would otherwise
// each look past all the ones inside them.
void MatchUnknownBlockTags(THtmlNode* start, std::unordered_map<const THtmlNode*, THtmlText*>& matched)
{
    std::vector<std::pair<QStringView, std::vector<THtmlText*>>> open; // by name, at most one per name
    for (THtmlNode* node = start; node; node = node->NextSibling()) {
        if (node->TagId() != TAG_UNKNOWN || node->NodeClass() != THtmlNode::ncText)
            continue;
        auto* text = static_cast<THtmlText*>(node);
        bool end = false;
        const QStringView name = UnknownBlockTag(text->TextView(), end);
        if (name.isEmpty())
            continue;
        auto same = std::find_if(open.begin(), open.end(), [name](const auto& o) { return SameText(o.first, name); });
        if (!end) {
            if (same == open.end())
                same = open.insert(open.end(), {name, {}});
            same->second.push_back(text);
            matched[text] = nullptr;
        } else if (same != open.end() && !same->second.empty()) {
            matched[same->second.back()] = text;
            same->second.pop_back();
        }
    }
}

// The unknown block elements that the engine lays out as blocks by their own name, with nothing hidden:
// on the design page they stand as themselves, so that the document's own rules for them apply as in a
// browser (a page laid out as a grid of its main element is a grid there too). The others keep a
// design-only box: a closed details or dialog would hide its content, and search is unknown to the engine.
} // namespace

bool THtmlFilter::IsShownByOwnName(QStringView name)
{
    static const char* const names[] = {"article", "aside", "figcaption", "figure", "footer",
                                        "header",  "hgroup", "main",      "nav",    "section"};
    for (const char* known : names)
        if (SameText(name, QLatin1StringView(known)))
            return true;
    return false;
}

namespace {

// The attribute that names, on the design page, the kept start tag of an unknown block element shown by
// its own name.
const QLatin1StringView BoxAttribute(" data-dsgn=\"");

// The start tag raw (as written: "<section class='x' hidden>") in the form the engine writes it back when
// nothing changed: the name and the attribute names in lower case, each value in double quotes, a bare
// attribute as name="". Empty where the engine might write it otherwise or the reader might read the
// engine's form otherwise: a value with a reference, a quote, an angle bracket or a no-break space, a name
// given twice, anything left over.
QString EngineStartTag(QStringView raw, QStringView name)
{
    QString tag = QLatin1Char('<') + name.toString().toLower();
    const qsizetype close = raw.size() - 1;
    if (close < 1 || raw[close] != u'>')
        return {};
    QStringList seen;
    const auto blank = [](QChar c) { return c.unicode() <= 32; };
    qsizetype i = 1 + name.size();
    for (;;) {
        while (i < close && blank(raw[i]))
            ++i;
        if (i >= close)
            break;
        const qsizetype nameStart = i;
        while (i < close && !blank(raw[i]) && raw[i] != u'=')
            ++i;
        const QString attribute = raw.mid(nameStart, i - nameStart).toString().toLower();
        for (QChar c : attribute)
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'_' && c != u':' && c != u'.')
                return {};
        if (seen.contains(attribute) || attribute == QLatin1StringView("data-dsgn"))
            return {};
        seen.append(attribute);
        while (i < close && blank(raw[i]))
            ++i;
        QStringView value;
        if (i < close && raw[i] == u'=') {
            ++i;
            while (i < close && blank(raw[i]))
                ++i;
            if (i < close && (raw[i] == u'"' || raw[i] == u'\'')) {
                const QChar quote = raw[i];
                const qsizetype end = raw.indexOf(quote, i + 1);
                if (end < 0 || end >= close)
                    return {};
                value = raw.mid(i + 1, end - i - 1);
                i = end + 1;
                if (i < close && !blank(raw[i]))
                    return {};
            } else {
                const qsizetype start = i;
                while (i < close && !blank(raw[i]))
                    ++i;
                value = raw.mid(start, i - start);
            }
        }
        for (QChar c : value)
            if (c == u'&' || c == u'"' || c == u'\'' || c == u'<' || c == u'>' || c == u'`' || c.unicode() == 0xA0)
                return {};
        tag += QLatin1Char(' ') + attribute + QLatin1String("=\"") + value.toString() + QLatin1Char('"');
    }
    return tag + QLatin1Char('>');
}

// Whether a div among the children of parent stays there when the engine reads the design page, and when
// the edited page is read back: table parts and list boxes move it out, and a div ends a paragraph open
// around it (also through the text-level elements inside it), which would split the user's paragraph.
// reaches: what the climb below found for the elements asked about before, since the elements of a deep
// nest that each hold a pair would otherwise each climb the whole nest.
bool HoldsDesignBlock(const THtmlNode* parent, std::unordered_map<const THtmlNode*, bool>& reaches)
{
    switch (parent->TagId()) {
    case TAG_TABLE: case TAG_THEAD: case TAG_TBODY: case TAG_TFOOT: case TAG_TR: case TAG_COLGROUP:
    case TAG_SELECT: case TAG_OPTGROUP: case TAG_OPTION: case TAG_TEXTAREA:
        return false;
    default:
        break;
    }
    std::vector<const THtmlNode*> climbed;
    bool holds = true;
    for (const THtmlNode* p = parent; p; p = p->Parent()) {
        if (const auto known = reaches.find(p); known != reaches.end()) {
            holds = known->second;
            break;
        }
        const int id = p->TagId();
        if (id == TAG_P) {
            holds = false;
            break;
        }
        // A paragraph outside these is out of the div's reach.
        if (id == TAG_TD || id == TAG_TH || id == TAG_CAPTION || id == TAG_BUTTON || id == TAG_TABLE ||
            id == TAG_BODY || id == TAG_HTML)
            break;
        climbed.push_back(p);
    }
    for (const THtmlNode* p : climbed)
        reaches[p] = holds;
    return holds;
}

// Whether the user gave a design-only box something of its own (the engine's alignment and indent
// commands style the block that holds the paragraph they act on; an inspector may set anything): more
// than its design id, its class and an emptied style.
bool HasOwnAttributes(const THtmlTag* wrapper)
{
    for (int i = 0; i < wrapper->AttributeCount(); ++i) {
        const int attr = wrapper->GetAttributeId(i);
        if (attr == ATTR_ID)
            continue;
        const QStringView value = wrapper->ValueViewAt(i);
        if (attr == ATTR_CLASS && value.trimmed() == BlockWrapperClass)
            continue;
        if (attr == ATTR_STYLE && value.trimmed().isEmpty() && !wrapper->IsAttributeValueless(i))
            continue;
        return true;
    }
    return false;
}

// The user's own div from a design-only box with attributes of its own: its design id and class go.
void MakeOwnBlock(THtmlTag* wrapper)
{
    wrapper->RemoveAttribute(ATTR_ID);
    QStringList classes = wrapper->GetAttribute(ATTR_CLASS).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    classes.removeAll(QString(BlockWrapperClass));
    if (classes.isEmpty())
        wrapper->RemoveAttribute(ATTR_CLASS);
    else
        wrapper->SetAttribute(ATTR_CLASS, classes.join(QLatin1Char(' ')));
}

constexpr int BodyAttributes[] = {ATTR_BACKGROUND, ATTR_BGCOLOR, ATTR_TEXT, ATTR_LINK, ATTR_VLINK,
                                  ATTR_ALINK, ATTR_LEFTMARGIN, ATTR_TOPMARGIN, ATTR_RIGHTMARGIN,
                                  ATTR_BOTTOMMARGIN};

// The page's own attributes of its html or body element as the design page's element carries them, after
// Leading (the design view's own): everything as written, so that the page's style rules for its classes,
// language, direction and style apply as in a browser, except what the design view itself decides. It
// owns contenteditable and inert (whether the page takes the user's input is its to decide) and, on the
// body, the id (the body's design id); the event handlers (onload, onclick, ...) go too, since the design
// page runs none of the page's script and its events are the design view's own. The saved file takes
// these elements' attributes from the source and the kept body, never from the design page.
void SetShownAttributes(THtmlTag* dest, const THtmlTag* source, const TAttributeBuilder& Leading)
{
    TAttributeBuilder list = Leading;
    const int count = source->AttributeCount();
    for (int i = 0; i < count; ++i) {
        const int attr = source->GetAttributeId(i);
        const QStringView value = source->ValueViewAt(i);
        if (attr == ATTR_RAW) {
            const qsizetype equals = value.indexOf(u'=');
            const QStringView name = equals > 0 ? value.left(equals) : value;
            if (!name.startsWith(QLatin1StringView("on"), Qt::CaseInsensitive) &&
                name.compare(QLatin1StringView("inert"), Qt::CaseInsensitive) != 0)
                list.StoreRaw(name, equals > 0 ? value.mid(equals + 1) : QStringView(), equals <= 0);
            continue;
        }
        if (attr == ATTR_CONTENTEDITABLE || (attr == ATTR_ID && dest->TagId() == TAG_BODY) ||
            AttrIdToName(attr).startsWith(QLatin1StringView("on"), Qt::CaseInsensitive))
            continue;
        if (source->IsAttributeValueless(i))
            list.Store(attr, u"TRUE", afValueless);
        else if (!value.isEmpty() || source->IsAttributeWrittenEmpty(i))
            list.Store(attr, value, afWritten);
    }
    dest->SetAttributes(list);
}

struct TObjectClass
{
    const char* ClassId;
    const char* DesignClass;
};

constexpr TObjectClass ObjectClasses[] = {
    {"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000", "dsgn_flash"},
    {"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6", "dsgn_mplayer"},
    {"clsid:22D6F312-B0F6-11D0-94AB-0080C74C7E95", "dsgn_mplayer"},
    {"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B", "dsgn_quicktime"},
    {"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA", "dsgn_real"},
};

} // namespace

THtmlFilter::THtmlFilter() : FCharset(TPageCharset::Western()) {}

void THtmlFilter::SetPageCharset(std::shared_ptr<const TPageCharset> Charset)
{
    FCharset = Charset ? std::move(Charset) : TPageCharset::Western();
}

THtmlFilter::~THtmlFilter()
{
    Clear();
}

void THtmlFilter::SetBasePath(const QString& Path)
{
    FBasePath = Path;
    if (!FBasePath.isEmpty() && !FBasePath.endsWith(QLatin1Char('/')))
        FBasePath += QLatin1Char('/');
}

THtmlNode* THtmlFilter::NodeAt(int index) const
{
    return KeptNode(index);
}

THtmlNode* THtmlFilter::KeptNode(int index) const
{
    return index >= 0 && index < int(FNodes.size()) ? FNodes[size_t(index)].get() : nullptr;
}

void THtmlFilter::Clear()
{
    FTablesWithoutTbody.clear();
    FBlockWrappers.clear();
    FBoxEnds.clear();
    FNodes.clear();
    FBodyRead.Clear();
    FSource.reset();
}

QString THtmlFilter::NextDesignId() const
{
    // Built in one piece: a load makes one of these for every design element.
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%s%zu", DesignIdPrefix, FNodes.size());
    return QString::fromLatin1(text, length);
}

int THtmlFilter::Keep(THtmlNode* node)
{
    FNodes.emplace_back(node);
    return int(FNodes.size()) - 1;
}

// ---------------------------------------------------------------------------------------------------
// Loading

void THtmlFilter::InstallTree(std::unique_ptr<THtmlRoot> tree)
{
    Clear();
    FSource = std::move(tree);
    PrepareDesignTree();
    EnsureDocType();
}

void THtmlFilter::LoadFromStream(QIODevice& Stream, TDecodeReport* Report)
{
    // Room for the decoded text at once: most pages are mostly single-byte characters. The reader then
    // reads the decoded units where they stand.
    QByteArray decoded;
    decoded.reserve(qMax<qint64>(0, Stream.size()) * 2 + 2);
    QBuffer wide(&decoded);
    wide.open(QIODevice::ReadWrite);
    TDecodeReport report;
    ConvertToUnicode(Stream, wide, &report);
    wide.close();
    if (Report)
        *Report = report;
    std::unique_ptr<THtmlRoot> tree =
        ParseHtml(QStringView(reinterpret_cast<const QChar*>(decoded.constData()), decoded.size() / 2));
    // The page is saved in the set it was read in, once it has been read.
    FCharset = TPageCharset::OfRead(report);
    InstallTree(std::move(tree));
    FTextSize = decoded.size() / 2;
}

void THtmlFilter::LoadFromBytes(const QByteArray& Bytes)
{
    QByteArray copy = Bytes;
    QBuffer stream(&copy);
    stream.open(QIODevice::ReadOnly);
    LoadFromStream(stream);
}

void THtmlFilter::SetSource(const QString& Html)
{
    InstallTree(ParseText(Html));
    FTextSize = Html.size();
}

void THtmlFilter::EnsureDocType()
{
    if (!FSource)
        return;
    for (THtmlNode* child = FSource->FirstChild(); child; child = child->NextSibling())
        if (child->TagId() == TAG_DOCTYPE)
            return;
    // Browsers lay out a page without a declaration in their quirks mode; so they do with this one.
    auto* doctype = new THtmlDocType();
    doctype->SetHasSystemId(false);
    FSource->AddFirst(doctype);
}

void THtmlFilter::NewEmptyDocument()
{
    Clear();
    FCharset = TPageCharset::Western();
    FSource = std::make_unique<THtmlRoot>();
    FSource->Add(new THtmlDocType());
    if (!FGenerator.isEmpty()) {
        auto* meta = new THtmlTag(TAG_META);
        meta->SetAttribute(ATTR_NAME, QStringLiteral("Generator"));
        meta->SetAttribute(ATTR_CONTENT, FGenerator);
        FSource->GetHead()->Add(meta);
    }
    THtmlTag* body = FSource->GetBody();
    body->SetAttribute(ATTR_ID, QLatin1String(DesignIdPrefix) + QLatin1Char('0'));
    body->SetValuelessAttribute(ATTR_CONTENTEDITABLE);
    Keep(new THtmlTag(TAG_BODY));
}

// The XML declaration Declaration with its encoding naming the set the file is saved in: one that names
// another is rewritten, and one is added after the version where it names none, unless the file is in
// UTF-8 or UTF-16, which a declaration without an encoding means. Any other processing instruction comes
// back unchanged.
static QString DeclareXmlEncoding(const QString& Declaration, const TPageCharset& Charset)
{
    static const QRegularExpression xmlDeclaration(QStringLiteral("^<\\?xml\\s"),
                                                   QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression encoding(QStringLiteral("(\\bencoding\\s*=\\s*)([\"'])([^\"']*)\\2"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression version(QStringLiteral("\\bversion\\s*=\\s*([\"'])[^\"']*\\1"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!xmlDeclaration.match(Declaration).hasMatch())
        return Declaration;
    QString result = Declaration;
    const QString name = QString::fromLatin1(Charset.Name());
    if (const QRegularExpressionMatch m = encoding.match(result); m.hasMatch()) {
        if (!Charset.IsNamedBy(m.capturedView(3)))
            result.replace(m.capturedStart(), m.capturedLength(), m.captured(1) + m.captured(2) + name + m.captured(2));
    } else if (const QRegularExpressionMatch v = version.match(result);
               v.hasMatch() && (Charset.IsWestern() || Charset.Kind() == TPageCharset::pcOther)) {
        result.insert(v.capturedEnd(), QLatin1String(" encoding=\"") + name + QLatin1Char('"'));
    }
    return result;
}

// Whether a Content-Type's value declares the set Charset: the label after its first "charset=".
static bool DeclaresCharset(QStringView Content, const TPageCharset& Charset)
{
    if (Charset.IsWestern())
        return false; // its declarations are always written anew
    const qsizetype at = Content.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    return at >= 0 && Charset.IsNamedBy(Content.mid(at + 8));
}

void THtmlFilter::PrepareDesignTree()
{
    if (!FSource)
        return;
    QHash<QString, std::pair<QString, QString>> images; // source -> design class and design source
    THtmlNode* node = FSource->GetNextNode(nullptr);
    while (node) {
        const int id = node->TagId();
        THtmlTag* tag = AsTag(node);
        if (id == TAG_PHP && node->Parent() == FSource.get()) {
            // An XML declaration ahead of the document declares the file's set too.
            auto* text = static_cast<THtmlText*>(node);
            text->SetText(DeclareXmlEncoding(text->Text(), *FCharset));
        } else if (const char* kind = (tag || IsRawKind(id)) ? PlaceholderKind(node) : nullptr) {
            auto* img = new THtmlTag(TAG_SPAN);
            img->SetAttribute(ATTR_ID, NextDesignId());
            img->SetAttribute(ATTR_CLASS, QLatin1String("dsgn_") + QLatin1String(kind));
            img->SetAttribute(ATTR_CONTENTEDITABLE, QStringLiteral("false"));
            node->InsertBefore(img);
            node->Parent()->Remove(node);
            // A copy is kept, made now beside the other kept nodes, and the node read goes: the kept nodes
            // outlive the tree they were read in, and would otherwise hold its memory as long.
            Keep(CopyOf(node));
            delete node;
            node = img;
        } else if (tag && (id == TAG_APPLET || id == TAG_MARQUEE || id == TAG_OBJECT)) {
            // The kept copy takes the attributes and the children: the element keeps none of them.
            auto* copy = new THtmlTag(id);
            copy->Assign(tag);
            tag->Clear();
            const QString designId = NextDesignId();
            Keep(copy);
            QString designClass = id == TAG_APPLET    ? QStringLiteral("dsgn_applet")
                                  : id == TAG_MARQUEE ? QStringLiteral("dsgn_marquee")
                                                      : ObjectDesignClass(copy->GetAttribute(ATTR_CLASSID));
            tag->ClearAttributes();
            tag->SetTagId(TAG_IMG);
            tag->SetAttribute(ATTR_ID, designId);
            tag->SetAttribute(ATTR_CLASS, designClass);
            tag->SetAttribute(ATTR_SRC, TransGif);
            TakeAttributes(tag, copy, {ATTR_WIDTH, ATTR_HEIGHT, ATTR_ALIGN});
            tag->SetAttribute(ATTR_ONRESIZEEND, ReportHandlerText);
        } else if (tag && (id == TAG_IMG ||
                           (id == TAG_INPUT && SameText(tag->AttributeView(ATTR_TYPE), QLatin1StringView("image"))))) {
            auto* kept = new THtmlTag(id);
            // A kept image, image button or table is only ever read attribute by attribute, so one that the
            // source lacks need not be stored empty.
            if (id == TAG_IMG)
                TakeAttributes(kept, tag, {ATTR_ID, ATTR_CLASS, ATTR_SRC, ATTR_STYLE, ATTR_WIDTH, ATTR_HEIGHT,
                                           ATTR_ONRESIZEEND});
            else
                TakeAttributes(kept, tag, {ATTR_ID, ATTR_CLASS, ATTR_TYPE, ATTR_NAME, ATTR_SRC, ATTR_STYLE,
                                           ATTR_WIDTH, ATTR_HEIGHT, ATTR_ONRESIZEEND});
            const QString designId = NextDesignId();
            Keep(kept);
            // The design values stand where the source's own stood (a new one goes last), as mapping back
            // puts the source's values where the design's stand: the saved image keeps the attributes in
            // the order the file had them, and one a tool built saves the same when its file is opened again.
            for (int attr : {ATTR_TYPE, ATTR_NAME, ATTR_STYLE})
                if (id == TAG_INPUT || attr == ATTR_STYLE)
                    tag->RemoveAttribute(attr);
            tag->SetTagId(TAG_IMG);
            // Pages use the same picture many times: each source is looked up once per load.
            const QString src = kept->GetAttribute(ATTR_SRC);
            auto known = images.find(src);
            if (known == images.end()) {
                QString designClass, designSrc;
                ResolveImageSource(src, designClass, designSrc);
                known = images.insert(src, {designClass, designSrc});
            }
            tag->SetAttribute(ATTR_ID, designId);
            if (known->first.isEmpty())
                tag->RemoveAttribute(ATTR_CLASS);
            else
                tag->SetAttribute(ATTR_CLASS, known->first);
            tag->SetAttribute(ATTR_SRC, known->second);
            tag->SetAttribute(ATTR_ONRESIZEEND, ReportHandlerText);
        } else if (tag && id == TAG_TABLE) {
            auto* kept = new THtmlTag(TAG_TABLE);
            TakeAttributes(kept, tag, {ATTR_ID, ATTR_CLASS, ATTR_STYLE, ATTR_WIDTH, ATTR_HEIGHT, ATTR_ONRESIZEEND});
            const QString designId = NextDesignId();
            Keep(kept);
            tag->RemoveAttribute(ATTR_ID);
            tag->RemoveAttribute(ATTR_CLASS);
            tag->RemoveAttribute(ATTR_STYLE);
            tag->SetAttribute(ATTR_ID, designId);
            const QStringView border = tag->AttributeView(ATTR_BORDER);
            if (border.isEmpty() || border == QLatin1String("0"))
                tag->SetAttribute(ATTR_CLASS, QStringLiteral("dsgn_layout"));
            tag->SetAttribute(ATTR_ONRESIZEEND, ReportHandlerText);
            if (!tag->FindChild(TAG_TBODY, false))
                FTablesWithoutTbody.insert(kept);
        } else if (tag && id == TAG_BODY) {
            auto* kept = new THtmlTag(TAG_BODY);
            kept->AssignAttributes(tag);
            const QString designId = NextDesignId();
            Keep(kept);
            TAttributeBuilder leading;
            leading.Store(ATTR_ID, designId, afSet);
            leading.Store(ATTR_CONTENTEDITABLE, u"TRUE", afValueless);
            SetShownAttributes(tag, kept, leading);
        } else if (tag && id == TAG_META) {
            if (SameText(tag->AttributeView(ATTR_NAME), QLatin1StringView("Generator"))) {
                // Without a generator text of our own the author's stays as written.
                if (!FGenerator.isEmpty())
                    tag->SetAttribute(ATTR_CONTENT, FGenerator);
            } else if (SameText(tag->AttributeView(ATTR_HTTP_EQUIV), QLatin1StringView("Content-Type")) &&
                       !DeclaresCharset(tag->AttributeView(ATTR_CONTENT), *FCharset)) {
                tag->SetAttribute(ATTR_CONTENT, QLatin1String("text/html; charset=") + QLatin1String(FCharset->Name()));
            }
            // Every declaration names the set the file is saved in; one that names it already stays as written.
            if (const QStringView charset = tag->AttributeView(ATTR_CHARSET);
                !charset.isEmpty() && !FCharset->IsNamedBy(charset))
                tag->SetAttribute(ATTR_CHARSET, QString::fromLatin1(FCharset->Name()));
        }
        node = FSource->GetNextNode(node);
    }
    WrapUnknownBlocks();
}

// The placeholder's unknown block tag (see UnknownBlockTag) when node is the placeholder of one, known by
// its design id and the kept raw tag behind it, whatever the placeholder itself looks like.
QStringView THtmlFilter::UnknownBlockTagOf(const THtmlNode* node, bool& end) const
{
    const THtmlNode* kept = KeptNode(IndexOfDesignId(AttributeOf(node, ATTR_ID)));
    if (!kept || kept->TagId() != TAG_UNKNOWN || kept->NodeClass() != THtmlNode::ncText)
        return {};
    return UnknownBlockTag(static_cast<const THtmlText*>(kept)->TextView(), end);
}

// Each matched pair of unknown block tags among the same parent's children goes, with everything between
// them, into a design-only div, so the engine lays the content out in a box of its own as a browser does;
// nested pairs give nested boxes. An end tag closes the nearest open start tag of its name, leaving the
// ones opened after it unpaired; a tag without its match stays flat as it was.
void THtmlFilter::WrapUnknownBlocks()
{
    THtmlNode* body = FSource ? FSource->FindFirst(TAG_BODY) : nullptr;
    if (!body)
        return;
    // A page older than these elements holds no end tag of one, and so no pair: its kept nodes tell it at
    // once, without a look at every element of the body.
    if (std::none_of(FNodes.begin(), FNodes.end(), [](const std::unique_ptr<THtmlNode>& kept) {
            bool end = false;
            return kept && kept->TagId() == TAG_UNKNOWN && kept->NodeClass() == THtmlNode::ncText &&
                   !UnknownBlockTag(static_cast<const THtmlText*>(kept.get())->TextView(), end).isEmpty() && end;
        }))
        return;
    std::unordered_set<const THtmlNode*> made;
    std::unordered_map<const THtmlNode*, bool> reaches;
    std::vector<THtmlNode*> parents{body};
    std::vector<std::pair<THtmlNode*, QStringView>> open;
    // How many start tags of each name stand open: an end tag that none is open for is passed over at once,
    // not after a look through all the open ones.
    std::vector<std::pair<QStringView, int>> openNames;
    const auto openOf = [&openNames](QStringView name) -> int& {
        for (auto& entry : openNames)
            if (SameText(entry.first, name))
                return entry.second;
        return openNames.emplace_back(name, 0).second;
    };
    while (!parents.empty()) {
        THtmlNode* parent = parents.back();
        parents.pop_back();
        open.clear();
        openNames.clear();
        int holds = -1; // asked once, at the first pair
        for (THtmlNode* child = parent->FirstChild(); child;) {
            THtmlNode* next = child->NextSibling();
            bool end = false;
            const QStringView name = UnknownBlockTagOf(child, end);
            if (!name.isEmpty() && !end) {
                open.emplace_back(child, name);
                ++openOf(name);
            } else if (!name.isEmpty() && openOf(name) > 0) {
                auto match = std::find_if(open.rbegin(), open.rend(),
                                          [name](const auto& start) { return SameText(start.second, name); });
                if (holds < 0)
                    holds = HoldsDesignBlock(parent, reaches) ? 1 : 0;
                if (holds && !ShowByOwnName(match->first, child, name))
                    made.insert(WrapInDesignBox(match->first, child));
                for (auto closed = std::prev(match.base()); closed != open.end(); ++closed)
                    --openOf(closed->second);
                open.erase(std::prev(match.base()), open.end());
            }
            child = next;
        }
        // The children of a new box were paired above already; the elements among them get their turn.
        std::vector<THtmlNode*> lists{parent};
        while (!lists.empty()) {
            THtmlNode* list = lists.back();
            lists.pop_back();
            for (THtmlNode* child = list->FirstChild(); child; child = child->NextSibling()) {
                if (made.count(child))
                    lists.push_back(child);
                else if (child->FirstChild() && AsTag(child))
                    parents.push_back(child);
            }
        }
    }
}

// Moves the placeholders start and end of a matched pair, and everything between them, into a new
// design-only div, answered; its design id names a kept marker with the blanks around the pair.
THtmlTag* THtmlFilter::WrapInDesignBox(THtmlNode* start, THtmlNode* end)
{
    auto* wrapper = new THtmlTag(TAG_DIV);
    wrapper->SetAttribute(ATTR_ID, NextDesignId());
    wrapper->SetAttribute(ATTR_CLASS, BlockWrapperClass);
    auto* marker = new THtmlTag(TAG_DIV);
    Keep(marker);
    const THtmlText* before = AsText(start->PrevSibling());
    const THtmlText* after = AsText(end->NextSibling());
    FBlockWrappers[marker] = {before && before->TextView().endsWith(u' '), after && after->TextView().startsWith(u' ')};
    start->InsertBefore(wrapper);
    for (THtmlNode* moved = start;;) {
        THtmlNode* following = moved->NextSibling();
        wrapper->AppendChild(moved);
        if (moved == end)
            break;
        moved = following;
    }
    return wrapper;
}

// Puts the start and end tag of an unknown block element shown by its own name on the design page in the
// place of their placeholders, start and end being the placeholders of a matched pair; answers false,
// changing nothing, when the start tag cannot be written so that the engine writes it back the same.
bool THtmlFilter::ShowByOwnName(THtmlNode* start, THtmlNode* end, QStringView name)
{
    if (!IsShownByOwnName(name))
        return false;
    const int startIndex = IndexOfDesignId(AttributeOf(start, ATTR_ID));
    const auto* keptStart = static_cast<const THtmlText*>(KeptNode(startIndex));
    const THtmlNode* keptEnd = KeptNode(IndexOfDesignId(AttributeOf(end, ATTR_ID)));
    QString tag = EngineStartTag(keptStart->TextView(), name);
    if (tag.isEmpty() || !keptEnd)
        return false;
    tag.insert(tag.size() - 1, BoxAttribute + QString::number(startIndex) + QLatin1Char('"'));
    FBoxEnds[keptStart] = keptEnd;
    const auto replace = [](THtmlNode* placeholder, const QString& text) {
        placeholder->InsertBefore(new THtmlText(TAG_UNKNOWN, text));
        placeholder->Parent()->Remove(placeholder);
        delete placeholder;
    };
    replace(start, tag);
    replace(end, QLatin1String("</") + name.toString().toLower() + QLatin1Char('>'));
    return true;
}

// ---------------------------------------------------------------------------------------------------
// The design page

QString THtmlFilter::DesignHead()
{
    QString head;
    auto line = [&head](const QString& text) { head += text + QLatin1String("\r\n"); };
    auto rule = [&line](const QString& selector, std::initializer_list<QString> declarations) {
        line(selector + QLatin1String(" {"));
        for (const QString& d : declarations)
            line(QLatin1String("  ") + d);
        line(QStringLiteral("}"));
    };
    auto pictureRule = [&rule](const QString& kind) {
        rule(QLatin1String(".dsgn_") + kind,
             {QStringLiteral("background-image: url(edit:%1.gif);").arg(kind), QStringLiteral("background-repeat: no-repeat;"),
              QStringLiteral("background-position: center;"), QStringLiteral("background-color: #eee;")});
    };
    line(QStringLiteral("<html>"));
    line(QStringLiteral("<head>"));
    line(QStringLiteral("<style>"));
    rule(QStringLiteral("pre"), {QStringLiteral("background-color: #eee;"), QStringLiteral("border: solid #ccc 1px;"),
                                 QStringLiteral("margin-left: 50px;")});
    rule(QStringLiteral("form"), {QStringLiteral("border: dotted red 1px;")});
    for (const char* kind : {"applet", "flash", "mplayer", "quicktime", "real", "activex", "marquee"})
        pictureRule(QLatin1String(kind));
    rule(QStringLiteral(".dsgn_broken"),
         {QStringLiteral("background-image: url(edit:broken.gif);"), QStringLiteral("background-color: #eee;")});
    pictureRule(QStringLiteral("remote"));
    pictureRule(QStringLiteral("absolute"));
    for (const TPlaceholderPicture& picture : PlaceholderPictures)
        rule(QLatin1String("span.dsgn_") + QLatin1String(picture.Kind),
             {QStringLiteral("display: inline-block;"), QStringLiteral("width: %1px;").arg(picture.Width),
              QStringLiteral("height: %1px;").arg(PlaceholderHeight),
              QStringLiteral("background: url(edit:%1.gif) no-repeat;").arg(QLatin1String(picture.Kind))});
    rule(QStringLiteral(".dsgn_layout, .dsgn_layout td"), {QStringLiteral("border: dotted silver 1px;")});
    // An empty cell lays out with no line box at all: a new table's rows would be a few pixels high, too
    // small to click into. An invisible character gives it one line of the cell's own font; it is no part
    // of the document, and the first character typed empties the rule.
    rule(QStringLiteral("td:empty::before, th:empty::before"), {QStringLiteral("content: \"\\200B\";")});
    // The tags of a box around an unknown block element stand on lines of their own, as the element's
    // edges; the box itself adds nothing to the layout.
    rule(QStringLiteral(".dsgn_block > :first-child.dsgn_unknown, .dsgn_block > :last-child.dsgn_unknown"),
         {QStringLiteral("display: block;")});
    line(QStringLiteral("</style>"));
    line(QStringLiteral("<script type=\"text/javascript\">"));
    line(QStringLiteral("<!--"));
    line(QStringLiteral("function cancelEvent(event){"));
    line(QStringLiteral("  event.returnValue = false;"));
    line(QStringLiteral("  event.cancelBubble = true;"));
    line(QStringLiteral("  return false;"));
    line(QStringLiteral("}"));
    line(QStringLiteral("-->"));
    line(QStringLiteral("</script>"));
    line(QStringLiteral("</head>"));
    return head;
}

void THtmlFilter::GetDesignText(QString& Text)
{
    Text.clear();
    FHeadSize = 0;
    if (!FSource)
        return;
    static const QString head = DesignHead();
    // The document's sheets come before the design sheet, so the editor's own rules win where both speak.
    static const qsizetype headStart = head.indexOf(QLatin1String("<head>\r\n")) + 8;
    const QString ownSheets = DocumentStyleSheets();
    const QLatin1String end("\r\n</html>");
    // The body is written straight into the page, in room reserved from the size of the last page written.
    Text.reserve(head.size() + ownSheets.size() + FTextSize + FTextSize / 8 + end.size());
    // The page's own html element with its attributes ("<html lang=\"en\" class=\"light\">"): style rules
    // written for its classes or language apply as in a browser.
    static const qsizetype htmlEnd = head.indexOf(QLatin1Char('>'));
    const auto* html = AsTag(FSource->FindChild(TAG_HTML, false));
    if (html && html->AttributeCount() > 0) {
        const auto shown = std::make_unique<THtmlTag>(TAG_HTML);
        SetShownAttributes(shown.get(), html, {});
        const QString written = HtmlNodeToText(shown.get());
        Text.append(QStringView(written).left(written.lastIndexOf(QLatin1String("</html>"))).trimmed());
        Text.append(QStringView(head).mid(htmlEnd + 1, headStart - htmlEnd - 1));
    } else {
        Text.append(QStringView(head).left(headStart));
    }
    Text.append(ownSheets);
    Text.append(QStringView(head).mid(headStart));
    FHeadSize = Text.size();
    if (THtmlNode* node = FSource->FindFirst(TAG_BODY)) {
        // Only the engine reads the design page: the writer's indentation and wrapping would make it half as
        // large again on a deeply nested page, and the engine read all of it at every open.
        // The engine reads the page as UTF-8: every character stands as itself where the writer lets it,
        // and one from U+0080 to U+009F is not read as a Windows-1252 character, as a reference to it is.
        AppendHtmlNode(Text, node, woUnformatted, &TPageCharset::Unicode());
    } else {
        Text.append(QStringLiteral("<body id=\"%1\" contentEditable></body>").arg(NextDesignId()));
        Keep(new THtmlTag(TAG_BODY));
    }
    Text.append(end);
    FTextSize = Text.size() - FHeadSize;
}

namespace {

// An attribute of a sheet as the design page's head writes it: the value as the source holds it (its
// references undecoded), only a quotation mark made safe.
QString SheetAttribute(const char* Name, QStringView Value)
{
    if (Value.isEmpty())
        return {};
    QString value = Value.toString();
    value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return QLatin1Char(' ') + QLatin1String(Name) + QLatin1String("=\"") + value + QLatin1Char('"');
}

// A link that the browser applies as a style sheet: "stylesheet" among its relations, and no "alternate"
// (an alternate sheet is off until the reader picks it).
bool IsStyleSheetLink(QStringView Rel)
{
    bool sheet = false;
    for (const QStringView word : Rel.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (SameText(word.trimmed(), QLatin1StringView("alternate")))
            return false;
        sheet = sheet || SameText(word.trimmed(), QLatin1StringView("stylesheet"));
    }
    return sheet;
}

// An address of a file beside the document: no scheme ("http:", "file:", "c:"), not from the root or a
// network share. The design view loads nothing from elsewhere, as with pictures.
bool IsRelativeAddress(QStringView Href)
{
    if (Href.isEmpty() || Href.startsWith(QLatin1Char('/')) || Href.startsWith(QLatin1Char('\\')))
        return false;
    for (QChar c : Href) {
        if (c == QLatin1Char(':'))
            return false;
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('?') || c == QLatin1Char('#'))
            break;
    }
    return true;
}

} // namespace

QString THtmlFilter::DocumentStyleSheets() const
{
    QString sheets;
    if (!FSource)
        return sheets;
    const THtmlNode* body = FSource->FindFirst(TAG_BODY);
    for (THtmlNode* node = FSource->GetNextNode(nullptr); node;) {
        if (node == body) {
            node = NextAfterSubtree(FSource.get(), node);
            continue;
        }
        const THtmlTag* tag = AsTag(node);
        if (tag && tag->TagId() == TAG_STYLE) {
            // The sheet's text, also where a comment around it stands as a placeholder with the comment kept.
            sheets += QLatin1String("<style") + SheetAttribute("type", tag->AttributeView(ATTR_TYPE)) +
                      SheetAttribute("media", tag->AttributeView(ATTR_MEDIA)) + QLatin1Char('>');
            for (const THtmlNode* child = tag->FirstChild(); child; child = child->NextSibling()) {
                const THtmlNode* text = child;
                if (child->TagId() == TAG_SPAN || child->TagId() == TAG_IMG)
                    text = FindNode(AttributeOf(child, ATTR_ID).toString());
                if (text && (text->TagId() == TAG_TEXT || text->TagId() == TAG_COMMENT))
                    sheets += static_cast<const THtmlText*>(text)->TextView();
            }
            sheets += QLatin1String("</style>\r\n");
        } else if (tag && tag->TagId() == TAG_LINK && IsStyleSheetLink(tag->AttributeView(ATTR_REL)) &&
                   IsRelativeAddress(tag->AttributeView(ATTR_HREF))) {
            QString href = tag->AttributeView(ATTR_HREF).toString();
            href.replace(QLatin1Char('\\'), QLatin1Char('/'));
            sheets += QLatin1String("<link rel=\"stylesheet\"") + SheetAttribute("href", href) +
                      SheetAttribute("type", tag->AttributeView(ATTR_TYPE)) +
                      SheetAttribute("media", tag->AttributeView(ATTR_MEDIA)) + QLatin1String(">\r\n");
        }
        node = FSource->GetNextNode(node);
    }
    return sheets;
}

void THtmlFilter::ResolveImageSource(const QString& Src, QString& DesignClass, QString& DesignSrc) const
{
    const QString scheme = Src.left(7);
    if (SameText(scheme, QStringLiteral("http://"))) {
        DesignClass = QStringLiteral("dsgn_remote");
        DesignSrc = TransGif;
        return;
    }
    if (SameText(scheme, QStringLiteral("file://")) || (Src.size() >= 2 && Src.at(1) == QLatin1Char(':')) ||
        Src.startsWith(QLatin1String("\\\\")) || Src.startsWith(QLatin1Char('/'))) {
        DesignClass = QStringLiteral("dsgn_absolute");
        DesignSrc = TransGif;
        return;
    }
    QString path = Src;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QFileInfo file(FBasePath + path);
    if (!file.isFile()) {
        // The source is an address, as a browser reads it: "my%20pic.gif" or "caf&eacute;.gif" name the
        // files "my pic.gif" and "café.gif". The file named by the text itself comes first.
        const QString decoded = AddressToPath(path);
        if (decoded != path)
            file = QFileInfo(FBasePath + decoded);
    }
    if (file.isFile()) {
        DesignClass.clear();
        DesignSrc = QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded);
    } else {
        DesignClass = QStringLiteral("dsgn_broken");
        DesignSrc = TransGif;
    }
}

// ---------------------------------------------------------------------------------------------------
// Mapping back and saving

int THtmlFilter::DesignIdToIndex(const QString& Id)
{
    return IndexOfDesignId(Id);
}

int THtmlFilter::IndexOfDesignId(QStringView Id)
{
    const QLatin1String prefix(DesignIdPrefix);
    if (!Id.startsWith(prefix, Qt::CaseSensitive))
        return -1;
    const QStringView digits = Id.mid(prefix.size());
    if (digits.isEmpty())
        return -1;
    qint64 n = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
        if (n > std::numeric_limits<int>::max())
            return -1;
    }
    return int(n);
}

THtmlNode* THtmlFilter::FindNode(const QString& Id) const
{
    return KeptNode(DesignIdToIndex(Id));
}

THtmlNode* THtmlFilter::FindNodeFor(const QString& Id, int DesignTag) const
{
    return KeptNodeFor(Id, DesignTag);
}

bool THtmlFilter::IsBlockWrapper(QStringView Id) const
{
    const THtmlNode* kept = KeptNode(IndexOfDesignId(Id));
    return kept && FBlockWrappers.count(kept);
}

THtmlNode* THtmlFilter::KeptNodeFor(QStringView Id, int DesignTag) const
{
    return KeptNodeFor(IndexOfDesignId(Id), DesignTag);
}

THtmlNode* THtmlFilter::KeptNodeFor(int Index, int DesignTag) const
{
    THtmlNode* kept = KeptNode(Index);
    if (!kept)
        return nullptr;
    if (DesignTag == TAG_TABLE || DesignTag == TAG_BODY)
        return kept->TagId() == DesignTag && AsTag(kept) ? kept : nullptr;
    if (DesignTag == TAG_IMG)
        return KeptFitsImage(kept) ? kept : nullptr;
    if (DesignTag == TAG_SPAN)
        return KeptFitsPlaceholder(kept) ? kept : nullptr;
    return kept;
}

void THtmlFilter::SetNodeSize(const QString& Id, const QString& Width, const QString& Height, int DesignTag)
{
    if (THtmlTag* kept = AsTag(FindNodeFor(Id, DesignTag))) {
        kept->SetAttribute(ATTR_WIDTH, Width);
        kept->SetAttribute(ATTR_HEIGHT, Height);
    }
}

qint64 THtmlFilter::SetDesignText(const QString& Html, qint64 Since, qsizetype KeptStart, qsizetype KeptEnd)
{
    if (!FSource)
        return 0;
    QString copy;
    const QStringView text = WithoutNul(Html, copy);
    THtmlNode* own = FSource->FindFirst(TAG_BODY);
    THtmlTag* to = own ? AsTag(own) : FSource->GetBody();
    // After an edit most of the body reads as it did: only the part around the change is read again.
    // The engine writes flags as name="" (selected="", checked=""): read as the bare flags they are, so a
    // selected option or a checked box keeps its flag on every save.
    if (Since != 0 && Since == FBodyReadNumber && FBodyRead.Body == to &&
        ReparseHtmlBody(text, KeptStart, KeptEnd, poEmptyFlagsAreBare, FBodyRead))
        return ++FBodyReadNumber;
    FBodyRead.Clear();
    ++FBodyReadNumber;
    std::unique_ptr<THtmlRoot> edited = ParseHtml(text, poEmptyFlagsAreBare, FBodyRead);
    THtmlNode* found = edited->FindFirst(TAG_BODY);
    THtmlTag* from = found ? AsTag(found) : edited->GetBody();
    // The edited body becomes ours whole: its attributes are copied and its children moved over, which
    // is the same as a copy of the temporary tree that is freed right after.
    to->Clear();
    to->AssignAttributes(from);
    while (THtmlNode* child = from->FirstChild())
        to->AppendChild(child);
    if (FBodyRead.Body != from) {
        FBodyRead.Clear();
        return 0;
    }
    FBodyRead.MoveBody(to);
    return FBodyReadNumber;
}

// What mapping back did to the source tree itself, undone in reverse order when the mapping ends: the
// document is written straight from the mapped source tree instead of from a copy of it, and the
// source is in design form again afterwards.
class THtmlFilter::TMappedSource
{
public:
    // KeptCount: the number of kept nodes, any of which may be put in.
    explicit TMappedSource(size_t KeptCount) : InTree(KeptCount, false) {}
    TMappedSource(const TMappedSource&) = delete;
    TMappedSource& operator=(const TMappedSource&) = delete;
    ~TMappedSource()
    {
        for (auto it = Changes.rbegin(); it != Changes.rend(); ++it) {
            TChange& change = *it;
            if (change.Kind == TChange::Unwrapped) {
                Rewrap(change);
                continue;
            }
            if (change.Kind == TChange::Removed) {
                PutBack(change);
                continue;
            }
            if (change.Kind == TChange::Text) {
                static_cast<THtmlText*>(change.Node)->SetText(change.OldText);
                continue;
            }
            if (!change.Node) {
                // A node added for the mapping alone.
                change.Inserted->Parent()->Remove(change.Inserted);
                delete change.Inserted;
                continue;
            }
            if (change.Attributes) {
                static_cast<THtmlTag*>(change.Node)->AssignAttributes(change.Attributes.get());
                continue;
            }
            // The design element goes back in the place of what stood for it; the kept node leaves the tree.
            change.Inserted->InsertBefore(change.Node);
            change.Inserted->Parent()->Remove(change.Inserted);
            if (change.OwnsInserted)
                delete change.Inserted;
        }
    }

    // Keeps the attributes (and tag identifier) of tag as they are now.
    void SaveAttributes(THtmlTag* tag)
    {
        auto saved = std::make_unique<THtmlTag>(tag->TagId());
        saved->AssignAttributes(tag);
        TChange change;
        change.Node = tag;
        change.Attributes = std::move(saved);
        Changes.push_back(std::move(change));
    }

    // Puts the kept node itself in the place of the design element; a kept node that already stands in
    // the tree (a placeholder copied within the page) is put in as a copy.
    THtmlNode* Substitute(THtmlNode* designNode, THtmlNode* kept, int index)
    {
        const bool inUse = InTree[size_t(index)];
        InTree[size_t(index)] = true;
        THtmlNode* inserted = inUse ? CopyOf(kept) : kept;
        designNode->InsertBefore(inserted);
        designNode->Parent()->Remove(designNode);
        TChange change;
        change.Node = designNode;
        change.Inserted = inserted;
        change.OwnsInserted = inUse;
        Changes.push_back(std::move(change));
        return inserted;
    }

    // Takes node out of the tree; it comes back in its place when the mapping ends.
    void RemoveNode(THtmlNode* node)
    {
        TChange change = TakenOut(node, TChange::Removed);
        change.Parent->Remove(node);
        Changes.push_back(std::move(change));
    }

    void SetText(THtmlText* text, QStringView value)
    {
        TChange change;
        change.Node = text;
        change.Kind = TChange::Text;
        change.OldText = text->Text();
        text->SetText(value);
        Changes.push_back(std::move(change));
    }

    // Puts a new node into parent before before (at the end when before is null); it goes when the mapping
    // ends.
    void Add(THtmlNode* parent, THtmlNode* before, THtmlNode* node)
    {
        if (before)
            before->InsertBefore(node);
        else
            parent->AppendChild(node);
        TChange change;
        change.Inserted = node;
        change.OwnsInserted = true;
        Changes.push_back(std::move(change));
    }

    // Makes the changes so far lasting: on a copy of the source there is nothing to put back.
    void Keep()
    {
        for (TChange& change : Changes)
            if (change.Kind == TChange::Removed)
                delete change.Node;
        Changes.clear();
    }

    // The row groups the engine gave a table the user wrote without: taken out as on a copy, and put back
    // when the mapping ends, since the reading of the body that the next one builds on may stand in them.
    void UnwrapAddedRowGroups(THtmlTag* table)
    {
        for (THtmlNode* child = table->FirstChild(); child;) {
            THtmlNode* next = child->NextSibling();
            if (IsAddedRowGroup(child))
                Unwrap(static_cast<THtmlTag*>(child));
            child = next;
        }
    }

    // Puts the children of a design-only box in its place and takes the box out of the tree.
    void Unwrap(THtmlTag* wrapper)
    {
        TChange change = TakenOut(wrapper, TChange::Unwrapped);
        change.First = wrapper->FirstChild();
        change.Last = wrapper->LastChild();
        while (THtmlNode* child = wrapper->FirstChild())
            wrapper->InsertBefore(child);
        change.Parent->Remove(wrapper);
        Changes.push_back(std::move(change));
    }

private:
    struct TChange
    {
        THtmlNode* Node = nullptr;                // the changed element, or the design element taken out
        std::unique_ptr<THtmlTag> Attributes;     // its attributes before the change
        THtmlNode* Inserted = nullptr;            // what stands in the design element's place
        bool OwnsInserted = false;
        // A design-only box taken out (where it stood and the run of its children, which the changes made
        // after it have given back by the time it is put back), a node taken out, or a text changed.
        enum TKind { Replaced, Unwrapped, Removed, Text } Kind = Replaced;
        QString OldText;
        THtmlNode* Parent = nullptr;
        THtmlNode* After = nullptr;
        THtmlNode* First = nullptr;
        THtmlNode* Last = nullptr;
    };

    // The change that takes node out of the tree, with the place it comes back to.
    static TChange TakenOut(THtmlNode* node, TChange::TKind kind)
    {
        TChange change;
        change.Node = node;
        change.Kind = kind;
        change.Parent = node->Parent();
        change.After = node->NextSibling();
        return change;
    }

    static void PutBack(const TChange& change)
    {
        if (change.After)
            change.After->InsertBefore(change.Node);
        else
            change.Parent->AppendChild(change.Node);
    }

    static void Rewrap(const TChange& change)
    {
        THtmlNode* wrapper = change.Node;
        if (change.First) {
            change.First->InsertBefore(wrapper);
            for (THtmlNode* child = change.First;;) {
                THtmlNode* next = child->NextSibling();
                wrapper->AppendChild(child);
                if (child == change.Last)
                    break;
                child = next;
            }
        } else {
            PutBack(change);
        }
    }

    std::vector<TChange> Changes;
    // By design id: whether the kept node stands in the tree already.
    std::vector<bool> InTree;
};

QString THtmlFilter::KeepCopy(const QString& Id)
{
    const THtmlNode* kept = FindNode(Id);
    if (!kept)
        return {};
    THtmlNode* copy = CopyOf(kept);
    if (FTablesWithoutTbody.count(kept))
        FTablesWithoutTbody.insert(copy);
    if (const auto edges = FBlockWrappers.find(kept); edges != FBlockWrappers.end())
        FBlockWrappers[copy] = edges->second;
    const QString id = NextDesignId();
    Keep(copy);
    return id;
}

void THtmlFilter::MapBack(THtmlRoot* root, TMappedSource* inPlace) const
{
    std::unordered_set<const THtmlNode*> boxesSeen;
    std::unordered_map<const THtmlNode*, THtmlText*> matched; // see MatchUnknownBlockTags
    THtmlNode* node = root->GetNextNode(nullptr);
    THtmlNode* next = nullptr;
    std::unordered_map<const THtmlNode*, THtmlNode*> linkAbove; // see EnclosingLink
    // The kept node comes back whole (a comment, a script, an object, ...); what is inside it is the kept
    // source, so nothing below it is looked at again.
    const auto restoreWhole = [&](THtmlTag* tag, THtmlNode* kept, int index) {
        // A named anchor put into a link in the design view (or into another anchor) goes before it: links
        // never nest, and reading the saved page would end the link at the anchor, the rest of its words
        // no longer linked.
        if (kept->TagId() == TAG_A && !kept->FirstChild()) {
            if (THtmlNode* link = EnclosingLink(tag, linkAbove)) {
                next = NextAfterSubtree(root, tag);
                if (inPlace) {
                    inPlace->RemoveNode(tag);
                    inPlace->Add(link->Parent(), link, CopyOf(kept));
                } else {
                    link->InsertBefore(CopyOf(kept));
                    tag->Parent()->Remove(tag);
                    delete tag;
                }
                node = nullptr;
                return;
            }
        }
        THtmlNode* restored;
        if (inPlace) {
            restored = inPlace->Substitute(tag, kept, index);
        } else {
            restored = CopyOf(kept);
            tag->InsertBefore(restored);
            restored->Parent()->Remove(tag);
            delete tag;
        }
        next = NextAfterSubtree(root, restored);
        node = nullptr;
    };
    while (node) {
        next = nullptr;
        const int id = node->TagId();
        THtmlTag* tag = (id == TAG_IMG || id == TAG_SPAN || id == TAG_TABLE || id == TAG_BODY || id == TAG_A)
                            ? AsTag(node)
                            : nullptr;
        if (tag && id == TAG_SPAN) {
            const int index = IndexOfDesignId(tag->AttributeView(ATTR_ID));
            if (THtmlNode* kept = KeptNodeFor(index, TAG_SPAN))
                restoreWhole(tag, kept, index);
        } else if (tag && id == TAG_IMG) {
            const int index = IndexOfDesignId(tag->AttributeView(ATTR_ID));
            if (THtmlNode* kept = KeptNodeFor(index, TAG_IMG)) {
                const THtmlTag* keptTag = AsTag(kept);
                if (keptTag && kept->TagId() == TAG_IMG) {
                    if (inPlace)
                        inPlace->SaveAttributes(tag);
                    TakeAttributes(tag, keptTag, {ATTR_ID, ATTR_CLASS, ATTR_SRC, ATTR_STYLE, ATTR_ONRESIZEEND,
                                                  ATTR_WIDTH, ATTR_HEIGHT});
                } else if (keptTag && kept->TagId() == TAG_INPUT &&
                           SameText(keptTag->AttributeView(ATTR_TYPE), QLatin1StringView("image"))) {
                    if (inPlace)
                        inPlace->SaveAttributes(tag);
                    tag->SetTagId(TAG_INPUT);
                    TakeAttributes(tag, keptTag, {ATTR_ID, ATTR_CLASS, ATTR_TYPE, ATTR_NAME, ATTR_SRC, ATTR_STYLE,
                                                  ATTR_ONRESIZEEND, ATTR_WIDTH, ATTR_HEIGHT});
                } else {
                    restoreWhole(tag, kept, index);
                }
            }
        } else if (tag && id == TAG_TABLE) {
            if (const THtmlTag* kept = AsTag(KeptNodeFor(tag->AttributeView(ATTR_ID), TAG_TABLE))) {
                if (inPlace)
                    inPlace->SaveAttributes(tag);
                TakeAttributes(tag, kept, {ATTR_ID, ATTR_CLASS, ATTR_STYLE, ATTR_ONRESIZEEND, ATTR_WIDTH, ATTR_HEIGHT});
                if (FTablesWithoutTbody.count(kept)) {
                    if (inPlace)
                        inPlace->UnwrapAddedRowGroups(tag);
                    else
                        UnwrapAddedRowGroups(tag);
                }
            }
        } else if (tag && id == TAG_BODY) {
            if (const THtmlTag* kept = AsTag(KeptNodeFor(tag->AttributeView(ATTR_ID), TAG_BODY))) {
                if (inPlace)
                    inPlace->SaveAttributes(tag);
                tag->AssignAttributes(kept);
            }
        } else if (tag && id == TAG_A) {
            // The engine writes the links it copies and pastes against the design page's address: a link
            // into the page itself ("idoc:index.html#top") goes back to its fragment, a link to a file
            // beside the document ("idoc:intro.html") to the file's own name.
            const QLatin1String page("idoc:index.html");
            const QLatin1String scheme("idoc:");
            const QStringView href = tag->AttributeView(ATTR_HREF);
            // The page's own address alone is far more often a pasted link to a home page called index.html
            // than to the document itself, so it keeps the file's name.
            const qsizetype strip = href.startsWith(page, Qt::CaseSensitive) && href.size() > page.size() &&
                                            href[page.size()] == u'#'
                                        ? page.size()
                                        : href.startsWith(scheme, Qt::CaseSensitive) ? scheme.size() : 0;
            if (strip > 0) {
                if (inPlace)
                    inPlace->SaveAttributes(tag);
                tag->SetAttribute(ATTR_HREF, tag->AttributeView(ATTR_HREF).mid(strip));
            }
        } else if (id == TAG_UNKNOWN && node->NodeClass() == THtmlNode::ncText) {
            MapBackShownByName(static_cast<THtmlText*>(node), boxesSeen, matched, inPlace);
        } else if (THtmlTag* element = tag ? nullptr : AsTag(node)) {
            // A box's design id may also stand on a block the engine's block commands made in its place.
            const int index = IndexOfDesignId(element->AttributeView(ATTR_ID));
            const auto edges = index >= 0 ? FBlockWrappers.find(KeptNode(index)) : FBlockWrappers.end();
            if (edges != FBlockWrappers.end()) {
                // The engine gives a box split by a line break both halves with its id: each half after the
                // first is a block the user made.
                const bool repeated = !boxesSeen.insert(edges->first).second;
                next = MapBackBlockWrapper(root, element, edges->second, repeated, inPlace);
                node = nullptr;
            }
        }
        if (node)
            next = root->GetNextNode(node);
        node = next;
    }
}

// The start tag of an unknown block element shown by its own name, as the engine wrote it back: the tag
// as the user wrote it where the engine left it as it was, the engine's own tag without the design
// attribute where the user changed it (an alignment, say), and the end tag as written with either. A
// second element made from it (a copy pasted, a half split off) is the user's own, with the engine's tags.
void THtmlFilter::MapBackShownByName(THtmlText* start, std::unordered_set<const THtmlNode*>& seen,
                                     std::unordered_map<const THtmlNode*, THtmlText*>& matched,
                                     TMappedSource* inPlace) const
{
    const QStringView raw = start->TextView();
    const qsizetype at = raw.indexOf(BoxAttribute);
    const qsizetype valueEnd = at < 0 ? -1 : raw.indexOf(u'"', at + BoxAttribute.size());
    if (valueEnd < 0)
        return;
    const QString own = raw.left(at).toString() + raw.mid(valueEnd + 1).toString();
    bool end = false;
    const QStringView name = UnknownBlockTag(own, end);
    bool number = false;
    const int index = raw.mid(at + BoxAttribute.size(), valueEnd - at - BoxAttribute.size()).toInt(&number);
    const THtmlNode* kept = number ? KeptNode(index) : nullptr;
    const auto ends = kept ? FBoxEnds.find(kept) : FBoxEnds.end();
    const auto setText = [inPlace](THtmlText* text, QStringView value) {
        if (inPlace)
            inPlace->SetText(text, value);
        else
            text->SetText(value);
    };
    const bool first = !name.isEmpty() && !end && ends != FBoxEnds.end() && seen.insert(kept).second;
    const QStringView keptText = first ? static_cast<const THtmlText*>(kept)->TextView() : QStringView();
    setText(start, first && own == EngineStartTag(keptText, name) ? keptText : QStringView(own));
    if (!first)
        return;
    // The siblings after a start tag are as they were when an earlier start tag among them was paired:
    // the walk changes only what it has reached, and keeps the names of the tags it rewrites. A start tag
    // that came in since (out of a design-only box taken away) is paired from its own place.
    auto match = matched.find(start);
    if (match == matched.end()) {
        MatchUnknownBlockTags(start, matched);
        match = matched.find(start);
    }
    if (match != matched.end() && match->second)
        setText(match->second, static_cast<const THtmlText*>(ends->second)->TextView());
}

// A design-only box gives way to what the user left in it, in order; one the user gave attributes of its
// own becomes the user's div, and a block that took the box's id (another block, or a second half of the
// box) the user's block, so no edit is lost.
// Answers the node the walk goes on from.
THtmlNode* THtmlFilter::MapBackBlockWrapper(THtmlNode* root, THtmlTag* wrapper, const TBlockEdges& edges,
                                             bool repeated, TMappedSource* inPlace) const
{
    if (repeated || wrapper->TagId() != TAG_DIV || HasOwnAttributes(wrapper)) {
        if (inPlace)
            inPlace->SaveAttributes(wrapper);
        MakeOwnBlock(wrapper);
        return root->GetNextNode(wrapper);
    }
    // The text at the box's edges as the user had it: the line break before the start tag and the one
    // after the last child read back as blanks the user never wrote, while a blank of the user's right
    // after the end tag is dropped by the reader.
    TMappedSource copyEdits(0);
    TMappedSource& edits = inPlace ? *inPlace : copyEdits;
    if (THtmlText* last = AsText(wrapper->LastChild()); last && last->TextView().trimmed().isEmpty())
        edits.RemoveNode(last);
    if (THtmlText* before = AsText(wrapper->PrevSibling()); before && !edges.BlankBefore &&
                                                             before->TextView().endsWith(u' ')) {
        if (before->TextView().size() == 1)
            edits.RemoveNode(before);
        else
            edits.SetText(before, before->TextView().chopped(1));
    }
    THtmlText* after = AsText(wrapper->NextSibling());
    if (edges.BlankAfter && !(after && after->TextView().startsWith(u' '))) {
        if (after)
            edits.SetText(after, QLatin1Char(' ') + after->Text());
        else
            edits.Add(wrapper->Parent(), wrapper->NextSibling(), new THtmlText(TAG_TEXT, QStringLiteral(" ")));
    }
    THtmlNode* next = wrapper->FirstChild() ? wrapper->FirstChild() : NextAfterSubtree(root, wrapper);
    if (inPlace) {
        inPlace->Unwrap(wrapper);
    } else {
        while (THtmlNode* child = wrapper->FirstChild())
            wrapper->InsertBefore(child);
        wrapper->Parent()->Remove(wrapper);
        delete wrapper;
        copyEdits.Keep();
    }
    return next;
}

std::unique_ptr<THtmlRoot> THtmlFilter::DesignToSource() const
{
    auto copy = std::make_unique<THtmlRoot>();
    if (FSource)
        copy->Assign(FSource.get());
    MapBack(copy.get(), nullptr);
    return copy;
}

void THtmlFilter::GetSourceText(QString& Html) const
{
    Html.clear();
    if (!FSource)
        return;
    Html.reserve(FTextSize + FTextSize / 8);
    TMappedSource mapped(FNodes.size());
    MapBack(FSource.get(), &mapped);
    // Written again in the rare case that a character the set was taken to hold does not read back.
    do {
        Html.clear();
        AppendHtmlDocument(Html, FSource.get(), FCharset.get());
    } while (!FCharset->CheckHeld());
    FTextSize = Html.size();
}

void THtmlFilter::SaveToStream(QIODevice& Stream) const
{
    if (!FSource)
        return;
    // Made whole first and handed over in one write.
    const QByteArray bytes = SaveToBytes();
    if (Stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Stream write error"));
}

QByteArray THtmlFilter::SaveToBytes() const
{
    if (!FSource)
        return QByteArray();
    QByteArray bytes;
    {
        TMappedSource mapped(FNodes.size());
        MapBack(FSource.get(), &mapped);
        // Written again in the rare case that a character the set was taken to hold does not read back.
        do {
            bytes = FCharset->ByteOrderMark();
            // A character of several bytes makes a page in a set of its own longer than its text.
            bytes.reserve(FTextSize + (FCharset->IsWestern() ? FTextSize / 8 : FTextSize / 2));
            TPageBytesSink sink(bytes, *FCharset);
            if (!WriteHtmlDocument(sink, FSource.get(), FCharset.get()))
                throw Exception(QStringLiteral("Stream write error"));
            sink.Finish();
        } while (!FCharset->CheckHeld());
    }
    FTextSize = bytes.size();
    return bytes;
}

bool THtmlFilter::SaveToFile(const QString& FileName) const
{
    if (!FSource)
        return false;
    QByteArray bytes;
    try {
        bytes = SaveToBytes();
    } catch (const Exception&) {
        return false;
    }
    QString reason;
    return SaveBytesToFile(FileName, bytes, reason);
}

// ---------------------------------------------------------------------------------------------------
// Builders

QString THtmlFilter::PlaceholderMarkup(THtmlNode* kept, const char* kind)
{
    const QString id = NextDesignId();
    Keep(kept);
    return QStringLiteral("<span id=\"%1\" class=\"dsgn_%2\" contentEditable=\"false\"></span>")
        .arg(id, QLatin1String(kind));
}

QString THtmlFilter::NewAnchor(const QString& Name)
{
    auto* a = new THtmlTag(TAG_A);
    a->SetAttribute(ATTR_NAME, Name);
    return PlaceholderMarkup(a, "anchor");
}

QString THtmlFilter::NewComment(const QString& Text)
{
    return PlaceholderMarkup(new THtmlText(TAG_COMMENT, Text), "comment");
}

QString THtmlFilter::NewScript(const QString& Type, const QString& Text, bool Defer)
{
    auto* script = new THtmlTag(TAG_SCRIPT);
    script->SetAttribute(ATTR_TYPE, Type);
    script->SetAttribute(ATTR_DEFER, Defer ? QStringLiteral("TRUE") : QString());
    if (!Text.isEmpty())
        script->Add(new THtmlText(TAG_COMMENT, Text));
    return PlaceholderMarkup(script, "script");
}

QString THtmlFilter::NewScriptFile(const QString& Src, const QString& Type, const QString& Charset, bool Defer)
{
    auto* script = new THtmlTag(TAG_SCRIPT);
    script->SetAttribute(ATTR_SRC, Src);
    script->SetAttribute(ATTR_TYPE, Type);
    script->SetAttribute(ATTR_CHARSET, Charset);
    script->SetAttribute(ATTR_DEFER, Defer ? QStringLiteral("TRUE") : QString());
    return PlaceholderMarkup(script, "scriptfile");
}

QString THtmlFilter::NewBgSound(const QString& Src, int Loop, bool AutoStart)
{
    auto* sound = new THtmlTag(TAG_BGSOUND);
    sound->SetAttribute(ATTR_SRC, Src);
    sound->SetAttribute(ATTR_LOOP, QString::number(Loop));
    sound->SetAttribute(ATTR_AUTOSTART, AutoStart ? QStringLiteral("TRUE") : QString());
    return PlaceholderMarkup(sound, "bgsound");
}

QString THtmlFilter::NewHiddenInput(const QString& Name, const QString& Value)
{
    auto* input = new THtmlTag(TAG_INPUT);
    input->SetAttribute(ATTR_TYPE, QStringLiteral("hidden"));
    input->SetAttribute(ATTR_NAME, Name);
    input->SetAttribute(ATTR_VALUE, Value);
    return PlaceholderMarkup(input, "hidden");
}

TOpenTag THtmlFilter::NewTable(const QString& Border, const QString& Width, const QString& Height)
{
    TOpenTag result;
    auto* table = new THtmlTag(TAG_TABLE);
    table->SetAttribute(ATTR_BORDER, Border);
    result.Id = NextDesignId();
    result.Html = QLatin1String("<table ") + AttributeMarkup("id", result.Id);
    if (Border.isEmpty() || Border == QLatin1String("0"))
        result.Html += AttributeMarkup("class", QStringLiteral("dsgn_layout"));
    PutField(result.Html, table, ATTR_WIDTH, "width", Width);
    PutField(result.Html, table, ATTR_HEIGHT, "height", Height);
    Keep(table);
    FTablesWithoutTbody.insert(table);
    result.Node = table;
    return result;
}

TOpenTag THtmlFilter::NewImage(const QString& Src, const QString& Width, const QString& Height)
{
    auto* img = new THtmlTag(TAG_IMG);
    img->SetAttribute(ATTR_SRC, Src);
    return ImageOpenTag(img, Src, Width, Height);
}

TOpenTag THtmlFilter::NewInputImage(const QString& Src, const QString& Name, const QString& Width,
                                    const QString& Height)
{
    auto* input = new THtmlTag(TAG_INPUT);
    input->SetAttribute(ATTR_TYPE, QStringLiteral("image"));
    input->SetAttribute(ATTR_NAME, Name);
    input->SetAttribute(ATTR_SRC, Src);
    return ImageOpenTag(input, Src, Width, Height);
}

// Images and image buttons both show as an img of the design page, with the source resolved for display.
TOpenTag THtmlFilter::ImageOpenTag(THtmlTag* kept, const QString& Src, const QString& Width, const QString& Height)
{
    TOpenTag result;
    result.Id = NextDesignId();
    QString designClass, designSrc;
    ResolveImageSource(Src, designClass, designSrc);
    result.Html = QLatin1String("<img ") + AttributeMarkup("id", result.Id) + AttributeMarkup("src", designSrc);
    if (!designClass.isEmpty())
        result.Html += AttributeMarkup("class", designClass);
    PutField(result.Html, kept, ATTR_WIDTH, "width", Width);
    PutField(result.Html, kept, ATTR_HEIGHT, "height", Height);
    Keep(kept);
    result.Node = kept;
    return result;
}

TOpenTag THtmlFilter::PlaceholderOpenTag(THtmlTag* kept, const QString& designClass, const QString& Width,
                                         const QString& Height, const QString& Align)
{
    TOpenTag result;
    result.Id = NextDesignId();
    result.Html = QLatin1String("<img ") + AttributeMarkup("id", result.Id) + AttributeMarkup("src", TransGif) +
                  AttributeMarkup("onResizeEnd", QLatin1String(ReportHandler)) + AttributeMarkup("class", designClass);
    PutField(result.Html, kept, ATTR_WIDTH, "width", Width);
    PutField(result.Html, kept, ATTR_HEIGHT, "height", Height);
    PutField(result.Html, kept, ATTR_ALIGN, "align", Align);
    Keep(kept);
    result.Node = kept;
    return result;
}

TOpenTag THtmlFilter::NewObject(const QString& ClassId, const QString& Width, const QString& Height,
                                const QString& Align)
{
    auto* object = new THtmlTag(TAG_OBJECT);
    object->SetAttribute(ATTR_CLASSID, ClassId);
    return PlaceholderOpenTag(object, ObjectDesignClass(ClassId), Width, Height, Align);
}

TOpenTag THtmlFilter::NewMarquee(const QString& Text, const QString& Width, const QString& Height,
                                 const QString& Align)
{
    auto* marquee = new THtmlTag(TAG_MARQUEE);
    if (!Text.isEmpty())
        marquee->Add(new THtmlText(TAG_TEXT, Text));
    return PlaceholderOpenTag(marquee, QStringLiteral("dsgn_marquee"), Width, Height, Align);
}

TOpenTag THtmlFilter::NewApplet(const QString& Width, const QString& Height, const QString& Align)
{
    return PlaceholderOpenTag(new THtmlTag(TAG_APPLET), QStringLiteral("dsgn_applet"), Width, Height, Align);
}

TOpenTag THtmlFilter::NewActiveX(const QString& Width, const QString& Height, const QString& Align)
{
    return PlaceholderOpenTag(new THtmlTag(TAG_OBJECT), QStringLiteral("dsgn_activex"), Width, Height, Align);
}

QString THtmlFilter::ObjectDesignClass(const QString& ClassId)
{
    for (const TObjectClass& entry : ObjectClasses)
        if (SameText(ClassId, QLatin1String(entry.ClassId)))
            return QLatin1String(entry.DesignClass);
    return QStringLiteral("dsgn_activex");
}

QStringList THtmlFilter::KnownClassIds()
{
    QStringList ids;
    for (const TObjectClass& entry : ObjectClasses)
        ids << QLatin1String(entry.ClassId);
    return ids;
}

void THtmlFilter::StoreBodyAttributes()
{
    if (!FSource)
        return;
    const THtmlTag* body = AsTag(FSource->FindFirst(TAG_BODY));
    if (!body)
        return;
    THtmlTag* kept = AsTag(FindNodeFor(body->GetAttribute(ATTR_ID), TAG_BODY));
    if (!kept)
        return;
    for (int attr : BodyAttributes)
        CopyAttribute(kept, body, attr);
}

void THtmlFilter::SetImageSource(const QString& Id, const QString& Src, QString& DesignSrc, QString& DesignClass)
{
    // Only an image or an image button takes a picture; a pasted id naming any other kept node is no
    // design id.
    THtmlTag* kept = AsTag(FindNode(Id));
    if (kept && (kept->TagId() == TAG_IMG ||
                 (kept->TagId() == TAG_INPUT && SameText(kept->GetAttribute(ATTR_TYPE), QStringLiteral("image")))))
        kept->SetAttribute(ATTR_SRC, Src);
    ResolveImageSource(Src, DesignClass, DesignSrc);
}

void THtmlFilter::GetMapNames(QStringList& List) const
{
    List.clear();
    for (const auto& node : FNodes) {
        if (node->TagId() != TAG_MAP)
            continue;
        const QStringView name = AttributeOf(node.get(), ATTR_NAME);
        if (!name.isEmpty())
            List.append(QLatin1Char('#') + name.toString());
    }
}

namespace {

THtmlTag* FindParam(const THtmlTag* Object, const QString& Name)
{
    for (THtmlNode* child = Object->FirstChild(); child; child = child->NextSibling())
        if (child->TagId() == TAG_PARAM)
            if (THtmlTag* param = AsTag(child); param && SameText(param->GetAttribute(ATTR_NAME), Name))
                return param;
    return nullptr;
}

} // namespace

void THtmlFilter::SetObjectParam(THtmlTag* Object, const QString& Name, const QString& Value,
                                 const TParamDefault& Default)
{
    if (!Object)
        return;
    THtmlTag* param = FindParam(Object, Name);
    if (Value.isEmpty() || SameText(Value, Default.Text)) {
        if (param) {
            Object->Remove(param);
            delete param;
        }
        return;
    }
    if (!param) {
        param = new THtmlTag(TAG_PARAM);
        Object->Add(param);
    }
    // Typed texts are taken as written: a value "TRUE" is a value, not a bare attribute.
    param->SetExplicitAttribute(ATTR_NAME, Name);
    param->SetExplicitAttribute(ATTR_VALUE, Value);
}

QString THtmlFilter::GetObjectParam(const THtmlTag* Object, const QString& Name)
{
    if (!Object)
        return {};
    const THtmlTag* param = FindParam(Object, Name);
    return param ? param->GetAttribute(ATTR_VALUE) : QString();
}

THtmlTag* THtmlFilter::BuildObjectEmbed(THtmlTag* Object)
{
    // Every embed below the object goes, in one walk (an embed inside another goes with it).
    std::vector<THtmlNode*> embeds;
    for (THtmlNode* node = Object->GetNextNode(nullptr); node;) {
        if (node->TagId() == TAG_EMBED) {
            embeds.push_back(node);
            node = NextAfterSubtree(Object, node);
        } else {
            node = Object->GetNextNode(node);
        }
    }
    for (THtmlNode* old : embeds) {
        old->Parent()->Remove(old);
        delete old;
    }
    auto* embed = new THtmlTag(TAG_EMBED);
    embed->SetAttribute(ATTR_WIDTH, Object->GetAttribute(ATTR_WIDTH));
    embed->SetAttribute(ATTR_HEIGHT, Object->GetAttribute(ATTR_HEIGHT));
    embed->SetAttribute(ATTR_NAME, Object->GetAttribute(ATTR_ID));
    for (THtmlNode* child = Object->FirstChild(); child; child = child->NextSibling()) {
        const THtmlTag* param = child->TagId() == TAG_PARAM ? AsTag(child) : nullptr;
        if (!param)
            continue;
        const QString name = param->GetAttribute(ATTR_NAME);
        const QString value = param->GetAttribute(ATTR_VALUE);
        if (!name.isEmpty() && !value.isEmpty())
            embed->SetRawAttribute(name, value);
    }
    Object->Add(embed);
    return embed;
}
