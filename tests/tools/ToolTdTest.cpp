// The cell tool: the fields its dialog shows for a cell and the writes of OK; in the main window, the keys
// a user types into its alignment lists. The table tool's test drives it by double-click too.
#include "ToolTd.h"

#include "ToolTesting.h"
#include "WidgetInput.h"

#include <QComboBox>
#include <QThread>

namespace {

TEST(TdModelTest, ACellShowsItsAttributesAndOkWritesThemInOrder)
{
    TDesignDocument doc(QStringLiteral(
        "<html><body><table><tr><td>plain</td><td colspan=\"2\">wide</td><td colspan=\"1\" rowspan=\"1\">1</td>"
        "<td rowspan=\"3\" width=\"10%\" height=\"9\" align=\"right\" valign=\"top\" bgcolor=\"navy\" "
        "background=\"c.gif\" bordercolor=\"red\" bordercolorlight=\"white\" bordercolordark=\"black\" nowrap>full</td>"
        "</tr></table></body></html>"));
    // Spans read as the browser reports them (1 when not written); two spans of 1 show empty, and a span
    // of 1 beside another span is written out on OK.
    const struct
    {
        QString Shown; // colspan rowspan width height align valign bgcolor background bordercolors nowrap
        QString Written;
    } cases[] = {
        {"|||||||||||0", "remove width|remove height|remove colspan|remove rowspan|remove align"},
        {"2|1||||||||||0", "remove width|remove height|set colspan=2|set rowspan=1|remove align"},
        {"|||||||||||0", "remove width|remove height|remove colspan|remove rowspan|remove align"},
        {"1|3|10%|9|right|top|navy|c.gif|red|white|black|1", "set width=10%|set height=9|set colspan=1|set rowspan=3|set align=right"},
    };
    for (int i = 0; i < 4; ++i) {
        TTdModel model;
        model.Element = doc.Element(QStringLiteral("td"), i);
        model.Load();
        const TTdModel::TFields& f = model.Fields;
        const QStringList shown = {f.ColSpan, f.RowSpan, f.Width, f.Height, f.Align, f.VAlign, f.BgColor,
                                   f.Background, f.BorderColor, f.BorderLight, f.BorderDark, f.NoWrap ? "1" : "0"};
        EXPECT_EQ(shown.join('|'), cases[i].Shown) << i;
        TElementWrites writes;
        model.Apply(writes);
        const QStringList lines = Writes(writes);
        ASSERT_EQ(lines.size(), 12);
        EXPECT_EQ(lines.mid(0, 5).join('|'), cases[i].Written) << i;
        EXPECT_EQ(lines.last(), f.NoWrap ? "flag nowrap" : "remove nowrap");
    }
}

TEST(ToolTdTest, TheAlignmentListsTakeOnlyTheirItemsFromTheKeysAndKeepACellsOwnValues)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("cells.html"),
                       "<html><body><table border=\"1\"><tr><td>Tea</td><td>Scones</td>"
                       "<td align=\"CENTER\" valign=\"absmiddle\">Cakes</td></tr></table></body></html>"));
    const QString tea = QStringLiteral("td:first-child");
    const QString scones = QStringLiteral("td:nth-child(2)");
    const QString cakes = QStringLiteral("td:last-child");
    const auto outer = [&w](const QString& Cell) {
        return w.Eval(QStringLiteral("document.querySelector('%1').outerHTML").arg(Cell)).toString();
    };
    // A double-click on the cell's word; the keys go where the dialog puts the focus, its first field, and
    // Return is OK.
    const auto keys = [&](const QString& Cell, const QString& Typed, std::function<void(QDialog&)> Check = {}) {
        const int shown = dialogs.FormsShown.size();
        dialogs.Forms.push_back([Typed, Check](QDialog& form) {
            QWidget* focus = form.focusWidget();
            ASSERT_EQ(focus, FindControl<QComboBox>(form, "ComboAlign"));
            if (Check)
                Check(form);
            Type(focus, Typed);
            Key(focus, Qt::Key_Return);
            EXPECT_FALSE(form.isVisible()) << "Return confirms";
        });
        w.DoubleClick(Cell);
        EXPECT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() > shown; }));
        EXPECT_EQ(dialogs.FormsShown.value(shown), QStringLiteral("  Cell Properties"));
    };

    // Text that names no item is not taken.
    const QString before = outer(tea);
    keys(tea, QStringLiteral("Xyz"));
    EXPECT_EQ(outer(tea), before);
    // A letter picks the item it starts (after a pause: letters typed close together make one search). Each
    // double-click goes to another cell: the pointer's events carry no time, so two on one spot count on.
    QThread::msleep(QApplication::keyboardInputInterval() + 50);
    keys(scones, QStringLiteral("r"));
    EXPECT_TRUE(WaitUntil([&] { return outer(scones).contains(QStringLiteral("align=\"right\"")); }))
        << outer(scones).toStdString();

    // A cell's own values, one the list spells otherwise and one it lacks, are shown and go back as they were.
    const QString own = outer(cakes);
    keys(cakes, QString(), [](QDialog& form) {
        EXPECT_EQ(FindControl<QComboBox>(form, "ComboAlign")->currentText(), "center");
        EXPECT_EQ(FindControl<QComboBox>(form, "ComboValign")->currentText(), "absmiddle");
    });
    EXPECT_EQ(outer(cakes), own);

    const QByteArray saved = w.Save();
    EXPECT_TRUE(saved.contains("<td>Tea</td>") && saved.contains("<td align=\"right\">Scones</td>"))
        << saved.toStdString();
    EXPECT_TRUE(saved.contains("<td align=\"CENTER\" valign=\"absmiddle\">Cakes</td>")) << saved.toStdString();
    EXPECT_FALSE(saved.contains("Xyz"));
}

} // namespace
