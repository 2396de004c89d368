// SPDX-License-Identifier: MIT
#include "soundfontlocator.h"

#include <filesystem>
#include <fstream>

const std::vector<std::string>& SoundFontLocator::candidates()
{
    static const std::vector<std::string> paths = {
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2",
    };
    return paths;
}

std::string SoundFontLocator::find()
{
    return findIn(candidates());
}

std::string SoundFontLocator::findIn(const std::vector<std::string>& candidates)
{
    for (const std::string& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        if (std::ifstream(path, std::ios::binary).good())
            return path;
    }
    return {};
}
