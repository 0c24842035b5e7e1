// Test entry for everything that needs a QApplication (widgets, the engine). The tests run headless with the
// engine's switches for a root, GPU-less machine; these are set here, by the test runner, never by the program.
#include <QApplication>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

#include "TestHooks.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists names: it must work without a display and without starting the engine.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Settings written by a test never reach the developer's own config folder, and no two test processes
    // share one Config.ini.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    RunBeforeApplicationHooks();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
