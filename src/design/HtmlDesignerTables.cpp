// The design view's table editing: the pointer in tables, the highlighted range of cells and the row,
// column and cell commands. The decisions are the plain data of HtmlTables; this is the glue to the page.
#include <algorithm>

#include "EngineBridge.h"
#include "HtmlDesigner.h"

namespace {

TEngineElement ElementOf(TEngineBridge* Bridge, int Token, const QString& Tag, const QString& Id = {})
{
    if (Token == 0)
        return {};
    return TEngineElement(Bridge, {{QStringLiteral("token"), Token}, {QStringLiteral("tag"), Tag}, {QStringLiteral("id"), Id}});
}

int TokenOf(const QVariantMap& Event, const char* Key)
{
    return Event.value(QLatin1String(Key)).toMap().value(QStringLiteral("token")).toInt();
}

bool IsPress(const QString& Type)
{
    return Type == QLatin1String("mousedown");
}

} // namespace

TEngineElement THtmlDesigner::GetCurrentTable() const
{
    return ElementOf(FBridge, FCells.Table, QStringLiteral("TABLE"), FCells.TableId);
}

TEngineElement THtmlDesigner::CurrentRow() const
{
    return ElementOf(FBridge, FCells.Row, QStringLiteral("TR"));
}

TEngineElement THtmlDesigner::CurrentCell() const
{
    return ElementOf(FBridge, FCells.Cell, QStringLiteral("TD"));
}

QList<TEngineElement> THtmlDesigner::HighlightedCells() const
{
    QList<int> tokens = FCells.Highlighted.values();
    std::sort(tokens.begin(), tokens.end());
    QList<TEngineElement> cells;
    for (int token : tokens) {
        const TTableCell* cell = FCells.Pressed.Cell(token);
        cells << ElementOf(FBridge, token, cell && cell->Header ? QStringLiteral("TH") : QStringLiteral("TD"));
    }
    return cells;
}

// ---------------------------------------------------------------------------------------------------
// The pointer

void THtmlDesigner::TableEvent(const QVariantMap& Event)
{
    const QString type = Event.value(QStringLiteral("type")).toString();
    const QString kind = Event.value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("cell")) {
        if (IsPress(type))
            CellMouseDown(Event);
        else if (type == QLatin1String("mousemove"))
            HighlightCellRange(Event);
        else if (type == QLatin1String("mouseup"))
            CellMouseUp(Event);
    } else if (kind == QLatin1String("table")) {
        if (IsPress(type))
            TableMouseDown(Event);
    } else if (IsPress(type) || type == QLatin1String("mouseup")) {
        if (FCells.LeaveTable())
            ShowCellHighlight();
    }
}

void THtmlDesigner::TableMouseDown(const QVariantMap& Event)
{
    if (!Event.value(QStringLiteral("left")).toBool())
        return;
    const QVariantMap table = Event.value(QStringLiteral("table")).toMap();
    if (FCells.TableMouseDown(table.value(QStringLiteral("token")).toInt(), table.value(QStringLiteral("id")).toString()))
        ShowCellHighlight();
}

void THtmlDesigner::CellMouseDown(const QVariantMap& Event)
{
    if (!Event.value(QStringLiteral("left")).toBool())
        return;
    const TTableModel table = TTableModel::FromSnapshot(Event.value(QStringLiteral("grid")).toString());
    if (FCells.CellMouseDown(table, TokenOf(Event, "cell")))
        ShowCellHighlight();
}

void THtmlDesigner::HighlightCellRange(const QVariantMap& Event)
{
    bool unselect = false;
    const bool changed = FCells.HighlightCellRange(TokenOf(Event, "table"), TokenOf(Event, "cell"), &unselect);
    if (unselect)
        Unselect();
    if (changed)
        ShowCellHighlight();
}

void THtmlDesigner::CellMouseUp(const QVariantMap& Event)
{
    if (FCells.CellMouseUp(TokenOf(Event, "table"), TokenOf(Event, "cell")))
        ShowCellHighlight();
}

void THtmlDesigner::ClearCellHighlight()
{
    if (FCells.ClearCellHighlight())
        ShowCellHighlight();
}

void THtmlDesigner::Unselect()
{
    if (IsDocumentReady())
        FBridge->Invoke(QStringLiteral("tableUnselect"), {}, nullptr);
}

void THtmlDesigner::ShowCellHighlight()
{
    if (!IsDocumentReady())
        return;
    QVariantList tokens;
    for (int token : FCells.Highlighted)
        tokens << token;
    FBridge->Invoke(QStringLiteral("tableHighlight"), {QVariant(tokens)}, nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Commands

bool THtmlDesigner::CanInsertRowAbove() const { return FCells.Table && FCells.Row; }
bool THtmlDesigner::CanInsertRowBelow() const { return FCells.Table && FCells.Row; }
bool THtmlDesigner::CanDeleteRows() const { return FCells.Table && FCells.Row; }
bool THtmlDesigner::CanInsertColumnBefore() const { return FCells.Table && FCells.Row && FCells.Cell; }
bool THtmlDesigner::CanInsertColumnAfter() const { return FCells.Table && FCells.Row && FCells.Cell; }
bool THtmlDesigner::CanDeleteColumns() const { return FCells.Table && FCells.Row && FCells.Cell; }
bool THtmlDesigner::CanMergeCells() const
{
    return FCells.Table && FCells.Row && FCells.Cell && FCells.RangeMarked &&
           !FCells.RangeSpansRowGroups(FCells.Pressed);
}
bool THtmlDesigner::CanFixTable() const { return FCells.Table; }
bool THtmlDesigner::CanSetCellHorzAlign() const { return FCells.Table && FCells.Cell; }
bool THtmlDesigner::CanSetCellVertAlign() const { return FCells.Table && FCells.Cell; }

bool THtmlDesigner::CanUnmergeCells()
{
    if (!FCells.Table || !FCells.Row || !FCells.Cell)
        return false;
    if (FCells.RangeMarked)
        return true;
    QVariant spans;
    if (!IsDocumentReady() || FBridge->IsBusy() ||
        FBridge->Invoke(QStringLiteral("cellSpans"), {FCells.Cell}, &spans) != TEngineBridge::TCallResult::Ok)
        return false;
    const QVariantList values = spans.toList();
    return values.value(0).toInt() > 1 || values.value(1).toInt() > 1;
}

void THtmlDesigner::InsertRowAbove()
{
    if (FCells.Table && FCells.Row)
        RunTableCommand(TTableCommand::InsertRowAbove, QStringLiteral("Insert Row Above"));
}

void THtmlDesigner::InsertRowBelow()
{
    if (FCells.Table && FCells.Row)
        RunTableCommand(TTableCommand::InsertRowBelow, QStringLiteral("Insert Row Below"));
}

void THtmlDesigner::DeleteRows()
{
    if (FCells.Table && FCells.Cell)
        RunTableCommand(TTableCommand::DeleteRows, QStringLiteral("Delete Rows"));
}

void THtmlDesigner::InsertColumnBefore()
{
    if (FCells.Table && FCells.Row && FCells.Cell)
        RunTableCommand(TTableCommand::InsertColumnBefore, QStringLiteral("Insert Column Before"));
}

void THtmlDesigner::InsertColumnAfter()
{
    if (FCells.Table && FCells.Row && FCells.Cell)
        RunTableCommand(TTableCommand::InsertColumnAfter, QStringLiteral("Insert Column After"));
}

void THtmlDesigner::DeleteColumns()
{
    if (FCells.Table && FCells.Cell)
        RunTableCommand(TTableCommand::DeleteColumns, QStringLiteral("Delete Column"));
}

void THtmlDesigner::MergeCells()
{
    if (FCells.Table)
        RunTableCommand(TTableCommand::MergeCells, QStringLiteral("Merge Cells"));
}

void THtmlDesigner::UnmergeCells()
{
    if (FCells.Table && FCells.Row && FCells.Cell)
        RunTableCommand(TTableCommand::UnmergeCells, QStringLiteral("Unmerge Cells"));
}

void THtmlDesigner::FixTable()
{
    if (FCells.Table)
        RunTableCommand(TTableCommand::FixTable, QStringLiteral("Fix Table"));
}

void THtmlDesigner::SetCellHorzAlign(const QString& Align)
{
    if (FCells.Table)
        RunTableCommand(TTableCommand::CellHorzAlign, QStringLiteral("Cell Horizontal Alignment"), Align);
}

void THtmlDesigner::SetCellVertAlign(const QString& Align)
{
    if (FCells.Table)
        RunTableCommand(TTableCommand::CellVertAlign, QStringLiteral("Cell Vertical Alignment"), Align);
}

void THtmlDesigner::MoveToNextCell(const TEngineElement& Table, const TEngineElement& Cell, bool Back)
{
    QVariant snapshot;
    if (!IsDocumentReady() || FBridge->IsBusy() ||
        FBridge->Invoke(QStringLiteral("tableSnapshot"), {Table.Token(), false, false}, &snapshot) !=
            TEngineBridge::TCallResult::Ok)
        return;
    // The cells in reading order: row by row (header rows first, footer rows last, as the page orders its
    // rows), each row's cells from its start.
    const TTableModel table = TTableModel::FromSnapshot(snapshot.toString());
    QList<const TTableCell*> cells;
    for (const TTableRow& row : table.Rows)
        for (const TTableCell& cell : row.Cells)
            cells << &cell;
    qsizetype at = -1;
    for (qsizetype i = 0; i < cells.size(); ++i)
        if (cells[i]->Token == Cell.Token())
            at = i;
    const qsizetype next = Back ? at - 1 : at + 1;
    if (at < 0 || next < 0 || next >= cells.size())
        return;
    ElementOf(FBridge, cells[next]->Token, cells[next]->Header ? QStringLiteral("TH") : QStringLiteral("TD"))
        .PlaceCaretAtStart();
}

// One snapshot of the table, the command worked out on it, one batch of changes: one undo unit in one
// named group. The page applies the batch whole or, when any part fails, not at all.
void THtmlDesigner::RunTableCommand(TTableCommand Command, const QString& Caption, const QString& Value)
{
    if (!IsDocumentReady() || FBridge->IsBusy())
        return;
    QVariant snapshot;
    if (FBridge->Invoke(QStringLiteral("tableSnapshot"), {FCells.Table, false, false}, &snapshot) !=
        TEngineBridge::TCallResult::Ok)
        return;
    TTableModel table = TTableModel::FromSnapshot(snapshot.toString());
    if (!table.Connected)
        return; // the table has left the document (cut, typed over, its insertion undone)
    if (Command == TTableCommand::MergeCells) {
        // Only the merged cells' contents: a large table's whole text would cost more than the rest.
        const QList<int> merged = MergedCells(table, FCells);
        QVariantList tokens;
        for (int token : merged)
            tokens << token;
        QVariant contents;
        if (!merged.isEmpty() && FBridge->Invoke(QStringLiteral("cellContents"), {QVariant(tokens)}, &contents) !=
                                     TEngineBridge::TCallResult::Ok)
            return;
        const QVariantList texts = contents.toList();
        for (TTableRow& row : table.Rows)
            for (TTableCell& cell : row.Cells) {
                const qsizetype at = merged.indexOf(cell.Token);
                if (at >= 0)
                    cell.Html = texts.value(at).toString();
            }
    }
    TCellSelection state = FCells;
    const TTableEdit edit = EditTable(Command, table, state, Value);
    if (!edit.Run)
        return;
    // The snapshot's and the batch's answers carry the page's undo count: asking again after the batch
    // would wait for the page to lay the changed table out.
    FUndoGroups.Begin(Caption, FBridge->State().UndoCount);
    const bool highlightChanged = state.Highlighted != FCells.Highlighted;
    if (!edit.Changes.isEmpty()) {
        QVariantList changes;
        changes.reserve(edit.Changes.size());
        for (const TTableChange& change : edit.Changes)
            changes << QVariant(change.ToVariant());
        // The new highlight goes along: another call after the batch would wait for the page's layout.
        QVariant highlight;
        if (highlightChanged) {
            QVariantList tokens;
            for (int token : state.Highlighted)
                tokens << token;
            highlight = tokens;
        }
        if (FBridge->Invoke(QStringLiteral("tableBatch"), {FCells.Table, QVariant(changes), highlight}, nullptr) !=
            TEngineBridge::TCallResult::Ok) {
            // Nothing changed; the insert commands record their group all the same.
            const bool insert = Command == TTableCommand::InsertRowAbove || Command == TTableCommand::InsertRowBelow ||
                                Command == TTableCommand::InsertColumnBefore ||
                                Command == TTableCommand::InsertColumnAfter;
            if (insert)
                FUndoGroups.End(FBridge->State().UndoCount);
            return;
        }
    }
    FUndoGroups.End(FBridge->State().UndoCount);
    FCells = state;
    if (highlightChanged && edit.Changes.isEmpty())
        ShowCellHighlight();
}
