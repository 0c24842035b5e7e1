#pragma once
// Printing the open document. The design view's page carries the editor's own marks (placeholder
// pictures, tag glyphs, cell highlights, dotted table borders); the print is made from a clean page of its
// own, built from the document as it would be saved, laid out and printed by the engine.
#include <QString>
#include <functional>

class QPrinter;
class QWidget;
class THtmlDesigner;

// The print dialog: true when the user confirmed it with Printer set up. A caller that cannot show a
// window (a script, a test) puts its own routine in its place; an empty hook restores the dialog.
using TPrintDialogHook = std::function<bool(QPrinter& Printer)>;
TPrintDialogHook SetPrintDialogHook(TPrintDialogHook Hook);
bool ExecutePrintDialog(QWidget* Owner, QPrinter& Printer);

// Lays out Html (references relative to BasePath, a folder ending in "/") in a page of its own, without
// running its scripts, and prints it on Printer; a printer that writes a PDF file gets the engine's own
// PDF. False with Reason when the page could not be laid out or the job failed.
bool PrintHtml(const QString& Html, const QString& BasePath, QPrinter& Printer, QString& Reason);

// The file a PDF of the document is proposed as: Title whole (the document's file name without its
// extension when the page has none, else "Untitled"), with the characters a file name cannot hold as "_",
// cut to the longest name a folder can hold, and ".pdf", in the document's folder; for a document not yet
// saved, in the current folder when it lies within the home folder, else in the home folder.
QString ProposedPdfFileName(const QString& Title, const QString& DocumentFileName);

// Pdf with Title as its document title, added as an update at its end as PDF allows, the rest kept byte
// for byte. Unchanged when it carries a title already or its end is not the plain form the engine writes.
QByteArray WithPdfTitle(const QByteArray& Pdf, const QString& Title);

// The Print command: the print dialog, then the design view's document printed; a failed job says so.
void PrintDocument(QWidget* Owner, THtmlDesigner* Designer);
