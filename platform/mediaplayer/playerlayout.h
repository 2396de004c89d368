// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSize>

// Where the player's parts go, in pixels, for one size of the control.
// Bottom up, in priority order: the control bar (695 twips), the status bar,
// the information panel (the two together 1455 twips); each is shown whole or
// not at all. The video surface takes the rest above them when that is worth
// showing; otherwise the control bar takes the spare pixels. A hidden part has
// an empty rectangle.
struct PlayerLayout {
    QRect video;
    QRect information;
    QRect status;
    QRect controls;

    struct Input {
        QSize size;             // the control, pixels
        double twipsPerPixel;   // of the control's screen
        bool showInformation;   // the panel's toggle
        bool showStatus;        // the status bar's toggle
        int statusHeight;       // what the status bar needs, pixels
        int informationMinimum; // below this the panel is not worth showing
    };
    static PlayerLayout compute(const Input& input);
    // Full screen: the video takes the whole size and the bars lie over its
    // bottom, with the heights and priorities of compute().
    static PlayerLayout overlaid(const Input& input);
};
