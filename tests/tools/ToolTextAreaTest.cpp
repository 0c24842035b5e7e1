// The text area tool: the markup it builds, the fields it reads back, and once through the palette.
#include "ToolTextArea.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

TEST(TextAreaModelTest, TheTextIsEscapedSoItCannotEndTheElementAndReadBackDecoded)
{
    TTextAreaModel model;
    model.Fields = {QStringLiteral("notes"), QStringLiteral("40"), QStringLiteral("3"), QStringLiteral("soft"),
                    QStringLiteral("2"), QStringLiteral("n"), true, true,
                    QStringLiteral("a < b & c\n</textarea><b>x</b>")};
    EXPECT_EQ(model.GetHtml(), "<textarea name=\"notes\" wrap=\"soft\" cols=\"40\" rows=\"3\" tabindex=\"2\" "
                               "accesskey=\"n\" disabled readonly>a &lt; b &amp; c\r\n&lt;/textarea>&lt;b>x&lt;/b>\r\n"
                               "</textarea>");
    // Browsers drop the line end right after the start tag: a text that starts with an empty line gets one more.
    model.Fields = {QStringLiteral("n")};
    for (const char* value : {"\nfirst", "\r\n\r\nfirst"}) {
        model.Fields.Value = QString::fromLatin1(value);
        EXPECT_EQ(model.GetHtml(), QStringLiteral("<textarea name=\"n\">\r\n") + MemoText(model.Fields.Value) + "</textarea>");
    }
    model.Fields.Name = QStringLiteral("\t");
    EXPECT_EQ(model.Check().Message, "Please specify a name.");

    TDesignDocument doc(QStringLiteral("<textarea name=\"t\" rows=\"2\" readonly tabindex=\"32768\" class=\"big\">"
                                       "Tom &amp; Jerry &lt;3\r\nline\r\n</textarea>"));
    model.Element = doc.Element(QStringLiteral("textarea"));
    model.Load();
    EXPECT_EQ(QStringList({model.Fields.Name, model.Fields.Rows, model.Fields.TabIndex, model.Fields.Value}),
              (QStringList{"t", "2", "", "Tom & Jerry <3\nline"}));
    EXPECT_TRUE(model.Fields.ReadOnly && !model.Fields.Disabled);
    // The rebuilt element keeps the attributes the dialog does not manage.
    EXPECT_TRUE(model.GetHtml().startsWith(QLatin1String("<textarea name=\"t\" rows=\"2\" readonly class=\"big\">")))
        << model.GetHtml().toStdString();
}

using ToolTextAreaTest = TToolPageTest;

TEST_F(ToolTextAreaTest, ATextAreaIsInsertedReplacedByDoubleClickAndSaved)
{
    Dialogs.Answers.push_back(mrOk);
    Dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QPlainTextEdit>(form, "MemoValue")->setPlainText(QStringLiteral("a < b & c\n</textarea>"));
        ClickOk(form);
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("notes"));
        FindControl<QLineEdit>(form, "EditRows")->setText(QStringLiteral("3"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Text Area"));
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"Please specify a name."});
    ASSERT_EQ(W.Eval(QStringLiteral("document.querySelector('textarea').value")).toString(),
              "a < b & c\n</textarea>\n");
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QPlainTextEdit>(form, "MemoValue")->toPlainText(), "a < b & c\n</textarea>");
        FindControl<QCheckBox>(form, "CheckReadOnly")->setChecked(true);
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("textarea"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));
    ExpectSavedAs(W.Save(), QStringLiteral("textarea-saved.html"));
}

} // namespace
