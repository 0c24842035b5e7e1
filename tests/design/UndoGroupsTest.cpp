// Named undo groups over the engine's unit count: recording, reconciling and stepping.
#include <gtest/gtest.h>

#include "UndoGroups.h"

namespace {

// The groups as "caption:units" with a "|" after the current index.
std::string Describe(const TUndoGroups& groups)
{
    std::string text;
    for (int i = 0; i < groups.Count(); ++i) {
        text += groups.Caption(i).toStdString() + ":" + std::to_string(groups.Units(i));
        if (i == groups.Index())
            text += "|";
        text += " ";
    }
    if (groups.Index() < 0)
        text = "|" + text;
    return text;
}

TEST(UndoGroups, AFreshListOffersNothing)
{
    TUndoGroups groups;
    EXPECT_FALSE(groups.CanUndo(0));
    EXPECT_FALSE(groups.CanRedo(0));
    EXPECT_EQ(groups.Undo(0), 0);
    EXPECT_EQ(groups.Redo(0), 0);
    EXPECT_EQ(groups.Index(), -1);
}

TEST(UndoGroups, ACommandOfThreeUnitsIsOneGroupUndoneAndRedoneWhole)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(3);
    EXPECT_EQ(Describe(groups), "Bold:3| ");
    EXPECT_EQ(groups.StartCount(), 3);
    EXPECT_TRUE(groups.CanUndo(3));
    EXPECT_EQ(groups.Undo(3), 3);
    // The engine has undone the three units: the counts agree again and redo is offered.
    EXPECT_TRUE(groups.CanRedo(0));
    EXPECT_FALSE(groups.CanUndo(0));
    EXPECT_EQ(groups.Redo(0), 3);
    EXPECT_EQ(Describe(groups), "Bold:3| ");
}

TEST(UndoGroups, TypingAfterAGroupAddsOneAnonymousGroupPerUnit)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Insert"), 0);
    groups.End(2);
    EXPECT_TRUE(groups.CanUndo(4));
    EXPECT_EQ(Describe(groups), "Insert:2 :1 :1| ");
    EXPECT_EQ(groups.Undo(4), 1);
    EXPECT_EQ(groups.Undo(3), 1);
    EXPECT_EQ(groups.Undo(2), 2);
    EXPECT_EQ(groups.Index(), -1);
}

TEST(UndoGroups, ANewCommandAfterUndoDropsTheRedoGroups)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(1);
    groups.Begin(QStringLiteral("Italic"), 1);
    groups.End(2);
    EXPECT_EQ(groups.Undo(2), 1);
    EXPECT_EQ(groups.Undo(1), 1);
    EXPECT_TRUE(groups.CanRedo(0));
    groups.Begin(QStringLiteral("Underline"), 0);
    groups.End(1);
    EXPECT_EQ(Describe(groups), "Underline:1| ");
    EXPECT_FALSE(groups.CanRedo(1));
}

TEST(UndoGroups, ACommandThatChangesNothingIsAnEmptyGroupThatUndoesNothing)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(1);
    groups.Begin(QStringLiteral("Indent"), 1);
    groups.End(1);
    EXPECT_EQ(Describe(groups), "Bold:1 Indent:0| ");
    EXPECT_EQ(groups.Undo(1), 0);
    EXPECT_EQ(groups.Index(), 0);
    EXPECT_EQ(groups.Undo(1), 1);
}

TEST(UndoGroups, UndoDoneOutsideTheGroupsGivesUpTheNames)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(2);
    groups.Begin(QStringLiteral("Italic"), 2);
    groups.End(3);
    // The engine's own undo took one unit back.
    EXPECT_TRUE(groups.CanUndo(2));
    EXPECT_EQ(Describe(groups), ":1 :1| ");
    EXPECT_FALSE(groups.CanRedo(2));
}

TEST(UndoGroups, UnitsFoundAfterAnUndoReplaceTheRedoGroups)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(1);
    groups.Begin(QStringLiteral("Italic"), 1);
    groups.End(2);
    EXPECT_EQ(groups.Undo(2), 1);
    // The user types once: the Italic redo group goes, one anonymous group comes.
    EXPECT_FALSE(groups.CanRedo(2));
    EXPECT_EQ(Describe(groups), "Bold:1 :1| ");
}

TEST(UndoGroups, ACommandLeftOpenRecordsNothingAndTheNextBeginStartsAfresh)
{
    TUndoGroups groups;
    groups.Begin(QStringLiteral("Merge Cells"), 0);
    // no End: the command stopped early
    groups.Begin(QStringLiteral("Bold"), 0);
    groups.End(1);
    EXPECT_EQ(Describe(groups), "Bold:1| ");
    groups.Clear();
    EXPECT_EQ(groups.Index(), -1);
    EXPECT_EQ(groups.Count(), 0);
    EXPECT_EQ(groups.StartCount(), 0);
}

TEST(UndoGroups, RecordedCountMatchesTheEngineAfterEverySync)
{
    TUndoGroups groups;
    int engine = 0;
    const int steps[][2] = {{0, 2}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 3}, {3, 0}};
    // {typed units, command units}: typing then a command, repeatedly, with undos between.
    for (const auto& step : steps) {
        engine += step[0];
        groups.Sync(engine);
        EXPECT_EQ(groups.RecordedCount(), engine);
        groups.Begin(QStringLiteral("Cmd"), engine);
        engine += step[1];
        groups.End(engine);
        EXPECT_EQ(groups.RecordedCount(), engine);
        engine -= groups.Undo(engine);
        EXPECT_EQ(groups.RecordedCount(), engine);
    }
}

} // namespace
