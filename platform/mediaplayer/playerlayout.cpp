// SPDX-License-Identifier: MIT
#include "playerlayout.h"

#include "twips.h"

#include <algorithm>
#include <cmath>

namespace
{

// Heights the host's size modes are built on, in twips.
constexpr double kInformationBlockTwips = 1455; // information panel + status bar
constexpr double kControlBarTwips = 695;
// A thinner strip of video is no use.
constexpr int kMinimumVideoHeight = 16;

} // namespace

PlayerLayout PlayerLayout::compute(const Input& input)
{
    const int w = input.size.width();
    const int h = input.size.height();
    // Rounded down: the bar must fit the 695-twip player whole.
    const int controlsHeight =
        std::min(h, static_cast<int>(std::floor(kControlBarTwips / input.twipsPerPixel + 1e-6)));
    const int block = twips::toPixels(kInformationBlockTwips, input.twipsPerPixel);
    const int statusHeight = std::clamp(input.statusHeight, 0, block);
    const int informationHeight = block - statusHeight;

    int room = h - controlsHeight;
    const bool showStatus = input.showStatus && room >= statusHeight;
    if (showStatus)
        room -= statusHeight;
    const bool showInformation = input.showInformation &&
                                 informationHeight >= input.informationMinimum &&
                                 room >= informationHeight;
    if (showInformation)
        room -= informationHeight;
    const bool showVideo = room >= kMinimumVideoHeight;

    PlayerLayout layout;
    int y = 0;
    if (showVideo) {
        layout.video = QRect(0, 0, w, room);
        y = room;
    }
    if (showInformation) {
        layout.information = QRect(0, y, w, informationHeight);
        y += informationHeight;
    }
    if (showStatus) {
        layout.status = QRect(0, y, w, statusHeight);
        y += statusHeight;
    }
    layout.controls = QRect(0, y, w, h - y);
    return layout;
}
