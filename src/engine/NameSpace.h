#pragma once
// The "edit:" and "idoc:" URL namespace of the design view. The engine asks a scheme handler for every URL
// of these schemes; the handler does no lookup of its own and hands each URL to one data callback (the
// design view's GetEditUrlData), which fills a request with the answer.
#include <QByteArray>
#include <QString>
#include <QWebEngineUrlSchemeHandler>
#include <functional>

class QWebEngineProfile;

// One request of the namespace: the answer is either bytes in memory (Data) or a regular file that is
// streamed to the engine (FileName). Size is the answer's length; Handled tells whether the URL was found.
struct TEditUrlRequest
{
    QByteArray Data;
    QString FileName;
    QString MimeType;
    qint64 Size = 0;
    bool Handled = false;
};

using TEditUrlDataCallback = std::function<void(QObject* Sender, const QString& URL, TEditUrlRequest& Request)>;

// Registers the two schemes with the engine. Must run once before the QApplication exists.
void RegisterEditorSchemes();

// The namespace's answer to URL: "idoc:index.html" is DesignText, other "idoc:" URLs are files below
// BasePath, "edit:NAME.gif" are the placeholder pictures. URL is taken exactly as the engine passed it.
void AnswerEditUrl(const QString& URL, const QByteArray& DesignText, const QString& BasePath, TEditUrlRequest& Request);

// Copies the placeholder picture Name ("comment", "trans", ...) into Request; false when there is none.
bool LoadGlyphResource(const QString& Name, TEditUrlRequest& Request);

// A style sheet for the design page: the placeholders drawn as a picture behind a transparent image (an
// object, an applet, a marquee, an image that is missing, remote or absolute) take the size of that
// picture where they have no width or height of their own; the transparent image alone is one pixel, too
// small to see, to double-click or to take hold of.
QString PlaceholderSizeSheet();

// Serves the requests of one profile through the stored callback.
class TEditorNameSpace : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    explicit TEditorNameSpace(TEditUrlDataCallback Callback, QObject* Parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* Job) override;

private:
    TEditUrlDataCallback FCallback;
};

// Installs a namespace with Callback on Profile for "edit" and "idoc"; Unregister removes both again.
TEditorNameSpace* RegisterEditNameSpace(QWebEngineProfile* Profile, TEditUrlDataCallback Callback);
void UnregisterEditNameSpace(QWebEngineProfile* Profile, TEditorNameSpace* NameSpace);
