#include "ContainerFiles.h"

#include "Exceptions.h"
#include "SafeSave.h"
#include "TypedStreams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason(int Error)
{
    return QString::fromLocal8Bit(std::strerror(Error));
}

[[noreturn]] void CannotCreate(const QString& Target, const QString& Reason)
{
    throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(Target, Reason));
}

[[noreturn]] void CannotCreateFolder(const QString& Folder, const QString& Reason)
{
    throw Exception(QStringLiteral("Cannot create folder \"%1\". %2").arg(Folder, Reason));
}

// Every byte of Bytes to a new file Path made beside its target; the file takes the target's
// permissions when there is one. Answers 0, or the system's error number.
int WriteNewFile(const QString& Path, const QByteArray& Bytes, const QString& Target)
{
    const QByteArray path = QFile::encodeName(Path);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int error = 0;
    struct stat old{};
    if (::stat(QFile::encodeName(Target).constData(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    qsizetype written = 0;
    while (!error && written < Bytes.size()) {
        // A short write carries no reason; the next one fails with it.
        const ssize_t n = ::write(fd, Bytes.constData() + written, size_t(Bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else
            written += n;
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error)
        ::unlink(path.constData());
    return error;
}

bool HoldsBytes(const QString& Path, const QByteArray& Bytes)
{
    QFile file(Path);
    if (file.size() != Bytes.size() || !file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll() == Bytes;
}

} // namespace

void OpenContainer(QFile& File)
{
    QString reason;
    if (!OpenFileForReading(File, reason))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(File.fileName(), reason));
}

bool ReadContainerMagic(TTypedStreamAdapter& Reader, const QByteArray& Magic)
{
    QByteArray magic;
    try {
        Reader.ReadString(magic);
    } catch (const Exception&) {
        return false;
    }
    return magic == Magic;
}

// ---------------------------------------------------------------------------------------------------
// Writing out all or none

TContainerExtraction::~TContainerExtraction()
{
    Discard();
}

void TContainerExtraction::Discard()
{
    for (const TStaged& file : std::as_const(FFiles))
        if (!file.Temporary.isEmpty())
            QFile::remove(file.Temporary);
    FFiles.clear();
    // Deepest first; a folder that holds anything else stays.
    for (auto it = FMadeFolders.crbegin(); it != FMadeFolders.crend(); ++it)
        ::rmdir(QFile::encodeName(*it).constData());
    FMadeFolders.clear();
}

void TContainerExtraction::MakeFolders(const QString& Folder)
{
    QStringList missing;
    QString folder = QDir::cleanPath(Folder);
    while (!QFileInfo::exists(folder) && !folder.isEmpty() && folder != QLatin1String("/")) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    for (const QString& make : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(make).constData(), 0777) != 0)
            CannotCreateFolder(make, SystemReason(errno));
        FMadeFolders << make;
    }
}

bool TContainerExtraction::Add(TTypedStreamAdapter& Reader, const QString& Target)
{
    QByteArray bytes;
    try {
        Reader.ReadString(bytes);
    } catch (const Exception&) {
        return false;
    }
    Add(Target, bytes);
    return true;
}

void TContainerExtraction::Add(const QString& Target, const QByteArray& bytes)
{
    // A later record of the same name wins, as it would writing one after the other.
    for (qsizetype i = FFiles.size() - 1; i >= 0; --i)
        if (FFiles[i].Target == Target) {
            if (!FFiles[i].Temporary.isEmpty())
                QFile::remove(FFiles[i].Temporary);
            FFiles.removeAt(i);
        }
    const QFileInfo target(Target);
    // A folder of that name, or an earlier record's file where this one needs a folder, would refuse only
    // when the files are put in place, after others were: refused now, as writing in turn would.
    if (target.isDir())
        CannotCreate(Target, SystemReason(EISDIR));
    for (const TStaged& file : std::as_const(FFiles))
        if (Target.startsWith(file.Target + QLatin1Char('/')))
            CannotCreate(Target, SystemReason(ENOTDIR));
    MakeFolders(target.path());
    TStaged staged{Target, QString(), false};
    if (target.exists() && HoldsBytes(Target, bytes)) {
        FFiles << staged;
        return;
    }
    staged.Replaces = target.exists();
    for (int tries = 0;; ++tries) {
        staged.Temporary = QStringLiteral("%1/.%2.%3")
                               .arg(target.path(), target.fileName())
                               .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int error = WriteNewFile(staged.Temporary, bytes, Target);
        if (!error)
            break;
        if (error != EEXIST || tries == 100)
            CannotCreate(Target, SystemReason(error));
    }
    FFiles << staged;
}

QStringList TContainerExtraction::Replaced() const
{
    QStringList files;
    for (const TStaged& file : FFiles)
        if (file.Replaces && !files.contains(file.Target))
            files << file.Target;
    return files;
}

void TContainerExtraction::Commit()
{
    // A file that is replaced keeps a second name until every file is in place, so that a rename refused
    // half-way (a folder put where a file goes while the question was open) can put back what the renames
    // before it replaced; where the disk has no second names, a file is replaced as before.
    struct TPlaced
    {
        QString Target;
        QString Kept; // the old content's second name; empty when the target was new or could not be kept
    };
    QList<TPlaced> placed;
    for (TStaged& file : FFiles) {
        if (file.Temporary.isEmpty())
            continue;
        const QByteArray target = QFile::encodeName(file.Target);
        QString kept;
        if (QFileInfo(file.Target).isFile()) {
            kept = file.Temporary + QStringLiteral(".old");
            if (::link(target.constData(), QFile::encodeName(kept).constData()) != 0)
                kept.clear();
        }
        // rename() replaces the old file in one step: no moment without either content.
        if (::rename(QFile::encodeName(file.Temporary).constData(), target.constData()) != 0) {
            const int error = errno;
            if (!kept.isEmpty())
                ::unlink(QFile::encodeName(kept).constData());
            for (auto done = placed.crbegin(); done != placed.crend(); ++done) {
                const QByteArray path = QFile::encodeName(done->Target);
                if (done->Kept.isEmpty())
                    ::unlink(path.constData());
                else
                    ::rename(QFile::encodeName(done->Kept).constData(), path.constData());
            }
            placed.clear();
            CannotCreate(file.Target, SystemReason(error));
        }
        file.Temporary.clear();
        placed << TPlaced{file.Target, kept};
    }
    for (const TPlaced& done : std::as_const(placed))
        if (!done.Kept.isEmpty())
            ::unlink(QFile::encodeName(done.Kept).constData());
    FFiles.clear();
    FMadeFolders.clear();
}

bool CommitContainerFiles(TContainerExtraction& Extraction, const TConfirmReplace& Confirm)
{
    const QStringList replaced = Extraction.Replaced();
    if (!replaced.isEmpty() && Confirm && !Confirm(replaced))
        return false;
    Extraction.Commit();
    return true;
}
