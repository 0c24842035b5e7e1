// The table tool: the HTML it builds for a new table, the fields it shows for a table and the writes of
// OK; then in the main window, through the palette and through the Tables menu: insert, edit by
// double-click and by Table Properties, undo, save.
#include "ToolTable.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const QString Page = QStringLiteral(
    "<html><body><table width=\"50%\" height=\"20\" border=\"0\" cellpadding=\"2\" cellspacing=\"1\" summary=\"s\" "
    "bgcolor=\"red\" background=\"bg.gif\" frame=\"box\" rules=\"all\" bordercolor=\"#000000\" "
    "bordercolorlight=\"white\" bordercolordark=\"gray\" align=\"center\" cols=\"3\" class=\"own\">"
    "<tr><td>x</td></tr></table></body></html>");

TEST(TableToolModelTest, ANewTableIsBuiltFromTheFields)
{
    TDesignDocument doc(Page);
    TTableToolModel model;
    doc.Load(model);
    const TTableToolModel::TFields defaults = model.Fields;
    EXPECT_EQ((QStringList{defaults.Width, defaults.Height, defaults.Rows, defaults.Cols, defaults.Border}),
              (QStringList{"100%", "", "4", "4", "1"}));
    using TFields = TTableToolModel::TFields;
    const struct
    {
        std::function<void(TFields&)> Change;
        QString Opening; // after the design id
        int Rows, Cols;
    } cases[] = {
        {[](TFields&) {}, " width=\"100%\" border=\"1\">", 4, 4},
        {[](TFields& f) { f.Width = " ", f.Border = "0"; }, " class=\"dsgn_layout\" width=\"80%\" border=\"0\">", 4, 4},
        {[](TFields& f) { f.Border.clear(), f.Rows = "abc", f.Cols = " 2 "; }, " class=\"dsgn_layout\" width=\"100%\">", 4, 2},
        {[](TFields& f) { f.Rows = "0"; }, " width=\"100%\" border=\"1\">", 0, 4},
        {[](TFields& f) { f.Rows = "1", f.Cols = "-3"; }, " width=\"100%\" border=\"1\">", 1, 0},
        {[](TFields& f) { f.Rows = "40000", f.Cols = "1001"; }, " width=\"100%\" border=\"1\">", 1000, 1000},
        {[](TFields& f) {
             f = {"center", "bg.gif", "#FF0000", "say \"hi\"", "2", "3", "1", "1", "50%", "20", "4", "red", "white",
                  "gray", "box", "all"};
         },
         " width=\"50%\" height=\"20\" align=\"center\" cellpadding=\"2\" cellspacing=\"3\" summary=\"say &quot;hi&quot;\" "
         "bgcolor=\"#FF0000\" background=\"bg.gif\" frame=\"box\" border=\"4\" rules=\"all\" bordercolor=\"red\" "
         "bordercolorlight=\"white\" bordercolordark=\"gray\">",
         1, 1},
    };
    for (const auto& c : cases) {
        model.Fields = defaults;
        c.Change(model.Fields);
        const QString id = doc.NextId();
        const QString row = "  <tr>" + QStringLiteral("<td></td>").repeated(c.Cols) + "</tr>\r\n";
        EXPECT_EQ(model.GetHtml(), "<table id=\"" + id + "\"" + c.Opening + "\r\n" + row.repeated(c.Rows) + "</table>")
            << c.Opening.toStdString();
    }
}

TEST(TableToolModelTest, ATableShowsItsDocumentSizeAndOkWritesInOrderOnACopyOfItsSourceNode)
{
    const struct
    {
        QString Border;
        QString Writes; // border and class
    } cases[] = {{"0", "set border=0|set class=dsgn_layout"}, {"", "remove border|set class=dsgn_layout"},
                 {"2", "set border=2|remove class"}};
    for (const auto& c : cases) {
        TDesignDocument doc(Page);
        TTableToolModel model;
        model.Filter = &doc.Filter;
        TElementSnapshot table = doc.Element(QStringLiteral("table"));
        // A width dragged in the design view stands on the page, not in the document.
        table.SetAttribute(QStringLiteral("width"), QStringLiteral("333"));
        model.Element = table;
        model.PageRows = 7;
        model.Load();
        TTableToolModel::TFields& f = model.Fields;
        EXPECT_EQ((QStringList{f.Width, f.Height, f.Rows, f.Cols, f.Align, f.Padding, f.Spacing, f.Summary, f.BgColor,
                               f.Background, f.Frame, f.Border, f.Inner, f.BorderColor, f.BorderLight, f.BorderDark}),
                  (QStringList{"50%", "20", "7", "3", "center", "2", "1", "s", "red", "bg.gif", "box", "0", "all",
                               "#000000", "white", "gray"}));
        f.Border = c.Border, f.Summary.clear(), f.Width = "300", f.Height.clear(), f.Align = "right";
        const QString newId = doc.NextId();
        TElementWrites writes;
        model.Apply(writes);
        const QStringList border = c.Writes.split('|');
        EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "set cellpadding=2", "set cellspacing=1",
                                               "remove summary", "set bgcolor=red", "set background=bg.gif",
                                               "set frame=box", border[0], "set rules=all", "set bordercolor=#000000",
                                               "set bordercolorlight=white", "set bordercolordark=gray",
                                               "set width=300", "remove height", "remove style", "set align=right",
                                               border[1]}));
        const THtmlTag* copy = doc.KeptTag(newId);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->GetAttribute(ATTR_WIDTH), "300");
        EXPECT_FALSE(copy->HasAttribute(ATTR_HEIGHT));
        EXPECT_EQ(copy->GetAttribute(ATTR_CLASS), "own") << "the document's class is what is saved";
        // The node the old id names is untouched, so undoing the writes restores the table exactly.
        EXPECT_EQ(doc.KeptTag(table.Id)->GetAttribute(ATTR_WIDTH), "50%");
    }

    // A table without a source node (pasted) shows the page's size and keeps its class: the page's class
    // is what it saves.
    TDesignDocument doc(Page);
    TTableToolModel model;
    model.Filter = &doc.Filter;
    model.Element = doc.Element(QStringLiteral("table"));
    model.Element->Id = QStringLiteral("pasted");
    model.Load();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(model.Fields.Width, "50%");
    EXPECT_EQ(Writes(writes).first() + " " + Writes(writes).last(), "set cellpadding=2 set align=center");
}

// ---------------------------------------------------------------------------------------------------
// In the main window

QString Text(const QDialog& Form, const char* Name)
{
    return FindControl<QLineEdit>(Form, Name)->text();
}

// Sets the controls named in Values (name, text, name, text ...; "1" ticks a check box) and presses OK.
void Ok(const QDialog& Form, const QStringList& Values)
{
    for (qsizetype i = 0; i + 1 < Values.size(); i += 2) {
        auto* control = FindControl<QWidget>(Form, Values[i].toLatin1().constData());
        if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setCurrentText(Values[i + 1]); // picks the item of a list, types into an editable one
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            check->setChecked(Values[i + 1] == "1");
        else
            static_cast<QLineEdit*>(control)->setText(Values[i + 1]);
    }
    ClickOk(Form);
}

TEST(ToolTableTest, TablesAreInsertedAndEditedThroughThePaletteAndTheTablesMenuUndoneAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("tables.html"), ReadTestData(QStringLiteral("tools/tables.html"))));
    TFormMain& m = w.Window;
    // Outside any table both of the tool's entries stay enabled; Table Properties then does nothing.
    emit m.Tables1->aboutToShow();
    EXPECT_TRUE(m.InsertTable1->isEnabled() && m.ableProperties1->isEnabled());
    m.ableProperties1->trigger();
    EXPECT_TRUE(dialogs.FormsShown.isEmpty());

    // The palette: a new table with the grid typed.
    w.PlaceCaret(QStringLiteral("#place"));
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_TRUE(FindControl<QWidget>(form, "EditRows")->isVisible());
        Ok(form, {"EditRows", "2", "EditCols", "3", "EditSpacing", "16", "EditSummary", "Tea & \"cakes\""});
    });
    w.ClickTool(QStringLiteral("Insert Table"));
    EXPECT_EQ(dialogs.FormsShown, QStringList{"  Table Properties"});
    const QString table = QStringLiteral("#place table");
    ASSERT_TRUE(WaitUntil([&] { return !w.Box(table).isEmpty(); })) << "the table went in at the caret";

    // A double-click between the cells, the page's first input after the dialog closed, edits the table;
    // the grid is not offered again.
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(Text(form, "EditSummary"), "Tea & \"cakes\"");
        EXPECT_EQ(Text(form, "EditRows"), "2") << "the page's rows, though not shown";
        EXPECT_FALSE(FindControl<QWidget>(form, "EditRows")->isVisible() || FindControl<QWidget>(form, "EditCols")->isVisible());
        Ok(form, {"EditWidth", "300", "EditBorder", "0", "EditBgColor", "#FFFF00", "ComboInner", "rows"});
    });
    const QString place = QStringLiteral("document.querySelector('#place').outerHTML");
    const QString before = w.Eval(place).toString();
    const TUndoGroups& groups = w.Designer()->UndoGroups();
    const int count = groups.Count();
    w.DoubleClickAt(w.Box(table).topLeft() + QPoint(6, 6));
    ASSERT_TRUE(WaitUntil([&] { return w.Box(table).width() == 300; }));
    ASSERT_EQ(groups.Count(), count + 1);
    EXPECT_EQ(groups.Caption(count), "Table Properties");
    EXPECT_EQ(w.Eval(QStringLiteral("document.querySelector('#place table').className")).toString(), "dsgn_layout");
    // Undo takes the whole edit back, the source node's width with it.
    w.Designer()->Undo();
    EXPECT_EQ(w.Eval(place).toString(), before);
    QString html;
    w.Designer()->GetHtml(html);
    EXPECT_TRUE(html.contains(QStringLiteral("width=\"100%\""))) << html.toStdString();
    w.Designer()->Redo();

    // A double-click in a cell edits the cell.
    dialogs.Forms.push_back([](QDialog& form) { Ok(form, {"ComboAlign", "center", "EditWidth", "40%", "CheckNoWrap", "1"}); });
    w.DoubleClick(QStringLiteral("#place td"));
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 3; }));
    EXPECT_EQ(dialogs.FormsShown.last(), "  Cell Properties");
    EXPECT_EQ(groups.Caption(groups.Count() - 1), "Cell Properties");

    // The Tables menu: a press in a cell of the page's own table makes it current for Table Properties.
    const QString own = w.Eval(QStringLiteral("document.querySelector('body > table').id")).toString();
    w.ClickAt(w.Box(QStringLiteral("body > table td")).center());
    ASSERT_TRUE(WaitUntil([&] { return w.Designer()->GetCurrentTable().Id() == own; }));
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(Text(form, "EditWidth") + " " + Text(form, "EditHeight") + " " + Text(form, "EditPadding"), "200 40 3");
        Ok(form, {"EditHeight", "", "EditBorder", "2", "ComboAlign", "center"});
    });
    m.ableProperties1->trigger();
    EXPECT_EQ(w.Eval(QStringLiteral("document.querySelector('body > table').className")).toString(), "");
    // Insert Table with the width emptied: the new table is 80% wide.
    w.PlaceCaret(QStringLiteral("#place"));
    dialogs.Forms.push_back([](QDialog& form) {
        Ok(form, {"EditWidth", "", "EditHeight", "30", "EditRows", "1", "EditCols", "2", "EditBorder", "0"});
    });
    m.InsertTable1->trigger();
    ASSERT_EQ(dialogs.FormsShown.size(), 5);

    ExpectSavedAs(w.Save(), QStringLiteral("tables.expected.html"));
}

} // namespace
