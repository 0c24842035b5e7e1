// The attribute routines every dialog model shares, and the element reads and writes of the engine layer
// under them.
#include "TagModels.h"

#include "HtmlColors.h"
#include "ToolTesting.h"

#include <gtest/gtest.h>

namespace {

TEST(TagModelsTest, TextIsWhiteUpToHalfBrightnessAndBlackAbove)
{
    const struct
    {
        const char* Color;
        std::uint32_t Text;
    } cases[] = {
        {"#FFFFFF", 0x000000}, {"#000080", 0xFFFFFF}, {"yellow", 0x000000}, {"#000000", 0xFFFFFF},
        {"#7F7F7F", 0xFFFFFF}, {"#808080", 0x000000}, {"#FF0000", 0xFFFFFF}, {"#00FF00", 0x000000},
        {"#0000FF", 0xFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContrastColor(HtmlToColor(std::string_view(c.Color))), c.Text) << c.Color;
    // A system colour is weighed on its bytes as they stand: 0xFF000005 is red 5.
    EXPECT_EQ(ContrastColor(0xFF000005), 0xFFFFFFu);
}

TEST(TagModelsTest, TheBrowsersDefaultValuesReadAsEmpty)
{
    TElementSnapshot input;
    input.Tag = QStringLiteral("INPUT");
    const struct
    {
        const char* Name;
        const char* Value;
        const char* Shown;
    } cases[] = {
        {"tabindex", "32768", ""}, {"tabindex", "3", "3"},  {"maxlength", "2147483647", ""},
        {"maxlength", "20", "20"}, {"HSPACE", "0", ""},      {"vspace", "0", ""},
        {"vspace", "00", "00"},    {"size", "0", "0"},       {"hspace", "", ""},
    };
    for (const auto& c : cases) {
        input.Attributes = {{QString::fromLatin1(c.Name).toLower(), QString::fromLatin1(c.Value)}};
        EXPECT_EQ(GetElementAttributeNoDefaults(input, QLatin1String(c.Name)), QLatin1String(c.Shown)) << c.Name;
        EXPECT_EQ(GetElementAttribute(input, QLatin1String(c.Name)), QLatin1String(c.Value)) << c.Name;
    }
}

TEST(TagModelsTest, PropertyNamesReachTheirContentAttributes)
{
    TElementSnapshot form;
    form.Attributes = {{"class", "wide"}, {"enctype", "text/plain"}, {"for", "name"}, {"ismap", ""}};
    EXPECT_EQ(GetElementAttribute(form, QStringLiteral("className")), "wide");
    EXPECT_EQ(GetElementAttribute(form, QStringLiteral("encoding")), "text/plain");
    EXPECT_EQ(GetElementAttribute(form, QStringLiteral("htmlFor")), "name");
    EXPECT_TRUE(form.Flag(QStringLiteral("isMap")));
    EXPECT_FALSE(form.Flag(QStringLiteral("noWrap")));

    TElementWrites writes;
    SetElementAttribute(writes, QStringLiteral("className"), QStringLiteral("dsgn_layout"));
    SetElementAttribute(writes, QStringLiteral("encoding"), QString());
    SetElementAttribute(writes, QStringLiteral("bgColor"), QStringLiteral("red"));
    writes.SetFlag(QStringLiteral("noWrap"), true);
    writes.SetFlag(QStringLiteral("isMap"), false);
    // An empty value removes the attribute: no empty attribute is ever written.
    EXPECT_EQ(Writes(writes), (QStringList{"set class=dsgn_layout", "remove enctype", "set bgcolor=red",
                                           "flag nowrap", "remove ismap"}));
}

TEST(TagModelsTest, FieldsAreTrimmedAndAQuoteCannotEndAnAttribute)
{
    const struct
    {
        const char* Field;
        const char* Html;
    } cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"  50% ", " width=\"50%\""},
        {"say \"hi\"", " width=\"say &quot;hi&quot;\""},
        {"a&b<c", " width=\"a&b<c\""},
    };
    for (const auto& c : cases) {
        QString html = QStringLiteral("<hr");
        AppendAttribute(html, QStringLiteral("width"), QString::fromUtf8(c.Field));
        EXPECT_EQ(html, QStringLiteral("<hr") + QString::fromUtf8(c.Html)) << c.Field;
    }
    EXPECT_EQ(EscapeText(QStringLiteral("a < b && \"c\"")), "a &lt; b &amp;&amp; \"c\"");
}

} // namespace
