#include "RgbUtils.h"

#include "Exceptions.h"

void MakeGrayScale(QImage& Bitmap, bool Weighted)
{
    QImage Work = Bitmap.convertToFormat(QImage::Format_RGB32);
    if (Work.isNull() || Work.format() != QImage::Format_RGB32)
        throw Exception(QStringLiteral("MakeGrayScale() can't convert bitmap to 24 bit"));
    for (int y = 0; y < Work.height(); ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Work.scanLine(y));
        for (int x = 0; x < Work.width(); ++x) {
            const QRgb Pixel = Line[x];
            if (IsTransparentPixel(Pixel))
                continue;
            const int R = qRed(Pixel), G = qGreen(Pixel), B = qBlue(Pixel);
            const int Grey = Weighted ? (77 * R + 151 * G + 28 * B) >> 8 : (R + G + B) / 3;
            Line[x] = qRgb(Grey, Grey, Grey);
        }
    }
    Bitmap = Work;
}
