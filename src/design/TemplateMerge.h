#pragma once
// Applying a template, the part without the engine: the content that goes into the template's page, taken
// from the document that holds only the selection, and the page with that content put in.
#include <QString>

// The selected content: the body of SourceHtml written out, with the enclosing elements peeled while the
// body holds a single element that stands for a whole body or cell (a table, section or row counts when
// it holds nothing but the one cell beneath it). A table, section or row of several cells keeps its
// structure: peeling it would leave bare rows or cells.
QString TemplateContent(const QString& SourceHtml);

// Page with every "{CONTENT}" (case-sensitive) replaced by Content.
QString MergeTemplatePage(const QString& Page, const QString& Content);

// The most characters a merged page may have: far more than any real page, and a template that would
// make more (a content place repeated a million times) would only freeze the window building it.
constexpr qint64 MaxTemplatePageLength = 64 * 1024 * 1024;
// The length MergeTemplatePage would give, without building the page.
qint64 MergedTemplatePageLength(const QString& Page, const QString& Content);
