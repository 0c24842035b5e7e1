#pragma once
// What the two container targets check after writing files out: a failure names the system's own reason,
// and a write that failed or was declined leaves the folder exactly as it was.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QString>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

// Every entry below Folder, hidden ones too: a file with its bytes, a folder as "<folder>".
inline QMap<QString, QByteArray> FolderSnapshot(const QString& Folder)
{
    QMap<QString, QByteArray> entries;
    const QDir root(Folder);
    QStringList pending{Folder};
    while (!pending.isEmpty()) {
        const QString path = pending.takeLast();
        for (const QFileInfo& e :
             QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
            if (e.isDir() && !e.isSymLink()) {
                entries.insert(root.relativeFilePath(e.filePath()), "<folder>");
                pending << e.filePath();
            } else {
                QFile file(e.filePath());
                entries.insert(root.relativeFilePath(e.filePath()), file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
            }
        }
    }
    return entries;
}

// True when Message is 'Cannot create file|folder "...". <reason>' with a reason the system itself gives
// for an error number.
inline bool IsSystemFileFailure(const QString& Message)
{
    static const QSet<QString> reasons = [] {
        QSet<QString> texts;
        for (int e = 1; e < 200; ++e) {
            const QString text = QString::fromLocal8Bit(std::strerror(e));
            if (!text.startsWith(QLatin1String("Unknown error")))
                texts.insert(text);
        }
        return texts;
    }();
    if (!Message.startsWith(QLatin1String("Cannot create file \"")) &&
        !Message.startsWith(QLatin1String("Cannot create folder \"")))
        return false;
    const qsizetype end = Message.lastIndexOf(QLatin1String("\". "));
    return end > 0 && reasons.contains(Message.mid(end + 3));
}

// A limit on the size of files written, as a full disk would stop a write part-way, while it lives; its
// signal is ignored, so the write fails with "File too large" instead of ending the run.
class TFuzzFileSizeLimit
{
public:
    explicit TFuzzFileSizeLimit(rlim_t Bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FSaved);
        rlimit limit = FSaved;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFuzzFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &FSaved); }
    TFuzzFileSizeLimit(const TFuzzFileSizeLimit&) = delete;
    TFuzzFileSizeLimit& operator=(const TFuzzFileSizeLimit&) = delete;

private:
    rlimit FSaved{};
};

// Every other file of the snapshot given other bytes, as a user's own files of those names would be.
inline void ChangeEveryOtherFile(const QString& Folder, const QMap<QString, QByteArray>& Entries)
{
    bool change = true;
    for (auto it = Entries.cbegin(); it != Entries.cend(); ++it) {
        if (it.value() == "<folder>")
            continue;
        if (change) {
            QFile file(QDir(Folder).filePath(it.key()));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(it.value() + "the user's own");
        }
        change = !change;
    }
}
