#include "HtmlCharsets.h"
#include "HtmlConvDecoders.h"

#include <gtest/gtest.h>
#include <QString>

namespace {

QString S(std::string_view s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

TEST(HtmlCharsets, TableIsOrderedByDisplayNameWithoutCase)
{
    ASSERT_EQ(CharsetTable.size(), 119u);
    for (size_t i = 1; i < CharsetTable.size(); ++i)
        EXPECT_LE(S(CharsetTable[i - 1].DisplayName).compare(S(CharsetTable[i].DisplayName), Qt::CaseInsensitive), 0)
            << CharsetTable[i].DisplayName;
}

struct TLookupCase
{
    const char* Input;
    const char* Expected;
};

TEST(HtmlCharsets, CharsetFromDisplayName)
{
    const TLookupCase cases[] = {
        {"Western European (ISO)", "iso-8859-1"},
        {"WESTERN EUROPEAN (ISO)", "iso-8859-1"},
        {"western european (windows)", "Windows-1252"},
        {"Japanese (JIS-Allow 1 byte Kana - SO/SI)", "iso-2022-jp"},
        {"IBM EBCDIC (Finland-Sweden-Euro)", "x-ebcdic-finlandsweden-euro"},
        {"Unicode (Big-Endian)", "unicodeFFFE"},
        {"Western European", ""},
        {"Western European (ISO) ", ""},
        {"iso-8859-1", ""},
        {"", ""},
    };
    for (const TLookupCase& c : cases)
        EXPECT_EQ(CharsetFromDisplayName(QString::fromLatin1(c.Input)), QString::fromLatin1(c.Expected)) << c.Input;
}

TEST(HtmlCharsets, DisplayNameFromCharset)
{
    const TLookupCase cases[] = {
        {"ISO-2022-JP", "Japanese (JIS)"},
        {"windows-1252", "Western European (Windows)"},
        {"UTF-8", "Unicode (UTF-8)"},
        {"x-ebcdic-spain", "IBM EBCDIC (Spain)"},
        {"unicodefffe", "Unicode (Big-Endian)"},
        {"Western European (ISO)", ""},
        {"utf8", ""},
        {"", ""},
    };
    for (const TLookupCase& c : cases)
        EXPECT_EQ(DisplayNameFromCharset(QString::fromLatin1(c.Input)), QString::fromLatin1(c.Expected)) << c.Input;
}

// Only ASCII letters are compared without case: the Kelvin sign folds to "k" in Unicode but is not
// the letter K of "Korean".
TEST(HtmlCharsets, NonAsciiCharactersNeverMatch)
{
    EXPECT_EQ(CharsetFromDisplayName(QStringLiteral("\u212Aorean")), QString());
    EXPECT_EQ(CharsetFromDisplayName(QStringLiteral("Korean")), QStringLiteral("ks_c_5601-1987"));
}

// Every row is found from either column, and the first row of a shared value answers.
TEST(HtmlCharsets, EveryRowRoundTripsToItsFirstEqualRow)
{
    for (const TCharsetRow& row : CharsetTable) {
        const QString charset = CharsetFromDisplayName(S(row.DisplayName));
        EXPECT_EQ(charset, S(row.Charset)) << row.DisplayName;
        const QString display = DisplayNameFromCharset(charset);
        const TCharsetRow* first = nullptr;
        for (const TCharsetRow& r : CharsetTable)
            if (!first && S(r.Charset).compare(charset, Qt::CaseInsensitive) == 0)
                first = &r;
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(display, S(first->DisplayName)) << row.Charset;
    }
}

// Every label is found by the lookup (which searches the table in halves, so its order matters) and names
// a set that a decoder here reads.
TEST(HtmlCharsets, EveryLabelFindsASetADecoderReads)
{
    for (size_t i = 1; i < CharsetLabels.size(); ++i)
        EXPECT_LT(CharsetLabels[i - 1].Label, CharsetLabels[i].Label) << CharsetLabels[i].Label;
    for (const TCharsetLabel& row : CharsetLabels) {
        const QByteArray label(row.Label.data(), qsizetype(row.Label.size()));
        const QByteArray encoding = EncodingOfLabel(label);
        EXPECT_EQ(encoding, QByteArray(row.Encoding.data(), qsizetype(row.Encoding.size()))) << row.Label;
        EXPECT_TRUE(SingleByteIndexOf(encoding) || MultiByteDecoder(encoding)) << row.Label << " -> " << row.Encoding;
    }
}

// What a label may carry around it; the aliases themselves are read through whole pages in HtmlConvTest.
TEST(HtmlCharsets, LabelsMatchWithoutCaseBlanksQuotesOrParameters)
{
    EXPECT_EQ(EncodingOfLabel(" \t Shift_JIS\r\n"), "Shift_JIS");
    EXPECT_EQ(EncodingOfLabel("' UTF-8 '"), "UTF-8");
    EXPECT_EQ(EncodingOfLabel("x-mac-roman; format=flowed"), "macintosh");
    EXPECT_EQ(EncodingOfLabel("utf 8"), "");
    EXPECT_EQ(EncodingOfLabel("\"utf-8"), "");
    EXPECT_EQ(EncodingOfLabel(""), "");
    EXPECT_EQ(EncodingOfLabel("\xFF"), "");
}

} // namespace
