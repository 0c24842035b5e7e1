#pragma once
// Work that must happen before the QApplication exists (for example registering URL schemes with the
// engine). A test file registers a hook with a static TBeforeApplicationHook object.
#include <functional>
#include <vector>

inline std::vector<std::function<void()>>& BeforeApplicationHooks()
{
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

inline void RunBeforeApplicationHooks()
{
    for (auto& hook : BeforeApplicationHooks())
        hook();
}

struct TBeforeApplicationHook
{
    explicit TBeforeApplicationHook(std::function<void()> hook) { BeforeApplicationHooks().push_back(std::move(hook)); }
};
