// SPDX-License-Identifier: MIT
#pragma once

#include "midievent.h"

#include <cstdint>
#include <vector>

class MidiFile;

// A MIDI file's events on one timeline of sample frames, tempo map applied,
// and the length the player gives it.
//
// Formats 0 and 1 play their tracks together, tempo changes from any track
// applying to all; format 2 plays its tracks one after another, each starting
// at the default tempo. The length is the time of the last event (an
// end-of-track event counts) plus kReleaseSeconds for the last notes to fade,
// capped at kMaxSeconds; events after the cap are dropped.
class MidiSequence
{
public:
    static constexpr double kReleaseSeconds = 1.0;
    static constexpr double kMaxSeconds = 4 * 3600.0;
    static constexpr std::uint32_t kDefaultTempo = 500'000; // microseconds per quarter note

    MidiSequence() = default;
    MidiSequence(const MidiFile& file, int sampleRate);

    int sampleRate() const { return m_sampleRate; }
    // Sorted by frame; events at the same frame keep file order (track by track).
    const std::vector<MidiEvent>& events() const { return m_events; }
    const std::vector<std::uint8_t>& sysexData() const { return m_sysex; }
    std::uint64_t lastEventFrame() const { return m_lastEventFrame; }
    std::uint64_t frameCount() const { return m_frameCount; }
    double lengthSeconds() const { return double(m_frameCount) / m_sampleRate; }

private:
    void addTracksTogether(const MidiFile& file);
    void addTracksInTurn(const MidiFile& file);

    int m_sampleRate = 44100;
    std::vector<MidiEvent> m_events;
    std::vector<std::uint8_t> m_sysex;
    std::uint64_t m_lastEventFrame = 0;
    std::uint64_t m_frameCount = 0;
};
