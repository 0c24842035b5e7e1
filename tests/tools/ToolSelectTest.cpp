// The combo box and list box tools: choice lines to options and back, the mode's attributes, and once
// through the palette for each.
#include "ToolSelect.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

TEST(SelectModelTest, ChoiceLinesBecomeOptionsAndGroups)
{
    const struct
    {
        const char* Choices;
        bool Grouped;
        const char* Options;
    } cases[] = {
        {" \n ", false, ""},
        {"Red\t\tr\tselected", false, "\r\n  <option value=\"r\" selected>Red</option>"},
        {"Red\t\tselected\nGreen", false, "\r\n  <option selected>Red</option>\r\n  <option>Green</option>"},
        {"Red\tselected\nGreen\t \tSelected", false,
         "\r\n  <option value=\"selected\">Red</option>\r\n  <option selected>Green</option>"},
        {"A\n\nB\tb\tSELECTED\n", false,
         "\r\n  <option>A</option>\r\n  <option></option>\r\n  <option value=\"b\" selected>B</option>"},
        {"Tom & <Jerry>\t\"q\"", false, "\r\n  <option value=\"&quot;q&quot;\">Tom &amp; &lt;Jerry></option>"},
        {"\tLoose\nWarm\n\tRed\tr\n\tOrange\t\tselected\nCold\n\tBlue", true,
         "\r\n    <option>Loose</option>\r\n  <optgroup label=\"Warm\">\r\n    <option value=\"r\">Red</option>"
         "\r\n    <option selected>Orange</option>\r\n  </optgroup>\r\n  <optgroup label=\"Cold\">"
         "\r\n    <option>Blue</option>\r\n  </optgroup>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSelectModel::BuildOptions(QString::fromUtf8(c.Choices), c.Grouped), c.Options) << c.Choices;
}

TEST(SelectModelTest, AnExistingSelectReadsBackAsTheLinesThatRebuildIt)
{
    const struct
    {
        const char* Html;
        const char* Choices;
        bool Grouped;
    } cases[] = {
        {"<select><option value=\" r \" selected=\"\">Red</option><option>Tom &amp; Jerry</option></select>",
         "Red\tr\tselected\nTom & Jerry\t", false},
        {"<select><option selected>First</option><optgroup label=\" Warm \"><option value=\"o\">Orange</option>"
         "</optgroup></select>",
         "\tFirst\t\tselected\nWarm\n\tOrange\to", true},
        // The word as a value is no flag, with or without the flag beside it.
        {"<select><option value=\"selected\">X</option><option value=\"Selected\" selected>Y</option>"
         "<option selected>Z</option></select>",
         "X\tselected\nY\tSelected\tselected\nZ\t\tselected", false},
        {"<select><optgroup label=\"G\"><option value=\"selected\">X</option></optgroup></select>",
         "G\n\tX\tselected", true},
    };
    for (const auto& c : cases) {
        bool grouped = !c.Grouped;
        const QString choices = TSelectModel::ReadChoices(QLatin1String(c.Html), grouped);
        EXPECT_EQ(choices, c.Choices);
        EXPECT_EQ(grouped, c.Grouped);
        // The lines build the same options again: the flag of a choice without a value survives.
        bool again = false;
        EXPECT_EQ(TSelectModel::ReadChoices(QLatin1String("<select>") + TSelectModel::BuildOptions(choices, grouped) +
                                                QLatin1String("</select>"),
                                            again),
                  choices);
    }
}

TEST(SelectModelTest, TheModesWriteTheirOwnAttributesAndReadTheElement)
{
    TSelectModel model;
    model.ComboMode = false;
    model.Load();
    EXPECT_EQ(model.Fields.Lines, "5") << "a new list box";
    model.Fields = {QStringLiteral("c"), QStringLiteral("3"), QStringLiteral("k"), QStringLiteral("1"), true, true,
                    QStringLiteral("A"), false};
    EXPECT_EQ(model.GetHtml(), "<select name=\"c\" tabindex=\"3\" accesskey=\"k\" disabled size=\"2\" multiple>\r\n"
                               "\r\n  <option>A</option>\r\n</select>");
    model.ComboMode = true;
    EXPECT_EQ(model.GetHtml(), "<select name=\"c\" tabindex=\"3\" accesskey=\"k\" disabled>\r\n"
                               "\r\n  <option>A</option>\r\n</select>");
    model.Fields.Name = QStringLiteral(" ");
    EXPECT_EQ(model.Check().Message, "Please specify a name.");

    TDesignDocument doc(QStringLiteral("<select name=\"s\" size=\"4\" multiple tabindex=\"32768\" id=\"pick\" "
                                       "onchange=\"go()\"><option>x</option></select><select name=\"t\"></select>"));
    model.Element = doc.Element(QStringLiteral("select"));
    model.Load();
    EXPECT_EQ(QStringList({model.Fields.Name, model.Fields.Lines, model.Fields.TabIndex, model.Fields.Choices}),
              (QStringList{"s", "4", "", "x\t"}));
    EXPECT_TRUE(model.Fields.Multiple);
    // The rebuilt element keeps the attributes the dialog does not manage.
    model.ComboMode = false;
    EXPECT_TRUE(model.GetHtml().startsWith(QLatin1String("<select name=\"s\" size=\"4\" multiple id=\"pick\" "
                                                         "onchange=\"go()\">")))
        << model.GetHtml().toStdString();

    const TToolSelectCombo combo(TToolRow{"TToolSelectCombo", "", "SELECT", 21, false, false, nullptr});
    const TToolSelectList list(TToolRow{"TToolSelectList", "", "SELECT", 27, false, false, nullptr});
    const TElementSnapshot small = doc.Element(QStringLiteral("select"), 1);
    EXPECT_TRUE(!combo.CanEdit(*model.Element, doc.Filter) && list.CanEdit(*model.Element, doc.Filter));
    EXPECT_TRUE(combo.CanEdit(small, doc.Filter) && !list.CanEdit(small, doc.Filter));
}

using ToolSelectTest = TToolPageTest;

TEST_F(ToolSelectTest, AComboBoxAndAListBoxAreInsertedReplacedByDoubleClickAndSaved)
{
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_FALSE(FindControl<QLineEdit>(form, "EditLines")->isVisibleTo(&form)) << "a combo box has one line";
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("colour"));
        FindControl<QPlainTextEdit>(form, "MemoChoices")->setPlainText(QStringLiteral("Red\t\tselected\nGreen\tselected"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Input Combobox"));
    Dialogs.Forms.push_back([](QDialog& form) {
        auto* memo = FindControl<QPlainTextEdit>(form, "MemoChoices");
        EXPECT_EQ(memo->toPlainText(), "Red\t\tselected\nGreen\tselected");
        memo->setPlainText(memo->toPlainText() + QStringLiteral("\nBlue & grey\tb"));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("select[name=colour]"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 2; }));

    // A list box: a double-click on one of its choices is one on the list box.
    W.PlaceCaret(QStringLiteral("#old"));
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditLines")->text(), "5");
        FindControl<QLineEdit>(form, "EditName")->setText(QStringLiteral("sizes"));
        FindControl<QCheckBox>(form, "CheckMultiple")->setChecked(true);
        FindControl<QCheckBox>(form, "CheckGrouped")->setChecked(true);
        FindControl<QPlainTextEdit>(form, "MemoChoices")->setPlainText(QStringLiteral("Small\n\tS\ts\nLarge\n\tL"));
        ClickOk(form);
    });
    W.ClickTool(QStringLiteral("Insert Input Listbox"));
    Dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_TRUE(FindControl<QCheckBox>(form, "CheckGrouped")->isChecked());
        FindControl<QLineEdit>(form, "EditLines")->setText(QStringLiteral("3"));
        ClickOk(form);
    });
    W.DoubleClick(QStringLiteral("select[name=sizes]"));
    ASSERT_TRUE(WaitUntil([&] { return Dialogs.FormsShown.size() == 4; }));
    EXPECT_EQ(Dialogs.FormsShown,
              (QStringList{"  Input Combobox", "  Input Combobox", "  Input Listbox", "  Input Listbox"}));
    ExpectSavedAs(W.Save(), QStringLiteral("select-saved.html"));
}

} // namespace
