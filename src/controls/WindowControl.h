#pragma once
// A scrolling panel that paints its whole content itself and keeps its own pixel offsets into that
// content; descendants set the content size and draw in content coordinates shifted by the offsets.
#include <QAbstractScrollArea>
#include <cstdint>

class QPainter;

class TWindowControl : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TWindowControl(QWidget* Parent = nullptr);

    // Painting does nothing while an update is open; EndUpdate recomputes the ranges and repaints.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    bool Updating() const { return FUpdating; }

    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t Value);
    bool ShowScrollBars() const { return FShowScrollBars; }
    void SetShowScrollBars(bool Value);

    int ScrollX() const { return FScrollX; }
    int ScrollY() const { return FScrollY; }
    void SetScrollX(int Value);
    void SetScrollY(int Value);
    int MaxScrollX() const { return FMaxScrollX; }
    int MaxScrollY() const { return FMaxScrollY; }
    int ContentWidth() const { return FContentWidth; }
    int ContentHeight() const { return FContentHeight; }
    int LineStep() const { return FLineStep; }
    int PageStep() const { return FPageStep; }
    int ClientWidth() const;
    int ClientHeight() const;

    virtual void UpdateScrollRange();

protected:
    virtual void PaintContents(QPainter& Canvas);
    void SetContentSize(int Width, int Height);

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void scrollContentsBy(int, int) override {}

    int FScrollX = 0;
    int FScrollY = 0;
    int FLineStep = 20;
    int FPageStep = 100;
    int FContentWidth = 0;
    int FContentHeight = 0;
    int FMaxScrollX = 0;
    int FMaxScrollY = 0;

private:
    void SyncBars();

    std::uint32_t FColor;
    bool FShowScrollBars = true;
    bool FUpdating = false;
    bool FSyncing = false;
};
