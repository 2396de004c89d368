// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class MidiSequence;
class MidiSynth;

// Plays a sequence on a synthesizer into 16-bit stereo PCM, on demand and
// sample-exact: each event reaches the synthesizer at its frame (within
// FluidSynth's 64-frame block), and the output ends at the sequence's
// frameCount() with a short fade so the cut never clicks.
//
// Seeking forward up to kRenderAheadSeconds renders the gap and drops it.
// Anything else restarts the synthesizer: it is reset and left to ring out
// for kSettleSeconds (FluidSynth's reset keeps the reverb and chorus tails),
// every event but note-ons up to kPrerollSeconds before the target is
// replayed (programs, controllers, pitch bends and system exclusive messages
// all take effect) and the preroll is rendered, so notes held across the
// target sound unless they started more than the preroll before it. Event
// times and FluidSynth's 64-frame blocks line up as in a straight render, so
// a restarted render differs from a straight one only by what FluidSynth's
// reset leaves behind, a few dozen units of 16-bit samples (below -54 dBFS).
// A seek costs at most a few hundredths of a second of CPU.
//
// Threads: one thread at a time (mpv's demuxer thread in the player).
class MidiRenderer
{
public:
    static constexpr double kRenderAheadSeconds = 20.0;
    static constexpr double kPrerollSeconds = 8.0;
    static constexpr double kSettleSeconds = 2.0;
    static constexpr double kFadeSeconds = 0.05;

    // The synthesizer is reset here and belongs to this renderer while it lives.
    MidiRenderer(std::shared_ptr<const MidiSequence> sequence, std::shared_ptr<MidiSynth> synth);
    ~MidiRenderer();
    MidiRenderer(MidiRenderer&&) noexcept;
    MidiRenderer& operator=(MidiRenderer&&) noexcept;

    std::uint64_t frameCount() const;
    std::uint64_t position() const { return m_position; } // next frame render() writes
    int sampleRate() const;

    // Clamped to frameCount(). The work happens in the next render().
    void seek(std::uint64_t frame);
    // Writes up to `frames` frames (two samples each) from position(); returns
    // how many, fewer only at the end.
    std::size_t render(std::int16_t* out, std::size_t frames);

private:
    void catchUp();
    void restartAt(std::uint64_t frame);
    void synthesize(std::int16_t* out, std::uint64_t frames);
    void fade(std::int16_t* out, std::uint64_t firstFrame, std::size_t frames) const;

    std::shared_ptr<const MidiSequence> m_sequence;
    std::shared_ptr<MidiSynth> m_synth;
    std::uint64_t m_position = 0;   // frame the caller wants next
    std::uint64_t m_synthFrame = 0; // frame the synthesizer renders next
    std::size_t m_nextEvent = 0;    // first event not yet sent
    std::vector<std::int16_t> m_scratch;
};
