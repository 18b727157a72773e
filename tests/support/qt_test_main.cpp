#include <QApplication>

#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testsupport::UseScratchDataFolder();
    // Windows tests never need a display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
