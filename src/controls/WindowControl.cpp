#include "WindowControl.h"

#include "HtmlInplace.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

TWindowControl::TWindowControl(QWidget* Parent)
    : QAbstractScrollArea(Parent), FColor(clWindowColor)
{
    resize(200, 200);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    horizontalScrollBar()->setSingleStep(FLineStep);
    verticalScrollBar()->setSingleStep(FLineStep);
    horizontalScrollBar()->setPageStep(FPageStep);
    verticalScrollBar()->setPageStep(FPageStep);
    // The bars only show while there is something to scroll.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int Value) {
        if (!FSyncing)
            SetScrollX(Value);
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int Value) {
        if (!FSyncing)
            SetScrollY(Value);
    });
}

int TWindowControl::ClientWidth() const
{
    return viewport()->width();
}

int TWindowControl::ClientHeight() const
{
    return viewport()->height();
}

void TWindowControl::BeginUpdate()
{
    FUpdating = true;
}

void TWindowControl::EndUpdate()
{
    FUpdating = false;
    UpdateScrollRange();
    viewport()->update();
}

void TWindowControl::SetColor(std::uint32_t Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    viewport()->update();
}

void TWindowControl::SetShowScrollBars(bool Value)
{
    if (Value == FShowScrollBars)
        return;
    FShowScrollBars = Value;
    UpdateScrollRange();
    viewport()->update();
}

void TWindowControl::SetScrollX(int Value)
{
    Value = std::clamp(Value, 0, FMaxScrollX);
    if (Value == FScrollX)
        return;
    FScrollX = Value;
    SyncBars();
    viewport()->update();
}

void TWindowControl::SetScrollY(int Value)
{
    Value = std::clamp(Value, 0, FMaxScrollY);
    if (Value == FScrollY)
        return;
    FScrollY = Value;
    SyncBars();
    viewport()->update();
}

void TWindowControl::SetContentSize(int Width, int Height)
{
    FContentWidth = Width;
    FContentHeight = Height;
}

void TWindowControl::UpdateScrollRange()
{
    FMaxScrollX = std::max(0, FContentWidth - ClientWidth());
    FMaxScrollY = std::max(0, FContentHeight - ClientHeight());
    FScrollX = std::min(FScrollX, FMaxScrollX);
    FScrollY = std::min(FScrollY, FMaxScrollY);
    SyncBars();
}

void TWindowControl::SyncBars()
{
    FSyncing = true;
    horizontalScrollBar()->setRange(0, FMaxScrollX);
    verticalScrollBar()->setRange(0, FMaxScrollY);
    horizontalScrollBar()->setValue(FScrollX);
    verticalScrollBar()->setValue(FScrollY);
    setHorizontalScrollBarPolicy(FShowScrollBars && FMaxScrollX >= 1 ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(FShowScrollBars && FMaxScrollY >= 1 ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAlwaysOff);
    FSyncing = false;
}

void TWindowControl::PaintContents(QPainter&)
{
}

void TWindowControl::paintEvent(QPaintEvent*)
{
    if (FUpdating)
        return;
    QPainter Canvas(viewport());
    PaintContents(Canvas);
}

void TWindowControl::resizeEvent(QResizeEvent* Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollRange();
}

void TWindowControl::wheelEvent(QWheelEvent* Event)
{
    SetScrollY(FScrollY - Event->angleDelta().y());
    Event->accept();
}
