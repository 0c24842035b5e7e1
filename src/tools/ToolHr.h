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

class TFormToolHr : public TTagEditor
{
    Q_OBJECT
public:
    explicit TFormToolHr(QWidget* Parent = nullptr);
    TTagModel& Model() override { return FModel; }

private:
    THrModel FModel;
};

class TToolHr : public TToolItem
{
public:
    explicit TToolHr(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolHr>(); }
};
