// The anchor tool: the name it reads from and writes to the kept a node, and once through the palette.
#include "ToolAnchor.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(AnchorModelTest, TheNameLivesInTheKeptNodeAndIsChangedOnACopy)
{
    TDesignDocument doc(QStringLiteral("<p><a name=\"top\"></a><!-- c --></p>"));
    TAnchorModel model;
    model.Filter = &doc.Filter;
    model.Element = doc.Element(QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    model.Load();
    EXPECT_EQ(model.Fields.Name, "top");

    model.Fields.Name = QStringLiteral(" bottom ");
    const QString newId = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"set id=" + newId});
    EXPECT_EQ(doc.KeptTag(newId)->GetAttribute(ATTR_NAME), "bottom");
    EXPECT_EQ(doc.KeptTag(oldId)->GetAttribute(ATTR_NAME), "top") << "undo brings the old node back";

    model.Element.reset();
    model.Load();
    EXPECT_EQ(model.Fields.Name, "");
    model.Fields.Name = QStringLiteral("a\"b");
    const QString id = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    EXPECT_EQ(model.GetHtml(), "<img id=\"" + id + "\" src=\"edit:anchor.gif\" onResize=\"cancelEvent()\">");
    EXPECT_EQ(doc.KeptTag(id)->GetAttribute(ATTR_NAME), "a\"b");
}

TEST(AnchorModelTest, AnEmptyNameKeepsTheDialogOpenWithoutAMessage)
{
    TAnchorModel model;
    for (const char* name : {"", "  \t"}) {
        model.Fields.Name = QLatin1String(name);
        const TFieldError error = model.Check();
        EXPECT_TRUE(error.Refused);
        EXPECT_EQ(error.Message, "");
        EXPECT_EQ(error.Field, &model.Fields.Name);
    }
    model.Fields.Name = QStringLiteral("x");
    EXPECT_FALSE(model.Check().Refused);
}

TEST(AnchorModelTest, TheToolTakesOnlyThePlaceholdersOfAnchors)
{
    TDesignDocument doc(QStringLiteral("<p><a name=\"top\"></a><!-- c --><a href=\"x.html\">link</a></p>"));
    const TToolAnchor tool(TToolRow{"TToolAnchor", "Insert Anchor", "IMG", 0, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 1), doc.Filter)) << "a comment";
}

TEST(ToolAnchorTest, AnAnchorIsInsertedRenamedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));

    dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible()) << "no name, no anchor";
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("here"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Anchor"));
    EXPECT_TRUE(dialogs.Messages.empty());
    ASSERT_FALSE(w.Box(QStringLiteral("#intro img")).isEmpty());

    dialogs.Forms.push_back([](QDialog& form) {
        auto* name = FindControl<QLineEdit>(form, "EditName");
        EXPECT_EQ(name->text(), "here");
        name->setText(QStringLiteral("there"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClick(QStringLiteral("#intro img"));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    EXPECT_EQ(dialogs.FormsShown, (QStringList{"  Anchor", "  Anchor"}));
    ExpectSavedAs(w.Save(), QStringLiteral("anchor-saved.html"));
}

} // namespace
