// Reading and writing multi-megabyte pages: our reader and writer beside two common HTML parsers on the
// same generated document (text with references and accented letters, tables, lists, links, attributes),
// and on the most tag-dense real pages of the corpus (BenchCorpus.h). Throughput is counted in characters
// of the generated document, which is its size as an 8-bit file, and in file bytes of the real pages.
#include "BenchCorpus.h"
#include "Exceptions.h"
#include "HtmlConv.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <malloc.h>

#ifdef HAVE_LIBXML2
#include <libxml/HTMLparser.h>
#endif
#ifdef HAVE_GUMBO
#include <gumbo.h>
#endif

namespace {

// A page of about the given size, built from a few kinds of sections in turn.
QString MakeDocument(qsizetype size)
{
    QString s;
    s.reserve(size + 4096);
    s += QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
        "<html><head><title>Generated page</title><meta http-equiv=\"Content-Type\" content=\"text/html\">\n"
        "<style>body { font-family: serif } td.x { color: #336 }</style></head>\n<body bgcolor=\"#FFFFFF\">\n");
    const char16_t* words[] = {u"lorem", u"ipsum", u"caf\u00e9", u"dolor", u"&amp;", u"sit", u"amet", u"na\u00efve",
                               u"consectetur", u"&eacute;l&egrave;ve", u"adipiscing", u"elit", u"&lt;tag&gt;",
                               u"sed", u"do", u"eiusmod", u"tempor", u"\u00fcber", u"incididunt", u"ut"};
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    auto sentence = [&](int n) {
        for (int i = 0; i < n; ++i) {
            if (i)
                s += u' ';
            s += QStringView(words[next() % 20]);
        }
    };
    int section = 0;
    while (s.size() < size) {
        switch (section++ % 4) {
        case 0:
            s += QStringLiteral("<h2 class=\"head\">Section %1</h2>\n<p>").arg(section);
            sentence(60);
            s += QStringLiteral(" <a href=\"page%1.html#top\" title=\"Go &amp; see\">link</a> ").arg(section);
            sentence(40);
            s += QStringLiteral("</p>\n<p align=center>");
            sentence(30);
            s += QStringLiteral("<br>\n<b>bold</b> and <i>italic</i> ");
            sentence(20);
            s += QStringLiteral("\n");
            break;
        case 1:
            s += QStringLiteral("<table border=1 cellpadding=\"2\" width=\"100%\">\n");
            for (int r = 0; r < 8; ++r) {
                s += QStringLiteral("<tr valign=top>");
                for (int c = 0; c < 5; ++c) {
                    s += QStringLiteral("<td class=x nowrap>");
                    sentence(3);
                    s += QStringLiteral("</td>");
                }
                s += QStringLiteral("</tr>\n");
            }
            s += QStringLiteral("</table>\n");
            break;
        case 2:
            s += QStringLiteral("<ul>\n");
            for (int i = 0; i < 6; ++i) {
                s += QStringLiteral("  <li><a href=\"item%1.html\">").arg(i);
                sentence(4);
                s += QStringLiteral("</a> ");
                sentence(8);
                s += QStringLiteral("\n");
            }
            s += QStringLiteral("</ul>\n<!-- list end -->\n");
            break;
        case 3:
            s += QStringLiteral("<div id=\"d%1\" style=\"margin: 4px\"><img src=\"images/pic%1.gif\" alt=\"picture\" "
                                "width=120 height=80> ").arg(section);
            sentence(50);
            s += QStringLiteral("</div>\n<pre>  code line one\n    code &amp; line two\n</pre>\n");
            break;
        }
    }
    s += QStringLiteral("</body></html>\n");
    return s;
}

const QString& Document(int megabytes)
{
    static std::map<int, QString> cache;
    auto it = cache.find(megabytes);
    if (it == cache.end())
        it = cache.emplace(megabytes, MakeDocument(qsizetype(megabytes) << 20)).first;
    return it->second;
}

// Frees a parsed document outside the clock. The allocator defers part of the cost of many small frees to
// the next large allocation, which would land inside the next timed parse; one large allocation here
// settles it (without handing the memory back to the system, which would only add page faults).
template <typename TFree>
void FreeUntimed(benchmark::State& state, TFree free)
{
    state.PauseTiming();
    free();
    void* settle = std::malloc(64 * 1024);
    benchmark::DoNotOptimize(settle);
    std::free(settle);
    state.ResumeTiming();
}

QByteArray WriteDocument(THtmlRoot* root)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteHtmlDocument(buffer, root);
    return buffer.data();
}

void BM_ParseHtml(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    for (auto _ : state) {
        auto root = ParseHtml(QStringView(doc));
        benchmark::DoNotOptimize(root.get());
        FreeUntimed(state, [&] { root.reset(); });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_ParseHtml)->Arg(1)->Arg(4)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

// As above, but the freed tree goes back to the system each time, as the allocator does by default: every
// parse then pays the page faults of fresh memory (the first document a process opens does).
void BM_ParseHtmlColdHeap(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    for (auto _ : state) {
        auto root = ParseHtml(QStringView(doc));
        benchmark::DoNotOptimize(root.get());
        FreeUntimed(state, [&] {
            root.reset();
            malloc_trim(0);
        });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_ParseHtmlColdHeap)->Arg(1)->Arg(32)->Unit(benchmark::kMillisecond);

// The way the design filter reads: a stream of UTF-16LE bytes.
void BM_ParseHtmlStream(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    QByteArray bytes(reinterpret_cast<const char*>(doc.utf16()), doc.size() * 2);
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        auto root = ParseHtml(buffer);
        benchmark::DoNotOptimize(root.get());
        FreeUntimed(state, [&] { root.reset(); });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_ParseHtmlStream)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_WriteHtml(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    auto root = ParseHtml(QStringView(doc));
    for (auto _ : state) {
        QByteArray out = WriteDocument(root.get());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_WriteHtml)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_ParseAndWriteHtml(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    for (auto _ : state) {
        auto root = ParseHtml(QStringView(doc));
        QByteArray out = WriteDocument(root.get());
        benchmark::DoNotOptimize(out.data());
        FreeUntimed(state, [&] {
            root.reset();
            out = QByteArray();
        });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_ParseAndWriteHtml)->Arg(1)->Arg(4)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

// The whole cycle of one document as the program lives it: read, write, free, all on the clock.
void BM_ParseWriteFreeHtml(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    for (auto _ : state) {
        auto root = ParseHtml(QStringView(doc));
        QByteArray out = WriteDocument(root.get());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_ParseWriteFreeHtml)->Arg(8)->Unit(benchmark::kMillisecond);

// --- real pages ------------------------------------------------------------------------------------------

// Reading only, as for the generated page: the trees are freed outside the clock (libxml2's too).
void BM_ParseHtmlRealPages(benchmark::State& state)
{
    const std::vector<QString>& texts = DecodedTexts<TagDensePages>();
    std::vector<std::unique_ptr<THtmlRoot>> roots(texts.size());
    for (auto _ : state) {
        for (size_t i = 0; i < texts.size(); ++i)
            roots[i] = ParseHtml(QStringView(texts[i]));
        benchmark::DoNotOptimize(roots.data());
        FreeUntimed(state, [&] {
            for (auto& root : roots)
                root.reset();
        });
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(TagDensePages()));
    state.counters["pages"] = double(texts.size());
}
BENCHMARK(BM_ParseHtmlRealPages)->Unit(benchmark::kMillisecond);

void BM_ParseAndWriteHtmlRealPages(benchmark::State& state)
{
    const std::vector<QString>& texts = DecodedTexts<TagDensePages>();
    for (auto _ : state) {
        for (const QString& text : texts) {
            auto root = ParseHtml(QStringView(text));
            QByteArray out = WriteDocument(root.get());
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(TagDensePages()));
}
BENCHMARK(BM_ParseAndWriteHtmlRealPages)->Unit(benchmark::kMillisecond);

#ifdef HAVE_LIBXML2
// libxml2's HTML parser on the same pages, from their bytes (it detects and decodes the character set).
void BM_LibXml2RealPages(benchmark::State& state)
{
    const std::vector<TBenchPage>& pages = TagDensePages();
    std::vector<htmlDocPtr> docs(pages.size());
    for (auto _ : state) {
        for (size_t i = 0; i < pages.size(); ++i)
            docs[i] = htmlReadMemory(pages[i].Bytes.constData(), int(pages[i].Bytes.size()), "page.html", nullptr,
                                     HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        benchmark::DoNotOptimize(docs.data());
        FreeUntimed(state, [&] {
            for (htmlDocPtr d : docs)
                xmlFreeDoc(d);
        });
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(pages));
}
BENCHMARK(BM_LibXml2RealPages)->Unit(benchmark::kMillisecond);
#endif

#ifdef HAVE_LIBXML2
void BM_LibXml2HtmlReadMemory(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    const QByteArray utf8 = doc.toUtf8();
    for (auto _ : state) {
        htmlDocPtr d = htmlReadMemory(utf8.constData(), int(utf8.size()), "page.html", "UTF-8",
                                      HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        benchmark::DoNotOptimize(d);
        FreeUntimed(state, [&] { xmlFreeDoc(d); });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_LibXml2HtmlReadMemory)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
#endif

#ifdef HAVE_GUMBO
void BM_GumboParse(benchmark::State& state)
{
    const QString& doc = Document(int(state.range(0)));
    const QByteArray utf8 = doc.toUtf8();
    for (auto _ : state) {
        GumboOutput* out = gumbo_parse(utf8.constData());
        benchmark::DoNotOptimize(out);
        FreeUntimed(state, [&] { gumbo_destroy_output(&kGumboDefaultOptions, out); });
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_GumboParse)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
#endif

} // namespace

int main(int argc, char** argv)
{
    // A running editor keeps its heap. By default the allocator hands the memory of a freed 300 MB tree
    // back to the system and the next parse pays its page faults again, which measures the allocator's
    // policy rather than the reader; BM_ParseHtmlColdHeap shows that case on its own.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
