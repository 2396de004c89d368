// SPDX-License-Identifier: MIT
// Shared main of the test executables: one QApplication for the whole run.
#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
