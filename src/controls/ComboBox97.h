#pragma once
// A combo box with a flat look: its border and button show raised only while the mouse is over it or
// it has the focus. Used for the block format and font size lists of the formatting tool bar.
#include <QComboBox>

class TCustomComboBox97 : public QComboBox
{
    Q_OBJECT
public:
    explicit TCustomComboBox97(QWidget* Parent = nullptr);

    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // Hot while the mouse is inside or the box has the focus.
    bool Hot() const { return FMouseInside || hasFocus(); }
    bool Pressed() const { return FPressed; }
    int ButtonWidth() const;
    // The drop-down button's area in client coordinates.
    QRect ButtonRect() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void UpdateColor();
    bool FFlat = false;
    bool FPressed = false;
    bool FTracking = false;
    bool FMouseInside = false;
};

class TComboBox97 : public TCustomComboBox97
{
    Q_OBJECT
public:
    using TCustomComboBox97::TCustomComboBox97;
};
