// The main window's dialog entries of the Tools menu: button generators, spell check, templates, page properties.
#include "UnitMain.h"

#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "HtmlFilter.h"
#include "SpellCheckers.h"
#include "ToolBody.h"
#include "UnitButtonWiz.h"
#include "UnitSpellCheck.h"
#include "UnitTemplate.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTabBar>
#include <QWebEngineView>

// ---- button wizard

void TFormMain::ButtonGenerators1Click()
{
    if (FActiveView != VIEW_DESIGNER || !RequireSavedDocument())
        return;
    FormButtonWizard->BaseFolder = QFileInfo(FFileManager->FileName()).absolutePath() + QLatin1Char('/');
    FormButtonWizard->exec();
    if (!FormButtonWizard->Saved())
        return;
    const TOpenTag image = FDesigner->Filter()->NewImage(FormButtonWizard->EditFileName->text());
    FDesigner->InsertHtml(image.Html + QLatin1Char('>'));
    FFileManager->SetModified(true);
    TakePageVersion();
    UpdateToolbar();
}

// ---- spell checker

void TFormMain::CreateSpellChecker()
{
    FSpellChecker = std::make_unique<TSpellChecker>();
    FormSpellCheck = new TFormSpellCheck(this);
    FDesigner->OnSpellCheck = [this](QObject*, const QString& word, bool& needCorrection) {
        needCorrection = !FSpellChecker->IsWord(NarrowWord(word));
    };
    FDesigner->OnSpellSuggest = [this](QObject*, const QRect& rc, QString& word, bool& corrected, bool& canceled) {
        const QRect onScreen(FDesigner->View()->mapToGlobal(rc.topLeft()), rc.size());
        AskSpellCorrection(FormSpellCheck, *FSpellChecker, onScreen, word, corrected, canceled);
    };
    SpellCheck1->setEnabled(true);
    connect(SpellCheck1, &QAction::triggered, this, &TFormMain::SpellCheck1Click);
}

void TFormMain::SpellCheck1Click()
{
    // The check walks the design view: it comes on show first, with the edits of the view being left.
    if (FActiveView != VIEW_DESIGNER)
        TabControl1->setCurrentIndex(VIEW_DESIGNER);
    if (FActiveView != VIEW_DESIGNER)
        return;
    if (!FWordListLoaded) {
        if (!LoadWordList(*FSpellChecker))
            return;
        FWordListLoaded = true;
    }
    // A correction is a change of the page like any other, also when the engine failed after it.
    try {
        FDesigner->SpellCheck();
    } catch (...) {
        DesignerPageChange();
        UpdateToolbar();
        throw;
    }
    DesignerPageChange();
    UpdateToolbar();
}

// ---- templates

void TFormMain::emplates1Click()
{
    if (!RequireSavedDocument())
        return;
    // Only the design view holds a selection; in another view the one it last had is not what is on show.
    if (FActiveView != VIEW_DESIGNER || FDesigner->GetSelectionType() == 0) {
        MessageDlg(QStringLiteral("To apply a template to the current document, you need to select the text that "
                                  "you want to be preserved as the main content."),
                   TMsgDlgType::mtError, mbOK);
        return;
    }
    if (!FormTemplate)
        FormTemplate = new TFormTemplate(this);
    FormTemplate->exec();
    if (!FormTemplate->Accepted())
        return;
    try {
        if (!FDesigner->ApplyTemplate(FormTemplate->TemplatePath, ConfirmReplaceFiles))
            return;
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    FFileManager->SetModified(true);
    TakePageVersion();
    UpdateToolbar();
}

// ---- page properties

void TFormMain::PageProperties1Click()
{
    // The dialog reads and writes the design view's document: edits made in the view on show go there
    // first, and the view is filled again from the result.
    try {
        CommitView(FActiveView);
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    FViewEdited = false;
    if (ExecutePageProperties(*ToolManager) && FActiveView != VIEW_DESIGNER)
        TabControl1Change(FActiveView);
}
