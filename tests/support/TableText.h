#pragma once
// Tables written as short texts for the tests of table editing, random rectangular tables with spans, and
// the check that a table stays rectangular.
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

#include "HtmlTables.h"

namespace TableText {

// "a b/c2 | c/r2c3 d": rows split by "|", cells by blanks, "/rNcM" the spans; "~" or "_" an empty cell;
// "!" before a cell makes it a header cell; "||" starts the next row group (thead, tbody, tfoot).
// Tokens: cells 1, 2, ... in order, rows 1000 + index. Rectangles: ten pixels a grid slot.
inline TTableModel Parse(const QString& text)
{
    TTableModel table;
    table.Token = 999;
    table.Connected = true;
    int token = 1;
    const QStringList groups = text.split(QStringLiteral("||"));
    for (qsizetype group = 0; group < groups.size(); ++group)
        for (const QString& line : groups[group].split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            TTableRow row;
            row.Token = 1000 + int(table.Rows.size());
            row.Group = int(group);
            for (QString item : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                TTableCell cell;
                cell.Token = token++;
                cell.Header = item.startsWith(QLatin1Char('!'));
                if (cell.Header)
                    item.remove(0, 1);
                const QStringList parts = item.split(QLatin1Char('/'));
                cell.Html = parts[0] == QLatin1String("~") || parts[0] == QLatin1String("_") ? QString() : parts[0];
                const QString spans = parts.value(1);
                const qsizetype r = spans.indexOf(QLatin1Char('r')), c = spans.indexOf(QLatin1Char('c'));
                if (r >= 0)
                    cell.RowSpan = spans.mid(r + 1, c > r ? c - r - 1 : -1).toInt();
                if (c >= 0)
                    cell.ColSpan = spans.mid(c + 1).toInt();
                row.Cells << cell;
            }
            table.Rows << row;
        }
    table.Layout();
    for (TTableRow& row : table.Rows)
        for (TTableCell& cell : row.Cells)
            cell.Rect = {cell.GridCol * 10, cell.GridRow * 10, (cell.GridCol + cell.ColSpan) * 10,
                         (cell.GridRow + cell.GridRows) * 10};
    return table;
}

// The table as Parse reads it; an empty cell is "_", blanks in a content "+".
inline QString Print(const TTableModel& table)
{
    QString text;
    for (qsizetype r = 0; r < table.Rows.size(); ++r) {
        const TTableRow& row = table.Rows[r];
        if (r > 0)
            text += row.Group != table.Rows[r - 1].Group ? QStringLiteral(" || ") : QStringLiteral(" | ");
        QStringList cells;
        for (const TTableCell& cell : row.Cells) {
            QString item = (cell.Header ? QStringLiteral("!") : QString()) +
                           (cell.Html.isEmpty() ? QStringLiteral("_") : cell.Html);
            item.replace(QLatin1Char(' '), QLatin1Char('+'));
            if (cell.RowSpan != 1 || cell.ColSpan != 1)
                item += QLatin1Char('/') + (cell.RowSpan != 1 ? QStringLiteral("r%1").arg(cell.RowSpan) : QString()) +
                        (cell.ColSpan != 1 ? QStringLiteral("c%1").arg(cell.ColSpan) : QString());
            cells << item;
        }
        text += cells.join(QLatin1Char(' '));
    }
    return text;
}

// Every grid row covers the same columns from the first on, each slot by exactly one cell.
inline ::testing::AssertionResult IsRectangular(const TTableModel& table)
{
    QList<QList<int>> covered(table.Rows.size());
    for (const TTableRow& row : table.Rows)
        for (const TTableCell& cell : row.Cells)
            for (int r = cell.GridRow; r < cell.GridRow + cell.GridRows; ++r) {
                if (covered[r].size() < cell.GridCol + cell.ColSpan)
                    covered[r].resize(cell.GridCol + cell.ColSpan, 0);
                for (int c = cell.GridCol; c < cell.GridCol + cell.ColSpan; ++c)
                    ++covered[r][c];
            }
    for (qsizetype r = 0; r < covered.size(); ++r) {
        if (covered[r].size() != covered[0].size() || covered[r].count(1) != covered[r].size())
            return ::testing::AssertionFailure() << "row " << r << " of " << Print(table).toStdString();
        for (const TTableCell& cell : table.Rows[r].Cells)
            if (cell.RowSpan > cell.GridRows)
                return ::testing::AssertionFailure() << "span below the table in " << Print(table).toStdString();
    }
    return ::testing::AssertionSuccess();
}

// The rows of a rectangular table of Rows x Cols covered, with random blocks merged into spanned cells,
// named Prefix followed by Name, counted on. With Headers, about one cell in Headers is a header cell.
inline QString RandomRows(QRandomGenerator& random, int rows, int cols, int& name, const QString& prefix = QStringLiteral("n"),
                          int headers = 0)
{
    QList<QList<int>> owner(rows, QList<int>(cols, -1));
    QStringList lines;
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (int c = 0; c < cols; ++c) {
            if (owner[r][c] >= 0)
                continue;
            int height = 1 + random.bounded(std::min(3, rows - r)), width = 1 + random.bounded(std::min(3, cols - c));
            for (int w = 1; w < width; ++w)
                if (owner[r][c + w] >= 0)
                    width = w;
            for (int k = r; k < r + height; ++k)
                for (int w = c; w < c + width; ++w)
                    owner[k][w] = name;
            const bool header = headers > 0 && random.bounded(headers) == 0;
            cells << QStringLiteral("%1%2%3/r%4c%5")
                         .arg(header ? QStringLiteral("!") : QString(), prefix)
                         .arg(name++)
                         .arg(height)
                         .arg(width);
        }
        lines << cells.join(QLatin1Char(' '));
    }
    return lines.join(QStringLiteral(" | "));
}

// A rectangular table of Rows x Cols covered, with random blocks merged into spanned cells.
inline TTableModel RandomTable(QRandomGenerator& random, int rows, int cols)
{
    int name = 0;
    return Parse(RandomRows(random, rows, cols, name));
}

// A rectangular table of Cols columns in row groups: perhaps a thead (its cells mostly header cells), one
// or two tbody, perhaps a tfoot; some body cells are header cells. Sections names each group's element.
struct TGroupedTable
{
    QString Text;
    QStringList Sections;
};

inline TGroupedTable RandomGroupedTable(QRandomGenerator& random, int cols, const QString& prefix = QStringLiteral("n"))
{
    TGroupedTable table;
    QStringList groups;
    int name = 0;
    if (random.bounded(2)) {
        table.Sections << QStringLiteral("thead");
        groups << RandomRows(random, 1 + random.bounded(2), cols, name, prefix, 2);
    }
    for (int bodies = 1 + random.bounded(2); bodies > 0; --bodies) {
        table.Sections << QStringLiteral("tbody");
        groups << RandomRows(random, 1 + random.bounded(3), cols, name, prefix, 5);
    }
    if (random.bounded(2)) {
        table.Sections << QStringLiteral("tfoot");
        groups << RandomRows(random, 1, cols, name, prefix, 5);
    }
    table.Text = groups.join(QStringLiteral(" || "));
    return table;
}

} // namespace TableText

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
