#pragma once
// Table editing in the design view as plain data: a table as its rows, cells and spans (one snapshot of
// the page), the grid the page lays it out on, the drag selection of a rectangular range of cells, and the
// row, column and cell commands. A command works out its whole batch of changes here, before the page is
// touched; the design view sends the batch in one call, where it becomes one undo unit.
//
// Positions are grid positions: a cell's first grid row and column and the rows and columns it covers,
// placed as the page places them (a cell takes the first slot of its row that no cell from above covers;
// row spans end with their row group). They order cells exactly as their layout rectangles do, and stay
// right for rows the page lays out with no height.
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// A cell's layout rectangle relative to its table: (left, top, right, bottom).
struct TCellRect
{
    int Left = -1;
    int Top = -1;
    int Right = -1;
    int Bottom = -1;

    bool operator==(const TCellRect& Other) const = default;
    // A non-empty intersection: rectangles that only touch do not intersect.
    bool Intersects(const TCellRect& Other) const;
    bool Contains(const TCellRect& Other) const;
    static TCellRect Bound(const TCellRect& A, const TCellRect& B);
};

struct TTableCell
{
    int Token = 0;       // the page's element token; 0 for a cell a command has just made
    bool Header = false; // a th
    int RowSpan = 1;     // as the page reports it: 0 reaches to the end of the row group
    int ColSpan = 1;
    TCellRect Rect;      // layout rectangle, when the snapshot carried it
    QString Html;        // content, when the snapshot carried it
    // Grid placement (TTableModel::Layout): first grid row and column, and the grid rows covered.
    int GridRow = 0;
    int GridCol = 0;
    int GridRows = 1;
};

struct TTableRow
{
    int Token = 0;  // the page's element token; a negative reference for a row a command has just made
    int Group = 0;  // rows of one row group (thead, tbody, tfoot) share the number
    QList<TTableCell> Cells;
};

// One change of a command's batch, in the order the page applies them.
struct TTableChange
{
    enum TKind { InsertRow, InsertCells, MoveCell, Remove, SetAttribute, RemoveAttribute, SetContent };

    TKind Kind = Remove;
    // InsertRow: the new row's reference (negative). InsertCells: the row (a token or a new row's
    // reference). MoveCell: the cell moved. Otherwise the element changed.
    int Target = 0;
    // InsertRow: row index; InsertCells, MoveCell: index in the row. -1 or an index past the end appends.
    int Index = -1;
    int Count = 0;    // InsertCells: how many empty cells
    int Row = 0;      // MoveCell: the row it moves into
    QString Name;     // attribute name
    QString Value;    // attribute value or content

    static TTableChange NewRow(int Reference, int Index);
    static TTableChange NewCells(int Row, int Index, int Count);
    static TTableChange Move(int Cell, int Row, int Index);
    static TTableChange Delete(int Element);
    static TTableChange Set(int Element, const QString& Name, const QString& Value);
    static TTableChange Unset(int Element, const QString& Name);
    static TTableChange Content(int Element, const QString& Html);

    // The form the page runtime takes: ["row", index, reference], ["cells", row, index, count],
    // ["move", cell, row, index], ["remove", element], ["set", element, name, value],
    // ["unset", element, name], ["html", element, html].
    QVariantList ToVariant() const;
};

class TTableModel
{
public:
    int Token = 0;
    QString Id;
    bool Connected = false; // the table is part of the page's body
    QList<TTableRow> Rows;

    // From the runtime's snapshot, JSON text: {token, id, connected, rows: [[token, group, [[token, tag,
    // rowSpan, colSpan, left, top, right, bottom, html?], ...]], ...]}. Lays the table out.
    static TTableModel FromSnapshot(const QString& Json);

    // Places every cell on the grid, as the page does.
    void Layout();
    // Covered columns per grid row, counted as column spans: a cell adds its column span to every grid
    // row it covers. Row spans in the last row group that reach below the last row add entries for the
    // rows they reach.
    QList<int> Occupancy() const;
    // The largest entry of Occupancy (0 for a table without cells).
    int GridWidth() const;

    int RowIndex(int RowToken) const;
    // Row and index of the cell with this token; false when the table holds none.
    bool FindCell(int CellToken, int& Row, int& Index) const;
    const TTableCell* Cell(int CellToken) const;
    // The row token of the cell, 0 when the table holds no such cell.
    int RowOf(int CellToken) const;

    // Applies one change as the page applies it (clamping indexes past the end) and lays the table out.
    void Apply(const TTableChange& Change);
    void Apply(const QList<TTableChange>& Changes);

private:
    TTableRow* FindRow(int Token);
};

// The drag selection of table cells and the current table, row and cell of the design view.
class TCellSelection
{
public:
    bool Selecting = false;   // the left button went down in a cell and has not come up in a cell yet
    bool RangeMarked = false; // a range of more than the pressed cell is highlighted
    TCellRect Anchor{-1, -1, -1, -1};
    TCellRect End{-3, -3, -3, -3};
    QString TableId; // the id attribute of the current table
    int Table = 0;   // element tokens; 0 for none
    int Row = 0;
    int Cell = 0;
    QSet<int> Highlighted; // cells of the current table shown highlighted
    TTableModel Pressed;   // the current table's cells with their rectangles, as at the last press

    // Back to no table, as after a document load.
    void Reset();
    // The handlers of the pointer: each answers whether the highlighted cells changed. Tables are told
    // apart by their element, never by their id: two tables without ids, or with the same id, are two.
    bool TableMouseDown(int TableToken, const QString& Id);
    // Table: the pressed cell's table with the rectangles of its cells.
    bool CellMouseDown(const TTableModel& TableCells, int CellToken);
    // Unselect is set when the engine's own text selection has to go (the range has just been marked).
    bool HighlightCellRange(int TableToken, int CellToken, bool* Unselect = nullptr);
    bool CellMouseUp(int TableToken, int CellToken);
    // A press or release on anything that is no cell and no table ends the table selection.
    bool LeaveTable();
    bool ClearCellHighlight();
    // True when the marked range holds cells of more than one row group (thead, tbody, tfoot) of Table:
    // no cell can span rows across a group's end, so such a range cannot become one cell.
    bool RangeSpansRowGroups(const TTableModel& Table) const;
};

enum class TTableCommand {
    InsertRowAbove,
    InsertRowBelow,
    DeleteRows,
    InsertColumnBefore,
    InsertColumnAfter,
    DeleteColumns,
    MergeCells,
    UnmergeCells,
    FixTable,
    CellHorzAlign,
    CellVertAlign
};

struct TTableEdit
{
    bool Run = false; // false: the command stopped before changing anything and records no undo group
    QList<TTableChange> Changes;
};

// The cells a merge joins into one, rows in order and each row's cells in order: the highlighted cells
// and any other cell their block of grid slots holds; none when the range crosses row groups. Only their
// contents are needed for the merge.
QList<int> MergedCells(const TTableModel& Table, const TCellSelection& State);

// Runs Command on Table (left as it is after the changes) with the selection State (its current row and
// cell, highlight and range left as the command leaves them). Value is the alignment of the two alignment
// commands. With no range marked, a highlight left over from an earlier drag counts for nothing.
TTableEdit EditTable(TTableCommand Command, TTableModel& Table, TCellSelection& State, const QString& Value = {});
