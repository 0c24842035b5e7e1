#include <gtest/gtest.h>

#include "HtmlEntities.h"

namespace {

struct TEntityCase
{
    const char16_t* Text;
    char32_t Code;
};

TEST(HtmlEntities, EntityToCharReadsNamesWithCaseAndNumbersInEveryForm)
{
    const TEntityCase cases[] = {
        {u"&amp;", 38}, {u"&AMP;", 0}, {u"&eacute;", 233}, {u"&Eacute;", 201}, {u"&quot;", 34},
        {u"&nbsp;", 160}, {u"&yuml;", 255}, {u"&Yuml;", 376}, {u"&diams;", 9830}, {u"&thetasym;", 977},
        {u"&apos;", 0}, {u"&nosuch;", 0}, {u"&amp", 0}, {u"&;", 0}, {u"", 0}, {u"&", 0},
        {u"&#65;", 65}, {u"&#x41;", 65}, {u"&#X41;", 65}, {u"&#$41;", 65}, {u"&#0x41;", 65},
        {u"&# 65;", 65}, {u"&#+65;", 65}, {u"&#-65;", 0}, {u"&#x;", 0}, {u"&#;", 0}, {u"&#6a;", 0},
        {u"&#65x", 65},            // the last character is dropped unread, whatever it is
        {u"&#x1F600;", 0x1F600},   // beyond U+FFFF: answered whole
        {u"&#1114111;", 0x10FFFF}, {u"&#1114112;", 0}, {u"&#x110000;", 0}, {u"&#99999999999;", 0},
    };
    for (const TEntityCase& c : cases)
        EXPECT_EQ(EntityToChar(QStringView(c.Text)), c.Code) << QString::fromUtf16(c.Text).toStdString();
}

TEST(HtmlEntities, CharToEntityNamesWhatHtml4NamesAndHexForTheRest)
{
    const std::pair<char32_t, const char*> cases[] = {
        {233, "&eacute;"}, {8364, "&euro;"}, {160, "&nbsp;"}, {38, "&amp;"}, {128, "&#x0080;"},
        {159, "&#x009F;"}, {20013, "&#x4E2D;"}, {65535, "&#xFFFF;"}, {0x1F600, "&#x1F600;"},
        {0x10FFFF, "&#x10FFFF;"}, {9830, "&diams;"}, {9831, "&#x2667;"}, {338, "&OElig;"}, {39, "&#x0027;"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(CharToEntity(code), QLatin1StringView(text)) << unsigned(code);
}

TEST(HtmlEntities, EveryNameReadsBackToItsCode)
{
    // Every code that has a name answers it, and the name reads back to the same code: the two lookups
    // agree over the whole table (252 names).
    int named = 0;
    for (char32_t code = 1; code < 10000; ++code) {
        const QString text = CharToEntity(code);
        if (text.startsWith(u"&#x"))
            continue;
        ++named;
        EXPECT_EQ(EntityToChar(text), code) << text.toStdString();
    }
    EXPECT_EQ(named, 252);
}

} // namespace
