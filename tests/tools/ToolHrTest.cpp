// The horizontal rule tool: the markup of a new rule, the writes to an existing one, and once through the
// palette.
#include "ToolHr.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(HrModelTest, ARuleIsBuiltFromTheFieldsInOrder)
{
    const struct
    {
        THrModel::TFields Fields;
        const char* Html;
    } cases[] = {
        {{}, "<hr>"},
        {{"", "50%", "", "", true}, "<hr width=\"50%\" noshade>"},
        {{" center ", " 80 ", "3", "#FF0000", false}, "<hr width=\"80\" size=\"3\" align=\"center\" color=\"#FF0000\">"},
    };
    for (const auto& c : cases) {
        THrModel model;
        model.Fields = c.Fields;
        EXPECT_EQ(model.GetHtml(), c.Html);
    }
}

TEST(HrModelTest, AnExistingRuleIsReadAndWritten)
{
    TDesignDocument doc(QStringLiteral("<hr width=\"50%\" size=\"2\" align=\"left\" noshade>"));
    THrModel model;
    model.Element = doc.Element(QStringLiteral("hr"));
    model.Load();
    EXPECT_EQ(model.Fields.Width, "50%");
    EXPECT_EQ(model.Fields.Height, "2");
    EXPECT_EQ(model.Fields.Align, "left");
    EXPECT_TRUE(model.Fields.NoShade);
    model.Fields.Height.clear();
    model.Fields.Color = QStringLiteral("navy");
    model.Fields.NoShade = false;
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes),
              (QStringList{"set width=50%", "remove size", "set align=left", "set color=navy", "remove noshade"}));
}

TEST(ToolHrTest, ARuleIsInsertedEditedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QLineEdit>(form, "EditWidth")->setText(QStringLiteral("80%"));
        FindControl<QCheckBox>(form, "CheckNoShade")->setChecked(true);
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Horizontal Rule"));
    ASSERT_FALSE(w.Box(QStringLiteral("hr[noshade]")).isEmpty());

    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditWidth")->text(), "80%");
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckNoShade")->isChecked());
        FindControl<QLineEdit>(form, "EditColor")->setText(QStringLiteral("#008000"));
        FindControl<QComboBox>(form, "ComboAlign")->setEditText(QStringLiteral("left"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClick(QStringLiteral("hr[noshade]"));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    EXPECT_EQ(w.Designer()->UndoGroups().Caption(w.Designer()->UndoGroups().Count() - 1), "Horizontal Rule");
    ExpectSavedAs(w.Save(), QStringLiteral("hr-saved.html"));
}

} // namespace
