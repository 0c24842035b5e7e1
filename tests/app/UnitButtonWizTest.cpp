#include "UnitButtonWiz.h"

#include "ButtonGens.h"
#include "ContainerWriter.h"
#include "ImageFiles.h"
#include "RgbUtils.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A pack of Records icons whose strip holds one 32-pixel tile per colour, two to a row: magenta with a
// 16-pixel square of the colour in the middle.
QByteArray MakePack(int Records, const QList<QRgb>& Colors)
{
    QList<QImage> Tiles;
    for (QRgb Color : Colors) {
        QImage Tile(32, 32, QImage::Format_RGB32);
        Tile.fill(clTransparent);
        QPainter(&Tile).fillRect(8, 8, 16, 16, QColor::fromRgb(Color));
        Tiles << Tile;
    }
    QList<TContainerFile> Icons;
    for (int i = 0; i < Records; ++i)
        Icons.append({"icon" + QByteArray::number(i) + ".png", "content"});
    return WriteIconPack(Icons, ThumbnailBlock(TileStrip(Tiles, 2), 32, 32, qint32(Tiles.size()), 2));
}

class UnitButtonWizTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FPack = FDir.filePath(QStringLiteral("Tango Small.icp"));
        QFile File(FPack);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(MakePack(2, {0xFFFF0000, 0xFF00C000}));
    }

    // A wizard shown (not modally) once, so it has filled its lists.
    void Show(TFormButtonWizard& Form)
    {
        Form.GlyphPackPath = FPack;
        Form.BaseFolder = FDir.path() + QLatin1Char('/');
        Form.show();
        ASSERT_TRUE(Form.Initialized());
    }

    // A press and release of the left button in the middle of Widget, as the pointer gives them.
    static void Click(QWidget* Widget)
    {
        const QPointF Middle(Widget->width() / 2, Widget->height() / 2);
        for (QEvent::Type Type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent Event(Type, Middle, Widget->mapToGlobal(Middle), Qt::LeftButton,
                              Type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(Widget, &Event);
        }
    }

    // Select-all and then Text typed key by key into Edit.
    static void Type(QLineEdit* Edit, const QString& Text)
    {
        Edit->setFocus();
        QKeyEvent SelectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QApplication::sendEvent(Edit, &SelectAll);
        for (const QChar C : Text) {
            QKeyEvent Press(QEvent::KeyPress, 0, Qt::NoModifier, QString(C));
            QApplication::sendEvent(Edit, &Press);
        }
    }

    static QByteArray Bytes(const QString& Path)
    {
        QFile File(Path);
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
    }

    // The names in Folder, hidden ones (a half-written file's) included.
    static QStringList Entries(const QString& Folder)
    {
        return QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    static int CountPixels(const QImage& Image, QRgb Color)
    {
        int Count = 0;
        for (int y = 0; y < Image.height(); ++y)
            for (int x = 0; x < Image.width(); ++x)
                Count += Image.pixel(x, y) == Color;
        return Count;
    }

    QTemporaryDir FDir;
    QString FPack;
    TScriptedDialogs Dialogs;
};

TEST(ButtonFileNames, TheCaptionInLowerCaseWithOnlyLettersAndDigits)
{
    const struct
    {
        const char* Caption;
        int Format;
        const char* Expected;
    } Cases[] = {
        {"Buy Now!", 0, "images/buy_now_.gif"}, {"", 2, "images/button.png"},
        {"Home", 1, "images/home.jpg"},         {"Page 2", 3, "images/page_2.bmp"},
        {"\xC3\x9C" "ber/uns", 0, "images/_ber_uns.gif"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ProposedButtonFileName(QString::fromUtf8(C.Caption), C.Format), QString::fromLatin1(C.Expected))
            << C.Caption;
}

TEST_F(UnitButtonWizTest, TheFirstShowingFillsTheListsAndProposesAName)
{
    TFormButtonWizard Form;
    EXPECT_FALSE(Form.Initialized());
    Show(Form);
    ASSERT_EQ(Form.ListStyle->count(), 70);
    EXPECT_EQ(Form.SelectedStyle(), 0);
    ASSERT_EQ(Form.ListGlyph->count(), 2);
    EXPECT_EQ(Form.ListGlyph->item(1)->text(), "1");
    EXPECT_EQ(Form.EditCaption->text(), "Some Text");
    EXPECT_EQ(Form.EditFileName->text(), "images/some_text.gif");
    EXPECT_FALSE(Form.Preview().isNull());
    EXPECT_EQ(ButtonGens()[0]->Caption, "Some Text");
    EXPECT_EQ(ButtonGens()[5]->Caption, "Style 6") << "only the selected style takes the caption";

    // Caption and format propose the name; a name edited by hand is rebuilt by the next change.
    Form.EditCaption->setText(QStringLiteral("Buy Now!"));
    EXPECT_EQ(Form.EditFileName->text(), "images/buy_now_.gif");
    Form.EditFileName->setText(QStringLiteral("mine/by-hand.gif"));
    Form.FormatButtons[2]->setChecked(true);
    EXPECT_EQ(Form.EditFileName->text(), "images/buy_now_.png");
    Form.EditCaption->clear();
    EXPECT_EQ(Form.EditFileName->text(), "images/button.png");
    QImage Expected;
    TBaseButtonGen& Style = *ButtonGens()[0];
    Style.Caption = QStringLiteral("Caption");
    Style.Generate(Expected, bsNormal);
    EXPECT_EQ(Form.Preview(), Expected) << "an empty caption shows \"Caption\"";
}

TEST_F(UnitButtonWizTest, AStylesSettingsLoadIntoTheControlsAndEditsStayWithIt)
{
    TFormButtonWizard Form;
    Show(Form);
    Form.ListStyle->setCurrentRow(2);
    Form.SpinDelta->setValue(7);
    Form.SpinFontSize->setValue(14);
    EXPECT_EQ(ButtonGens()[2]->Delta, 7);
    EXPECT_EQ(ButtonGens()[2]->FontSize, 14);
    Form.ListStyle->setCurrentRow(3);
    EXPECT_EQ(Form.SpinDelta->value(), 2);
    EXPECT_EQ(Form.SpinFontSize->value(), 8);
    EXPECT_EQ(ButtonGens()[3]->Delta, 2) << "loading the controls writes nothing back into the old style";
    Form.ListStyle->setCurrentRow(2);
    EXPECT_EQ(Form.SpinDelta->value(), 7);
    EXPECT_EQ(Form.SpinFontSize->value(), 14);

    // The state group draws the chosen state: the hovered outline is orange.
    Form.StateButtons[1]->setChecked(true);
    EXPECT_GT(CountPixels(Form.Preview(), 0xFFFF8000), 0);

    // "Autosize" off: the width and height take over and their controls are enabled.
    EXPECT_FALSE(Form.SpinWidth->isEnabled());
    Form.CheckAutosize->click();
    EXPECT_TRUE(Form.SpinWidth->isEnabled());
    EXPECT_TRUE(Form.SpinHeight->isEnabled());
    Form.SpinWidth->setValue(155);
    Form.SpinHeight->setValue(40);
    EXPECT_EQ(Form.Preview().size(), QSize(155, 40));

    // A colour panel asks for a colour; a cancelled choice changes nothing.
    QColor Next(0x12, 0x34, 0x56);
    QList<QColor> Offered;
    Form.ChooseColor = [&](QColor& C) {
        Offered << C;
        if (!Next.isValid())
            return false;
        C = Next;
        return true;
    };
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Form.PanelTC[1], &Press);
    EXPECT_EQ(Form.PanelTC[1]->Color(), Next);
    EXPECT_EQ(ButtonGens()[2]->TextColor[1], Next);
    Next = QColor();
    QApplication::sendEvent(Form.PanelOC[0], &Press);
    EXPECT_EQ(ButtonGens()[2]->OutlineColor[0], QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(Offered, QList<QColor>({QColor(255, 255, 255), QColor(0x80, 0x80, 0x80)})) << "the dialog opens on the panel's colour";
}

TEST_F(UnitButtonWizTest, AGlyphIsTheMiddleOfItsThumbnailAndGoesBesideTheText)
{
    TFormButtonWizard Form;
    Show(Form);
    Form.ListStyle->setCurrentRow(0);
    const int Plain = Form.Preview().width();
    Form.ListGlyph->setCurrentRow(0);
    emit Form.ListGlyph->itemClicked(Form.ListGlyph->item(0));
    // The system style draws its glyph at its own size: 16 pixels of red with a gap of 7 to the text.
    EXPECT_EQ(Form.Preview().width(), Plain + 16 + 7);
    EXPECT_EQ(CountPixels(Form.Preview(), 0xFFFF0000), 16 * 16);
    Form.StateButtons[3]->setChecked(true);
    EXPECT_EQ(CountPixels(Form.Preview(), 0xFFFF0000), 0) << "disabled: the grey glyph";
    Form.ComboLayout->setCurrentIndex(0);
    EXPECT_EQ(Form.Preview().width(), Plain);
}

TEST_F(UnitButtonWizTest, WithoutTheGlyphPackTheWizardWorksWithoutGlyphs)
{
    TFormButtonWizard Form;
    Form.GlyphPackPath = FDir.filePath(QStringLiteral("missing.icp"));
    Form.show();
    EXPECT_TRUE(Form.Initialized());
    EXPECT_EQ(Form.ListGlyph->count(), 0);
    EXPECT_EQ(Form.ListStyle->count(), 70);
}

TEST_F(UnitButtonWizTest, TheProgramsOwnGlyphPackIsFoundBesideIt)
{
    TFormButtonWizard Form;
    Form.show();
    ASSERT_GE(Form.ListGlyph->count(), 20);
    // Each glyph is drawn on magenta and covers some of its 16 by 16 pixels.
    for (int i = 0; i < Form.ListGlyph->count(); ++i) {
        Form.ListGlyph->setCurrentRow(i);
        emit Form.ListGlyph->itemClicked(Form.ListGlyph->item(i));
        const QImage& Glyph = ButtonGens()[0]->Glyph();
        ASSERT_EQ(Glyph.size(), QSize(16, 16));
        const int Clear = CountPixels(Glyph, clTransparent);
        EXPECT_GT(Clear, 0) << i;
        EXPECT_LT(Clear, 16 * 16 - 20) << i;
    }
}

TEST_F(UnitButtonWizTest, SaveWritesBelowTheBaseFolderCreatingTheFoldersAndCloses)
{
    const struct
    {
        int Format;
        const char* Name;
        const char* Reader;
        bool Transparent;
    } Cases[] = {
        {0, "images/nav/a.gif", "GIF", true},
        {1, "images/b.jpg", "JPEG", false},
        {2, "deep/er/c.png", "PNG", true},
        {3, "images/d.bmp", "BMP", false},
    };
    TFormButtonWizard Form;
    Show(Form);
    Form.ListStyle->setCurrentRow(2);  // a skinned style: its rounded corners are magenta
    for (const auto& Case : Cases) {
        Form.FormatButtons[Case.Format]->setChecked(true);
        Form.EditFileName->setText(QString::fromLatin1(Case.Name));
        const QImage Preview = Form.Preview();
        ASSERT_EQ(Preview.pixel(0, 0), clTransparent);
        QTimer::singleShot(0, &Form, [&Form] { Form.BtnSave->click(); });
        EXPECT_EQ(Form.exec(), QDialog::Accepted);
        EXPECT_TRUE(Form.Saved());
        EXPECT_FALSE(Form.isVisible());
        const QImage Back = QImageReader(FDir.filePath(QString::fromLatin1(Case.Name)), Case.Reader).read();
        ASSERT_EQ(Back.size(), Preview.size()) << Case.Name;
        if (Case.Transparent)
            EXPECT_EQ(qAlpha(Back.pixel(0, 0)), 0) << Case.Name;
        else
            EXPECT_GT(qGray(Back.pixel(0, 0)), 200) << Case.Name;
        EXPECT_EQ(qAlpha(Back.pixel(Back.width() / 2, Back.height() / 2)), 255);
    }
    EXPECT_TRUE(Dialogs.Messages.empty());

    // A backslash separates folders: the file goes into them, and the name handed to the page says so.
    Form.EditFileName->setText(QStringLiteral("images\\nav\\e.bmp"));
    QTimer::singleShot(0, &Form, [&Form] { Form.BtnSave->click(); });
    EXPECT_EQ(Form.exec(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(FDir.filePath(QStringLiteral("images/nav/e.bmp"))).isFile());
    EXPECT_EQ(Form.EditFileName->text(), "images/nav/e.bmp");

    // Showing it again clears the saved flag.
    QTimer::singleShot(0, &Form, [&Form] { Form.reject(); });
    Form.exec();
    EXPECT_FALSE(Form.Saved());
}

TEST_F(UnitButtonWizTest, AFileOfTheSameNameIsReplacedOnlyAfterAYesAndKeepsItsPermissions)
{
    // The user's own file where the button is going.
    ASSERT_TRUE(QDir(FDir.path()).mkpath(QStringLiteral("images")));
    const QString Mine = FDir.filePath(QStringLiteral("images/my_button.png"));
    {
        QFile File(Mine);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write("the user's own picture");
    }
    const QFile::Permissions Own = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(Mine, Own));
    const QFile::Permissions Before = QFile::permissions(Mine);
    ASSERT_FALSE(Before & (QFile::ReadOther | QFile::WriteGroup));

    TFormButtonWizard Form;
    Show(Form);
    Click(Form.FormatButtons[2]);
    Type(Form.EditCaption, QStringLiteral("My Button"));
    ASSERT_EQ(Form.EditFileName->text(), "images/my_button.png");

    // No: nothing written, nothing saved, the window open for another name.
    Dialogs.Answers = {mrNo};
    Click(Form.BtnSave);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbYes | mbNo));
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(Mine)) << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(Bytes(Mine), "the user's own picture");
    EXPECT_EQ(Entries(FDir.filePath(QStringLiteral("images"))), QStringList{"my_button.png"});
    EXPECT_FALSE(Form.Saved());
    EXPECT_TRUE(Form.isVisible());

    // Yes: the button's picture in its place, with the user's permissions.
    Dialogs.Answers = {mrYes};
    Click(Form.BtnSave);
    EXPECT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_TRUE(Form.Saved());
    EXPECT_FALSE(Form.isVisible());
    const QByteArray First = Bytes(Mine);
    EXPECT_EQ(First, EncodePng(Form.Preview()));
    EXPECT_EQ(QFile::permissions(Mine), Before);
    EXPECT_EQ(Entries(FDir.filePath(QStringLiteral("images"))), QStringList{"my_button.png"});

    // The same picture again: the file is left as it is, without a question.
    Form.show();
    const QDateTime Written = QFileInfo(Mine).fileTime(QFileDevice::FileModificationTime);
    {
        QFile File(Mine);
        ASSERT_TRUE(File.open(QIODevice::ReadOnly));
        ASSERT_TRUE(File.setFileTime(Written.addSecs(-60), QFileDevice::FileModificationTime));
    }
    Click(Form.BtnSave);
    EXPECT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_TRUE(Form.Saved());
    EXPECT_EQ(QFileInfo(Mine).fileTime(QFileDevice::FileModificationTime), Written.addSecs(-60));

    // Another button whose name comes out the same (a glyph beside the same caption) asks before it
    // takes the first one's file; No keeps the first button's picture.
    Form.show();
    Form.ListGlyph->setCurrentRow(0);
    emit Form.ListGlyph->itemClicked(Form.ListGlyph->item(0));
    ASSERT_EQ(Form.EditFileName->text(), "images/my_button.png");
    Dialogs.Answers = {mrNo};
    Click(Form.BtnSave);
    EXPECT_EQ(Dialogs.Messages.size(), 3u);
    EXPECT_FALSE(Form.Saved());
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Bytes(Mine), First);
}

TEST_F(UnitButtonWizTest, AFailedSaveShowsTheErrorKeepsTheWindowOpenAndSavesNothing)
{
    TFormButtonWizard Form;
    Show(Form);
    // A file where the folder should be.
    QFile Blocker(FDir.filePath(QStringLiteral("images")));
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    Dialogs.Answers = {mrOk};
    Form.BtnSave->click();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::mtError);
    // The system's reason, and nothing half written beside the file in the way.
    EXPECT_EQ(Dialogs.Messages[0].Text,
              QStringLiteral("Cannot create file \"%1\". Not a directory").arg(FDir.filePath("images/some_text.gif")));
    EXPECT_FALSE(Form.Saved());
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Entries(FDir.path()), QStringList({"Tango Small.icp", "images"}));

    // An empty file name does nothing at all.
    Form.EditFileName->clear();
    Form.BtnSave->click();
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Form.isVisible());
    EXPECT_FALSE(Form.Saved());
}

TEST_F(UnitButtonWizTest, ScreenshotOfTheWizard)
{
    // Writes the picture only when asked: CORVALITE_SCREENSHOT names the PNG file.
    const QByteArray Target = qgetenv("CORVALITE_SCREENSHOT");
    if (Target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    TFormButtonWizard Form;
    Form.show();
    Form.EditCaption->setText(QStringLiteral("Order Now"));
    Form.ListStyle->setCurrentRow(30);
    Form.ListStyle->scrollToItem(Form.ListStyle->currentItem());
    Form.ListGlyph->setCurrentRow(9);
    emit Form.ListGlyph->itemClicked(Form.ListGlyph->item(9));
    QEventLoop Settle;
    QTimer::singleShot(500, &Settle, &QEventLoop::quit);
    Settle.exec();
    EXPECT_TRUE(Form.grab().toImage().save(QString::fromLocal8Bit(Target), "PNG"));
}

} // namespace
