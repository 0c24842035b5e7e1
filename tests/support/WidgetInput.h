#pragma once
// Keyboard and mouse input sent straight to a widget, as the window system would deliver it.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

inline void Key(QWidget* Target, int Code, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = {})
{
    QKeyEvent Event(QEvent::KeyPress, Code, Mods, Text);
    QApplication::sendEvent(Target, &Event);
}

inline void Type(QWidget* Target, const QString& Text)
{
    for (QChar C : Text)
        Key(Target, C.toUpper().unicode(), Qt::NoModifier, QString(C));
}

// The left button goes down at (X, Y) and stays down.
inline void MouseDown(QWidget* Target, int X, int Y)
{
    const QPointF Pos(X, Y);
    QMouseEvent Down(QEvent::MouseButtonPress, Pos, Target->mapToGlobal(Pos), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Target, &Down);
}

// A left click at (X, Y): down and up again.
inline void Click(QWidget* Target, int X, int Y)
{
    MouseDown(Target, X, Y);
    const QPointF Pos(X, Y);
    QMouseEvent Up(QEvent::MouseButtonRelease, Pos, Target->mapToGlobal(Pos), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(Target, &Up);
}

inline void Move(QWidget* Target, int X, int Y, Qt::MouseButtons Buttons = Qt::NoButton)
{
    const QPointF Pos(X, Y);
    QMouseEvent Event(QEvent::MouseMove, Pos, Target->mapToGlobal(Pos), Qt::NoButton, Buttons, Qt::NoModifier);
    QApplication::sendEvent(Target, &Event);
}
