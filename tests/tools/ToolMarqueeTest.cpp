// The marquee tool: its placeholder and kept node for a new marquee, the fields and writes of an existing
// one, and once through the palette.
#include "ToolMarquee.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

// The node's attributes as "name=value" in order, and its first child's text.
QString Kept(const THtmlTag* Node)
{
    QStringList parts;
    for (int i = 0; i < Node->AttributeCount(); ++i)
        parts << AttrIdToName(Node->GetAttributeId(i)) + QLatin1Char('=') + Node->GetAttributeValue(i);
    const THtmlNode* first = Node->FirstChild();
    if (first && first->NodeClass() == THtmlNode::ncText)
        parts << QLatin1Char('[') + static_cast<const THtmlText*>(first)->Text() + QLatin1Char(']');
    return parts.join(QLatin1Char(' '));
}

const QString Page = QStringLiteral(
    "<p><marquee behavior=\"slide\" loop=\"yes\" width=\"200\" align=\"middle\" hspace=\"4\">Old &amp; new<b>!</b>"
    "</marquee><marquee bgcolor=\"red\" loop=\"YES\"></marquee><a name=\"x\"></a></p>");

TEST(MarqueeModelTest, ANewMarqueeStartsWideAndNeedsText)
{
    TDesignDocument doc(Page);
    TMarqueeModel model;
    model.Filter = &doc.Filter;
    model.Load();
    EXPECT_EQ(model.Fields.Width, "100%");
    EXPECT_EQ(model.Fields.Height, "30");
    EXPECT_EQ(model.Check().Message, "Please specify a text first.");
    EXPECT_EQ(model.Check().Field, &model.Fields.Text);

    model.Fields.Text = QStringLiteral("Hi & <bye>\nagain");
    model.Fields.Align = QStringLiteral("left");
    model.Fields.Behavior = QStringLiteral("alternate");
    model.Fields.ScrollAmount = QStringLiteral(" 5 ");
    model.Fields.Loop = true;
    const QString id = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    EXPECT_EQ(model.GetHtml(), "<img id=\"" + id + "\" src=\"edit:trans.gif\" onResizeEnd=\"external.Report(this);\" "
                               "class=\"dsgn_marquee\" width=\"100%\" height=\"30\" align=\"left\">");
    THtmlTag* kept = doc.KeptTag(id);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Kept(kept), "width=100% height=30 align=left behavior=alternate direction= bgcolor= scrollamount=5 "
                          "scrolldelay= hspace= vspace= loop=YES [Hi &amp; &lt;bye>\r\nagain\r\n]");
}

TEST(MarqueeModelTest, AnExistingMarqueeIsReadFromItsNodeAndChangedOnACopy)
{
    TDesignDocument doc(Page);
    TMarqueeModel model;
    model.Filter = &doc.Filter;
    model.Element = doc.Element(QStringLiteral("img"), 0);
    const QString oldId = model.Element->Id;
    model.Load();
    const TMarqueeModel::TFields& f = model.Fields;
    EXPECT_EQ(f.Text, "Old & new");
    EXPECT_EQ(f.Behavior, "slide");
    EXPECT_EQ(f.Width, "200");
    EXPECT_EQ(f.Align, "middle");
    EXPECT_EQ(f.HSpace, "4");
    EXPECT_FALSE(f.Loop) << "only YES in capitals turns the loop on";

    model.Fields.Text = QStringLiteral("New");
    model.Fields.Height = QStringLiteral("40");
    model.Fields.HSpace.clear();
    const QString newId = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "set width=200", "set height=40", "remove style",
                                           "set align=middle"}));
    EXPECT_EQ(Kept(doc.KeptTag(newId)), "behavior=slide width=200 align=middle direction= bgcolor= scrollamount= "
                                        "scrolldelay= vspace= height=40 [New\r\n]");
    EXPECT_TRUE(doc.KeptTag(oldId)->HasAttribute(ATTR_LOOP)) << "the old node stays for undo";

    // A marquee without text gets a text node; the loop in capitals reads as on.
    model.Element = doc.Element(QStringLiteral("img"), 1);
    model.Load();
    EXPECT_TRUE(model.Fields.Loop);
    EXPECT_EQ(model.Fields.BgColor, "red");
    model.Fields.Text = QStringLiteral("Now");
    const QString nextId = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    TElementWrites more;
    model.Apply(more);
    EXPECT_EQ(Kept(doc.KeptTag(nextId)), "bgcolor=red loop=YES behavior= direction= scrollamount= scrolldelay= "
                                         "hspace= vspace= width= height= align= [Now\r\n]");
}

TEST(MarqueeModelTest, TheToolTakesOnlyThePlaceholdersOfMarquees)
{
    TDesignDocument doc(Page);
    const TToolMarquee tool(TToolRow{"TToolMarquee", "", "IMG", 34, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 2), doc.Filter)) << "an anchor";
}

TEST(ToolMarqueeTest, AMarqueeIsInsertedEditedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Answers.push_back(mrOk);
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditWidth")->text(), "100%");
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible());
        FindControl<QPlainTextEdit>(form, "MemoText")->setPlainText(QStringLiteral("Sale & more"));
        FindControl<QComboBox>(form, "ComboBehavior")->setEditText(QStringLiteral("alternate"));
        FindControl<QCheckBox>(form, "CheckLoop")->setChecked(true);
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Running Text (Marquee)"));
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Please specify a text first."});
    ASSERT_EQ(w.Box(QStringLiteral("#intro img.dsgn_marquee")).height(), 30);

    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QPlainTextEdit>(form, "MemoText")->toPlainText(), "Sale & more");
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckLoop")->isChecked());
        FindControl<QLineEdit>(form, "EditHeight")->setText(QStringLiteral("40"));
        FindControl<QLineEdit>(form, "EditBgColor")->setText(QStringLiteral("yellow"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClick(QStringLiteral("#intro img"));
    ASSERT_TRUE(WaitUntil([&] { return w.Box(QStringLiteral("#intro img.dsgn_marquee")).height() == 40; }));
    ExpectSavedAs(w.Save(), QStringLiteral("marquee-saved.html"));
}

} // namespace
