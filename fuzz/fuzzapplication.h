// SPDX-License-Identifier: MIT
#pragma once

#include <QGuiApplication>
#include <cstdlib>

// The QGuiApplication that text documents need for their fonts, on the
// offscreen platform: a fuzzer needs no display. Created on first use, once.
inline QGuiApplication& fuzzApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}
