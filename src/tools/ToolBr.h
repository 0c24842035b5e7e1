#pragma once
// The line break tool: inserts a br or sets the side its clear attribute names.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TBrModel : public TTagModel
{
public:
    struct TFields
    {
        QString Clear;
    };
    TFields Fields;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolBr : public TModelEditor<TBrModel>
{
    Q_OBJECT
public:
    explicit TFormToolBr(QWidget* Parent = nullptr);
};

class TToolBr : public TDialogTool<TFormToolBr>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
};
