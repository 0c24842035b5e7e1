#include "EntityViewer.h"

#include "EntityData.h"
#include "HtmlEntities.h"
#include "HtmlInplace.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

QImage EntityMap()
{
    QImage Sheet(EntityMapColumns * EntityGlyphSize, EntityMapRows * EntityGlyphSize, QImage::Format_RGB888);
    Sheet.fill(Qt::white);
    QPainter Canvas(&Sheet);
    QFont Font(QStringLiteral("DejaVu Sans"));
    Font.setPixelSize(13);
    Canvas.setFont(Font);
    Canvas.setPen(Qt::black);
    int Glyph = 0;
    for (int Group = 0; Group < EntityGroupCount; ++Group) {
        for (const TEntityEntry& Entry : EntityGroup(Group)) {
            const char32_t Code = EntityToChar(QString::fromLatin1(Entry.Entity));
            const QRect Cell((Glyph % EntityMapColumns) * EntityGlyphSize, (Glyph / EntityMapColumns) * EntityGlyphSize,
                             EntityGlyphSize, EntityGlyphSize);
            Canvas.drawText(Cell, Qt::AlignCenter, QString::fromUcs4(&Code, 1));
            ++Glyph;
        }
    }
    return Sheet;
}

int EntityTileWidth(const QFont& Font)
{
    const QFontMetrics Metrics(Font);
    int Widest = 0;
    for (int Group = 0; Group < EntityGroupCount; ++Group)
        for (const TEntityEntry& Entry : EntityGroup(Group))
            Widest = std::max(Widest, Metrics.horizontalAdvance(QString::fromLatin1(Entry.Entity)));
    // Two pixels clear of each side of the tile's one-pixel border.
    return std::max(48, Widest + 6);
}

TEntityView::TEntityView(QWidget* Parent) : TWindowControl(Parent), FGlyphs(EntityMap())
{
    TWindowControl::SetColor(0xFFFFFF);
    viewport()->setMouseTracking(true);
    // A press takes the focus in its own handler, before it reports; the focus the window system gives on
    // a click would come again with a double-click's second press and take the keyboard back from the
    // page the entity went into.
    setFocusPolicy(Qt::TabFocus);
    UpdateScrollRange();
}

void TEntityView::Clear()
{
    FItems.clear();
    FHintIndex = -1;
    QToolTip::hideText();
    FItemIndex = -1;
    SetScrollX(0);
    SetScrollY(0);
    if (!Updating()) {
        UpdateScrollRange();
        viewport()->update();
    }
}

int TEntityView::AddItem(const QString& Entity, const QString& Hint, int Glyph)
{
    TEntityItem Item;
    Item.GlyphX = (Glyph % EntityMapColumns) * EntityGlyphSize;
    Item.GlyphY = (Glyph / EntityMapColumns) * EntityGlyphSize;
    Item.Entity = Entity;
    Item.Hint = Hint;
    FItems.append(Item);
    if (!Updating()) {
        UpdateScrollRange();
        viewport()->update();
    }
    return int(FItems.size()) - 1;
}

void TEntityView::SetCaptionColor(std::uint32_t Value)
{
    if (Value == FCaptionColor)
        return;
    FCaptionColor = Value;
    viewport()->update();
}

void TEntityView::SetItemIndex(int Value)
{
    if (Value == FItemIndex)
        return;
    FItemIndex = Value;
    viewport()->update();
}

void TEntityView::SetItemWidth(int Value)
{
    // A tile narrower than one pixel would make the column count divide by zero.
    Value = std::max(1, Value);
    if (Value == FItemWidth)
        return;
    FItemWidth = Value;
    UpdateScrollRange();
    viewport()->update();
}

void TEntityView::SetItemHeight(int Value)
{
    Value = std::max(1, Value);
    if (Value == FItemHeight)
        return;
    FItemHeight = Value;
    UpdateScrollRange();
    viewport()->update();
}

void TEntityView::UpdateScrollRange()
{
    FColumns = std::max(1, ClientWidth() / FItemWidth);
    FRows = int(FItems.size()) / FColumns + (int(FItems.size()) % FColumns ? 1 : 0);
    FCaptionHeight = QFontMetrics(font()).height() + 4;
    FGlyphAreaHeight = FItemHeight - FCaptionHeight;
    FGlyphOffsetX = (FItemWidth - EntityGlyphSize) / 2 + 1;
    FGlyphOffsetY = (FGlyphAreaHeight - EntityGlyphSize) / 2 + 1;
    SetContentSize(FColumns * FItemWidth, FRows * FItemHeight);
    TWindowControl::UpdateScrollRange();
}

QRect TEntityView::ItemRect(int Index) const
{
    const int Column = Index % FColumns;
    const int Row = Index / FColumns;
    return QRect(QPoint(Column * FItemWidth - 1 - ScrollX(), Row * FItemHeight - 1 - ScrollY()),
                 QPoint((Column + 1) * FItemWidth - 1 - ScrollX(), (Row + 1) * FItemHeight - 1 - ScrollY()));
}

int TEntityView::ItemAt(int X, int Y) const
{
    const int x = ScrollX() + X;
    const int y = ScrollY() + Y;
    // The pixel row just below the grid still belongs to the last row's frame.
    if (x < 0 || y < 0 || x >= ContentWidth() || y > ContentHeight())
        return -1;
    const int Index = (y / FItemHeight) * FColumns + x / FItemWidth;
    return Index < int(FItems.size()) ? Index : -1;
}

void TEntityView::PaintItem(QPainter& Canvas, int Index)
{
    const TEntityItem& Item = FItems[Index];
    const QRect Tile = ItemRect(Index);
    Canvas.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    Canvas.setBrush(ToQColor(Color()));
    Canvas.drawRect(Tile);
    const QRect Caption(QPoint(Tile.left(), Tile.bottom() - FCaptionHeight), Tile.bottomRight());
    Canvas.setBrush(ToQColor(FCaptionColor));
    Canvas.drawRect(Caption);
    Canvas.drawImage(QPoint(Tile.left() + FGlyphOffsetX, Tile.top() + FGlyphOffsetY), FGlyphs,
                     QRect(Item.GlyphX, Item.GlyphY, EntityGlyphSize, EntityGlyphSize));
    const QFontMetrics Metrics(font());
    Canvas.save();
    Canvas.setClipRect(Caption);
    Canvas.setPen(palette().color(QPalette::WindowText));
    Canvas.setFont(font());
    Canvas.drawText(Tile.left() + (FItemWidth - Metrics.horizontalAdvance(Item.Entity)) / 2,
                    Caption.top() + 2 + Metrics.ascent(), Item.Entity);
    Canvas.restore();
}

void TEntityView::PaintContents(QPainter& Canvas)
{
    const QRect Client(0, 0, ClientWidth(), ClientHeight());
    const QColor Back = ToQColor(Color());
    for (int i = 0; i < int(FItems.size()); ++i)
        if (ItemRect(i).intersects(Client))
            PaintItem(Canvas, i);
    // Empty cells of an incomplete last row, then whatever lies right of and below the grid.
    for (int i = int(FItems.size()); i < FRows * FColumns; ++i)
        Canvas.fillRect(ItemRect(i).adjusted(1, 1, 0, 0), Back);
    const int GridRight = ContentWidth() - ScrollX();
    const int GridBottom = ContentHeight() - ScrollY();
    if (GridRight < Client.width())
        Canvas.fillRect(QRect(GridRight, 0, Client.width() - GridRight, Client.height()), Back);
    if (GridBottom < Client.height())
        Canvas.fillRect(QRect(0, GridBottom, Client.width(), Client.height() - GridBottom), Back);
    if (FItemIndex >= 0 && FItemIndex < int(FItems.size())) {
        Canvas.setPen(QPen(ToQColor(255), 2));
        Canvas.setBrush(Qt::NoBrush);
        Canvas.drawRect(ItemRect(FItemIndex).adjusted(1, 1, 0, 0));
    }
}

void TEntityView::ScrollInView()
{
    if (FItemIndex < 0 || FItemIndex >= int(FItems.size()))
        return;
    const int Top = (FItemIndex / FColumns) * FItemHeight - ScrollY();
    const int Bottom = Top + FItemHeight;
    if (Top >= 0 && Bottom <= ClientHeight())
        return;
    if (Top >= 0)
        SetScrollY(ScrollY() + Bottom - ClientHeight());
    else
        SetScrollY(ScrollY() + Top);
    UpdateScrollRange();
    viewport()->update();
}

void TEntityView::Select(int Index)
{
    SetItemIndex(Index);
    ScrollInView();
}

void TEntityView::mousePressEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    const int Index = ItemAt(Pos.x(), Pos.y());
    // The focus first: whoever takes the reported item may hand the keyboard on (to the page it went into).
    setFocus(Qt::MouseFocusReason);
    FPressPending = true;
    FPressIndex = Index;
    FPressReported = false;
    if (Index >= 0) {
        if (Index != FItemIndex) {
            Select(Index);
        } else if (OnSelect) {
            FPressReported = true;
            OnSelect(this, FItems[Index].Entity);
        }
    }
    Event->accept();
}

void TEntityView::mouseDoubleClickEvent(QMouseEvent* Event)
{
    // A double-click reports its item once. Its first press selected the item (a new one) or already
    // reported it (the selected one); the second press may land on a neighbouring tile, since the two
    // presses only need to be near each other, and is still the same double-click of the first tile.
    // Without that first press (the window system sent none) it selects and reports the item itself.
    const bool FollowsPress = FPressPending && FPressIndex >= 0;
    const int Index = FollowsPress ? FPressIndex : ItemAt(int(Event->position().x()), int(Event->position().y()));
    const bool Reported = FollowsPress && FPressReported;
    FPressPending = false;
    Event->accept();
    if (Index < 0 || Index >= int(FItems.size()) || Reported)
        return;
    if (!FollowsPress)
        setFocus(Qt::MouseFocusReason);
    if (Index != FItemIndex)
        Select(Index);
    if (OnSelect)
        OnSelect(this, FItems[Index].Entity);
}

void TEntityView::leaveEvent(QEvent* Event)
{
    // A double-click that starts outside the control brings no press of its own.
    FPressPending = false;
    TWindowControl::leaveEvent(Event);
}

void TEntityView::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    const int Index = ItemAt(Pos.x(), Pos.y());
    if (Index == FHintIndex)
        return;
    FHintIndex = Index;
    QToolTip::hideText();
    QString Hint = CurrentHint();
    Hint.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setToolTip(Hint);
    if (!Hint.isEmpty())
        QToolTip::showText(Event->globalPosition().toPoint(), Hint, viewport());
}

void TEntityView::keyPressEvent(QKeyEvent* Event)
{
    const int Last = int(FItems.size()) - 1;
    if (Last < 0) {
        TWindowControl::keyPressEvent(Event);
        return;
    }
    const bool None = FItemIndex < 0 || FItemIndex > Last;
    const bool Ctrl = Event->modifiers() & Qt::ControlModifier;
    const int RowStart = None ? 0 : FItemIndex - FItemIndex % FColumns;
    int Index;
    switch (Event->key()) {
    case Qt::Key_Left:
        Index = None ? 0 : std::max(0, FItemIndex - 1);
        break;
    case Qt::Key_Up:
        Index = None ? 0 : std::max(0, FItemIndex - FColumns);
        break;
    case Qt::Key_Right:
        Index = None ? 0 : std::min(Last, FItemIndex + 1);
        break;
    case Qt::Key_Down:
        Index = None ? 0 : std::min(Last, FItemIndex + FColumns);
        break;
    case Qt::Key_Home:
        Index = Ctrl || None ? 0 : RowStart;
        break;
    case Qt::Key_End:
        Index = None ? 0 : Ctrl ? Last : std::min(Last, RowStart + FColumns - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // With nothing selected there is nothing to report.
        if (!None && OnSelect)
            OnSelect(this, FItems[FItemIndex].Entity);
        Event->accept();
        return;
    default:
        TWindowControl::keyPressEvent(Event);
        return;
    }
    Select(Index);
    Event->accept();
}

bool TEntityView::event(QEvent* Event)
{
    // The arrows move through the grid instead of the window's focus chain.
    if (Event->type() == QEvent::ShortcutOverride) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        switch (Key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            Event->accept();
            return true;
        default:
            break;
        }
    }
    return TWindowControl::event(Event);
}
