#include "ShellApi.h"

#include <QDesktopServices>
#include <utility>

namespace {

TShellOpenHook& ShellOpenHook()
{
    static TShellOpenHook hook;
    return hook;
}

} // namespace

bool ShellOpen(const QUrl& url)
{
    if (const TShellOpenHook& hook = ShellOpenHook())
        return hook(url);
    return QDesktopServices::openUrl(url);
}

TShellOpenHook SetShellOpenHook(TShellOpenHook hook)
{
    return std::exchange(ShellOpenHook(), std::move(hook));
}
