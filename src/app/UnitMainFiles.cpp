// The main window's files: the file manager's events and the design view's changes that mark the document.
#include "UnitMain.h"

#include "ComboBox97.h"
#include "EngineBridge.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "ShellApi.h"
#include "UnitMainTexts.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

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
    TakePageVersion();
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
    TakePageVersion();
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
    // again after its process died) starts its count of changes from nothing.
    TakePageVersion();
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
    TakePageVersion();
}

void TFormMain::DesignerPageChange()
{
    // Every change of the page's body moves its change count, whatever made it: typing, the mouse
    // (dragging text or images, pasting with the middle button), a drop from another program, the
    // engine's own undo, and every insertion or command run through the design view (the panels, the
    // palette, spell-check corrections, templates). The count comes with every answer and message of the
    // page, so this one place sees them all. Only the page whose load has been taken in counts: a page
    // still loading is no edit.
    if (!FFileManager || !FDesigner->IsDocumentReady() || FDesigner->Bridge()->Generation() != FGenerationSeen)
        return;
    const qint64 version = FDesigner->Bridge()->State().Version;
    if (version != FVersionSeen) {
        FVersionSeen = version;
        FFileManager->SetModified(true);
    }
}

void TFormMain::TakePageVersion()
{
    FGenerationSeen = FDesigner->Bridge()->Generation();
    FVersionSeen = FDesigner->Bridge()->State().Version;
}

void TFormMain::ReturnFocusToView(QWidget* Panel)
{
    QWidget* view = FActiveView == VIEW_DESIGNER ? static_cast<QWidget*>(FDesigner->View())
                    : FActiveView == VIEW_CODE   ? static_cast<QWidget*>(FCodeEditor)
                                                 : nullptr;
    if (!view)
        return;
    // A floating panel is a window of its own: the main window becomes the active one again.
    if (!isActiveWindow())
        activateWindow();
    view->setFocus(Qt::OtherFocusReason);
    if (!Panel || Panel->window() == this)
        return;
    // The window manager activates a floating panel on every press, also on the second press of a
    // double-click that comes after the insertion: once that is over, the keyboard is handed back again.
    const QPointer<QWidget> panel(Panel);
    const QPointer<QWidget> target(view);
    const int activeView = FActiveView;
    QTimer::singleShot(QApplication::doubleClickInterval(), this, [this, panel, target, activeView] {
        if (panel && target && FActiveView == activeView && QApplication::activeWindow() == panel->window()) {
            activateWindow();
            target->setFocus(Qt::OtherFocusReason);
        }
    });
}
