// The design filter: design copy, mapping back, saving and the element builders.
//
// Most cases are fixtures in tests/data/filter/cases: NAME.html is the document as the user wrote it and
// NAME.expect lists, per section, fragments the design page must have or lack and fragments the saved text
// must have or lack ("@SITE@" stands for the fixture site folder, which is the document's folder, and
// "@SITEURL@" for its file URL); a section "saved" holds the whole saved text.
#include "HtmlFilter.h"

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlConv.h"
#include "HtmlEncode.h"
#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <random>
#include <type_traits>

namespace {

const QString Generator = QStringLiteral("Corvalite v3.63");

QString SitePath()
{
    return QFileInfo(TestDataPath(QStringLiteral("filter/site"))).absoluteFilePath();
}

QString DesignPage(THtmlFilter& filter)
{
    QString text;
    filter.GetDesignText(text);
    return text;
}

// The body part of the design page, as the engine would hand it back unedited.
QString DesignBody(THtmlFilter& filter)
{
    QString page = DesignPage(filter);
    page.remove(0, filter.DesignHeadLength());
    page.chop(QStringLiteral("\r\n</html>").size());
    return page;
}

QString Saved(const THtmlFilter& filter)
{
    return QString::fromLatin1(filter.SaveToBytes());
}

// Text with CR LF line ends folded to LF, so fixtures can be written as plain text files.
QString Lf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void Load(THtmlFilter& filter, const QString& html)
{
    filter.SetGenerator(Generator);
    filter.SetBasePath(SitePath());
    filter.LoadFromBytes(html.toLatin1());
}

struct TExpectations
{
    QMap<QString, QStringList> Sections;
};

TExpectations ReadExpectations(const QString& relative)
{
    TExpectations result;
    const QString site = SitePath();
    QString section;
    const QString text = QString::fromUtf8(ReadTestData(relative));
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1String("== "))) {
            section = line.mid(3).trimmed();
            continue;
        }
        if (line.isEmpty() || section.isEmpty())
            continue;
        line.replace(QLatin1String("@SITEURL@"), QUrl::fromLocalFile(site).toString(QUrl::FullyEncoded));
        result.Sections[section].append(line.replace(QLatin1String("@SITE@"), site));
    }
    return result;
}

QStringList FixtureNames()
{
    QDir dir(TestDataPath(QStringLiteral("filter/cases")));
    QStringList names;
    for (const QString& file : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
        names.append(QFileInfo(file).completeBaseName());
    return names;
}

class FilterFixture : public ::testing::TestWithParam<std::string>
{
};

TEST_P(FilterFixture, DesignPageAndSavedText)
{
    const QString name = QString::fromStdString(GetParam());
    const QByteArray input = ReadTestData(QStringLiteral("filter/cases/%1.html").arg(name));
    ASSERT_FALSE(input.isEmpty());
    const TExpectations expect = ReadExpectations(QStringLiteral("filter/cases/%1.expect").arg(name));
    ASSERT_FALSE(expect.Sections.isEmpty()) << "no expectations for " << name.toStdString();

    THtmlFilter filter;
    Load(filter, QString::fromLatin1(input));
    const QString page = Lf(DesignPage(filter));
    for (const QString& fragment : expect.Sections.value(QStringLiteral("design has")))
        EXPECT_TRUE(page.contains(fragment)) << "design page lacks: " << fragment.toStdString() << "\n" << page.toStdString();
    for (const QString& fragment : expect.Sections.value(QStringLiteral("design lacks")))
        EXPECT_FALSE(page.contains(fragment)) << "design page has: " << fragment.toStdString() << "\n" << page.toStdString();

    const QString saved = Lf(Saved(filter));
    for (const QString& fragment : expect.Sections.value(QStringLiteral("saved has")))
        EXPECT_TRUE(saved.contains(fragment)) << "saved text lacks: " << fragment.toStdString() << "\n" << saved.toStdString();
    for (const QString& fragment : expect.Sections.value(QStringLiteral("saved lacks")))
        EXPECT_FALSE(saved.contains(fragment)) << "saved text has: " << fragment.toStdString() << "\n" << saved.toStdString();
    if (expect.Sections.contains(QStringLiteral("saved"))) {
        EXPECT_EQ(saved.toStdString(), (expect.Sections.value(QStringLiteral("saved")).join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString());
    }

    // The mapped-back tree on its own is the saved document, and saving leaves the design form as it was.
    std::unique_ptr<THtmlRoot> mapped = filter.DesignToSource();
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    WriteHtmlDocument(written, mapped.get());
    QString sourceText;
    filter.GetSourceText(sourceText);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(written.data().constData()), written.data().size() / 2).toStdString(),
              sourceText.toStdString());
    EXPECT_EQ(Lf(DesignPage(filter)).toStdString(), page.toStdString());

    // The unedited design body handed back maps to the same document, and saving is repeatable.
    filter.SetDesignText(DesignBody(filter));
    EXPECT_EQ(Lf(Saved(filter)).toStdString(), saved.toStdString());
    EXPECT_EQ(Lf(Saved(filter)).toStdString(), saved.toStdString());

    // The saved text loads again into the same document.
    THtmlFilter again;
    Load(again, saved);
    EXPECT_EQ(Lf(Saved(again)).toStdString(), saved.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterFixture, ::testing::ValuesIn([] {
                             std::vector<std::string> names;
                             for (const QString& name : FixtureNames())
                                 names.push_back(name.toStdString());
                             return names;
                         }()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(HtmlFilter, FixturesArePresent)
{
    EXPECT_GE(FixtureNames().size(), 10);
}

// ---------------------------------------------------------------------------------------------------
// The design page

TEST(HtmlFilter, DesignHeadIsTheFixedText)
{
    const QString head = THtmlFilter::DesignHead();
    EXPECT_EQ(head.size(), 1884 + 62 + 1943 + 105);
    EXPECT_TRUE(head.startsWith(QStringLiteral("<html>\r\n<head>\r\n<style>\r\npre {\r\n  background-color: #eee;\r\n")));
    EXPECT_TRUE(head.contains(QStringLiteral(".dsgn_quicktime {\r\n  background-image: url(edit:quicktime.gif);\r\n"
                                             "  background-repeat: no-repeat;\r\n  background-position: center;\r\n"
                                             "  background-color: #eee;\r\n}\r\n.dsgn_real {")));
    // Every placeholder is an empty block of its picture's size.
    EXPECT_TRUE(head.contains(QStringLiteral("}\r\nspan.dsgn_anchor {\r\n  display: inline-block;\r\n  width: 14px;\r\n"
                                             "  height: 16px;\r\n  background: url(edit:anchor.gif) no-repeat;\r\n}\r\n")));
    EXPECT_TRUE(head.contains(QStringLiteral("span.dsgn_unknown {\r\n  display: inline-block;\r\n  width: 30px;\r\n")));
    EXPECT_TRUE(head.contains(QStringLiteral("}\r\n.dsgn_broken {\r\n  background-image: url(edit:broken.gif);\r\n"
                                             "  background-color: #eee;\r\n}\r\n.dsgn_remote {")));
    EXPECT_TRUE(head.endsWith(QStringLiteral(".dsgn_layout, .dsgn_layout td {\r\n  border: dotted silver 1px;\r\n}\r\n"
                                             "td:empty::before, th:empty::before {\r\n  content: \"\\200B\";\r\n}\r\n"
                                             ".dsgn_block > :first-child.dsgn_unknown, .dsgn_block > :last-child.dsgn_unknown {\r\n"
                                             "  display: block;\r\n}\r\n"
                                             "</style>\r\n<script type=\"text/javascript\">\r\n<!--\r\n"
                                             "function cancelEvent(event){\r\n  event.returnValue = false;\r\n"
                                             "  event.cancelBubble = true;\r\n  return false;\r\n}\r\n-->\r\n"
                                             "</script>\r\n</head>\r\n")));
}

TEST(HtmlFilter, DesignPageFramesTheBodyAndIsEmptyWithoutDocument)
{
    THtmlFilter filter;
    EXPECT_TRUE(DesignPage(filter).isEmpty());
    EXPECT_TRUE(Saved(filter).isEmpty());
    Load(filter, QStringLiteral("<html><head><title>Mine</title></head><body><p>x</p></body></html>"));
    const QString page = DesignPage(filter);
    // The body follows the head; the page ends with a line of its own.
    EXPECT_EQ(page, THtmlFilter::DesignHead() +
                        QStringLiteral("<body id=\"dsgn_:::_0\" contentEditable>\n<p>x</p>\n</body>\n\r\n</html>"));
    EXPECT_FALSE(page.contains(QStringLiteral("Mine")));
}

TEST(HtmlFilter, TheDesignHeadCarriesTheDocumentsOwnSheetsInOrderBeforeTheDesignSheet)
{
    THtmlFilter filter;
    const QString html = QStringLiteral(
        "<html><head><title>Mine</title><style media=\"screen\">h1 { color: red }</style>"
        "<link rel=\"StyleSheet\" href=\"css\\a.css\" onload=\"go()\"><link rel=\"stylesheet\" href=\"http://x.org/b.css\">"
        "<link rel=\"icon\" href=\"i.ico\"><link rel=\"alternate stylesheet\" href=\"alt.css\"><script>go()</script>"
        "<link rel=\"stylesheet\" href=\"/abs.css\"><link rel=\"stylesheet\" href=\"c:/c.css\"><style><!-- p { } --></style>"
        "</head><body><style>b { }</style><p>x</p></body></html>"); // the reader moves the style into the head
    Load(filter, html);
    const QString saved = Saved(filter);
    const QString page = DesignPage(filter);
    EXPECT_TRUE(page.startsWith(QStringLiteral("<html>\r\n<head>\r\n<style media=\"screen\">h1 { color: red }</style>\r\n"
                                               "<link rel=\"stylesheet\" href=\"css/a.css\">\r\n<style><!-- p { } --></style>\r\n"
                                               "<style>b { }</style>\r\n<style>\r\npre {")))
        << page.left(400).toStdString();
    EXPECT_FALSE(page.contains(QLatin1String("go()")));
    // The body follows the head as before, and the page changes nothing saved.
    EXPECT_TRUE(page.mid(filter.DesignHeadLength()).startsWith(QStringLiteral("<body id=\"dsgn_:::_")))
        << page.mid(filter.DesignHeadLength(), 40).toStdString();
    EXPECT_EQ(Saved(filter), saved);
    EXPECT_TRUE(saved.contains(QLatin1String("p { }"))) << saved.toStdString();
}

// Pages styled through their html element (".light body", "html[lang=en]") and their body's class look on
// the design page as in a browser: both elements carry the page's own attributes, bar what the design view
// decides itself (editing, the body's id, event handlers). The saved file has each attribute once, as written.
TEST(HtmlFilter, TheDesignPagesHtmlAndBodyCarryThePagesOwnAttributesAndTheFileKeepsThem)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral(
                     "<html lang=\"en\" class=\"sidebar-visible no-js light\" dir=rtl style='color: red' data-theme=\"a&amp;b\" "
                     "xml:lang=\"en\" onload=\"x()\" contenteditable onpageshow=\"y()\" manifest=\"\" inert><head><title>T</title></head>"
                     "<body id=\"top\" class=\"b\" onload=\"go()\" lang=en style=\"margin:0\" data-page=x hidden "
                     "contenteditable=\"false\" bgcolor=\"#fff\" onClick=z() onpageshow=\"y()\" dir=\"\"><p>x</p></body></html>"));
    const QString saved = Saved(filter);
    const QString page = DesignPage(filter);
    EXPECT_TRUE(page.startsWith(QStringLiteral("<html lang=\"en\" class=\"sidebar-visible no-js light\" dir=\"rtl\" "
                                               "style=\"color: red\" data-theme=\"a&amp;b\" xml:lang=\"en\" manifest=\"\">\r\n"
                                               "<head>\r\n<style>\r\npre {")))
        << page.left(200).toStdString();
    const QString body = DesignBody(filter);
    EXPECT_TRUE(body.startsWith(QStringLiteral("<body id=\"dsgn_:::_0\" contentEditable class=\"b\" lang=\"en\" "
                                               "style=\"margin:0\" data-page=\"x\" hidden bgcolor=\"#fff\" dir=\"\">")))
        << body.left(200).toStdString();
    // The engine hands the body back with those attributes; the file has the page's own, once each.
    filter.SetDesignText(body);
    EXPECT_EQ(Saved(filter), saved);
    EXPECT_TRUE(saved.contains(QStringLiteral(
        "<html lang=\"en\" class=\"sidebar-visible no-js light\" dir=\"rtl\" style=\"color: red\" data-theme=\"a&amp;b\" "
        "xml:lang=\"en\" onLoad=\"x()\" contentEditable onpageshow=\"y()\" manifest=\"\" inert>")))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<body id=\"top\" class=\"b\" onLoad=\"go()\" lang=\"en\" style=\"margin:0\" "
                                              "data-page=\"x\" hidden contentEditable=\"false\" bgcolor=\"#fff\" "
                                              "onClick=\"z()\" onpageshow=\"y()\" dir=\"\">")))
        << saved.toStdString();
    EXPECT_EQ(saved.count(QLatin1String("sidebar-visible")), 1);
    // A page whose html element has no attributes starts with the fixed head as before.
    Load(filter, QStringLiteral("<html><body class=\"b\"><p>x</p></body></html>"));
    EXPECT_TRUE(DesignPage(filter).startsWith(THtmlFilter::DesignHead()));
}

// Only the engine reads the design page: no indentation and no wrapping of long lines, while every blank of
// the text stays where it stood and line ends come only where the saved page has them, where none shows.
TEST(HtmlFilter, DesignPageIsWrittenForTheEngineWithoutTheReadersLayout)
{
    THtmlFilter filter;
    QString words;
    for (int i = 0; i < 40; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    Load(filter, QStringLiteral("<html><body><div><table><tr><td><ul><li><p>%1<b>bold</b> <i>it</i>\t\r\n"
                                "x</p></li></ul></td></tr></table></div>"
                                "<pre>  kept\n    as is</pre></body></html>").arg(words));
    const QString page = DesignPage(filter);
    const QString body = page.mid(filter.DesignHeadLength());
    EXPECT_FALSE(body.left(body.indexOf(QLatin1String("<pre>"))).contains(QStringLiteral("\n ")));
    EXPECT_FALSE(body.contains(QLatin1Char('\r')) && body.indexOf(QLatin1Char('\r')) < body.size() - 9);
    EXPECT_TRUE(body.contains(QStringLiteral("<li>\n<p>") + words + QStringLiteral("<b>bold</b> <i>it</i> x</p>\n</li>")));
    EXPECT_TRUE(body.contains(QStringLiteral("<pre>  kept\n    as is</pre>")));
    // The saved page keeps the reader's layout.
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("\r\n          ")));
    EXPECT_TRUE(saved.contains(QStringLiteral("word0 word1")));
    EXPECT_FALSE(saved.contains(words.trimmed()));
}

TEST(HtmlFilter, DocumentWithoutBodyGetsAnEmptyKeptBody)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<html><head><title>F</title></head><frameset cols=\"50%,50%\"><frame src=\"a.html\">"
                                "<frame src=\"b.html\"></frameset></html>"));
    const int before = filter.NodeCount();
    EXPECT_TRUE(DesignPage(filter).endsWith(
        QStringLiteral("<body id=\"dsgn_:::_%1\" contentEditable></body>\r\n</html>").arg(before)));
    ASSERT_EQ(filter.NodeCount(), before + 1);
    const THtmlNode* kept = filter.NodeAt(before);
    EXPECT_EQ(kept->TagId(), TAG_BODY);
    EXPECT_EQ(static_cast<const THtmlTag*>(kept)->AttributeCount(), 0);
    EXPECT_FALSE(Saved(filter).contains(QStringLiteral("<body")));
    EXPECT_TRUE(Saved(filter).contains(QStringLiteral("<frame src=\"b.html\">")));
}

TEST(HtmlFilter, DesignIdsStartAtZeroOnEveryLoad)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><!-- one --><p>x</p><!-- two --></body>"));
    EXPECT_EQ(filter.NodeCount(), 3);
    EXPECT_TRUE(DesignPage(filter).contains(QStringLiteral("id=\"dsgn_:::_2\" class=\"dsgn_comment\"")));
    Load(filter, QStringLiteral("<body><!-- three --></body>"));
    EXPECT_EQ(filter.NodeCount(), 2);
    const QString page = DesignPage(filter);
    EXPECT_TRUE(page.contains(QStringLiteral("<body id=\"dsgn_:::_0\"")));
    EXPECT_TRUE(page.contains(QStringLiteral("<span id=\"dsgn_:::_1\" class=\"dsgn_comment\"")));
    EXPECT_FALSE(page.contains(QStringLiteral("dsgn_:::_2")));
    EXPECT_FALSE(Saved(filter).contains(QStringLiteral("one")));
}

TEST(HtmlFilter, DocTypeIsSuppliedOnlyWhenMissing)
{
    THtmlFilter filter;
    filter.SetSource(QStringLiteral("<p>x</p>"));
    ASSERT_NE(filter.Source()->FirstChild(), nullptr);
    EXPECT_EQ(filter.Source()->FirstChild()->TagId(), TAG_DOCTYPE);
    EXPECT_EQ(static_cast<THtmlDocType*>(filter.Source()->FirstChild())->Kind(), dkTransitional);

    filter.SetSource(QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n<html><body></body></html>"));
    int doctypes = 0;
    for (THtmlNode* child = filter.Source()->FirstChild(); child; child = child->NextSibling())
        doctypes += child->TagId() == TAG_DOCTYPE;
    EXPECT_EQ(doctypes, 1);
    EXPECT_EQ(static_cast<THtmlDocType*>(filter.Source()->FirstChild())->Kind(), dkFrameset);
}

// A page saved without an edit is laid out by browsers as the page was: without a declaration, or with a
// transitional or frameset one that names no system identifier, in their quirks mode; with the system
// identifier in their almost-standards mode; with a strict one, an HTML5 one or any other by its own
// rules. The declaration that goes in front of a page that had none, or a 4.01 one that had no system
// identifier, is written without it; every other as before. Opened again, the saved page saves the same.
TEST(HtmlFilter, ASavedPageKeepsTheRenderingModeItHad)
{
    const char* const transitional = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"";
    const struct
    {
        QByteArray Page;
        QByteArray FirstLines; // up to the html tag
    } cases[] = {
        {"<p>x", transitional + QByteArray(">\r\n")},
        {"<!-- note -->\n<html><body><p>x", transitional + QByteArray(">\r\n<!-- note -->\r\n")},
        {transitional + QByteArray(">\n<html><body><p>x"), transitional + QByteArray(">\r\n")},
        {transitional + QByteArray(" \"http://www.w3.org/TR/html4/loose.dtd\"><p>x"),
         transitional + QByteArray("\r\n \"http://www.w3.org/TR/html4/loose.dtd\">\r\n")},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\"><html><frameset><frame src=a.html></frameset>",
         "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\">\r\n"},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><p>x", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n"},
        {"<!DOCTYPE html>\n<title>T</title><p>x", "<!DOCTYPE html>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page.constData());
        THtmlFilter filter;
        filter.LoadFromBytes(c.Page);
        const QByteArray saved = filter.SaveToBytes();
        EXPECT_TRUE(saved.startsWith(c.FirstLines + "<html>")) << saved.constData();
        THtmlFilter reopened;
        reopened.LoadFromBytes(saved);
        EXPECT_EQ(reopened.SaveToBytes(), saved);
        // The code view hands its text back the same way.
        THtmlFilter coded;
        coded.SetSource(QString::fromLatin1(saved));
        EXPECT_EQ(coded.SaveToBytes(), saved);
    }
}

TEST(HtmlFilter, NewEmptyDocument)
{
    THtmlFilter filter;
    filter.SetGenerator(Generator);
    Load(filter, QStringLiteral("<body><!-- old --></body>"));
    filter.NewEmptyDocument();
    ASSERT_EQ(filter.NodeCount(), 1);
    EXPECT_EQ(filter.NodeAt(0)->TagId(), TAG_BODY);
    EXPECT_TRUE(DesignPage(filter).endsWith(QStringLiteral("<body id=\"dsgn_:::_0\" contentEditable></body>\n\r\n</html>")));
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.startsWith(QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"")));
    EXPECT_TRUE(saved.contains(QStringLiteral("<meta name=\"Generator\" content=\"Corvalite v3.63\">")));
    EXPECT_FALSE(saved.contains(QStringLiteral("Content-Type"), Qt::CaseInsensitive));
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
    EXPECT_FALSE(saved.contains(QStringLiteral("<p>old</p>")));

    THtmlFilter bare;
    bare.NewEmptyDocument();
    EXPECT_FALSE(Saved(bare).contains(QStringLiteral("<meta")));
}

TEST(HtmlFilter, MetasWithoutGeneratorText)
{
    // Without a generator text of our own, the author's generator stays; the other metas are rewritten.
    THtmlFilter filter;
    filter.SetSource(QStringLiteral("<html><head><meta name=\"generator\" content=\"Hand\">"
                                    "<meta http-equiv=\"CONTENT-TYPE\" content=\"text/html; charset=koi8-r\">"
                                    "<meta charset=\"\"></head><body></body></html>"));
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<meta name=\"generator\" content=\"Hand\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<meta http-equiv=\"CONTENT-TYPE\" content=\"text/html; charset=ISO-8859-1\">")));
    EXPECT_FALSE(saved.contains(QStringLiteral("charset=\"ISO")));
}

// ---------------------------------------------------------------------------------------------------
// Image sources

TEST(HtmlFilter, ResolveImageSource)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("images/folder.gif"));
    for (const char* name : {"images/a.gif", "my%20pic.gif", "quote\"d.gif", "my pic.gif", "caf\xc3\xa9 & co.gif"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("GIF89a");
    }
    THtmlFilter filter;
    filter.SetBasePath(dir.path());
    const QString local = QUrl::fromLocalFile(dir.filePath(QStringLiteral("images/a.gif"))).toString(QUrl::FullyEncoded);
    const QString spaced = QUrl::fromLocalFile(dir.filePath(QStringLiteral("my pic.gif"))).toString(QUrl::FullyEncoded);
    const QString accented =
        QUrl::fromLocalFile(dir.filePath(QString::fromUtf8("caf\xc3\xa9 & co.gif"))).toString(QUrl::FullyEncoded);
    struct TCase
    {
        const char* Src;
        const char* Class;
        QString DesignSrc;
    } cases[] = {
        {"http://example.com/a.gif", "dsgn_remote", QStringLiteral("edit:trans.gif")},
        {"HTTP://EXAMPLE.COM/a.gif", "dsgn_remote", QStringLiteral("edit:trans.gif")},
        {"https://example.com/images/a.gif", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"file:///tmp/a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"FILE://c|/a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"C:\\site\\images\\a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"d:a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"\\\\server\\share\\a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"/images/a.gif", "dsgn_absolute", QStringLiteral("edit:trans.gif")},
        {"images/a.gif", "", local},
        {"images\\a.gif", "", local},
        {"images/missing.gif", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"images/folder.gif", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"my%20pic.gif", "", QUrl::fromLocalFile(dir.filePath(QStringLiteral("my%20pic.gif"))).toString(QUrl::FullyEncoded)},
        // An address names the file a browser would load: escapes and references decoded, query and
        // fragment left out.
        {"my pic.gif", "", spaced},
        {"my%20pic.gif?v=2", "", spaced},
        {"my%20pic.gif#top", "", spaced},
        {"caf%C3%A9%20%26%20co.gif", "", accented},
        {"caf&eacute; &amp; co.gif", "", accented},
        {"caf&#233; &#x26; co.gif", "", accented},
        {"my%2Fpic.gif", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"my%20pic.gif%3F", "dsgn_broken", QStringLiteral("edit:trans.gif")},
        {"images%2Fmissing%20file.gif", "dsgn_broken", QStringLiteral("edit:trans.gif")},
    };
    for (const TCase& c : cases) {
        QString designClass = QStringLiteral("stale"), designSrc = QStringLiteral("stale");
        filter.ResolveImageSource(QLatin1String(c.Src), designClass, designSrc);
        EXPECT_EQ(designClass.toStdString(), c.Class) << c.Src;
        EXPECT_EQ(designSrc.toStdString(), c.DesignSrc.toStdString()) << c.Src;
    }
    // A quotation mark in a local file name cannot leave the attribute it is written into.
    QString designClass, designSrc;
    filter.ResolveImageSource(QStringLiteral("quote\"d.gif"), designClass, designSrc);
    EXPECT_TRUE(designClass.isEmpty());
    EXPECT_FALSE(designSrc.contains(QLatin1Char('"')));
    EXPECT_EQ(QUrl(designSrc).toLocalFile(), dir.filePath(QStringLiteral("quote\"d.gif")));
}

TEST(HtmlFilter, BasePathGetsOneTrailingSlash)
{
    THtmlFilter filter;
    filter.SetBasePath(QStringLiteral("/home/u/site"));
    EXPECT_EQ(filter.BasePath(), QStringLiteral("/home/u/site/"));
    filter.SetBasePath(QStringLiteral("/home/u/site/"));
    EXPECT_EQ(filter.BasePath(), QStringLiteral("/home/u/site/"));
    filter.SetBasePath(QString());
    EXPECT_TRUE(filter.BasePath().isEmpty());
}

// ---------------------------------------------------------------------------------------------------
// Design ids

TEST(HtmlFilter, DesignIdToIndexAndFindNode)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><!-- c --></body>"));
    struct TCase
    {
        const char* Id;
        int Index;
    } cases[] = {{"dsgn_:::_0", 0}, {"dsgn_:::_1", 1}, {"dsgn_:::_17", 17}, {"dsgn_:::_x", -1}, {"DSGN_:::_1", -1},
                 {"dsgn_:::_", -1}, {"dsgn_:::_1a", -1}, {"dsgn_:::_-1", -1}, {"dsgn_:::_ 1", -1}, {"", -1},
                 {"x_dsgn_:::_1", -1}, {"dsgn_:::_99999999999", -1}, {"dsgn_:::_0000000000017", 17},
                 {"dsgn_:::_2147483647", 2147483647}, {"dsgn_:::_2147483648", -1}};
    for (const TCase& c : cases)
        EXPECT_EQ(THtmlFilter::DesignIdToIndex(QLatin1String(c.Id)), c.Index) << c.Id;
    EXPECT_EQ(filter.FindNode(QStringLiteral("dsgn_:::_0"))->TagId(), TAG_BODY);
    EXPECT_EQ(filter.FindNode(QStringLiteral("dsgn_:::_1"))->TagId(), TAG_COMMENT);
    EXPECT_EQ(filter.FindNode(QStringLiteral("dsgn_:::_x")), nullptr);
    EXPECT_EQ(filter.FindNode(QStringLiteral("DSGN_:::_1")), nullptr);
    // Sound behaviour: an id that names no kept node is no design id.
    EXPECT_EQ(filter.FindNode(QStringLiteral("dsgn_:::_2")), nullptr);
    EXPECT_EQ(filter.FindNode(QStringLiteral("dsgn_:::_500")), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Mapping back

TEST(HtmlFilter, SetNodeSizeReachesTheSavedTable)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><table border=\"0\" id=\"own\" width=\"10\" height=\"5\"><tr><td>a</td></tr></table>"
                                "<img src=\"http://x/a.gif\" width=\"1\" height=\"2\"></body>"));
    filter.SetDesignText(DesignBody(filter));
    filter.SetNodeSize(QStringLiteral("dsgn_:::_1"), QStringLiteral("640"), QStringLiteral("480"));
    filter.SetNodeSize(QStringLiteral("dsgn_:::_2"), QStringLiteral("32"), QString());
    filter.SetNodeSize(QStringLiteral("dsgn_:::_77"), QStringLiteral("1"), QStringLiteral("1")); // no kept node
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<table border=\"0\" width=\"640\" height=\"480\" id=\"own\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<img src=\"http://x/a.gif\" width=\"32\">"))) << saved.toStdString();
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
}

TEST(HtmlFilter, EditedBodyIsMappedBack)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<html><head><script>var x;</script></head><body bgcolor=\"red\" onload=\"go()\">"
                                "<p>old</p><!-- keep --></body></html>"));
    // The engine's own serialisation: lower-case names, contenteditable="", a body colour changed by hand,
    // a pasted image without id, a new paragraph, and the comment placeholder moved.
    filter.SetDesignText(QStringLiteral(
        "<body id=\"dsgn_:::_1\" contenteditable=\"\" bgcolor=\"blue\"><p>new &amp; <b>bold</b></p>"
        "<img id=\"dsgn_:::_2\" src=\"edit:comment.gif\" onresize=\"cancelEvent()\"><img src=\"pasted.gif\"></body>"));
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<body bgcolor=\"red\" onLoad=\"go()\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<p>new &amp; <b>bold</b></p>"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<!-- keep -->")));
    EXPECT_TRUE(saved.contains(QStringLiteral("<img src=\"pasted.gif\">")));
    EXPECT_TRUE(saved.contains(QStringLiteral("var x;")));
    EXPECT_FALSE(saved.contains(QStringLiteral("<p>old</p>")));
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
    EXPECT_FALSE(saved.contains(QStringLiteral("contenteditable"), Qt::CaseInsensitive));
}

// A body taken after an edit is read again only around the change, and saves as the whole body does,
// also after a save in between (which maps the tree back and forth in place); a body read in between by
// another caller (a selection taken for a template) is not built on: the next body is read whole.
TEST(HtmlFilter, AnEditedBodyReadInPartSavesAsTheWholeBody)
{
    const QString page = QStringLiteral(
        "<html><body><h1>Title</h1><!-- note --><p>One <b>two</b> three.</p><table border=\"1\"><tr><td>cell"
        "</td></tr></table><p>Last</p></body></html>");
    const auto savedWhole = [&page](const QString& body) {
        THtmlFilter whole;
        Load(whole, page);
        DesignBody(whole);
        whole.SetDesignText(body);
        return Saved(whole);
    };
    THtmlFilter filter;
    Load(filter, page);
    // The engine gives the table the row group the user left out; a save takes it away again.
    QString body = DesignBody(filter);
    ASSERT_TRUE(body.contains(QRegularExpression(QStringLiteral("</tr>\\s*</table>")))) << body.toStdString();
    body.replace(QRegularExpression(QStringLiteral("(<table[^>]*>)")), QStringLiteral("\\1<tbody>"));
    body.replace(QRegularExpression(QStringLiteral("</tr>(\\s*)</table>")), QStringLiteral("</tr>\\1</tbody></table>"));
    qint64 read = filter.SetDesignText(body);
    ASSERT_NE(read, 0);
    // Each edit: the text found, what takes its place.
    const std::pair<QString, QString> edits[] = {
        {QStringLiteral("two"), QStringLiteral("t<i>w</i>o")},
        {QStringLiteral("cell"), QStringLiteral("cell x")},
        {QStringLiteral("</tr>"), QStringLiteral("</tr><tr><td>new</td></tr>")},
        {QStringLiteral("Last"), QStringLiteral("Last<br>line")},
    };
    for (const auto& [find, replace] : edits) {
        SCOPED_TRACE(find.toStdString());
        const qsizetype at = body.indexOf(find);
        ASSERT_GE(at, 0);
        const qsizetype keptEnd = body.size() - at - find.size();
        body.replace(at, find.size(), replace);
        read = filter.SetDesignText(body, read, at, keptEnd);
        ASSERT_NE(read, 0);
        EXPECT_EQ(Saved(filter).toStdString(), savedWhole(body).toStdString());
    }
    filter.SetDesignText(QString(body).replace(QStringLiteral("Title"), QStringLiteral("Other")));
    const qsizetype at = body.indexOf(QStringLiteral("One"));
    body.insert(at, QStringLiteral("x"));
    filter.SetDesignText(body, read, at, body.size() - at - 1);
    EXPECT_EQ(Saved(filter).toStdString(), savedWhole(body).toStdString());
}

// The character 0 that text from the code view, the tag tree or the engine holds reads as U+FFFD, as it
// does in a file: in words, values, preformatted text, code and comments alike, so no save holds a NUL byte.
// A body read again in part after such an edit saves as the whole body does.
TEST(HtmlFilter, TheCharacterZeroFromAnyViewIsSavedAsTheReplacementCharacter)
{
    const QChar nul(0);
    const QString inner = QStringLiteral("<p title=\"a%1b\">c%1d</p><pre>e%1f</pre><script>g%1h</script><!-- i%1j -->"
                                         "<p>Last</p>").arg(nul);
    const QString page = QStringLiteral("<html><body>") + inner + QStringLiteral("</body></html>");
    const auto expectNoNul = [](const QByteArray& saved) {
        EXPECT_FALSE(saved.contains('\0')) << saved.constData();
        for (const char* kept : {"<p title=\"a&#xFFFD;b\">c&#xFFFD;d</p>", "<pre>e&#xFFFD;f</pre>"})
            EXPECT_TRUE(saved.contains(kept)) << kept << "\n" << saved.constData();
    };
    THtmlFilter coded;
    coded.SetSource(page);
    const QByteArray fromCode = coded.SaveToBytes();
    expectNoNul(fromCode);
    // As a file with the same characters is read.
    THtmlFilter file;
    file.LoadFromBytes(page.toUtf8());
    EXPECT_EQ(fromCode, file.SaveToBytes());

    THtmlFilter designed;
    Load(designed, QStringLiteral("<html><body><p>x</p></body></html>"));
    QString body = DesignBody(designed);
    body.insert(body.indexOf(QStringLiteral("<p>x")), inner);
    const qint64 read = designed.SetDesignText(body);
    expectNoNul(designed.SaveToBytes());
    const qsizetype at = body.indexOf(QStringLiteral("Last"));
    body.insert(at, QStringLiteral("<b>%1</b>").arg(nul));
    ASSERT_NE(designed.SetDesignText(body, read, at, body.size() - at - 8), 0);
    const QByteArray inPart = designed.SaveToBytes();
    expectNoNul(inPart);
    EXPECT_TRUE(inPart.contains("<b>&#xFFFD;</b>Last")) << inPart.constData();
}

// Links the engine copied and pasted within the page come written against the design page's address; they
// are saved as the author wrote them: a fragment of the page, or the name of a file beside it.
TEST(HtmlFilter, PastedLinksLoseTheDesignPagesAddress)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>x</p></body>"));
    filter.SetDesignText(QStringLiteral(
        "<body id=\"dsgn_:::_0\" contenteditable=\"\"><p>x <a href=\"idoc:index.html#top\">top</a> "
        "<a accesskey=\"p\" href=\"idoc:catalog-pg-amproc.html\" title=\"t\">prev</a> "
        "<a href=\"idoc:sub/a%20b.html#s\">sub</a> <a href=\"http://example.com/idoc:x\">web</a> <a href=\"idoc:index.html\">home</a></p></body>"));
    const QString saved = Saved(filter);
    for (const char* link : {"<a href=\"#top\">top</a>", "<a accesskey=\"p\" href=\"catalog-pg-amproc.html\" title=\"t\">",
                             "<a href=\"sub/a%20b.html#s\">", "<a href=\"http://example.com/idoc:x\">",
                             "<a href=\"index.html\">home</a>"})
        EXPECT_TRUE(saved.contains(QLatin1String(link))) << link << "\n" << saved.toStdString();
}

// The engine writes flags as name=""; a selected option, a checked box, a disabled or read-only field
// keep their flags through an edit, while text and quoted values that merely look like flags stay as typed.
TEST(HtmlFilter, FlagsWrittenWithAnEmptyValueByTheEngineAreKept)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><form><select name=\"s\" multiple><option value=\"1\" selected>One</option>"
                                "</select><input type=\"checkbox\" checked disabled><textarea readonly>t</textarea>"
                                "</form></body>"));
    filter.SetDesignText(QStringLiteral(
        "<body id=\"dsgn_:::_0\" contenteditable=\"\"><form><select name=\"s\" multiple=\"\">"
        "<option value=\"1\" selected=\"\">One</option><option value=\"2\">Two</option></select>"
        "<input type=\"checkbox\" checked=\"\" DISABLED=\"\"><textarea readonly=\"\">t</textarea>"
        "<input type=\"text\" title=\"checked=&quot;&quot;\" value=\"\" alt=''></form>"
        "<!-- <hr noshade=\"\"> --><table><tbody><tr><td nowrap=\"\">cell</td></tr></tbody></table>"
        "<hr noshade=\"\"><p>selected=\"\" is text</p></body>"));
    const QString saved = Saved(filter);
    for (const char* expected : {"<select name=\"s\" multiple>", "<option value=\"1\" selected>One</option>",
                                 "<option value=\"2\">Two</option>", "<input type=\"checkbox\" checked disabled>",
                                 "<textarea readonly>t</textarea>", "<td nowrap>cell</td>", "<hr noshade>",
                                 "<input type=\"text\" title=\"checked=&quot;&quot;\" value=\"\" alt=\"\">",
                                 "<p>selected=\"\" is text</p>"})
        EXPECT_TRUE(saved.contains(QString::fromLatin1(expected))) << expected << "\n" << saved.toStdString();
}

// The engine adds a tbody to every table; the user's document gains none it did not have.
TEST(HtmlFilter, RowGroupsAddedByTheEngineAreDropped)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><table border=\"1\"><tr><td>a<table><tr><td>n</td></tr></table></td></tr></table>"
                                "<table><tbody><tr><td>b</td></tr></tbody></table>"
                                "<table><thead><tr><th>h</th></tr></thead><tr><td>c</td></tr></table></body>"));
    ASSERT_EQ(filter.NodeCount(), 5); // body and four tables
    TOpenTag built = filter.NewTable(QStringLiteral("0"));
    // As the engine serialises the body: a tbody around every run of rows, attribute names in lower case.
    filter.SetDesignText(QStringLiteral(
        "<body id=\"dsgn_:::_0\" contenteditable=\"\">"
        "<table border=\"1\" id=\"dsgn_:::_1\" onresizeend=\"external.Report(this);\"><tbody><tr><td>a"
        "<table id=\"dsgn_:::_2\" class=\"dsgn_layout\"><tbody><tr><td>n</td></tr></tbody></table></td></tr></tbody></table>"
        "<table id=\"dsgn_:::_3\" class=\"dsgn_layout\"><tbody><tr><td>b</td></tr></tbody></table>"
        "<table id=\"dsgn_:::_4\" class=\"dsgn_layout\"><thead><tr><th>h</th></tr></thead><tbody><tr><td>c</td></tr>"
        "<tr><td>added</td></tr></tbody></table>"
        "<table id=\"dsgn_:::_5\" class=\"dsgn_layout\"><tbody><tr><td>new</td></tr></tbody></table>"
        "<table id=\"dsgn_:::_1\" border=\"1\"><tbody class=\"set\"><tr><td>styled</td></tr></tbody></table>"
        "<table><tbody><tr><td>pasted</td></tr></tbody></table></body>"));
    ASSERT_EQ(built.Id, QStringLiteral("dsgn_:::_5"));
    std::unique_ptr<THtmlRoot> saved = ParseHtml(QStringView(Saved(filter)));
    auto rowGroups = [&saved](const char* cellText) {
        // The parent of the row that holds the cell with this text.
        for (THtmlNode* node = saved->GetNextNode(nullptr); node; node = saved->GetNextNode(node))
            if (const auto* text = dynamic_cast<const THtmlText*>(node); text && text->Text().trimmed() == QLatin1String(cellText))
                return TagIdToName(node->Parent()->Parent()->Parent()->TagId());
        return QStringLiteral("none");
    };
    EXPECT_EQ(rowGroups("a"), QStringLiteral("table"));
    EXPECT_EQ(rowGroups("n"), QStringLiteral("table"));
    EXPECT_EQ(rowGroups("b"), QStringLiteral("tbody")); // the user wrote this one
    EXPECT_EQ(rowGroups("h"), QStringLiteral("thead"));
    EXPECT_EQ(rowGroups("c"), QStringLiteral("table"));
    EXPECT_EQ(rowGroups("added"), QStringLiteral("table"));
    EXPECT_EQ(rowGroups("new"), QStringLiteral("table"));
    EXPECT_EQ(rowGroups("styled"), QStringLiteral("tbody")); // given attributes in the design view
    EXPECT_EQ(rowGroups("pasted"), QStringLiteral("tbody")); // no design id: saved as the engine wrote it
    const QString text = Saved(filter);
    EXPECT_EQ(text.count(QStringLiteral("<tbody")), 3) << text.toStdString();
    // Rows keep their order around the header group.
    EXPECT_LT(text.indexOf(QStringLiteral("</thead>")), text.indexOf(QStringLiteral(">c<")));
    EXPECT_LT(text.indexOf(QStringLiteral(">c<")), text.indexOf(QStringLiteral(">added<")));
}

// A tool changes a copy of a kept node under a new design id: the page carrying the new id saves the
// changed copy, the page carrying the old id (after an undo) saves the node as it was; a table without a
// row group of its own stays without one either way.
TEST(HtmlFilter, AKeptCopyStandsInForItsNodeOnlyWhereThePageCarriesItsId)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><table border=\"1\"><tr><td>a</td></tr></table><!-- old --></body>"));
    const int count = filter.NodeCount();
    EXPECT_EQ(filter.KeepCopy(QStringLiteral("dsgn_:::_99")), QString());
    EXPECT_EQ(filter.KeepCopy(QStringLiteral("no id")), QString());
    EXPECT_EQ(filter.NodeCount(), count);
    const QString table = filter.KeepCopy(QStringLiteral("dsgn_:::_1"));
    const QString comment = filter.KeepCopy(QStringLiteral("dsgn_:::_2"));
    EXPECT_EQ(table, QStringLiteral("dsgn_:::_%1").arg(count));
    EXPECT_EQ(comment, QStringLiteral("dsgn_:::_%1").arg(count + 1));
    static_cast<THtmlTag*>(filter.FindNode(table))->SetAttribute(ATTR_WIDTH, QStringLiteral("50%"));
    static_cast<THtmlText*>(filter.FindNode(comment))->SetText(QStringLiteral("<!-- new -->"));
    const auto page = [](const QString& tableId, const QString& commentId) {
        return QStringLiteral("<body id=\"dsgn_:::_0\" contenteditable=\"\"><table id=\"%1\" border=\"1\"><tbody><tr>"
                              "<td>a</td></tr></tbody></table><img id=\"%2\" src=\"edit:comment.gif\"></body>")
            .arg(tableId, commentId);
    };
    filter.SetDesignText(page(table, comment));
    QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<table border=\"1\" width=\"50%\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<!-- new -->"))) << saved.toStdString();
    EXPECT_FALSE(saved.contains(QStringLiteral("tbody")));
    filter.SetDesignText(page(QStringLiteral("dsgn_:::_1"), QStringLiteral("dsgn_:::_2")));
    saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<table border=\"1\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<!-- old -->")));
    EXPECT_FALSE(saved.contains(QStringLiteral("tbody")));
}

// A placeholder copied within the page stands for its kept node twice; saving leaves the design form whole.
TEST(HtmlFilter, PlaceholderCopiedWithinThePage)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><!-- note --><marquee width=\"50\">Run <b>on</b></marquee><p>x</p></body>"));
    ASSERT_EQ(filter.NodeCount(), 3);
    const QString body = QStringLiteral(
        "<body id=\"dsgn_:::_0\" contenteditable=\"\"><img id=\"dsgn_:::_1\" src=\"edit:comment.gif\">"
        "<p>x<img id=\"dsgn_:::_2\" class=\"dsgn_marquee\" src=\"edit:trans.gif\" width=\"80\"></p>"
        "<img id=\"dsgn_:::_1\" src=\"edit:comment.gif\"><img id=\"dsgn_:::_2\" class=\"dsgn_marquee\" src=\"edit:trans.gif\"></body>");
    filter.SetDesignText(body);
    const QString page = DesignPage(filter);
    const QString saved = Saved(filter);
    EXPECT_EQ(saved.count(QStringLiteral("<!-- note -->")), 2) << saved.toStdString();
    EXPECT_EQ(saved.count(QStringLiteral("<marquee width=\"50\">Run <b>on</b></marquee>")), 2) << saved.toStdString();
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
    EXPECT_EQ(Saved(filter), saved);
    EXPECT_EQ(DesignPage(filter), page);
    EXPECT_EQ(filter.NodeAt(1)->Parent(), nullptr);
    EXPECT_EQ(filter.NodeAt(2)->Parent(), nullptr);
}

// A named anchor put into a link in the design view (the anchor tool at a caret inside the link's words, or
// a placeholder copied there) is saved before the link, which keeps all its words: links never nest, and a
// browser, like the reader, would end the link at the anchor. The saved file opens and saves the same, and
// the design form is unchanged; an anchor beside a link stays where it stands.
TEST(HtmlFilter, ANamedAnchorPutIntoALinkIsSavedBeforeIt)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>See <a href=\"x.htm\">the long link</a> here</p></body>"));
    QString body = DesignBody(filter);
    const QString inside = filter.NewAnchor(QStringLiteral("in"));
    const QString beside = filter.NewAnchor(QStringLiteral("by"));
    body.replace(QStringLiteral("the long"), QStringLiteral("the ") + inside + QStringLiteral("long"));
    body.replace(QStringLiteral(" here"), beside + QStringLiteral(" here"));
    filter.SetDesignText(body);
    const QString page = DesignPage(filter);
    const QByteArray saved = filter.SaveToBytes();
    EXPECT_TRUE(saved.contains("<p>See <a name=\"in\"></a><a href=\"x.htm\">the long link</a><a name=\"by\"></a> here</p>"))
        << saved.constData();
    EXPECT_EQ(filter.SaveToBytes(), saved);
    EXPECT_EQ(DesignPage(filter), page);
    THtmlFilter again;
    Load(again, QString::fromLatin1(saved));
    again.SetDesignText(DesignBody(again));
    EXPECT_EQ(again.SaveToBytes(), saved);
}

// Design ids shuffled among the design elements (copies, pasted ids of other kinds, ids past the kept
// nodes): saving maps the same document as the mapped copy does, is repeatable, and leaves the design
// form as it was.
TEST(HtmlFilter, ShuffledDesignIdsSaveConsistently)
{
    const QString page = QString::fromLatin1(ReadTestData(QStringLiteral("filter/cases/objects.html"))) +
                         QString::fromLatin1(ReadTestData(QStringLiteral("filter/cases/tables.html"))) +
                         QString::fromLatin1(ReadTestData(QStringLiteral("filter/cases/images.html")));
    THtmlFilter filter;
    Load(filter, page);
    const QString body = DesignBody(filter);
    const QRegularExpression designId(QStringLiteral("dsgn_:::_\\d+"));
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        QString shuffled = body;
        qsizetype from = 0;
        for (QRegularExpressionMatch m = designId.match(shuffled, from); m.hasMatch(); m = designId.match(shuffled, from)) {
            const QString id = QStringLiteral("dsgn_:::_%1").arg(random() % (filter.NodeCount() + 3));
            shuffled.replace(m.capturedStart(), m.capturedLength(), id);
            from = m.capturedStart() + id.size();
        }
        filter.SetDesignText(shuffled);
        const QString design = DesignPage(filter);
        QString text;
        ASSERT_NO_THROW(filter.GetSourceText(text));
        std::unique_ptr<THtmlRoot> mapped = filter.DesignToSource();
        QBuffer written;
        written.open(QIODevice::WriteOnly);
        WriteHtmlDocument(written, mapped.get());
        EXPECT_EQ(QString(reinterpret_cast<const QChar*>(written.data().constData()), written.data().size() / 2).toStdString(),
                  text.toStdString());
        QString again;
        filter.GetSourceText(again);
        EXPECT_EQ(again, text);
        EXPECT_EQ(DesignPage(filter), design);
        for (int i = 0; i < filter.NodeCount(); ++i)
            EXPECT_EQ(filter.NodeAt(i)->Parent(), nullptr);
    }
}

TEST(HtmlFilter, ForeignDesignIdsAreNoDesignIds)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><table border=\"1\"><tr><td>t</td></tr></table><!-- c --><p>p</p></body>"));
    ASSERT_EQ(filter.NodeCount(), 3); // body, table, comment
    // Pasted from another design page: an image naming the table, a table naming the comment, ids past
    // the kept nodes, and a placeholder naming the body.
    filter.SetDesignText(QStringLiteral(
        "<body id=\"dsgn_:::_0\"><img id=\"dsgn_:::_1\" src=\"x.gif\" width=\"5\">"
        "<table id=\"dsgn_:::_2\" border=\"2\"><tr><td>u</td></tr></table>"
        "<img id=\"dsgn_:::_9\" src=\"edit:comment.gif\"><table id=\"dsgn_:::_40\"><tr><td>v</td></tr></table>"
        "<img id=\"dsgn_:::_0\" src=\"edit:anchor.gif\"></body>"));
    QString saved;
    ASSERT_NO_THROW(filter.GetSourceText(saved));
    EXPECT_TRUE(saved.contains(QStringLiteral("<img id=\"dsgn_:::_1\" src=\"x.gif\" width=\"5\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<table id=\"dsgn_:::_2\" border=\"2\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<img id=\"dsgn_:::_9\" src=\"edit:comment.gif\">")));
    EXPECT_TRUE(saved.contains(QStringLiteral("<table id=\"dsgn_:::_40\">")));
    EXPECT_TRUE(saved.contains(QStringLiteral("<img id=\"dsgn_:::_0\" src=\"edit:anchor.gif\">")));
    EXPECT_FALSE(saved.contains(QStringLiteral("<!-- c -->")));
    EXPECT_FALSE(saved.contains(QStringLiteral("<td>t</td>")));
    EXPECT_FALSE(Saved(filter).isEmpty());

    // A resize report from the pasted image does not touch the kept table it names.
    filter.SetNodeSize(QStringLiteral("dsgn_:::_1"), QStringLiteral("9"), QStringLiteral("9"), TAG_IMG);
    EXPECT_TRUE(static_cast<THtmlTag*>(filter.NodeAt(1))->GetAttribute(ATTR_WIDTH).isEmpty());
    EXPECT_EQ(filter.FindNodeFor(QStringLiteral("dsgn_:::_1"), TAG_IMG), nullptr);
    EXPECT_EQ(filter.FindNodeFor(QStringLiteral("dsgn_:::_1"), TAG_TABLE), filter.NodeAt(1));
    EXPECT_EQ(filter.FindNodeFor(QStringLiteral("dsgn_:::_2"), TAG_IMG), filter.NodeAt(2));
    EXPECT_EQ(filter.FindNodeFor(QStringLiteral("dsgn_:::_2"), TAG_TABLE), nullptr);
    EXPECT_EQ(filter.FindNodeFor(QStringLiteral("dsgn_:::_0"), TAG_IMG), nullptr);
    filter.SetNodeSize(QStringLiteral("dsgn_:::_1"), QStringLiteral("9"), QString(), TAG_TABLE);
    EXPECT_EQ(static_cast<THtmlTag*>(filter.NodeAt(1))->GetAttribute(ATTR_WIDTH), QStringLiteral("9"));
}

TEST(HtmlFilter, KeptSourceWithItsOwnDesignIdDoesNotLoop)
{
    THtmlFilter filter;
    // The kept noscript holds an image that claims the noscript's own id: it must come back once, as written.
    Load(filter, QStringLiteral("<body><noscript><img id=\"dsgn_:::_1\" src=\"n.gif\"></noscript></body>"));
    const QString saved = Saved(filter);
    EXPECT_EQ(saved.count(QStringLiteral("<noscript>")), 1);
    EXPECT_TRUE(saved.contains(QStringLiteral("<img id=\"dsgn_:::_1\" src=\"n.gif\">"))) << saved.toStdString();
}

// ---------------------------------------------------------------------------------------------------
// Loading failures and saving to files

TEST(HtmlFilter, ParseErrorKeepsThePreviousDocument)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>first</p><!-- c --></body>"));
    const QString before = Saved(filter);
    const QString designBefore = DesignPage(filter);
    const int nodes = filter.NodeCount();
    try {
        filter.SetSource(QStringLiteral("<body><p>second</p><!-- open"));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unterminated Comment"));
    }
    EXPECT_THROW(filter.LoadFromBytes("<body><% never closed"), Exception);
    EXPECT_EQ(filter.NodeCount(), nodes);
    EXPECT_EQ(DesignPage(filter), designBefore);
    EXPECT_EQ(Saved(filter), before);
    EXPECT_TRUE(before.contains(QStringLiteral("first")));
}

TEST(HtmlFilter, BadEngineMarkupKeepsTheSource)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>first</p></body>"));
    const QString before = Saved(filter);
    EXPECT_THROW(filter.SetDesignText(QStringLiteral("<body id=\"dsgn_:::_0\"><p>second</p><!-- cut")), Exception);
    EXPECT_EQ(Saved(filter), before);
    // Without a document there is nothing to map into.
    THtmlFilter empty;
    empty.SetDesignText(QStringLiteral("<body><p>x</p></body>"));
    EXPECT_EQ(empty.Source(), nullptr);
    EXPECT_TRUE(Saved(empty).isEmpty());
}

TEST(HtmlFilter, LoadErrorKeepsThePreviousDocument)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>first</p></body>"));
    const QString before = Saved(filter);
    EXPECT_THROW(filter.LoadFromBytes("<body><p>second</p><!-- never closed"), Exception);
    EXPECT_EQ(Saved(filter), before);
    // A UTF-8 file cut inside a multi-byte sequence is no error: the cut byte is read as Windows-1252.
    filter.LoadFromBytes("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><p>caf\xC3");
    EXPECT_TRUE(Saved(filter).contains(QStringLiteral("caf&Atilde;"))) << Saved(filter).toStdString();
}

TEST(HtmlFilter, SaveToFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("page.html"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the user's old page");
    }
    // No document (the first load failed): the old file stays whole and the save says so.
    THtmlFilter empty;
    EXPECT_THROW(empty.SetSource(QStringLiteral("<!--")), Exception);
    EXPECT_FALSE(empty.SaveToFile(path));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("the user's old page"));
    }

    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>caf\u00e9</p></body>"));
    EXPECT_TRUE(filter.SaveToFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, filter.SaveToBytes());
    EXPECT_TRUE(bytes.contains("caf&eacute;"));

    // A file that cannot be written is reported as a failure.
    EXPECT_FALSE(filter.SaveToFile(dir.filePath(QStringLiteral("missing/folder/page.html"))));
    EXPECT_FALSE(filter.SaveToFile(dir.path()));
}

// A stream that refuses to be written: the save fails with the system's message instead of answering as
// if the document had been written.
TEST(HtmlFilter, ASaveIntoAStreamThatRefusesItFails)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>text</p></body>"));
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    try {
        filter.SaveToStream(readOnly);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream write error"));
    }
}

// A page far longer than the pieces in which a save is written and narrowed saves the same bytes into a
// stream, into bytes and, narrowed, as source text, once and again; and its kept nodes (a comment, an
// anchor, a script all through the page) outlive the body they were read in.
TEST(HtmlFilter, ALongPageSavesTheSameWayEveryTime)
{
    QString html = u"<html><head><title>Long</title></head><body>"_qs;
    for (int i = 0; i < 4000; ++i)
        html += QStringLiteral("<p class=\"c%1\">caf\u00e9 <a name=\"n%1\">%1</a> <!-- c%1 --><script>f(%1)</script></p>\r\n").arg(i);
    html += u"</body></html>"_qs;
    THtmlFilter filter;
    Load(filter, html);
    const QString body = DesignBody(filter);
    ASSERT_GT(body.size(), 256 * 1024);
    filter.SetDesignText(body);
    const QByteArray bytes = filter.SaveToBytes();
    QString source;
    filter.GetSourceText(source);
    EXPECT_EQ(bytes, source.toLatin1());
    EXPECT_TRUE(bytes.contains("<a name=\"n3999\">3999</a> <!-- c3999 --><script>f(3999)</script>")) << bytes.right(300).constData();
    EXPECT_TRUE(bytes.contains("caf&eacute; "));
    filter.SetDesignText(DesignBody(filter));
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    filter.SaveToStream(stream);
    EXPECT_EQ(stream.data(), bytes);
}

// What pages of today carry comes back from the design page as it went in: unknown attributes on every
// element (images, tables and the body, which the design form rewrites, included), values written empty,
// wrappers with their attributes and empty link targets.
TEST(HtmlFilter, AttributesAndWrappersSurviveTheDesignPage)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral(
                     "<html lang=en><head><noscript><link rel=stylesheet href=n.css></noscript>"
                     "<script async src=a.js crossorigin=anonymous integrity=\"sha-1\"></script></head>"
                     "<body data-page=x class=b><a class=skip href=\"#content\">Skip</a>"
                     "<div id=content></div><div class=wrap role=main><p>t</p></div>"
                     "<img src=a.gif alt=\"\" loading=lazy data-x=1><table data-t=2 aria-label=\"T\"><tr><td>c</table>"
                     "<form><select name=s><option value=\"\">Choose ...</option></select>"
                     "<input placeholder=\"Name\" value=\"\"></form></body></html>"));
    filter.SetDesignText(DesignBody(filter));
    const QString saved = Saved(filter);
    for (const char* expected :
         {"<noscript>", "<link rel=\"stylesheet\" href=\"n.css\">",
          "<script async src=\"a.js\" crossorigin=\"anonymous\" integrity=\"sha-1\"></script>",
          "<body data-page=\"x\" class=\"b\">", "<div id=\"content\"></div>", "<div class=\"wrap\" role=\"main\">",
          "alt=\"\"", "loading=\"lazy\"", "data-x=\"1\"", "data-t=\"2\" aria-label=\"T\"",
          "<option value=\"\">Choose ...</option>", "<input placeholder=\"Name\" value=\"\">"})
        EXPECT_TRUE(saved.contains(QString::fromLatin1(expected))) << expected << "\n" << saved.toStdString();
    // The engine writes flags as name="": those still read back as flags.
    filter.SetDesignText(DesignBody(filter).replace(QStringLiteral("<select"), QStringLiteral("<select disabled=\"\"")));
    EXPECT_TRUE(Saved(filter).contains(QStringLiteral("<select disabled name=\"s\">")) ||
                Saved(filter).contains(QStringLiteral("<select name=\"s\" disabled>")))
        << Saved(filter).toStdString();
}

namespace {

// Where each word of a saved page stands, as the page is read back: "word:a[href=/x]/div/p", the elements
// from the body down, each with its attributes.
QStringList WordPlaces(const QByteArray& saved)
{
    const std::unique_ptr<THtmlRoot> root = ParseHtml(QString::fromLatin1(saved));
    const THtmlNode* body = root->FindFirst(TAG_BODY);
    QStringList places;
    for (const THtmlNode* n = body ? body->GetNextNode(nullptr) : nullptr; n; n = body->GetNextNode(n)) {
        if (n->TagId() != TAG_TEXT)
            continue;
        QStringList path;
        for (const THtmlNode* p = n->Parent(); p != body; p = p->Parent()) {
            const auto* e = static_cast<const THtmlTag*>(p);
            QStringList attributes;
            for (int i = 0; i < e->AttributeCount(); ++i)
                attributes << AttrIdToName(e->GetAttributeId(i)) + u'=' + e->GetAttributeValue(i);
            path.prepend(TagIdToName(p->TagId()) + (attributes.isEmpty() ? QString() : u'[' + attributes.join(u',') + u']'));
        }
        const QString text = static_cast<const THtmlText*>(n)->Text();
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            places << word + u':' + path.join(u'/');
    }
    return places;
}

} // namespace

// A link, formatting or a styled span around blocks stays around them when the page is opened and saved,
// each word where a browser puts it: a card link stays a link, a font keeps its face over paragraphs and a
// table, an end tag met inside a block leaves the block its words, formatting left open carries on into
// the blocks after it, a link ends the link before it, and formatting stays out of the cells after the
// one it was opened in. A second open and save writes the same bytes.
TEST(HtmlFilter, FormattingAndLinksAroundBlocksKeepTheirWords)
{
    const struct
    {
        const char* Page;
        const char* Places; // each word's place in the saved page read back
    } cases[] = {
        {"<a href=\"/item\"><div class=\"card\"><h3>Title</h3><p>Card text</p></div></a>",
         "Title:a[href=/item]/div[class=card]/h3 Card:a[href=/item]/div[class=card]/p "
         "text:a[href=/item]/div[class=card]/p"},
        {"<font face=\"Arial\" size=\"2\"><p>First</p><p>Second</p><table border=\"1\"><tr><td>Cell</td></tr></table>"
         "</font>After",
         "First:font[face=Arial,size=2]/p Second:font[face=Arial,size=2]/p "
         "Cell:font[face=Arial,size=2]/table[border=1]/tr/td After:"},
        {"<b><p>Bold paragraph</p></b>", "Bold:b/p paragraph:b/p"},
        {"<em><ul><li>one</li><li>two</li></ul></em>", "one:em/ul/li two:em/ul/li"},
        {"<span class=\"x\"><div>in div</div>after</span>", "in:span[class=x]/div div:span[class=x]/div after:span[class=x]"},
        {"<pre><code><div>fn main()</div>return</code></pre>", "fn:pre/code/div main():pre/code/div return:pre/code"},
        // Misnested end tags: the words stay in their blocks, with the formatting browsers give them.
        {"<b><p>x</b> y</p>", "x:p/b y:p"},
        {"<p><b>a<i>b</b>c</i></p>", "a:p/b b:p/b/i c:p/i"},
        {"<a href=\"u\"><div>card</a> more</div>", "card:div/a[href=u] more:div"},
        {"<span><div>in</span> still</div>", "in:span/div still:span/div"},
        // Left open: carried on into the blocks after.
        {"<p><font color=\"red\">red<p>still red", "red:p/font[color=red] still:p/font[color=red] red:p/font[color=red]"},
        {"<h2><a name=\"s1\">Title</h2><p>Body text</p>", "Title:h2/a[name=s1] Body:p/a[name=s1] text:p/a[name=s1]"},
        {"<ul><li><a href=\"x\">one<li>two</ul>", "one:ul/li/a[href=x] two:ul/li/a[href=x]"},
        // An anchor written closed as in XHTML is open in HTML; the blanks before a block carry it on around it.
        {"<h3><a id=\"top\"/>Top</h3>\n<div class=\"note\">\n<table border=\"1\"><tr><td>Note</td></tr></table></div>",
         "Top:h3/a[id=top] Note:a[id=top]/div[class=note]/table[border=1]/tr/td"},
        // A link's start tag ends the one carried on around more than eight blocks, every word kept.
        {"<h3><a id=\"t\"/>T</h3>\n<div>\n<div>\n<div>\n<ol>\n<li>\n<div>\n<ul>\n<li>\n<div>\n<p>See <a href=\"y\">more</a> for it</p>",
         "T:h3/a[id=t] See:div/div/div/ol/li/div/ul/li/div/p/a[id=t] more:div/div/div/ol/li/div/ul/li/div/p/a[href=y] "
         "for:div/div/div/ol/li/div/ul/li/div/p it:div/div/div/ol/li/div/ul/li/div/p"},
        // A link ends the one open before it.
        {"<a href=\"1\">one<a href=\"2\">two</a>", "one:a[href=1] two:a[href=2]"},
        // Cells: formatting stays in its cell, and one open around the table does not end in a cell.
        {"<table border=\"1\"><tr><td><b>bold<td>plain</table>", "bold:table[border=1]/tr/td/b plain:table[border=1]/tr/td"},
        {"<b><table border=\"1\"><tr><td>x</b> y</td></tr></table>z</b>",
         "x:b/table[border=1]/tr/td y:b/table[border=1]/tr/td z:b"},
    };
    for (const auto& c : cases) {
        THtmlFilter filter;
        Load(filter, QLatin1String("<html><body>") + QLatin1String(c.Page) + QLatin1String("</body></html>"));
        filter.SetDesignText(DesignBody(filter));
        const QByteArray saved = filter.SaveToBytes();
        EXPECT_EQ(WordPlaces(saved).join(u' ').toStdString(), c.Places) << c.Page << "\n" << saved.constData();
        THtmlFilter again;
        Load(again, QString::fromLatin1(saved));
        again.SetDesignText(DesignBody(again));
        EXPECT_EQ(again.SaveToBytes(), saved) << c.Page;
    }
}

namespace {

// The outline of a design body: an element as name(children), a design-only box as {children}, the
// placeholder of an unknown tag as the tag as written, whatever markup stands for it, and the tags of an
// element shown by its own name as the design page has them.
void Outline(const THtmlFilter& filter, const THtmlNode* node, QString& out)
{
    for (const THtmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const auto* tag = child->NodeClass() == THtmlNode::ncTag ? static_cast<const THtmlTag*>(child) : nullptr;
        const QString id = tag ? tag->GetAttribute(ATTR_ID) : QString();
        const THtmlNode* kept = filter.FindNode(id);
        if (tag && filter.IsBlockWrapper(id)) {
            out += QLatin1Char('{');
            Outline(filter, child, out);
            out += QLatin1Char('}');
        } else if (kept && kept->TagId() == TAG_UNKNOWN) {
            out += static_cast<const THtmlText*>(kept)->Text();
        } else if (tag) {
            out += TagIdToName(child->TagId()) + QLatin1Char('(');
            Outline(filter, child, out);
            out += QLatin1Char(')');
        } else if (child->TagId() == TAG_UNKNOWN) {
            // The tag of an element shown by its own name, its kept tag marked with a star.
            out += static_cast<const THtmlText*>(child)->Text().replace(
                QRegularExpression(QStringLiteral(" data-dsgn=\"\\d+\"")), QStringLiteral("*"));
        } else if (const auto* text = dynamic_cast<const THtmlText*>(child)) {
            out += text->Text().trimmed().isEmpty() ? QString() : text->Text(); // line ends of the design page
        }
    }
}

QString DesignOutline(THtmlFilter& filter)
{
    std::unique_ptr<THtmlRoot> page = ParseHtml(QStringView(DesignBody(filter)));
    QString out;
    Outline(filter, page->FindFirst(TAG_BODY), out);
    return out;
}

// The design-only box in tree whose first child stands for an unknown tag written beginning with start.
THtmlTag* BoxOf(const THtmlFilter& filter, THtmlRoot* tree, const QString& start)
{
    for (THtmlNode* node = tree->GetNextNode(nullptr); node; node = tree->GetNextNode(node)) {
        auto* tag = dynamic_cast<THtmlTag*>(node);
        if (!tag || !filter.IsBlockWrapper(tag->GetAttribute(ATTR_ID)) || !node->FirstChild())
            continue;
        const auto* first = dynamic_cast<const THtmlTag*>(node->FirstChild());
        const auto* kept = first ? dynamic_cast<const THtmlText*>(filter.FindNode(first->GetAttribute(ATTR_ID))) : nullptr;
        if (kept && kept->Text().startsWith(start))
            return tag;
    }
    return nullptr;
}

// The text of the mapped copy, which the save from the source itself must equal.
QString CopySourceText(const THtmlFilter& filter)
{
    std::unique_ptr<THtmlRoot> mapped = filter.DesignToSource();
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    WriteHtmlDocument(written, mapped.get());
    return QString(reinterpret_cast<const QChar*>(written.data().constData()), written.data().size() / 2);
}

} // namespace

// Matched pairs of block tags the reader does not know stand on the design page as themselves, written as
// the engine writes them back, or, for those the engine would hide or not know as blocks, in a design-only
// box; nested pairs nest. An end tag closes the nearest open tag of its name, and a tag left without a
// match, a tag closed in itself, and pairs where a block would not stay (in a paragraph, also inside a
// text-level element there, among table rows) stay placeholders; so does a start tag the engine might read
// or write back otherwise than it stands. Inside a text-level element elsewhere a pair stays, as a block.
TEST(HtmlFilter, UnknownBlockPairsStandAsThemselvesOrInBoxesOnTheDesignPage)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral(
                     "<html><body><SECTION id=s HIDDEN><h1>T</h1><figure class='f'><p>code</p>"
                     "<figcaption>Listing <b>1</b></figcaption></figure></Section>"
                     "<aside><nav>x</aside></nav><header/>h<footer>y<p>in <article>a</article> p</p>"
                     "<table><tr><td><main>m</main></td></tr><summary>s</summary></table>"
                     "<ul><li><details>d</details></li></ul><widget>w</widget><b><aside>q</aside></b>"
                     "<nav title=\"a &amp; b\">1</nav><nav id=a ID=b>2</nav><nav title='\"'>3</nav></body></html>"));
    EXPECT_EQ(DesignOutline(filter).toStdString(),
              "<section id=\"s\" hidden=\"\"*>h1(T)<figure class=\"f\"*>p(code)<figcaption*>Listing b(1)</figcaption>"
              "</figure></section><aside*><nav>x</aside></nav><header/>h<footer>y p(in <article>a</article> p)"
              "table(tr(td(<main*>m</main>))<summary>s</summary>)ul(li({<details>d</details>}))<widget>w</widget>"
              "b(<aside*>q</aside>){<nav title=\"a &amp; b\">1</nav>}{<nav id=a ID=b>2</nav>}{<nav title='\"'>3</nav>}");
    // Ids of other kinds, and a box's id on anything but a kept marker, are no boxes.
    EXPECT_FALSE(filter.IsBlockWrapper(QStringLiteral("dsgn_:::_0")));
    EXPECT_FALSE(filter.IsBlockWrapper(QStringLiteral("dsgn_:::_1")));
    EXPECT_FALSE(filter.IsBlockWrapper(QStringLiteral("dsgn_:::_999")));
    EXPECT_FALSE(filter.IsBlockWrapper(QStringLiteral("dsgn_block")));
}

// Mapping back, in place for a save and on a copy alike: an element shown by its own name gets its tags
// back as written where the engine left them alone, and has the engine's where it changed them or made a
// second element from one; a design-only box gives way to what it holds, becomes the user's div where the
// engine or the user gave it attributes, and a block that took a box's id becomes the user's block, the
// second half of a box split in two the user's div; an emptied box leaves nothing. The saved text without
// an edit is the one without design markup, and the source is in design form again after every save.
TEST(HtmlFilter, DesignBoxesGiveWayToTheirContentOrBecomeTheUsersDivOnSave)
{
    const QString html = QStringLiteral(
        "<html><body><SECTION Class=s><h1>T</h1><figure class=\"f\"><p>code</p><figcaption>Listing <b>1</b></figcaption>"
        "</figure></Section ><aside><nav>x</aside></nav><article>gone</article><p>end</p>"
        "<div>a <header id='h'>h</header> c<b>x</b><nav>n</nav><i>y</i> <main>m</main></div>"
        "<details>d</details><dialog>g</dialog><search>s</search><summary>y</summary></body></html>");
    THtmlFilter filter;
    Load(filter, html);
    const QString page = DesignPage(filter);
    const QString unedited = Saved(filter);
    EXPECT_FALSE(unedited.contains(QStringLiteral("dsgn"))) << unedited.toStdString();
    EXPECT_TRUE(unedited.contains(QStringLiteral("<SECTION Class=s>"))) << unedited.toStdString();
    EXPECT_TRUE(unedited.contains(QStringLiteral("</figure></Section >"))) << unedited.toStdString();
    // The blanks at the edges of the tags are the user's, no more and no fewer.
    EXPECT_TRUE(Lf(unedited).contains(QStringLiteral("a <header id='h'>h</header>\n      c<b>x</b><nav>n</nav><i>y</i> <main>m</main>")))
        << unedited.toStdString();
    filter.SetDesignText(DesignBody(filter));
    EXPECT_EQ(Saved(filter).toStdString(), unedited.toStdString());
    EXPECT_EQ(CopySourceText(filter).toStdString(), [&] { QString t; filter.GetSourceText(t); return t; }().toStdString());
    EXPECT_EQ(DesignPage(filter), page);

    // As the engine would write the body back after edits: it centres the caption's line on the caption,
    // the user classes the section, the article is emptied, a line break splits the main in two that both
    // carry its attributes, and the dialog's box gets the engine's centring.
    QString body = DesignBody(filter);
    const auto edit = [&body](const QString& pattern, const QString& to) {
        const QRegularExpression find(pattern);
        ASSERT_TRUE(find.match(body).hasMatch()) << pattern.toStdString() << "\n" << body.toStdString();
        body.replace(find, to);
    };
    edit(QStringLiteral("<figcaption( data-dsgn=\"\\d+\")>"), QStringLiteral("<figcaption\\1 style=\"text-align: center;\">"));
    edit(QStringLiteral("<section class=\"s\""), QStringLiteral("<section class=\"s wide\""));
    edit(QStringLiteral(">gone<"), QStringLiteral("><"));
    edit(QStringLiteral("(<main data-dsgn=\"\\d+\">)m</main>"), QStringLiteral("\\1m</main>\\1</main>"));
    edit(QStringLiteral("(<div id=\"dsgn_:::_\\d+\" class=\"dsgn_block\")(>\\s*<span[^>]*></span>g<)"),
         QStringLiteral("\\1 style=\"text-align: center;\"\\2"));
    filter.SetDesignText(body);
    const QString designForm = DesignPage(filter);
    QString text;
    filter.GetSourceText(text);
    EXPECT_EQ(CopySourceText(filter).toStdString(), text.toStdString());
    EXPECT_FALSE(text.contains(QStringLiteral("dsgn"))) << text.toStdString();
    for (const char* expected :
         {"<section class=\"s wide\">", "<figcaption style=\"text-align: center;\">Listing <b>1</b></figcaption>",
          "</figure></Section >", "<article></article>", "<header id='h'>h</header>", "<main>m</main><main></main>",
          "<div style=\"text-align: center;\">\n      <dialog>g</dialog>\n    </div>", "<details>d</details>"})
        EXPECT_TRUE(Lf(text).contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();
    EXPECT_EQ(Saved(filter), text.toLatin1());
    EXPECT_EQ(DesignPage(filter), designForm);

    // The boxes that stay: a block format makes a box a heading that keeps its attributes, a pasted box that
    // names the body is no box.
    std::unique_ptr<THtmlRoot> edited = ParseHtml(QStringView(DesignBody(filter)));
    THtmlTag* details = BoxOf(filter, edited.get(), QStringLiteral("<details"));
    THtmlTag* search = BoxOf(filter, edited.get(), QStringLiteral("<search"));
    ASSERT_TRUE(details && search);
    details->SetTagId(TAG_H2);
    search->Clear();
    auto* pasted = new THtmlTag(TAG_DIV);
    pasted->SetAttribute(ATTR_ID, QStringLiteral("dsgn_:::_0"));
    pasted->SetAttribute(ATTR_CLASS, QStringLiteral("dsgn_block"));
    edited->FindFirst(TAG_BODY)->AppendChild(pasted);
    body.clear();
    AppendHtmlNode(body, edited->FindFirst(TAG_BODY), woUnformatted);
    filter.SetDesignText(body);
    filter.GetSourceText(text);
    EXPECT_EQ(CopySourceText(filter).toStdString(), text.toStdString());
    EXPECT_TRUE(Lf(text).contains(QStringLiteral("<h2><details>d</details>\n    </h2>"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("<search>"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("<div id=\"dsgn_:::_0\" class=\"dsgn_block\"></div>"))) << text.toStdString();
}

// A nest of elements shown by their own names maps back pair by pair, each end tag as its own start tag's
// user wrote it, also for the pairs that a design-only box held and for pairs after an unpaired end tag;
// lists nested in a paragraph keep their pairs as placeholders at every level.
TEST(HtmlFilter, NestsOfUnknownBlocksMapBackPairByPair)
{
    const QString html = QStringLiteral(
        "<html><body><section id=a>1<section id=b>2<details><section id=c>3</section  ><section id=d>4</SECTION>"
        "</details><section id=e>5</Section></section></SECTION ></section><nav id=f>6</nav ></body></html>");
    THtmlFilter filter;
    Load(filter, html);
    EXPECT_EQ(DesignOutline(filter).toStdString(),
              "<section id=\"a\"*>1<section id=\"b\"*>2 {<details><section id=\"c\"*>3</section><section id=\"d\"*>4"
              "</section></details>}<section id=\"e\"*>5</section></section></section></section><nav id=\"f\"*>6</nav>");
    const QString unedited = Saved(filter);
    for (const char* expected : {"<section id=a>1<section id=b>2", "<section id=c>3</section  >",
                                 "<section id=d>4</SECTION>", "<section id=e>5</Section></section></SECTION ></section>",
                                 "<nav id=f>6</nav >"})
        EXPECT_TRUE(unedited.contains(QLatin1String(expected))) << expected << "\n" << unedited.toStdString();
    filter.SetDesignText(DesignBody(filter));
    EXPECT_EQ(Saved(filter).toStdString(), unedited.toStdString());

    // The engine changed the tags of the outermost section and of one in the box: those two have the
    // engine's start tags, every end tag stays as written.
    QString body = DesignBody(filter);
    body.replace(QRegularExpression(QStringLiteral("<section id=\"([ad])\"( data-dsgn=\"\\d+\")>")),
                 QStringLiteral("<section id=\"\\1\"\\2 class=\"x\">"));
    filter.SetDesignText(body);
    QString text;
    filter.GetSourceText(text);
    EXPECT_EQ(CopySourceText(filter).toStdString(), text.toStdString());
    for (const char* expected : {"<section id=\"a\" class=\"x\">1<section id=b>2", "<section id=c>3</section  >",
                                 "<section id=\"d\" class=\"x\">4</SECTION>",
                                 "<section id=e>5</Section></section></SECTION ></section>", "<nav id=f>6</nav >"})
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();

    // In a paragraph no pair is boxed or shown as itself, however deep the lists in it.
    Load(filter, QStringLiteral("<html><body><p>t<ul><li><figure>a</figure><ul><li><figure>b</figure></li>"
                                "<li><nav>c</nav></li></ul></li></ul></p><ul><li><nav>d</nav></li></ul></body></html>"));
    EXPECT_EQ(DesignOutline(filter).toStdString(),
              "p(t ul(li(<figure>a</figure>ul(li(<figure>b</figure>)li(<nav>c</nav>)))))ul(li(<nav*>d</nav>))");
}

// A page nested a million levels deep opens, makes its design page, takes its body back and saves, twice
// alike, without running out of stack and in time that grows with the page.
TEST(HtmlFilter, AMillionNestedLevelsOpenAndSave)
{
    const int depth = 1000000;
    QByteArray html = "<html><body>";
    html += QByteArray("<div>").repeated(depth) + "word" + QByteArray("</div>").repeated(depth);
    html += "</body></html>";
    THtmlFilter filter;
    filter.LoadFromBytes(html);
    filter.SetDesignText(DesignBody(filter));
    const QByteArray saved = filter.SaveToBytes();
    EXPECT_EQ(saved.count("<div>"), depth);
    EXPECT_EQ(saved.count("</div>"), depth);
    EXPECT_TRUE(saved.contains(QByteArray(80, ' ') + "word\r\n")) << saved.mid(saved.indexOf("word") - 100, 200).toStdString();
    filter.SetDesignText(DesignBody(filter));
    EXPECT_TRUE(filter.SaveToBytes() == saved);
}

// Text areas left open one after another (each would hold the rest of the page, were its end tag there)
// open and save in time that grows with the page: 64,000 of them in well under the seconds that a search
// for each one's end through the rest of the page takes.
TEST(HtmlFilter, ManyTextAreasLeftOpenOpenAndSaveInTime)
{
    const int count = 64000;
    const QByteArray html = "<html><body>" + QByteArray("<p><del><textarea>").repeated(count) + "</body></html>";
    QElapsedTimer timer;
    timer.start();
    THtmlFilter filter;
    filter.LoadFromBytes(html);
    const QByteArray saved = filter.SaveToBytes();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(saved.count("<textarea></textarea>"), count);
}

TEST(HtmlFilter, LoadFromStreamDecodesTheDeclaredCharset)
{
    THtmlFilter filter;
    QByteArray bytes("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
                     "<body><p>caf\xC3\xA9 \xE2\x82\xAC</p></body></html>");
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    filter.LoadFromStream(stream);
    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<p>caf&eacute; &euro;</p>"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("content=\"text/html; charset=utf-8\"")));
}

// An XML declaration ahead of the page names the set the file is saved in, the one it was read in: one
// that names it already, or names none in a UTF-8 file (which then means UTF-8), stays as written; a
// Western page's says ISO-8859-1. The next open reads the file in the same set, so the title and the pre,
// which hold their characters as themselves, keep their bytes.
TEST(HtmlFilter, XmlDeclarationDeclaresTheSavedEncoding)
{
    const struct {
        const char* declaration;
        const char* rewritten;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"},
        {"<?xml version='1.0' encoding='utf-8' standalone='yes'?>",
         "<?xml version='1.0' encoding='utf-8' standalone='yes'?>"},
        {"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\"?>"},
        {"<?xml version=\"1.0\" standalone=\"no\"?>", "<?xml version=\"1.0\" standalone=\"no\"?>"},
        {"<?xml version=\"1.0\" encoding=\"latin1\"?>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
        {"<?xml version=\"1.0\" encoding=\"windows-1250\"?>", "<?xml version=\"1.0\" encoding=\"windows-1250\"?>"},
    };
    for (const auto& c : cases) {
        THtmlFilter filter;
        filter.LoadFromBytes(QByteArray(c.declaration) +
                             "\n<html><body><pre title=\"caf\xC3\xA9\">caf\xC3\xA9</pre></body></html>");
        const QByteArray saved = filter.SaveToBytes();
        EXPECT_TRUE(saved.contains(QByteArray(c.rewritten) + "\r\n")) << saved.toStdString();

        THtmlFilter reopened;
        reopened.LoadFromBytes(saved);
        EXPECT_TRUE(reopened.SaveToBytes().contains("<pre title=\"caf\xC3\xA9\">caf\xC3\xA9</pre>"))
            << reopened.SaveToBytes().toStdString();
    }

    // A processing instruction in the body is the author's code, not a declaration of the file.
    THtmlFilter filter;
    filter.LoadFromBytes("<html><body><p>a<?php echo 'encoding=\"UTF-8\"'; ?></p></body></html>");
    EXPECT_TRUE(filter.SaveToBytes().contains("<?php echo 'encoding=\"UTF-8\"'; ?>"));
}

// A character from U+0080 to U+009F stands as itself where the page's set holds it: windows-1250 reads the
// byte 0x83, which it assigns nothing to, as U+0083 (as browsers do), and UTF-8 holds every one; so in
// ordinary text too, where a reference to one reads as a Windows-1252 character. Where the set does not hold
// it (a Western page the design view gives one) it is a reference, which a later open keeps as written.
// Either way the next open reads what was saved, and the second save writes what the first wrote.
TEST(HtmlFilter, ControlCharactersSaveTheSameEveryTime)
{
    const struct
    {
        QByteArray Page;
        const char16_t* Handed; // the paragraph as the design view hands it back, or null
        QByteArray Saved;
    } cases[] = {
        {"<html><head><meta charset=\"windows-1250\"></head><body><p title=\"a\x83" "b\">a\x83" "b \x8A</p></body></html>",
         nullptr, "<meta charset=\"windows-1250\">\r\n  </head>\r\n  <body>\r\n    <p title=\"a\x83" "b\">a\x83" "b &Scaron;</p>"},
        {"<html><head><meta charset=\"utf-8\"></head><body><p>x</p></body></html>", u"<p title=\"a\u0085b\">a\u0085b \u0083</p>",
         "<p title=\"a\xC2\x85" "b\">a\xC2\x85" "b \xC2\x83</p>"},
        {"<html><head><meta charset=\"windows-1252\"></head><body><p>x</p></body></html>", u"<p title=\"a\u0083b\u0081\">a\u0083b</p>",
         "<p title=\"a&#x0083;b\x81\">a&#x0083;b</p>"},
    };
    for (const auto& c : cases) {
        THtmlFilter filter;
        filter.LoadFromBytes(c.Page);
        if (c.Handed)
            filter.SetDesignText(DesignBody(filter).replace(QStringLiteral("<p>x</p>"), QString::fromUtf16(c.Handed)));
        const QByteArray saved = filter.SaveToBytes();
        EXPECT_TRUE(saved.contains(c.Saved)) << saved.toStdString();
        THtmlFilter reopened;
        reopened.LoadFromBytes(saved);
        EXPECT_EQ(reopened.SaveToBytes(), saved);
    }
}

// ---------------------------------------------------------------------------------------------------
// Builders

// Inserts builder markup into the design body as the engine would, then saves.
QString SaveWithInserted(THtmlFilter& filter, const QString& markup)
{
    QString body = DesignBody(filter);
    const int end = body.lastIndexOf(QStringLiteral("</body>"));
    body.insert(end, markup);
    filter.SetDesignText(body);
    return Saved(filter);
}

TEST(HtmlFilter, PlaceholderBuilders)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>x</p></body>"));
    ASSERT_EQ(filter.NodeCount(), 1);
    struct TCase
    {
        QString Markup;
        const char* Kind;
        int Tag;
    } cases[] = {
        {filter.NewAnchor(QStringLiteral("top")), "anchor", TAG_A},
        {filter.NewComment(QStringLiteral("<!-- note -->")), "comment", TAG_COMMENT},
        {filter.NewScript(QStringLiteral("text/javascript"), QStringLiteral("<!--\r\nvar a;\r\n-->"), true), "script", TAG_SCRIPT},
        {filter.NewScript(QStringLiteral("text/vbscript"), QString(), false), "script", TAG_SCRIPT},
        {filter.NewScriptFile(QStringLiteral("lib.js"), QStringLiteral("text/javascript"), QStringLiteral("utf-8"), false), "scriptfile", TAG_SCRIPT},
        {filter.NewBgSound(QStringLiteral("a.mid"), -1, true), "bgsound", TAG_BGSOUND},
        {filter.NewHiddenInput(QStringLiteral("h"), QStringLiteral("v")), "hidden", TAG_INPUT},
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        EXPECT_EQ(cases[i].Markup, QStringLiteral("<span id=\"dsgn_:::_%1\" class=\"dsgn_%2\" contentEditable=\"false\"></span>")
                                       .arg(i + 1).arg(QLatin1String(cases[i].Kind)));
        EXPECT_EQ(filter.NodeAt(i + 1)->TagId(), cases[i].Tag);
    }
    QString all;
    for (const TCase& c : cases)
        all += c.Markup;
    const QString saved = SaveWithInserted(filter, all);
    for (const char* expected :
         {"<a name=\"top\"></a>", "<!-- note -->", "<script type=\"text/javascript\" defer>", "var a;",
          "<script type=\"text/vbscript\"></script>",
          "<script src=\"lib.js\" type=\"text/javascript\" charset=\"utf-8\"></script>",
          "<bgsound src=\"a.mid\" loop=\"-1\" autostart>", "<input type=\"hidden\" name=\"h\" value=\"v\">"})
        EXPECT_TRUE(saved.contains(QLatin1String(expected))) << expected << "\n" << saved.toStdString();
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
    EXPECT_FALSE(saved.contains(QStringLiteral("edit:")));
}

TEST(HtmlFilter, OpenTagBuilders)
{
    THtmlFilter filter;
    filter.SetBasePath(SitePath());
    for (int i = 0; i < 4; ++i)
        filter.NewComment(QStringLiteral("<!-- filler -->"));
    ASSERT_EQ(filter.NodeCount(), 4);
    filter.NewAnchor(QStringLiteral("five"));

    TOpenTag t = filter.NewTable(QStringLiteral("0"));
    EXPECT_EQ(t.Html, QStringLiteral("<table id=\"dsgn_:::_5\" class=\"dsgn_layout\" "));
    EXPECT_EQ(t.Id, QStringLiteral("dsgn_:::_5"));
    EXPECT_EQ(t.Node, filter.FindNode(t.Id));
    EXPECT_EQ(t.Node->GetAttribute(ATTR_BORDER), QStringLiteral("0"));
    EXPECT_EQ(filter.NewTable(QStringLiteral("1")).Html, QStringLiteral("<table id=\"dsgn_:::_6\" "));
    EXPECT_EQ(filter.NewTable(QString()).Html, QStringLiteral("<table id=\"dsgn_:::_7\" class=\"dsgn_layout\" "));
    EXPECT_EQ(filter.NewTable(QStringLiteral("00")).Html, QStringLiteral("<table id=\"dsgn_:::_8\" "));

    const QString local = QUrl::fromLocalFile(SitePath() + QStringLiteral("/images/a.gif")).toString(QUrl::FullyEncoded);
    TOpenTag img = filter.NewImage(QStringLiteral("images/a.gif"));
    EXPECT_EQ(img.Html, QStringLiteral("<img id=\"dsgn_:::_9\" src=\"%1\" ").arg(local));
    EXPECT_EQ(img.Node->GetAttribute(ATTR_SRC), QStringLiteral("images/a.gif"));
    EXPECT_EQ(filter.NewImage(QStringLiteral("http://x/y.gif")).Html,
              QStringLiteral("<img id=\"dsgn_:::_10\" src=\"edit:trans.gif\" class=\"dsgn_remote\" "));

    TOpenTag button = filter.NewInputImage(QStringLiteral("nothere.gif"), QStringLiteral("go"));
    EXPECT_EQ(button.Html, QStringLiteral("<img id=\"dsgn_:::_11\" src=\"edit:trans.gif\" class=\"dsgn_broken\" "));
    EXPECT_EQ(button.Node->TagId(), TAG_INPUT);
    EXPECT_EQ(button.Node->GetAttribute(ATTR_TYPE), QStringLiteral("image"));
    EXPECT_EQ(button.Node->GetAttribute(ATTR_NAME), QStringLiteral("go"));

    const QString object = QStringLiteral("<img id=\"dsgn_:::_%1\" src=\"edit:trans.gif\" onResizeEnd=\"external.Report(this);\" class=\"%2\" ");
    TOpenTag flash = filter.NewObject(QStringLiteral("clsid:d27cdb6e-ae6d-11cf-96b8-444553540000"));
    EXPECT_EQ(flash.Html, object.arg(12).arg(QStringLiteral("dsgn_flash")));
    EXPECT_EQ(flash.Node->TagId(), TAG_OBJECT);
    EXPECT_EQ(flash.Node->GetAttribute(ATTR_CLASSID), QStringLiteral("clsid:d27cdb6e-ae6d-11cf-96b8-444553540000"));
    EXPECT_EQ(filter.NewObject(QStringLiteral("D27CDB6E-AE6D-11cf-96B8-444553540000")).Html,
              object.arg(13).arg(QStringLiteral("dsgn_activex")));
    TOpenTag marquee = filter.NewMarquee(QStringLiteral("Hello"));
    EXPECT_EQ(marquee.Html, object.arg(14).arg(QStringLiteral("dsgn_marquee")));
    ASSERT_NE(marquee.Node->FirstChild(), nullptr);
    EXPECT_EQ(marquee.Node->FirstChild()->TagId(), TAG_TEXT);
    EXPECT_EQ(static_cast<THtmlText*>(marquee.Node->FirstChild())->Text(), QStringLiteral("Hello"));
    EXPECT_EQ(filter.NewMarquee(QString()).Node->ChildCount(), 0);
    TOpenTag applet = filter.NewApplet();
    EXPECT_EQ(applet.Html, object.arg(16).arg(QStringLiteral("dsgn_applet")));
    EXPECT_EQ(applet.Node->TagId(), TAG_APPLET);
    EXPECT_EQ(applet.Node->AttributeCount(), 0);
    TOpenTag activex = filter.NewActiveX();
    EXPECT_EQ(activex.Html, object.arg(17).arg(QStringLiteral("dsgn_activex")));
    EXPECT_EQ(activex.Node->TagId(), TAG_OBJECT);
    EXPECT_EQ(filter.NodeCount(), 18);
}

// Sound behaviour: a size written by a builder into the design markup reaches the saved element.
TEST(HtmlFilter, BuiltElementsKeepTheirSizeOnSave)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>x</p></body>"));
    TOpenTag table = filter.NewTable(QStringLiteral("1"), QStringLiteral(" 100% "), QString());
    EXPECT_EQ(table.Html, QStringLiteral("<table id=\"dsgn_:::_1\" width=\"100%\" "));
    const QString tableMarkup = table.Html + QStringLiteral(" cellpadding=\"2\" border=\"1\">\r\n  <tr><td></td></tr>\r\n</table>");
    TOpenTag image = filter.NewImage(QStringLiteral("http://x/a.gif"), QStringLiteral("10"), QStringLiteral("20"));
    TOpenTag marquee = filter.NewMarquee(QStringLiteral("Run"), QStringLiteral("100%"), QStringLiteral("30"), QStringLiteral("middle"));
    EXPECT_TRUE(marquee.Html.endsWith(QStringLiteral("class=\"dsgn_marquee\" width=\"100%\" height=\"30\" align=\"middle\" ")));
    TOpenTag object = filter.NewObject(QStringLiteral("clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA"), QStringLiteral("400"),
                                       QStringLiteral("300"), QString());
    TOpenTag applet = filter.NewApplet(QStringLiteral("200"), QStringLiteral("100"), QStringLiteral("left"));
    const QString saved = SaveWithInserted(filter, tableMarkup + image.Html + QStringLiteral(">") + marquee.Html +
                                                       QStringLiteral(">") + object.Html + QStringLiteral(">") +
                                                       applet.Html + QStringLiteral(">"));
    for (const char* expected :
         {"<table width=\"100%\" cellpadding=\"2\" border=\"1\">", "<img src=\"http://x/a.gif\" width=\"10\" height=\"20\">",
          "<marquee width=\"100%\" height=\"30\" align=\"middle\">Run</marquee>",
          "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" width=\"400\" height=\"300\">",
          "<applet width=\"200\" height=\"100\" align=\"left\">"})
        EXPECT_TRUE(saved.contains(QLatin1String(expected))) << expected << "\n" << saved.toStdString();
    EXPECT_FALSE(saved.contains(QStringLiteral("dsgn")));
}

// Sound behaviour: values the builders write into markup cannot break the element.
TEST(HtmlFilter, BuilderMarkupEscapesValues)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body></body>"));
    TOpenTag table = filter.NewTable(QStringLiteral("1"), QStringLiteral("5\" onclick=\"evil()"), QStringLiteral("1&2<3"));
    EXPECT_EQ(table.Html, QStringLiteral("<table id=\"dsgn_:::_1\" width=\"5&quot; onclick=&quot;evil()\" height=\"1&amp;2&lt;3\" "));
    EXPECT_EQ(table.Node->GetAttribute(ATTR_WIDTH), QStringLiteral("5\" onclick=\"evil()"));

    // The escaped markup parses back into one intact element.
    std::unique_ptr<THtmlRoot> tree = ParseHtml(QStringView(table.Html + QStringLiteral("><tr><td>a</td></tr></table>")));
    const THtmlTag* parsed = static_cast<const THtmlTag*>(tree->FindFirst(TAG_TABLE));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->GetAttribute(ATTR_ID), table.Id);
    EXPECT_FALSE(parsed->HasAttribute(ATTR_ONCLICK));

    TOpenTag object = filter.NewObject(QStringLiteral("x"), QString(), QString(), QStringLiteral("\"><script>"));
    EXPECT_TRUE(object.Html.endsWith(QStringLiteral("align=\"&quot;>&lt;script>\" ")));

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a\"&<b.gif")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    filter.SetBasePath(dir.path());
    TOpenTag image = filter.NewImage(QStringLiteral("a\"&<b.gif"));
    std::unique_ptr<THtmlRoot> imageTree = ParseHtml(QStringView(image.Html + QStringLiteral(">")));
    const THtmlTag* parsedImage = static_cast<const THtmlTag*>(imageTree->FindFirst(TAG_IMG));
    ASSERT_NE(parsedImage, nullptr);
    EXPECT_EQ(parsedImage->GetAttribute(ATTR_ID), image.Id);
    EXPECT_TRUE(parsedImage->GetAttribute(ATTR_SRC).startsWith(QStringLiteral("file://")));
}

TEST(HtmlFilter, StoreBodyAttributesAndSetImageSource)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body text=\"black\" onload=\"go()\"><img src=\"http://x/a.gif\"></body>"));
    THtmlTag* body = static_cast<THtmlTag*>(filter.Source()->FindFirst(TAG_BODY));
    body->SetAttribute(ATTR_BGCOLOR, QStringLiteral("#00ff00"));
    body->SetAttribute(ATTR_TEXT, QString());
    body->SetAttribute(ATTR_ONLOAD, QStringLiteral("changed()")); // not one of the page properties
    filter.StoreBodyAttributes();
    filter.SetDesignText(DesignBody(filter));

    QString designSrc, designClass;
    filter.SetImageSource(QStringLiteral("dsgn_:::_1"), QStringLiteral("images/a.gif"), designSrc, designClass);
    EXPECT_TRUE(designClass.isEmpty());
    EXPECT_TRUE(designSrc.startsWith(QStringLiteral("file://")));
    filter.SetImageSource(QStringLiteral("dsgn_:::_9"), QStringLiteral("http://y/b.gif"), designSrc, designClass);
    EXPECT_EQ(designClass, QStringLiteral("dsgn_remote"));
    EXPECT_EQ(designSrc, QStringLiteral("edit:trans.gif"));
    // An id naming the kept body (pasted from another page) takes no picture.
    filter.SetImageSource(QStringLiteral("dsgn_:::_0"), QStringLiteral("wrong.gif"), designSrc, designClass);
    EXPECT_FALSE(static_cast<THtmlTag*>(filter.NodeAt(0))->HasAttribute(ATTR_SRC));

    const QString saved = Saved(filter);
    EXPECT_TRUE(saved.contains(QStringLiteral("<body onLoad=\"go()\" bgcolor=\"#00ff00\">"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<img src=\"images/a.gif\">"))) << saved.toStdString();
}

TEST(HtmlFilter, GetMapNames)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><map name=\"m1\"><area href=\"a\"></map><map><area href=\"b\"></map>"
                                "<map name=\"m2\"></map></body>"));
    QStringList names{QStringLiteral("stale")};
    filter.GetMapNames(names);
    EXPECT_EQ(names, QStringList({QStringLiteral("#m1"), QStringLiteral("#m2")}));
}

// Sound behaviour: value and default cannot be swapped; a value equal to its default or empty removes the
// parameter.
static_assert(!std::is_convertible_v<QString, TParamDefault>, "a default must be named as such");
static_assert(!std::is_invocable_v<decltype(&THtmlFilter::SetObjectParam), THtmlTag*, QString, QString, QString>,
              "SetObjectParam takes (object, name, value, TParamDefault)");

TEST(HtmlFilter, ObjectParameters)
{
    THtmlTag object(TAG_OBJECT);
    THtmlFilter::SetObjectParam(&object, QStringLiteral("quality"), QStringLiteral("high"), TParamDefault(QStringLiteral("high")));
    EXPECT_EQ(object.ChildCount(), 0);
    THtmlFilter::SetObjectParam(&object, QStringLiteral("Quality"), QStringLiteral("low"), TParamDefault(QStringLiteral("high")));
    THtmlFilter::SetObjectParam(&object, QStringLiteral("movie"), QStringLiteral("a.swf"), TParamDefault());
    ASSERT_EQ(object.ChildCount(), 2);
    EXPECT_EQ(THtmlFilter::GetObjectParam(&object, QStringLiteral("QUALITY")), QStringLiteral("low"));
    EXPECT_EQ(THtmlFilter::GetObjectParam(&object, QStringLiteral("missing")), QString());

    // Updating keeps the parameter's place and takes the new spelling of the name.
    THtmlFilter::SetObjectParam(&object, QStringLiteral("QUALITY"), QStringLiteral("best"), TParamDefault(QStringLiteral("high")));
    ASSERT_EQ(object.ChildCount(), 2);
    const THtmlTag* first = static_cast<const THtmlTag*>(object.FirstChild());
    EXPECT_EQ(first->GetAttribute(ATTR_NAME), QStringLiteral("QUALITY"));
    EXPECT_EQ(first->GetAttribute(ATTR_VALUE), QStringLiteral("best"));

    // Equal to the default ignoring case, then again: removed once, nothing more.
    THtmlFilter::SetObjectParam(&object, QStringLiteral("quality"), QStringLiteral("HIGH"), TParamDefault(QStringLiteral("high")));
    EXPECT_EQ(object.ChildCount(), 1);
    THtmlFilter::SetObjectParam(&object, QStringLiteral("quality"), QStringLiteral("HIGH"), TParamDefault(QStringLiteral("high")));
    EXPECT_EQ(object.ChildCount(), 1);
    // An empty value removes it whatever the default.
    THtmlFilter::SetObjectParam(&object, QStringLiteral("movie"), QString(), TParamDefault(QStringLiteral("x")));
    EXPECT_EQ(object.ChildCount(), 0);
}

TEST(HtmlFilter, BuildObjectEmbed)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><p>x</p></body>"));
    TOpenTag flash = filter.NewObject(QStringLiteral("clsid:D27CDB6E-AE6D-11cf-96B8-444553540000"), QStringLiteral("400"),
                                      QStringLiteral("300"));
    THtmlTag* object = flash.Node;
    object->SetAttribute(ATTR_ID, QStringLiteral("movie1"));
    THtmlFilter::SetObjectParam(object, QStringLiteral("movie"), QStringLiteral("a.swf"), TParamDefault());
    auto* emptyParam = new THtmlTag(TAG_PARAM);
    emptyParam->SetAttribute(ATTR_NAME, QStringLiteral("quality"));
    object->Add(emptyParam);
    auto* nested = new THtmlTag(TAG_DIV);
    nested->Add(new THtmlTag(TAG_EMBED));
    object->Add(nested);
    object->Add(new THtmlTag(TAG_EMBED));

    THtmlTag* embed = THtmlFilter::BuildObjectEmbed(object);
    EXPECT_EQ(object->LastChild(), embed);
    EXPECT_EQ(object->FindFirst(TAG_EMBED), embed);
    EXPECT_EQ(nested->ChildCount(), 0);
    const QString saved = SaveWithInserted(filter, flash.Html + QStringLiteral(">"));
    EXPECT_TRUE(saved.contains(QStringLiteral("<embed width=\"400\" height=\"300\" name=\"movie1\" movie=\"a.swf\">")))
        << saved.toStdString();
    EXPECT_EQ(saved.count(QStringLiteral("<embed")), 1);
}

TEST(HtmlFilter, SourceTextLoadsBackWithIdsFromZero)
{
    THtmlFilter filter;
    Load(filter, QStringLiteral("<body><!-- a --><table><tr><td><img src=\"http://x/a.gif\"></td></tr></table></body>"));
    const QString body = DesignBody(filter);
    QString source;
    filter.GetSourceText(source);
    filter.NewAnchor(QStringLiteral("extra"));
    filter.SetSource(source);
    EXPECT_EQ(DesignBody(filter), body);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Corpus: opening and saving a page without edits changes nothing but what loading documents (the
// document type supplied, the metas rewritten).

namespace {

// Saved bytes as text, read in the set the page is saved in (a Western page byte by byte).
QString SavedText(const QByteArray& saved, const TPageCharset& charset)
{
    if (charset.IsWestern())
        return QString::fromLatin1(saved);
    QByteArray source = saved;
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QBuffer wide;
    wide.open(QIODevice::ReadWrite);
    ConvertToUnicode(in, wide);
    return QString(reinterpret_cast<const QChar*>(wide.data().constData()), wide.data().size() / 2);
}

// What a load does to a document apart from the design form: the metas declare the set the page is saved
// in, unless they name it already.
void RewriteAsLoaded(THtmlRoot* root, const TPageCharset& charset)
{
    bool hasDocType = false;
    for (THtmlNode* child = root->FirstChild(); child; child = child->NextSibling())
        hasDocType |= child->TagId() == TAG_DOCTYPE;
    if (!hasDocType)
        root->AddFirst(new THtmlDocType());
    for (THtmlNode* node = root->GetNextNode(nullptr); node; node = root->GetNextNode(node)) {
        auto* meta = node->TagId() == TAG_META ? dynamic_cast<THtmlTag*>(node) : nullptr;
        if (!meta)
            continue;
        if (meta->GetAttribute(ATTR_NAME).compare(QStringLiteral("generator"), Qt::CaseInsensitive) == 0)
            meta->SetAttribute(ATTR_CONTENT, Generator);
        else if (meta->GetAttribute(ATTR_HTTP_EQUIV).compare(QStringLiteral("content-type"), Qt::CaseInsensitive) == 0 &&
                 !charset.IsNamedBy(meta->GetAttribute(ATTR_CONTENT).section(QStringLiteral("charset="), 1)))
            meta->SetAttribute(ATTR_CONTENT, QStringLiteral("text/html; charset=") + QLatin1String(charset.Name()));
        if (!meta->GetAttribute(ATTR_CHARSET).isEmpty() && !charset.IsNamedBy(meta->GetAttribute(ATTR_CHARSET)))
            meta->SetAttribute(ATTR_CHARSET, QString::fromLatin1(charset.Name()));
    }
}

// One line per node. Attributes of the elements that take their own attributes back from kept nodes
// (images, image buttons, tables) are compared as a set: mapping back may give them another order.
void Dump(const THtmlNode* node, int depth, QString& out)
{
    out += QString(depth * 2, QLatin1Char(' ')) + TagIdToName(node->TagId());
    if (const auto* text = dynamic_cast<const THtmlText*>(node))
        out += QLatin1Char(' ') + text->Text();
    if (const auto* doctype = dynamic_cast<const THtmlDocType*>(node))
        out += QLatin1Char(' ') + QString::number(doctype->Kind());
    if (const auto* tag = dynamic_cast<const THtmlTag*>(node)) {
        QStringList attrs;
        for (int i = 0; i < tag->AttributeCount(); ++i) {
            const int id = tag->GetAttributeId(i);
            const QString name = id == ATTR_RAW ? QString() : AttrIdToName(id) + QLatin1Char('=');
            attrs.append(name + (tag->IsAttributeValueless(i) ? QStringLiteral("<bare>") : tag->GetAttributeValue(i)));
        }
        const int id = node->TagId();
        if (id == TAG_IMG || id == TAG_INPUT || id == TAG_TABLE)
            attrs.sort();
        out += QLatin1Char(' ') + attrs.join(QLatin1Char(' '));
    }
    out += QLatin1Char('\n');
    for (const THtmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        Dump(child, depth + 1, out);
}

QString DumpTree(const THtmlRoot* root)
{
    QString out;
    Dump(root, 0, out);
    return out;
}

// Empty when the texts are equal, otherwise the first line that differs in each.
std::string FirstDifference(const QString& actual, const QString& expected)
{
    const QStringList a = actual.split(QStringLiteral("\r\n"));
    const QStringList e = expected.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i < qMax(a.size(), e.size()); ++i) {
        const QString left = a.value(i, QStringLiteral("<end>")), right = e.value(i, QStringLiteral("<end>"));
        if (left != right)
            return QStringLiteral("line %1:\n  saved:    %2\n  expected: %3").arg(i + 1).arg(left, right).toStdString();
    }
    return {};
}

QStringList CorpusPages()
{
    QDir dir(TestDataPath(QStringLiteral("corpus")));
    return dir.entryList({QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
}

TEST(HtmlFilterCorpus, OpenAndSaveKeepsEveryPage)
{
    const QStringList pages = CorpusPages();
    ASSERT_FALSE(pages.isEmpty()) << "no corpus pages in " << TestDataPath(QStringLiteral("corpus")).toStdString();
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        const QByteArray bytes = ReadTestData(QStringLiteral("corpus/") + page);
        ASSERT_FALSE(bytes.isEmpty());

        // A plain parse and write of the file, with what loading does on top.
        QByteArray source = bytes;
        QBuffer in(&source);
        in.open(QIODevice::ReadOnly);
        QBuffer wide;
        wide.open(QIODevice::ReadWrite);
        ConvertToUnicode(in, wide);
        wide.seek(0);
        std::unique_ptr<THtmlRoot> plain = ParseHtml(wide);

        THtmlFilter filter;
        filter.SetGenerator(Generator);
        filter.SetBasePath(TestDataPath(QStringLiteral("corpus")));
        filter.LoadFromBytes(bytes);
        QString designPage;
        filter.GetDesignText(designPage);
        ASSERT_FALSE(designPage.isEmpty());
        const TPageCharset& charset = *filter.PageCharset();
        const QString saved = SavedText(filter.SaveToBytes(), charset);

        RewriteAsLoaded(plain.get(), charset);
        QString written;
        AppendHtmlDocument(written, plain.get(), &charset);
        std::unique_ptr<THtmlRoot> expected = ParseHtml(QStringView(written));
        // Images, image buttons and tables may have their own attributes in another order; nothing else
        // differs.
        std::unique_ptr<THtmlRoot> actual = ParseHtml(QStringView(saved));
        EXPECT_EQ(DumpTree(actual.get()).toStdString(), DumpTree(expected.get()).toStdString());

        // The engine handing back the unedited body changes nothing either, to the byte.
        filter.SetDesignText(DesignBody(filter));
        EXPECT_EQ(FirstDifference(SavedText(filter.SaveToBytes(), charset), saved), "");
    }
}

} // namespace
