#include "ToolComment.h"

#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"

#include <QGridLayout>

namespace {

const QLatin1String CommentOpen("<!--");
const QLatin1String CommentClose("-->");

THtmlText* AsComment(THtmlNode* Node)
{
    return Node && Node->TagId() == TAG_COMMENT && Node->NodeClass() == THtmlNode::ncText
               ? static_cast<THtmlText*>(Node)
               : nullptr;
}

} // namespace

void TCommentModel::DoLoad()
{
    Fields = {};
    if (const THtmlText* comment = AsComment(Node()))
        Fields.Text = MemoLines(comment->Text()).join(QLatin1Char('\n'));
}

QString TCommentModel::CommentText() const
{
    QString text = TrimField(MemoLines(Fields.Text).join(QLatin1String("\r\n")));
    if (text.startsWith(CommentOpen))
        text.remove(0, CommentOpen.size());
    if (text.endsWith(CommentClose))
        text.chop(CommentClose.size());
    return CommentOpen + text + CommentClose;
}

TFieldError TCommentModel::Check() const
{
    // An empty memo keeps the dialog open without a word.
    if (MemoLines(Fields.Text).isEmpty())
        return TFieldError::Refuse(QString(), &Fields.Text);
    // A browser ends a comment at the first "-->" (or "--!>", or a ">" right after the opening): text
    // holding one would spill the rest of the comment into the page.
    const QString comment = CommentText();
    if (comment.indexOf(CommentClose, 2) != comment.size() - CommentClose.size() ||
        comment.contains(QLatin1String("--!>")))
        return TFieldError::Refuse(QStringLiteral("A comment cannot contain \"-->\"."), &Fields.Text);
    return {};
}

QString TCommentModel::GetHtml()
{
    return Filter->NewComment(CommentText());
}

void TCommentModel::Apply(TElementWrites& Writes)
{
    if (THtmlText* comment = AsComment(EditNode(Writes)))
        comment->SetText(CommentText());
}

TFormToolComment::TFormToolComment(QWidget* Parent) : TModelEditor(QStringLiteral("  Comment"), Parent)
{
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddMemo(page, "MemoComment", QString(), FModel.Fields.Text);
}

bool TToolComment::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return AsComment(Filter.FindNode(Element.Id)) != nullptr;
}
