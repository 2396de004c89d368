// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// One event of a MIDI timeline, as the synthesizer takes it.
struct MidiEvent {
    std::uint64_t frame = 0;       // sample frame (at the sequence's rate) it takes effect
    std::uint8_t status = 0;       // 0x80..0xEF channel message, 0xF0 system exclusive
    std::uint8_t data1 = 0;        // first data byte (0..127)
    std::uint8_t data2 = 0;        // second data byte (0..127), 0 for one-byte messages
    std::uint32_t sysexOffset = 0; // 0xF0: payload in the owner's sysex pool, without F0/F7
    std::uint32_t sysexLength = 0;

    bool isNoteOn() const { return (status & 0xF0) == 0x90 && data2 != 0; }
};
