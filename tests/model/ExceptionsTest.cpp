#include <gtest/gtest.h>

#include "Exceptions.h"

TEST(Exceptions, CarriesMessageAsTextAndUtf8)
{
    try {
        throw Exception(QStringLiteral("Unterminated Comment \u00e9"));
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Unterminated Comment \xc3\xa9");
        EXPECT_EQ(static_cast<const Exception&>(e).Message(), QStringLiteral("Unterminated Comment \u00e9"));
    }
}
