// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Finds the General MIDI soundfont the synthesizer loads: the larger
// FluidR3 (Debian's fluid-soundfont-gm) when installed, else TimGM6mb
// (timgm6mb-soundfont), else whatever the system names its default.
class SoundFontLocator
{
public:
    // Candidates in order of preference.
    static const std::vector<std::string>& candidates();
    // The first candidate that is a readable regular file, or "" when none is.
    static std::string find();
    static std::string findIn(const std::vector<std::string>& candidates);
};
