// Table commands on a table of 200 rows by 20 columns in the design view: a merge, an inserted row and the
// undo of each, against the same row inserted by a bare script in the page and one round trip into it.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QWebEngineView>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

#include "EngineBenchMain.h"
#include "EngineBridge.h"
#include "HtmlDesigner.h"

namespace {

constexpr int Rows = 200;
constexpr int Columns = 20;

struct TFixture
{
    std::unique_ptr<THtmlDesigner> Designer;
    int Releases = 0;

    TFixture()
    {
        QString table = QStringLiteral("<table border=\"1\">");
        for (int r = 0; r < Rows; ++r) {
            table += QStringLiteral("<tr>");
            for (int c = 0; c < Columns; ++c)
                table += QStringLiteral("<td>%1.%2</td>").arg(r).arg(c);
            table += QStringLiteral("</tr>");
        }
        table += QStringLiteral("</table>");
        Designer = std::make_unique<THtmlDesigner>();
        Designer->resize(1024, 768);
        Designer->show();
        QObject::connect(Designer.get(), &THtmlDesigner::OnMouseUp, [this] { ++Releases; });
        Designer->SetHtml(QStringLiteral("<html><body>") + table + QStringLiteral("</body></html>"));
        Designer->Bridge()->Call(QStringLiteral("document.body.offsetHeight"));
    }

    QString Cell(int row, int column) const
    {
        return QStringLiteral("document.querySelector('table').rows[%1].cells[%2]").arg(row).arg(column);
    }
    QPoint Center(const QString& cell) const
    {
        QVariant r;
        Designer->Bridge()->Call(QStringLiteral("(function(){const r=%1.getBoundingClientRect();"
                                                "return [r.left+r.width/2,r.top+r.height/2];})()")
                                     .arg(cell),
                                 &r);
        return QPoint(r.toList().value(0).toInt(), r.toList().value(1).toInt());
    }
    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) const
    {
        QWidget* target = Designer->View()->focusProxy();
        QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // The page lays out and paints what changed last: the next command starts on a page at rest, as one
    // the user asks for does.
    void Settle() const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 150) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        Designer->Bridge()->Call(QStringLiteral("document.body.offsetHeight"));
    }
    // A press in one cell and a release in another (or the same), as the user drags.
    void Drag(const QString& from, const QString& to)
    {
        const QPoint start = Center(from), end = Center(to);
        const int seen = Releases;
        Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        Mouse(QEvent::MouseMove, start + QPoint(1, 0), Qt::LeftButton);
        Mouse(QEvent::MouseMove, end, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        QElapsedTimer timer;
        timer.start();
        while (Releases == seen && timer.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
    }
};

TFixture& Fixture()
{
    static TFixture fixture;
    return fixture;
}

void BM_MergeTwoByTwoCells(benchmark::State& state)
{
    TFixture& f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.Drag(f.Cell(10, 2), f.Cell(11, 3));
        if (!f.Designer->CanMergeCells())
            state.SkipWithError("no range");
        f.Settle();
        state.ResumeTiming();
        f.Designer->MergeCells();
        state.PauseTiming();
        f.Designer->Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeTwoByTwoCells)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_UndoOfAMerge(benchmark::State& state)
{
    TFixture& f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.Drag(f.Cell(10, 2), f.Cell(11, 3));
        f.Designer->MergeCells();
        f.Settle();
        state.ResumeTiming();
        f.Designer->Undo();
    }
}
BENCHMARK(BM_UndoOfAMerge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_InsertRowAbove(benchmark::State& state)
{
    TFixture& f = Fixture();
    f.Drag(f.Cell(10, 2), f.Cell(10, 2));
    for (auto _ : state) {
        state.PauseTiming();
        f.Settle();
        state.ResumeTiming();
        f.Designer->InsertRowAbove();
        state.PauseTiming();
        f.Designer->Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertRowAbove)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_UndoOfAnInsertedRow(benchmark::State& state)
{
    TFixture& f = Fixture();
    f.Drag(f.Cell(10, 2), f.Cell(10, 2));
    for (auto _ : state) {
        state.PauseTiming();
        f.Designer->InsertRowAbove();
        f.Settle();
        state.ResumeTiming();
        f.Designer->Undo();
    }
}
BENCHMARK(BM_UndoOfAnInsertedRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

// Reference: the same row of 20 empty cells put in by one bare script call, with no snapshot, no grid,
// no undo group.
void BM_ReferenceScriptInsertsTheRow(benchmark::State& state)
{
    TFixture& f = Fixture();
    TEngineBridge* bridge = f.Designer->Bridge();
    for (auto _ : state) {
        state.PauseTiming();
        f.Settle();
        state.ResumeTiming();
        bridge->Call(QStringLiteral("(function(){const r=document.querySelector('table').insertRow(10);"
                                    "for(let i=0;i<20;++i)r.insertCell(0);return r.cells.length;})()"));
        state.PauseTiming();
        bridge->Call(QStringLiteral("document.querySelector('table').deleteRow(10)"));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReferenceScriptInsertsTheRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

// The merge until the page answers again, which it does once it has laid out and painted the changed table.
void BM_MergeTwoByTwoCellsUntilThePageAnswers(benchmark::State& state)
{
    TFixture& f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.Drag(f.Cell(10, 2), f.Cell(11, 3));
        f.Settle();
        state.ResumeTiming();
        f.Designer->MergeCells();
        f.Designer->Bridge()->Call(QStringLiteral("document.body.offsetHeight"));
        state.PauseTiming();
        f.Designer->Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeTwoByTwoCellsUntilThePageAnswers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

// Reference: one synchronous round trip into the page.
void BM_ReferenceRoundTrip(benchmark::State& state)
{
    TFixture& f = Fixture();
    for (auto _ : state)
        f.Designer->Bridge()->Call(QStringLiteral("1"));
}
BENCHMARK(BM_ReferenceRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv, [] { Fixture().Designer.reset(); });
}
