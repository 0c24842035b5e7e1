#include "HtmlTables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <climits>
#include <vector>

// ---------------------------------------------------------------------------------------------------
// Rectangles

bool TCellRect::Intersects(const TCellRect& Other) const
{
    return std::max(Left, Other.Left) < std::min(Right, Other.Right) &&
           std::max(Top, Other.Top) < std::min(Bottom, Other.Bottom);
}

bool TCellRect::Contains(const TCellRect& Other) const
{
    return Other.Left >= Left && Other.Top >= Top && Other.Right <= Right && Other.Bottom <= Bottom;
}

TCellRect TCellRect::Bound(const TCellRect& A, const TCellRect& B)
{
    return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
            std::max(A.Bottom, B.Bottom)};
}

// ---------------------------------------------------------------------------------------------------
// Changes

TTableChange TTableChange::NewRow(int Reference, int Index)
{
    return {.Kind = InsertRow, .Target = Reference, .Index = Index};
}

TTableChange TTableChange::NewCells(int Row, int Index, int Count)
{
    return {.Kind = InsertCells, .Target = Row, .Index = Index, .Count = Count};
}

TTableChange TTableChange::Move(int Cell, int Row, int Index)
{
    return {.Kind = MoveCell, .Target = Cell, .Index = Index, .Row = Row};
}

TTableChange TTableChange::Delete(int Element)
{
    return {.Kind = Remove, .Target = Element};
}

TTableChange TTableChange::Set(int Element, const QString& Name, const QString& Value)
{
    return {.Kind = SetAttribute, .Target = Element, .Name = Name, .Value = Value};
}

TTableChange TTableChange::Unset(int Element, const QString& Name)
{
    return {.Kind = RemoveAttribute, .Target = Element, .Name = Name};
}

TTableChange TTableChange::Content(int Element, const QString& Html)
{
    return {.Kind = SetContent, .Target = Element, .Value = Html};
}

QVariantList TTableChange::ToVariant() const
{
    switch (Kind) {
    case InsertRow: return {QStringLiteral("row"), Index, Target};
    case InsertCells: return {QStringLiteral("cells"), Target, Index, Count};
    case MoveCell: return {QStringLiteral("move"), Target, Row, Index};
    case Remove: return {QStringLiteral("remove"), Target};
    case SetAttribute: return {QStringLiteral("set"), Target, Name, Value};
    case RemoveAttribute: return {QStringLiteral("unset"), Target, Name};
    case SetContent: return {QStringLiteral("html"), Target, Value};
    }
    return {};
}

// ---------------------------------------------------------------------------------------------------
// The table

TTableModel TTableModel::FromSnapshot(const QString& Json)
{
    // A large table's snapshot is thousands of small arrays: it travels as one text, which is far cheaper
    // to hand over than as nested values.
    const QJsonObject snapshot = QJsonDocument::fromJson(Json.toUtf8()).object();
    TTableModel table;
    table.Token = snapshot.value(QLatin1String("token")).toInt();
    table.Id = snapshot.value(QLatin1String("id")).toString();
    table.Connected = snapshot.value(QLatin1String("connected")).toBool();
    const QJsonArray rows = snapshot.value(QLatin1String("rows")).toArray();
    table.Rows.reserve(rows.size());
    for (const QJsonValue& rowItem : rows) {
        const QJsonArray row = rowItem.toArray();
        TTableRow model;
        model.Token = row.at(0).toInt();
        model.Group = row.at(1).toInt();
        const QJsonArray cells = row.at(2).toArray();
        model.Cells.reserve(cells.size());
        for (const QJsonValue& cellItem : cells) {
            const QJsonArray cell = cellItem.toArray();
            TTableCell c;
            c.Token = cell.at(0).toInt();
            c.Header = cell.at(1).toString().compare(QLatin1String("TH"), Qt::CaseInsensitive) == 0;
            c.RowSpan = std::max(0, cell.at(2).toInt());
            c.ColSpan = std::max(1, cell.at(3).toInt());
            c.Rect = {cell.at(4).toInt(), cell.at(5).toInt(), cell.at(6).toInt(), cell.at(7).toInt()};
            if (cell.size() > 8)
                c.Html = cell.at(8).toString();
            model.Cells.append(c);
        }
        table.Rows.append(model);
    }
    table.Layout();
    return table;
}

void TTableModel::Layout()
{
    qsizetype start = 0;
    while (start < Rows.size()) {
        qsizetype end = start + 1;
        while (end < Rows.size() && Rows[end].Group == Rows[start].Group)
            ++end;
        // Slots of the row group already taken by a cell, row by row.
        std::vector<std::vector<char>> taken(end - start);
        for (qsizetype r = start; r < end; ++r) {
            std::vector<char>& own = taken[r - start];
            int col = 0;
            for (TTableCell& cell : Rows[r].Cells) {
                while (col < int(own.size()) && own[col])
                    ++col;
                const int rows = cell.RowSpan <= 0 ? int(end - r) : std::min(cell.RowSpan, int(end - r));
                const int cols = std::max(1, cell.ColSpan);
                cell.GridRow = int(r);
                cell.GridCol = col;
                cell.GridRows = rows;
                for (qsizetype k = r; k < r + rows; ++k) {
                    std::vector<char>& line = taken[k - start];
                    if (int(line.size()) < col + cols)
                        line.resize(col + cols, 0);
                    std::fill(line.begin() + col, line.begin() + col + cols, 1);
                }
                col += cols;
            }
        }
        start = end;
    }
}

QList<int> TTableModel::Occupancy() const
{
    QList<int> entries(Rows.size(), 0);
    const int lastGroup = Rows.isEmpty() ? 0 : Rows.last().Group;
    for (const TTableRow& row : Rows)
        for (const TTableCell& cell : row.Cells) {
            // Only the last row group can reach below the table; elsewhere a span ends with its group.
            const int span = row.Group == lastGroup && cell.RowSpan > cell.GridRows ? cell.RowSpan : cell.GridRows;
            if (entries.size() < cell.GridRow + span)
                entries.resize(cell.GridRow + span, 0);
            for (int r = cell.GridRow; r < cell.GridRow + span; ++r)
                entries[r] += cell.ColSpan;
        }
    return entries;
}

int TTableModel::GridWidth() const
{
    const QList<int> entries = Occupancy();
    return entries.isEmpty() ? 0 : *std::max_element(entries.begin(), entries.end());
}

int TTableModel::RowIndex(int RowToken) const
{
    if (RowToken == 0)
        return -1;
    for (qsizetype r = 0; r < Rows.size(); ++r)
        if (Rows[r].Token == RowToken)
            return int(r);
    return -1;
}

bool TTableModel::FindCell(int CellToken, int& Row, int& Index) const
{
    if (CellToken == 0)
        return false;
    for (qsizetype r = 0; r < Rows.size(); ++r)
        for (qsizetype i = 0; i < Rows[r].Cells.size(); ++i)
            if (Rows[r].Cells[i].Token == CellToken) {
                Row = int(r);
                Index = int(i);
                return true;
            }
    return false;
}

const TTableCell* TTableModel::Cell(int CellToken) const
{
    int row = 0, index = 0;
    return FindCell(CellToken, row, index) ? &Rows[row].Cells[index] : nullptr;
}

int TTableModel::RowOf(int CellToken) const
{
    int row = 0, index = 0;
    return FindCell(CellToken, row, index) ? Rows[row].Token : 0;
}

TTableRow* TTableModel::FindRow(int Token)
{
    for (TTableRow& row : Rows)
        if (row.Token == Token)
            return &row;
    return nullptr;
}

namespace {

// The page's reading of a span attribute: digits only, a rowspan of 0 reaching to the end of the group.
int SpanValue(const QString& Text, bool Row)
{
    bool ok = false;
    const int value = Text.trimmed().toInt(&ok);
    if (!ok || value < 0)
        return 1;
    return Row ? value : std::max(1, value);
}

} // namespace

void TTableModel::Apply(const TTableChange& Change)
{
    switch (Change.Kind) {
    case TTableChange::InsertRow: {
        TTableRow row;
        row.Token = Change.Target;
        // A new row joins the row group of the row it goes before, or of the last row.
        if (Change.Index >= 0 && Change.Index < Rows.size()) {
            row.Group = Rows[Change.Index].Group;
            Rows.insert(Change.Index, row);
        } else {
            row.Group = Rows.isEmpty() ? 0 : Rows.last().Group;
            Rows.append(row);
        }
        break;
    }
    case TTableChange::InsertCells: {
        TTableRow* row = FindRow(Change.Target);
        if (!row)
            break;
        qsizetype at = Change.Index < 0 || Change.Index > row->Cells.size() ? row->Cells.size() : Change.Index;
        for (int i = 0; i < Change.Count; ++i)
            row->Cells.insert(at++, TTableCell());
        break;
    }
    case TTableChange::MoveCell: {
        int r = 0, i = 0;
        TTableRow* target = FindRow(Change.Row);
        if (!target || !FindCell(Change.Target, r, i))
            break;
        const TTableCell cell = Rows[r].Cells.takeAt(i);
        const qsizetype at =
            Change.Index < 0 || Change.Index > target->Cells.size() ? target->Cells.size() : Change.Index;
        target->Cells.insert(at, cell);
        break;
    }
    case TTableChange::Remove: {
        for (qsizetype r = 0; r < Rows.size(); ++r)
            if (Rows[r].Token == Change.Target) {
                Rows.removeAt(r);
                return Layout();
            }
        int r = 0, i = 0;
        if (FindCell(Change.Target, r, i))
            Rows[r].Cells.removeAt(i);
        break;
    }
    case TTableChange::SetAttribute:
    case TTableChange::RemoveAttribute: {
        int r = 0, i = 0;
        if (!FindCell(Change.Target, r, i))
            break;
        TTableCell& cell = Rows[r].Cells[i];
        const bool set = Change.Kind == TTableChange::SetAttribute;
        if (Change.Name.compare(QLatin1String("rowspan"), Qt::CaseInsensitive) == 0)
            cell.RowSpan = set ? SpanValue(Change.Value, true) : 1;
        else if (Change.Name.compare(QLatin1String("colspan"), Qt::CaseInsensitive) == 0)
            cell.ColSpan = set ? SpanValue(Change.Value, false) : 1;
        break;
    }
    case TTableChange::SetContent: {
        int r = 0, i = 0;
        if (FindCell(Change.Target, r, i))
            Rows[r].Cells[i].Html = Change.Value;
        break;
    }
    }
    Layout();
}

void TTableModel::Apply(const QList<TTableChange>& Changes)
{
    for (const TTableChange& change : Changes)
        Apply(change);
}

// ---------------------------------------------------------------------------------------------------
// The drag selection

void TCellSelection::Reset()
{
    *this = TCellSelection();
}

bool TCellSelection::TableMouseDown(int TableToken, const QString& Id)
{
    bool changed = false;
    if (Table != 0 && Table != TableToken) {
        changed = ClearCellHighlight();
        Pressed = TTableModel();
    }
    Selecting = false;
    RangeMarked = false;
    Table = TableToken;
    TableId = Id;
    Row = 0;
    Cell = 0;
    Anchor = {-1, -1, -1, -1};
    return changed;
}

bool TCellSelection::CellMouseDown(const TTableModel& TableCells, int CellToken)
{
    // A highlight left in the same table stays until the release.
    const bool changed = Table != 0 && Table != TableCells.Token && ClearCellHighlight();
    Pressed = TableCells;
    Selecting = true;
    RangeMarked = false;
    Table = TableCells.Token;
    TableId = TableCells.Id;
    Cell = CellToken;
    Row = TableCells.RowOf(CellToken);
    const TTableCell* cell = TableCells.Cell(CellToken);
    Anchor = cell ? cell->Rect : TCellRect{-1, -1, -1, -1};
    // The pointer is in the pressed cell: the first move into another cell marks the range, also when
    // that cell is where the last drag ended.
    End = Anchor;
    return changed;
}

bool TCellSelection::HighlightCellRange(int TableToken, int CellToken, bool* Unselect)
{
    if (!Selecting || TableToken != Table || Pressed.Token != Table)
        return false;
    const TTableCell* source = Pressed.Cell(CellToken);
    if (!source || source->Rect == End)
        return false;
    End = source->Rect;
    if (!RangeMarked && End != Anchor) {
        if (Unselect)
            *Unselect = true;
        RangeMarked = true;
    }
    if (!RangeMarked)
        return false;
    // The smallest rectangle that holds both cells and cuts through no cell.
    TCellRect range = TCellRect::Bound(Anchor, End);
    for (bool grown = true; grown;) {
        grown = false;
        for (const TTableRow& row : Pressed.Rows) {
            for (const TTableCell& cell : row.Cells)
                if (cell.Rect.Intersects(range) && !range.Contains(cell.Rect)) {
                    range = TCellRect::Bound(range, cell.Rect);
                    grown = true;
                    break;
                }
            if (grown)
                break;
        }
    }
    QSet<int> lit;
    for (const TTableRow& row : Pressed.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Rect.Intersects(range))
                lit.insert(cell.Token);
    if (lit == Highlighted)
        return false;
    Highlighted = lit;
    return true;
}

bool TCellSelection::CellMouseUp(int TableToken, int CellToken)
{
    Selecting = false;
    const TTableCell* cell = TableToken == Table && Pressed.Token == Table ? Pressed.Cell(CellToken) : nullptr;
    if (!cell || cell->Rect != Anchor)
        return false; // released in another cell: the range stays
    const bool changed = !RangeMarked && ClearCellHighlight();
    RangeMarked = false;
    return changed;
}

bool TCellSelection::LeaveTable()
{
    if (Table == 0)
        return false;
    const bool changed = ClearCellHighlight();
    Table = Row = Cell = 0;
    TableId.clear();
    Selecting = false;
    RangeMarked = false;
    Pressed = TTableModel();
    return changed;
}

bool TCellSelection::ClearCellHighlight()
{
    if (Highlighted.isEmpty())
        return false;
    Highlighted.clear();
    return true;
}

bool TCellSelection::RangeSpansRowGroups(const TTableModel& Table) const
{
    if (!RangeMarked)
        return false;
    int group = -1;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0 && Highlighted.contains(cell.Token)) {
                if (group >= 0 && row.Group != group)
                    return true;
                group = row.Group;
            }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// The commands

namespace {

const QString RowSpanName = QStringLiteral("rowspan");
const QString ColSpanName = QStringLiteral("colspan");

struct TPlace
{
    int Row;
    int Index;
};

// The highlighted cells of a marked range, rows in order and each row's cells in order. Without a
// marked range a highlight counts for nothing: it may be left from an earlier drag.
QList<TPlace> LitCells(const TTableModel& Table, const TCellSelection& State)
{
    QList<TPlace> lit;
    if (!State.RangeMarked)
        return lit;
    for (qsizetype r = 0; r < Table.Rows.size(); ++r)
        for (qsizetype i = 0; i < Table.Rows[r].Cells.size(); ++i) {
            const int token = Table.Rows[r].Cells[i].Token;
            if (token != 0 && State.Highlighted.contains(token))
                lit.append({int(r), int(i)});
        }
    return lit;
}

// The cells a command acts on: the marked range, or the pressed cell without one.
QList<TPlace> TargetCells(const TTableModel& Table, const TCellSelection& State)
{
    if (State.RangeMarked)
        return LitCells(Table, State);
    int row = 0, index = 0;
    if (State.Row == 0 || !Table.FindCell(State.Cell, row, index))
        return {};
    return {{row, index}};
}

const TTableCell& At(const TTableModel& Table, const TPlace& Place)
{
    return Table.Rows[Place.Row].Cells[Place.Index];
}

TCellRect GridRect(const TTableCell& Cell)
{
    return {Cell.GridCol, Cell.GridRow, Cell.GridCol + Cell.ColSpan, Cell.GridRow + Cell.GridRows};
}

// A span of 1 is written by leaving the attribute out.
void ChangeSpan(QList<TTableChange>& Changes, int Cell, const QString& Name, int Value, int Current)
{
    if (Value == Current)
        return;
    Changes.append(Value == 1 ? TTableChange::Unset(Cell, Name)
                              : TTableChange::Set(Cell, Name, QString::number(Value)));
}

// A row span that reaches below its row group, or to its end by 0, follows the rows by itself.
bool RowSpanIsExact(const TTableCell& Cell)
{
    return Cell.RowSpan > 0 && Cell.RowSpan <= Cell.GridRows;
}

void ForgetGone(const TTableModel& Table, TCellSelection& State)
{
    QSet<int> present;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0)
                present.insert(cell.Token);
    State.Highlighted.intersect(present);
}

TTableEdit InsertRow(TTableModel& Table, TCellSelection& State, bool Below)
{
    TTableEdit edit;
    int p = Table.RowIndex(State.Row);
    if (p < 0)
        return edit; // the row is no longer in the table
    edit.Run = true;
    const QList<TPlace> lit = LitCells(Table, State);
    if (!lit.isEmpty())
        p = Below ? lit.last().Row : lit.first().Row;
    const int at = Below ? p + 1 : p;
    const int width = Table.GridWidth();
    // Cells whose row span crosses the place of the new row cover it too: their span grows by the row,
    // and the new row gets cells only for the columns they leave free.
    constexpr int NewRowReference = -1;
    QList<TTableChange> changes{TTableChange::NewRow(NewRowReference, at)};
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0 && cell.GridRow < at && cell.GridRow + cell.GridRows > at && RowSpanIsExact(cell))
                ChangeSpan(changes, cell.Token, RowSpanName, cell.RowSpan + 1, cell.RowSpan);
    Table.Apply(changes);
    int covered = 0;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.GridRow < at && cell.GridRow + cell.GridRows > at)
                covered += cell.ColSpan;
    if (width > covered) {
        const TTableChange cells = TTableChange::NewCells(NewRowReference, 0, width - covered);
        Table.Apply(cells);
        changes.append(cells);
    }
    edit.Changes = changes;
    return edit;
}

TTableEdit DeleteRows(TTableModel& Table, TCellSelection& State)
{
    TTableEdit edit;
    const QList<TPlace> targets = TargetCells(Table, State);
    if (targets.isEmpty())
        return edit; // no highlighted cell left, or the pressed cell is gone: nothing changes
    int low = INT_MAX, high = INT_MIN;
    for (const TPlace& place : targets) {
        const TTableCell& cell = At(Table, place);
        low = std::min(low, cell.GridRow);
        high = std::max(high, cell.GridRow + cell.GridRows);
    }
    edit.Run = true;
    // Every cell lying wholly inside the band of rows goes with its row. A cell from above that reaches
    // into the band loses the rows deleted; a cell that starts in the band and reaches below it moves
    // down into the first row after the band with the rows it keeps.
    struct TMover
    {
        int Token;
        int Col;
    };
    QList<TMover> movers;
    QList<TTableChange> changes;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells) {
            const int top = cell.GridRow, bottom = cell.GridRow + cell.GridRows;
            if (cell.Token == 0 || (top >= low && bottom <= high))
                continue;
            if (top < low && bottom > low) {
                if (cell.RowSpan > 0)
                    ChangeSpan(changes, cell.Token, RowSpanName, cell.GridRows - (std::min(bottom, high) - low),
                               cell.RowSpan);
            } else if (top >= low && top < high) {
                movers.append({cell.Token, cell.GridCol});
                if (cell.RowSpan > 0)
                    ChangeSpan(changes, cell.Token, RowSpanName, bottom - high, cell.RowSpan);
            }
        }
    if (!movers.isEmpty()) {
        std::stable_sort(movers.begin(), movers.end(), [](const TMover& a, const TMover& b) { return a.Col < b.Col; });
        const TTableRow& below = Table.Rows[high];
        int placed = 0;
        for (const TMover& mover : movers) {
            int index = placed++;
            for (const TTableCell& cell : below.Cells)
                if (cell.GridCol < mover.Col)
                    ++index;
            changes.append(TTableChange::Move(mover.Token, below.Token, index));
        }
    }
    for (int r = high - 1; r >= low; --r)
        changes.append(TTableChange::Delete(Table.Rows[r].Token));
    Table.Apply(changes);
    edit.Changes = changes;
    State.Row = 0;
    State.Cell = 0;
    ForgetGone(Table, State);
    return edit;
}

TTableEdit DeleteColumns(TTableModel& Table, TCellSelection& State)
{
    TTableEdit edit;
    const QList<TPlace> targets = TargetCells(Table, State);
    if (targets.isEmpty())
        return edit;
    int low = INT_MAX, high = INT_MIN;
    for (const TPlace& place : targets) {
        const TTableCell& cell = At(Table, place);
        low = std::min(low, cell.GridCol);
        high = std::max(high, cell.GridCol + cell.ColSpan);
    }
    edit.Run = true;
    // Cells lying wholly inside the band of columns go; a cell reaching into the band loses the columns
    // deleted. A row whose cells all went goes too, and so do the rows it held in the spans of cells
    // from above.
    QSet<int> gone;
    QList<bool> emptied(Table.Rows.size(), false);
    for (qsizetype r = 0; r < Table.Rows.size(); ++r) {
        int left = 0;
        for (const TTableCell& cell : Table.Rows[r].Cells) {
            if (cell.Token != 0 && cell.GridCol >= low && cell.GridCol + cell.ColSpan <= high)
                gone.insert(cell.Token);
            else
                ++left;
        }
        emptied[r] = !Table.Rows[r].Cells.isEmpty() && left == 0;
    }
    QList<TTableChange> changes;
    for (qsizetype r = 0; r < Table.Rows.size(); ++r)
        for (const TTableCell& cell : Table.Rows[r].Cells) {
            if (cell.Token == 0 || gone.contains(cell.Token))
                continue;
            const int left = cell.GridCol, right = cell.GridCol + cell.ColSpan;
            if (left < high && right > low)
                ChangeSpan(changes, cell.Token, ColSpanName, cell.ColSpan - (std::min(right, high) - std::max(left, low)),
                           cell.ColSpan);
            int lost = 0;
            for (int k = cell.GridRow + 1; k < cell.GridRow + cell.GridRows; ++k)
                lost += emptied[k] ? 1 : 0;
            if (lost > 0 && cell.RowSpan > 0)
                ChangeSpan(changes, cell.Token, RowSpanName, cell.GridRows - lost, cell.RowSpan);
        }
    for (qsizetype r = 0; r < Table.Rows.size(); ++r) {
        if (emptied[r])
            continue;
        const QList<TTableCell>& cells = Table.Rows[r].Cells;
        for (qsizetype i = cells.size() - 1; i >= 0; --i)
            if (gone.contains(cells[i].Token))
                changes.append(TTableChange::Delete(cells[i].Token));
    }
    for (qsizetype r = Table.Rows.size() - 1; r >= 0; --r)
        if (emptied[r])
            changes.append(TTableChange::Delete(Table.Rows[r].Token));
    Table.Apply(changes);
    edit.Changes = changes;
    State.Row = 0;
    State.Cell = 0;
    ForgetGone(Table, State);
    return edit;
}

TTableEdit InsertColumn(TTableModel& Table, TCellSelection& State, bool After)
{
    TTableEdit edit;
    const QList<TPlace> targets = TargetCells(Table, State);
    if (!State.RangeMarked && targets.isEmpty())
        return edit; // the pressed cell is no longer in the table
    edit.Run = true;
    if (targets.isEmpty())
        return edit;
    int column = After ? INT_MIN : INT_MAX;
    for (const TPlace& place : targets) {
        const TTableCell& cell = At(Table, place);
        column = After ? std::max(column, cell.GridCol + cell.ColSpan) : std::min(column, cell.GridCol);
    }
    // A cell spanning across the new column's place widens by it, for every row it covers; every other
    // row gets one new cell there.
    QList<bool> covered(Table.Rows.size(), false);
    QList<TTableChange> changes;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0 && cell.GridCol < column && cell.GridCol + cell.ColSpan > column) {
                ChangeSpan(changes, cell.Token, ColSpanName, cell.ColSpan + 1, cell.ColSpan);
                for (int k = cell.GridRow; k < cell.GridRow + cell.GridRows; ++k)
                    covered[k] = true;
            }
    for (qsizetype r = 0; r < Table.Rows.size(); ++r) {
        if (covered[r])
            continue;
        int index = 0;
        for (const TTableCell& cell : Table.Rows[r].Cells)
            if (cell.GridCol < column)
                ++index;
        changes.append(TTableChange::NewCells(Table.Rows[r].Token, index, 1));
    }
    Table.Apply(changes);
    edit.Changes = changes;
    return edit;
}

// Joins contents as the merge does: a blank between two, with every character below 33 taken off both ends.
QString Joined(const QString& Text, const QString& Next)
{
    QString text = Text.isEmpty() ? Next : Text + QLatin1Char(' ') + Next;
    qsizetype from = 0, to = text.size();
    while (from < to && text[from].unicode() < 33)
        ++from;
    while (to > from && text[to - 1].unicode() < 33)
        --to;
    return text.mid(from, to - from);
}

// The block of grid slots the highlighted cells cover, grown until it cuts through no cell, so the merged
// cell takes exactly the place of the cells it replaces; empty without highlighted cells.
TCellRect MergeBlock(const TTableModel& Table, const TCellSelection& State)
{
    const QList<TPlace> lit = LitCells(Table, State);
    if (lit.isEmpty())
        return {0, 0, 0, 0};
    TCellRect block = GridRect(At(Table, lit.first()));
    for (const TPlace& place : lit)
        block = TCellRect::Bound(block, GridRect(At(Table, place)));
    for (bool grown = true; grown;) {
        grown = false;
        for (const TTableRow& row : Table.Rows)
            for (const TTableCell& cell : row.Cells) {
                const TCellRect rect = GridRect(cell);
                if (rect.Intersects(block) && !block.Contains(rect)) {
                    block = TCellRect::Bound(block, rect);
                    grown = true;
                }
            }
    }
    return block;
}

TTableEdit MergeCells(TTableModel& Table, TCellSelection& State)
{
    TTableEdit edit;
    // A cell's row span ends with its row group: merged across groups, the body's rows would be left
    // without cells and their content moved into the header. The range stays as it is.
    if (State.RangeSpansRowGroups(Table))
        return edit;
    edit.Run = true;
    const TCellRect block = MergeBlock(Table, State);
    State.RangeMarked = false;
    State.Highlighted.clear();
    if (block.Right <= block.Left)
        return edit;
    QList<const TTableCell*> inside;
    QString text;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0 && block.Contains(GridRect(cell))) {
                inside.append(&cell);
                text = Joined(text, cell.Html);
            }
    const TTableCell& first = *inside.first();
    QList<TTableChange> changes;
    for (qsizetype i = inside.size() - 1; i >= 1; --i)
        changes.append(TTableChange::Delete(inside[i]->Token));
    changes.append(TTableChange::Content(first.Token, text));
    ChangeSpan(changes, first.Token, ColSpanName, block.Right - block.Left, first.ColSpan);
    ChangeSpan(changes, first.Token, RowSpanName, block.Bottom - block.Top, first.RowSpan);
    State.Cell = first.Token;
    State.Row = Table.RowOf(first.Token);
    Table.Apply(changes);
    edit.Changes = changes;
    return edit;
}

bool IsSpanned(const TTableCell& Cell)
{
    return Cell.RowSpan > 1 || Cell.ColSpan > 1 || Cell.GridRows > 1;
}

TTableEdit UnmergeCells(TTableModel& Table, TCellSelection& State)
{
    TTableEdit edit;
    QList<int> split;
    if (State.RangeMarked) {
        for (const TPlace& place : LitCells(Table, State))
            if (IsSpanned(At(Table, place)))
                split.append(At(Table, place).Token);
    } else {
        const TTableCell* cell = State.Row != 0 ? Table.Cell(State.Cell) : nullptr;
        if (!cell)
            return edit;
        if (IsSpanned(*cell))
            split.append(cell->Token);
    }
    edit.Run = true;
    for (int token : split) {
        int r = 0, i = 0;
        if (!Table.FindCell(token, r, i))
            continue;
        const TTableCell cell = Table.Rows[r].Cells[i];
        // The split cell keeps the first slot; new cells fill the rest of its columns in its own row and
        // the whole width in each further row it covered, before the first cell to the right there.
        QList<TTableChange> changes;
        if (cell.RowSpan != 1)
            changes.append(TTableChange::Unset(token, RowSpanName));
        if (cell.ColSpan != 1)
            changes.append(TTableChange::Unset(token, ColSpanName));
        if (cell.ColSpan > 1)
            changes.append(TTableChange::NewCells(Table.Rows[r].Token, i + 1, cell.ColSpan - 1));
        for (int k = r + 1; k < r + cell.GridRows; ++k) {
            int at = -1;
            const QList<TTableCell>& cells = Table.Rows[k].Cells;
            for (qsizetype j = 0; j < cells.size() && at < 0; ++j)
                if (cells[j].GridCol > cell.GridCol)
                    at = int(j);
            changes.append(TTableChange::NewCells(Table.Rows[k].Token, at, cell.ColSpan));
        }
        Table.Apply(changes);
        edit.Changes.append(changes);
        State.Highlighted.remove(token);
    }
    return edit;
}

TTableEdit FixTable(TTableModel& Table)
{
    TTableEdit edit;
    edit.Run = true;
    const QList<int> entries = Table.Occupancy();
    const int width = entries.isEmpty() ? 0 : *std::max_element(entries.begin(), entries.end());
    QList<TTableChange> changes;
    const qsizetype rows = Table.Rows.size();
    for (qsizetype r = 0; r < rows; ++r)
        if (entries[r] < width)
            changes.append(TTableChange::NewCells(Table.Rows[r].Token, -1, width - entries[r]));
    // Rows that the row spans of the last rows reach but the table lacks.
    int reference = -1;
    for (qsizetype r = rows; r < entries.size(); ++r, --reference) {
        changes.append(TTableChange::NewRow(reference, int(r)));
        if (entries[r] < width)
            changes.append(TTableChange::NewCells(reference, -1, width - entries[r]));
    }
    Table.Apply(changes);
    edit.Changes = changes;
    return edit;
}

TTableEdit AlignCells(TTableModel& Table, TCellSelection& State, const QString& Name, const QString& Value)
{
    TTableEdit edit;
    edit.Run = true;
    for (const TPlace& place : TargetCells(Table, State))
        edit.Changes.append(TTableChange::Set(At(Table, place).Token, Name, Value));
    Table.Apply(edit.Changes);
    return edit;
}

} // namespace

QList<int> MergedCells(const TTableModel& Table, const TCellSelection& State)
{
    if (State.RangeSpansRowGroups(Table))
        return {};
    const TCellRect block = MergeBlock(Table, State);
    QList<int> tokens;
    for (const TTableRow& row : Table.Rows)
        for (const TTableCell& cell : row.Cells)
            if (cell.Token != 0 && block.Right > block.Left && block.Contains(GridRect(cell)))
                tokens.append(cell.Token);
    return tokens;
}

TTableEdit EditTable(TTableCommand Command, TTableModel& Table, TCellSelection& State, const QString& Value)
{
    switch (Command) {
    case TTableCommand::InsertRowAbove: return InsertRow(Table, State, false);
    case TTableCommand::InsertRowBelow: return InsertRow(Table, State, true);
    case TTableCommand::DeleteRows: return DeleteRows(Table, State);
    case TTableCommand::InsertColumnBefore: return InsertColumn(Table, State, false);
    case TTableCommand::InsertColumnAfter: return InsertColumn(Table, State, true);
    case TTableCommand::DeleteColumns: return DeleteColumns(Table, State);
    case TTableCommand::MergeCells: return MergeCells(Table, State);
    case TTableCommand::UnmergeCells: return UnmergeCells(Table, State);
    case TTableCommand::FixTable: return FixTable(Table);
    case TTableCommand::CellHorzAlign: return AlignCells(Table, State, QStringLiteral("align"), Value);
    case TTableCommand::CellVertAlign: return AlignCells(Table, State, QStringLiteral("valign"), Value);
    }
    return {};
}
