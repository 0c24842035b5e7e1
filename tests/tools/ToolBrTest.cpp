// The line break tool: the markup of a new break, the writes to an existing one, and once through the
// palette (a break has no box to double-click: it is selected and its button clicked).
#include "ToolBr.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

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

TEST(ToolBrTest, ABreakIsInsertedEditedAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QComboBox>(form, "ComboClear")->setEditText(QStringLiteral("all"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Line Break"));
    ASSERT_EQ(w.Eval(QStringLiteral("document.querySelector('#intro br').getAttribute('clear')")).toString(), "all");

    // Selected as a control, the break is the button's to edit.
    w.Eval(QStringLiteral("getSelection().removeAllRanges();const r=document.createRange();"
                          "r.selectNode(document.querySelector('#intro br'));getSelection().addRange(r);"));
    dialogs.Forms.push_back([](QDialog& form) {
        auto* clear = FindControl<QComboBox>(form, "ComboClear");
        EXPECT_EQ(clear->currentText(), "all");
        clear->setEditText(QStringLiteral("left"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Line Break"));
    EXPECT_EQ(dialogs.FormsShown, (QStringList{"  Line Break", "  Line Break"}));
    EXPECT_EQ(w.Eval(QStringLiteral("document.querySelectorAll('br').length")).toInt(), 1);
    ExpectSavedAs(w.Save(), QStringLiteral("br-saved.html"));
}

} // namespace
