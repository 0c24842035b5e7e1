#pragma once
// Modal message boxes, file dialogs and one-line input boxes. Every message box, file dialog and input
// box of the program goes through these routines, so a caller that cannot show a window (a script, a test) can put its own answer
// in their place with the hooks below.
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Shows the message with its kind and buttons and returns the button chosen (mrCancel when the box is
// closed without a choice and has a Cancel button).
int MessageDlg(const QString& message, TMsgDlgType type, TMsgDlgButtons buttons);

// The Yes/No question before files that exist with other content are replaced (icons, templates, buttons
// written beside the document): true when the user lets them be replaced.
bool ConfirmReplaceFiles(const QStringList& Files);

using TMessageDlgHook = std::function<int(const QString& message, TMsgDlgType type, TMsgDlgButtons buttons)>;
// Replaces the message box; an empty hook restores it. Returns the hook that was in place.
TMessageDlgHook SetMessageDlgHook(TMessageDlgHook hook);

// An open or save dialog with the settings the program gives it. FileName holds the chosen file after a
// confirmed Execute and stays as it is after a cancelled one.
class TFileDialog
{
public:
    enum TKind { fdOpen, fdSave };
    explicit TFileDialog(TKind kind) : Kind(kind) {}

    TKind Kind;
    QString DefaultExt;  // without the dot; added to a typed name that has no extension
    QString Filter;      // "Description|patterns|Description|patterns", patterns separated by ";"
    QString InitialDir;
    QString FileName;
    bool PicturePreview = false; // shows the picture under the current file beside the list

    bool Execute(QWidget* parent = nullptr);

    // The filter as the toolkit's name filters ("HTML Files (*.htm *.html)").
    static QStringList NameFilters(const QString& filter);
};

using TFileDialogHook = std::function<bool(TFileDialog& dialog)>;
// Replaces every file dialog; an empty hook restores them. Returns the hook that was in place.
TFileDialogHook SetFileDialogHook(TFileDialogHook hook);

// A one-line input box with Caption, the Prompt before the field and Value as the proposed text. True, with
// Value holding the text typed, when the user confirms; false, with Value unchanged, when cancelled.
bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value);

using TInputQueryHook = std::function<bool(const QString& Caption, const QString& Prompt, QString& Value)>;
// Replaces the input box; an empty hook restores it. Returns the hook that was in place.
TInputQueryHook SetInputQueryHook(TInputQueryHook hook);

// Shows a form modally and answers mrOk when it was accepted, mrCancel otherwise.
int ShowModal(QDialog& Form);

using TShowModalHook = std::function<int(QDialog& Form)>;
// Replaces the modal showing of forms; an empty hook restores it. Returns the hook that was in place.
TShowModalHook SetShowModalHook(TShowModalHook hook);
