// Arbitrary bytes opened as a document file: declaration scan, decoding into UTF-16 and parsing.
// Every input must either decode or fail with one of the decoding messages, never crash or hang.
#include "Exceptions.h"
#include "HtmlConv.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

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

    QBuffer src(&bytes);
    src.open(QIODevice::ReadOnly);
    QByteArray wide;
    QBuffer dst(&wide);
    dst.open(QIODevice::ReadWrite);
    try {
        ConvertToUnicode(src, dst);
    } catch (const Exception& e) {
        const QString& m = e.Message();
        if (m != u"internal error" && m != u"incomplete character or shift sequence" && m != u"cannot convert"
            && m != u"unknown error")
            std::abort();
        return 0;
    }
    if (wide.size() % 2 != 0 || dst.pos() != 0)
        std::abort();

    try {
        std::unique_ptr<THtmlRoot> root = ParseHtml(dst);
    } catch (const Exception&) {
        // An unterminated comment or script block is the parser's own error.
    }
    return 0;
}
