#pragma once
// The entity panel: a scrolling grid of tiles, each showing a character's glyph over a caption strip with
// its entity reference. Clicking the selected tile again, Enter or Space reports the reference.
#include "WindowControl.h"

#include <QImage>
#include <QString>
#include <QVector>
#include <functional>

// Side of one glyph in the glyph sheet, and the sheet's grid of 20 columns by 11 rows.
inline constexpr int EntityGlyphSize = 18;
inline constexpr int EntityMapColumns = 20;
inline constexpr int EntityMapRows = 11;

// The glyph sheet "ENTITYMAP": every entity's character drawn in its 18 by 18 cell, in the order of the
// groups, on white.
QImage EntityMap();

// The tile width at which the longest entity text of every group shows whole in Font (48 at least).
int EntityTileWidth(const QFont& Font);

struct TEntityItem
{
    int GlyphX = 0;
    int GlyphY = 0;
    QString Entity;
    QString Hint;
};

class TEntityView : public TWindowControl
{
    Q_OBJECT
public:
    explicit TEntityView(QWidget* Parent = nullptr);

    void Clear();
    int AddItem(const QString& Entity, const QString& Hint, int Glyph);
    int Count() const { return int(FItems.size()); }
    const TEntityItem& Item(int Index) const { return FItems[Index]; }

    std::uint32_t CaptionColor() const { return FCaptionColor; }
    void SetCaptionColor(std::uint32_t Value);
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int ItemWidth() const { return FItemWidth; }
    void SetItemWidth(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

    int Columns() const { return FColumns; }
    int Rows() const { return FRows; }
    int CaptionHeight() const { return FCaptionHeight; }

    // The item under a point of the client area, -1 for none.
    int ItemAt(int X, int Y) const;
    // The tile of an item in client coordinates; neighbouring tiles share their one-pixel borders.
    QRect ItemRect(int Index) const;
    void ScrollInView();
    // The hint shown for the item under the pointer (empty for none).
    QString CurrentHint() const { return FHintIndex >= 0 ? FItems[FHintIndex].Hint : QString(); }

    void UpdateScrollRange() override;

    std::function<void(TEntityView* Sender, const QString& Entity)> OnSelect;

protected:
    void PaintContents(QPainter& Canvas) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    bool event(QEvent* Event) override;

private:
    void PaintItem(QPainter& Canvas, int Index);
    void Select(int Index);

    QVector<TEntityItem> FItems;
    int FColumns = 1;
    int FRows = 0;
    int FItemWidth = 48;
    int FItemHeight = 64;
    int FCaptionHeight = 17;
    int FGlyphAreaHeight = 47;
    int FGlyphOffsetX = 16;
    int FGlyphOffsetY = 15;
    std::uint32_t FCaptionColor = 16772313;
    int FItemIndex = -1;
    QImage FGlyphs;
    int FHintIndex = -1;
    // The press a double-click follows (a widget gets press, release, double-click): the item it hit
    // and whether it reported that item, so that the double-click reports the item exactly once.
    bool FPressPending = false;
    int FPressIndex = -1;
    bool FPressReported = false;
};
