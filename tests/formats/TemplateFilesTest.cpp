// Template files: damaged and hostile containers, reading and writing out good ones, the listing, and
// the templates the build makes.
#include "TemplateFiles.h"

#include "ContainerWriter.h"
#include "Exceptions.h"
#include "FileSizeLimit.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <gtest/gtest.h>

namespace {

QByteArray Jpeg()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 200));
    return JpegFileBytes(image);
}

// Every file below Folder, relative, sorted.
QStringList FilesBelow(const QString& folder)
{
    QStringList files;
    const QDir dir(folder);
    std::function<void(const QString&)> walk = [&](const QString& path) {
        for (const QFileInfo& e : QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (e.isDir())
                walk(e.filePath());
            else
                files << dir.relativeFilePath(e.filePath());
        }
    };
    walk(folder);
    files.sort();
    return files;
}

// A template written piece by piece: magic, preview, page, then whatever the case adds.
QByteArray Template(std::function<void(TContainerWriter&)> records, const QByteArray& magic = "Corvalite Template")
{
    TContainerWriter w;
    w.WriteString(magic);
    w.WriteString(Jpeg());
    w.WriteString("<p>{CONTENT}</p>");
    records(w);
    return w.Bytes();
}

void Record(TContainerWriter& w, const QByteArray& name, const QByteArray& content)
{
    w.WriteInteger(1);
    w.WriteString(name);
    w.WriteString(content);
}

class TemplateFilesTest : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

TEST_F(TemplateFilesTest, DamagedOrHostileTemplatesRaiseTheirMessageAndWriteNothing)
{
    const QByteArray good = Template([](TContainerWriter& w) { Record(w, "a.txt", "A"); });
    const qsizetype previewAt = 4 + 18;
    auto patched = [](QByteArray bytes, qsizetype at, qint32 value) {
        TContainerWriter w;
        w.WriteInteger(value);
        bytes.replace(at, 4, w.Bytes());
        return bytes;
    };
    const struct
    {
        const char* Case;
        QByteArray Bytes;
        bool InfoFails;     // ReadInfo raises
        bool ExtractFails;  // ExtractFiles raises (and writes nothing)
    } cases[] = {
        {"empty file", QByteArray(), true, true},
        {"magic of another case", Template([](TContainerWriter&) {}, "corvalite template"), true, true},
        {"magic cut short", good.left(10), true, true},
        {"magic with a huge length", patched(good, 0, 0x7FFFFFFF), true, true},
        {"preview with a negative length", patched(good, previewAt, -5), true, true},
        {"preview longer than the file", patched(good, previewAt, 0x10000000), true, true},
        {"preview that is no JPEG", Template([](TContainerWriter&) {}).replace("\xFF\xD8", "XX"), true, false},
        {"page cut short", good.left(previewAt + 4 + Jpeg().size() + 6), true, true},
        {"record content cut short", good.chopped(1), false, true},
        {"record content with a negative length",
         Template([](TContainerWriter& w) { w.WriteInteger(1); w.WriteString("a.txt"); w.WriteInteger(-1); }), false, true},
        {"parent folder", Template([](TContainerWriter& w) { Record(w, "..\\evil.txt", "x"); }), false, true},
        {"absolute path", Template([](TContainerWriter& w) { Record(w, "/tmp/evil.txt", "x"); }), false, true},
        {"control character", Template([](TContainerWriter& w) { Record(w, "evil\r.txt", "x"); }), false, true},
        {"bad name after a good one",
         Template([](TContainerWriter& w) { Record(w, "good.txt", "fine"); Record(w, "..\\evil.txt", "x"); }), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const QString file = Path(QStringLiteral("case.tpl"));
        WriteWholeFile(file, c.Bytes);
        const QString message = QStringLiteral("Invalid Corvalite Template file: \"%1\".").arg(file);
        TTemplateReader reader(file);
        try {
            reader.ReadInfo();
            EXPECT_FALSE(c.InfoFails) << "read";
        } catch (const Exception& e) {
            EXPECT_TRUE(c.InfoFails) << e.what();
            EXPECT_EQ(e.Message(), message);
        }
        const QString dest = Path(QStringLiteral("site/inner"));
        QDir(Path(QStringLiteral("site"))).removeRecursively();
        QDir().mkpath(dest);
        try {
            reader.ExtractFiles(dest);
            EXPECT_FALSE(c.ExtractFails) << "extracted";
        } catch (const Exception& e) {
            EXPECT_TRUE(c.ExtractFails) << e.what();
            EXPECT_EQ(e.Message(), message);
            EXPECT_EQ(FilesBelow(Path(QStringLiteral("site"))), QStringList());
        }
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("evil.txt"))));
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("site/evil.txt"))));
    }
}

TEST_F(TemplateFilesTest, AGoodTemplateReadsAndWritesItsFilesBesideTheDocument)
{
    const QByteArray page = "<html><body><h1>Caf\xE9</h1>{CONTENT}</body></html>";
    const QByteArray bytes = WriteTemplate(Jpeg(), page,
                                           {{"style.css", "p { color: red }"},
                                            {"images\\logo.png", "PNG bytes"},
                                            {"index.html", "the template's own copy of its page"},
                                            {"images\\deeper\\dot.gif", "GIF bytes"},
                                            {":colon.txt", "a file name like any other"}});
    const QString file = Path(QStringLiteral("Blue Sky.tpl"));
    WriteWholeFile(file, bytes);

    TTemplateReader reader(file);
    reader.ReadInfo();
    EXPECT_EQ(reader.Description, QStringLiteral("<html><body><h1>Caf\u00e9</h1>{CONTENT}</body></html>"));
    EXPECT_EQ(reader.Picture.size(), QSize(20, 10));

    // Files of the same name are replaced; the open document is not.
    const QString site = Path(QStringLiteral("site"));
    WriteWholeFile(site + "/style.css", "old style");
    WriteWholeFile(site + "/index.html", "the user's document");
    reader.ExtractFiles(site, site + "/index.html");
    EXPECT_EQ(FilesBelow(site),
              QStringList({":colon.txt", "images/deeper/dot.gif", "images/logo.png", "index.html", "style.css"}));
    EXPECT_EQ(ReadWholeFile(site + "/style.css"), "p { color: red }");
    EXPECT_EQ(ReadWholeFile(site + "/images/logo.png"), "PNG bytes");
    EXPECT_EQ(ReadWholeFile(site + "/images/deeper/dot.gif"), "GIF bytes");
    EXPECT_EQ(ReadWholeFile(site + "/index.html"), "the user's document");

    // Without records, or with the file ending right after the last record, there is nothing more to write.
    const QString empty = Path(QStringLiteral("empty.tpl"));
    WriteWholeFile(empty, WriteTemplate(Jpeg(), page, {}));
    TTemplateReader none(empty);
    none.ReadInfo();
    none.ExtractFiles(Path(QStringLiteral("none")));
    EXPECT_EQ(FilesBelow(Path(QStringLiteral("none"))), QStringList());
    const QString open = Path(QStringLiteral("open.tpl"));
    WriteWholeFile(open, WriteTemplate(Jpeg(), page, {{"a.txt", "A"}}).chopped(4));
    TTemplateReader unended(open);
    unended.ExtractFiles(Path(QStringLiteral("unended")));
    EXPECT_EQ(FilesBelow(Path(QStringLiteral("unended"))), QStringList({"a.txt"}));

    // A file that cannot be opened gives the file error, not the template's message.
    TTemplateReader missing(Path(QStringLiteral("missing.tpl")));
    try {
        missing.ReadInfo();
        ADD_FAILURE() << "read a missing file";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + Path("missing.tpl") + "\". No such file or directory");
    }
}

TEST_F(TemplateFilesTest, TheUsersFilesAreLeftAloneWhenTheSameAndReplacedOnlyWhenAllowed)
{
    const QString file = Path(QStringLiteral("Site.tpl"));
    WriteWholeFile(file, WriteTemplate(Jpeg(), "{CONTENT}",
                                       {{"same.css", "p {}"},
                                        {"other.css", "the template's"},
                                        {"images\\logo.png", "new"},
                                        {"images\\user.png", "the template's picture"}}));
    const QString site = Path(QStringLiteral("site"));
    WriteWholeFile(site + "/same.css", "p {}");
    WriteWholeFile(site + "/other.css", "the user's");
    WriteWholeFile(site + "/images/user.png", "the user's picture");
    QFile(site + "/other.css").setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QFileDevice::Permissions usersPermissions = QFile(site + "/other.css").permissions();
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    QFile same(site + "/same.css");
    ASSERT_TRUE(same.open(QIODevice::ReadWrite));
    ASSERT_TRUE(same.setFileTime(old, QFileDevice::FileModificationTime));
    same.close();
    const QStringList usersFiles = FilesBelow(site);

    TTemplateReader reader(file);
    QList<QStringList> asked;
    auto answer = [&](bool yes) {
        return [&asked, yes](const QStringList& files) {
            asked << files;
            return yes;
        };
    };
    // No: nothing at all is written, not even the files that are new.
    EXPECT_FALSE(reader.ExtractFiles(site, QString(), answer(false)));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QStringList({site + "/other.css", site + "/images/user.png"}));
    EXPECT_EQ(FilesBelow(site), usersFiles);
    EXPECT_EQ(ReadWholeFile(site + "/other.css"), "the user's");
    EXPECT_EQ(ReadWholeFile(site + "/images/user.png"), "the user's picture");

    // Yes: the different ones replaced (keeping the user's permissions), the same one untouched.
    EXPECT_TRUE(reader.ExtractFiles(site, QString(), answer(true)));
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(FilesBelow(site), QStringList({"images/logo.png", "images/user.png", "other.css", "same.css"}));
    EXPECT_EQ(ReadWholeFile(site + "/other.css"), "the template's");
    EXPECT_EQ(ReadWholeFile(site + "/images/user.png"), "the template's picture");
    EXPECT_EQ(ReadWholeFile(site + "/images/logo.png"), "new");
    EXPECT_EQ(QFileInfo(site + "/same.css").lastModified(), old) << "a file with the same bytes is not written";
    EXPECT_EQ(QFile(site + "/other.css").permissions(), usersPermissions);

    // Everything the same now: no question at all.
    EXPECT_TRUE(reader.ExtractFiles(site, QString(), answer(false)));
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(TemplateFilesTest, ATemplateFailingAtItsThirdRecordLeavesTheFolderAsItWas)
{
    // The third record is the one that cannot be written; the first two would go in fine.
    auto failingThird = [](const QByteArray& third, const QByteArray& content) {
        return WriteTemplate(Jpeg(), "{CONTENT}",
                             {{"first.css", "1"}, {"pics\\second.png", "2"}, {third, content}, {"fourth.js", "4"}});
    };
    auto check = [&](const QString& site, const QByteArray& bytes, const QString& message,
                     const std::function<void()>& during = {}) {
        WriteWholeFile(site + "/first.css", "the user's first");
        const QStringList before = FilesBelow(site);
        const QString file = Path(QStringLiteral("failing.tpl"));
        WriteWholeFile(file, bytes);
        TTemplateReader reader(file);
        try {
            if (during)
                during();
            reader.ExtractFiles(site, QString(), [](const QStringList&) { return true; });
            ADD_FAILURE() << "written";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_EQ(FilesBelow(site), before) << "no record and no temporary file left";
        EXPECT_FALSE(QFileInfo::exists(site + "/pics")) << "nor a folder made for them";
        EXPECT_EQ(ReadWholeFile(site + "/first.css"), "the user's first");
    };

    // A file of the user's stands where the record needs a folder.
    const QString blocked = Path(QStringLiteral("blocked"));
    WriteWholeFile(blocked + "/block", "the user's file");
    check(blocked, failingThird("block\\third.css", "3"),
          QStringLiteral("Cannot create file \"%1/block/third.css\". Not a directory").arg(blocked));
    // The template's own second record stands where its third needs a folder.
    const QString selfBlocked = Path(QStringLiteral("selfblocked"));
    check(selfBlocked, failingThird("pics\\second.png\\third.css", "3"),
          QStringLiteral("Cannot create file \"%1/pics/second.png/third.css\". Not a directory").arg(selfBlocked));
    // A size limit stops the third record part-way.
    const QString limited = Path(QStringLiteral("limited"));
    std::unique_ptr<TFileSizeLimit> limit;
    check(limited, failingThird("third.css", QByteArray(10000, 'x')),
          QStringLiteral("Cannot create file \"%1/third.css\". File too large").arg(limited),
          [&] { limit = std::make_unique<TFileSizeLimit>(4096); });
    limit.reset();

    // A folder put where the third record goes while the question was open: its rename is refused after the
    // first two records went in, and those are taken back (the user's first file with its own bytes).
    const QString late = Path(QStringLiteral("late"));
    WriteWholeFile(late + "/first.css", "the user's first");
    const QString file = Path(QStringLiteral("late.tpl"));
    WriteWholeFile(file, failingThird("third.css", "3"));
    TTemplateReader reader(file);
    try {
        reader.ExtractFiles(late, QString(), [&](const QStringList&) {
            WriteWholeFile(late + "/third.css/mine.txt", "the user's");
            return true;
        });
        ADD_FAILURE() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file \"%1/third.css\". Is a directory").arg(late));
    }
    EXPECT_EQ(FilesBelow(late), QStringList({"first.css", "third.css/mine.txt"}));
    EXPECT_FALSE(QFileInfo::exists(late + "/pics"));
    EXPECT_EQ(ReadWholeFile(late + "/first.css"), "the user's first");
}

TEST_F(TemplateFilesTest, AFullDiskIsToldWithTheSystemsReasonAndLeavesNothingBehind)
{
    const QString disk = Path(QStringLiteral("disk"));
    QDir().mkpath(disk);
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a small disk is not permitted here";
    struct TUnmount
    {
        QString Path;
        ~TUnmount() { ::umount2(QFile::encodeName(Path).constData(), MNT_DETACH); }
    } unmount{disk};
    WriteWholeFile(disk + "/style.css", "the user's");
    const QString file = Path(QStringLiteral("big.tpl"));
    WriteWholeFile(file, WriteTemplate(Jpeg(), "{CONTENT}",
                                       {{"a.css", "1"}, {"b\\b.png", QByteArray(20000, 'b')},
                                        {"c.png", QByteArray(100000, 'c')}, {"style.css", "new"}}));
    TTemplateReader reader(file);
    try {
        reader.ExtractFiles(disk, QString(), [](const QStringList&) { return true; });
        ADD_FAILURE() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file \"%1/c.png\". No space left on device").arg(disk));
    }
    EXPECT_EQ(FilesBelow(disk), QStringList({"style.css"}));
    EXPECT_EQ(ReadWholeFile(disk + "/style.css"), "the user's");
}

TEST_F(TemplateFilesTest, TheListingIsSortedAndLeavesOutWhatDoesNotRead)
{
    const QString folder = Path(QStringLiteral("Templates"));
    const QByteArray good = WriteTemplate(Jpeg(), "<p>{CONTENT}</p>", {{"a.txt", "A"}});
    for (const char* name : {"b.tpl", "A.tpl", "Blue Sky.tpl", "no records.tpl", "Upper.TPL"})
        WriteWholeFile(folder + "/" + name, good);
    WriteWholeFile(folder + "/no records.tpl", WriteTemplate(Jpeg(), "{CONTENT}", {}));
    WriteWholeFile(folder + "/Broken.tpl", good.left(40));
    WriteWholeFile(folder + "/Escaping.tpl", WriteTemplate(Jpeg(), "{CONTENT}", {{"..\\x", "x"}}));
    WriteWholeFile(folder + "/notes.txt", good);
    QDir().mkpath(folder + "/Folder.tpl");

    const QList<TTemplateEntry> list = ListTemplates(folder);
    QStringList captions;
    for (const TTemplateEntry& e : list) {
        captions << e.Caption;
        EXPECT_EQ(e.Thumbnail.size(), QSize(TemplateThumbWidth, TemplateThumbHeight));
        EXPECT_TRUE(QFileInfo(e.Path).isFile());
    }
    EXPECT_EQ(captions, QStringList({"A", "b", "Blue Sky", "no records", "Upper"}));
    EXPECT_EQ(list[2].Path, QFileInfo(folder + "/Blue Sky.tpl").absoluteFilePath());
    EXPECT_TRUE(ListTemplates(Path(QStringLiteral("no such folder"))).isEmpty());
}

TEST_F(TemplateFilesTest, TheBuildsTemplatesHoldEveryFileTheirPagesReferTo)
{
    const QList<TTemplateEntry> list = ListTemplates(QCoreApplication::applicationDirPath() + "/Templates");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].Caption, "Blue Sky");
    EXPECT_EQ(list[1].Caption, "Green Field");
    for (const TTemplateEntry& entry : list) {
        SCOPED_TRACE(entry.Caption.toStdString());
        TTemplateReader reader(entry.Path);
        reader.ReadInfo();
        EXPECT_EQ(reader.Picture.size(), QSize(TemplateThumbWidth, TemplateThumbHeight));
        EXPECT_EQ(reader.Description.count("{CONTENT}"), 1);
        const QString site = Path(entry.Caption);
        reader.ExtractFiles(site);
        const QStringList files = FilesBelow(site);
        EXPECT_EQ(files.size(), 2);
        for (const QString& file : files) {
            EXPECT_TRUE(reader.Description.contains("\"" + file + "\"")) << file.toStdString();
            EXPECT_FALSE(ReadWholeFile(site + "/" + file).isEmpty());
        }
    }
}

} // namespace
