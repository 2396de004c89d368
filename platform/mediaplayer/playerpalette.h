// SPDX-License-Identifier: MIT
#pragma once

#include <QPalette>

// The player's own dark palette, built on `palette` (the host's): video,
// panels and controls read as one piece whatever the host looks like. Roles
// used: Window (control bar), WindowText (status), Base (information panel),
// AlternateBase (status bar), Text and PlaceholderText (information lines),
// Button/ButtonText (icons), Highlight (slider fill).
QPalette playerPalette(QPalette palette);
