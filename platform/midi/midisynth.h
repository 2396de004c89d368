// SPDX-License-Identifier: MIT
#pragma once

#include "midievent.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One FluidSynth synthesizer with a General MIDI soundfont, rendering 16-bit
// stereo on demand (no audio driver, no threads of its own).
//
// Threads: not thread-safe; use one instance from one thread at a time (it may
// move between threads). Instances are independent; FluidSynth shares the
// soundfont's sample data between instances that load the same file.
class MidiSynth
{
public:
    ~MidiSynth();
    MidiSynth(const MidiSynth&) = delete;
    MidiSynth& operator=(const MidiSynth&) = delete;

    // Null, with the reason in `error` when given, if FluidSynth cannot be
    // set up or the soundfont cannot be loaded.
    static std::unique_ptr<MidiSynth> create(const std::string& soundFontPath, int sampleRate,
                                             std::string* error = nullptr);

    int sampleRate() const { return m_sampleRate; }
    // FluidSynth renders in blocks of this many frames: an event sent between
    // block boundaries takes effect at the next one.
    int blockFrames() const;

    // Silences every voice at once, clears the effects and returns channels,
    // programs and controllers to their power-on state; samples rendered
    // before the reset are dropped, so a reset synthesizer renders as a new one.
    void reset();
    // `sysex` holds the payload of a 0xF0 event (event.sysexLength bytes).
    void send(const MidiEvent& event, const std::uint8_t* sysex);
    // Writes `frames` interleaved left/right samples, rounded without dither:
    // the same state always gives the same samples.
    void render(std::int16_t* out, int frames);

private:
    MidiSynth() = default;

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    std::uint64_t m_renderedFrames = 0; // since creation, for FluidSynth's block size
    std::vector<float> m_left;
    std::vector<float> m_right;
    int m_sampleRate = 44100;
};
