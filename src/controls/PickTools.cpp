#include "PickTools.h"

#include "Dialogs.h"

#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <QPointer>

namespace {

constexpr int BoxSide = 106;
constexpr int SourceSide = 26;
constexpr int Zoom = 4;

// The picker's cursor: a cross-hair with an open centre, so the pixel aimed at stays in sight.
QCursor PickCursor()
{
    QPixmap Picture(32, 32);
    Picture.fill(Qt::transparent);
    QPainter Canvas(&Picture);
    for (const QColor& Pen : {QColor(Qt::white), QColor(Qt::black)}) {
        const int Wide = Pen == QColor(Qt::white) ? 3 : 1;
        Canvas.setPen(QPen(Pen, Wide));
        Canvas.drawLine(16, 2, 16, 12);
        Canvas.drawLine(16, 20, 16, 30);
        Canvas.drawLine(2, 16, 12, 16);
        Canvas.drawLine(20, 16, 30, 16);
        Canvas.drawEllipse(QPoint(16, 16), 6, 6);
    }
    Canvas.end();
    return QCursor(Picture, 16, 16);
}

std::uint32_t ToColorValue(QRgb Pixel)
{
    return std::uint32_t(qRed(Pixel)) | (std::uint32_t(qGreen(Pixel)) << 8) | (std::uint32_t(qBlue(Pixel)) << 16);
}

} // namespace

TFormPick::TFormPick() : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setModal(true);
    setMouseTracking(true);
    setCursor(PickCursor());
}

void TFormPick::SetSnapshot(const QImage& Snapshot)
{
    FSnapshot = Snapshot.convertToFormat(QImage::Format_RGB32);
    update();
}

bool TFormPick::Execute(std::uint32_t& Color)
{
    exec();
    if (FPicked)
        Color = FPickedColor;
    return FPicked;
}

QRect TFormPick::MagnifierBox(int Place, const QSize& Client)
{
    const int W = Client.width();
    const int H = Client.height();
    switch (Place) {
    case 0: return QRect(W - 111, H - 111, BoxSide, BoxSide);
    case 1: return QRect(W - 111, 5, BoxSide, BoxSide);
    case 2: return QRect(5, H - 111, BoxSide, BoxSide);
    case 3: return QRect(5, 5, BoxSide, BoxSide);
    default: return QRect((W - BoxSide) / 2, (H - BoxSide) / 2, BoxSide, BoxSide);
    }
}

int TFormPick::NextMagnifierPlace(int Place, const QPoint& Pointer, const QSize& Client)
{
    if (Place >= 0 && !MagnifierBox(Place, Client).contains(Pointer))
        return Place;
    int Try = Place;
    for (int I = 0; I < 3; ++I) {
        Try = Try + 1 > 3 ? 0 : Try + 1;
        if (!MagnifierBox(Try, Client).contains(Pointer))
            return Try;
    }
    return 4;
}

QImage TFormPick::MagnifierSource(const QPoint& Pointer) const
{
    QImage Source(SourceSide, SourceSide, QImage::Format_RGB32);
    Source.fill(Qt::white);
    const QPoint Origin = Pointer - QPoint(SourceSide / 2, SourceSide / 2);
    for (int Y = 0; Y < SourceSide; ++Y)
        for (int X = 0; X < SourceSide; ++X) {
            const QPoint At = Origin + QPoint(X, Y);
            if (FSnapshot.valid(At))
                Source.setPixel(X, Y, FSnapshot.pixel(At));
        }
    // The cross-hair: every pixel of row and column 13 turned into its complement.
    for (int I = 0; I < SourceSide; ++I) {
        Source.setPixel(I, 13, Source.pixel(I, 13) ^ 0x00FFFFFF);
        if (I != 13)
            Source.setPixel(13, I, Source.pixel(13, I) ^ 0x00FFFFFF);
    }
    return Source;
}

std::uint32_t TFormPick::ColorAt(const QPoint& Point) const
{
    return FSnapshot.valid(Point) ? ToColorValue(FSnapshot.pixel(Point)) : 0;
}

void TFormPick::showEvent(QShowEvent* Event)
{
    FPicked = false;
    FPlace = -1;
    QDialog::showEvent(Event);
}

void TFormPick::paintEvent(QPaintEvent*)
{
    QPainter Canvas(this);
    Canvas.drawImage(0, 0, FSnapshot);
    if (FPlace < 0)
        return;
    const QRect Box = MagnifierRect();
    Canvas.setPen(Qt::black);
    Canvas.setBrush(Qt::white);
    Canvas.drawRect(Box.adjusted(0, 0, -1, -1));
    Canvas.drawImage(QRect(Box.topLeft() + QPoint(1, 1), QSize(SourceSide * Zoom, SourceSide * Zoom)),
                     MagnifierSource(FPointer));
}

void TFormPick::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint Pointer = Event->position().toPoint();
    const int Place = NextMagnifierPlace(FPlace, Pointer, size());
    if (Place != FPlace && FPlace >= 0)
        update(MagnifierRect());
    FPlace = Place;
    FPointer = Pointer;
    update(MagnifierRect());
}

void TFormPick::mouseReleaseEvent(QMouseEvent* Event)
{
    FPicked = true;
    FPickedColor = ColorAt(Event->position().toPoint());
    accept();
}

bool GrabScreen(QImage& Snapshot, QString& Reason)
{
    QScreen* Screen = QGuiApplication::screenAt(QCursor::pos());
    if (!Screen)
        Screen = QGuiApplication::primaryScreen();
    // The program's own windows are minimised while the screen is taken, so their colours are not
    // picked by mistake; popups and the like are hidden already.
    struct TMinimised
    {
        QWindow* Window;
        Qt::WindowStates State;
    };
    QList<TMinimised> Minimised;
    for (QWindow* Window : QGuiApplication::topLevelWindows())
        if (Window->isVisible() && Window->type() != Qt::Popup && Window->type() != Qt::ToolTip) {
            Minimised << TMinimised{Window, Window->windowStates()};
            Window->setWindowStates(Window->windowStates() | Qt::WindowMinimized);
        }
    QElapsedTimer Wait;
    Wait.start();
    while (!Minimised.isEmpty() && Wait.elapsed() < 100) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(10);
    }
    const QPixmap Picture = Screen ? Screen->grabWindow(0) : QPixmap();
    for (const TMinimised& Entry : Minimised)
        Entry.Window->setWindowStates(Entry.State);
    if (Picture.isNull() || Picture.width() == 0) {
        Reason = QGuiApplication::platformName();
        return false;
    }
    Snapshot = Picture.toImage();
    return true;
}

namespace {

TScreenGrabber& ScreenGrabber()
{
    static TScreenGrabber Grabber;
    return Grabber;
}

} // namespace

TScreenGrabber SetScreenGrabber(TScreenGrabber Grabber)
{
    TScreenGrabber Previous = std::move(ScreenGrabber());
    ScreenGrabber() = std::move(Grabber);
    return Previous;
}

bool PickColor(std::uint32_t& Color)
{
    QImage Snapshot;
    QString Platform;
    const bool Grabbed = ScreenGrabber() ? ScreenGrabber()(Snapshot, Platform) : GrabScreen(Snapshot, Platform);
    if (!Grabbed) {
        MessageDlg(QStringLiteral("The screen cannot be read on this display (%1), so no colour can be picked "
                                  "from it.")
                       .arg(Platform),
                   TMsgDlgType::mtError, mbOK);
        return false;
    }
    // Created on first use and kept, as the picker is usually wanted again.
    static QPointer<TFormPick> Form;
    if (!Form)
        Form = new TFormPick;
    QScreen* Screen = QGuiApplication::screenAt(QCursor::pos());
    if (!Screen)
        Screen = QGuiApplication::primaryScreen();
    Form->SetSnapshot(Snapshot.scaled(Screen->geometry().size()));
    Form->setGeometry(Screen->geometry());
    Form->setWindowState(Qt::WindowFullScreen);
    const bool Picked = Form->Execute(Color);
    // The snapshot is as large as the screen: it is not kept until the next pick.
    Form->SetSnapshot(QImage());
    return Picked;
}
