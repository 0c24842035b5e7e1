// Arbitrary bytes read as an icon pack: its names and thumbnails are loaded, then its first and last
// icons are written into a fresh folder. Every input either loads or fails with the pack's own message
// or a file error; a loaded pack holds only names that stay inside the folder, and nothing is ever
// written outside it.
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
    const QString& m = e.Message();
    if (m != QLatin1String("Invalid Corvalite Icon Pack file.") && !m.startsWith(QLatin1String("Cannot create file \"")))
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
    for (const int index : {0, int(pack.Names.size()) - 1, int(pack.Names.size())}) {
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            pack.ExtractIcon(stream, index, dest);
        } catch (const Exception& e) {
            RequireExpected(e);
        }
    }
    if (QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) != QStringList{QStringLiteral("out")})
        std::abort();
    return 0;
}
