#pragma once
// The marquee tool: inserts running text or edits it. The design view shows a marquee as a placeholder
// image: the marquee's own attributes and text live in the source node the design filter keeps for that
// image, its size and alignment on both.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TMarqueeModel : public TTagModel
{
public:
    struct TFields
    {
        QString Text;
        QString Width;
        QString Height;
        QString Align;
        QString HSpace;
        QString VSpace;
        QString Behavior;
        QString Direction;
        QString BgColor;
        QString ScrollAmount;
        QString ScrollDelay;
        bool Loop = false;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;

private:
    // The marquee's own attributes, on the kept node.
    void SetNodeAttributes(THtmlTag* Node) const;
};

class TFormToolMarquee : public TModelEditor<TMarqueeModel>
{
    Q_OBJECT
public:
    explicit TFormToolMarquee(QWidget* Parent = nullptr);
};

class TToolMarquee : public TDialogTool<TFormToolMarquee>
{
public:
    using TDialogTool::TDialogTool;
    // Only the placeholder of a marquee.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
