// Decoding a document file into UTF-16 and narrowing the writer's output, alone and as the whole
// open-and-save path (decode, parse, write, narrow) of a multi-megabyte page.
#include "BenchCorpus.h"
#include "HtmlConv.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <benchmark/benchmark.h>

namespace {

// A page of about Size bytes of typical content: paragraphs with inline markup, tables, lists and
// accented or non-Latin text every few words, under the given declaration.
QString MakePage(const char* charset, qsizetype size, bool wide)
{
    QString page = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=")
        + QLatin1String(charset) + QStringLiteral("\"><title>Bench</title></head>\r\n<body>\r\n");
    const QString words[] = {
        QStringLiteral("the"), QStringLiteral("caf\u00E9"), QStringLiteral("document"), QStringLiteral("na\u00EFve"),
        QStringLiteral("editor"), QStringLiteral("\u201Cquoted\u201D"), QStringLiteral("table"), QStringLiteral("r\u00E9sum\u00E9"),
        wide ? QStringLiteral("\u65E5\u672C\u8A9E") : QStringLiteral("price"), QStringLiteral("\u20AC12"),
        wide ? QStringLiteral("\u0420\u0443\u0441\u0441\u043A\u0438\u0439") : QStringLiteral("Stra\u00DFe"),
    };
    int n = 0;
    while (page.size() < size) {
        page += QStringLiteral("<p class=\"text\">");
        for (int i = 0; i < 40; ++i) {
            if (i % 9 == 4)
                page += QStringLiteral("<b>") + words[n++ % 11] + QStringLiteral("</b> ");
            else
                page += words[n++ % 11] + QLatin1Char(' ');
        }
        page += QStringLiteral("</p>\r\n<table border=\"1\"><tr><td>cell ") + QString::number(n)
            + QStringLiteral("</td><td><a href=\"page.html\">link</a></td></tr></table>\r\n<ul><li>one</li><li>two</li></ul>\r\n");
    }
    return page + QStringLiteral("</body></html>\r\n");
}

const QByteArray& Utf8Page()
{
    static const QByteArray page = MakePage("utf-8", 4 << 20, true).toUtf8();
    return page;
}

const QByteArray& Windows1252Page()
{
    static const QByteArray page = [] {
        const QString text = MakePage("windows-1252", 4 << 20, false);
        QByteArray bytes;
        bytes.reserve(text.size());
        for (QChar c : text) {
            switch (c.unicode()) {
            case 0x20AC: bytes += '\x80'; break;
            case 0x201C: bytes += '\x93'; break;
            case 0x201D: bytes += '\x94'; break;
            default: bytes += char(c.unicode()); break;
            }
        }
        return bytes;
    }();
    return page;
}

const QByteArray& Latin1Page()
{
    static const QByteArray page = [] {
        QString text = MakePage("iso-8859-1", 4 << 20, false);
        text.replace(QChar(0x20AC), QLatin1Char('E')).replace(QChar(0x201C), QLatin1Char('"')).replace(QChar(0x201D), QLatin1Char('"'));
        return text.toLatin1();
    }();
    return page;
}

QByteArray Convert(const QByteArray& bytes)
{
    QByteArray in = bytes;
    QBuffer src(&in);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::ReadWrite);
    ConvertToUnicode(src, dst);
    return out;
}

void BenchConvert(benchmark::State& state, const QByteArray& page)
{
    for (auto _ : state) {
        QByteArray out = Convert(page);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_ConvertUtf8(benchmark::State& state) { BenchConvert(state, Utf8Page()); }
void BM_ConvertWindows1252(benchmark::State& state) { BenchConvert(state, Windows1252Page()); }
void BM_ConvertLatin1(benchmark::State& state) { BenchConvert(state, Latin1Page()); }

// A page that declares nothing: the scan for a declaration reads all of it.
void BM_DetectCharsetWithoutDeclaration(benchmark::State& state)
{
    QByteArray page = Windows1252Page();
    page.replace("charset=windows-1252", "");
    for (auto _ : state) {
        QBuffer b(&page);
        b.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(DetectCharset(b));
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

// Pages that declare nothing: the whole scan, then a look whether the bytes are UTF-8, then the decoding.
void BM_ConvertUndeclaredUtf8(benchmark::State& state)
{
    static const QByteArray page = QByteArray(Utf8Page()).replace("charset=utf-8", "");
    BenchConvert(state, page);
}

void BM_ConvertUndeclaredWindows1252(benchmark::State& state)
{
    static const QByteArray page = QByteArray(Windows1252Page()).replace("charset=windows-1252", "");
    BenchConvert(state, page);
}

// A page of state.range(0) MB in a multi-byte set: markup, ASCII words and a few characters of the set
// in turn, with a byte pair the set does not hold now and then; the time grows with the size alone.
void BM_ConvertMultiByte(benchmark::State& state, const char* label, const char* characters)
{
    QByteArray page = "<html><head><meta charset=" + QByteArray(label) + "></head><body>\r\n";
    const qsizetype size = state.range(0) << 20;
    for (int n = 0; page.size() < size; ++n) {
        page += "<p class=\"text\">the <b>document</b> ";
        page += characters;
        page += n % 16 == 0 ? " \xFF\xFF editor</p>\r\n" : " editor</p>\r\n";
    }
    page += "</body></html>\r\n";
    BenchConvert(state, page);
}

void BM_NarrowWideStream(benchmark::State& state)
{
    QByteArray wide = Convert(Windows1252Page());
    for (auto _ : state) {
        QBuffer src(&wide);
        src.open(QIODevice::ReadOnly);
        QByteArray out;
        QBuffer dst(&out);
        dst.open(QIODevice::WriteOnly);
        NarrowWideStream(src, dst);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * wide.size());
}

// Opening and saving a document: decode, parse, write the tree, narrow into the saved bytes. The
// figure is in bytes of the file opened.
void BenchOpenAndSave(benchmark::State& state, const QByteArray& page)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainOpenAndSave(page).data());
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_OpenAndSaveUtf8(benchmark::State& state) { BenchOpenAndSave(state, Utf8Page()); }
void BM_OpenAndSaveWindows1252(benchmark::State& state) { BenchOpenAndSave(state, Windows1252Page()); }

} // namespace

BENCHMARK(BM_ConvertUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertWindows1252)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertLatin1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectCharsetWithoutDeclaration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertUndeclaredUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertUndeclaredWindows1252)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, Shift_JIS, "shift_jis", "\x93\xFA\x96\x7B\x8C\xEA\x87\x40")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, EUC_JP, "euc-jp", "\xC6\xFC\xCB\xDC\xB8\xEC\xAD\xA1\x8E\xB1")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, ISO_2022_JP, "iso-2022-jp", "\x1B$BF|K\\8l\x1B(B")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, Big5, "big5", "\xA4\xA4\xA4\xE5\xA6\x72\x88\x62")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, EUC_KR, "euc-kr", "\xC7\xD1\xB1\xB9\xBE\xEE")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertMultiByte, gb18030, "gb18030", "\xD6\xD0\xCE\xC4\x81\x30\x81\x30")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NarrowWideStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSaveUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSaveWindows1252)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
