#include "ImageFiles.h"

#include "Exceptions.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QRgb Magenta = 0xFFFF00FF;

// A button-like picture: magenta corners, a face of a few colours, or a smooth gradient of many.
QImage Picture(bool ManyColours)
{
    QImage Image(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            Image.setPixel(x, y, ManyColours ? qRgb(x * 6, y * 12, 255 - x * 3) : qRgb(0x20, 0x60 + (x / 10) * 0x20, 0xC0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            Image.setPixel(x, y, Magenta);
            Image.setPixel(39 - x, 19 - y, Magenta);
        }
    return Image;
}

QImage Decode(const QByteArray& Data, const char* Format)
{
    QBuffer Buffer;
    Buffer.setData(Data);
    QImageReader Reader(&Buffer, Format);
    return Reader.read();
}

int Distance(QRgb A, QRgb B)
{
    return std::max({std::abs(qRed(A) - qRed(B)), std::abs(qGreen(A) - qGreen(B)), std::abs(qBlue(A) - qBlue(B))});
}

TEST(ImageFiles, EachFormatReadsBackWithTransparencyOrWhiteWhereMagentaWas)
{
    const struct
    {
        TImageFormat Format;
        const char* Name;
        bool Transparent;  // else white where magenta was
        int Tolerance;     // per channel, for the face
    } Cases[] = {
        {TImageFormat::Gif, "GIF", true, 0},
        {TImageFormat::Png, "PNG", true, 0},
        {TImageFormat::Bmp, "BMP", false, 0},
        {TImageFormat::Jpeg, "JPEG", false, 40},
    };
    for (const auto& Case : Cases) {
        for (bool Many : {false, true}) {
            const QImage Source = Picture(Many);
            QByteArray Data;
            switch (Case.Format) {
            case TImageFormat::Gif: Data = EncodeGif(Source); break;
            case TImageFormat::Jpeg: Data = EncodeJpeg(Source); break;
            case TImageFormat::Png: Data = EncodePng(Source); break;
            case TImageFormat::Bmp: Data = EncodeBmp(Source); break;
            }
            const QImage Back = Decode(Data, Case.Name).convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(Back.size(), Source.size()) << Case.Name;
            // A gradient of many colours loses some precision in a 256-colour GIF.
            const int Tolerance = Case.Format == TImageFormat::Gif && Many ? 40 : Case.Tolerance;
            int Worst = 0;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 40; ++x) {
                    const QRgb In = Source.pixel(x, y), Out = Back.pixel(x, y);
                    if (In == Magenta) {
                        if (Case.Transparent)
                            EXPECT_EQ(qAlpha(Out), 0) << Case.Name << " " << x << "," << y;
                        else
                            EXPECT_LE(Distance(Out, 0xFFFFFFFF), Case.Tolerance + 40) << Case.Name;
                    } else {
                        EXPECT_EQ(qAlpha(Out), 255) << Case.Name;
                        // JPEG blurs the corners' white into the face: judge it away from them.
                        if (Case.Format != TImageFormat::Jpeg || (x > 6 && x < 33))
                            Worst = std::max(Worst, Distance(In, Out));
                    }
                }
            EXPECT_LE(Worst, Tolerance) << Case.Name << (Many ? " many colours" : " few colours");
        }
    }
}

TEST(ImageFiles, AnAllMagentaGifIsAllTransparent)
{
    QImage Clear(5, 5, QImage::Format_RGB32);
    Clear.fill(Magenta);
    const QImage Back = Decode(EncodeGif(Clear), "GIF").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(Back.size(), QSize(5, 5));
    EXPECT_EQ(qAlpha(Back.pixel(2, 2)), 0);
}

TEST(ImageFiles, SavingReplacesAnExistingFileAndAFailureNamesTheFile)
{
    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("b.png"));
    QFile Old(Path);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("old content");
    Old.close();
    SaveImageFile(Picture(false), TImageFormat::Png, Path);
    QImage Back(Path);
    EXPECT_EQ(Back.size(), QSize(40, 20));

    // A folder in the way of the file: an error naming the file, and nothing written.
    const QString Blocked = Dir.filePath(QStringLiteral("b.png/c.gif"));
    try {
        SaveImageFile(Picture(false), TImageFormat::Gif, Blocked);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(Blocked)))
            << E.Message().toStdString();
    }
    EXPECT_EQ(QImage(Path).size(), QSize(40, 20)) << "the existing file is as it was";
    EXPECT_TRUE(EncodeGif(QImage()).isEmpty());
    EXPECT_TRUE(EncodeJpeg(QImage()).isEmpty());
}

} // namespace
