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
#include "WidgetInput.h"

namespace {

using namespace TableText;

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

// A table written as TableText: each cell carries its name as its id and its content. Given Sections, the
// rows of each row group go into the element named there (thead, tbody, tfoot).
QString TableHtml(const QString& text, const QString& attributes = QStringLiteral("border=\"1\""),
                  const QStringList& sections = {})
{
    QString html = QStringLiteral("<table %1>").arg(attributes);
    const TTableModel table = Parse(text);
    for (qsizetype r = 0; r < table.Rows.size(); ++r) {
        const TTableRow& row = table.Rows[r];
        const bool opens = r == 0 || table.Rows[r - 1].Group != row.Group;
        if (opens && r > 0 && row.Group - 1 < sections.size())
            html += QStringLiteral("</%1>").arg(sections[row.Group - 1]);
        if (opens && row.Group < sections.size())
            html += QStringLiteral("<%1>").arg(sections[row.Group]);
        html += QStringLiteral("<tr>");
        for (const TTableCell& cell : row.Cells) {
            const QLatin1String tag(cell.Header ? "th" : "td");
            html += QStringLiteral("<%1 id=\"%2\"").arg(tag, cell.Html);
            if (cell.RowSpan != 1)
                html += QStringLiteral(" rowspan=\"%1\"").arg(cell.RowSpan);
            if (cell.ColSpan != 1)
                html += QStringLiteral(" colspan=\"%1\"").arg(cell.ColSpan);
            html += QStringLiteral(">%1</%2>").arg(cell.Html, tag);
        }
        html += QStringLiteral("</tr>");
    }
    if (!table.Rows.isEmpty() && table.Rows.last().Group < sections.size())
        html += QStringLiteral("</%1>").arg(sections[table.Rows.last().Group]);
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

    // Where the resize frame stands off the first table's box (left, top, width, height in whole pixels);
    // "none" when no frame shows.
    QString FrameOffTable() const
    {
        return Eval(QStringLiteral(
                        "(function(){const h=window.__designRuntime.handles();if(!h)return 'none';"
                        "const r=document.querySelector('table').getBoundingClientRect();const f=h.frame;"
                        "return [f[0]-r.left,f[1]-r.top,f[2]-r.width,f[3]-r.height].map(Math.round).join(',');})()"))
            .toString();
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
        // The press in a cell put the resize frame on the table; it follows the table's new box after the
        // command, its undo and its redo.
        const QLatin1String onTable("0,0,0,0");
        EXPECT_EQ(FrameOffTable(), onTable);
        (Designer->*c.Command)();
        EXPECT_EQ(PageTable(), QString::fromLatin1(c.Expected));
        EXPECT_EQ(FrameOffTable(), onTable);
        const QString after = Body();
        const TUndoGroups& groups = Designer->UndoGroups();
        ASSERT_EQ(groups.Count(), 1);
        EXPECT_EQ(groups.Caption(0), QString::fromLatin1(c.Caption));
        EXPECT_EQ(groups.Units(0), 1);
        Designer->Undo();
        EXPECT_EQ(Body(), before);
        EXPECT_EQ(FrameOffTable(), onTable);
        Designer->Redo();
        EXPECT_EQ(Body(), after);
        EXPECT_EQ(FrameOffTable(), onTable);
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

TEST_F(HtmlDesignerTablesTest, AnEmptyCellIsOneLineOfItsFontHighAndTakesAClickAndTyping)
{
    Load(QStringLiteral("<table border=\"1\" width=\"300\"><tr><td id=\"full\">x</td><td></td></tr>"
                        "<tr><td id=\"b\"></td><td id=\"c\"></td></tr><tr><td id=\"big\" style=\"font-size:40px\"></td>"
                        "<th id=\"h\"></th></tr></table>"));
    const QString before = Body();
    const auto height = [this](const char* id) {
        return Eval(QStringLiteral("document.getElementById('%1').getBoundingClientRect().height").arg(QLatin1String(id))).toDouble();
    };
    // A row of empty cells is as high as a row of text, and an empty cell follows its own font.
    EXPECT_EQ(height("b"), height("full"));
    EXPECT_GE(height("big"), 40.0);
    EXPECT_GE(height("h"), 40.0);
    // A click into the empty row puts the caret in its cell: what is typed next lands there.
    Drag(QStringLiteral("#c"));
    Type(Designer->View()->focusProxy(), QStringLiteral("typed"));
    EXPECT_TRUE(WaitUntil([this] { return Eval(QStringLiteral("document.getElementById('c').textContent")) == QStringLiteral("typed"); }))
        << Body().toStdString();
    // The line is the design view's own: the document holds no character of it.
    EXPECT_FALSE(Body().contains(QChar(0x200B)));
    EXPECT_EQ(Eval(QStringLiteral("document.getElementById('b').innerHTML")).toString(), QString());
}

// A table's own rows as TableText prints them: its row groups, header cells and each cell's own words
// (those of a table inside the cell left out).
QString OwnTable(const THtmlNode* table)
{
    // The node after Node's subtree within Table, or null.
    const auto skip = [table](const THtmlNode* node) -> THtmlNode* {
        while (node != table && !node->NextSibling())
            node = node->Parent();
        return node == table ? nullptr : node->NextSibling();
    };
    const auto words = [&skip, table](const THtmlNode* cell) {
        QStringList parts;
        for (THtmlNode* node = cell->FirstChild(); node && node != skip(cell);) {
            if (node->TagId() == TAG_TABLE) {
                node = skip(node);
                continue;
            }
            if (node->TagId() == TAG_TEXT)
                parts << static_cast<const THtmlText*>(node)->Text();
            node = table->GetNextNode(node);
        }
        return parts.join(QLatin1Char(' ')).simplified();
    };
    TTableModel model;
    const THtmlNode* section = nullptr;
    int group = -1;
    for (THtmlNode* node = table->GetNextNode(nullptr); node;) {
        const auto* tag = node->NodeClass() == THtmlNode::ncTag ? static_cast<const THtmlTag*>(node) : nullptr;
        if (tag && tag->TagId() == TAG_TABLE) {
            node = skip(node);
            continue;
        }
        if (tag && tag->TagId() == TAG_TR) {
            if (tag->Parent() != section) {
                section = tag->Parent();
                ++group;
            }
            model.Rows << TTableRow{.Token = 1, .Group = group};
        }
        if (tag && (tag->TagId() == TAG_TD || tag->TagId() == TAG_TH) && !model.Rows.isEmpty()) {
            TTableCell cell;
            cell.Token = 1;
            cell.Header = tag->TagId() == TAG_TH;
            cell.RowSpan = tag->HasAttribute(ATTR_ROWSPAN) ? tag->GetAttribute(ATTR_ROWSPAN).toInt() : 1;
            cell.ColSpan = tag->HasAttribute(ATTR_COLSPAN) ? tag->GetAttribute(ATTR_COLSPAN).toInt() : 1;
            cell.Html = words(tag);
            model.Rows.last().Cells << cell;
            node = skip(node);
            continue;
        }
        node = table->GetNextNode(node);
    }
    return Print(model);
}

// Every table of a saved file, in document order.
QStringList SavedTables(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(unreadable)")};
    const std::unique_ptr<THtmlRoot> root = ParseHtml(QString::fromLatin1(file.readAll()));
    QStringList tables;
    for (THtmlNode* node = root->GetNextNode(nullptr); node; node = root->GetNextNode(node))
        if (node->TagId() == TAG_TABLE)
            tables << OwnTable(node);
    return tables;
}

TEST_F(HtmlDesignerTablesTest, RandomCommandsKeepTablesRectangularSaveWholeAndUndoToTheExactHtml)
{
    QRandomGenerator random(7021);
    void (THtmlDesigner::*const commands[])() = {
        &THtmlDesigner::InsertRowAbove, &THtmlDesigner::InsertRowBelow,     &THtmlDesigner::DeleteRows,
        &THtmlDesigner::InsertColumnBefore, &THtmlDesigner::InsertColumnAfter, &THtmlDesigner::DeleteColumns,
        &THtmlDesigner::MergeCells,     &THtmlDesigner::UnmergeCells,       &THtmlDesigner::FixTable,
    };
    // Every table of the page as the saved file's are printed.
    const QString pageTables = QStringLiteral(R"((function(){
        function words(cell){const parts=[];const walk=document.createTreeWalker(cell,NodeFilter.SHOW_ELEMENT|NodeFilter.SHOW_TEXT,
          {acceptNode:n=>n.nodeType===1&&n.tagName==='TABLE'?NodeFilter.FILTER_REJECT:NodeFilter.FILTER_ACCEPT});
          for(let n=walk.nextNode();n;n=walk.nextNode())if(n.nodeType===3)parts.push(n.data);
          return parts.join(' ').replace(/\s+/g,' ').trim();}
        return Array.from(document.body.querySelectorAll('table')).map(function(t){const groups=[];
          return Array.from(t.rows).map(function(r){let g=groups.indexOf(r.parentNode);if(g<0){g=groups.length;groups.push(r.parentNode);}
            return [g,Array.from(r.cells).map(c=>[c.tagName==='TH',c.rowSpan,c.colSpan,words(c)])];});});})())");
    const auto tablesOfPage = [&] {
        QStringList tables;
        for (const QVariant& table : Eval(pageTables).toList()) {
            TTableModel model;
            for (const QVariant& rowItem : table.toList()) {
                const QVariantList row = rowItem.toList();
                model.Rows << TTableRow{.Token = 1, .Group = row.value(0).toInt()};
                for (const QVariant& cellItem : row.value(1).toList()) {
                    const QVariantList cell = cellItem.toList();
                    model.Rows.last().Cells << TTableCell{.Token = 1, .Header = cell.value(0).toBool(),
                                                          .RowSpan = cell.value(1).toInt(),
                                                          .ColSpan = cell.value(2).toInt(),
                                                          .Html = cell.value(3).toString()};
                }
            }
            tables << Print(model);
        }
        return tables;
    };
    const QString saved = Dir->filePath(QStringLiteral("random.htm"));
    for (int run = 0; run < 24; ++run) {
        SCOPED_TRACE(run);
        // Plain tables, and tables in row groups with header cells; every other one holds a nested table.
        QString html, text;
        const bool grouped = run % 4 >= 2;
        if (!grouped) {
            text = Print(RandomTable(random, 2 + random.bounded(3), 2 + random.bounded(3)));
            html = TableHtml(text, run % 2 ? QStringLiteral("border=\"1\" cellpadding=\"4\"") : QString());
        } else {
            const TGroupedTable source = RandomGroupedTable(random, 2 + random.bounded(3));
            text = source.Text;
            html = TableHtml(text, QStringLiteral("border=\"1\""), source.Sections);
        }
        int names = 0;
        for (const TTableRow& row : Parse(text).Rows)
            names += int(row.Cells.size());
        if (run % 2 == 0) {
            int name = 0;
            const QString inner = TableHtml(RandomRows(random, 2, 2, name, QStringLiteral("m")));
            const QString cell = QStringLiteral(">n%1</").arg(random.bounded(names));
            html.replace(cell, cell.chopped(2) + inner + QStringLiteral("</"));
        }
        Load(html);
        const QString initial = Body();
        for (int step = 0; step < 8; ++step) {
            const int cells = Eval(QStringLiteral("document.body.querySelectorAll('td,th').length")).toInt();
            if (cells == 0)
                break;
            const auto anyCell = [&] {
                return QStringLiteral("document.body.querySelectorAll('td,th')[%1]").arg(random.bounded(cells));
            };
            // Tables in row groups get ranges more often: most of what can go wrong there needs one.
            const QString from = anyCell(), to = random.bounded(grouped ? 4 : 2) ? anyCell() : QString();
            SCOPED_TRACE((from + QLatin1String(" to ") + to).toStdString());
            Drag(from, to);
            const int pick = random.bounded(int(std::size(commands)));
            const QString before = tablesOfPage().join(QLatin1Char('\n'));
            (Designer->*commands[pick])();
            const QStringList after = tablesOfPage();
            for (const QString& table : after)
                ASSERT_TRUE(IsRectangular(Parse(table))) << "command " << pick << " on " << before.toStdString();
            Designer->SaveToFile(saved);
            ASSERT_EQ(SavedTables(saved), after) << "command " << pick << " on " << before.toStdString();
            // A click elsewhere, so that the next press at the same place is no double-click.
            Drag(QStringLiteral("#after"));
        }
        while (Designer->CanUndo())
            Designer->Undo();
        EXPECT_EQ(Body(), initial);
    }
}

} // namespace
