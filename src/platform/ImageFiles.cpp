#include "SafeSave.h"
#include "ImageFiles.h"

#include "Exceptions.h"

#include <QBuffer>
#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <vector>

namespace {

constexpr QRgb Magenta = 0xFF00FF;

bool IsMagenta(QRgb Pixel)
{
    return (Pixel & 0xFFFFFF) == Magenta;
}

int GifWrite(GifFileType* Gif, const GifByteType* Data, int Length)
{
    static_cast<QByteArray*>(Gif->UserData)->append(reinterpret_cast<const char*>(Data), Length);
    return Length;
}

} // namespace

QImage MagentaToWhite(const QImage& Image)
{
    QImage Out = Image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < Out.height(); ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Out.scanLine(y));
        for (int x = 0; x < Out.width(); ++x)
            if (IsMagenta(Line[x]))
                Line[x] = 0xFFFFFFFF;
    }
    return Out;
}

QImage MagentaToAlpha(const QImage& Image)
{
    QImage Out = Image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < Out.height(); ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Out.scanLine(y));
        for (int x = 0; x < Out.width(); ++x)
            if (IsMagenta(Line[x]))
                Line[x] = 0x00FF00FF;
    }
    return Out;
}

QByteArray EncodeGif(const QImage& Image)
{
    const QImage Src = Image.convertToFormat(QImage::Format_RGB32);
    const int W = Src.width(), H = Src.height();
    if (W <= 0 || H <= 0 || W > 65535 || H > 65535)
        return {};

    // Every colour but magenta goes into at most 255 palette slots: exactly when there are that few,
    // else by the library's median-cut reduction (which does not dither). Magenta takes the last slot.
    std::vector<GifByteType> Indexes(size_t(W) * H);
    std::vector<GifColorType> Colors;
    QHash<QRgb, int> Exact;
    bool Few = true;
    std::vector<GifByteType> R, G, B;
    R.reserve(size_t(W) * H);
    G.reserve(R.capacity());
    B.reserve(R.capacity());
    for (int y = 0; y < H; ++y) {
        const auto* Line = reinterpret_cast<const QRgb*>(Src.constScanLine(y));
        for (int x = 0; x < W; ++x) {
            const QRgb P = Line[x] & 0xFFFFFF;
            if (P == Magenta)
                continue;
            R.push_back(GifByteType(qRed(P)));
            G.push_back(GifByteType(qGreen(P)));
            B.push_back(GifByteType(qBlue(P)));
            if (Few && !Exact.contains(P)) {
                if (Exact.size() == 255)
                    Few = false;
                else
                    Exact.insert(P, int(Exact.size()));
            }
        }
    }
    std::vector<GifByteType> Reduced(R.size());
    if (Few) {
        Colors.resize(Exact.size());
        for (auto It = Exact.cbegin(); It != Exact.cend(); ++It)
            Colors[It.value()] = {GifByteType(qRed(It.key())), GifByteType(qGreen(It.key())), GifByteType(qBlue(It.key()))};
        for (size_t i = 0; i < R.size(); ++i)
            Reduced[i] = GifByteType(Exact.value(qRgb(R[i], G[i], B[i]) & 0xFFFFFF));
    } else {
        int Size = 255;
        Colors.resize(256);
        if (GifQuantizeBuffer(unsigned(R.size()), 1, &Size, R.data(), G.data(), B.data(), Reduced.data(),
                              Colors.data()) == GIF_ERROR)
            return {};
        Colors.resize(std::min(Size, 255));
    }
    const int Transparent = int(Colors.size());
    Colors.push_back({255, 0, 255});
    size_t Next = 0;
    for (int y = 0; y < H; ++y) {
        const auto* Line = reinterpret_cast<const QRgb*>(Src.constScanLine(y));
        for (int x = 0; x < W; ++x)
            Indexes[size_t(y) * W + x] = IsMagenta(Line[x]) ? GifByteType(Transparent) : Reduced[Next++];
    }

    int MapSize = 2;
    while (MapSize < int(Colors.size()))
        MapSize *= 2;
    Colors.resize(MapSize, GifColorType{0, 0, 0});

    QByteArray Out;
    int Error = 0;
    GifFileType* Gif = EGifOpen(&Out, GifWrite, &Error);
    if (!Gif)
        return {};
    ColorMapObject* Map = GifMakeMapObject(MapSize, Colors.data());
    bool Ok = Map != nullptr;
    EGifSetGifVersion(Gif, true);
    Ok = Ok && EGifPutScreenDesc(Gif, W, H, GifBitSize(MapSize), 0, Map) == GIF_OK;
    GraphicsControlBlock Control{};
    Control.DisposalMode = DISPOSAL_UNSPECIFIED;
    Control.UserInputFlag = false;
    Control.DelayTime = 0;
    Control.TransparentColor = Transparent;
    GifByteType Extension[4];
    const size_t ExtensionLength = EGifGCBToExtension(&Control, Extension);
    Ok = Ok && EGifPutExtension(Gif, GRAPHICS_EXT_FUNC_CODE, int(ExtensionLength), Extension) == GIF_OK;
    Ok = Ok && EGifPutImageDesc(Gif, 0, 0, W, H, false, nullptr) == GIF_OK;
    for (int y = 0; Ok && y < H; ++y)
        Ok = EGifPutLine(Gif, Indexes.data() + size_t(y) * W, W) == GIF_OK;
    if (EGifCloseFile(Gif, &Error) != GIF_OK)
        Ok = false;
    GifFreeMapObject(Map);
    return Ok ? Out : QByteArray();
}

namespace {

struct TJpegError
{
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void JpegFail(j_common_ptr Info)
{
    std::longjmp(reinterpret_cast<TJpegError*>(Info->err)->Jump, 1);
}

} // namespace

QByteArray EncodeJpeg(const QImage& Image, int Quality)
{
    const QImage Src = MagentaToWhite(Image).convertToFormat(QImage::Format_RGB888);
    if (Src.isNull() || Src.width() == 0 || Src.height() == 0)
        return {};
    jpeg_compress_struct Info{};
    TJpegError Error{};
    Info.err = jpeg_std_error(&Error.Manager);
    Error.Manager.error_exit = JpegFail;
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    if (setjmp(Error.Jump)) {
        jpeg_destroy_compress(&Info);
        std::free(Buffer);
        return {};
    }
    jpeg_create_compress(&Info);
    jpeg_mem_dest(&Info, &Buffer, &Size);
    Info.image_width = JDIMENSION(Src.width());
    Info.image_height = JDIMENSION(Src.height());
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, Quality, TRUE);
    jpeg_start_compress(&Info, TRUE);
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Row = const_cast<JSAMPROW>(Src.constScanLine(int(Info.next_scanline)));
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    QByteArray Out(reinterpret_cast<const char*>(Buffer), qsizetype(Size));
    std::free(Buffer);
    return Out;
}

namespace {

QByteArray EncodeWithQt(const QImage& Image, const char* Format)
{
    QByteArray Out;
    QBuffer Buffer(&Out);
    Buffer.open(QIODevice::WriteOnly);
    if (!Image.save(&Buffer, Format))
        return {};
    return Out;
}

} // namespace

QByteArray EncodePng(const QImage& Image)
{
    return EncodeWithQt(MagentaToAlpha(Image), "PNG");
}

QByteArray EncodeBmp(const QImage& Image)
{
    return EncodeWithQt(MagentaToWhite(Image).convertToFormat(QImage::Format_RGB888), "BMP");
}

QByteArray EncodeImage(const QImage& Image, TImageFormat Format)
{
    switch (Format) {
    case TImageFormat::Gif: return EncodeGif(Image);
    case TImageFormat::Jpeg: return EncodeJpeg(Image);
    case TImageFormat::Png: return EncodePng(Image);
    case TImageFormat::Bmp: return EncodeBmp(Image);
    }
    return {};
}

void SaveImageFile(const QImage& Image, TImageFormat Format, const QString& Path)
{
    const QByteArray Data = EncodeImage(Image, Format);
    const QString Shown = QDir::toNativeSeparators(Path);
    if (Data.isEmpty())
        throw Exception(QStringLiteral("Cannot create file \"%1\". The image could not be encoded.").arg(Shown));
    QString Reason;
    if (!SaveBytesToFile(Path, Data, Reason))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(Shown, Reason));
}
