// The marquee tool: its placeholder and kept node for a new marquee, the fields and writes of an existing
// one, and once through the palette.
#include "ToolMarquee.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// The kept node's attributes as "name=value" in order, then its first child's text in brackets.
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

TEST(MarqueeModelTest, ANewMarqueeStartsWideNeedsTextAndKeepsItsNode)
{
    TDesignDocument doc(Page);
    TMarqueeModel model;
    doc.Load(model);
    EXPECT_EQ(model.Fields.Width + model.Fields.Height, "100%30");
    EXPECT_EQ(model.Check().Message, "Please specify a text first.");
    model.Fields.Text = QStringLiteral("Hi & <bye>\nagain");
    model.Fields.Align = QStringLiteral("left");
    model.Fields.Behavior = QStringLiteral("alternate");
    model.Fields.ScrollAmount = QStringLiteral(" 5 ");
    model.Fields.Loop = true;
    const QString id = doc.NextId();
    EXPECT_EQ(model.GetHtml(), "<img id=\"" + id + "\" src=\"edit:trans.gif\" onResizeEnd=\"external.Report(this);\" "
                               "class=\"dsgn_marquee\" width=\"100%\" height=\"30\" align=\"left\">");
    EXPECT_EQ(Kept(doc.KeptTag(id)), "width=100% height=30 align=left behavior=alternate direction= bgcolor= "
                                     "scrollamount=5 scrolldelay= hspace= vspace= loop=YES "
                                     "[Hi &amp; &lt;bye>\r\nagain\r\n]");

    const TToolMarquee tool(TToolRow{"TToolMarquee", "", "IMG", 34, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 2), doc.Filter)) << "an anchor";
}

TEST(MarqueeModelTest, AnExistingMarqueeIsReadFromItsNodeAndChangedOnACopy)
{
    TDesignDocument doc(Page);
    TMarqueeModel model;
    doc.Load(model, QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    const TMarqueeModel::TFields& f = model.Fields;
    EXPECT_EQ(QStringList({f.Text, f.Behavior, f.Width, f.Align, f.HSpace}),
              (QStringList{"Old & new", "slide", "200", "middle", "4"}));
    EXPECT_FALSE(f.Loop) << "only YES in capitals turns the loop on";

    model.Fields.Text = QStringLiteral("New");
    model.Fields.Height = QStringLiteral("40");
    model.Fields.HSpace.clear();
    const QString newId = doc.NextId();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "set width=200", "set height=40", "remove style",
                                           "set align=middle"}));
    EXPECT_EQ(Kept(doc.KeptTag(newId)), "behavior=slide width=200 align=middle direction= bgcolor= scrollamount= "
                                        "scrolldelay= vspace= height=40 [New\r\n]");
    EXPECT_TRUE(doc.KeptTag(oldId)->HasAttribute(ATTR_LOOP)) << "the old node stays for undo";

    // A marquee without text gets a text node.
    model.Element = doc.Element(QStringLiteral("img"), 1);
    model.Load();
    EXPECT_TRUE(model.Fields.Loop);
    model.Fields.Text = QStringLiteral("Now");
    const QString nextId = doc.NextId();
    model.Apply(writes);
    EXPECT_EQ(Kept(doc.KeptTag(nextId)), "bgcolor=red loop=YES behavior= direction= scrollamount= scrolldelay= "
                                         "hspace= vspace= width= height= align= [Now\r\n]");
}

using ToolMarqueeTest = TToolPageTest;

TEST_F(ToolMarqueeTest, AMarqueeIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Answers.push_back(mrOk);
    Dialogs.Forms.push_back([](QDialog& form) {
        ClickOk(form);
        FindControl<QPlainTextEdit>(form, "MemoText")->setPlainText(QStringLiteral("Sale & more"));
        FindControl<QComboBox>(form, "ComboBehavior")->setCurrentText(QStringLiteral("alternate"));
        FindControl<QCheckBox>(form, "CheckLoop")->setChecked(true);
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Running Text (Marquee)"));
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"Please specify a text first."});
    ASSERT_EQ(W.Box(QStringLiteral("#intro img.dsgn_marquee")).height(), 30);
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QPlainTextEdit>(form, "MemoText")->toPlainText(), "Sale & more");
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckLoop")->isChecked());
        FindControl<QLineEdit>(form, "EditHeight")->setText(QStringLiteral("40"));
        FindControl<QLineEdit>(form, "EditBgColor")->setText(QStringLiteral("yellow"));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("#intro img"));
    ASSERT_TRUE(WaitUntil([&] { return W.Box(QStringLiteral("#intro img.dsgn_marquee")).height() == 40; }));
    ExpectSavedAs(W.Save(), QStringLiteral("marquee-saved.html"));
}

} // namespace
