// The script, script file and background sound tools: the comment wrapper, the script type of a file, the
// highlighter a type chooses and the VBScript styles, what each dialog reads and writes, and each tool's
// road through the palette.
#include "ToolScript.h"

#include "ToolTesting.h"

#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

const QString Page = QStringLiteral(
    "<html><body>"
    "<script type=\"text/vbscript\" defer>\r\n<!--\r\nMsgBox 1\r\n-->\r\n</script>"
    "<script defer=\"true\">alert(2);</script>"
    "<script src=\"lib.js\" type=\"text/javascript\" charset=\"iso-8859-1\" defer></script>"
    "<script src=\"lib.php\" charset=\"x-private\"></script>"
    "<bgsound src=\"a.mid\" loop=\"5\" autostart>"
    "<bgsound src=\"b.wav\" loop=\"often\" autostart=\"true\">"
    "</body></html>");

TEST(ScriptTextTest, TheCommentWrapperComesOffAndGoesBackOn)
{
    const struct
    {
        const char* Stored;
        const char* Code;
    } cases[] = {
        {"<!--\r\nalert(1);\r\n-->", "alert(1);"},
        {"  <!--\r\n\r\n-->\r\n", ""},
        {"<!--\r\n\r\nx\r\n\r\n-->", "\r\nx\r\n"},
        {"<!--\nx\n-->", "x"},
        {"<!-- x -->", " x "},
        {"alert(2);", "alert(2);"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripCommentWrapper(QLatin1String(c.Stored)), QLatin1String(c.Code)) << c.Stored;
    for (const char* code : {"", "one line", "a\r\nb", "  indented", "\r\nafter a blank line"})
        EXPECT_EQ(StripCommentWrapper(WrapScriptCode(QLatin1String(code))), QLatin1String(code)) << code;
    EXPECT_EQ(WrapScriptCode(QString()), "<!--\r\n\r\n-->");
}

TEST(ScriptTextTest, TheTypeFollowsTheFileAndTheHighlightingTheType)
{
    const struct
    {
        const char* File;
        const char* Type;
    } files[] = {{"lib.js", "text/javascript"}, {"LIB.JS", "text/javascript"}, {"a/b.min.js", "text/javascript"},
                 {"x.vbs", "text/vbscript"},    {"x.VBS", "text/vbscript"},     {"x.jsp", ""},
                 {"js", ""},                    {"dir.js/file", ""},            {"", ""}};
    for (const auto& f : files)
        EXPECT_EQ(ScriptTypeOfFile(QLatin1String(f.File)), QLatin1String(f.Type)) << f.File;

    const struct
    {
        const char* Type;
        TScriptHighlighter Highlighter;
    } types[] = {{"text/javascript", TScriptHighlighter::JScript}, {"TEXT/JavaScript", TScriptHighlighter::JScript},
                 {"text/vbscript", TScriptHighlighter::VBScript},  {"Text/VBScript", TScriptHighlighter::VBScript},
                 {"javascript", TScriptHighlighter::None},         {"", TScriptHighlighter::None}};
    for (const auto& t : types)
        EXPECT_EQ(HighlighterForType(QLatin1String(t.Type)), t.Highlighter) << t.Type;
}

TEST(ScriptTextTest, VBScriptLinesAreStyledByKind)
{
    using L = TLexerVBScript;
    // One letter per byte: d default, c comment, k keyword, s string, n number, o operator, i identifier.
    const struct
    {
        const char* Line;
        const char* Styles;
    } cases[] = {
        {"Dim x ' note", "kkkdidcccccc"},
        {"s = \"a\"\"b\" & 12", "idodssssssdodnn"},
        {"REM all of it", "ccccccccccccc"},
        {"Remark = &H1F", "iiiiiidodnnnn"},
        {"If x.Name Then", "kkdioiiiidkkkk"},
        {"\"open", "sssss"},
    };
    const auto letters = [](const std::vector<int>& styles) {
        std::string out;
        for (int s : styles)
            out += "dcksnoi"[s];
        return out;
    };
    static_assert(L::Default == 0 && L::Comment == 1 && L::Keyword == 2 && L::String == 3 && L::Number == 4 &&
                  L::Operator == 5 && L::Identifier == 6);
    for (const auto& c : cases)
        EXPECT_EQ(letters(L::StyleLine(QByteArray(c.Line))), c.Styles) << c.Line;
}

TEST(ScriptModelTest, AScriptShowsItsCodeAndWritesItBackWrapped)
{
    TDesignDocument doc(Page);
    TScriptModel script;
    doc.Load(script, QStringLiteral("img"));
    EXPECT_EQ(script.Fields.Type, "text/vbscript");
    EXPECT_TRUE(script.Fields.Defer);
    EXPECT_EQ(script.Fields.Code, "MsgBox 1");
    // OK without changes stores the same content again.
    QString id = doc.NextId();
    TElementWrites writes;
    script.Apply(writes);
    EXPECT_EQ(Writes(writes), QStringList{"set id=" + id});
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<script type=\"text/vbscript\" defer>\r\n<!--\r\nMsgBox 1\r\n-->\r\n</script>\r\n");

    // A lower-case defer is not the flag; code written bare shows and goes back wrapped, once.
    script.Element = doc.Element(QStringLiteral("img"), 1);
    script.Load();
    EXPECT_FALSE(script.Fields.Defer);
    EXPECT_EQ(script.Fields.Code, "alert(2);");
    script.Fields.Type = QStringLiteral("text/javascript");
    id = doc.NextId();
    TElementWrites bare;
    script.Apply(bare);
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<script type=\"text/javascript\">\r\n<!--\r\nalert(2);\r\n-->\r\n</script>\r\n");
}

TEST(ScriptModelTest, AScriptFileKeepsItsCharsetAndTakesTheTypeOfItsFile)
{
    TDesignDocument doc(Page);
    TScriptFileModel file;
    doc.Load(file, QStringLiteral("img"), 2);
    EXPECT_EQ(file.Fields.Src, "lib.js");
    EXPECT_EQ(file.Fields.Charset, "Western European (ISO)");
    EXPECT_TRUE(file.Fields.Defer);
    file.Fields.Src = QStringLiteral("lib.txt");
    file.Fields.Defer = false;
    QString id = doc.NextId();
    TElementWrites writes;
    file.Apply(writes);
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<script src=\"lib.txt\" charset=\"iso-8859-1\"></script>\r\n")
        << "another extension empties the type";

    // A character set the list does not name shows and stays as written.
    file.Element = doc.Element(QStringLiteral("img"), 3);
    file.Load();
    EXPECT_EQ(file.Fields.Charset, "x-private");
    id = doc.NextId();
    TElementWrites kept;
    file.Apply(kept);
    EXPECT_EQ(doc.KeptTag(id)->GetAttribute(ATTR_CHARSET), "x-private");
}

TEST(ScriptModelTest, ABackgroundSoundReadsItsLoopCountAndAutostart)
{
    TDesignDocument doc(Page);
    TBgSoundModel sound;
    doc.Load(sound, QStringLiteral("img"), 4);
    EXPECT_EQ(sound.Fields.Src, "a.mid");
    EXPECT_EQ(sound.Fields.Loop, 5) << "a count above 0 is kept";
    EXPECT_TRUE(sound.Fields.AutoStart);

    sound.Element = doc.Element(QStringLiteral("img"), 5);
    sound.Load();
    EXPECT_EQ(sound.Fields.Loop, -1) << "no number";
    EXPECT_FALSE(sound.Fields.AutoStart) << "only TRUE";
    sound.Fields.Loop = 3;
    const QString id = doc.NextId();
    TElementWrites writes;
    sound.Apply(writes);
    EXPECT_EQ(NodeText(doc.KeptTag(id)), "<bgsound src=\"b.wav\" loop=\"3\">\r\n");
}

TEST(ScriptModelTest, EachToolTakesItsOwnPlaceholder)
{
    TDesignDocument doc(Page);
    std::vector<std::unique_ptr<TToolItem>> tools;
    for (const char* name : {"TToolScript", "TToolScriptFile", "TToolBgSound"})
        tools.push_back(MakeTool(name));
    const int takenBy[] = {0, 0, 1, 1, 2, 2};
    for (int i = 0; i < 6; ++i)
        for (size_t t = 0; t < tools.size(); ++t)
            EXPECT_EQ(tools[t]->CanEdit(doc.Element(QStringLiteral("img"), i), doc.Filter), int(t) == takenBy[i])
                << "placeholder " << i << " tool " << t;
}

// ---------------------------------------------------------------------------------------------------
// Through the palette

using ToolScriptTest = TToolPageTest;

TEST_F(ToolScriptTest, AScriptAScriptFileAndASoundAreInsertedEditedByDoubleClickAndSaved)
{
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Script"), QStringLiteral("#intro span.dsgn_script"),
        [](QDialog& f) {
            auto& form = static_cast<TFormToolScript&>(f);
            EXPECT_EQ(form.Editor->lexer(), form.JScriptHighlighter);
            // Picking a type changes the highlighting.
            auto* type = FindControl<QComboBox>(f, "ComboType");
            type->setCurrentIndex(1);
            emit type->textActivated(type->currentText());
            EXPECT_EQ(form.Editor->lexer(), form.VBScriptHighlighter);
            form.Editor->setText(QStringLiteral("MsgBox \"Hi\""));
            ClickOk(f);
        },
        [](QDialog& f) {
            auto& form = static_cast<TFormToolScript&>(f);
            EXPECT_EQ(form.Editor->text(), "MsgBox \"Hi\"");
            FindControl<QCheckBox>(f, "CheckDefer")->setChecked(true);
            form.Editor->setText(QStringLiteral("MsgBox 1\r\nMsgBox 2"));
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert External Script File"), QStringLiteral("span.dsgn_scriptfile"),
        [](QDialog& f) {
            FindControl<QLineEdit>(f, "EditSrc")->setText(QStringLiteral("lib.js"));
            FindControl<QPushButton>(f, "Button3")->click();
            EXPECT_EQ(FindControl<QComboBox>(f, "ComboCharset")->currentText(), "Western European (ISO)");
            ClickOk(f);
        },
        [](QDialog& f) {
            FindControl<QLineEdit>(f, "EditSrc")->setText(QStringLiteral("lib.vbs"));
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Background Sound"), QStringLiteral("span.dsgn_bgsound"),
        [](QDialog& f) {
            auto* loop = FindControl<QSpinBox>(f, "SpinLoop");
            EXPECT_EQ(loop->value(), -1);
            EXPECT_TRUE(FindControl<QCheckBox>(f, "CheckAutoStart")->isChecked());
            FindControl<QLineEdit>(f, "EditSrc")->setText(QStringLiteral("tune.mid"));
            loop->setValue(20000);
            EXPECT_EQ(loop->value(), 9999);
            ClickOk(f);
        },
        [](QDialog& f) {
            auto* loop = FindControl<QSpinBox>(f, "SpinLoop");
            EXPECT_EQ(loop->value(), 9999) << "a count above 0 shows as it is";
            loop->setValue(3);
            FindControl<QCheckBox>(f, "CheckAutoStart")->setChecked(false);
            ClickOk(f);
        }));
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"  Script", "  Script", "  Script File", "  Script File",
                                               "  Background Sound", "  Background Sound"}));
    ExpectSavedAs(W.Save(), QStringLiteral("script-saved.html"));
}

} // namespace
