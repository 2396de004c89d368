// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

class QColor;

// The control bar's glyphs, painted in the given colour so that they stay
// legible on the player's own palette and sharp at any device pixel ratio.
namespace controlicons
{

enum class Glyph { Play, Pause, Stop, Volume, Muted, Previous, Next };

QIcon make(Glyph glyph, const QColor& color, int logicalSize, qreal devicePixelRatio);

} // namespace controlicons
