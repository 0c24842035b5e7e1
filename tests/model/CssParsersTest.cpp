#include "CssParsers.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using TPairs = std::vector<std::pair<QString, QString>>;

TPairs Parse(const QString& text)
{
    TCssParser p;
    p.Parse(text);
    EXPECT_EQ(p.Names.size(), p.Values.GetCount());
    TPairs out;
    for (qsizetype i = 0; i < p.Names.size(); ++i)
        out.emplace_back(p.Names.at(i), p.Values.Get(int(i)));
    return out;
}

struct TCase
{
    const char* What;
    QString Text;
    TPairs Expected;
};

TEST(CssParsers, ParseSplitsDeclarations)
{
    const TCase cases[] = {
        {"three declarations, quotes removed",
         QStringLiteral("color: red; font-family: \"Times New Roman\"; font-size: 12pt"),
         {{"color", "red"}, {"font-family", "Times New Roman"}, {"font-size", "12pt"}}},
        {"a list of quoted families stays whole", QStringLiteral("font-family: \"A\", \"B\""),
         {{"font-family", "\"A\", \"B\""}}},
        {"single-quoted list stays whole", QStringLiteral("font-family: 'A', 'B'; x: 1"),
         {{"font-family", "'A', 'B'"}, {"x", "1"}}},
        {"mixed list stays whole", QStringLiteral("font-family: 'A', \"B\""), {{"font-family", "'A', \"B\""}}},
        {"single quotes removed", QStringLiteral("font-family: 'Courier New'"), {{"font-family", "Courier New"}}},
        {"single then double quotes removed", QStringLiteral("a: '\"x\"'"), {{"a", "x"}}},
        {"empty value adds nothing", QStringLiteral("color:; margin: 0"), {{"margin", "0"}}},
        {"blank instead of a colon", QStringLiteral("color red"), {{"color", "red"}}},
        {"name followed by a semicolon takes the next declaration",
         QStringLiteral("color;margin: 0; top: 1px"), {{"color", "margin: 0"}, {"top", "1px"}}},
        {"last declaration without semicolon", QStringLiteral("a: 1; b: 2"), {{"a", "1"}, {"b", "2"}}},
        {"blank before the semicolon stays", QStringLiteral("a: 1 ;b: 2"), {{"a", "1 "}, {"b", "2"}}},
        {"semicolon inside quotes", QStringLiteral("content: \"a;b\"; c: d"), {{"content", "a;b"}, {"c", "d"}}},
        {"unclosed quote runs to the end and is closed", QStringLiteral("content: \"a;b"), {{"content", "a;b"}}},
        {"unclosed quote inside a value", QStringLiteral("x: url('a;b"), {{"x", "url('a;b'"}}},
        {"duplicates are kept", QStringLiteral("a: 1; A: 2; a: 3"), {{"a", "1"}, {"A", "2"}, {"a", "3"}}},
        {"equal values stay paired", QStringLiteral("margin: 0; padding: 0"), {{"margin", "0"}, {"padding", "0"}}},
        {"blanks of every kind", QStringLiteral("\t\r\na:\n 1 \r\n;\n"), {{"a", "1 \r\n"}}},
        {"the character after the name is stepped over even when blank", QStringLiteral("a\t: 1"), {{"a", ": 1"}}},
        {"empty text", QString(), {}},
        {"only blanks and semicolons", QStringLiteral(" ; ;; "), {}},
        {"value characters beyond Latin-1 kept whole", QStringLiteral("font-family: \u5B8B\u4F53"),
         {{"font-family", QStringLiteral("\u5B8B\u4F53")}}},
        {"no name", QStringLiteral(": red; b: 1"), {{"b", "1"}}},
        {"an empty declaration drops nothing after it", QStringLiteral("color:red;;margin:0; ;top:1px"),
         {{"color", "red"}, {"margin", "0"}, {"top", "1px"}}},
        {"a leading semicolon", QStringLiteral(";color: red"), {{"color", "red"}}},
        {"semicolons inside parentheses", QStringLiteral("background: url(data:image/png;base64,AA==) no-repeat; top: 0"),
         {{"background", "url(data:image/png;base64,AA==) no-repeat"}, {"top", "0"}}},
        {"character references are no ends", QStringLiteral("font-family:&quot;Arial&quot;,sans-serif;color:&#x23;f00"),
         {{"font-family", "&quot;Arial&quot;,sans-serif"}, {"color", "&#x23;f00"}}},
        {"nested parentheses", QStringLiteral("background-image: image-set(url(data:image/png;base64,AA==) 1x); top: 0"),
         {{"background-image", "image-set(url(data:image/png;base64,AA==) 1x)"}, {"top", "0"}}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Parse(c.Text), c.Expected) << c.What;
}

// Only "-" and ASCII letters make a name; a character whose low byte looks like one does not.
TEST(CssParsers, NameCharactersAreTestedByTheirFullValue)
{
    EXPECT_EQ(Parse(QStringLiteral("co\u0152or: red")), (TPairs{{"co", "or: red"}}));
    EXPECT_EQ(Parse(QStringLiteral("a:1\u013B b:2")), (TPairs{{"a", QStringLiteral("1\u013B b:2")}}));
    EXPECT_EQ(Parse(QStringLiteral("a:\u013B1")), (TPairs{{"a", QStringLiteral("\u013B1")}}));
}

TEST(CssParsers, ParseReplacesEarlierContents)
{
    TCssParser p;
    p.Parse(QStringLiteral("a: 1; b: 2"));
    p.Parse(QStringLiteral("c: 3"));
    ASSERT_EQ(p.Names, QStringList{QStringLiteral("c")});
    EXPECT_EQ(p.Values.GetCount(), 1);
    p.Parse(QString());
    EXPECT_TRUE(p.Names.isEmpty());
    EXPECT_EQ(p.Values.GetCount(), 0);
}

TEST(CssParsers, GetValueFindsTheFirstEntryWithoutCase)
{
    TCssParser p;
    p.Parse(QStringLiteral("color: red; background-color: blue; COLOR: green"));
    EXPECT_EQ(p.GetValue(QStringLiteral("COLOR")), QStringLiteral("red"));
    EXPECT_EQ(p.GetValue(QStringLiteral("Background-Color")), QStringLiteral("blue"));
    EXPECT_EQ(p.GetValue(QStringLiteral("background")), QString());
    EXPECT_EQ(p.GetValue(QString()), QString());
}

} // namespace
