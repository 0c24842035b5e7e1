#include "TagGlyphs.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <gif_lib.h>

namespace {

// Palette: 0 transparent, then frame, fill and text.
constexpr int Transparent = 0;
const QRgb Palette[4] = {qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(255, 255, 204), qRgb(0, 0, 0)};

int PaletteIndex(QRgb Pixel)
{
    if (qAlpha(Pixel) < 128)
        return Transparent;
    int best = 1;
    int bestDistance = INT_MAX;
    for (int i = 1; i < 4; ++i) {
        const int dr = qRed(Pixel) - qRed(Palette[i]);
        const int dg = qGreen(Pixel) - qGreen(Palette[i]);
        const int db = qBlue(Pixel) - qBlue(Palette[i]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

int AppendBytes(GifFileType* Gif, const GifByteType* Bytes, int Length)
{
    static_cast<QByteArray*>(Gif->UserData)->append(reinterpret_cast<const char*>(Bytes), Length);
    return Length;
}

QByteArray EncodeGif(const QImage& Image)
{
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
    if (!gif)
        return {};
    GifColorType colors[4];
    for (int i = 0; i < 4; ++i)
        colors[i] = {GifByteType(qRed(Palette[i])), GifByteType(qGreen(Palette[i])), GifByteType(qBlue(Palette[i]))};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifSetGifVersion(gif, true);
    bool ok = map && EGifPutScreenDesc(gif, Image.width(), Image.height(), 2, Transparent, map) == GIF_OK;
    // Graphic control: index 0 is transparent.
    const GifByteType control[4] = {0x01, 0, 0, GifByteType(Transparent)};
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, Image.width(), Image.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(size_t(Image.width()));
    for (int y = 0; ok && y < Image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(Image.constScanLine(y));
        for (int x = 0; x < Image.width(); ++x)
            line[size_t(x)] = GifPixelType(PaletteIndex(row[x]));
        ok = EGifPutLine(gif, line.data(), Image.width()) == GIF_OK;
    }
    if (map)
        GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? bytes : QByteArray();
}

} // namespace

QByteArray DrawTagGlyph(const QString& Name, int Width, int Height)
{
    if (Width <= 0 || Height <= 0 || Width > 256 || Height > 256 || Name.isEmpty())
        return {};
    QString label;
    int kind = 0; // 0 a line break, 1 opening, 2 closing
    if (Name.compare(QLatin1String("br"), Qt::CaseInsensitive) == 0) {
        label = QStringLiteral("br");
    } else {
        const QChar last = Name.back();
        if (Name.size() < 2 || (last != QLatin1Char('1') && last != QLatin1Char('2')))
            return {};
        kind = last == QLatin1Char('1') ? 1 : 2;
        label = Name.left(Name.size() - 1).toLower();
    }
    QImage image(Width, Height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(QColor(Palette[1]));
        painter.setBrush(QColor(Palette[2]));
        const int w = Width - 1;
        const int h = Height - 1;
        const int tip = std::min(5, w / 3);
        QPolygon shape;
        if (kind == 1) // points right, into the element
            shape << QPoint(0, 0) << QPoint(w - tip, 0) << QPoint(w, h / 2) << QPoint(w - tip, h) << QPoint(0, h);
        else if (kind == 2) // points left, back into the element
            shape << QPoint(tip, 0) << QPoint(w, 0) << QPoint(w, h) << QPoint(tip, h) << QPoint(0, h / 2);
        else
            shape << QPoint(0, 0) << QPoint(w, 0) << QPoint(w, h) << QPoint(0, h);
        painter.drawPolygon(shape);
        QFont font(QStringLiteral("sans-serif"));
        font.setPixelSize(std::max(6, Height - 5));
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(QColor(Palette[3]));
        QRect text(0, 0, Width, Height);
        if (kind == 1)
            text.setRight(Width - tip);
        else if (kind == 2)
            text.setLeft(tip);
        painter.drawText(text, Qt::AlignCenter, label);
    }
    return EncodeGif(image);
}
