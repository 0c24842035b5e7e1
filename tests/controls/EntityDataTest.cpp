#include "EntityData.h"

#include "EntityViewer.h"
#include "HtmlEntities.h"

#include <gtest/gtest.h>

namespace {

TEST(EntityData, GroupsHoldTheirEntitiesWithConsecutiveGlyphs)
{
    struct
    {
        int Group;
        int Size;
        int FirstGlyph;
        const char* First;
        const char* Last;
    } const Cases[] = {
        {0, 60, 0, "&nbsp;", "&zwj;"},
        {1, 26, 60, "&minus;", "&int;"},
        {2, 68, 86, "&Agrave;", "&fnof;"},
        {3, 49, 154, "&Alpha;", "&omega;"},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.Group);
        const auto Entries = EntityGroup(c.Group);
        ASSERT_EQ(int(Entries.size()), c.Size);
        EXPECT_EQ(EntityGroupFirstGlyph(c.Group), c.FirstGlyph);
        EXPECT_STREQ(Entries.front().Entity, c.First);
        EXPECT_STREQ(Entries.back().Entity, c.Last);
    }
    EXPECT_EQ(EntityGroupFirstGlyph(3) + int(EntityGroup(3).size()), EntityGlyphCount);
    EXPECT_LE(EntityGlyphCount, EntityMapColumns * EntityMapRows);
}

// Every tile must insert a reference the writer and the parser know, spelled the way the writer spells it,
// and must describe it.
TEST(EntityData, EveryEntityIsAKnownReferenceWithADescription)
{
    int Total = 0;
    for (int Group = 0; Group < EntityGroupCount; ++Group) {
        for (const TEntityEntry& Entry : EntityGroup(Group)) {
            SCOPED_TRACE(Entry.Entity);
            const QString Text = QString::fromLatin1(Entry.Entity);
            const char32_t Code = EntityToChar(Text);
            ASSERT_NE(Code, 0u);
            // "&lt;", "&gt;", "&amp;" and "&quot;" are below 128, which the writer leaves alone.
            if (Code >= 128)
                EXPECT_EQ(CharToEntity(Code), Text);
            EXPECT_FALSE(QString::fromLatin1(Entry.Hint).trimmed().isEmpty());
            ++Total;
        }
    }
    EXPECT_EQ(Total, EntityGlyphCount);
}

TEST(EntityData, HintsAreTheDescriptionsOnSeparateLines)
{
    EXPECT_STREQ(EntityGroup(0)[0].Hint, "no-break space\rnon-breaking space");
    EXPECT_STREQ(EntityGroup(0)[4].Entity, "&cent;");
    EXPECT_STREQ(EntityGroup(0)[4].Hint, "cent sign");
}

TEST(EntityData, FillEntityListRefillsTheViewFromAClearState)
{
    TEntityView View;
    View.SetShowScrollBars(false);
    View.resize(102, 202);
    View.show();
    FillEntityList(&View, 0);
    View.SetItemIndex(59);
    View.ScrollInView();
    ASSERT_GT(View.ScrollY(), 0);

    FillEntityList(&View, 2);
    ASSERT_EQ(View.Count(), 68);
    EXPECT_EQ(View.ItemIndex(), -1);
    EXPECT_EQ(View.ScrollY(), 0);
    EXPECT_EQ(View.Item(0).Entity, "&Agrave;");
    // Glyph 86 of the sheet: column 6, row 4.
    EXPECT_EQ(View.Item(0).GlyphX, 6 * 18);
    EXPECT_EQ(View.Item(0).GlyphY, 4 * 18);
    EXPECT_EQ(View.Rows(), 34);

    for (int Bad : {-1, 4, 100}) {
        FillEntityList(&View, Bad);
        EXPECT_EQ(View.Count(), 0) << Bad;
        EXPECT_EQ(View.Rows(), 0) << Bad;
    }
}

} // namespace
