#include "ContainerFiles.h"

#include "Exceptions.h"
#include "TypedStreams.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

[[noreturn]] void CannotCreate(const QString& Target, const QString& Reason)
{
    throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(Target, Reason));
}

} // namespace

void OpenContainer(QFile& File)
{
    if (!QFileInfo(File.fileName()).isFile() || !File.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(File.fileName(), File.errorString()));
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

bool ExtractContainerBlock(TTypedStreamAdapter& Reader, const QString& Target)
{
    QSaveFile file(Target);
    // Unbuffered, so that a write the disk refuses fails the commit instead of leaving a cut-short file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        CannotCreate(Target, file.errorString());
    try {
        Reader.ReadStream(file);
    } catch (const Exception&) {
        // A write the disk refused is no fault of the container: its reason is told.
        const QString reason = file.error() == QFileDevice::WriteError ? file.errorString() : QString();
        file.cancelWriting();
        if (!reason.isEmpty())
            CannotCreate(Target, reason);
        return false;
    }
    if (!file.commit())
        CannotCreate(Target, file.errorString());
    return true;
}
