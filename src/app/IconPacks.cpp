#include "IconPacks.h"

#include "Exceptions.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtEndian>

namespace {

const QString SInvalidPack = QStringLiteral("Invalid Corvalite Icon Pack file.");
// A field longer than this is not a pack's: it would only make the reader allocate for nothing.
constexpr qint32 MaxBlock = 64 * 1024 * 1024;

[[noreturn]] void ReadError()
{
    throw Exception(QStringLiteral("Stream read error"));
}

qint32 ReadInteger(QIODevice& Stream, bool EndIsZero = false)
{
    char Bytes[4];
    const qint64 Got = Stream.read(Bytes, 4);
    if (Got == 0 && EndIsZero)
        return 0;
    if (Got != 4)
        ReadError();
    return qFromLittleEndian<qint32>(Bytes);
}

QByteArray ReadBlock(QIODevice& Stream)
{
    const qint32 Length = ReadInteger(Stream);
    if (Length < 0 || Length > MaxBlock)
        ReadError();
    const QByteArray Data = Stream.read(Length);
    if (Data.size() != Length)
        ReadError();
    return Data;
}

void SkipBlock(QIODevice& Stream)
{
    const qint32 Length = ReadInteger(Stream);
    if (Length < 0 || !Stream.seek(Stream.pos() + Length) || Stream.pos() > Stream.size())
        ReadError();
}

} // namespace

void LoadImageListFromStream(QList<QImage>& Images, QIODevice& Stream)
{
    // The BMP header's own size field says where the strip ends and the four integers begin.
    const QByteArray Head = Stream.peek(6);
    if (Head.size() < 6 || !Head.startsWith("BM"))
        ReadError();
    const qint32 BmpSize = qFromLittleEndian<qint32>(Head.constData() + 2);
    if (BmpSize < 14 || BmpSize > MaxBlock)
        ReadError();
    const QByteArray Bmp = Stream.read(BmpSize);
    QImage Strip;
    if (Bmp.size() != BmpSize || !Strip.loadFromData(Bmp, "BMP"))
        ReadError();
    Strip = Strip.convertToFormat(QImage::Format_RGB32);
    const qint32 TileW = ReadInteger(Stream), TileH = ReadInteger(Stream);
    const qint32 Count = ReadInteger(Stream), PerRow = ReadInteger(Stream);
    if (TileW <= 0 || TileH <= 0 || Count < 0 || PerRow <= 0 || TileW > 1024 || TileH > 1024)
        ReadError();
    Images.clear();
    for (qint32 i = 0; i < Count; ++i) {
        const QRect Tile((i % PerRow) * TileW, (i / PerRow) * TileH, TileW, TileH);
        if (!Strip.rect().contains(Tile))
            break; // a strip with fewer tiles than it claims: the rest have no image
        Images.append(Strip.copy(Tile));
    }
}

void TIconPack::LoadFromStream(QIODevice& Stream)
{
    Images.clear();
    Names.clear();
    QByteArray Header;
    try {
        Header = ReadBlock(Stream);
    } catch (const Exception&) {
        throw Exception(SInvalidPack);
    }
    if (Header != "Corvalite Icon Pack")
        throw Exception(SInvalidPack);
    const qint32 ThumbOffset = ReadInteger(Stream);
    while (ReadInteger(Stream, true) == 1) {
        Names.append(QString::fromLatin1(ReadBlock(Stream)));
        SkipBlock(Stream);
    }
    if (ThumbOffset < 0 || !Stream.seek(ThumbOffset))
        ReadError();
    QByteArray Thumbs = ReadBlock(Stream);
    QBuffer Block(&Thumbs);
    Block.open(QIODevice::ReadOnly);
    LoadImageListFromStream(Images, Block);
}

void TIconPack::LoadFromFile(const QString& Path)
{
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(Path), File.errorString()));
    LoadFromStream(File);
    FileName = Path;
}
