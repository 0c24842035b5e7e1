#include "UnitAbout.h"

#include "ScriptedDialogs.h"
#include "ShellApi.h"
#include "SpellCheckers.h"
#include "WidgetInput.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
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

// The colour seen most often in Box of Shot: what the text there is read on.
QColor Backdrop(const QImage& Shot, const QRect& Box)
{
    QHash<QRgb, int> Counts;
    for (int Y = Box.top(); Y <= Box.bottom(); ++Y)
        for (int X = Box.left(); X <= Box.right(); ++X)
            ++Counts[Shot.pixel(X, Y)];
    QRgb Most = 0;
    for (auto It = Counts.cbegin(); It != Counts.cend(); ++It)
        if (It.value() > Counts.value(Most))
            Most = It.key();
    return QColor::fromRgb(Most);
}

TEST(FormAbout, EveryLinkReadsOnTheArtworkAtRestAndUnderTheMouse)
{
    TFormAbout Form;
    Form.show();
    int Checked = 0;
    for (int Hover : {0, 1, 2, 4}) {
        Form.LinkHover(Hover);
        const QImage Shot = Form.grab().toImage();
        for (QLabel* Label : {Form.LblContact, Form.LblSite, Form.LblPrograms}) {
            if (!Label->isVisible())
                continue;
            SCOPED_TRACE(Label->objectName().toStdString() + " with the mouse over tag " + std::to_string(Hover));
            const QColor Text = Label->palette().color(QPalette::WindowText);
            const QRect Box(Label->mapTo(&Form, QPoint(0, 0)), Label->size());
            const QColor Back = Backdrop(Shot, Box);
            // What the accessibility guidelines ask of small text.
            EXPECT_GE(AboutContrast(Text, Back), 4.5) << Back.name().toStdString() << " under " << Text.name().toStdString();
            // The text is drawn there, in its colour.
            int Ink = 0;
            for (int Y = Box.top(); Y <= Box.bottom(); ++Y)
                for (int X = Box.left(); X <= Box.right(); ++X)
                    Ink += AboutContrast(Shot.pixelColor(X, Y), Text) < 1.2;
            EXPECT_GT(Ink, 20);
            ++Checked;
        }
    }
    EXPECT_GE(Checked, 8);
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
    // ...which is where the program reads its data: its word list, for one.
    EXPECT_EQ(QFileInfo(FindWordListFile()).absolutePath().toStdString(),
              QFileInfo(Links[2].Path).absoluteFilePath().toStdString());
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

TEST(FormAbout, ScreenshotOfTheAboutBox)
{
    // Writes the picture only when asked: CORVALITE_SCREENSHOT names the PNG file.
    const QByteArray Target = qgetenv("CORVALITE_SCREENSHOT");
    if (Target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormAbout Form;
    Form.show();
    QEventLoop Settle;
    QTimer::singleShot(300, &Settle, &QEventLoop::quit);
    Settle.exec();
    EXPECT_TRUE(Form.grab().toImage().save(QString::fromLocal8Bit(Target), "PNG"));
}

} // namespace
