#pragma once
// Runs work on a thread with a small stack (256 KiB), so code that recursed once per tree level would
// overflow it long before the 100,000th level, in any build.
#include <QThread>
#include <functional>
#include <memory>

inline void RunWithSmallStack(const std::function<void()>& work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->setStackSize(256 * 1024);
    thread->start();
    thread->wait();
}
