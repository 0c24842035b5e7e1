#include "SafeSave.h"

#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QByteArray Content(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(SafeSaveTest, AWriteThatStopsPartWayKeepsTheOldFileAndGivesTheSystemsReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("page.html");
    QString reason;
    ASSERT_TRUE(SaveBytesToFile(path, "old content", reason));
    const struct
    {
        const char* Case;
        rlim_t Limit;
        QByteArray Bytes;
    } cases[] = {
        // Smaller than any write buffer: the failure must not wait for a flush the commit never checks.
        {"a small page", 4, QByteArray("<p>new</p>")},
        {"a page larger than one write", 70000, QByteArray(200000, 'x')},
    };
    for (const auto& c : cases) {
        reason.clear();
        bool saved = true;
        {
            const TFileSizeLimit limit(c.Limit);
            saved = SaveBytesToFile(path, c.Bytes, reason);
        }
        EXPECT_FALSE(saved) << c.Case;
        EXPECT_EQ(reason, "File too large") << c.Case;
        EXPECT_EQ(Content(path), "old content") << c.Case;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"page.html"})) << c.Case << ": no temporary left";
    }
    ASSERT_TRUE(SaveBytesToFile(path, QByteArray(200000, 'y'), reason));
    EXPECT_EQ(Content(path), QByteArray(200000, 'y'));
}

TEST(SafeSaveTest, AFolderThatIsNotThereIsNamedAsTheReason)
{
    QTemporaryDir dir;
    QString reason;
    EXPECT_FALSE(SaveBytesToFile(dir.filePath("gone/page.html"), "x", reason));
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(SafeSaveTest, UnderAFileSizeLimitTheProgramLivesAndTheSaveFailsWithTheReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("page.html");
    QString reason;
    ASSERT_TRUE(SaveBytesToFile(path, "old content", reason));
    // In a child, with the signal as a process starts with it: only the start-up's ignoring keeps the
    // process alive past the limit.
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_DFL);
            IgnoreFileSizeLimitSignal();
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &limit);
            QString why;
            const bool saved = SaveBytesToFile(path, QByteArray(3 * 1024 * 1024, 'x'), why);
            std::fprintf(stderr, "%s\n", qPrintable(why));
            std::_Exit(saved ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "File too large");
    EXPECT_EQ(Content(path), "old content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"page.html"}));
}

} // namespace
