// The Tables menu of the main window: its entries follow the design view's current table and cells, and
// its commands change the page as one undo group that marks the document modified.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesignPointer.h"
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

class UnitMainTablesTest : public ::testing::Test, public TDesignPointer
{
protected:
    void SetUp() override { QFile::remove(ConfigIni().FileName()); }
    void TearDown() override { QFile::remove(ConfigIni().FileName()); }

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

    // Writes Html into the folder as Name and opens it in W, ready for the pointer.
    void Open(TFormMain& w, const char* name, const QByteArray& html)
    {
        const QString page = FDir.filePath(QLatin1String(name));
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(html);
        file.close();
        w.show();
        ASSERT_TRUE(w.FileManager()->OpenFile(page));
        Designer = w.Designer();
        ASSERT_TRUE(WaitUntil([&] { return Eval(QStringLiteral("document.body.offsetHeight")).toInt() > 0; }));
    }

    QTemporaryDir FDir;
    TScriptedDialogs Dialogs;
};

TEST_F(UnitMainTablesTest, TheMenuFollowsTheCurrentTableAndItsCommandsMarkTheDocument)
{
    TFormMain w;
    Open(w, "tables.htm",
         "<html><body><p id=\"out\">outside</p><table border=\"1\" width=\"300\"><tr><td id=\"a\">a</td>"
         "<td id=\"b\" colspan=\"2\">b</td></tr><tr><td id=\"c\">c</td><td id=\"d\">d</td><td id=\"e\">e</td>"
         "</tr></table></body></html>");

    EXPECT_EQ(Entries(w), QStringLiteral("00000000000"));
    EXPECT_TRUE(w.InsertTable1->isEnabled()); // the table tool's own entries stay enabled
    EXPECT_TRUE(w.ableProperties1->isEnabled());
    Drag(QStringLiteral("#c"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111100111"));
    Drag(QStringLiteral("#b"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111101111")) << "a spanned cell can be unmerged";
    Drag(QStringLiteral("#a"), QStringLiteral("#d"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111111111"));
    EXPECT_FALSE(w.FileManager()->Modified());

    w.MergeCells1->trigger();
    EXPECT_EQ(Eval(QStringLiteral("document.getElementById('a').outerHTML")).toString(),
              QStringLiteral("<td id=\"a\" colspan=\"3\" rowspan=\"2\">a b c d e</td>"));
    EXPECT_TRUE(w.FileManager()->Modified());
    const TUndoGroups& groups = w.Designer()->UndoGroups();
    ASSERT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Caption(0), QStringLiteral("Merge Cells"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111101111"));

    w.Center1->trigger();
    EXPECT_EQ(Eval(QStringLiteral("document.getElementById('a').align")).toString(), QStringLiteral("center"));
    Drag(QStringLiteral("#out"));
    EXPECT_EQ(Entries(w), QStringLiteral("00000000000"));
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

TEST_F(UnitMainTablesTest, MergeIsDisabledAndDoesNothingOnARangeAcrossRowGroups)
{
    TFormMain w;
    Open(w, "groups.htm",
         "<html><body><table border=\"1\" width=\"300\"><thead><tr><td id=\"h1\">h1</td><td id=\"h2\">h2</td>"
         "</tr></thead><tbody><tr><td id=\"a\">a</td><td id=\"b\">b</td></tr><tr><td id=\"c\">c</td>"
         "<td id=\"d\">d</td></tr></tbody><tfoot><tr><td id=\"f1\">f1</td><td id=\"f2\">f2</td></tr></tfoot>"
         "</table></body></html>");
    const QString before = Eval(QStringLiteral("document.body.outerHTML")).toString();

    // From the header into the body, and from the body into the footer: no merge.
    for (const auto& [from, to] : {std::pair{"#h1", "#b"}, std::pair{"#c", "#f2"}}) {
        SCOPED_TRACE(from);
        Drag(QString::fromLatin1(from), QString::fromLatin1(to));
        ASSERT_TRUE(w.Designer()->CellSelection().RangeMarked);
        EXPECT_EQ(Entries(w), QStringLiteral("11111101111"));
        w.Designer()->MergeCells();
        EXPECT_EQ(Eval(QStringLiteral("document.body.outerHTML")).toString(), before);
        EXPECT_EQ(w.Designer()->UndoGroups().Count(), 0);
        EXPECT_FALSE(w.FileManager()->Modified());
    }
    // Within the body the merge stays the body's own.
    Drag(QStringLiteral("#a"), QStringLiteral("#d"));
    EXPECT_EQ(Entries(w), QStringLiteral("11111111111"));
    w.MergeCells1->trigger();
    EXPECT_EQ(Eval(QStringLiteral("Array.from(document.querySelector('table').rows).map(r=>r.parentNode.tagName+':'+"
                                  "Array.from(r.cells).map(c=>c.textContent+'/'+c.rowSpan+c.colSpan).join(',')).join(' ')")),
              QStringLiteral("THEAD:h1/11,h2/11 TBODY:a b c d/22 TBODY: TFOOT:f1/11,f2/11"));
    Dialogs.Answers = {mrNo};
    EXPECT_TRUE(w.close());
}

} // namespace
