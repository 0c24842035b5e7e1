#pragma once
// The pointer over a design view's page, as the window system delivers it: presses, drags and releases on
// elements named by a selector ("#id ...") or a script expression, for the tests that work the page with the
// mouse; and the wait for the engine's queued reports.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>

#include "EngineBridge.h"
#include "HtmlDesigner.h"

// Lets the engine's queued reports arrive: until Done or the time is up.
inline bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!Done()) {
        if (timer.elapsed() > TimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

struct TDesignPointer
{
    THtmlDesigner* Designer = nullptr;

    QVariant Eval(const QString& script) const
    {
        QVariant value;
        EXPECT_EQ(Designer->Bridge()->Call(script, &value), TEngineBridge::TCallResult::Ok) << script.toStdString();
        return value;
    }
    static QString Element(const QString& what)
    {
        return what.startsWith(QLatin1Char('#')) ? QStringLiteral("document.querySelector('%1')").arg(what) : what;
    }
    // A point inside the element, at the fractions x and y of its box.
    QPoint Inside(const QString& what, double x = 0.5, double y = 0.5) const
    {
        const QVariantList r = Eval(QStringLiteral("(function(){const r=%1.getBoundingClientRect();"
                                                   "return [r.left+r.width*%2,r.top+r.height*%3];})()")
                                        .arg(Element(what))
                                        .arg(x)
                                        .arg(y))
                                   .toList();
        return r.size() == 2 ? QPoint(r[0].toInt(), r[1].toInt()) : QPoint();
    }
    int Token(const QString& what) const
    {
        return Eval(QStringLiteral("window.__designRuntime.internal.tokenOf(%1)").arg(Element(what))).toInt();
    }
    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) const
    {
        QWidget* target = Designer->View()->focusProxy();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // Presses in From, drags to To (when given) and, unless Hold, lets go there; waits until the design
    // view has taken in the release (or, holding, the press).
    void Drag(const QString& from, const QString& to = {}, bool hold = false) const
    {
        const QPoint start = Inside(from, 0.3, 0.3);
        const QPoint end = to.isEmpty() ? start : Inside(to, 0.6, 0.6);
        int released = 0;
        const auto connection = QObject::connect(Designer, &THtmlDesigner::OnMouseUp, [&] { ++released; });
        Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        Mouse(QEvent::MouseMove, start + QPoint(1, 1), Qt::LeftButton);
        if (!to.isEmpty()) {
            Mouse(QEvent::MouseMove, (start + end) / 2, Qt::LeftButton);
            Mouse(QEvent::MouseMove, end, Qt::LeftButton);
        }
        if (hold) {
            EXPECT_TRUE(WaitUntil([this] { return Designer->CellSelection().Selecting; }));
        } else {
            Mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
            EXPECT_TRUE(WaitUntil([&] { return released > 0; }));
        }
        QObject::disconnect(connection);
    }
};
