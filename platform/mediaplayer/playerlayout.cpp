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

namespace
{

struct Heights {
    int controls;    // the bar alone, pixels
    int status;      // the status bar
    int information; // the panel
};

Heights heightsOf(const PlayerLayout::Input& input)
{
    // Rounded down: the bar must fit the 695-twip player whole.
    const int controls =
        static_cast<int>(std::floor(kControlBarTwips / input.twipsPerPixel + 1e-6));
    const int block = twips::toPixels(kInformationBlockTwips, input.twipsPerPixel);
    const int status = std::clamp(input.statusHeight, 0, block);
    return {controls, status, block - status};
}

} // namespace

PlayerLayout PlayerLayout::overlaid(const Input& input)
{
    const Heights heights = heightsOf(input);
    const int strip =
        std::min(input.size.height(), heights.controls + (input.showStatus ? heights.status : 0) +
                                          (input.showInformation ? heights.information : 0));
    Input bars = input;
    bars.size.setHeight(strip);
    // A strip exactly the bars' height leaves no room for a picture in it.
    PlayerLayout layout = compute(bars);
    const int top = input.size.height() - strip;
    for (QRect* part : {&layout.information, &layout.status, &layout.controls}) {
        if (!part->isEmpty())
            part->translate(0, top);
    }
    layout.video = QRect(QPoint(0, 0), input.size);
    return layout;
}

PlayerLayout PlayerLayout::compute(const Input& input)
{
    const int w = input.size.width();
    const int h = input.size.height();
    const Heights heights = heightsOf(input);
    const int controlsHeight = std::min(h, heights.controls);
    const int statusHeight = heights.status;
    const int informationHeight = heights.information;

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
