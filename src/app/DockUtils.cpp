#include "DockUtils.h"

#include "Exceptions.h"
#include "IniFiles.h"
#include "IniUtils.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace {

const QString DockSitesSection = QStringLiteral("Dock Sites");

// The first byte of a stored arrangement; bytes of another version are not read.
constexpr char DockRowsVersion = 1;

// The depth a collapsed site opens to when a panel is docked or shown into it.
constexpr int OpenedSiteDepth = 200;

struct TSiteDef
{
    Qt::DockWidgetArea Area;
    const char* Prefix;
};
constexpr TSiteDef SiteDefs[] = {{Qt::TopDockWidgetArea, "Top"},
                                 {Qt::LeftDockWidgetArea, "Left"},
                                 {Qt::RightDockWidgetArea, "Right"},
                                 {Qt::BottomDockWidgetArea, "Bottom"}};

// Panels of a site follow one another along it: one above the other on the left and right sites, side
// by side on the top and bottom ones; the site's depth is measured across.
Qt::Orientation AlongSite(Qt::DockWidgetArea Area)
{
    return Area == Qt::LeftDockWidgetArea || Area == Qt::RightDockWidgetArea ? Qt::Vertical : Qt::Horizontal;
}

Qt::Orientation AcrossSite(Qt::DockWidgetArea Area)
{
    return AlongSite(Area) == Qt::Vertical ? Qt::Horizontal : Qt::Vertical;
}

int Extent(const QSize& Size, Qt::Orientation Orientation)
{
    return Orientation == Qt::Horizontal ? Size.width() : Size.height();
}

int Position(const QRect& Rect, Qt::Orientation Orientation)
{
    return Orientation == Qt::Horizontal ? Rect.x() : Rect.y();
}

bool OnSomeScreen(const QRect& Rect)
{
    const QList<QScreen*> Screens = QGuiApplication::screens();
    return std::any_of(Screens.begin(), Screens.end(),
                       [&](QScreen* Screen) { return Screen->geometry().intersects(Rect); });
}

QList<QDockWidget*> VisiblePanels(const TDockSite& Site)
{
    QList<QDockWidget*> Result;
    for (QDockWidget* Panel : DockedPanels(Site))
        if (!Panel->isHidden())
            Result << Panel;
    return Result;
}

// Tabs not on show are moved out of the window by its layout.
bool TabOnShow(const QDockWidget* Panel, const QMainWindow* Window)
{
    return Window->rect().contains(Panel->geometry().center());
}

// A floating panel stays above the main window only when the window manager knows, as it takes the
// panel on, whose window the panel belongs to; a panel put up before the main window is on the screen
// (the layout is restored while the window is being shown) would be managed as a window of its own and
// drop behind the main window at the first click there. Such a panel waits, hidden, until the main
// window has been exposed, which it is only once the window manager has taken it on.
const QString AwaitingWindowName = QStringLiteral("PanelAwaitingWindow");

class TPanelAwaitingWindow : public QObject
{
public:
    TPanelAwaitingWindow(QDockWidget* Panel, QWindow* Window) : QObject(Panel), FPanel(Panel), FWindow(Window)
    {
        setObjectName(AwaitingWindowName);
        Window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched == FWindow && Event->type() == QEvent::Expose && FWindow->isExposed()) {
            FWindow->removeEventFilter(this);
            // Put up after the window's own expose has been handled, not inside it.
            QTimer::singleShot(0, FPanel, [Panel = FPanel] {
                if (QObject* Awaiting = Panel->findChild<QObject*>(AwaitingWindowName, Qt::FindDirectChildrenOnly)) {
                    delete Awaiting;
                    Panel->show();
                }
            });
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    QDockWidget* FPanel;
    QPointer<QWindow> FWindow;
};

bool AwaitsWindow(const QDockWidget* Panel)
{
    return Panel->findChild<QObject*>(AwaitingWindowName, Qt::FindDirectChildrenOnly) != nullptr;
}

// The main window's native window, made now when the window has none yet, so a panel can wait for it;
// null for a panel outside any window.
QWindow* MainWindowHandle(QDockWidget* Panel)
{
    QWidget* Parent = Panel->parentWidget();
    if (!Parent)
        return nullptr;
    QWidget* Window = Parent->window();
    Window->winId();
    return Window->windowHandle();
}

void SetVerticalGrabber(QDockWidget* Panel, bool Vertical)
{
    const QDockWidget::DockWidgetFeatures Features = Panel->features();
    const bool Now = Features.testFlag(QDockWidget::DockWidgetVerticalTitleBar);
    if (Now != Vertical)
        Panel->setFeatures(Features ^ QDockWidget::DockWidgetVerticalTitleBar);
}

} // namespace

QRect OntoScreen(const QRect& Rect)
{
    QRect Best;
    int BestArea = -1;
    for (QScreen* Screen : QGuiApplication::screens()) {
        const QRect Shown = Screen->geometry().intersected(Rect);
        const int Area = Shown.isEmpty() ? 0 : Shown.width() * Shown.height();
        if (Area > BestArea) {
            BestArea = Area;
            Best = Screen->availableGeometry();
        }
    }
    if (Best.isEmpty())
        return Rect;
    QRect Place(Rect.topLeft(), Rect.size().boundedTo(Best.size()));
    Place.moveLeft(std::clamp(Place.left(), Best.left(), Best.right() + 1 - Place.width()));
    Place.moveTop(std::clamp(Place.top(), Best.top(), Best.bottom() + 1 - Place.height()));
    return Place;
}

QList<TDockSite> DockSitesOf(QMainWindow* Window)
{
    QList<TDockSite> Sites;
    for (int Tag = 0; Tag < 4; ++Tag)
        Sites << TDockSite{Window, SiteDefs[Tag].Area, Tag, QString::fromLatin1(SiteDefs[Tag].Prefix)};
    return Sites;
}

int DockSiteTag(Qt::DockWidgetArea Area)
{
    for (int Tag = 0; Tag < 4; ++Tag)
        if (SiteDefs[Tag].Area == Area)
            return Tag;
    return -1;
}

QList<QDockWidget*> DockedPanels(const TDockSite& Site)
{
    QList<QDockWidget*> Result;
    if (!Site.Window)
        return Result;
    for (QDockWidget* Panel : Site.Window->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
        if (!Panel->isFloating() && Site.Window->dockWidgetArea(Panel) == Site.Area)
            Result << Panel;
    return Result;
}

// ---------------------------------------------------------------------------------------------------
// A panel's placement

void SaveDockState(TIniFile& Ini, QDockWidget* Panel, const QString& Section)
{
    const bool Floating = Panel->isFloating();
    Ini.WriteBool(Section, QStringLiteral("Docked"), !Floating);
    try {
        auto* Window = qobject_cast<QMainWindow*>(Panel->parentWidget());
        const Qt::DockWidgetArea Area = Window && !Floating ? Window->dockWidgetArea(Panel) : Qt::NoDockWidgetArea;
        const int Parent = DockSiteTag(Area);
        Ini.WriteInteger(Section, QStringLiteral("Parent"), Parent);
        // A floating panel is its own window: its place is the window's place on the screen.
        const QRect Bounds = Panel->geometry();
        Ini.WriteInteger(Section, QStringLiteral("Height"), Bounds.height());
        Ini.WriteInteger(Section, QStringLiteral("Width"), Bounds.width());
        Ini.WriteInteger(Section, QStringLiteral("Top"), Bounds.y());
        Ini.WriteInteger(Section, QStringLiteral("Left"), Bounds.x());
        Ini.WriteBool(Section, QStringLiteral("Visible"), !Panel->isHidden() || AwaitsWindow(Panel));
        if (Parent >= 0) {
            // Kept for readers of the file; the arrangement inside the site comes from the site's data.
            Ini.WriteInteger(Section, QStringLiteral("Orientation"), AlongSite(Area) == Qt::Horizontal ? 1 : 2);
            const int Align = Area == Qt::TopDockWidgetArea      ? 1
                              : Area == Qt::BottomDockWidgetArea ? 2
                              : Area == Qt::LeftDockWidgetArea   ? 3
                                                                 : 4;
            Ini.WriteInteger(Section, QStringLiteral("Align"), Align);
        }
    } catch (const Exception&) {
    }
}

bool LoadDockState(TIniFile& Ini, QDockWidget* Panel, const QString& Section, const QList<TDockSite>& Sites,
                   bool Dock)
{
    if (!Ini.SectionExists(Section))
        return false;
    const int Top = Ini.ReadInteger(Section, QStringLiteral("Top"), 200);
    const int Left = Ini.ReadInteger(Section, QStringLiteral("Left"), 200);
    const int Height = Ini.ReadInteger(Section, QStringLiteral("Height"), 200);
    const int Width = Ini.ReadInteger(Section, QStringLiteral("Width"), 200);
    int Parent = Ini.ReadInteger(Section, QStringLiteral("Parent"), -1);
    const bool Visible = Ini.ReadBool(Section, QStringLiteral("Visible"), true);
    if (Parent > int(Sites.size()) - 1)
        Parent = int(Sites.size()) - 1;
    const bool Docked = Ini.ReadBool(Section, QStringLiteral("Docked"), true);
    // A place restored again replaces one still waiting for the window.
    delete Panel->findChild<QObject*>(AwaitingWindowName, Qt::FindDirectChildrenOnly);
    if (!Docked) {
        const QRect Stored(Left, Top, std::max(1, Width), std::max(1, Height));
        // A place on a screen that is no longer there would put the panel where nobody can reach it.
        if (!OnSomeScreen(Stored))
            return false;
        QWindow* Window = MainWindowHandle(Panel);
        const bool Await = Visible && Window && !Window->isExposed();
        // Hidden first, floating does not put the panel up either.
        if (Await)
            Panel->hide();
        Panel->setMinimumWidth(0);
        Panel->setMaximumHeight(QWIDGETSIZE_MAX);
        Panel->setFloating(true);
        Panel->setGeometry(OntoScreen(Stored));
        if (Await) {
            if (!AwaitsWindow(Panel))
                new TPanelAwaitingWindow(Panel, Window);
            return true;
        }
    } else if (Parent >= 0) {
        const TDockSite& Site = Sites[Parent];
        if (Dock && Site.Window) {
            if (Panel->isFloating() || Site.Window->dockWidgetArea(Panel) != Site.Area) {
                const bool Hidden = Panel->isHidden();
                Site.Window->addDockWidget(Site.Area, Panel, AlongSite(Site.Area));
                Panel->setHidden(Hidden);
            }
            Panel->setFloating(false);
        }
        Panel->resize(std::max(1, Width), std::max(1, Height));
    }
    Panel->setVisible(Visible);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// A site's arrangement

QByteArray EncodeDockRows(const QList<TDockRow>& Rows)
{
    QByteArray Bytes;
    Bytes.append(DockRowsVersion);
    Bytes.append(char(std::min<qsizetype>(Rows.size(), 255)));
    for (qsizetype R = 0; R < Rows.size() && R < 255; ++R) {
        const TDockRow& Row = Rows[R];
        const int Size = std::clamp(Row.Size, 0, 0xFFFF);
        Bytes.append(char(Size >> 8));
        Bytes.append(char(Size & 0xFF));
        Bytes.append(char(std::clamp(Row.Current, 0, 255)));
        const qsizetype Count = std::min<qsizetype>(Row.Panels.size(), 255);
        Bytes.append(char(Count));
        for (qsizetype P = 0; P < Count; ++P) {
            const QByteArray Name = Row.Panels[P].toUtf8().left(255);
            Bytes.append(char(Name.size()));
            Bytes.append(Name);
        }
    }
    return Bytes;
}

bool DecodeDockRows(const QByteArray& Bytes, QList<TDockRow>& Rows)
{
    Rows.clear();
    qsizetype At = 0;
    auto Next = [&](int& Value) {
        if (At >= Bytes.size())
            return false;
        Value = static_cast<unsigned char>(Bytes[At++]);
        return true;
    };
    int Version = 0;
    int Count = 0;
    if (!Next(Version) || Version != DockRowsVersion || !Next(Count))
        return false;
    QList<TDockRow> Read;
    for (int R = 0; R < Count; ++R) {
        int High = 0, Low = 0, Current = 0, Panels = 0;
        if (!Next(High) || !Next(Low) || !Next(Current) || !Next(Panels) || Panels == 0 || Current >= Panels)
            return false;
        TDockRow Row;
        Row.Size = High * 256 + Low;
        Row.Current = Current;
        for (int P = 0; P < Panels; ++P) {
            int Length = 0;
            if (!Next(Length) || Length == 0 || At + Length > Bytes.size())
                return false;
            Row.Panels << QString::fromUtf8(Bytes.mid(At, Length));
            At += Length;
        }
        Read << Row;
    }
    if (At != Bytes.size())
        return false;
    Rows = Read;
    return true;
}

void SaveDockSite(TIniFile& Ini, const TDockSite& Site, const QString& Section, const QString& Prefix)
{
    const Qt::Orientation Along = AlongSite(Site.Area);
    const QList<QDockWidget*> Shown = VisiblePanels(Site);
    struct TPlaced
    {
        TDockRow Row;
        int Position;
    };
    QList<TPlaced> Placed;
    QList<QDockWidget*> Taken;
    for (QDockWidget* Panel : Shown) {
        if (Taken.contains(Panel))
            continue;
        // Panels stacked as tabs share one row; the one on show is the row's current tab.
        QList<QDockWidget*> Members{Panel};
        for (QDockWidget* Mate : Site.Window->tabifiedDockWidgets(Panel))
            if (Shown.contains(Mate) && !Members.contains(Mate))
                Members << Mate;
        TPlaced Entry;
        for (int I = 0; I < Members.size(); ++I) {
            Entry.Row.Panels << Members[I]->objectName();
            if (TabOnShow(Members[I], Site.Window))
                Entry.Row.Current = I;
            Taken << Members[I];
        }
        const QDockWidget* OnShow = Members[Entry.Row.Current];
        Entry.Row.Size = Extent(OnShow->size(), Along);
        Entry.Position = Position(OnShow->geometry(), Along);
        Placed << Entry;
    }
    std::stable_sort(Placed.begin(), Placed.end(),
                     [](const TPlaced& A, const TPlaced& B) { return A.Position < B.Position; });
    QList<TDockRow> Rows;
    QRect Area;
    for (const TPlaced& Entry : Placed)
        Rows << Entry.Row;
    for (QDockWidget* Panel : Shown)
        Area |= Panel->geometry();
    // Hidden panels keep their site: they come back at its end.
    for (QDockWidget* Panel : DockedPanels(Site))
        if (Panel->isHidden())
            Rows << TDockRow{0, 0, {Panel->objectName()}};
    Ini.WriteString(Section, Prefix + QStringLiteral(" Data"), Rows.isEmpty() ? QString() : StringToHex(EncodeDockRows(Rows)));
    Ini.WriteInteger(Section, Prefix + QStringLiteral(" Width"), Area.width());
    Ini.WriteInteger(Section, Prefix + QStringLiteral(" Height"), Area.height());
}

void LoadDockSite(TIniFile& Ini, const TDockSite& Site, const QString& Section, const QString& Prefix)
{
    const QString Text = Ini.ReadString(Section, Prefix + QStringLiteral(" Data"), QString());
    const Qt::Orientation Along = AlongSite(Site.Area);
    QList<TDockRow> Rows;
    if (!Text.isEmpty() && DecodeDockRows(HexToString(Text), Rows)) {
        const QList<QDockWidget*> InSite = DockedPanels(Site);
        QList<QList<QDockWidget*>> Arranged;
        bool Usable = true;
        QList<QDockWidget*> Named;
        for (const TDockRow& Row : Rows) {
            QList<QDockWidget*> Members;
            for (const QString& Name : Row.Panels) {
                QDockWidget* Panel = Site.Window->findChild<QDockWidget*>(Name, Qt::FindDirectChildrenOnly);
                // A panel that is gone, or that its own section has placed elsewhere, makes the stored
                // arrangement one of another layout: it is not applied.
                if (!Panel || !InSite.contains(Panel) || Named.contains(Panel))
                    Usable = false;
                Members << Panel;
                Named << Panel;
            }
            Arranged << Members;
        }
        if (Usable) {
            QList<bool> Hidden;
            QList<QDockWidget*> Order = Named;
            for (QDockWidget* Panel : InSite)
                if (!Order.contains(Panel))
                    Order << Panel;
            for (QDockWidget* Panel : Order)
                Hidden << Panel->isHidden();
            for (QDockWidget* Panel : Order)
                Site.Window->removeDockWidget(Panel);
            for (const QList<QDockWidget*>& Members : Arranged) {
                Site.Window->addDockWidget(Site.Area, Members[0], Along);
                for (int I = 1; I < Members.size(); ++I)
                    Site.Window->tabifyDockWidget(Members[0], Members[I]);
            }
            for (QDockWidget* Panel : Order)
                if (!Named.contains(Panel))
                    Site.Window->addDockWidget(Site.Area, Panel, Along);
            for (int I = 0; I < Order.size(); ++I)
                Order[I]->setHidden(Hidden[I]);
            QList<QDockWidget*> Sized;
            QList<int> Sizes;
            for (int R = 0; R < Rows.size(); ++R) {
                QDockWidget* OnShow = Arranged[R][Rows[R].Current];
                if (Arranged[R].size() > 1 && !OnShow->isHidden())
                    OnShow->raise();
                if (Rows[R].Size > 0 && !OnShow->isHidden()) {
                    Sized << OnShow;
                    Sizes << Rows[R].Size;
                }
            }
            if (!Sized.isEmpty())
                Site.Window->resizeDocks(Sized, Sizes, Along);
        }
    }
    const int Width = Ini.ReadInteger(Section, Prefix + QStringLiteral(" Width"), 200);
    const int Height = Ini.ReadInteger(Section, Prefix + QStringLiteral(" Height"), 200);
    const QList<QDockWidget*> Shown = VisiblePanels(Site);
    const int Depth = Extent(QSize(Width, Height), AcrossSite(Site.Area));
    if (!Shown.isEmpty() && Depth > 0)
        Site.Window->resizeDocks(Shown, QList<int>(Shown.size(), Depth), AcrossSite(Site.Area));
}

// ---------------------------------------------------------------------------------------------------
// The grabber

namespace {

constexpr int GrabberBand = 12;

// A raised line pair from (X1, Y1) to (X2, Y2), as a tool bar's grip.
void PaintBar(QPainter& Canvas, int X1, int Y1, int X2, int Y2, const QPalette& Palette)
{
    Canvas.setPen(Palette.color(QPalette::Light));
    Canvas.drawLine(X2, Y1, X1, Y1);
    Canvas.drawLine(X1, Y1, X1, Y2);
    Canvas.setPen(Palette.color(QPalette::Dark));
    Canvas.drawLine(X1, Y2, X2, Y2);
    Canvas.drawLine(X2, Y2, X2, Y1 - 1);
}

void PaintCross(QPainter& Canvas, const QPoint& At)
{
    Canvas.setPen(Qt::black);
    Canvas.drawLine(At.x() + 3, At.y() + 3, At.x() + 8, At.y() + 8);
    Canvas.drawLine(At.x() + 3, At.y() + 7, At.x() + 8, At.y() + 2);
}

} // namespace

TDockGrabber::TDockGrabber(QDockWidget* Panel) : QWidget(Panel), FPanel(Panel)
{
    connect(Panel, &QDockWidget::topLevelChanged, this, [this] {
        updateGeometry();
        update();
    });
    connect(Panel, &QDockWidget::featuresChanged, this, [this] {
        updateGeometry();
        update();
    });
}

bool TDockGrabber::Vertical() const
{
    return !FPanel->isFloating() && FPanel->features().testFlag(QDockWidget::DockWidgetVerticalTitleBar);
}

QSize TDockGrabber::sizeHint() const
{
    // A floating panel is a window of its own: its band is tall enough for its caption.
    if (FPanel->isFloating()) {
        const int Height = std::max(GrabberBand, fontMetrics().height() + 4);
        return QSize(Height, Height);
    }
    return QSize(GrabberBand, GrabberBand);
}

QPoint TDockGrabber::CrossOrigin(const QRect& R, bool Vertical)
{
    // R's right and bottom are exclusive edges, as the band's own coordinates give them.
    if (Vertical)
        return QPoint(R.left() + 1, R.top() + 1);
    return QPoint(R.left() + R.width() - 11, R.top() + 1);
}

void TDockGrabber::PaintGrabber(QPainter& Canvas, const QRect& R, bool Vertical)
{
    const QPalette Palette = QGuiApplication::palette();
    const int Right = R.left() + R.width();
    const int Bottom = R.top() + R.height();
    if (Vertical) {
        PaintBar(Canvas, R.left() + 3, R.top() + 13, R.left() + 5, Bottom - 2, Palette);
        PaintBar(Canvas, R.left() + 6, R.top() + 13, R.left() + 8, Bottom - 2, Palette);
    } else {
        PaintBar(Canvas, R.left() + 2, R.top() + 3, Right - 13, R.top() + 5, Palette);
        PaintBar(Canvas, R.left() + 2, R.top() + 6, Right - 13, R.top() + 8, Palette);
    }
    PaintCross(Canvas, CrossOrigin(R, Vertical));
}

QRect TDockGrabber::CrossRect() const
{
    const bool Floating = FPanel->isFloating();
    QRect Band = rect();
    if (Floating)
        Band.setTop((height() - GrabberBand) / 2);
    const QPoint At = CrossOrigin(Band, Vertical());
    return QRect(At.x() + 1, At.y() + 1, 10, 10);
}

void TDockGrabber::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    Canvas.fillRect(rect(), palette().color(QPalette::Button));
    if (!FPanel->isFloating()) {
        PaintGrabber(Canvas, rect(), Vertical());
        return;
    }
    Canvas.setPen(palette().color(QPalette::ButtonText));
    Canvas.drawText(rect().adjusted(4, 0, -14, 0), Qt::AlignLeft | Qt::AlignVCenter, FPanel->windowTitle());
    PaintCross(Canvas, CrossRect().topLeft() - QPoint(1, 1));
}

void TDockGrabber::mousePressEvent(QMouseEvent* Event)
{
    FCrossPressed = Event->button() == Qt::LeftButton && CrossRect().contains(Event->position().toPoint());
    if (FCrossPressed) {
        Event->accept();
        return;
    }
    // The rest of the band belongs to the panel: dragging it moves, docks and floats the panel.
    Event->ignore();
}

void TDockGrabber::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FCrossPressed) {
        Event->ignore();
        return;
    }
    FCrossPressed = false;
    Event->accept();
    if (CrossRect().contains(Event->position().toPoint()))
        FPanel->hide();
}

// ---------------------------------------------------------------------------------------------------
// The window's sites

TFineDockManager::TFineDockManager(QMainWindow* Window) : QObject(Window), FWindow(Window), FSites(DockSitesOf(Window))
{
    // The top and bottom sites lie between the left and right ones, which run the window's full height.
    Window->setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    Window->setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    Window->setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
    Window->setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
}

void TFineDockManager::RegisterPanel(QDockWidget* Panel, Qt::DockWidgetArea Area, int Depth)
{
    Panel->setAllowedAreas(Qt::AllDockWidgetAreas);
    Panel->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                       QDockWidget::DockWidgetFloatable);
    Panel->setTitleBarWidget(new TDockGrabber(Panel));
    Panel->installEventFilter(this);
    connect(Panel, &QDockWidget::dockLocationChanged, this, [this, Panel](Qt::DockWidgetArea Where) {
        SetVerticalGrabber(Panel, Where == Qt::TopDockWidgetArea || Where == Qt::BottomDockWidgetArea);
        // Only a panel the user moves opens a site; the start-up places size the sites themselves.
        if (FRestoring || !FLoaded)
            return;
        // The layout settles after this signal; the site is sized once it has.
        QTimer::singleShot(0, this, [this, Panel = QPointer<QDockWidget>(Panel), Where] {
            if (Panel)
                UpdateDockSite(Panel, Where);
        });
    });
    const TRegistered Entry{Panel, Area, Depth};
    FPanels << Entry;
    FWindow->addDockWidget(Area, Panel, AlongSite(Area));
    SetVerticalGrabber(Panel, Area == Qt::TopDockWidgetArea || Area == Qt::BottomDockWidgetArea);
    if (FWindow->isVisible())
        PlaceFirstStart(Entry);
}

QList<QDockWidget*> TFineDockManager::Panels() const
{
    QList<QDockWidget*> Result;
    for (const TRegistered& Entry : FPanels)
        if (Entry.Panel)
            Result << Entry.Panel;
    return Result;
}

void TFineDockManager::PlaceFirstStart(const TRegistered& Entry)
{
    QDockWidget* Panel = Entry.Panel;
    if (!Panel)
        return;
    if (Panel->isFloating() || FWindow->dockWidgetArea(Panel) != Entry.Area) {
        Panel->setFloating(false);
        FWindow->addDockWidget(Entry.Area, Panel, AlongSite(Entry.Area));
    }
    Panel->show();
    if (!FRestoring)
        FWindow->resizeDocks({Panel}, {Entry.Depth}, AcrossSite(Entry.Area));
}

void TFineDockManager::LoadLayout(TIniFile& Ini)
{
    // The sites are sized inside a laid-out window: a window being shown lays itself out first.
    if (FWindow->layout())
        FWindow->layout()->activate();
    FRestoring = true;
    QList<const TRegistered*> FirstStart;
    for (const TRegistered& Entry : FPanels) {
        if (!Entry.Panel)
            continue;
        if (!LoadDockState(Ini, Entry.Panel, Entry.Panel->objectName(), FSites, true)) {
            PlaceFirstStart(Entry);
            FirstStart << &Entry;
        }
    }
    // Every site takes its stored arrangement and depth (200 when none is stored); a panel at its
    // first-start place then takes its own depth.
    try {
        for (const TDockSite& Site : FSites)
            LoadDockSite(Ini, Site, DockSitesSection, Site.Prefix);
    } catch (const Exception&) {
    }
    for (const TRegistered* Entry : FirstStart)
        FWindow->resizeDocks({Entry->Panel.data()}, {Entry->Depth}, AcrossSite(Entry->Area));
    FRestoring = false;
    FLoaded = true;
    // The panels take their places at once, not only when the window is next laid out.
    if (FWindow->layout())
        FWindow->layout()->setGeometry(FWindow->rect());
}

void TFineDockManager::SaveLayout(TIniFile& Ini)
{
    try {
        for (const TRegistered& Entry : FPanels)
            if (Entry.Panel)
                SaveDockState(Ini, Entry.Panel, Entry.Panel->objectName());
        for (const TDockSite& Site : FSites)
            SaveDockSite(Ini, Site, DockSitesSection, Site.Prefix);
    } catch (const Exception&) {
        // Settings are a convenience: an unwritable file must not keep the window from closing.
    }
}

void TFineDockManager::UpdateDockSite(QDockWidget* Panel, Qt::DockWidgetArea Area)
{
    if (Panel->isFloating() || Panel->isHidden() || FWindow->dockWidgetArea(Panel) != Area)
        return;
    const int Tag = DockSiteTag(Area);
    if (Tag < 0 || VisiblePanels(FSites[Tag]) != QList<QDockWidget*>{Panel})
        return;
    // The site was collapsed: whatever size the panel last had there (a site stored empty keeps none),
    // it opens at a size its panels can be used at.
    FWindow->resizeDocks({Panel}, {OpenedSiteDepth}, AcrossSite(Area));
}

bool TFineDockManager::eventFilter(QObject* Watched, QEvent* Event)
{
    // Sent only when the panel itself is shown (View menu), not when the window around it is.
    if (Event->type() == QEvent::ShowToParent && FLoaded && !FRestoring) {
        auto* Panel = static_cast<QDockWidget*>(Watched);
        QTimer::singleShot(0, this, [this, Panel = QPointer<QDockWidget>(Panel)] {
            if (Panel && !Panel->isFloating())
                UpdateDockSite(Panel, FWindow->dockWidgetArea(Panel));
        });
    }
    return QObject::eventFilter(Watched, Event);
}
