#include "NameSpace.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <array>
#include <sys/stat.h>

static void InitDesignViewResources()
{
    // The resources live in a static library: pull them in explicitly.
    Q_INIT_RESOURCE(designview);
}

namespace {

constexpr std::array<const char*, 26> PlaceholderNames = {
    "absolute", "activex", "anchor",  "applet",   "asp",   "basefont", "bgsound",   "broken",    "comment",
    "embed",    "flash",   "hidden",  "isindex",  "map",   "marquee",  "mplayer",   "noframes",  "noscript",
    "php",      "quicktime", "real",  "remote",   "script", "scriptfile", "trans",  "unknown"};

const QString DesignPageUrl = QStringLiteral("idoc:index.html");

// Only a regular file is served: a folder, a device or a pipe would block or make no sense as a picture.
bool IsRegularFile(const QString& FileName)
{
    struct stat info;
    const QByteArray native = QFile::encodeName(FileName);
    return ::stat(native.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

void RegisterEditorSchemes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    InitDesignViewResources();
    QWebEngineUrlScheme idoc("idoc");
    idoc.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    idoc.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(idoc);
    QWebEngineUrlScheme edit("edit");
    edit.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    edit.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(edit);
}

bool LoadGlyphResource(const QString& Name, TEditUrlRequest& Request)
{
    InitDesignViewResources();
    QFile file(QStringLiteral(":/designview/edit/") + Name + QStringLiteral(".gif"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    Request.Data = file.readAll();
    Request.Size = Request.Data.size();
    Request.MimeType = QStringLiteral("image/gif");
    Request.Handled = true;
    return true;
}

QString PlaceholderSizeSheet()
{
    static const QString sheet = [] {
        QString css;
        for (const char* kind : {"applet", "flash", "mplayer", "quicktime", "real", "activex", "marquee", "broken",
                                 "remote", "absolute"}) {
            TEditUrlRequest picture;
            // The size stands in the GIF header: "GIF89a", then width and height, two bytes each, low first.
            if (!LoadGlyphResource(QLatin1String(kind), picture) || picture.Data.size() < 10)
                continue;
            const auto word = [&picture](int at) {
                return int(quint8(picture.Data[at])) | int(quint8(picture.Data[at + 1])) << 8;
            };
            css += QStringLiteral("img.dsgn_%1:not([width]){width:%2px}img.dsgn_%1:not([height]){height:%3px}\n")
                       .arg(QLatin1String(kind))
                       .arg(word(6))
                       .arg(word(8));
        }
        return css;
    }();
    return sheet;
}

void AnswerEditUrl(const QString& URL, const QByteArray& DesignText, const QString& BasePath, TEditUrlRequest& Request)
{
    if (URL.isEmpty())
        return;
    const QString scheme = URL.left(4);
    if (scheme == QLatin1String("edit")) {
        // The sixth character picks the candidates; only lower-case "a" to "u" start a picture name.
        if (URL.size() < 6)
            return;
        const QChar first = URL.at(5);
        if (first < QLatin1Char('a') || first > QLatin1Char('u'))
            return;
        for (const char* name : PlaceholderNames) {
            if (QLatin1Char(name[0]) != first)
                continue;
            const QString candidate = QStringLiteral("edit:") + QLatin1String(name) + QStringLiteral(".gif");
            if (URL.compare(candidate, Qt::CaseInsensitive) == 0) {
                LoadGlyphResource(QLatin1String(name), Request);
                return;
            }
        }
        return;
    }
    if (scheme != QLatin1String("idoc"))
        return;
    if (URL.compare(DesignPageUrl, Qt::CaseInsensitive) == 0) {
        Request.Data = DesignText;
        Request.Size = DesignText.size();
        Request.MimeType = QStringLiteral("text/html;charset=utf-8");
        Request.Handled = true;
        return;
    }
    // Any other idoc: URL is a file beside the document, named exactly as written (no decoding). When no
    // file has that name, the address is read as a browser reads a file address: a sheet linked as
    // "theme.css?2022.1" (a version tag, as documentation generators write) or "my%20theme.css" names
    // the file "theme.css" or "my theme.css".
    QString fileName = BasePath + URL.mid(5);
    if (!IsRegularFile(fileName)) {
        QString path = URL.mid(5);
        const qsizetype end = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (end >= 0)
            path.truncate(end);
        path = QUrl::fromPercentEncoding(path.toUtf8());
        if (path == URL.mid(5) || !IsRegularFile(BasePath + path))
            return;
        fileName = BasePath + path;
    }
    Request.FileName = fileName;
    Request.Size = QFileInfo(fileName).size();
    Request.MimeType = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension).name();
    Request.Handled = true;
}

TEditorNameSpace::TEditorNameSpace(TEditUrlDataCallback Callback, QObject* Parent)
    : QWebEngineUrlSchemeHandler(Parent), FCallback(std::move(Callback))
{
}

void TEditorNameSpace::requestStarted(QWebEngineUrlRequestJob* Job)
{
    TEditUrlRequest request;
    // The URL exactly as the engine gives it: percent escapes stay as they are.
    const QString url = Job->requestUrl().toString(QUrl::FullyEncoded);
    if (FCallback)
        FCallback(this, url, request);
    if (!request.Handled) {
        Job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QByteArray mime = request.MimeType.isEmpty() ? QByteArrayLiteral("application/octet-stream")
                                                       : request.MimeType.toLatin1();
    if (!request.FileName.isEmpty()) {
        auto* file = new QFile(request.FileName, Job);
        if (!file->open(QIODevice::ReadOnly)) {
            Job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        Job->reply(mime, file);
        return;
    }
    auto* buffer = new QBuffer(Job);
    buffer->setData(request.Data);
    buffer->open(QIODevice::ReadOnly);
    Job->reply(mime, buffer);
}

TEditorNameSpace* RegisterEditNameSpace(QWebEngineProfile* Profile, TEditUrlDataCallback Callback)
{
    auto* nameSpace = new TEditorNameSpace(std::move(Callback), Profile);
    Profile->installUrlSchemeHandler("edit", nameSpace);
    Profile->installUrlSchemeHandler("idoc", nameSpace);
    return nameSpace;
}

void UnregisterEditNameSpace(QWebEngineProfile* Profile, TEditorNameSpace* NameSpace)
{
    if (!Profile || !NameSpace)
        return;
    Profile->removeUrlSchemeHandler(NameSpace);
}
