#pragma once
// The real pages the benchmarks read: the corpus that scripts/corpus.sh assembles (CORVALITE_CORPUS, or
// build/corpus in the source tree), else the documentation pages installed on this machine, else the
// sample kept in tests/data/corpus. Tag-dense pages are the generated API references and manuals whose
// markup outweighs their text.
#include "HtmlConv.h"
#include "HtmlFiler.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

struct TBenchPage
{
    QString Path;
    QByteArray Bytes;
};

inline std::vector<TBenchPage> ReadPages(const QString& folder, const QStringList& filters)
{
    std::vector<TBenchPage> pages;
    QDirIterator it(folder, filters, QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            pages.push_back({path, file.readAll()});
    }
    return pages;
}

// The sample of real pages kept with the sources (tests/data/corpus): the same pages on every machine.
inline const std::vector<TBenchPage>& SamplePages()
{
    static const std::vector<TBenchPage> pages =
        ReadPages(QStringLiteral(CORVALITE_SOURCE_DIR "/tests/data/corpus"), {QStringLiteral("*.html")});
    return pages;
}

// Every page of the corpus (a few hundred, over 20 MB) or of its stand-ins.
inline const std::vector<TBenchPage>& CorpusPages()
{
    static const std::vector<TBenchPage> pages = [] {
        QStringList folders;
        if (const QByteArray env = qgetenv("CORVALITE_CORPUS"); !env.isEmpty())
            folders << QString::fromLocal8Bit(env);
        folders << QStringLiteral(CORVALITE_SOURCE_DIR "/build/corpus");
        for (const QString& folder : folders) {
            auto found = ReadPages(folder, {QStringLiteral("*.html")});
            if (found.size() >= 50)
                return found;
        }
        // The installed packages themselves: a spread of each package's pages.
        std::vector<TBenchPage> installed;
        for (const char* folder : {"/usr/share/doc/python3.11/html/library", "/usr/share/doc/postgresql-doc-15/html",
                                   "/usr/share/doc/libstdc++-12-doc/libstdc++/user", "/usr/share/doc/rust-doc/html/std",
                                   "/usr/share/doc/git-doc"}) {
            QDirIterator it(QString::fromLatin1(folder), {QStringLiteral("*.html")}, QDir::Files,
                            QDirIterator::Subdirectories);
            QStringList paths;
            while (it.hasNext())
                paths.append(it.next());
            paths.sort();
            for (qsizetype i = 0; i < paths.size(); i += qMax<qsizetype>(1, paths.size() / 40)) {
                QFile file(paths[i]);
                if (file.open(QIODevice::ReadOnly) && file.size() > 1024)
                    installed.push_back({paths[i], file.readAll()});
            }
        }
        if (installed.size() >= 50)
            return installed;
        return SamplePages();
    }();
    return pages;
}

// The most tag-dense pages (most "<" per byte) of the corpus, up to about eight megabytes.
inline const std::vector<TBenchPage>& TagDensePages()
{
    static const std::vector<TBenchPage> pages = [] {
        std::vector<TBenchPage> all = CorpusPages();
        std::stable_sort(all.begin(), all.end(), [](const TBenchPage& a, const TBenchPage& b) {
            return double(a.Bytes.count('<')) / qMax<qsizetype>(1, a.Bytes.size()) >
                   double(b.Bytes.count('<')) / qMax<qsizetype>(1, b.Bytes.size());
        });
        std::vector<TBenchPage> dense;
        qsizetype total = 0;
        for (TBenchPage& page : all) {
            if (total >= (8 << 20))
                break;
            total += page.Bytes.size();
            dense.push_back(std::move(page));
        }
        return dense;
    }();
    return pages;
}

// A page's bytes decoded as opening it decodes them, for a reader that starts from the text.
inline QString DecodedText(const QByteArray& page)
{
    QByteArray bytes = page;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QBuffer wide;
    wide.open(QIODevice::ReadWrite);
    ConvertToUnicode(in, wide);
    return QString(reinterpret_cast<const QChar*>(wide.data().constData()), wide.data().size() / 2);
}

// A list of pages decoded once, as the reader gets them.
template <const std::vector<TBenchPage>& (*Pages)()>
const std::vector<QString>& DecodedTexts()
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> out;
        for (const TBenchPage& page : Pages())
            out.push_back(DecodedText(page.Bytes));
        return out;
    }();
    return texts;
}

// Opening and saving through the document model alone: decode, parse, write, narrow.
inline QByteArray PlainOpenAndSave(const QByteArray& page)
{
    std::unique_ptr<THtmlRoot> root = ParseHtml(QStringView(DecodedText(page)));
    QBuffer written;
    written.open(QIODevice::ReadWrite);
    WriteHtmlDocument(written, root.get());
    written.seek(0);
    QByteArray out;
    QBuffer narrow(&out);
    narrow.open(QIODevice::WriteOnly);
    NarrowWideStream(written, narrow);
    return out;
}

inline qint64 TotalBytes(const std::vector<TBenchPage>& pages)
{
    qint64 n = 0;
    for (const TBenchPage& page : pages)
        n += page.Bytes.size();
    return n;
}
