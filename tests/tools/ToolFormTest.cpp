// The form tool: the markup of a new form, the writes to an existing one, the required action, and once
// through the palette.
#include "ToolForm.h"

#include "ToolTesting.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

TEST(FormModelTest, ANewFormNeedsAnActionAndAnExistingOneIsWrittenThroughItsEncoding)
{
    TFormModel model;
    model.Fields = {QStringLiteral("f"), QStringLiteral(" "), QStringLiteral("post"), QString()};
    const TFieldError error = model.Check();
    EXPECT_EQ(error.Message, "Please specify an action (cgi, php, asp, etc.) for this form.");
    EXPECT_EQ(error.Field, &model.Fields.Action);
    model.Fields.Action = QStringLiteral(" send.php?a=\"1\" ");
    model.Fields.EncType = QStringLiteral("multipart/form-data");
    EXPECT_FALSE(model.Check().Refused);
    EXPECT_EQ(model.GetHtml(), "<form name=\"f\" action=\"send.php?a=&quot;1&quot;\" method=\"post\" "
                               "enctype=\"multipart/form-data\"><p>&nbsp;</p></form>");

    TDesignDocument doc(
        QStringLiteral("<form name=\"f\" action=\"a.php\" method=\"get\" enctype=\"text/plain\"></form>"));
    model.Element = doc.Element(QStringLiteral("form"));
    model.Load();
    EXPECT_EQ(QStringList({model.Fields.Name, model.Fields.Action, model.Fields.Method, model.Fields.EncType}),
              (QStringList{"f", "a.php", "get", "text/plain"}));
    model.Fields.Method.clear();
    model.Fields.EncType = QStringLiteral("multipart/form-data");
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes),
              (QStringList{"set name=f", "remove method", "set action=a.php", "set enctype=multipart/form-data"}));
}

using ToolFormTest = TToolPageTest;

TEST_F(ToolFormTest, AFormIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Answers.push_back(mrOk);
    Dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("order"));
        ClickOk(form);
        EXPECT_EQ(form.focusWidget(), FindControl<QLineEdit>(form, "EditAction"));
        FindControl<QLineEdit>(form, "EditAction")->setText(QStringLiteral("send.php"));
        FindControl<QComboBox>(form, "ComboMethod")->setEditText(QStringLiteral("post"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Form"));
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"Please specify an action (cgi, php, asp, etc.) for this form."});
    const QRect box = W.Box(QStringLiteral("form[name=order]"));
    ASSERT_FALSE(box.isEmpty());

    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditAction")->text(), "send.php");
        FindControl<QComboBox>(form, "ComboEncType")->setEditText(QStringLiteral("multipart/form-data"));
        FindControl<QComboBox>(form, "ComboMethod")->setEditText(QString());
        ClickOk(form);
    });
    // Inside the dotted border, above the paragraph: the form itself.
    W.DoubleClickAt(box.topLeft() + QPoint(10, 2));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));
    ExpectSavedAs(W.Save(), QStringLiteral("form-saved.html"));
}

} // namespace
