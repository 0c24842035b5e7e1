// Page properties: the fields read from the head and body, the head rebuilt in its order with everything
// else it held kept after, the body's attributes, and once through the menu and a double-click.
#include "ToolBody.h"

#include "../app/ScriptedDialogs.h"
#include "UnitMain.h"
#include "HtmlColors.h"
#include "NameSpace.h"
#include "PickUrls.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

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

    explicit TPageProperties(const QString& Html) : Doc(Html)
    {
        Doc.Filter.SetGenerator(QStringLiteral("Corvalite v3.63"));
        Model.Filter = &Doc.Filter;
        Model.Element = Doc.Element(QStringLiteral("body"));
        Model.Load();
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

TEST(BodyModelTest, TheHeadAndBodyAreReadIntoTheFields)
{
    TPageProperties p(Page);
    const TBodyModel::TFields& f = p.Model.Fields;
    EXPECT_EQ(f.Title, "Tom & Jerry");
    EXPECT_EQ(f.Keywords, "cat,\nmouse");
    EXPECT_EQ(f.Description, "A chase");
    EXPECT_TRUE(f.Robots);
    EXPECT_FALSE(f.Index);
    EXPECT_TRUE(f.Follow);
    EXPECT_TRUE(f.Refresh);
    EXPECT_TRUE(f.RefreshOther);
    EXPECT_EQ(f.RefreshSeconds, "5");
    EXPECT_EQ(f.RefreshUrl, "next.html");
    EXPECT_EQ(f.Email, "tom@example.com");
    EXPECT_EQ(f.Base, "http://example.com/");
    EXPECT_EQ(f.Target, "_top");
    EXPECT_EQ(f.BgColor, "white");
    EXPECT_EQ(f.Text, "#000080");
    EXPECT_EQ(f.LeftMargin, "4");
    ASSERT_EQ(f.Links.size(), 18) << "the fixed relations and the page's own";
    EXPECT_EQ(f.Links[1].Relation, "StyleSheet");
    EXPECT_EQ(f.Links[1].Url, "a.css") << "the first of two";
    EXPECT_EQ(f.Links[17].Relation, "prefetch");
    EXPECT_EQ(f.Links[17].Url, "big.jpg");

    // The page's own relation keeps its row, emptied, for the next page.
    TPageProperties other(QStringLiteral("<html><head></head><body></body></html>"));
    other.Model.Fields.Links = f.Links;
    other.Model.Load();
    ASSERT_EQ(other.Model.Fields.Links.size(), 18);
    EXPECT_EQ(other.Model.Fields.Links[17].Url, "");
    EXPECT_EQ(other.Model.Fields.RefreshSeconds, "10");
    EXPECT_FALSE(other.Model.Fields.Refresh);
}

TEST(BodyModelTest, RefreshAndRobotsContentsAreReadWordByWord)
{
    const struct
    {
        const char* Content;
        bool Other;
        const char* Seconds;
        const char* Url;
    } refreshes[] = {
        {"5; URL=next.html", true, "5", "next.html"},
        {"5;url=next.html", true, "5", "next.html"},
        {" 8 ; url = a.html?x=1;y=2 ", true, "8", "a.html?x=1;y=2"},
        {"7", false, "7", ""},
        {"7;", false, "7", ""},
        {"soon", false, "10", ""},
    };
    for (const auto& r : refreshes) {
        TPageProperties p(QStringLiteral("<head><meta http-equiv=\"Refresh\" content=\"%1\"></head>").arg(r.Content));
        EXPECT_TRUE(p.Model.Fields.Refresh) << r.Content;
        EXPECT_EQ(p.Model.Fields.RefreshOther, r.Other) << r.Content;
        EXPECT_EQ(p.Model.Fields.RefreshSeconds, r.Seconds) << r.Content;
        EXPECT_EQ(p.Model.Fields.RefreshUrl, r.Url) << r.Content;
    }
    const struct
    {
        const char* Content;
        bool Index;
        bool Follow;
    } robots[] = {
        {"", false, false}, {"index", true, false}, {"ALL", true, true}, {"all, noindex", false, true},
        {"none,follow", false, true}, {"index,nofollow,all", true, true},
    };
    for (const auto& r : robots) {
        TPageProperties p(QStringLiteral("<head><meta name=\"ROBOTS\" content=\"%1\"></head>").arg(r.Content));
        EXPECT_TRUE(p.Model.Fields.Robots) << r.Content;
        EXPECT_EQ(p.Model.Fields.Index, r.Index) << r.Content;
        EXPECT_EQ(p.Model.Fields.Follow, r.Follow) << r.Content;
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

TEST(BodyModelTest, EmptyFieldsWriteNothingAndTheRefreshAndRobotsFollowTheirBoxes)
{
    TPageProperties p(Page);
    TBodyModel::TFields& f = p.Model.Fields;
    f.Title = QStringLiteral(" \t");
    f.Keywords.clear();
    f.Description.clear();
    f.Email = QStringLiteral(" MAILTO: ");
    f.Base.clear();
    f.Target.clear();
    f.Robots = false;
    f.RefreshOther = false;
    for (TBodyModel::TLinkRow& row : f.Links)
        row.Url.clear();
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

    p.Model.Fields.Refresh = true;
    p.Model.Fields.RefreshSeconds = QStringLiteral(" ");
    TFieldError error = p.Model.Check();
    EXPECT_EQ(error.Message, "Refresh time not specified yet.");
    EXPECT_EQ(error.Field, &p.Model.Fields.RefreshSeconds);
    p.Model.Fields.RefreshSeconds = QStringLiteral("3");
    p.Model.Fields.RefreshOther = true;
    p.Model.Fields.RefreshUrl.clear();
    error = p.Model.Check();
    EXPECT_EQ(error.Message, "Refresh URL not specified yet.");
    EXPECT_EQ(error.Field, &p.Model.Fields.RefreshUrl);
    p.Model.Fields.Refresh = false;
    EXPECT_FALSE(p.Model.Check().Refused);
}

TEST(BodyModelTest, TheBodyAttributesGoToACopyOfTheKeptBodyAndToThePage)
{
    TPageProperties p(Page);
    const QString oldId = p.Model.Element->Id;
    p.Model.Fields.BgColor = QStringLiteral(" #FFFFCC ");
    p.Model.Fields.Text.clear();
    p.Model.Fields.TopMargin = QStringLiteral("10");
    const QString newId = QStringLiteral("dsgn_:::_%1").arg(p.Doc.Filter.NodeCount());
    TElementWrites writes;
    p.Model.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "remove background", "set bgcolor=#FFFFCC",
                                           "remove text", "remove link", "remove vlink", "remove alink",
                                           "set leftmargin=4", "set topmargin=10", "remove rightmargin",
                                           "remove bottommargin"}));
    const THtmlTag* kept = p.Doc.KeptTag(newId);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->GetAttribute(ATTR_BGCOLOR), "#FFFFCC");
    EXPECT_EQ(kept->GetAttribute(ATTR_TOPMARGIN), "10");
    EXPECT_EQ(kept->GetAttribute(ATTR_TEXT), "");
    EXPECT_EQ(kept->GetAttribute(ATTR_ONLOAD), "go()") << "what the dialog does not show stays";
    EXPECT_EQ(p.Doc.KeptTag(oldId)->GetAttribute(ATTR_BGCOLOR), "white") << "undo gives the old body back";
}

TEST(BodyModelTest, WebSafeSchemesStartFromThePageColoursAndLinksPickTheirKindOfFile)
{
    TBodyModel model;
    EXPECT_EQ(model.SchemeColors(), DefaultWebSafeColors);
    model.Fields.BgColor = QStringLiteral("black");
    model.Fields.ALink = QStringLiteral("#FF0000");
    TWebSafeColors expected = DefaultWebSafeColors;
    expected.Background = 0;
    expected.Active = 0xFF;
    EXPECT_EQ(model.SchemeColors(), expected);
    model.SetSchemeColors(WebSafeSchemes[6].Colors);
    EXPECT_EQ(model.Fields.BgColor, ColorToHtml(0));
    EXPECT_EQ(model.SchemeColors(), WebSafeSchemes[6].Colors);

    EXPECT_EQ(TBodyModel::LinkUrlKind(QStringLiteral("stylesheet")), ukCss);
    EXPECT_EQ(TBodyModel::LinkUrlKind(QStringLiteral("Alternate StyleSheet")), ukCss);
    EXPECT_EQ(TBodyModel::LinkUrlKind(QStringLiteral("Shortcut Icon")), ukIcon);
    EXPECT_EQ(TBodyModel::LinkUrlKind(QStringLiteral("Next")), ukHtml);
}

TEST(ToolBodyTest, PagePropertiesFromTheMenuAndByDoubleClickWriteTheHeadAndBody)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    ASSERT_TRUE(w.Window.PageProperties1->isEnabled());

    // From the menu: refresh without seconds is refused on the Misc page; a scheme is chosen, then the
    // schemes are opened again and cancelled.
    dialogs.Answers.push_back(mrOk);
    dialogs.Forms.push_back([&dialogs](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditTitle")->text(), "Objects Fixture");
        FindControl<QLineEdit>(form, "EditTitle")->setText(QStringLiteral("Objects & more"));
        FindControl<QPlainTextEdit>(form, "MemoKeyword")->setPlainText(QStringLiteral("tools,\ntests"));
        FindControl<QCheckBox>(form, "CheckRefresh")->setChecked(true);
        FindControl<QLineEdit>(form, "EditRefreshSec")->clear();
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.findChild<QTabWidget*>()->currentIndex(), 3) << "the Misc page";
        FindControl<QLineEdit>(form, "EditRefreshSec")->setText(QStringLiteral("30"));

        dialogs.Forms.push_back([](QDialog& schemes) {
            auto* backgrounds = FindControl<QListWidget>(schemes, "ListBox1");
            auto* list = FindControl<QListWidget>(schemes, "ListBox2");
            EXPECT_EQ(list->count(), 0);
            backgrounds->setCurrentRow(0); // Black
            ASSERT_EQ(list->count(), 6);
            EXPECT_EQ(list->item(0)->text(), "Blue");
            EXPECT_EQ(list->currentRow(), -1);
            list->setCurrentRow(0);
            FindControl<QPushButton>(schemes, "BtnOk")->click();
        });
        dialogs.Forms.push_back([](QDialog& schemes) {
            FindControl<QListWidget>(schemes, "ListBox2")->setCurrentRow(1); // Black: Brown - Red
            FindControl<QPushButton>(schemes, "BtnCancel")->click();
        });
        dialogs.Forms.push_back([](QDialog& schemes) {
            EXPECT_EQ(static_cast<TFormWebSafe&>(schemes).Colors(), WebSafeSchemes[6].Colors)
                << "the page's colours, not the cancelled scheme";
            FindControl<QPushButton>(schemes, "BtnCancel")->click();
        });
        auto* webSafe = FindControl<QPushButton>(form, "Button3");
        webSafe->click();
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditColor1")->text(), ColorToHtml(0));
        webSafe->click();
        webSafe->click();
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditColor2")->text(), ColorToHtml(WebSafeSchemes[6].Colors.Text));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.Window.PageProperties1->trigger();
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Refresh time not specified yet."});
    EXPECT_EQ(w.Eval(QStringLiteral("document.body.getAttribute('bgcolor')")).toString(), ColorToHtml(0));
    EXPECT_TRUE(w.Window.FileManager()->Modified());

    // By double-click on the body, between two blocks.
    const QRect h1 = w.Box(QStringLiteral("h1"));
    const QRect intro = w.Box(QStringLiteral("#intro"));
    dialogs.FileNames.push_back(dir.filePath(QStringLiteral("site.css")));
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditTitle")->text(), "Objects & more");
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckRefresh")->isChecked());
        EXPECT_TRUE(FindControl<QLineEdit>(form, "EditRefreshSec")->isEnabled());
        EXPECT_FALSE(FindControl<QLineEdit>(form, "EditRefreshUrl")->isEnabled());
        FindControl<QRadioButton>(form, "RadioRefresh2")->setChecked(true);
        EXPECT_TRUE(FindControl<QLineEdit>(form, "EditRefreshUrl")->isEnabled());
        FindControl<QLineEdit>(form, "EditRefreshUrl")->setText(QStringLiteral("next.html"));
        FindControl<QLineEdit>(form, "EditMargin1")->setText(QStringLiteral("20"));
        FindControl<QToolButton>(form, "BtnLink1")->click(); // the StyleSheet row
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditLink1")->text(), "site.css");
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClickAt(QPoint(intro.center().x(), (h1.bottom() + intro.top()) / 2));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 5; }));
    EXPECT_EQ(dialogs.FormsShown.first(), "Page Properties");
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].Filter, GetUrlFilter(ukCss));
    EXPECT_EQ(w.Designer()->UndoGroups().Caption(w.Designer()->UndoGroups().Count() - 1), "Page Properties");

    // Undo takes the body's new attributes back from the page and from the saved document alike.
    QString html;
    w.Designer()->Undo();
    w.Designer()->GetHtml(html);
    EXPECT_FALSE(html.contains(QLatin1String("leftmargin"))) << html.toStdString();
    w.Designer()->Redo();
    ExpectSavedAs(w.Save(), QStringLiteral("body-saved.html"));
}

TEST(ToolBodyTest, FromTheCodeViewTheDialogSeesTheEditedTextAndTheViewShowsTheResult)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.Window.TabControl1->setCurrentIndex(1);
    QsciScintilla* code = w.Window.CodeEditor();
    code->setText(code->text().replace(QLatin1String("Objects Fixture"), QLatin1String("Typed Title")));
    dialogs.Forms.push_back([](QDialog& form) {
        auto* title = FindControl<QLineEdit>(form, "EditTitle");
        EXPECT_EQ(title->text(), "Typed Title");
        title->setText(QStringLiteral("Chosen Title"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.Window.PageProperties1->trigger();
    EXPECT_TRUE(code->text().contains(QLatin1String("<title>Chosen Title</title>"))) << code->text().toStdString();
    EXPECT_TRUE(code->text().contains(QLatin1String("<meta name=\"Generator\" content=\"Corvalite v3.63\">")));
}

} // namespace
