#pragma once
// Opening a file or an address with the program the desktop chooses for it. A caller that must not start
// another program (a script, a test) puts its own routine in its place with the hook.
#include <QUrl>
#include <functional>

// Asks the desktop to open the address; true when it accepted.
bool ShellOpen(const QUrl& url);

using TShellOpenHook = std::function<bool(const QUrl& url)>;
// Replaces the desktop's opening; an empty hook restores it. Returns the hook that was in place.
TShellOpenHook SetShellOpenHook(TShellOpenHook hook);
