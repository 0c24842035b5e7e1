// The design view against the engine by itself, in the same run: opening, typing, formatting commands with
// their Undo and Redo, saving and the switch to the code view, on real pages of about 0.5, 1.9 and 4.4 MB;
// and the cost of single calls into the page. The real pages are documentation installed on the machine
// (CORVALITE_BENCH_PAGES, a list separated by ":", names others); a page that is not there is skipped.
// "OpenRatio/<page>" and "<Command>Ratio/<page>" give the figures the editor is judged by: its time over
// the engine's own on the original file, both sides measured in turn in each repetition.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <functional>
#include <memory>

#include "Dialogs.h"
#include "EngineBenchMain.h"
#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "NameSpace.h"
#include "UnitMain.h"

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

// ---------------------------------------------------------------------------------------------------
// Real pages: the main window as a user drives it, against a plain engine view of the same size that
// loads the original file (with its style sheets) and makes its whole body editable. Where the design
// page the editor makes of a file differs much from the file, the engine by itself on that design page
// is measured as well: it tells the engine's cost of the page from the editor's own.

struct TRealPage
{
    QString Label;
    QString Path;
};

QList<TRealPage> RealPages()
{
    static const QList<TRealPage> pages = [] {
        QList<TRealPage> found;
        const auto add = [&found](const QString& name, const QString& path) {
            const QString size = QString::number(QFileInfo(path).size() / 1048576.0, 'f', 1);
            found.append({size + QStringLiteral("MB-") + name, path});
        };
        const QString given = qEnvironmentVariable("CORVALITE_BENCH_PAGES");
        if (!given.isEmpty()) {
            for (const QString& path : given.split(QLatin1Char(':'), Qt::SkipEmptyParts))
                if (QFileInfo(path).isFile())
                    add(QFileInfo(path).completeBaseName(), path);
            return found;
        }
        // Documentation as its makers publish it: the Rust books printed as one page (mdBook), a Sphinx
        // index, a rustdoc page and a Doxygen page. The book (1.8 MB) and the reference (4.2 MB) of the
        // installed toolchain are where the ratios to the engine are judged; without them, the older and
        // smaller ones of the rust-doc package stand in.
        const QString toolchain =
            QDir::homePath() + QStringLiteral("/.rustup/toolchains/stable-x86_64-unknown-linux-gnu/share/doc/rust/html/");
        const QString package = QStringLiteral("/usr/share/doc/rust-doc/html/");
        const QList<QPair<QString, QStringList>> wanted = {
            {QStringLiteral("mdbook"), {package + QStringLiteral("rust-by-example/print.html")}},
            {QStringLiteral("book"), {toolchain + QStringLiteral("book/print.html"), package + QStringLiteral("book/print.html")}},
            {QStringLiteral("reference"),
             {toolchain + QStringLiteral("reference/print.html"), package + QStringLiteral("reference/print.html")}},
            {QStringLiteral("sphinx"), {QStringLiteral("/usr/share/doc/python3.11/html/genindex-all.html")}},
            {QStringLiteral("rustdoc"), {package + QStringLiteral("std/primitive.usize.html")}},
            {QStringLiteral("doxygen"), {QStringLiteral("/usr/share/doc/gcc-12-base/libstdc++/user/a01655.html")}},
        };
        for (const auto& page : wanted) {
            const auto there = std::find_if(page.second.begin(), page.second.end(),
                                            [](const QString& path) { return QFileInfo(path).isFile(); });
            if (there != page.second.end())
                add(page.first, *there);
        }
        return found;
    }();
    return pages;
}

// Runs the event loop until Done, or for ten seconds at most.
bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(TimeoutMs);
    while (!Done() && clock.elapsed() < TimeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return Done();
}

double Ms(qint64 Nanoseconds)
{
    return double(Nanoseconds) / 1e6;
}

// Places the caret at the start of a paragraph half way down the page (or selects its contents) and gives
// the page the focus; a page of lists and tables without paragraphs gets an item or a cell instead. The
// paragraph is one a user would pick: the first from the middle on of about a hundred characters (of more
// than twenty where there is none), each run of blanks counted as one, so that the page the editor makes
// and the original file give the same paragraph. The same script serves both sides: it runs in the
// runtime's world of either page.
QString PlaceInMiddleParagraph(bool SelectContents)
{
    return QStringLiteral(
               "(function(){let ps=document.body.querySelectorAll('p');"
               "if(ps.length<3)ps=document.body.querySelectorAll('li,dd,dt,td');if(!ps.length)return false;"
               "const m=Math.floor(ps.length/2);let p=null;"
               "const chars=e=>e.textContent.replace(/\\s+/g,' ').trim().length;"
               "for(let i=m;i<ps.length&&!p;++i){const n=chars(ps[i]);if(n>=80&&n<=160)p=ps[i];}"
               "for(let i=m;i<ps.length&&!p;++i)if(chars(ps[i])>20)p=ps[i];"
               "if(!p)p=ps[m];"
               "const w=document.createTreeWalker(p,NodeFilter.SHOW_TEXT);const t=w.nextNode();"
               "const r=document.createRange();if(%1){r.selectNodeContents(p);}else if(t){r.setStart(t,0);"
               "r.collapse(true);}else{r.selectNodeContents(p);r.collapse(true);}"
               "document.body.focus();const s=document.getSelection();s.removeAllRanges();s.addRange(r);"
               "p.scrollIntoView();return true;})()")
        .arg(SelectContents ? QStringLiteral("true") : QStringLiteral("false"));
}

void SendKey(QWidget* Target, Qt::Key Code, const QString& Text)
{
    QKeyEvent press(QEvent::KeyPress, Code, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &press);
    QKeyEvent release(QEvent::KeyRelease, Code, Qt::NoModifier, Text);
    QApplication::sendEvent(Target, &release);
}

struct TEditorWindow
{
    QTemporaryDir Dir;
    std::unique_ptr<TFormMain> Window;
    QString Loaded;

    TEditorWindow()
    {
        Window = std::make_unique<TFormMain>();
        Window->resize(1024, 768);
        Window->show();
    }

    THtmlDesigner* Designer() const { return Window->Designer(); }

    QVariant Run(const QString& Script)
    {
        QVariant value;
        Designer()->Bridge()->Call(Script, &value, 60000);
        return value;
    }

    // Opens the page as File > Open does (a question about changes is answered No), unless it is open.
    bool Open(const QString& Path, bool Again = false)
    {
        if (Loaded == Path && !Again)
            return true;
        Loaded.clear();
        Window->FileManager()->SetModified(false);
        if (!Window->FileManager()->OpenFile(Path))
            return false;
        // Editable means laid out.
        Run(QStringLiteral("document.body.offsetHeight"));
        Loaded = Path;
        return true;
    }

    // The page's reports of the last action arrive and are handled.
    void Settle()
    {
        QEventLoop idle;
        QTimer::singleShot(50, &idle, &QEventLoop::quit);
        idle.exec();
    }

    // One key typed into the middle of the page, recorded and drawn: the page answers once it has laid
    // out and painted the character, which the user waits to see before saving (the time is the key's,
    // measured by the typing benchmarks, not the save's). The page has not been quiet long enough for a
    // copy of its body to be taken.
    bool TypeOneKey()
    {
        if (!Run(PlaceInMiddleParagraph(false)).toBool())
            return false;
        Designer()->View()->setFocus();
        const int before = Designer()->UndoGroups().Count();
        SendKey(Designer()->View()->focusProxy(), Qt::Key_X, QStringLiteral("x"));
        const bool recorded = WaitUntil([&] {
            Designer()->CanUndo();
            return Designer()->UndoGroups().Count() > before;
        });
        Run(QStringLiteral("1"));
        return recorded;
    }
};

std::unique_ptr<TEditorWindow> GEditor;

TEditorWindow& Editor()
{
    if (!GEditor)
        GEditor = std::make_unique<TEditorWindow>();
    return *GEditor;
}

struct TEngineAlone : TPlainView
{
    QString Loaded;
    // The design page of the file last opened in the editor, served as "idoc:index.html", and the file's
    // folder, from which its style sheets are served as the design view serves them.
    QByteArray DesignPage;
    QString BasePath;

    TEngineAlone()
    {
        RegisterEditNameSpace(&Profile, [this](QObject*, const QString& url, TEditUrlRequest& request) {
            AnswerEditUrl(url, DesignPage, BasePath, request);
        });
    }

    QVariant Run(const QString& Script)
    {
        QVariant value;
        bool arrived = false;
        View->page()->runJavaScript(Script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
            value = v;
            arrived = true;
        });
        WaitUntil([&] { return arrived; }, 60000);
        return value;
    }

    // Loads the page and makes its whole body editable; counts the inputs and key releases it sees.
    bool Open(const QString& Path, bool Again = false)
    {
        if (Loaded == Path && !Again)
            return true;
        Loaded.clear();
        if (!Load(Path.startsWith(QLatin1String("idoc:")) ? QUrl(Path) : QUrl::fromLocalFile(Path)))
            return false;
        // The design page goes to the engine as the runtime leaves it when it starts: without the blanks
        // that the writer's line ends put inside table rows.
        if (Path.startsWith(QLatin1String("idoc:")))
            Run(QStringLiteral("for(const r of document.body.querySelectorAll('tr'))"
                               "for(const n of Array.from(r.childNodes))"
                               "if(n.nodeType===3&&!/[^ \\t\\r\\n\\f]/.test(n.data))r.removeChild(n);"));
        Run(QStringLiteral("document.body.contentEditable='true';window.__inputs=0;window.__keyups=0;"
                           "document.addEventListener('input',function(){++window.__inputs;},true);"
                           "document.addEventListener('keyup',function(){++window.__keyups;},true);"
                           "document.body.offsetHeight"));
        Loaded = Path;
        return true;
    }
};

std::unique_ptr<TEngineAlone> GEngine;

// The engine by itself on the file, or (for a page labelled so) on the design page the editor makes of it.
constexpr char OnDesignPage[] = "/on-design-page";

TEngineAlone& EngineFor(TRealPage& Page)
{
    if (!GEngine)
        GEngine = std::make_unique<TEngineAlone>();
    TEngineAlone& g = *GEngine;
    if (Page.Label.endsWith(QLatin1String(OnDesignPage))) {
        TEditorWindow& e = Editor();
        e.Open(Page.Path);
        if (g.DesignPage != e.Designer()->DesignText()) {
            g.DesignPage = e.Designer()->DesignText();
            g.BasePath = QFileInfo(Page.Path).absolutePath() + QLatin1Char('/');
            g.Loaded.clear();
        }
        Page.Path = QStringLiteral("idoc:index.html");
    }
    return g;
}

// ---- open until editable

void BM_OpenEditor(benchmark::State& state, TRealPage Page)
{
    TEditorWindow& e = Editor();
    for (auto _ : state)
        if (!e.Open(Page.Path, true))
            state.SkipWithError("the design view did not open the page");
    state.counters["MB"] = QFileInfo(Page.Path).size() / 1048576.0;
}

// Milliseconds Open took, or a negative number when it failed.
template <typename TSide>
double TimedOpen(TSide& Side, const QString& Path)
{
    QElapsedTimer clock;
    clock.start();
    return Side.Open(Path, true) ? Ms(clock.nsecsElapsed()) : -1;
}

// The two sides in turn in each repetition, so both meet the machine in the same mood; each side gives its
// milliseconds, negative when it failed. The median of the repetitions' ratios is the figure.
void RunSideBySide(benchmark::State& state, const std::function<double()>& Editor,
                   const std::function<double()>& Engine, const char* Failure)
{
    double editorMs = 0, engineMs = 0;
    for (auto _ : state) {
        const double editor = Editor();
        const double engine = Engine();
        if (editor < 0 || engine <= 0) {
            state.SkipWithError(Failure);
            break;
        }
        editorMs += editor;
        engineMs += engine;
        state.SetIterationTime(editor / 1e3);
    }
    state.counters["editor_ms"] = benchmark::Counter(editorMs, benchmark::Counter::kAvgIterations);
    state.counters["engine_ms"] = benchmark::Counter(engineMs, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = engineMs > 0 ? editorMs / engineMs : 0;
}

// The editor's open until editable and laid out, against the engine's own load of the original file, its
// script off, until laid out.
void BM_OpenRatio(benchmark::State& state, TRealPage Page)
{
    TEditorWindow& e = Editor();
    TEngineAlone& g = EngineFor(Page);
    RunSideBySide(state, [&] { return TimedOpen(e, Page.Path); }, [&] { return TimedOpen(g, Page.Path); },
                  "a side did not open the page");
    state.counters["MB"] = QFileInfo(Page.Path).size() / 1048576.0;
}

void BM_OpenEngineAlone(benchmark::State& state, TRealPage Page)
{
    TEngineAlone& g = EngineFor(Page);
    for (auto _ : state)
        if (!g.Open(Page.Path, true))
            state.SkipWithError("the engine did not load the page");
}

// ---- typing: from the key press until the editor has the character in its undo record; the engine:
// until the character is in the document and the key's release has been handled

void BM_TypeEditor(benchmark::State& state, TRealPage Page, bool Glyphs)
{
    TEditorWindow& e = Editor();
    if (!e.Open(Page.Path) || !e.Run(PlaceInMiddleParagraph(false)).toBool()) {
        state.SkipWithError("no paragraph to type in");
        return;
    }
    e.Designer()->SetShowTagGlyphs(Glyphs);
    e.Designer()->View()->setFocus();
    e.Settle();
    QWidget* target = e.Designer()->View()->focusProxy();
    for (auto _ : state) {
        const int before = e.Designer()->UndoGroups().Count();
        SendKey(target, Qt::Key_X, QStringLiteral("x"));
        if (!WaitUntil([&] { return e.Designer()->UndoGroups().Count() > before; }))
            state.SkipWithError("the keystroke was never recorded");
    }
    e.Designer()->SetShowTagGlyphs(false);
}

void BM_TypeEngineAlone(benchmark::State& state, TRealPage Page)
{
    TEngineAlone& g = EngineFor(Page);
    if (!g.Open(Page.Path) || !g.Run(PlaceInMiddleParagraph(false)).toBool()) {
        state.SkipWithError("no paragraph to type in");
        return;
    }
    g.View->setFocus();
    QWidget* target = g.View->focusProxy();
    for (auto _ : state) {
        state.PauseTiming();
        const int inputs = g.Run(QStringLiteral("window.__inputs")).toInt();
        const int keyups = g.Run(QStringLiteral("window.__keyups")).toInt();
        state.ResumeTiming();
        SendKey(target, Qt::Key_X, QStringLiteral("x"));
        while (g.Run(QStringLiteral("window.__inputs")).toInt() <= inputs ||
               g.Run(QStringLiteral("window.__keyups")).toInt() <= keyups) {
        }
    }
}

// ---- formatting commands on one paragraph, with their Undo and Redo: the command is the iteration's
// time, Undo and Redo go along as counters; the paragraph is put back untimed afterwards. The editor's
// command ends with its tool bar brought up to date; the engine's with the changed page laid out, which
// the tool bar's states need first.

struct TCommand
{
    const char* Name;
    std::function<void(TFormMain&)> Editor;
    const char* Engine;
};

const QList<TCommand>& Commands()
{
    static const QList<TCommand> commands = {
        {"Bold", [](TFormMain& w) { w.BtnBold->trigger(); }, "bold',false,null"},
        {"OrderList", [](TFormMain& w) { w.BtnOrder->trigger(); }, "insertOrderedList',false,null"},
        {"ForeColor", [](TFormMain& w) { w.ForeColorChange(0x336699); }, "foreColor',false,'#996633'"},
        {"Center", [](TFormMain& w) { w.BtnCenter->trigger(); }, "justifyCenter',false,null"},
    };
    return commands;
}

QString EngineCommand(const char* Command)
{
    return QStringLiteral("document.execCommand('%1);document.body.offsetHeight").arg(QLatin1String(Command));
}

// One command on the paragraph in the middle of the page, with its Undo and Redo, and the paragraph put
// back untimed; the command's milliseconds, negative when there is no paragraph.
double EditorCommandMs(TEditorWindow& e, const TCommand& Command, double& UndoMs, double& RedoMs)
{
    TFormMain& w = *e.Window;
    if (!e.Run(PlaceInMiddleParagraph(true)).toBool())
        return -1;
    e.Settle();
    w.UpdateToolbar();
    QElapsedTimer clock;
    clock.start();
    Command.Editor(w);
    const double command = Ms(clock.nsecsElapsed());
    e.Settle();
    clock.restart();
    w.BtnUndo->trigger();
    UndoMs += Ms(clock.nsecsElapsed());
    e.Settle();
    clock.restart();
    w.BtnRedo->trigger();
    RedoMs += Ms(clock.nsecsElapsed());
    e.Settle();
    w.BtnUndo->trigger();
    return command;
}

double EngineCommandMs(TEngineAlone& g, const TCommand& Command, double& UndoMs, double& RedoMs)
{
    if (!g.Run(PlaceInMiddleParagraph(true)).toBool())
        return -1;
    QElapsedTimer clock;
    clock.start();
    g.Run(EngineCommand(Command.Engine));
    const double command = Ms(clock.nsecsElapsed());
    clock.restart();
    g.Run(EngineCommand("undo',false,null"));
    UndoMs += Ms(clock.nsecsElapsed());
    clock.restart();
    g.Run(EngineCommand("redo',false,null"));
    RedoMs += Ms(clock.nsecsElapsed());
    g.Run(EngineCommand("undo',false,null"));
    return command;
}

void BM_CommandEditor(benchmark::State& state, TRealPage Page, TCommand Command)
{
    TEditorWindow& e = Editor();
    if (!e.Open(Page.Path)) {
        state.SkipWithError("the design view did not open the page");
        return;
    }
    double undoMs = 0, redoMs = 0;
    for (auto _ : state) {
        const double command = EditorCommandMs(e, Command, undoMs, redoMs);
        if (command < 0) {
            state.SkipWithError("no paragraph");
            break;
        }
        state.SetIterationTime(command / 1e3);
    }
    state.counters["undo_ms"] = benchmark::Counter(undoMs, benchmark::Counter::kAvgIterations);
    state.counters["redo_ms"] = benchmark::Counter(redoMs, benchmark::Counter::kAvgIterations);
}

void BM_CommandEngineAlone(benchmark::State& state, TRealPage Page, TCommand Command)
{
    TEngineAlone& g = EngineFor(Page);
    if (!g.Open(Page.Path)) {
        state.SkipWithError("the engine did not load the page");
        return;
    }
    double undoMs = 0, redoMs = 0;
    for (auto _ : state) {
        const double command = EngineCommandMs(g, Command, undoMs, redoMs);
        if (command < 0) {
            state.SkipWithError("no paragraph");
            break;
        }
        state.SetIterationTime(command / 1e3);
    }
    state.counters["undo_ms"] = benchmark::Counter(undoMs, benchmark::Counter::kAvgIterations);
    state.counters["redo_ms"] = benchmark::Counter(redoMs, benchmark::Counter::kAvgIterations);
}

// The command from the tool bar until the tool bar shows the new states and the change is recorded,
// against the engine's own execCommand on the same paragraph of the original file followed by a layout;
// the two sides in turn, as for the open.
void BM_CommandRatio(benchmark::State& state, TRealPage Page, TCommand Command)
{
    TEditorWindow& e = Editor();
    TEngineAlone& g = EngineFor(Page);
    if (!e.Open(Page.Path) || !g.Open(Page.Path)) {
        state.SkipWithError("a side did not open the page");
        return;
    }
    double undoMs = 0, redoMs = 0; // told by the benchmarks of each side
    RunSideBySide(state, [&] { return EditorCommandMs(e, Command, undoMs, redoMs); },
                  [&] { return EngineCommandMs(g, Command, undoMs, redoMs); }, "no paragraph");
}

// ---- save and the switch to the code view, in bytes of source per second: right after the open, and
// after one key typed (the body is then taken from the page again)

void BM_SaveEditor(benchmark::State& state, TRealPage Page, bool Edited)
{
    TEditorWindow& e = Editor();
    const QString target = e.Dir.filePath(QStringLiteral("saved.html"));
    for (auto _ : state) {
        state.PauseTiming();
        if (!e.Open(Page.Path, true) || (Edited && !e.TypeOneKey())) {
            state.SkipWithError("the design view did not take the page or the key");
            break;
        }
        state.ResumeTiming();
        e.Designer()->SaveToFile(target);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(Page.Path).size());
}

void BM_CodeViewEditor(benchmark::State& state, TRealPage Page, bool Edited)
{
    TEditorWindow& e = Editor();
    TFormMain& w = *e.Window;
    for (auto _ : state) {
        state.PauseTiming();
        if (!e.Open(Page.Path, true) || (Edited && !e.TypeOneKey())) {
            state.SkipWithError("the design view did not take the page or the key");
            break;
        }
        state.ResumeTiming();
        w.TabControl1->setCurrentIndex(VIEW_CODE);
        state.PauseTiming();
        w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(Page.Path).size());
}

void RegisterRealPageBenchmarks()
{
    // CORVALITE_BENCH_REPEATS sets every count of repetitions at once (long runs under a profiler).
    const int repeats = qEnvironmentVariableIntValue("CORVALITE_BENCH_REPEATS");
    const auto median = [repeats](benchmark::internal::Benchmark* b, int repetitions) {
        b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(repeats > 0 ? repeats : repetitions)
            ->ReportAggregatesOnly(true);
    };
    const auto name = [](const char* what, const TRealPage& page, const char* who) {
        return std::string(what) + "/" + page.Label.toStdString() + "/" + who;
    };
    for (const TRealPage& page : RealPages()) {
        TRealPage design = page;
        design.Label += QLatin1String(OnDesignPage);
        // The ratios to the engine by itself first: the figures the editor is judged by.
        const std::string ratio = "Ratio/" + page.Label.toStdString();
        median(benchmark::RegisterBenchmark(("Open" + ratio).c_str(), BM_OpenRatio, page)->UseManualTime(), 3);
        for (const TCommand& command : Commands())
            median(benchmark::RegisterBenchmark((command.Name + ratio).c_str(), BM_CommandRatio, page, command)
                       ->UseManualTime(), 3);
        median(benchmark::RegisterBenchmark(name("Open", page, "Editor").c_str(), BM_OpenEditor, page)->UseRealTime(), 5);
        median(benchmark::RegisterBenchmark(name("Open", page, "EngineAlone").c_str(), BM_OpenEngineAlone, page)->UseRealTime(), 5);
        median(benchmark::RegisterBenchmark(name("Type", page, "Editor").c_str(), BM_TypeEditor, page, false)->UseRealTime(), 9);
        median(benchmark::RegisterBenchmark(name("Type", page, "EngineAlone").c_str(), BM_TypeEngineAlone, page)->UseRealTime(), 9);
        median(benchmark::RegisterBenchmark(name("Type", page, "EngineAloneOnDesignPage").c_str(), BM_TypeEngineAlone, design)->UseRealTime(), 9);
        median(benchmark::RegisterBenchmark(name("TypeWithTagGlyphs", page, "Editor").c_str(), BM_TypeEditor, page, true)->UseRealTime(), 9);
        for (const TCommand& command : Commands()) {
            median(benchmark::RegisterBenchmark(name(command.Name, page, "Editor").c_str(), BM_CommandEditor, page, command)->UseManualTime(), 5);
            median(benchmark::RegisterBenchmark(name(command.Name, page, "EngineAlone").c_str(), BM_CommandEngineAlone, page, command)->UseManualTime(), 5);
            median(benchmark::RegisterBenchmark(name(command.Name, page, "EngineAloneOnDesignPage").c_str(), BM_CommandEngineAlone, design, command)->UseManualTime(), 5);
        }
        median(benchmark::RegisterBenchmark(name("Save", page, "Editor").c_str(), BM_SaveEditor, page, false)->UseRealTime(), 5);
        median(benchmark::RegisterBenchmark(name("SaveAfterAKey", page, "Editor").c_str(), BM_SaveEditor, page, true)->UseRealTime(), 5);
        median(benchmark::RegisterBenchmark(name("CodeView", page, "Editor").c_str(), BM_CodeViewEditor, page, false)->UseRealTime(), 5);
        median(benchmark::RegisterBenchmark(name("CodeViewAfterAKey", page, "Editor").c_str(), BM_CodeViewEditor, page, true)->UseRealTime(), 5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // The main window's settings go to a scratch folder, never to the developer's own; nobody answers
    // boxes here: a question about unsaved changes is answered No.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    SetMessageDlgHook([](const QString&, TMsgDlgType, TMsgDlgButtons buttons) {
        return int((buttons & mbNo) ? mrNo : mrOk);
    });
    RegisterRealPageBenchmarks();
    return RunEngineBenchmarks(argc, argv, [] {
        GEditor.reset();
        GEngine.reset();
        Fixture().Designer.reset();
    });
}
