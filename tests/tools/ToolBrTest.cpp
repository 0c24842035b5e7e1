// The line break tool: the markup of a new break, the writes to an existing one, and once through the
// palette (a break has no box to double-click: it is selected and its button clicked).
#include "ToolBr.h"

#include "ToolTesting.h"

#include <QComboBox>

namespace {

TEST(BrModelTest, ABreakIsBuiltAndEditedWithItsClearSide)
{
    TBrModel model;
    EXPECT_EQ(model.GetHtml(), "<br>");
    model.Fields.Clear = QStringLiteral(" all ");
    EXPECT_EQ(model.GetHtml(), "<br clear=\"all\">");
    model.Fields.Clear = QStringLiteral("a\"b");
    EXPECT_EQ(model.GetHtml(), "<br clear=\"a&quot;b\">");

    TDesignDocument doc(QStringLiteral("<p>a<br clear=\"left\">b</p>"));
    model.Element = doc.Element(QStringLiteral("br"));
    model.Load();
    EXPECT_EQ(model.Fields.Clear, "left");
    model.Fields.Clear.clear();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"remove clear"});
}

using ToolBrTest = TToolPageTest;

TEST_F(ToolBrTest, ABreakIsInsertedEditedAndSaved)
{
    Dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QComboBox>(form, "ComboClear")->setEditText(QStringLiteral("all"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Line Break"));
    W.Eval(QStringLiteral("getSelection().removeAllRanges();const r=document.createRange();"
                          "r.selectNode(document.querySelector('#intro br'));getSelection().addRange(r);"));
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* clear = FindControl<QComboBox>(form, "ComboClear");
        EXPECT_EQ(clear->currentText(), "all");
        clear->setEditText(QStringLiteral("left"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Line Break"));
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"  Line Break", "  Line Break"}));
    ExpectSavedAs(W.Save(), QStringLiteral("br-saved.html"));
}

} // namespace
