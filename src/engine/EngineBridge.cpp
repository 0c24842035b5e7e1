#include "EngineBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include "NameSpace.h"

namespace {
constexpr quint32 RuntimeWorld = QWebEngineScript::ApplicationWorld;
}

void TEngineHost::Receive(const QString& Kind, const QVariantMap& Payload)
{
    emit Received(Kind, Payload);
}

QString TEngineBridge::RuntimeSource()
{
    static const QString source = [] {
        RegisterEditorSchemes(); // makes sure our resources are linked in
        QString text;
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        if (channel.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(channel.readAll()) + QLatin1Char('\n');
        // The design runtime first; the parts kept in files of their own extend it.
        for (const char* name : {":/designview/designruntime.js", ":/designview/spellruntime.js",
                                 ":/designview/tableruntime.js", ":/designview/bodytextruntime.js"}) {
            QFile runtime(QString::fromLatin1(name));
            if (runtime.open(QIODevice::ReadOnly))
                text += QString::fromUtf8(runtime.readAll()) + QLatin1Char('\n');
        }
        return text;
    }();
    return source;
}

TEngineBridge::TEngineBridge(QWebEnginePage* Page, QObject* Parent)
    : QObject(Parent), FPage(Page), FChannel(new QWebChannel(this)), FHost(new TEngineHost(this))
{
    QWebEngineScript script;
    script.setName(QStringLiteral("designruntime"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(RuntimeWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(RuntimeSource());
    Page->scripts().insert(script);

    FChannel->registerObject(QStringLiteral("host"), FHost);
    Page->setWebChannel(FChannel, RuntimeWorld);
    connect(FHost, &TEngineHost::Received, this, &TEngineBridge::OnHostMessage);

    connect(Page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (!FLoading)
            return;
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            FLoadStarted = true;
            return;
        }
        // The end of an earlier navigation, unless the page's process died under it: the engine then
        // reports the next load's success without its start.
        if (!FLoadStarted &&
            !(FLoadAfterDeath && info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage()))
            return;
        FLoadFinished = true;
        FLoadOk = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage();
        if (FLoop)
            FLoop->quit();
    });
    connect(Page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus Status) {
                if (Status == QWebEnginePage::NormalTerminationStatus)
                    return;
                FRendererDied = true;
                FReady = false;
                if (FLoop)
                    FLoop->quit();
                // Told outside any wait, as the runtime's messages are.
                QTimer::singleShot(0, this, [this] { emit RendererDied(); });
            });
}

TEngineBridge::~TEngineBridge()
{
    if (FLoop)
        FLoop->quit();
}

bool TEngineBridge::Wait(int TimeoutMs, const std::function<bool()>& Done)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(TimeoutMs);
    FLoop = &loop;
    FWaiting = true;
    // A wait that starts inside a queued delivery (a runtime message, a queued slot) may have the engine's
    // own work queued behind that delivery in the same pass; the main loop has already counted it as
    // handled, so a nested loop would sleep over it until some other event arrived (the next key or
    // press), and the answer with it. It is handed out first.
    QCoreApplication::sendPostedEvents();
    while (!Done() && !FRendererDied && timer.isActive())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    FLoop = nullptr;
    FWaiting = false;
    if (!FQueued.empty())
        DeliverQueued();
    return Done();
}

bool TEngineBridge::Load(const QUrl& Url, int TimeoutMs)
{
    return Load(Url, QString(), {}, nullptr, TimeoutMs);
}

bool TEngineBridge::Load(const QUrl& Url, const QString& FirstCall, const QVariantList& Arguments,
                         QVariant* FirstAnswer, int TimeoutMs)
{
    const QVariantList ready = FirstCall.isEmpty() ? QVariantList() : QVariantList{FirstCall, Arguments};
    // After the death of the page's process the engine may report the end of the navigation that the
    // death broke as this load's: one more load, with no death before it, settles it.
    const bool afterDeath = FRendererDied;
    const TLoadResult result = LoadOnce(Url, ready, FirstAnswer, TimeoutMs);
    if (afterDeath && (result == TLoadResult::NavigationFailed || result == TLoadResult::NoRuntime) && !FRendererDied)
        return LoadOnce(Url, ready, FirstAnswer, TimeoutMs) == TLoadResult::Ready;
    return result == TLoadResult::Ready;
}

TEngineBridge::TLoadResult TEngineBridge::LoadOnce(const QUrl& Url, const QVariantList& Ready, QVariant* FirstAnswer,
                                                   int TimeoutMs)
{
    if (FirstAnswer)
        *FirstAnswer = QVariant();
    if (FWaiting || !FPage)
        return TLoadResult::Refused;
    ++FGeneration;
    FReady = false;
    FLoadAfterDeath = FRendererDied;
    FRendererDied = false;
    FLoading = true;
    FLoadStarted = false;
    FLoadFinished = false;
    FLoadOk = false;
    FQueued.clear();
    FState = TEngineState();
    FStateCall = -1;
    FPage->load(Url);
    Wait(TimeoutMs, [this] { return FLoadFinished; });
    FLoading = false;
    if (FRendererDied)
        return TLoadResult::Died;
    if (!FLoadFinished || !FLoadOk)
        return TLoadResult::NavigationFailed;
    QVariant answer;
    TCallResult ready = Invoke(QStringLiteral("ready"), Ready, &answer);
    if (ready == TCallResult::ScriptFailed) {
        // A page process started after the death of the last one sometimes lacks the runtime that the
        // page's script collection should have put in from the document's creation: it goes in now.
        if (Call(RuntimeSource()) != TCallResult::Ok)
            return TLoadResult::Died;
        ready = Invoke(QStringLiteral("ready"), Ready, &answer);
        if (ready == TCallResult::ScriptFailed)
            return TLoadResult::NoRuntime;
    }
    if (ready != TCallResult::Ok)
        return TLoadResult::Died;
    const QVariantMap started = answer.toMap();
    FReady = started.value(QStringLiteral("ready")).toBool();
    UpdateState(started.value(QStringLiteral("state")).toMap());
    if (FirstAnswer)
        *FirstAnswer = started.value(QStringLiteral("first"));
    return FReady ? TLoadResult::Ready : TLoadResult::NoRuntime;
}

TEngineBridge::TCallResult TEngineBridge::Call(const QString& Script, QVariant* Result, int TimeoutMs)
{
    if (FWaiting || !FPage)
        return TCallResult::Refused;
    if (FRendererDied)
        return TCallResult::RendererDied;
    // The answer may arrive after we gave up waiting: it then goes to this shared slot, not to our stack.
    struct TAnswer
    {
        bool Arrived = false;
        QVariant Value;
    };
    auto answer = std::make_shared<TAnswer>();
    ++FCallCount;
    QPointer<TEngineBridge> self(this);
    FPage->runJavaScript(Script, RuntimeWorld, [answer, self](const QVariant& value) {
        answer->Arrived = true;
        answer->Value = value;
        if (self && self->FLoop)
            self->FLoop->quit();
    });
    const bool arrived = Wait(TimeoutMs, [answer] { return answer->Arrived; });
    if (!arrived)
        return FRendererDied ? TCallResult::RendererDied : TCallResult::TimedOut;
    if (Result)
        *Result = answer->Value;
    return TCallResult::Ok;
}

namespace {

QString InvokeScript(const QString& Name, const QVariantList& Arguments)
{
    const QString arguments =
        QString::fromUtf8(QJsonDocument(QJsonArray::fromVariantList(Arguments)).toJson(QJsonDocument::Compact));
    return QStringLiteral("(function(){try{return{ok:true,value:window.__designRuntime.") + Name +
           QStringLiteral(".apply(null,") + arguments +
           QStringLiteral(")};}catch(e){return{ok:false,error:String(e)};}})()");
}

} // namespace

void TEngineBridge::InvokeLater(const QString& Name, const QVariantList& Arguments,
                                std::function<void(const QVariant&)> Done)
{
    if (!FPage || !FReady)
        return;
    QPointer<TEngineBridge> self(this);
    const qint64 generation = FGeneration;
    FPage->runJavaScript(InvokeScript(Name, Arguments), RuntimeWorld, [self, generation, Done](const QVariant& raw) {
        const QVariantMap answer = raw.toMap();
        if (self && self->FGeneration == generation && self->FReady && answer.value(QStringLiteral("ok")).toBool())
            Done(answer.value(QStringLiteral("value")));
    });
}

TEngineBridge::TCallResult TEngineBridge::Invoke(const QString& Name, const QVariantList& Arguments, QVariant* Result,
                                                 int TimeoutMs)
{
    const QString script = InvokeScript(Name, Arguments);
    QVariant raw;
    const TCallResult result = Call(script, &raw, TimeoutMs);
    if (result != TCallResult::Ok)
        return result;
    const QVariantMap answer = raw.toMap();
    if (!answer.value(QStringLiteral("ok")).toBool())
        return TCallResult::ScriptFailed;
    QVariant value = answer.value(QStringLiteral("value"));
    const QVariantMap map = value.toMap();
    if (map.contains(QStringLiteral("state")) && map.contains(QStringLiteral("result"))) {
        UpdateState(map.value(QStringLiteral("state")).toMap());
        FStateCall = FCallCount;
        value = map.value(QStringLiteral("result"));
    }
    if (Result)
        *Result = value;
    return TCallResult::Ok;
}

void TEngineBridge::UpdateState(const QVariantMap& Snapshot)
{
    const qint64 serial = Snapshot.value(QStringLiteral("serial")).toLongLong();
    // Snapshots travel on two roads (call answers and channel messages): never go back to an older one.
    if (Snapshot.isEmpty() || serial < FState.Serial)
        return;
    FState.Serial = serial;
    FState.Selection = Snapshot.value(QStringLiteral("selection")).toInt();
    FState.Control = Snapshot.value(QStringLiteral("control")).toMap();
    FState.UndoCount = Snapshot.value(QStringLiteral("undo")).toInt();
    FState.RedoCount = Snapshot.value(QStringLiteral("redo")).toInt();
    const qint64 version = Snapshot.value(QStringLiteral("version")).toLongLong();
    if (version != FState.Version) {
        FState.Version = version;
        emit PageChanged();
    }
    FState.CommandsCurrent = Snapshot.contains(QStringLiteral("commands"));
    if (!FState.CommandsCurrent)
        return;
    FState.Commands.clear();
    const QVariantMap commands = Snapshot.value(QStringLiteral("commands")).toMap();
    for (auto it = commands.cbegin(); it != commands.cend(); ++it)
        FState.Commands.insert(it.key(), it.value().toInt());
    FState.Values = Snapshot.value(QStringLiteral("values")).toMap();
}

bool TEngineBridge::RefreshState(bool WithCommands)
{
    QVariant state;
    if (!FReady || Invoke(QStringLiteral("state"), {WithCommands}, &state) != TCallResult::Ok)
        return false;
    UpdateState(state.toMap());
    FStateCall = FCallCount;
    return true;
}

void TEngineBridge::OnHostMessage(const QString& Kind, const QVariantMap& Payload)
{
    // Messages of an older page may still be in flight after a new load started.
    if (FLoading)
        return;
    UpdateState(Payload.value(QStringLiteral("state")).toMap());
    FQueued.emplace_back(Kind, Payload);
    if (!FWaiting)
        DeliverQueued();
}

void TEngineBridge::DeliverQueued()
{
    // Handlers may call into the engine again; they run outside any wait, one message after the other.
    if (FDeliveryScheduled)
        return;
    FDeliveryScheduled = true;
    QTimer::singleShot(0, this, [this] {
        FDeliveryScheduled = false;
        while (!FQueued.empty() && !FWaiting) {
            auto message = std::move(FQueued.front());
            FQueued.pop_front();
            emit Message(message.first, message.second);
        }
        if (!FQueued.empty() && !FWaiting)
            DeliverQueued();
    });
}
