// Arbitrary bytes read as a template: its preview and page are read, then its files are written into a
// fresh folder, and once more over the user's changed copies of them while a file size limit stops
// larger writes part-way and the question whether to replace them is answered Yes or No. Every input
// either reads or fails with the template's own message or a file error with the system's reason; a
// failed or declined write leaves the folder exactly as it was, and nothing is ever written outside it or
// over the open document.
#include "ContainerFuzzChecks.h"
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
    if (!m.startsWith(QLatin1String("Invalid Corvalite Template file: \"")) && !IsSystemFileFailure(m))
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
    bool written = false;
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            written = reader.ExtractFiles(stream, dest, document);
        } catch (const Exception& e) {
            RequireExpected(e);
            if (!FolderSnapshot(dest).isEmpty())
                std::abort();
        }
    }
    const QStringList outside = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (outside != QStringList{QStringLiteral("out")} || QFileInfo::exists(document))
        std::abort();
    if (!written)
        return 0;

    // Again over the user's copies: the limit (from the input's last byte) stops the larger records.
    const QMap<QString, QByteArray> fresh = FolderSnapshot(dest);
    ChangeEveryOtherFile(dest, fresh);
    const QMap<QString, QByteArray> before = FolderSnapshot(dest);
    const bool agree = size % 2 == 0;
    bool asked = false, replaced = false;
    {
        const TFuzzFileSizeLimit limit(rlim_t(data[size - 1]) * 16);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            replaced = reader.ExtractFiles(stream, dest, document, [&](const QStringList& files) {
                asked = true;
                for (const QString& file : files)
                    if (!file.startsWith(dest + QLatin1Char('/')) || before.value(file.mid(dest.size() + 1)) ==
                                                                          fresh.value(file.mid(dest.size() + 1)))
                        std::abort(); // asked about a file that is not there with other bytes
                return agree;
            });
        } catch (const Exception& e) {
            RequireExpected(e);
            if (FolderSnapshot(dest) != before)
                std::abort();
            return 0;
        }
    }
    if (asked != (before != fresh) || replaced != (agree || before == fresh))
        std::abort();
    if (FolderSnapshot(dest) != (replaced ? fresh : before))
        std::abort();
    return 0;
}
