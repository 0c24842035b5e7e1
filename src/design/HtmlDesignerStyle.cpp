// The document's own style on the design page: after the head of the document changed in place (Page
// Properties rebuilds it), the page takes the new sheets without being loaded again.
#include "HtmlDesigner.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "EngineBridge.h"
#include "HtmlFilter.h"

namespace {

// The design page's head ends with the design sheet and its script; everything before them is the
// document's own sheets, which the new ones replace.
const char* const ReplaceSheetsScript = R"((function (sheets) {
  const head = document.head;
  const design = head && head.lastElementChild && head.lastElementChild.previousElementSibling;
  if (!design || design.tagName !== 'STYLE')
    return false;
  while (design.previousSibling)
    design.previousSibling.remove();
  design.insertAdjacentHTML('beforebegin', sheets);
  return true;
})(%1[0]))";

} // namespace

void THtmlDesigner::ShowDocumentStyle()
{
    if (!IsDocumentReady() || FBridge->IsBusy())
        return;
    const QString sheets = QString::fromUtf8(
        QJsonDocument(QJsonArray{FFilter->DocumentStyleSheets()}).toJson(QJsonDocument::Compact));
    FBridge->Call(QString::fromLatin1(ReplaceSheetsScript).arg(sheets), nullptr);
}
