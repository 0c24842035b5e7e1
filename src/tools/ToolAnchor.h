#pragma once
// The anchor tool: inserts a named anchor or renames one. The design view shows an anchor as a placeholder
// image; its name lives in the source node the design filter keeps for that image.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TAnchorModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolAnchor : public TModelEditor<TAnchorModel>
{
    Q_OBJECT
public:
    explicit TFormToolAnchor(QWidget* Parent = nullptr);
};

class TToolAnchor : public TDialogTool<TFormToolAnchor>
{
public:
    using TDialogTool::TDialogTool;
    // Only the placeholder of an a element.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
