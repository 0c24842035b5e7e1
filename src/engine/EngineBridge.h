#pragma once
// The synchronous bridge between the design view and the page-side runtime. The engine runs in another
// process and answers asynchronously; the design view's logic expects answers at once. Every call here
// waits for its answer in a local event loop that takes no user input, ends on a timeout or when the
// renderer dies, and refuses to start while another wait is running.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <deque>
#include <functional>
#include <memory>

class QEventLoop;
class QWebChannel;
#include <QWebEnginePage>

// What the runtime last reported about the page: read by the many toolbar queries without a round trip.
struct TEngineState
{
    qint64 Serial = 0;
    int Selection = 0;            // 0 none, 1 control, 2 text
    QVariantMap Control;          // token, tag, id of the selected control; empty when none
    QHash<QString, int> Commands; // command name -> flags 1 supported, 2 enabled, 4 latched
    // The selection's values that go with the command states: "formatBlock", "fontName", "fontSize".
    QVariantMap Values;
    // False when the last snapshot came without command states (they were not current in the page):
    // Commands and Values then hold older states and must be asked for again.
    bool CommandsCurrent = false;
    int UndoCount = 0;
    int RedoCount = 0;
    // Counts the changes of the page's body since it was loaded.
    qint64 Version = 0;
};

// The object that the runtime reaches through the web channel; its messages go to the bridge.
class TEngineHost : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE void Receive(const QString& Kind, const QVariantMap& Payload);

signals:
    void Received(const QString& Kind, const QVariantMap& Payload);
};

class TEngineBridge : public QObject
{
    Q_OBJECT
public:
    enum class TCallResult { Ok, Refused, TimedOut, RendererDied, ScriptFailed };

    explicit TEngineBridge(QWebEnginePage* Page, QObject* Parent = nullptr);
    ~TEngineBridge() override;

    QWebEnginePage* Page() const { return FPage; }

    // Navigates to Url and waits for that navigation's own completion and the runtime's start.
    bool Load(const QUrl& Url, int TimeoutMs = 60000);
    // The same, calling the runtime function FirstCall with Arguments in the round trip that starts the
    // runtime: FirstAnswer gets its value (null when the page was loaded but the call failed).
    bool Load(const QUrl& Url, const QString& FirstCall, const QVariantList& Arguments, QVariant* FirstAnswer,
              int TimeoutMs = 60000);
    bool IsLoading() const { return FLoading; }
    bool IsReady() const { return FReady; }
    // True from the death of the page's process until the next load.
    bool RendererIsDead() const { return FRendererDied; }
    // Increases with every load; element tokens of an older page are refused.
    qint64 Generation() const { return FGeneration; }

    // Runs Script in the runtime's world and waits for its value.
    TCallResult Call(const QString& Script, QVariant* Result = nullptr, int TimeoutMs = 10000);
    // Calls the runtime function Name with Arguments (turned into JSON). Answers of the form
    // {result, state} update the state cache and give result.
    TCallResult Invoke(const QString& Name, const QVariantList& Arguments, QVariant* Result = nullptr,
                       int TimeoutMs = 10000);
    bool IsBusy() const { return FWaiting; }
    // Calls the runtime function Name without waiting: Done gets the value when (and only if) it arrives
    // from the page it was asked of.
    void InvokeLater(const QString& Name, const QVariantList& Arguments, std::function<void(const QVariant&)> Done);

    const TEngineState& State() const { return FState; }
    // Calls made so far, and whether the last of them answered with a state snapshot: when it did, State()
    // is at least as new as that call and need not be asked for again.
    qint64 CallCount() const { return FCallCount; }
    bool StateFollowsLastCall() const { return FStateCall == FCallCount; }
    void UpdateState(const QVariantMap& Snapshot);
    // Asks the runtime for a fresh snapshot, with current command states when WithCommands is set (dear on
    // a large selection); false when the page does not answer.
    bool RefreshState(bool WithCommands = false);

    static QString RuntimeSource();

signals:
    // A message of the runtime ("event", "report", "change", "selection"), delivered outside any wait.
    void Message(const QString& Kind, const QVariantMap& Payload);
    // The page reported a change of its body (its change count moved).
    void PageChanged();
    // The page's process ended without being asked to (it crashed, was killed or ran out of memory):
    // the page is gone until the next load.
    void RendererDied();

private:
    enum class TLoadResult { Ready, Refused, NavigationFailed, NoRuntime, Died };
    TLoadResult LoadOnce(const QUrl& Url, const QVariantList& Ready, QVariant* FirstAnswer, int TimeoutMs);
    bool Wait(int TimeoutMs, const std::function<bool()>& Done);
    void OnHostMessage(const QString& Kind, const QVariantMap& Payload);
    void DeliverQueued();

    QPointer<QWebEnginePage> FPage;
    QWebChannel* FChannel;
    TEngineHost* FHost;
    QEventLoop* FLoop = nullptr;
    bool FWaiting = false;
    bool FRendererDied = false;
    bool FLoading = false;
    bool FReady = false;
    qint64 FGeneration = 0;
    // Navigation tracking: a load completes only after it has been seen to start.
    bool FLoadStarted = false;
    bool FLoadFinished = false;
    bool FLoadOk = false;
    bool FLoadAfterDeath = false;
    TEngineState FState;
    qint64 FCallCount = 0;
    qint64 FStateCall = -1;
    std::deque<std::pair<QString, QVariantMap>> FQueued;
    bool FDeliveryScheduled = false;
};
