// Opening a large page into the design view against the engine loading the same design page by itself,
// and the cost of one synchronous call into the page.
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <benchmark/benchmark.h>
#include <memory>

#include "EngineBenchMain.h"
#include "EngineBridge.h"
#include "HtmlDesigner.h"

namespace {

// About 2 MB of ordinary page: paragraphs with inline markup, layout tables, images, comments, scripts.
QByteArray MakeLargePage()
{
    QByteArray body;
    int n = 0;
    while (body.size() < 2 * 1024 * 1024) {
        body += "<h2>Section " + QByteArray::number(n) + "</h2>\r\n";
        body += "<p>Lorem <b>ipsum</b> dolor sit amet, <i>consectetur</i> adipiscing elit, sed do eiusmod tempor "
                "incididunt ut labore et <a href=\"page" + QByteArray::number(n) + ".html\">dolore</a> magna aliqua. "
                "Ut enim ad minim veniam, quis nostrud exercitation &amp; ullamco laboris.</p>\r\n";
        body += "<table border=\"0\" width=\"100%\"><tr><td>left " + QByteArray::number(n) +
                "</td><td><img src=\"images/pic.gif\" width=\"20\" height=\"20\"></td></tr></table>\r\n";
        if (n % 10 == 0)
            body += "<!-- section " + QByteArray::number(n) + " -->\r\n<script>var s" + QByteArray::number(n) +
                    " = 1;</script>\r\n";
        ++n;
    }
    return "<html>\r\n<head><title>Large</title></head>\r\n<body>\r\n" + body + "</body>\r\n</html>\r\n";
}

struct TFixture
{
    QTemporaryDir Dir;
    QString FileName;
    std::unique_ptr<THtmlDesigner> Designer;

    TFixture()
    {
        FileName = Dir.filePath(QStringLiteral("large.htm"));
        QFile file(FileName);
        file.open(QIODevice::WriteOnly);
        file.write(MakeLargePage());
        file.close();
        Designer = std::make_unique<THtmlDesigner>();
        Designer->resize(1024, 768);
        Designer->show();
    }
};

TFixture& Fixture()
{
    static TFixture fixture;
    return fixture;
}

// Time to editable: read, decode, parse, design form, design page, engine load and runtime start.
void BM_OpenIntoDesignView(benchmark::State& state)
{
    TFixture& f = Fixture();
    for (auto _ : state) {
        f.Designer->LoadFromFile(f.FileName);
        f.Designer->Bridge()->Call(QStringLiteral("document.body.offsetHeight"));
    }
    state.counters["page_bytes"] = double(f.Designer->DesignText().size());
}
BENCHMARK(BM_OpenIntoDesignView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

// The engine by itself: a view of the same size, shown like the design view (a hidden page runs at a lower
// priority and would flatter nobody), the page's script off, waiting for the load's own end.
struct TPlainView
{
    QWebEngineProfile Profile;
    std::unique_ptr<QWebEngineView> View;

    TPlainView()
    {
        View = std::make_unique<QWebEngineView>();
        View->setPage(new QWebEnginePage(&Profile, View.get()));
        View->page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        View->resize(1024, 768);
        View->show();
    }
    ~TPlainView() { View.reset(); }

    bool Load(const QUrl& Url)
    {
        QEventLoop loop;
        bool ok = false;
        auto connection = QObject::connect(View->page(), &QWebEnginePage::loadFinished, [&](bool done) {
            ok = done;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        View->page()->load(Url);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        QObject::disconnect(connection);
        // Editable means laid out: ask for the layout, as the design view's first query does.
        bool laidOut = false;
        View->page()->runJavaScript(QStringLiteral("document.body.offsetHeight"), QWebEngineScript::ApplicationWorld,
                                    [&](const QVariant&) {
                                        laidOut = true;
                                        loop.quit();
                                    });
        if (!laidOut)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        return ok;
    }
};

// The engine's own load of the same design page bytes, served by a scheme handler, with no runtime.
void BM_EngineLoadOfTheSameDesignPage(benchmark::State& state)
{
    TFixture& f = Fixture();
    if (f.Designer->DesignText().isEmpty())
        f.Designer->LoadFromFile(f.FileName);
    const QByteArray design = f.Designer->DesignText();
    const QString base = f.Dir.path() + QLatin1Char('/');
    TPlainView plain;
    RegisterEditNameSpace(&plain.Profile, [&](QObject*, const QString& url, TEditUrlRequest& request) {
        AnswerEditUrl(url, design, base, request);
    });
    for (auto _ : state)
        if (!plain.Load(QUrl(QStringLiteral("idoc:index.html"))))
            state.SkipWithError("the engine did not load the page");
}
BENCHMARK(BM_EngineLoadOfTheSameDesignPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

// The same design page bytes loaded by the engine straight from a file, without any scheme handler.
void BM_EngineLoadOfTheSameDesignPageFromFile(benchmark::State& state)
{
    TFixture& f = Fixture();
    if (f.Designer->DesignText().isEmpty())
        f.Designer->LoadFromFile(f.FileName);
    const QString pageFile = f.Dir.filePath(QStringLiteral("design-page.html"));
    QFile file(pageFile);
    file.open(QIODevice::WriteOnly);
    file.write("<meta charset=\"utf-8\">");
    file.write(f.Designer->DesignText());
    file.close();
    TPlainView plain;
    for (auto _ : state)
        if (!plain.Load(QUrl::fromLocalFile(pageFile)))
            state.SkipWithError("the engine did not load the page");
}
BENCHMARK(BM_EngineLoadOfTheSameDesignPageFromFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);


// One synchronous round trip into the page's runtime world.
void BM_SynchronousBridgeCall(benchmark::State& state)
{
    TFixture& f = Fixture();
    f.Designer->SetHtml(QStringLiteral("<html><body><p>small</p></body></html>"));
    for (auto _ : state) {
        QVariant value;
        f.Designer->Bridge()->Call(QStringLiteral("1"), &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SynchronousBridgeCall)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// A toolbar refresh: the fresh state snapshot (selection, command states, undo counts) in one call.
void BM_StateSnapshotCall(benchmark::State& state)
{
    TFixture& f = Fixture();
    f.Designer->SetHtml(QStringLiteral("<html><body><p>small</p></body></html>"));
    for (auto _ : state)
        f.Designer->Bridge()->RefreshState();
}
BENCHMARK(BM_StateSnapshotCall)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// The large page with all of it selected: the snapshot that goes along with every pointer move, and the
// command states, which are worked out once per change of document, selection or focus and kept after.
void SelectAllOfTheLargePage()
{
    TFixture& f = Fixture();
    f.Designer->LoadFromFile(f.FileName);
    f.Designer->Bridge()->Call(QStringLiteral("(function(){getSelection().selectAllChildren(document.body);})()"));
    // The engine paints the new selection first: not part of what is measured.
    f.Designer->Bridge()->Call(QStringLiteral("1"));
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec(QEventLoop::ExcludeUserInputEvents);
}

void BM_PointerMoveSnapshotOfALargeSelection(benchmark::State& state)
{
    SelectAllOfTheLargePage();
    for (auto _ : state)
        Fixture().Designer->Bridge()->RefreshState();
}
BENCHMARK(BM_PointerMoveSnapshotOfALargeSelection)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_CommandStatesOfALargeSelection(benchmark::State& state)
{
    SelectAllOfTheLargePage();
    TEngineBridge* bridge = Fixture().Designer->Bridge();
    for (auto _ : state) {
        // A selection change (the same range made again) makes the states be worked out afresh.
        state.PauseTiming();
        bridge->Call(QStringLiteral("(function(){getSelection().removeAllRanges();"
                                    "getSelection().selectAllChildren(document.body);})()"));
        state.ResumeTiming();
        bridge->RefreshState(true);
        bridge->RefreshState(true); // kept: no second walk
    }
}
BENCHMARK(BM_CommandStatesOfALargeSelection)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv, [] { Fixture().Designer.reset(); });
}
