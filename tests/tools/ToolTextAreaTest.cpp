// The text area tool: the markup it builds, the fields it reads back, and once through the palette.
#include "ToolTextArea.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(TextAreaModelTest, TheTextIsEscapedSoItCannotEndTheElement)
{
    TTextAreaModel model;
    model.Fields = {QStringLiteral("notes"), QStringLiteral("40"), QStringLiteral("3"), QStringLiteral("soft"),
                    QStringLiteral("2"), QStringLiteral("n"), true, true,
                    QStringLiteral("a < b & c\n</textarea><b>x</b>")};
    EXPECT_EQ(model.GetHtml(), "<textarea name=\"notes\" wrap=\"soft\" cols=\"40\" rows=\"3\" tabindex=\"2\" "
                               "accesskey=\"n\" disabled readonly>a &lt; b &amp; c\r\n&lt;/textarea>&lt;b>x&lt;/b>\r\n"
                               "</textarea>");
    model.Fields.Value.clear();
    model.Fields.Disabled = model.Fields.ReadOnly = false;
    model.Fields.Name = QStringLiteral("\t");
    EXPECT_EQ(model.Check().Message, "Please specify a name.");
}

TEST(TextAreaModelTest, AnExistingTextAreaIsReadWithItsTextDecoded)
{
    TDesignDocument doc(QStringLiteral("<textarea name=\"t\" rows=\"2\" readonly tabindex=\"32768\">"
                                       "Tom &amp; Jerry &lt;3\r\nline\r\n</textarea>"));
    TTextAreaModel model;
    model.Element = doc.Element(QStringLiteral("textarea"));
    model.Load();
    EXPECT_EQ(model.Fields.Name, "t");
    EXPECT_EQ(model.Fields.Rows, "2");
    EXPECT_EQ(model.Fields.TabIndex, "");
    EXPECT_TRUE(model.Fields.ReadOnly);
    EXPECT_FALSE(model.Fields.Disabled);
    EXPECT_EQ(model.Fields.Value, "Tom & Jerry <3\nline");
}

TEST(ToolTextAreaTest, ATextAreaIsInsertedReplacedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Answers.push_back(mrOk);
    dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QPlainTextEdit>(form, "MemoValue")->setPlainText(QStringLiteral("a < b & c\n</textarea>"));
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible());
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("notes"));
        FindControl<QLineEdit>(form, "EditRows")->setText(QStringLiteral("3"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Text Area"));
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Please specify a name."});
    ASSERT_EQ(w.Eval(QStringLiteral("document.querySelector('textarea').value")).toString(),
              "a < b & c\n</textarea>\n");

    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QPlainTextEdit>(form, "MemoValue")->toPlainText(), "a < b & c\n</textarea>");
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditRows")->text(), "3");
        FindControl<QCheckBox>(form, "CheckReadOnly")->setChecked(true);
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClick(QStringLiteral("textarea"));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    EXPECT_EQ(dialogs.FormsShown, (QStringList{"  Text Area", "  Text Area"}));
    ExpectSavedAs(w.Save(), QStringLiteral("textarea-saved.html"));
}

} // namespace
