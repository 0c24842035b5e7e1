#include "UnitMain.h"

#include "ComboBox97.h"
#include "EngineBridge.h"
#include "EntityViewer.h"
#include "Exceptions.h"
#include "FileSizeLimit.h"
#include "FileManagers.h"
#include "FontComboBox97.h"
#include "HtmlDesigner.h"
#include "HtmlFilter.h"
#include "HtmlInplace.h"
#include "IniUtils.h"
#include "NameSpace.h"
#include "ScriptedDialogs.h"
#include "ShellApi.h"
#include "TestData.h"
#include "TestHooks.h"
#include "TagTreeView.h"
#include "ToolHr.h"
#include "ToolManager.h"
#include "UnitAbout.h"
#include "UnitButtonWiz.h"
#include "WidgetInput.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QClipboard>
#include <QDockWidget>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QMenu>
#include <QTabBar>
#include <QTemporaryDir>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QWindow>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <csignal>
#include <unistd.h>
#include <utility>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

// The program's application object can only be made where no other exists: a child run of this test
// program makes it before the test entry makes its own, runs a message loop in which event handlers throw,
// reports what ran after them, and ends there.
const char* const ApplicationChildVariable = "CORVALITE_APPLICATION_CHILD";

class TThrowingObject : public QObject
{
public:
    bool event(QEvent* event) override
    {
        switch (int(event->type())) {
        case QEvent::User: throw Exception("thrown by an event handler");
        case QEvent::User + 1: throw std::runtime_error("thrown by an event handler");
        case QEvent::User + 2: throw 42;
        default: return QObject::event(event);
        }
    }
};

int RunApplicationChild()
{
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    TApplication app(argc, argv);
    QStringList ran;
    TThrowingObject thrower;
    for (int type = QEvent::User; type <= QEvent::User + 2; ++type) {
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(type)));
        QTimer::singleShot(0, &app, [&ran, type] { ran << QString("after %1").arg(type - QEvent::User); });
    }
    QTimer::singleShot(0, &app, [] { throw Exception("thrown by a timer's handler"); });
    // A handler that throws halfway leaves what it did before and stops there.
    QTimer::singleShot(0, &app, [&ran] {
        ran << "half";
        throw Exception("thrown halfway");
    });
    QTimer::singleShot(20, &app, [&ran, &app] {
        ran << "went on";
        app.quit();
    });
    const int result = app.exec();
    std::printf("ran: %s\n", qPrintable(ran.join(',')));
    std::printf("exec: %d\n", result);
    std::fflush(stdout);
    return result;
}

const TBeforeApplicationHook ApplicationChild([] {
    if (qEnvironmentVariableIsSet(ApplicationChildVariable))
        ::_exit(RunApplicationChild());
});

TEST(TApplicationTest, AnExceptionInAnEventHandlerIsDroppedAndTheProgramGoesOn)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(ApplicationChildVariable, "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=None"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("ran: after 0,after 1,after 2,half,went on\n")) << output.toStdString();
    EXPECT_FALSE(output.contains("thrown")) << "dropped without a message";
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The fixture page, also when the runner did not pass the data folder: then it is found beside this file.
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

class UnitMainTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(ConfigPath()); }
    void TearDown() override { QFile::remove(ConfigPath()); }
    static QString ConfigPath() { return ConfigIni().FileName(); }
    static QByteArray Config() { return ReadFile(ConfigPath()); }

    // The fixture page copied into the test's folder as page.html and opened in W; its path.
    QString OpenFixturePage(TFormMain& W)
    {
        const QString name = FDir.filePath("page.html");
        EXPECT_TRUE(QFile::copy(FixturePage(), name));
        EXPECT_TRUE(W.FileManager()->OpenFile(name));
        return name;
    }

    QTemporaryDir FDir;
    TScriptedDialogs Dialogs;
};

TEST_F(UnitMainTest, FirstStartShowsAnEmptyDocumentAndCloseWritesTheSettings)
{
    TFormMain w;
    w.show();
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(w.windowTitle(), "Corvalite");
    EXPECT_EQ(w.TabControl1->count(), 3);
    EXPECT_EQ(w.TabControl1->tabText(0), "Designer");
    EXPECT_EQ(w.TabControl1->tabText(1), "HTML Code");
    EXPECT_EQ(w.TabControl1->tabText(2), "Tag Tree");
    EXPECT_EQ(w.ActiveView(), VIEW_DESIGNER);
    EXPECT_TRUE(w.Designer()->IsDocumentReady());
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.FileManager()->FileName().isEmpty());
    EXPECT_TRUE(w.FileManager()->RecentFiles().isEmpty());
    EXPECT_EQ(w.StatusText(0), "");
    EXPECT_EQ(w.StatusText(2), "");
    EXPECT_TRUE(Config().isEmpty()) << "nothing is written before the window closes";

    w.move(120, 130);
    w.resize(810, 620);
    EXPECT_TRUE(w.close());

    TIniFile ini(ConfigPath());
    EXPECT_EQ(ini.ReadSections(), QStringList({"Form", "PanelEntities", "PanelObjects", "PanelIcons", "Dock Sites", "Toolbar", "Recents"}));
    EXPECT_EQ(ini.ReadSectionValues("Form"),
              QStringList({"Maximized=0", "Left=120", "Top=130", "Width=810", "Height=620"}));
    EXPECT_EQ(ini.ReadSection("Toolbar"), QStringList({"Standard Left", "Standard Top", "Block Left", "Block Top",
                                                       "Format Left", "Format Top"}));
    EXPECT_EQ(ini.ReadInteger("Toolbar", "Standard Left", -1), 0);
    EXPECT_EQ(ini.ReadInteger("Toolbar", "Standard Top", -1), 0);
    EXPECT_EQ(ini.ReadSectionValues("Recents"), QStringList({"Count=0"}));

    // The next start comes back to the same place where the screen holds it. The offscreen screen is 800
    // pixels wide: there the window comes back cut to the screen, whole on it.
    TFormMain again;
    again.show();
    const QRect area = again.screen()->availableGeometry();
    if (area.contains(QRect(120, 130, 810, 620))) {
        EXPECT_EQ(again.pos(), QPoint(120, 130));
        EXPECT_EQ(again.size(), QSize(810, 620));
    } else {
        // Framed once on the screen, the frame with it.
        QElapsedTimer waited;
        waited.start();
        while (!area.contains(again.frameGeometry()) && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(area.contains(again.frameGeometry()));
        EXPECT_EQ(again.frameGeometry().width(), area.width());
    }
    EXPECT_TRUE(again.close());
}

TEST_F(UnitMainTest, APartialConfigAppliesOnlyWhatIsThere)
{
    WriteFile(ConfigPath(), "[form]\nWIDTH=750\nMaximized=yes\n\n[Recents]\nCount=3\nItem0=/a.html\nItem2=/c.html\n");
    TFormMain w;
    const QPoint before = w.pos();
    const int heightBefore = w.height();
    w.show();
    EXPECT_EQ(w.width(), 750);
    EXPECT_EQ(w.height(), heightBefore);
    EXPECT_EQ(w.pos(), before);
    EXPECT_FALSE(w.isMaximized()) << "\"yes\" is not an integer: the default";
    EXPECT_EQ(w.FileManager()->RecentFiles(), QStringList({"/a.html", "/c.html"}));

    emit w.File1->aboutToShow();  // the recent entries are rebuilt as the menu opens
    const QList<QAction*> recent = w.RecentFiles1->actions();
    ASSERT_EQ(recent.size(), 2);
    EXPECT_EQ(recent[0]->text(), "1 - /a.html");
    emit w.PopupRecent->aboutToShow();  // and so are those of the Open button's drop-down
    EXPECT_EQ(w.PopupRecent->actions().size(), 2);
    EXPECT_FALSE(w.Save1->isEnabled()) << "Save is enabled only when modified";
    EXPECT_TRUE(w.close());
    EXPECT_EQ(TIniFile(ConfigPath()).ReadSectionValues("Recents"), QStringList({"Count=2", "Item0=/a.html", "Item1=/c.html"}));
}

TEST_F(UnitMainTest, AMaximizedCloseKeepsTheEarlierBounds)
{
    WriteFile(ConfigPath(), "[Form]\nLeft=10\nTop=20\nWidth=700\nHeight=500\nMaximized=0\n");
    TFormMain w;
    w.show();
    EXPECT_EQ(w.size(), QSize(700, 500));
    w.setWindowState(Qt::WindowMaximized);
    EXPECT_TRUE(w.close());
    TIniFile ini(ConfigPath());
    EXPECT_EQ(ini.ReadSectionValues("Form"),
              QStringList({"Left=10", "Top=20", "Width=700", "Height=500", "Maximized=1"}));

    TFormMain again;
    again.show();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_TRUE(again.close());
}

TEST_F(UnitMainTest, ClosingAModifiedDocumentAsksAndCancelKeepsTheWindowAndWritesNothing)
{
    TFormMain w;
    w.show();
    w.FileManager()->SetModified(true);
    EXPECT_EQ(w.StatusText(0), "Modified");

    Dialogs.Answers = {mrCancel};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(Config().isEmpty());
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"File was modified. Do you want to save it first?"}));

    // Yes with a cancelled save dialog is no permission either.
    Dialogs.Answers = {mrYes};
    Dialogs.FileNames = {""};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(Config().isEmpty());

    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(Config().isEmpty());
}

TEST_F(UnitMainTest, AnUnwritableConfigDoesNotKeepTheWindowOpen)
{
    ASSERT_TRUE(QDir().mkpath(ConfigPath()));  // a folder where the file should be
    TFormMain w;
    w.show();
    w.FileManager()->AddMRU("/x.html");
    EXPECT_TRUE(w.close());
    QDir(ConfigPath()).removeRecursively();
}

TEST_F(UnitMainTest, OpenShowsTheDocumentAndSaveWritesWhatTheFilterWrites)
{
    const QString fixture = FixturePage();
    TFormMain w;
    w.show();
    Dialogs.FileNames = {fixture};
    w.Open1->trigger();
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(Dialogs.FileDialogs[0].Kind, TFileDialog::fdOpen);
    EXPECT_EQ(Dialogs.FileDialogs[0].DefaultExt, "html");
    EXPECT_TRUE(Dialogs.Messages.empty());

    EXPECT_EQ(w.FileManager()->FileName(), fixture);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(2), fixture);
    EXPECT_EQ(w.FileManager()->RecentFiles(), QStringList({fixture}));
    EXPECT_TRUE(w.Designer()->IsDocumentReady());
    const QString shown = DesignHtml(w);
    EXPECT_TRUE(shown.contains("Welcome to the fixture")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("cell two"));
    if (QGuiApplication::platformName() == "xcb") {
        // On a real display the design view's part of the screen shows the page: text, not one colour.
        QEventLoop settle;
        QTimer::singleShot(1500, &settle, &QEventLoop::quit);
        settle.exec();
        ASSERT_TRUE(w.windowHandle() && w.windowHandle()->isExposed());
        const QRect area(w.Designer()->mapToGlobal(QPoint(0, 0)), w.Designer()->size());
        const QImage screen = w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        ASSERT_FALSE(screen.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < screen.height(); y += 2)
            for (int x = 0; x < screen.width(); x += 2)
                colours.insert(screen.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << "the design view shows nothing";
    }

    const QString saved = FDir.filePath("saved.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(w.FileManager()->FileName(), saved);
    EXPECT_EQ(w.FileManager()->RecentFiles(), QStringList({saved, fixture}));

    // What the design view wrote is the document as the filter writes it from the engine's body: a
    // filter of its own loads the fixture, takes the body the engine holds and writes.
    QVariant body;
    ASSERT_EQ(w.Designer()->Bridge()->Call("document.body.outerHTML", &body), TEngineBridge::TCallResult::Ok);
    ASSERT_TRUE(body.toString().contains("cell two"));
    THtmlFilter filter;
    filter.SetGenerator("Corvalite v3.63");
    filter.SetBasePath(QFileInfo(fixture).absolutePath() + "/");
    filter.LoadFromBytes(ReadFile(fixture));
    filter.SetDesignText(body.toString());
    const QByteArray bytes = ReadFile(saved);
    EXPECT_EQ(QString::fromLatin1(bytes).toStdString(), QString::fromLatin1(filter.SaveToBytes()).toStdString());
    EXPECT_TRUE(bytes.contains("<title>Fixture Page</title>"));
    EXPECT_TRUE(bytes.contains("&eacute;"));

    // Opening the saved file again gives the same document.
    Dialogs.FileNames = {saved};
    w.Open1->trigger();
    EXPECT_EQ(DesignHtml(w), shown);
    EXPECT_TRUE(w.close());
}

// A page whose bytes do not all fit the character set it declares opens with every character, tells the
// user once, after it is shown, how they were read, and saves them; so does a page with a name nothing
// knows, and one cut in the middle of a character.
TEST_F(UnitMainTest, APageWithBytesOutsideItsDeclaredSetOpensWholeAndTellsTheUserOnce)
{
    const QString latin = FDir.filePath("latin.html");
    WriteFile(latin, "<html><head><meta charset=\"utf-8\"><title>Old</title></head>"
                     "<body><p>caf\xE9 na\xEFve \xFC" "ber r\xE9sum\xE9</p></body></html>");
    TFormMain w;
    w.show();
    Dialogs.Answers = {mrOk};
    Dialogs.FileNames = {latin};
    w.Open1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Dialogs.Messages[0].Text, "5 bytes of this page do not fit the character set it declares (\"utf-8\"). "
                                        "They were read as their Windows-1252 characters.");
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(w.FileManager()->FileName(), latin);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(DesignHtml(w).contains("caf&eacute; na&iuml;ve &uuml;ber r&eacute;sum&eacute;"));

    // Switching views and saving say nothing more; the saved file holds every letter.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    const QString saved = FDir.filePath("saved.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    EXPECT_EQ(Dialogs.Messages.size(), 1u) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_TRUE(ReadFile(saved).contains("caf&eacute; na&iuml;ve &uuml;ber r&eacute;sum&eacute;"))
        << ReadFile(saved).constData();

    // Opening the saved page, whose bytes all fit, tells nothing.
    Dialogs.FileNames = {saved};
    w.Open1->trigger();
    EXPECT_EQ(Dialogs.Messages.size(), 1u) << Dialogs.MessageTexts().join("\n").toStdString();

    // A name nothing knows is named; the page reads as Windows-1252.
    const QString unknown = FDir.filePath("unknown.html");
    WriteFile(unknown, "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-klingon\">"
                       "</head><body><p>\x93quoted\x94 \x80 5</p></body></html>");
    Dialogs.Answers = {mrOk};
    Dialogs.FileNames = {unknown};
    w.Open1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 2u) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Dialogs.Messages[1].Text, "This page declares the character set \"x-klingon\", which is not known here. "
                                        "The page was read as Windows-1252.");
    EXPECT_EQ(w.FileManager()->FileName(), unknown);
    EXPECT_TRUE(DesignHtml(w).contains("&ldquo;quoted&rdquo; &euro; 5"));

    // A UTF-16 page with one stray byte at its end opens instead of failing.
    const QString cut = FDir.filePath("cut.html");
    QByteArray utf16("\xFF\xFE", 2);
    const QString page = QStringLiteral("<html><body><p>Gr\u00FC\u00DFe \u20AC</p></body></html>");
    utf16 += QByteArray(reinterpret_cast<const char*>(page.utf16()), page.size() * 2) + "\xE9";
    WriteFile(cut, utf16);
    Dialogs.Answers = {mrOk};
    Dialogs.FileNames = {cut};
    w.Open1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 3u) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Dialogs.Messages[2].Type, TMsgDlgType::mtInformation);
    EXPECT_TRUE(Dialogs.Messages[2].Text.startsWith("1 byte of this page")) << Dialogs.Messages[2].Text.toStdString();
    EXPECT_EQ(w.FileManager()->FileName(), cut);
    EXPECT_TRUE(DesignHtml(w).contains("Gr&uuml;&szlig;e &euro;"));
    EXPECT_TRUE(w.close());
}

// Runs the tests of Filter in this program on a real X display, an X server under xvfb-run, as the run
// command does on a machine without a display; answers the run's output.
QString RunUnderXvfb(const QString& Filter, int Passing)
{
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    EXPECT_FALSE(xvfbRun.isEmpty()) << "xvfb-run is missing (scripts/setup.sh installs it)";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfbRun, {"-a", "-s", "-screen 0 1280x800x24", QCoreApplication::applicationFilePath(),
                          "--gtest_filter=" + Filter});
    EXPECT_TRUE(child.waitForFinished(240000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] %1 test").arg(Passing))) << output.toStdString();
    return output;
}

// The same runs on a real X display.
TEST(UnitMainXvfbTest, OpenAndSaveRunOnARealDisplay)
{
    if (QGuiApplication::platformName() == "xcb")
        GTEST_SKIP() << "already on a real display";
    RunUnderXvfb("UnitMainTest.OpenShowsTheDocumentAndSaveWritesWhatTheFilterWrites:"
                 "UnitMainTest.FirstStartShowsAnEmptyDocumentAndCloseWritesTheSettings", 2);
}

// A floating panel is a window of its own: whether it is above the main window only a real display can
// tell, so off one the test runs itself under xvfb.
TEST_F(UnitMainTest, ARestoredFloatingPanelComesBackAboveTheWindowAndOnTheScreen)
{
    if (QGuiApplication::platformName() != "xcb") {
        RunUnderXvfb("UnitMainTest.ARestoredFloatingPanelComesBackAboveTheWindowAndOnTheScreen", 1);
        return;
    }
    auto settle = [] {
        QEventLoop loop;
        QTimer::singleShot(700, &loop, &QEventLoop::quit);
        loop.exec();
    };
    {
        TFormMain w;
        w.move(0, 0);
        w.show();
        settle();
        // Floated half off the screen's left edge, over the window.
        w.PanelEntities->setFloating(true);
        w.PanelEntities->setGeometry(-120, 200, 260, 300);
        settle();
        EXPECT_TRUE(w.close());
    }
    EXPECT_EQ(ReadIniInteger("PanelEntities", "Left", 0), -120);
    TFormMain w;
    w.show();
    settle();
    ASSERT_TRUE(w.PanelEntities->isFloating());
    ASSERT_TRUE(w.PanelEntities->isVisible());
    const QRect place = w.PanelEntities->geometry();
    EXPECT_TRUE(w.screen()->availableGeometry().contains(place)) << place.x() << "," << place.y();
    EXPECT_TRUE(w.geometry().contains(place.center())) << "the panel lies over the window";
    // The window at the panel's middle, as the X server stacks them, is the panel's.
    EXPECT_EQ(QGuiApplication::topLevelAt(place.center()), w.PanelEntities->windowHandle());
    EXPECT_TRUE(w.close());
}

// The program itself, started as the run command starts it on a machine without a display, puts up its
// main window and keeps running.
TEST(UnitMainXvfbTest, TheProgramStartsAndShowsItsMainWindow)
{
    const QString xvfbRun = QStandardPaths::findExecutable("xvfb-run");
    ASSERT_FALSE(xvfbRun.isEmpty()) << "xvfb-run is missing (scripts/setup.sh installs it)";
    if (QStandardPaths::findExecutable("xwininfo").isEmpty())
        GTEST_SKIP() << "xwininfo is not installed: no way to list the display's windows";
    const QString program = QCoreApplication::applicationDirPath() + "/corvalite";
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    const QString script =
        "\"$0\" & pid=$!\n"
        "for i in $(seq 1 120); do\n"
        "  if xwininfo -root -tree | grep -q '\"Corvalite\": (\"corvalite\" \"Corvalite\")'; then\n"
        "    sleep 2; kill -0 $pid || exit 3; echo window shown; kill $pid; exit 0\n"
        "  fi\n"
        "  kill -0 $pid || exit 2\n"
        "  sleep 0.5\n"
        "done\n"
        "kill $pid; exit 1\n";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfbRun, {"-a", "-s", "-screen 0 1280x800x24", "sh", "-c", script, program});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("window shown")) << output.toStdString();
}

TEST_F(UnitMainTest, AFailedSaveShowsAnErrorAndKeepsTheDocumentModifiedUnderItsName)
{
    TFormMain w;
    w.show();
    const QString name = OpenFixturePage(w);
    w.FileManager()->SetModified(true);
    WriteFile(FDir.filePath("blocker"), "a file, not a folder");
    const QString target = FDir.filePath("blocker/page.html");

    Dialogs.FileNames = {target};
    Dialogs.Answers = {mrOk};
    w.SaveAs1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(target)) << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(w.FileManager()->FileName(), name);
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "Modified");
    EXPECT_EQ(w.StatusText(2), name);
    EXPECT_EQ(w.FileManager()->RecentFiles(), QStringList({name}));

    // New, answered Yes, saves under the document's own name; that fails too, so New stops.
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkpath(name));  // a folder in the file's place
    Dialogs.Messages.clear();
    Dialogs.Answers = {mrYes, mrOk};
    w.New1->trigger();
    EXPECT_EQ(Dialogs.MessageTexts().size(), 2);
    EXPECT_EQ(w.FileManager()->FileName(), name);
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_TRUE(DesignHtml(w).contains("Welcome to the fixture")) << "the document is still there";

    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, AFileThatCannotBeReadLeavesTheOpenDocumentAsItWas)
{
    const QString broken = FDir.filePath("broken.html");
    WriteFile(broken, "<html><body><p>broken page</p><!-- never closed");
    TFormMain w;
    w.show();
    const QString name = OpenFixturePage(w);
    const QString shown = DesignHtml(w);
    ASSERT_TRUE(shown.contains("cell two"));
    const QString reference = FDir.filePath("reference.html");
    w.Designer()->SaveToFile(reference);
    w.Designer()->SaveToFile(name);
    w.FileManager()->SetModified(true);

    Dialogs.Answers = {mrNo, mrOk};
    Dialogs.FileNames = {broken};
    w.Open1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::mtError);
    EXPECT_EQ(w.FileManager()->FileName(), name);
    EXPECT_EQ(w.StatusText(2), name);
    EXPECT_EQ(w.FileManager()->RecentFiles(), QStringList({name}));
    EXPECT_EQ(DesignHtml(w), shown);

    // Saving now writes the document on show, under its own name, as it would have been written before.
    ASSERT_TRUE(QFile::remove(name));
    w.Save1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_EQ(ReadFile(name), ReadFile(reference));
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, ViewsCommitTheirEditsAndEditsMarkTheDocumentModified)
{
    TFormMain w;
    w.show();
    w.FileManager()->OpenFile(FixturePage());
    const QString original = DesignHtml(w);

    // Looking at the other views changes nothing.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    EXPECT_EQ(w.ActiveView(), VIEW_CODE);
    EXPECT_EQ(w.CodeEditor()->text(), original);
    EXPECT_FALSE(w.ViewEdited());
    w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
    ASSERT_GE(w.TagTree()->topLevelItemCount(), 1);
    EXPECT_EQ(w.TagTree()->topLevelItem(0)->text(0), "<ROOT>");
    EXPECT_TRUE(w.TagTree()->topLevelItem(0)->isExpanded());
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_EQ(DesignHtml(w), original);

    // Typing in the code view marks the document and goes into the design view on leaving.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    QString edited = original;
    edited.replace("cell two", "cell 2 edited");
    w.CodeEditor()->setText(edited);
    EXPECT_TRUE(w.ViewEdited());
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "Modified");
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    EXPECT_TRUE(DesignHtml(w).contains("cell 2 edited"));

    // Saving from the code view commits its edits first.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.CodeEditor()->setText(QString(edited).replace("first item", "item one"));
    const QString saved = FDir.filePath("fromcode.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    EXPECT_TRUE(ReadFile(saved).contains("item one"));
    EXPECT_FALSE(w.FileManager()->Modified());

    // New discards only after asking.
    w.FileManager()->SetModified(true);
    Dialogs.Answers = {mrNo};
    w.New1->trigger();
    EXPECT_EQ(w.ActiveView(), VIEW_DESIGNER);
    EXPECT_EQ(w.TabControl1->currentIndex(), VIEW_DESIGNER);
    EXPECT_FALSE(DesignHtml(w).contains("item one"));
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

// The code view shows a page as it will be saved: a UTF-8 page declares UTF-8 and its link holds its address
// as written. Code typed there stays in the page's set, and the saved file is UTF-8 again.
TEST_F(UnitMainTest, TheCodeViewShowsAPageInTheSetItIsSavedIn)
{
    const QString page = FDir.filePath("utf8.html");
    WriteFile(page, "<html><head><meta charset=\"utf-8\"><title>t</title></head><body>"
                    "<p><a href=\"s?q=caf\xC3\xA9+\xE6\x97\xA5\">caf\xC3\xA9</a></p></body></html>");
    TFormMain w;
    w.show();
    Dialogs.FileNames = {page};
    w.Open1->trigger();
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    const QString code = w.CodeEditor()->text();
    EXPECT_TRUE(code.contains(u"<meta charset=\"utf-8\">"_qs)) << code.toStdString();
    EXPECT_TRUE(code.contains(u"<a href=\"s?q=caf\u00E9+\u65E5\">caf&eacute;</a>"_qs)) << code.toStdString();

    w.CodeEditor()->setText(QString(code).replace(u"caf&eacute;</a>"_qs, u"caf\u00E9 \u65E5</a>"_qs));
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    const QString saved = FDir.filePath("saved.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    const QByteArray bytes = ReadFile(saved);
    EXPECT_TRUE(bytes.contains("<meta charset=\"utf-8\">")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("<a href=\"s?q=caf\xC3\xA9+\xE6\x97\xA5\">caf&eacute; &#x65E5;</a>")) << bytes.toStdString();
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, CodeThatCannotBeTakenBackKeepsTheCodeViewOnShow)
{
    TFormMain w;
    w.show();
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    const QString broken = "<html><body><p>kept text</p><!-- never closed";
    w.CodeEditor()->setText(broken);
    Dialogs.Answers = {mrOk};
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(w.TabControl1->currentIndex(), VIEW_CODE);
    EXPECT_EQ(w.ActiveView(), VIEW_CODE);
    EXPECT_EQ(w.CodeEditor()->text(), broken) << "the typed text is not lost";
    EXPECT_TRUE(w.ViewEdited());
    EXPECT_TRUE(w.FileManager()->Modified());

    // Saving it fails the same way: an error, no file, the document still modified and unnamed.
    const QString target = FDir.filePath("broken.html");
    Dialogs.Messages.clear();
    Dialogs.Answers = {mrOk};
    Dialogs.FileNames = {target};
    w.SaveAs1->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_TRUE(w.FileManager()->FileName().isEmpty());
    EXPECT_EQ(w.CodeEditor()->text(), broken);

    // Once mended, it goes in.
    w.CodeEditor()->setText("<html><body><p>mended text</p><!-- closed --></body></html>");
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    EXPECT_EQ(w.ActiveView(), VIEW_DESIGNER);
    EXPECT_TRUE(DesignHtml(w).contains("mended text"));
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// The character 0 in the code view's text (pasted from a binary file, say) goes into the design view and the
// saved file as U+FFFD, as it does from a file: no saved page holds a NUL byte.
TEST_F(UnitMainTest, TheCharacterZeroFromTheCodeViewIsSavedAsTheReplacementCharacter)
{
    TFormMain w;
    w.show();
    OpenFixturePage(w);
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    const QString original = w.CodeEditor()->text();
    const qsizetype at = original.indexOf("cell one");
    ASSERT_GT(at, 0);
    // Appended, the text goes in with its length: a NUL in it stays, and so does what follows it.
    const QString edited = original.left(at) + QStringLiteral("cell ") + QChar(0) + original.mid(at + 5);
    w.CodeEditor()->setText(original.left(at));
    w.CodeEditor()->append(edited.mid(at));
    ASSERT_EQ(w.CodeEditor()->length(), edited.toUtf8().size());
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    const QString shown = DesignHtml(w);
    EXPECT_TRUE(shown.contains(QStringLiteral("cell &#xFFFD;one"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("cell two"))) << "the text after the NUL is kept";
    const QString saved = FDir.filePath("zero.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    const QByteArray bytes = ReadFile(saved);
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_TRUE(bytes.contains("<td>cell &#xFFFD;one</td>")) << bytes.constData();
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, ANewDocumentIsSavedWithTheProgramsGeneratorText)
{
    TFormMain w;
    w.show();
    const QString saved = FDir.filePath("new.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    EXPECT_EQ(w.FileManager()->FileName(), saved);
    EXPECT_EQ(w.windowTitle(), "Corvalite");
    const QByteArray bytes = ReadFile(saved);
    EXPECT_TRUE(bytes.contains("name=\"Generator\" content=\"Corvalite v3.63\"")) << bytes.toStdString();
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, TheSaveEntryFollowsTheModifiedStateSoItsShortcutSavesAnEdit)
{
    TFormMain w;
    w.show();
    const QString name = OpenFixturePage(w);
    emit w.File1->aboutToShow();  // the menu is looked at while nothing has changed
    EXPECT_FALSE(w.Save1->isEnabled());

    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.CodeEditor()->setText(w.CodeEditor()->text().replace("cell two", "cell 2 typed"));
    EXPECT_TRUE(w.Save1->isEnabled());
    w.Save1->trigger();  // what the shortcut does
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_FALSE(w.Save1->isEnabled());
    EXPECT_TRUE(ReadFile(name).contains("cell 2 typed"));
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, TypingInTheDesignViewMarksTheDocumentSoNewAsksFirst)
{
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(FixturePage()));
    w.Designer()->View()->setFocus();
    w.Designer()->View()->activateWindow();
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  "(function(){const t=document.querySelector('li').firstChild;const r=document.createRange();"
                  "r.setStart(t,0);r.setEnd(t,0);const s=document.getSelection();s.removeAllRanges();"
                  "s.addRange(r);document.body.focus();return 1;})()"),
              TEngineBridge::TCallResult::Ok);
    QWidget* target = w.Designer()->View()->focusProxy();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &release);
    for (int i = 0; i < 100 && !(w.FileManager()->Modified() && DesignHtml(w).contains("Qfirst item")); ++i) {
        QEventLoop wait;
        QTimer::singleShot(30, &wait, &QEventLoop::quit);
        wait.exec();
    }
    ASSERT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "Modified");
    EXPECT_TRUE(DesignHtml(w).contains("Qfirst item")) << DesignHtml(w).toStdString();

    Dialogs.Answers = {mrCancel};
    w.New1->trigger();
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"File was modified. Do you want to save it first?"}));
    EXPECT_TRUE(DesignHtml(w).contains("Qfirst item")) << "Cancel keeps the typed text";
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// Lets the engine's queued reports arrive: until Done or the time is up.
bool WaitFor(const std::function<bool()>& done, int ms)
{
    for (int waited = 0; waited < ms && !done(); waited += 20) {
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return done();
}

TEST_F(UnitMainTest, AnyChangeOfThePageMarksTheDocumentAndLookingDoesNot)
{
    TFormMain w;
    w.show();
    // Loading, and a press and release that changes nothing, leave the document as it is.
    EXPECT_FALSE(WaitFor([&] { return w.FileManager()->Modified(); }, 300));
    emit w.Designer()->OnMouseUp(w.Designer());
    ASSERT_TRUE(w.FileManager()->OpenFile(FixturePage()));
    EXPECT_FALSE(WaitFor([&] { return w.FileManager()->Modified(); }, 300));

    // A change that came with no key and no press in the page (a drop from another program) counts.
    ASSERT_EQ(w.Designer()->Bridge()->Call("document.body.appendChild(document.createTextNode('dropped')); 1"),
              TEngineBridge::TCallResult::Ok);
    EXPECT_TRUE(WaitFor([&] { return w.FileManager()->Modified(); }, 2000));
    EXPECT_EQ(w.StatusText(0), "Modified");

    // Saved, then nothing changes: it stays saved.
    const QString saved = FDir.filePath("saved.html");
    Dialogs.FileNames = {saved};
    w.SaveAs1->trigger();
    ASSERT_FALSE(w.FileManager()->Modified());
    emit w.Designer()->OnMouseUp(w.Designer());
    EXPECT_FALSE(WaitFor([&] { return w.FileManager()->Modified(); }, 300));
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, KeysThatChangeNothingLeaveAnOpenedDocumentUnmodified)
{
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(FixturePage()));
    w.Designer()->View()->setFocus();
    w.Designer()->View()->activateWindow();
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  "(function(){const t=document.querySelector('li').firstChild;const r=document.createRange();"
                  "r.setStart(t,0);r.setEnd(t,0);const s=document.getSelection();s.removeAllRanges();"
                  "s.addRange(r);document.body.focus();return 1;})()"),
              TEngineBridge::TCallResult::Ok);
    QWidget* target = w.Designer()->View()->focusProxy();
    ASSERT_NE(target, nullptr);
    // Every key the page sees is counted, so the test knows its keys arrived.
    ASSERT_EQ(w.Designer()->Bridge()->Call("window.qaKeyUps=0;document.addEventListener('keyup',"
                                           "()=>{window.qaKeyUps++;},true);1"),
              TEngineBridge::TCallResult::Ok);
    // The caret moved with the arrow keys, a modifier pressed alone, and the release of the Return that
    // confirmed the open dialog, which reaches the page once the dialog is gone.
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Control}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    QKeyEvent lateRelease(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(target, &lateRelease);
    const auto keyUps = [&] {
        QVariant count;
        w.Designer()->Bridge()->Call("window.qaKeyUps", &count);
        return count.toInt();
    };
    ASSERT_TRUE(WaitFor([&] { return keyUps() >= 3; }, 3000)) << "the keys never reached the page";
    EXPECT_FALSE(WaitFor([&] { return w.FileManager()->Modified(); }, 500));
    EXPECT_EQ(w.StatusText(0), "");

    // A key that does change the page still marks the document.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &release);
    EXPECT_TRUE(WaitFor([&] { return w.FileManager()->Modified() && DesignHtml(w).contains("Qfirst item"); }, 3000));
    EXPECT_EQ(w.StatusText(0), "Modified");
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// A page opened starts at its top wherever the page before it stood, another page or the same one again; the
// code view's text taken back into the design view keeps the place.
TEST_F(UnitMainTest, AnOpenedPageStartsAtItsTopAndTheCodeViewKeepsThePlace)
{
    TFormMain w;
    w.show();
    // Read a moment after a load: the engine may still move the page once the load is reported.
    const auto scrollY = [&w](const QString& script, int ms = 0) {
        WaitFor([] { return false; }, ms);
        QVariant y;
        w.Designer()->Bridge()->Call(script + "; window.scrollY", &y);
        return y.toInt();
    };
    Dialogs.FileNames = {TestDataPath("corpus/libxslt-transform.html")};
    w.Open1->trigger();
    for (int again = 0; again < 2; ++again) {
        ASSERT_GT(scrollY("window.scrollTo(0, 1e6)"), 2000);
        Dialogs.FileNames = {TestDataPath("corpus/mdbook/rust-doc-book_ch06-01-defining-an-enum.html")};
        w.Open1->trigger();
        EXPECT_EQ(scrollY("", 500), 0) << (again ? "the same page again" : "another page");
    }
    const int place = scrollY("window.scrollTo(0, 1500)");
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.CodeEditor()->setText(w.CodeEditor()->text().replace("enum", "ENUM"));
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    EXPECT_NEAR(scrollY("", 500), place, 10) << "capitals set the words a little wider";
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, AViewThatCannotBeFilledLeavesTheDesignerOnShowWithAMessage)
{
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(FixturePage()));
    // The engine's page process ends (as when it runs out of memory), and the one that would show the
    // document again ends as soon as it is there: the design view has no page left to give the text.
    const qint64 pid = w.Designer()->Page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    bool killedAgain = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 next = w.Designer()->Page()->renderProcessPid();
        if (next > 0 && next != pid && !killedAgain)
            killedAgain = ::kill(pid_t(next), SIGKILL) == 0;
    });
    watch.start(2);
    Dialogs.Answers = {mrOk};
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] { return killedAgain && !Dialogs.Messages.empty(); }, 30000));
    watch.stop();
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"The design view could not load the document."}));
    ASSERT_FALSE(w.Designer()->IsDocumentReady());
    for (int view : {VIEW_CODE, VIEW_TAGTREE}) {
        Dialogs.Messages.clear();
        Dialogs.Answers = {mrOk};
        w.TabControl1->setCurrentIndex(view);
        EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"The design view holds no document."})) << view;
        EXPECT_EQ(w.TabControl1->currentIndex(), VIEW_DESIGNER) << "the tab names the view on show";
        EXPECT_TRUE(w.Designer()->isVisible());
        EXPECT_FALSE(w.CodeEditor()->isVisible());
    }
    EXPECT_TRUE(w.close());
}

// Places the caret before the first list item's text and types one key into the design view.
void TypeIntoFirstItem(TFormMain& w, Qt::Key key, const QString& text)
{
    w.Designer()->View()->setFocus();
    w.Designer()->View()->activateWindow();
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  "(function(){const t=document.querySelector('li').firstChild;const r=document.createRange();"
                  "r.setStart(t,0);r.setEnd(t,0);const s=document.getSelection();s.removeAllRanges();"
                  "s.addRange(r);document.body.focus();return 1;})()"),
              TEngineBridge::TCallResult::Ok);
    QWidget* target = w.Designer()->View()->focusProxy();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

TEST_F(UnitMainTest, APageProcessThatDiesGivesBackTheDocumentModifiedAndWorkingWithAMessage)
{
    TFormMain w;
    w.show();
    const QString name = OpenFixturePage(w);
    // One key taken into the document by a look at the code view, one typed after that.
    TypeIntoFirstItem(w, Qt::Key_Q, "Q");
    ASSERT_TRUE(WaitFor([&] { return w.FileManager()->Modified() && DesignHtml(w).contains("Qfirst item"); }, 5000));
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    TypeIntoFirstItem(w, Qt::Key_Z, "Z");
    ASSERT_TRUE(WaitFor([&] {
        QVariant text;
        w.Designer()->Bridge()->Call("document.querySelector('li').textContent", &text);
        return text.toString().startsWith("ZQ");
    }, 5000));

    Dialogs.Answers = {mrOk};
    ASSERT_EQ(::kill(pid_t(w.Designer()->Page()->renderProcessPid()), SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] { return !Dialogs.Messages.empty(); }, 30000));
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtWarning);
    EXPECT_TRUE(Dialogs.Messages[0].Text.endsWith("Changes made in the design view after that time may be lost."))
        << Dialogs.Messages[0].Text.toStdString();
    ASSERT_TRUE(w.Designer()->IsDocumentReady());
    EXPECT_TRUE(DesignHtml(w).contains("Qfirst item"));
    EXPECT_FALSE(DesignHtml(w).contains("ZQfirst item"));
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "Modified");

    // Closing asks; the page takes keys again; Save writes what is on show.
    Dialogs.Messages.clear();
    Dialogs.Answers = {mrCancel};
    EXPECT_FALSE(w.close());
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"File was modified. Do you want to save it first?"}));
    TypeIntoFirstItem(w, Qt::Key_W, "W");
    ASSERT_TRUE(WaitFor([&] { return DesignHtml(w).contains("WQfirst item"); }, 5000));
    w.Save1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(ReadFile(name).contains("WQfirst item")) << ReadFile(name).toStdString();
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, AnOpenThatTheEngineCannotCompleteKeepsThePreviousDocumentWithItsEdits)
{
    const QString other = FDir.filePath("other.html");
    WriteFile(other, "<html><body><p>the other page</p></body></html>");
    TFormMain w;
    w.show();
    const QString name = OpenFixturePage(w);
    TypeIntoFirstItem(w, Qt::Key_Q, "Q");
    ASSERT_TRUE(WaitFor([&] { return w.FileManager()->Modified() && DesignHtml(w).contains("Qfirst item"); }, 5000));

    // Not saved first; the page's process dies while the other file loads (as with a page too large).
    bool killed = false;
    const auto connection = QObject::connect(w.Designer()->Page(), &QWebEnginePage::loadStarted, [&] {
        if (!std::exchange(killed, true))
            ::kill(pid_t(w.Designer()->Page()->renderProcessPid()), SIGKILL);
    });
    Dialogs.Answers = {mrNo, mrOk};
    Dialogs.FileNames = {other};
    w.Open1->trigger();
    QObject::disconnect(connection);
    ASSERT_TRUE(killed);
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"File was modified. Do you want to save it first?",
                                                   "The design view could not load the document."}));
    ASSERT_TRUE(w.Designer()->IsDocumentReady());
    EXPECT_EQ(w.FileManager()->FileName(), name);
    EXPECT_EQ(w.StatusText(2), name);
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_TRUE(DesignHtml(w).contains("Qfirst item"));
    EXPECT_FALSE(DesignHtml(w).contains("the other page"));

    TypeIntoFirstItem(w, Qt::Key_W, "W");
    ASSERT_TRUE(WaitFor([&] { return DesignHtml(w).contains("WQfirst item"); }, 5000));
    w.Save1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(ReadFile(name).contains("WQfirst item")) << ReadFile(name).toStdString();
    EXPECT_TRUE(w.close());
}

// The window's picture as a PNG file, once the page has had time to paint its pictures and sheets.
void SaveWindowPicture(TFormMain& w, const QByteArray& target)
{
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);
    settle.exec();
    const QImage image = w.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QString::fromLocal8Bit(target), "PNG"));
}

TEST_F(UnitMainTest, ScreenshotOfTheMainWindow)
{
    // Writes the picture only when asked: CORVALITE_SCREENSHOT names the PNG file.
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormMain w;
    w.show();
    w.resize(1100, 720);
    w.FileManager()->OpenFile(FixturePage());
    SaveWindowPicture(w, target);
    EXPECT_TRUE(w.close());
}

// The window shown large, with only the palette beside the page: room for a theme's wide layout (a page
// under 1024 pixels gets its narrow one).
void ShowWideWithoutPanels(TFormMain& w)
{
    w.show();
    w.resize(1270, 790);
    w.PanelEntities->hide();
    w.PanelIcons->hide();
}

// A documentation page styled by its own sheets, as the design view shows it: Debian's python3.11-doc
// links its theme with a version tag, and the theme imports two more sheets in a chain. Written only when
// asked.
TEST_F(UnitMainTest, ScreenshotOfAStyledDocumentationPage)
{
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    const QString page = QStringLiteral("/usr/share/doc/python3.11/html/tutorial/introduction.html");
    if (!QFileInfo(page).isFile())
        GTEST_SKIP() << "python3.11-doc is not installed";
    TFormMain w;
    ShowWideWithoutPanels(w);
    ASSERT_TRUE(w.FileManager()->OpenFile(page));
    // The clearing blocks clear only when the last sheet of the chain has been read.
    const auto clear = [&w] {
        QVariant value;
        w.Designer()->Bridge()->Call(QStringLiteral("getComputedStyle(document.querySelector('div.clearer')).clear"), &value);
        return value.toString();
    };
    ASSERT_TRUE(WaitFor([&] { return clear() == QLatin1String("both"); }, 10000)) << clear().toStdString();
    SaveWindowPicture(w, target);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

// A generated book page styled through its html element ("sidebar-visible no-js light"): its side bar has
// the theme's background and the text stands beside it, not under it, as in a browser without scripts.
TEST_F(UnitMainTest, ScreenshotOfABookPageStyledThroughItsHtmlElement)
{
    const QString page = QStringLiteral("/usr/share/doc/rust-doc/html/book/ch03-02-data-types.html");
    if (!QFileInfo(page).isFile())
        GTEST_SKIP() << "rust-doc is not installed";
    TFormMain w;
    ShowWideWithoutPanels(w);
    ASSERT_TRUE(w.FileManager()->OpenFile(page));
    const auto eval = [&w](const QString& script) {
        QVariant value;
        w.Designer()->Bridge()->Call(script, &value);
        return value;
    };
    const auto sidebar = [&] {
        return eval(QStringLiteral("getComputedStyle(document.getElementById('sidebar')).backgroundColor")).toString();
    };
    ASSERT_TRUE(WaitFor([&] { return sidebar() == QLatin1String("rgb(250, 250, 250)"); }, 10000)) << sidebar().toStdString();
    EXPECT_GE(eval(QStringLiteral("document.getElementById('page-wrapper').getBoundingClientRect().left")).toDouble(),
              eval(QStringLiteral("document.getElementById('sidebar').getBoundingClientRect().right")).toDouble());
    if (const QByteArray target = qgetenv("CORVALITE_SCREENSHOT"); !target.isEmpty())
        SaveWindowPicture(w, target);
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTest, TheEntitiesPanelKeepsItsPlaceBetweenRunsAndShowsWholeNames)
{
    QRect floated;
    {
        TFormMain w;
        w.show();
        // First start: the palette left, 65 wide; the entity and icon panels right, the icons below.
        EXPECT_EQ(w.dockWidgetArea(w.PanelObjects), Qt::LeftDockWidgetArea);
        EXPECT_EQ(w.PanelObjects->width(), 65);
        EXPECT_EQ(w.dockWidgetArea(w.PanelEntities), Qt::RightDockWidgetArea);
        EXPECT_FALSE(w.PanelEntities->isFloating());
        EXPECT_EQ(w.PanelEntities->width(), 200);
        EXPECT_EQ(w.dockWidgetArea(w.PanelIcons), Qt::RightDockWidgetArea);
        EXPECT_GT(w.PanelIcons->y(), w.PanelEntities->y());
        for (Qt::DockWidgetArea empty : {Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea})
            for (QDockWidget* panel : {w.PanelObjects, w.PanelEntities, w.PanelIcons})
                EXPECT_NE(w.dockWidgetArea(panel), empty);
        // Every reference of every group reads whole in its tile at the panel's font.
        const QFontMetrics metrics(w.EntityView->font());
        for (int group = 0; group < 4; ++group) {
            w.PageControl2->setCurrentIndex(group);
            for (int i = 0; i < w.EntityView->Count(); ++i)
                EXPECT_LE(metrics.horizontalAdvance(w.EntityView->Item(i).Entity), w.EntityView->ItemWidth() - 4)
                    << w.EntityView->Item(i).Entity.toStdString();
        }
        w.PanelEntities->setFloating(true);
        w.PanelEntities->setGeometry(140, 150, 300, 260);
        floated = w.PanelEntities->geometry();
        EXPECT_TRUE(w.close());
    }
    {
        TFormMain w;
        w.show();
        EXPECT_TRUE(w.PanelEntities->isFloating());
        EXPECT_EQ(w.PanelEntities->geometry(), floated);
        w.Entities1->trigger();
        EXPECT_TRUE(w.close());
    }
    TFormMain w;
    w.show();
    EXPECT_TRUE(w.PanelEntities->isHidden());
    emit w.View1->aboutToShow();
    EXPECT_FALSE(w.Entities1->isChecked());
    EXPECT_TRUE(w.close());
}
TEST_F(UnitMainTest, ThePaletteDockedAtTheBottomShowsEveryToolAtItsStoredHeight)
{
    auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    };
    {
        TFormMain w;
        w.show();
        w.addDockWidget(Qt::BottomDockWidgetArea, w.PanelObjects);
        settle();
        EXPECT_EQ(w.PanelObjects->height(), 200) << "docked into the empty site, it opens it 200 high";
        // The user drags the site down to a strip.
        w.resizeDocks({w.PanelObjects}, {80}, Qt::Vertical);
        settle();
        EXPECT_TRUE(w.close());
    }
    EXPECT_EQ(ReadIniInteger("Dock Sites", "Bottom Height", 0), 80);
    TFormMain w;
    w.show();
    settle();
    ASSERT_EQ(w.dockWidgetArea(w.PanelObjects), Qt::BottomDockWidgetArea);
    EXPECT_EQ(w.PanelObjects->height(), 80);
    const QRect visible = w.ToolManager->rect();
    int tools = 0;
    for (const auto& item : w.ToolManager->Items())
        if (item->ImageIndex >= 0) {
            ++tools;
            EXPECT_TRUE(visible.contains(item->Bounds)) << item->Caption.toStdString() << " is cut off";
        }
    EXPECT_EQ(tools, 29);
    EXPECT_TRUE(w.close());
}

// The panels docked, then one floating beside the window: the screen itself is taken, as a floating
// panel is a window of its own. Written only when asked, under a real display.
TEST_F(UnitMainTest, ScreenshotOfThePanelsDockedAndFloating)
{
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT_DOCKS");
    if (target.isEmpty() || QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "CORVALITE_SCREENSHOT_DOCKS not set or no X display";
    const QString floating = QString::fromLocal8Bit(target).replace(".png", "-floating.png");
    auto settle = [] {
        QEventLoop loop;
        QTimer::singleShot(1500, &loop, &QEventLoop::quit);
        loop.exec();
    };
    TFormMain w;
    w.move(0, 0);
    w.resize(1000, 680);
    w.show();
    w.FileManager()->OpenFile(FixturePage());
    settle();
    EXPECT_TRUE(w.grab().toImage().save(QString::fromLocal8Bit(target), "PNG"));

    w.PanelEntities->setFloating(true);
    w.PanelEntities->setGeometry(1010, 120, 260, 420);
    settle();
    const QImage screen = w.screen()->grabWindow(0, 0, 0, 1280, 700).toImage();
    ASSERT_FALSE(screen.isNull());
    EXPECT_TRUE(screen.save(floating, "PNG"));
    EXPECT_TRUE(w.close());
}

// ---------------------------------------------------------------------------------------------------
// Commands, tool bar states and the status bar

// Selects the first occurrence of Words in the design view's page, as a drag of the mouse would.
void SelectWords(TFormMain& w, const QString& words)
{
    QVariant found;
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  QStringLiteral("(function(w){const k=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT);"
                                 "for(let t=k.nextNode();t;t=k.nextNode()){const i=t.data.indexOf(w);if(i<0)continue;"
                                 "const r=document.createRange();r.setStart(t,i);r.setEnd(t,i+w.length);"
                                 "const s=getSelection();s.removeAllRanges();s.addRange(r);return true;}return false;})('%1')")
                      .arg(words),
                  &found),
              TEngineBridge::TCallResult::Ok);
    ASSERT_TRUE(found.toBool()) << words.toStdString();
    w.Designer()->Bridge()->RefreshState();
    w.UpdateToolbar();
}

class UnitMainCommandsTest : public UnitMainTest
{
protected:
    // A window with a copy of the fixture page open, unmodified.
    void OpenCopy(TFormMain& w)
    {
        FPage = FDir.filePath("page.html");
        QFile::remove(FPage);
        ASSERT_TRUE(QFile::copy(FixturePage(), FPage));
        w.show();
        ASSERT_TRUE(w.FileManager()->OpenFile(FPage));
        ASSERT_TRUE(w.Designer()->IsDocumentReady());
        ASSERT_FALSE(w.FileManager()->Modified());
    }
    QString FPage;
};

TEST_F(UnitMainCommandsTest, FormattingButtonsChangeTheSelectionAsOneUndoGroupAndMarkTheDocument)
{
    const struct
    {
        QAction* TFormMain::*Button;
        const char* Words;
        const char* Expected;  // in the document's text afterwards
        const char* Caption;   // of the undo group
        bool Latches;
    } cases[] = {
        {&TFormMain::BtnBold, "first", "<b>first</b>", "Bold", true},
        {&TFormMain::BtnItalic, "second", "<i>second</i>", "Italic", true},
        {&TFormMain::BtnUnderline, "accented", "<u>accented</u>", "Underline", true},
        {&TFormMain::BtnOrder, "second", "<ol>", "Order List", true},
        {&TFormMain::BtnCenter, "Some", "center", "Center", true},
        {&TFormMain::BtnIndent, "accented", "<blockquote", "Indent", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Caption);
        TFormMain w;
        OpenCopy(w);
        SelectWords(w, c.Words);
        QAction* button = w.*c.Button;
        ASSERT_TRUE(button->isEnabled());
        EXPECT_FALSE(button->isChecked());
        EXPECT_EQ(w.StatusText(1), "Text");
        const QString before = DesignHtml(w);
        EXPECT_FALSE(before.contains(c.Expected, Qt::CaseInsensitive));

        button->trigger();
        const QString after = DesignHtml(w);
        EXPECT_TRUE(after.contains(c.Expected, Qt::CaseInsensitive)) << after.toStdString();
        EXPECT_TRUE(w.FileManager()->Modified());
        EXPECT_EQ(w.StatusText(0), "Modified");
        const TUndoGroups& groups = w.Designer()->UndoGroups();
        ASSERT_GE(groups.Count(), 1);
        EXPECT_EQ(groups.Caption(groups.Count() - 1), c.Caption);
        if (c.Latches)
            EXPECT_TRUE(button->isChecked()) << "the button shows the state of the selection";

        // Undo and Redo of the Edit menu take back and repeat the whole group.
        ASSERT_TRUE(w.Undo1->isEnabled());
        w.Undo1->trigger();
        EXPECT_EQ(DesignHtml(w), before);
        ASSERT_TRUE(w.Redo1->isEnabled());
        w.Redo1->trigger();
        EXPECT_EQ(DesignHtml(w), after);
        Dialogs.Answers = {mrNo};
        EXPECT_TRUE(w.close());
    }
}

// The cost of an edit follows the change: a key is recorded and the tool bar refreshed from what the page
// sends by itself, and a command asks the page for the count it starts from and runs; neither writes out
// or walks the document from this side.
TEST_F(UnitMainCommandsTest, AKeyAsksThePageNothingAndACommandOnlyRunsItself)
{
    TFormMain w;
    OpenCopy(w);
    TEngineBridge* bridge = w.Designer()->Bridge();
    w.Designer()->View()->setFocus();
    ASSERT_EQ(bridge->Call("(function(){const t=document.querySelector('li').firstChild;const r=document.createRange();"
                           "r.setStart(t,0);r.collapse(true);const s=getSelection();s.removeAllRanges();s.addRange(r);"
                           "document.body.focus();return 1;})()"),
              TEngineBridge::TCallResult::Ok);
    const qint64 beforeKey = bridge->CallCount();
    const int groups = w.Designer()->UndoGroups().Count();
    QWidget* target = w.Designer()->View()->focusProxy();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "Q");
    QApplication::sendEvent(target, &release);
    ASSERT_TRUE(WaitFor([&] { return w.Designer()->UndoGroups().Count() > groups && w.BtnUndo->isEnabled(); }, 5000));
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(bridge->CallCount(), beforeKey);
    EXPECT_EQ(w.StatusText(1), "");

    SelectWords(w, "second");
    const qint64 beforeBold = bridge->CallCount();
    w.BtnBold->trigger();
    EXPECT_TRUE(w.BtnBold->isChecked());
    EXPECT_TRUE(w.BtnUndo->isEnabled());
    EXPECT_EQ(w.StatusText(1), "Text");
    EXPECT_EQ(bridge->CallCount() - beforeBold, 2);
    EXPECT_TRUE(DesignHtml(w).contains("<b>second</b>"));
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, UndoGoesBackOneGroupAtATimeAndItsShortcutIsTheMenuEntry)
{
    TFormMain w;
    OpenCopy(w);
    EXPECT_FALSE(w.Undo1->isEnabled()) << "a freshly opened document has nothing to undo";
    EXPECT_EQ(w.Undo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(w.Redo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    const QString original = DesignHtml(w);
    SelectWords(w, "first");
    w.BtnBold->trigger();
    const QString bold = DesignHtml(w);
    SelectWords(w, "first");
    w.BtnItalic->trigger();
    ASSERT_NE(DesignHtml(w), bold);

    emit w.Edit1->aboutToShow();
    EXPECT_TRUE(w.Undo1->isEnabled());
    EXPECT_FALSE(w.Redo1->isEnabled());
    w.Undo1->trigger();
    EXPECT_EQ(DesignHtml(w), bold);
    w.Undo1->trigger();
    EXPECT_EQ(DesignHtml(w), original);
    emit w.Edit1->aboutToShow();
    EXPECT_FALSE(w.Undo1->isEnabled());
    EXPECT_TRUE(w.Redo1->isEnabled());
    w.Redo1->trigger();
    EXPECT_EQ(DesignHtml(w), bold);
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, StatesFollowTheViewOnShow)
{
    TFormMain w;
    OpenCopy(w);
    SelectWords(w, "Welcome");
    EXPECT_TRUE(w.ToolFormatting->isEnabled());
    EXPECT_TRUE(w.BtnCopy->isEnabled());
    EXPECT_TRUE(w.BtnTag->isEnabled());
    EXPECT_TRUE(w.ComboFontSize->isEnabled());
    emit w.Edit1->aboutToShow();
    EXPECT_TRUE(w.Find1->isEnabled());

    // Tag glyphs: the button switches them and shows their state.
    EXPECT_FALSE(w.BtnTag->isChecked());
    w.BtnTag->trigger();
    EXPECT_TRUE(w.Designer()->ShowTagGlyphs());
    EXPECT_TRUE(w.BtnTag->isChecked());
    EXPECT_FALSE(w.FileManager()->Modified()) << "showing glyphs changes no document";

    w.TabControl1->setCurrentIndex(VIEW_CODE);
    EXPECT_FALSE(w.ToolFormatting->isEnabled());
    EXPECT_FALSE(w.ToolBlock->isEnabled());
    EXPECT_FALSE(w.BtnForeColor->IsEnabled());
    EXPECT_FALSE(w.BtnBackColor->IsEnabled());
    EXPECT_TRUE(w.BtnCut->isEnabled());
    EXPECT_TRUE(w.BtnCopy->isEnabled());
    EXPECT_TRUE(w.BtnFind->isEnabled());
    EXPECT_FALSE(w.BtnTag->isEnabled());
    EXPECT_FALSE(w.BtnUndo->isEnabled()) << "filling the editor is nothing to undo";
    emit w.Edit1->aboutToShow();
    EXPECT_FALSE(w.Find1->isEnabled()) << "the Find entry is for the design view only";

    w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
    emit w.Edit1->aboutToShow();
    for (QAction* a : {w.BtnCut, w.BtnCopy, w.BtnPaste, w.BtnUndo, w.BtnRedo, w.BtnFind, w.BtnTag, w.Undo1, w.Redo1,
                       w.Cut1, w.Copy1, w.Paste1, w.Find1})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    // Cut with no view that can cut (its shortcut is off too) leaves the document alone.
    EXPECT_FALSE(w.FileManager()->Modified());

    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
    EXPECT_TRUE(w.ToolFormatting->isEnabled());
    EXPECT_TRUE(w.BtnTag->isEnabled());
    // Find follows the view without the menu being opened again, so its shortcut works at once.
    EXPECT_TRUE(w.Find1->isEnabled());
    EXPECT_TRUE(w.close());
}

// Whether the widget, as painted, shows every opaque pixel of Picture somewhere.
bool ShowsPicture(QWidget* Widget, const QImage& Picture)
{
    const QImage shown = Widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = Picture.convertToFormat(QImage::Format_ARGB32);
    for (int top = 0; top + picture.height() <= shown.height(); ++top)
        for (int left = 0; left + picture.width() <= shown.width(); ++left) {
            bool all = true;
            for (int y = 0; all && y < picture.height(); ++y)
                for (int x = 0; all && x < picture.width(); ++x)
                    all = qAlpha(picture.pixel(x, y)) == 0 ||
                          (shown.pixel(left + x, top + y) & 0xFFFFFF) == (picture.pixel(x, y) & 0xFFFFFF);
            if (all)
                return true;
        }
    return false;
}

TEST_F(UnitMainCommandsTest, EveryToolBarButtonShowsItsOwnPictureGreyedWhileDisabled)
{
    TFormMain w;
    OpenCopy(w);
    QList<QImage> seen;
    for (QToolBar* bar : {w.ToolStandard, w.ToolFormatting, w.ToolBlock})
        for (QAction* action : bar->actions()) {
            QWidget* widget = bar->widgetForAction(action);
            if (auto* color = qobject_cast<TColorToolButton*>(widget)) {
                const QImage glyph = color->Glyph().toImage();
                EXPECT_FALSE(glyph.isNull()) << color->toolTip().toStdString();
                EXPECT_FALSE(seen.contains(glyph)) << color->toolTip().toStdString();
                seen << glyph;
                continue;
            }
            auto* button = qobject_cast<QToolButton*>(widget);
            if (!button || action->isSeparator())
                continue; // the combo boxes
            const std::string name = button->toolTip().toStdString();
            EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << name;
            const QImage picture = button->icon().pixmap(16, QIcon::Normal).toImage();
            const QImage greyed = button->icon().pixmap(16, QIcon::Disabled).toImage();
            ASSERT_EQ(picture.size(), QSize(16, 16)) << name;
            EXPECT_FALSE(seen.contains(picture)) << name << ": a picture of its own";
            seen << picture;
            int opaque = 0, coloured = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QRgb c = greyed.pixel(x, y);
                    if (qAlpha(picture.pixel(x, y)))
                        ++opaque;
                    if (qAlpha(c) && (std::abs(qRed(c) - qGreen(c)) > 8 || std::abs(qGreen(c) - qBlue(c)) > 8))
                        ++coloured;
                }
            EXPECT_GT(opaque, 12) << name << ": the picture shows something";
            EXPECT_NE(greyed, picture) << name;
            EXPECT_EQ(coloured, 0) << name << ": the disabled look is grey";
        }
    EXPECT_EQ(seen.size(), 23) << "New, Open, Save, Cut, Copy, Paste, Undo, Redo, Find, tag glyphs, two colours, "
                                  "Bold, Italic, Underline, three alignments, two lists, Indent, Outdent, Link";

    // Nothing is selected: Cut shows its greyed picture; with words selected, its own.
    QWidget* cut = w.ToolStandard->widgetForAction(w.BtnCut);
    ASSERT_FALSE(w.BtnCut->isEnabled());
    EXPECT_TRUE(ShowsPicture(cut, w.BtnCut->icon().pixmap(16, QIcon::Disabled).toImage()));
    EXPECT_FALSE(ShowsPicture(cut, w.BtnCut->icon().pixmap(16, QIcon::Normal).toImage()));
    SelectWords(w, "Welcome");
    ASSERT_TRUE(w.BtnCut->isEnabled());
    EXPECT_TRUE(ShowsPicture(cut, w.BtnCut->icon().pixmap(16, QIcon::Normal).toImage()));
    EXPECT_TRUE(w.close());
}

// The tool bars as a user sees them with a word of a heading selected: written only when asked,
// CORVALITE_SCREENSHOT naming the PNG file.
TEST_F(UnitMainCommandsTest, ScreenshotOfTheToolBar)
{
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormMain w;
    w.resize(1270, 600);
    OpenCopy(w);
    SelectWords(w, "Welcome");
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    QRect bars;
    for (QToolBar* bar : {w.ToolStandard, w.ToolFormatting, w.ToolBlock})
        bars |= bar->geometry();
    const QImage image = w.grab(bars.adjusted(0, 0, 2, 0)).toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QString::fromLocal8Bit(target), "PNG"));
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, CodeViewUndoAndCutGoToTheEditorAndMarkTheDocument)
{
    TFormMain w;
    OpenCopy(w);
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    QsciScintilla* editor = w.CodeEditor();
    const QString text = editor->text();
    editor->insertAt("XYZ", 0, 0);
    w.UpdateToolbar();
    ASSERT_TRUE(w.BtnUndo->isEnabled());
    w.FileManager()->SetModified(false);
    w.Undo1->trigger();
    EXPECT_EQ(editor->text(), text);
    EXPECT_TRUE(w.FileManager()->Modified());

    w.FileManager()->SetModified(false);
    editor->setSelection(0, 0, 0, 6);  // "<html>"
    w.Copy1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified()) << "copying changes nothing";
    w.Cut1->trigger();
    EXPECT_FALSE(editor->text().startsWith("<html>"));
    EXPECT_TRUE(w.FileManager()->Modified());
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, CombosAreFilledFromTheDesignViewAndOnlyAChoiceChangesTheDocument)
{
    TFormMain w;
    OpenCopy(w);
    QStringList formats;
    w.Designer()->GetBlockFormats(formats);
    ASSERT_EQ(w.ComboBlockFormat->count(), formats.size());
    for (int i = 0; i < formats.size(); ++i)
        EXPECT_EQ(w.ComboBlockFormat->itemText(i), formats[i]);
    ASSERT_EQ(w.ComboFontSize->count(), 7);
    EXPECT_EQ(w.ComboFontSize->itemText(0), "1");

    // Showing the selection's values in the combos is no change.
    SelectWords(w, "Welcome");
    SelectWords(w, "first");
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_EQ(w.Designer()->GetFontSize(), 3);
    EXPECT_EQ(w.ComboFontSize->currentIndex(), 2);

    w.ComboFontSize->setCurrentIndex(5);  // size 6
    EXPECT_TRUE(w.FileManager()->Modified());
    const QString html = DesignHtml(w);
    EXPECT_TRUE(html.contains("size=\"6\"") || html.contains("xx-large")) << html.toStdString();

    // A chosen face and a chosen colour go to the selection, each as its own undo group.
    SelectWords(w, "second");
    w.FileManager()->SetModified(false);
    const int serif = w.ComboFontName->findText("DejaVu Sans Mono");
    ASSERT_GE(serif, 0);
    w.ComboFontName->setFocus();
    w.ComboFontName->showPopup();
    w.ComboFontName->hidePopup();
    emit w.ComboFontName->activated(serif);
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.ComboFontName->itemText(0), "DejaVu Sans Mono");

    // The colour buttons: a colour from the popup goes to the selection and to the recent colours; a press
    // on the main part gives the button's colour again.
    const QList<std::uint32_t> savedRecent = RecentColors();
    SelectWords(w, "second");
    ASSERT_TRUE(w.BtnForeColor->IsEnabled());
    EXPECT_EQ(w.BtnForeColor->Color(), 0u);
    EXPECT_EQ(w.BtnBackColor->Color(), 0xFFFFu);
    MouseDown(w.BtnForeColor, w.BtnForeColor->width() - 5, 5);
    ASSERT_TRUE(w.BtnForeColor->Popup()->isVisible());
    const TPopupColor::THit hit = w.BtnForeColor->Popup()->HitTest(55 + 20 * 9 + 2, 110);
    ASSERT_TRUE(hit.Hit);
    MouseDown(w.BtnForeColor->Popup(), 55 + 20 * 9 + 2, 110);
    EXPECT_EQ(w.BtnForeColor->Color(), hit.Color);
    EXPECT_EQ(RecentColors().front(), hit.Color);
    SelectWords(w, "accented");
    MouseDown(w.BtnBackColor, 5, 5);  // yellow, the button's own colour
    RecentColors() = savedRecent;
    const QString styled = DesignHtml(w);
    EXPECT_TRUE(styled.contains("DejaVu Sans Mono")) << styled.toStdString();
    EXPECT_TRUE(styled.contains(ColorText(hit.Color), Qt::CaseInsensitive)
                || styled.contains("lime", Qt::CaseInsensitive)) << styled.toStdString();
    EXPECT_TRUE(styled.contains("yellow", Qt::CaseInsensitive) || styled.contains("#FFFF00", Qt::CaseInsensitive));
    const TUndoGroups& groups = w.Designer()->UndoGroups();
    ASSERT_GE(groups.Count(), 4);
    EXPECT_EQ(groups.Caption(groups.Count() - 3), "Font Name");
    EXPECT_EQ(groups.Caption(groups.Count() - 2), "Fore Color");
    EXPECT_EQ(groups.Caption(groups.Count() - 1), "Back Color");
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, CommandsWithoutTheirPartsAreDisabled)
{
    TFormMain w;
    w.show();
    EXPECT_TRUE(w.Print1->isEnabled());
    for (QAction* a : {w.InsertRowAbove1,
                       w.InsertRowBelow1, w.DeleteRows1, w.InsertColumnBefore1, w.InsertColumnAfter1,
                       w.DeleteColumns1, w.MergeCells1, w.UnmergeCells1, w.FixTableLayout1,
                       w.Contents1})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(w.Properties1->isVisible());
    EXPECT_TRUE(w.PreviewinBrowser1->isEnabled());
    EXPECT_EQ(w.Tables1->title(), "&Tables");
    EXPECT_EQ(w.MergeCells1->text(), "Merge Cells");
    EXPECT_EQ(w.op1->text(), "Top");
    EXPECT_EQ(w.Find1->text(), "&Find ...");
    EXPECT_EQ(w.Copy1->text(), "C&opy");
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, ASaveStoppedByAFileSizeLimitIsToldAndKeepsTheOldFileAndTheEdits)
{
    TFormMain w;
    OpenCopy(w);
    SelectWords(w, "first");
    w.BtnBold->trigger();
    ASSERT_TRUE(w.FileManager()->Modified());
    const QByteArray old = ReadFile(FPage);
    Dialogs.Answers = {mrOk};
    {
        const TFileSizeLimit limit(64);
        w.Save1->trigger();
    }
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains("File too large")) << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(ReadFile(FPage), old);
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.FileManager()->FileName(), FPage);
    w.Save1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(QString::fromLatin1(ReadFile(FPage)).contains("<b>first</b>", Qt::CaseInsensitive));
    EXPECT_TRUE(w.close());
}

class UnitMainPreviewTest : public UnitMainCommandsTest
{
protected:
    void SetUp() override
    {
        UnitMainCommandsTest::SetUp();
        FPrevious = SetShellOpenHook([this](const QUrl& url) {
            Opened << url;
            return true;
        });
    }
    void TearDown() override
    {
        SetShellOpenHook(std::move(FPrevious));
        UnitMainCommandsTest::TearDown();
    }
    QList<QUrl> Opened;
    TShellOpenHook FPrevious;
};

TEST_F(UnitMainPreviewTest, PreviewSavesAModifiedDocumentFirstAndOpensTheFile)
{
    TFormMain w;
    OpenCopy(w);
    // Unmodified: the file as it is.
    w.PreviewinBrowser1->trigger();
    EXPECT_EQ(Opened, QList<QUrl>({QUrl::fromLocalFile(FPage)}));

    // Modified: saved first, so the browser shows what the design view shows.
    SelectWords(w, "first");
    w.BtnBold->trigger();
    ASSERT_TRUE(w.FileManager()->Modified());
    Opened.clear();
    w.PreviewinBrowser1->trigger();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(QString::fromLatin1(ReadFile(FPage)).contains("<b>first</b>", Qt::CaseInsensitive));
    EXPECT_EQ(Opened, QList<QUrl>({QUrl::fromLocalFile(FPage)}));
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainPreviewTest, ADesktopThatCannotOpenThePageIsToldWithTheFileAndItsReason)
{
    TFormMain w;
    OpenCopy(w);
    // What the desktop warns of while refusing is its reason; without a word the reason is ours.
    for (const char* warning : {"Unable to detect a launcher for the page", ""}) {
        SetShellOpenHook([warning](const QUrl&) {
            if (*warning)
                qWarning("%s", warning);
            return false;
        });
        Dialogs.Answers = {mrOk};
        w.PreviewinBrowser1->trigger();
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text,
                  QStringLiteral("Cannot open \"%1\". %2")
                      .arg(FPage, *warning ? QString::fromLatin1(warning) : QStringLiteral("The desktop has no program to open it.")));
        EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
        Dialogs.Messages.clear();
    }
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainPreviewTest, PreviewOfAnUnsavedDocumentAsksForANameAndOpensNothingWithoutOne)
{
    TFormMain w;
    w.show();
    w.PreviewinBrowser1->trigger();
    EXPECT_TRUE(Opened.isEmpty()) << "a new document has no file to show";
    EXPECT_TRUE(Dialogs.FileDialogs.empty());

    w.FileManager()->SetModified(true);
    Dialogs.FileNames = {""};  // the save dialog is cancelled
    w.PreviewinBrowser1->trigger();
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_EQ(Dialogs.FileDialogs.size(), 1u);

    const QString name = FDir.filePath("new.html");
    Dialogs.FileNames = {name};
    w.PreviewinBrowser1->trigger();
    EXPECT_TRUE(QFileInfo(name).isFile());
    EXPECT_EQ(Opened, QList<QUrl>({QUrl::fromLocalFile(name)}));
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, RequireSavedDocumentAsksOnlyWithoutAFile)
{
    const QString question = "To insert this element, you need to save the document first. This is to ensure "
                             "correct relative-path calculation and to avoid absolute paths which will not always "
                             "work, i.e. missing images, incorrect links, etc. Save the document first?";
    TFormMain w;
    w.show();
    for (int answer : {mrNo, mrCancel}) {
        Dialogs.Answers = {answer};
        EXPECT_FALSE(w.RequireSavedDocument());
    }
    Dialogs.Answers = {mrYes};
    Dialogs.FileNames = {""};
    EXPECT_FALSE(w.RequireSavedDocument()) << "a cancelled save is no file";
    ASSERT_EQ(Dialogs.Messages.size(), 3u);
    EXPECT_EQ(Dialogs.Messages[0].Text, question);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbYes | mbNo | mbCancel));

    Dialogs.Answers = {mrYes};
    Dialogs.FileNames = {FDir.filePath("kept.html")};
    EXPECT_TRUE(w.RequireSavedDocument());
    EXPECT_TRUE(QFileInfo(FDir.filePath("kept.html")).isFile());
    EXPECT_TRUE(w.RequireSavedDocument()) << "with a file nothing is asked";
    EXPECT_EQ(Dialogs.Messages.size(), 4u);
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, TheUndoKeysInTheDesignViewTakeBackWholeGroups)
{
    TFormMain w;
    OpenCopy(w);
    const QString original = DesignHtml(w);
    SelectWords(w, "first");
    w.BtnBold->trigger();
    const QString bold = DesignHtml(w);
    ASSERT_NE(bold, original);
    QWidget* target = w.Designer()->View()->focusProxy();
    ASSERT_NE(target, nullptr);
    const auto press = [&](Qt::Key key) {
        // The engine does not get to claim the key for itself ...
        QKeyEvent override(QEvent::ShortcutOverride, key, Qt::ControlModifier);
        override.ignore();
        QApplication::sendEvent(target, &override);
        EXPECT_TRUE(override.isAccepted());
        QKeyEvent down(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::ControlModifier);
        QApplication::sendEvent(target, &up);
    };
    w.FileManager()->SetModified(false);
    press(Qt::Key_Z);
    EXPECT_EQ(DesignHtml(w), original);
    EXPECT_TRUE(w.FileManager()->Modified());
    press(Qt::Key_Y);
    EXPECT_EQ(DesignHtml(w), bold);
    press(Qt::Key_Y);  // nothing left to repeat
    EXPECT_EQ(DesignHtml(w), bold);
    EXPECT_EQ(w.Designer()->UndoGroups().Count(), 1);
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// ---- entity panel and About box

TEST_F(UnitMainCommandsTest, TheEntityPanelInsertsTheChosenReferenceAtTheCaretOfTheViewOnShow)
{
    TFormMain w;
    OpenCopy(w);
    ASSERT_TRUE(w.PanelEntities->isVisible());
    ASSERT_EQ(w.EntityView->Count(), 60);
    w.PageControl2->setCurrentIndex(1);
    EXPECT_EQ(w.EntityView->parentWidget(), w.PageControl2->widget(1));
    EXPECT_EQ(w.EntityView->Item(0).Entity, "&minus;");
    w.PageControl2->setCurrentIndex(0);
    EXPECT_EQ(w.EntityView->parentWidget(), w.PageControl2->widget(0));
    ASSERT_EQ(w.EntityView->Item(1).Entity, "&copy;");

    // Design view: the reference goes in as markup, in place of the selection.
    SelectWords(w, "first item");
    w.EntityView->SetItemIndex(1);
    Key(w.EntityView, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return DesignHtml(w).contains(QChar(0xA9)) || DesignHtml(w).contains("&copy;"); }, 3000))
        << DesignHtml(w).toStdString();
    EXPECT_FALSE(DesignHtml(w).contains("first item"));

    // Code view: the reference text replaces the selection and the caret stands right after it.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    QsciScintilla* editor = w.CodeEditor();
    const int line = editor->text().left(editor->text().indexOf("<body")).count('\n');
    editor->setSelection(line, 0, line, 0);
    w.FileManager()->SetModified(false);
    w.EntityView->SetItemIndex(20);
    Key(w.EntityView, Qt::Key_Space);
    EXPECT_TRUE(editor->text(line).startsWith("&amp;") && editor->text(line).contains("<body"))
        << editor->text(line).toStdString();
    int caretLine = -1;
    int caretIndex = -1;
    editor->getCursorPosition(&caretLine, &caretIndex);
    EXPECT_EQ(caretLine, line);
    EXPECT_EQ(caretIndex, 5);
    EXPECT_FALSE(editor->hasSelectedText());
    EXPECT_TRUE(w.FileManager()->Modified());

    // The tag tree takes nothing.
    editor->undo();
    w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
    const QString before = editor->text();
    Key(w.EntityView, Qt::Key_Space);
    EXPECT_EQ(editor->text(), before);

    // The View menu entry hides and shows the panel.
    EXPECT_TRUE(w.Entities1->isEnabled());
    w.Entities1->trigger();
    EXPECT_FALSE(w.PanelEntities->isVisible());
    w.Entities1->trigger();
    EXPECT_TRUE(w.PanelEntities->isVisible());

    // Help > About shows the About box modally until OK.
    ASSERT_TRUE(w.About1->isEnabled());
    bool shown = false;
    QTimer::singleShot(0, w.FormAbout, [&] {
        shown = w.FormAbout->isVisible() && w.FormAbout->isModal();
        w.FormAbout->Button1->click();
    });
    w.About1->trigger();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(w.FormAbout->isVisible());

    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

// ---- every change marks the document

// Puts the design view's caret at Offset in the first list item's text, with the keyboard in the page.
void PlaceCaretInFirstItem(TFormMain& w, int offset)
{
    w.activateWindow();
    w.Designer()->View()->setFocus();
    ASSERT_EQ(w.Designer()->Bridge()->Call(
                  QStringLiteral("(function(){const t=document.querySelector('li').firstChild;const r=document.createRange();"
                                 "r.setStart(t,%1);r.setEnd(t,%1);const s=document.getSelection();s.removeAllRanges();"
                                 "s.addRange(r);document.body.focus();return 1;})()")
                      .arg(offset)),
              TEngineBridge::TCallResult::Ok);
    w.Designer()->Bridge()->RefreshState();
}

// A double-click as a widget gets it from the window system: press, release, double-click, release.
void DoubleClickEntity(TFormMain& w, int index)
{
    const QPoint tile = w.EntityView->ItemRect(index).center();
    QTest::mouseClick(w.EntityView->viewport(), Qt::LeftButton, Qt::NoModifier, tile);
    QTest::mouseDClick(w.EntityView->viewport(), Qt::LeftButton, Qt::NoModifier, tile);
}

// The first list item's markup in the saved form of the page.
QString FirstItem(TFormMain& w)
{
    const QString html = DesignHtml(w);
    const int start = html.indexOf("<li>");
    return start < 0 ? QString() : html.mid(start + 4, html.indexOf("</li>", start) - start - 4).simplified();
}

TEST_F(UnitMainCommandsTest, EveryDoubleClickOnAnEntityInsertsOneCharacterAndTypingGoesOnInThePage)
{
    TFormMain w;
    OpenCopy(w);
    PlaceCaretInFirstItem(w, 0);
    ASSERT_FALSE(HasFatalFailure());
    // Thirty double-clicks, every other one on a tile that was not selected yet.
    QString expected;
    for (int i = 0; i < 30; ++i) {
        DoubleClickEntity(w, i % 4 < 2 ? 1 : 2);
        expected += i % 4 < 2 ? "&copy;" : "&reg;";
    }
    EXPECT_TRUE(WaitFor([&] { return FirstItem(w) == expected + "first item"; }, 3000)) << FirstItem(w).toStdString();
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "Modified");

    // The keyboard is back in the page, at the caret after the last character.
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(w.Designer()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClicks(QApplication::focusWidget(), "ok");
    EXPECT_TRUE(WaitFor([&] { return FirstItem(w) == expected + "okfirst item"; }, 3000)) << FirstItem(w).toStdString();

    // The same after Return on the panel.
    w.EntityView->setFocus();
    w.EntityView->SetItemIndex(3);
    QTest::keyClick(w.EntityView, Qt::Key_Return);
    EXPECT_TRUE(w.Designer()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClicks(QApplication::focusWidget(), "go");
    EXPECT_TRUE(WaitFor([&] { return FirstItem(w) == expected + "ok&trade;gofirst item"; }, 3000))
        << FirstItem(w).toStdString();

    // A floating panel is a window of its own, which the window manager activates again on the second
    // press of a double-click that comes after the insertion: the keyboard still goes back to the page.
    w.PanelEntities->setFloating(true);
    w.PanelEntities->show();
    PlaceCaretInFirstItem(w, 0);
    DoubleClickEntity(w, 4);
    QApplication::setActiveWindow(w.PanelEntities);
    w.EntityView->setFocus();
    EXPECT_TRUE(WaitFor([&] { return w.Designer()->isAncestorOf(QApplication::focusWidget()); }, 3000));
    EXPECT_TRUE(w.isActiveWindow());
    QTest::keyClicks(QApplication::focusWidget(), "fl");
    EXPECT_TRUE(WaitFor([&] { return FirstItem(w).startsWith("&cent;fl&copy;"); }, 3000)) << FirstItem(w).toStdString();
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainCommandsTest, EveryRoadThatChangesThePageMarksTheDocumentAndLookingDoesNot)
{
    TFormMain w;
    OpenCopy(w);
    auto* props = w.findChild<TTagProperties*>();
    ASSERT_NE(props, nullptr);
    auto* icons = w.PageControlIcons->widget(w.PageControlIcons->count() - 1)->findChild<QListWidget*>();
    ASSERT_NE(icons, nullptr);
    const QList<QListWidgetItem*> stars = icons->findItems("star.png", Qt::MatchExactly);
    ASSERT_EQ(stars.size(), 1);
    // Merely looking: other views, a selection, the Tables menu, a dialog cancelled, a click in the page.
    const auto look = [&] {
        w.TabControl1->setCurrentIndex(VIEW_CODE);
        w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
        w.TabControl1->setCurrentIndex(VIEW_DESIGNER);
        SelectWords(w, "second item");
        emit w.Tables1->aboutToShow();
        Dialogs.Forms.push_back([](QDialog& form) { form.reject(); });
        w.PageProperties1->trigger();
        QWidget* page = w.Designer()->View()->focusProxy();
        QTest::mouseClick(page, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    };
    const auto expectSaved = [&](const char* after) {
        EXPECT_FALSE(WaitFor([&] { return w.FileManager()->Modified(); }, 300)) << after;
        EXPECT_EQ(w.StatusText(0), "") << after;
        emit w.File1->aboutToShow();
        EXPECT_FALSE(w.Save1->isEnabled()) << after;
    };
    const auto expectModified = [&](const char* road) {
        EXPECT_TRUE(WaitFor([&] { return w.FileManager()->Modified(); }, 3000)) << road;
        EXPECT_EQ(w.StatusText(0), "Modified") << road;
        emit w.File1->aboutToShow();
        EXPECT_TRUE(w.Save1->isEnabled()) << road;
        // File > Exit asks first; Cancel keeps the window and the change.
        Dialogs.Messages.clear();
        Dialogs.Answers = {mrCancel};
        w.Exit1->trigger();
        EXPECT_EQ(Dialogs.MessageTexts(), QStringList({"File was modified. Do you want to save it first?"})) << road;
        EXPECT_TRUE(w.isVisible()) << road;
    };
    const auto typeInPage = [&](const QString& text) {
        PlaceCaretInFirstItem(w, 0);
        QTest::keyClicks(w.Designer()->View()->focusProxy(), text);
        EXPECT_TRUE(WaitFor([&] { return FirstItem(w).startsWith(text); }, 3000)) << FirstItem(w).toStdString();
    };
    const struct
    {
        const char* Road;
        std::function<void()> Change;
    } roads[] = {
        {"a double-clicked entity", [&] { PlaceCaretInFirstItem(w, 0); DoubleClickEntity(w, 5); }},
        {"an entity chosen with Return",
         [&] {
             PlaceCaretInFirstItem(w, 0);
             w.EntityView->setFocus();
             w.EntityView->SetItemIndex(6);
             QTest::keyClick(w.EntityView, Qt::Key_Return);
         }},
        {"typing", [&] { typeInPage("typed"); }},
        {"paste",
         [&] {
             QApplication::clipboard()->setText("pasted");
             PlaceCaretInFirstItem(w, 0);
             w.BtnPaste->setEnabled(true);
             w.BtnPaste->trigger();
         }},
        {"a drop from another program",
         [&] {
             w.Designer()->Bridge()->Call("document.body.appendChild(document.createTextNode('dropped')); 1");
         }},
        {"a palette tool",
         [&] {
             PlaceCaretInFirstItem(w, 0);
             Dialogs.Forms.push_back([](QDialog& form) { form.findChild<QPushButton*>("BtnOk")->click(); });
             w.ToolManager->ExecuteTool<TToolHr>();
         }},
        {"an icon",
         [&] {
             PlaceCaretInFirstItem(w, 0);
             const QPoint at = icons->visualItemRect(stars.front()).center();
             QTest::mouseClick(icons->viewport(), Qt::LeftButton, Qt::NoModifier, at);
             QTest::mouseDClick(icons->viewport(), Qt::LeftButton, Qt::NoModifier, at);
         }},
        {"the code view",
         [&] {
             w.TabControl1->setCurrentIndex(VIEW_CODE);
             w.CodeEditor()->setFocus();
             QTest::keyClicks(w.CodeEditor(), "x");
         }},
        {"the tag tree",
         [&] {
             w.TabControl1->setCurrentIndex(VIEW_TAGTREE);
             const QList<QTreeWidgetItem*> texts =
                 w.TagTree()->findItems("<TEXT>", Qt::MatchExactly | Qt::MatchRecursive);
             ASSERT_FALSE(texts.isEmpty());
             w.TagTree()->setCurrentItem(texts.back());
             QTest::keyClicks(props->MemoAttr(), "z");
         }},
        {"undo in the page", [&] { typeInPage("u"); w.FileManager()->Save(); w.BtnUndo->trigger(); }},
    };
    expectSaved("opening");
    look();
    expectSaved("looking");
    for (const auto& road : roads) {
        SCOPED_TRACE(road.Road);
        road.Change();
        expectModified(road.Road);
        w.FileManager()->Save();
        expectSaved(road.Road);
        look();
        expectSaved("looking");
    }
    const QString saved = QString::fromLatin1(ReadFile(FPage));
    for (const char* text : {"&euro;", "&pound;", "typed", "pasted", "dropped", "<hr>", "star.png"})
        EXPECT_TRUE(saved.contains(text)) << text << "\n" << saved.toStdString();
    EXPECT_FALSE(saved.contains("ufirst")) << "taken back";
    EXPECT_TRUE(w.close());
}

// ---- button wizard

TEST_F(UnitMainCommandsTest, TheButtonWizardSavesBesideTheDocumentAndInsertsTheImageAsOneUndoGroup)
{
    TFormMain w;
    w.show();
    // A document without a file: the question first, and No stops there.
    Dialogs.Answers = {mrNo};
    w.ButtonGenerators1->trigger();
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_FALSE(w.FormButtonWizard->Initialized()) << "the wizard was not shown";

    OpenCopy(w);
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    w.ButtonGenerators1->trigger();
    EXPECT_FALSE(w.FormButtonWizard->Initialized()) << "only the design view takes a button";
    w.TabControl1->setCurrentIndex(VIEW_DESIGNER);

    // Closed without saving: nothing changes.
    QTimer::singleShot(0, w.FormButtonWizard, [&] { w.FormButtonWizard->reject(); });
    w.ButtonGenerators1->trigger();
    EXPECT_TRUE(w.FormButtonWizard->Initialized());
    EXPECT_FALSE(w.FileManager()->Modified());

    SelectWords(w, "first");
    const QString before = DesignHtml(w);
    QString base;
    QTimer::singleShot(0, w.FormButtonWizard, [&] {
        base = w.FormButtonWizard->BaseFolder;
        w.FormButtonWizard->EditCaption->setText(QStringLiteral("Go There"));
        w.FormButtonWizard->BtnSave->click();
    });
    w.ButtonGenerators1->trigger();
    EXPECT_EQ(base, FDir.path() + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(FDir.filePath("images/go_there.gif")).isFile());
    EXPECT_TRUE(w.FileManager()->Modified());
    EXPECT_TRUE(WaitFor([&] { return DesignHtml(w).contains("go_there.gif"); }, 3000)) << DesignHtml(w).toStdString();
    EXPECT_EQ(w.Designer()->UndoGroups().Count(), 1);

    w.FileManager()->Save();
    const QString saved = QString::fromLatin1(ReadFile(FPage));
    EXPECT_TRUE(saved.contains(QStringLiteral("<img src=\"images/go_there.gif\">"), Qt::CaseInsensitive))
        << saved.toStdString();

    w.BtnUndo->trigger();
    EXPECT_EQ(DesignHtml(w), before);
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

} // namespace
