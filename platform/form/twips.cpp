// SPDX-License-Identifier: MIT
#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace twips
{

double perPixel(const QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

double perPixel(const QWidget* widget)
{
    return perPixel(widget ? widget->screen() : nullptr);
}

} // namespace twips
