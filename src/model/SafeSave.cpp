#include "SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <cstring>

bool SaveBytesToFile(const QString& FileName, const QByteArray& Bytes, QString& Reason)
{
    // Unbuffered: a buffered write that fails only when the buffer is flushed at the end is not seen
    // by the commit, which would then put a cut-short file in the old one's place.
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Reason = File.errorString();
        return false;
    }
    qint64 Written = 0;
    while (Written < Bytes.size()) {
        // A short write carries no reason; the next one fails with it.
        const qint64 Count = File.write(Bytes.constData() + Written, Bytes.size() - Written);
        if (Count <= 0) {
            Reason = File.errorString();
            File.cancelWriting();
            return false;
        }
        Written += Count;
    }
    if (!File.commit()) {
        Reason = File.errorString();
        return false;
    }
    return true;
}

bool OpenFileForReading(QFile& File, QString& Reason)
{
    const QFileInfo info(File.fileName());
    if (!info.exists())
        Reason = QString::fromLocal8Bit(std::strerror(ENOENT));
    else if (info.isDir())
        Reason = QString::fromLocal8Bit(std::strerror(EISDIR));
    else if (!File.open(QIODevice::ReadOnly))
        Reason = File.errorString();
    else
        return true;
    return false;
}

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
