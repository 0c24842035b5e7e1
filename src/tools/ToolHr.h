#pragma once
// The horizontal rule tool: inserts an hr or edits the one selected, on the page itself.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class THrModel : public TTagModel
{
public:
    struct TFields
    {
        QString Align;
        QString Width;
        QString Height; // the rule's size
        QString Color;
        bool NoShade = false;
    };
    TFields Fields;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolHr : public TModelEditor<THrModel>
{
    Q_OBJECT
public:
    explicit TFormToolHr(QWidget* Parent = nullptr);
};

class TToolHr : public TDialogTool<TFormToolHr>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
};
