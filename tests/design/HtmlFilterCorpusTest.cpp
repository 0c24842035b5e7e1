// Real documentation pages opened and saved the way File > Open and File > Save do it (the design filter:
// load, design page, the body handed back as the engine would, mapping back, save), checked with an
// independent reader (libxml2's HTML parser, linked into this test only): every visible word of the body
// in order and unsplit, every id and name, per tag the elements written with attributes and per name the
// attributes; a second open and save writes the same bytes; and the reader reads its own output as the
// same tree.
//
// The pages are the sample in tests/data/corpus, or the folder named by CORVALITE_CORPUS (scripts/corpus.sh
// assembles the whole corpus there); one figure line per generator (sub-folder) goes to standard output,
// and with CORVALITE_CORPUS_REPORT set the per-tag and per-attribute counts go to that file. With
// CORVALITE_CORPUS_SAVED set, each saved page goes into that folder under its own relative path, for the
// checks of scripts/word-formatting.py.
#include <gtest/gtest.h>

#include "HtmlConv.h"
#include "HtmlEncode.h"
#include "HtmlEntities.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "TestData.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// --- what the independent reader sees -------------------------------------------------------------------

struct TPageView
{
    QStringList Words;                  // visible words of the body, in order
    QMap<QString, int> IdsAndNames;     // "id=x" / "name=y" -> count
    QMap<QString, int> AttributedTags;  // tag -> elements with at least one attribute
    QMap<QString, int> Attributes;      // attribute name -> count
};

bool NameIn(const xmlChar* name, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (xmlStrcasecmp(name, reinterpret_cast<const xmlChar*>(n)) == 0)
            return true;
    return false;
}

// Elements laid out apart from the running text: their edges separate words.
bool SeparatesWords(const xmlChar* name)
{
    return NameIn(name, {"address", "article", "aside", "blockquote", "body", "br", "caption", "center", "dd",
                         "details", "dialog", "dir", "div", "dl", "dt", "fieldset", "figcaption", "figure",
                         "footer", "form", "frameset", "h1", "h2", "h3", "h4", "h5", "h6", "header", "hgroup",
                         "hr", "html", "legend", "li", "main", "menu", "nav", "noframes", "ol", "optgroup",
                         "option", "p", "pre", "section", "summary", "table", "tbody", "td", "tfoot", "th",
                         "thead", "tr", "ul", "select", "textarea", "iframe", "object", "img", "input"});
}

QString Lower(const xmlChar* s)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(s)).toLower();
}

TPageView ReadIndependently(const QByteArray& bytes, const char* encoding)
{
    TPageView view;
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), "page.html", encoding,
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                        HTML_PARSE_RECOVER | HTML_PARSE_COMPACT);
    if (!doc)
        return view;
    QString text;
    auto flushWords = [&] {
        for (const QString& w : text.split(QRegularExpression(QStringLiteral("[ \\t\\n\\f\\r]+")), Qt::SkipEmptyParts))
            view.Words.append(w);
        text.clear();
    };
    // Iterative walk of the whole document; words only inside the body.
    std::vector<std::pair<xmlNodePtr, bool>> stack; // node, inside body
    for (xmlNodePtr n = xmlDocGetRootElement(doc); n; n = n->next)
        stack.push_back({n, false});
    std::reverse(stack.begin(), stack.end());
    std::vector<xmlNodePtr> closing; // elements whose end separates words, as markers
    while (!stack.empty()) {
        auto [node, inBody] = stack.back();
        stack.pop_back();
        if (!node) { // end marker of a separating element
            flushWords();
            continue;
        }
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (inBody)
                text += QString::fromUtf8(reinterpret_cast<const char*>(node->content));
            continue;
        }
        if (node->type != XML_ELEMENT_NODE)
            continue;
        const QString tag = Lower(node->name);
        int attributes = 0;
        for (xmlAttrPtr a = node->properties; a; a = a->next) {
            ++attributes;
            const QString name = Lower(a->name);
            ++view.Attributes[name];
            if (name == u"id" || name == u"name") {
                xmlChar* value = xmlNodeListGetString(doc, a->children, 1);
                ++view.IdsAndNames[name + u'=' + QString::fromUtf8(reinterpret_cast<const char*>(value))];
                xmlFree(value);
            }
        }
        if (attributes > 0)
            ++view.AttributedTags[tag];
        const bool body = inBody || tag == u"body";
        if (NameIn(node->name, {"script", "style", "template", "head", "title"}))
            continue;
        const bool separates = SeparatesWords(node->name);
        if (separates && body) {
            flushWords();
            stack.push_back({nullptr, body});
        }
        std::vector<xmlNodePtr> children;
        for (xmlNodePtr c = node->children; c; c = c->next)
            children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back({*it, body});
    }
    flushWords();
    xmlFreeDoc(doc);
    return view;
}

// What a page holds as the independent reader reads its bytes, finding their set as browsers do (a mark, else
// the page's declaration): the first declaration of a meta, and per element id the value of its href or value
// attribute, references decoded, or else its text (a script's code as it stands).
struct TPageValues
{
    QString Declared;
    QMap<QString, QString> ById;
};

TPageValues ReadValues(const QByteArray& bytes)
{
    TPageValues values;
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), "page.html", nullptr,
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return values;
    const auto text = [](xmlChar* s) {
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(s));
        xmlFree(s);
        return t;
    };
    std::vector<xmlNodePtr> stack = {xmlDocGetRootElement(doc)};
    while (!stack.empty()) {
        xmlNodePtr n = stack.back();
        stack.pop_back();
        if (!n)
            continue;
        for (xmlNodePtr c = n->children; c; c = c->next)
            stack.push_back(c);
        if (n->type != XML_ELEMENT_NODE)
            continue;
        const auto attribute = [&](const char* name) {
            xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
            return v ? text(v) : QString();
        };
        if (NameIn(n->name, {"meta"}) && values.Declared.isEmpty())
            values.Declared = attribute("charset").isEmpty() ? attribute("content") : attribute("charset");
        if (const QString id = attribute("id"); !id.isEmpty()) {
            QString value = attribute("href");
            if (value.isEmpty())
                value = attribute("value");
            values.ById[id] = value.isEmpty() ? text(xmlNodeGetContent(n)) : value;
        }
    }
    xmlFreeDoc(doc);
    return values;
}

// --- the editor's own open and save ------------------------------------------------------------------------

// Where two saves part: the line number and both lines, for a failure message.
std::string FirstDifference(const QByteArray& first, const QByteArray& second)
{
    const QList<QByteArray> x = first.split('\n'), y = second.split('\n');
    qsizetype i = 0;
    while (i < x.size() && i < y.size() && x[i] == y[i])
        ++i;
    return "differs at line " + std::to_string(i + 1) + ":\n  " + x.value(i).left(300).toStdString() +
           "\nsecond:\n  " + y.value(i).left(300).toStdString();
}

// Opens and saves the page as File > Open and File > Save do; charset, when given, gets the name of the set
// the page is saved in.
QByteArray OpenAndSave(const QByteArray& bytes, const QString& folder, QByteArray* charset = nullptr)
{
    THtmlFilter filter;
    filter.SetBasePath(folder);
    filter.LoadFromBytes(bytes);
    if (charset)
        *charset = filter.PageCharset()->Name();
    QString page;
    filter.GetDesignText(page);
    // The engine hands the body back as it was given (without the fixed head and the closing html).
    QString body = page.mid(filter.DesignHeadLength());
    if (body.endsWith(u"\r\n</html>"))
        body.chop(9);
    filter.SetDesignText(body);
    return filter.SaveToBytes();
}

// --- the reader on its own output ----------------------------------------------------------------------------

bool IsBlankText(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
}

bool DroppedWhenEmpty(int id)
{
    switch (id) {
    case TAG_ADDRESS: case TAG_BLOCKQUOTE: case TAG_CENTER: case TAG_DEL: case TAG_DIV: case TAG_H1: case TAG_H2:
    case TAG_H3: case TAG_H4: case TAG_H5: case TAG_H6: case TAG_INS: case TAG_NOFRAMES: case TAG_NOSCRIPT:
    case TAG_P: case TAG_PRE:
        return true;
    default:
        return false;
    }
}

// Holds nothing a reader keeps: an attribute-less element the reader drops when empty, with blanks and
// more such elements inside.
bool CarriesNothing(const THtmlNode* node)
{
    if (!DroppedWhenEmpty(node->TagId()) || static_cast<const THtmlTag*>(node)->AttributeCount() > 0)
        return false;
    for (const THtmlNode* n = node->GetNextNode(nullptr); n; n = node->GetNextNode(n)) {
        if (n->TagId() == TAG_TEXT) {
            if (!IsBlankText(static_cast<const THtmlText*>(n)->Text()) || node->TagId() == TAG_PRE)
                return false;
        } else if (n->NodeClass() != THtmlNode::ncTag || !DroppedWhenEmpty(n->TagId()) ||
                   static_cast<const THtmlTag*>(n)->AttributeCount() > 0) {
            return false;
        }
    }
    return true;
}

// Text with its character references decoded: the writer writes characters from 128 up as references,
// which the tree then holds as such.
QString DecodedText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            const qsizetype semicolon = text.indexOf(u';', i);
            if (semicolon > i && semicolon - i <= 12) {
                if (const char32_t code = EntityToChar(QStringView(text).mid(i, semicolon - i + 1))) {
                    out += QString::fromUcs4(&code, 1);
                    i = semicolon;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

// The tree as a list of lines: elements with their attributes as stored, raw nodes, and texts, where
// neighbouring texts are one text, blanks are one blank, and what carries nothing is left out.
QStringList TreeLines(const THtmlRoot* root)
{
    QStringList lines;
    QString text;
    auto flush = [&] {
        // Blanks are the word check's business: here only what the text says.
        const QString t = text.simplified();
        if (!t.isEmpty())
            lines.append(u'"' + t + u'"');
        text.clear();
    };
    const THtmlNode* n = root->GetNextNode(nullptr);
    while (n) {
        const THtmlNode* next = nullptr;
        if (n->TagId() == TAG_TEXT) {
            text += DecodedText(static_cast<const THtmlText*>(n)->Text());
        } else if (n->NodeClass() == THtmlNode::ncTag && CarriesNothing(n)) {
            // skipped with its subtree
            for (const THtmlNode* p = n; p && p != root; p = p->Parent())
                if ((next = p->NextSibling()))
                    break;
            n = next;
            continue;
        } else {
            flush();
            QString line = TagIdToName(n->TagId());
            if (n->NodeClass() == THtmlNode::ncText) {
                QString raw = static_cast<const THtmlText*>(n)->Text();
                // The writer ends every line of a comment with CR LF, whichever line ends it was read with.
                if (n->TagId() == TAG_COMMENT)
                    raw.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
                line += u' ' + raw;
            }
            if (n->NodeClass() == THtmlNode::ncTag) {
                const auto* e = static_cast<const THtmlTag*>(n);
                for (int i = 0; i < e->AttributeCount(); ++i)
                    line += QStringLiteral(" %1:%2%3").arg(e->GetAttributeId(i)).arg(DecodedText(e->GetAttributeValue(i)),
                                                                                      e->IsAttributeValueless(i) ? u"!" : u"");
                int depth = 0;
                for (const THtmlNode* p = n->Parent(); p; p = p->Parent())
                    ++depth;
                line.prepend(QString(depth, u'.'));
            }
            lines.append(line);
        }
        n = root->GetNextNode(n);
    }
    flush();
    return lines;
}

QString WriteText(THtmlRoot* root)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteHtmlDocument(buffer, root);
    return QString(reinterpret_cast<const QChar*>(buffer.data().constData()), buffer.data().size() / 2);
}

// --- figures -------------------------------------------------------------------------------------------------

struct TFigures
{
    int Pages = 0;
    qint64 Bytes = 0;
    qint64 Words = 0, WordsKept = 0;
    qint64 Ids = 0, IdsKept = 0;
    qint64 AttributedElements = 0, AttributedElementsSaved = 0;
    qint64 AttributeCount = 0, AttributeCountSaved = 0;
    int ByteEqual = 0, StableTrees = 0;
    QMap<QString, std::pair<int, int>> Tags, Attributes; // source, saved
};

// How many words of a come in order in b (a longest common subsequence, banded to stay cheap).
qint64 WordsInOrder(const QStringList& a, const QStringList& b)
{
    if (a == b)
        return a.size();
    qint64 kept = 0;
    qsizetype j = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const qsizetype found = b.indexOf(a[i], j);
        if (found >= 0 && found - j < 64) {
            ++kept;
            j = found + 1;
        }
    }
    return kept;
}

QString FirstDifference(const QStringList& a, const QStringList& b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return QStringLiteral("word %1: source \"%2\" saved \"%3\"")
        .arg(i)
        .arg(a.mid(qMax<qsizetype>(0, i - 3), 7).join(u' '), b.mid(qMax<qsizetype>(0, i - 3), 7).join(u' '));
}

QString CorpusFolder()
{
    const QByteArray env = qgetenv("CORVALITE_CORPUS");
    return env.isEmpty() ? TestDataPath(QStringLiteral("corpus")) : QString::fromLocal8Bit(env);
}

// The sample pages below root, in a steady order.
QStringList CorpusPages(const QString& root)
{
    QDirIterator it(root, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

TEST(HtmlFilterCorpus, OpenAndSaveThroughTheFilterKeepsWhatTheAuthorWrote)
{
    const QString root = QDir(CorpusFolder()).absolutePath();
    QMap<QString, TFigures> figures;
    const QStringList files = CorpusPages(root);
    ASSERT_GE(files.size(), 10) << root.toStdString();
    for (const QString& path : files) {
        const QString relative = QDir(root).relativeFilePath(path);
        SCOPED_TRACE(relative.toStdString());
        const QString generator = relative.contains(u'/') ? relative.section(u'/', 0, 0) : QStringLiteral("older");
        TFigures& f = figures[generator];
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray source = file.readAll();
        ++f.Pages;
        f.Bytes += source.size();

        const QString folder = QFileInfo(path).absolutePath();
        QByteArray savedIn;
        const QByteArray saved = OpenAndSave(source, folder, &savedIn);
        if (const QByteArray keep = qgetenv("CORVALITE_CORPUS_SAVED"); !keep.isEmpty()) {
            const QString target = QDir(QString::fromLocal8Bit(keep)).filePath(relative);
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile out(target);
            EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(saved) == saved.size()) << target.toStdString();
        }
        const QByteArray again = OpenAndSave(saved, folder);
        if (again != saved)
            ADD_FAILURE() << "the second save " << FirstDifference(saved, again);
        f.ByteEqual += again == saved;

        // libxml2 finds the character set of a meta element itself, but not that of an XML declaration.
        QByteArray declared;
        if (source.startsWith("<?xml")) {
            static const QRegularExpression encoding(QStringLiteral("^<\\?xml[^>]*encoding=[\"']([^\"']+)"));
            declared = encoding.match(QString::fromLatin1(source.left(200))).captured(1).toLatin1();
        }
        // libxml2 reads the Japanese sets through the converter, whose tables give a few characters as other
        // look-alikes than browsers read them: in EUC-JP six of rows 1 and 2 (wave dash, double bar, minus,
        // cent, pound and not signs), in Shift_JIS the backslash and the tilde (as yen sign and overline).
        const auto asBrowsersRead = [](TPageView View, const QByteArray& Set) {
            using TLookAlike = std::pair<char16_t, char16_t>; // the converter's character, the browsers'
            static const std::vector<TLookAlike> eucJp = {{u'\u301C', u'\uFF5E'}, {u'\u2016', u'\u2225'},
                                                          {u'\u2212', u'\uFF0D'}, {u'\u00A2', u'\uFFE0'},
                                                          {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'}};
            static const std::vector<TLookAlike> shiftJis = {{u'\u00A5', u'\\'}, {u'\u203E', u'~'}};
            const bool isEucJp = Set.compare("EUC-JP", Qt::CaseInsensitive) == 0;
            if (isEucJp || Set.compare("SHIFT_JIS", Qt::CaseInsensitive) == 0)
                for (QString& word : View.Words)
                    for (auto [converter, browsers] : isEucJp ? eucJp : shiftJis)
                        word.replace(QChar(converter), QChar(browsers));
            return View;
        };
        const TPageView before =
            asBrowsersRead(ReadIndependently(source, declared.isEmpty() ? nullptr : declared.constData()), declared);
        const TPageView after = asBrowsersRead(ReadIndependently(saved, savedIn.constData()), savedIn);
        f.Words += before.Words.size();
        f.WordsKept += WordsInOrder(before.Words, after.Words);
        EXPECT_EQ(before.Words, after.Words) << FirstDifference(before.Words, after.Words).toStdString();
        for (auto [name, count] : before.IdsAndNames.asKeyValueRange()) {
            f.Ids += count;
            f.IdsKept += qMin(count, after.IdsAndNames.value(name));
            EXPECT_GE(after.IdsAndNames.value(name), count) << name.toStdString();
        }
        for (auto [tag, count] : before.AttributedTags.asKeyValueRange()) {
            f.AttributedElements += count;
            f.Tags[tag].first += count;
            EXPECT_GE(after.AttributedTags.value(tag), count) << "elements with attributes: " << tag.toStdString();
        }
        for (auto [tag, count] : after.AttributedTags.asKeyValueRange()) {
            f.AttributedElementsSaved += count;
            f.Tags[tag].second += count;
        }
        for (auto [name, count] : before.Attributes.asKeyValueRange()) {
            f.AttributeCount += count;
            f.Attributes[name].first += count;
            EXPECT_GE(after.Attributes.value(name), count) << "attribute " << name.toStdString();
        }
        for (auto [name, count] : after.Attributes.asKeyValueRange()) {
            f.AttributeCountSaved += count;
            f.Attributes[name].second += count;
        }

        // The reader on its own output: the tree read back is the tree that was written.
        QBuffer raw;
        raw.setData(source);
        raw.open(QIODevice::ReadOnly);
        QBuffer wide;
        wide.open(QIODevice::ReadWrite);
        ConvertToUnicode(raw, wide);
        const QString text = QString(reinterpret_cast<const QChar*>(wide.data().constData()), wide.data().size() / 2);
        auto first = ParseHtml(QStringView(text));
        const QString written = WriteText(first.get());
        auto second = ParseHtml(QStringView(written));
        WriteText(second.get());
        const QStringList a = TreeLines(first.get());
        const QStringList b = TreeLines(second.get());
        if (a != b) {
            qsizetype i = 0;
            while (i < a.size() && i < b.size() && a[i] == b[i])
                ++i;
            ADD_FAILURE() << "the tree read back differs at line " << i << ":\n  "
                          << a.mid(qMax<qsizetype>(0, i - 2), 5).join(u"\n  ").toStdString() << "\nread back:\n  "
                          << b.mid(qMax<qsizetype>(0, i - 2), 5).join(u"\n  ").toStdString();
        }
        f.StableTrees += a == b;
    }

    QString details;
    QTextStream report(&details);
    std::printf("%-12s %5s %7s %22s %18s %26s %26s %8s %8s\n", "generator", "pages", "MB", "words kept",
                "ids/names kept", "attributed elements", "attributes", "2nd=1st", "stable");
    for (auto [generator, f] : figures.asKeyValueRange()) {
        std::printf("%-12s %5d %7.1f %10lld/%-11lld %8lld/%-9lld %12lld->%-12lld %12lld->%-12lld %4d/%-3d %4d/%-3d\n",
                    qPrintable(generator), f.Pages, f.Bytes / 1048576.0, f.WordsKept, f.Words, f.IdsKept, f.Ids,
                    f.AttributedElements, f.AttributedElementsSaved, f.AttributeCount, f.AttributeCountSaved,
                    f.ByteEqual, f.Pages, f.StableTrees, f.Pages);
        report << "== " << generator << "\n-- tag: elements with attributes (source -> saved)\n";
        for (auto [tag, counts] : f.Tags.asKeyValueRange())
            report << tag << '\t' << counts.first << '\t' << counts.second << '\n';
        report << "-- attribute: count (source -> saved)\n";
        for (auto [name, counts] : f.Attributes.asKeyValueRange())
            report << name << '\t' << counts.first << '\t' << counts.second << '\n';
    }
    if (const QByteArray out = qgetenv("CORVALITE_CORPUS_REPORT"); !out.isEmpty()) {
        QFile file(QString::fromLocal8Bit(out));
        if (file.open(QIODevice::WriteOnly))
            file.write(details.toUtf8());
    }
}

// Elements put in by the tag tools at random places of the sample pages, among text edits, as the engine
// hands them back: the save writes what every later save writes, both without an edit between and after the
// saved file is opened again, whatever order the tools and the reader gave the attributes.
TEST(HtmlFilterCorpus, AfterInsertionsAndEditsASecondSaveWritesTheSameBytes)
{
    const QString root = QDir(CorpusFolder()).absolutePath();
    const QStringList files = CorpusPages(root);
    ASSERT_GE(files.size(), 10) << root.toStdString();
    unsigned seed = 4321;
    const auto next = [&seed](unsigned below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    // The pages are opened as if from a folder that holds one of the pictures, so that images show from
    // their file as well as over a class's picture.
    QTemporaryDir dir;
    const QString folder = dir.path();
    QFile picture(dir.filePath(QStringLiteral("pic.gif")));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write("GIF89a");
    picture.close();
    const QStringList sources = {QStringLiteral("pic.gif"), QStringLiteral("missing/pic.gif"), QStringLiteral("http://x.org/a.gif")};
    for (const QString& path : files) {
        SCOPED_TRACE(QDir(root).relativeFilePath(path).toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        THtmlFilter filter;
        filter.SetBasePath(folder);
        filter.LoadFromBytes(file.readAll());
        QString page;
        filter.GetDesignText(page);
        QString body = page.mid(filter.DesignHeadLength());
        body.chop(9);
        for (int i = 0; i < 12; ++i) {
            // Into a paragraph, item or cell, before its end tag; or right after a paragraph, where a line
            // starts after a block.
            static const QRegularExpression ends(QStringLiteral("</(p|li|td|dd)>"));
            QList<qsizetype> places;
            for (auto m = ends.globalMatch(body); m.hasNext();) {
                const QRegularExpressionMatch match = m.next();
                places.append(match.capturedStart());
                if (match.captured(1) == u"p")
                    places.append(match.capturedEnd());
            }
            if (places.isEmpty())
                break;
            const QString src = sources[next(unsigned(sources.size()))];
            QString piece;
            switch (next(13)) {
            case 0: piece = filter.NewImage(src).Html + QStringLiteral("alt=\"a picture\" border=\"0\">"); break;
            case 1: piece = filter.NewImage(src, QStringLiteral("20"), QStringLiteral("10")).Html + QStringLiteral("alt=\"b\" align=\"left\">"); break;
            case 2: piece = filter.NewInputImage(src, QStringLiteral("go")).Html + QStringLiteral("alt=\"c\">"); break;
            case 3: piece = filter.NewComment(QStringLiteral("<!-- a note -->")); break;
            case 4: piece = filter.NewAnchor(QStringLiteral("here")); break;
            case 5: piece = filter.NewTable(QStringLiteral("0"), QStringLiteral("50%")).Html + QStringLiteral("cellpadding=\"2\"><tbody><tr><td>t</td></tr></tbody></table>"); break;
            case 6: piece = filter.NewMarquee(QStringLiteral("Run"), QStringLiteral("100")).Html + QStringLiteral(">"); break;
            case 7: piece = filter.NewObject(QStringLiteral("clsid:x"), QStringLiteral("40"), QStringLiteral("30")).Html + QStringLiteral(">"); break;
            // Typed text with its blanks where a user may type them: after, before or alone between
            // the placeholders and words that stand there.
            case 8: piece = QStringLiteral(" typed <b>words</b>"); break;
            case 9: piece = QStringLiteral(" "); break;
            case 10: piece = filter.NewComment(QStringLiteral("<!-- a note -->")) + QStringLiteral(" ") + filter.NewAnchor(QStringLiteral("there")); break;
            case 11: piece = filter.NewAnchor(QStringLiteral("where")) + QStringLiteral(" typed ") + filter.NewComment(QStringLiteral("<!-- a note -->")); break;
            default: piece = QStringLiteral("typed <b>words</b> "); break;
            }
            body.insert(places[next(unsigned(places.size()))], piece);
        }
        filter.SetDesignText(body);
        const QByteArray saved = filter.SaveToBytes();
        EXPECT_EQ(filter.SaveToBytes(), saved);
        const QByteArray again = OpenAndSave(saved, folder);
        if (again != saved)
            ADD_FAILURE() << "the save after opening the saved file " << FirstDifference(saved, again);
    }
}

// A page saved through the filter, read back as a browser reads it, declares the set it was read in and holds
// what it held: a link's address, a field's value and a template's text, so the link and the form send what
// they sent (a browser encodes them in the page's set) and the template shows what it showed. The page
// saves the same again; its byte-order mark stays. (The templates hold no "</", where the independent
// reader ends a script.)
TEST(HtmlFilterCorpus, ASavedPageKeepsItsCharacterSet)
{
    const QByteArray head = "<html><head>";
    const QByteArray utf8Body = "<title>t</title></head><body><a id=\"link\" href=\"s?q=caf\xC3\xA9+\xE6\x97\xA5\xE6\x9C\xAC\">x</a>"
                                "<form action=\"f\"><input id=\"field\" name=\"q\" value=\"\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC\"></form>"
                                "<script id=\"tpl\" type=\"text/template\"><b>\xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC <b>{x}</script>"
                                "</body></html>";
    const QStringList utf8Values = {u"s?q=caf\u00E9+\u65E5\u672C"_qs, u"\u65E5\u672C \u20AC"_qs, u"<b>\u65E5\u672C \u20AC <b>{x}"_qs};
    const QString page = u"<html><head><meta charset=\"utf-16\"><title>t</title></head><body><a id=\"link\" "
                         u"href=\"s?q=\u65E5\">x</a><input id=\"field\" value=\"\u20AC\"><script id=\"tpl\" "
                         u"type=\"text/template\">\u00E9</script></body></html>"_qs;
    QByteArray utf16("\xFF\xFE");
    for (QChar c : page)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    const struct
    {
        QByteArray Page;
        const char* Declared;
        QStringList Values; // the link's, the field's, the template's
        QByteArray Mark;
    } cases[] = {
        {head + "<meta charset=\"utf-8\">" + utf8Body, "utf-8", utf8Values, ""},
        // The mark decides over a declaration, which then says the page's set.
        {"\xEF\xBB\xBF" + head + "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">" + utf8Body,
         "text/html; charset=UTF-8", utf8Values, "\xEF\xBB\xBF"},
        {head + "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\"><title>t</title></head><body>"
                "<a id=\"link\" href=\"s?q=\x93\xFA\x96\x7B\">x</a><input id=\"field\" value=\"\x93\xFA\x96\x7B \x83\x41\">"
                "<script id=\"tpl\" type=\"text/template\"><b>\x93\xFA\x96\x7B <b>{x}</script></body></html>",
         "text/html; charset=Shift_JIS", {u"s?q=\u65E5\u672C"_qs, u"\u65E5\u672C \u30A2"_qs, u"<b>\u65E5\u672C <b>{x}"_qs}, ""},
        {utf16, "utf-16", {u"s?q=\u65E5"_qs, u"\u20AC"_qs, u"\u00E9"_qs}, "\xFF\xFE"},
        // A Western page is declared ISO-8859-1, as it always was, and reads the same.
        {head + "<meta charset=\"windows-1252\"><title>t</title></head><body><a id=\"link\" href=\"s?q=caf\xE9\">x</a>"
                "<input id=\"field\" value=\"\x80 5\"><script id=\"tpl\" type=\"text/template\"><b>caf\xE9 <b>{x}</script></body></html>",
         "ISO-8859-1", {u"s?q=caf\u00E9"_qs, u"\u20AC 5"_qs, u"<b>caf\u00E9 <b>{x}"_qs}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Declared);
        const QByteArray saved = OpenAndSave(c.Page, QString());
        const TPageValues read = ReadValues(saved);
        EXPECT_EQ(read.Declared, QLatin1String(c.Declared));
        EXPECT_EQ(QStringList({read.ById.value("link"), read.ById.value("field"), read.ById.value("tpl")}).join(u'|').toStdString(),
                  c.Values.join(u'|').toStdString());
        EXPECT_EQ(saved.left(c.Mark.size()), c.Mark);
        EXPECT_EQ(OpenAndSave(saved, QString()), saved);
    }
}

// Pages in UTF-8, Shift_JIS and Windows-1252 with characters of their set in every place (ordinary text,
// attribute values, pre and text areas, comments, scripts and styles), and characters of any set or none,
// control characters among them, in attribute values and text as the engine hands them back: the save reads
// back to the same values and texts (references decoded), declares the same set, and is what every later
// save writes.
TEST(HtmlFilterCorpus, RandomCharactersSaveTheSameTwiceInTheSetOfThePage)
{
    struct TSet
    {
        QByteArray Declaration; // as the saved page has it too
        std::vector<QByteArray> Own; // characters of the set, as its bytes
    };
    const TSet sets[] = {
        {"<meta charset=\"utf-8\">", {"\xC3\xA9", "\xE6\x97\xA5", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC2\x85"}},
        {"<meta charset=\"shift_jis\">", {"\x93\xFA", "\x96\x7B", "\x83\x41", "\x95\x5C", "\x80"}},
        {"<meta charset=\"ISO-8859-1\">", {"\xE9", "\xFF", "\xA9", "\x81"}},
    };
    const char* const shapes[] = {
        "<p title=\"X\">X text</p>", "<pre>X</pre>", "<p><textarea>X</textarea></p>", "<!-- X -->",
        "<script>var s = 'X';</script>", "<script type=\"text/template\"><b>X</b></script>",
        "<style>p:after { content: 'X' }</style>", "<p><a href=\"s?q=X\">X</a> <input value=\"X\"></p>"};
    const QStringList handed = {u"\u00E9"_qs, u"\u65E5"_qs, u"\u20AC"_qs, u"\U0001F600"_qs, u"\u0083"_qs, u"\u0085"_qs,
                                u"\u30A2"_qs, u"\u00A5"_qs};
    unsigned seed = 2024;
    const auto next = [&seed](unsigned below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    for (const TSet& set : sets) {
        for (int n = 0; n < 30; ++n) {
            QByteArray bytes = "<html><head>" + set.Declaration + "<title>t</title></head><body>";
            for (unsigned k = 4 + next(8); k > 0; --k) {
                QByteArray own;
                for (unsigned i = 1 + next(3); i > 0; --i)
                    own += set.Own[next(unsigned(set.Own.size()))];
                bytes += QByteArray(shapes[next(std::size(shapes))]).replace("X", own);
            }
            bytes += "</body></html>";
            SCOPED_TRACE(bytes.toStdString());
            THtmlFilter filter;
            filter.LoadFromBytes(bytes);
            QString page;
            filter.GetDesignText(page);
            QString body = page.mid(filter.DesignHeadLength());
            body.chop(9);
            for (unsigned k = next(4); k > 0; --k) {
                QString piece = u"<span title=\"X\">X</span>"_qs;
                piece.replace(u"X"_qs, handed[next(unsigned(handed.size()))] + handed[next(unsigned(handed.size()))]);
                const qsizetype at = body.indexOf(u"</p>"_qs, next(unsigned(body.size())));
                body.insert(at < 0 ? body.lastIndexOf(u"</body>"_qs) : at, piece);
            }
            filter.SetDesignText(body);
            const QStringList lines = TreeLines(filter.DesignToSource().get());
            const QByteArray saved = filter.SaveToBytes();
            THtmlFilter reopened;
            reopened.LoadFromBytes(saved);
            const QStringList read = TreeLines(reopened.DesignToSource().get());
            EXPECT_EQ(read.join(u'\n').toStdString(), lines.join(u'\n').toStdString()) << "saved:\n" << saved.toStdString();
            EXPECT_TRUE(saved.contains(set.Declaration)) << saved.toStdString();
            EXPECT_EQ(reopened.SaveToBytes(), saved);
            ASSERT_FALSE(testing::Test::HasFailure());
        }
    }
}

} // namespace
