// The plug-in movie and media tools: the object, PARAMs and embed each dialog writes, the fields read back,
// the Real controls, and once per tool through the palette: insert, edit by double-click, save.
#include "ToolObjMedia.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

namespace {

const QString Page = QStringLiteral(
    "<html><body>"
    "<object classid=\"CLSID:d27cdb6e-ae6d-11cf-96b8-444553540000\" id=\"fl\" width=\"200\" height=\"100\" "
    "align=\"left\" standby=\"Wait\">"
    "<param name=\"Movie\" value=\"a.swf\"><param name=\"FlashVars\" value=\"x=1&amp;y=2\">"
    "<param name=\"play\" value=\"FALSE\"><param name=\"menu\" value=\"TRUE\"><param name=\"loop\" value=\"1\">"
    "<param name=\"extra\" value=\"keep\"><embed src=\"by hand\"></object>"
    "<object classid=\"clsid:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><param name=\"url\" value=\"m.wmv\">"
    "<param name=\"Volume\" value=\"loud\"><param name=\"Balance\" value=\"-40\"></object>"
    "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"><param name=\"src\" value=\"r.rm\">"
    "<param name=\"controls\" value=\"statusbar\"></object>"
    "<object classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"><param name=\"controls\" value=\"Knob\">"
    "</object>"
    "<object classid=\"clsid:00000000-0000-0000-0000-000000000001\"></object>"
    "</body></html>");

// The object a new dialog builds, written out: the placeholder's attributes after its class, and the node.
struct TBuilt
{
    std::string Placeholder;
    std::string Node;
};

TBuilt Build(TObjMediaModel& Model, const std::function<void(TObjMediaModel&)>& Fill)
{
    TDesignDocument doc(QStringLiteral("<html><body></body></html>"));
    doc.Load(Model);
    Fill(Model);
    const QString id = doc.NextId();
    const QString html = Model.GetHtml();
    return {html.mid(html.indexOf(QLatin1String("class="))).toStdString(), NodeText(doc.KeptTag(id))};
}

const std::string FlashEmbedTail = (
    " type=\"application/x-shockwave-flash\" pluginspage=\"http://www.macromedia.com/go/getflashplayer\"></object>\r\n");

TEST(ObjMediaModelTest, ANewObjectWritesOnlyWhatDiffersFromThePlayersDefaults)
{
    TObjMediaModel flash(PlayerFlash);
    TBuilt built = Build(flash, [](TObjMediaModel& m) { m.Params[0].Text = QStringLiteral(" a.swf "); });
    EXPECT_EQ(built.Placeholder, "class=\"dsgn_flash\" width=\"400\" height=\"300\">");
    EXPECT_EQ(built.Node,
              "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"400\" height=\"300\" "
              "codebase=\"http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,0,0\">\r\n"
              "  <param name=\"movie\" value=\"a.swf\">\r\n"
              "  <embed width=\"400\" height=\"300\" movie=\"a.swf\"" + FlashEmbedTail);

    // Defaults compare without regard to case; track bars write their position.
    TObjMediaModel quickTime(PlayerQuickTime);
    built = Build(quickTime, [](TObjMediaModel& m) {
        EXPECT_EQ(m.Param("fullscreen").Text, "full");
        EXPECT_EQ(m.Param("volume").Position, 100);
        m.Params[0].Text = QStringLiteral("q.mov");
        m.Param("fullscreen").Text = QStringLiteral("FULL");
        m.Param("loop").Text = QStringLiteral("Palindrome");
        m.Param("volume").Position = 50;
    });
    EXPECT_EQ(built.Node,
              "<object classid=\"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B\" width=\"400\" height=\"300\" "
              "codebase=\"http://www.apple.com/qtactivex/qtplugin.cab\">\r\n"
              "  <param name=\"src\" value=\"q.mov\">\r\n  <param name=\"volume\" value=\"50\">\r\n"
              "  <param name=\"loop\" value=\"Palindrome\">\r\n"
              "  <embed width=\"400\" height=\"300\" src=\"q.mov\" volume=\"50\" loop=\"Palindrome\" "
              "type=\"video/quicktime\" pluginspage=\"http://www.apple.com/quicktime/download/\"></object>\r\n");
}

TEST(ObjMediaModelTest, AnObjectsFieldsReadBackAndAnUnknownCheckValueIsKept)
{
    TDesignDocument doc(Page);
    TObjMediaModel flash(PlayerFlash);
    doc.Load(flash, QStringLiteral("img"));
    EXPECT_EQ(flash.Fields.Align, "left");
    EXPECT_EQ(flash.Params[0].Text, "a.swf") << "names compare without regard to case";
    EXPECT_EQ(flash.Param("flashvars").Text, "x=1&amp;y=2");
    EXPECT_FALSE(flash.Param("play").Checked) << "FALSE";
    EXPECT_TRUE(flash.Param("menu").Checked) << "TRUE";
    EXPECT_TRUE(flash.Param("loop").Checked) << "a value the box cannot show: the default";
    EXPECT_EQ(flash.ParamValue(10), "1") << "and it is written back while the box is as shown";
    flash.Param("loop").Checked = false;
    EXPECT_EQ(flash.ParamValue(10), "false");
    flash.Param("loop").Checked = true;
    EXPECT_EQ(flash.ParamValue(10), "1");

    // A track bar reads a number, or its default when the value is none.
    TObjMediaModel media(PlayerMedia);
    doc.Load(media, QStringLiteral("img"), 1);
    EXPECT_EQ(media.Param("Volume").Position, 100);
    EXPECT_EQ(media.Param("Balance").Position, -40);
    EXPECT_EQ(media.Param("PlayCount").Text, "") << "an absent parameter shows empty";
}

TEST(ObjMediaModelTest, OkWritesTheObjectInPlaceAndRebuildsItsEmbed)
{
    TDesignDocument doc(Page);
    TObjMediaModel flash(PlayerFlash);
    doc.Load(flash, QStringLiteral("img"));
    const QString oldId = flash.Element->Id;
    flash.Param("play").Checked = true;
    flash.Fields.Width = QStringLiteral("300");
    flash.Fields.Align.clear();
    const QString id = doc.NextId();
    TElementWrites writes;
    flash.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + id, "set width=300", "set height=100", "remove style",
                                           "remove align"}));
    EXPECT_EQ(NodeText(doc.KeptTag(id)),
              "<object classid=\"CLSID:d27cdb6e-ae6d-11cf-96b8-444553540000\" id=\"fl\" width=\"300\" "
              "height=\"100\" standby=\"Wait\" "
              "codebase=\"http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,0,0\">\r\n"
              "  <param name=\"movie\" value=\"a.swf\">\r\n  <param name=\"flashvars\" value=\"x=1&amp;y=2\">\r\n"
              "  <param name=\"menu\" value=\"true\">\r\n  <param name=\"loop\" value=\"1\">\r\n"
              "  <param name=\"extra\" value=\"keep\">\r\n"
              "  <embed width=\"300\" height=\"100\" name=\"fl\" movie=\"a.swf\" flashvars=\"x=1&amp;y=2\" "
              "menu=\"true\" loop=\"1\" extra=\"keep\"" + FlashEmbedTail)
        << "play at its default goes; the other parameter stays; the hand-made embed is replaced";
    EXPECT_EQ(doc.KeptTag(oldId)->GetAttribute(ATTR_WIDTH), "200") << "undo brings back the old node";
}

TEST(ObjMediaModelTest, TheRealControlsListNamesSizesAndFindsItsRows)
{
    ASSERT_EQ(RealControls().size(), 20u);
    EXPECT_EQ(ControlCaption(16), "StatusBar (Status Bar, 325x30 pixels)");
    const struct
    {
        const char* Name;
        int Row;
    } lookups[] = {{"StatusBar", 16}, {"statusbar", 16}, {"", 0}, {"Knob", 0}, {"TACCtrl", 19}, {"all", 1}};
    for (const auto& l : lookups)
        EXPECT_EQ(ControlIndexOf(QLatin1String(l.Name)), l.Row) << l.Name;
    EXPECT_EQ(ControlNameAt(-1) + ControlNameAt(20) + ControlNameAt(7), "DefaultDefaultRWCtrl");

    TDesignDocument doc(Page);
    TObjMediaModel real(PlayerReal);
    doc.Load(real, QStringLiteral("img"), 2);
    EXPECT_EQ(real.Param("controls").Position, 16);
    EXPECT_EQ(real.ParamValue(14), "statusbar") << "its row is chosen, and the object's spelling kept";
    real.ControlsChanged(10);
    EXPECT_EQ(real.Fields.Width, "26");
    EXPECT_EQ(real.Fields.Height, "65");
    EXPECT_EQ(real.ParamValue(14), "VolumeSlider");

    // A name no row has opens on a row of its own after the table's and is written back as it was, until
    // the user picks a row of the table.
    for (int picked : {-1, 0}) {
        real.Element = doc.Element(QStringLiteral("img"), 3);
        real.Load();
        EXPECT_EQ(real.Param("controls").Position, 20);
        if (picked >= 0)
            real.ControlsChanged(picked);
        const QString id = doc.NextId();
        TElementWrites writes;
        real.Apply(writes);
        EXPECT_EQ(THtmlFilter::GetObjectParam(doc.KeptTag(id), QStringLiteral("controls")), picked < 0 ? "Knob" : "")
            << picked;
    }
}

TEST(ObjMediaModelTest, OkNeedsAMovieAndEachToolTakesItsPlayersClassIds)
{
    for (const TMediaPlayer* player : {&PlayerFlash, &PlayerQuickTime, &PlayerReal, &PlayerMedia}) {
        TObjMediaModel model(*player);
        model.Load();
        EXPECT_EQ(model.Check().Message, player == &PlayerReal ? QStringLiteral("Please specify a Real media first.")
                                                               : QStringLiteral("Please specify a movie first."));
        EXPECT_EQ(model.Check().Field, &model.Params[0].Text);
    }
    TObjMediaModel quickTime(PlayerQuickTime);
    quickTime.Load();
    quickTime.Param("href").Text = QStringLiteral("next.html");
    EXPECT_FALSE(quickTime.Check().Refused) << "a link stands in for the movie";

    TDesignDocument doc(Page);
    std::vector<std::unique_ptr<TToolItem>> tools;
    for (const char* name : {"TToolObjFlash", "TToolObjQuickTime", "TToolObjReal", "TToolObjMPlayer"})
        tools.push_back(MakeTool(name));
    const int takenBy[] = {0, 3, 2, 2, -1}; // per object of the page
    for (int i = 0; i < 5; ++i)
        for (size_t t = 0; t < tools.size(); ++t)
            EXPECT_EQ(tools[t]->CanEdit(doc.Element(QStringLiteral("img"), i), doc.Filter), int(t) == takenBy[i])
                << "object " << i << " tool " << t;
}

// ---------------------------------------------------------------------------------------------------
// Through the palette

using ToolObjMediaTest = TToolPageTest;

TEST_F(ToolObjMediaTest, EachPlayerIsInsertedEditedByDoubleClickAndSaved)
{
    Dialogs.Answers = {mrOk};
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Flash Movie"), QStringLiteral("img.dsgn_flash"),
        [](QDialog& f) {
            ClickOk(f);
            SetControlText(f, "EditMovie", QStringLiteral("intro.swf"));
            FindControl<QComboBox>(f, "ComboQuality")->setEditText(QStringLiteral("high"));
            ClickOk(f);
        },
        [](QDialog& f) {
            EXPECT_TRUE(FindControl<QCheckBox>(f, "CheckPlay")->isChecked());
            FindControl<QCheckBox>(f, "CheckPlay")->setChecked(false);
            SetControlText(f, "EditVars", QStringLiteral("lang=en"));
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert QuickTime Movie"), QStringLiteral("img.dsgn_quicktime"),
        [](QDialog& f) {
            SetControlText(f, "EditHref", QStringLiteral("next.html"));
            FindControl<QSlider>(f, "TrackVolume")->setValue(60);
            ClickOk(f);
        },
        [](QDialog& f) {
            SetControlText(f, "EditMovie", QStringLiteral("clip.mov"));
            SetControlText(f, "EditWidth", QStringLiteral("320"));
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Real Media"), QStringLiteral("img.dsgn_real"),
        [](QDialog& f) {
            SetControlText(f, "EditMovie", QStringLiteral("song.rm"));
            // The user's choice of control sets the size.
            auto* controls = FindControl<QComboBox>(f, "ComboControls");
            controls->setCurrentIndex(16);
            emit controls->activated(16);
            EXPECT_EQ(FindControl<QLineEdit>(f, "EditHeight")->text(), "30");
            ClickOk(f);
        },
        [](QDialog& f) {
            EXPECT_EQ(FindControl<QComboBox>(f, "ComboControls")->currentIndex(), 16);
            SetControlText(f, "EditBgColor", QStringLiteral("white"));
            ClickOk(f);
        }));
    ASSERT_TRUE(InsertAndEdit(
        QStringLiteral("Insert Windows Media Player"), QStringLiteral("img.dsgn_mplayer"),
        [](QDialog& f) {
            SetControlText(f, "EditMovie", QStringLiteral("talk.wmv"));
            FindControl<QCheckBox>(f, "CheckMute")->setChecked(true);
            ClickOk(f);
        },
        [](QDialog& f) {
            FindControl<QSlider>(f, "TrackBalance")->setValue(-100);
            FindControl<QComboBox>(f, "ComboAlign")->setEditText(QStringLiteral("right"));
            ClickOk(f);
        }));
    EXPECT_EQ(Dialogs.FormsShown.size(), 8);
    EXPECT_EQ(Dialogs.FormsShown.value(6), "  Windows Media Player Properties");
    EXPECT_EQ(Dialogs.MessageTexts(), QStringList{"Please specify a movie first."});
    ExpectSavedAs(W.Save(), QStringLiteral("media-saved.html"));
}

} // namespace
