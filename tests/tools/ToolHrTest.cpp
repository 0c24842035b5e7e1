// The horizontal rule tool: the markup of a new rule, the writes to an existing one, and once through the
// palette.
#include "ToolHr.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

TEST(HrModelTest, ARuleIsBuiltFromTheFieldsAndAnExistingOneReadAndWritten)
{
    THrModel model;
    EXPECT_EQ(model.GetHtml(), "<hr>");
    model.Fields = {"", "50%", "", "", true};
    EXPECT_EQ(model.GetHtml(), "<hr width=\"50%\" noshade>");
    model.Fields = {" center ", " 80 ", "3", "#FF0000", false};
    EXPECT_EQ(model.GetHtml(), "<hr width=\"80\" size=\"3\" align=\"center\" color=\"#FF0000\">");

    TDesignDocument doc(QStringLiteral("<hr width=\"50%\" size=\"2\" align=\"left\" noshade>"));
    model.Element = doc.Element(QStringLiteral("hr"));
    model.Load();
    EXPECT_EQ(QStringList({model.Fields.Width, model.Fields.Height, model.Fields.Align, model.Fields.Color}),
              (QStringList{"50%", "2", "left", ""}));
    EXPECT_TRUE(model.Fields.NoShade);
    model.Fields.Height.clear();
    model.Fields.Color = QStringLiteral("navy");
    model.Fields.NoShade = false;
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes),
              (QStringList{"set width=50%", "remove size", "set align=left", "set color=navy", "remove noshade"}));
}

using ToolHrTest = TToolPageTest;

TEST_F(ToolHrTest, ARuleIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QLineEdit>(form, "EditWidth")->setText(QStringLiteral("80%"));
        FindControl<QCheckBox>(form, "CheckNoShade")->setChecked(true);
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Horizontal Rule"));
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditWidth")->text(), "80%");
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckNoShade")->isChecked());
        FindControl<QLineEdit>(form, "EditColor")->setText(QStringLiteral("#008000"));
        FindControl<QComboBox>(form, "ComboAlign")->setCurrentText(QStringLiteral("left"));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("hr[noshade]"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));
    EXPECT_EQ(W.Designer()->UndoGroups().Caption(W.Designer()->UndoGroups().Count() - 1), "Horizontal Rule");
    ExpectSavedAs(W.Save(), QStringLiteral("hr-saved.html"));
}

} // namespace
