// SPDX-License-Identifier: MIT
// Shared main of the test executables. Which application object it makes is
// chosen by the build (MERO_TEST_APPLICATION): a QCoreApplication for the
// libraries without widgets, a QGuiApplication on Qt's offscreen platform for
// those that only lay out text, a QApplication for the widget tests. The first
// two run without a display.
#include <QtGlobal>
#include <clocale>
#include <gtest/gtest.h>

#if MERO_TEST_APPLICATION == 2
#include <QApplication>
using TestApplication = QApplication;
#elif MERO_TEST_APPLICATION == 1
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#if MERO_TEST_APPLICATION == 1
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
