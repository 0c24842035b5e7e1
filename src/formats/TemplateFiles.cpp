#include "TemplateFiles.h"

#include "ContainerFiles.h"
#include "Exceptions.h"
#include "TypedStreams.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <memory>

namespace {

const QByteArray TemplateMagic = "Corvalite Template";

// A preview is shown as a thumbnail: a picture larger than this is damage, not a preview, and decoding
// it would only take memory.
constexpr JDIMENSION MaxPictureSide = 4096;

struct TJpegError
{
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void JpegErrorExit(j_common_ptr Info)
{
    std::longjmp(reinterpret_cast<TJpegError*>(Info->err)->Jump, 1);
}

void JpegNoMessage(j_common_ptr) {}

// Everything the decoder touches after setjmp lives here, in memory the jump leaves alone.
struct TJpegDecode
{
    jpeg_decompress_struct Info;
    TJpegError Error;
    QImage Image;
    const char* Failure = nullptr;
};

void RunJpegDecode(TJpegDecode& d, const QByteArray& Bytes)
{
    d.Info.err = jpeg_std_error(&d.Error.Manager);
    d.Error.Manager.error_exit = JpegErrorExit;
    d.Error.Manager.output_message = JpegNoMessage;
    jpeg_create_decompress(&d.Info);
    if (setjmp(d.Error.Jump)) {
        jpeg_destroy_decompress(&d.Info);
        if (!d.Failure)
            d.Failure = "The preview picture is not a valid JPEG image.";
        return;
    }
    jpeg_mem_src(&d.Info, reinterpret_cast<const unsigned char*>(Bytes.constData()), static_cast<unsigned long>(Bytes.size()));
    jpeg_read_header(&d.Info, TRUE);
    if (d.Info.image_width > MaxPictureSide || d.Info.image_height > MaxPictureSide) {
        d.Failure = "The preview picture is too large.";
        jpeg_destroy_decompress(&d.Info);
        return;
    }
    d.Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.Info);
    d.Image = QImage(int(d.Info.output_width), int(d.Info.output_height), QImage::Format_RGB888);
    if (d.Image.isNull() || d.Info.output_components != 3) {
        d.Failure = "The preview picture is not a valid JPEG image.";
        jpeg_destroy_decompress(&d.Info);
        return;
    }
    while (d.Info.output_scanline < d.Info.output_height) {
        JSAMPROW row = d.Image.scanLine(int(d.Info.output_scanline));
        jpeg_read_scanlines(&d.Info, &row, 1);
    }
    jpeg_finish_decompress(&d.Info);
    jpeg_destroy_decompress(&d.Info);
}

QImage Thumbnail(const QImage& Picture)
{
    QImage thumb(TemplateThumbWidth, TemplateThumbHeight, QImage::Format_RGB32);
    thumb.fill(Qt::white);
    QImage picture = Picture;
    if (picture.width() > TemplateThumbWidth || picture.height() > TemplateThumbHeight)
        picture = picture.scaled(TemplateThumbWidth, TemplateThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&thumb);
    p.drawImage(QPoint((TemplateThumbWidth - picture.width()) / 2, (TemplateThumbHeight - picture.height()) / 2),
                picture);
    return thumb;
}

bool SameFile(const QString& A, const QString& B)
{
    const QFileInfo a(A), b(B);
    if (a.absoluteFilePath() == b.absoluteFilePath())
        return true;
    const QString ca = a.canonicalFilePath();
    return !ca.isEmpty() && ca == b.canonicalFilePath();
}

} // namespace

QImage DecodeJpeg(const QByteArray& Bytes)
{
    auto d = std::make_unique<TJpegDecode>();
    RunJpegDecode(*d, Bytes);
    if (d->Failure)
        throw Exception(QString::fromLatin1(d->Failure));
    return d->Image;
}

TTemplateReader::TTemplateReader(const QString& FileName) : FileName(FileName) {}

void TTemplateReader::Invalid() const
{
    throw Exception(QStringLiteral("Invalid Corvalite Template file: \"%1\".").arg(FileName));
}

void TTemplateReader::ReadMagic(TTypedStreamAdapter& Reader) const
{
    if (!ReadContainerMagic(Reader, TemplateMagic))
        Invalid();
}

QStringList TTemplateReader::ReadNames(TTypedStreamAdapter& Reader) const
{
    QStringList paths;
    try {
        while (Reader.ReadInteger() == 1) {
            QByteArray name;
            Reader.ReadString(name);
            const QString path = ContainerRelativePath(name);
            if (path.isEmpty())
                Invalid();
            paths << path;
            Reader.Skip();
        }
    } catch (const Exception&) {
        Invalid();
    }
    return paths;
}

void TTemplateReader::ReadInfo(QIODevice& Stream)
{
    TTypedStreamAdapter reader(Stream);
    ReadMagic(reader);
    QByteArray jpeg, page;
    try {
        QBuffer preview(&jpeg);
        preview.open(QIODevice::WriteOnly);
        reader.ReadStream(preview);
        Picture = DecodeJpeg(jpeg);
        reader.ReadString(page);
    } catch (const Exception&) {
        Invalid();
    }
    Description = QString::fromLatin1(page);
}

void TTemplateReader::CheckFiles(QIODevice& Stream)
{
    TTypedStreamAdapter reader(Stream);
    ReadMagic(reader);
    try {
        reader.Skip();
        reader.Skip();
    } catch (const Exception&) {
        Invalid();
    }
    ReadNames(reader);
}

bool TTemplateReader::ExtractFiles(QIODevice& Stream, const QString& DestFolder, const QString& KeepFile,
                                   const TConfirmReplace& Confirm)
{
    TTypedStreamAdapter reader(Stream);
    ReadMagic(reader);
    qint64 records = 0;
    try {
        reader.Skip();
        reader.Skip();
        records = Stream.pos();
    } catch (const Exception&) {
        Invalid();
    }
    // Every name and length first: a template with one bad record writes nothing at all.
    const QStringList paths = ReadNames(reader);
    if (!Stream.seek(records))
        Invalid();

    QString folder = DestFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    TContainerExtraction extraction;
    for (const QString& path : paths) {
        QByteArray name;
        try {
            reader.ReadInteger();
            reader.ReadString(name);
        } catch (const Exception&) {
            Invalid();
        }
        const QString target = folder + path;
        if (!KeepFile.isEmpty() && SameFile(target, KeepFile)) {
            try {
                reader.Skip();
            } catch (const Exception&) {
                Invalid();
            }
            continue;
        }
        if (!extraction.Add(reader, target))
            Invalid();
    }
    return CommitContainerFiles(extraction, Confirm);
}

void TTemplateReader::ReadInfo()
{
    QFile file(FileName);
    OpenContainer(file);
    ReadInfo(file);
}

bool TTemplateReader::ExtractFiles(const QString& DestFolder, const QString& KeepFile, const TConfirmReplace& Confirm)
{
    QFile file(FileName);
    OpenContainer(file);
    return ExtractFiles(file, DestFolder, KeepFile, Confirm);
}

void TTemplateReader::CheckFiles()
{
    QFile file(FileName);
    OpenContainer(file);
    CheckFiles(file);
}

QList<TTemplateEntry> ListTemplates(const QString& Folder)
{
    QList<TTemplateEntry> list;
    const QDir dir(Folder);
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.tpl")}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        TTemplateReader reader(entry.absoluteFilePath());
        try {
            reader.ReadInfo();
            reader.CheckFiles();
        } catch (const Exception&) {
            continue;
        }
        list.append({entry.completeBaseName(), entry.absoluteFilePath(), Thumbnail(reader.Picture)});
    }
    std::stable_sort(list.begin(), list.end(), [](const TTemplateEntry& a, const TTemplateEntry& b) {
        const int c = a.Caption.compare(b.Caption, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.Caption < b.Caption;
    });
    return list;
}
