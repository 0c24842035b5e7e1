#include "ComboBox97.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

TCustomComboBox97::TCustomComboBox97(QWidget* Parent)
    : QComboBox(Parent)
{
    setMouseTracking(true);
}

void TCustomComboBox97::SetFlat(bool Value)
{
    if (Value == FFlat)
        return;
    FFlat = Value;
    setFrame(!Value);
    UpdateColor();
    update();
}

int TCustomComboBox97::ButtonWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2;
}

QRect TCustomComboBox97::ButtonRect() const
{
    return QRect(width() - ButtonWidth() - 2, 0, ButtonWidth() + 2, height()).adjusted(2, 2, -2, -2);
}

void TCustomComboBox97::UpdateColor()
{
    if (!FFlat)
        return;
    QPalette Pal = palette();
    const QColor Back = QApplication::palette().color(isEnabled() ? QPalette::Base : QPalette::Button);
    Pal.setColor(QPalette::Base, Back);
    Pal.setColor(QPalette::Window, Back);
    setPalette(Pal);
}

void TCustomComboBox97::paintEvent(QPaintEvent* Event)
{
    if (!FFlat) {
        QComboBox::paintEvent(Event);
        return;
    }
    QPainter P(this);
    const QPalette Pal = palette();
    const QColor Face = QApplication::palette().color(QPalette::Button);
    P.fillRect(rect(), Pal.color(QPalette::Base));

    // The text of the edit part, unless a line edit draws it.
    if (!isEditable()) {
        QStyleOptionComboBox Opt;
        initStyleOption(&Opt);
        const QRect TextRect(4, 0, width() - ButtonWidth() - 8, height());
        P.setPen(Pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        P.drawText(TextRect, Qt::AlignVCenter | Qt::AlignLeft, Opt.currentText);
    }

    // Border: two frames in the button face and an inner one in the window colour; hot, the outer one is
    // a sunken edge.
    QRect R = rect().adjusted(0, 0, -1, -1);
    if (Hot()) {
        P.setPen(Pal.color(QPalette::Dark));
        P.drawLine(R.topLeft(), R.topRight());
        P.drawLine(R.topLeft(), R.bottomLeft());
        P.setPen(Pal.color(QPalette::Light));
        P.drawLine(R.bottomLeft(), R.bottomRight());
        P.drawLine(R.topRight(), R.bottomRight());
    } else {
        P.setPen(Face);
        P.drawRect(R);
    }
    R.adjust(1, 1, -1, -1);
    P.setPen(Face);
    P.drawRect(R);
    R.adjust(1, 1, -1, -1);
    P.setPen(Pal.color(QPalette::Base));
    P.drawRect(R);

    // The drop-down button.
    const QRect B = ButtonRect();
    if (Hot()) {
        P.fillRect(B, Face);
        if (!FPressed) {
            const QRect E = B.adjusted(0, 0, -1, -1);
            P.setPen(Pal.color(QPalette::Light));
            P.drawLine(E.topLeft(), E.topRight());
            P.drawLine(E.topLeft(), E.bottomLeft());
            P.setPen(Pal.color(QPalette::Dark));
            P.drawLine(E.bottomLeft(), E.bottomRight());
            P.drawLine(E.topRight(), E.bottomRight());
        }
    } else {
        P.fillRect(B.adjusted(1, 1, -1, -1), Face);
    }
    QStyleOption Arrow;
    Arrow.initFrom(this);
    Arrow.rect = B;
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &Arrow, &P, this);
}

void TCustomComboBox97::enterEvent(QEnterEvent* Event)
{
    FMouseInside = true;
    update();
    QComboBox::enterEvent(Event);
}

void TCustomComboBox97::leaveEvent(QEvent* Event)
{
    FMouseInside = false;
    update();
    QComboBox::leaveEvent(Event);
}

void TCustomComboBox97::focusInEvent(QFocusEvent* Event)
{
    QComboBox::focusInEvent(Event);
    update();
}

void TCustomComboBox97::focusOutEvent(QFocusEvent* Event)
{
    QComboBox::focusOutEvent(Event);
    update();
}

void TCustomComboBox97::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::EnabledChange)
        UpdateColor();
    QComboBox::changeEvent(Event);
}

void TCustomComboBox97::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() == Qt::LeftButton) {
        FPressed = true;
        FTracking = true;
        update();
    }
    QComboBox::mousePressEvent(Event);
}

void TCustomComboBox97::mouseMoveEvent(QMouseEvent* Event)
{
    if (FTracking) {
        const int X = qRound(Event->position().x());
        const bool Inside = X >= width() - ButtonWidth() && X < width();
        if (FPressed != Inside) {
            FPressed = Inside;
            update();
        }
    }
    QComboBox::mouseMoveEvent(Event);
}

void TCustomComboBox97::mouseReleaseEvent(QMouseEvent* Event)
{
    FPressed = false;
    FTracking = false;
    update();
    QComboBox::mouseReleaseEvent(Event);
}
