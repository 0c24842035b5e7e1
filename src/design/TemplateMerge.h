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
