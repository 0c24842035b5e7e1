// Template files: damaged and hostile containers, reading and writing out good ones, the listing, and
// the templates the build makes.
#include "TemplateFiles.h"

#include "ContainerWriter.h"
#include "Exceptions.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
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
        EXPECT_TRUE(e.Message().startsWith("Cannot open file \"" + Path("missing.tpl") + "\"")) << e.what();
    }
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
