// Table editing as plain data: the drag selection over spanned cells, each command on small tables
// written as text, and random command sequences that must keep every table rectangular.
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include "HtmlTables.h"
#include "TableText.h"

namespace {

using namespace TableText;

int TokenOf(const TTableModel& table, const QString& name)
{
    for (const TTableRow& row : table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Html == (name == QLatin1String("~") ? QString() : name))
                return cell.Token;
    ADD_FAILURE() << "no cell " << name.toStdString();
    return 0;
}

// Presses the first cell and, with a second one, drags to it and lets go there.
TCellSelection Drag(const TTableModel& table, const QString& from, const QString& to = {})
{
    TCellSelection state;
    state.CellMouseDown(table, TokenOf(table, from));
    if (!to.isEmpty())
        state.HighlightCellRange(table.Token, TokenOf(table, to));
    state.CellMouseUp(table.Token, TokenOf(table, to.isEmpty() ? from : to));
    return state;
}

QStringList Names(const TTableModel& table, const QSet<int>& tokens)
{
    QStringList names;
    for (const TTableRow& row : table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (tokens.contains(cell.Token))
                names << cell.Html;
    return names;
}

TEST(HtmlTablesTest, TheRangeGrowsOverSpannedCellsAndFollowsThePointer)
{
    const struct
    {
        const char* Table;
        const char* From;
        const char* To;
        const char* Lit;
    } cases[] = {
        // a cell spanning two rows beside the range stays out; one spanning into it pulls its column in
        {"a b c/r2 | d e", "a", "e", "a b d e"},
        {"a b/c2 | d e f", "a", "e", "a b d e f"},
        {"a b c | d e f | g h i", "i", "e", "e f h i"},
        {"a/r3 b | c | d", "b", "d", "b c d"},
        {"a b | c d", "a", "a", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Table);
        const TTableModel table = Parse(QString::fromLatin1(c.Table));
        TCellSelection state;
        state.CellMouseDown(table, TokenOf(table, c.From));
        bool unselect = false;
        state.HighlightCellRange(table.Token, TokenOf(table, c.To), &unselect);
        EXPECT_EQ(Names(table, state.Highlighted).join(QLatin1Char(' ')), QString::fromLatin1(c.Lit));
        EXPECT_EQ(unselect, state.RangeMarked);
        EXPECT_EQ(state.Cell, TokenOf(table, c.From));
        EXPECT_EQ(state.Row, table.RowOf(state.Cell));
    }
}

TEST(HtmlTablesTest, PressAndReleaseDecideWhatStaysHighlighted)
{
    const TTableModel table = Parse(QStringLiteral("a b | c d"));
    const int a = TokenOf(table, QStringLiteral("a")), d = TokenOf(table, QStringLiteral("d"));
    TCellSelection state = Drag(table, QStringLiteral("a"), QStringLiteral("d"));
    EXPECT_TRUE(state.RangeMarked);
    EXPECT_EQ(state.Highlighted.size(), 4);
    // A click in one cell of the same table keeps the range while pressed and clears it on release.
    state.CellMouseDown(table, d);
    EXPECT_EQ(state.Highlighted.size(), 4);
    EXPECT_FALSE(state.RangeMarked);
    state.CellMouseUp(table.Token, d);
    EXPECT_TRUE(state.Highlighted.isEmpty());
    // Away and back into the pressed cell: it stays lit, but no range counts.
    state.CellMouseDown(table, a);
    state.HighlightCellRange(table.Token, d);
    state.HighlightCellRange(table.Token, a);
    state.CellMouseUp(table.Token, a);
    EXPECT_EQ(Names(table, state.Highlighted), QStringList{QStringLiteral("a")});
    EXPECT_FALSE(state.RangeMarked);
    // Dragging again to where the last drag ended marks the range.
    state = Drag(table, QStringLiteral("a"), QStringLiteral("d"));
    state.CellMouseDown(table, a);
    state.HighlightCellRange(table.Token, d);
    EXPECT_TRUE(state.RangeMarked);
    // A drag into another table's cell is ignored; another table with the same id is still another table.
    TTableModel other = Parse(QStringLiteral("x y"));
    other.Token = 555;
    for (TTableCell& cell : other.Rows[0].Cells)
        cell.Token += 100;
    EXPECT_FALSE(state.HighlightCellRange(other.Token, other.Rows[0].Cells[1].Token));
    EXPECT_TRUE(state.CellMouseDown(other, other.Rows[0].Cells[0].Token));
    EXPECT_TRUE(state.Highlighted.isEmpty());
    EXPECT_EQ(state.Table, other.Token);
    // A press elsewhere ends the table selection.
    EXPECT_FALSE(state.LeaveTable());
    EXPECT_EQ(state.Table, 0);
    EXPECT_EQ(state.Cell, 0);
}

// More cases, on the engine with the pointer, are in HtmlDesignerTablesTest.
TEST(HtmlTablesTest, EachCommandChangesTheTableAsItsBatchDoes)
{
    using C = TTableCommand;
    const struct
    {
        C Command;
        const char* Table;
        const char* From; // the pressed cell
        const char* To;   // the end of a dragged range, or none
        const char* Expected;
    } cases[] = {
        {C::InsertRowAbove, "a b | c d | e f", "c", "", "a b | _ _ | c d | e f"},
        {C::InsertRowAbove, "a/c3 | b c d", "b", "", "a/c3 | _ _ _ | b c d"},
        {C::InsertRowBelow, "a/r2 b | c", "a", "", "a/r3 b | _ | c"},
        {C::DeleteRows, "a b | c d | e f", "c", "", "a b | e f"},
        {C::DeleteRows, "a/r3 b | c | d", "c", "", "a/r2 b | d"},
        {C::DeleteRows, "a b | c d | e f | g h", "c", "f", "a b | g h"},
        {C::DeleteColumns, "a b c | d e f", "b", "", "a c | d f"},
        {C::DeleteColumns, "a b/r2 | c", "a", "", "b"},
        {C::DeleteColumns, "a | b", "a", "", ""},
        {C::InsertColumnBefore, "a b | c d", "a", "", "_ a b | _ c d"},
        {C::InsertColumnAfter, "a b | c d", "b", "d", "a b _ | c d _"},
        {C::MergeCells, "~ b | c d", "~", "b", "b/c2 | c d"},
        {C::MergeCells, "a/r2 b c | d e", "b", "e", "a/r2 b+c+d+e/r2c2 | "},
        {C::UnmergeCells, "x a/r2c2 y | z w", "a", "", "x a _ y | z _ _ w"},
        {C::UnmergeCells, "a/c2 b | c d e", "a", "d", "a _ b | c d e"},
        // past the end: a span below the last row splits into the rows there are; a short row appends
        {C::UnmergeCells, "a b | c/r3 d", "c", "", "a b | c d"},
        {C::InsertColumnAfter, "a b c | d", "c", "", "a b c _ | d _"},
        {C::FixTable, "a b | c/r3 d", "a", "", "a b | c/r3 d | _ | _"},
    };
    for (const auto& c : cases) {
        const QString source = QString::fromLatin1(c.Table);
        SCOPED_TRACE(source.toStdString() + " " + std::to_string(int(c.Command)));
        TTableModel table = Parse(source);
        TCellSelection state = Drag(table, QString::fromLatin1(c.From), QString::fromLatin1(c.To));
        const TTableModel before = table;
        const TTableEdit edit = EditTable(c.Command, table, state);
        ASSERT_TRUE(edit.Run);
        EXPECT_EQ(Print(table), QString::fromLatin1(c.Expected));
        // What the page is told does the same.
        TTableModel replayed = before;
        replayed.Apply(edit.Changes);
        EXPECT_EQ(Print(replayed), Print(table));
    }
}

TEST(HtmlTablesTest, CommandsReadTheRangeOnlyWhileItIsMarked)
{
    TTableModel table = Parse(QStringLiteral("a b c | d e f"));
    // A highlight left behind without a marked range (released outside the page) is not deleted.
    TCellSelection state = Drag(table, QStringLiteral("a"), QStringLiteral("e"));
    state.CellMouseDown(table, TokenOf(table, QStringLiteral("c")));
    ASSERT_FALSE(state.Highlighted.isEmpty());
    EditTable(TTableCommand::DeleteColumns, table, state);
    EXPECT_EQ(Print(table), QStringLiteral("a b | d e"));
    EXPECT_EQ(state.Cell, 0);
    // Alignment goes to every cell of the range, or to the pressed cell alone.
    state = Drag(table, QStringLiteral("a"), QStringLiteral("d"));
    TTableEdit edit = EditTable(TTableCommand::CellHorzAlign, table, state, QStringLiteral("center"));
    ASSERT_EQ(edit.Changes.size(), 2);
    EXPECT_EQ(edit.Changes[1].ToVariant(), QVariantList({QStringLiteral("set"), TokenOf(table, QStringLiteral("d")),
                                                         QStringLiteral("align"), QStringLiteral("center")}));
    state = Drag(table, QStringLiteral("e"));
    edit = EditTable(TTableCommand::CellVertAlign, table, state, QStringLiteral("bottom"));
    ASSERT_EQ(edit.Changes.size(), 1);
    EXPECT_EQ(edit.Changes[0].Name, QStringLiteral("valign"));
    // A marked range whose cells are all gone deletes nothing and records nothing.
    state.RangeMarked = true;
    state.Highlighted = {12345};
    EXPECT_FALSE(EditTable(TTableCommand::DeleteRows, table, state).Run);
}

TEST(HtmlTablesTest, RandomCommandsKeepEveryTableRectangular)
{
    QRandomGenerator random(20240612);
    const TTableCommand commands[] = {
        TTableCommand::InsertRowAbove, TTableCommand::InsertRowBelow,     TTableCommand::DeleteRows,
        TTableCommand::InsertColumnBefore, TTableCommand::InsertColumnAfter, TTableCommand::DeleteColumns,
        TTableCommand::MergeCells,     TTableCommand::UnmergeCells,       TTableCommand::FixTable,
    };
    for (int run = 0; run < 300; ++run) {
        // Every third table in row groups: no command may join or stretch cells across a group's end.
        TTableModel table = run % 3 == 2 ? Parse(RandomGroupedTable(random, 1 + random.bounded(4)).Text)
                                         : RandomTable(random, 1 + random.bounded(5), 1 + random.bounded(5));
        ASSERT_TRUE(IsRectangular(table));
        int next = 5000;
        for (int step = 0; step < 12 && !table.Rows.isEmpty(); ++step) {
            QList<const TTableCell*> cells;
            for (const TTableRow& row : table.Rows)
                for (const TTableCell& cell : row.Cells)
                    cells << &cell;
            if (cells.isEmpty())
                break;
            const TTableCell* from = cells[random.bounded(int(cells.size()))];
            const TTableCell* to = cells[random.bounded(int(cells.size()))];
            TCellSelection state;
            state.CellMouseDown(table, from->Token);
            if (random.bounded(2))
                state.HighlightCellRange(table.Token, to->Token);
            const TTableCommand command = commands[random.bounded(int(std::size(commands)))];
            const QString before = Print(table);
            TTableModel replayed = table;
            const TTableEdit edit = EditTable(command, table, state);
            ASSERT_TRUE(IsRectangular(table)) << "after command " << int(command) << " on " << before.toStdString();
            replayed.Apply(edit.Changes);
            ASSERT_EQ(Print(replayed), Print(table));
            // The page hands out tokens for what the command made, and lays the table out again.
            for (TTableRow& row : table.Rows) {
                if (row.Token <= 0)
                    row.Token = next++;
                for (TTableCell& cell : row.Cells)
                    if (cell.Token == 0)
                        cell.Token = next++;
            }
            for (TTableRow& row : table.Rows)
                for (TTableCell& cell : row.Cells)
                    cell.Rect = {cell.GridCol * 10, cell.GridRow * 10, (cell.GridCol + cell.ColSpan) * 10,
                                 (cell.GridRow + cell.GridRows) * 10};
        }
    }
}

} // namespace
