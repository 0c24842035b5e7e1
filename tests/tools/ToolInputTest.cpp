// The input tools: the HTML each dialog builds, the fields it reads back, what a rebuild keeps, the
// elements each tool takes, and once per tool through the palette: insert, edit by double-click, save.
#include "ToolInput.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString Page = QStringLiteral(
    "<html><body><form>"
    "<input name=\"q\" value=\"ab\" size=\"20\" maxlength=\"2147483647\" tabindex=\"32768\" accesskey=\"k\" "
    "disabled readonly id=\"q1\" class=\"wide\" style=\"color:red\" onchange=\"go(&quot;x&quot;)\">"
    "<input type=\"SUBMIT\" name=\"b\" value=\"Send\" tabindex=\"3\" disabled>"
    "<input type=\"checkbox\" name=\"c\" value=\"yes\" checked onclick=\"t()\">"
    "<input type=\"hidden\" name=\"h\" value=\"v\" id=\"keep\">"
    "<input type=\"image\" src=\"http://x/go.gif\" name=\"i\" width=\"20\" height=\"10\" alt=\"Go\" vspace=\"0\" "
    "hspace=\"4\" align=\"left\">"
    "</form></body></html>");

TEST(InputModelTest, NewFieldsButtonsAndBoxesAreWrittenFromTheirFieldsAlone)
{
    TInputEditModel edit;
    edit.Fields.Name = QStringLiteral("q");
    EXPECT_EQ(edit.GetHtml(), "<input type=\"text\" name=\"q\">");
    edit.InputKind = 2;
    edit.Fields = {QStringLiteral(" q "), QStringLiteral("   "), QStringLiteral("10"), QStringLiteral("40"),
                   QStringLiteral("2"), QStringLiteral("k"), true, true};
    EXPECT_EQ(edit.GetHtml(), "<input type=\"file\" name=\"q\" size=\"10\" maxlength=\"40\" tabindex=\"2\" "
                              "accesskey=\"k\" disabled readonly>")
        << "a value of blanks writes nothing";

    TInputButtonModel button;
    button.Fields.Name = QStringLiteral("say \"b\"");
    EXPECT_EQ(button.GetHtml(), "<input name=\"say &quot;b&quot;\">") << "an empty type writes none";
    TDesignDocument doc(QStringLiteral("<html><body></body></html>"));
    doc.Load(button);
    button.Fields.Name = QStringLiteral("go");
    EXPECT_EQ(button.GetHtml(), "<input name=\"go\" type=\"Submit\">") << "a new button is no text field";

    TInputCheckModel check;
    check.Fields = {QStringLiteral("c"), QString(), QString(), true};
    EXPECT_EQ(check.GetHtml(), "<input type=\"checkbox\" name=\"c\" checked>");
    check.RadioMode = true;
    check.Fields.Checked = false;
    EXPECT_EQ(check.GetHtml(), "<input type=\"radio\" name=\"c\">");
}

TEST(InputModelTest, ARebuildWritesTheFieldsReadBackAndKeepsWhatTheDialogDoesNotManage)
{
    TDesignDocument doc(Page);
    TInputEditModel edit;
    edit.Element = doc.Element(QStringLiteral("input"), 0);
    // The page holds the handler's value decoded.
    edit.Element->SetAttribute(QStringLiteral("onchange"), QStringLiteral("go(\"x\") && stop()"));
    edit.Load();
    EXPECT_TRUE(edit.Fields.Max.isEmpty() && edit.Fields.Tab.isEmpty()) << "the browser's defaults show empty";
    EXPECT_EQ(edit.GetHtml(), "<input type=\"text\" name=\"q\" value=\"ab\" size=\"20\" accesskey=\"k\" disabled "
                              "readonly id=\"q1\" class=\"wide\" style=\"color:red\" "
                              "onchange=\"go(&quot;x&quot;) &amp;&amp; stop()\">");

    TInputButtonModel button;
    button.Element = doc.Element(QStringLiteral("input"), 1);
    button.Load();
    EXPECT_EQ(button.GetHtml(), "<input name=\"b\" type=\"SUBMIT\" value=\"Send\" tabindex=\"3\" disabled>");

    // A check box keeps its value: the dialog has no field for it.
    TInputCheckModel check;
    check.Element = doc.Element(QStringLiteral("input"), 2);
    check.Load();
    EXPECT_TRUE(check.Fields.Checked);
    check.Fields.Checked = false;
    EXPECT_EQ(check.GetHtml(), "<input type=\"checkbox\" name=\"c\" value=\"yes\" onclick=\"t()\">");
    check.Element.reset();
    check.Load();
    EXPECT_EQ(check.Fields.Name, "") << "a new element starts empty";
}

TEST(InputModelTest, OkNeedsANameAndTheHiddenFieldAValueAndTheImageButtonAnImage)
{
    TInputEditModel edit;
    EXPECT_EQ(edit.Check().Field, &edit.Fields.Name);
    EXPECT_EQ(edit.Check().Message, "Please specify a name.");
    edit.Fields.Name = QStringLiteral(" ");
    EXPECT_FALSE(edit.Check().Refused) << "blanks are a name to the check, though none is written";

    TInputHiddenModel hidden;
    hidden.Fields.Name = QStringLiteral("h");
    EXPECT_EQ(hidden.Check().Message, "Please specify a value.");
    TInputImageModel image;
    image.Fields.Name = QStringLiteral("i");
    EXPECT_EQ(image.Check().Message, "Please specify an image.");
    EXPECT_EQ(image.Check().Field, &image.Fields.Src);
}

TEST(InputModelTest, EachToolTakesItsOwnKindOfInput)
{
    TDesignDocument doc(QStringLiteral(
        "<html><body><input name=\"none\"><input type=\"TEXT\"><input type=\"password\"><input type=\"file\">"
        "<input type=\"reset\"><input type=\"Button\"><input type=\"checkbox\"><input type=\"radio\">"
        "<input type=\"Hidden\" name=\"h\" value=\"v\"><input type=\"image\" src=\"a.gif\"><img src=\"b.gif\">"
        "</body></html>"));
    std::vector<std::unique_ptr<TToolItem>> tools;
    for (const char* name : {"TToolInputEdit", "TToolInputPassword", "TToolInputFile", "TToolInputButton",
                             "TToolInputCheck", "TToolInputRadio", "TToolInputHidden", "TToolInputImage"})
        tools.push_back(MakeTool(name));
    // Per element of the page, which tool (by position in tools) takes it.
    const struct
    {
        const char* Tag;
        int Index;
        int Tool;
    } cases[] = {
        {"input", 0, 0}, {"input", 1, 0}, {"input", 2, 1}, {"input", 3, 2}, {"input", 4, 3}, {"input", 5, 3},
        {"input", 6, 4}, {"input", 7, 5}, {"img", 0, 6},   {"img", 1, 7},   {"img", 2, -1},
    };
    for (const auto& c : cases) {
        const TElementSnapshot element = doc.Element(QLatin1String(c.Tag), c.Index);
        for (size_t t = 0; t < tools.size(); ++t)
            EXPECT_EQ(tools[t]->CanEdit(element, doc.Filter), int(t) == c.Tool)
                << c.Tag << " " << c.Index << " tool " << t;
    }
}

TEST(InputModelTest, AHiddenFieldIsRebuiltAsANewPlaceholderThatKeepsItsOtherAttributes)
{
    TDesignDocument doc(Page);
    TInputHiddenModel hidden;
    doc.Load(hidden, QStringLiteral("img"));
    EXPECT_EQ(hidden.Fields.Name, "h");
    EXPECT_EQ(hidden.Fields.Value, "v");
    hidden.Fields.Value = QStringLiteral("TRUE");
    const QString id = doc.NextId();
    EXPECT_EQ(hidden.GetHtml(), "<span id=\"" + id + "\" class=\"dsgn_hidden\" contentEditable=\"false\"></span>");
    THtmlTag* kept = doc.KeptTag(id);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(NodeText(kept), "<input type=\"hidden\" name=\"h\" value=\"TRUE\" id=\"keep\">")
        << "a typed TRUE stays a value";
}

TEST(InputModelTest, AnImageButtonIsEditedInPlaceOnACopyOfItsSourceNode)
{
    TDesignDocument doc(Page);
    TInputImageModel image;
    doc.Load(image, QStringLiteral("img"), 1);
    const QString oldId = image.Element->Id;
    EXPECT_EQ(image.Fields.Src, "http://x/go.gif");
    EXPECT_EQ(image.Fields.Name, "i");
    // The fields read back go out again unless changed.
    image.Fields.Name = QStringLiteral("j");
    image.Fields.Src = QStringLiteral("http://x/stop.gif");
    image.Fields.Alt.clear();
    image.Fields.Height = QStringLiteral("12");
    image.Fields.Align = QStringLiteral("middle");
    const QString newId = doc.NextId();
    TElementWrites writes;
    image.Apply(writes);
    EXPECT_EQ(Writes(writes),
              (QStringList{"set id=" + newId, "set src=edit:trans.gif", "set class=dsgn_remote", "remove alt",
                           "remove border", "set hspace=4", "remove vspace", "set width=20", "set height=12",
                           "remove style", "set align=middle"}));
    EXPECT_EQ(NodeText(doc.KeptTag(newId)), "<input type=\"image\" name=\"j\" src=\"http://x/stop.gif\" "
                                                  "width=\"20\" height=\"12\" align=\"middle\">");
    EXPECT_EQ(doc.KeptTag(oldId)->GetAttribute(ATTR_NAME), "i") << "undo brings back the old node";
}

// ---------------------------------------------------------------------------------------------------
// Through the palette

using ToolInputTest = TToolPageTest;

TEST_F(ToolInputTest, EachInputIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Answers = {mrOk, mrOk};
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Input Text"), QStringLiteral("input[name=who]"),
        [](QDialog& f) {
            // OK without a name is refused with the focus on the name.
            ClickOk(f);
            EXPECT_EQ(f.focusWidget(), FindControl<QLineEdit>(f, "EditName"));
            SetControlText(f, "EditName", QStringLiteral("who"));
            SetControlText(f, "EditValue", QStringLiteral("me & you"));
            ClickOk(f);
        },
        [](QDialog& f) {
            SetControlText(f, "EditMax", QStringLiteral("30"));
            FindControl<QCheckBox>(f, "CheckReadOnly")->setChecked(true);
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Input Password"), QStringLiteral("input[name=pw]"),
        [](QDialog& f) { SetControlText(f, "EditName", QStringLiteral("pw")); ClickOk(f); },
        [](QDialog& f) { SetControlText(f, "EditTab", QStringLiteral("4")); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Input File"), QStringLiteral("input[name=upload]"),
        [](QDialog& f) { SetControlText(f, "EditName", QStringLiteral("upload")); ClickOk(f); },
        [](QDialog& f) { FindControl<QCheckBox>(f, "CheckDisabled")->setChecked(true); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Input Button"), QStringLiteral("input[name=go]"),
        [](QDialog& f) {
            EXPECT_EQ(FindControl<QComboBox>(f, "ComboType")->currentText(), "Submit");
            SetControlText(f, "EditName", QStringLiteral("go"));
            ClickOk(f);
        },
        [](QDialog& f) { SetControlText(f, "EditCaption", QStringLiteral("Send")); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Input Checkbox"), QStringLiteral("input[name=agree]"),
        [](QDialog& f) {
            SetControlText(f, "EditName", QStringLiteral("agree"));
            FindControl<QCheckBox>(f, "CheckChecked")->setChecked(true);
            ClickOk(f);
        },
        [](QDialog& f) { FindControl<QCheckBox>(f, "CheckChecked")->setChecked(false); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Radio Button"), QStringLiteral("input[name=size]"),
        [](QDialog& f) { SetControlText(f, "EditName", QStringLiteral("size")); ClickOk(f); },
        [](QDialog& f) { FindControl<QCheckBox>(f, "CheckChecked")->setChecked(true); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Hidden Input"), QStringLiteral("span.dsgn_hidden"),
        [](QDialog& f) {
            SetControlText(f, "EditName", QStringLiteral("token"));
            ClickOk(f); // a value is needed too
            SetControlText(f, "EditValue", QStringLiteral("a\"b"));
            ClickOk(f);
        },
        [](QDialog& f) { SetControlText(f, "EditValue", QStringLiteral("42")); ClickOk(f); }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Image Button"), QStringLiteral("#intro img[alt=Go]"),
        [](QDialog& f) {
            SetControlText(f, "EditName", QStringLiteral("go"));
            SetControlText(f, "EditSrc", QStringLiteral("missing.gif"));
            SetControlText(f, "EditAlt", QStringLiteral("Go"));
            SetControlText(f, "EditWidth", QStringLiteral("30"));
            ClickOk(f);
        },
        [](QDialog& f) {
            SetControlText(f, "EditName", QStringLiteral("stop"));
            FindControl<QComboBox>(f, "ComboAlign")->setEditText(QStringLiteral("right"));
            ClickOk(f);
        }));
    EXPECT_EQ(Dialogs.FormsShown,
              (QStringList{"  Input Text", "  Input Text", "  Input Password", "  Input Password", "  Input File",
                           "  Input File", "  Input Button", "  Input Button", "  Checkbox", "  Checkbox",
                           "  Radio Button", "  Radio Button", "  Hidden Field", "  Hidden Field", "  Image Button",
                           "  Image Button"}));
    EXPECT_EQ(Dialogs.MessageTexts(), (QStringList{"Please specify a name.", "Please specify a value."}));
    ExpectSavedAs(W.Save(), QStringLiteral("input-saved.html"));
}

} // namespace
