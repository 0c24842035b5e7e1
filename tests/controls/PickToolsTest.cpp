#include "PickTools.h"

#include "HtmlInplace.h"
#include "../app/ScriptedDialogs.h"
#include "WidgetInput.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A snapshot whose every pixel tells where it is: red = x, green = y (both modulo 256), blue 7.
QImage SyntheticScreen(int Width, int Height)
{
    QImage Image(Width, Height, QImage::Format_RGB32);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            Image.setPixel(X, Y, qRgb(X % 256, Y % 256, 7));
    return Image;
}

TEST(PickToolsTest, TheMagnifierMovesOutOfThePointersWay)
{
    const QSize Large(800, 600);
    const struct
    {
        int Place;
        QPoint Pointer;
        QSize Client;
        int Expected;
    } Cases[] = {
        {-1, {790, 590}, Large, 1},  // the bottom-right corner sends the first box to the top-right
        {-1, {400, 300}, Large, 0},  // the first place that leaves the pointer free
        {0, {400, 300}, Large, 0},   // a box that leaves the pointer free stays
        {1, {750, 20}, Large, 2},    // into the top-right box: on to the bottom-left
        {3, {20, 20}, Large, 0},     // round from the top-left to the bottom-right
        {2, {20, 590}, Large, 3},
        {4, {400, 300}, Large, 0},   // from the centre the round starts again
        {-1, {75, 75}, QSize(150, 150), 4},  // every corner box covers the pointer: the centre
    };
    for (const auto& C : Cases)
        EXPECT_EQ(TFormPick::NextMagnifierPlace(C.Place, C.Pointer, C.Client), C.Expected)
            << C.Place << " at " << C.Pointer.x() << "," << C.Pointer.y();
    EXPECT_EQ(TFormPick::MagnifierBox(0, Large), QRect(689, 489, 106, 106));
    EXPECT_EQ(TFormPick::MagnifierBox(4, Large), QRect(347, 247, 106, 106));
}

TEST(PickToolsTest, TheMagnifierShowsTheSnapshotAroundThePointerWithACrossHair)
{
    TFormPick Form;
    Form.SetSnapshot(SyntheticScreen(640, 480));
    Form.resize(640, 480);
    Form.show();
    EXPECT_EQ(Form.MagnifierPlace(), -1);
    Move(&Form, 630, 470);
    ASSERT_EQ(Form.MagnifierPlace(), 1);

    const QImage Shown = Form.grab().toImage();
    const QRect Box = Form.MagnifierRect();
    EXPECT_EQ(Shown.pixel(Box.topLeft()), qRgb(0, 0, 0)) << "the box's outline";
    auto Cell = [&](int X, int Y) { return Shown.pixel(Box.left() + 1 + X * 4 + 2, Box.top() + 1 + Y * 4 + 2); };
    EXPECT_EQ(Cell(0, 0), qRgb(617 % 256, 457 % 256, 7)) << "the snapshot 13 pixels up and left of the pointer";
    EXPECT_EQ(Cell(5, 2), qRgb((617 + 5) % 256, (457 + 2) % 256, 7));
    EXPECT_EQ(Cell(13, 2), qRgb(255 - (630 % 256), 255 - (459 % 256), 255 - 7)) << "the cross-hair column";
    EXPECT_EQ(Cell(4, 13), qRgb(255 - (621 % 256), 255 - (470 % 256), 255 - 7)) << "the cross-hair row";
    EXPECT_EQ(Cell(13, 13), qRgb(255 - (630 % 256), 255 - (470 % 256), 255 - 7)) << "inverted once, not twice";
    EXPECT_EQ(Cell(25, 25), qRgb(255, 255, 255)) << "beyond the snapshot's edge";
    // Away from the box the snapshot itself shows.
    EXPECT_EQ(Shown.pixel(100, 200), qRgb(100, 200, 7));
}

TEST(PickToolsTest, ReleasingTheButtonPicksThePixelAndEscapePicksNothing)
{
    TFormPick Form;
    Form.SetSnapshot(SyntheticScreen(300, 200));
    Form.resize(300, 200);
    std::uint32_t Color = 0xABCDEF;
    QTimer::singleShot(0, &Form, [&] {
        Move(&Form, 40, 90);
        Click(&Form, 41, 92);
    });
    ASSERT_TRUE(Form.Execute(Color));
    EXPECT_EQ(Color, 0x075C29u) << "blue 7, green 92, red 41";

    Color = 0x123456;
    QTimer::singleShot(0, &Form, [&] { Key(&Form, Qt::Key_Escape); });
    EXPECT_FALSE(Form.Execute(Color));
    EXPECT_EQ(Color, 0x123456u) << "closing without a click changes nothing";
}

struct PickButtonTest : ::testing::Test
{
    QList<std::uint32_t> Saved = RecentColors();
    std::function<bool(std::uint32_t&)> SavedPicker = TPopupColor::ScreenPicker;
    void TearDown() override
    {
        RecentColors() = Saved;
        TPopupColor::ScreenPicker = SavedPicker;
    }
    static QToolButton* PickButton(TPopupColor* Popup)
    {
        for (QToolButton* Button : Popup->findChildren<QToolButton*>())
            if (Button->text() == "Pick")
                return Button;
        return nullptr;
    }
};

TEST_F(PickButtonTest, WhereTheScreenCannotBeReadPickSaysSoAndChangesNothing)
{
    const TScreenGrabber Previous = SetScreenGrabber([](QImage&, QString& Reason) {
        Reason = "wayland";
        return false;
    });
    TScriptedDialogs Dialogs;
    Dialogs.Answers = {mrOk};
    QWidget Host;
    Host.resize(300, 100);
    Host.show();
    TColorToolButton* Button = new TColorToolButton(&Host);
    Button->SetColor(0x00FF00);
    int Changes = 0;
    Button->OnChange = [&](QWidget*) { ++Changes; };
    MouseDown(Button, Button->width() - 3, 5);
    ASSERT_TRUE(Button->DroppedDown());
    QToolButton* Pick = PickButton(Button->Popup());
    ASSERT_TRUE(Pick);
    EXPECT_TRUE(Pick->isEnabled());
    Pick->click();
    EXPECT_EQ(Dialogs.MessageTexts(),
              QStringList({"The screen cannot be read on this display (wayland), so no colour can be picked from it."}));
    EXPECT_FALSE(Button->DroppedDown());
    EXPECT_EQ(Button->Color(), 0x00FF00u);
    EXPECT_EQ(Changes, 0);
    EXPECT_EQ(RecentColors(), QList<std::uint32_t>(Saved));
    SetScreenGrabber(Previous);
}

TEST_F(PickButtonTest, PickShowsTheSnapshotFullScreenAndTakesTheClickedPixel)
{
    const QSize Screen = QGuiApplication::primaryScreen()->geometry().size();
    const TScreenGrabber Previous = SetScreenGrabber([&](QImage& Snapshot, QString&) {
        Snapshot = SyntheticScreen(Screen.width(), Screen.height());
        return true;
    });
    QWidget Host;
    Host.resize(300, 100);
    Host.show();
    TColorToolButton* Button = new TColorToolButton(&Host);
    MouseDown(Button, Button->width() - 3, 5);
    QTimer::singleShot(50, [&] {
        auto* Form = qobject_cast<TFormPick*>(QApplication::activeModalWidget());
        ASSERT_TRUE(Form);
        EXPECT_EQ(Form->size(), Screen);
        Click(Form, 30, 40);
    });
    PickButton(Button->Popup())->click();
    EXPECT_EQ(Button->Color(), 0x07281Eu);
    EXPECT_EQ(RecentColors().front(), 0x07281Eu);
    SetScreenGrabber(Previous);
}

TEST_F(PickButtonTest, APickedColourReachesTheEditorTheDialogAndTheButton)
{
    TPopupColor::ScreenPicker = [](std::uint32_t& Color) {
        Color = 0x336699;
        return true;
    };
    QWidget Host;
    Host.resize(300, 100);
    Host.show();

    // The inspector's editor: the popup hides while the picker runs, and the pick is still taken.
    auto* Editor = new TInplaceEdit(&Host);
    Editor->setGeometry(10, 10, 200, 20);
    int Accepts = 0;
    Editor->OnAccept = [&](QWidget*) { ++Accepts; };
    Editor->SetKind(TInplaceEdit::kColor);
    MouseDown(Editor, 190, 10);
    ASSERT_TRUE(Editor->DroppedDown());
    PickButton(Editor->ColorPopup())->click();
    EXPECT_EQ(Editor->Edit()->text(), "#996633");
    EXPECT_EQ(Editor->ColorValue, 0x336699u);
    EXPECT_EQ(Accepts, 1);
    EXPECT_EQ(RecentColors().front(), 0x336699u);

    // The tag dialogs' modal popup.
    TColorPopupDialog Dialog;
    Dialog.ParentForm = &Host;
    QTimer::singleShot(0, [&] { PickButton(Dialog.Popup())->click(); });
    EXPECT_TRUE(Dialog.Execute(&Host));
    EXPECT_EQ(Dialog.GetColorText(), "#996633");

    // A picker closed without a click: nothing is chosen.
    TPopupColor::ScreenPicker = [](std::uint32_t&) { return false; };
    QTimer::singleShot(0, [&] { PickButton(Dialog.Popup())->click(); });
    EXPECT_FALSE(Dialog.Execute(&Host));
}

} // namespace
