// Test entry for everything that needs a QApplication (widgets, the engine). CTest sets
// QT_QPA_PLATFORM=offscreen and the engine's headless switches; the program itself never does.
#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

#include "TestHooks.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists names: it must work without a display and without starting the engine.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // A developer running the binary by hand gets the same headless set-up as CTest gives it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    RunBeforeApplicationHooks();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
