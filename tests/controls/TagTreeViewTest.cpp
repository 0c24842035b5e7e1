#include "TagTreeView.h"

#include "HtmlAttributes.h"
#include "HtmlFiler.h"
#include "HtmlInplace.h"
#include "HtmlInspector.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "IniUtils.h"
#include "../app/ScriptedDialogs.h"
#include "TestData.h"
#include "UnitMain.h"
#include "WidgetInput.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QSplitter>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString WriteFile(const QTemporaryDir& Dir, const QString& Name, const QByteArray& Text)
{
    const QString Path = Dir.filePath(Name);
    QFile File(Path);
    File.open(QIODevice::WriteOnly);
    File.write(Text);
    return Path;
}

THtmlNode* FindTag(THtmlNode* Node, int TagId)
{
    for (THtmlNode* Child = Node->FirstChild(); Child; Child = Child->NextSibling()) {
        if (Child->NodeClass() == THtmlNode::ncTag && Child->TagId() == TagId)
            return Child;
        if (THtmlNode* Found = FindTag(Child, TagId))
            return Found;
    }
    return nullptr;
}

TInspectorItem* Row(TInspector* Inspector, const QString& Caption)
{
    for (int I = 0; I < Inspector->Count(); ++I)
        if (!Inspector->Items(I)->Category && Inspector->Items(I)->Caption == Caption)
            return Inspector->Items(I);
    return nullptr;
}

TEST(TagTreeDataTest, TagAttributesListOwnLinesThenEachSharedGroup)
{
    QTemporaryDir Dir;
    const QString Tags = WriteFile(Dir, "tags.dat",
                                   "[p]\r\nalign=x\r\ncommon=core, \"events\",missing,empty\r\n"
                                   "[core]\r\nid=\r\nclass=\r\n[events]\r\nonclick=\r\n[empty]\r\n"
                                   "[br]\r\nCommon=core\r\n");
    QStringList Lines;
    LoadTagAttributes(TAG_P, Lines, Tags);
    EXPECT_EQ(Lines, (QStringList{"-Tag Attributes", "align=x", "-Core Attributes", "id=", "class=",
                                  "-Events Attributes", "onclick="}));
    Lines.clear();
    LoadTagAttributes(TAG_BR, Lines, Tags);
    EXPECT_EQ(Lines, (QStringList{"-Core Attributes", "id=", "class="}));
    Lines.clear();
    LoadTagAttributes(TAG_DOCTYPE, Lines, Tags);
    LoadTagAttributes(TAG_TEXT, Lines, Tags);
    EXPECT_TRUE(Lines.isEmpty());

    const QString Css = WriteFile(Dir, "css.dat", "[Font]\r\n1=font-family\r\n2= font-size \r\n4=never\r\n"
                                                  "[Empty]\r\n2=skipped\r\n[Text]\r\n1=color\r\n2=\r\n");
    LoadCssProperties(TAG_P, Lines, Css);
    EXPECT_EQ(Lines, (QStringList{"-Font", "font-family", "font-size", "-Text", "color"}));
}

TEST(TagTreeDataTest, BuiltInDataFilesOfferRealAttributesAndProperties)
{
    QStringList Lines;
    LoadTagAttributes(TAG_A, Lines);
    EXPECT_TRUE(Lines.contains("href="));
    EXPECT_TRUE(Lines.contains("-Core Attributes"));
    EXPECT_TRUE(Lines.contains("onclick="));
    for (const QString& Line : Lines)
        if (!Line.startsWith('-'))
            EXPECT_GE(AttrNameToId(Line.section('=', 0, 0)), 0) << Line.toStdString();
    QStringList Props;
    LoadCssProperties(TAG_A, Props);
    EXPECT_TRUE(Props.contains("-Font"));
    EXPECT_TRUE(Props.contains("background-color"));
}

struct TagPropertiesFixture : ::testing::Test
{
    std::unique_ptr<THtmlRoot> Doc = ParseHtml(
        QStringLiteral("<html><body><p align=\"left\" style=\"color: red; font-family: Arial\" foo=\"1\">Hi &amp; "
                       "there</p></body></html>"));
    TTagProperties Props;
    int Edits = 0;
    void SetUp() override
    {
        Props.resize(300, 400);
        Props.show();
        Props.OnEdited = [this] { ++Edits; };
    }
    THtmlTag* P() { return static_cast<THtmlTag*>(FindTag(Doc.get(), TAG_P)); }
};

TEST_F(TagPropertiesFixture, TagRowsShowAttributesAndStyleAndCommitBack)
{
    ASSERT_NE(P(), nullptr);
    Props.ShowNodeProperties(P());
    EXPECT_EQ(Props.NodeShown(), P());
    EXPECT_TRUE(Props.PageControl()->isTabVisible(0));
    EXPECT_FALSE(Props.PageControl()->isTabVisible(1));
    EXPECT_TRUE(Props.PageControl()->isTabVisible(2));
    EXPECT_EQ(Row(Props.AttrInspector(), "align")->Value, "left");
    EXPECT_EQ(Row(Props.AttrInspector(), "style"), nullptr);
    EXPECT_EQ(Row(Props.CssInspector(), "color")->Value, "red");
    EXPECT_EQ(Row(Props.CssInspector(), "font-family")->Value, "Arial");
    EXPECT_TRUE(Props.AttrInspector()->Items(0)->Category);

    Row(Props.AttrInspector(), "align")->Value = " ";
    Row(Props.AttrInspector(), "id")->Value = "main";
    Row(Props.CssInspector(), "font-family")->Value = "Arial Black";
    Row(Props.CssInspector(), "color")->Value = "";
    Row(Props.CssInspector(), "font-size")->Value = "12pt";
    Props.CommitNodeProperties();
    EXPECT_EQ(Props.NodeShown(), nullptr);
    EXPECT_FALSE(P()->HasAttribute(ATTR_ALIGN));
    EXPECT_EQ(P()->GetAttribute(ATTR_ID), "main");
    EXPECT_EQ(P()->GetAttribute(ATTR_STYLE), "font-family: 'Arial Black'; font-size: 12pt");
    EXPECT_FALSE(P()->HasAttribute(ATTR_CLASS)); // an empty row adds nothing

    Props.ShowNodeProperties(P());
    for (int I = 0; I < Props.CssInspector()->Count(); ++I)
        Props.CssInspector()->Items(I)->Value.clear();
    Props.CommitNodeProperties();
    EXPECT_FALSE(P()->HasAttribute(ATTR_STYLE));
}

TEST(TagTreeDataTest, OnlyASingleFontNameWithBlanksIsQuoted)
{
    struct Case
    {
        const char* Name;
        const char* Value;
        const char* Written;
    } Cases[] = {
        {"margin", "0 auto", "margin: 0 auto"},
        {"color", "red", "color: red"},
        {"font-family", "Arial Black", "font-family: 'Arial Black'"},
        {"Font-Family", "Arial", "Font-Family: Arial"},
        {"font-family", "Arial Black, serif", "font-family: Arial Black, serif"},
        {"font-family", "\"Arial Black\"", "font-family: \"Arial Black\""},
        {"border", "1px solid red", "border: 1px solid red"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(CssDeclaration(C.Name, C.Value), C.Written);
}

TEST(TagTreeDataTest, AValueWrittenEmptySurvivesACommitOfItsElement)
{
    auto doc = ParseHtml(QStringLiteral("<html><body><img src=\"a.gif\" alt=\"\" title=\"t\"></body></html>"));
    auto* img = static_cast<THtmlTag*>(FindTag(doc.get(), TAG_IMG));
    ASSERT_NE(img, nullptr);
    TTagProperties props;
    props.ShowNodeProperties(img);
    Row(props.AttrInspector(), "title")->Value = "new";
    props.CommitNodeProperties();
    EXPECT_EQ(img->GetAttribute(ATTR_TITLE), "new");
    ASSERT_TRUE(img->HasAttribute(ATTR_ALT));
    const QString html = HtmlNodeToText(img);
    EXPECT_TRUE(html.contains(QStringLiteral("alt=\"\""))) << html.toStdString();
}

TEST_F(TagPropertiesFixture, DeclarationsWithoutARowSurviveACommit)
{
    P()->SetAttribute(ATTR_STYLE, "zoom: 2; margin: 0 auto; color: red; -x-custom: a b");
    Props.ShowNodeProperties(P());
    EXPECT_EQ(Row(Props.CssInspector(), "margin")->Value, "0 auto");
    EXPECT_EQ(Row(Props.CssInspector(), "zoom"), nullptr);
    Row(Props.CssInspector(), "color")->Value = "blue";
    Props.CommitNodeProperties();
    EXPECT_EQ(P()->GetAttribute(ATTR_STYLE), "color: blue; margin: 0 auto; zoom: 2; -x-custom: a b");

    // Emptying every row keeps what no row showed.
    Props.ShowNodeProperties(P());
    for (int I = 0; I < Props.CssInspector()->Count(); ++I)
        Props.CssInspector()->Items(I)->Value.clear();
    Props.CommitNodeProperties();
    EXPECT_EQ(P()->GetAttribute(ATTR_STYLE), "zoom: 2; -x-custom: a b");
}

TEST_F(TagPropertiesFixture, PendingInplaceEditIsCommittedAndReportedAsAnEdit)
{
    Props.ShowNodeProperties(P());
    TInspector* Attr = Props.AttrInspector();
    Attr->SetItemIndex(Attr->IndexOf(Row(Attr, "align")), true);
    EXPECT_EQ(Edits, 0) << "selecting a row is no edit";
    Attr->Editor()->SetText("center");
    Props.CommitNodeProperties();
    EXPECT_EQ(P()->GetAttribute(ATTR_ALIGN), "center");
    EXPECT_EQ(Edits, 1) << "the commit changed the row's value";
    Props.ShowNodeProperties(P());
    Attr->SetItemIndex(Attr->IndexOf(Row(Attr, "align")), true);
    Props.CommitNodeProperties();
    EXPECT_EQ(Edits, 1) << "an unchanged value is no edit";
}

TEST_F(TagPropertiesFixture, TextNodesUseTheMemoAndOtherNodesHideTheSheets)
{
    THtmlNode* Text = P()->FirstChild();
    ASSERT_EQ(Text->NodeClass(), THtmlNode::ncText);
    Props.ShowNodeProperties(Text);
    EXPECT_TRUE(Props.PageControl()->isTabVisible(1));
    EXPECT_FALSE(Props.PageControl()->isTabVisible(0));
    EXPECT_EQ(Props.MemoAttr()->toPlainText(), static_cast<THtmlText*>(Text)->Text());
    EXPECT_EQ(Edits, 0);
    Props.MemoAttr()->setPlainText("changed &lt; text");
    EXPECT_EQ(Edits, 1);
    Props.ShowNodeProperties(Doc.get()); // the root: no sheets
    EXPECT_EQ(static_cast<THtmlText*>(Text)->Text(), "changed &lt; text");
    EXPECT_FALSE(Props.PageControl()->isVisible());
    EXPECT_EQ(Props.NodeShown(), nullptr);
    // A bare "<" typed in the memo goes in as the parser would hold it.
    Props.ShowNodeProperties(Text);
    Props.MemoAttr()->setPlainText("a <b> &amp; c");
    Props.CommitNodeProperties();
    EXPECT_EQ(static_cast<THtmlText*>(Text)->Text(), "a &lt;b> &amp; c");
}

// Markup the model holds as text (comments, unknown tags, server blocks) and the code of scripts and styles
// come back as they were when only looked at, and as typed when edited: a "<" there is code, not text.
TEST(TagTreeDataTest, TextNodesOnlyLookedAtStayAsTheyWereAndCodeKeepsItsMarkup)
{
    auto Doc = ParseHtml(QStringLiteral(
        "<?xml version=\"1.0\"?><html><head><style>\r\na > b { color: red }\r\n</style>"
        "<script>if (a < b) f();</script></head><body><!-- note --><nav id=\"n\">x&lt;y\r\nz</nav>"
        "<% server %></body></html>"));
    struct Case
    {
        int TagId;
        int ParentId;
        const char* Typed;
        const char* Held;
    } Cases[] = {
        {TAG_PHP, TAG_ROOT, "<?xml version=\"1.1\"?>", "<?xml version=\"1.1\"?>"},
        {TAG_TEXT, TAG_STYLE, "a < b {}", "a < b {}"},
        {TAG_TEXT, TAG_SCRIPT, "if (b < a) f();", "if (b < a) f();"},
        {TAG_COMMENT, TAG_BODY, "<!-- new -->", "<!-- new -->"},
        {TAG_UNKNOWN, TAG_BODY, "<nav id=\"m\">", "<nav id=\"m\">"},
        {TAG_TEXT, TAG_BODY, "x < y", "x &lt; y"},
        {TAG_ASP, TAG_BODY, "<% other %>", "<% other %>"},
    };
    TTagProperties Props;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Typed);
        THtmlText* Node = nullptr;
        for (THtmlNode* Walk = Doc->FirstChild(); Walk && !Node; Walk = Doc->GetNextNode(Walk))
            if (Walk->TagId() == C.TagId && Walk->Parent()->TagId() == C.ParentId)
                Node = static_cast<THtmlText*>(Walk);
        ASSERT_NE(Node, nullptr);
        const QString Before = Node->Text();
        Props.ShowNodeProperties(Node);
        Props.CommitNodeProperties();
        EXPECT_EQ(Node->Text().toStdString(), Before.toStdString());
        Props.ShowNodeProperties(Node);
        Props.MemoAttr()->setPlainText(C.Typed);
        Props.CommitNodeProperties();
        EXPECT_EQ(Node->Text().toStdString(), C.Held);
    }
}

TEST_F(TagPropertiesFixture, TreeItemsMapToNodesAndClearingForgetsTheNode)
{
    QTreeWidget Tree;
    std::function<void(THtmlNode*, QTreeWidgetItem*)> Add = [&](THtmlNode* Node, QTreeWidgetItem* Parent) {
        auto* Item = Parent ? new QTreeWidgetItem(Parent, {TagIdToName(Node->TagId())})
                            : new QTreeWidgetItem(&Tree, {TagIdToName(Node->TagId())});
        for (THtmlNode* Child = Node->FirstChild(); Child; Child = Child->NextSibling())
            Add(Child, Item);
    };
    Add(Doc.get(), nullptr);
    Props.Attach(&Tree, [this] { return Doc.get(); });
    QTreeWidgetItem* Html = Tree.topLevelItem(0)->child(Tree.topLevelItem(0)->childCount() - 1);
    QTreeWidgetItem* Body = Html->child(Html->childCount() - 1);
    ASSERT_EQ(Props.NodeOfItem(Tree.topLevelItem(0)), Doc.get());
    Tree.setCurrentItem(Body->child(0));
    EXPECT_EQ(Props.NodeShown(), P());
    Row(Props.AttrInspector(), "title")->Value = "kept";
    Tree.setCurrentItem(Body); // moving on commits the node left
    EXPECT_EQ(P()->GetAttribute(ATTR_TITLE), "kept");
    EXPECT_EQ(Props.NodeShown(), FindTag(Doc.get(), TAG_BODY));
    // The owner forgets the node before it frees the document; clearing the tree then writes nothing.
    Props.Forget();
    EXPECT_EQ(Props.NodeShown(), nullptr);
    Doc.reset();
    Tree.clear();
    EXPECT_EQ(Props.NodeShown(), nullptr);
}

QTreeWidgetItem* FindItem(QTreeWidgetItem* Item, const QString& Text)
{
    if (Item->text(0) == Text)
        return Item;
    for (int I = 0; I < Item->childCount(); ++I)
        if (QTreeWidgetItem* Found = FindItem(Item->child(I), Text))
            return Found;
    return nullptr;
}

TEST(TagTreePageTest, AnAttributeEditedInTheTagTreeReachesTheDesignView)
{
    QFile::remove(ConfigIni().FileName());
    TScriptedDialogs Dialogs;
    {
        TFormMain w;
        w.show();
        w.FileManager()->OpenFile(TestDataPath("app/page.html"));
        w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
        auto* Props = w.findChild<TTagProperties*>();
        ASSERT_NE(Props, nullptr);
        QTreeWidgetItem* Table = FindItem(w.TagTree()->topLevelItem(0), "<table>");
        ASSERT_NE(Table, nullptr);
        w.TagTree()->setCurrentItem(Table);
        ASSERT_NE(Props->NodeShown(), nullptr);
        EXPECT_EQ(Props->NodeShown()->TagId(), TAG_TABLE);
        TInspector* Attr = Props->AttrInspector();
        EXPECT_EQ(Row(Attr, "width")->Value, "300");
        EXPECT_FALSE(w.ViewEdited());
        EXPECT_FALSE(w.FileManager()->Modified());
        Attr->SetItemIndex(Attr->IndexOf(Row(Attr, "width")), true);
        Attr->SetItemIndex(Attr->IndexOf(Row(Attr, "summary")), true);
        EXPECT_TRUE(w.ViewEdited());
        EXPECT_FALSE(w.FileManager()->Modified()) << "rows clicked through change nothing";
        Type(Attr->Editor()->Edit(), "prices");
        EXPECT_TRUE(w.FileManager()->Modified()) << "closing now must ask to save the edit";
        Row(Props->CssInspector(), "color")->Value = "navy";
        w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
        QString Html;
        w.Designer()->GetHtml(Html);
        EXPECT_TRUE(Html.contains("summary=\"prices\"")) << Html.toStdString();
        EXPECT_TRUE(Html.contains("style=\"color: navy\"")) << Html.toStdString();
        EXPECT_TRUE(Html.contains("cell two"));
        w.FileManager()->SetModified(false);
        w.close();
    }
    QFile::remove(ConfigIni().FileName());
}

TEST(TagTreePageTest, RowsClickedThroughWithoutAChangeLeaveTheDocumentUnmodified)
{
    QFile::remove(ConfigIni().FileName());
    TScriptedDialogs Dialogs;  // an unexpected save question fails the test
    {
        TFormMain w;
        w.show();
        w.FileManager()->OpenFile(TestDataPath("app/page.html"));
        w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
        auto* Props = w.findChild<TTagProperties*>();
        w.TagTree()->setCurrentItem(FindItem(w.TagTree()->topLevelItem(0), "<table>"));
        for (TInspector* Inspector : {Props->AttrInspector(), Props->CssInspector()})
            for (int I = 0; I < Inspector->Count() && I < 6; ++I)
                if (!Inspector->Items(I)->Category)
                    Inspector->SetItemIndex(I, true);
        w.TagTree()->setCurrentItem(FindItem(w.TagTree()->topLevelItem(0), "<body>"));
        w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
        EXPECT_FALSE(w.FileManager()->Modified());
        EXPECT_TRUE(w.close());
    }
    QFile::remove(ConfigIni().FileName());
}

TEST(TagTreePageTest, TheTreeOpensItsFirstLevelAndADocumentTooDeepToShowIsCutWithAnErrorItem)
{
    QFile::remove(ConfigIni().FileName());
    TScriptedDialogs Dialogs;
    {
        TFormMain w;
        EXPECT_EQ(w.findChild<QSplitter*>("SplitTag"), w.SplitTag);
        std::unique_ptr<THtmlRoot> Doc =
            ParseHtml(QStringLiteral("<html><head><title>t</title></head><body><p>a<!-- c --></p></body></html>"));
        w.FillTagTree(w.TagTree(), Doc.get());
        QTreeWidgetItem* Root = w.TagTree()->topLevelItem(0);
        ASSERT_NE(Root, nullptr);
        EXPECT_EQ(Root->text(0), "<ROOT>");
        EXPECT_TRUE(Root->isExpanded());
        ASSERT_EQ(Root->childCount(), 1);
        QTreeWidgetItem* Html = Root->child(0);
        EXPECT_EQ(Html->text(0), "<html>");
        EXPECT_TRUE(Html->isExpanded());
        EXPECT_FALSE(Html->child(1)->isExpanded()) << "only the first level opens";
        QTreeWidgetItem* P = FindItem(Root, "<p>");
        ASSERT_NE(P, nullptr);
        ASSERT_EQ(P->childCount(), 2);
        EXPECT_EQ(P->child(0)->text(0), "<TEXT>");
        EXPECT_EQ(P->child(1)->text(0), "<!-->");
        EXPECT_EQ(w.TagTree()->currentItem(), Root);

        // Ten thousand unclosed tags: the tree stops at a depth a person could still open, the last
        // item built says the rest failed, and the sibling after the deep run is still there.
        QString Deep = "<html><body><div>";
        for (int I = 0; I < 10000; ++I)
            Deep += "<b>";
        Deep += "x</div><p>after</p></body></html>";
        Doc = ParseHtml(Deep);
        w.FillTagTree(w.TagTree(), Doc.get());
        QTreeWidgetItem* Walk = FindItem(w.TagTree()->topLevelItem(0), "<div>");
        ASSERT_NE(Walk, nullptr);
        int Levels = 0;
        while (Walk->childCount() > 0 && Walk->child(0)->text(0).endsWith("<b>")) {
            Walk = Walk->child(0);
            ++Levels;
        }
        EXPECT_GT(Levels, 500);
        EXPECT_LT(Levels, 10000);
        EXPECT_EQ(Walk->text(0), "ERROR <b>");
        EXPECT_EQ(Walk->childCount(), 0);
        EXPECT_NE(FindItem(w.TagTree()->topLevelItem(0), "<p>"), nullptr);
        w.TagTree()->clear();
    }
    QFile::remove(ConfigIni().FileName());
}

} // namespace
