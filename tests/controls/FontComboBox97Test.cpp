#include "FontComboBox97.h"

#include "WidgetInput.h"

#include <QAbstractItemView>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

namespace {

QStringList Items(const QComboBox& Box)
{
    QStringList Result;
    for (int i = 0; i < Box.count(); ++i)
        Result << Box.itemText(i);
    return Result;
}

const QStringList Faces = {"Gamma", "alpha", "Delta", "Beta", "Zeta", "Epsilon", "Eta"};

struct FontComboFixture : ::testing::Test
{
    QWidget Host;
    TFontComboBox97* Box = new TFontComboBox97(&Host);
    QStringList Chosen;

    void SetUp() override
    {
        QList<TFontFace> List;
        for (const QString& Name : Faces)
            List.append({Name, Name == "Zeta"});
        Box->LoadFonts(List);
        Box->resize(150, 22);
        Host.show();
        QObject::connect(Box, &TFontComboBox97::FontChange, [this](const QString& Name) { Chosen << Name; });
    }

    // Opens the list, moves to the face and presses Enter, as a user picks a face.
    void Choose(const QString& Name)
    {
        const int Index = Box->findText(Name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_GE(Index, 0) << Name.toStdString();
        Box->showPopup();
        ASSERT_TRUE(Box->DroppedDown());
        Box->view()->setCurrentIndex(Box->model()->index(Index, 0));
        Key(Box->view(), Qt::Key_Return);
        EXPECT_FALSE(Box->DroppedDown());
    }
};

TEST_F(FontComboFixture, TheListIsSortedAndChoicesGatherAtTheTopNewestFirstFiveAtMost)
{
    const QStringList Sorted = {"alpha", "Beta", "Delta", "Epsilon", "Eta", "Gamma", "Zeta"};
    EXPECT_EQ(Items(*Box), Sorted);
    EXPECT_EQ(Box->RecentCount(), 0);
    EXPECT_EQ(Box->currentIndex(), -1);

    for (const QString& Name : {"Beta", "Delta", "Epsilon", "Eta", "Gamma", "Zeta"})
        Choose(Name);
    EXPECT_EQ(Chosen, QStringList({"Beta", "Delta", "Epsilon", "Eta", "Gamma", "Zeta"}));
    EXPECT_EQ(Box->RecentCount(), 5);
    EXPECT_EQ(Items(*Box), QStringList({"Zeta", "Gamma", "Eta", "Epsilon", "Delta"}) + Sorted);
    EXPECT_EQ(Box->FontName(), "Zeta");
    EXPECT_EQ(Box->currentIndex(), 0);
    EXPECT_EQ(Box->currentText(), "Zeta");
    EXPECT_TRUE(Box->IsSymbol(0)) << "a recent entry keeps its symbol flag";

    // A face already among the recent ones moves to the top; none is added.
    Choose("Epsilon");
    EXPECT_EQ(Box->RecentCount(), 5);
    EXPECT_EQ(Items(*Box), QStringList({"Epsilon", "Zeta", "Gamma", "Eta", "Delta"}) + Sorted);
    // Choosing the face from the full list below finds the recent entry too.
    Choose("Gamma");
    const int Last = Box->findText("Gamma", Qt::MatchExactly) ;
    EXPECT_EQ(Last, 0);
    EXPECT_EQ(Items(*Box), QStringList({"Gamma", "Epsilon", "Zeta", "Eta", "Delta"}) + Sorted);
    // The first item again: nothing moves.
    Choose("Gamma");
    EXPECT_EQ(Items(*Box), QStringList({"Gamma", "Epsilon", "Zeta", "Eta", "Delta"}) + Sorted);
    EXPECT_EQ(Chosen.size(), 9);

    // Loading again forgets the recent entries.
    Box->Loaded();
    EXPECT_EQ(Box->RecentCount(), 0);
    EXPECT_FALSE(Items(*Box).contains("Gamma"));
}

TEST_F(FontComboFixture, ClosingTheListWithoutAChoiceAndMovingWhileClosedTakeNoRecentEntry)
{
    Box->showPopup();
    Key(Box->view(), Qt::Key_Escape);
    EXPECT_FALSE(Box->DroppedDown());
    EXPECT_TRUE(Chosen.isEmpty());
    EXPECT_FALSE(Box->Preview()->isVisible());

    // A selection change while the list is closed gives the face and the change, but no recent entry.
    Box->setFocus();
    Box->setCurrentIndex(2);
    Key(Box, Qt::Key_Down);
    EXPECT_EQ(Box->FontName(), "Epsilon");
    EXPECT_EQ(Chosen, QStringList({"Epsilon"}));
    EXPECT_EQ(Box->RecentCount(), 0);
}

TEST_F(FontComboFixture, SettingTheFontNameTakesAListedFaceAndIgnoresAnUnknownOne)
{
    Box->SetFontName("Delta");
    EXPECT_EQ(Box->FontName(), "Delta");
    EXPECT_EQ(Box->RecentCount(), 1);
    EXPECT_EQ(Box->itemText(0), "Delta");
    EXPECT_TRUE(Chosen.isEmpty()) << "showing the selection's face is no choice";

    Box->SetFontName("Not Installed");
    EXPECT_EQ(Box->currentIndex(), -1);
    EXPECT_EQ(Box->FontName(), "Delta");
    Box->SetFontName("delta");  // the comparison is exact
    EXPECT_EQ(Box->currentIndex(), -1);
    EXPECT_EQ(Box->RecentCount(), 1);
}

TEST_F(FontComboFixture, TheOpenListShowsAPreviewOfTheHighlightedFaceBesideTheBox)
{
    Box->showPopup();
    ASSERT_TRUE(Box->Preview()->isVisible());
    EXPECT_EQ(Box->Preview()->size(), QSize(301, 85));
    emit Box->highlighted(Box->findText("Beta"));
    EXPECT_EQ(Box->Preview()->PanelFontName->text(), "Beta");
    EXPECT_EQ(Box->Preview()->PanelPreview->text(), "AaBbYyZz");
    EXPECT_EQ(Box->Preview()->PanelPreview->font().pixelSize(), 37);
    // Items are at least 15 pixels high.
    const QSize Hint = Box->itemDelegate()->sizeHint(QStyleOptionViewItem(), Box->model()->index(0, 0));
    EXPECT_GE(Hint.height(), 15);
    Box->view()->grab();  // draws every kind of item without faults
    Key(Box->view(), Qt::Key_Escape);
    EXPECT_FALSE(Box->Preview()->isVisible());
}

// The installed list holds TrueType faces only: a bitmap face added for the test is left out.
TEST(FontComboBox97Test, OnlyTrueTypeFacesAreListed)
{
    struct Case
    {
        const char* Format;
        bool TrueType;
    } Cases[] = {{"TrueType", true}, {"truetype", true}, {"CFF", false}, {"Type 1", false},
                 {"PCF", false},     {"BDF", false},     {"", false}};
    for (const Case& C : Cases)
        EXPECT_EQ(IsTrueTypeFormat(C.Format), C.TrueType) << C.Format;

    QTemporaryDir Dir;
    const QString Bdf = Dir.filePath("bitmapface.bdf");
    QFile F(Bdf);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("STARTFONT 2.1\nFONT -test-Corvalite Bitmap Test-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
            "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 3\nFAMILY_NAME \"Corvalite Bitmap Test\"\n"
            "FONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 500 0\n"
            "DWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\n18\n24\n42\n42\n7E\n42\n42\n00\nENDCHAR\nENDFONT\n");
    F.close();
    ASSERT_TRUE(FcInit());
    ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(Bdf.toUtf8().constData())));

    // Fontconfig knows the face, but not as TrueType.
    FcPattern* Pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Corvalite Bitmap Test"));
    FcObjectSet* Objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* Set = FcFontList(nullptr, Pattern, Objects);
    ASSERT_NE(Set, nullptr);
    EXPECT_EQ(Set->nfont, 1);
    FcFontSetDestroy(Set);
    FcObjectSetDestroy(Objects);
    FcPatternDestroy(Pattern);

    const QList<TFontFace> Fonts = TrueTypeFonts();
    QStringList Names;
    for (const TFontFace& Face : Fonts)
        Names << Face.Name;
    FcConfigAppFontClear(nullptr);
    EXPECT_FALSE(Names.contains("Corvalite Bitmap Test"));
    EXPECT_TRUE(Names.contains("DejaVu Sans")) << Names.join(", ").toStdString();
    EXPECT_EQ(Names.removeDuplicates(), 0) << "one entry a family";
}

TEST(ComboBox97Test, AFlatBoxIsHotUnderTheMouseAndTakesTheFaceColourWhenDisabled)
{
    QWidget Host;
    TComboBox97 Box(&Host);
    Box.addItems({"1", "2", "3"});
    Box.SetFlat(true);
    Box.resize(60, 22);
    Host.show();
    EXPECT_TRUE(Box.Flat());
    EXPECT_FALSE(Box.hasFrame()) << "a flat box draws its own border";
    EXPECT_FALSE(Box.Hot());
    QEnterEvent Enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&Box, &Enter);
    EXPECT_TRUE(Box.Hot());
    Box.grab();
    QEvent Leave(QEvent::Leave);
    QApplication::sendEvent(&Box, &Leave);
    EXPECT_FALSE(Box.Hot());

    Box.setEnabled(false);
    EXPECT_EQ(Box.palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    Box.setEnabled(true);
    EXPECT_EQ(Box.palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(Box.ButtonRect().right(), Box.width() - 3);
    Box.grab();
}

} // namespace
