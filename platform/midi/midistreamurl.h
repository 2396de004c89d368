// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The URL under which the player's engine opens a local MIDI file as a
// synthesized WAV stream: kScheme "://" and the path's UTF-8 bytes with every
// byte outside [A-Za-z0-9/._~-] percent-encoded, so that the engine takes the
// whole text as one URL of this protocol, never as an option or another
// protocol, and the path comes back byte for byte.
class MidiStreamUrl
{
public:
    static constexpr std::string_view kScheme = "merosonx-midi";

    // `absolutePath`: UTF-8, absolute.
    static std::string fromPath(std::string_view absolutePath);
    // Nullopt when `url` is not of kScheme or its escapes are broken.
    static std::optional<std::string> toPath(std::string_view url);
};
