// Table editing in the design view on the real engine, driven by the pointer: the highlighted range, the
// commands' changes, their undo groups, and what a saved file holds afterwards.
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "EngineBridge.h"
#include "HtmlAttributes.h"
#include "HtmlDesigner.h"
#include "HtmlFiler.h"
#include "HtmlTags.h"
#include "NameSpace.h"
#include "DesignPointer.h"
#include "TableText.h"
#include "TestHooks.h"

namespace {

using namespace TableText;

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

// A table written as TableText: each cell carries its name as its id and its content.
QString TableHtml(const QString& text, const QString& attributes = QStringLiteral("border=\"1\""))
{
    QString html = QStringLiteral("<table %1>").arg(attributes);
    const TTableModel table = Parse(text);
    for (const TTableRow& row : table.Rows) {
        html += QStringLiteral("<tr>");
        for (const TTableCell& cell : row.Cells) {
            html += QStringLiteral("<td id=\"%1\"").arg(cell.Html);
            if (cell.RowSpan != 1)
                html += QStringLiteral(" rowspan=\"%1\"").arg(cell.RowSpan);
            if (cell.ColSpan != 1)
                html += QStringLiteral(" colspan=\"%1\"").arg(cell.ColSpan);
            html += QStringLiteral(">%1</td>").arg(cell.Html);
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

class HtmlDesignerTablesTest : public ::testing::Test, public TDesignPointer
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir();
        Shared = new THtmlDesigner();
        Shared->resize(900, 700);
        Shared->show();
    }
    static void TearDownTestSuite()
    {
        delete Shared;
        delete Dir;
        Shared = nullptr;
        Dir = nullptr;
    }
    void SetUp() override { Designer = Shared; }

    void Load(const QString& body)
    {
        Designer->SetHtml(QStringLiteral("<html><body>") + body + QStringLiteral("<p id=\"after\">after</p></body></html>"));
        ASSERT_TRUE(WaitUntil([this] { return Eval(QStringLiteral("document.body.offsetHeight")).toInt() > 0; }));
    }
    QString Body() const { return Eval(QStringLiteral("document.body.outerHTML")).toString(); }
    static QStringList Ids(const QList<TEngineElement>& elements)
    {
        QStringList ids;
        for (const TEngineElement& element : elements)
            ids << element.GetAttribute(QStringLiteral("id"));
        ids.sort();
        return ids;
    }
    // The cells whose marks the page shows.
    QStringList ShownIds() const
    {
        QVariant marks;
        Designer->Bridge()->Invoke(QStringLiteral("tableHighlighted"), {}, &marks);
        QList<TEngineElement> shown;
        for (const QVariant& mark : marks.toList())
            if (mark.toMap().value(QStringLiteral("shown")).toBool())
                shown << TEngineElement(Designer->Bridge(), {{QStringLiteral("token"), mark.toMap().value(QStringLiteral("token"))}});
        return Ids(shown);
    }
    // The table as TableText prints it, from the page.
    QString PageTable(const QString& what = QStringLiteral("document.querySelector('table')")) const
    {
        QVariant snapshot;
        EXPECT_EQ(Designer->Bridge()->Invoke(QStringLiteral("tableSnapshot"), {Token(what), false, true}, &snapshot),
                  TEngineBridge::TCallResult::Ok);
        return Print(TTableModel::FromSnapshot(snapshot.toString()));
    }

    static inline THtmlDesigner* Shared = nullptr;
    static inline QTemporaryDir* Dir = nullptr;
};

bool IsYellow(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) < 90;
}

TEST_F(HtmlDesignerTablesTest, ADragHighlightsTheRangeOverSpannedCellsOnALayerOutsideTheDocument)
{
    Load(TableHtml(QStringLiteral("a b/c2 | d e f | g h i"), QStringLiteral("border=\"1\" width=\"450\"")));
    const QString before = Body();
    const int units = Designer->Bridge()->State().UndoCount;
    Drag(QStringLiteral("#a"), QStringLiteral("#e"));
    const QStringList range{"a", "b", "d", "e", "f"};
    EXPECT_EQ(Ids(Designer->HighlightedCells()), range);
    EXPECT_TRUE(WaitUntil([&] { return ShownIds() == range; })) << ShownIds().join(',').toStdString();
    EXPECT_TRUE(Designer->CellSelection().RangeMarked);
    EXPECT_EQ(Designer->CurrentCell().Token(), Token(QStringLiteral("#a")));
    EXPECT_EQ(Designer->GetCurrentTable().Id(), Eval(QStringLiteral("document.querySelector('table').id")).toString());
    // The engine's own text selection is gone; the document and its undo record are untouched.
    EXPECT_TRUE(Eval(QStringLiteral("getSelection().rangeCount===0||getSelection().isCollapsed")).toBool());
    EXPECT_EQ(Body(), before);
    Designer->Bridge()->RefreshState();
    EXPECT_EQ(Designer->Bridge()->State().UndoCount, units);
    // The user sees it: inside the range yellow, outside not.
    const auto pixel = [this](const QString& cell) {
        return Designer->View()->grab().toImage().pixel(Inside(cell, 0.8, 0.5));
    };
    EXPECT_TRUE(WaitUntil([&] { return IsYellow(pixel(QStringLiteral("#f"))); }));
    EXPECT_FALSE(IsYellow(pixel(QStringLiteral("#g"))));

    // A click in one cell ends the range; a click outside any table ends the table selection.
    Drag(QStringLiteral("#g"));
    EXPECT_TRUE(Designer->HighlightedCells().isEmpty());
    EXPECT_TRUE(WaitUntil([this] { return ShownIds().isEmpty(); }));
    EXPECT_EQ(Designer->CurrentCell().Token(), Token(QStringLiteral("#g")));
    EXPECT_TRUE(Designer->CanDeleteColumns());
    Drag(QStringLiteral("#after"));
    EXPECT_FALSE(Designer->GetCurrentTable().IsValid());
    EXPECT_FALSE(Designer->CanFixTable());
}

TEST_F(HtmlDesignerTablesTest, APressOnAnElementInsideACellCountsAsThatCell)
{
    Load(QStringLiteral("<table border=\"1\"><tr><td id=\"a\"><b>bold</b> text</td><td id=\"b\"><a href=\"x.htm\">link</a></td></tr>"
                        "<tr><td id=\"c\"><font color=\"red\">red</font></td><td id=\"d\"><p>para</p><img src=\"none.gif\" "
                        "width=\"40\" height=\"30\"></td></tr></table>"));
    Drag(QStringLiteral("#a b"), QStringLiteral("#d img"));
    EXPECT_EQ(Ids(Designer->HighlightedCells()), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(Designer->CurrentCell().Token(), Token(QStringLiteral("#a")));
    EXPECT_EQ(Designer->CurrentRow().Token(), Token(QStringLiteral("document.querySelector('#a').parentElement")));
    Drag(QStringLiteral("#b a"), QStringLiteral("#b a"));
    Drag(QStringLiteral("#c font"), QStringLiteral("#d p"));
    EXPECT_EQ(Ids(Designer->HighlightedCells()), QStringList({"c", "d"}));
    EXPECT_EQ(Designer->CurrentCell().Token(), Token(QStringLiteral("#c")));
    // A header cell is no cell to select: a click in one ends the table selection.
    Eval(QStringLiteral("document.querySelector('#a').insertAdjacentHTML('beforebegin','<th id=\"h\">head</th>')"));
    Drag(QStringLiteral("#h"));
    EXPECT_FALSE(Designer->GetCurrentTable().IsValid());
    EXPECT_TRUE(Designer->HighlightedCells().isEmpty());
}

TEST_F(HtmlDesignerTablesTest, ABatchThatFailsHalfWayChangesNothingAndIndexesPastTheEndAppend)
{
    Load(TableHtml(QStringLiteral("a b | c d")));
    const QString before = Body();
    Designer->Bridge()->RefreshState();
    const int units = Designer->Bridge()->State().UndoCount;
    const QString table = QStringLiteral("document.querySelector('table')");
    const int row = Token(table + QStringLiteral(".rows[0]"));
    const auto batch = [&](const QVariantList& changes) {
        return Designer->Bridge()->Invoke(QStringLiteral("tableBatch"), {Token(table), QVariant(changes), QVariant()});
    };
    EXPECT_EQ(batch({QVariantList{"cells", row, 99, 2}, QVariantList{"set", Token("#a"), "colspan", "2"},
                     QVariantList{"remove", 987654}}),
              TEngineBridge::TCallResult::ScriptFailed);
    EXPECT_EQ(Body(), before);
    Designer->Bridge()->RefreshState();
    EXPECT_EQ(Designer->Bridge()->State().UndoCount, units);
    ASSERT_EQ(batch({QVariantList{"cells", row, 99, 2}, QVariantList{"row", 99, -1}, QVariantList{"cells", -1, 5, 1}}),
              TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(PageTable(), QStringLiteral("a b _ _ | c d | _"));
}

TEST_F(HtmlDesignerTablesTest, TablesAreToldApartByTheirElementAndNoStaleHighlightIsDeleted)
{
    Load(TableHtml(QStringLiteral("a b | c d")));
    // A copy pasted from the page itself carries the same id.
    Eval(QStringLiteral("getSelection().collapse(document.getElementById('after'),0)"));
    ASSERT_TRUE(Designer->InsertHtml(Eval(QStringLiteral("document.querySelector('table').outerHTML")).toString()));
    const QString first = QStringLiteral("document.querySelectorAll('table')[0]");
    const QString second = QStringLiteral("document.querySelectorAll('table')[1]");
    const auto cell = [](const QString& table, int r, int c) { return QStringLiteral("%1.rows[%2].cells[%3]").arg(table).arg(r).arg(c); };
    ASSERT_EQ(Eval(first + QStringLiteral(".id")), Eval(second + QStringLiteral(".id")));

    Drag(cell(first, 0, 0), cell(first, 1, 1));
    ASSERT_EQ(Designer->HighlightedCells().size(), 4);
    Drag(cell(second, 0, 0));
    EXPECT_TRUE(Designer->HighlightedCells().isEmpty());
    EXPECT_TRUE(WaitUntil([this] { return ShownIds().isEmpty(); }));
    EXPECT_EQ(Designer->GetCurrentTable().Token(), Token(second));

    // A range, then a press held in one cell: the old range still shows but is no range any more, and
    // Delete Rows takes the pressed cell's row only.
    Drag(cell(second, 0, 0), cell(second, 1, 1));
    Drag(cell(second, 1, 0), {}, true);
    EXPECT_EQ(Designer->HighlightedCells().size(), 4);
    Designer->DeleteRows();
    Mouse(QEvent::MouseButtonRelease, Inside(QStringLiteral("#after")), Qt::NoButton);
    EXPECT_EQ(PageTable(second), QStringLiteral("a b"));
    EXPECT_EQ(PageTable(first), QStringLiteral("a b | c d"));
}

TEST_F(HtmlDesignerTablesTest, EachCommandIsOneNamedGroupThatUndoesToTheExactHtml)
{
    const struct
    {
        void (THtmlDesigner::*Command)();
        const char* Caption;
        const char* Table;
        const char* From;
        const char* To;
        const char* Expected;
    } cases[] = {
        {&THtmlDesigner::InsertRowAbove, "Insert Row Above", "a/r2 b | c", "#c", "", "a/r3 b | _ | c"},
        {&THtmlDesigner::InsertRowBelow, "Insert Row Below", "a b | c d", "#a", "#d", "a b | c d | _ _"},
        {&THtmlDesigner::InsertColumnBefore, "Insert Column Before", "a/c2 | b c", "#c", "", "a/c3 | b _ c"},
        {&THtmlDesigner::InsertColumnAfter, "Insert Column After", "a/r2 b | c", "#a", "", "a/r2 _ b | _ c"},
        {&THtmlDesigner::DeleteRows, "Delete Rows", "a b/r2 | c | d e", "#a", "", "c b | d e"},
        {&THtmlDesigner::DeleteColumns, "Delete Column", "a/c2 b | c d e", "#d", "", "a b | c e"},
        {&THtmlDesigner::MergeCells, "Merge Cells", "a b c | d e f | g h i", "#a", "#e", "a+b+d+e/r2c2 c | f | g h i"},
        {&THtmlDesigner::UnmergeCells, "Unmerge Cells", "a/r2c3 b | c", "#a", "", "a _ _ b | _ _ _ c"},
        {&THtmlDesigner::FixTable, "Fix Table", "a b c | d e | f", "#e", "", "a b c | d e _ | f _ _"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Caption);
        Load(TableHtml(QString::fromLatin1(c.Table)));
        const QString before = Body();
        Drag(QString::fromLatin1(c.From), QString::fromLatin1(c.To));
        (Designer->*c.Command)();
        EXPECT_EQ(PageTable(), QString::fromLatin1(c.Expected));
        const QString after = Body();
        const TUndoGroups& groups = Designer->UndoGroups();
        ASSERT_EQ(groups.Count(), 1);
        EXPECT_EQ(groups.Caption(0), QString::fromLatin1(c.Caption));
        EXPECT_EQ(groups.Units(0), 1);
        Designer->Undo();
        EXPECT_EQ(Body(), before);
        Designer->Redo();
        EXPECT_EQ(Body(), after);
    }
    // Alignment: every cell of the range, or the pressed cell alone.
    Load(TableHtml(QStringLiteral("a b | c d")));
    Drag(QStringLiteral("#a"), QStringLiteral("#c"));
    Designer->SetCellHorzAlign(QStringLiteral("center"));
    Drag(QStringLiteral("#d"));
    Designer->SetCellVertAlign(QStringLiteral("bottom"));
    EXPECT_EQ(Eval(QStringLiteral("Array.from(document.querySelectorAll('td')).map(c=>c.id+':'+c.align+':'+c.vAlign).join(' ')")),
              QStringLiteral("a:center: b:: c:center: d::bottom"));
    EXPECT_EQ(Designer->UndoGroups().Caption(1), QStringLiteral("Cell Vertical Alignment"));
}

// The table of a saved file, as TableText prints it.
QString SavedTable(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(unreadable)");
    const std::unique_ptr<THtmlRoot> root = ParseHtml(QString::fromLatin1(file.readAll()));
    const THtmlNode* table = root->FindFirst(TAG_TABLE);
    if (!table)
        return QStringLiteral("(no table)");
    TTableModel model;
    for (THtmlNode* node = table->GetNextNode(nullptr); node; node = table->GetNextNode(node)) {
        const auto* tag = dynamic_cast<const THtmlTag*>(node);
        if (tag && tag->TagId() == TAG_TR)
            model.Rows << TTableRow();
        if (tag && (tag->TagId() == TAG_TD || tag->TagId() == TAG_TH) && !model.Rows.isEmpty()) {
            TTableCell cell;
            cell.Token = 1;
            cell.RowSpan = tag->HasAttribute(ATTR_ROWSPAN) ? tag->GetAttribute(ATTR_ROWSPAN).toInt() : 1;
            cell.ColSpan = tag->HasAttribute(ATTR_COLSPAN) ? tag->GetAttribute(ATTR_COLSPAN).toInt() : 1;
            cell.Html = GetNodePlainText(tag);
            model.Rows.last().Cells << cell;
        }
    }
    return Print(model);
}

TEST_F(HtmlDesignerTablesTest, RandomCommandsKeepTablesRectangularSaveWholeAndUndoToTheExactHtml)
{
    QRandomGenerator random(7021);
    void (THtmlDesigner::*const commands[])() = {
        &THtmlDesigner::InsertRowAbove, &THtmlDesigner::InsertRowBelow,     &THtmlDesigner::DeleteRows,
        &THtmlDesigner::InsertColumnBefore, &THtmlDesigner::InsertColumnAfter, &THtmlDesigner::DeleteColumns,
        &THtmlDesigner::MergeCells,     &THtmlDesigner::UnmergeCells,       &THtmlDesigner::FixTable,
    };
    const QString saved = Dir->filePath(QStringLiteral("random.htm"));
    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE(run);
        const TTableModel source = RandomTable(random, 2 + random.bounded(3), 2 + random.bounded(3));
        Load(TableHtml(Print(source), run % 2 ? QStringLiteral("border=\"1\" cellpadding=\"4\"") : QStringLiteral("")));
        const QString initial = Body();
        for (int step = 0; step < 6; ++step) {
            const int rows = Eval(QStringLiteral("document.querySelector('table').rows.length")).toInt();
            if (rows == 0)
                break;
            const auto anyCell = [&] {
                const int r = random.bounded(rows);
                const int cells = Eval(QStringLiteral("document.querySelector('table').rows[%1].cells.length").arg(r)).toInt();
                return cells ? QStringLiteral("document.querySelector('table').rows[%1].cells[%2]").arg(r).arg(random.bounded(cells))
                             : QString();
            };
            const QString from = anyCell(), to = random.bounded(2) ? anyCell() : QString();
            if (from.isEmpty())
                continue;
            Drag(from, to);
            const int pick = random.bounded(int(std::size(commands)));
            const QString before = PageTable();
            (Designer->*commands[pick])();
            const QString after = PageTable();
            ASSERT_TRUE(IsRectangular(Parse(after))) << "command " << pick << " on " << before.toStdString();
            Designer->SaveToFile(saved);
            ASSERT_EQ(SavedTable(saved), after) << "command " << pick << " on " << before.toStdString();
        }
        while (Designer->CanUndo())
            Designer->Undo();
        EXPECT_EQ(Body(), initial);
    }
}

} // namespace
