// Arbitrary bytes read as an icon pack: its names and thumbnails are loaded, then its first and last
// icons are written into a fresh folder, and once more over the user's changed copies of them while a
// file size limit stops larger writes part-way and the question whether to replace them is answered Yes
// or No. Every input either loads or fails with the pack's own message or a file error with the
// system's reason; a loaded pack holds only names that stay inside the folder; a failed or declined
// write leaves the folder exactly as it was, and nothing is ever written outside it.
#include "ContainerFuzzChecks.h"
#include "Exceptions.h"
#include "IconPacks.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void RequireExpected(const Exception& e)
{
    if (e.Message() != QLatin1String("Invalid Corvalite Icon Pack file.") && !IsSystemFileFailure(e.Message()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir root;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TIconPack pack;
    {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            pack.LoadFromStream(stream);
        } catch (const Exception& e) {
            RequireExpected(e);
            if (pack.Names.size() || pack.Images.Count())
                std::abort();
        }
    }
    for (const QString& name : pack.Names)
        if (IconRelativePath(name).isEmpty())
            std::abort();
    for (int i = 0; i < pack.Images.Count(); ++i)
        if (pack.Images.Image(i).size() != QSize(pack.Images.Width(), pack.Images.Height()))
            std::abort();

    const QString dest = root.filePath(QStringLiteral("out"));
    QDir(dest).removeRecursively();
    QDir().mkpath(dest);
    const int indexes[] = {0, int(pack.Names.size()) - 1, int(pack.Names.size())};
    for (const int index : indexes) {
        const auto before = FolderSnapshot(dest);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            pack.ExtractIcon(stream, index, dest);
        } catch (const Exception& e) {
            RequireExpected(e);
            if (FolderSnapshot(dest) != before)
                std::abort();
        }
    }
    if (QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) != QStringList{QStringLiteral("out")})
        std::abort();

    // Again over the user's copies: the limit (from the input's last byte) stops the larger icons.
    const auto fresh = FolderSnapshot(dest);
    if (fresh.isEmpty() || size == 0)
        return 0;
    ChangeEveryOtherFile(dest, fresh);
    const bool agree = size % 2 == 0;
    const TFuzzFileSizeLimit limit(rlim_t(data[size - 1]) * 16);
    for (const int index : indexes) {
        const auto before = FolderSnapshot(dest);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        bool asked = false;
        try {
            const bool written = pack.ExtractIcon(stream, index, dest, [&](const QStringList& files) {
                asked = true;
                if (files.size() != 1 || !files[0].startsWith(dest + QLatin1Char('/')) ||
                    before.value(files[0].mid(dest.size() + 1), "<folder>") == "<folder>")
                    std::abort(); // asked about a file that is not there
                return agree;
            });
            if (written != (agree || !asked) || (!written && FolderSnapshot(dest) != before))
                std::abort();
        } catch (const Exception& e) {
            RequireExpected(e);
            if (FolderSnapshot(dest) != before)
                std::abort();
        }
    }
    return 0;
}
