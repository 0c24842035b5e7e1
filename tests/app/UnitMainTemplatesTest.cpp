// The main window's Templates command and icon panel: the questions and messages before anything is
// done, applying a template around the selection with the files it writes beside the document, and
// inserting an icon.
#include "UnitMain.h"

#include "ContainerWriter.h"
#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "IconPacks.h"
#include "IniUtils.h"
#include "NameSpace.h"
#include "ScriptedDialogs.h"
#include "TestData.h"
#include "TestFiles.h"
#include "TestHooks.h"
#include "UnitTemplate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

const char* const SelectFirst = "To apply a template to the current document, you need to select the text that you "
                                "want to be preserved as the main content.";

QString FixturePage()
{
    QString path = TestDataPath("app/page.html");
    if (!QFileInfo(path).isFile())
        path = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../data/app/page.html";
    return QFileInfo(path).absoluteFilePath();
}

QString DesignHtml(TFormMain& w)
{
    QString html;
    w.Designer()->GetHtml(html);
    return html;
}

// Selects from the first occurrence of From to the end of the first occurrence of To in the page.
void Select(TFormMain& w, const QString& from, const QString& to)
{
    QVariant found;
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  QStringLiteral("(function(a,b){const find=function(s){const k=document.createTreeWalker(document.body,"
                                 "NodeFilter.SHOW_TEXT);for(let t=k.nextNode();t;t=k.nextNode()){const i=t.data.indexOf(s);"
                                 "if(i>=0)return[t,i];}return null;};const x=find(a),y=find(b);if(!x||!y)return false;"
                                 "const r=document.createRange();r.setStart(x[0],x[1]);r.setEnd(y[0],y[1]+b.length);"
                                 "const s=getSelection();s.removeAllRanges();s.addRange(r);return true;})('%1','%2')")
                      .arg(from, to),
                  &found),
              TEngineBridge::TCallResult::Ok);
    ASSERT_TRUE(found.toBool());
    w.Designer()->Bridge()->RefreshState();
}

// Runs Act on the template dialog once it is on show as the modal window.
void WhenTheDialogShows(std::function<void(TFormTemplate*)> act, int tries = 200)
{
    QTimer::singleShot(10, [act, tries] {
        if (auto* dialog = qobject_cast<TFormTemplate*>(QApplication::activeModalWidget()))
            act(dialog);
        else if (tries > 0)
            WhenTheDialogShows(act, tries - 1);
        else
            ADD_FAILURE() << "the template dialog did not show";
    });
}

void Choose(TFormTemplate* dialog, const QString& caption)
{
    const QList<QListWidgetItem*> items = dialog->ListView1->findItems(caption, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << caption.toStdString();
    items.front()->setSelected(true);
    dialog->BtnOK->click();
}

class UnitMainTemplatesTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(ConfigIni().FileName()); }
    void TearDown() override { QFile::remove(ConfigIni().FileName()); }

    // A window with a copy of the fixture page open, unmodified.
    void OpenCopy(TFormMain& w)
    {
        FPage = FDir.filePath("page.html");
        QFile::remove(FPage);
        ASSERT_TRUE(QFile::copy(FixturePage(), FPage));
        w.show();
        ASSERT_TRUE(w.FileManager()->OpenFile(FPage));
        ASSERT_TRUE(w.Designer()->IsDocumentReady());
    }

    QTemporaryDir FDir;
    QString FPage;
    TScriptedDialogs Dialogs;
};

TEST_F(UnitMainTemplatesTest, TheCommandNeedsASavedDocumentAndASelectionInTheDesignView)
{
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.emplates1->isEnabled());
    // A new document: the save question first; No stops there.
    Dialogs.Answers = {mrNo};
    w.emplates1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.startsWith("To insert this element, you need to save the document first."));

    OpenCopy(w);
    // Nothing selected, or another view on show: the error, and no dialog.
    Dialogs.Answers = {mrOk};
    w.emplates1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Text, SelectFirst);
    EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::mtError);
    Select(w, "Some", "text");
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    Dialogs.Answers = {mrOk};
    w.emplates1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 3u);
    EXPECT_EQ(Dialogs.Messages[2].Text, SelectFirst);
    EXPECT_EQ(w.FormTemplate, nullptr);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, ATemplateTakesTheSelectionAndWritesItsFilesBesideTheDocument)
{
    TFormMain w;
    OpenCopy(w);
    Select(w, "Some", "letter.");

    // OK without a choice keeps the dialog open with a warning; Cancel then changes nothing.
    Dialogs.Answers = {mrOk};
    WhenTheDialogShows([](TFormTemplate* d) {
        QStringList captions;
        for (int i = 0; i < d->ListView1->count(); ++i)
            captions << d->ListView1->item(i)->text();
        EXPECT_EQ(captions, QStringList({"Blue Sky", "Green Field"}));
        d->BtnOK->click();
        EXPECT_TRUE(d->isVisible());
        d->BtnCancel->click();
    });
    w.emplates1->trigger();
    ASSERT_EQ(Dialogs.MessageTexts(), QStringList({"To continue, you have to select a template first."}));
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("bluesky.css")));

    WhenTheDialogShows([](TFormTemplate* d) { Choose(d, "Blue Sky"); });
    w.emplates1->trigger();
    EXPECT_TRUE(w.FormTemplate->Accepted());
    EXPECT_TRUE(QFileInfo(FDir.filePath("bluesky.css")).isFile());
    EXPECT_TRUE(QFileInfo(FDir.filePath("images/bluesky_header.png")).isFile());
    const QString html = DesignHtml(w);
    EXPECT_TRUE(html.contains("<title>Blue Sky</title>")) << html.toStdString();
    EXPECT_TRUE(html.contains("bluesky.css"));
    EXPECT_EQ(html.count("Some <b>bold</b> text &amp; an accented &eacute; letter."), 1) << html.toStdString();
    EXPECT_FALSE(html.contains("Welcome to the fixture"));
    EXPECT_FALSE(html.contains("{CONTENT}"));
    // The design view shows the page in the template's style, read from the sheet written beside it.
    const auto fontSize = [&w] {
        QVariant size;
        w.Designer()->Bridge()->Call(QStringLiteral("getComputedStyle(document.body).fontSize"), &size);
        return size.toString();
    };
    QEventLoop wait;
    for (int i = 0; i < 200 && fontSize() != QLatin1String("13px"); ++i) {
        QTimer::singleShot(10, &wait, &QEventLoop::quit);
        wait.exec();
    }
    EXPECT_EQ(fontSize(), QStringLiteral("13px"));
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_FALSE(w.Designer()->CanUndo());
    EXPECT_EQ(ReadWholeFile(FPage), ReadWholeFile(FixturePage())) << "the document's file waits for Save";
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, ContentGoesInAtEveryPlaceholderAndCellsKeepTheirTable)
{
    const QString folder = FDir.filePath("Templates");
    QDir().mkpath(folder);
    QImage preview(40, 30, QImage::Format_RGB32);
    preview.fill(Qt::darkCyan);
    WriteWholeFile(folder + "/Twice.tpl",
              WriteTemplate(JpegFileBytes(preview), "<html><head><title>Twice</title></head><body><h1>{CONTENT}</h1>"
                                                 "<div>{CONTENT}</div></body></html>",
                            {{"page.html", "the template's page, never written over the document"},
                             {"twice.css", "h1 {}"}}));
    WriteWholeFile(folder + "/Broken.tpl", "Corvalite Template, but not really");

    TFormMain w;
    OpenCopy(w);
    w.FormTemplate = new TFormTemplate(&w);
    w.FormTemplate->TemplatesFolder = folder;
    // Across both cells of the row: the cells come with their table.
    Select(w, "one", "cell two");
    WhenTheDialogShows([](TFormTemplate* d) {
        EXPECT_EQ(d->ListView1->count(), 1) << "the broken template is left out";
        Choose(d, "Twice");
    });
    w.emplates1->trigger();
    const QString html = DesignHtml(w);
    EXPECT_EQ(html.count("<table"), 2) << html.toStdString();
    EXPECT_EQ(html.count("cell two</td>"), 2) << html.toStdString();
    EXPECT_TRUE(html.contains(QRegularExpression("<h1>\\s*<table border=\"1\" width=\"300\">"))) << html.toStdString();
    EXPECT_EQ(ReadWholeFile(FPage), ReadWholeFile(FixturePage()));
    EXPECT_EQ(ReadWholeFile(FDir.filePath("twice.css")), "h1 {}");

    // A template that no longer reads when it is applied: its message, and the document stays as it was.
    w.FileManager()->SetModified(false);
    WriteWholeFile(folder + "/Twice.tpl", "damaged since it was listed");
    Select(w, "cell", "two");
    Dialogs.Answers = {mrOk};
    WhenTheDialogShows([](TFormTemplate* d) { Choose(d, "Twice"); });
    w.emplates1->trigger();
    EXPECT_EQ(Dialogs.MessageTexts(),
              QStringList({QStringLiteral("Invalid Corvalite Template file: \"%1\".").arg(QFileInfo(folder + "/Twice.tpl").absoluteFilePath())}));
    EXPECT_EQ(DesignHtml(w), html);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

QByteArray Preview()
{
    QImage preview(40, 30, QImage::Format_RGB32);
    preview.fill(Qt::darkCyan);
    return JpegFileBytes(preview);
}

TEST_F(UnitMainTemplatesTest, ATemplateAsksOnceBeforeReplacingTheUsersFilesAndNoLeavesEverythingAsItWas)
{
    const QString folder = FDir.filePath("Templates");
    WriteWholeFile(folder + "/Site.tpl",
                   WriteTemplate(Preview(), "<html><head><title>Site</title></head><body><div>{CONTENT}</div></body></html>",
                                 {{"page.html", "never over the document"},
                                  {"same.css", "p {}"},
                                  {"other.css", "the template's"},
                                  {"images\\logo.png", "logo"}}));
    TFormMain w;
    OpenCopy(w);
    WriteWholeFile(FDir.filePath("same.css"), "p {}");
    WriteWholeFile(FDir.filePath("other.css"), "the user's");
    w.FormTemplate = new TFormTemplate(&w);
    w.FormTemplate->TemplatesFolder = folder;
    const QString before = DesignHtml(w);
    const QString question =
        QStringLiteral("This file already exists with other content:\n\n%1\n\nReplace it?").arg(FDir.filePath("other.css"));

    Select(w, "Some", "letter.");
    Dialogs.Answers = {mrNo};
    WhenTheDialogShows([](TFormTemplate* d) { Choose(d, "Site"); });
    w.emplates1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, question);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(ReadWholeFile(FDir.filePath("other.css")), "the user's");
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("images"))) << "not even the new files";
    EXPECT_EQ(DesignHtml(w), before);
    EXPECT_FALSE(w.FileManager()->Modified());

    Select(w, "Some", "letter.");
    Dialogs.Answers = {mrYes};
    WhenTheDialogShows([](TFormTemplate* d) { Choose(d, "Site"); });
    w.emplates1->trigger();
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({question, question}));
    EXPECT_EQ(ReadWholeFile(FDir.filePath("other.css")), "the template's");
    EXPECT_EQ(ReadWholeFile(FDir.filePath("same.css")), "p {}");
    EXPECT_EQ(ReadWholeFile(FDir.filePath("images/logo.png")), "logo");
    EXPECT_EQ(ReadWholeFile(FPage), ReadWholeFile(FixturePage()));
    const QString html = DesignHtml(w);
    EXPECT_TRUE(html.contains("<title>Site</title>")) << html.toStdString();
    EXPECT_EQ(html.count("Some <b>bold</b> text &amp; an accented &eacute; letter."), 1) << html.toStdString();
    EXPECT_TRUE(w.FileManager()->Modified());
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, ATemplateThatCannotBeWrittenWholeOrIsTooLargeOrGoneIsToldAndChangesNothing)
{
    const QString folder = FDir.filePath("Templates");
    WriteWholeFile(folder + "/Blocked.tpl",
                   WriteTemplate(Preview(), "<p>{CONTENT}</p>",
                                 {{"first.css", "1"}, {"pics\\second.png", "2"}, {"block\\third.css", "3"}}));
    // Two million content places: with the selection in each, far beyond any page.
    WriteWholeFile(folder + "/Huge.tpl", WriteTemplate(Preview(), QByteArray("{CONTENT}").repeated(2000000),
                                                      {{"huge.css", "never written"}}));
    WriteWholeFile(folder + "/Gone.tpl", WriteTemplate(Preview(), "<p>{CONTENT}</p>", {{"gone.css", "x"}}));
    TFormMain w;
    OpenCopy(w);
    WriteWholeFile(FDir.filePath("block"), "a file of the user's where the template wants a folder");
    w.FormTemplate = new TFormTemplate(&w);
    w.FormTemplate->TemplatesFolder = folder;
    const QString before = DesignHtml(w);
    const QString path = QFileInfo(folder).absoluteFilePath();
    const struct
    {
        const char* Caption;
        QString Message;
    } cases[] = {
        {"Blocked", QStringLiteral("Cannot create file \"%1\". Not a directory").arg(FDir.filePath("block/third.css"))},
        {"Huge", QStringLiteral("The page of the template \"%1/Huge.tpl\" would be larger than 64 MB of text.").arg(path)},
        {"Gone", QStringLiteral("Cannot open file \"%1/Gone.tpl\". No such file or directory").arg(path)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Caption);
        Dialogs.Messages.clear();
        Select(w, "Some", "letter.");
        Dialogs.Answers = {mrOk};
        const QString caption = QString::fromLatin1(c.Caption);
        WhenTheDialogShows([caption, folder](TFormTemplate* d) {
            if (caption == "Gone")
                QFile::remove(folder + "/Gone.tpl"); // listed, then gone before it is applied
            Choose(d, caption);
        });
        w.emplates1->trigger();
        EXPECT_EQ(Dialogs.MessageTexts(), QStringList({c.Message}));
        EXPECT_EQ(DesignHtml(w), before);
        EXPECT_FALSE(w.FileManager()->Modified());
    }
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("first.css")));
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("pics")));
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("huge.css")));
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("gone.css")));
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"block", "page.html"}));
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, IconsWithUnusualNamesAreInsertedAsTheAddressesOfTheirFiles)
{
    const QString folder = FDir.filePath("Icons");
    const QList<TContainerFile> icons = {{"a&b.png", "amp"},      {"a#b.png", "hash"},   {"a?b.png", "query"},
                                         {"my pic.png", "blank"}, {"%2e.png", "percent"}, {"sub\\x.png", "deeper"},
                                         {"user.png", "the pack's user"}};
    QList<QImage> tiles;
    for (int i = 0; i < icons.size(); ++i) {
        tiles << QImage(4, 4, QImage::Format_RGB32);
        tiles.last().fill(Qt::darkGreen);
    }
    WriteWholeFile(folder + "/Odd.icp", WriteIconPack(icons, ThumbnailBlock(TileStrip(tiles, 4), 4, 4, tiles.size(), 4)));

    TFormMain w;
    OpenCopy(w);
    w.IconPackManager->Clear();
    w.IconPackManager->LoadFromFolder(folder);
    auto* list = w.PageControlIcons->widget(w.PageControlIcons->count() - 1)->findChild<QListWidget*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), icons.size());
    auto insert = [&](int row) {
        list->setCurrentRow(row);
        emit list->itemDoubleClicked(list->item(row));
        return DesignHtml(w);
    };
    const char* const sources[] = {"images/a%26b.png", "images/a%23b.png", "images/a%3Fb.png", "images/my%20pic.png",
                                   "images/%252e.png", "images/sub/x.png"};
    const char* const files[] = {"a&b.png", "a#b.png", "a?b.png", "my pic.png", "%2e.png", "sub/x.png"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(files[i]);
        const QString html = insert(i);
        EXPECT_TRUE(html.contains(QStringLiteral("<img src=\"%1\">").arg(sources[i]))) << html.toStdString();
        EXPECT_EQ(ReadWholeFile(FDir.filePath("images/") + files[i]), icons[i].Content);
    }
    EXPECT_TRUE(Dialogs.Messages.empty());

    // The user's own "user.png": the same bytes are simply used; other bytes are replaced only after Yes.
    const QString user = FDir.filePath("images/user.png");
    WriteWholeFile(user, "the pack's user");
    EXPECT_EQ(insert(6).count("images/user.png"), 1);
    EXPECT_TRUE(Dialogs.Messages.empty());
    WriteWholeFile(user, "the user's own picture");
    Dialogs.Answers = {mrNo};
    const QString before = DesignHtml(w);
    EXPECT_EQ(insert(6), before);
    EXPECT_EQ(Dialogs.MessageTexts(),
              QStringList({QStringLiteral("This file already exists with other content:\n\n%1\n\nReplace it?").arg(user)}));
    EXPECT_EQ(ReadWholeFile(user), "the user's own picture");
    Dialogs.Answers = {mrYes};
    EXPECT_EQ(insert(6).count("images/user.png"), 2);
    EXPECT_EQ(ReadWholeFile(user), "the pack's user");
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, ADoubleClickedIconIsWrittenBesideTheDocumentAndInsertedAtTheCaret)
{
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.IconPacks1->isEnabled());
    ASSERT_TRUE(w.PanelIcons->isVisible());
    // The build's packs, sorted by name: the button wizard's glyphs, then the icons.
    ASSERT_EQ(w.PageControlIcons->count(), 2);
    EXPECT_EQ(w.PageControlIcons->tabText(0), "Tango Small");
    EXPECT_EQ(w.PageControlIcons->tabText(1), "Web Icons");
    auto* list = w.PageControlIcons->widget(1)->findChild<QListWidget*>();
    ASSERT_TRUE(list);
    const QList<QListWidgetItem*> stars = list->findItems("star.png", Qt::MatchExactly);
    ASSERT_EQ(stars.size(), 1);
    auto doubleClick = [&] {
        list->setCurrentItem(stars.front());
        emit list->itemDoubleClicked(stars.front());
    };

    // A new document: the save question; Cancel writes nothing.
    Dialogs.Answers = {mrCancel};
    doubleClick();
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_FALSE(w.FileManager()->Modified());

    OpenCopy(w);
    Select(w, "Welcome", "Welcome");
    doubleClick();
    EXPECT_FALSE(ReadWholeFile(FDir.filePath("images/star.png")).isEmpty());
    const QString html = DesignHtml(w);
    EXPECT_TRUE(html.contains("<img src=\"images/star.png\">")) << html.toStdString();
    EXPECT_FALSE(html.contains("Welcome to")) << "the icon takes the selection's place";
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_TRUE(w.Designer()->CanUndo());

    // Only the design view takes icons.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    QFile::remove(FDir.filePath("images/star.png"));
    doubleClick();
    EXPECT_FALSE(QFileInfo::exists(FDir.filePath("images/star.png")));

    // The View menu's entry hides and shows the panel.
    w.IconPacks1->trigger();
    EXPECT_FALSE(w.PanelIcons->isVisible());
    w.IconPacks1->trigger();
    EXPECT_TRUE(w.PanelIcons->isVisible());
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// Pictures for the README, written only when asked: CORVALITE_SCREENSHOT names the PNG file.
TEST_F(UnitMainTemplatesTest, ScreenshotOfTheTemplateDialog)
{
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormMain w;
    w.show();
    TFormTemplate dialog(&w);
    dialog.show();
    dialog.ListView1->item(0)->setSelected(true);
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_TRUE(dialog.grab().toImage().save(QString::fromLocal8Bit(target), "PNG"));
    dialog.close();
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTemplatesTest, ScreenshotOfTheIconPanel)
{
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormMain w;
    w.resize(1100, 720);
    OpenCopy(w);
    w.PanelEntities->hide();
    w.PageControlIcons->setCurrentIndex(w.PageControlIcons->count() - 1);
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_TRUE(w.grab().toImage().save(QString::fromLocal8Bit(target), "PNG"));
    EXPECT_TRUE(w.close());
}

} // namespace
