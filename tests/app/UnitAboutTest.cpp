#include "UnitAbout.h"

#include "ScriptedDialogs.h"
#include "ShellApi.h"
#include "WidgetInput.h"

#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <cmath>
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

// The contrast of two colours as the accessibility guidelines weigh it: 1 for none, 21 for black on white.
double Contrast(const QColor& A, const QColor& B)
{
    const auto luminance = [](const QColor& C) {
        const auto channel = [](double V) { return V <= 0.03928 ? V / 12.92 : std::pow((V + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(C.redF()) + 0.7152 * channel(C.greenF()) + 0.0722 * channel(C.blueF());
    };
    const double L1 = luminance(A), L2 = luminance(B);
    return (std::max(L1, L2) + 0.05) / (std::min(L1, L2) + 0.05);
}

TEST(FormAbout, EveryLinkReadsOnTheArtworkAtRestAndUnderTheMouse)
{
    TFormAbout Form;
    const QImage Art = Form.Image1->pixmap().toImage();
    const QColor Grey(0x80, 0x80, 0x80);
    const struct
    {
        QLabel* Label;
        QColor Rest, Hover;
    } Links[] = {{Form.LblContact, Grey, Qt::blue}, {Form.LblSite, Grey, Qt::blue}, {Form.LblPrograms, Qt::blue, Qt::yellow}};
    for (const auto& Link : Links) {
        // The artwork's colour under the label, each channel averaged.
        const QRect Under = Link.Label->geometry().translated(-Form.Image1->pos()) & Art.rect();
        ASSERT_FALSE(Under.isEmpty());
        double R = 0, G = 0, B = 0;
        for (int Y = Under.top(); Y <= Under.bottom(); ++Y)
            for (int X = Under.left(); X <= Under.right(); ++X) {
                const QColor C = Art.pixelColor(X, Y);
                R += C.redF(), G += C.greenF(), B += C.blueF();
            }
        const double N = double(Under.width()) * Under.height();
        const QColor Back = QColor::fromRgbF(float(R / N), float(G / N), float(B / N));
        EXPECT_GE(Contrast(Link.Rest, Back), 2.0) << Link.Label->objectName().toStdString();
        EXPECT_GE(Contrast(Link.Hover, Back), 2.0) << Link.Label->objectName().toStdString();
    }
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

TEST(FormAbout, LinksOpenWhatShipsWithTheProgramAndLightUpUnderTheMouse)
{
    TFormAbout Form;
    Form.show();
    const QList<TAboutLink> Links = AboutLinks();
    ASSERT_EQ(Links.size(), 3);
    QLabel* Labels[] = {Form.LblContact, Form.LblSite, Form.LblPrograms};
    const int Tags[] = {1, 2, 4};
    QList<QUrl> Opened;
    const TShellOpenHook Previous = SetShellOpenHook([&](const QUrl& Url) {
        Opened << Url;
        return true;
    });
    for (int I = 0; I < 3; ++I) {
        SCOPED_TRACE(Links[I].Text.toStdString());
        EXPECT_EQ(Labels[I]->property("Tag").toInt(), Tags[I]);
        EXPECT_FALSE(Links[I].Path.startsWith("http")) << "no web address";
        EXPECT_EQ(Labels[I]->cursor().shape(), Qt::PointingHandCursor);
        // Only a link to something that is there is offered.
        EXPECT_EQ(Labels[I]->isVisible(), QFileInfo::exists(Links[I].Path));
        Click(Labels[I], 3, 3);
        ASSERT_EQ(Opened.size(), I + 1);
        EXPECT_EQ(Opened.last(), QUrl::fromLocalFile(QFileInfo(Links[I].Path).absoluteFilePath()));
    }
    EXPECT_TRUE(QFileInfo(Links[0].Path).isFile()) << "the README ships with the program";
    EXPECT_TRUE(QFileInfo(Links[2].Path).isDir()) << "and so does its data folder";
    // A desktop that cannot open it: the link's file and the reason.
    SetShellOpenHook([](const QUrl&) {
        qWarning("Unable to detect a launcher");
        return false;
    });
    {
        TScriptedDialogs Dialogs;
        Dialogs.Answers = {mrOk};
        Click(Labels[0], 3, 3);
        EXPECT_EQ(Dialogs.MessageTexts(),
                  QStringList({QStringLiteral("Cannot open \"%1\". Unable to detect a launcher")
                                   .arg(QFileInfo(Links[0].Path).absoluteFilePath())}));
    }
    SetShellOpenHook(Previous);

    auto Colours = [&] {
        QList<QColor> List;
        for (QLabel* Label : Labels)
            List << Label->palette().color(QPalette::WindowText);
        return List;
    };
    const QColor Grey(0x80, 0x80, 0x80);
    EXPECT_EQ(Colours(), (QList<QColor>{Grey, Grey, Qt::blue}));
    Move(Form.LblSite, 2, 2);
    EXPECT_EQ(Colours(), (QList<QColor>{Grey, Qt::blue, Qt::blue}));
    Move(Form.LblPrograms, 2, 2);
    EXPECT_EQ(Colours(), (QList<QColor>{Grey, Grey, Qt::yellow}));
    Move(Form.LblContact, 2, 2);
    EXPECT_EQ(Colours(), (QList<QColor>{Qt::blue, Grey, Qt::blue}));
    Move(Form.Image1, 10, 10);
    EXPECT_EQ(Colours(), (QList<QColor>{Grey, Grey, Qt::blue}));
}

} // namespace
