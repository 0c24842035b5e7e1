#include "HtmlTags.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <string>

namespace {

// The tag names in identifier order, as the output writes them.
const char* const ExpectedTags = "!DOCTYPE a abbr acronym address applet area b base basefont bdo bgsound big blockquote body br button caption center cite code col colgroup dd del dfn dir div dl dt em embed fieldset font form frame frameset h1 h2 h3 h4 h5 h6 head hr html i iframe img input ins isindex kbd label legend li link map marquee menu meta noframes noscript object ol optgroup option p param pre q s samp script select small span strike strong style sub sup table tbody td textarea tfoot th thead title tr tt u ul var";

QStringList Expected()
{
    return QString::fromLatin1(ExpectedTags).split(u' ', Qt::SkipEmptyParts);
}

QString MixedCase(const QString& name)
{
    QString out = name;
    for (qsizetype i = 0; i < out.size(); i += 2)
        out[i] = out[i].toUpper();
    return out;
}

TEST(HtmlTags, EveryIdentifierRoundTripsThroughItsNameInAnyCase)
{
    const QStringList names = Expected();
    ASSERT_EQ(names.size(), TagCount);
    for (int id = 0; id < TagCount; ++id) {
        const QString& name = names[id];
        EXPECT_EQ(TagIdToName(id), name) << id;
        for (const QString& form : {name, name.toUpper(), name.toLower(), MixedCase(name)}) {
            EXPECT_EQ(TagNameToId(form), id) << form.toStdString();
            EXPECT_EQ(TagNameToId(std::string(form.toLatin1().constData())), id) << form.toStdString();
            EXPECT_EQ(TagNameToId(u'/' + form), id + 1000) << form.toStdString();
            EXPECT_EQ(TagNameToId((QByteArray("/") + form.toLatin1()).toStdString()), id + 1000);
        }
    }
}

TEST(HtmlTags, NameLookupEdgeCases)
{
    EXPECT_EQ(TagNameToId("table"), 82);
    EXPECT_EQ(TagNameToId("TABLE"), 82);
    EXPECT_EQ(TagNameToId("TaBlE"), 82);
    EXPECT_EQ(TagNameToId("/TD"), 1084);
    EXPECT_EQ(TagNameToId("/blink"), 999);
    EXPECT_EQ(TagNameToId("blink"), -1);
    EXPECT_EQ(TagNameToId(""), -1);
    EXPECT_EQ(TagNameToId(QString()), -1);
    EXPECT_EQ(TagNameToId("/"), 999);
    EXPECT_EQ(TagNameToId("!doctype"), 0);
    EXPECT_EQ(TagNameToId("doctype"), -1);
    EXPECT_EQ(TagNameToId("h7"), -1);
    EXPECT_EQ(TagNameToId("tablex"), -1);
    EXPECT_EQ(TagNameToId("tabl"), -1);
    EXPECT_EQ(TagNameToId("//td"), 999);
    EXPECT_EQ(TagNameToId(QString::fromUtf8("t\u00E1ble")), -1);
    EXPECT_EQ(TagNameToId(QStringLiteral("ta ble")), -1);
}

TEST(HtmlTags, PseudoAndOutOfRangeNames)
{
    const struct { int Id; const char* Name; } cases[] = {
        {-7, "<PLACEHOLDER>"}, {-6, "<ROOT>"}, {-5, "<TEXT>"}, {-4, "<ASP>"}, {-3, "<PHP>"}, {-2, "<!-->"},
        {-1, "<UNKNOWN>"}, {-8, "<UNKNOWN>"}, {95, "<UNKNOWN>"}, {999, "<UNKNOWN>"}, {1014, "<UNKNOWN>"},
        {94, "var"}, {0, "!DOCTYPE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TagIdToName(c.Id), QString::fromLatin1(c.Name)) << c.Id;
    EXPECT_EQ(TAG_TABLE, 82);
    EXPECT_EQ(TAG_DOCTYPE, 0);
    EXPECT_EQ(TAG_VAR, 94);
}

// The flag rows: has end tag, holds text, inline, block.
struct TFlagRow
{
    bool E, T, I, B;
    const char* Tags;
};

const TFlagRow FlagRows[] = {
    {1, 1, 1, 0, "a abbr acronym b bdo big cite code dfn em font i kbd label q s samp small span strike strong sub "
                 "sup textarea tt u var"},
    {1, 1, 0, 0, "address button caption del h1 h2 h3 h4 h5 h6 ins legend li option p pre td th title"},
    {1, 0, 0, 1, "colgroup dir dl frameset head html map menu ol optgroup script select table tbody tfoot thead tr ul"},
    {1, 1, 0, 1, "applet blockquote body center dd div dt fieldset form iframe noframes noscript object"},
    {1, 0, 0, 0, "style"},
    {0, 0, 1, 0, "basefont br hr img input"},
    {0, 0, 0, 0, "!DOCTYPE area base bgsound col embed frame isindex link meta param"},
};

TEST(HtmlTags, FlagsFollowTheTagTable)
{
    int covered = 0;
    for (const TFlagRow& row : FlagRows) {
        for (const QString& name : QString::fromLatin1(row.Tags).split(u' ', Qt::SkipEmptyParts)) {
            const int id = TagNameToId(name);
            ASSERT_GE(id, 0) << name.toStdString();
            EXPECT_EQ(TagHasEndTag(id), row.E) << name.toStdString();
            EXPECT_EQ(TagHoldsText(id), row.T) << name.toStdString();
            EXPECT_EQ(TagIsInline(id), row.I) << name.toStdString();
            EXPECT_EQ(TagIsBlock(id), row.B) << name.toStdString();
            ++covered;
        }
    }
    EXPECT_EQ(covered, TagCount - 1); // every tag but marquee

    // A marquee keeps its running text and is written with its children and end tag.
    EXPECT_TRUE(TagHasEndTag(TAG_MARQUEE));
    EXPECT_TRUE(TagHoldsText(TAG_MARQUEE));

    EXPECT_TRUE(TagHasEndTag(67));
    EXPECT_FALSE(TagHasEndTag(60));
    EXPECT_FALSE(TagHasEndTag(68));
    EXPECT_TRUE(TagIsBlock(59));
    EXPECT_TRUE(TagIsBlock(93));
}

TEST(HtmlTags, NoFlagForPseudoOrOutOfRangeIdentifiers)
{
    for (int id : {-7, -6, -5, -4, -3, -2, -1, 95, 999, 1001, 1094}) {
        EXPECT_FALSE(TagHasEndTag(id)) << id;
        EXPECT_FALSE(TagHoldsText(id)) << id;
        EXPECT_FALSE(TagIsInline(id)) << id;
        EXPECT_FALSE(TagIsBlock(id)) << id;
    }
}

} // namespace
