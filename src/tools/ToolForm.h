#pragma once
// The form tool: inserts a form (holding one empty paragraph for the caret) or edits the selected form's
// name, action, method and encoding on the page.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TFormModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Action;
        QString Method;
        QString EncType;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolForm : public TModelEditor<TFormModel>
{
    Q_OBJECT
public:
    explicit TFormToolForm(QWidget* Parent = nullptr);
};

class TToolForm : public TDialogTool<TFormToolForm>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
};
