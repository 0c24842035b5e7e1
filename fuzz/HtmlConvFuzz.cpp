// Arbitrary bytes opened and saved as a document file: declaration scan, decoding into UTF-16, parsing,
// writing and narrowing. Every input must decode (only a converter's own failure may stop it, never an
// unknown name), never crash or hang, and a parsed tree always saves to one byte per character written,
// never a NUL byte.
#include "Exceptions.h"
#include "HtmlConv.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The decoding of Bytes, with the report and the message of a failure.
QByteArray Decode(QByteArray Bytes, QString& Error, TDecodeReport& Report)
{
    QBuffer src(&Bytes);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::ReadWrite);
    try {
        ConvertToUnicode(src, dst, &Report);
        if (dst.pos() != 0)
            std::abort(); // the decoded text is handed over from its start
    } catch (const Exception& e) {
        Error = e.Message();
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        DetectCharset(b);
        if (b.pos() > bytes.size())
            std::abort();
    }

    // Whatever bytes of a multi-byte set come before it, a line break and an ASCII word after them read
    // unchanged: a character never swallows what follows the bytes it could not use.
    for (const char* set : {"big5", "euc-jp", "shift_jis", "euc-kr", "gb18030", "utf-8"}) {
        QString error;
        TDecodeReport report;
        const QByteArray out = Decode("<meta charset=" + QByteArray(set) + ">" + bytes + "\nword", error, report);
        if (!error.isEmpty() || !out.endsWith(QByteArray("\n\0w\0o\0r\0d\0", 10)))
            std::abort();
    }

    // UTF-8 takes a faster road than the converter ("iso-ir-193" names the same set, is no browser label
    // and goes the converter's way): both decode, read bytes as Windows-1252 or U+FFFD and fail alike.
    {
        auto decode = [&bytes](const char* declaration, QString& error, TDecodeReport& report) {
            return Decode(declaration + bytes, error, report).mid(2 * qsizetype(std::strlen(declaration)));
        };
        QString fastError, referenceError;
        TDecodeReport fastReport, referenceReport;
        const QByteArray fast = decode("<meta charset=utf-8>", fastError, fastReport);
        const QByteArray reference = decode("<meta charset=iso-ir-193>", referenceError, referenceReport);
        if (fast != reference || fastError != referenceError || fastReport.UnfitBytes != referenceReport.UnfitBytes
            || fastReport.Replaced != referenceReport.Replaced)
            std::abort();
    }

    QString error;
    TDecodeReport report;
    QByteArray wide = Decode(bytes, error, report);
    if (!error.isEmpty()) {
        if (error != u"incomplete character or shift sequence" && error != u"unknown error")
            std::abort();
        return 0;
    }
    if (wide.size() % 2 != 0 || (report.Encoding != "UTF-8" && report.Encoding != "windows-1252" && !report.Declared
                                 && !report.ByteOrderMark))
        std::abort();
    QBuffer dst(&wide);
    dst.open(QIODevice::ReadOnly);

    std::unique_ptr<THtmlRoot> root;
    try {
        root = ParseHtml(dst);
    } catch (const Exception&) {
        // An unterminated comment or script block is the parser's own error.
        return 0;
    }

    // Saving: the writer's UTF-16 output narrowed to one byte per unit.
    QBuffer written;
    written.open(QIODevice::ReadWrite);
    if (!WriteHtmlDocument(written, root.get()) || written.size() % 2 != 0)
        std::abort();
    written.seek(0);
    QBuffer narrow;
    narrow.open(QIODevice::WriteOnly);
    NarrowWideStream(written, narrow);
    // A saved page never holds a NUL byte: decoding reads the character 0 as U+FFFD.
    if (narrow.size() != written.size() / 2 || narrow.data().contains('\0'))
        std::abort();
    return 0;
}
