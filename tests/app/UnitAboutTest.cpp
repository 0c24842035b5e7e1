#include "UnitAbout.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(FormAbout, ShowsTheProductNameAndVersionWithAnOkButton)
{
    TFormAbout Form;
    EXPECT_EQ(Form.windowTitle(), "About");
    EXPECT_EQ(Form.size(), QSize(518, 205));
    EXPECT_EQ(Form.minimumSize(), Form.maximumSize());
    EXPECT_FALSE(Form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(Form.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Form.Image1->accessibleName(), "Corvalite v3.63");
    EXPECT_EQ(Form.Image1->size(), QSize(515, 168));
    EXPECT_EQ(Form.Button1->text(), "OK");
    EXPECT_TRUE(Form.Button1->isDefault());
}

TEST(FormAbout, ArtworkIsDrawnAndNotBlank)
{
    const QImage Art = AboutArtwork(QSize(515, 168)).toImage();
    ASSERT_EQ(Art.size(), QSize(515, 168));
    // The product name is drawn in white over the dark banner on the left.
    int White = 0;
    for (int y = 30; y < 90; ++y)
        for (int x = 24; x < 250; ++x)
            if (qGray(Art.pixel(x, y)) > 230)
                ++White;
    EXPECT_GT(White, 200);
}

TEST(FormAbout, OkClosesTheModalDialogAndItCanBeShownAgain)
{
    QMainWindow Owner;
    Owner.setGeometry(100, 100, 800, 600);
    TFormAbout Form(&Owner);
    for (int Round = 0; Round < 2; ++Round) {
        QTimer::singleShot(0, &Form, [&Form] { Form.Button1->click(); });
        EXPECT_EQ(Form.exec(), QDialog::Accepted);
        EXPECT_FALSE(Form.isVisible());
    }
}

} // namespace
