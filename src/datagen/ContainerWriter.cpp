#include "ContainerWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

void TContainerWriter::WriteInteger(qint32 Value)
{
    unsigned char bytes[4];
    qToLittleEndian(Value, bytes);
    FBytes.append(reinterpret_cast<const char*>(bytes), 4);
}

void TContainerWriter::WriteString(const QByteArray& Value)
{
    WriteInteger(qint32(Value.size()));
    FBytes += Value;
}

void TContainerWriter::WriteRaw(const QByteArray& Bytes)
{
    FBytes += Bytes;
}

QByteArray WriteTemplate(const QByteArray& Jpeg, const QByteArray& Page, const QList<TContainerFile>& Files,
                         const QByteArray& Magic)
{
    TContainerWriter w;
    w.WriteString(Magic);
    w.WriteString(Jpeg);
    w.WriteString(Page);
    for (const TContainerFile& f : Files) {
        w.WriteInteger(1);
        w.WriteString(f.Name);
        w.WriteString(f.Content);
    }
    w.WriteInteger(0);
    return w.Bytes();
}

QByteArray ThumbnailBlock(const QByteArray& Bmp, qint32 TileWidth, qint32 TileHeight, qint32 Count, qint32 PerRow)
{
    TContainerWriter w;
    w.WriteRaw(Bmp);
    for (qint32 v : {TileWidth, TileHeight, Count, PerRow})
        w.WriteInteger(v);
    return w.Bytes();
}

QByteArray TileStrip(const QList<QImage>& Tiles, int PerRow)
{
    const int w = Tiles.isEmpty() ? 1 : Tiles.front().width();
    const int h = Tiles.isEmpty() ? 1 : Tiles.front().height();
    const int rows = Tiles.isEmpty() ? 1 : int((Tiles.size() + PerRow - 1) / PerRow);
    QImage strip(w * PerRow, h * rows, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    QPainter p(&strip);
    for (int i = 0; i < Tiles.size(); ++i)
        p.drawImage(QPoint((i % PerRow) * w, (i / PerRow) * h), Tiles[i]);
    p.end();
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    strip.save(&b, "BMP");
    return bytes;
}

QByteArray WriteIconPack(const QList<TContainerFile>& Icons, const QByteArray& Thumbnails, const QByteArray& Magic)
{
    TContainerWriter records;
    for (const TContainerFile& f : Icons) {
        records.WriteInteger(1);
        records.WriteString(f.Name);
        records.WriteString(f.Content);
    }
    records.WriteInteger(0);
    TContainerWriter w;
    w.WriteString(Magic);
    const qint32 offset = w.Size() + 4 + records.Size();
    w.WriteInteger(offset);
    w.WriteRaw(records.Bytes());
    w.WriteString(Thumbnails);
    return w.Bytes();
}

QByteArray JpegFileBytes(const QImage& Image, int Quality)
{
    const QImage rgb = Image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, Quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

QByteArray PngFileBytes(const QImage& Image)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    Image.save(&b, "PNG");
    return bytes;
}

namespace {

QImage DrawIcon(const TDrawnIcon& Icon)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Icon.Draw(p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The icon in the middle of a Size-pixel tile on magenta.
QImage ThumbnailTile(const QImage& Icon, int MinAlpha, int Size = 32)
{
    QImage tile(Size, Size, QImage::Format_RGB32);
    tile.fill(QColor(255, 0, 255));
    const int offset = (Size - Icon.width()) / 2;
    for (int y = 0; y < Icon.height(); ++y)
        for (int x = 0; x < Icon.width(); ++x) {
            const QRgb c = Icon.pixel(x, y);
            if (qAlpha(c) >= MinAlpha)
                tile.setPixel(x + offset, y + offset, qRgb(qRed(c), qGreen(c), qBlue(c)));
        }
    return tile;
}

} // namespace

QByteArray DrawnIconPack(const QList<TDrawnIcon>& Icons, int MinAlpha)
{
    QList<TContainerFile> files;
    QList<QImage> tiles;
    for (const TDrawnIcon& icon : Icons) {
        const QImage image = DrawIcon(icon);
        files.append({icon.Name, PngFileBytes(image)});
        tiles.append(ThumbnailTile(image, MinAlpha));
    }
    constexpr int PerRow = 8;
    return WriteIconPack(files, ThumbnailBlock(TileStrip(tiles, PerRow), 32, 32, qint32(tiles.size()), PerRow));
}

QPolygonF Poly(std::initializer_list<QPointF> Points)
{
    return QPolygonF(Points);
}

void FillOutlined(QPainter& P, const QColor& C, const QPolygonF& Shape)
{
    P.setPen(QPen(C.darker(140), 1));
    P.setBrush(C);
    P.drawPolygon(Shape);
}

QByteArray DrawnTileStrip(const QList<TDrawnIcon>& Icons, int MinAlpha)
{
    QList<QImage> tiles;
    for (const TDrawnIcon& icon : Icons)
        tiles.append(ThumbnailTile(DrawIcon(icon), MinAlpha, 16));
    return TileStrip(tiles, int(std::max<qsizetype>(1, tiles.size())));
}

bool SaveDataFile(const QString& Path, const QByteArray& Bytes)
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QSaveFile f(Path);
    if (!f.open(QIODevice::WriteOnly) || f.write(Bytes) != Bytes.size() || !f.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
        return false;
    }
    return true;
}
