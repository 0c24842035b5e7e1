#pragma once
// Writes the read-only container files the program reads: templates ("*.tpl") and icon packs ("*.icp").
// The program itself never writes them; the build makes its data files with this writer, and the tests
// make good and damaged containers with it. Numbers are signed 32-bit little-endian; a string or block is
// its length as such a number followed by its bytes.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPolygonF>
#include <functional>

class QIODevice;
class QPainter;

struct TContainerFile
{
    QByteArray Name;    // the stored name, "\" between subfolders
    QByteArray Content;
};

// The primitive writes, for containers laid out by hand (the tests' damaged ones).
class TContainerWriter
{
public:
    void WriteInteger(qint32 Value);
    void WriteString(const QByteArray& Value); // also a block: length, then the bytes
    void WriteRaw(const QByteArray& Bytes);
    const QByteArray& Bytes() const { return FBytes; }
    qint32 Size() const { return qint32(FBytes.size()); }

private:
    QByteArray FBytes;
};

// A template: the magic, the JPEG preview, the page (which holds "{CONTENT}"), then one record per file.
QByteArray WriteTemplate(const QByteArray& Jpeg, const QByteArray& Page, const QList<TContainerFile>& Files,
                         const QByteArray& Magic = "Corvalite Template");

// The thumbnail block of an icon pack: a BMP file of the strip followed by tile width, tile height, tile
// count and tiles per row.
QByteArray ThumbnailBlock(const QByteArray& Bmp, qint32 TileWidth, qint32 TileHeight, qint32 Count,
                          qint32 PerRow);
// The strip of Tiles (all of one size) as a BMP file, PerRow tiles a row, magenta where nothing is drawn.
QByteArray TileStrip(const QList<QImage>& Tiles, int PerRow);

// An icon pack: the magic, the thumbnail offset, one record per icon file, then the thumbnail block.
QByteArray WriteIconPack(const QList<TContainerFile>& Icons, const QByteArray& Thumbnails,
                         const QByteArray& Magic = "Corvalite Icon Pack");

// An icon of a drawn pack: its file name and how it is painted on 16 by 16 transparent pixels.
struct TDrawnIcon
{
    const char* Name;
    std::function<void(QPainter&)> Draw;
};

// What the drawn icons are made of: a polygon through Points, and a shape filled with C and outlined in a
// darker C.
QPolygonF Poly(std::initializer_list<QPointF> Points);
void FillOutlined(QPainter& P, const QColor& C, const QPolygonF& Shape);

// An icon pack of drawn icons: each a 16-pixel PNG file; the thumbnails are 32-pixel tiles, eight a row,
// with the icon in the middle on magenta. Magenta is all the transparency a thumbnail has, so a pixel of the
// icon less opaque than MinAlpha shows magenta and every other one is opaque: no pink fringe at the edges.
QByteArray DrawnIconPack(const QList<TDrawnIcon>& Icons, int MinAlpha);

// One row of 16-pixel tiles as a BMP file, one drawn icon a tile, magenta where the icon is less opaque than
// MinAlpha: the image-list strip the program loads its tool bar pictures from.
QByteArray DrawnTileStrip(const QList<TDrawnIcon>& Icons, int MinAlpha);

// Writes a data file through QSaveFile, making its folder first; false, with a line on stderr, when it
// cannot be written.
bool SaveDataFile(const QString& Path, const QByteArray& Bytes);

// Image to file bytes: a baseline JPEG of the given quality (libjpeg) and a PNG.
QByteArray JpegFileBytes(const QImage& Image, int Quality = 85);
QByteArray PngFileBytes(const QImage& Image);
