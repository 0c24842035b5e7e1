// URL picking: chosen files as URLs relative to the document, the folder and name the dialog starts with,
// and the filter and dialog of each kind of file.
#include "PickUrls.h"

#include "../app/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(PickUrlsTest, AChosenFileBecomesAUrlRelativeToTheDocument)
{
    const struct
    {
        const char* Document;
        const char* File;
        const char* Url;
    } cases[] = {
        {"/site/index.html", "/site/images/my logo.gif", "images/my%20logo.gif"},
        {"/site/index.html", "/other/a.gif", "../other/a.gif"},
        {"/site/index.html", "/site/a%20b.gif", "a%2520b.gif"},
        {"/site/index.html", "/site/a#1?.gif", "a%231%3F.gif"},
        {"/site/index.html", "/site/caf\xc3\xa9.gif", "caf%C3%A9.gif"},
        {"/site/deep/er/index.html", "/site/a.gif", "../../a.gif"},
        {"", "/pics/my pic.gif", "file:///pics/my%20pic.gif"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileNameToUrl(QString::fromUtf8(c.Document), QString::fromUtf8(c.File)), QLatin1String(c.Url))
            << c.File;
}

TEST(PickUrlsTest, AUrlResolvesAgainstTheDocumentToALocalFileOrToNone)
{
    const struct
    {
        const char* Url;
        const char* File;
    } cases[] = {
        {"images/my%20logo.gif", "/site/images/my logo.gif"},
        {"../other/a.gif", "/other/a.gif"},
        {"a%2520b.gif", "/site/a%20b.gif"},
        {"caf%C3%A9.gif", "/site/caf\xc3\xa9.gif"},
        {"a%231%3F.gif", "/site/a#1?.gif"},
        {"file:///pics/my%20pic.gif", "/pics/my pic.gif"},
        {"/abs/a.gif", "/abs/a.gif"},
        {"http://example.com/a.gif", ""},
        {"mailto:someone@example.com", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlToFileName(CombineUrl(QStringLiteral("/site/index.html"), QLatin1String(c.Url))),
                  QString::fromUtf8(c.File))
            << c.Url;
}

TEST(PickUrlsTest, EachKindHasItsFilterAndTheAllFilesEntry)
{
    EXPECT_EQ(GetUrlFilter(ukHtml), "HTML Files (*.html, *.htm)|*.html;*.htm|All Files (*.*)|*.*");
    EXPECT_EQ(GetUrlFilter(ukAudio), "Audio Files (*.mid, *.wav, *.au)|*.mid;*.wav;*.au|All Files (*.*)|*.*");
    EXPECT_EQ(GetUrlFilter(15), "All Files (*.*)|*.*");
    EXPECT_EQ(GetUrlFilter(-1), "All Files (*.*)|*.*");
    EXPECT_EQ(TFileDialog::NameFilters(GetUrlFilter(ukPicture)),
              (QStringList{"Picture Files (*.jpg *.gif *.png)", "JPEG Files (*.jpg)", "GIF Files (*.gif)",
                           "PNG Files (*.png)", "All Files (*.*)"}));
}

TEST(PickUrlsTest, TheDialogStartsAtTheFieldsFileAndAnswersARelativeUrl)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("images/sub")));
    const QString doc = dir.filePath(QStringLiteral("index.html"));
    const QString pic = dir.filePath(QStringLiteral("images/a b.gif"));
    QFile(pic).open(QIODevice::WriteOnly);
    const struct
    {
        int Kind;
        QString Field;
        QString Folder;
        QString File;
        bool Picture;
    } cases[] = {
        {ukPicture, QStringLiteral("images/a%20b.gif"), dir.filePath("images"), pic, true},
        {ukPicture, QString(), dir.path(), QString(), true},
        {ukHtml, QStringLiteral("http://example.com/a.gif"), dir.path(), QString(), false},
        {ukCss, QStringLiteral("images/sub"), dir.filePath("images/sub"), QString(), false},
        {ukFlash, QStringLiteral("images/sub/"), dir.filePath("images/sub"), QString(), false},
        {99, QStringLiteral("none.gif"), dir.path(), dir.filePath("none.gif"), false},
    };
    for (const auto& c : cases) {
        TScriptedDialogs dialogs;
        dialogs.FileNames.push_back(dir.filePath(QStringLiteral("images/sub/c#.png")));
        QString url = c.Field;
        EXPECT_TRUE(PickUrl(c.Kind, doc, url));
        EXPECT_EQ(url, "images/sub/c%23.png");
        ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
        const TShownFileDialog& shown = dialogs.FileDialogs[0];
        EXPECT_EQ(QDir::cleanPath(shown.InitialDir), QDir::cleanPath(c.Folder)) << c.Field.toStdString();
        EXPECT_EQ(shown.FileName, c.File) << c.Field.toStdString();
        EXPECT_EQ(shown.PicturePreview, c.Picture);
        EXPECT_EQ(shown.Filter, GetUrlFilter(c.Kind));
        EXPECT_EQ(shown.Kind, TFileDialog::fdOpen);
    }
    // Cancel leaves the field as it was; without a document the URL is the file's full address.
    TScriptedDialogs dialogs;
    dialogs.FileNames = {QString(), pic};
    QString url = QStringLiteral("kept.gif");
    EXPECT_FALSE(PickUrl(ukPicture, doc, url));
    EXPECT_EQ(url, "kept.gif");
    EXPECT_TRUE(PickUrl(ukPicture, QString(), url));
    EXPECT_EQ(url, "file://" + QDir(dir.path()).absolutePath().replace(" ", "%20") + "/images/a%20b.gif");
}

} // namespace
