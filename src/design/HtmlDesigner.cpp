#include "HtmlDesigner.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QCursor>
#include <QDateTime>
#include <QLocale>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSaveFile>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineContextMenuRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

#include "BlockInsertion.h"
#include "EngineBridge.h"
#include "EngineCommands.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "HtmlColors.h"
#include "HtmlConv.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "SafeSave.h"
#include "TagGlyphs.h"

namespace {

const QUrl DesignPageUrl(QStringLiteral("idoc:index.html"));

const QString SPageRestarted =
    QStringLiteral("The design view stopped working and was started again. No change to the document was lost.");
const QString SPageRestartedChangesLost =
    QStringLiteral("The design view stopped working and was started again with the document as it was at %1. "
                   "Changes made in the design view after that time may be lost.");

QString FolderOf(const QString& FileName)
{
    return QFileInfo(FileName).absolutePath();
}

} // namespace

// The design page: a file field of the page being designed is a control to place, not to use, so a click
// on it opens no file chooser.
class TDesignWebPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override { return {}; }
};

// The engine's view; its context menu goes to the design view instead of the engine's own menu, and so
// does Enter beside a placeholder, before the engine sees the key.
class TDesignWebView : public QWebEngineView
{
public:
    TDesignWebView(THtmlDesigner* Designer, QWebEngineProfile* Profile)
        : QWebEngineView(Designer), FDesigner(Designer)
    {
        setPage(new TDesignWebPage(Profile, this));
    }

protected:
    // The keys go to the widget the engine draws into, which the view makes anew when the page's process
    // starts again: each one is watched as it joins the view.
    void childEvent(QChildEvent* Event) override
    {
        QWebEngineView::childEvent(Event);
        if (Event->added() && Event->child()->isWidgetType())
            Event->child()->installEventFilter(this);
    }

    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<const QKeyEvent*>(Event);
            // Shift+Enter stays the engine's line break.
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !(key->modifiers() & ~Qt::KeypadModifier) && FDesigner->EnterBesidePlaceholder())
                return true;
            ++FDesigner->FKeysSent;
        }
        return QWebEngineView::eventFilter(Watched, Event);
    }

    void contextMenuEvent(QContextMenuEvent* Event) override
    {
        const QPoint point = Event->pos();
        // The request may arrive while a call waits for the engine: answer it right after.
        QMetaObject::invokeMethod(FDesigner, [designer = QPointer<THtmlDesigner>(FDesigner), point] {
            if (designer)
                designer->ShowContextMenu(point);
        }, Qt::QueuedConnection);
        Event->accept();
    }

private:
    THtmlDesigner* FDesigner;
};

THtmlDesigner::THtmlDesigner(QWidget* Owner) : QWidget(Owner), FFilter(std::make_unique<THtmlFilter>())
{
    // A private profile per design view: the namespace lives exactly as long as the view, and nothing of the
    // design page is cached on disk.
    FProfile = new QWebEngineProfile(this);
    FNameSpace = RegisterEditNameSpace(FProfile, [this](QObject* Sender, const QString& URL, TEditUrlRequest& Request) {
        GetEditUrlData(Sender, URL, Request);
    });
    FView = new TDesignWebView(this, FProfile);
    FPage = FView->page();
    QWebEngineSettings* settings = FPage->settings();
    // The page's own script never runs in the design view; the runtime works in its own world.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    FBridge = new TEngineBridge(FPage, this);
    connect(FBridge, &TEngineBridge::Message, this, &THtmlDesigner::OnEngineMessage);
    connect(FBridge, &TEngineBridge::RendererDied, this, &THtmlDesigner::RestartPage);
    FBodyCopyTimer = new QTimer(this);
    FBodyCopyTimer->setSingleShot(true);
    connect(FBodyCopyTimer, &QTimer::timeout, this, &THtmlDesigner::CopyBody);
    connect(FBridge, &TEngineBridge::PageChanged, this, [this] {
        if (FBodyCopyDelay >= 0)
            FBodyCopyTimer->start(std::max<qint64>(FBodyCopyDelay, 10 * FBodyCopyCost));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView);
}

THtmlDesigner::~THtmlDesigner()
{
    UnregisterEditNameSpace(FProfile, FNameSpace);
    // The page must go before its profile.
    delete FView;
    FView = nullptr;
    FPage = nullptr;
}

QWebEngineView* THtmlDesigner::View() const
{
    return FView;
}

QWebEnginePage* THtmlDesigner::Page() const
{
    return FPage;
}

bool THtmlDesigner::IsDocumentReady() const
{
    return FLoaded && FBridge->IsReady() && !FBridge->IsLoading();
}

void THtmlDesigner::RequireLoadedPage() const
{
    if (FBridge->IsLoading())
        throw Exception(QStringLiteral("The document is still loading."));
    if (!IsDocumentReady())
        throw Exception(QStringLiteral("The design view holds no document."));
}

// ---------------------------------------------------------------------------------------------------
// Namespace

void THtmlDesigner::GetEditUrlData(QObject* Sender, const QString& URL, TEditUrlRequest& Request)
{
    if (AnswerGlyphUrl(URL, Request))
        return;
    AnswerEditUrl(URL, FDesignText, FFilter->BasePath(), Request);
}

// ---------------------------------------------------------------------------------------------------
// Document life cycle

void THtmlDesigner::RequireIdle() const
{
    // A load asked for while another call waits on the engine would swap the page under that call.
    if (FBridge->IsBusy() || FBridge->IsLoading())
        throw Exception(QStringLiteral("The document is still loading."));
}

void THtmlDesigner::LoadDocument(const QString& Text, TPagePlace Place)
{
    FCurrentElement = TEngineElement();
    FCells.Reset();
    FGlyphs.clear();
    ClearUndo();
    FDesignText = Text.toUtf8();
    FLoaded = false;
    FSyncedVersion = -1;
    FBodyCopyTimer->stop();
    FBodyText.clear();
    FBodyTextSerial = 0;
    FBodyTextVersion = -1;
    FBodyRead = 0;
    // The runtime's start brings the placeholders' sizes along and answers with the body as the engine
    // made it, in the same round trip.
    FKeysSent = 0;
    QVariant body;
    if (!FBridge->Load(DesignPageUrl, QStringLiteral("opened"), {PlaceholderSizeSheet()}, &body))
        throw Exception(QStringLiteral("The design view could not load the document."));
    // The engine has put the page where it stands by the time the load is reported.
    if (Place == TPagePlace::Top)
        FBridge->Call(QStringLiteral("window.scrollTo(0, 0)"));
    FLoaded = true;
    HookDocumentEvents();
    // The source tree takes that body at once: a save, a switch of views or a restart of the page then
    // need not write out the whole document again until it changes. Without it, the first save takes it.
    try {
        if (ApplyBodyText(body))
            TakeBodyText();
    } catch (const Exception&) {
        FSyncedVersion = -1;
    }
    // The engine reports the completed document after the load returns, as its own event.
    const qint64 generation = FBridge->Generation();
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == FBridge->Generation() && IsDocumentReady())
            DoDocumentComplete();
    });
}

std::unique_ptr<THtmlFilter> THtmlDesigner::NextFilter(const QString& BasePath) const
{
    auto filter = std::make_unique<THtmlFilter>();
    filter->SetGenerator(FGenerator);
    filter->SetBasePath(BasePath);
    // The document's text read again (from the code view, the tag tree, a page made anew) is saved in the
    // set it was read in; a load or a new document sets its own.
    if (FFilter)
        filter->SetPageCharset(FFilter->PageCharset());
    return filter;
}

void THtmlDesigner::ShowDocument(std::unique_ptr<THtmlFilter> Filter, QString FileName, TPagePlace Place)
{
    // The page's latest edits go into the document on show before it is let go: should the engine fail
    // to load the new one, the old one comes back as it was.
    if (IsDocumentReady()) {
        try {
            TakeBodyFromPage();
        } catch (const Exception&) {
            // the page is gone; the document stays as the filter last took it
        }
    }
    std::unique_ptr<THtmlFilter> previous = std::exchange(FFilter, std::move(Filter));
    const QString previousName = std::exchange(FFileName, FileName);
    QString text;
    FFilter->GetDesignText(text);
    try {
        LoadDocument(text, Place);
    } catch (const Exception&) {
        FFilter = std::move(previous);
        FFileName = previousName;
        if (FFilter && FFilter->Source()) {
            try {
                LoadDocument(DesignTextAgain(), Place);
            } catch (const Exception&) {
                // the engine cannot show even the previous document; the view stays empty
            }
        }
        throw;
    }
}

QString THtmlDesigner::DesignTextAgain()
{
    // The source tree holds a body taken from the page, which is no design page by itself: the document
    // is read again from its text, as a switch from the code view does.
    QString source;
    FFilter->GetSourceText(source);
    std::unique_ptr<THtmlFilter> filter = NextFilter(FFilter->BasePath());
    filter->SetSource(source);
    FFilter = std::move(filter);
    QString text;
    FFilter->GetDesignText(text);
    return text;
}

void THtmlDesigner::LoadFromFile(const QString& FileName)
{
    RequireIdle();
    QFile file(FileName);
    if (!QFileInfo(FileName).isFile() || !file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()));
    // The file is read into a filter of its own: a file that does not decode or parse, or a page that the
    // engine cannot load, leaves the previous document in the view with its own name and folder, so that
    // saving it afterwards does not overwrite the file that failed to open.
    std::unique_ptr<THtmlFilter> filter = NextFilter(FolderOf(FileName));
    FLoadNote.clear();
    TDecodeReport report;
    filter->LoadFromStream(file, &report);
    file.close();
    ShowDocument(std::move(filter), FileName, TPagePlace::Top);
    FLoadNote = DecodeReportText(report);
}

void THtmlDesigner::SaveToFile(const QString& FileName)
{
    RequireLoadedPage();
    // The whole document is made before the file is touched, so a failure leaves the old file whole.
    TakeBodyFromPage();
    const QByteArray bytes = FFilter->SaveToBytes();
    QString reason;
    if (!SaveBytesToFile(FileName, bytes, reason))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, reason));
    FFileName = FileName;
    FFilter->SetBasePath(FolderOf(FileName));
}

void THtmlDesigner::NewDocument()
{
    RequireIdle();
    std::unique_ptr<THtmlFilter> filter = NextFilter(FFilter->BasePath());
    filter->NewEmptyDocument();
    ShowDocument(std::move(filter), QString(), TPagePlace::Top);
    DoDocumentComplete();
}

void THtmlDesigner::SetHtml(const QString& Html)
{
    RequireIdle();
    std::unique_ptr<THtmlFilter> filter = NextFilter(FFilter->BasePath());
    filter->SetSource(Html);
    ShowDocument(std::move(filter), FFileName, TPagePlace::Kept);
}

bool THtmlDesigner::ApplyBodyText(const QVariant& Answer)
{
    const QVariantMap body = Answer.toMap();
    const QVariant text = body.value(QStringLiteral("text"));
    const qint64 serial = body.value(QStringLiteral("serial")).toLongLong();
    const qint64 base = body.value(QStringLiteral("base")).toLongLong();
    // An answer older than the text held (a copy that arrived after a later take) changes nothing.
    if (text.isNull() || serial <= FBodyTextSerial || (base != 0 && base != FBodyTextSerial))
        return false;
    if (base == 0) {
        FBodyText = text.toString();
        FBodyRead = 0;
    } else {
        // The start and the end that stayed the same are kept; only what lies between is replaced.
        const qsizetype keepStart = body.value(QStringLiteral("keepStart")).toLongLong();
        const qsizetype keepEnd = body.value(QStringLiteral("keepEnd")).toLongLong();
        if (keepStart < 0 || keepEnd < 0 || keepStart + keepEnd > FBodyText.size())
            return false;
        const QString between = text.toString();
        if (!between.isEmpty() || keepStart + keepEnd < FBodyText.size())
            FBodyText.replace(keepStart, FBodyText.size() - keepStart - keepEnd, between);
        // What stayed since the text was last taken: the filter then reads again only the rest.
        FBodyKeptStart = std::min(FBodyKeptStart, keepStart);
        FBodyKeptEnd = std::min(FBodyKeptEnd, keepEnd);
    }
    FBodyTextSerial = serial;
    FBodyTextVersion = body.value(QStringLiteral("version")).toLongLong();
    FBodyTextAt = QDateTime::currentDateTime();
    return true;
}

void THtmlDesigner::FetchBodyText()
{
    // The page's state comes along and is brought up to date with the text.
    QVariant answer;
    if (FBridge->Invoke(QStringLiteral("bodyTextAndState"), {FBodyTextSerial}, &answer) != TEngineBridge::TCallResult::Ok)
        throw Exception(QStringLiteral("The design view did not answer."));
    if (ApplyBodyText(answer))
        return;
    // The page does not hold what this side holds: the whole of it.
    FBodyTextSerial = 0;
    if (FBridge->Invoke(QStringLiteral("bodyText"), {0}, &answer) != TEngineBridge::TCallResult::Ok ||
        !ApplyBodyText(answer))
        throw Exception(QStringLiteral("The design view did not answer."));
}

void THtmlDesigner::TakeBodyFromPage()
{
    // The source tree holds the page as it was when the body was last taken; while the page has not
    // changed since, taking it again would give the same tree at the cost of the whole document. Else the
    // body text held is brought up to date and mapped back. One call asks for both the page's version and
    // what changed since the text held: nothing, when the page is as it was.
    FetchBodyText();
    if (FSyncedVersion >= 0 && FBodyTextVersion == FSyncedVersion)
        return;
    TakeBodyText();
}

void THtmlDesigner::TakeBodyText()
{
    // Kept lengths that overlap tell a text unchanged since it was last taken.
    const qsizetype keptStart = std::min(FBodyKeptStart, FBodyText.size());
    const qsizetype keptEnd = std::min(FBodyKeptEnd, FBodyText.size() - keptStart);
    FBodyRead = FFilter->SetDesignText(FBodyText, FBodyRead, keptStart, keptEnd);
    FBodyKeptStart = FBodyText.size();
    FBodyKeptEnd = FBodyText.size();
    FSyncedVersion = FBodyTextVersion;
    FSyncedAt = FBodyTextAt;
}

void THtmlDesigner::SetBodyCopyDelay(int Milliseconds)
{
    FBodyCopyDelay = Milliseconds;
    if (Milliseconds < 0)
        FBodyCopyTimer->stop();
}

bool THtmlDesigner::HoldsCurrentBody() const
{
    const qint64 version = FBridge->State().Version;
    return IsDocumentReady() && (version == FSyncedVersion || version == FBodyTextVersion);
}

void THtmlDesigner::CopyBody()
{
    // Only from the main loop's own turn: not during another call's wait, a dialog or an open menu.
    if (!IsDocumentReady())
        return;
    if (FBridge->IsBusy() || QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        FBodyCopyTimer->start(std::max<qint64>(FBodyCopyDelay, 10 * FBodyCopyCost));
        return;
    }
    const qint64 version = FBridge->State().Version;
    if (version == FSyncedVersion || version == FBodyTextVersion)
        return;
    // The page writes out what changed while this side goes on; the answer is taken in as it comes.
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    FBridge->InvokeLater(QStringLiteral("bodyText"), {FBodyTextSerial}, [this, clock](const QVariant& answer) {
        if (ApplyBodyText(answer))
            FBodyCopyCost = clock->elapsed();
    });
}

void THtmlDesigner::RestartPage()
{
    // A load in progress finds the death itself (and shows the previous document again); a page shown
    // since needs nothing.
    if (!FLoaded || IsDocumentReady() || !FBridge->RendererIsDead() || FBridge->IsLoading())
        return;
    if (FBridge->IsBusy()) {
        QTimer::singleShot(50, this, &THtmlDesigner::RestartPage);
        return;
    }
    // The page is made again from the source tree, which holds the body as it was last taken from the
    // page, or from the later copy taken while it was quiet: what changed after that is gone with the
    // page's process.
    if (FBodyTextVersion > FSyncedVersion)
        TakeBodyText();
    const bool lost = FSyncedVersion < 0 || FBridge->State().Version != FSyncedVersion;
    const QDateTime since = FSyncedAt;
    try {
        LoadDocument(DesignTextAgain());
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    MessageDlg(lost ? SPageRestartedChangesLost.arg(QLocale().toString(since.time(), QLocale::LongFormat))
                    : SPageRestarted,
               TMsgDlgType::mtWarning, mbOK);
}

void THtmlDesigner::GetHtml(QString& Html)
{
    RequireLoadedPage();
    TakeBodyFromPage();
    FFilter->GetSourceText(Html);
}

int THtmlDesigner::GetSelectionType()
{
    if (!IsDocumentReady())
        return 0;
    const int kind = FBridge->State().Selection;
    return kind >= 0 && kind <= 2 ? kind : 0;
}

bool THtmlDesigner::InsertHtml(const QString& Html)
{
    bool inserted = false;
    BeginUndo(QStringLiteral("Insert"));
    if (IsDocumentReady()) {
        QVariant result;
        // A table, rule or form splits the paragraph around the caret instead of going inside it.
        const QString split = HtmlHoldsBlock(Html) ? BlockSplitSelector() : QString();
        // The caret goes where the user types next: into what the markup brings to type in, else after it.
        inserted = FBridge->Invoke(QStringLiteral("insertHtml"), {Html, split, TypingPlaceSelector()}, &result) ==
                       TEngineBridge::TCallResult::Ok &&
                   result.toBool();
    }
    EndUndo();
    return inserted;
}

bool THtmlDesigner::CanHyperlink()
{
    if (!(QueryCommandStatus(IDM_HYPERLINK) & OLECMDF_ENABLED))
        return false;
    if (GetSelectionType() == 1) {
        const THtmlNode* node = FFilter->FindNode(CurrentElement().Id());
        if (node && node->TagId() == TAG_A)
            return false; // a named anchor's placeholder is not linked
    }
    return true;
}

void THtmlDesigner::Hyperlink()
{
    BeginUndo(QStringLiteral("Hyperlink"));
    ExecCommand(IDM_HYPERLINK);
    EndUndo();
}

void THtmlDesigner::Unlink()
{
    BeginUndo(QStringLiteral("Unlink"));
    ExecCommand(IDM_UNLINK);
    EndUndo();
}

void THtmlDesigner::GetDocumentTitle(QString& Title)
{
    RequireLoadedPage();
    QVariant title;
    if (FBridge->Call(QStringLiteral("document.title"), &title) != TEngineBridge::TCallResult::Ok)
        throw Exception(QStringLiteral("The design view did not answer."));
    Title = title.toString();
}

void THtmlDesigner::GetSelectionTagName(QString& Name)
{
    Name.clear();
    switch (GetSelectionType()) {
    case 2:
        Name = QStringLiteral("Text");
        break;
    case 1: {
        const TEngineElement element = CurrentElement();
        const THtmlNode* node = FFilter->FindNode(element.Id());
        Name = (node ? TagIdToName(node->TagId()) : element.TagName()).toUpper();
        break;
    }
    default:
        break;
    }
}

void THtmlDesigner::SetGenerator(const QString& Value)
{
    if (Value == FGenerator)
        return;
    FGenerator = Value;
    FFilter->SetGenerator(Value);
}

TEngineElement THtmlDesigner::BodyElement()
{
    QVariant body;
    if (!IsDocumentReady() || FBridge->Invoke(QStringLiteral("body_element"), {}, &body) != TEngineBridge::TCallResult::Ok)
        return {};
    return TEngineElement(FBridge, body.toMap());
}

// ---------------------------------------------------------------------------------------------------
// Named undo groups

int THtmlDesigner::GetBrowserUndoCount()
{
    // A fresh count: a stale one could make the groups look undone and drop their names.
    if (IsDocumentReady())
        FBridge->RefreshState();
    return FBridge->State().UndoCount;
}

int THtmlDesigner::GetRecordedUndoCount() const
{
    return FUndoGroups.RecordedCount();
}

void THtmlDesigner::SyncUndo()
{
    FUndoGroups.Sync(GetBrowserUndoCount());
}

void THtmlDesigner::BeginUndo(const QString& Caption)
{
    // A fresh count: units typed just before the command must not be taken into its group. The page is
    // idle before a command, so asking costs one short round trip.
    FUndoGroups.Begin(Caption, GetBrowserUndoCount());
    FGroupCalls = FBridge->CallCount();
}

void THtmlDesigner::EndUndo()
{
    // The command's own calls answered with the page's state after them; asking again would only wait for
    // the page to draw the change first.
    const bool answered = FBridge->CallCount() > FGroupCalls && FBridge->StateFollowsLastCall();
    FUndoGroups.End(answered ? FBridge->State().UndoCount : GetBrowserUndoCount());
}

int THtmlDesigner::ReportedUndoCount() const
{
    return FBridge->State().UndoCount;
}

void THtmlDesigner::ClearUndo()
{
    FUndoGroups.Clear();
}

bool THtmlDesigner::CanUndo()
{
    // The toolbar asks often: the count the runtime last reported is enough here.
    return FUndoGroups.CanUndo(FBridge->State().UndoCount);
}

bool THtmlDesigner::CanRedo()
{
    return FUndoGroups.CanRedo(FBridge->State().UndoCount);
}

void THtmlDesigner::Undo()
{
    const int units = FUndoGroups.Undo(GetBrowserUndoCount());
    if (units > 0 && IsDocumentReady())
        FBridge->Invoke(QStringLiteral("undo"), {units}, nullptr);
}

void THtmlDesigner::Redo()
{
    const int units = FUndoGroups.Redo(GetBrowserUndoCount());
    if (units > 0 && IsDocumentReady())
        FBridge->Invoke(QStringLiteral("redo"), {units}, nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Command plumbing

int THtmlDesigner::QueryCommandStatus(int CmdID)
{
    if (!IsDocumentReady())
        return 0;
    const TEngineState& state = FBridge->State();
    // Pointer motion leaves the command states behind; they are asked for once when wanted. During
    // another call's wait the last known states have to do.
    if (!state.CommandsCurrent && !FBridge->IsBusy())
        FBridge->RefreshState(true);
    switch (CmdID) {
    case IDM_UNDO:
        return OLECMDF_SUPPORTED | (state.UndoCount > 0 ? OLECMDF_ENABLED : 0);
    case IDM_REDO:
        return OLECMDF_SUPPORTED | (state.RedoCount > 0 ? OLECMDF_ENABLED : 0);
    case IDM_GETBLOCKFMTS:
    case IDM_FIND:
        return OLECMDF_SUPPORTED | OLECMDF_ENABLED;
    default:
        break;
    }
    const QString name = EditCommandName(CmdID);
    return name.isEmpty() ? 0 : state.Commands.value(name, 0);
}

int THtmlDesigner::RunCommand(int CmdID, const QVariant& Value, QVariant* Out)
{
    constexpr int S_OK = 0;
    constexpr int E_FAIL = int(0x80004005);
    constexpr int NotSupported = int(0x80040100);
    constexpr int E_INVALIDARG = int(0x80070057);
    if (!IsDocumentReady())
        return E_FAIL;
    if (CmdID == IDM_UNDO || CmdID == IDM_REDO) {
        const QString name = CmdID == IDM_UNDO ? QStringLiteral("undo") : QStringLiteral("redo");
        return FBridge->Invoke(name, {1}, nullptr) == TEngineBridge::TCallResult::Ok ? S_OK : E_FAIL;
    }
    if (CmdID == IDM_ADDTOGLYPHTABLE) {
        if (!AddGlyphEntry(Value.toString()))
            return E_INVALIDARG;
        return ApplyGlyphSheet() ? S_OK : E_FAIL;
    }
    if (CmdID == IDM_EMPTYGLYPHTABLE) {
        FGlyphs.clear();
        return ApplyGlyphSheet() ? S_OK : E_FAIL;
    }
    if (CmdID == IDM_FIND) {
        // The engine's find box: asks for the text and selects its next occurrence, wrapping at the end.
        QString text = FFindText;
        if (!InputQuery(QStringLiteral("Find"), QStringLiteral("Find what:"), text) || text.isEmpty())
            return S_OK;
        FFindText = text;
        QVariant found;
        if (FBridge->Invoke(QStringLiteral("find"), {text}, &found) != TEngineBridge::TCallResult::Ok)
            return E_FAIL;
        if (!found.toBool())
            MessageDlg(QStringLiteral("Cannot find \"%1\".").arg(text), TMsgDlgType::mtInformation, mbOK);
        return S_OK;
    }
    if (CmdID == IDM_GETBLOCKFMTS) {
        if (Out)
            *Out = BlockFormatNames();
        return S_OK;
    }
    const QString name = EditCommandName(CmdID);
    if (name.isEmpty())
        return NotSupported;
    if (Out && !Value.isValid()) {
        // The values come with the command states of the last snapshot while these are current.
        const TEngineState& state = FBridge->State();
        if (!state.CommandsCurrent && !FBridge->IsBusy())
            FBridge->RefreshState(true);
        QVariant value;
        if (state.CommandsCurrent && state.Values.contains(name))
            value = state.Values.value(name);
        else if (FBridge->Invoke(QStringLiteral("value"), {name}, &value) != TEngineBridge::TCallResult::Ok)
            return E_FAIL;
        *Out = CmdID == IDM_BLOCKFMT ? QVariant(BlockFormatName(value.toString())) : value;
        return S_OK;
    }
    QVariant argument = Value;
    if (CmdID == IDM_BLOCKFMT && Value.isValid()) {
        const QString tag = BlockFormatTag(Value.toString());
        argument = tag.isEmpty() ? Value : QVariant(QLatin1Char('<') + tag + QLatin1Char('>'));
    }
    if (CmdID == IDM_HYPERLINK && !argument.isValid()) {
        // The engine asks the user for the address: the link the selection is in, or a web address to
        // complete. A cancelled or emptied box changes nothing.
        QVariant current;
        QString url = FBridge->Invoke(QStringLiteral("selectionLink"), {}, &current) == TEngineBridge::TCallResult::Ok &&
                              !current.isNull()
                          ? current.toString()
                          : QStringLiteral("http://");
        if (!InputQuery(QStringLiteral("Hyperlink"), QStringLiteral("URL:"), url) || url.trimmed().isEmpty())
            return S_OK;
        argument = url;
    }
    QVariantList arguments{name};
    if (argument.isValid())
        arguments << argument.toString();
    return FBridge->Invoke(QStringLiteral("exec"), arguments, nullptr) == TEngineBridge::TCallResult::Ok ? S_OK : E_FAIL;
}

int THtmlDesigner::ExecCommand(int CmdID)
{
    return RunCommand(CmdID, QVariant(), nullptr);
}

int THtmlDesigner::ExecCommandValue(int CmdID, int Option, const QVariant* In, QVariant* Out)
{
    return RunCommand(CmdID, In ? *In : QVariant(), Out);
}

// ---------------------------------------------------------------------------------------------------
// Host side: events, context menu, resize reports

void THtmlDesigner::HookDocumentEvents()
{
    // The runtime reports the ten document events of every page from its creation on, and the sizes of
    // the placeholders came with its start: nothing to attach here.
    // The glyph table belongs to the page, so a new page gets it again.
    if (FShowTagGlyphs)
        FillGlyphTable();
}

void THtmlDesigner::DoDocumentComplete()
{
    emit OnDocumentComplete(this);
}

void THtmlDesigner::OnEngineMessage(const QString& Kind, const QVariantMap& Payload)
{
    if (!IsDocumentReady())
        return;
    if (Kind == QLatin1String("report")) {
        // A report without an element changes nothing, as a failed call from page script would.
        const TEngineElement element(FBridge, Payload.value(QStringLiteral("element")).toMap());
        if (element.IsValid())
            ElementResized(element);
        return;
    }
    if (Kind == QLatin1String("table"))
        return TableEvent(Payload);
    if (Kind != QLatin1String("event"))
        return;
    const QString type = Payload.value(QStringLiteral("type")).toString();
    FCurrentElement = TEngineElement(FBridge, Payload.value(QStringLiteral("element")).toMap());
    if (type == QLatin1String("dblclick"))
        FDblClickOnText = Payload.value(QStringLiteral("onText")).toBool();
    const QString key = type == QLatin1String("keydown") ? Payload.value(QStringLiteral("key")).toString() : QString();
    if (key == QLatin1String("Tab")) {
        // The page kept the key from moving the focus; outside a table it does nothing more.
        const TEngineElement cell(FBridge, Payload.value(QStringLiteral("cell")).toMap());
        const TEngineElement table(FBridge, Payload.value(QStringLiteral("table")).toMap());
        if (cell.IsValid() && table.IsValid())
            MoveToNextCell(table, cell, Payload.value(QStringLiteral("back")).toBool());
    } else if (key == QLatin1String("Delete")) {
        // A selected table goes whole, as one change of the page like any key's, and nothing else with it.
        TEngineElement table(FBridge, Payload.value(QStringLiteral("control")).toMap());
        if (table.IsValid())
            table.SetOuterHtml(QString());
    }
    if (type == QLatin1String("mousedown"))
        emit OnMouseDown(this);
    else if (type == QLatin1String("mousemove"))
        emit OnMouseMove(this);
    else if (type == QLatin1String("mouseup"))
        emit OnMouseUp(this);
    else if (type == QLatin1String("mouseout"))
        emit OnMouseOut(this);
    else if (type == QLatin1String("mouseover"))
        emit OnMouseOver(this);
    else if (type == QLatin1String("click"))
        emit OnClick(this);
    else if (type == QLatin1String("dblclick"))
        emit OnDblClick(this);
    else if (type == QLatin1String("keydown"))
        emit OnKeyDown(this);
    else if (type == QLatin1String("keyup"))
        emit OnKeyUp(this);
    else if (type == QLatin1String("keypress"))
        emit OnKeyPress(this);
}

bool THtmlDesigner::EnterBesidePlaceholder()
{
    // Asked while the key waits, so that the keys typed after it reach the page after the new paragraph.
    if (!IsDocumentReady() || FBridge->IsBusy())
        return false;
    // The engine takes keys and calls by different roads, so a key sent just before this one (End, a
    // letter) may reach the page after the question: the caret is read once the page has seen every key
    // sent, or after a short wait for a key that never reaches it (the count then starts from the page's).
    QVariantMap beside;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QVariant answer;
        if (FBridge->Invoke(QStringLiteral("besideCaret"), {}, &answer) != TEngineBridge::TCallResult::Ok)
            return false;
        beside = answer.toMap();
        const qint64 seen = beside.value(QStringLiteral("keys")).toLongLong();
        if (seen >= FKeysSent)
            break;
        if (waited.elapsed() > 250) {
            FKeysSent = seen;
            break;
        }
    }
    const QVariantList placeholders = beside.value(QStringLiteral("placeholders")).toList();
    if (placeholders.isEmpty())
        return false;
    // The engine breaks the line there because the caret's place belongs to an element it cannot edit
    // into; its paragraph command, run with those placeholders standing as pictures, splits the block as
    // the key does in plain text. One group, as a key typed is.
    BeginUndo(QString());
    // The engine scrolls to the caret after a key's edit, not after a command.
    const QVariantMap options{{QStringLiteral("pictures"), placeholders}, {QStringLiteral("reveal"), true}};
    FBridge->Invoke(QStringLiteral("exec"), {QStringLiteral("insertParagraph"), QVariant(), options}, nullptr);
    EndUndo();
    // The page saw no key: its events are raised here, with the element the key went to.
    FCurrentElement = TEngineElement(FBridge, beside.value(QStringLiteral("focus")).toMap());
    emit OnKeyDown(this);
    emit OnKeyPress(this);
    return true;
}

TEngineElement THtmlDesigner::DoubleClickedElement()
{
    const TEngineElement element = CurrentElement();
    const QString tag = element.TagName().toUpper();
    if (tag == QLatin1String("BODY") && FDblClickOnText)
        return {};
    // Below or beside a body shorter than the view the pointer is over the page's root: the body's empty
    // area all the same.
    if (tag == QLatin1String("HTML"))
        return BodyElement();
    return element;
}

TEngineElement THtmlDesigner::DocumentElement(TEngineElement Element) const
{
    // The page is asked for the parent of a box alone, and whether an element is one only when its name is
    // that of an unknown block element; any other element answers at once.
    while (Element.IsValid() && (Element.TagName() == QLatin1String("DIV") ? FFilter->IsBlockWrapper(Element.Id())
                                                                          : THtmlFilter::IsShownByOwnName(Element.TagName()) &&
                                                                                !Element.GetAttribute(THtmlFilter::BoxAttributeName()).isEmpty()))
        Element = Element.ParentElement();
    return Element;
}

void THtmlDesigner::ShowContextMenu(const QPoint& Point)
{
    if (IsDocumentReady()) {
        QVariant element;
        if (FBridge->Invoke(QStringLiteral("elementFromPoint"), {Point.x(), Point.y()}, &element) ==
            TEngineBridge::TCallResult::Ok)
            FCurrentElement = TEngineElement(FBridge, element.toMap());
    }
    const QPoint cursor = QCursor::pos();
    emit OnPopupMenu(this, cursor.x(), cursor.y());
}

void THtmlDesigner::ElementResized(const TEngineElement& Element)
{
    FCurrentElement = Element;
    const QSize size = Element.OffsetSize();
    if (size.isValid()) {
        const QString width = QString::number(size.width());
        const QString height = QString::number(size.height());
        // Given the element's kind, a kept node of another kind behind a pasted id is left alone.
        FFilter->SetNodeSize(Element.Id(), width, height, TagNameToId(Element.TagName()));
    }
    emit OnResized(this);
}

// ---------------------------------------------------------------------------------------------------
// Clipboard, find and formatting commands

namespace {

bool Enabled(int Flags)
{
    return Flags & OLECMDF_ENABLED;
}

bool EnabledOrLatched(int Flags)
{
    return Flags & (OLECMDF_ENABLED | OLECMDF_LATCHED);
}

bool Latched(int Flags)
{
    return Flags & OLECMDF_LATCHED;
}

} // namespace

void THtmlDesigner::RunGrouped(const QString& Caption, int CmdID)
{
    BeginUndo(Caption);
    ExecCommand(CmdID);
    EndUndo();
}

void THtmlDesigner::Copy() { ExecCommand(IDM_COPY); }
void THtmlDesigner::Cut() { RunGrouped(QStringLiteral("Cut"), IDM_CUT); }
void THtmlDesigner::Paste() { RunGrouped(QStringLiteral("Paste"), IDM_PASTE); }
void THtmlDesigner::Find() { ExecCommand(IDM_FIND); }
void THtmlDesigner::Bold() { RunGrouped(QStringLiteral("Bold"), IDM_BOLD); }
void THtmlDesigner::Italic() { RunGrouped(QStringLiteral("Italic"), IDM_ITALIC); }
void THtmlDesigner::Underline() { RunGrouped(QStringLiteral("Underline"), IDM_UNDERLINE); }
void THtmlDesigner::JustifyLeft() { RunGrouped(QStringLiteral("Left"), IDM_JUSTIFYLEFT); }
void THtmlDesigner::JustifyCenter() { RunGrouped(QStringLiteral("Center"), IDM_JUSTIFYCENTER); }
void THtmlDesigner::JustifyRight() { RunGrouped(QStringLiteral("Right"), IDM_JUSTIFYRIGHT); }
void THtmlDesigner::OrderList() { RunGrouped(QStringLiteral("Order List"), IDM_ORDERLIST); }
void THtmlDesigner::UnorderList() { RunGrouped(QStringLiteral("Unorder List"), IDM_UNORDERLIST); }
void THtmlDesigner::Indent() { RunGrouped(QStringLiteral("Indent"), IDM_INDENT); }
void THtmlDesigner::Outdent() { RunGrouped(QStringLiteral("Outdent"), IDM_OUTDENT); }

void THtmlDesigner::SetBackColor(std::uint32_t Color)
{
    BeginUndo(QStringLiteral("Back Color"));
    const QString text = ColorToHtml(Color);
    const QVariant value(text);
    ExecCommandValue(IDM_BACKCOLOR, 0, &value, nullptr);
    // The engine writes a style declaration with the colour as "rgb(r, g, b)" or a lower-case keyword;
    // the declaration keeps the text it was given.
    if (Color <= 0xFFFFFF && IsDocumentReady()) {
        const QString written =
            text.startsWith(QLatin1Char('#'))
                ? QString::asprintf("rgb(%u, %u, %u)", Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF)
                : text.toLower();
        const QString wanted = QStringLiteral("background-color: %1;").arg(text);
        if (written != text)
            FBridge->Invoke(QStringLiteral("setOnSelected"),
                            {QStringLiteral("span[style=\"background-color: %1;\"]").arg(written),
                             QStringLiteral("style"), wanted},
                            nullptr);
    }
    EndUndo();
}

void THtmlDesigner::SetForeColor(std::uint32_t Color)
{
    BeginUndo(QStringLiteral("Fore Color"));
    const QString text = ColorToHtml(Color);
    const QVariant value(text);
    ExecCommandValue(IDM_FORECOLOR, 0, &value, nullptr);
    // The engine writes every colour as lower-case "#rrggbb"; the document keeps the text it was given
    // (the keyword, or upper-case digits), as everywhere else in the editor.
    if (Color <= 0xFFFFFF && IsDocumentReady()) {
        const QString written = QString::asprintf("#%02x%02x%02x", Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
        if (written != text)
            FBridge->Invoke(QStringLiteral("setOnSelected"),
                            {QStringLiteral("font[color=\"%1\"]").arg(written), QStringLiteral("color"), text}, nullptr);
    }
    EndUndo();
}

void THtmlDesigner::SetFontName(const QString& Name)
{
    BeginUndo(QStringLiteral("Font Name"));
    const QVariant value(Name);
    ExecCommandValue(IDM_FONTNAME, 0, &value, nullptr);
    EndUndo();
}

void THtmlDesigner::SetFontSize(int Size)
{
    BeginUndo(QStringLiteral("Font Size"));
    const QVariant value(std::clamp(Size, 1, 7));
    ExecCommandValue(IDM_FONTSIZE, 0, &value, nullptr);
    EndUndo();
}

void THtmlDesigner::SetBlockFormat(const QString& Name)
{
    BeginUndo(QStringLiteral("Block Format"));
    const QVariant value(Name);
    // The engine makes new blocks and drops the old ones' attributes (id, class, style, align...); the
    // document keeps them, so they are carried over block by block when the blocks still pair up.
    QStringList tags;
    for (const QString& format : BlockFormatNames())
        tags << BlockFormatTag(format);
    const QString selector = tags.join(QLatin1Char(','));
    QVariant before;
    const bool known = IsDocumentReady() &&
                       FBridge->Invoke(QStringLiteral("selectedBlocks"), {selector}, &before) == TEngineBridge::TCallResult::Ok;
    ExecCommandValue(IDM_BLOCKFMT, 0, &value, nullptr);
    QVariant after;
    if (known && FBridge->Invoke(QStringLiteral("selectedBlocks"), {selector}, &after) == TEngineBridge::TCallResult::Ok) {
        const QVariantList oldBlocks = before.toList();
        const QVariantList newBlocks = after.toList();
        if (oldBlocks.size() == newBlocks.size()) {
            for (qsizetype i = 0; i < oldBlocks.size(); ++i) {
                const QVariantMap oldBlock = oldBlocks[i].toMap();
                const QVariantMap newBlock = newBlocks[i].toMap();
                QSet<QString> present;
                for (const QVariant& attribute : newBlock.value(QStringLiteral("attributes")).toList())
                    present << attribute.toList().value(0).toString();
                QVariantList changes;
                for (const QVariant& attribute : oldBlock.value(QStringLiteral("attributes")).toList()) {
                    const QVariantList pair = attribute.toList();
                    if (!present.contains(pair.value(0).toString()))
                        changes << QVariant(QVariantList{QStringLiteral("set"), pair.value(0), pair.value(1)});
                }
                TEngineElement element(FBridge, newBlock.value(QStringLiteral("element")).toMap());
                if (!changes.isEmpty() && element.IsValid())
                    element.Apply(changes);
            }
        }
    }
    EndUndo();
}

bool THtmlDesigner::CanCopy() { return Enabled(QueryCommandStatus(IDM_COPY)); }
bool THtmlDesigner::CanCut() { return Enabled(QueryCommandStatus(IDM_CUT)); }
bool THtmlDesigner::CanPaste() { return Enabled(QueryCommandStatus(IDM_PASTE)); }
bool THtmlDesigner::CanFind() { return Enabled(QueryCommandStatus(IDM_FIND)); }
bool THtmlDesigner::CanBold() { return EnabledOrLatched(QueryCommandStatus(IDM_BOLD)); }
bool THtmlDesigner::CanItalic() { return EnabledOrLatched(QueryCommandStatus(IDM_ITALIC)); }
bool THtmlDesigner::CanUnderline() { return EnabledOrLatched(QueryCommandStatus(IDM_UNDERLINE)); }
bool THtmlDesigner::CanJustifyLeft() { return EnabledOrLatched(QueryCommandStatus(IDM_JUSTIFYLEFT)); }
bool THtmlDesigner::CanJustifyCenter() { return EnabledOrLatched(QueryCommandStatus(IDM_JUSTIFYCENTER)); }
bool THtmlDesigner::CanJustifyRight() { return EnabledOrLatched(QueryCommandStatus(IDM_JUSTIFYRIGHT)); }
bool THtmlDesigner::CanOrderList() { return EnabledOrLatched(QueryCommandStatus(IDM_ORDERLIST)); }
bool THtmlDesigner::CanUnorderList() { return EnabledOrLatched(QueryCommandStatus(IDM_UNORDERLIST)); }
bool THtmlDesigner::CanIndent() { return Enabled(QueryCommandStatus(IDM_INDENT)); }
bool THtmlDesigner::CanOutdent() { return Enabled(QueryCommandStatus(IDM_OUTDENT)); }
bool THtmlDesigner::CanBackColor() { return Enabled(QueryCommandStatus(IDM_BACKCOLOR)); }
bool THtmlDesigner::CanForeColor() { return Enabled(QueryCommandStatus(IDM_FORECOLOR)); }
bool THtmlDesigner::CanFontName() { return Enabled(QueryCommandStatus(IDM_FONTNAME)); }
bool THtmlDesigner::CanFontSize() { return Enabled(QueryCommandStatus(IDM_FONTSIZE)); }
bool THtmlDesigner::CanBlockFormat() { return Enabled(QueryCommandStatus(IDM_BLOCKFMT)); }

bool THtmlDesigner::IsBold() { return Latched(QueryCommandStatus(IDM_BOLD)); }
bool THtmlDesigner::IsItalic() { return Latched(QueryCommandStatus(IDM_ITALIC)); }
bool THtmlDesigner::IsUnderline() { return Latched(QueryCommandStatus(IDM_UNDERLINE)); }
bool THtmlDesigner::IsJustifyLeft() { return Latched(QueryCommandStatus(IDM_JUSTIFYLEFT)); }
bool THtmlDesigner::IsJustifyCenter() { return Latched(QueryCommandStatus(IDM_JUSTIFYCENTER)); }
bool THtmlDesigner::IsJustifyRight() { return Latched(QueryCommandStatus(IDM_JUSTIFYRIGHT)); }
bool THtmlDesigner::IsOrderList() { return Latched(QueryCommandStatus(IDM_ORDERLIST)); }
bool THtmlDesigner::IsUnorderList() { return Latched(QueryCommandStatus(IDM_UNORDERLIST)); }

QString THtmlDesigner::CommandValueText(int CmdID)
{
    constexpr int S_OK = 0;
    if (!(QueryCommandStatus(CmdID) & OLECMDF_SUPPORTED))
        return {};
    QVariant out;
    if (ExecCommandValue(CmdID, 0, nullptr, &out) != S_OK || out.isNull() || !out.isValid())
        return {};
    return out.toString();
}

QString THtmlDesigner::GetFontName()
{
    // The engine answers the computed family list ("\"Courier New\", monospace"); the font box wants the
    // name of the first family.
    QString name = CommandValueText(IDM_FONTNAME);
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma >= 0)
        name.truncate(comma);
    name = name.trimmed();
    if (name.size() >= 2 && (name.front() == QLatin1Char('"') || name.front() == QLatin1Char('\'')) &&
        name.back() == name.front())
        name = name.mid(1, name.size() - 2);
    return name;
}

QString THtmlDesigner::GetBlockFormat()
{
    return CommandValueText(IDM_BLOCKFMT);
}

int THtmlDesigner::GetFontSize()
{
    const QString text = CommandValueText(IDM_FONTSIZE);
    bool ok = false;
    const int size = text.toInt(&ok);
    return ok ? size : -1;
}

void THtmlDesigner::GetBlockFormats(QStringList& List)
{
    constexpr int S_OK = 0;
    List.clear();
    QVariant out;
    if (ExecCommandValue(IDM_GETBLOCKFMTS, 0, nullptr, &out) == S_OK)
        List = out.toStringList();
}

// ---------------------------------------------------------------------------------------------------
// Tag glyphs

void THtmlDesigner::SetShowTagGlyphs(bool Value)
{
    if (Value == FShowTagGlyphs)
        return;
    FShowTagGlyphs = Value;
    if (Value)
        FillGlyphTable();
    else
        EmptyGlyphTable();
}

void THtmlDesigner::FillGlyphTable()
{
    struct TGlyphRow
    {
        const char* Tag;
        int Width;
    };
    static constexpr TGlyphRow Rows[] = {
        {"address", 59}, {"blockquote", 77}, {"center", 52}, {"del", 32}, {"div", 30}, {"form", 41},
        {"h1", 26},      {"h2", 26},         {"h3", 26},     {"h4", 26},  {"h5", 26},  {"h6", 26},
        {"ins", 30},     {"p", 20},          {"pre", 33},
    };
    AddGlyph(QStringLiteral("br"), QStringLiteral("br"), 0, 3, 3, 4, 14, 14);
    for (int kind = 0; kind < 2; ++kind)
        for (const TGlyphRow& row : Rows) {
            const QString tag = QLatin1String(row.Tag);
            AddGlyph(tag, tag + QString::number(kind + 1), kind, 3, 3, 4, row.Width, 15);
        }
}

void THtmlDesigner::EmptyGlyphTable()
{
    const QVariant value(false);
    ExecCommandValue(IDM_EMPTYGLYPHTABLE, 0, &value, nullptr);
}

void THtmlDesigner::AddGlyph(const QString& Tag, const QString& Name, int Kind, int A, int B, int C, int Width,
                             int Height)
{
    const QVariant value(GlyphEntry(Tag, Name, Kind, A, B, C, Width, Height));
    ExecCommandValue(IDM_ADDTOGLYPHTABLE, 0, &value, nullptr);
}

QString THtmlDesigner::GlyphEntry(const QString& Tag, const QString& Name, int Kind, int A, int B, int C, int Width,
                                  int Height)
{
    const auto field = [](const QString& Text) { return QStringLiteral("%%") + Text + QStringLiteral("^^"); };
    const QString url = QStringLiteral("res://") + QFileInfo(QCoreApplication::applicationFilePath()).fileName() +
                        QStringLiteral("/GIFS/") + Name;
    const QString entry = field(Tag) + field(url) + field(QString::number(Kind)) + field(QString::number(A)) +
                          field(QString::number(B)) + field(QString::number(C)) + field(QString::number(Width)) +
                          field(QString::number(Height)) + field(QString::number(Width)) +
                          field(QString::number(Height)) + QStringLiteral("**");
    return entry;
}

// One entry of the glyph table: ten fields, each "%%" text "^^", closed by "**". False when it is not one.
bool THtmlDesigner::AddGlyphEntry(const QString& Entry)
{
    if (!Entry.endsWith(QLatin1String("**")))
        return false;
    QStringList fields;
    qsizetype at = 0;
    const qsizetype end = Entry.size() - 2;
    while (at < end) {
        if (!QStringView(Entry).mid(at).startsWith(QLatin1String("%%")))
            return false;
        const qsizetype close = Entry.indexOf(QLatin1String("^^"), at + 2);
        if (close < 0 || close > end)
            return false;
        fields << Entry.mid(at + 2, close - at - 2);
        at = close + 2;
    }
    if (fields.size() != 10)
        return false;
    TGlyph glyph;
    glyph.Tag = fields[0].toLower();
    const qsizetype slash = fields[1].lastIndexOf(QLatin1Char('/'));
    glyph.Resource = fields[1].mid(slash + 1).toLower();
    bool ok[3] = {};
    glyph.Kind = fields[2].toInt(&ok[0]);
    glyph.Width = fields[6].toInt(&ok[1]);
    glyph.Height = fields[7].toInt(&ok[2]);
    static const QRegularExpression plain(QStringLiteral("^[a-z][a-z0-9]*$"));
    if (!ok[0] || !ok[1] || !ok[2] || (glyph.Kind != 0 && glyph.Kind != 1) || !plain.match(glyph.Tag).hasMatch() ||
        !plain.match(glyph.Resource).hasMatch())
        return false;
    // A later entry for the same place replaces the earlier one.
    for (TGlyph& known : FGlyphs)
        if (known.Tag == glyph.Tag && known.Kind == glyph.Kind) {
            known = glyph;
            return true;
        }
    FGlyphs << glyph;
    return true;
}

// The glyphs are a style sheet of the runtime's own over the page: they are drawn as generated content, so
// they never become part of the document's markup, its selection or its undo units.
bool THtmlDesigner::ApplyGlyphSheet()
{
    QString css;
    QString breakUrl;
    int breakHeight = 0;
    for (const TGlyph& glyph : FGlyphs) {
        // A line break has no content of its own to put a picture before: the runtime places it.
        if (glyph.Tag == QLatin1String("br")) {
            if (glyph.Kind == 0) {
                breakUrl = QStringLiteral("edit:tagglyph/%1.gif").arg(glyph.Resource);
                breakHeight = glyph.Height;
            }
            continue;
        }
        // The design page's own boxes (around elements the reader does not know) are no element of the
        // document: they get no glyph.
        css += QStringLiteral("body %1:not(.dsgn_block)::%2{content:url(\"edit:tagglyph/%3.gif\");vertical-align:middle;}\n")
                   .arg(glyph.Tag, glyph.Kind == 0 ? QStringLiteral("before") : QStringLiteral("after"),
                        glyph.Resource);
    }
    return FBridge->Invoke(QStringLiteral("glyphs"), {css, breakUrl, breakHeight}, nullptr) ==
           TEngineBridge::TCallResult::Ok;
}

bool THtmlDesigner::AnswerGlyphUrl(const QString& URL, TEditUrlRequest& Request) const
{
    static const QString prefix = QStringLiteral("edit:tagglyph/");
    if (!URL.startsWith(prefix, Qt::CaseInsensitive) || !URL.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive))
        return false;
    const QString name = URL.mid(prefix.size(), URL.size() - prefix.size() - 4).toLower();
    for (const TGlyph& glyph : FGlyphs)
        if (glyph.Resource == name) {
            Request.Data = DrawTagGlyph(name, glyph.Width, glyph.Height);
            Request.Size = Request.Data.size();
            Request.MimeType = QStringLiteral("image/gif");
            Request.Handled = !Request.Data.isEmpty();
            return true;
        }
    return true;
}
