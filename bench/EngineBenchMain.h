#pragma once
// The entry point the benchmarks of the design view share: the engine runs headless unless told otherwise,
// as in the tests, in an application that knows the editor's URL schemes.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>

#include "NameSpace.h"

// Runs the benchmarks the command line names; Done runs after them while the application still exists,
// the place to free the fixture's views.
inline int RunEngineBenchmarks(int argc, char** argv, const std::function<void()>& Done)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    RegisterEditorSchemes();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Done();
    return 0;
}
