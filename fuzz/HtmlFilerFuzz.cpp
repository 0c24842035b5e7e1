// Reads arbitrary input as HTML, writes it back and reads the written text again. The first byte picks how
// the rest becomes text: even as one character per byte (markup is easy to reach), odd as UTF-16LE (every
// unit reachable, surrogates included).
#include "Exceptions.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

QString WriteDocument(THtmlRoot* root)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteHtmlDocument(buffer, root);
    const QByteArray& bytes = buffer.data();
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    QString text;
    if (data[0] % 2 == 0)
        text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    else
        text = QString(reinterpret_cast<const QChar*>(data + 1), qsizetype((size - 1) / 2));
    std::unique_ptr<THtmlRoot> root;
    try {
        root = ParseHtml(QStringView(text));
    } catch (const Exception&) {
        return 0;
    }
    const QString written = WriteDocument(root.get());
    // What the writer wrote must read back: it never leaves a comment or a block open.
    std::unique_ptr<THtmlRoot> again = ParseHtml(QStringView(written));
    const QString rewritten = WriteDocument(again.get());
    // With CORVALITE_FUZZ_STABLE set, a second round that writes differently from the first is a finding.
    static const bool stable = std::getenv("CORVALITE_FUZZ_STABLE") != nullptr;
    if (stable && rewritten != written)
        std::abort();
    (void)GetNodePlainText(root.get());
    if (THtmlTag* body = FindNodeByPath(root.get(), QStringLiteral("html.body")))
        (void)StripOuterTag(HtmlNodeToText(body));
    // Written text holds nothing the narrowing to one byte would destroy.
    for (const QString* out : {&written, &rewritten})
        for (QChar c : *out)
            if (c.unicode() > 255)
                std::abort();
    return 0;
}
