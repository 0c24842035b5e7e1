// The date and time tool: its own formatting of the format letters, and once through the palette.
#include "ToolDate.h"

#include "ToolTesting.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>

namespace {

TEST(DateModelTest, TheFormatLettersAreWrittenAsTheDialogOffersThem)
{
    const QDateTime morning(QDate(2004, 3, 1), QTime(9, 5, 7));
    const QDateTime night(QDate(2011, 12, 24), QTime(0, 30, 0));
    const QDateTime noon(QDate(2011, 12, 24), QTime(13, 0));
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
        {"ddd, mmm d, yyyy", night, "Sat, Dec 24, 2011"},
        {"hh:nn AM/PM", night, "12:30 AM"},
        {"h am/pm", noon, "1 pm"},
        {"\"day\" d 'of' mmmm", morning, "day 1 of March"},
        {"yy.mm.dd, hh:nn", night, "11.12.24, 00:30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QLatin1String(c.Format), c.When, QLocale::c()), c.Text) << c.Format;

    TDateModel model;
    model.Locale = QLocale::c();
    model.Fields.When = QDateTime(QDate(2004, 3, 1), QTime(21, 5, 0));
    model.RebuildSample();
    EXPECT_EQ(model.GetHtml(), "03/01/04 09:05:00 PM") << "the formats a new dialog starts with";
    model.Fields.DateFormat.clear();
    model.RebuildSample();
    EXPECT_EQ(model.GetHtml(), "09:05:00 PM");
}

using ToolDateTest = TToolPageTest;

TEST_F(ToolDateTest, TheDateIsInsertedAsTextAndSaved)
{
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* sample = FindControl<QLineEdit>(form, "EditSample");
        EXPECT_FALSE(sample->text().isEmpty()) << "now, in the default formats";
        FindControl<QComboBox>(form, "ComboBox1")->setEditText(QStringLiteral("yyyy-mm-dd"));
        FindControl<QComboBox>(form, "ComboBox2")->setEditText(QStringLiteral("hh-nn"));
        FindControl<QDateEdit>(form, "DateTimePicker1")->setDate(QDate(2004, 3, 1));
        FindControl<QTimeEdit>(form, "DateTimePicker2")->setTime(QTime(9, 5));
        EXPECT_EQ(sample->text(), "2004-03-01 09-05");
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Date and Time"));
    EXPECT_EQ(Dialogs.FormsShown, QStringList{"  Date and Time"});
    ExpectSavedAs(W.Save(), QStringLiteral("date-saved.html"));
}

} // namespace
