// The web-safe colour schemes: which schemes each background lists, and the dialog's lists and buttons.
#include "UnitWebSafe.h"

#include "ToolTesting.h"

#include <QListWidget>
#include <QPushButton>

namespace {

QStringList SchemeNames(const char* Background)
{
    for (size_t i = 0; i < WebSafeBackgrounds.size(); ++i)
        if (QLatin1String(WebSafeBackgrounds[i].Name) == QLatin1String(Background)) {
            QStringList names;
            for (int scheme : TWebSafeModel::SchemesOf(int(i)))
                names << QLatin1String(WebSafeSchemes[size_t(scheme)].Name);
            return names;
        }
    return {};
}

TEST(WebSafeModelTest, EachBackgroundListsItsSchemesInTableOrder)
{
    EXPECT_EQ(SchemeNames("Black"), (QStringList{"Blue", "Brown - Red", "Green - Grey", "Green - Yellow",
                                                 "Purple - Blue", "Purple - Pink"}));
    EXPECT_EQ(SchemeNames("Yellow"), (QStringList{"Brown - Red", "Green - Blue - Purple", "Green - Red - Orange",
                                                  "Purple - Pink - Green"}));
    EXPECT_EQ(SchemeNames("Red"), (QStringList{"Brown - Pink - Purple", "Pink - Yellow - Green", "Yellow - Brown",
                                               "Yellow - Olive"}));
    size_t listed = 0;
    for (size_t i = 0; i < WebSafeBackgrounds.size(); ++i)
        listed += TWebSafeModel::SchemesOf(int(i)).size();
    EXPECT_EQ(listed, WebSafeSchemes.size()) << "every scheme under one background";
}

TEST(WebSafeModelTest, TheDialogListsSchemesAfterABackgroundAndResetsToThePlainColours)
{
    TFormWebSafe form;
    EXPECT_EQ(form.Colors(), DefaultWebSafeColors);
    EXPECT_EQ(form.ListBox1->count(), 11);
    EXPECT_EQ(form.ListBox2->count(), 0);
    form.ListBox1->setCurrentRow(10); // Yellow
    ASSERT_EQ(form.ListBox2->count(), 4);
    form.ListBox2->setCurrentRow(3);
    const TWebSafeColors purplePinkGreen = {0xCCFFFF, 0x990066, 0x9933FF, 0x669966, 0x3333CC};
    EXPECT_EQ(form.Colors(), purplePinkGreen);
    form.ListBox1->setCurrentRow(8); // Red
    EXPECT_EQ(form.ListBox2->currentRow(), -1) << "a new list has no scheme chosen";
    EXPECT_EQ(form.Colors(), purplePinkGreen);
    FindControl<QPushButton>(form, "Button3")->click();
    EXPECT_EQ(form.Colors(), DefaultWebSafeColors);
}

TEST(WebSafeModelTest, AListTakingTheFocusChoosesNothingAndEveryBackgroundIsInSight)
{
    TFormWebSafe form;
    form.show();
    const auto focus = [](QWidget* List) {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(List, &in);
    };
    focus(form.ListBox1);
    EXPECT_EQ(form.ListBox2->count(), 0) << "no background is chosen yet";
    form.ListBox1->setCurrentRow(1); // Blue
    ASSERT_EQ(form.ListBox2->count(), 5);
    focus(form.ListBox2);
    EXPECT_EQ(form.Colors(), DefaultWebSafeColors) << "no scheme is chosen yet";
    EXPECT_TRUE(form.ListBox1->viewport()->rect().contains(form.ListBox1->visualItemRect(form.ListBox1->item(10))));
}

} // namespace
