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

class TFormToolForm : public TTagEditor
{
    Q_OBJECT
public:
    explicit TFormToolForm(QWidget* Parent = nullptr);
    TTagModel& Model() override { return FModel; }

private:
    TFormModel FModel;
};

class TToolForm : public TToolItem
{
public:
    explicit TToolForm(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolForm>(); }
};
