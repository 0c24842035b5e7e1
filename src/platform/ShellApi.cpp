#include "ShellApi.h"

#include "Dialogs.h"

#include <QDesktopServices>
#include <QtGlobal>
#include <utility>

namespace {

TShellOpenHook& ShellOpenHook()
{
    static TShellOpenHook hook;
    return hook;
}

// The desktop gives its reason for a refusal only as a warning ("Unable to detect a launcher for ...");
// while it is asked, warnings are kept as well as passed on.
QString* CapturedWarnings = nullptr;
QtMessageHandler PassedOn = nullptr;

void CaptureWarning(QtMsgType Type, const QMessageLogContext& Context, const QString& Message)
{
    if (CapturedWarnings && Type >= QtWarningMsg)
        *CapturedWarnings = Message.trimmed();
    if (PassedOn)
        PassedOn(Type, Context, Message);
}

const char* const NoOpener = "The desktop has no program to open it.";

} // namespace

bool ShellOpen(const QUrl& url, QString* Reason)
{
    QString said;
    CapturedWarnings = &said;
    PassedOn = qInstallMessageHandler(CaptureWarning);
    const TShellOpenHook& hook = ShellOpenHook();
    const bool opened = hook ? hook(url) : QDesktopServices::openUrl(url);
    qInstallMessageHandler(PassedOn);
    CapturedWarnings = nullptr;
    PassedOn = nullptr;
    if (!opened && Reason)
        *Reason = said.isEmpty() ? QString::fromLatin1(NoOpener) : said;
    return opened;
}

bool ShellOpenOrTell(const QUrl& url)
{
    QString reason;
    if (ShellOpen(url, &reason))
        return true;
    const QString name = url.isLocalFile() ? url.toLocalFile() : url.toString();
    MessageDlg(QStringLiteral("Cannot open \"%1\". %2").arg(name, reason), TMsgDlgType::mtError, mbOK);
    return false;
}

TShellOpenHook SetShellOpenHook(TShellOpenHook hook)
{
    return std::exchange(ShellOpenHook(), std::move(hook));
}
