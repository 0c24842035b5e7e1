#include "FileManagers.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "IniFiles.h"
#include "ScriptedDialogs.h"
#include "TestHooks.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <gtest/gtest.h>

namespace {

// A file manager whose owner is a fake: it records what it was asked to do and succeeds or fails as
// the test says.
class FileManagersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FOpen.DefaultExt = "html";
        FSave.DefaultExt = "html";
        FM.OpenDialog = &FOpen;
        FM.SaveDialog = &FSave;
        FM.OnNew = [this](TFileManager*) {
            Calls << "new";
            return false;
        };
        FM.OnOpen = [this](TFileManager*, const QString& name) {
            Calls << "open " + name;
            return OpenResult(name);
        };
        FM.OnSave = [this](TFileManager*, const QString& name) {
            Calls << "save " + name;
            return SaveResult(name);
        };
        FM.OnModified = [this](TFileManager* fm) { Calls << QString("modified %1").arg(fm->Modified()); };
        FM.OnChangeFile = [this](TFileManager* fm) { Calls << "changed " + fm->FileName(); };
    }

    QString MakeFile(const QString& name)
    {
        const QString path = FDir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }

    // Brings the manager to "named, modified" with the given file, then forgets the calls.
    void StartModified(const QString& name)
    {
        FM.OpenFile(name);
        FM.SetModified(true);
        Calls.clear();
    }

    QTemporaryDir FDir;
    TFileDialog FOpen{TFileDialog::fdOpen};
    TFileDialog FSave{TFileDialog::fdSave};
    TFileManager FM;
    TScriptedDialogs Dialogs;
    QStringList Calls;
    std::function<bool(const QString&)> OpenResult = [](const QString&) { return true; };
    std::function<bool(const QString&)> SaveResult = [](const QString&) { return true; };
};

// The unsaved-changes question in front of every command that discards the document.
enum class TCommand { New, Open, Recent, Close };

struct TQuestionCase
{
    TCommand Command;
    int Answer;           // mrYes, mrNo, mrCancel
    bool SaveSucceeds;
    bool ExpectGoesOn;    // the command went on to discard the document
};

class CheckSaveTest : public FileManagersTest, public ::testing::WithParamInterface<TQuestionCase>
{
};

TEST_P(CheckSaveTest, AsksAndGoesOnOnlyWhenAllowed)
{
    const TQuestionCase c = GetParam();
    const QString current = MakeFile("current.html");
    const QString other = MakeFile("other.html");
    FM.AddMRU(other);
    StartModified(current);
    SaveResult = [&](const QString&) {
        if (!c.SaveSucceeds)
            throw Exception("Cannot create file \"" + current + "\". Permission denied");
        return true;
    };

    Dialogs.Answers = {c.Answer};
    if (!c.SaveSucceeds && c.Answer == mrYes)
        Dialogs.Answers.push_back(mrOk);  // the error box
    bool goesOn = false;
    switch (c.Command) {
    case TCommand::New:
        FM.New();
        goesOn = Calls.contains("new");
        break;
    case TCommand::Open:
        Dialogs.FileNames = {other};
        FM.Open();
        goesOn = Calls.contains("open " + other);
        EXPECT_EQ(Dialogs.FileDialogs.size(), goesOn ? 1u : 0u);
        break;
    case TCommand::Recent: {
        QMenu menu;
        FM.BuildMRUMenu(&menu);
        const QString entry = FM.RecentFiles().indexOf(other) == 0 ? "1 - " : "2 - ";
        for (QAction* a : menu.actions())
            if (a->text().startsWith(entry))
                a->trigger();
        goesOn = Calls.contains("open " + other);
        break;
    }
    case TCommand::Close:
        goesOn = FM.CloseQuery();
        break;
    }

    ASSERT_GE(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "File was modified. Do you want to save it first?");
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, mbYes | mbNo | mbCancel);
    EXPECT_EQ(goesOn, c.ExpectGoesOn);
    EXPECT_EQ(Calls.contains("save " + current), c.Answer == mrYes);
    if (!c.ExpectGoesOn) {
        EXPECT_TRUE(FM.Modified()) << "a stopped command keeps the changes";
        EXPECT_EQ(FM.FileName(), current);
    }
    if (c.Answer == mrYes && !c.SaveSucceeds) {
        ASSERT_EQ(Dialogs.Messages.size(), 2u);
        EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::mtError);
        EXPECT_TRUE(Dialogs.Messages[1].Text.startsWith("Cannot create file"));
    }
    EXPECT_TRUE(Dialogs.Answers.empty());
}

const TQuestionCase QuestionCases[] = {
    {TCommand::New, mrCancel, true, false},   {TCommand::New, mrNo, true, true},
    {TCommand::New, mrYes, true, true},       {TCommand::New, mrYes, false, false},
    {TCommand::Open, mrCancel, true, false},  {TCommand::Open, mrNo, true, true},
    {TCommand::Open, mrYes, true, true},      {TCommand::Open, mrYes, false, false},
    {TCommand::Recent, mrCancel, true, false}, {TCommand::Recent, mrNo, true, true},
    {TCommand::Recent, mrYes, true, true},    {TCommand::Recent, mrYes, false, false},
    {TCommand::Close, mrCancel, true, false}, {TCommand::Close, mrNo, true, true},
    {TCommand::Close, mrYes, true, true},     {TCommand::Close, mrYes, false, false},
};
std::string QuestionCaseName(const ::testing::TestParamInfo<TQuestionCase>& info)
{
    const TQuestionCase& c = info.param;
    std::string name;
    switch (c.Command) {
    case TCommand::New: name = "New"; break;
    case TCommand::Open: name = "Open"; break;
    case TCommand::Recent: name = "Recent"; break;
    case TCommand::Close: name = "Close"; break;
    }
    switch (c.Answer) {
    case mrYes: name += c.SaveSucceeds ? "_YesSaved" : "_YesSaveFails"; break;
    case mrNo: name += "_No"; break;
    case mrCancel: name += "_Cancel"; break;
    default: name += "_Answer" + std::to_string(c.Answer); break;
    }
    return name;
}
INSTANTIATE_TEST_SUITE_P(Commands, CheckSaveTest, ::testing::ValuesIn(QuestionCases), QuestionCaseName);

TEST_F(FileManagersTest, NotModifiedMeansNoQuestion)
{
    FM.New();
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Calls, QStringList({"new", "modified 0", "changed "}));
    EXPECT_TRUE(FM.CloseQuery());
}

TEST_F(FileManagersTest, NewTakesTheModifiedStateFromTheOwner)
{
    FM.OnNew = [](TFileManager*) { return true; };
    FM.New();
    EXPECT_TRUE(FM.Modified());
    EXPECT_TRUE(FM.FileName().isEmpty());
}

TEST_F(FileManagersTest, SavingANewDocumentAsksForANameAndCancelKeepsItUnnamed)
{
    FM.SetModified(true);
    Dialogs.FileNames = {""};
    EXPECT_FALSE(FM.Save());
    EXPECT_TRUE(FM.FileName().isEmpty());
    EXPECT_TRUE(FM.Modified());
    EXPECT_FALSE(Calls.join(",").contains("save"));
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(Dialogs.FileDialogs[0].Kind, TFileDialog::fdSave);

    const QString name = FDir.filePath("page.html");
    Dialogs.FileNames = {name};
    EXPECT_TRUE(FM.Save());
    EXPECT_EQ(FM.FileName(), name);
    EXPECT_FALSE(FM.Modified());
    EXPECT_EQ(FM.RecentFiles(), QStringList({name}));
    EXPECT_EQ(Calls.mid(Calls.size() - 3), QStringList({"save " + name, "modified 0", "changed " + name}));
}

TEST_F(FileManagersTest, AFailedSaveIsNeverReportedAsSaved)
{
    // Unnamed: the name chosen in the dialog is not taken when the write fails.
    FM.SetModified(true);
    SaveResult = [](const QString&) { return false; };
    Dialogs.FileNames = {FDir.filePath("new.html")};
    EXPECT_FALSE(FM.Save());
    EXPECT_TRUE(FM.FileName().isEmpty());
    EXPECT_TRUE(FM.Modified());
    EXPECT_TRUE(FM.RecentFiles().isEmpty());

    // Named: Save As to another name that fails keeps the old name; the error box shows the failure.
    SaveResult = [](const QString&) { return true; };
    const QString old = MakeFile("old.html");
    StartModified(old);
    SaveResult = [](const QString& n) -> bool { throw Exception("Cannot create file \"" + n + "\"."); };
    Dialogs.FileNames = {FDir.filePath("elsewhere.html")};
    Dialogs.Answers = {mrOk};
    EXPECT_FALSE(FM.SaveAs());
    EXPECT_EQ(FM.FileName(), old);
    EXPECT_TRUE(FM.Modified());
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"Cannot create file \"" + FDir.filePath("elsewhere.html") + "\"."}));
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, mbOK);
    EXPECT_FALSE(Calls.contains("changed " + FDir.filePath("elsewhere.html")));
}

TEST_F(FileManagersTest, OpenFileReportsMissingFilesAndFailedLoads)
{
    const QString missing = FDir.filePath("gone.html");
    Dialogs.Answers = {mrOk, mrOk, mrOk};
    EXPECT_FALSE(FM.OpenFile(missing));
    EXPECT_FALSE(FM.OpenFile(FDir.path())) << "a folder is no file";
    OpenResult = [](const QString&) -> bool { throw Exception("Unsupported character set"); };
    const QString bad = MakeFile("bad.html");
    EXPECT_FALSE(FM.OpenFile(bad));
    EXPECT_EQ(Dialogs.MessageTexts(),
              QStringList({"Unable to locate the file. It might be deleted or moved.\r\n" + missing,
                           "Unable to locate the file. It might be deleted or moved.\r\n" + FDir.path(),
                           "Unsupported character set"}));
    for (const auto& m : Dialogs.Messages) {
        EXPECT_EQ(m.Type, TMsgDlgType::mtError);
        EXPECT_EQ(m.Buttons, mbOK);
    }
    EXPECT_TRUE(FM.FileName().isEmpty());
    EXPECT_TRUE(FM.RecentFiles().isEmpty());
    EXPECT_EQ(Calls, QStringList({"open " + bad}));
}

TEST_F(FileManagersTest, OpenStartsInTheFolderOfTheLastFile)
{
    const QString a = MakeFile("a.html");
    Dialogs.FileNames = {a, ""};
    FM.Open();
    EXPECT_EQ(FM.FileName(), a);
    FM.Open();
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(Dialogs.FileDialogs[1].InitialDir, FDir.path());
    EXPECT_EQ(FM.FileName(), a) << "a cancelled dialog opens nothing";
}

TEST_F(FileManagersTest, ModifiedEventFiresOnlyOnChange)
{
    FM.SetModified(false);
    FM.SetModified(true);
    FM.SetModified(true);
    FM.SetModified(false);
    EXPECT_EQ(Calls, QStringList({"modified 1", "modified 0"}));
}

TEST_F(FileManagersTest, RecentListNewestFirstWithoutCaseDuplicatesAndLimited)
{
    FM.AddMRU("/p/a.html");
    FM.AddMRU("/p/b.html");
    FM.AddMRU("/P/A.HTML");
    EXPECT_EQ(FM.RecentFiles(), QStringList({"/P/A.HTML", "/p/b.html"}));

    for (int i = 0; i < 20; ++i)
        FM.AddMRU(QString("/p/%1.html").arg(i));
    // Trimmed to the limit before the newest goes in: one more than the limit.
    ASSERT_EQ(FM.RecentFiles().size(), 11);
    EXPECT_EQ(FM.RecentFiles().first(), "/p/19.html");
    EXPECT_EQ(FM.RecentFiles().last(), "/p/9.html");
    FM.AddMRU("/p/15.html");
    EXPECT_EQ(FM.RecentFiles().size(), 11);
    EXPECT_EQ(FM.RecentFiles().mid(0, 2), QStringList({"/p/15.html", "/p/19.html"}));

    FM.MaxMRUCount = 0;
    for (int i = 20; i < 40; ++i)
        FM.AddMRU(QString("/p/%1.html").arg(i));
    EXPECT_EQ(FM.RecentFiles().size(), 31) << "0 means no limit";
}

TEST_F(FileManagersTest, RecentListGoesThroughTheIniFile)
{
    TIniFile ini(FDir.filePath("Config.ini"));
    ini.WriteString("Recents", "Item15", "stale");
    for (int i = 0; i < 12; ++i)
        FM.AddMRU(QString("/p/%1.html").arg(i));
    FM.SaveMRU(ini, "Recents");
    EXPECT_EQ(ini.ReadInteger("Recents", "Count", 0), 11);
    EXPECT_EQ(ini.ReadString("Recents", "Item0", ""), "/p/11.html");
    EXPECT_FALSE(ini.ValueExists("Recents", "Item15")) << "the section is written afresh";

    TFileManager next;
    next.LoadMRU(ini, "Recents");
    EXPECT_EQ(next.RecentFiles(), FM.RecentFiles()) << "all 11 come back, no limit on loading";

    // Empty items are skipped; a Count beyond the items reads the missing ones as empty.
    QFile f(ini.FileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[recents]\ncount=4\nitem0=/x.html\nItem1=\nITEM3=/y.html\n");
    f.close();
    next.LoadMRU(ini, "Recents");
    EXPECT_EQ(next.RecentFiles(), QStringList({"/x.html", "/y.html"}));
    next.LoadMRU(ini, "Missing");
    EXPECT_TRUE(next.RecentFiles().isEmpty());
}

// A child run of this test program loads the recent list of the settings file named in this variable,
// prints it and ends: a load that never ends is then seen by its parent instead of stopping the tests.
const char* const LoadRecentChildVariable = "CORVALITE_LOAD_RECENT_CHILD";

const TBeforeApplicationHook LoadRecentChild([] {
    const QByteArray file = qgetenv(LoadRecentChildVariable);
    if (file.isEmpty())
        return;
    TIniFile ini(QString::fromLocal8Bit(file));
    TFileManager manager;
    manager.LoadMRU(ini, "Recents");
    std::printf("recent: %s\n", qPrintable(manager.RecentFiles().join('|')));
    std::fflush(stdout);
    ::_exit(0);
});

TEST_F(FileManagersTest, ADamagedCountReadsOnlyTheItemsThatAreThere)
{
    const QString path = FDir.filePath("Config.ini");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Keys in any order and case; a key beyond Count, a negative one, one with a leading zero and a
    // second key of the same name are not read; the first of equal keys counts.
    f.write("[Recents]\nItem7=/seven.html\nCount=2147483647\nitem0=/zero.html\nITEM1=\nItem2=/two.html\n"
            "Item-1=/minus.html\nItem03=/zero-three.html\nItem2=/second-two.html\n[Other]\nItem5=/other.html\n"
            "[Small]\nCount=2\nItem0=/a.html\nItem2=/beyond.html\nItem1=/b.html\n");
    f.close();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(LoadRecentChildVariable, path);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=None"});
    const bool finished = child.waitForFinished(60000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    ASSERT_TRUE(finished) << "loading the recent list never ended";
    EXPECT_EQ(QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed(),
              "recent: /zero.html|/two.html|/seven.html");

    TIniFile ini(path);
    FM.LoadMRU(ini, "Small");
    EXPECT_EQ(FM.RecentFiles(), QStringList({"/a.html", "/b.html"}));
}

TEST_F(FileManagersTest, RecentMenuIsRebuiltAroundOtherItems)
{
    QMenu menu;
    QAction* own = menu.addAction("Clear");
    for (int i = 0; i < 11; ++i)
        FM.AddMRU(QString("/p/%1.html").arg(10 - i));
    FM.AddMRU("/p/R&D.html");
    FM.BuildMRUMenu(&menu);
    FM.BuildMRUMenu(&menu);
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 1 + 11);
    EXPECT_EQ(actions[0], own);
    EXPECT_EQ(actions[1]->text(), "1 - /p/R&&D.html");
    EXPECT_EQ(actions[2]->text(), "2 - /p/0.html");
    EXPECT_EQ(actions[10]->text(), "A - /p/8.html");
    EXPECT_EQ(actions[11]->text(), "B - /p/9.html");
}

TEST_F(FileManagersTest, AMissingRecentFileIsReportedAndRemoved)
{
    const QString current = MakeFile("current.html");
    const QString gone = FDir.filePath("gone.html");
    FM.AddMRU(gone);
    StartModified(current);  // list: current, gone
    QMenu menu;
    FM.BuildMRUMenu(&menu);
    Dialogs.Answers = {mrNo, mrOk};
    menu.actions()[1]->trigger();
    EXPECT_EQ(Dialogs.MessageTexts(),
              QStringList({"File was modified. Do you want to save it first?",
                           "Unable to locate the file. It might be deleted or moved.\r\n" + gone}));
    EXPECT_EQ(FM.RecentFiles(), QStringList({current}));
    EXPECT_EQ(FM.FileName(), current) << "the current document stays";
    EXPECT_TRUE(FM.Modified());
    EXPECT_TRUE(Calls.isEmpty());
}

TEST_F(FileManagersTest, ARecentEntryOpensItsFileEvenWhenSavingReordersTheList)
{
    const QString a = MakeFile("a.html");
    const QString b = MakeFile("b.html");
    FM.AddMRU(b);
    FM.AddMRU(a);           // list: a, b
    FM.SetModified(true);   // an unnamed document
    QMenu menu;
    FM.BuildMRUMenu(&menu);
    const QString saved = FDir.filePath("saved.html");
    Dialogs.Answers = {mrYes};
    Dialogs.FileNames = {saved};
    menu.actions()[1]->trigger();  // "2 - b"; saving puts "saved" at the top first
    EXPECT_EQ(FM.FileName(), b);
    EXPECT_EQ(FM.RecentFiles(), QStringList({b, saved, a}));
}

} // namespace
