// The date and time tool: its own formatting of the format letters, and once through the palette.
#include "ToolDate.h"

#include "../app/ScriptedDialogs.h"
#include "NameSpace.h"
#include "TestHooks.h"
#include "ToolTesting.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

TEST(DateModelTest, TheFormatLettersAreWrittenAsTheDialogOffersThem)
{
    const QDateTime morning(QDate(2004, 3, 1), QTime(9, 5, 7));
    const QDateTime evening(QDate(2011, 12, 24), QTime(0, 30, 0));
    const struct
    {
        const char* Format;
        QDateTime When;
        const char* Text;
    } cases[] = {
        {"yyyy-mm-dd hh-nn", morning, "2004-03-01 09-05"},
        {"mm/dd/yy hh:nn:ss AM/PM", morning, "03/01/04 09:05:07 AM"},
        {"m/d/yyyy h:n:s", morning, "3/1/2004 9:5:7"},
        {"dddd, mmmm d, yyyy", morning, "Monday, March 1, 2004"},
        {"ddd, mmm d, yyyy", evening, "Sat, Dec 24, 2011"},
        {"hh:nn AM/PM", evening, "12:30 AM"},
        {"h am/pm", QDateTime(QDate(2011, 12, 24), QTime(13, 0)), "1 pm"},
        {"\"day\" d 'of' mmmm", morning, "day 1 of March"},
        {"yy.mm.dd, hh:nn", evening, "11.12.24, 00:30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QLatin1String(c.Format), c.When, QLocale::c()), c.Text) << c.Format;
}

TEST(DateModelTest, TheSampleJoinsBothFormatsAndGoesInUnchanged)
{
    TDateModel model;
    model.Locale = QLocale::c();
    model.Fields.When = QDateTime(QDate(2004, 3, 1), QTime(21, 5, 0));
    model.RebuildSample();
    EXPECT_EQ(model.GetHtml(), "03/01/04 09:05:00 PM") << "the formats a new dialog starts with";
    model.Fields.DateFormat.clear();
    model.Fields.TimeFormat = QStringLiteral("hh-nn");
    model.RebuildSample();
    EXPECT_EQ(model.Fields.Sample, "21-05");
    model.Fields.Sample = QStringLiteral("<b>today</b>");
    EXPECT_EQ(model.GetHtml(), "<b>today</b>");
}

TEST(ToolDateTest, TheDateIsInsertedAsTextAndSaved)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/objects.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));
    dialogs.Forms.push_back([](QDialog& form) {
        auto* sample = FindControl<QLineEdit>(form, "EditSample");
        EXPECT_FALSE(sample->text().isEmpty()) << "now, in the default formats";
        FindControl<QComboBox>(form, "ComboBox1")->setEditText(QStringLiteral("yyyy-mm-dd"));
        FindControl<QComboBox>(form, "ComboBox2")->setEditText(QStringLiteral("hh-nn"));
        FindControl<QDateEdit>(form, "DateTimePicker1")->setDate(QDate(2004, 3, 1));
        FindControl<QTimeEdit>(form, "DateTimePicker2")->setTime(QTime(9, 5));
        EXPECT_EQ(sample->text(), "2004-03-01 09-05");
        FindControl<QPushButton>(form, "BtnOk")->click();
    });
    w.ClickTool(QStringLiteral("Insert Date and Time"));
    EXPECT_EQ(dialogs.FormsShown, QStringList{"  Date and Time"});
    ExpectSavedAs(w.Save(), QStringLiteral("date-saved.html"));
}

} // namespace
