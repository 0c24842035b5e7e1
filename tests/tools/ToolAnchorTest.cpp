// The anchor tool: the name it reads from and writes to the kept a node, and once through the palette.
#include "ToolAnchor.h"

#include "ToolTesting.h"

#include <QLineEdit>

namespace {

TEST(AnchorModelTest, TheNameLivesInTheKeptNodeAndIsChangedOnACopy)
{
    TDesignDocument doc(QStringLiteral("<p><a name=\"top\"></a><!-- c --></p>"));
    TAnchorModel model;
    doc.Load(model, QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    EXPECT_EQ(model.Fields.Name, "top");
    model.Fields.Name = QStringLiteral(" bottom ");
    const QString newId = doc.NextId();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"set id=" + newId});
    EXPECT_EQ(doc.KeptTag(newId)->GetAttribute(ATTR_NAME), "bottom");
    EXPECT_EQ(doc.KeptTag(oldId)->GetAttribute(ATTR_NAME), "top") << "undo brings the old node back";
    // A name typed as the word the tree keeps for a bare attribute is still a name.
    model.Fields.Name = QStringLiteral("TRUE");
    model.Apply(writes);
    EXPECT_TRUE(HtmlNodeToText(doc.KeptTag(newId)).startsWith(QLatin1String("<a name=\"TRUE\">")))
        << HtmlNodeToText(doc.KeptTag(newId)).toStdString();

    model.Element.reset();
    model.Load();
    for (const char* name : {"", "  \t"}) {
        model.Fields.Name = QLatin1String(name);
        const TFieldError error = model.Check();
        EXPECT_TRUE(error.Refused && error.Message.isEmpty() && error.Field == &model.Fields.Name) << name;
    }
    model.Fields.Name = QStringLiteral("a\"b");
    EXPECT_FALSE(model.Check().Refused);
    const QString id = doc.NextId();
    EXPECT_EQ(model.GetHtml(), "<span id=\"" + id + "\" class=\"dsgn_anchor\" contentEditable=\"false\"></span>");
    EXPECT_EQ(doc.KeptTag(id)->GetAttribute(ATTR_NAME), "a\"b");

    const TToolAnchor tool(TToolRow{"TToolAnchor", "Insert Anchor", "IMG", 0, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 1), doc.Filter)) << "a comment";
}

using ToolAnchorTest = TToolPageTest;

TEST_F(ToolAnchorTest, AnAnchorIsInsertedRenamedByDoubleClickAndSaved)
{
    Dialogs.Forms.push_back([](QDialog& form) {
        ClickOk(form);
        EXPECT_TRUE(form.isVisible()) << "no name, no anchor, no message";
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("here"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Anchor"));
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* name = FindControl<QLineEdit>(form, "EditName");
        EXPECT_EQ(name->text(), "here");
        name->setText(QStringLiteral("there"));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("#intro span.dsgn_anchor"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));
    EXPECT_TRUE(Dialogs.Messages.empty());
    ExpectSavedAs(W.Save(), QStringLiteral("anchor-saved.html"));
}

} // namespace
