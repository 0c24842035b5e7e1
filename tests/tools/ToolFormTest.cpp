// The form tool: the markup of a new form, the writes to an existing one, the required action, and once
// through the palette.
#include "ToolForm.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(FormModelTest, ANewFormNeedsAnActionAndHoldsAParagraph)
{
    TFormModel model;
    model.Fields = {QStringLiteral("f"), QStringLiteral(" "), QStringLiteral("post"), QString()};
    const TFieldError error = model.Check();
    EXPECT_TRUE(error.Refused);
    EXPECT_EQ(error.Message, "Please specify an action (cgi, php, asp, etc.) for this form.");
    EXPECT_EQ(error.Field, &model.Fields.Action);
    model.Fields.Action = QStringLiteral(" send.php?a=\"1\" ");
    model.Fields.EncType = QStringLiteral("multipart/form-data");
    EXPECT_FALSE(model.Check().Refused);
    EXPECT_EQ(model.GetHtml(), "<form name=\"f\" action=\"send.php?a=&quot;1&quot;\" method=\"post\" "
                               "enctype=\"multipart/form-data\"><p>&nbsp;</p></form>");
}

TEST(FormModelTest, AnExistingFormIsReadAndWrittenThroughItsEncodingProperty)
{
    TDesignDocument doc(QStringLiteral("<form name=\"f\" action=\"a.php\" method=\"get\" enctype=\"text/plain\"></form>"));
    TFormModel model;
    model.Element = doc.Element(QStringLiteral("form"));
    model.Load();
    EXPECT_EQ(model.Fields.Name, "f");
    EXPECT_EQ(model.Fields.Action, "a.php");
    EXPECT_EQ(model.Fields.Method, "get");
    EXPECT_EQ(model.Fields.EncType, "text/plain");
    model.Fields.Method.clear();
    model.Fields.EncType = QStringLiteral("multipart/form-data");
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes),
              (QStringList{"set name=f", "remove method", "set action=a.php", "set enctype=multipart/form-data"}));
}

TEST(ToolFormTest, AFormIsInsertedEditedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Answers.push_back(mrOk);
    dialogs.Forms.push_back([](QDialog& form) {
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("order"));
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.focusWidget(), FindControl<QLineEdit>(form, "EditAction"));
        FindControl<QLineEdit>(form, "EditAction")->setText(QStringLiteral("send.php"));
        FindControl<QComboBox>(form, "ComboMethod")->setEditText(QStringLiteral("post"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Form"));
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Please specify an action (cgi, php, asp, etc.) for this form."});
    const QRect box = w.Box(QStringLiteral("form[name=order]"));
    ASSERT_FALSE(box.isEmpty());

    // Inside the dotted border, above the paragraph: the form itself.
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditAction")->text(), "send.php");
        FindControl<QComboBox>(form, "ComboEncType")->setEditText(QStringLiteral("multipart/form-data"));
        FindControl<QComboBox>(form, "ComboMethod")->setEditText(QString());
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClickAt(box.topLeft() + QPoint(10, 2));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    EXPECT_EQ(dialogs.FormsShown, (QStringList{"  Form Properties", "  Form Properties"}));
    ExpectSavedAs(w.Save(), QStringLiteral("form-saved.html"));
}

} // namespace
