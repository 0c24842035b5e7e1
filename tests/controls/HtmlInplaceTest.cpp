#include "HtmlInplace.h"

#include "HtmlColors.h"
#include "WidgetInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct RecentColorsFixture : ::testing::Test
{
    QList<std::uint32_t> Saved = RecentColors();
    void SetUp() override { RecentColors() = QList<std::uint32_t>(10, clWindowColor); }
    void TearDown() override { RecentColors() = Saved; }
};

TEST_F(RecentColorsFixture, ChosenColourMovesToTheFrontOfTenSlots)
{
    EXPECT_EQ(RecentColors().size(), 10);
    for (std::uint32_t C = 1; C <= 12; ++C)
        AddRecentColor(C);
    ASSERT_EQ(RecentColors().size(), 10);
    EXPECT_EQ(RecentColors().front(), 12u);
    EXPECT_EQ(RecentColors().back(), 3u);
    AddRecentColor(7);
    EXPECT_EQ(RecentColors(), (QList<std::uint32_t>{7, 12, 11, 10, 9, 8, 6, 5, 4, 3}));
    AddRecentColor(7);
    EXPECT_EQ(RecentColors().size(), 10);
    EXPECT_EQ(RecentColors()[1], 12u);
}

TEST_F(RecentColorsFixture, PopupHitTestCoversPaletteNamedAndRecentCells)
{
    TPopupColor Popup;
    struct Case
    {
        int X, Y;
        bool Hit;
        const char* Text;
        std::uint32_t Color;
    };
    const Case Cases[] = {
        {5 + 16 * 10 + 3, 5 + 4 * 10 + 3, true, "#FF0000", 0x0000FF}, // column 16, row 4
        {5, 5, true, "#FFFFFF", 0xFFFFFF},
        {394, 94, true, "#FF6633", 0x3366FF}, // last column, last row
        {395, 50, false, "", 0},              // right edge excluded
        {50, 95, false, "", 0},               // bottom edge excluded
        {55, 100, true, "Black", 0x000000},
        {55 + 20 * 5, 110, true, "Red", 0x0000FF},
        {55 + 20 * 12, 110, true, "Navy", 0x800000},
        {55 + 20 * 16 + 5, 110, true, "", clWindowColor}, // no colour
        {60, 130, true, "", clWindowColor},                // empty recent slot
        {30, 120, false, "", 0},                           // the preview
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.X << "," << C.Y);
        const TPopupColor::THit Hit = Popup.HitTest(C.X, C.Y);
        EXPECT_EQ(Hit.Hit, C.Hit);
        if (!C.Hit)
            continue;
        EXPECT_EQ(Hit.Text, QString::fromLatin1(C.Text));
        EXPECT_EQ(Hit.Color, C.Color);
    }
    AddRecentColor(0x00FF00);
    const TPopupColor::THit Recent = Popup.HitTest(60, 130);
    EXPECT_EQ(Recent.Text, "#00FF00");
    EXPECT_EQ(Recent.Color, 0x00FF00u);
}

TEST_F(RecentColorsFixture, PressingCellsClosesUpAndOnlyRealColoursBecomeRecent)
{
    TPopupColor Popup;
    int Closes = 0;
    bool Accepted = false;
    Popup.OnCloseUp = [&](QWidget*, bool Accept) {
        ++Closes;
        Accepted = Accept;
    };
    Popup.show();
    MouseDown(&Popup, 55 + 20 * 16 + 5, 110); // the crossed-out cell
    EXPECT_EQ(Closes, 1);
    EXPECT_TRUE(Accepted);
    EXPECT_TRUE(Popup.ColorText.isEmpty());
    EXPECT_EQ(RecentColors(), QList<std::uint32_t>(10, clWindowColor));

    Popup.show();
    MouseDown(&Popup, 30, 120); // inside, not on a cell: nothing
    EXPECT_EQ(Closes, 1);
    EXPECT_TRUE(Popup.isVisible());
    MouseDown(&Popup, 5 + 16 * 10 + 3, 5 + 4 * 10 + 3);
    EXPECT_EQ(Closes, 2);
    EXPECT_FALSE(Popup.isVisible());
    EXPECT_EQ(Popup.ColorText, "#FF0000");
    EXPECT_EQ(RecentColors().front(), 0x0000FFu);

    Popup.show();
    MouseDown(&Popup, 60, 130); // the recent red again stays in front, once
    EXPECT_EQ(Popup.ColorText, "#FF0000");
    EXPECT_EQ(RecentColors().count(0x0000FFu), 1);

    Popup.show();
    MouseDown(&Popup, 500, 10); // outside the popup
    EXPECT_EQ(Closes, 4);
    EXPECT_FALSE(Accepted);
    Popup.show();
    Popup.hide(); // closed by the window system: reported as not accepted
    EXPECT_EQ(Closes, 5);
    EXPECT_FALSE(Accepted);
}

TEST(ColorTextTest, ColourTextBothWays)
{
    const std::uint32_t Colors[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xC0C0C0};
    for (std::uint32_t C : Colors)
        EXPECT_EQ(HtmlToColor(ColorText(C)), C) << ColorText(C).toStdString();
    EXPECT_EQ(ColorText(0x0000FF), "#FF0000");
    EXPECT_EQ(ColorText(0xABCDEF), "#EFCDAB");
    const QColor Window = QApplication::palette().color(QPalette::Base);
    EXPECT_EQ(ColorText(clWindowColor), Window.name().toUpper());
    EXPECT_EQ(ToQColor(0x336699), QColor(0x99, 0x66, 0x33));
}

TEST(PopupPositionTest, BelowOrFlippedAtScreenEdges)
{
    const QRect Screen(0, 0, 1000, 800);
    struct Case
    {
        QRect Control;
        QSize Popup;
        QPoint Expected;
    };
    const Case Cases[] = {
        {QRect(100, 100, 50, 20), QSize(403, 153), QPoint(100, 120)},
        {QRect(900, 100, 50, 20), QSize(403, 153), QPoint(950 + 1 - 403, 120)},
        {QRect(100, 700, 50, 20), QSize(403, 153), QPoint(100, 700 - 153 + 1)},
        {QRect(900, 700, 50, 20), QSize(403, 153), QPoint(548, 548)},
        {QRect(100, 627, 50, 20), QSize(403, 152), QPoint(100, 647)}, // bottom at 799 still fits
    };
    for (const Case& C : Cases)
        EXPECT_EQ(PopupPosition(C.Control, C.Popup, Screen), C.Expected);
}

struct InplaceFixture : ::testing::Test
{
    std::unique_ptr<QWidget> Host = std::make_unique<QWidget>();
    TInplaceEdit* Editor = new TInplaceEdit(Host.get());
    int Accepts = 0;
    QList<int> Moves;

    void SetUp() override
    {
        Host->resize(300, 100);
        Editor->setGeometry(10, 10, 200, 20);
        Editor->OnAccept = [this](QWidget*) { ++Accepts; };
        Editor->OnNavigate = [this](QWidget*, int Direction) { Moves << Direction; };
        Host->show();
        Editor->Edit()->setFocus();
        QApplication::processEvents();
    }
    QLineEdit* Edit() { return Editor->Edit(); }
};

TEST_F(InplaceFixture, CompletionSelectsTheRestAndBackspaceDoesNotComplete)
{
    Editor->SetKind(TInplaceEdit::kChoice);
    Editor->Choices = {"Bold", "bolder"};
    Editor->SetText(QString());
    Type(Edit(), "bo");
    EXPECT_EQ(Edit()->text(), "Bold");
    EXPECT_EQ(Edit()->selectedText(), "ld");
    Key(Edit(), Qt::Key_Backspace);
    EXPECT_EQ(Edit()->text(), "Bo");
    EXPECT_TRUE(Editor->Modified);

    Type(Edit(), "lde");
    EXPECT_EQ(Edit()->text(), "bolder");
    EXPECT_EQ(Edit()->selectedText(), "r");
    Edit()->setText(QString());
    Type(Edit(), "x");
    EXPECT_EQ(Edit()->text(), "x");
    Edit()->setText(QString());
    Type(Edit(), ".");
    EXPECT_EQ(Edit()->text(), ".");
}

TEST_F(InplaceFixture, LayoutLeavesRoomForTheButtonOnlyForListsAndColours)
{
    EXPECT_EQ(Editor->ButtonRect(), QRect(QPoint(180, 0), QPoint(201, 20)));
    EXPECT_EQ(Edit()->width(), 200 - 3 - 1);
    Editor->SetKind(TInplaceEdit::kColor);
    EXPECT_EQ(Edit()->width(), 200 - 20 - 3 - 1);
    Editor->SetKind(TInplaceEdit::kText);
    EXPECT_EQ(Edit()->width(), 200 - 3 - 1);
}

TEST_F(InplaceFixture, ListDropDownAcceptsWithEnterAndEscapeKeepsTheText)
{
    Editor->SetKind(TInplaceEdit::kChoice);
    Editor->Choices = {"left", "center", "right"};
    Editor->SetText("CENTER");
    Key(Edit(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(Editor->DroppedDown());
    EXPECT_TRUE(Editor->ListPopup()->isVisible());
    EXPECT_EQ(Editor->ListPopup()->currentRow(), 1);
    EXPECT_EQ(Editor->ListPopup()->height(), 3 * 13 + 4);

    Key(Edit(), Qt::Key_Down);
    EXPECT_EQ(Editor->ListPopup()->currentRow(), 2);
    EXPECT_TRUE(Moves.isEmpty());
    Key(Edit(), Qt::Key_Escape);
    EXPECT_FALSE(Editor->DroppedDown());
    EXPECT_FALSE(Editor->ListPopup()->isVisible());
    EXPECT_EQ(Edit()->text(), "CENTER");
    EXPECT_EQ(Accepts, 0);

    MouseDown(Editor, 190, 10); // the button
    ASSERT_TRUE(Editor->DroppedDown());
    Key(Edit(), Qt::Key_Down);
    Key(Edit(), Qt::Key_Return);
    EXPECT_FALSE(Editor->DroppedDown());
    EXPECT_EQ(Edit()->text(), "right");
    EXPECT_EQ(Accepts, 1);
    EXPECT_FALSE(Editor->Modified);

    Editor->Choices.clear();
    MouseDown(Editor, 190, 10);
    EXPECT_EQ(Editor->ListPopup()->height(), 69);
    MouseDown(Editor, 190, 10);
    EXPECT_FALSE(Editor->DroppedDown());
}

TEST_F(InplaceFixture, KeysNavigateOnlyWhenNotDroppedDownAndEnterCommitsWhenModified)
{
    Key(Edit(), Qt::Key_Down);
    Key(Edit(), Qt::Key_Up);
    Key(Edit(), Qt::Key_Tab);
    Key(Edit(), Qt::Key_Home, Qt::ControlModifier);
    Key(Edit(), Qt::Key_End, Qt::ControlModifier);
    Key(Edit(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Moves, (QList<int>{0, 1, 0, 2, 3}));
    Key(Edit(), Qt::Key_Return, Qt::ControlModifier); // a text editor never drops down
    EXPECT_FALSE(Editor->DroppedDown());

    Editor->SetText("abc");
    Editor->Modified = false;
    Key(Edit(), Qt::Key_Return);
    EXPECT_EQ(Accepts, 0);
    Type(Edit(), "d");
    Key(Edit(), Qt::Key_Return);
    EXPECT_EQ(Accepts, 1);
    EXPECT_FALSE(Editor->Modified);

    Editor->SetKind(TInplaceEdit::kColor);
    Editor->SetText("navy");
    Editor->Modified = true;
    Key(Edit(), Qt::Key_Return);
    EXPECT_EQ(Editor->ColorValue, 0x800000u);
    Editor->SetText("not a colour");
    Editor->Modified = true;
    Key(Edit(), Qt::Key_Return);
    EXPECT_EQ(Editor->ColorValue, 0u);
}

TEST_F(InplaceFixture, ColourDropDownTakesThePopupsColourAndText)
{
    const QList<std::uint32_t> Saved = RecentColors();
    Editor->SetKind(TInplaceEdit::kColor);
    Editor->SetText("#123456");
    Editor->ColorValue = 0x563412;
    MouseDown(Editor, 190, 10);
    ASSERT_TRUE(Editor->DroppedDown());
    TPopupColor* Popup = Editor->ColorPopup();
    EXPECT_TRUE(Popup->isVisible());
    EXPECT_EQ(Popup->Color, 0x563412u);
    EXPECT_EQ(Popup->ColorText, "#123456");
    MouseDown(Popup, 55 + 20 * 13 + 2, 110); // Blue
    EXPECT_FALSE(Editor->DroppedDown());
    EXPECT_EQ(Edit()->text(), "Blue");
    EXPECT_EQ(Editor->ColorValue, 0xFF0000u);
    EXPECT_EQ(Accepts, 1);

    MouseDown(Editor, 190, 10);
    MouseDown(Popup, 600, 600); // outside: nothing taken
    EXPECT_FALSE(Editor->DroppedDown());
    EXPECT_EQ(Edit()->text(), "Blue");
    EXPECT_EQ(Accepts, 1);
    RecentColors() = Saved;
}

TEST(ColorPopupDialogTest, ExecuteReturnsWhetherAColourWasChosen)
{
    const QList<std::uint32_t> Saved = RecentColors();
    QWidget Host;
    Host.resize(200, 100);
    Host.show();
    TColorPopupDialog Dialog;
    Dialog.ParentForm = &Host;
    Dialog.SetColor(0x00FF00);
    Dialog.SetColorText("#00FF00");
    QTimer::singleShot(0, [&] { MouseDown(Dialog.Popup(), 5 + 10 * 16 + 1, 5 + 10 * 4 + 1); });
    EXPECT_TRUE(Dialog.Execute(&Host));
    EXPECT_EQ(Dialog.GetColorText(), "#FF0000");
    EXPECT_EQ(Dialog.GetColor(), 0x0000FFu);
    EXPECT_FALSE(Dialog.Running());

    QTimer::singleShot(0, [&] { Dialog.Popup()->hide(); });
    EXPECT_FALSE(Dialog.Execute(&Host));
    RecentColors() = Saved;
}

TEST(ColorToolButtonTest, ArrowOpensThePopupAndMainPartClicks)
{
    const QList<std::uint32_t> Saved = RecentColors();
    QWidget Host;
    TColorToolButton* Button = new TColorToolButton(&Host);
    Host.show();
    int Clicks = 0, ChangesSeen = 0;
    Button->OnClick = [&](QWidget*) { ++Clicks; };
    Button->OnChange = [&](QWidget*) { ++ChangesSeen; };
    EXPECT_EQ(Button->Color(), clNoneColor);
    MouseDown(Button, 5, 5);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Button->State(), 2);
    MouseDown(Button, Button->width() - 5, 5);
    EXPECT_EQ(Button->State(), 3);
    ASSERT_TRUE(Button->Popup()->isVisible());
    MouseDown(Button->Popup(), 55 + 20 * 9 + 2, 110); // Lime
    EXPECT_EQ(Button->Color(), 0x00FF00u);
    EXPECT_EQ(ChangesSeen, 1);
    EXPECT_FALSE(Button->DroppedDown());

    Button->SetEnabled(false);
    EXPECT_EQ(Button->State(), 4);
    MouseDown(Button, 5, 5);
    MouseDown(Button, Button->width() - 5, 5);
    EXPECT_EQ(Clicks, 1);
    EXPECT_FALSE(Button->Popup()->isVisible());
    Button->repaint();
    RecentColors() = Saved;
}

} // namespace
