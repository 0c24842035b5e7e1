// Page properties: the fields read from the head and body, the head rebuilt in its order with everything
// else it held kept after, the body's attributes, and once through the menu and a double-click.
#include "ToolBody.h"

#include "HtmlColors.h"
#include "PickUrls.h"
#include "ToolTesting.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>

namespace {

const QString Page = QStringLiteral(
    "<html><head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\r\n"
    "<title> Tom &amp; Jerry </title>\r\n"
    "<meta name=\"keywords\" content=\"cat,\r\nmouse\">\r\n"
    "<meta name=\"Description\" lang=\"en\" content=\"A chase\">\r\n"
    "<meta name=\"generator\" content=\"Other Editor\">\r\n"
    "<meta name=\"robots\" content=\"noindex, follow\">\r\n"
    "<meta http-equiv=\"refresh\" content=\"5; URL=next.html\">\r\n"
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"a.css\" media=\"print\">\r\n"
    "<link rel=\"stylesheet\" href=\"b.css\">\r\n"
    "<link rel=\"prefetch\" href=\"big.jpg\">\r\n"
    "<link rev=\"made\" href=\"mailto:tom@example.com\">\r\n"
    "<base href=\"http://example.com/\" target=\"_top\">\r\n"
    "<style>p { color: red; }</style>\r\n"
    "<script type=\"text/javascript\">var a = 1;</script>\r\n"
    "<!-- head note -->\r\n"
    "</head><body bgcolor=\"white\" text=\"#000080\" leftmargin=\"4\" onload=\"go()\"><p>Hi</p></body></html>");

struct TPageProperties
{
    TDesignDocument Doc;
    TBodyModel Model;

    template <typename TPage>
    explicit TPageProperties(const TPage& Page) : Doc(Page)
    {
        Doc.Filter.SetGenerator(QStringLiteral("Corvalite v3.63"));
        Doc.Load(Model, QStringLiteral("body"));
    }

    // The head as the saved document writes it, one element a line.
    std::string Head() const
    {
        QString text;
        Doc.Filter.GetSourceText(text);
        const qsizetype start = text.indexOf(QLatin1String("<head>"));
        return text.mid(start, text.indexOf(QLatin1String("</head>")) - start + 7).toStdString();
    }
};

// The head's fields in one line: title, keywords, description, e-mail, base and target; then the robots
// and refresh boxes ("robots index follow", "refresh 5 url next.html").
std::string HeadFields(const TBodyModel::TFields& f)
{
    QStringList parts = {f.Title, f.Keywords, f.Description, f.Email, f.Base, f.Target};
    if (f.Robots)
        parts << QStringLiteral("robots %1 %2").arg(f.Index ? "index" : "noindex", f.Follow ? "follow" : "nofollow");
    if (f.Refresh)
        parts << QStringLiteral("refresh %1").arg(f.RefreshSeconds) +
                     (f.RefreshOther ? QStringLiteral(" url ") + f.RefreshUrl : QString());
    return parts.join(QLatin1Char('|')).toStdString();
}

TEST(BodyModelTest, TheHeadAndBodyAreReadIntoTheFields)
{
    TPageProperties p(Page);
    const TBodyModel::TFields& f = p.Model.Fields;
    EXPECT_EQ(HeadFields(f), "Tom & Jerry|cat,\nmouse|A chase|tom@example.com|http://example.com/|_top|"
                             "robots noindex follow|refresh 5 url next.html");
    EXPECT_EQ(QStringList({f.BgColor, f.Text, f.LeftMargin, f.TopMargin}), (QStringList{"white", "#000080", "4", ""}));
    ASSERT_EQ(f.Links.size(), 18) << "the fixed relations and the page's own";
    EXPECT_EQ(f.Links[1].Relation + f.Links[1].Url, "StyleSheeta.css") << "the first of two";
    EXPECT_EQ(f.Links[17].Relation + f.Links[17].Url, "prefetchbig.jpg");

    // The page's own relation keeps its row, emptied, for the next page.
    TPageProperties other(QStringLiteral("<html><head></head><body></body></html>"));
    other.Model.Fields.Links = f.Links;
    other.Model.Load();
    ASSERT_EQ(other.Model.Fields.Links.size(), 18);
    EXPECT_EQ(other.Model.Fields.Links[17].Url, "");
    EXPECT_EQ(HeadFields(other.Model.Fields), "|||||");
    EXPECT_EQ(other.Model.Fields.RefreshSeconds, "10");
}

TEST(BodyModelTest, RefreshAndRobotsContentsAreReadWordByWord)
{
    const struct
    {
        const char* Meta;
        const char* Fields;
    } cases[] = {
        {"http-equiv=\"Refresh\" content=\"5; URL=next.html\"", "refresh 5 url next.html"},
        {"http-equiv=\"refresh\" content=\"5;url=next.html\"", "refresh 5 url next.html"},
        {"http-equiv=\"REFRESH\" content=\" 8 ; url = a.html?x=1;y=2 \"", "refresh 8 url a.html?x=1;y=2"},
        {"http-equiv=\"Refresh\" content=\"7\"", "refresh 7"},
        {"http-equiv=\"Refresh\" content=\"7;\"", "refresh 7"},
        {"http-equiv=\"Refresh\" content=\"soon\"", "refresh 10"},
        {"name=\"ROBOTS\" content=\"\"", "robots noindex nofollow"},
        {"name=\"robots\" content=\"index\"", "robots index nofollow"},
        {"name=\"robots\" content=\"ALL\"", "robots index follow"},
        {"name=\"robots\" content=\"all, noindex\"", "robots noindex follow"},
        {"name=\"robots\" content=\"none,follow\"", "robots noindex follow"},
        {"name=\"robots\" content=\"index,nofollow,all\"", "robots index follow"},
    };
    for (const auto& c : cases) {
        TPageProperties p(QStringLiteral("<head><meta %1></head>").arg(QLatin1String(c.Meta)));
        EXPECT_EQ(HeadFields(p.Model.Fields), std::string("||||||") + c.Fields) << c.Meta;
    }
}

TEST(BodyModelTest, OkRebuildsTheHeadInItsOrderAndKeepsWhatItDoesNotShow)
{
    TPageProperties p(Page);
    TBodyModel::TFields& f = p.Model.Fields;
    f.Author = QStringLiteral("Tom \"Cat\"");
    f.Description = QStringLiteral("  A long\nchase ");
    f.Index = true;
    f.Links[3].Url = QStringLiteral("favicon.ico");
    f.Links[17].Url.clear();
    TElementWrites writes;
    p.Model.Apply(writes);
    EXPECT_EQ(p.Head(),
              "<head>\r\n"
              "    <title>Tom &amp; Jerry</title>\r\n"
              "    <meta http-equiv=\"Refresh\" content=\"5; url=next.html\">\r\n"
              "    <meta name=\"Generator\" content=\"Corvalite v3.63\">\r\n"
              "    <meta name=\"Author\" content=\"Tom &quot;Cat&quot;\">\r\n"
              "    <meta name=\"Description\" lang=\"en\" content=\"A long\r\nchase\">\r\n"
              "    <meta name=\"Keywords\" content=\"cat,\r\nmouse\">\r\n"
              "    <meta name=\"Robots\" content=\"index,follow\">\r\n"
              "    <link rev=\"Made\" href=\"mailto:tom@example.com\">\r\n"
              "    <link rel=\"StyleSheet\" type=\"text/css\" href=\"a.css\" media=\"print\">\r\n"
              "    <link rel=\"Shortcut Icon\" href=\"favicon.ico\">\r\n"
              "    <base href=\"http://example.com/\" target=\"_top\">\r\n"
              "    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">\r\n"
              "    <link rel=\"stylesheet\" href=\"b.css\">\r\n"
              "    <style>p { color: red; }</style>\r\n"
              "    <script type=\"text/javascript\">var a = 1;</script>\r\n"
              "    <!-- head note -->\r\n"
              "  </head>");
}

// A page read as UTF-8 stays declared UTF-8 after OK: its declaration is kept, first in the new head, where
// browsers look for it before they read the page, and the saved file holds its characters as UTF-8.
TEST(BodyModelTest, APageInASetOfItsOwnKeepsItsDeclarationFirst)
{
    TPageProperties p(QByteArray("<html><head><title>Caf\xC3\xA9</title><meta name=\"author\" content=\"Ren\xC3\xA9\">"
                                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
                                 "<body><p><a href=\"s?q=\xE6\x97\xA5\">x</a></p></body></html>"));
    EXPECT_EQ(p.Model.Fields.Title, u"Caf\u00E9"_qs);
    p.Model.Fields.Title = u"Caf\u00E9 \u65E5"_qs;
    TElementWrites writes;
    p.Model.Apply(writes);
    const QByteArray saved = p.Doc.Filter.SaveToBytes();
    EXPECT_TRUE(saved.contains("<head>\r\n    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                               "    <title>Caf&eacute; &#x65E5;</title>\r\n"))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains("<meta name=\"Author\" content=\"Ren\xC3\xA9\">")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("<a href=\"s?q=\xE6\x97\xA5\">x</a>")) << saved.toStdString();
}

TEST(BodyModelTest, EmptyFieldsWriteNothingAndOkNeedsTheRefreshTimeAndAddress)
{
    TPageProperties p(Page);
    TBodyModel::TFields& f = p.Model.Fields;
    f = {};
    f.Email = QStringLiteral(" MAILTO: ");
    f.Title = QStringLiteral(" \t");
    f.Refresh = true;
    f.RefreshSeconds = QStringLiteral("5");
    TElementWrites writes;
    p.Model.Apply(writes);
    EXPECT_EQ(p.Head(), "<head>\r\n"
                        "    <meta http-equiv=\"Refresh\" content=\"5\">\r\n"
                        "    <meta name=\"Generator\" content=\"Corvalite v3.63\">\r\n"
                        "    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">\r\n"
                        "    <link rel=\"stylesheet\" href=\"b.css\">\r\n"
                        "    <style>p { color: red; }</style>\r\n"
                        "    <script type=\"text/javascript\">var a = 1;</script>\r\n"
                        "    <!-- head note -->\r\n"
                        "  </head>");

    f.RefreshSeconds = QStringLiteral(" ");
    EXPECT_EQ(p.Model.Check().Message, "Refresh time not specified yet.");
    EXPECT_EQ(p.Model.Check().Field, &f.RefreshSeconds);
    f.RefreshSeconds = QStringLiteral("3");
    f.RefreshOther = true;
    EXPECT_EQ(p.Model.Check().Message, "Refresh URL not specified yet.");
    EXPECT_EQ(p.Model.Check().Field, &f.RefreshUrl);
    f.Refresh = false;
    EXPECT_FALSE(p.Model.Check().Refused);
}

TEST(BodyModelTest, TheBodyAttributesGoToACopyOfTheKeptBodyAndToThePage)
{
    TPageProperties p(Page);
    const QString oldId = p.Model.Element->Id;
    p.Model.Fields.BgColor = QStringLiteral(" #FFFFCC ");
    p.Model.Fields.Text.clear();
    p.Model.Fields.TopMargin = QStringLiteral("10");
    const QString newId = p.Doc.NextId();
    TElementWrites writes;
    p.Model.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "remove background", "set bgcolor=#FFFFCC",
                                           "remove text", "remove link", "remove vlink", "remove alink",
                                           "set leftmargin=4", "set topmargin=10", "remove rightmargin",
                                           "remove bottommargin"}));
    const THtmlTag* kept = p.Doc.KeptTag(newId);
    EXPECT_EQ(QStringList({kept->GetAttribute(ATTR_BGCOLOR), kept->GetAttribute(ATTR_TOPMARGIN),
                           kept->GetAttribute(ATTR_TEXT), kept->GetAttribute(ATTR_ONLOAD)}),
              (QStringList{"#FFFFCC", "10", "", "go()"}));
    EXPECT_EQ(p.Doc.KeptTag(oldId)->GetAttribute(ATTR_BGCOLOR), "white") << "undo gives the old body back";
}

TEST(BodyModelTest, AFieldTypedAsTrueIsWrittenAsAValueNotAsABareAttribute)
{
    TPageProperties p(Page);
    TBodyModel::TFields& f = p.Model.Fields;
    const QString typed = QStringLiteral("TRUE");
    f.Author = f.Description = f.Base = f.Target = f.Links[3].Url = f.Background = typed;
    TElementWrites writes;
    p.Model.Apply(writes);
    const std::string head = p.Head();
    for (const char* element : {"<meta name=\"Author\" content=\"TRUE\">",
                                "<meta name=\"Description\" lang=\"en\" content=\"TRUE\">",
                                "<link rel=\"Shortcut Icon\" href=\"TRUE\">", "<base href=\"TRUE\" target=\"TRUE\">"})
        EXPECT_NE(head.find(element), std::string::npos) << element << " in " << head;
    QString text;
    p.Doc.Filter.GetSourceText(text);
    EXPECT_TRUE(text.contains(QLatin1String(" background=\"TRUE\">"))) << text.toStdString();
}

TEST(BodyModelTest, WebSafeSchemesStartFromThePageColoursAndLinksPickTheirKindOfFile)
{
    TBodyModel model;
    model.Fields.BgColor = QStringLiteral("black");
    TWebSafeColors expected = DefaultWebSafeColors;
    expected.Background = 0;
    EXPECT_EQ(model.SchemeColors(), expected) << "the defaults for the colours not set";
    model.SetSchemeColors(WebSafeSchemes[6].Colors);
    EXPECT_EQ(model.SchemeColors(), WebSafeSchemes[6].Colors);
    EXPECT_EQ(QList<int>({TBodyModel::LinkUrlKind(QStringLiteral("stylesheet")),
                          TBodyModel::LinkUrlKind(QStringLiteral("Alternate StyleSheet")),
                          TBodyModel::LinkUrlKind(QStringLiteral("Shortcut Icon")),
                          TBodyModel::LinkUrlKind(QStringLiteral("Next"))}),
              (QList<int>{ukCss, ukCss, ukIcon, ukHtml}));
}

using ToolBodyTest = TToolPageTest;

TEST_F(ToolBodyTest, PagePropertiesFromTheMenuAndByDoubleClickWriteTheHeadAndBody)
{
    // From the menu: refresh without seconds is refused on the Misc page; a scheme is chosen, then the
    // schemes are opened again, a scheme clicked and cancelled, and opened once more.
    Dialogs.Answers.push_back(mrOk);
    Dialogs.Forms.push_back([this](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditTitle")->text(), "Objects Fixture");
        FindControl<QLineEdit>(form, "EditTitle")->setText(QStringLiteral("Objects & more"));
        FindControl<QPlainTextEdit>(form, "MemoKeyword")->setPlainText(QStringLiteral("tools,\ntests"));
        FindControl<QCheckBox>(form, "CheckRefresh")->setChecked(true);
        FindControl<QLineEdit>(form, "EditRefreshSec")->clear();
        ClickOk(form);
        EXPECT_EQ(form.findChild<QTabWidget*>()->currentIndex(), 3) << "the Misc page";
        FindControl<QLineEdit>(form, "EditRefreshSec")->setText(QStringLiteral("30"));

        Dialogs.Forms.push_back([](QDialog& schemes) {
            FindControl<QListWidget>(schemes, "ListBox1")->setCurrentRow(0); // Black
            FindControl<QListWidget>(schemes, "ListBox2")->setCurrentRow(0); // Blue
            ClickOk(schemes);
        });
        Dialogs.Forms.push_back([](QDialog& schemes) {
            FindControl<QListWidget>(schemes, "ListBox2")->setCurrentRow(1);
            ClickCancel(schemes);
        });
        Dialogs.Forms.push_back([](QDialog& schemes) {
            EXPECT_EQ(static_cast<TFormWebSafe&>(schemes).Colors(), WebSafeSchemes[6].Colors)
                << "the page's colours, not the cancelled scheme";
            ClickCancel(schemes);
        });
        for (int i = 0; i < 3; ++i)
            FindControl<QPushButton>(form, "Button3")->click();
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditColor2")->text(), ColorToHtml(WebSafeSchemes[6].Colors.Text));
        ClickOk(form);
    });
    W.Window.PageProperties1->trigger();
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"Refresh time not specified yet."});
    EXPECT_EQ(W.Eval(QStringLiteral("document.body.getAttribute('bgcolor')")).toString(), ColorToHtml(0));

    // By double-click on the body, between two blocks.
    const QRect h1 = W.Box(QStringLiteral("h1"));
    const QRect intro = W.Box(QStringLiteral("#intro"));
    Dialogs.FileNames.push_back(Dir.filePath(QStringLiteral("site.css")));
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditTitle")->text(), "Objects & more");
        EXPECT_FALSE(FindControl<QLineEdit>(form, "EditRefreshUrl")->isEnabled());
        FindControl<QRadioButton>(form, "RadioRefresh2")->setChecked(true);
        EXPECT_TRUE(FindControl<QLineEdit>(form, "EditRefreshUrl")->isEnabled());
        FindControl<QLineEdit>(form, "EditRefreshUrl")->setText(QStringLiteral("next.html"));
        FindControl<QLineEdit>(form, "EditMargin1")->setText(QStringLiteral("20"));
        FindControl<QToolButton>(form, "BtnLink1")->click(); // the StyleSheet row
        ClickOk(form);
    });
    W.DoubleClickAt(QPoint(intro.center().x(), (h1.bottom() + intro.top()) / 2));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 5; }));
    EXPECT_EQ(Dialogs.FormsShown.first(), "Page Properties");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(Dialogs.FileDialogs[0].Filter, GetUrlFilter(ukCss));

    // Undo takes the body's new attributes back from the page and from the saved document alike.
    QString html;
    W.Designer()->Undo();
    W.Designer()->GetHtml(html);
    EXPECT_FALSE(html.contains(QLatin1String("leftmargin"))) << html.toStdString();
    W.Designer()->Redo();
    ExpectSavedAs(W.Save(), QStringLiteral("body-saved.html"));
}

TEST_F(ToolBodyTest, FromTheCodeViewTheDialogSeesTheEditedTextAndTheViewShowsTheResult)
{
    W.Window.TabControl1->setCurrentIndex(1);
    QsciScintilla* code = W.Window.CodeEditor();
    code->setText(code->text().replace(QLatin1String("Objects Fixture"), QLatin1String("Typed Title")));
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* title = FindControl<QLineEdit>(form, "EditTitle");
        EXPECT_EQ(title->text(), "Typed Title");
        title->setText(QStringLiteral("Chosen Title"));
        ClickOk(form);
    });
    W.Window.PageProperties1->trigger();
    EXPECT_TRUE(code->text().contains(QLatin1String("<title>Chosen Title</title>"))) << code->text().toStdString();
}

TEST_F(ToolBodyTest, TheDesignViewShowsThePagesOwnStyleAndTheSheetPagePropertiesLinks)
{
    const auto write = [this](const char* name, const QByteArray& text) {
        QFile file(Dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("site.css", "h1 { color: rgb(0, 128, 0); } td { border-style: solid; }");
    write("other.css", "h1 { color: rgb(0, 0, 255); }");
    write("alternate.css", "p { font-style: italic; }");
    const QByteArray page =
        "<html><head><title>Styled</title>\r\n<link rel=\"stylesheet\" type=\"text/css\" href=\"site.css\">\r\n"
        "<link rel=\"alternate stylesheet\" href=\"alternate.css\">\r\n"
        "<style type=\"text/css\">\r\n<!--\r\np { color: rgb(200, 0, 0); }\r\n-->\r\n</style>\r\n"
        "<script type=\"text/javascript\">document.title = 'scripted';</script>\r\n</head>\r\n"
        "<body><h1 id=\"h\">Head</h1><p id=\"p\">Text</p><table><tr><td id=\"c\">cell</td></tr></table></body></html>";
    ASSERT_TRUE(W.Open(Dir.path(), QStringLiteral("styled.html"), page));
    const auto computed = [this](const char* id, const char* property) {
        return W.Eval(QStringLiteral("getComputedStyle(document.getElementById('%1')).%2")
                          .arg(QLatin1String(id), QLatin1String(property)))
            .toString();
    };
    // The sheet beside the page and the style element (written in a comment) both show; the alternate
    // sheet stays off; the editor's own rules still win over the page's (the layout table's dotted cells).
    EXPECT_TRUE(WaitUntil([&] { return computed("h", "color") == QLatin1String("rgb(0, 128, 0)"); }))
        << computed("h", "color").toStdString();
    EXPECT_EQ(computed("p", "color"), QStringLiteral("rgb(200, 0, 0)"));
    EXPECT_EQ(computed("p", "fontStyle"), QStringLiteral("normal"));
    EXPECT_EQ(computed("c", "borderTopStyle"), QStringLiteral("dotted"));
    // The page's script stays out: the head holds only the editor's own.
    EXPECT_EQ(W.Eval(QStringLiteral("Array.from(document.querySelectorAll('script')).map(s=>s.text.includes('cancelEvent')).join()")),
              QStringLiteral("true"));
    // What is saved is the page as it was.
    const QByteArray saved = W.Save();
    EXPECT_EQ(saved.count("<link "), 2);
    EXPECT_EQ(saved.count("rgb(200, 0, 0)"), 1);
    EXPECT_FALSE(saved.contains("dsgn_")) << saved.toStdString();

    // Page Properties links another sheet: the design view shows it at once.
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditLink1")->text(), "site.css");
        FindControl<QLineEdit>(form, "EditLink1")->setText(QStringLiteral("other.css"));
        ClickOk(form);
    });
    W.Window.PageProperties1->trigger();
    EXPECT_TRUE(WaitUntil([&] { return computed("h", "color") == QLatin1String("rgb(0, 0, 255)"); }))
        << computed("h", "color").toStdString();
    EXPECT_EQ(computed("p", "color"), QStringLiteral("rgb(200, 0, 0)"));
    EXPECT_EQ(computed("c", "borderTopStyle"), QStringLiteral("dotted"));
}

} // namespace
