// SPDX-License-Identifier: MIT
// Starts a Qt application as the programs do and prints the platform chosen
// (empty when Qt's own choice stood) and the one Qt ended on, a line each.
#include "platformchoice.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    PlatformChoice platform(argc, argv);
    QGuiApplication app(platform.argc(), platform.argv());
    std::printf("%s\n%s\n", platform.platform().constData(),
                qPrintable(QGuiApplication::platformName()));
    return 0;
}
