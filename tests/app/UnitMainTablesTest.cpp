// The Tables menu of the main window: its entries follow the design view's current table and cells, and
// its commands change the page as one undo group that marks the document modified.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>

#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "IniUtils.h"
#include "NameSpace.h"
#include "ScriptedDialogs.h"
#include "TestHooks.h"
#include "UnitMain.h"

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

bool WaitUntil(const std::function<bool()>& Done)
{
    QElapsedTimer timer;
    timer.start();
    while (!Done()) {
        if (timer.elapsed() > 10000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

class UnitMainTablesTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(ConfigIni().FileName()); }
    void TearDown() override { QFile::remove(ConfigIni().FileName()); }

    QVariant Eval(TFormMain& w, const QString& script)
    {
        QVariant value;
        EXPECT_EQ(w.Designer()->Bridge()->Call(script, &value), TEngineBridge::TCallResult::Ok);
        return value;
    }
    QPoint Center(TFormMain& w, const QString& id)
    {
        const QVariantList r = Eval(w, QStringLiteral("(function(){const r=document.getElementById('%1')"
                                                      ".getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                           .arg(id))
                                   .toList();
        return QPoint(r.value(0).toInt(), r.value(1).toInt());
    }
    void Mouse(TFormMain& w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
    {
        QWidget* target = w.Designer()->View()->focusProxy();
        QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // Presses in one element and lets go in another (or the same); waits for the release to arrive.
    void Drag(TFormMain& w, const QString& from, const QString& to)
    {
        int released = 0;
        const auto connection = QObject::connect(w.Designer(), &THtmlDesigner::OnMouseUp, [&] { ++released; });
        const QPoint start = Center(w, from), end = Center(w, to);
        Mouse(w, QEvent::MouseButtonPress, start, Qt::LeftButton);
        Mouse(w, QEvent::MouseMove, start + QPoint(1, 0), Qt::LeftButton);
        Mouse(w, QEvent::MouseMove, end, Qt::LeftButton);
        Mouse(w, QEvent::MouseButtonRelease, end, Qt::NoButton);
        EXPECT_TRUE(WaitUntil([&] { return released > 0; }));
        QObject::disconnect(connection);
    }
    // The Tables menu's entries as it opens: 1 enabled, 0 disabled, in menu order.
    QString Entries(TFormMain& w)
    {
        emit w.Tables1->aboutToShow();
        QString states;
        for (QAction* a : {w.InsertRowAbove1, w.InsertRowBelow1, w.DeleteRows1, w.InsertColumnBefore1,
                           w.InsertColumnAfter1, w.DeleteColumns1, w.MergeCells1, w.UnmergeCells1, w.FixTableLayout1,
                           w.HorizontalAlignment1->menuAction(), w.VerticalAlignment1->menuAction()})
            states += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

    QTemporaryDir FDir;
    TScriptedDialogs Dialogs;
};

TEST_F(UnitMainTablesTest, TheMenuFollowsTheCurrentTableAndItsCommandsMarkTheDocument)
{
    const QString page = FDir.filePath(QStringLiteral("tables.htm"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><p id=\"out\">outside</p><table border=\"1\" width=\"300\"><tr><td id=\"a\">a</td>"
               "<td id=\"b\" colspan=\"2\">b</td></tr><tr><td id=\"c\">c</td><td id=\"d\">d</td><td id=\"e\">e</td>"
               "</tr></table></body></html>");
    file.close();
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(page));
    ASSERT_TRUE(WaitUntil([&] { return Eval(w, QStringLiteral("document.body.offsetHeight")).toInt() > 0; }));

    EXPECT_EQ(Entries(w), QStringLiteral("00000000000"));
    EXPECT_FALSE(w.InsertTable1->isEnabled()); // the table tool's own entries are not built yet
    Drag(w, QStringLiteral("c"), QStringLiteral("c"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111100111"));
    Drag(w, QStringLiteral("b"), QStringLiteral("b"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111101111")) << "a spanned cell can be unmerged";
    Drag(w, QStringLiteral("a"), QStringLiteral("d"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111111111"));
    EXPECT_FALSE(w.FileManager()->Modified());

    w.MergeCells1->trigger();
    EXPECT_EQ(Eval(w, QStringLiteral("document.getElementById('a').outerHTML")).toString(),
              QStringLiteral("<td id=\"a\" colspan=\"3\" rowspan=\"2\">a b c d e</td>"));
    EXPECT_TRUE(w.FileManager()->Modified());
    const TUndoGroups& groups = w.Designer()->UndoGroups();
    ASSERT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Caption(0), QStringLiteral("Merge Cells"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111101111"));

    w.Center1->trigger();
    EXPECT_EQ(Eval(w, QStringLiteral("document.getElementById('a').align")).toString(), QStringLiteral("center"));
    Drag(w, QStringLiteral("out"), QStringLiteral("out"));
    EXPECT_EQ(Entries(w), QStringLiteral("00000000000"));
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

} // namespace
