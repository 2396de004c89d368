// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

class QScreen;
class QWidget;

// 1440 twips to the logical inch: 15 twips a pixel at 96 dpi.
namespace twips
{

// Twips per logical pixel on the screen that holds `widget` (the primary
// screen when it has none yet).
double perPixel(const QWidget* widget);
double perPixel(const QScreen* screen);

inline int toPixels(double twipValue, double perPixel)
{
    return static_cast<int>(std::lround(twipValue / perPixel));
}
inline float fromPixels(int pixels, double perPixel)
{
    return static_cast<float>(pixels * perPixel);
}

} // namespace twips
