#include "ToolSelect.h"

#include "AsciiCase.h"
#include "HtmlAttributes.h"
#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QLatin1String CrLf("\r\n");
const QLatin1String SelectedWord("selected");

// A choice line's fields: separated by one or more TABs, each without blanks at its ends. The group label
// (Lead) is the first field of a grouped line, kept even when empty.
struct TChoiceLine
{
    QString Lead;
    QString Text;
    QString Value;
    bool Selected = false;
};

TChoiceLine SplitChoiceLine(const QString& Line, bool Grouped)
{
    QStringList parts = Line.split(QLatin1Char('\t'));
    TChoiceLine choice;
    if (Grouped)
        choice.Lead = TrimField(parts.takeFirst());
    QStringList fields;
    bool gapBeforeSecond = false;
    for (const QString& part : parts) {
        const QString field = TrimField(part);
        if (!field.isEmpty())
            fields << field;
        else if (fields.size() == 1)
            gapBeforeSecond = true;
    }
    // A preselected choice without a value reads back as the text, two TABs and "selected", an option whose
    // value is the word as the text, one TAB and "selected": only the empty field between the two tells them
    // apart once empty fields are dropped.
    if (fields.size() == 2 && gapBeforeSecond && SameText(fields[1], SelectedWord))
        fields.insert(1, QString());
    while (fields.size() < 3)
        fields << QString();
    choice.Text = fields[0];
    choice.Value = fields[1];
    choice.Selected = SameText(fields[2], SelectedWord);
    return choice;
}

QString OptionHtml(const TChoiceLine& Choice)
{
    QString html = QStringLiteral("<option");
    AppendAttribute(html, QStringLiteral("value"), Choice.Value);
    AppendFlag(html, "selected", Choice.Selected);
    return html + QLatin1Char('>') + EscapeText(Choice.Text) + QLatin1String("</option>");
}

// An option as a choice line: text, TAB, value (the TAB stays when the value is empty), and TAB and
// "selected" when it is preselected.
QString ChoiceLine(const THtmlTag* Option, bool Indented)
{
    QString text;
    for (const THtmlNode* child = Option->FirstChild(); child; child = child->NextSibling())
        if (child->TagId() == TAG_TEXT && child->NodeClass() == THtmlNode::ncText)
            text += static_cast<const THtmlText*>(child)->Text();
    QString line = Indented ? QStringLiteral("\t") : QString();
    line += TrimField(DecodeText(text)) + QLatin1Char('\t') + TrimField(DecodeText(Option->GetAttribute(ATTR_VALUE)));
    if (Option->HasAttribute(ATTR_SELECTED))
        line += QLatin1Char('\t') + SelectedWord;
    return line;
}

} // namespace

void TSelectModel::DoLoad()
{
    Fields = {};
    if (!Element) {
        if (!ComboMode)
            Fields.Lines = QStringLiteral("5");
        return;
    }
    Fields.Name = GetElementAttribute(*Element, QStringLiteral("name"));
    Fields.AccessKey = GetElementAttribute(*Element, QStringLiteral("accesskey"));
    Fields.Lines = GetElementAttribute(*Element, QStringLiteral("size"));
    Fields.TabIndex = GetElementAttributeNoDefaults(*Element, QStringLiteral("tabindex"));
    Fields.Disabled = Element->Flag(QStringLiteral("disabled"));
    Fields.Multiple = Element->Flag(QStringLiteral("multiple"));
    Fields.Choices = ReadChoices(Element->OuterHtml, Fields.Grouped);
}

QString TSelectModel::ReadChoices(const QString& SelectHtml, bool& Grouped)
{
    Grouped = false;
    // The page writes a selected option as selected="": read as the bare flag it is.
    const std::unique_ptr<THtmlRoot> tree = ParseHtml(QStringView(SelectHtml), poEmptyFlagsAreBare);
    const THtmlTag* select = AsTag(tree->FindFirst(TAG_SELECT));
    if (!select)
        return {};
    for (const THtmlNode* child = select->FirstChild(); child && !Grouped; child = child->NextSibling())
        Grouped = child->TagId() == TAG_OPTGROUP;
    QStringList lines;
    for (THtmlNode* child = select->FirstChild(); child; child = child->NextSibling()) {
        const THtmlTag* tag = AsTag(child);
        if (!tag)
            continue;
        if (tag->TagId() == TAG_OPTGROUP) {
            lines << TrimField(DecodeText(tag->GetAttribute(ATTR_LABEL)));
            for (THtmlNode* option = tag->FirstChild(); option; option = option->NextSibling())
                if (const THtmlTag* o = AsTag(option); o && o->TagId() == TAG_OPTION)
                    lines << ChoiceLine(o, true);
        } else if (tag->TagId() == TAG_OPTION) {
            // Among groups, a line without a leading TAB would name a group: an option outside every group
            // keeps its TAB.
            lines << ChoiceLine(tag, Grouped);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString TSelectModel::BuildOptions(const QString& Choices, bool Grouped)
{
    QString html;
    if (TrimField(Choices).isEmpty())
        return html;
    bool groupOpen = false;
    for (const QString& line : MemoLines(Choices)) {
        const TChoiceLine choice = SplitChoiceLine(line, Grouped);
        if (!Grouped) {
            html += CrLf + QLatin1String("  ") + OptionHtml(choice);
        } else if (choice.Lead.isEmpty()) {
            html += CrLf + QLatin1String("    ") + OptionHtml(choice);
        } else {
            if (groupOpen)
                html += CrLf + QLatin1String("  </optgroup>");
            html += CrLf + QLatin1String("  <optgroup");
            AppendAttribute(html, QStringLiteral("label"), choice.Lead);
            html += QLatin1Char('>');
            groupOpen = true;
        }
    }
    if (groupOpen)
        html += CrLf + QLatin1String("  </optgroup>");
    return html;
}

TFieldError TSelectModel::Check() const
{
    if (TrimField(Fields.Name).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify a name."), &Fields.Name);
    return {};
}

QString TSelectModel::GetHtml()
{
    QString html = QStringLiteral("<select");
    AppendAttribute(html, QStringLiteral("name"), Fields.Name);
    AppendAttribute(html, QStringLiteral("tabindex"), Fields.TabIndex);
    AppendAttribute(html, QStringLiteral("accesskey"), Fields.AccessKey);
    AppendFlag(html, "disabled", Fields.Disabled);
    if (!ComboMode) {
        // A list box shows at least two lines; one line would make it a combo box.
        AppendAttribute(html, QStringLiteral("size"), QString::number(std::max(2, TrimField(Fields.Lines).toInt())));
        AppendFlag(html, "multiple", Fields.Multiple);
    }
    if (Element)
        AppendUnmanagedAttributes(html, *Element,
                                  {QStringLiteral("name"), QStringLiteral("tabindex"), QStringLiteral("accesskey"),
                                   QStringLiteral("disabled"), QStringLiteral("size"), QStringLiteral("multiple")});
    return html + QLatin1Char('>') + CrLf + BuildOptions(Fields.Choices, Fields.Grouped) + CrLf +
           QLatin1String("</select>");
}

// ---------------------------------------------------------------------------------------------------
// Form

TFormToolSelect::TFormToolSelect(QWidget* Parent) : TModelEditor(QStringLiteral("  Select Properties"), Parent)
{
    TSelectModel::TFields& f = FModel.Fields;
    QGridLayout* general = AddPage(QStringLiteral("General"));
    AddEdit(general, "EditName", QStringLiteral("Name"), f.Name);
    SetNumericEdit(AddEdit(general, "EditTab", QStringLiteral("Tab Index"), f.TabIndex));
    SetAccessKeyEdit(AddEdit(general, "EditKey", QStringLiteral("Access Key"), f.AccessKey));
    FEditLines = AddEdit(general, "EditLines", QStringLiteral("Visible lines"), f.Lines);
    SetNumericEdit(FEditLines);
    AddCheck(general, "CheckDisabled", QStringLiteral("Disabled"), f.Disabled);
    FCheckMultiple = AddCheck(general, "CheckMultiple", QStringLiteral("Multiple selection"), f.Multiple);
    general->setRowStretch(general->rowCount(), 1);

    QGridLayout* choices = AddPage(QStringLiteral("Choices"));
    FMemoChoices = AddMemo(choices, "MemoChoices", QString(), f.Choices);
    FMemoChoices->setTabChangesFocus(false);
    FHelp = new QTextEdit(choices->parentWidget());
    FHelp->setObjectName(QStringLiteral("RichEdit1"));
    FHelp->setReadOnly(true);
    FHelp->hide();
    choices->addWidget(FHelp, choices->rowCount() - 1, 1);
    AddCheck(choices, "CheckGrouped", QStringLiteral("Grouped choices"), f.Grouped);
    FButtonHelp = new QPushButton(QStringLiteral("Show Help"), choices->parentWidget());
    FButtonHelp->setObjectName(QStringLiteral("Button3"));
    choices->addWidget(FButtonHelp, choices->rowCount() - 1, 2);
    connect(FButtonHelp, &QPushButton::clicked, this, &TFormToolSelect::ToggleHelp);
}

void TFormToolSelect::SetComboMode(bool Value)
{
    FModel.ComboMode = Value;
    setWindowTitle(Value ? QStringLiteral("  Input Combobox") : QStringLiteral("  Input Listbox"));
}

void TFormToolSelect::FormShow()
{
    TTagEditor::FormShow();
    const bool list = !FModel.ComboMode;
    SetRowVisible(FEditLines, list);
    SetRowVisible(FCheckMultiple, list);
}

void TFormToolSelect::ToggleHelp()
{
    if (FHelp->isVisible()) {
        FHelp->hide();
        FMemoChoices->show();
        FButtonHelp->setText(QStringLiteral("Show Help"));
        return;
    }
    // The prose in a plain face, the examples in a fixed one with their TABs shown as they are typed.
    const QString prose = QStringLiteral("<p style=\"font-family: Arial, sans-serif\">%1</p>");
    const QString example = QStringLiteral("<pre style=\"font-family: 'Lucida Console', monospace\">%1</pre>");
    FHelp->setHtml(prose.arg(QStringLiteral("Use one or more TAB to separate choice, value and selection state.")) +
                   example.arg(QStringLiteral("CHOICE &lt;TAB&gt; VALUE &lt;TAB&gt; SELECTED\n\n"
                                              "Choice 1\tValue 1\tselected\nChoice 2\tValue 2\nChoice 3\tValue 3")) +
                   prose.arg(QStringLiteral("or if it's grouped:")) +
                   example.arg(QStringLiteral("GROUP\n&lt;TAB&gt; CHOICE &lt;TAB&gt; VALUE &lt;TAB&gt; SELECTED\n\n"
                                              "Group 1\n\tChoice 1\tValue 1\tselected\n\tChoice 2\tValue 2\n"
                                              "\tChoice 3\tValue 3\nGroup 2\n\tChoice 4\tValue 4\n"
                                              "\tChoice 5\tValue 5")));
    FMemoChoices->hide();
    FHelp->show();
    FButtonHelp->setText(QStringLiteral("Hide Help"));
}

// ---------------------------------------------------------------------------------------------------
// Tools

bool TToolSelectCombo::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return Element.Attribute(QStringLiteral("size")).toInt() < 2;
}

TTagEditor* TToolSelectCombo::GetEditor()
{
    TFormToolSelect* form = SharedEditor<TFormToolSelect>();
    if (form)
        form->SetComboMode(true);
    return form;
}

bool TToolSelectList::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return Element.Attribute(QStringLiteral("size")).toInt() > 1;
}

TTagEditor* TToolSelectList::GetEditor()
{
    TFormToolSelect* form = SharedEditor<TFormToolSelect>();
    if (form)
        form->SetComboMode(false);
    return form;
}
