#pragma once
// The screen colour picker behind the colour popup's "Pick" button: a snapshot of the screen, taken
// while the program's windows are out of the way, shown full-screen; a magnifier box follows the pointer
// and a click takes the colour of the pixel under it.
#include <QDialog>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

class TFormPick : public QDialog
{
    Q_OBJECT
public:
    TFormPick();

    // The screen as it was grabbed; the form shows it at its own size.
    void SetSnapshot(const QImage& Snapshot);
    const QImage& Snapshot() const { return FSnapshot; }
    // Shows the snapshot modally; true with Color (0x00BBGGRR) when a pixel was clicked, false when the
    // form was closed by other means (Escape).
    bool Execute(std::uint32_t& Color);

    bool Picked() const { return FPicked; }
    std::uint32_t PickedColor() const { return FPickedColor; }
    // -1 before the pointer moved, else 0 bottom-right, 1 top-right, 2 bottom-left, 3 top-left, 4 centre.
    int MagnifierPlace() const { return FPlace; }
    QRect MagnifierRect() const { return FPlace < 0 ? QRect() : MagnifierBox(FPlace, size()); }

    // The 106 by 106 box of a place in a client area of that size.
    static QRect MagnifierBox(int Place, const QSize& Client);
    // Where the box goes when the pointer is at Pointer: it stays unless it is not placed yet or covers
    // the pointer; then the next place (0 to 3, round) that does not cover it, at most three tries, else
    // the centre.
    static int NextMagnifierPlace(int Place, const QPoint& Pointer, const QSize& Client);
    // The 26 by 26 pixels of the snapshot centred on Pointer (white beyond its edges) with a cross-hair
    // of inverted pixels along row and column 13.
    QImage MagnifierSource(const QPoint& Pointer) const;
    // The colour of the snapshot under a point of the form, 0x00BBGGRR.
    std::uint32_t ColorAt(const QPoint& Point) const;

protected:
    void showEvent(QShowEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    QImage FSnapshot;
    bool FPicked = false;
    std::uint32_t FPickedColor = 0;
    int FPlace = -1;
    QPoint FPointer;
};

// Takes the screen under the pointer with the program's windows minimised; false with Reason when the
// platform gives no picture of its screen (offscreen, Wayland without a portal).
bool GrabScreen(QImage& Snapshot, QString& Reason);

// The grab PickColor uses; a platform or a test may put its own in place (an empty one restores
// GrabScreen). Returns the grabber that was in place.
using TScreenGrabber = std::function<bool(QImage& Snapshot, QString& Reason)>;
TScreenGrabber SetScreenGrabber(TScreenGrabber Grabber);

// Runs the picker: true with the clicked pixel's colour; false, after telling the user why, when the
// screen cannot be read, and false without a word when the picker is closed without a click.
bool PickColor(std::uint32_t& Color);
