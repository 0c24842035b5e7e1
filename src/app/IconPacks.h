#pragma once
// Icon packs: read-only container files ("*.icp") of small image files with one thumbnail strip that
// shows them all. Magenta is the thumbnails' transparent colour.
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class TIconPack
{
public:
    // Reads the pack's names and thumbnails; FileName is set only when that succeeds. Raises Exception
    // ("Invalid Corvalite Icon Pack file." for a bad header, 'Cannot open file "<path>". <reason>' for a
    // file that cannot be opened).
    void LoadFromFile(const QString& Path);
    void LoadFromStream(QIODevice& Stream);

    QString FileName;
    QStringList Names;    // the icons' file names in record order
    QList<QImage> Images; // the thumbnails, one per tile of the strip
};

// Fills Images with the tiles of the strip in Stream: a BMP file followed by four 32-bit integers, tile
// width, tile height, tile count and tiles per row.
void LoadImageListFromStream(QList<QImage>& Images, QIODevice& Stream);
