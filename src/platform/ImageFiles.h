#pragma once
// Writing owner-drawn images as web image files. Magenta (red 255, green 0, blue 255) marks the
// transparent pixels: GIF gets a palette slot of its own for it, PNG an alpha of 0, and JPEG and BMP,
// which cannot be transparent, white in its place.
#include <QByteArray>
#include <QImage>
#include <QString>

enum class TImageFormat { Gif = 0, Jpeg = 1, Png = 2, Bmp = 3 };

// The file contents in each format. An empty result means the image could not be encoded.
QByteArray EncodeGif(const QImage& Image);
QByteArray EncodeJpeg(const QImage& Image, int Quality = 90);
QByteArray EncodePng(const QImage& Image);
QByteArray EncodeBmp(const QImage& Image);
QByteArray EncodeImage(const QImage& Image, TImageFormat Format);

// The image with white where it is magenta, for the formats without transparency.
QImage MagentaToWhite(const QImage& Image);
// The image with alpha 0 where it is magenta and opaque elsewhere.
QImage MagentaToAlpha(const QImage& Image);

// Encodes Image and writes it to Path. An existing file is replaced only once the new content is
// completely written. Raises Exception ('Cannot create file "<path>". <reason>') when it cannot be.
void SaveImageFile(const QImage& Image, TImageFormat Format, const QString& Path);
