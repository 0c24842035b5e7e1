// The synchronous bridge: answers, refusals, timeouts and the renderer's death never hang a caller.
#include <QApplication>
#include <QElapsedTimer>
#include <QWebEngineScript>
#include <QTimer>
#include <QWebEnginePage>
#include <gtest/gtest.h>
#include <csignal>
#include <memory>

#include "EnginePage.h"
#include "TestHooks.h"

namespace {

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

// The page's own script must never run in the design view: neither a script element nor a handler.
const QByteArray Page = "<html><head><script>document.documentElement.setAttribute('ran','script')</script></head>"
                        "<body contenteditable><p id=\"first\">Hello <b>world</b></p>"
                        "<img src=\"idoc:missing.gif\" onerror=\"document.documentElement.setAttribute('ran','handler')\">"
                        "</body></html>";

class EngineBridgeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Engine = new TEnginePage(Page);
        WebPage = Engine->WebPage;
        Bridge = Engine->Bridge;
    }
    static void TearDownTestSuite()
    {
        delete Engine;
        Engine = nullptr;
    }
    void SetUp() override
    {
        if (!Bridge->IsReady())
            ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html"))));
    }

    static inline TEnginePage* Engine = nullptr;
    static inline QWebEnginePage* WebPage = nullptr;
    static inline TEngineBridge* Bridge = nullptr;
};

TEST_F(EngineBridgeTest, AnswersFromTheLoadedPageAndTheRuntime)
{
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral("document.getElementById('first').textContent"), &value),
              TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toString(), QStringLiteral("Hello world"));
    ASSERT_EQ(Bridge->Invoke(QStringLiteral("body"), {}, &value), TEngineBridge::TCallResult::Ok);
    EXPECT_TRUE(value.toString().startsWith(QStringLiteral("<body contenteditable")));
    // The page's own script does not run, but the runtime's world works.
    ASSERT_EQ(Bridge->Call(QStringLiteral("typeof window.__designRuntime"), &value), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toString(), QStringLiteral("object"));
    ASSERT_EQ(Bridge->Call(QStringLiteral("document.images[0].complete"), &value), TEngineBridge::TCallResult::Ok);
    EXPECT_TRUE(value.toBool()); // the broken picture has been tried
    ASSERT_EQ(Bridge->Call(QStringLiteral("document.documentElement.getAttribute('ran')"), &value),
              TEngineBridge::TCallResult::Ok);
    EXPECT_TRUE(value.isNull()) << value.toString().toStdString();
}

// The host's first call on a page rides with the runtime's start: its answer comes with the load, and a
// first call that fails leaves the page loaded and usable.
TEST_F(EngineBridgeTest, ALoadBringsTheAnswerOfItsFirstCallAndAFailingOneStillLoadsThePage)
{
    const QUrl url(QStringLiteral("idoc:index.html"));
    QVariant first;
    ASSERT_TRUE(Bridge->Load(url, QStringLiteral("opened"), {QStringLiteral("p{}")}, &first));
    QVariant body;
    ASSERT_EQ(Bridge->Invoke(QStringLiteral("body"), {}, &body), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(first.toMap().value(QStringLiteral("text")).toString(), body.toString());
    EXPECT_GT(first.toMap().value(QStringLiteral("serial")).toLongLong(), 0);

    first = 42;
    ASSERT_TRUE(Bridge->Load(url, QStringLiteral("element"), {999999, QStringLiteral("outerHTML")}, &first));
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(Bridge->IsReady());
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral("document.getElementById('first').textContent"), &value),
              TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toString(), QStringLiteral("Hello world"));
}

TEST_F(EngineBridgeTest, AScriptErrorIsAFailureNotAValue)
{
    QVariant value = 42;
    EXPECT_EQ(Bridge->Invoke(QStringLiteral("element"), {999999, QStringLiteral("outerHTML")}, &value),
              TEngineBridge::TCallResult::ScriptFailed);
    EXPECT_EQ(value.toInt(), 42);
}

TEST_F(EngineBridgeTest, ACallInsideAWaitIsRefused)
{
    TEngineBridge::TCallResult inner = TEngineBridge::TCallResult::Ok;
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        inner = Bridge->Call(QStringLiteral("1"));
    });
    // A call long enough for the timer to fire while it waits.
    ASSERT_EQ(Bridge->Call(QStringLiteral("(function(){const t=Date.now();while(Date.now()-t<100);return 1;})()")),
              TEngineBridge::TCallResult::Ok);
    QApplication::processEvents();
    ASSERT_TRUE(ran);
    EXPECT_EQ(inner, TEngineBridge::TCallResult::Refused);
}

TEST_F(EngineBridgeTest, ALateAnswerAfterATimeoutIsDroppedAndTheNextCallWorks)
{
    EXPECT_EQ(Bridge->Call(QStringLiteral("(function(){const t=Date.now();while(Date.now()-t<200);return 1;})()"),
                           nullptr, 20),
              TEngineBridge::TCallResult::TimedOut);
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral("6*7"), &value), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toInt(), 42);
}

TEST_F(EngineBridgeTest, TheRendererDyingEndsTheWait)
{
    const qint64 pid = WebPage->renderProcessPid();
    ASSERT_GT(pid, 0);
    QTimer::singleShot(100, [pid] { ::kill(pid_t(pid), SIGKILL); });
    const auto result =
        Bridge->Call(QStringLiteral("(function(){const t=Date.now();while(Date.now()-t<30000);return 1;})()"), nullptr,
                     30000);
    EXPECT_EQ(result, TEngineBridge::TCallResult::RendererDied);
    EXPECT_FALSE(Bridge->IsReady());
    // A new load brings the page back.
    ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html"))));
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral("document.body.textContent"), &value), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toString(), QStringLiteral("Hello world"));
}

TEST_F(EngineBridgeTest, AHandlerGetsItsAnswerWhileTheEngineHoldsMoreMessages)
{
    // Messages that arrive together are handed out by one queued delivery, and the engine holds the rest
    // as work of its own queued behind it: a call made by the handler of the first (as a double-click
    // opens a dialog) must still be answered, not wait for the next key or press to stir the engine.
    int seen = 0;
    TEngineBridge::TCallResult result = TEngineBridge::TCallResult::Refused;
    QVariant value;
    const QMetaObject::Connection connection =
        QObject::connect(Bridge, &TEngineBridge::Message, [&](const QString&, const QVariantMap& Payload) {
            if (Payload.value(QStringLiteral("type")) != QLatin1String("burst"))
                return;
            if (seen++ == 0)
                result = Bridge->Call(QStringLiteral("6*7"), &value, 5000);
        });
    WebPage->runJavaScript(QStringLiteral("for (let i = 0; i < 8; ++i) window.__designRuntime.internal.send('event', "
                                          "{type: 'burst', element: null});"),
                           QWebEngineScript::ApplicationWorld);
    QElapsedTimer clock;
    clock.start();
    while (seen < 8 && clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(connection);
    EXPECT_EQ(seen, 8);
    EXPECT_EQ(result, TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(value.toInt(), 42);
}

TEST_F(EngineBridgeTest, ALoadOfAMissingPageFails)
{
    EXPECT_FALSE(Bridge->Load(QUrl(QStringLiteral("idoc:missing.html")), 20000));
    EXPECT_FALSE(Bridge->IsReady());
}

} // namespace
