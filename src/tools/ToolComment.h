#pragma once
// The comment tool: inserts an HTML comment or edits one. The design view shows a comment as a placeholder
// image; its text lives in the source node the design filter keeps for that image, markers included.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class TCommentModel : public TTagModel
{
public:
    struct TFields
    {
        QString Text;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

    // The whole comment as it is kept: "<!--", the text without blanks at its ends and without the
    // markers the user may have typed around it, "-->".
    QString CommentText() const;

protected:
    void DoLoad() override;
};

class TFormToolComment : public TModelEditor<TCommentModel>
{
    Q_OBJECT
public:
    explicit TFormToolComment(QWidget* Parent = nullptr);
};

class TToolComment : public TDialogTool<TFormToolComment>
{
public:
    using TDialogTool::TDialogTool;
    // Only the placeholder of a comment.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
