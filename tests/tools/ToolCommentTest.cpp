// The comment tool: the text it reads from and writes to the kept comment, the checks of OK, and once
// through the palette.
#include "ToolComment.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(CommentModelTest, TheTextIsWrappedInTheMarkersOnce)
{
    const struct
    {
        const char* Memo;
        const char* Comment;
    } cases[] = {
        {"note", "<!--note-->"},
        {"<!-- note -->", "<!-- note -->"},
        {"  <!--note\n", "<!--note-->"},
        {"two\nlines", "<!--two\r\nlines-->"},
        {"-", "<!----->"},
    };
    for (const auto& c : cases) {
        TCommentModel model;
        model.Fields.Text = QLatin1String(c.Memo);
        EXPECT_EQ(model.CommentText(), c.Comment) << c.Memo;
        EXPECT_FALSE(model.Check().Refused) << c.Memo;
    }
}

TEST(CommentModelTest, OkRefusesAnEmptyMemoSilentlyAndTextThatWouldEndTheCommentEarly)
{
    TCommentModel model;
    TFieldError error = model.Check();
    EXPECT_TRUE(error.Refused);
    EXPECT_EQ(error.Message, "");
    for (const char* text : {"a --> b", "<!-- a --> b -->", ">a", "->a", "a --!> b"}) {
        model.Fields.Text = QLatin1String(text);
        error = model.Check();
        EXPECT_TRUE(error.Refused) << text;
        EXPECT_EQ(error.Message, "A comment cannot contain \"-->\".") << text;
        EXPECT_EQ(error.Field, &model.Fields.Text);
    }
}

TEST(CommentModelTest, TheKeptCommentIsShownWholeAndChangedOnACopy)
{
    TDesignDocument doc(QStringLiteral("<p>a<!-- old\r\nnote -->b<a name=\"x\"></a></p>"));
    TCommentModel model;
    model.Filter = &doc.Filter;
    model.Element = doc.Element(QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    model.Load();
    EXPECT_EQ(model.Fields.Text, "<!-- old\nnote -->");
    model.Fields.Text = QStringLiteral("new");
    const QString newId = QStringLiteral("dsgn_:::_%1").arg(doc.Filter.NodeCount());
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"set id=" + newId});
    EXPECT_EQ(static_cast<THtmlText*>(doc.Filter.FindNode(newId))->Text(), "<!--new-->");
    EXPECT_EQ(static_cast<THtmlText*>(doc.Filter.FindNode(oldId))->Text(), "<!-- old\r\nnote -->");

    const TToolComment tool(TToolRow{"TToolComment", "Insert Comment", "IMG", 5, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 1), doc.Filter)) << "an anchor";
}

TEST(ToolCommentTest, ACommentIsInsertedEditedByDoubleClickAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Answers.push_back(mrOk);
    dialogs.Forms.push_back([](QDialog& form) {
        auto* memo = FindControl<QPlainTextEdit>(form, "MemoComment");
        memo->setPlainText(QStringLiteral("a --> b"));
        FindControl<QPushButton>(form, "BtnOk")->click();
        EXPECT_TRUE(form.isVisible());
        memo->setPlainText(QStringLiteral("<!-- first -->"));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Comment"));
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"A comment cannot contain \"-->\"."});

    dialogs.Forms.push_back([](QDialog& form) {
        auto* memo = FindControl<QPlainTextEdit>(form, "MemoComment");
        EXPECT_EQ(memo->toPlainText(), "<!-- first -->");
        memo->setPlainText(QStringLiteral(" second & last "));
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.DoubleClick(QStringLiteral("#intro img"));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    ExpectSavedAs(w.Save(), QStringLiteral("comment-saved.html"));
}

} // namespace
