#include "Langs.h"

#include <gtest/gtest.h>

namespace {

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

TEST(Langs, CompareIgnoresCaseAndIsAntisymmetric)
{
    const QLocale user = GetUserDefaultLanguage();
    EXPECT_EQ(CompareTextLocale(user, u"Table", u"TABLE"), 0);
    EXPECT_EQ(CompareTextLocale(user, u"", u""), 0);
    EXPECT_EQ(CompareTextLocale(user, QString::fromUtf8("\u00C4pfel"), QString::fromUtf8("\u00E4PFEL")), 0);
    const char16_t* words[] = {u"apple", u"Banana", u"cherry", u"", u"b", u"BANANAS"};
    for (const char16_t* a : words)
        for (const char16_t* b : words)
            EXPECT_EQ(Sign(CompareTextLocale(user, a, b)), -Sign(CompareTextLocale(user, b, a)));
    EXPECT_LT(CompareTextLocale(user, u"apple", u"Banana"), 0);
    EXPECT_GT(CompareTextLocale(user, u"Cherry", u"banana"), 0);
    EXPECT_LT(CompareTextLocale(user, u"", u"a"), 0);
    EXPECT_NE(CompareTextLocale(user, u"a", u"b"), 0);
}

TEST(Langs, OtherLocalesCompareWithoutCaseToo)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(CompareTextLocale(german, u"STRASSE", u"strasse"), 0);
    EXPECT_LT(CompareTextLocale(german, u"apfel", u"Birne"), 0);
}

} // namespace
