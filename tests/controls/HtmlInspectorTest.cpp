#include "HtmlInspector.h"

#include "Exceptions.h"
#include "HtmlInplace.h"
#include "WidgetInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An inspector with a viewport of 200 by 150 pixels (7.5 rows) holding:
// 0 "Main" (category), 1 a, 2 b, 3 "More" (category), 4 c, 5 d (check box), 6 e (colour).
struct InspectorFixture : ::testing::Test
{
    std::unique_ptr<TInspector> Insp = std::make_unique<TInspector>();
    int Changes = 0;
    QList<TInspectorItem*> ItemChanges;

    void SetUp() override
    {
        Insp->resize(202, 152);
        Insp->show();
        Insp->OnChange = [this](TInspector*) { ++Changes; };
        Insp->OnItemChange = [this](TInspector*, TInspectorItem* Item) { ItemChanges << Item; };
        Fill({"a", "b"}, {"c", "d", "e"});
    }

    void Fill(const QStringList& First, const QStringList& Second)
    {
        Insp->BeginUpdate();
        Insp->Clear();
        Insp->AddCategory("Main", true);
        for (const QString& Name : First)
            Insp->AddItem()->Caption = Name;
        Insp->AddCategory("More", true);
        for (const QString& Name : Second) {
            TInspectorItem* Item = Insp->AddItem();
            Item->Caption = Name;
            Item->Value = Name + "-value";
        }
        if (Second.size() >= 3) {
            Insp->Items(5)->Kind = TInspectorItem::kCheck;
            Insp->Items(6)->Kind = TInspectorItem::kColor;
        }
        Insp->EndUpdate();
    }

    QWidget* View() { return Insp->viewport(); }
    int RowY(int ShownRow) { return ShownRow * Insp->RowHeight() + 5; }
};

TEST_F(InspectorFixture, LayoutGivesShownRowsSharedBordersAndHidesCollapsedOnes)
{
    ASSERT_EQ(Insp->ClientHeight(), 150);
    const int W = Insp->ClientWidth();
    EXPECT_EQ(Insp->Items(0)->Bounds, (TRowBounds{-1, -1, W + 1, 20}));
    EXPECT_EQ(Insp->Items(4)->Bounds, (TRowBounds{-1, 79, W + 1, 100}));
    EXPECT_EQ(Insp->TotalHeight(), 140);

    Click(View(), 5, RowY(3)); // the glyph margin of "More"
    EXPECT_TRUE(Insp->Items(3)->Collapsed);
    EXPECT_FALSE(Insp->Items(4)->Visible);
    EXPECT_EQ(Insp->Items(4)->Bounds, TRowBounds{});
    EXPECT_EQ(Insp->TotalHeight(), 80);
    EXPECT_TRUE(Insp->Items(1)->Visible);

    Click(View(), 60, RowY(3)); // outside the margin a category press does nothing
    EXPECT_TRUE(Insp->Items(3)->Collapsed);
    Click(View(), 5, RowY(3));
    EXPECT_FALSE(Insp->Items(3)->Collapsed);
    EXPECT_EQ(Insp->TotalHeight(), 140);
}

TEST_F(InspectorFixture, ClickSelectsRowsAndNothingBelowTheLastShownRow)
{
    Click(View(), 60, RowY(2));
    EXPECT_EQ(Insp->ItemIndex(), 2);
    EXPECT_EQ(Changes, 1);
    EXPECT_TRUE(Insp->Editor()->isVisible());
    EXPECT_EQ(Insp->Editor()->Text(), QString());

    Click(View(), 60, RowY(7));
    EXPECT_EQ(Insp->ItemIndex(), 2);
    Click(View(), 5, RowY(3)); // collapse: rows 4-6 hidden, shown row 4 no longer exists
    Click(View(), 60, RowY(4));
    EXPECT_EQ(Insp->ItemIndex(), 2);
    EXPECT_EQ(Insp->ItemAt(60, RowY(4)), nullptr);
    EXPECT_EQ(Insp->ItemAt(60, RowY(3)), Insp->Items(3));
}

TEST_F(InspectorFixture, CollapsingAboveTheSelectionClearsItOnceWithoutCommitting)
{
    Click(View(), 60, RowY(4));
    ASSERT_EQ(Insp->ItemIndex(), 4);
    Changes = 0;
    Insp->Editor()->SetText("typed");
    Click(View(), 5, RowY(3));
    EXPECT_EQ(Insp->ItemIndex(), -1);
    EXPECT_EQ(Insp->Selected(), nullptr);
    EXPECT_FALSE(Insp->Editor()->isVisible());
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Insp->Items(4)->Value, "c-value");
    EXPECT_TRUE(ItemChanges.isEmpty());
}

TEST_F(InspectorFixture, KeyboardNavigationSkipsCategoriesAndHiddenRowsAndDoesNotWrap)
{
    Key(Insp.get(), Qt::Key_Down); // nothing selected: only first and last act
    EXPECT_EQ(Insp->ItemIndex(), -1);
    Key(Insp.get(), Qt::Key_Home); // Home alone does nothing
    EXPECT_EQ(Insp->ItemIndex(), -1);
    Key(Insp.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 1);
    Key(Insp.get(), Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    Key(Insp.get(), Qt::Key_Down);
    EXPECT_EQ(Insp->ItemIndex(), 2);
    Key(Insp.get(), Qt::Key_Tab);
    EXPECT_EQ(Insp->ItemIndex(), 4);
    Key(Insp.get(), Qt::Key_Up);
    EXPECT_EQ(Insp->ItemIndex(), 2);
    Key(Insp.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 6);
    Key(Insp.get(), Qt::Key_Tab);
    EXPECT_EQ(Insp->ItemIndex(), 6);
    EXPECT_EQ(Changes, 5);

    Insp->SetItemIndex(1);
    Click(View(), 5, RowY(3)); // collapse "More"
    Key(Insp.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 2);
}

TEST_F(InspectorFixture, EditorCommitsOnEnterAndNavigationAndOnlyReportsRealChanges)
{
    Click(View(), 60, RowY(4));
    QLineEdit* Edit = Insp->Editor()->Edit();
    EXPECT_EQ(Edit->text(), "c-value");
    EXPECT_EQ(Edit->selectedText(), "c-value");

    Key(Edit, Qt::Key_Return); // not modified: no commit
    EXPECT_TRUE(ItemChanges.isEmpty());
    Insp->ApplyEdit(); // unchanged text: no report
    EXPECT_TRUE(ItemChanges.isEmpty());

    Type(Edit, "x");
    Key(Edit, Qt::Key_Return);
    EXPECT_EQ(Insp->Items(4)->Value, "x");
    ASSERT_EQ(ItemChanges.size(), 1);
    EXPECT_EQ(ItemChanges[0], Insp->Items(4));

    Type(Edit, "yz");
    Key(Edit, Qt::Key_Up); // the editor's navigation commits before moving
    EXPECT_EQ(Insp->Items(4)->Value, "yz");
    EXPECT_EQ(Insp->ItemIndex(), 2);
    EXPECT_EQ(ItemChanges.size(), 2);
    Key(Edit, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 6);
    Key(Edit, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 1);
    Key(Edit, Qt::Key_Tab);
    EXPECT_EQ(Insp->ItemIndex(), 2);

    // A refill drops the editor's text without committing it.
    Type(Edit, "lost");
    Fill({"a", "b"}, {"c", "d", "e"});
    EXPECT_EQ(Insp->ItemIndex(), -1);
    EXPECT_FALSE(Insp->Editor()->isVisible());
    EXPECT_EQ(ItemChanges.size(), 2);
}

TEST_F(InspectorFixture, ColourRowsCommitTheParsedColour)
{
    Click(View(), 60, RowY(6));
    EXPECT_EQ(Insp->Editor()->Kind(), TInplaceEdit::kColor);
    Insp->Editor()->Edit()->clear();
    Type(Insp->Editor()->Edit(), "#00ff00");
    Key(Insp->Editor()->Edit(), Qt::Key_Return);
    EXPECT_EQ(Insp->Items(6)->Value, "#00ff00");
    EXPECT_EQ(Insp->Items(6)->ColorValue, 0x00FF00u);
}

TEST_F(InspectorFixture, CheckBoxRowsToggleOnlyWhenSelectedAndAlwaysReport)
{
    const int ValueX = Insp->RowHeight() + Insp->NameWidth() + 10;
    Click(View(), ValueX, RowY(5));
    EXPECT_EQ(Insp->ItemIndex(), 5);
    EXPECT_FALSE(Insp->Items(5)->Checked);
    EXPECT_FALSE(Insp->Editor()->isVisible());
    Click(View(), 60, RowY(5)); // name column of the selected box: nothing
    EXPECT_FALSE(Insp->Items(5)->Checked);
    Click(View(), ValueX, RowY(5));
    EXPECT_TRUE(Insp->Items(5)->Checked);
    Key(Insp.get(), Qt::Key_Space);
    EXPECT_FALSE(Insp->Items(5)->Checked);
    Key(Insp.get(), Qt::Key_Return);
    EXPECT_TRUE(Insp->Items(5)->Checked);
    EXPECT_EQ(ItemChanges.size(), 3);
    Insp->ApplyEdit(); // a check-box row never takes the editor's text
    EXPECT_EQ(Insp->Items(5)->Value, "d-value");
}

TEST_F(InspectorFixture, ContentHeightLetsTheLastRowScrollFullyIntoView)
{
    Fill({"1", "2", "3", "4"}, {"5", "6", "7", "8"}); // 10 rows in 7.5 rows of height
    ASSERT_EQ(Insp->ClientHeight(), 150);
    EXPECT_EQ(Insp->TotalHeight(), 200);
    EXPECT_EQ(Insp->ContentHeight(), 220);
    EXPECT_EQ(Insp->MaxScrollY(), 70);

    Key(Insp.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), 9);
    EXPECT_EQ(Insp->ScrollY(), 70);
    EXPECT_GE(Insp->ScrollY() + Insp->ClientHeight(), Insp->Items(9)->Bounds.Bottom);
    EXPECT_EQ(Insp->Editor()->y(), Insp->Items(9)->Bounds.Top - Insp->ScrollY());
    // A press now lands on the row the scrolled view shows there.
    Click(View(), 60, 5);
    EXPECT_EQ(Insp->Selected(), Insp->ItemAt(60, 5));
    EXPECT_EQ(Insp->ItemIndex(), 3);

    // Moving to a row above the view scrolls up to its top edge.
    Key(Insp.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Insp->ScrollY(), Insp->Items(1)->Bounds.Top);
}

TEST_F(InspectorFixture, WheelAndScrollOffsetsStayInRange)
{
    Fill({"1", "2", "3", "4"}, {"5", "6", "7", "8"});
    auto Wheel = [&](int Delta) {
        QWheelEvent Event(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, Delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View(), &Event);
    };
    Wheel(-40);
    EXPECT_EQ(Insp->ScrollY(), 40);
    Wheel(-120);
    EXPECT_EQ(Insp->ScrollY(), 70);
    Wheel(120);
    EXPECT_EQ(Insp->ScrollY(), 0);
    Insp->SetScrollY(500);
    EXPECT_EQ(Insp->ScrollY(), 70);
    // Growing the view shrinks the range and pulls the offset back.
    Insp->resize(202, 400);
    QApplication::processEvents();
    EXPECT_EQ(Insp->MaxScrollY(), 0);
    EXPECT_EQ(Insp->ScrollY(), 0);
}

TEST_F(InspectorFixture, SplitterDragResizesTheNameColumnDownToFifty)
{
    const int Split = Insp->RowHeight() + Insp->NameWidth();
    Move(View(), Split + 6, 5);
    Click(View(), Split + 6, RowY(1)); // not on the splitter: selects
    EXPECT_EQ(Insp->ItemIndex(), 1);
    Move(View(), Split + 2, 5);
    QMouseEvent Down(QEvent::MouseButtonPress, QPointF(Split + 2, 5), QPointF(), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(View(), &Down);
    Move(View(), Split + 32, 5, Qt::LeftButton);
    EXPECT_EQ(Insp->NameWidth(), 150);
    Move(View(), 0, 5, Qt::LeftButton);
    EXPECT_EQ(Insp->NameWidth(), 50);
    QMouseEvent Up(QEvent::MouseButtonRelease, QPointF(0, 5), QPointF(), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(View(), &Up);
    Move(View(), 100, 5);
    EXPECT_EQ(Insp->NameWidth(), 50);
    EXPECT_EQ(Insp->ItemIndex(), 1);
}

TEST_F(InspectorFixture, SettersStoreAndBadIndexesRaise)
{
    TInspectorItem* Item = Insp->Items(1);
    Item->SetValue("v");
    Item->SetChecked(true);
    Item->SetColorValue(0x123456);
    EXPECT_EQ(Item->Value, "v");
    EXPECT_TRUE(Item->Checked);
    EXPECT_EQ(Item->ColorValue, 0x123456u);
    EXPECT_THROW(Insp->Items(7), Exception);
    EXPECT_THROW(Insp->Items(-1), Exception);
    EXPECT_EQ(Insp->IndexOf(nullptr), -1);
    Insp->BeginUpdate();
    Insp->Clear();
    Insp->EndUpdate();
    EXPECT_EQ(Insp->Count(), 0);
    Key(Insp.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Insp->ItemIndex(), -1);
    EXPECT_EQ(Insp->ItemAt(10, 10), nullptr);
    Insp->viewport()->repaint(); // painting an empty grid must not touch any row
}

} // namespace
