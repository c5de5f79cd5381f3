// SPDX-License-Identifier: MIT
// Runs the Qt adapter's tests inside a QApplication on Qt's offscreen platform,
// so that they need no display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Set before the application exists, also when ctest lists the tests.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
