#pragma once
// The combo box and list box tools: insert a select, or replace the selected one as a whole, from a dialog
// whose choices are plain text, one line per choice: the text, the value and the word "selected",
// separated by TABs. With grouped choices a line not starting with a TAB names a group and the choice lines
// below it (starting with a TAB) belong to that group.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

class TSelectModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString TabIndex;
        QString AccessKey;
        QString Lines; // visible lines: the list box's size
        bool Disabled = false;
        bool Multiple = false;
        QString Choices;
        bool Grouped = false;
    };
    TFields Fields;
    // True for the combo box tool, false for the list box tool; set before every showing.
    bool ComboMode = true;

    TFieldError Check() const override;
    QString GetHtml() override;

    // The choice lines of a select's markup (the first select in it), and whether they are grouped.
    static QString ReadChoices(const QString& SelectHtml, bool& Grouped);
    // The option and optgroup markup of choice lines; empty when the lines hold nothing but blanks.
    static QString BuildOptions(const QString& Choices, bool Grouped);

protected:
    void DoLoad() override;
};

class TFormToolSelect : public TModelEditor<TSelectModel>
{
    Q_OBJECT
public:
    explicit TFormToolSelect(QWidget* Parent = nullptr);
    // The mode, and the caption that names it.
    void SetComboMode(bool Value);

protected:
    void FormShow() override;

private:
    void ToggleHelp();

    QLineEdit* FEditLines = nullptr;
    QCheckBox* FCheckMultiple = nullptr;
    QPlainTextEdit* FMemoChoices = nullptr;
    QTextEdit* FHelp = nullptr;
    QPushButton* FButtonHelp = nullptr;
};

class TToolSelectCombo : public TToolItem
{
public:
    explicit TToolSelectCombo(const TToolRow& Row) : TToolItem(Row) {}
    // A select showing one line (size below 2).
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

class TToolSelectList : public TToolItem
{
public:
    explicit TToolSelectList(const TToolRow& Row) : TToolItem(Row) {}
    // A select showing several lines (size above 1).
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};
