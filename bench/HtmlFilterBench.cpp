// The design filter on a multi-megabyte page full of the elements it works on (images, tables, comments,
// scripts, objects, named anchors): loading into the design form, writing the design page, taking the
// engine's body back and saving, next to a plain decode, parse, write and narrow of the same bytes. And
// the whole open-and-save of real pages (BenchCorpus.h), and of one real page grown to 1, 8 and 30 MB
// (the time should grow with the size, no faster), beside libxml2's parse and dump of the same bytes; and
// the sample pages read, written, and opened and saved, beside libxml2 doing the same.
#include "BenchCorpus.h"
#include "HtmlConv.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <benchmark/benchmark.h>
#include <map>

#ifdef HAVE_LIBXML2
#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#endif

namespace {

#ifdef HAVE_LIBXML2
// libxml2 reads a page from its bytes (detecting the character set itself) and dumps it to bytes.
htmlDocPtr LibXml2Read(const QByteArray& bytes)
{
    return htmlReadMemory(bytes.constData(), int(bytes.size()), "page.html", nullptr,
                          HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
}

void LibXml2Dump(htmlDocPtr doc)
{
    xmlChar* out = nullptr;
    int size = 0;
    htmlDocDumpMemory(doc, &out, &size);
    benchmark::DoNotOptimize(out);
    xmlFree(out);
}
#endif

const QByteArray& Page()
{
    static const QByteArray page = [] {
        QString text = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                                      "<title>Bench</title><script>var a = 1;</script></head>\r\n<body bgcolor=\"white\">\r\n");
        int n = 0;
        while (text.size() < (4 << 20)) {
            ++n;
            text += QStringLiteral("<h2><a name=\"s%1\">Section %1</a></h2>\r\n<!-- section %1 -->\r\n"
                                   "<p class=\"text\">Some caf\u00E9 text with <b>bold</b> words and an image "
                                   "<img src=\"images/pic%1.gif\" width=\"16\" height=\"16\" alt=\"pic\"> and a "
                                   "<a href=\"page%1.html\">link</a> to another page of the site.</p>\r\n"
                                   "<table border=\"0\" width=\"100%\"><tr><td>cell %1</td><td><img src=\"http://example.com/r.gif\">"
                                   "</td></tr></table>\r\n<script type=\"text/javascript\">document.write(%1);</script>\r\n"
                                   "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"400\" height=\"300\">"
                                   "<param name=\"movie\" value=\"m%1.swf\"></object>\r\n")
                        .arg(n);
        }
        return (text + QStringLiteral("</body></html>\r\n")).toUtf8();
    }();
    return page;
}

void SetCounters(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * Page().size());
}

void BM_PlainOpenAndSave(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainOpenAndSave(Page()).data());
    SetCounters(state);
}
BENCHMARK(BM_PlainOpenAndSave)->Unit(benchmark::kMillisecond);

void BM_FilterLoad(benchmark::State& state)
{
    THtmlFilter filter;
    filter.SetGenerator(QStringLiteral("Corvalite v3.63"));
    for (auto _ : state) {
        filter.LoadFromBytes(Page());
        benchmark::DoNotOptimize(filter.Source());
    }
    SetCounters(state);
}
BENCHMARK(BM_FilterLoad)->Unit(benchmark::kMillisecond);

void BM_FilterDesignText(benchmark::State& state)
{
    THtmlFilter filter;
    filter.LoadFromBytes(Page());
    QString text;
    for (auto _ : state) {
        filter.GetDesignText(text);
        benchmark::DoNotOptimize(text.data());
    }
    SetCounters(state);
}
BENCHMARK(BM_FilterDesignText)->Unit(benchmark::kMillisecond);

// The page loaded into filter, and its body as the engine hands it back: every table's rows (one each
// here) inside a tbody.
QString LoadedBody(THtmlFilter& filter)
{
    filter.LoadFromBytes(Page());
    QString page;
    filter.GetDesignText(page);
    QString body = page.mid(filter.DesignHeadLength());
    body.replace(QStringLiteral("<tr>"), QStringLiteral("<tbody><tr>")).replace(QStringLiteral("</tr>"), QStringLiteral("</tr></tbody>"));
    return body;
}

void BM_FilterMapBackAndSave(benchmark::State& state)
{
    THtmlFilter filter;
    const QString body = LoadedBody(filter);
    for (auto _ : state) {
        filter.SetDesignText(body);
        const QByteArray saved = filter.SaveToBytes();
        benchmark::DoNotOptimize(saved.data());
    }
    SetCounters(state);
}
BENCHMARK(BM_FilterMapBackAndSave)->Unit(benchmark::kMillisecond);

// One key typed at at and taken back out in turn, so every take of the body has a change to read; read is
// what the last take read.
void TypeAndTakeBack(benchmark::State& state, THtmlFilter& filter, QString& body, qsizetype at, qint64& read)
{
    for (auto _ : state) {
        if (body[at] == u'x')
            body.remove(at, 1);
        else
            body.insert(at, u'x');
        read = filter.SetDesignText(body, read, at, body.size() - at - (body[at] == u'x' ? 1 : 0));
    }
    if (read == 0)
        state.SkipWithError("the body was not read");
}

// The body taken again after one key typed in a paragraph half way down: only the part around the change
// is read (the figure to set beside the whole read of BM_FilterMapBackAndSave, without its save).
void BM_FilterTakeBodyAfterAKey(benchmark::State& state)
{
    THtmlFilter filter;
    QString body = LoadedBody(filter);
    qint64 read = filter.SetDesignText(body);
    const qsizetype at = body.indexOf(QStringLiteral("Some"), body.size() / 2);
    TypeAndTakeBack(state, filter, body, at, read);
    SetCounters(state);
}
BENCHMARK(BM_FilterTakeBodyAfterAKey)->Unit(benchmark::kMillisecond);

void BM_FilterOpenAndSave(benchmark::State& state)
{
    for (auto _ : state) {
        THtmlFilter filter;
        filter.LoadFromBytes(Page());
        QString page;
        filter.GetDesignText(page);
        const QByteArray saved = filter.SaveToBytes();
        benchmark::DoNotOptimize(saved.data());
    }
    SetCounters(state);
}
BENCHMARK(BM_FilterOpenAndSave)->Unit(benchmark::kMillisecond);

// --- real pages ------------------------------------------------------------------------------------------

// File > Open then File > Save: read and decode, parse, design copy, design page, the body handed back
// by the engine unchanged, mapping back, write and narrow.
QByteArray OpenAndSave(const QByteArray& bytes)
{
    THtmlFilter filter;
    filter.LoadFromBytes(bytes);
    QString page;
    filter.GetDesignText(page);
    filter.SetDesignText(QStringView(page).mid(filter.DesignHeadLength()).chopped(9).toString());
    return filter.SaveToBytes();
}

template <const std::vector<TBenchPage>& (*Pages)()>
void BM_FilterOpenAndSaveRealPages(benchmark::State& state)
{
    for (auto _ : state)
        for (const TBenchPage& page : Pages())
            benchmark::DoNotOptimize(OpenAndSave(page.Bytes).data());
    state.SetBytesProcessed(state.iterations() * TotalBytes(Pages()));
    state.counters["pages"] = double(Pages().size());
}
BENCHMARK_TEMPLATE(BM_FilterOpenAndSaveRealPages, TagDensePages)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_FilterOpenAndSaveRealPages, CorpusPages)->Unit(benchmark::kMillisecond);

#ifdef HAVE_LIBXML2
template <const std::vector<TBenchPage>& (*Pages)()>
void BM_LibXml2ParseAndDumpRealPages(benchmark::State& state)
{
    for (auto _ : state) {
        for (const TBenchPage& page : Pages()) {
            htmlDocPtr d = LibXml2Read(page.Bytes);
            LibXml2Dump(d);
            xmlFreeDoc(d);
        }
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(Pages()));
}
BENCHMARK_TEMPLATE(BM_LibXml2ParseAndDumpRealPages, TagDensePages)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LibXml2ParseAndDumpRealPages, CorpusPages)->Unit(benchmark::kMillisecond);
#endif

// --- the sample pages beside libxml2 ---------------------------------------------------------------------
//
// The real pages kept with the sources (tests/data/corpus), the same on every machine: read, written, and
// opened and saved through the model and through the design filter, in megabytes of the files a second,
// beside libxml2 reading, writing, and reading and writing them in the same run
// (--benchmark_filter=SamplePages). Our reader starts from the decoded text, libxml2 from the bytes.

const std::vector<QString>& SampleTexts() { return DecodedTexts<SamplePages>(); }

void SetSampleCounters(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * TotalBytes(SamplePages()));
    state.counters["pages"] = double(SamplePages().size());
}

// The trees are freed outside the clock, libxml2's too.
void BM_SamplePagesParse(benchmark::State& state)
{
    std::vector<std::unique_ptr<THtmlRoot>> roots(SampleTexts().size());
    for (auto _ : state) {
        for (size_t i = 0; i < roots.size(); ++i)
            roots[i] = ParseHtml(QStringView(SampleTexts()[i]));
        benchmark::DoNotOptimize(roots.data());
        state.PauseTiming();
        for (auto& root : roots)
            root.reset();
        state.ResumeTiming();
    }
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesParse)->Unit(benchmark::kMillisecond);

void BM_SamplePagesWrite(benchmark::State& state)
{
    std::vector<std::unique_ptr<THtmlRoot>> roots;
    for (const QString& text : SampleTexts())
        roots.push_back(ParseHtml(QStringView(text)));
    for (auto _ : state) {
        for (const auto& root : roots) {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            WriteHtmlDocument(out, root.get());
            benchmark::DoNotOptimize(out.data().data());
        }
    }
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesWrite)->Unit(benchmark::kMillisecond);

void BM_SamplePagesOpenAndSave(benchmark::State& state)
{
    for (auto _ : state)
        for (const TBenchPage& page : SamplePages())
            benchmark::DoNotOptimize(PlainOpenAndSave(page.Bytes).data());
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesOpenAndSave)->Unit(benchmark::kMillisecond);

void BM_SamplePagesFilterOpenAndSave(benchmark::State& state)
{
    for (auto _ : state)
        for (const TBenchPage& page : SamplePages())
            benchmark::DoNotOptimize(OpenAndSave(page.Bytes).data());
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesFilterOpenAndSave)->Unit(benchmark::kMillisecond);

#ifdef HAVE_LIBXML2
void BM_SamplePagesLibXml2Parse(benchmark::State& state)
{
    std::vector<htmlDocPtr> docs(SamplePages().size());
    for (auto _ : state) {
        for (size_t i = 0; i < docs.size(); ++i)
            docs[i] = LibXml2Read(SamplePages()[i].Bytes);
        benchmark::DoNotOptimize(docs.data());
        state.PauseTiming();
        for (htmlDocPtr doc : docs)
            xmlFreeDoc(doc);
        state.ResumeTiming();
    }
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesLibXml2Parse)->Unit(benchmark::kMillisecond);

void BM_SamplePagesLibXml2Write(benchmark::State& state)
{
    std::vector<htmlDocPtr> docs;
    for (const TBenchPage& page : SamplePages())
        docs.push_back(LibXml2Read(page.Bytes));
    for (auto _ : state)
        for (htmlDocPtr doc : docs)
            LibXml2Dump(doc);
    for (htmlDocPtr doc : docs)
        xmlFreeDoc(doc);
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesLibXml2Write)->Unit(benchmark::kMillisecond);

void BM_SamplePagesLibXml2ParseAndDump(benchmark::State& state)
{
    for (auto _ : state) {
        for (const TBenchPage& page : SamplePages()) {
            htmlDocPtr doc = LibXml2Read(page.Bytes);
            LibXml2Dump(doc);
            xmlFreeDoc(doc);
        }
    }
    SetSampleCounters(state);
}
BENCHMARK(BM_SamplePagesLibXml2ParseAndDump)->Unit(benchmark::kMillisecond);
#endif

// --- very large pages -------------------------------------------------------------------------------------

// A page of about the given size: the body of the largest real page of the corpus repeated under its head.
const QByteArray& LargePage(int megabytes)
{
    static std::map<int, QByteArray> made;
    QByteArray& page = made[megabytes];
    if (page.isEmpty()) {
        const TBenchPage* largest = &CorpusPages().front();
        for (const TBenchPage& p : CorpusPages())
            if (p.Bytes.size() > largest->Bytes.size())
                largest = &p;
        const QByteArray& bytes = largest->Bytes;
        const qsizetype bodyStart = bytes.indexOf('>', bytes.indexOf("<body")) + 1;
        const qsizetype bodyEnd = bytes.lastIndexOf("</body>");
        const QByteArray body = bytes.mid(bodyStart, bodyEnd - bodyStart);
        page = bytes.left(bodyStart);
        while (page.size() < (qsizetype(megabytes) << 20))
            page += body;
        page += "</body></html>";
    }
    return page;
}

void BM_FilterOpenAndSaveLargePage(benchmark::State& state)
{
    const QByteArray& page = LargePage(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenAndSave(page).data());
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_FilterOpenAndSaveLargePage)->Arg(1)->Arg(8)->Arg(30)->Unit(benchmark::kMillisecond);

#ifdef HAVE_LIBXML2
void BM_LibXml2ParseAndDumpLargePage(benchmark::State& state)
{
    const QByteArray& page = LargePage(int(state.range(0)));
    for (auto _ : state) {
        htmlDocPtr d = LibXml2Read(page);
        LibXml2Dump(d);
        xmlFreeDoc(d);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_LibXml2ParseAndDumpLargePage)->Arg(1)->Arg(8)->Arg(30)->Unit(benchmark::kMillisecond);
#endif

// --- deep or crowded pages ------------------------------------------------------------------------------

// Shapes of markup whose cost grows with its depth or its crowding rather than its size: each is grown to
// 1, 4 and 16 times its base count, and the whole open and save should take about 4 and 16 times as long.
enum TCrowdedShape {
    csNestedDivs,
    csNestedTables,
    csManyAttributes,
    csNestedLists,
    csNestedSections,
    csClosedDivs,
    csUnpairedEnds,
    csListsOfFigures,
    csBlocksInBold,
    csOpenFonts,
    csOpenTextAreas,
};

QByteArray CrowdedPage(TCrowdedShape shape, int n)
{
    QByteArray body;
    auto repeat = [&body](const char* piece, int count) {
        for (int i = 0; i < count; ++i)
            body += piece;
    };
    switch (shape) {
    case csNestedDivs: // 5,000 .. 80,000 levels, never closed
        repeat("<div>", n);
        body += "word";
        break;
    case csNestedTables: // 1,000 .. 16,000 levels
        repeat("<table><tr><td>", n);
        body += "word";
        repeat("</td></tr></table>", n);
        break;
    case csManyAttributes: // 5,000 .. 80,000 attributes on one tag, known and unknown
        body += "<p";
        for (int i = 0; i < n; ++i)
            body += (i % 2 ? " data-a" + QByteArray::number(i) + "=\"v\"" : " title=\"t" + QByteArray::number(i) + "\"");
        body += ">word</p>";
        break;
    case csNestedLists: // 2,500 .. 40,000 levels
        repeat("<ul><li>", n);
        body += "word";
        repeat("</li></ul>", n);
        break;
    case csNestedSections: // 1,250 .. 20,000 levels
        repeat("<section>", n);
        body += "word";
        repeat("</section>", n);
        break;
    case csClosedDivs: // 62,500 .. 1,000,000 levels, all closed
        repeat("<div>", n);
        body += "word";
        repeat("</div>", n);
        break;
    case csUnpairedEnds: // 5,000 .. 80,000 start tags, then as many end tags of another name
        repeat("<section>", n);
        repeat("</figure>", n);
        break;
    case csListsOfFigures: // 2,500 .. 40,000 levels of lists, a figure in each item
        repeat("<ul><li><figure>a</figure>", n);
        break;
    case csBlocksInBold: // 2,500 .. 40,000 levels of a div in a bold, each bold ended inside its div
        repeat("<b><div>", n);
        body += "word";
        repeat("</b>x</div>", n);
        break;
    case csOpenFonts: // 5,000 .. 80,000 paragraphs, each with a font left open, carried on into the next
        repeat("<p>a <font face=\"f\">b", n);
        break;
    case csOpenTextAreas: // 4,000 .. 64,000 text areas left open, each looking for its end tag
        repeat("<p><del><textarea>", n);
        break;
    }
    return "<html><head><title>Deep</title></head><body>" + body + "</body></html>";
}

void BM_FilterOpenAndSaveCrowded(benchmark::State& state)
{
    static const int base[] = {5000, 1000, 5000, 2500, 1250, 62500, 5000, 2500, 2500, 5000, 4000};
    const auto shape = TCrowdedShape(state.range(0));
    const QByteArray page = CrowdedPage(shape, base[shape] * int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenAndSave(page).data());
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_FilterOpenAndSaveCrowded)
    ->ArgNames({"shape", "times"})
    ->ArgsProduct({{csNestedDivs, csNestedTables, csManyAttributes, csNestedLists, csNestedSections, csClosedDivs,
                    csUnpairedEnds, csListsOfFigures, csBlocksInBold, csOpenFonts, csOpenTextAreas},
                   {1, 4, 16}})
    ->Unit(benchmark::kMillisecond);

// A key typed deep in the page, then the body read back as the engine hands it over after the key: in the
// deepest text (place 0), or between two start tags half way down (place 1), typed and taken out in turn.
// Only the part around the key is read again, so the time should stay about the same at 1, 4 and 16 times
// the depth (it may grow with the depth once, never with the depth times the tags read).
void BM_FilterTakeBodyAfterAKeyCrowded(benchmark::State& state)
{
    static const int base[] = {5000, 1000, 5000, 2500, 1250, 62500, 5000, 2500, 2500, 5000};
    static const char* nested[] = {"<div", "<table", nullptr, "<ul", "<section", "<div", nullptr, "<ul", nullptr, nullptr};
    const auto shape = TCrowdedShape(state.range(0));
    const int n = base[shape] * int(state.range(1));
    THtmlFilter filter;
    filter.LoadFromBytes(CrowdedPage(shape, n));
    QString page;
    filter.GetDesignText(page);
    QString body = page.mid(filter.DesignHeadLength()).chopped(9);
    qint64 read = filter.SetDesignText(body);
    qsizetype at = -1;
    if (state.range(2) == 0) {
        at = body.lastIndexOf(shape == csListsOfFigures ? QStringLiteral("a</figure>") : QStringLiteral("word"));
    } else {
        const QString tag = QString::fromLatin1(nested[shape]);
        for (int i = 0; i <= n / 2; ++i)
            at = body.indexOf(tag, at + 1);
    }
    if (at < 0) {
        state.SkipWithError("no place to type at");
        return;
    }
    TypeAndTakeBack(state, filter, body, at, read);
    state.SetBytesProcessed(state.iterations() * body.size() * 2);
}
BENCHMARK(BM_FilterTakeBodyAfterAKeyCrowded)
    ->ArgNames({"shape", "times", "place"})
    ->ArgsProduct({{csNestedDivs, csNestedTables, csNestedLists, csNestedSections, csClosedDivs, csListsOfFigures},
                   {1, 4, 16},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
