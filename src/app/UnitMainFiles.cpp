// The main window's files: the file manager's events and the design view's changes that mark the document.
#include "UnitMain.h"

#include "ComboBox97.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "ShellApi.h"
#include "UnitMainTexts.h"

#include <QFileInfo>
#include <QLabel>
#include <QTabBar>
#include <QUrl>
#include <utility>

bool TFormMain::RequireSavedDocument()
{
    if (!FFileManager->FileName().isEmpty())
        return true;
    const int answer = MessageDlg(
        QStringLiteral("To insert this element, you need to save the document first. This is to ensure correct "
                       "relative-path calculation and to avoid absolute paths which will not always work, i.e. "
                       "missing images, incorrect links, etc. Save the document first?"),
        TMsgDlgType::mtInformation, mbYes | mbNo | mbCancel);
    if (answer != mrYes)
        return false;
    FFileManager->Save();
    return !FFileManager->FileName().isEmpty();
}

void TFormMain::PreviewinBrowser1Click()
{
    if (FFileManager->Modified())
        FFileManager->Save();
    const QString fileName = FFileManager->FileName();
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile())
        ShellOpenOrTell(QUrl::fromLocalFile(fileName));
}

// ---------------------------------------------------------------------------------------------------
// File manager events

bool TFormMain::FileManagerNew()
{
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    }
    ShowView();
    FViewEdited = false;
    FDesigner->NewDocument();
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    return false;
}

bool TFormMain::FileManagerOpen(const QString& fileName)
{
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    }
    ShowView();
    FViewEdited = false;
    FDesigner->LoadFromFile(fileName);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    if (!FDesigner->IsDocumentReady())
        return false;
    FOpenNote = FDesigner->LoadNote();
    return true;
}

bool TFormMain::FileManagerSave(const QString& fileName)
{
    CommitView(TabControl1->currentIndex());
    FViewEdited = false;
    FDesigner->SaveToFile(fileName);
    UpdateToolbar();
    return true;
}

void TFormMain::FileManagerModified()
{
    FStatusPanels[0]->setText(FFileManager->Modified() ? QStringLiteral("Modified") : QString());
    // The menu entry carries the Save shortcut: it follows the modified state at once, not only when the
    // File menu next opens, so the shortcut saves a document that was changed after the menu was shown.
    Save1->setEnabled(FFileManager->Modified());
}

void TFormMain::FileManagerChangeFile()
{
    FStatusPanels[2]->setText(FFileManager->FileName());
    setWindowTitle(SProductName);
    // The file manager reports the change once the page is shown under its new name: then the user hears,
    // once, that some of its bytes were read otherwise than the page declares.
    if (!FOpenNote.isEmpty())
        MessageDlg(std::exchange(FOpenNote, QString()), TMsgDlgType::mtInformation, mbOK);
}

// ---------------------------------------------------------------------------------------------------
// Design view events

void TFormMain::DesignerDocumentComplete()
{
    // A page loaded anew (also the previous document shown again after a failed open, or the page made
    // again after its process died) starts its undo record from nothing.
    FUndoCountSeen = FDesigner->ReportedUndoCount();
    QString title;
    try {
        FDesigner->GetDocumentTitle(title);
    } catch (const Exception&) {
        title.clear();
    }
    FApplicationTitle = title.isEmpty() ? SProductName : SProductName + QStringLiteral(" - ") + title;
    setWindowTitle(FApplicationTitle);
    {
        QStringList formats;
        FDesigner->GetBlockFormats(formats);
        const QSignalBlocker block(ComboBlockFormat);
        ComboBlockFormat->clear();
        ComboBlockFormat->addItems(formats);
    }
    UpdateToolbar();
}

void TFormMain::DesignerContentChange()
{
    UpdateToolbar();
    FFileManager->SetModified(true);
    FUndoCountSeen = FDesigner->ReportedUndoCount();
}

void TFormMain::DesignerPageChange()
{
    // Every change of the page's body is one entry of its undo record, whatever made it: typing, the
    // mouse (dragging text or images, pasting with the middle button), a drop from another program, the
    // engine's own undo. A record that moved since it was last looked at means the document changed.
    if (!FDesigner->IsDocumentReady())
        return;
    // The count the page reported with its last message or answer: every change sends one, so a change
    // not seen yet is seen with its own message, without asking the page on every key.
    const int count = FDesigner->ReportedUndoCount();
    if (count != FUndoCountSeen) {
        FUndoCountSeen = count;
        FFileManager->SetModified(true);
    }
}
