// SPDX-License-Identifier: MIT
#include "midisequence.h"

#include "midifile.h"

#include <algorithm>
#include <cmath>

namespace
{

// Turns ticks into seconds as tempo changes arrive in tick order.
class TempoClock
{
public:
    explicit TempoClock(std::uint16_t division)
    {
        if (division & 0x8000) {
            // SMPTE: frames per second in the high byte (two's complement), ticks
            // per frame in the low one; tempo changes do not apply.
            const int fps = -static_cast<std::int8_t>(division >> 8);
            const double rate = fps == 29 ? 29.97 : fps;
            m_fixedSecondsPerTick = 1.0 / (std::max(rate, 1.0) * (division & 0xFF));
        } else {
            m_ticksPerQuarter = division;
        }
    }

    double secondsAt(std::uint64_t tick) const
    {
        return m_baseSeconds + double(tick - m_baseTick) * secondsPerTick();
    }

    void setTempo(std::uint64_t tick, std::uint32_t microsPerQuarter)
    {
        m_baseSeconds = secondsAt(tick);
        m_baseTick = tick;
        m_tempo = microsPerQuarter;
    }

private:
    double secondsPerTick() const
    {
        if (m_fixedSecondsPerTick > 0)
            return m_fixedSecondsPerTick;
        return m_tempo / (1e6 * m_ticksPerQuarter);
    }

    double m_fixedSecondsPerTick = 0;
    int m_ticksPerQuarter = 0;
    std::uint32_t m_tempo = MidiSequence::kDefaultTempo;
    std::uint64_t m_baseTick = 0;
    double m_baseSeconds = 0;
};

struct TrackEvent {
    std::uint64_t tick;
    const MidiFile::Event* event;
};

// `event` at `seconds` into the sequence, timed in frames of the output.
MidiEvent outputEvent(const MidiFile::Event& event, double seconds, int sampleRate)
{
    return {.frame = static_cast<std::uint64_t>(std::llround(seconds * sampleRate)),
            .status = event.status,
            .data1 = event.data1,
            .data2 = event.data2,
            .sysexOffset = event.sysexOffset,
            .sysexLength = event.sysexLength};
}

} // namespace

MidiSequence::MidiSequence(const MidiFile& file, int sampleRate)
    : m_sampleRate(sampleRate), m_sysex(file.sysexData())
{
    if (file.format() == 2)
        addTracksInTurn(file);
    else
        addTracksTogether(file);
    const double maxFrames = kMaxSeconds * m_sampleRate;
    const double length = double(m_lastEventFrame) + kReleaseSeconds * m_sampleRate;
    m_frameCount = static_cast<std::uint64_t>(std::min(length, maxFrames));
    m_lastEventFrame = std::min(m_lastEventFrame, m_frameCount);
}

void MidiSequence::addTracksTogether(const MidiFile& file)
{
    std::vector<TrackEvent> merged;
    std::uint64_t endTick = 0;
    for (const MidiFile::Track& track : file.tracks()) {
        for (const MidiFile::Event& event : track.events)
            merged.push_back({event.tick, &event});
        endTick = std::max(endTick, track.endTick);
    }
    // Stable: at one tick, earlier tracks first and each track in file order.
    std::stable_sort(merged.begin(), merged.end(),
                     [](const TrackEvent& a, const TrackEvent& b) { return a.tick < b.tick; });

    const double maxSeconds = kMaxSeconds;
    TempoClock clock(file.division());
    m_events.reserve(merged.size());
    for (const TrackEvent& item : merged) {
        const double seconds = clock.secondsAt(item.tick);
        if (seconds > maxSeconds)
            break;
        const MidiFile::Event& event = *item.event;
        if (event.status == MidiFile::kTempo) {
            clock.setTempo(item.tick, event.tempo);
            continue;
        }
        m_events.push_back(outputEvent(event, seconds, m_sampleRate));
    }
    const double endSeconds = std::min(clock.secondsAt(endTick), maxSeconds);
    m_lastEventFrame = static_cast<std::uint64_t>(std::llround(endSeconds * m_sampleRate));
    if (!m_events.empty())
        m_lastEventFrame = std::max(m_lastEventFrame, m_events.back().frame);
}

void MidiSequence::addTracksInTurn(const MidiFile& file)
{
    double start = 0; // seconds at which the current track begins
    for (const MidiFile::Track& track : file.tracks()) {
        TempoClock clock(file.division());
        for (const MidiFile::Event& event : track.events) {
            const double seconds = start + clock.secondsAt(event.tick);
            if (seconds > kMaxSeconds)
                break;
            if (event.status == MidiFile::kTempo) {
                clock.setTempo(event.tick, event.tempo);
                continue;
            }
            m_events.push_back(outputEvent(event, seconds, m_sampleRate));
        }
        start = std::min(start + clock.secondsAt(track.endTick), kMaxSeconds);
    }
    m_lastEventFrame = static_cast<std::uint64_t>(std::llround(start * m_sampleRate));
}
