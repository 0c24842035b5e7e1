#include "PrintTools.h"

#include "Dialogs.h"
#include "EngineBridge.h"
#include "Exceptions.h"
#include "HtmlDesigner.h"
#include "HtmlFilter.h"
#include "NameSpace.h"
#include "SafeSave.h"
#include "TagModels.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <memory>

namespace {

TPrintDialogHook& PrintDialogHook()
{
    static TPrintDialogHook Hook;
    return Hook;
}

// Laying out and printing a long page can take a while; the engine is given this long at most.
constexpr int EngineTimeout = 120000;

// Lets the event loop run until Done is set or the time is up.
bool WaitUntil(const bool& Done, int Milliseconds)
{
    QElapsedTimer Clock;
    Clock.start();
    while (!Done && Clock.elapsed() < Milliseconds) {
        QEventLoop Loop;
        QTimer::singleShot(20, &Loop, &QEventLoop::quit);
        Loop.exec();
    }
    return Done;
}

const QUrl PrintPageUrl(QStringLiteral("idoc:index.html"));

// The page with its addresses resolved against the document's folder, as a browser resolves them and as
// the design view shows them: "../pics/a.png", "my%20pic.gif" and "pics\a.png" all find their files. A
// base element does it; the engine would otherwise resolve them against the print page's own address and
// lose the folders above it. It goes first in the head, before anything that holds an address.
QString PageWithBase(const QString& Html, const QString& BasePath)
{
    if (BasePath.isEmpty())
        return Html;
    const QString Base = QStringLiteral("<base href=\"%1\">")
                             .arg(QUrl::fromLocalFile(BasePath).toString(QUrl::FullyEncoded).toHtmlEscaped());
    // After the head's start tag, else the html element's, else the document type; never before the document
    // type, which would switch the page's layout into quirks mode.
    static const QRegularExpression Openings[] = {
        QRegularExpression(QStringLiteral("<head(\\s[^>]*)?>"), QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(QStringLiteral("<html(\\s[^>]*)?>"), QRegularExpression::CaseInsensitiveOption),
        QRegularExpression(QStringLiteral("<!doctype[^>]*>"), QRegularExpression::CaseInsensitiveOption),
    };
    for (const QRegularExpression& Opening : Openings) {
        const QRegularExpressionMatch Found = Opening.match(Html);
        if (Found.hasMatch())
            return QString(Html).insert(Found.capturedEnd(), Base);
    }
    return Base + Html;
}

// The longest file name, in bytes, that the usual disks hold.
constexpr qsizetype FileNameBytes = 255;

} // namespace

QByteArray WithPdfTitle(const QByteArray& Pdf, const QString& Title)
{
    // The end of the file: "trailer <</Size n /Root r g R /Info i g R ...>> startxref offset %%EOF".
    const qsizetype StartXref = Pdf.lastIndexOf("startxref");
    const qsizetype Trailer = Pdf.lastIndexOf("trailer", StartXref);
    if (StartXref < 0 || Trailer < 0)
        return Pdf;
    const QString End = QString::fromLatin1(Pdf.mid(Trailer));
    static const QRegularExpression Size(QStringLiteral("/Size\\s+(\\d+)"));
    static const QRegularExpression Root(QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)"));
    static const QRegularExpression Info(QStringLiteral("/Info\\s+(\\d+)\\s+(\\d+)\\s+R"));
    static const QRegularExpression Xref(QStringLiteral("startxref\\s+(\\d+)"));
    const QRegularExpressionMatch SizeFound = Size.match(End);
    const QRegularExpressionMatch RootFound = Root.match(End);
    const QRegularExpressionMatch XrefFound = Xref.match(End);
    if (!SizeFound.hasMatch() || !RootFound.hasMatch() || !XrefFound.hasMatch())
        return Pdf;
    qint64 Object = SizeFound.captured(1).toLongLong();
    qint64 Generation = 0;
    qint64 NewSize = Object + 1;
    QByteArray Entries; // what the document's information said besides its title
    const QRegularExpressionMatch InfoFound = Info.match(End);
    if (InfoFound.hasMatch()) {
        // The information dictionary is written again under its own number, with the title added.
        Object = InfoFound.captured(1).toLongLong();
        Generation = InfoFound.captured(2).toLongLong();
        NewSize = SizeFound.captured(1).toLongLong();
        const QRegularExpression Start(QStringLiteral("(?<![0-9])%1\\s+%2\\s+obj\\s*<<").arg(Object).arg(Generation));
        const QRegularExpressionMatch StartFound = Start.match(QString::fromLatin1(Pdf.left(Trailer)));
        if (!StartFound.hasMatch())
            return Pdf;
        const qsizetype Close = Pdf.indexOf("endobj", StartFound.capturedEnd());
        const qsizetype DictEnd = Close < 0 ? -1 : Pdf.lastIndexOf(">>", Close);
        if (DictEnd < StartFound.capturedEnd())
            return Pdf;
        Entries = Pdf.mid(StartFound.capturedEnd(), DictEnd - StartFound.capturedEnd());
        if (Entries.contains("/Title"))
            return Pdf;
    }
    // A text string in UTF-16 with its byte-order mark, written in hexadecimal: no character needs escaping.
    QByteArray Text("FEFF");
    for (const QChar C : Title)
        Text += QByteArray::number(C.unicode(), 16).rightJustified(4, '0').toUpper();

    QByteArray Out = Pdf;
    if (!Out.endsWith('\n'))
        Out += '\n';
    const qsizetype ObjectAt = Out.size();
    Out += QByteArray::number(Object) + ' ' + QByteArray::number(Generation) + " obj\n<</Title <" + Text + ">\n" +
           Entries.trimmed() + ">>\nendobj\n";
    const qsizetype XrefAt = Out.size();
    Out += "xref\n" + QByteArray::number(Object) + " 1\n" + QByteArray::number(ObjectAt).rightJustified(10, '0') + ' ' +
           QByteArray::number(Generation).rightJustified(5, '0') + " n \n";
    Out += "trailer\n<</Size " + QByteArray::number(NewSize) + " /Root " + RootFound.captured(1).toLatin1() +
           " /Info " + QByteArray::number(Object) + ' ' + QByteArray::number(Generation) + " R /Prev " +
           XrefFound.captured(1).toLatin1() + ">>\nstartxref\n" + QByteArray::number(XrefAt) + "\n%%EOF\n";
    return Out;
}

QString ProposedPdfFileName(const QString& Title, const QString& DocumentFileName)
{
    QString Name = Title;
    if (Name.isEmpty())
        Name = QFileInfo(DocumentFileName).completeBaseName();
    if (Name.isEmpty())
        Name = QStringLiteral("Untitled");
    // "/" would name a folder; the others are refused by the disks a PDF is often written to or handed on
    // with (memory cards, shared folders).
    for (QChar& C : Name)
        if (C.unicode() < 0x20 || C.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(C))
            C = QLatin1Char('_');
    const QString Extension = QStringLiteral(".pdf");
    while (QFile::encodeName(Name + Extension).size() > FileNameBytes) {
        Name.chop(1);
        if (!Name.isEmpty() && Name.back().isHighSurrogate())
            Name.chop(1);
    }
    QString Folder;
    if (!DocumentFileName.isEmpty()) {
        Folder = QFileInfo(DocumentFileName).absolutePath();
    } else {
        const QString Home = QDir::homePath();
        Folder = QDir::currentPath();
        if (Folder != Home && !Folder.startsWith(Home + QLatin1Char('/')))
            Folder = Home;
    }
    return QDir(Folder).filePath(Name + Extension);
}

TPrintDialogHook SetPrintDialogHook(TPrintDialogHook Hook)
{
    return std::exchange(PrintDialogHook(), std::move(Hook));
}

bool ExecutePrintDialog(QWidget* Owner, QPrinter& Printer)
{
    if (const TPrintDialogHook& Hook = PrintDialogHook())
        return Hook(Printer);
    QPrintDialog Dialog(&Printer, Owner);
    return Dialog.exec() == QDialog::Accepted;
}

bool PrintHtml(const QString& Html, const QString& BasePath, QPrinter& Printer, QString& Reason)
{
    // A profile and page of their own: nothing of the design view's page (its runtime, its glyphs, its
    // highlights) takes part, and nothing of the print stays behind.
    QObject Scope;
    auto* Profile = new QWebEngineProfile(&Scope);
    const QByteArray Page = PageWithBase(Html, BasePath).toUtf8();
    TEditorNameSpace* NameSpace =
        RegisterEditNameSpace(Profile, [Page, BasePath](QObject*, const QString& URL, TEditUrlRequest& Request) {
            AnswerEditUrl(URL, Page, BasePath, Request);
        });
    std::unique_ptr<QWebEngineView> View = std::make_unique<QWebEngineView>();
    auto* WebPage = new QWebEnginePage(Profile, View.get());
    View->setPage(WebPage);
    QWebEngineSettings* Settings = WebPage->settings();
    // The page prints as the design view shows it: its own scripts do not run.
    Settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    Settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    Settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    Settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);

    auto Finish = [&](bool Result) {
        View.reset();
        UnregisterEditNameSpace(Profile, NameSpace);
        return Result;
    };

    bool Loaded = false;
    bool LoadDone = false;
    QObject::connect(WebPage, &QWebEnginePage::loadFinished, &Scope, [&](bool Ok) {
        Loaded = Ok;
        LoadDone = true;
    });
    WebPage->load(PrintPageUrl);
    if (!WaitUntil(LoadDone, EngineTimeout) || !Loaded) {
        Reason = QStringLiteral("The page could not be laid out for printing.");
        return Finish(false);
    }

    bool Done = false;
    if (Printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF is the engine's own, with its text as text; it replaces the file only when complete.
        QByteArray Pdf;
        WebPage->printToPdf(
            [&](const QByteArray& Data) {
                Pdf = Data;
                Done = true;
            },
            Printer.pageLayout(), Printer.pageRanges());
        if (!WaitUntil(Done, EngineTimeout) || Pdf.isEmpty()) {
            Reason = QStringLiteral("The engine made no pages of the document.");
            return Finish(false);
        }
        // The engine leaves the title out; the job's name is the page's title.
        if (!SaveBytesToFile(Printer.outputFileName(), WithPdfTitle(Pdf, Printer.docName()), Reason))
            return Finish(false);
        return Finish(true);
    }
    bool Printed = false;
    QObject::connect(View.get(), &QWebEngineView::printFinished, &Scope, [&](bool Ok) {
        Printed = Ok;
        Done = true;
    });
    View->print(&Printer);
    if (!WaitUntil(Done, EngineTimeout) || !Printed) {
        Reason = QStringLiteral("The printer did not take the job.");
        return Finish(false);
    }
    return Finish(true);
}

void PrintDocument(QWidget* Owner, THtmlDesigner* Designer)
{
    QString Html;
    try {
        Designer->GetHtml(Html);
    } catch (const Exception& E) {
        MessageDlg(E.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    QPrinter Printer(QPrinter::HighResolution);
    // The job is named after the document's title, as the printer queue shows it.
    static const QRegularExpression TitleElement(QStringLiteral("<title[^>]*>([^<]*)</title"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QString Title = DecodeText(TitleElement.match(Html).captured(1)).simplified();
    const QString Name = QFileInfo(Designer->FileName()).fileName();
    Printer.setDocName(!Title.isEmpty() ? Title : !Name.isEmpty() ? Name : QStringLiteral("Untitled"));
    // Left to itself the dialog proposes a PDF in the home folder named after the job cut at its last dot
    // ("Crates.io" gives "Crates.pdf"). A PDF name does not make the job a PDF: the printer chosen stays.
    const QPrinter::OutputFormat Format = Printer.outputFormat();
    Printer.setOutputFileName(ProposedPdfFileName(Title, Designer->FileName()));
    Printer.setOutputFormat(Format);
    if (!ExecutePrintDialog(Owner, Printer))
        return;
    QString Reason;
    if (!PrintHtml(Html, Designer->Filter()->BasePath(), Printer, Reason))
        MessageDlg(QStringLiteral("The document could not be printed. %1").arg(Reason), TMsgDlgType::mtError, mbOK);
}
