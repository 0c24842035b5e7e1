#include "EntityViewer.h"

#include "EntityData.h"
#include "WidgetInput.h"

#include <QImage>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A view whose client area (inside its one-pixel frame) is Width by Height, holding Count items "&e0;"...
struct EntityViewFixture : ::testing::Test
{
    std::unique_ptr<TEntityView> View = std::make_unique<TEntityView>();
    QStringList Selected;

    void Build(int Width, int Height, int Count)
    {
        // Without bars the client area stays exactly as wide as asked whatever the content.
        View->SetShowScrollBars(false);
        View->resize(Width + 2, Height + 2);
        View->show();
        View->OnSelect = [this](TEntityView*, const QString& Entity) { Selected << Entity; };
        View->BeginUpdate();
        View->Clear();
        for (int i = 0; i < Count; ++i)
            View->AddItem(QStringLiteral("&e%1;").arg(i), QStringLiteral("item %1\rsecond line").arg(i), i);
        View->EndUpdate();
        ASSERT_EQ(View->ClientWidth(), Width);
        ASSERT_EQ(View->ClientHeight(), Height);
    }

    QWidget* Port() { return View->viewport(); }
};

TEST_F(EntityViewFixture, LayoutFollowsTheClientWidth)
{
    struct
    {
        int Width, Count, Columns, Rows;
    } const Cases[] = {
        {100, 60, 2, 30}, // two whole tiles fit; 60 items need 30 rows
        {10, 5, 1, 5},    // narrower than one tile: still one column
        {480, 60, 10, 6},
        {500, 61, 10, 7}, // a remainder starts another row
        {150, 0, 3, 0},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.Width);
        Build(c.Width, 100, c.Count);
        EXPECT_EQ(View->Columns(), c.Columns);
        EXPECT_EQ(View->Rows(), c.Rows);
        EXPECT_EQ(View->ContentWidth(), c.Columns * 48);
        EXPECT_EQ(View->ContentHeight(), c.Rows * 64);
    }
}

TEST_F(EntityViewFixture, ResizingAndTileSizeRecomputeTheGrid)
{
    Build(100, 100, 60);
    View->resize(202, 102);
    EXPECT_EQ(View->Columns(), 4);
    EXPECT_EQ(View->Rows(), 15);
    View->SetItemWidth(25);
    EXPECT_EQ(View->Columns(), 8);
    View->SetItemHeight(100);
    EXPECT_EQ(View->ContentHeight(), 8 * 100);
    // A tile width of nothing must not divide by zero.
    View->SetItemWidth(0);
    EXPECT_EQ(View->Columns(), 200);
}

TEST_F(EntityViewFixture, HitTestFindsTheTileUnderAPoint)
{
    Build(100, 100, 5); // 2 columns, 3 rows, the last one half empty; content 96 by 192
    struct
    {
        int X, Y, Index;
    } const Cases[] = {
        {0, 0, 0},   {47, 63, 0}, {48, 0, 1},   {95, 63, 1}, {96, 0, -1}, // right of the grid
        {99, 10, -1}, {0, 64, 2},  {0, 191, 4}, {48, 150, -1},           // empty cell of the last row
        {0, 192, -1},                                                    // just below the grid
    };
    for (const auto& c : Cases)
        EXPECT_EQ(View->ItemAt(c.X, c.Y), c.Index) << c.X << "," << c.Y;
    View->SetScrollY(64);
    EXPECT_EQ(View->ItemAt(0, 0), 2);
    EXPECT_EQ(View->ItemAt(50, 70), -1);
    EXPECT_EQ(View->ItemAt(0, 64), 4);
}

TEST_F(EntityViewFixture, FirstClickSelectsAndSecondReportsTheEntity)
{
    Build(100, 300, 5);
    Click(Port(), 60, 10);
    EXPECT_EQ(View->ItemIndex(), 1);
    EXPECT_TRUE(Selected.isEmpty());
    Click(Port(), 50, 50);
    EXPECT_EQ(Selected, QStringList{"&e1;"});
    // Any button selects; a click on another tile only moves the selection.
    const QPointF Pos(10, 70);
    QMouseEvent Right(QEvent::MouseButtonPress, Pos, Port()->mapToGlobal(Pos), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Port(), &Right);
    EXPECT_EQ(View->ItemIndex(), 2);
    EXPECT_EQ(Selected.size(), 1);
    // Beyond the grid and on an empty cell nothing changes.
    Click(Port(), 97, 10);
    Click(Port(), 60, 140);
    EXPECT_EQ(View->ItemIndex(), 2);
    EXPECT_EQ(Selected.size(), 1);
}

// A widget sees a double-click as press, release, double-click, release; the double-click's second
// press may land on the neighbouring tile, or come alone (without its first press).
TEST_F(EntityViewFixture, EveryDoubleClickReportsItsTileExactlyOnce)
{
    Build(100, 300, 5);
    const QPoint First(20, 20);
    const QPoint Second(60, 20);
    const auto DoubleClick = [this](QPoint At, QPoint SecondAt) {
        QTest::mouseClick(Port(), Qt::LeftButton, Qt::NoModifier, At);
        QTest::mouseDClick(Port(), Qt::LeftButton, Qt::NoModifier, SecondAt);
    };
    DoubleClick(First, First); // a new tile: the first press selects, the double-click reports
    EXPECT_EQ(Selected, QStringList{"&e0;"});
    DoubleClick(First, First); // the selected tile: the first press reports, the double-click adds nothing
    EXPECT_EQ(Selected, QStringList({"&e0;", "&e0;"}));
    DoubleClick(Second, Second);
    EXPECT_EQ(Selected, QStringList({"&e0;", "&e0;", "&e1;"}));
    Selected.clear();

    // The second press drifted over the border: still the tile the double-click began on.
    View->SetItemIndex(-1);
    QTest::mouseClick(Port(), Qt::LeftButton, Qt::NoModifier, QPoint(46, 20), 0);
    QTest::mouseDClick(Port(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 20), 0);
    EXPECT_EQ(Selected, QStringList{"&e0;"});
    EXPECT_EQ(View->ItemIndex(), 0);

    // A double-click on its own selects and reports; beyond the grid it reports nothing.
    Selected.clear();
    QTest::mouseDClick(Port(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 80));
    EXPECT_EQ(Selected, QStringList{"&e2;"});
    EXPECT_EQ(View->ItemIndex(), 2);
    QTest::mouseDClick(Port(), Qt::LeftButton, Qt::NoModifier, QPoint(97, 20));
    EXPECT_EQ(Selected.size(), 1);
}

TEST_F(EntityViewFixture, ArrowsHomeAndEndMoveTheSelection)
{
    Build(150, 400, 7); // 3 columns: 0 1 2 / 3 4 5 / 6
    struct
    {
        int From;
        int Key;
        Qt::KeyboardModifiers Mods;
        int To;
    } const Cases[] = {
        {-1, Qt::Key_Right, {}, 0}, {-1, Qt::Key_Up, {}, 0},       {-1, Qt::Key_Home, {}, 0},
        {-1, Qt::Key_End, {}, 0},   {-1, Qt::Key_End, Qt::ControlModifier, 0},
        {0, Qt::Key_Left, {}, 0},   {1, Qt::Key_Left, {}, 0},      {1, Qt::Key_Up, {}, 0},
        {4, Qt::Key_Up, {}, 1},     {6, Qt::Key_Right, {}, 6},     {2, Qt::Key_Right, {}, 3},
        {1, Qt::Key_Down, {}, 4},   {4, Qt::Key_Down, {}, 6},      {5, Qt::Key_Down, {}, 6},
        {4, Qt::Key_Home, {}, 3},   {4, Qt::Key_Home, Qt::ControlModifier, 0},
        {4, Qt::Key_End, {}, 5},    {6, Qt::Key_End, {}, 6},       {0, Qt::Key_End, Qt::ControlModifier, 6},
    };
    for (const auto& c : Cases) {
        View->SetItemIndex(c.From);
        Key(View.get(), c.Key, c.Mods);
        EXPECT_EQ(View->ItemIndex(), c.To) << "from " << c.From << " key " << std::hex << c.Key;
    }
    EXPECT_TRUE(Selected.isEmpty());
}

TEST_F(EntityViewFixture, EnterAndSpaceReportTheSelectedEntityOnly)
{
    Build(150, 400, 7);
    Key(View.get(), Qt::Key_Return);
    Key(View.get(), Qt::Key_Space);
    EXPECT_TRUE(Selected.isEmpty());
    View->SetItemIndex(4);
    Key(View.get(), Qt::Key_Return);
    Key(View.get(), Qt::Key_Enter);
    Key(View.get(), Qt::Key_Space, {}, " ");
    EXPECT_EQ(Selected, (QStringList{"&e4;", "&e4;", "&e4;"}));

    Build(150, 400, 0);
    Key(View.get(), Qt::Key_Right);
    EXPECT_EQ(View->ItemIndex(), -1);
}

TEST_F(EntityViewFixture, TheSelectionIsScrolledIntoView)
{
    Build(150, 100, 7); // content 192 high, at most 92 to scroll
    View->SetItemIndex(1);
    Key(View.get(), Qt::Key_Right);
    EXPECT_EQ(View->ScrollY(), 0);
    Key(View.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(View->ScrollY(), 92);
    Key(View.get(), Qt::Key_Up);
    EXPECT_EQ(View->ItemIndex(), 3);
    EXPECT_EQ(View->ScrollY(), 64);
    Key(View.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(View->ScrollY(), 0);
    // A click on a half-visible tile brings all of it in.
    Click(Port(), 10, 80);
    EXPECT_EQ(View->ItemIndex(), 3);
    EXPECT_EQ(View->ScrollY(), 28);
}

TEST_F(EntityViewFixture, HoverShowsTheDescriptionOfTheTileUnderThePointer)
{
    Build(150, 300, 7);
    Move(Port(), 60, 70);
    EXPECT_EQ(View->CurrentHint(), "item 4\rsecond line");
    EXPECT_EQ(View->toolTip(), "item 4\nsecond line");
    Move(Port(), 149, 10);
    EXPECT_EQ(View->CurrentHint(), "");
    EXPECT_EQ(View->toolTip(), "");
    Move(Port(), 10, 10);
    EXPECT_EQ(View->toolTip(), "item 0\nsecond line");
    View->Clear();
    EXPECT_EQ(View->CurrentHint(), "");
}

bool HasInk(const QImage& Img, const QRect& Area)
{
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            if (qGray(Img.pixel(x, y)) < 128)
                return true;
    return false;
}

TEST(EntityMap, EveryVisibleCharacterHasItsGlyphInItsCell)
{
    const QImage Sheet = EntityMap();
    ASSERT_EQ(Sheet.size(), QSize(360, 198));
    EXPECT_EQ(Sheet.depth(), 24);
    auto Cell = [](int n) { return QRect((n % 20) * 18, (n / 20) * 18, 18, 18); };
    EXPECT_FALSE(HasInk(Sheet, Cell(0)));   // no-break space
    EXPECT_TRUE(HasInk(Sheet, Cell(1)));    // copyright sign
    EXPECT_TRUE(HasInk(Sheet, Cell(86)));   // first Latin letter
    EXPECT_TRUE(HasInk(Sheet, Cell(202)));  // omega
    EXPECT_FALSE(HasInk(Sheet, Cell(203))); // past the last glyph
}

TEST_F(EntityViewFixture, PaintingShowsTilesCaptionsGlyphsAndTheSelectionFrame)
{
    View->SetShowScrollBars(false);
    View->resize(152, 302);
    View->show();
    FillEntityList(View.get(), 0);
    View->SetItemIndex(1);
    ASSERT_EQ(View->Columns(), 3);
    const QImage Img = Port()->grab().toImage();
    const int Caption = View->CaptionHeight();
    const QColor CaptionColor(0xD9, 0xEB, 0xFF);
    // below the caption text; the screen's pixel format may round a channel by one
    const QColor Strip = Img.pixelColor(48 + 5, 62);
    EXPECT_LE(std::abs(Strip.red() - CaptionColor.red()) + std::abs(Strip.green() - CaptionColor.green()) +
                  std::abs(Strip.blue() - CaptionColor.blue()),
              6)
        << Strip.name().toStdString();
    EXPECT_EQ(Img.pixelColor(48 + 3, 3), QColor(Qt::white));
    EXPECT_EQ(Img.pixelColor(147, 10), QColor(Qt::white)); // right of the grid
    EXPECT_EQ(Img.pixelColor(48, 30), QColor(Qt::red));     // frame of the selected tile
    EXPECT_NE(Img.pixelColor(98, 30), QColor(Qt::red));
    // The glyph area shows the tile's own glyph: blank for the no-break space, ink for the copyright sign.
    const int GlyphBottom = 63 - Caption - 1;
    EXPECT_FALSE(HasInk(Img, QRect(2, 2, 44, GlyphBottom - 2)));
    EXPECT_TRUE(HasInk(Img, QRect(50, 2, 44, GlyphBottom - 2)));
    // The caption strip carries the entity text.
    EXPECT_TRUE(HasInk(Img, QRect(2, 64 - Caption + 1, 44, Caption - 3)));
}

TEST_F(EntityViewFixture, TheAmpersandTileReportsItsReference)
{
    View->SetShowScrollBars(false);
    View->resize(482, 402);
    View->show();
    FillEntityList(View.get(), 0);
    View->OnSelect = [this](TEntityView*, const QString& Entity) { Selected << Entity; };
    // "&amp;" is item 20: row 2, column 0 with 10 columns.
    Click(Port(), 5, 2 * 64 + 5);
    Click(Port(), 5, 2 * 64 + 5);
    EXPECT_EQ(Selected, QStringList{"&amp;"});
}

} // namespace
