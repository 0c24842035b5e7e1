#pragma once
// The dock layout of the main window: four dock sites around the views (the window's four dock areas)
// and the panels that the user drags between them or floats as windows of their own. A panel's placement
// is kept in its own section of Config.ini, each site's arrangement and size in the section "Dock Sites";
// what was stored is only applied when it still makes sense, otherwise the panel keeps its first-start
// place.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class QDockWidget;
class QMainWindow;
class QPainter;
class TIniFile;

// One dock site: an area of the main window. Tag is its number in the stored "Parent" values (0 top,
// 1 left, 2 right, 3 bottom); Prefix names its keys in "Dock Sites".
struct TDockSite
{
    QMainWindow* Window = nullptr;
    Qt::DockWidgetArea Area = Qt::NoDockWidgetArea;
    int Tag = -1;
    QString Prefix;
};

// The four sites of a window in Tag order.
QList<TDockSite> DockSitesOf(QMainWindow* Window);
// The Tag of an area, -1 for none.
int DockSiteTag(Qt::DockWidgetArea Area);
// The panels docked (not floating) in a site, shown or hidden, in the window's child order.
QList<QDockWidget*> DockedPanels(const TDockSite& Site);

// A place that reaches past its screen's edge (a screen since made smaller, a window dragged half off)
// moved whole onto the available area of the screen that shows most of it, no larger than that area; a
// place that no screen shows goes onto the first screen.
QRect OntoScreen(const QRect& Rect);

// A panel's placement: "Docked", "Parent", "Height", "Width", "Top", "Left", "Visible" and, docked,
// "Orientation" and "Align". A failure after "Docked" is dropped with the keys written so far.
void SaveDockState(TIniFile& Ini, QDockWidget* Panel, const QString& Section);
// False when the section does not exist or what it holds cannot be used (a floating place off every
// screen); the caller then leaves the panel where it stands. Otherwise the panel floats at its stored
// place (moved whole onto the screen that shows most of it), or docks into Sites[Parent] when Dock is set (a Parent past the last site is the last site),
// and takes its stored visibility; a visible floating panel restored while its main window is not yet on
// the screen goes up once the window is, so the window manager keeps it above that window.
bool LoadDockState(TIniFile& Ini, QDockWidget* Panel, const QString& Section, const QList<TDockSite>& Sites,
                   bool Dock);
// A site's arrangement (prefix + " Data": our own versioned bytes, two upper-case hexadecimal digits
// each) and its size (prefix + " Width", prefix + " Height").
void SaveDockSite(TIniFile& Ini, const TDockSite& Site, const QString& Section, const QString& Prefix);
// Arranges the site's docked panels as stored (an arrangement that does not parse or names a panel that
// is not docked there is ignored) and gives the site its stored depth (200 by default).
void LoadDockSite(TIniFile& Ini, const TDockSite& Site, const QString& Section, const QString& Prefix);

// The arrangement of a site: its rows of panels along the site (a row of several panels is a tab
// group), each with its extent along the site.
struct TDockRow
{
    int Size = 0;
    int Current = 0;
    QStringList Panels;
};
QByteArray EncodeDockRows(const QList<TDockRow>& Rows);
// False for bytes that are not an arrangement of this version.
bool DecodeDockRows(const QByteArray& Bytes, QList<TDockRow>& Rows);

// The grabber of a docked panel: a 12-pixel band before its client with two raised bars and a close
// cross, vertical at the client's left on the top and bottom sites, above it elsewhere; a floating panel
// shows its caption in the band. A press on the cross hides the panel; the rest of the band drags it.
class TDockGrabber : public QWidget
{
    Q_OBJECT
public:
    explicit TDockGrabber(QDockWidget* Panel);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Where the close cross is drawn: its top-left corner of the band R.
    static QPoint CrossOrigin(const QRect& R, bool Vertical);
    // The band of a docked panel as the dock tree draws it.
    static void PaintGrabber(QPainter& Canvas, const QRect& R, bool Vertical);
    QRect CrossRect() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    bool Vertical() const;
    QDockWidget* FPanel;
    bool FCrossPressed = false;
};

// The window's dock sites and the panels registered with it by name (the panel's object name, which is
// also its section in Config.ini).
class TFineDockManager : public QObject
{
    Q_OBJECT
public:
    explicit TFineDockManager(QMainWindow* Window);

    // Docks Panel at its first-start place: Area, Depth pixels deep. One call per panel, before the
    // window is first shown.
    void RegisterPanel(QDockWidget* Panel, Qt::DockWidgetArea Area, int Depth);
    QList<QDockWidget*> Panels() const;
    const QList<TDockSite>& Sites() const { return FSites; }

    // Start-up: the panels' stored places, then the sites' arrangements; whatever is not stored or
    // cannot be used keeps the first-start place. Close: the panels, then the sites; an unwritable
    // settings file loses the layout but stops nothing.
    void LoadLayout(TIniFile& Ini);
    void SaveLayout(TIniFile& Ini);

    // A collapsed site that a panel is docked or shown into opens 200 pixels deep.
    void UpdateDockSite(QDockWidget* Panel, Qt::DockWidgetArea Area);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TRegistered
    {
        QPointer<QDockWidget> Panel;
        Qt::DockWidgetArea Area;
        int Depth;
    };
    void PlaceFirstStart(const TRegistered& Entry);

    QMainWindow* FWindow;
    QList<TDockSite> FSites;
    QList<TRegistered> FPanels;
    bool FRestoring = false;
    bool FLoaded = false;
};
