// The applet and ActiveX tools and the class picker: the node and PARAMs each dialog writes from its grid,
// the fields read back, the picker's sort, filter and selection, and each tool's road through the palette.
#include "ToolObjApplet.h"

#include "IniUtils.h"
#include "ToolTesting.h"
#include "UnitSelectClassID.h"
#include "WidgetInput.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

namespace {

const QString Page = QStringLiteral(
    "<html><body>"
    "<applet code=\"Clock.class\" codebase=\"classes/\" archive=\"a.jar, b.jar\" width=\"120\" height=\"40\" "
    "align=\"top\" title=\"Clock\" alt=\"A clock\"><param name=\"face\" value=\"round\">Text<param name=\"tz\" "
    "value=\"UTC\"></applet>"
    "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"></object>"
    "<object codebase=\"x.cab\"></object>"
    "</body></html>");

TEST(ObjParamsModelTest, ANewAppletIsBuiltWithItsNodeAndTheGridsParameters)
{
    TDesignDocument doc(QStringLiteral("<html><body></body></html>"));
    TObjParamsModel applet(false);
    doc.Load(applet);
    ASSERT_EQ(applet.Rows.size(), 1u) << "one empty row";
    applet.Fields.Code = QStringLiteral("Clock.class");
    applet.Fields.Archive = QStringLiteral(" a.jar ");
    applet.Fields.Title = QStringLiteral("A \"clock\"");
    applet.Fields.Height.clear();
    applet.Rows = {{QStringLiteral(" face "), QStringLiteral(" round ")},
                   {QStringLiteral("   "), QStringLiteral("skipped")},
                   {QStringLiteral("empty"), QString()},
                   {QStringLiteral("TRUE"), QStringLiteral("TRUE")}};
    QString id = doc.NextId();
    EXPECT_EQ(applet.GetHtml(), "<img id=\"" + id + "\" src=\"edit:trans.gif\" onResizeEnd=\"external.Report(this);\" "
                                                    "class=\"dsgn_applet\" width=\"400\" title=\"A &quot;clock&quot;\">");
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<applet width=\"400\" title=\"A &quot;clock&quot;\" code=\"Clock.class\" archive=\"a.jar\">\r\n"
              "  <param name=\"face\" value=\"round\">\r\n  <param name=\"TRUE\" value=\"TRUE\">\r\n</applet>\r\n");
}

TEST(ObjParamsModelTest, AnAppletsFieldsAndParametersReadBackAndOkEditsTheNodeInPlace)
{
    TDesignDocument doc(Page);
    TObjParamsModel applet(false);
    doc.Load(applet, QStringLiteral("img"));
    const QString oldId = applet.Element->Id;
    EXPECT_EQ(applet.Fields.Title, "Clock");
    ASSERT_EQ(applet.Rows.size(), 2u);
    EXPECT_EQ(applet.Rows[0].Name, "face");
    EXPECT_EQ(applet.Rows[1].Value, "UTC");

    // The fields go back as read; a renamed row adds a parameter beside the old one; an emptied value
    // removes its parameter.
    applet.Rows[0].Name = QStringLiteral("shape");
    applet.Rows[1].Value.clear();
    applet.Fields.Width = QStringLiteral("150");
    applet.Fields.Title.clear();
    const QString id = doc.NextId();
    TElementWrites writes;
    applet.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + id, "set width=150", "set height=40", "remove style",
                                           "set align=top"}));
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<applet code=\"Clock.class\" codebase=\"classes/\" archive=\"a.jar, b.jar\" width=\"150\" "
              "height=\"40\" align=\"top\" alt=\"A clock\">\r\n  <param name=\"face\" value=\"round\">\r\n  Text\r\n"
              "  <param name=\"shape\" value=\"round\">\r\n</applet>\r\n");
    EXPECT_EQ(doc.KeptTag(oldId)->GetAttribute(ATTR_WIDTH), "120") << "undo brings back the old node";

    // An object without parameters opens with one empty row.
    TObjParamsModel activeX(true);
    doc.Load(activeX, QStringLiteral("img"), 2);
    EXPECT_EQ(activeX.Fields.Codebase, "x.cab");
    ASSERT_EQ(activeX.Rows.size(), 1u);
}

TEST(ObjParamsModelTest, OkNeedsTheCodeOrTheClassIdAndEachToolTakesItsNodes)
{
    TObjParamsModel applet(false);
    EXPECT_EQ(applet.Check().Message, "Please specify a compiled Java Applet file first.");
    EXPECT_EQ(applet.Check().Field, &applet.Fields.Code);
    TObjParamsModel activeX(true);
    EXPECT_EQ(activeX.Check().Message, "Please specify ActiveX Class ID first.");
    EXPECT_EQ(activeX.Check().Field, &activeX.Fields.ClassId);

    TDesignDocument doc(Page);
    const auto appletTool = MakeTool("TToolObjApplet");
    const auto activeXTool = MakeTool("TToolObjActiveX");
    const TElementSnapshot appletElement = doc.Element(QStringLiteral("img"), 0);
    EXPECT_TRUE(appletTool->CanEdit(appletElement, doc.Filter));
    EXPECT_FALSE(activeXTool->CanEdit(appletElement, doc.Filter));
    for (int i : {1, 2}) {
        EXPECT_FALSE(appletTool->CanEdit(doc.Element(QStringLiteral("img"), i), doc.Filter));
        EXPECT_TRUE(activeXTool->CanEdit(doc.Element(QStringLiteral("img"), i), doc.Filter)) << "any class id";
    }
}

// The user's controls in Config.ini for the length of a test.
class TUserControls
{
public:
    explicit TUserControls(const QStringList& Lines)
    {
        for (const QString& line : Lines)
            ConfigIni().WriteString(QLatin1String(ControlsSection), line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    ~TUserControls() { ConfigIni().EraseSection(QLatin1String(ControlsSection)); }
};

TEST(SelectClassIdTest, TheListIsSortedByNameFilteredToClassIdsAndReadAgainOnRefresh)
{
    const TUserControls controls({"{AAAAAAAA-0000-0000-0000-000000000001}=zeta",
                                  "{AAAAAAAA-0000-0000-0000-000000000002}=",
                                  "not a class id=Hidden",
                                  "{AAAAAAAA-0000-0000-0000-000000000003}=Z_last",
                                  "{AAAAAAAA-0000-0000-0000-000000000004}=Zeta",
                                  "{d27cdb6e-ae6d-11cf-96b8-444553540000}=My Player"});
    TClassIdList list;
    list.LoadClassList();
    EXPECT_EQ(list.ClassNames,
              (QStringList{"My Player", "QuickTime", "Real Player", "Windows Media Player", "Windows Media Player (older class id)",
                           "zeta", "Zeta", "Z_last", "{AAAAAAAA-0000-0000-0000-000000000002}"}))
        << "letters sort without case and before \"_\"; equal names keep their order; a control without a name "
           "shows its key; a user entry names a known class id";
    EXPECT_EQ(list.ClassIds.value(0), "D27CDB6E-AE6D-11cf-96B8-444553540000");
    EXPECT_EQ(list.ClassIds.value(4), "22D6F312-B0F6-11D0-94AB-0080C74C7E95");
    EXPECT_EQ(list.ClassIds.value(6), "AAAAAAAA-0000-0000-0000-000000000004");

    // A new entry shows after a refresh only.
    ConfigIni().WriteString(QLatin1String(ControlsSection), QStringLiteral("{AAAAAAAA-0000-0000-0000-000000000005}"),
                            QStringLiteral("Alpha"));
    list.SelectClassId(QStringLiteral("clsid:aaaaaaaa-0000-0000-0000-000000000005"));
    EXPECT_EQ(list.Selected, -1);
    list.LoadClassList();
    EXPECT_EQ(list.ClassNames.value(0), "Alpha");
}

TEST(SelectClassIdTest, AClassIdSelectsItsRowAndTheSelectionGivesItBack)
{
    const TUserControls controls({"{AAAAAAAA-0000-0000-0000-000000000001}=Mine"});
    TClassIdList list;
    EXPECT_EQ(list.GetSelectedClassId(), "") << "loads the list; nothing selected";
    EXPECT_TRUE(list.ListLoaded);
    const struct
    {
        const char* Text;
        const char* Selected; // the answer afterwards
    } cases[] = {
        {"clsid:aaaaaaaa-0000-0000-0000-000000000001", "clsid:AAAAAAAA-0000-0000-0000-000000000001"},
        {"CLSID:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B", "clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B"},
        {"AAAAAAAA-0000-0000-0000-000000000001", ""}, // six characters always go
        {"clsid:FFFFFFFF-0000-0000-0000-000000000000", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        list.SelectClassId(QLatin1String(c.Text));
        EXPECT_EQ(list.GetSelectedClassId(), QLatin1String(c.Selected)) << c.Text;
    }
}

// ---------------------------------------------------------------------------------------------------
// Through the palette

TEST(ParamGridTest, TabGoesFromCellToCellAndLeavesTheGridAtEitherEnd)
{
    TFormToolObjActiveX form;
    form.show();
    auto* grid = form.findChild<TParamGrid*>(QStringLiteral("ParamGrid"));
    ASSERT_NE(grid, nullptr);
    grid->setRowCount(2);
    const auto press = [grid](Qt::Key Key) {
        QKeyEvent key(QEvent::KeyPress, Key, Key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(grid, &key);
    };
    grid->setFocus();
    grid->setCurrentCell(0, 1);
    press(Qt::Key_Tab);
    EXPECT_EQ(form.focusWidget(), grid);
    EXPECT_EQ(grid->currentRow(), 1);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    EXPECT_EQ(form.focusWidget(), form.BtnOk) << "past the last cell: on to OK";
    EXPECT_EQ(grid->rowCount(), 2);
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    press(Qt::Key_Backtab);
    EXPECT_EQ(form.focusWidget(), FindControl<QLineEdit>(form, "EditAlt")) << "before the first: back to the fields";
}

TEST(ParamGridTest, OkPressedByAltOWhileACellIsBeingTypedTakesWhatWasTyped)
{
    TFormToolObjApplet form;
    form.show();
    QApplication::setActiveWindow(&form);
    SetControlText(form, "EditCode", QStringLiteral("Clock.class"));
    auto* grid = form.findChild<TParamGrid*>(QStringLiteral("ParamGrid"));
    ASSERT_NE(grid, nullptr);
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    Type(grid, QStringLiteral("f")); // opens the cell's editor
    QWidget* editor = grid->indexWidget(grid->currentIndex());
    ASSERT_NE(editor, nullptr);
    Type(editor, QStringLiteral("aces"));
    // The shortcut takes no focus from the editor; the button clicks itself a moment later.
    Key(editor, Qt::Key_O, Qt::AltModifier, QStringLiteral("o"));
    ASSERT_TRUE(WaitUntil([&form] { return !form.isVisible(); }));
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const std::vector<TParamRow>& rows = static_cast<TObjParamsModel&>(form.Model()).Rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Name, "faces") << "what OK read";
}

using ToolObjAppletTest = TToolPageTest;

void SetCell(const QWidget& Form, int Row, int Column, const QString& Text)
{
    FindControl<QTableWidget>(Form, "ParamGrid")->setItem(Row, Column, new QTableWidgetItem(Text));
}

TEST_F(ToolObjAppletTest, AnAppletAndAnActiveXObjectAreInsertedEditedByDoubleClickAndSaved)
{
    const TUserControls controls({"{AAAAAAAA-0000-0000-0000-000000000001}=A Control"});
    Dialogs.Answers = {mrOk, mrOk};
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Java Applet"), QStringLiteral("img.dsgn_applet"),
        [](QDialog& f) {
            ClickOk(f);
            SetControlText(f, "EditCode", QStringLiteral("Clock.class"));
            SetControlText(f, "EditArchive", QStringLiteral("clock.jar"));
            SetCell(f, 0, 0, QStringLiteral("face"));
            SetCell(f, 0, 1, QStringLiteral("round"));
            // Moving down from the last row appends an empty one.
            auto* grid = FindControl<QTableWidget>(f, "ParamGrid");
            grid->setCurrentCell(0, 1);
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(grid, &down);
            SetCell(f, 1, 0, QStringLiteral("tz"));
            SetCell(f, 1, 1, QStringLiteral("UTC"));
            ClickOk(f);
        },
        [](QDialog& f) {
            ASSERT_EQ(FindControl<QTableWidget>(f, "ParamGrid")->rowCount(), 2);
            SetCell(f, 1, 1, QString());
            SetControlText(f, "EditTitle", QStringLiteral("Clock"));
            ClickOk(f);
        }));

    const auto picker = [](QDialog& p) {
        FindControl<QPushButton>(p, "BtnOK")->click(); // wants a row
        EXPECT_TRUE(p.isVisible());
        auto* list = FindControl<QListWidget>(p, "ListBox1");
        list->setCurrentItem(list->findItems(QStringLiteral("A Control"), Qt::MatchExactly).value(0));
        FindControl<QPushButton>(p, "BtnOK")->click();
    };
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert ActiveX Object"), QStringLiteral("img.dsgn_activex"),
        [&](QDialog& f) {
            EXPECT_EQ(FindControl<QTableWidget>(f, "ParamGrid")->rowCount(), 1);
            Dialogs.Forms.push_front(picker);
            FindControl<QToolButton>(f, "BtnSelect")->click();
            auto* classId = FindControl<QLineEdit>(f, "EditClassID");
            EXPECT_GE(classId->width(), classId->fontMetrics().horizontalAdvance(classId->text()) + 12)
                << "the whole class id shows";
            SetCell(f, 0, 0, QStringLiteral("mode"));
            SetCell(f, 0, 1, QStringLiteral("fast"));
            ClickOk(f);
        },
        [&](QDialog& f) {
            // The picker opens on the dialog's class id; Cancel leaves the field alone.
            Dialogs.Forms.push_front([](QDialog& p) {
                EXPECT_EQ(FindControl<QListWidget>(p, "ListBox1")->currentRow(), 0) << "A Control sorts first";
                FindControl<QPushButton>(p, "BtnCancel")->click();
            });
            FindControl<QToolButton>(f, "BtnSelect")->click();
            SetControlText(f, "EditCodeBase", QStringLiteral("ctl.cab#version=1,0"));
            SetControlText(f, "EditHeight", QStringLiteral("50"));
            ClickOk(f);
        }));
    EXPECT_EQ(Dialogs.FormsShown.mid(2), (QStringList{"  ActiveX Properties", "Select Class ID",
                                                      "  ActiveX Properties", "Select Class ID"}));
    EXPECT_EQ(Dialogs.MessageTexts(), (QStringList{"Please specify a compiled Java Applet file first.",
                                                   "Please select an ActiveX object first."}));
    ExpectSavedAs(W.Save(), QStringLiteral("applet-saved.html"));
}

} // namespace
