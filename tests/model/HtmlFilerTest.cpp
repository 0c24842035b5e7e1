#include <gtest/gtest.h>

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlFiler.h"
#include "HtmlTags.h"
#include "SmallStack.h"
#include "TestData.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// --- helpers -------------------------------------------------------------------------------------------

std::unique_ptr<THtmlRoot> Parse(const QString& text)
{
    return ParseHtml(QStringView(text));
}

QString Write(THtmlRoot* root)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteHtmlDocument(buffer, root));
    const QByteArray& bytes = buffer.data();
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

QString RoundTrip(const QString& text)
{
    return Write(Parse(text).get());
}

void DumpNode(const THtmlNode* node, QString& out);

void DumpChildren(const THtmlNode* node, QString& out)
{
    for (const THtmlNode* c = node->FirstChild(); c; c = c->NextSibling())
        DumpNode(c, out);
}

// A compact picture of a tree: elements as name[attributes]{children}, texts quoted, raw nodes quoted
// after a mark (# comment, ? PHP, % ASP, ! unrecognised tag), document types as doctypeN, or as doctype(text)
// when kept as written.
void DumpNode(const THtmlNode* node, QString& out)
{
    const int id = node->TagId();
    if (auto* text = dynamic_cast<const THtmlText*>(node)) {
        const char* mark = id == TAG_TEXT ? "" : id == TAG_COMMENT ? "#" : id == TAG_PHP ? "?" : id == TAG_ASP ? "%" : "!";
        out += QLatin1StringView(mark) + u'"' + text->Text() + u'"';
        return;
    }
    if (auto* doctype = dynamic_cast<const THtmlDocType*>(node)) {
        out += QStringLiteral("doctype") + (doctype->Written().isEmpty() ? QString::number(int(doctype->Kind()))
                                                                          : u'(' + doctype->Written() + u')');
        return;
    }
    auto* e = dynamic_cast<const THtmlTag*>(node);
    ASSERT_NE(e, nullptr);
    out += TagIdToName(id);
    if (e->AttributeCount() > 0) {
        out += u'[';
        for (int i = 0; i < e->AttributeCount(); ++i) {
            if (i > 0)
                out += u',';
            const int attr = e->GetAttributeId(i);
            if (attr < 0)
                out += u'~' + e->GetAttributeValue(i);
            else if (e->IsAttributeValueless(i))
                out += AttrIdToName(attr);
            else
                out += AttrIdToName(attr) + u'=' + e->GetAttributeValue(i);
        }
        out += u']';
    }
    if (e->FirstChild()) {
        out += u'{';
        DumpChildren(e, out);
        out += u'}';
    }
}

QString Tree(const QString& text)
{
    auto root = Parse(text);
    QString out;
    DumpChildren(root.get(), out);
    return out;
}

QString ParseError(const QString& text)
{
    try {
        Parse(text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

QStringList Lines(const QString& text)
{
    return text.split(QStringLiteral("\r\n"));
}

struct TTreeCase
{
    const char16_t* Input;
    const char16_t* Tree;
};

void ExpectTrees(std::initializer_list<TTreeCase> cases)
{
    for (const TTreeCase& c : cases)
        EXPECT_EQ(Tree(QString::fromUtf16(c.Input)), QString::fromUtf16(c.Tree))
            << "input: " << QString::fromUtf16(c.Input).toStdString();
}

// --- parser --------------------------------------------------------------------------------------------

TEST(HtmlFilerParse, ImpliedHtmlAndBodyAroundContentAndNothingForNothing)
{
    ExpectTrees({
        {u"", u""},
        {u"Hello", u"html{body{\"Hello\"}}"},
        {u"   \r\n  ", u""},
        {u"<p>x", u"html{body{p{\"x\"}}}"},
        {u"<html><head><title>T</title></head><body>b</body></html>",
         u"html{head{title{\"T\"}}body{\"b\"}}"},
        {u"<body bgcolor=red><p>x</p><body text=blue>", u"html{body[bgcolor=red,text=blue]{p{\"x\"}}}"},
        {u"<meta name=a><p>x", u"html{head{meta[name=a]}body{p{\"x\"}}}"},
    });
}

TEST(HtmlFilerParse, BareLessThanIsHeldAsReference)
{
    ExpectTrees({
        {u"a < b", u"html{body{\"a &lt; b\"}}"},
        {u"x <> y", u"html{body{\"x &lt;&gt; y\"}}"},
        {u"a <<b>c</b>", u"html{body{\"a &lt;\"b{\"c\"}}}"},
        {u"a<b>c</b>", u"html{body{\"a\"b{\"c\"}}}"},
        {u"tail <", u"html{body{\"tail &lt;\"}}"},
        {u"a &amp; b &eacute;", u"html{body{\"a &amp; b &eacute;\"}}"},
    });
}

TEST(HtmlFilerParse, ParagraphDivAndSiblingClosingRules)
{
    ExpectTrees({
        {u"<p>one<p>two", u"html{body{p{\"one\"}p{\"two\"}}}"},
        {u"<p>one<div>two</div>", u"html{body{p{\"one\"}div{\"two\"}}}"},
        // A div closes an open paragraph, never an open div.
        {u"<div><div>x</div></div>", u"html{body{div{div{\"x\"}}}}"},
        {u"<div class=a><p>t</p></div>", u"html{body{div[class=a]{p{\"t\"}}}}"},
        // The div ends the bold with the paragraph, and the bold carries on into it.
        {u"<p>a<b>b<div>c", u"html{body{p{\"a\"b{\"b\"}}div{b{\"c\"}}}}"},
        {u"<ul><li>a<li>b</ul>", u"html{body{ul{li{\"a\"}li{\"b\"}}}}"},
        {u"<b><p>x</p></b>y", u"html{body{b{p{\"x\"}}\"y\"}}"},
        {u"<table><tr><td>1<td>2</tr><tr><td>3</table>",
         u"html{body{table{tr{td{\"1\"}td{\"2\"}}tr{td{\"3\"}}}}}"},
        // Only the same tag closes its sibling: a row start inside a cell nests.
        {u"<table><tr><td>1<tr><td>2</table>", u"html{body{table{tr{td{\"1\"tr{td{\"2\"}}}}}}}"},
        {u"<b><i>x</b>y", u"html{body{b{i{\"x\"}}i{\"y\"}}}"},
        {u"a</i>b", u"html{body{\"a\"\"b\"}}"},
        {u"<ol><li>a<ol><li>b</ol><li>c</ol>", u"html{body{ol{li{\"a\"ol{li{\"b\"}}}li{\"c\"}}}}"},
    });
}

TEST(HtmlFilerParse, EmptyBlocksDropOnceWithoutCascade)
{
    ExpectTrees({
        {u"<p></p>x", u"html{body{\"x\"}}"},
        {u"<div></div><h1></h1><center></center><span></span>", u"html{body{span}}"},
        // With attributes an empty element is a link target or a styled box: it stays.
        {u"<div id=content></div><p class=x></p><h1 title=t></h1>",
         u"html{body{div[id=content]p[class=x]h1[title=t]}}"},
        {u"<blockquote><p></p></blockquote>", u"html{body{blockquote}}"},
        {u"<p> </p>", u"html{body}"},
        {u"<pre></pre><td></td>", u"html{body{td}}"},
    });
}

TEST(HtmlFilerParse, UnrecognisedTagsStayRaw)
{
    ExpectTrees({
        {u"<foo bar>", u"html{body{!\"<foo bar>\"}}"},
        {u"<p><foo bar>x</foo>", u"html{body{p{!\"<foo bar>\"\"x\"!\"</foo>\"}}}"},
        {u"<p>a<blink", u"html{body{p{\"a\"!\"<blink>\"}}}"},
        {u"<br/>", u"html{body{br}}"},
        {u"<p>a<!x y>b", u"html{body{p{\"a\"!\"<!x y>\"\"b\"}}}"},
        {u"<p>a<!>b<!-", u"html{body{p{\"a\"!\"<!>\"\"b\"!\"<!->\"}}}"},
    });
}

TEST(HtmlFilerParse, CommentsPhpAspAndTheirErrors)
{
    ExpectTrees({
        {u"<!-- a --->", u"#\"<!-- a --->\""},
        {u"<p>x<!--a--b-->y", u"html{body{p{\"x\"#\"<!--a--b-->\"\"y\"}}}"},
        {u"<?php echo 1; ?>", u"?\"<?php echo 1; ?>\""},
        {u"<?xml version=\"1.0\"?><p>x", u"?\"<?xml version=\"1.0\"?>\"html{body{p{\"x\"}}}"},
        {u"<p><% =a %>", u"html{body{p{%\"<% =a %>\"}}}"},
        {u"<head><script><!--\nvar a;\n//--></script></head>", u"html{head{script{#\"<!--\nvar a;\n//-->\"}}}"},
    });
    EXPECT_EQ(ParseError(u"<!-- a"_qs), u"Unterminated Comment"_qs);
    EXPECT_EQ(ParseError(u"<p>x<!-->"_qs), u"Unterminated Comment"_qs);
    EXPECT_EQ(ParseError(u"<% x"_qs), u"Unterminated Script"_qs);
    EXPECT_EQ(ParseError(u"<?php x ?"_qs), u"Unterminated Script"_qs);
    // The character after a delimiter is taken with it: "??>" does not end the block.
    EXPECT_EQ(ParseError(u"<? a ??>"_qs), u"Unterminated Script"_qs);
    EXPECT_EQ(ParseError(u"<p>fine</p>"_qs), u"(no error)"_qs);
}

TEST(HtmlFilerParse, DocumentTypeKinds)
{
    ExpectTrees({
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">",
         u"doctype1"},
        // The public identifier alone tells the strict one, as it does to browsers.
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", u"doctype1"},
        {u"<!doctype html public \"-//W3C//DTD HTML 4.01 Frameset//EN\">", u"doctype2"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"strict.dtd\">", u"doctype0"},
        // Any other declaration is kept as it was written, whatever words it holds.
        {u"<!DOCTYPE html>", u"doctype(!DOCTYPE html)"},
        {u"<!doctype html public \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
         u"doctype(!doctype html public \"-//W3C//DTD HTML 4.0 Transitional//EN\")"},
        {u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"\n \"xhtml1-strict.dtd\">",
         u"doctype(!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\"\n \"xhtml1-strict.dtd\")"},
        {u"<!DOCTYPE>", u"doctype(!DOCTYPE)"},
        // After the html tag the document type goes first among the root's children.
        {u"<html><!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">", u"doctype2html"},
        {u"<html><!DOCTYPE x strict>", u"doctype(!DOCTYPE x strict)html"},
    });
}

TEST(HtmlFilerParse, BlanksCollapseAndTheTrimFlagCarries)
{
    ExpectTrees({
        {u"  a  b  ", u"html{body{\"a b \"}}"},
        {u"  a  b  <b>  c</b>", u"html{body{\"a b \"b{\"c\"}}}"},
        {u"a<b>  c</b>", u"html{body{\"a\"b{\" c\"}}}"},
        {u"a<br>\r\n  b", u"html{body{\"a\"br\"b\"}}"},
        {u"a<hr>  b", u"html{body{\"a\"hr\"b\"}}"},
        {u"\t\x01x", u"html{body{\"x\"}}"},
        {u"<p>a\tb\r\n\r\nc</p>", u"html{body{p{\"a b c\"}}}"},
        {u"<table> <tr> x <td>y", u"html{body{table{tr{\"x \"td{\"y\"}}}}}"},
    });
}

// An image or a field is seen between the words: the blank after it is not the blank before it again.
TEST(HtmlFilerSound, TheBlankAfterAnImageOrAFieldStays)
{
    ExpectTrees({
        {u"<p>a <img src=x.png> b</p>", u"html{body{p{\"a \"img[src=x.png]\" b\"}}}"},
        {u"<p>Name: <input name=n> please</p>", u"html{body{p{\"Name: \"input[name=n]\" please\"}}}"},
        // Invisible or closed inline elements still carry the flag as before.
        {u"a <b>b </b> c", u"html{body{\"a \"b{\"b \"}\"c\"}}"},
    });
    const QString written = RoundTrip(u"<p>a <img src=\"x.png\"> b</p>"_qs);
    EXPECT_TRUE(written.contains(u"a <img src=\"x.png\"> b"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
    // An element that cannot be edited into shows whole, as an image: the blanks on both sides of it stay,
    // also where only such elements follow to the end of the block, and a second save writes the first again.
    const QString shown = RoundTrip(u"<p>a <span contenteditable=\"false\"></span> <span contenteditable=false></span></p>"_qs);
    EXPECT_TRUE(shown.contains(u"<p>a <span contentEditable=\"false\"></span> <span contentEditable=\"false\"></span></p>"_qs))
        << shown.toStdString();
    EXPECT_EQ(RoundTrip(shown), shown);
    ExpectTrees({{u"<p>a <span contenteditable=false></span> b</p>",
                  u"html{body{p{\"a \"span[contentEditable=false]\" b\"}}}"}});
}

// A comment, a PHP block, an unknown tag or a named anchor stands in the design view as a picture between
// the words: the blank after it is read as it stands, also where a line starts after a block, so a second
// save writes the first again and the words on both sides stay apart.
TEST(HtmlFilerSound, TheBlankAfterACommentOrANamedAnchorStays)
{
    ExpectTrees({
        {u"<p>a</p>\r\n<!-- c --> b", u"html{body{p{\"a\"}#\"<!-- c -->\"\" b\"}}"},
        {u"<p>a</p><a name=x></a> b", u"html{body{p{\"a\"}a[name=x]\" b\"}}"},
        {u"<p>a</p><a name=x>t </a> b", u"html{body{p{\"a\"}a[name=x]{\"t \"}\" b\"}}"},
        {u"<p>a</p><?php x ?> b<foo> c", u"html{body{p{\"a\"}?\"<?php x ?>\"\" b\"!\"<foo>\"\" c\"}}"},
        // So does a plug-in, a script or a sound, which the design view shows as pictures too.
        {u"<p>a</p><object data=x></object> b<script>f()</script> c<embed src=y> d<bgsound src=z> e",
         u"html{body{p{\"a\"}object[data=x]\" b\"script{\"f()\"}\" c\"embed[src=y]\" d\"bgsound[src=z]\" e\"}}"},
        // Before the html tag and in the head, blanks stay no text.
        {u"<!-- c -->\r\n<script>f()</script>\r\n<html><head><!-- d -->\r\n</head><body>x",
         u"#\"<!-- c -->\"script{\"f()\"}html{head{#\"<!-- d -->\"}body{\"x\"}}"},
        // A link shows its text, and an empty one may show what a style sheet fills it with.
        {u"<p>a</p><a href=y></a> b", u"html{body{p{\"a\"}a[href=y]\" b\"}}"},
        // A button or a list box is a box of its own: the blank after it stays beside the one it ends on, as
        // browsers show a gap between two buttons whose icons stand on lines of their own.
        {u"<div><button>\n<i class=fa></i>\n</button>\n<button>y </button> <select><option>o </select> z</div>",
         u"html{body{div{button{i[class=fa]\" \"}\" \"button{\"y \"}\" \"select{option{\"o \"}}\" z\"}}}"},
    });
    struct TCase
    {
        const char16_t* Input;
        const char16_t* Words; // the words of the running text, where it is one line
    };
    const TCase cases[] = {
        {u"<div><p>a</p>\r\n<!-- c --> word</div>", nullptr},
        {u"<div><p>a</p>\r\n<a name=\"x\"></a> word</div>", nullptr},
        {u"<div><p>a</p>\r\n<!-- c --> <a name=\"x\"></a> word </div>", nullptr},
        {u"<div>one <!-- c --> two</div>", u"one two"},
        {u"<div>one<a name=\"x\"></a> two<!-- c --> three<?php x ?> four</div>", u"one two three four"},
        {u"<div>one <!-- c --> <a name=\"x\"></a> two</div>", u"one two"},
        // Blanks alone at the edge of a block go, also across the comments and anchors between them.
        {u"<p>x<!-- a --> <a name=\"t\"></a><!-- b --> <a name=\"u\"></a></p>", u"x"},
        {u"<p>x <!-- c --> </p>", u"x"},
        {u"<p> <!-- c --> <a name=\"t\"></a> y</p>", u"y"},
    };
    for (const TCase& c : cases) {
        const QString input = QString::fromUtf16(c.Input);
        const QString once = RoundTrip(input);
        EXPECT_EQ(RoundTrip(once), once) << input.toStdString();
        if (!c.Words)
            continue;
        auto root = Parse(once);
        EXPECT_EQ(GetNodePlainText(FindNodeByPath(root.get(), u"html.body"_qs)).simplified(), QString::fromUtf16(c.Words))
            << input.toStdString();
    }
    const QString written = RoundTrip(u"<div><p>a</p>\r\n<!-- c --> word</div>"_qs);
    EXPECT_TRUE(written.contains(u"<!-- c -->\r\n      word"_qs)) << written.toStdString();
}

// Every end the writer writes as a tag reads as that tag: one implied by an end tag further out, by a block
// start or by the end of a text area's place; an element the writer leaves out leaves the text around it
// as it would read without it. So the first save is what every later save writes, with its blanks, and
// it keeps the words, elements and attributes a browser shows where it shows them.
TEST(HtmlFilerSound, TheFirstSaveIsWhatTheSecondWrites)
{
    // Each input with what its first save writes between "<html>" and "</html>".
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        // An empty noscript is left out, and so is the blank kept for its picture.
        {u"<br><noscript></noscript> x", u"  <body>\r\n    <br>x\r\n  </body>\r\n"},
        {u"<p>caf&eacute; <noscript></noscript> <b>x</b></p>", u"  <body>\r\n    <p>caf&eacute; <b>x</b></p>\r\n  </body>\r\n"},
        // A deletion holding a blank alone is left out, its blank is not.
        {u"<p>a<del> </del> b</p>", u"  <body>\r\n    <p>a b</p>\r\n  </body>\r\n"},
        // An unknown tag or a named anchor before an end tag that closes a block with it.
        {u"<del><blockquote></article></del> <em>x</em>",
         u"  <body>\r\n    <del>\r\n    <blockquote>\r\n      </article>\r\n    </blockquote>\r\n    </del><em>x</em>\r\n  </body>\r\n"},
        {u"<ins><caption><a name=x></a></ins> <ins contenteditable=false>y</ins>",
         u"  <body>\r\n    <ins>\r\n    <caption><a name=\"x\"></a></caption>\r\n    </ins><ins contentEditable=\"false\">y</ins>\r\n"
         u"  </body>\r\n"},
        // A pre or text area ends its text where its end is written, and only there.
        {u"<p><pre>a</p><b> x</b>", u"  <body>\r\n    <p>\r\n    <pre>a</pre>\r\n    </p>\r\n    <b>x</b>\r\n  </body>\r\n"},
        {u"<b><textarea></b> x", u"  <body>\r\n    <b><textarea></textarea></b>x\r\n  </body>\r\n"},
        {u"<textarea><textarea>", u"  <body>\r\n    <textarea></textarea><textarea></textarea>\r\n  </body>\r\n"},
        {u"<pre></textarea>x<textarea> ", u"  <body>\r\n    <pre>x<textarea></textarea> </pre>\r\n  </body>\r\n"},
        // Control characters alone at a paragraph's end go as blanks do; a head element's text reads as in
        // the head, also where it was met in the body.
        {u"<p>a <!-- c -->\x01 </p>", u"  <body>\r\n    <p>a<!-- c -->\r\n    </p>\r\n  </body>\r\n"},
        {u"x<title>a<?y?>\x0cz</title>",
         u"  <head>\r\n    <title>a<?y?>\r\n    z</title>\r\n  </head>\r\n  <body>\r\n    x\r\n  </body>\r\n"},
        // An item or a cell closes the one open around a link, which carries on into the next.
        {u"<ul><li><a href=x>one<li>two</ul>",
         u"  <body>\r\n    <ul>\r\n      <li><a href=\"x\">one</a></li>\r\n      <li><a href=\"x\">two</a></li>\r\n    </ul>\r\n"
         u"  </body>\r\n"},
        // A comment or an image after the body's end tag goes after the body: the words around it stay one
        // blank apart.
        {u"a\n</body><!-- c -->\nb", u"  <body>\r\n    a b\r\n  </body>\r\n  <!-- c -->\r\n"},
        {u"a\n</body><img>\nb", u"  <body>\r\n    a b\r\n  </body>\r\n  <img>\r\n"},
        // So does an element that keeps the blank after it among the words: a filled icon, a named anchor, a
        // plug-in, a button.
        {u"a\n</body><span class=x></span>\nb", u"  <body>\r\n    a b\r\n  </body>\r\n  <span class=\"x\"></span>\r\n"},
        {u"a\n</body><a name=n></a>\nb", u"  <body>\r\n    a b\r\n  </body>\r\n  <a name=\"n\"></a>\r\n"},
        {u"a\n</body><button>e</button>\nb", u"  <body>\r\n    a b\r\n  </body>\r\n  <button>e</button>\r\n"},
        // A pre emptied of the blocks dropped from it is left out: the heading's words end where the pre stood,
        // and so does an empty deletion in a pre, which a read would drop.
        {u"<h2>y <a><pre><blockquote", u"  <body>\r\n    <h2>y<a></a></h2>\r\n  </body>\r\n"},
        {u"<pre>x<del><p></del>y</pre>", u"  <body>\r\n    <pre>xy</pre>\r\n  </body>\r\n"},
        // A body whose blocks are all left out is written empty.
        {u"<div><h1><p></h1></div>", u"  <body></body>\r\n"},
        // Words in a row stay there; a title's text and a head after its end tag do not change the body.
        {u"<table><tr>x<b> y</b></table>",
         u"  <body>\r\n    <table>\r\n      <tr>\r\n        x<b> y</b>\r\n      </tr>\r\n    </table>\r\n  </body>\r\n"},
        {u"<title>t</title><b> x</b>", u"  <head>\r\n    <title>t</title>\r\n  </head>\r\n  <body>\r\n    <b>x</b>\r\n  </body>\r\n"},
        {u"<pre><title>t </tr> u", u"  <head>\r\n    <title>t u</title>\r\n  </head>\r\n  <body></body>\r\n"},
        {u"x<head></head><title>t</title>", u"  <head>\r\n    <title>t</title>\r\n  </head>\r\n  <body>\r\n    x\r\n  </body>\r\n"},
        // Words in a list or a table outside its items and cells stay where they stand.
        {u"<ul>intro<li>one</ul>", u"  <body>\r\n    <ul>\r\n      intro\r\n      <li>one</li>\r\n    </ul>\r\n  </body>\r\n"},
        {u"<table>cap<tr><td>c</td></tr> between </table>",
         u"  <body>\r\n    <table>\r\n      cap\r\n      <tr>\r\n        <td>c</td>\r\n      </tr>\r\n      between\r\n"
         u"    </table>\r\n  </body>\r\n"},
        // An end tag that ends nothing glues no words; that of any heading ends the heading open.
        {u"<div>Hello</p> World</div>", u"  <body>\r\n    <div>\r\n      Hello World\r\n    </div>\r\n  </body>\r\n"},
        {u"<p>Good</h2> morning</p>", u"  <body>\r\n    <p>Good morning</p>\r\n  </body>\r\n"},
        {u"<h5><a id=F href=#D>(1)</a></h3><p>para",
         u"  <body>\r\n    <h5><a id=\"F\" href=\"#D\">(1)</a></h5>\r\n    <p>para</p>\r\n  </body>\r\n"},
        // An empty element a style sheet may fill keeps the blanks beside it.
        {u"<p><a href=#toc><span class=arrow></span> Contents</a> <i class=icon></i></p>",
         u"  <body>\r\n    <p><a href=\"#toc\"><span class=\"arrow\"></span> Contents</a> <i class=\"icon\"></i></p>\r\n"
         u"  </body>\r\n"},
        // A repeated attribute keeps its first value, and a second body tag adds only what the first lacks.
        {u"<body id=a><p class=a class=b>x<body id=b class=c>",
         u"  <body id=\"a\" class=\"c\">\r\n    <p class=\"a\">x</p>\r\n  </body>\r\n"},
        // A newer element starts the body of a page without a body tag.
        {u"<title>x</title><header id=h><nav>Top</nav></header><p>para</p>",
         u"  <head>\r\n    <title>x</title>\r\n  </head>\r\n  <body>\r\n    <header id=h><nav>Top</nav></header>\r\n"
         u"    <p>para</p>\r\n  </body>\r\n"},
    };
    for (const auto& [input, expected] : cases) {
        const QString once = RoundTrip(QString::fromUtf16(input));
        EXPECT_EQ(once, u"<html>\r\n"_qs + QString::fromUtf16(expected) + u"</html>\r\n"_qs) << QString::fromUtf16(input).toStdString();
        EXPECT_EQ(RoundTrip(once), once) << QString::fromUtf16(input).toStdString();
    }
}

TEST(HtmlFilerParse, PreAndTextareaTextStaysAsRead)
{
    ExpectTrees({
        {u"<pre>  a\r\n b</pre>", u"html{body{pre{\"  a\r\n b\"}}}"},
        {u"<textarea>\t x  y\n</textarea>", u"html{body{textarea{\"\t x  y\n\"}}}"},
        {u"<pre>a<b>  b  </b> < c</pre>", u"html{body{pre{\"a\"b{\"  b  \"}\" &lt; c\"}}}"},
        // "</pre>" ends the verbatim text whether or not a pre is open.
        {u"<pre>x</pre>  y", u"html{body{pre{\"x\"}\"y\"}}"},
        // A text area holds its markup as text; without an end tag it ends at once, and the document is
        // read as usual after it.
        {u"<textarea>Text <b> &amp; <!-- c --></textarea>x", u"html{body{textarea{\"Text <b> &amp; <!-- c -->\"}\"x\"}}"},
        {u"<textarea>a <b>b</b>", u"html{body{textarea\"a \"b{\"b\"}}}"},
        // The body and frameset tags leave a pre open where it stands, its end tag written there: the text
        // after them is not the pre's.
        {u"<pre>a<body> b  c", u"html{body{pre{\"a\"}\"b c\"}}"},
        {u"<pre>a<frameset><noframes> x  y</noframes></frameset>",
         u"html{body{pre{\"a\"}}frameset{noframes{\"x y\"}}}"},
    });
    const QString written = RoundTrip(u"<textarea>Text <b></textarea><p>after</p>"_qs);
    EXPECT_TRUE(written.contains(u"<textarea>Text <b></textarea>"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerParse, AttributesStoredAsWrittenUnknownOnesKeptRaw)
{
    ExpectTrees({
        // An empty value is kept as written (alt=""), apart from a bare attribute (ismap).
        {u"<img src=a.gif alt=\"\" ismap>", u"html{body{img[src=a.gif,alt=,ismap]}}"},
        {u"<a href = 'x y' title=\"a'b\" onclick=go() bogus=1>t</a>",
         u"html{body{a[href=x y,title=a'b,onClick=go(),~bogus=1]{\"t\"}}}"},
        {u"<p align=left align=right class=>x", u"html{body{p[align=left,class=]{\"x\"}}}"},
        {u"<object classid=c foo=1 bar><param name=n value=v x=y></object>",
         u"html{body{object[classid=c,~foo=1,~bar]{param[name=n,value=v,~x=y]}}}"},
        {u"<div data-x=\"1\" role=main aria-label='a b' hidden data-e=\"\">",
         u"html{body{div[~data-x=1,~role=main,~aria-label=a b,~hidden,~data-e=]}}"},
        {u"<embed Foo=0 foo=1>", u"html{body{embed[~Foo=0]}}"},
        {u"<td nowrap width=\"1\">", u"html{body{td[nowrap,width=1]}}"},
        {u"<a href=\"&amp;x\">t", u"html{body{a[href=&amp;x]{\"t\"}}}"},
    });
}

// A tag, an attribute or a value cut off by the end of the text: names are read in blocks of eight
// units where eight stand ahead, and one by one at the end.
TEST(HtmlFilerParse, TagsCutOffByTheEndOfTheText)
{
    ExpectTrees({
        {u"<p a", u"html{body{p[~a]}}"},
        {u"<p a=", u"html{body{p[~a=]}}"},
        {u"<p class='x", u"html{body{p[class=x]}}"},
        {u"<p abcdefgh", u"html{body{p[~abcdefgh]}}"},
        {u"<P CLASS=x ID=abcdefghi>y</P", u"html{body{p[class=x,id=abcdefghi]{\"y\"}}}"},
        {u"x<b", u"html{body{\"x\"b}}"},
        {u"<b>x</b", u"html{body{b{\"x\"}}}"},
    });
}

// A value loses a lone surrogate, as values set in code do, however it was written; a pair stays.
TEST(HtmlFilerParse, AttributeValuesLoseOnlyLoneSurrogates)
{
    const QChar high(0xD83D), low(0xDE00), lone(0xD800);
    const QString fffd(QChar(0xFFFD));
    const struct
    {
        QString Input;
        QString Value;
    } cases[] = {
        {u"<p title=\"a"_qs + lone + u"b\">"_qs, u"a"_qs + fffd + u"b"_qs},                      // quoted, short
        {u"<p title=\"0123456789abcdef"_qs + lone + u"\">"_qs, u"0123456789abcdef"_qs + fffd}, // past a block of eight
        {u"<p title='"_qs + high + low + u"' x>"_qs, QString(high) + low},
        {u"<p title="_qs + low + u"z>"_qs, fffd + u"z"_qs}, // unquoted
        {u"<p data-t=\""_qs + lone + u"\">"_qs, u"data-t="_qs + fffd},
    };
    for (const auto& c : cases) {
        auto root = Parse(c.Input);
        auto* p = static_cast<const THtmlTag*>(root->FindFirst(TAG_P));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetAttributeValue(0), c.Value) << c.Input.toStdString();
    }
}

// Text far longer than the reader's first room for it, with a bare "<" every few characters.
TEST(HtmlFilerParse, LongTextWithManyBareLessThans)
{
    QString input, expected;
    for (int i = 0; i < 3000; ++i) {
        input += u"a < b <> c << d  \r\n"_qs;
        expected += u"a &lt; b &lt;&gt; c &lt;&lt; d "_qs;
    }
    auto root = Parse(input + u"<i>e</i>"_qs);
    const auto* text = static_cast<const THtmlText*>(root->GetBody()->FirstChild());
    EXPECT_EQ(text->Text(), expected);
    auto pre = Parse(u"<pre>"_qs + input + u"</pre>"_qs);
    const auto* kept = static_cast<const THtmlText*>(pre->FindFirst(TAG_PRE)->FirstChild());
    EXPECT_EQ(kept->TextView().size(), input.size() + 3000 * 15); // four "<" and a ">" as references, blanks as read
}

// --- sound behaviour where the stored document would otherwise lose or corrupt data --------------------

TEST(HtmlFilerSound, ScriptAndStyleKeepTheirCodeVerbatim)
{
    ExpectTrees({
        {u"<head><script>if (a<b && c>d) x();</script></head>",
         u"html{head{script{\"if (a<b && c>d) x();\"}}}"},
        {u"<head><style>p > a { color: red }</style></head>", u"html{head{style{\"p > a { color: red }\"}}}"},
        {u"<head><script>document.write('<p>'); </SCRIPT ></head>",
         u"html{head{script{\"document.write('<p>'); \"}}}"},
        {u"<head><script><!-- a --> b <!-- c --></script></head>",
         u"html{head{script{\"<!-- a --> b <!-- c -->\"}}}"},
        {u"<head><script src=x.js>  </script></head>", u"html{head{script[src=x.js]}}"},
        {u"<head><script><!-- never closed</script></head>", u"html{head{script{\"<!-- never closed\"}}}"},
        // Only the ASCII end tag closes the code (U+017F folds to "s" in Unicode).
        {u"<head><script>a</\u017fcript>b</script></head>", u"html{head{script{\"a</\u017fcript>b\"}}}"},
        {u"<body><script>x", u"html{body{script{\"x\"}}}"},
    });
    const QString code = u"<html><head><script>\r\n  if (a<b) {\r\n    x = \"</p>\";\r\n  }\r\n</script>"
                         u"<style>\r\n  p>a{}\r\n</style></head><body>x</body></html>"_qs;
    const QString written = RoundTrip(code);
    EXPECT_TRUE(written.contains(u"<script>\r\n  if (a<b) {\r\n    x = \"</p>\";\r\n  }\r\n</script>"_qs)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"<style>\r\n  p>a{}\r\n</style>"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerSound, WhatStandsInANoscriptStaysInIt)
{
    ExpectTrees({
        {u"<head><noscript><link rel=stylesheet href=n.css></noscript><title>T</title></head>",
         u"html{head{noscript{link[rel=stylesheet,href=n.css]}title{\"T\"}}}"},
        {u"<body>a<noscript><style>p{}</style><meta name=x></noscript>b",
         u"html{body{\"a\"noscript{style{\"p{}\"}meta[name=x]}\"b\"}}"},
        // Outside a noscript a head element met in the body still goes to the head.
        {u"<body>a<link rel=x>b", u"html{head{link[rel=x]}body{\"a\"\"b\"}}"},
    });
}

// The writer never puts white space between pieces that touch, where it would show; a line ends only next
// to a block's tag, or where a blank stood.
TEST(HtmlFilerSound, TheWriterAddsNoBlankWhereOneWouldShow)
{
    struct TCase
    {
        const char16_t* Input;
        const char16_t* Written; // a piece of the output
    };
    const TCase cases[] = {
        {u"<p>Into<wbr>String<wbr>Error std::<wbr>collections</p>",
         u"<p>Into<wbr>String<wbr>Error std::<wbr>collections</p>"},
        {u"<p>13.<!-- ignore -->x <?php echo 1; ?>y<% z %>.</p>", u"<p>13.<!-- ignore -->x <?php echo 1; ?>y<% z %>.</p>"},
        {u"<p>Go&nbsp;<button>Run</button>, <del>old</del>,<ins>new</ins>.</p>",
         u"<p>Go&nbsp;<button>Run</button>,\r\n    <del>old</del>,<ins>new</ins>.</p>"},
        {u"<p>a<select><option>1<option>2</select>b</p>", u"a<select>\r\n"},
        {u"<p>a<select><option>1<option>2</select>b</p>", u"</select>b</p>"},
        {u"<p>see<script>f()</script>here</p>", u"<p>see<script>f()</script>here</p>"},
        {u"<p>x<object data=a><param name=p value=1></object>y", u"<p>x<object data=\"a\">"},
        // Where a blank stood, or next to a block, lines end freely.
        {u"<div>a <!-- c -->b</div><p>c</p>", u"a <!-- c -->b\r\n    </div>\r\n    <p>c</p>"},
        {u"<div>a <!-- c --> <p>c</p>", u"a <!-- c -->\r\n      <p>c</p>"},
        // A blank after an image or a field shows: the block's text is not trimmed past it.
        {u"<p><img src=a.gif> caption </p>", u"<p><img src=\"a.gif\"> caption</p>"},
        {u"<p>x<button> Go</button> </p>", u"<p>x<button> Go</button>\r\n    </p>"},
    };
    for (const TCase& c : cases) {
        const QString input = QString::fromUtf16(c.Input);
        const QString written = RoundTrip(input);
        EXPECT_TRUE(written.contains(QString::fromUtf16(c.Written))) << input.toStdString() << "\n" << written.toStdString();
        EXPECT_EQ(RoundTrip(written), written) << input.toStdString();
    }
    // Wrapping still happens, at a blank that stood in the text.
    QString words;
    for (int i = 0; i < 30; ++i)
        words += u"ab<b>cd</b>ef "_qs;
    for (const QString& line : Lines(RoundTrip(u"<p>"_qs + words + u"</p>"_qs)))
        EXPECT_LE(line.size(), 100) << line.toStdString();
}

// The reader reads what the writer wrote as the tree that was written.
TEST(HtmlFilerSound, ReadingTheWrittenTextGivesTheSameTree)
{
    for (const char16_t* input : {
             u"<div><span class=x><div class=y>t</div></span></div>",
             u"<div class=a><p>t</p><div id=b><p>u<p>v</div></div>",
             u"<p><b>x<p>y</b>z",
             u"<body> <div> a <b> b </b> </div> <p> c </p> d <table><tr><td> e </table>",
             u"<p>a<span></span> b<img> c<!-- x --> d</p>",
             u"<div><div></div></div><blockquote><p></p></blockquote><p> </p>x",
         }) {
        const QString text = QString::fromUtf16(input);
        const QString once = RoundTrip(text);
        const QString tree = Tree(once);
        EXPECT_EQ(Tree(RoundTrip(once)), tree) << text.toStdString();
        EXPECT_EQ(RoundTrip(once), once) << text.toStdString();
    }
}

// A stream that takes only its first few bytes.
class TShortDevice : public QIODevice
{
public:
    explicit TShortDevice(qint64 room) : FRoom(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 n) override
    {
        if (FRoom <= 0)
            return -1;
        const qint64 taken = qMin(n, FRoom);
        FRoom -= taken;
        return taken;
    }

private:
    qint64 FRoom;
};

TEST(HtmlFilerSound, AFailedWriteIsReported)
{
    auto root = Parse(u"<p>"_qs + QString(200000, u'x') + u"</p>"_qs);
    QBuffer good;
    good.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteHtmlDocument(good, root.get()));
    for (qint64 room : {0, 10, 300000}) {
        TShortDevice device(room);
        EXPECT_FALSE(WriteHtmlDocument(device, root.get())) << room;
        TShortDevice node(room);
        EXPECT_FALSE(WriteHtmlNode(node, root->GetBody())) << room;
    }
}

TEST(HtmlFilerSound, NothingIsDroppedOutsideHtmlHeadAndBody)
{
    ExpectTrees({
        {u"<body>a</body>b", u"html{body{\"a\"\"b\"}}"},
        {u"<html><body><p>a</p></body></html>b", u"html{body{p{\"a\"}\"b\"}}"},
        {u"<body>a</body>  \r\n</html>  ", u"html{body{\"a\"}}"},
    });
    // An element under the root (script before html, anything after the html end tag) is written back.
    const QString written = RoundTrip(u"<script>var a;</script><html><body>x</body></html><p>after"_qs);
    EXPECT_TRUE(written.startsWith(u"<script>var a;</script>\r\n"_qs)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"<p>after</p>"_qs)) << written.toStdString();
}

TEST(HtmlFilerSound, HeadElementsInTheBodyMoveWithoutTakingTheText)
{
    ExpectTrees({
        {u"<body><p>a<meta name=x>b</p>", u"html{head{meta[name=x]}body{p{\"a\"\"b\"}}}"},
        {u"<body><p>a<title>T</title>b</p>", u"html{head{title{\"T\"}}body{p{\"a\"\"b\"}}}"},
        // The body's text goes on as if the moved element had not stood there: a blank before it still
        // takes the leading blank of the text after it.
        {u"<body><p>a <title>T</title> b</p>", u"html{head{title{\"T\"}}body{p{\"a \"\"b\"}}}"},
        {u"<body><td>a<style>p{}</style>b", u"html{head{style{\"p{}\"}}body{td{\"a\"\"b\"}}}"},
        {u"<body><p>a<link rel=x><b>c</b>", u"html{head{link[rel=x]}body{p{\"a\"b{\"c\"}}}}"},
        // A tag after an unclosed title returns to the body too.
        {u"<body><p>a<title>T<b>c</b>", u"html{head{title{\"T\"}}body{p{\"a\"b{\"c\"}}}}"},
        // Before the body, a head element opens the head; words after it start the body, as in a browser,
        // while the blanks between head elements stay out.
        {u"<title>T</title>x<p>y", u"html{head{title{\"T\"}}body{\"x\"p{\"y\"}}}"},
        {u"<head><title>T</title> \n <meta name=a></head>x", u"html{head{title{\"T\"}meta[name=a]}body{\"x\"}}"},
        {u"<head><title>T</title>Hi<link rel=s></head><body class=c>b", u"html{head{title{\"T\"}link[rel=s]}body[class=c]{\"Hi\"\"b\"}}"},
    });
}

TEST(HtmlFilerSound, NulIsAnOrdinaryCharacter)
{
    const QString text = QStringLiteral("<p>a") + QChar(0) + QStringLiteral("b</p><p>c");
    EXPECT_EQ(Tree(text), QStringLiteral("html{body{p{\"a") + QChar(0) + QStringLiteral("b\"}p{\"c\"}}}"));
}

TEST(HtmlFilerSound, ValueTrueStaysDistinctFromABareAttribute)
{
    const QString written = RoundTrip(u"<input value=\"TRUE\" checked><option selected=TRUE>"_qs);
    EXPECT_TRUE(written.contains(u"<input value=\"TRUE\" checked>"_qs)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"<option selected=\"TRUE\">"_qs)) << written.toStdString();
    // Code that builds elements still stores "TRUE" for a bare flag.
    THtmlTag input(TAG_INPUT);
    input.SetAttribute(ATTR_CHECKED, QStringLiteral("TRUE"));
    input.SetAttribute(ATTR_DISABLED, QString());
    EXPECT_EQ(HtmlNodeToText(&input), u"<input checked>"_qs);
}

TEST(HtmlFilerSound, QuotesInAttributeValuesSurvive)
{
    auto root = Parse(u"<p title='say \"hi\"' class=a\"b>x"_qs);
    const QString written = Write(root.get());
    EXPECT_TRUE(written.contains(u"<p title=\"say &quot;hi&quot;\" class=\"a&quot;b\">"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerSound, CharactersAbove255SurviveNarrowingInEveryContext)
{
    const QString cjk = QString(QChar(0x4E2D));
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString doc = u"<html><head><title>t"_qs + cjk + u"</title><script>s='"_qs + cjk + emoji +
                        u"';</script><style>p:after{content:'"_qs + cjk + emoji + u"'}</style></head><body>"_qs +
                        u"<p title=\""_qs + cjk + emoji + u"\">x"_qs + cjk + u" "_qs + emoji + u" \u00e9\u20ac</p>"_qs +
                        u"<pre> "_qs + cjk + u"\u00e9 "_qs + emoji + u"</pre><!-- "_qs + cjk + u" --><foo a="_qs +
                        cjk + u"><? "_qs + emoji + u" ?></body></html>"_qs;
    const QString written = RoundTrip(doc);
    for (QChar c : written)
        ASSERT_LE(c.unicode(), 255) << written.toStdString();
    const struct
    {
        const char16_t* Expected;
    } expected[] = {
        {u"<title>t&#x4E2D;</title>"},
        {u"s='\\u4E2D\\uD83D\\uDE00';"},
        {u"content:'\\004E2D \\01F600 '"},
        {u"<p title=\"&#x4E2D;&#x1F600;\">x&#x4E2D; &#x1F600; &eacute;&euro;</p>"},
        {u"<pre> &#x4E2D;\u00e9 &#x1F600;</pre>"},
        {u"<!-- &#x4E2D; -->"},
        {u"<foo a=&#x4E2D;>"},
        {u"<? &#x1F600; ?>"},
    };
    for (const auto& e : expected)
        EXPECT_TRUE(written.contains(QString::fromUtf16(e.Expected))) << QString::fromUtf16(e.Expected).toStdString()
                                                                       << "\nin\n" << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

// Written for a set, each place holds as itself what the set holds and escapes the rest as it would without
// one: attribute values, pre and text areas, comments and raw tags with references, scripts and styles with
// their own escapes. Ordinary text keeps its references, but for the control characters U+0080 to U+009F the
// set holds, to which a reference would read as a Windows-1252 character.
TEST(HtmlFilerSound, ASetHoldsItsCharactersAsThemselvesInEveryPlaceButText)
{
    // Holds what lies below U+3000 apart from the e acute.
    class TBelow3000 final : public TWriteCharset
    {
    public:
        TBelow3000() : TWriteCharset(0x80, 0xFFFF, true) {}
        bool Holds(char32_t c) const override { return c < 0x3000 && c != 0xE9; }
    } charset;
    const QString doc = u"<head><script>s='\u00FC\u4E2D\u00E9\U0001F600';</script><style>p{content:'\u00FC\u4E2D'}</style></head>"
                        u"<body><p title=\"\u00FC\u4E2D\u00E9\U0001F600\">\u00FC\u0085 \u4E2D</p><pre>\u00FC\u4E2D</pre>"
                        u"<textarea>\u0085\u00E9</textarea><!-- \u00FC\u4E2D --><foo a=\u00FC\u4E2D></body>"_qs;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteHtmlDocument(buffer, Parse(doc).get(), &charset));
    const QString written(reinterpret_cast<const QChar*>(buffer.data().constData()), buffer.data().size() / 2);
    for (const char16_t* expected : {u"s='\u00FC\\u4E2D\\u00E9\\uD83D\\uDE00';", u"content:'\u00FC\\004E2D '",
                                     u"<p title=\"\u00FC&#x4E2D;&eacute;&#x1F600;\">&uuml;\u0085 &#x4E2D;</p>",
                                     u"<pre>\u00FC&#x4E2D;</pre>", u"<textarea>\u0085&eacute;</textarea>",
                                     u"<!-- \u00FC&#x4E2D; -->", u"<foo a=\u00FC&#x4E2D;>"})
        EXPECT_TRUE(written.contains(QString::fromUtf16(expected))) << QString::fromUtf16(expected).toStdString()
                                                                    << "\nin\n" << written.toStdString();
}

TEST(HtmlFilerSound, PreformattedTextIsNeverTrimmedCollapsedOrWrapped)
{
    const QString longLine = QString(30, u'w') + u"  "_qs + QString(30, u'x') + u"  "_qs + QString(30, u'y');
    const QString doc = u"<ul><li><pre>  lead\r\n"_qs + longLine + u"\r\n<b> bold  </b>a<br>b  </pre></li></ul>"_qs +
                        u"<p><textarea>  t  </textarea></p><td><pre> cell </pre></td>"_qs;
    const QString written = RoundTrip(doc);
    EXPECT_TRUE(written.contains(u"<pre>  lead\r\n"_qs + longLine + u"\r\n<b> bold  </b>a<br>b  </pre>"_qs))
        << written.toStdString();
    EXPECT_TRUE(written.contains(u"<textarea>  t  </textarea>"_qs)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"<pre> cell </pre>"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

// --- writer --------------------------------------------------------------------------------------------

TEST(HtmlFilerWrite, IndentationOfHtmlHeadBodyAndBlocks)
{
    const QString written = RoundTrip(
        u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">"
        u"<html><head><title>T</title><meta name=a content=b></head><body><p>short</p>"
        u"<ul><li>one</li><li>two <b>bold</b> end</li></ul><table><tr><td>c</td></tr></table></body></html>"_qs);
    const QString expected = QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"\r\n"
        " \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"
        "<html>\r\n"
        "  <head>\r\n"
        "    <title>T</title>\r\n"
        "    <meta name=\"a\" content=\"b\">\r\n"
        "  </head>\r\n"
        "  <body>\r\n"
        "    <p>short</p>\r\n"
        "    <ul>\r\n"
        "      <li>one</li>\r\n"
        "      <li>two <b>bold</b> end</li>\r\n"
        "    </ul>\r\n"
        "    <table>\r\n"
        "      <tr>\r\n"
        "        <td>c</td>\r\n"
        "      </tr>\r\n"
        "    </table>\r\n"
        "  </body>\r\n"
        "</html>\r\n");
    EXPECT_EQ(written, expected);
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerWrite, DocumentTypeLinesOfEachKindAndAnyOtherAsWritten)
{
    const struct
    {
        const char16_t* Read;
        const char16_t* Written;
    } cases[] = {
        // The three HTML 4.01 declarations in their standard form, however they were written, with their
        // system identifier where they named one (whatever it was) and without it where they did not: a
        // transitional or frameset one without it keeps browsers in their quirks mode.
        {u"<!doctype html public \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" 'loose.dtd'>",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n \"http://www.w3.org/TR/html4/loose.dtd\">\r\n"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"\n\"http://www.w3.org/TR/html4/strict.dtd\">",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"\r\n \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" >", u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n"},
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\"\"frameset.dtd\">",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\"\r\n \"http://www.w3.org/TR/html4/frameset.dtd\">\r\n"},
        // Its public identifier never closed: browsers take it for one without a system identifier.
        {u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN 'loose.dtd'>",
         u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"},
        // Any other stays as it was, line ends aside: it decides how browsers lay the page out.
        {u"<!DOCTYPE html>", u"<!DOCTYPE html>\r\n"},
        {u"<!doctype HTML><p>x", u"<!doctype HTML>\r\n<html>"},
        {u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\n"
         u"\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">",
         u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\r\n"
         u"\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"},
        {u"<!DOCTYPE x strict", u"<!DOCTYPE x strict>\r\n"},
    };
    for (const auto& c : cases) {
        const QString once = RoundTrip(QString::fromUtf16(c.Read));
        EXPECT_TRUE(once.startsWith(QString::fromUtf16(c.Written))) << once.toStdString();
        EXPECT_EQ(RoundTrip(once), once);
    }
    // A copied tree keeps the declaration as written, and one without its system identifier so.
    for (const char16_t* page : {u"<!DOCTYPE html><p>x", u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">"}) {
        const std::unique_ptr<THtmlRoot> tree = Parse(QString::fromUtf16(page));
        THtmlRoot copy;
        copy.Assign(tree.get());
        EXPECT_EQ(Write(&copy), Write(tree.get()));
    }
}

// Every line end of pre, textarea, script, style and comment texts is written as CR LF, the writer's own;
// PHP and ASP blocks are written exactly as they stand.
TEST(HtmlFilerWrite, LineEndsOfPreformattedTextCodeAndCommentsAreTheWritersOwn)
{
    const struct
    {
        const char16_t* Read;
        const char16_t* Written; // the part of the output to find
    } cases[] = {
        {u"<pre>a\nb\rc\r\nd\n\n</pre>", u"<pre>a\r\nb\r\nc\r\nd\r\n\r\n</pre>"},
        {u"<pre><b>a\nb</b>\n</pre>", u"<pre><b>a\r\nb</b>\r\n</pre>"},
        {u"<textarea>1\n2</textarea>", u"<textarea>1\r\n2</textarea>"},
        {u"<script>var a;\nvar b;</script>", u"<script>var a;\r\nvar b;</script>"},
        {u"<style>p {}\nb {}</style>", u"<style>p {}\r\nb {}</style>"},
        {u"<p>x<!-- a\nb --></p>", u"<!-- a\r\nb -->"},
        {u"<pre>x<!-- a\nb --></pre>", u"<!-- a\r\nb -->"},
        {u"<p><?php $s = <<<E\nx\nE;\n?></p>", u"<?php $s = <<<E\nx\nE;\n?>"},
        {u"<pre><% a\rb %></pre>", u"<% a\rb %>"},
    };
    for (const auto& c : cases) {
        const QString once = RoundTrip(QString::fromUtf16(c.Read));
        EXPECT_TRUE(once.contains(QString::fromUtf16(c.Written))) << once.toStdString();
        EXPECT_EQ(RoundTrip(once), once);
    }
}

TEST(HtmlFilerWrite, TextWrapsAtTheFirstBlankFromColumn79)
{
    QString words;
    for (int i = 0; i < 40; ++i)
        words += QStringLiteral("word%1 ").arg(i, 2, 10, QChar(u'0'));
    const QString written = RoundTrip(u"<body><p>"_qs + words + u"</p>"_qs);
    const QStringList lines = Lines(written);
    QStringList textLines;
    for (const QString& line : lines)
        if (line.contains(u"word"))
            textLines << line;
    ASSERT_GE(textLines.size(), 4);
    textLines.removeLast(); // the last line is as short as the words left for it
    for (const QString& line : textLines) {
        EXPECT_TRUE(line.startsWith(u"    "_qs)) << line.toStdString();
        EXPECT_FALSE(line.endsWith(u' ')) << line.toStdString();
        // Each line stops at the first blank that would stand at column 79 or beyond (after indentation).
        EXPECT_LE(line.size() - 4, 79 + 6) << line.toStdString();
        EXPECT_GE(line.size() - 4, 79 - 7) << line.toStdString();
    }
    // The first line: "<p>" then words of six characters and a blank: the blank after word k would stand at
    // column 9 + 7k; the first at 79 or beyond follows word 10 and is replaced by the break.
    EXPECT_EQ(lines[2], u"    <p>"_qs + words.left(11 * 7 - 1)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
    // A text whose last blank falls past column 79 ends the line there; a rule stands on a line of its own.
    const QString tail = RoundTrip(u"<p>"_qs + QString(90, u'y') + u" <hr>x"_qs);
    EXPECT_TRUE(tail.contains(QString(90, u'y') + u"\r\n    <hr>\r\n    x</p>"_qs)) << tail.toStdString();
    EXPECT_EQ(RoundTrip(tail), tail);
    // A blank past column 79 that is all of a text still stands for a line break, and the next text starts
    // the new line.
    THtmlTag p(TAG_P);
    p.Add(new THtmlText(TAG_TEXT, QString(85, u'y')));
    p.Add(new THtmlText(TAG_TEXT, u" "_qs));
    p.Add(new THtmlText(TAG_TEXT, u"next"_qs));
    EXPECT_EQ(HtmlNodeToText(&p), u"<p>"_qs + QString(85, u'y') + u"\r\nnext</p>\r\n"_qs);
    const QString longWord(120, u'z');
    const QString one = RoundTrip(u"<p>"_qs + longWord + u" a"_qs);
    EXPECT_TRUE(one.contains(u"    <p>"_qs + longWord + u"\r\n    a</p>"_qs)) << one.toStdString();
}

TEST(HtmlFilerWrite, TextIsWrittenAsStoredWhereverItFollows)
{
    // Blanks and control characters at the start of a text are written as the tree holds them, also where
    // a reader of the output would drop them (after a break, after a blank).
    THtmlTag p(TAG_P);
    p.Add(new THtmlText(TAG_TEXT, u"a"_qs));
    p.Add(new THtmlTag(TAG_BR));
    p.Add(new THtmlText(TAG_TEXT, u"\u0001b "_qs));
    p.Add(new THtmlText(TAG_TEXT, u" c"_qs));
    EXPECT_EQ(HtmlNodeToText(&p), u"<p>a<br>\r\n\u0001b  c</p>\r\n"_qs);
}

TEST(HtmlFilerWrite, BreaksRulesAndInlineFlow)
{
    EXPECT_EQ(RoundTrip(u"<p>a<br>b</p>"_qs),
              u"<html>\r\n  <body>\r\n    <p>a<br>\r\n    b</p>\r\n  </body>\r\n</html>\r\n"_qs);
    EXPECT_EQ(RoundTrip(u"<p>a<hr>b</p>"_qs),
              u"<html>\r\n  <body>\r\n    <p>a\r\n    <hr>\r\n    b</p>\r\n  </body>\r\n</html>\r\n"_qs);
    EXPECT_EQ(RoundTrip(u"<div>a<br>b</div>"_qs),
              u"<html>\r\n  <body>\r\n    <div>\r\n      a<br>b\r\n    </div>\r\n  </body>\r\n</html>\r\n"_qs);
}

// A block inside a link or formatting stands on lines of its own, as any block does; the link's or the
// formatting's own tags stay beside the words around them where no blank stood ("x<a href>", "</a>y").
TEST(HtmlFilerWrite, ABlockInsideALinkOrFormattingStandsOnLinesOfItsOwn)
{
    const QString written = RoundTrip(u"<div>x<a href=\"/item\"><div class=\"card\"><h3>Title</h3><p>Card text</p>"
                                      u"</div></a>y <b><p>Bold</p></b> z</div>"_qs);
    EXPECT_TRUE(written.contains(u"    <div>\r\n      x<a href=\"/item\">\r\n      <div class=\"card\">\r\n"
                                 u"        <h3>Title</h3>\r\n        <p>Card text</p>\r\n      </div>\r\n      </a>y <b>\r\n"
                                 u"      <p>Bold</p>\r\n      </b>z\r\n    </div>\r\n"_qs))
        << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerWrite, AttributeForms)
{
    THtmlTag input(TAG_INPUT);
    input.SetAttribute(ATTR_TYPE, QStringLiteral("checkbox"));
    input.SetValuelessAttribute(ATTR_CHECKED);
    input.SetAttribute(ATTR_NAME, QString()); // empty: left out
    EXPECT_EQ(HtmlNodeToText(&input), u"<input type=\"checkbox\" checked>"_qs);
    THtmlTag embed(TAG_EMBED);
    embed.SetRawAttribute(QStringLiteral("foo"), QString());
    embed.SetRawValuelessAttribute(QStringLiteral("baz"));
    embed.SetRawAttribute(QStringLiteral("Bar"), QStringLiteral("1=2"));
    embed.SetAttribute(ATTR_SRC, QStringLiteral("a b.swf"));
    embed.SetExplicitAttribute(ATTR_ALT, QString());
    embed.SetAttribute(ATTR_TITLE, QString()); // set empty by the set-attribute rule: left out
    EXPECT_EQ(HtmlNodeToText(&embed), u"<embed foo=\"\" baz Bar=\"1=2\" src=\"a b.swf\" alt=\"\">\r\n"_qs);
    // Names read from stray "=" signs and quotes come back as they were read, and a quoted value never
    // ends the tag.
    const QString odd = RoundTrip(u"<object =x=\"a>b\" =\"y\" ==\"z\" \"q=1 w=<!--></object>"_qs);
    EXPECT_TRUE(odd.contains(u"<object =x=\"a>b\" =\"y\"=\"=&quot;z&quot;\" \"q=\"1\" w=\"<!--\">"_qs))
        << odd.toStdString();
    EXPECT_EQ(RoundTrip(odd), odd);
    // After a bare name, a name from a stray "=" would read back as its value and end the tag inside the
    // quotes that follow: it is left out, and the page reads back whole.
    const QString stray = RoundTrip(u"<link rel=a as ismap rel=\"b\"= href=\"<?x y>\"><p>t"_qs);
    EXPECT_TRUE(stray.contains(u"<link rel=\"a\" as ismap href=\"<?x y>\">"_qs)) << stray.toStdString();
    EXPECT_EQ(RoundTrip(stray), stray);
    THtmlTag param(TAG_PARAM);
    param.SetRawAttribute(QStringLiteral("a b"), QStringLiteral("1"));
    param.SetRawAttribute(QStringLiteral("c>"), QStringLiteral("2"));
    EXPECT_EQ(HtmlNodeToText(&param), u"<param>\r\n"_qs);
}

TEST(HtmlFilerWrite, ReferencesForEveryCharacterFrom128InText)
{
    const QString text = u"caf\u00e9 \u20ac \u0080\u009f \u00a0 \u4e2d a < &lt;&amp;"_qs;
    const QString written = RoundTrip(u"<p>"_qs + text);
    EXPECT_TRUE(written.contains(u"<p>caf&eacute; &euro; &#x0080;&#x009F; &nbsp; &#x4E2D; a &lt; &lt;&amp;</p>"_qs))
        << written.toStdString();
}

TEST(HtmlFilerWrite, CommentInScriptStartsAtColumnZero)
{
    const QString written = RoundTrip(u"<head><script><!--\r\nvar a;\r\n//--></script></head>"_qs);
    EXPECT_TRUE(written.contains(u"    <script>\r\n<!--\r\nvar a;\r\n//-->\r\n    </script>\r\n"_qs)) << written.toStdString();
    EXPECT_EQ(RoundTrip(written), written);
}

TEST(HtmlFilerWrite, NeverStartsWithALineEndNorWritesTwoInARow)
{
    const QString written = RoundTrip(u"<!-- c --><p>a</p><!-- d --><table><tr><td>x</table><hr><div>y</div>"_qs);
    EXPECT_FALSE(written.startsWith(u"\r\n"_qs));
    EXPECT_FALSE(written.contains(u"\r\n\r\n"_qs)) << written.toStdString();
    EXPECT_FALSE(written.contains(u" \r\n"_qs)) << written.toStdString();
    QBuffer unused;
    EXPECT_FALSE(WriteHtmlDocument(unused, nullptr));
}

// The writer appends to a string exactly what it writes to a stream, after what the string holds.
TEST(HtmlFilerWrite, AppendingToTextWritesWhatAStreamGets)
{
    for (const char16_t* page : {u"", u"<p>x", u"<!DOCTYPE html><html><head><title>T</title></head><body><p class=a>one<br>two"
                                                u"<table><tr><td>cell</table><pre> a\n b</pre><script>x<y</script></body></html>"}) {
        auto root = Parse(QString::fromUtf16(page));
        QString text = u"before"_qs;
        AppendHtmlDocument(text, root.get());
        EXPECT_EQ(text, u"before"_qs + Write(root.get()));
        QBuffer stream;
        stream.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteHtmlNode(stream, root->GetBody()));
        QString body = u"head"_qs;
        AppendHtmlNode(body, root->GetBody());
        EXPECT_EQ(body, u"head"_qs + QString(reinterpret_cast<const QChar*>(stream.data().constData()), stream.data().size() / 2));
        EXPECT_EQ(HtmlNodeToText(root->GetBody()), body.mid(4));
    }
}

TEST(HtmlFilerWrite, StreamsCarryUtf16LittleEndian)
{
    const QString source = u"<p>caf\u00e9"_qs;
    QByteArray bytes(reinterpret_cast<const char*>(source.utf16()), source.size() * 2);
    bytes.append('\x41'); // a final odd byte is ignored
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    auto root = ParseHtml(in);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WriteHtmlNode(out, FindNodeByPath(root.get(), u"html.body.p"_qs));
    EXPECT_EQ(out.data(), QByteArray("<\0p\0>\0c\0a\0f\0&\0e\0a\0c\0u\0t\0e\0;\0<\0/\0p\0>\0\r\0\n\0", 40));
}

TEST(HtmlFilerWrite, DeeplyNestedPagesAreWrittenWithoutRecursion)
{
    // Unclosed inline tags nest as deep as the page is long; reading, writing and freeing must cope.
    // Indentation stops growing at 80 blanks, so the text stays proportional to the page.
    QString page;
    for (int i = 0; i < 50000; ++i)
        page += u"<font><div>"_qs;
    page += u"x"_qs;
    auto root = Parse(page);
    const QString written = Write(root.get());
    EXPECT_EQ(written.count(u"</div>"_qs), 50000);
    EXPECT_LT(written.size(), 40 * page.size());
    qsizetype widest = 0;
    for (const QString& line : Lines(written))
        widest = qMax(widest, line.size());
    EXPECT_EQ(widest, 80 + 7); // "</font>" after the deepest indentation
    EXPECT_TRUE(written.contains(u"<div>\r\n"_qs + QString(80, u' ') + u"x"_qs)) << written.right(400).toStdString();
}

// Whether an element writes nothing, and which texts lose their outer blanks, is judged for each element
// by what its content holds, however deep: nested elements share what is found below them, and each must
// still come out as it would alone ("|" marks the line ends).
TEST(HtmlFilerWrite, NestedEmptyBlocksAndOuterBlanksAreJudgedElementByElement)
{
    const struct
    {
        const char16_t* Body;
        const char* Written;
    } cases[] = {
        // an empty div among others goes, one around a bold stays, one holding an empty one goes whole
        {u"<div><div> </div><div><b>x</b></div><div> <div></div> </div></div>",
         "<div>|<div>|<b>x</b>|</div>|</div>|"},
        // blanks show in a pre, and keep every element around it
        {u"<div><div><pre> </pre></div></div><div><pre> </pre></div>",
         "<div>|<div>|<pre> </pre>|</div>|</div>|<div>|<pre> </pre>|</div>|"},
        {u"<div><span> </span><pre> <b> </b></pre></div><div> <pre><b></b></pre></div>",
         "<div>|<span></span>|<pre> <b> </b></pre>|</div>|<div>|<pre><b></b></pre>|</div>|"},
        // each item's text is trimmed at its own edges, the inner items' too
        {u"<ul><li> <ul><li> a <ul><li> b </li></ul> </li></ul> </li></ul>",
         "<ul>|<li>|<ul>|<li>a|<ul>|<li>b</li>|</ul>|</li>|</ul>|</li>|</ul>|"},
        // the inner item's edges lie inside a bold and an italic, past the words between them
        {u"<ul><li><ul><li><b> a</b> c <i>d </i></li></ul> d</li></ul>",
         "<ul>|<li>|<ul>|<li><b>a</b> c <i>d</i></li>|</ul>|d</li>|</ul>|"},
        // a comment and empty tags let the search through, an image stops it
        {u"<ul><li> <!-- c --> <b> <i> a </i> </b> <ul><li><img src=x> b </li></ul> x </li></ul>",
         "<ul>|<li><!-- c --><b><i>a </i></b>|<ul>|<li><img src=\"x\"> b</li>|</ul>|x</li>|</ul>|"},
        {u"<p> <b> </b> <i> t </i> <u> </u> </p><p> <em></em> <textarea> t </textarea> </p>",
         "<p><b></b><i>t</i><u></u></p>|<p><em></em><textarea> t </textarea></p>|"},
        {u"<li><font> <b> a </b> </font></li><li><font> <b></b> </font><span contenteditable=false> s </span></li>",
         "<li><font><b>a</b></font></li>|<li><font><b></b></font><span contentEditable=\"false\"> s </span></li>|"},
    };
    // The body's lines without their indentation.
    const auto linesOf = [](const QString& body) {
        QStringList lines;
        for (const QString& line : HtmlNodeToText(Parse(body)->FindFirst(TAG_BODY)).split(u"\r\n"_qs, Qt::SkipEmptyParts)) {
            qsizetype start = 0;
            while (start < line.size() && line[start] == u' ')
                ++start;
            lines << line.mid(start);
        }
        return lines;
    };
    for (const auto& c : cases) {
        const QString body = linesOf(QString::fromUtf16(c.Body)).join(u'|') + u'|';
        EXPECT_EQ(body.toStdString(), "<body>|" + std::string(c.Written) + "</body>|") << QString::fromUtf16(c.Body).toStdString();
    }

    // Down a long nest the outer elements are judged through what was found for the inner ones, a short
    // nest element by element: each case must come out the same at the foot of either, the long one only
    // adding the lines of its extra levels (per start and end lines each). A blank in a bold at an item's
    // edge after a comment is met first by the walk of the item around it.
    const struct
    {
        const char16_t* Level;
        qsizetype Per;
    } levels[] = {{u"<div>", 1}, {u"<ul><li> ", 2}, {u"<ul><li><!-- c --><b> </b>", 2}};
    for (const auto& c : cases) {
        for (const auto& [text, per] : levels) {
            const QString level = QString::fromUtf16(text);
            const QStringList shallow = linesOf(level.repeated(3) + QString::fromUtf16(c.Body));
            QStringList expected = shallow;
            if (shallow.size() > 2) {
                const QStringList start = shallow.mid(1, per);
                const QStringList end = shallow.mid(shallow.size() - 1 - per, per);
                expected = shallow.mid(0, 1);
                for (int i = 3; i < 300; ++i)
                    expected += start;
                expected += shallow.mid(1, shallow.size() - 2);
                for (int i = 3; i < 300; ++i)
                    expected += end;
                expected += shallow.last();
            }
            EXPECT_EQ(linesOf(level.repeated(300) + QString::fromUtf16(c.Body)).join(u'|').toStdString(),
                      expected.join(u'|').toStdString())
                << level.toStdString() << " " << QString::fromUtf16(c.Body).toStdString();
        }
    }

    // The same questions asked down a nest as deep as the page is long.
    QString page;
    for (int i = 0; i < 100000; ++i)
        page += u"<ul><li> "_qs;
    page += u"<div> </div> x "_qs;
    const QString written = Write(Parse(page).get());
    EXPECT_EQ(written.count(u"<li>"_qs), 100000);
    EXPECT_FALSE(written.contains(u"div"_qs));
    EXPECT_TRUE(written.contains(u"<li>x</li>"_qs)) << written.right(400).toStdString();
}

// --- text utilities ------------------------------------------------------------------------------------

TEST(HtmlFilerText, PlainTextDecodesReferencesAndSeparatesBlocks)
{
    auto root = Parse(u"<title>A &amp; B</title><body><p>x</p><p>y</p><p>a<br>b &eacute;&#x1F600; &bogus; "
                      u"&amp c</p><script>var s;</script><p>z</p>"_qs);
    EXPECT_EQ(GetNodePlainText(FindNodeByPath(root.get(), u"title"_qs)), u"A & B"_qs);
    EXPECT_EQ(GetNodePlainText(FindNodeByPath(root.get(), u"body.p[0]"_qs)), u"x"_qs);
    EXPECT_EQ(GetNodePlainText(FindNodeByPath(root.get(), u"body.p[2]"_qs)),
              u"a\r\nb \u00e9"_qs + QString::fromUcs4(U"\U0001F600") + u" &bogus; &amp c"_qs);
    const QString body = GetNodePlainText(FindNodeByPath(root.get(), u"body"_qs));
    EXPECT_TRUE(body.startsWith(u"x\r\n\r\ny\r\n\r\na\r\nb"_qs)) << body.toStdString();
    // Script text is text like any other; the script element stands apart as a block.
    EXPECT_TRUE(body.endsWith(u"&amp c\r\n\r\nvar s;\r\n\r\nz"_qs)) << body.toStdString();
}

TEST(HtmlFilerText, StripOuterTag)
{
    EXPECT_EQ(StripOuterTag(u"  <td class=x>cell</td> "_qs), u"cell"_qs);
    EXPECT_EQ(StripOuterTag(u"plain"_qs), u"plain"_qs);
    EXPECT_EQ(StripOuterTag(u"<br>"_qs), u""_qs);
    EXPECT_EQ(StripOuterTag(u"<b>x"_qs), u"x"_qs);
    EXPECT_EQ(StripOuterTag(u" <b x"_qs), u"<b x"_qs);
    EXPECT_EQ(StripOuterTag(u"<p>a<b>b</b></p>"_qs), u"a<b>b</b>"_qs);
    EXPECT_EQ(StripOuterTag(u"\r\n"_qs), u""_qs);
}

TEST(HtmlFilerText, FindNodeByPath)
{
    auto root = Parse(u"<body><table id=a><tr><td>1</table><div>d</div><table id=b><tr id=r0><td>2</td></tr>"
                      u"<tr id=r1><td>3</table><div>e</div>"_qs);
    THtmlTag* row = FindNodeByPath(root.get(), u"body.table[1].tr[0]"_qs);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetAttribute(ATTR_ID), u"r0"_qs);
    EXPECT_EQ(FindNodeByPath(root.get(), u"body. table [ 1 ] . tr[1]"_qs)->GetAttribute(ATTR_ID), u"r1"_qs);
    EXPECT_EQ(FindNodeByPath(root.get(), u"table.tr"_qs)->TagId(), TAG_TR);
    EXPECT_EQ(FindNodeByPath(root.get(), u"html.body.div[x]"_qs), FindNodeByPath(root.get(), u"body.div"_qs));
    EXPECT_EQ(FindNodeByPath(root.get(), u"body.div[5]"_qs), nullptr);
    EXPECT_EQ(FindNodeByPath(root.get(), u"nosuch"_qs), nullptr);
    EXPECT_EQ(FindNodeByPath(root.get(), u"body.nosuch"_qs), nullptr);
    EXPECT_EQ(FindNodeByPath(root.get(), u"body.td"_qs), nullptr); // further steps look at children only
    EXPECT_EQ(FindNodeByPath(root.get(), u""_qs), nullptr);
}

TEST(HtmlFilerText, WordBreakerTokens)
{
    TWordBreaker breaker(TWordBreaker::wbEncode);
    breaker.SetText(u"  caf\u00e9\t\r\n\U0001F600x "_qs);
    QStringList tokens;
    while (breaker.NextToken())
        tokens << (breaker.TokenKind() == TWordBreaker::tkBlank ? u"_"_qs : breaker.Token());
    EXPECT_EQ(tokens, (QStringList{u"_"_qs, u"caf&eacute;"_qs, u"_"_qs, u"&#x1F600;x"_qs, u"_"_qs}));
    TWordBreaker decode(TWordBreaker::wbDecode);
    decode.SetText(u"a&lt;b &amp x&#65;&#1;y &nosuch;"_qs);
    tokens.clear();
    while (decode.NextToken())
        tokens << decode.Token();
    EXPECT_EQ(tokens, (QStringList{u"a<b"_qs, u" "_qs, u"&amp"_qs, u" "_qs, u"xA\u0001y"_qs, u" "_qs, u"&nosuch;"_qs}));
}

// An old-style page with upper-case tags, unclosed elements, a script in a comment and Latin-1 letters, and
// the text the writer gives for it, side by side in tests/data/filer.
TEST(HtmlFilerFixture, PageWritesAsExpectedAndStaysThatWay)
{
    const QString page = QString::fromLatin1(ReadTestData(u"filer/page.html"_qs));
    const QString expected = QString::fromLatin1(ReadTestData(u"filer/page.expected.html"_qs));
    ASSERT_FALSE(page.isEmpty());
    const QString written = RoundTrip(page);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(RoundTrip(written), written);
}

// --- real pages ----------------------------------------------------------------------------------------

QString PlainWords(const QString& text)
{
    return text.simplified();
}

TEST(HtmlFilerCorpus, WritingIsStableAndKeepsTheText)
{
    const QDir dir(TestDataPath(QStringLiteral("corpus")));
    const QStringList files = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString source = QString::fromUtf8(ReadTestData(u"corpus/"_qs + name));
        auto first = Parse(source);
        const QString once = Write(first.get());
        auto second = Parse(once);
        const QString twice = Write(second.get());
        ASSERT_EQ(twice, once);
        // The text a reader sees is the same before and after writing.
        EXPECT_EQ(PlainWords(GetNodePlainText(FindNodeByPath(Parse(source).get(), u"html.body"_qs))),
                  PlainWords(GetNodePlainText(FindNodeByPath(second.get(), u"html.body"_qs))));
        EXPECT_FALSE(GetNodePlainText(FindNodeByPath(second.get(), u"html.body"_qs)).isEmpty());
    }
}

// --- reading the body again around an edit ------------------------------------------------------------

// The body as text and as shape (each node's depth and identifier), which tells apart trees that the
// text alone would not (one text read as two, an element one level off). A text without a body (an edit
// can take it away, as on a frameset page) says so, as the reader then refuses to read in part.
QString BodyDump(THtmlNode* body)
{
    if (!body)
        return QStringLiteral("(no body)");
    QString out;
    AppendHtmlNode(out, body, woUnformatted);
    out += u'\n';
    for (const THtmlNode* n = body->GetNextNode(nullptr); n; n = body->GetNextNode(n)) {
        int depth = 0;
        for (const THtmlNode* p = n->Parent(); p != body; p = p->Parent())
            ++depth;
        out += QString::number(depth) + u':' + QString::number(n->TagId()) + u' ';
    }
    return out;
}

QString WholeBodyDump(const QString& text)
{
    auto root = ParseHtml(QStringView(text), poEmptyFlagsAreBare);
    return BodyDump(root->FindFirst(TAG_BODY));
}

// Reads text whole with read points, then edited: answers whether the edit was read in part, and checks
// that the body then is the body a whole read of the edited text gives.
bool ReadsEditLikeWhole(const QString& text, qsizetype at, qsizetype cut, const QString& piece)
{
    THtmlReadPoints points;
    auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
    const QString edited = QString(text).replace(at, cut, piece);
    const bool inPart = ReparseHtmlBody(edited, at, text.size() - at - cut, poEmptyFlagsAreBare, points);
    if (inPart)
        EXPECT_EQ(BodyDump(points.Body), WholeBodyDump(edited));
    else
        EXPECT_EQ(BodyDump(points.Body), WholeBodyDump(text)); // nothing changed
    return inPart;
}

TEST(HtmlFilerReadInPart, EditsAroundTheBodyReadAsTheWholeEditedText)
{
    const QString page = QStringLiteral(
        "<body id=\"dsgn_:::_0\"><h1>Title</h1>\n<p>First <b>bold</b> words.</p><div class=\"box\"><p>In a "
        "box</p><ul><li>one</li><li>two</li></ul></div><table border=\"1\"><tbody><tr><td>a1</td><td>b1</td>"
        "</tr><tr><td>a2 <i>it</i></td><td>b2</td></tr></tbody></table><pre>  kept\n  lines</pre>"
        "<a href=\"/c\"><div class=\"card\"><h3>Card</h3><p>Card text</p></div></a><b><p>Bold para</p></b>"
        "<p>Last words</p></body>");
    struct TEdit
    {
        const char* What;
        QString Find;    // the edit replaces this (the first of it)
        QString Replace;
        bool InPart;     // read in part rather than whole
    };
    const TEdit edits[] = {
        {"a key at the start", QStringLiteral("Title"), QStringLiteral("xTitle"), true},
        {"a key in the middle", QStringLiteral("bold"), QStringLiteral("boxld"), true},
        {"a key at the end", QStringLiteral("Last words"), QStringLiteral("Last wordsx"), true},
        {"a key in a cell", QStringLiteral("a2 "), QStringLiteral("a2 x"), true},
        {"a bold in a list item", QStringLiteral("two"), QStringLiteral("t<b>w</b>o"), true},
        {"a new row", QStringLiteral("</tr></tbody>"), QStringLiteral("</tr><tr><td>c</td></tr></tbody>"), true},
        {"two paragraphs joined across the box's edge", QStringLiteral("words.</p><div class=\"box\"><p>In"),
         QStringLiteral("words.<div class=\"box\"><p>In"), true},
        {"blanks in pre text", QStringLiteral("  kept"), QStringLiteral("  kept  "), true},
        {"a paragraph emptied", QStringLiteral("Last words"), QString(), true},
        {"an end tag that closes the box early", QStringLiteral("<ul>"), QStringLiteral("</div><ul>"), true},
        {"a block in a bold", QStringLiteral("<b>bold</b>"), QStringLiteral("<b>bo<div>x</div>ld</b>"), true},
        {"a key in a card link", QStringLiteral("Card text"), QStringLiteral("Card textx"), true},
        {"a link in a card link, which ends it", QStringLiteral("Card text"), QStringLiteral("<a href=x>Card</a> text"), true},
        {"a bold ended inside its paragraph", QStringLiteral("Bold para"), QStringLiteral("Bold</b> para"), true},
        {"a paragraph put in a bold", QStringLiteral("<b><p>"), QStringLiteral("<b>x<p>"), true},
        {"the body's own tag", QStringLiteral("dsgn_:::_0"), QStringLiteral("dsgn_:::_9"), false},
        {"an unterminated comment", QStringLiteral("Last"), QStringLiteral("<!-- Last"), false},
    };
    for (const TEdit& edit : edits) {
        SCOPED_TRACE(edit.What);
        const qsizetype at = page.indexOf(edit.Find);
        ASSERT_GE(at, 0);
        EXPECT_EQ(ReadsEditLikeWhole(page, at, edit.Find.size(), edit.Replace), edit.InPart);
    }
}

// One edit of a series on the same tree: text becomes text with cut units at at replaced by piece. A read in
// part must give the body that a whole read gives; an edit the reader cannot read in part is read whole.
// Whatever the edit, the second save of the edited text writes what the first wrote.
// Answers whether it was read in part; counts the edits the reader accepts.
bool EditReadsAsWhole(QString& text, THtmlReadPoints& points, std::unique_ptr<THtmlRoot>& root, qsizetype at,
                      qsizetype cut, const QString& piece, int& edits)
{
    QString edited = text;
    edited.replace(at, cut, piece);
    const qsizetype keepEnd = text.size() - at - cut;
    QString whole;
    try {
        whole = WholeBodyDump(edited);
    } catch (const Exception&) {
        // An edit the reader refuses is refused in part too, and changes nothing.
        EXPECT_FALSE(ReparseHtmlBody(edited, at, keepEnd, poEmptyFlagsAreBare, points));
        return false;
    }
    ++edits;
    text = edited;
    // Saved twice, the edited text gives the same bytes.
    const QString once = RoundTrip(edited);
    EXPECT_EQ(RoundTrip(once), once);
    if (ReparseHtmlBody(edited, at, keepEnd, poEmptyFlagsAreBare, points)) {
        EXPECT_EQ(BodyDump(points.Body), whole);
        return true;
    }
    root = ParseHtml(edited, poEmptyFlagsAreBare, points);
    return false;
}

// A frameset page keeps its body inside noframes: an edit that takes the body tag away leaves a text
// without a body, which is read whole; the edits after it go on, and one that brings a body back reads it.
TEST(HtmlFilerReadInPart, EditsThatTakeTheBodyAwayAreReadWholeAndEditingGoesOn)
{
    QString text = QStringLiteral("<html><head><title>t</title></head><frameset cols=\"20%,80%\"><frame src=a.html>"
                                  "<frame src=b.html><noframes><body><p>No frames here</p></body></noframes>"
                                  "</frameset></html>");
    THtmlReadPoints points;
    auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
    ASSERT_NE(points.Body, nullptr);
    int edits = 0;
    EXPECT_FALSE(EditReadsAsWhole(text, points, root, text.indexOf(u"<body>"), 6, QString(), edits));
    EXPECT_EQ(WholeBodyDump(text), QStringLiteral("(no body)"));
    EXPECT_EQ(points.Body, nullptr);
    EXPECT_FALSE(EditReadsAsWhole(text, points, root, text.indexOf(u"frames here"), 0, QStringLiteral("x"), edits));
    EXPECT_FALSE(EditReadsAsWhole(text, points, root, text.indexOf(u"<p>"), 0, QStringLiteral("<body>"), edits));
    ASSERT_NE(points.Body, nullptr);
    EXPECT_TRUE(EditReadsAsWhole(text, points, root, text.indexOf(u"No"), 0, QStringLiteral("<b>y</b>"), edits));
    EXPECT_EQ(edits, 4);
}

unsigned NextRandom(unsigned& seed, unsigned below)
{
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % below;
}

// A page of shapes common on written pages, each also as authors leave it open: raw blocks, unknown tags,
// named anchors, lists and cells closed by the next one, a selection, a deletion around a block, a
// noscript, a text area and pre text, anchors and comments at a paragraph's edge, a body tag in the body;
// links and formatting around blocks, ended inside them or never, carried on into the blocks after them;
// words in lists and tables outside their items and cells, end tags that end nothing or another heading,
// repeated attributes, empty elements a style sheet fills; some pages without html, head and body tags.
QString GeneratedPage(unsigned& seed)
{
    static const char16_t* const shapes[] = {
        u"<a href=/item><div class=card><h3>Title</h3><p>Card <i>text</i></p></div></a>\n",
        u"<font face=Arial><p>First</p> <p>Second</p></font>\n", u"<font size=2><table><tr><td>c <b>b</b><td>d</table></font>\n",
        u"<b><p>bold para</b> rest</p>\n", u"<em><ul><li>one<li>two</ul></em> tail\n",
        u"<span class=x><div>in span</div> after</span>\n", u"<pre><code><div>code</div> more</code></pre>\n",
        u"<p><a name=open>never closed</p><p>next <font color=red>left open<p>carried on\n",
        u"<a href=1>one<a href=2>two</a> <i><div>a</i> b</div>\n",
        u"<p>para one <b>bold</b> text</p>\n", u"<article>unknown <em>block</em></article>\n",
        u"<select name=s><option>one<option>two</select> after\n", u"<ul><li>item <a href=x>link</a><li>two</ul>\n",
        u"<!-- note --> text <a name=n></a> more\n", u"<table><tr><td>cell<td>cell <i>two</i></table>\n",
        u"<div class=d>div <span>span</span> <noscript>ns</noscript> tail</div>\n", u"<% y %> words <foo> bar </foo>\n",
        u"<pre> pre  text </pre>\n", u"<del>gone <blockquote>quote</del> <ins>new</ins>\n",
        u"<dl><dt>term<dd>def</dl>\n", u"<p>a<br>b <img src=i.gif> c\n", u"<textarea>t <b></textarea> x\n",
        u"<p><a name=m></a> words <!-- c --> <b>b</b></p>\n", u"<ul><li><!-- c --> item <i>i</i> </ul>\n",
        u"<p>one<body class=c>two</p>\n", u"<ul>intro <b>b</b><li>one</ul>\n", u"<dl>terms<dt>t<dd>d</dl>\n",
        u"<table>cap<tr>row <td>c</td></tr> between </table>\n", u"<div>Hello</p> World</div>\n",
        u"<p>alpha</div> beta</li> gamma</p>\n", u"<h5><a href=#f>(1)</a></h3><p>note\n",
        u"<p class=a class=b ID=x id=y data-x=1 DATA-X=2>twice</p>\n", u"<a href=#t><span class=arrow></span> Contents</a>\n",
        u"<p><del><textarea>open\n"};
    // A newer page may leave out the html, head and body tags.
    const bool bare = NextRandom(seed, 4) == 0;
    QString page = bare ? u"<!DOCTYPE html><title>t</title><header id=h><nav>Top</nav></header>"_qs
                        : u"<% x %><html><head><title>t</title></head><body>"_qs;
    for (unsigned n = 20 + NextRandom(seed, 40); n > 0; --n)
        page += QString::fromUtf16(shapes[NextRandom(seed, std::size(shapes))]);
    return bare ? page : page + u"</body></html>"_qs;
}

// Edits of every kind at random places of text, one after another on the same tree (see EditReadsAsWhole),
// with shapes also of the pieces that raw blocks, unknown tags and implied closes are made of; seed carries
// the random sequence from page to page.
void EditAtRandom(QString& text, int count, unsigned& seed, int& inPart, int& edits, bool shapes = false)
{
    static const QStringList pieces = {
        QString(), u"x"_qs, u" "_qs, u"\n"_qs, u"<b>"_qs, u"</b>"_qs, u"<p>"_qs, u"</p>"_qs, u"<div>"_qs,
        u"</div>"_qs, u"<td>"_qs, u"</tr>"_qs, u"<br>"_qs, u"<!-- c -->"_qs, u"<li>"_qs, u"</li>"_qs,
        u"&amp;"_qs, u"<pre>"_qs, u"</pre>"_qs, u"<span class=\"a\">y</span>"_qs, u"<a href=u>"_qs, u"<font face=f>"_qs,
        u"</font>"_qs, u"</span>"_qs, u"<em><div>d</div></em>"_qs,
        u"<table><tr><td>z</td></tr></table>"_qs, u"<img src=a.gif>"_qs, u"<style>"_qs, u"<title>"_qs,
        u"<!--"_qs, u"<"_qs, u">"_qs, u"\""_qs, u"<p>a</p>"_qs, u"<textarea>"_qs, u"<body>"_qs,
        // the shapes
        u"<% x %>"_qs, u"<foo>"_qs, u"</article>"_qs, u"<select>"_qs, u"</select>"_qs, u"<option>"_qs,
        u"<noscript>"_qs, u"</noscript>"_qs, u"<a name=n>"_qs, u"</a>"_qs, u"<del>"_qs, u"</del>"_qs,
        u"<blockquote>"_qs, u"<caption>"_qs, u"</td>"_qs, u"<body class=b>"_qs, u"</h3>"_qs, u"<h4>"_qs, u"<ul>"_qs,
        u"<tr>"_qs, u"<span class=i></span>"_qs, u"<nav>"_qs, u" class=c class=d"_qs, u"</body>"_qs,
        u"<button>\n<i class=f></i>\n</button>\n"_qs};
    const unsigned choices = shapes ? unsigned(pieces.size()) : unsigned(pieces.indexOf(u"<% x %>"_qs));
    THtmlReadPoints points;
    auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
    for (int i = 0; i < count; ++i) {
        const qsizetype at = NextRandom(seed, unsigned(text.size()) + 1);
        const qsizetype cut = std::min<qsizetype>(NextRandom(seed, 4) == 0 ? NextRandom(seed, 40) : 0, text.size() - at);
        const QString& piece = pieces[NextRandom(seed, choices)];
        SCOPED_TRACE(QStringLiteral("edit %1 at %2").arg(i).arg(at).toStdString());
        inPart += EditReadsAsWhole(text, points, root, at, cut, piece, edits);
        ASSERT_FALSE(testing::Test::HasFailure());
    }
}

// Edits of every kind at random places of real pages, one after another on the same tree: each read in
// part gives the body that a whole read of the edited text gives, and most are read in part.
TEST(HtmlFilerReadInPart, RandomEditsOfRealPagesReadAsWholeReads)
{
    const QDir dir(TestDataPath(QStringLiteral("corpus")));
    const QStringList files = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 10);
    unsigned seed = 12345;
    int inPart = 0, edits = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        QString text = QString::fromUtf8(ReadTestData(u"corpus/"_qs + name));
        EditAtRandom(text, 40, seed, inPart, edits);
        ASSERT_FALSE(testing::Test::HasFailure());
    }
    EXPECT_GT(inPart, edits / 2);
}

// Generated pages with raw blocks, unknown tags and implied closes, edited many times over on one tree
// with every body written after each edit (as the design view writes it): no part is read from a place
// that an edit or a writing has changed, and every edited page saves the same twice.
TEST(HtmlFilerReadInPart, RandomEditsOfGeneratedPagesReadAsWholeReads)
{
    unsigned seed = 2024;
    int inPart = 0, edits = 0;
    for (int page = 0; page < 60; ++page) {
        SCOPED_TRACE(page);
        QString text = GeneratedPage(seed);
        EditAtRandom(text, 250, seed, inPart, edits, true);
        ASSERT_FALSE(testing::Test::HasFailure());
    }
    EXPECT_GT(inPart, edits / 20);
}

// A writing between two edits trims a text beside the next part in the tree itself; a body tag taken away
// took its attributes to the body: both are read again.
TEST(HtmlFilerReadInPart, WritingsAndBodyTagsBetweenEditsAreReadAgain)
{
    struct TCase
    {
        const char16_t* Page;
        const char16_t* Find; // the edit puts piece at the start of this, or cuts it when piece is null
        const char16_t* Piece;
        const char16_t* Saved;
    };
    const TCase cases[] = {
        {u"<body><p><a name=n></a> more <b>x</b></p></body>", u"</a>", u"t",
         u"  <body>\r\n    <p><a name=\"n\">t</a> more <b>x</b></p>\r\n  </body>\r\n"},
        {u"<body><p>a</p><body class=x><p>b</p></body>", u"<body class=x>", nullptr,
         u"  <body>\r\n    <p>a</p>\r\n    <p>b</p>\r\n  </body>\r\n"},
    };
    for (const TCase& c : cases) {
        QString text = QString::fromUtf16(c.Page);
        SCOPED_TRACE(text.toStdString());
        THtmlReadPoints points;
        auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
        (void)HtmlNodeToText(points.Body);
        const QString find = QString::fromUtf16(c.Find);
        int edits = 0;
        EditReadsAsWhole(text, points, root, text.indexOf(find), c.Piece ? 0 : find.size(),
                         c.Piece ? QString::fromUtf16(c.Piece) : QString(), edits);
        EXPECT_EQ(HtmlNodeToText(points.Body), QString::fromUtf16(c.Saved));
    }
}

// Pages nested hundreds of levels deep, where the part around an edit may open and close many levels and
// the elements around it are found far up: blocks, tables, lists, figures in list items, blocks inside
// runs of inline elements (which the block closes), and elements left open to the body's end.
TEST(HtmlFilerReadInPart, RandomEditsOfDeepPagesReadAsWholeReads)
{
    const auto nested = [](const char* open, const char* inside, const char* close) {
        QString body;
        for (int i = 0; i < 300; ++i)
            body += QLatin1String(open);
        body += QLatin1String(inside);
        for (int i = 0; i < 300; ++i)
            body += QLatin1String(close);
        return u"<html><head><title>Deep</title></head><body>"_qs + body + u"</body></html>"_qs;
    };
    // The key typed in the deepest text is read in part, except where no tag follows it in the body.
    const std::pair<QString, bool> pages[] = {
        {nested("<div>", "word", "</div>"), true},
        {nested("<table><tr><td>", "word", "</td></tr></table>"), true},
        {nested("<ul><li>", "word", "</li></ul>"), true},
        {nested("<ul><li><figure>a</figure>", "<b>word</b>", ""), true},
        {nested("<div>", "word", ""), false},
        {nested("<b><i>", "<p>word</p>", "</i></b>"), true},
        {nested("<section><span>", "word<div>more</div>", "</span></section>"), true},
    };
    unsigned seed = 777;
    int inPart = 0, edits = 0;
    for (const auto& [page, keyInPart] : pages) {
        SCOPED_TRACE(page.mid(44, 80).toStdString());
        QString text = page;
        THtmlReadPoints points;
        auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
        EXPECT_EQ(EditReadsAsWhole(text, points, root, text.indexOf(u"word") + 2, 0, u"x"_qs, edits), keyInPart);
        // Between two start tags a third of the way down: the part then holds most of the page.
        EditReadsAsWhole(text, points, root, text.indexOf(u'<', text.size() / 6), 0, u"x"_qs, edits);
        EditAtRandom(text, 30, seed, inPart, edits);
        ASSERT_FALSE(testing::Test::HasFailure());
    }
    // Many random edits fall among the start tags, where the part read runs to the matching end tags: most
    // of the page, which is then read whole.
    EXPECT_GT(inPart, 0);
}

// A million levels: a key typed between two start tags below half way down and one in the deepest text are
// each read in part, on a small stack, and the body writes as the whole read of the edited text does.
TEST(HtmlFilerReadInPart, AKeyOnAPageAMillionLevelsDeepIsReadInPart)
{
    constexpr int Levels = 1000000;
    QString text = u"<html><head><title>Deep</title></head><body>"_qs;
    text.reserve(text.size() + Levels * 11 + 32);
    for (int i = 0; i < Levels; ++i)
        text += u"<div>"_qs;
    text += u"word"_qs;
    for (int i = 0; i < Levels; ++i)
        text += u"</div>"_qs;
    text += u"</body></html>"_qs;
    const qsizetype body = text.indexOf(u"<body>");
    const qsizetype halfWay = body + 6 + 5 * (Levels / 2 + Levels / 10);
    const qsizetype deepest = text.indexOf(u"word") + 2;
    RunWithSmallStack([&] {
        THtmlReadPoints points;
        auto root = ParseHtml(text, poEmptyFlagsAreBare, points);
        for (const qsizetype at : {halfWay, deepest + 1}) {
            const QString edited = QString(text).insert(at, u'x');
            ASSERT_TRUE(ReparseHtmlBody(edited, at, text.size() - at, poEmptyFlagsAreBare, points));
            text = edited;
            QString partly, whole;
            AppendHtmlNode(partly, points.Body, woUnformatted);
            auto wholeRoot = ParseHtml(text, poEmptyFlagsAreBare);
            AppendHtmlNode(whole, wholeRoot->FindFirst(TAG_BODY), woUnformatted);
            ASSERT_EQ(partly.size(), whole.size());
            ASSERT_TRUE(partly == whole);
        }
    });
}

} // namespace
