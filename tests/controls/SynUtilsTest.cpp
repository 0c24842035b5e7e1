#include "SynUtils.h"

#include "IniFiles.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QTemporaryDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

using L = QsciLexerHTML;

const THighlighterAttribute& Attribute(const QString& key)
{
    for (const THighlighterAttribute& a : HighlighterAttributes())
        if (a.Key == key)
            return a;
    throw std::runtime_error("no attribute " + key.toStdString());
}

TEST(SynUtilsTest, BuiltInColoursShowEachKindOfSourceOnTheEditorsBackground)
{
    L lexer;
    // Settings that hold a section do not count when none are handed in.
    LoadHighlighterColors(&lexer, nullptr, "Highlighter");
    const QColor paper = lexer.QsciLexer::defaultPaper();
    const struct
    {
        int Style;
        QColor Fore;
        bool Italic;
    } cases[] = {
        {L::HTMLComment, QColor(0, 128, 0), true},  {L::Tag, QColor(255, 0, 0), false},
        {L::Attribute, QColor(255, 0, 0), false},   {L::HTMLDoubleQuotedString, QColor(0, 0, 255), false},
        {L::HTMLValue, QColor(0, 0, 255), false},   {L::Entity, QColor(0, 128, 0), false},
        {L::UnknownTag, QColor(255, 0, 255), false}, {L::OtherInTag, QColor(255, 0, 0), false},
        {L::Default, QColor(0, 0, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(lexer.description(c.Style).toStdString());
        EXPECT_EQ(lexer.color(c.Style), c.Fore);
        EXPECT_EQ(lexer.paper(c.Style), paper);
        EXPECT_EQ(lexer.font(c.Style).italic(), c.Italic);
        EXPECT_FALSE(lexer.font(c.Style).bold());
        EXPECT_EQ(lexer.font(c.Style).family(), CodeEditorFont().family());
    }
    EXPECT_EQ(HighlighterAttributes().size(), 9u);
}

TEST(SynUtilsTest, AttributeTextIsReadByPosition)
{
    const THighlighterAttribute& key = Attribute("Key");
    const struct
    {
        const char* Text;
        bool Applied;
        QColor Fore, Back;
        bool Bold, Italic, Underline, StrikeOut;
    } cases[] = {
        {"000000FF00FFFFFF1000", true, QColor(255, 0, 0), QColor(255, 255, 255), true, false, false, false},
        {"00FF0000000000000111trailing", true, QColor(0, 0, 255), QColor(0, 0, 0), false, true, true, true},
        {"zzzzzzzzqqqqqqqqx000", true, QColor(0, 0, 0), QColor(255, 255, 255), true, false, false, false},
        {"000000FF00FFFFFF100", false, {}, {}, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        L lexer;
        LoadHighlighterColors(&lexer, nullptr, QString());
        EXPECT_EQ(SetAttributeFromText(&lexer, key, c.Text), c.Applied);
        const QColor fore = c.Applied ? c.Fore : QColor(255, 0, 0);
        const QColor back = c.Applied ? c.Back : lexer.QsciLexer::defaultPaper();
        for (int style : key.Styles) {
            EXPECT_EQ(lexer.color(style), fore);
            EXPECT_EQ(lexer.paper(style), back);
            const QFont f = lexer.font(style);
            EXPECT_EQ(f.bold(), c.Bold);
            EXPECT_EQ(f.italic(), c.Italic);
            EXPECT_EQ(f.underline(), c.Underline);
            EXPECT_EQ(f.strikeOut(), c.StrikeOut);
        }
    }
    EXPECT_EQ(ParseStyleFlags("0000"), 0u);
    EXPECT_EQ(ParseStyleFlags("0 0x"), unsigned(fsItalic | fsStrikeOut));
}

TEST(SynUtilsTest, ASettingsSectionSetsOnlyTheKeysItHolds)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("colors.ini"));
    ini.WriteString("Colors", "Comment", "00FF00000000000000000");
    ini.WriteString("Colors", "Value", "short");
    L lexer;
    LoadHighlighterColors(&lexer, &ini, "Colors");
    EXPECT_EQ(lexer.color(L::HTMLComment), QColor(0, 0, 255));
    EXPECT_FALSE(lexer.font(L::HTMLComment).italic());
    EXPECT_EQ(lexer.paper(L::HTMLComment), QColor(0, 0, 0));
    // A short text and a missing key leave the lexer's own colours.
    L plain;
    EXPECT_EQ(lexer.color(L::HTMLDoubleQuotedString), plain.color(L::HTMLDoubleQuotedString));
    EXPECT_EQ(lexer.color(L::Tag), plain.color(L::Tag));

    // Without the section every attribute takes the built-in table.
    L builtIn;
    LoadHighlighterColors(&builtIn, &ini, "Missing");
    EXPECT_EQ(builtIn.color(L::HTMLComment), QColor(0, 128, 0));
    EXPECT_TRUE(builtIn.font(L::HTMLComment).italic());
}

TEST(SynUtilsTest, TheEditorGetsItsFixedFontAndNumberedGutter)
{
    QsciScintilla editor;
    L lexer;
    LoadHighlighterColors(&lexer, nullptr, QString());
    editor.setLexer(&lexer);
    SetupCodeEditor(&editor);
    const QFont font = CodeEditorFont();
    // The face asked for where it is installed, else a fixed-pitch one found by its family name alone, as
    // the editor looks its fonts up.
    if (QFontDatabase::hasFamily("Lucida Console"))
        EXPECT_EQ(font.family(), "Lucida Console");
    // Measured, not taken from the font's own flag: a monospaced face with a few double-width glyphs (as many
    // wide-coverage faces have) is not flagged fixed-pitch, yet lines up code as well as any.
    const QFontMetrics byFamily{QFont(font.family())};
    EXPECT_EQ(byFamily.horizontalAdvance("iiii"), byFamily.horizontalAdvance("WWWW")) << font.family().toStdString();
    EXPECT_EQ(byFamily.horizontalAdvance("    "), byFamily.horizontalAdvance("mmmm")) << font.family().toStdString();
    char face[128] = {};
    editor.SendScintilla(QsciScintilla::SCI_STYLEGETFONT, QsciScintilla::STYLE_DEFAULT, face);
    EXPECT_EQ(QString::fromUtf8(face), font.family());
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_EQ(editor.marginType(0), QsciScintilla::NumberMargin);
    EXPECT_TRUE(editor.marginLineNumbers(0));
    const int digits = QFontMetrics(font).horizontalAdvance("000");
    EXPECT_EQ(editor.marginWidth(0), 4 + digits + 8);
    EXPECT_EQ(editor.SendScintilla(QsciScintilla::SCI_STYLEGETFORE, QsciScintilla::STYLE_LINENUMBER), 0x808080);
    EXPECT_TRUE(editor.indentationsUseTabs());
    editor.setLexer(nullptr);
}

} // namespace
