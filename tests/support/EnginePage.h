#pragma once
// A bare engine page that serves one fixed design page as "idoc:index.html", with the bridge over it, for
// the tests of the engine layer. Starting the engine is the slow part: a suite shares one.
#include <QByteArray>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <memory>

#include "EngineBridge.h"
#include "NameSpace.h"

struct TEnginePage
{
    QWebEngineProfile* Profile = nullptr;
    TEditorNameSpace* NameSpace = nullptr;
    QWebEnginePage* WebPage = nullptr;
    TEngineBridge* Bridge = nullptr;
    // The page served; a test may put another in its place before the next load.
    std::shared_ptr<QByteArray> Served;

    explicit TEnginePage(const QByteArray& Page) : Served(std::make_shared<QByteArray>(Page))
    {
        Profile = new QWebEngineProfile();
        NameSpace = RegisterEditNameSpace(Profile, [page = Served](QObject*, const QString& url, TEditUrlRequest& request) {
            AnswerEditUrl(url, *page, QString(), request);
        });
        WebPage = new QWebEnginePage(Profile);
        WebPage->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        Bridge = new TEngineBridge(WebPage);
    }
    ~TEnginePage()
    {
        delete Bridge;
        delete WebPage;
        delete Profile;
    }
    TEnginePage(const TEnginePage&) = delete;
    TEnginePage& operator=(const TEnginePage&) = delete;
};
