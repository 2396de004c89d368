// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The tracks of a Standard MIDI File (formats 0, 1 and 2), or of one wrapped in
// a RIFF "RMID" file, with times still in ticks.
//
// The reader is lenient where players commonly are and strict where a guess
// could run away: chunk lengths past the end are cut to the file, alien chunks
// are skipped, running status carries over meta and sysex events, a track ends
// at its end-of-track event, at the end of its chunk or at the first byte that
// cannot be read as an event. It fails (nullopt) only when there is no MThd
// header, the header is short, the division is 0, or no MTrk chunk exists.
// Input and event counts are bounded (kMaxBytes, kMaxEvents); events past the
// limit are dropped.
class MidiFile
{
public:
    static constexpr std::size_t kMaxBytes = 8u << 20;
    static constexpr std::size_t kMaxEvents = 2'000'000;
    static constexpr std::size_t kMaxTracks = 1024;
    static constexpr std::uint32_t kMaxSysexBytes = 64u << 10;

    // A channel message (status 0x80..0xEF), a system exclusive message
    // (0xF0, payload in sysexData()) or a tempo change (0xFF, `tempo`
    // microseconds per quarter note).
    struct Event {
        std::uint64_t tick = 0; // absolute, from the start of its track
        std::uint32_t tempo = 0;
        std::uint32_t sysexOffset = 0;
        std::uint32_t sysexLength = 0;
        std::uint8_t status = 0;
        std::uint8_t data1 = 0;
        std::uint8_t data2 = 0;
    };
    static constexpr std::uint8_t kTempo = 0xFF;

    struct Track {
        std::vector<Event> events; // in file order, ticks non-decreasing
        std::uint64_t endTick = 0; // of the end-of-track event, or of the last event read
    };

    static std::optional<MidiFile> parse(std::span<const std::uint8_t> bytes);

    int format() const { return m_format; } // 0, 1 or 2 (other values read as 1)
    // Positive: ticks per quarter note. Negative high byte: SMPTE frames per
    // second (-24, -25, -29 for 29.97, -30) with ticks per frame in the low byte.
    std::uint16_t division() const { return m_division; }
    const std::vector<Track>& tracks() const { return m_tracks; }
    const std::vector<std::uint8_t>& sysexData() const { return m_sysex; }

private:
    bool readTrack(std::span<const std::uint8_t> chunk);

    int m_format = 0;
    std::uint16_t m_division = 0;
    std::vector<Track> m_tracks;
    std::vector<std::uint8_t> m_sysex;
    std::size_t m_eventCount = 0;
};
