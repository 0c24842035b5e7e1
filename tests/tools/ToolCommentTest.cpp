// The comment tool: the text it reads from and writes to the kept comment, the checks of OK, and once
// through the palette.
#include "ToolComment.h"

#include "ToolTesting.h"

#include <QPlainTextEdit>

namespace {

TEST(CommentModelTest, TheTextIsWrappedInTheMarkersOnceAndMayNotEndTheCommentEarly)
{
    const struct
    {
        const char* Memo;
        const char* Comment; // empty: refused with the message
    } cases[] = {
        {"note", "<!--note-->"},        {"<!-- note -->", "<!-- note -->"}, {"  <!--note\n", "<!--note-->"},
        {"two\nlines", "<!--two\r\nlines-->"}, {"-", "<!----->"},       {"a --> b", ""},
        {"<!-- a --> b -->", ""},       {">a", ""}, {"->a", ""},      {"a --!> b", ""},
    };
    for (const auto& c : cases) {
        TCommentModel model;
        model.Fields.Text = QLatin1String(c.Memo);
        const TFieldError error = model.Check();
        if (*c.Comment)
            EXPECT_EQ(model.CommentText(), c.Comment) << c.Memo;
        EXPECT_EQ(error.Message, *c.Comment ? "" : "A comment cannot contain \"-->\".") << c.Memo;
        EXPECT_EQ(error.Refused, !*c.Comment) << c.Memo;
    }
    TCommentModel empty;
    EXPECT_TRUE(empty.Check().Refused && empty.Check().Message.isEmpty()) << "silently";
}

TEST(CommentModelTest, TheKeptCommentIsShownWholeAndChangedOnACopy)
{
    TDesignDocument doc(QStringLiteral("<p>a<!-- old\r\nnote -->b<a name=\"x\"></a></p>"));
    TCommentModel model;
    doc.Load(model, QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    EXPECT_EQ(model.Fields.Text, "<!-- old\nnote -->");
    model.Fields.Text = QStringLiteral("new");
    const QString newId = doc.NextId();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"set id=" + newId});
    EXPECT_EQ(static_cast<THtmlText*>(doc.Filter.FindNode(newId))->Text(), "<!--new-->");
    EXPECT_EQ(static_cast<THtmlText*>(doc.Filter.FindNode(oldId))->Text(), "<!-- old\r\nnote -->");

    const TToolComment tool(TToolRow{"TToolComment", "Insert Comment", "IMG", 5, true, false, nullptr});
    EXPECT_TRUE(tool.CanEdit(doc.Element(QStringLiteral("img"), 0), doc.Filter));
    EXPECT_FALSE(tool.CanEdit(doc.Element(QStringLiteral("img"), 1), doc.Filter)) << "an anchor";
}

using ToolCommentTest = TToolPageTest;

TEST_F(ToolCommentTest, ACommentIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Answers.push_back(mrOk);
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* memo = FindControl<QPlainTextEdit>(form, "MemoComment");
        memo->setPlainText(QStringLiteral("a --> b"));
        ClickOk(form);
        EXPECT_TRUE(form.isVisible());
        memo->setPlainText(QStringLiteral("<!-- first -->"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Comment"));
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"A comment cannot contain \"-->\"."});
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* memo = FindControl<QPlainTextEdit>(form, "MemoComment");
        EXPECT_EQ(memo->toPlainText(), "<!-- first -->");
        memo->setPlainText(QStringLiteral(" second & last "));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("#intro span.dsgn_comment"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));
    ExpectSavedAs(W.Save(), QStringLiteral("comment-saved.html"));
}

} // namespace
