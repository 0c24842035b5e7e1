#pragma once
// What the readers of the read-only container files (icon packs, templates) share: opening the file,
// checking its magic, and writing stored files out all or none.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QByteArray;
class QFile;
class TTypedStreamAdapter;

// Asked with the files that exist with other bytes than the container's; true lets them be replaced.
using TConfirmReplace = std::function<bool(const QStringList& Files)>;

// Opens File for reading; raises 'Cannot open file "<name>". <reason>' when it is no file or will not open.
void OpenContainer(QFile& File);
// Reads the container's magic: true when it is Magic, false when it is not or the stream breaks off first.
bool ReadContainerMagic(TTypedStreamAdapter& Reader, const QByteArray& Magic);

// Files written out of a container together: each new content is first written whole under a temporary
// name in its target's folder, and only Commit puts them in place, so a full disk or a name that cannot
// be made part-way leaves the user's files as they were. Whatever was not put in place when the object
// goes is removed, with the folders made for it.
class TContainerExtraction
{
public:
    TContainerExtraction() = default;
    ~TContainerExtraction();
    TContainerExtraction(const TContainerExtraction&) = delete;
    TContainerExtraction& operator=(const TContainerExtraction&) = delete;

    // Writes the next block of the container as the new content of Target. False, writing nothing, when
    // the block breaks off (damage the caller names); raises 'Cannot create file "<Target>". <reason>' (or
    // '... folder ...') with the system's reason when the disk refuses.
    bool Add(TTypedStreamAdapter& Reader, const QString& Target);
    // The same with the new content at hand (a file the program made rather than one the container holds).
    void Add(const QString& Target, const QByteArray& Bytes);
    // The targets that exist with other bytes than their new content, in the order added.
    QStringList Replaced() const;
    // Puts every new content in place; a target that already holds the same bytes is left untouched.
    void Commit();

private:
    struct TStaged
    {
        QString Target;
        QString Temporary; // empty when the target already holds the same bytes
        bool Replaces = false;
    };
    void MakeFolders(const QString& Folder);
    void Discard();

    QList<TStaged> FFiles;
    QStringList FMadeFolders; // in the order made: parents first
};

// Writes the files of Extraction when nothing would be replaced or Confirm (when given) agrees; false,
// writing nothing, when Confirm refused.
bool CommitContainerFiles(TContainerExtraction& Extraction, const TConfirmReplace& Confirm);
