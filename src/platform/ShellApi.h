#pragma once
// Opening a file or an address with the program the desktop chooses for it. A caller that must not start
// another program (a script, a test) puts its own routine in its place with the hook.
#include <QString>
#include <QUrl>
#include <functional>

// Asks the desktop to open the address; true when it accepted. When it did not, Reason (when given)
// holds what the desktop said about it.
bool ShellOpen(const QUrl& url, QString* Reason = nullptr);
// Asks the desktop to open the address and, when it cannot, tells the user which file or address and why.
bool ShellOpenOrTell(const QUrl& url);

using TShellOpenHook = std::function<bool(const QUrl& url)>;
// Replaces the desktop's opening; an empty hook restores it. Returns the hook that was in place. What the
// hook warns of (qWarning) while refusing is the reason told.
TShellOpenHook SetShellOpenHook(TShellOpenHook hook);
