// Applying a template to the design view's document.
#include "HtmlDesigner.h"

#include "EngineBridge.h"
#include "Exceptions.h"
#include "HtmlFilter.h"
#include "TemplateFiles.h"
#include "TemplateMerge.h"

namespace {

// The body as it would be with nothing but the selection in it. Cells, rows and sections taken out of
// their table would be dropped when the text is read again, so a selection inside a table keeps the
// table parts around it, up to the table.
const char* const SelectionBodyScript = R"((function () {
  const body = document.body;
  const shell = body.cloneNode(false);
  const selection = document.getSelection();
  if (!selection || selection.rangeCount === 0)
    return shell.outerHTML;
  const range = selection.getRangeAt(0);
  if (!body.contains(range.commonAncestorContainer))
    return shell.outerHTML;
  let content = range.cloneContents();
  let e = range.commonAncestorContainer;
  if (e.nodeType !== Node.ELEMENT_NODE)
    e = e.parentElement;
  while (e && e !== body && /^(TR|TBODY|THEAD|TFOOT|TABLE)$/.test(e.tagName)) {
    const part = e.cloneNode(false);
    part.appendChild(content);
    content = part;
    if (e.tagName === 'TABLE')
      break;
    e = e.parentElement;
  }
  shell.appendChild(content);
  return shell.outerHTML;
})())";

} // namespace

bool THtmlDesigner::ApplyTemplate(const QString& FileName, const std::function<bool(const QStringList&)>& ConfirmReplace)
{
    RequireLoadedPage();
    // The template's files go beside the document: without a folder there is nowhere they belong.
    if (FFilter->BasePath().isEmpty())
        throw Exception(QStringLiteral("The document has no folder to put the template's files into."));
    TTemplateReader reader(FileName);
    reader.ReadInfo();

    QVariant body;
    if (FBridge->Call(QString::fromUtf8(SelectionBodyScript), &body) != TEngineBridge::TCallResult::Ok ||
        body.isNull())
        throw Exception(QStringLiteral("The design view did not answer."));
    // From here the tree holds the selection only, not the page: it is taken from the page again when
    // next needed, so a template refused below leaves the document as it is shown.
    FFilter->SetDesignText(body.toString());
    FSyncedVersion = -1;
    QString text;
    FFilter->GetSourceText(text);
    const QString content = TemplateContent(text);
    // Refused before any file is written or any page built.
    if (MergedTemplatePageLength(reader.Description, content) > MaxTemplatePageLength)
        throw Exception(QStringLiteral("The page of the template \"%1\" would be larger than %2 MB of text.")
                            .arg(FileName)
                            .arg(MaxTemplatePageLength / (1024 * 1024)));
    if (!reader.ExtractFiles(FFilter->BasePath(), FFileName, ConfirmReplace))
        return false;
    SetHtml(MergeTemplatePage(reader.Description, content));
    ClearUndo();
    return true;
}
