// Test entry for everything that needs a QApplication (widgets, the engine). The test runner sets
// QT_QPA_PLATFORM=offscreen and the engine's headless switches; the program itself never does.
#include <QApplication>
#include <gtest/gtest.h>

#include "TestHooks.h"

int main(int argc, char** argv)
{
    RunBeforeApplicationHooks();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
