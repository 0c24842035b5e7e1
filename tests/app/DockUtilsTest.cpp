#include "DockUtils.h"

#include "HtmlDesigner.h"
#include "IniFiles.h"
#include "IniUtils.h"
#include "UnitMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <QTabBar>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A window with three stand-in panels named as the program's, registered at their first-start places.
struct TDockWindow
{
    QMainWindow Window;
    QWidget* Center;
    QDockWidget* Objects;
    QDockWidget* Entities;
    QDockWidget* Icons;
    TFineDockManager* Manager;

    TDockWindow()
    {
        Center = new QLabel(QStringLiteral("views"), &Window);
        Window.setCentralWidget(Center);
        Manager = new TFineDockManager(&Window);
        Objects = AddPanel("PanelObjects", "Objects");
        Entities = AddPanel("PanelEntities", "Entities");
        Icons = AddPanel("PanelIcons", "Icon Packs");
        Manager->RegisterPanel(Objects, Qt::LeftDockWidgetArea, 65);
        Manager->RegisterPanel(Entities, Qt::RightDockWidgetArea, 200);
        Manager->RegisterPanel(Icons, Qt::RightDockWidgetArea, 200);
        Window.move(0, 0);
        Window.resize(900, 600);
    }
    QDockWidget* AddPanel(const char* name, const char* caption)
    {
        auto* panel = new QDockWidget(QString::fromLatin1(caption), &Window);
        panel->setObjectName(QString::fromLatin1(name));
        panel->setWidget(new QLabel(QString::fromLatin1(caption)));
        return panel;
    }
    void Show(TIniFile& ini)
    {
        Window.show();
        Manager->LoadLayout(ini);
        Settle();
    }
    Qt::DockWidgetArea Area(QDockWidget* panel) const
    {
        return panel->isFloating() ? Qt::NoDockWidgetArea : Window.dockWidgetArea(panel);
    }
    static void Settle()
    {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QThread::msleep(5);
        }
    }
};

class DockUtilsTest : public ::testing::Test
{
protected:
    void Write(const QString& section, const QString& key, const QString& value) { Ini.WriteString(section, key, value); }

    QTemporaryDir Dir;
    TIniFile Ini{Dir.filePath("Config.ini")};
};

TEST_F(DockUtilsTest, FirstStartPlacesThePaletteLeftAndThePanelsRightWithTheOtherSitesCollapsed)
{
    TDockWindow w;
    w.Show(Ini);
    EXPECT_EQ(w.Area(w.Objects), Qt::LeftDockWidgetArea);
    EXPECT_EQ(w.Area(w.Entities), Qt::RightDockWidgetArea);
    EXPECT_EQ(w.Area(w.Icons), Qt::RightDockWidgetArea);
    EXPECT_EQ(w.Objects->width(), 65);
    EXPECT_EQ(w.Entities->width(), 200);
    EXPECT_LT(w.Entities->y(), w.Icons->y()) << "the icon panel below the entities";
    // The top and bottom sites take no room: the views run the window's full height.
    EXPECT_EQ(w.Center->y(), 0);
    EXPECT_EQ(w.Center->geometry().bottom(), w.Window.height() - 1);
    EXPECT_GT(w.Center->x(), w.Objects->geometry().right());
    EXPECT_LT(w.Center->geometry().right(), w.Entities->x());
    for (QDockWidget* panel : {w.Objects, w.Entities, w.Icons}) {
        EXPECT_TRUE(panel->isVisible()) << panel->objectName().toStdString();
        EXPECT_TRUE(qobject_cast<TDockGrabber*>(panel->titleBarWidget()));
    }
}

TEST_F(DockUtilsTest, DockedFloatingAndHiddenPanelsComeBackAsTheyWereLeft)
{
    QRect floatPlace;
    {
        TDockWindow w;
        w.Show(Ini);
        w.Window.addDockWidget(Qt::BottomDockWidgetArea, w.Entities);
        TDockWindow::Settle(); // the dropped panel opens its site before the user sizes it
        w.Icons->setFloating(true);
        w.Icons->setGeometry(100, 120, 260, 180);
        w.Icons->hide();
        w.Window.resizeDocks({w.Objects}, {150}, Qt::Horizontal);
        w.Window.resizeDocks({w.Entities}, {170}, Qt::Vertical);
        TDockWindow::Settle();
        floatPlace = w.Icons->geometry();
        w.Manager->SaveLayout(Ini);
    }
    EXPECT_EQ(Ini.ReadSectionValues("PanelIcons"),
              QStringList({"Docked=0", "Parent=-1", QStringLiteral("Height=%1").arg(floatPlace.height()),
                           QStringLiteral("Width=%1").arg(floatPlace.width()), QStringLiteral("Top=%1").arg(floatPlace.y()),
                           QStringLiteral("Left=%1").arg(floatPlace.x()), "Visible=0"}));
    EXPECT_EQ(Ini.ReadString("PanelEntities", "Parent", ""), "3");
    EXPECT_EQ(Ini.ReadString("PanelEntities", "Orientation", ""), "1");
    EXPECT_EQ(Ini.ReadString("Dock Sites", "Left Width", ""), "150");
    EXPECT_EQ(Ini.ReadString("Dock Sites", "Bottom Height", ""), "170");
    const QString data = Ini.ReadString("Dock Sites", "Bottom Data", "");
    EXPECT_EQ(data, data.toUpper());
    EXPECT_EQ(data.size() % 2, 0);

    TDockWindow again;
    again.Show(Ini);
    EXPECT_EQ(again.Area(again.Objects), Qt::LeftDockWidgetArea);
    EXPECT_EQ(again.Objects->width(), 150);
    EXPECT_EQ(again.Area(again.Entities), Qt::BottomDockWidgetArea);
    EXPECT_EQ(again.Entities->height(), 170);
    EXPECT_TRUE(again.Icons->isFloating());
    EXPECT_TRUE(again.Icons->isHidden());
    again.Icons->show();
    TDockWindow::Settle();
    EXPECT_EQ(again.Icons->geometry(), floatPlace);
    // The right site lost its panels: it takes no room.
    EXPECT_EQ(again.Center->geometry().right(), again.Window.width() - 1);
}

TEST_F(DockUtilsTest, AParentPastTheLastSiteDocksIntoTheBottomSite)
{
    for (const char* key : {"Docked=1", "Parent=7", "Width=300", "Height=120", "Visible=1"}) {
        const QStringList kv = QString::fromLatin1(key).split('=');
        Write("PanelEntities", kv[0], kv[1]);
    }
    TDockWindow w;
    w.Show(Ini);
    EXPECT_EQ(w.Area(w.Entities), Qt::BottomDockWidgetArea);
    EXPECT_EQ(w.Area(w.Icons), Qt::RightDockWidgetArea) << "a panel without a section keeps its first-start place";
}

TEST_F(DockUtilsTest, StoredDataThatCannotBeUsedLeavesThePanelsAtTheirFirstStartPlaces)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const struct
    {
        const char* Case;
        QStringList Entities;
        QString RightData;
    } cases[] = {
        {"a parent that is no number", {"Docked=1", "Parent=right"}, ""},
        {"floating off every screen",
         {"Docked=0", QStringLiteral("Left=%1").arg(screen.right() + 5000), "Top=50", "Width=200", "Height=200"}, ""},
        {"an arrangement that does not decode", {}, "01ZZ"},
        {"an arrangement of another version", {}, StringToHex(QByteArray("\x02\x01\x00\xC8\x00\x01\x0DPanelEntities", 18))},
        {"an arrangement cut short", {}, StringToHex(EncodeDockRows({{200, 0, {"PanelIcons"}}, {200, 0, {"PanelEntities"}}}).chopped(3))},
        {"an arrangement naming a missing panel", {}, StringToHex(EncodeDockRows({{100, 0, {"PanelIcons"}}, {100, 0, {"PanelGone"}}, {100, 0, {"PanelEntities"}}}))},
    };
    for (const auto& c : cases) {
        QFile::remove(Ini.FileName());
        for (const QString& kv : c.Entities)
            Write("PanelEntities", kv.section('=', 0, 0), kv.section('=', 1));
        if (!c.RightData.isEmpty())
            Write("Dock Sites", "Right Data", c.RightData);
        TDockWindow w;
        w.Show(Ini);
        EXPECT_EQ(w.Area(w.Entities), Qt::RightDockWidgetArea) << c.Case;
        EXPECT_TRUE(w.Entities->isVisible()) << c.Case;
        EXPECT_LT(w.Entities->y(), w.Icons->y()) << c.Case << ": the stored order was not applied";
        EXPECT_EQ(w.Objects->width(), 65) << c.Case;
    }
    // The same arrangement without the missing panel is applied.
    QFile::remove(Ini.FileName());
    Write("Dock Sites", "Right Data", StringToHex(EncodeDockRows({{100, 0, {"PanelIcons"}}, {100, 0, {"PanelEntities"}}})));
    TDockWindow w;
    w.Show(Ini);
    EXPECT_GT(w.Entities->y(), w.Icons->y());
}

TEST_F(DockUtilsTest, ArrangementsSurviveEncodingAndOnlyTheirOwnBytesDecode)
{
    const QList<TDockRow> rows = {{180, 1, {"PanelEntities", "PanelIcons"}}, {0, 0, {"PanelObjects"}}};
    QList<TDockRow> back;
    ASSERT_TRUE(DecodeDockRows(EncodeDockRows(rows), back));
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].Size, 180);
    EXPECT_EQ(back[0].Current, 1);
    EXPECT_EQ(back[0].Panels, rows[0].Panels);
    EXPECT_EQ(back[1].Panels, rows[1].Panels);
    const QByteArray good = EncodeDockRows(rows);
    for (const QByteArray& bad : {QByteArray(), QByteArray("\x01"), good + "x", good.left(good.size() - 1),
                                  QByteArray("\x01\x01\x00\x10\x00\x00", 6), QByteArray("\x01\x01\x00\x10\x02\x01\x01x", 8)})
        EXPECT_FALSE(DecodeDockRows(bad, back)) << bad.toHex().toStdString();
}

TEST_F(DockUtilsTest, TabbedPanelsKeepTheirGroupAndTheTabOnShow)
{
    {
        TDockWindow w;
        w.Show(Ini);
        w.Window.tabifyDockWidget(w.Entities, w.Icons);
        w.Entities->raise();
        TDockWindow::Settle();
        w.Manager->SaveLayout(Ini);
    }
    TDockWindow again;
    again.Show(Ini);
    EXPECT_EQ(again.Window.tabifiedDockWidgets(again.Entities), QList<QDockWidget*>{again.Icons});
    // The tab not on show is moved out of the window.
    EXPECT_TRUE(again.Window.rect().contains(again.Entities->geometry().center()));
    EXPECT_FALSE(again.Window.rect().contains(again.Icons->geometry().center()));
}

TEST_F(DockUtilsTest, ASiteCollapsesWhenItsLastPanelLeavesAndOpens200Deep)
{
    TDockWindow w;
    w.Show(Ini);
    // The grabber's close cross hides the palette, the left site's only panel: the site takes no room.
    auto* grabber = qobject_cast<TDockGrabber*>(w.Objects->titleBarWidget());
    ASSERT_TRUE(grabber);
    const QPoint cross = grabber->CrossRect().center();
    QMouseEvent press(QEvent::MouseButtonPress, cross, grabber->mapToGlobal(cross), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, cross, grabber->mapToGlobal(cross), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grabber, &press);
    QApplication::sendEvent(grabber, &release);
    TDockWindow::Settle();
    EXPECT_TRUE(w.Objects->isHidden());
    EXPECT_EQ(w.Center->x(), 0);

    // Floating both right panels empties the right site.
    w.Entities->setFloating(true);
    w.Icons->setFloating(true);
    TDockWindow::Settle();
    EXPECT_EQ(w.Center->geometry().right(), w.Window.width() - 1);

    // A floating panel dropped on an empty site opens it 200 pixels deep, whether it floated larger or smaller.
    w.Icons->resize(500, 350);
    TDockWindow::Settle();
    w.Window.addDockWidget(Qt::TopDockWidgetArea, w.Icons);
    w.Icons->setFloating(false);
    TDockWindow::Settle();
    EXPECT_EQ(w.Icons->height(), 200);
    EXPECT_TRUE(w.Icons->features().testFlag(QDockWidget::DockWidgetVerticalTitleBar)) << "the grabber at the left";
    w.Entities->resize(300, 40);
    TDockWindow::Settle();
    w.Window.addDockWidget(Qt::BottomDockWidgetArea, w.Entities);
    w.Entities->setFloating(false);
    TDockWindow::Settle();
    EXPECT_EQ(w.Entities->height(), 200);
    // A panel docked beside another in an open site leaves the site as deep as it is.
    w.Window.resizeDocks({w.Entities}, {150}, Qt::Vertical);
    TDockWindow::Settle();
    w.Window.addDockWidget(Qt::BottomDockWidgetArea, w.Objects);
    w.Objects->show();
    TDockWindow::Settle();
    EXPECT_EQ(w.Entities->height(), 150);
}

TEST_F(DockUtilsTest, APanelShownAgainAfterARestartOpensItsCollapsedSite200Deep)
{
    {
        TDockWindow w;
        w.Show(Ini);
        w.Objects->hide();
        w.Entities->hide();
        w.Icons->hide();
        TDockWindow::Settle();
        w.Manager->SaveLayout(Ini);
    }
    EXPECT_EQ(Ini.ReadString("Dock Sites", "Left Width", ""), "0") << "the empty site is stored collapsed";
    TDockWindow w;
    w.Show(Ini);
    EXPECT_EQ(w.Center->x(), 0);
    // View > Objects: the palette comes back in its own site at a usable size, not at its smallest.
    w.Objects->show();
    TDockWindow::Settle();
    EXPECT_EQ(w.Area(w.Objects), Qt::LeftDockWidgetArea);
    EXPECT_EQ(w.Objects->width(), 200);
    w.Entities->show();
    TDockWindow::Settle();
    EXPECT_EQ(w.Entities->width(), 200);
    // The second panel shown into the now open site takes its room there: the site keeps its depth.
    w.Window.resizeDocks({w.Entities}, {240}, Qt::Horizontal);
    TDockWindow::Settle();
    w.Icons->show();
    TDockWindow::Settle();
    EXPECT_EQ(w.Icons->width(), 240);
    // Hidden and shown again within the run, the only panel of a site opens it 200 deep again.
    w.Window.resizeDocks({w.Objects}, {90}, Qt::Horizontal);
    w.Objects->hide();
    TDockWindow::Settle();
    w.Objects->show();
    TDockWindow::Settle();
    EXPECT_EQ(w.Objects->width(), 200);
}

TEST_F(DockUtilsTest, AFloatingPlaceReachingPastTheScreenIsMovedWholeOntoIt)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* kv : {"Docked=0", "Width=260", "Height=300", "Visible=1"})
        Write("PanelIcons", QString::fromLatin1(kv).section('=', 0, 0), QString::fromLatin1(kv).section('=', 1));
    Write("PanelIcons", "Left", QString::number(screen.right() - 40));
    Write("PanelIcons", "Top", QString::number(screen.top() - 100));
    TDockWindow w;
    w.Show(Ini);
    ASSERT_TRUE(w.Icons->isFloating());
    EXPECT_TRUE(screen.contains(w.Icons->geometry())) << "placed at " << w.Icons->x() << "," << w.Icons->y();
    EXPECT_EQ(w.Icons->size(), QSize(260, 300));
    EXPECT_EQ(w.Icons->geometry().right(), screen.right());
    EXPECT_EQ(w.Icons->y(), screen.top());
}

TEST_F(DockUtilsTest, AFloatingPanelRestoredBeforeTheWindowIsUpWaitsForItAndKeepsItsPlace)
{
    for (const char* kv : {"Docked=0", "Left=300", "Top=150", "Width=240", "Height=280", "Visible=1"})
        Write("PanelEntities", QString::fromLatin1(kv).section('=', 0, 0), QString::fromLatin1(kv).section('=', 1));
    TDockWindow w;
    w.Manager->LoadLayout(Ini);
    TDockWindow::Settle();
    ASSERT_TRUE(w.Entities->isFloating());
    EXPECT_TRUE(w.Entities->isHidden()) << "a window of its own does not go up before the main window";
    // Closed before the window ever came up, the panel is still stored as shown.
    {
        QTemporaryDir other;
        TIniFile saved(other.filePath("Config.ini"));
        w.Manager->SaveLayout(saved);
        EXPECT_EQ(saved.ReadString("PanelEntities", "Visible", ""), "1");
        EXPECT_EQ(saved.ReadString("PanelEntities", "Docked", ""), "0");
    }
    w.Window.show();
    TDockWindow::Settle();
    EXPECT_TRUE(w.Entities->isVisible());
    EXPECT_EQ(w.Entities->geometry(), QRect(300, 150, 240, 280));
}

// ---------------------------------------------------------------------------------------------------
// Floating panels under a window manager: whether a panel stays above the main window is the window
// manager's doing, so these run on an X server of their own with a real window manager, and click
// with the X server's own pointer.

const char* const WindowManagerChild = "CORVALITE_DOCK_WM_CHILD";

void Wait(int Ms)
{
    QEventLoop Loop;
    QTimer::singleShot(Ms, &Loop, &QEventLoop::quit);
    Loop.exec();
}

bool WaitFor(const std::function<bool()>& Done, int Ms)
{
    for (int Waited = 0; Waited < Ms; Waited += 50) {
        if (Done())
            return true;
        Wait(50);
    }
    return Done();
}

QString RunTool(const QString& Program, const QStringList& Arguments, const QProcessEnvironment& Env = QProcessEnvironment::systemEnvironment())
{
    QProcess Tool;
    Tool.setProcessEnvironment(Env);
    Tool.start(Program, Arguments);
    if (!Tool.waitForFinished(10000))
        return QString();
    return QString::fromLocal8Bit(Tool.readAllStandardOutput());
}

// The managed windows as the window manager stacks them, bottom first.
QList<WId> Stacking()
{
    QList<WId> Windows;
    const QString Text = RunTool(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    for (const QString& Id : Text.section('#', 1).split(',', Qt::SkipEmptyParts))
        Windows << Id.trimmed().toULongLong(nullptr, 16);
    return Windows;
}

// A click of the X server's pointer, as the window manager sees a user's; returns the title of the window
// the press reached. It waits for the press to arrive, so the window manager has dealt with the click (it
// passes a press on only after acting on it), however slow the machine.
std::string Click(const QPoint& Global)
{
    struct TPressWatcher : QObject
    {
        QWidget* Reached = nullptr;
        bool eventFilter(QObject* Watched, QEvent* Event) override
        {
            if (Event->type() == QEvent::MouseButtonPress && Event->spontaneous() && Watched->isWidgetType() && !Reached)
                Reached = static_cast<QWidget*>(Watched)->window();
            return false;
        }
    } Watcher;
    qApp->installEventFilter(&Watcher);
    RunTool(QStringLiteral("xdotool"),
            {"mousemove", QString::number(Global.x()), QString::number(Global.y()), "click", "1"});
    WaitFor([&] { return Watcher.Reached != nullptr; }, 5000);
    qApp->removeEventFilter(&Watcher);
    Wait(150);
    return Watcher.Reached ? Watcher.Reached->windowTitle().toStdString() : "nothing";
}

// Empty when Panel is stacked above Window; else what the stack holds. The window manager may take a moment
// to publish its stack on a busy machine; a panel fallen below the window stays there, so waiting hides no fault.
std::string StackedAbove(QWidget* Panel, QWidget* Window)
{
    const auto above = [&] {
        const QList<WId> Windows = Stacking();
        const qsizetype P = Windows.indexOf(Panel->winId());
        const qsizetype W = Windows.indexOf(Window->winId());
        return P >= 0 && W >= 0 && P > W;
    };
    if (WaitFor(above, 3000))
        return {};
    const QList<WId> Windows = Stacking();
    const qsizetype P = Windows.indexOf(Panel->winId());
    const qsizetype W = Windows.indexOf(Window->winId());
    if (P >= 0 && W >= 0 && P > W)
        return {};
    QStringList Ids;
    for (WId Id : Windows)
        Ids << QString::number(Id, 16);
    return QStringLiteral("panel %1, window %2, stack (bottom first) %3")
        .arg(QString::number(Panel->winId(), 16), QString::number(Window->winId(), 16), Ids.join(' '))
        .toStdString();
}

// Runs the test Name of this program on an X server of its own with openbox managing the windows.
void RunUnderWindowManager(const QString& Name)
{
    QStringList Missing;
    for (const char* Tool : {"Xvfb", "openbox", "xdotool", "xprop"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(Tool)).isEmpty())
            Missing << QString::fromLatin1(Tool);
    if (!Missing.isEmpty())
        GTEST_SKIP() << Missing.join(", ").toStdString() << " not found (scripts/setup.sh installs them)";

    // The server picks a free display number itself and writes it on its output: tests that run side by
    // side then never share a server (one finding another's socket would lose it when that one ends).
    QProcess Server;
    Server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    QString Display;
    QByteArray Written;
    for (int Waited = 0; Waited < 30000 && !Written.contains('\n') && Server.state() != QProcess::NotRunning;
         Waited += 50) {
        Server.waitForReadyRead(50);
        Written += Server.readAllStandardOutput();
    }
    if (bool Number = false; Written.trimmed().toInt(&Number) >= 0 && Number)
        Display = QStringLiteral(":%1").arg(Written.trimmed().toInt());
    ASSERT_FALSE(Display.isEmpty()) << "no X server could be started";

    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert("DISPLAY", Display);
    // The socket is there before the server answers; on a busy machine a window manager started then
    // finds no display and ends, so it is started once the server answers and again should it end.
    const auto answers = [&] {
        return RunTool(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"}, Env);
    };
    ASSERT_TRUE(WaitFor([&] { return answers().contains("_NET_SUPPORTING_WM_CHECK"); }, 30000))
        << "the X server on " << Display.toStdString() << " does not answer";
    QProcess Manager;
    Manager.setProcessEnvironment(Env);
    Manager.setProcessChannelMode(QProcess::MergedChannels);
    QString ManagerOutput;
    ASSERT_TRUE(WaitFor([&] {
        if (Manager.state() == QProcess::NotRunning) {
            ManagerOutput += QString::fromLocal8Bit(Manager.readAll());
            Manager.start(QStringLiteral("openbox"), {"--sm-disable"});
            Manager.waitForStarted();
        }
        return answers().contains("window id");
    }, 30000)) << "openbox did not start: " << ManagerOutput.toStdString();

    QProcess Child;
    Env.insert("QT_QPA_PLATFORM", "xcb");
    Env.insert(WindowManagerChild, "1");
    Child.setProcessEnvironment(Env);
    Child.setProcessChannelMode(QProcess::MergedChannels);
    Child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + Name});
    EXPECT_TRUE(Child.waitForFinished(240000));
    const QString Output = QString::fromLocal8Bit(Child.readAll());
    EXPECT_EQ(Child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Child.exitCode(), 0) << Output.toStdString();
    EXPECT_TRUE(Output.contains("[  PASSED  ] 1 test")) << Output.toStdString();
    Manager.terminate();
    Manager.waitForFinished();
    Server.terminate();
    Server.waitForFinished();
}

// The corner of the frame around Window as the X server has it: the window's place less its place in the frame.
QPoint FrameCorner(QWidget* Window)
{
    const QString Info = RunTool(QStringLiteral("xwininfo"), {"-id", QString::number(Window->winId())});
    const auto Value = [&](const char* Key) { return Info.section(Key, 1).section('\n', 0, 0).trimmed().toInt(); };
    return QPoint(Value("Absolute upper-left X:") - Value("Relative upper-left X:"),
                  Value("Absolute upper-left Y:") - Value("Relative upper-left Y:"));
}

void StoreWindowPlace(int Left, int Top, int Width, int Height)
{
    for (const auto& [Key, Value] : {std::pair("Left", Left), {"Top", Top}, {"Width", Width}, {"Height", Height}})
        WriteIniInteger("Form", Key, Value);
}

// Shows Window and answers its frame as the X server has it, once the window manager has framed it.
QRect ShownFrame(TFormMain& Window)
{
    Window.show();
    EXPECT_TRUE(WaitFor([&] { return Window.windowHandle()->isExposed(); }, 15000));
    Wait(500);
    return QRect(FrameCorner(&Window), Window.frameGeometry().size());
}

// Started again and again, the window's frame stands where it was left, at its size; a place that no screen
// shows comes whole onto the screen.
TEST(DockUtilsWindowManagerTest, TheMainWindowStartsWhereItsFrameWasLeft)
{
    if (qEnvironmentVariableIsEmpty(WindowManagerChild)) {
        RunUnderWindowManager("DockUtilsWindowManagerTest.TheMainWindowStartsWhereItsFrameWasLeft");
        return;
    }
    QFile::remove(ConfigIni().FileName());
    StoreWindowPlace(50, 80, 900, 640);
    for (int Start = 1; Start <= 4; ++Start) {
        TFormMain w;
        const QRect Frame = ShownFrame(w);
        EXPECT_GT(w.geometry().y(), Frame.y()) << "a title bar above the window";
        if (Start <= 3)
            EXPECT_EQ(QRect(Frame.topLeft(), w.size()), QRect(50, 80, 900, 640)) << Start << ": " << Frame.x() << "," << Frame.y();
        else
            EXPECT_TRUE(w.screen()->availableGeometry().contains(Frame)) << Frame.x() << "," << Frame.y();
        ASSERT_TRUE(w.close());
        if (Start == 3)
            for (const auto& [Key, Value] : {std::pair("Left", -3000), {"Top", 5000}, {"Height", 5000}})
                WriteIniInteger("Form", Key, Value);
    }
}

// A place stored on a larger screen (one since unplugged) opens cut to the screen's free area, the whole
// frame on it; only a side that is too long is cut, and the corner moves only as far as it must. Started
// again, the window keeps that place as any other.
TEST(DockUtilsWindowManagerTest, AWindowStoredLargerThanTheScreenOpensWholeOnIt)
{
    if (qEnvironmentVariableIsEmpty(WindowManagerChild)) {
        RunUnderWindowManager("DockUtilsWindowManagerTest.AWindowStoredLargerThanTheScreenOpensWholeOnIt");
        return;
    }
    const struct
    {
        int Left, Top, Width, Height;
    } stored[] = {{50, 80, 5000, 3000}, {-100, 300, 2400, 1400}, {0, 0, 1280, 800}, {60, 90, 700, 3000}, {300, 40, 3000, 500}};
    for (const auto& s : stored) {
        SCOPED_TRACE(QStringLiteral("%1,%2 %3x%4").arg(s.Left).arg(s.Top).arg(s.Width).arg(s.Height).toStdString());
        QFile::remove(ConfigIni().FileName());
        StoreWindowPlace(s.Left, s.Top, s.Width, s.Height);
        QRect First;
        for (int Start = 1; Start <= 2; ++Start) {
            TFormMain w;
            const QRect Frame = ShownFrame(w);
            const QRect Area = w.screen()->availableGeometry();
            EXPECT_TRUE(Area.contains(Frame)) << Start << ": " << Frame.x() << "," << Frame.y() << " " << Frame.width() << "x"
                                              << Frame.height();
            if (Start == 1) {
                if (s.Width >= Area.width())
                    EXPECT_EQ(Frame.width(), Area.width());
                else
                    EXPECT_EQ(std::pair(Frame.x(), w.width()), std::pair(s.Left, s.Width));
                if (s.Height >= Area.height())
                    EXPECT_EQ(Frame.height(), Area.height());
                else
                    EXPECT_EQ(std::pair(Frame.y(), w.height()), std::pair(s.Top, s.Height));
                First = Frame;
            } else {
                EXPECT_EQ(Frame, First);
            }
            ASSERT_TRUE(w.close());
        }
    }
}

TEST(DockUtilsWindowManagerTest, AFloatingPanelStaysAboveTheMainWindowAfterARestart)
{
    if (qEnvironmentVariableIsEmpty(WindowManagerChild)) {
        RunUnderWindowManager("DockUtilsWindowManagerTest.AFloatingPanelStaysAboveTheMainWindowAfterARestart");
        return;
    }
    QFile::remove(ConfigIni().FileName());
    const QRect place(900, 250, 260, 300);
    {
        TFormMain w;
        w.show();
        w.showMaximized();
        Wait(1500);
        w.PanelEntities->setFloating(true);
        w.PanelEntities->setGeometry(place);
        Wait(700);
        // Floated during the session, the panel stays above through a click in the design view.
        Click(w.Designer()->mapToGlobal(QPoint(40, 40)));
        EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "");
        ASSERT_TRUE(w.close());
    }
    // Started again: the panel comes back floating over the maximised window.
    TFormMain w;
    w.show();
    ASSERT_TRUE(WaitFor([&] { return w.PanelEntities->isVisible() && Stacking().contains(w.PanelEntities->winId()); }, 15000));
    ASSERT_TRUE(WaitFor([&] { return w.isMaximized(); }, 5000));
    Wait(500);
    ASSERT_TRUE(w.PanelEntities->isFloating());
    // The tab on show of the panel's sheets: a click there changes nothing.
    // On a busy machine the window manager may still be growing the window to the screen: the design
    // view's corner is out from under the panel once it has.
    const auto inPageCorner = [&] { return w.Designer()->mapToGlobal(QPoint(40, 40)); };
    ASSERT_TRUE(WaitFor([&] { return !w.PanelEntities->geometry().contains(inPageCorner()); }, 10000));
    QTabBar* tabs = w.PageControl2->tabBar();
    const QPoint inPanel = tabs->mapToGlobal(tabs->tabRect(tabs->currentIndex()).center());
    const QPoint inPage = inPageCorner();

    Click(inPage);
    EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "") << "after a click in the design view";
    // A click where the panel is reaches the panel, not the page below it.
    EXPECT_EQ(Click(inPanel), "Entities");
    EXPECT_TRUE(w.Entities1->isChecked());

    // Focus into the panel and back into the window.
    Click(inPanel);
    Click(inPage);
    EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "") << "after focus went to the panel and back";

    w.showNormal();
    WaitFor([&] { return !w.isMaximized(); }, 3000);
    Wait(300);
    Click(w.Designer()->mapToGlobal(QPoint(40, 40)));
    EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "") << "after the window was restored from maximised";
    w.showMaximized();
    WaitFor([&] { return w.isMaximized(); }, 3000);
    Wait(300);
    Click(inPage);
    EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "") << "after the window was maximised again";

    w.showMinimized();
    WaitFor([&] { return w.isMinimized(); }, 3000);
    Wait(300);
    w.showMaximized();
    w.activateWindow();
    WaitFor([&] { return !w.isMinimized() && w.PanelEntities->isVisible(); }, 3000);
    Wait(300);
    Click(inPage);
    EXPECT_TRUE(w.PanelEntities->isVisible());
    EXPECT_EQ(StackedAbove(w.PanelEntities, &w), "") << "after the window was minimised and brought back";
    EXPECT_EQ(Click(inPanel), "Entities");
    EXPECT_TRUE(w.close());
}

} // namespace

