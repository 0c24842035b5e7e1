#pragma once
// The cell tool: edits a table cell the user double-clicks. It has no palette button; a new cell comes
// from the table tool or the Tables menu.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TTdModel : public TTagModel
{
public:
    struct TFields
    {
        QString Align;
        QString VAlign;
        QString ColSpan;
        QString RowSpan;
        QString Width;
        QString Height;
        bool NoWrap = false;
        QString BorderColor;
        QString BorderLight;
        QString BorderDark;
        QString BgColor;
        QString Background;
    };
    TFields Fields;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolTd : public TModelEditor<TTdModel>
{
    Q_OBJECT
public:
    explicit TFormToolTd(QWidget* Parent = nullptr);
};

class TToolTd : public TDialogTool<TFormToolTd>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override { return true; }
};
