#include "KeywordLookup.h"

#include <gtest/gtest.h>

#include <QString>
#include <vector>

namespace {

TEST(KeywordLookup, HashFoldsLowerCaseAndSumsBytesModulo100)
{
    EXPECT_EQ(KeywordHash(""), 0);
    EXPECT_EQ(KeywordHash("A"), 65);
    EXPECT_EQ(KeywordHash("a"), 65);
    EXPECT_EQ(KeywordHash("AB"), (65 + 66) % 100);
    EXPECT_EQ(KeywordHash("table"), KeywordHash("TABLE"));
    // Only "a".."z" fold: the bytes of "{" (123) and "[" (91) keep their own weights, as do bytes above 127.
    EXPECT_EQ(KeywordHash("{"), 23);
    EXPECT_EQ(KeywordHash("\xE9"), 233 % 100);
    EXPECT_EQ(KeywordHash("\xC9"), 201 % 100);
}

TEST(KeywordLookup, FindsEveryKeywordAmongCollisions)
{
    // "AB" and "BA" and "CA"/"AC"... share buckets; all must still be found by name.
    const std::vector<TKeyword> keywords = {{"AB", 1}, {"BA", 2}, {"ac", 3}, {"CA", 4}, {"x-y", 5}, {"b", 6}};
    ASSERT_EQ(KeywordHash("AB"), KeywordHash("BA"));
    const TKeywordTable table(keywords, -1);
    for (const TKeyword& k : keywords) {
        EXPECT_EQ(table.Find(k.Name), k.Value) << k.Name;
        EXPECT_EQ(table.Find(QString::fromLatin1(k.Name.data(), qsizetype(k.Name.size()))), k.Value) << k.Name;
    }
    EXPECT_EQ(table.Find("ab"), 1);
    EXPECT_EQ(table.Find(QStringLiteral("Ca")), 4);
    EXPECT_EQ(table.Find("X-Y"), 5);
    EXPECT_EQ(table.Find("abc"), -1);
    EXPECT_EQ(table.Find(""), -1);
    EXPECT_EQ(table.Find("A"), -1);
}

TEST(KeywordLookup, NotFoundValueAndNonAsciiNames)
{
    const std::vector<TKeyword> keywords = {{"red", 10}};
    const TKeywordTable table(keywords, 0);
    EXPECT_EQ(table.NotFound(), 0);
    EXPECT_EQ(table.Find("blue"), 0);
    // A non-ASCII letter never matches an ASCII one, in either form of the name.
    EXPECT_EQ(table.Find(QString::fromUtf8("r\u00E9d")), 0);
    EXPECT_EQ(table.Find("r\xE9" "d"), 0);
    // "{" is not the upper case of "[" even though the hash folds only letters.
    const std::vector<TKeyword> brackets = {{"[", 1}};
    EXPECT_EQ(TKeywordTable(brackets, -1).Find("{"), -1);
}

TEST(KeywordLookup, CaseSensitiveTablesStillShareTheHash)
{
    const std::vector<TKeyword> keywords = {{"amp", 1}, {"AMP", 2}, {"Aacute", 3}, {"aacute", 4}};
    const TKeywordTable table(keywords, -1, true);
    EXPECT_EQ(table.Find("amp"), 1);
    EXPECT_EQ(table.Find("AMP"), 2);
    EXPECT_EQ(table.Find("Amp"), -1);
    EXPECT_EQ(table.Find(QStringLiteral("Aacute")), 3);
    EXPECT_EQ(table.Find(QStringLiteral("aacute")), 4);
    EXPECT_EQ(table.Find(QStringLiteral("AACUTE")), -1);
}

} // namespace
