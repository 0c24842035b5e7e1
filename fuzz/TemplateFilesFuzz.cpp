// Arbitrary bytes read as a template: its preview and page are read, then its files are written into a
// fresh folder. Every input either reads or fails with the template's own message or a file error, and
// nothing is ever written outside the destination folder or over the open document.
#include "Exceptions.h"
#include "TemplateFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void RequireExpected(const Exception& e)
{
    const QString& m = e.Message();
    if (!m.startsWith(QLatin1String("Invalid Corvalite Template file: \"")) &&
        !m.startsWith(QLatin1String("Cannot create file \"")))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir root;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TTemplateReader reader(QStringLiteral("fuzz.tpl"));
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            reader.ReadInfo(stream);
            if (reader.Picture.isNull())
                std::abort();
        } catch (const Exception& e) {
            RequireExpected(e);
        }
    }

    const QString dest = root.filePath(QStringLiteral("out"));
    const QString document = dest + QStringLiteral("/index.html");
    QDir(dest).removeRecursively();
    QDir().mkpath(dest);
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            reader.ExtractFiles(stream, dest, document);
        } catch (const Exception& e) {
            RequireExpected(e);
        }
    }
    const QStringList outside = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (outside != QStringList{QStringLiteral("out")} || QFileInfo::exists(document))
        std::abort();
    return 0;
}
