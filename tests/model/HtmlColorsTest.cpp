#include "HtmlColors.h"

#include <gtest/gtest.h>
#include <QString>

namespace {

struct TTextCase
{
    const char* Text;
    std::uint32_t Value;
};

TEST(HtmlColors, HtmlToColorReadsEveryForm)
{
    const TTextCase cases[] = {
        {"#FF0000", 0x000000FF},
        {"#ff0000", 0x000000FF},
        {"#F00", 0x000000FF},
        {"#123456", 0x00563412},
        {"#abc", 0x00CCBBAA},
        {"rgb(255,0,0)", 0x000000FF},
        {"RGB(255,0,0)", 0x000000FF},
        {"rgb(1,2,3)", 0x00030201},
        {"rgb(100%,0%,0%)", 0x000000FF},
        {"rgb(50%,0,0)", 0x00000080},       // 127.5 rounds to the even 128
        {"rgb(10%,30%,70%)", 0x00B24C1A},   // 25.5 -> 26, 76.5 -> 76, 178.5 -> 178
        {"rgb(0,0,255", 0x00FF0000},         // no closing parenthesis
        {"rgb( 1, 2, 3)", 0x00030201},       // leading blanks
        {"rgb(1 ,2,3)", 0x00030200},         // a trailing blank makes the part 0
        {"rgb(x,2,3)", 0x00030200},
        {"rgb(1,2)", 0x00000201},
        {"rgb(300,-5,0)", 0x000000FF},       // held inside one byte
        {"red", 0x000000FF},
        {"RED", 0x000000FF},
        {"rEd", 0x000000FF},
        {"LightGoldenRodYellow", 0x00D2FAFA},
        {"magenta", 0x00FF00FF},
        {"ButtonFace", 0xFF00000F},
        {"threedshadow", 0xFF000010},
        {"InfoBackground", 0xFF000018},
        {"", 0},
        {"#12345", 0},
        {"#1234567", 0},
        {"#GG0000", 0},
        {"#FF00G0", 0},
        {"#", 0},
        {"nosuchcolour", 0},
        {" red", 0},
        {"rgb", 0},
    };
    for (const TTextCase& c : cases) {
        EXPECT_EQ(HtmlToColor(std::string_view(c.Text)), c.Value) << c.Text;
        EXPECT_EQ(HtmlToColor(QString::fromLatin1(c.Text)), c.Value) << c.Text;
    }
}

TEST(HtmlColors, WideTextBeyondLatin1IsNoColour)
{
    EXPECT_EQ(HtmlToColor(QStringLiteral("r\u0165d")), 0u);
    EXPECT_EQ(HtmlToColor(QStringView(u"#F\u0130\u0130")), 0u);
}

struct TValueCase
{
    std::uint32_t Value;
    const char* Text;
};

TEST(HtmlColors, ColorToHtmlWritesTheFirstKeywordOrHex)
{
    const TValueCase cases[] = {
        {0x000000FF, "Red"},
        {0x00000000, "Black"},
        {0x00FF00FF, "Fuchsia"},
        {0x00FFFF00, "Aqua"},
        {0xFF00000F, "ButtonFace"},
        {0xFF000010, "ButtonShadow"},
        {0x00FFFFFF, "White"},
        {0x00123456, "#563412"},
        {0x000000FE, "#FE0000"},
        {0x12ABCDEF, "#EFCDAB"},   // the highest byte is not written
        {0xFF000019, "#190000"},   // past the last system colour
        {0xFFFFFFFF, "#FFFFFF"},
    };
    for (const TValueCase& c : cases)
        EXPECT_EQ(ColorToHtml(c.Value), QString::fromLatin1(c.Text)) << std::hex << c.Value;
}

TEST(HtmlColors, KeywordTableIsOrderedAndEveryValueRoundTrips)
{
    for (size_t i = 1; i < ColorKeywords.size(); ++i)
        EXPECT_LE(ColorKeywords[i - 1].Value, ColorKeywords[i].Value) << ColorKeywords[i].Name;
    for (const TColorKeyword& k : ColorKeywords) {
        EXPECT_EQ(HtmlToColor(k.Name), k.Value) << k.Name;
        EXPECT_EQ(HtmlToColor(ColorToHtml(k.Value)), k.Value) << k.Name;
    }
}

TEST(HtmlColors, HexTextRoundTrips)
{
    for (std::uint32_t v : {0x00010203u, 0x00FEDCBAu, 0x00808081u, 0x007F7F7Fu}) {
        const QString text = ColorToHtml(v);
        EXPECT_TRUE(text.startsWith(u'#')) << text.toStdString();
        EXPECT_EQ(HtmlToColor(text), v);
    }
}

} // namespace
