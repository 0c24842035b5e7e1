// The Objects palette: layout for several widths, hit testing, hints, button states and the mouse; then,
// on the engine, the roads of a click and a double-click and where the dialogs open.
#include "ToolManager.h"

#include "Dialogs.h"
#include "TagEditors.h"
#include "ToolTesting.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int IndexOf(const TToolManager& Palette, const QString& Caption)
{
    const auto& items = Palette.Items();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->Caption == Caption)
            return int(i);
    return -1;
}

// The first button of a tool not built; with every tool built, the button of a row added without a maker.
int FirstDisabled(TToolManager& Palette)
{
    const auto& items = Palette.Items();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->ImageIndex >= 0 && !items[i]->Enabled)
            return int(i);
    Palette.AddTool(TToolRow{"TToolLater", "Not Built", "", 0, false, false, nullptr});
    return int(items.size()) - 1;
}

void SendMouse(QWidget* Target, QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons)
{
    QMouseEvent event(Type, QPointF(At), Target->mapToGlobal(QPointF(At)),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons, Qt::NoModifier);
    QApplication::sendEvent(Target, &event);
}

class ToolManagerLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Palette.SetImages(LoadToolImages());
        LoadTools(Palette);
        Palette.show();
    }
    TToolManager Palette;
};

TEST_F(ToolManagerLayoutTest, ButtonsFillCentredRowsAndEachRuleTakesARowOfItsOwn)
{
    const struct
    {
        int Width;
        int Columns;
        int Left;
    } cases[] = {{20, 1, -5}, {30, 1, 0}, {65, 2, 2}, {95, 3, 2}, {200, 6, 10}};
    for (const auto& c : cases) {
        Palette.resize(c.Width, 1000);
        // The three groups hold 9, 12 and 8 buttons; a rule follows each of the first two.
        const auto rows = [&](int buttons) { return (buttons + c.Columns - 1) / c.Columns; };
        const int rule1 = 8 + rows(9) * 30;
        const int rule2 = rule1 + 30 + rows(12) * 30;
        int cell = 0;
        int rules = 0;
        for (const auto& item : Palette.Items()) {
            const QRect& b = item->Bounds;
            if (item->ImageIndex == -2) {
                EXPECT_EQ(b, QRect(c.Left, rules == 0 ? rule1 : rule2, c.Columns * 30, 30)) << c.Width;
                ++rules;
                cell = 0;
            } else if (item->ImageIndex == -1) {
                EXPECT_TRUE(b.isNull()) << item->Caption.toStdString();
            } else {
                const int top = rules == 0 ? 8 : rules == 1 ? rule1 + 30 : rule2 + 30;
                EXPECT_EQ(b, QRect(c.Left + cell % c.Columns * 30, top + cell / c.Columns * 30, 30, 30))
                    << c.Width << " " << item->Caption.toStdString();
                ++cell;
            }
        }
        EXPECT_EQ(rules, 2);
    }
    EXPECT_EQ(Palette.GlyphLeft(), 3);
    EXPECT_EQ(Palette.GlyphTop(), 3);
    Palette.SetImages({});
    EXPECT_EQ(Palette.GlyphLeft(), -1);
}

// The buttons a user can see in the palette as it stands: whole and clear of its scroll bar.
QList<const TToolItem*> ButtonsOnShow(const TToolManager& Palette)
{
    QRect visible = Palette.rect();
    for (const QScrollBar* bar : Palette.findChildren<QScrollBar*>())
        if (bar->isVisible())
            visible.setRight(bar->x() - 1);
    QList<const TToolItem*> shown;
    for (const auto& item : Palette.Items())
        if (item->ImageIndex >= 0 && visible.contains(item->Bounds))
            shown << item.get();
    return shown;
}

int Buttons(const TToolManager& Palette)
{
    return int(std::count_if(Palette.Items().begin(), Palette.Items().end(),
                             [](const auto& item) { return item->ImageIndex >= 0; }));
}

TEST_F(ToolManagerLayoutTest, AWideLowPaletteRunsItsGroupsAlongTheRowsAndAnySmallerOneScrolls)
{
    QScrollBar* bar = Palette.findChild<QScrollBar*>();
    ASSERT_TRUE(bar);
    // Docked at the bottom, 80 pixels high: the groups follow one another in two rows, every button shown.
    Palette.resize(700, 80);
    EXPECT_EQ(ButtonsOnShow(Palette).size(), Buttons(Palette));
    int rules = 0;
    for (const auto& item : Palette.Items())
        if (item->ImageIndex == -2) {
            EXPECT_EQ(item->Bounds.size(), QSize(30, 30)) << "a separator is one cell";
            ++rules;
        }
    EXPECT_EQ(rules, 2);
    EXPECT_TRUE(bar->isHidden());
    // Tall enough, the groups keep a row each, as at the side of the window.
    Palette.resize(700, 200);
    for (const auto& item : Palette.Items())
        if (item->ImageIndex == -2)
            EXPECT_EQ(item->Bounds.width(), 690);

    // Too small for all: the wheel scrolls every button into view, and the one on show is the one hit.
    Palette.resize(65, 200);
    ASSERT_TRUE(bar->isVisible());
    QSet<const TToolItem*> seen;
    for (int turn = 0; turn < 40; ++turn) {
        for (const TToolItem* item : ButtonsOnShow(Palette)) {
            seen << item;
            EXPECT_EQ(Palette.ItemAt(item->Bounds.center().x(), item->Bounds.center().y()),
                      IndexOf(Palette, item->Caption));
        }
        QWheelEvent wheel(QPointF(20, 100), Palette.mapToGlobal(QPointF(20, 100)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Palette, &wheel);
    }
    EXPECT_EQ(seen.size(), Buttons(Palette));
    EXPECT_EQ(bar->value(), bar->maximum());
    const auto& last = Palette.Items().back();
    EXPECT_LE(last->Bounds.bottom(), Palette.height() - 8) << "the last row clear of the edge";
}

TEST_F(ToolManagerLayoutTest, OnlyButtonsAreHitAndTheHoveredOneShowsItsCaption)
{
    Palette.resize(65, 600);
    const int image = IndexOf(Palette, "Insert Image");
    const QRect cell = Palette.Items()[size_t(image)]->Bounds;
    EXPECT_EQ(Palette.ItemAt(cell.left(), cell.top()), image);
    EXPECT_EQ(Palette.ItemAt(cell.right(), cell.bottom()), image);
    EXPECT_EQ(Palette.ItemAt(cell.left() - 1, cell.top()), -1) << "the margin";
    EXPECT_EQ(Palette.ItemAt(cell.left(), 7), -1) << "above the first row";
    for (const auto& item : Palette.Items())
        if (item->ImageIndex == -2)
            EXPECT_EQ(Palette.ItemAt(item->Bounds.center().x(), item->Bounds.center().y()), -1) << "a rule";

    SendMouse(&Palette, QEvent::MouseMove, cell.center(), Qt::NoButton);
    EXPECT_EQ(Palette.HotIndex(), image);
    EXPECT_EQ(Palette.toolTip(), "Insert Image");
    const int disabled = FirstDisabled(Palette);
    ASSERT_GE(disabled, 0);
    SendMouse(&Palette, QEvent::MouseMove, Palette.Items()[size_t(disabled)]->Bounds.center(), Qt::NoButton);
    EXPECT_EQ(Palette.toolTip(), Palette.Items()[size_t(disabled)]->Caption) << "a disabled tool still tells what it is";
    SendMouse(&Palette, QEvent::MouseMove, QPoint(1, 2), Qt::NoButton);
    EXPECT_EQ(Palette.HotIndex(), -1);
    SendMouse(&Palette, QEvent::MouseMove, cell.center(), Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&Palette, &leave);
    EXPECT_EQ(Palette.HotIndex(), -1);
}

TEST_F(ToolManagerLayoutTest, AButtonIsDrawnFlatHotOrPressedAndADisabledOneNeverGoesDown)
{
    Palette.resize(65, 600);
    const QPalette colors = Palette.palette();
    const int image = IndexOf(Palette, "Insert Image");
    const QRect cell = Palette.Items()[size_t(image)]->Bounds;
    const auto corner = [&] { return Palette.grab().toImage().pixel(cell.topLeft()); };
    EXPECT_EQ(corner(), colors.color(QPalette::Button).rgb());
    SendMouse(&Palette, QEvent::MouseMove, cell.center(), Qt::NoButton);
    EXPECT_EQ(corner(), colors.color(QPalette::Light).rgb());
    SendMouse(&Palette, QEvent::MouseButtonPress, cell.center(), Qt::LeftButton);
    EXPECT_TRUE(Palette.Pressed());
    EXPECT_EQ(corner(), colors.color(QPalette::Dark).rgb());
    // While the button is down, moving elsewhere does not move the hot button.
    SendMouse(&Palette, QEvent::MouseMove, QPoint(1, 500), Qt::LeftButton);
    EXPECT_EQ(Palette.HotIndex(), image);
    SendMouse(&Palette, QEvent::MouseButtonRelease, QPoint(1, 500), Qt::NoButton);
    EXPECT_FALSE(Palette.Pressed());
    EXPECT_EQ(corner(), colors.color(QPalette::Button).rgb());

    const int disabled = FirstDisabled(Palette);
    ASSERT_GE(disabled, 0);
    SendMouse(&Palette, QEvent::MouseButtonPress, Palette.Items()[size_t(disabled)]->Bounds.center(), Qt::LeftButton);
    EXPECT_FALSE(Palette.Pressed());
}

class TSharedModel : public TTagModel
{
protected:
    void DoLoad() override {}
};

class TSharedEditor : public TTagEditor
{
public:
    TSharedEditor() : TTagEditor(QStringLiteral("  Shared")) {}
    TTagModel& Model() override { return M; }
    TSharedModel M;
};

class TSharingTool : public TToolItem
{
public:
    TTagEditor* GetEditor() override { return SharedEditor<TSharedEditor>(); }
};

TEST_F(ToolManagerLayoutTest, ToolsShowingOneDialogClassShareOneDialog)
{
    TToolItem* first = Palette.AddTool(std::make_unique<TSharingTool>());
    TToolItem* second = Palette.AddTool(std::make_unique<TSharingTool>());
    ASSERT_NE(first->GetEditor(), nullptr);
    EXPECT_EQ(first->GetEditor(), second->GetEditor());
    EXPECT_EQ(first->GetEditor()->windowTitle(), "  Shared");
    EXPECT_EQ(TSharingTool().GetEditor(), nullptr) << "outside a palette";
}

// Every drop-down of every dialog, by tool: "list" takes only its items, "typed" takes any text.
TEST_F(ToolManagerLayoutTest, EachDialogsDropDownsAreListsOrTakeTypedTextAsTheirFieldsSay)
{
    const struct
    {
        const char* Tool;
        const char* Combos; // object name and kind, by name
    } cases[] = {
        {"Body", "ComboTarget=typed"},
        {"Insert Image", "ComboAlign=typed ComboMap=typed"},
        {"Insert Table", "ComboAlign=typed ComboFrame=list ComboInner=list"},
        {"Table Cell", "ComboAlign=list ComboValign=list"},
        {"Insert Horizontal Rule", "ComboAlign=list"},
        {"Insert Date and Time", "ComboBox1=typed ComboBox2=typed"},
        {"Insert Line Break", "ComboClear=typed"},
        {"Insert Comment", ""},
        {"Insert Anchor", ""},
        {"Insert Script", "ComboType=typed"},
        {"Insert External Script File", "ComboCharset=typed"},
        {"Insert Form", "ComboEncType=typed ComboMethod=typed"},
        {"Insert Input Text", ""},
        {"Insert Input Button", "ComboType=typed"},
        {"Insert Input Checkbox", ""},
        {"Insert Hidden Input", ""},
        {"Insert Image Button", "ComboAlign=typed"},
        {"Insert Input Combobox", ""},
        {"Insert Text Area", "ComboWrap=typed"},
        {"Insert Background Sound", ""},
        {"Insert Running Text (Marquee)", "ComboAlign=list ComboBehavior=list ComboDirection=list"},
        {"Insert Flash Movie",
         "ComboAlign=typed ComboObjAlign=typed ComboQuality=typed ComboSAlign=typed ComboScale=typed ComboWMode=typed"},
        {"Insert QuickTime Movie", "ComboAlign=typed ComboFullscreen=list ComboLoop=list"},
        {"Insert Real Media", "ComboAlign=typed ComboConsole=typed ComboControls=list"},
        {"Insert Windows Media Player", "ComboAlign=typed"},
        {"Insert Java Applet", "ComboAlign=typed"},
        {"Insert ActiveX Object", "ComboAlign=typed"},
    };
    for (const auto& c : cases) {
        const int index = IndexOf(Palette, QLatin1String(c.Tool));
        ASSERT_GE(index, 0) << c.Tool;
        TTagEditor* dialog = Palette.Items()[size_t(index)]->GetEditor();
        ASSERT_NE(dialog, nullptr) << c.Tool;
        QStringList combos;
        for (const QComboBox* combo : dialog->findChildren<QComboBox*>())
            combos << combo->objectName() + (combo->isEditable() ? "=typed" : "=list");
        combos.sort();
        EXPECT_EQ(combos.join(' '), QLatin1String(c.Combos)) << c.Tool;
    }
}

// ---------------------------------------------------------------------------------------------------
// The roads, on the engine, with tools of the test's own

class TFakeModel : public TTagModel
{
public:
    QString Html = QStringLiteral("<hr id=\"made\">");
    TFieldError Check() const override { return {}; }
    QString GetHtml() override { return Html; }
    void Apply(TElementWrites& Writes) override
    {
        Writes.Set(QStringLiteral("title"), QStringLiteral("applied"));
        Writes.Set(QStringLiteral("className"), QStringLiteral("done"));
    }

protected:
    void DoLoad() override {}
};

class TFakeEditor : public TTagEditor
{
public:
    explicit TFakeEditor(const QString& Caption) : TTagEditor(Caption) { AddPage(QStringLiteral("General")); }
    TTagModel& Model() override { return M; }
    TFakeModel M;
};

class TFakeTool : public TToolItem
{
public:
    TFakeTool(const char* Tag, const char* Caption, bool InPlace, bool Accepts) : FAccepts(Accepts), Editor(Caption)
    {
        TagName = QLatin1String(Tag);
        this->Caption = QLatin1String(Caption);
        EditInPlace = InPlace;
        ImageIndex = 9;
    }
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const override
    {
        Asked << Element.Tag;
        return FAccepts;
    }
    TTagEditor* GetEditor() override { return &Editor; }

    bool FAccepts;
    mutable QStringList Asked;
    TFakeEditor Editor;
};

class TOtherFakeTool : public TFakeTool
{
public:
    using TFakeTool::TFakeTool;
};

const QByteArray RoadPage = "<html><body><p id=\"para\">Some text and <a href=\"x.html\" id=\"link\">a link</a>.</p>"
                            "<p id=\"pics\">Pictures: <img src=\"edit:trans.gif\" width=\"20\" height=\"20\"></p>"
                            "</body></html>";

// One design view for the suite: starting the engine is the slow part.
class ToolManagerRoadTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir();
        Designer = new THtmlDesigner();
        Designer->resize(600, 400);
        Designer->move(200, 100);
        Designer->show();
    }
    static void TearDownTestSuite()
    {
        delete Designer;
        delete Dir;
    }
    void SetUp() override
    {
        const QString page = Dir->filePath(QStringLiteral("page.html"));
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RoadPage);
        file.close();
        Designer->LoadFromFile(page);
        ASSERT_TRUE(WaitUntil([] { return Eval(QStringLiteral("document.body.offsetHeight")).toInt() > 0; }));
        Palette.SetDesigner(Designer);
        Palette.OnChange = [this](TToolManager*) { ++Changes; };
        Palette.OnRequireSavedDocument = [this] {
            ++Guarded;
            return Saved;
        };
    }
    TFakeTool* Add(const char* Tag, const char* Caption, bool InPlace, bool Accepts)
    {
        return static_cast<TFakeTool*>(Palette.AddTool(std::make_unique<TFakeTool>(Tag, Caption, InPlace, Accepts)));
    }
    static QVariant Eval(const QString& Script)
    {
        QVariant value;
        Designer->Bridge()->Call(Script, &value);
        return value;
    }
    static QString Body() { return Eval(QStringLiteral("document.body.innerHTML")).toString(); }
    static TEngineElement Element(const char* Selector)
    {
        const QString id = Eval(QStringLiteral("document.querySelector('%1').id").arg(QLatin1String(Selector)))
                               .toString();
        return TEngineElement::FromId(Designer->Bridge(), id);
    }
    static void Caret(const char* Selector)
    {
        Eval(QStringLiteral("(function(){const r=document.createRange();r.selectNodeContents(document.querySelector('%1'));"
                            "r.collapse(false);getSelection().removeAllRanges();getSelection().addRange(r);})()")
                 .arg(QLatin1String(Selector)));
    }
    static QString LastGroup()
    {
        const TUndoGroups& groups = Designer->UndoGroups();
        return groups.Index() >= 0 ? groups.Caption(groups.Index()) : QString();
    }

    static inline THtmlDesigner* Designer = nullptr;
    static inline QTemporaryDir* Dir = nullptr;
    TToolManager Palette;
    TScriptedDialogs Dialogs;
    int Changes = 0;
    int Guarded = 0;
    bool Saved = true;
};

TEST_F(ToolManagerRoadTest, AClickAtTheCaretInsertsAsOneGroupWithOneChange)
{
    TFakeTool* tool = Add("HR", "Insert Rule", true, true);
    Caret("#para");
    Dialogs.Forms = {ClickCancel, ClickOk};
    Palette.ToolClick(tool);
    EXPECT_EQ(Changes, 0) << "Cancel changes nothing";
    EXPECT_FALSE(Body().contains("made"));
    const QString before = Body();
    Palette.ToolClick(tool);
    EXPECT_EQ(Changes, 1);
    EXPECT_TRUE(Body().contains("<hr id=\"made\">"));
    EXPECT_EQ(LastGroup(), "Insert");
    Designer->Undo();
    EXPECT_EQ(Body(), before);
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"Insert Rule", "Insert Rule"}));
    EXPECT_EQ(Guarded, 0) << "a tool that needs no saved document never asks";
}

TEST_F(ToolManagerRoadTest, TheSavedDocumentGuardComesFirstAndARefusalStopsTheClick)
{
    TFakeTool* tool = Add("HR", "Insert Rule", true, true);
    tool->NeedsSavedDocument = true;
    Caret("#para");
    Saved = false;
    Palette.ToolClick(tool);
    EXPECT_EQ(Guarded, 1);
    EXPECT_TRUE(Dialogs.FormsShown.isEmpty());
    Saved = true;
    Dialogs.Forms = {ClickOk};
    Palette.ToolClick(tool);
    EXPECT_EQ(Guarded, 2);
    EXPECT_EQ(Changes, 1);
}

TEST_F(ToolManagerRoadTest, ASelectedControlIsEditedByItsToolOrGetsTheNewElementBeforeIt)
{
    TFakeTool* refusing = Add("IMG", "Refusing", true, false);
    TFakeTool* inPlace = Add("IMG", "In Place", true, true);
    TFakeTool* replacing = Add("IMG", "Replacing", false, true);
    replacing->Editor.M.Html = QStringLiteral("<b id=\"replaced\">B</b>");

    // A tool that refuses the image inserts its new element before it; a rule splits the paragraph there.
    ASSERT_TRUE(Element("img").Select());
    Dialogs.Forms = {ClickOk};
    Palette.ToolClick(refusing);
    EXPECT_TRUE(Body().contains(QRegularExpression("Pictures: </p><hr id=\"made\"><p><img"))) << Body().toStdString();
    EXPECT_EQ(refusing->Asked, QStringList{"IMG"});
    EXPECT_EQ(LastGroup(), "Insert");

    // An in-place tool writes its batch as one group named after its dialog.
    ASSERT_TRUE(Element("img").Select());
    const QString before = Body();
    Dialogs.Forms = {ClickOk};
    Palette.ToolClick(inPlace);
    EXPECT_TRUE(Body().contains(QRegularExpression("<img [^>]*class=\"done\"[^>]*title=\"applied\""))) << Body().toStdString();
    EXPECT_EQ(LastGroup(), "In Place");
    EXPECT_EQ(Changes, 2);
    Designer->Undo();
    EXPECT_EQ(Body(), before);

    // Any other tool puts its new HTML in the element's place.
    ASSERT_TRUE(Element("img").Select());
    Dialogs.Forms = {ClickOk};
    Palette.ToolClick(replacing);
    EXPECT_TRUE(Body().contains("Pictures: </p><hr id=\"made\"><p><b id=\"replaced\">B</b>")) << Body().toStdString();
    EXPECT_EQ(Changes, 3);
}

TEST_F(ToolManagerRoadTest, ADoubleClickAsksOnlyTheFirstToolThatTakesTheElement)
{
    TFakeTool* other = Add("HR", "Other Tag", true, true);
    TFakeTool* refusing = Add("P", "Refusing", true, false);
    TFakeTool* first = Add("P", "First", true, true);
    TFakeTool* second = Add("P", "Second", true, true);
    Dialogs.Forms = {ClickCancel};
    Palette.EditByDoubleClick(Element("#para"));
    EXPECT_TRUE(other->Asked.isEmpty()) << "a tool of another tag is not asked";
    EXPECT_EQ(refusing->Asked, QStringList{"P"});
    EXPECT_EQ(first->Asked, QStringList{"P"});
    EXPECT_TRUE(second->Asked.isEmpty()) << "a cancelled dialog tries no other tool";
    EXPECT_EQ(Dialogs.FormsShown, QStringList{"First"});
    EXPECT_EQ(Changes, 0);

    Dialogs.Forms = {ClickOk};
    Palette.EditByDoubleClick(Element("#para"));
    EXPECT_EQ(Eval(QStringLiteral("document.querySelector('#para').title")).toString(), "applied");
    EXPECT_EQ(Changes, 1);
}

TEST_F(ToolManagerRoadTest, ADoubleClickOnALinkRunsTheLinkCommandAndNoTool)
{
    TFakeTool* anyLink = Add("A", "Link Tool", true, true);
    QStringList asked;
    const TInputQueryHook previous = SetInputQueryHook([&](const QString&, const QString&, QString& value) {
        asked << value;
        value = QStringLiteral("y.html");
        return true;
    });
    ASSERT_TRUE(Element("#link").Select(true));
    Designer->Bridge()->RefreshState(true);
    Palette.EditByDoubleClick(Element("#link"));
    SetInputQueryHook(previous);
    EXPECT_TRUE(anyLink->Asked.isEmpty());
    EXPECT_TRUE(Dialogs.FormsShown.isEmpty());
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(Body().contains("href=\"y.html\"")) << Body().toStdString();
    EXPECT_EQ(Changes, 1);
}

TEST_F(ToolManagerRoadTest, APressedButtonRunsItsToolWhereverTheMouseComesUp)
{
    Palette.resize(65, 400);
    Add("HR", "Before", true, true);
    Add("HR", "Pressed", true, true);
    Palette.AddTool(std::make_unique<TOtherFakeTool>("HR", "Other Class", true, true));
    const QRect cell = Palette.Items()[1]->Bounds;
    Caret("#para");
    Dialogs.Forms = {ClickCancel, ClickCancel};
    SendMouse(&Palette, QEvent::MouseButtonPress, cell.center(), Qt::LeftButton);
    SendMouse(&Palette, QEvent::MouseMove, QPoint(2, 300), Qt::LeftButton);
    SendMouse(&Palette, QEvent::MouseButtonRelease, QPoint(2, 300), Qt::NoButton);
    EXPECT_EQ(Dialogs.FormsShown, QStringList{"Pressed"});
    // ExecuteTool clicks the first tool of a class.
    Palette.ExecuteTool<TOtherFakeTool>();
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"Pressed", "Other Class"}));
}

TEST_F(ToolManagerRoadTest, ADialogOpensBesideItsAnchorInsideTheDesignView)
{
    const QPoint o = Designer->mapToGlobal(QPoint(0, 0));
    const QRect d(o + QPoint(10, 10), Designer->size() - QSize(20, 20));
    QWidget small;
    small.setFixedSize(100, 80);
    QWidget large;
    large.setFixedSize(d.width() + 50, 50);
    QWidget tall;
    tall.setFixedSize(100, d.bottom() + 60);
    const QRect screen = Designer->screen()->availableGeometry();
    const struct
    {
        QWidget* Dialog;
        QRect Anchor;
        QPoint At;
    } cases[] = {
        // A double-click in the view: right of and below the pointer's square.
        {&small, QRect(o + QPoint(100, 100), QSize(40, 40)), o + QPoint(140, 140)},
        // Too near the view's bottom edge: moved up inside it.
        {&small, QRect(o + QPoint(100, 350), QSize(40, 40)), QPoint(o.x() + 140, d.bottom() + 1 - 80)},
        // A palette button left of the view: its top-left corner, moved into the view.
        {&small, QRect(o + QPoint(-70, 30), QSize(30, 30)), QPoint(d.left(), o.y() + 30)},
        // A dialog wider than the view ends at the view's right edge, left of its left edge.
        {&large, QRect(o + QPoint(-70, 30), QSize(30, 30)), QPoint(d.right() + 1 - large.width(), o.y() + 30)},
        // One taller than the view would go beyond the screen's top: it keeps its caption on the screen.
        {&tall, QRect(o + QPoint(100, 100), QSize(40, 40)), QPoint(o.x() + 140, screen.top())},
    };
    for (const auto& c : cases) {
        Palette.PlaceEditor(c.Anchor, c.Dialog);
        EXPECT_EQ(c.Dialog->pos(), c.At) << c.Anchor.x() << "," << c.Anchor.y();
    }
}

// ---------------------------------------------------------------------------------------------------
// The design view of the main window under the user's pointer and keys, with the program's own tools

const QByteArray UserPage =
    "<html><head><title>Old title</title></head><body>Zlib is a general purpose compression library."
    "<p id=\"before\">Before the table.</p>"
    "<table border=\"6\" cellspacing=\"8\"><tr><td id=\"a\">a</td><td id=\"b\">b</td></tr>"
    "<tr><td id=\"c\">c</td><td id=\"d\">d</td></tr></table>"
    "<p id=\"after\">After the table.</p></body></html>";

class ToolManagerUserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(W.Open(Dir.path(), QStringLiteral("page.html"), UserPage));
        W.Window.activateWindow();
        W.Designer()->View()->setFocus();
    }
    QString Js(const QString& Script) const { return W.Eval(Script).toString(); }
    QString Html(const char* Selector) const
    {
        return Js(QStringLiteral("document.querySelector('%1').innerHTML").arg(QLatin1String(Selector)));
    }
    // The id of the element around the caret (or the selection's start).
    QString CaretIn() const
    {
        return Js(QStringLiteral("(function(){const s=getSelection();if(!s.rangeCount)return '';"
                                 "let n=s.getRangeAt(0).startContainer;if(n.nodeType!==1)n=n.parentElement;"
                                 "const e=n.closest('[id]');return e?e.id:n.tagName;})()"));
    }
    // The centre of the word in the text of the body itself.
    QPoint WordInBody(const QString& Word) const
    {
        const QVariantList r =
            W.Eval(QStringLiteral("(function(){const t=document.body.firstChild;const i=t.data.indexOf('%1');"
                                  "const r=document.createRange();r.setStart(t,i);r.setEnd(t,i+%2);"
                                  "const b=r.getBoundingClientRect();return [b.left+b.width/2,b.top+b.height/2];})()")
                       .arg(Word)
                       .arg(Word.size()))
                .toList();
        return r.size() == 2 ? QPoint(r[0].toInt(), r[1].toInt()) : QPoint();
    }
    void Keys(int Code, Qt::KeyboardModifiers Modifiers = Qt::NoModifier, const QString& Text = {}) const
    {
        QWidget* target = W.Designer()->View()->focusProxy();
        QKeyEvent press(QEvent::KeyPress, Code, Modifiers, Text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Code, Modifiers, Text);
        QApplication::sendEvent(target, &release);
    }
    // Types Text and waits until the page shows it in the element matching Selector.
    bool TypeInto(const QString& Text, const char* Selector) const
    {
        for (QChar c : Text)
            Keys(c.toUpper().unicode(), Qt::NoModifier, QString(c));
        return WaitUntil([&] { return Html(Selector).contains(Text); });
    }
    // Clicks the frame of the table: its border, left of its cells; each time a little lower, so that
    // two clicks never make a double-click.
    void ClickFrame()
    {
        const QRect box = W.Box(QStringLiteral("table"));
        FFrameClicks = (FFrameClicks + 1) % 4;
        W.ClickAt(box.topLeft() + QPoint(3, box.height() * FFrameClicks / 5 + 4));
        ASSERT_TRUE(WaitUntil([&] { return W.Designer()->Bridge()->State().Selection == 1; }));
    }
    // Clicks the palette's tool; its dialog is confirmed with Value typed into its field Field.
    void ClickTool(const QString& Tool, const char* Field, const QString& Value)
    {
        Dialogs.Forms.push_back([Field, Value](QDialog& form) {
            FindControl<QLineEdit>(form, Field)->setText(Value);
            ClickOk(form);
        });
        W.ClickTool(Tool);
    }
    bool FocusInView() const
    {
        const QWidget* focus = QApplication::focusWidget();
        return focus && (focus == W.Designer()->View() || W.Designer()->View()->isAncestorOf(focus));
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    TToolWindow W;
    int FFrameClicks = 0;
};

TEST_F(ToolManagerUserTest, ADoubleClickOnAWordSelectsItAndOnlyTheBodysEmptyAreaOpensPageProperties)
{
    int doubleClicks = 0;
    const auto connection = QObject::connect(W.Designer(), &THtmlDesigner::OnDblClick, [&] { ++doubleClicks; });
    // A word standing directly in the body: selected, and no dialog takes the keys typed next.
    W.DoubleClickAt(WordInBody(QStringLiteral("general")));
    ASSERT_TRUE(WaitUntil([&] { return doubleClicks == 1; }));
    EXPECT_TRUE(Dialogs.FormsShown.isEmpty());
    EXPECT_EQ(Js(QStringLiteral("getSelection().toString().trim()")), QStringLiteral("general"));
    for (QChar c : QStringLiteral("broad"))
        Keys(c.toUpper().unicode(), Qt::NoModifier, QString(c));
    EXPECT_TRUE(WaitUntil([&] { return Js(QStringLiteral("document.body.firstChild.data")).contains("a broad"); }))
        << Js(QStringLiteral("document.body.firstChild.data")).toStdString();
    // The empty area beside the body's text and below the content opens Page Properties.
    const QRect line = W.Box(QStringLiteral("#after"));
    const QRect view = W.Designer()->rect();
    for (const QPoint& empty : {QPoint(view.width() - 40, WordInBody(QStringLiteral("Zlib")).y()),
                                QPoint(line.left() + 20, line.bottom() + 60)}) {
        ASSERT_LT(empty.y(), view.height());
        Dialogs.Forms.push_back([](QDialog& form) { ClickCancel(form); });
        const int shown = Dialogs.FormsShown.size();
        W.DoubleClickAt(empty);
        EXPECT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() > shown; })) << empty.x() << "," << empty.y();
    }
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"Page Properties", "Page Properties"}));
    // Every other element keeps its road: a word in a cell opens the cell's dialog.
    Dialogs.Forms.push_back([](QDialog& form) { ClickCancel(form); });
    W.DoubleClick(QStringLiteral("#c"));
    EXPECT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 3; }));
    EXPECT_EQ(Dialogs.FormsShown.value(2), QStringLiteral("  Cell Properties"));
    QObject::disconnect(connection);
    QString title;
    W.Designer()->GetHtml(title);
    EXPECT_TRUE(title.contains("<title>Old title</title>")) << title.toStdString();
}

TEST_F(ToolManagerUserTest, TabMovesTheCaretFromCellToCellAndNeverTheFocusOutOfThePage)
{
    W.ClickAt(W.Box(QStringLiteral("#a")).center());
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("a"); }));
    ASSERT_TRUE(FocusInView());
    Keys(Qt::Key_Tab);
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("b"); })) << CaretIn().toStdString();
    EXPECT_TRUE(TypeInto(QStringLiteral("1"), "#b"));
    EXPECT_EQ(Html("#b"), QStringLiteral("1b")) << "the caret stood at the start of the cell";
    // Row by row: the next row's first cell, and back.
    Keys(Qt::Key_Tab);
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("c"); }));
    Keys(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("b"); }));
    Keys(Qt::Key_Tab);
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("c"); }));
    Keys(Qt::Key_Tab);
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("d"); }));
    // Nothing past the last cell: the caret stays where it is, no tab goes into the page.
    Keys(Qt::Key_Tab);
    EXPECT_TRUE(TypeInto(QStringLiteral("2"), "#d"));
    EXPECT_EQ(Html("#d"), QStringLiteral("2d"));
    // Outside a table Tab does nothing at all.
    W.ClickAt(W.Box(QStringLiteral("#after")).topLeft() + QPoint(1, 4));
    ASSERT_TRUE(WaitUntil([&] { return CaretIn() == QLatin1String("after"); }));
    const QString before = Html("#after");
    Keys(Qt::Key_Tab);
    Keys(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(TypeInto(QStringLiteral("3"), "#after"));
    EXPECT_EQ(Html("#after"), QStringLiteral("3") + before);
    EXPECT_TRUE(FocusInView()) << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                                               : "no focus");
}

TEST_F(ToolManagerUserTest, TheCaretStandsInsideWhatAToolJustInsertedOrRightAfterIt)
{
    // Where the caret stands: "container offset", the container named by its id or, without one, its tag.
    const QString caret = QStringLiteral(
        "(function(){const r=getSelection().getRangeAt(0);const n=r.startContainer;"
        "return (r.collapsed?'':'range ')+(n.id||n.nodeName)+' '+r.startOffset;})()");
    // A table: its first cell; the insertion is still one Undo step.
    W.PlaceCaret(QStringLiteral("#before"));
    const QString body = Js(QStringLiteral("document.body.innerHTML"));
    Dialogs.Forms.push_back([](QDialog& form) { ClickOk(form); });
    W.ClickTool(QStringLiteral("Insert Table"));
    ASSERT_EQ(W.Eval(QStringLiteral("document.querySelectorAll('table').length")).toInt(), 2);
    EXPECT_EQ(Js(caret), QStringLiteral("TD 0"));
    EXPECT_TRUE(W.Eval(QStringLiteral("getSelection().getRangeAt(0).startContainer===document.querySelector('table td')"))
                    .toBool())
        << "the new table is the first of the page";
    EXPECT_EQ(W.Designer()->UndoGroups().Caption(W.Designer()->UndoGroups().Index()), QStringLiteral("Insert"));
    W.Designer()->Undo();
    EXPECT_EQ(Js(QStringLiteral("document.body.innerHTML")).toStdString(), body.toStdString());

    // A form: its paragraph.
    W.PlaceCaret(QStringLiteral("#after"));
    ClickTool(QStringLiteral("Insert Form"), "EditAction", QStringLiteral("send.php"));
    EXPECT_EQ(Js(caret), QStringLiteral("P 0"));
    EXPECT_TRUE(W.Eval(QStringLiteral("getSelection().getRangeAt(0).startContainer.parentElement.tagName==='FORM'")).toBool());

    // An image: right after it.
    W.PlaceCaret(QStringLiteral("#before"));
    ClickTool(QStringLiteral("Insert Image"), "EditSrc", QStringLiteral("pic.gif"));
    EXPECT_EQ(Js(caret), QStringLiteral("before 2"));
    EXPECT_EQ(Js(QStringLiteral("document.getElementById('before').childNodes[1].tagName")), QStringLiteral("IMG"));
    EXPECT_EQ(Dialogs.FormsShown, (QStringList{"  Table Properties", "  Form Properties", "  Image Properties"}));
}

TEST_F(ToolManagerUserTest, ATableClickedOnItsFrameIsTheSelectedControlOfThePalette)
{
    const QString table = QStringLiteral("document.querySelector('table').outerHTML");
    const QString original = Js(table);
    // A selection from the end of the line before the table to the start of the line after it selects the
    // table; one that leaves out a word beside it does not.
    const QString select = QStringLiteral("(function(){const r=document.createRange();"
                                          "r.setStart(document.getElementById('before').lastChild,%1);"
                                          "r.setEnd(document.getElementById('after').firstChild,%2);"
                                          "getSelection().removeAllRanges();getSelection().addRange(r);})()");
    W.Eval(select.arg(Js(QStringLiteral("document.getElementById('before').lastChild.data")).size()).arg(0));
    W.Designer()->Bridge()->RefreshState();
    EXPECT_EQ(W.Designer()->GetSelectionType(), 1);
    EXPECT_EQ(W.Designer()->Bridge()->State().Control.value(QStringLiteral("tag")).toString(), QStringLiteral("TABLE"));
    W.Eval(select.arg(Js(QStringLiteral("document.getElementById('before').lastChild.data")).size()).arg(5));
    W.Designer()->Bridge()->RefreshState();
    EXPECT_EQ(W.Designer()->GetSelectionType(), 2);

    // Insert Image puts the new image before the table and leaves the table whole; markup put in at the
    // selection (an entity, an icon) is refused, as with a selected image.
    ClickFrame();
    QString name;
    W.Designer()->GetSelectionTagName(name);
    EXPECT_EQ(name, QStringLiteral("TABLE"));
    EXPECT_FALSE(W.Designer()->InsertHtml(QStringLiteral("&copy;")));
    ClickTool(QStringLiteral("Insert Image"), "EditSrc", QStringLiteral("pic.gif"));
    EXPECT_EQ(Js(QStringLiteral("document.querySelector('table').previousElementSibling.tagName")), QStringLiteral("IMG"));
    EXPECT_EQ(Js(table).toStdString(), original.toStdString());

    // Insert Table edits the selected table.
    ClickFrame();
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_FALSE(FindControl<QWidget>(form, "EditRows")->isVisible());
        FindControl<QLineEdit>(form, "EditBorder")->setText(QStringLiteral("2"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Table"));
    EXPECT_EQ(Js(QStringLiteral("document.querySelector('table').getAttribute('border')")), QStringLiteral("2"));
    EXPECT_EQ(W.Eval(QStringLiteral("document.querySelectorAll('table').length")).toInt(), 1);

    // Delete takes the whole table, as one Undo step.
    const QString edited = Js(table);
    ClickFrame();
    const int groups = W.Designer()->UndoGroups().Count();
    Keys(Qt::Key_Delete);
    ASSERT_TRUE(WaitUntil([&] { return W.Eval(QStringLiteral("document.querySelectorAll('table').length")).toInt() == 0; }));
    EXPECT_EQ(Html("#after"), QStringLiteral("After the table."));
    ASSERT_TRUE(WaitUntil([&] { W.Designer()->SyncUndo(); return W.Designer()->UndoGroups().Count() == groups + 1; }));
    W.Designer()->Undo();
    EXPECT_EQ(Js(table).toStdString(), edited.toStdString());

}

} // namespace
