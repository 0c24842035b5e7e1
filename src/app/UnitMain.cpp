// The main window's start-up and shutdown: building the window, restoring its place, writing it back.
#include "UnitMain.h"

#include "DockUtils.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlNodes.h"
#include "IconPacks.h"
#include "IniUtils.h"
#include "SpellCheckers.h"
#include "UnitButtonWiz.h"
#include "UnitMainTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Bounds of the window before any are stored.
constexpr int DefaultWidth = 900;
constexpr int DefaultHeight = 640;

// Whether a window of that place is no larger than the available area of the screen it opens on (the one
// that shows the most of it).
bool FitsItsScreen(const QRect& place)
{
    return OntoScreen(place).size() == place.size();
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(SProductName);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        IgnoreException(receiver);
    }
    return false;
}

void TApplication::IgnoreException(QObject*)
{
    // Deliberately nothing: no message, no change of state.
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    FApplicationTitle = SProductName;
    setWindowTitle(SProductName);
    resize(DefaultWidth, DefaultHeight);

    CreateMenus();
    CreateViews();
    DockManager = new TFineDockManager(this);

    // Status bar: 0 modified state, 1 selected tag, 2 file name.
    const char* const initial[3] = {"Modified", "BODY", "Filename"};
    for (int i = 0; i < 3; ++i) {
        FStatusPanels[i] = new QLabel(QString::fromLatin1(initial[i]), this);
        FStatusPanels[i]->setMinimumWidth(i == 2 ? 200 : 80);
        if (i == 2)
            statusBar()->addWidget(FStatusPanels[i], 1);
        else
            statusBar()->addWidget(FStatusPanels[i]);
    }

    OpenDialog1.DefaultExt = QStringLiteral("html");
    OpenDialog1.Filter = QStringLiteral("HTML Files (*.htm, *.html)|*.htm;*.html|PHP Files (*.php)|*.php|"
                                        "ASP Files (*.asp)|*.asp|All Files (*.*)|*.*");
    SaveDialog1.DefaultExt = QStringLiteral("html");
    SaveDialog1.Filter = QStringLiteral("HTML Files (*.htm, *.html)|*.html;*.htm|PHP Files (*.php)|*.php|"
                                        "ASP Files (*.asp)|*.asp|All Files (*.*)|*.*");

    FFileManager = new TFileManager(this);
    FFileManager->OnNew = [this](TFileManager*) { return FileManagerNew(); };
    FFileManager->OnOpen = [this](TFileManager*, const QString& name) { return FileManagerOpen(name); };
    FFileManager->OnSave = [this](TFileManager*, const QString& name) { return FileManagerSave(name); };
    FFileManager->OnModified = [this](TFileManager*) { FileManagerModified(); };
    FFileManager->OnChangeFile = [this](TFileManager*) { FileManagerChangeFile(); };
    FFileManager->OpenDialog = &OpenDialog1;
    FFileManager->SaveDialog = &SaveDialog1;
    FFileManager->New();

    // The engine would take the undo keys for its own one-step undo; in the design view they run the
    // Edit menu's Undo and Redo, which take back and repeat whole groups.
    qApp->installEventFilter(this);

    CreateEntityPanel();

    FormButtonWizard = new TFormButtonWizard(this);
    ButtonGenerators1->setEnabled(true);
    connect(ButtonGenerators1, &QAction::triggered, this, &TFormMain::ButtonGenerators1Click);

    CreateObjectsPanel();
    CreateSpellChecker();
    CreateIconPanel();
}

TFormMain::~TFormMain()
{
    // The file manager's events reach into the views: it goes first.
    delete FFileManager;
    FFileManager = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void TFormMain::setVisible(bool visible)
{
    // The stored place goes to the window before the window is made: the window manager then takes it as
    // the corner of the frame, title bar included, where it was read from at close. Given once the window
    // exists but is not yet framed, it would be taken as the client area's corner, and every start would
    // put the window one title bar higher.
    if (visible && !FShown)
        RestoreBounds();
    QMainWindow::setVisible(visible);
}

void TFormMain::showEvent(QShowEvent* event)
{
    if (!FShown) {
        FShown = true;
        FormShow();
    }
    QMainWindow::showEvent(event);
}

void TFormMain::RestoreBounds()
{
    const QString form = QStringLiteral("Form");
    // Only the stored values are applied; without a stored place the window manager places the window.
    // Left and Top are the frame's corner; Width and Height the client area's size.
    int left = x(), top = y(), width = this->width(), height = this->height();
    bool placed = false;
    if (IniValueExists(form, QStringLiteral("Left"))) {
        left = ReadIniInteger(form, QStringLiteral("Left"), 100);
        placed = true;
    }
    if (IniValueExists(form, QStringLiteral("Top"))) {
        top = ReadIniInteger(form, QStringLiteral("Top"), 100);
        placed = true;
    }
    if (IniValueExists(form, QStringLiteral("Width")))
        width = ReadIniInteger(form, QStringLiteral("Width"), 600);
    if (IniValueExists(form, QStringLiteral("Height")))
        height = ReadIniInteger(form, QStringLiteral("Height"), 400);
    QRect place(left, top, width, height);
    // The frame's own size is known only once the window is framed; until then the client area's stands
    // for it. A window whose title bar no screen shows cannot be taken and moved again, and one larger than
    // the screen it opens on (a size stored on a screen since unplugged) has its buttons and edges out of
    // reach: either comes whole onto the screen, cut to it.
    if (placed) {
        const QRect titleEdge(left, top, std::max(1, width), 1);
        const QList<QScreen*> screens = QGuiApplication::screens();
        FPlaceMoved = std::none_of(screens.begin(), screens.end(),
                                   [&](QScreen* screen) { return screen->geometry().intersects(titleEdge); });
    }
    FPlaceMoved = FPlaceMoved || !FitsItsScreen(place);
    if (FPlaceMoved)
        place = OntoScreen(place);
    if (placed || FPlaceMoved) {
        move(place.topLeft());
        FPlace = place.topLeft();
    }
    resize(place.size());
    setWindowState(ReadIniBool(form, QStringLiteral("Maximized"), false) ? Qt::WindowMaximized : Qt::WindowNoState);
}

void TFormMain::KeepPlace()
{
    // A window manager that placed the frame elsewhere than asked, or a window made before its place was
    // given, is set right here, now that the frame's size is known.
    const std::optional<QPoint> place = std::exchange(FPlace, std::nullopt);
    if (!place || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QRect frame = frameGeometry();
    QRect wanted(*place, frame.size());
    // The client area fitted; with the frame around it the window may not.
    if (FPlaceMoved || !FitsItsScreen(wanted))
        wanted = OntoScreen(wanted);
    if (wanted == frame)
        return;
    resize(size() - (frame.size() - wanted.size()));
    move(wanted.topLeft());
}

void TFormMain::FormShow()
{
    const QString toolbar = QStringLiteral("Toolbar");
    if (IniSectionExists(toolbar)) {
        // Tool bars line up in rows: the stored places give their order, rows by Top, then by Left.
        struct TPlace
        {
            QToolBar* Bar;
            int Left, Top;
        };
        std::vector<TPlace> places = {
            {ToolStandard, ReadIniInteger(toolbar, QStringLiteral("Standard Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Standard Top"), 0)},
            {ToolBlock, ReadIniInteger(toolbar, QStringLiteral("Block Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Block Top"), 0)},
            {ToolFormatting, ReadIniInteger(toolbar, QStringLiteral("Format Left"), 0),
             ReadIniInteger(toolbar, QStringLiteral("Format Top"), 0)},
        };
        std::stable_sort(places.begin(), places.end(), [](const TPlace& a, const TPlace& b) {
            return a.Top != b.Top ? a.Top < b.Top : a.Left < b.Left;
        });
        for (size_t i = 0; i < places.size(); ++i) {
            const bool visible = places[i].Bar->isVisible() || !places[i].Bar->actions().isEmpty();
            removeToolBar(places[i].Bar);
            if (i > 0 && places[i].Top != places[i - 1].Top)
                addToolBarBreak();
            addToolBar(places[i].Bar);
            places[i].Bar->setVisible(visible);
        }
    }

    FFileManager->LoadMRU(ConfigIni(), QStringLiteral("Recents"));
    DockManager->LoadLayout(ConfigIni());
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TFormMain::FormClose()
{
    if (!FFileManager->CloseQuery())
        return false;

    const QString form = QStringLiteral("Form");
    const bool maximized = isMaximized();
    WriteIniBool(form, QStringLiteral("Maximized"), maximized);
    if (!maximized) {
        WriteIniInteger(form, QStringLiteral("Left"), x());
        WriteIniInteger(form, QStringLiteral("Top"), y());
        WriteIniInteger(form, QStringLiteral("Width"), width());
        WriteIniInteger(form, QStringLiteral("Height"), height());
    }

    DockManager->SaveLayout(ConfigIni());

    // Places of the tool bars inside the tool bar area (below the menu).
    const int areaTop = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
    const QString toolbar = QStringLiteral("Toolbar");
    auto writePlace = [&](QToolBar* bar, const QString& prefix) {
        WriteIniInteger(toolbar, prefix + QStringLiteral(" Left"), bar->isVisible() ? bar->x() : 0);
        WriteIniInteger(toolbar, prefix + QStringLiteral(" Top"), bar->isVisible() ? std::max(0, bar->y() - areaTop) : 0);
    };
    writePlace(ToolStandard, QStringLiteral("Standard"));
    writePlace(ToolBlock, QStringLiteral("Block"));
    writePlace(ToolFormatting, QStringLiteral("Format"));

    // An unwritable settings file loses the recent list but must not keep the window from closing.
    try {
        FFileManager->SaveMRU(ConfigIni(), QStringLiteral("Recents"));
    } catch (const Exception&) {
    }
    return true;
}
