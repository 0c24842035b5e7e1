#pragma once
// Template files ("*.tpl" in the folder "Templates" beside the program): a read-only container of a JPEG
// preview, the template's page (an 8-bit HTML text that holds "{CONTENT}") and the files that page
// refers to, each under a name relative to the folder it is written into.
#include "ContainerFiles.h"

#include <QImage>
#include <QList>
#include <QString>

class QIODevice;
class TTypedStreamAdapter;

// The thumbnail size of a template's preview in the template list.
constexpr int TemplateThumbWidth = 150;
constexpr int TemplateThumbHeight = 112;

// A complete JPEG file decoded with libjpeg. Raises Exception on data that does not decode and on a
// picture too large to be a preview.
QImage DecodeJpeg(const QByteArray& Bytes);

class TTemplateReader
{
public:
    explicit TTemplateReader(const QString& FileName);

    QString FileName;
    // The template's page, widened from 8-bit characters as Latin-1.
    QString Description;
    QImage Picture;

    // Checks the magic, then reads the preview into Picture and the page into Description.
    void ReadInfo();
    // Writes every file of the template into DestFolder, all or none: every name is checked and every
    // file written under a temporary name before any is put in place, so a bad name, damage or a disk
    // that refuses leaves the folder as it was. A file that already holds the same bytes is left alone;
    // files with other bytes are replaced only when Confirm, when given, agrees (false, writing nothing,
    // when it refuses). KeepFile (the open document), when given, is never replaced.
    bool ExtractFiles(const QString& DestFolder, const QString& KeepFile = QString(),
                      const TConfirmReplace& Confirm = {});
    // Walks the files without writing anything; raises the template's message on a bad name or length.
    void CheckFiles();

    // The same on an open stream positioned at the start of a template.
    void ReadInfo(QIODevice& Stream);
    bool ExtractFiles(QIODevice& Stream, const QString& DestFolder, const QString& KeepFile = QString(),
                      const TConfirmReplace& Confirm = {});
    void CheckFiles(QIODevice& Stream);

private:
    [[noreturn]] void Invalid() const;
    void ReadMagic(TTypedStreamAdapter& Reader) const;
    // The target paths of the records, in order, after the magic, preview and page were passed.
    QStringList ReadNames(TTypedStreamAdapter& Reader) const;
};

struct TTemplateEntry
{
    QString Caption;   // the file name without its extension
    QString Path;
    QImage Thumbnail;  // TemplateThumbWidth by TemplateThumbHeight
};

// Every template file in Folder that reads whole, sorted by caption; a damaged template is left out and
// the others still come. A missing folder gives none.
QList<TTemplateEntry> ListTemplates(const QString& Folder);
