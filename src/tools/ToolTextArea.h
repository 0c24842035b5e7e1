#pragma once
// The text area tool: inserts a textarea, or replaces the selected one as a whole, with its initial text.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TTextAreaModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Cols;
        QString Rows;
        QString Wrap;
        QString TabIndex;
        QString AccessKey;
        bool Disabled = false;
        bool ReadOnly = false;
        QString Value;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;

protected:
    void DoLoad() override;
};

class TFormToolTextArea : public TModelEditor<TTextAreaModel>
{
    Q_OBJECT
public:
    explicit TFormToolTextArea(QWidget* Parent = nullptr);
};

class TToolTextArea : public TDialogTool<TFormToolTextArea>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
};
