// SPDX-License-Identifier: MIT
#include "midirenderer.h"

#include "midisequence.h"
#include "midisynth.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr std::uint64_t kChunkFrames = 4096; // frames rendered and dropped at a time

} // namespace

MidiRenderer::MidiRenderer(std::shared_ptr<const MidiSequence> sequence,
                           std::shared_ptr<MidiSynth> synth)
    : m_sequence(std::move(sequence)), m_synth(std::move(synth))
{
    m_synth->reset();
}

MidiRenderer::~MidiRenderer() = default;
MidiRenderer::MidiRenderer(MidiRenderer&&) noexcept = default;
MidiRenderer& MidiRenderer::operator=(MidiRenderer&&) noexcept = default;

std::uint64_t MidiRenderer::frameCount() const
{
    return m_sequence->frameCount();
}

int MidiRenderer::sampleRate() const
{
    return m_sequence->sampleRate();
}

void MidiRenderer::seek(std::uint64_t frame)
{
    m_position = std::min(frame, frameCount());
}

std::size_t MidiRenderer::render(std::int16_t* out, std::size_t frames)
{
    const std::uint64_t left = frameCount() - m_position;
    frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left));
    if (frames == 0)
        return 0;
    catchUp();
    synthesize(out, frames);
    fade(out, m_position, frames);
    m_position += frames;
    return frames;
}

// Brings the synthesizer to m_position, rendering ahead or restarting.
void MidiRenderer::catchUp()
{
    if (m_synthFrame == m_position)
        return;
    const auto renderAhead = static_cast<std::uint64_t>(kRenderAheadSeconds * sampleRate());
    if (m_position < m_synthFrame || m_position - m_synthFrame > renderAhead) {
        const auto preroll = static_cast<std::uint64_t>(kPrerollSeconds * sampleRate());
        restartAt(m_position > preroll ? m_position - preroll : 0);
    }
    m_scratch.resize(kChunkFrames * 2);
    while (m_synthFrame < m_position) {
        const std::uint64_t count = std::min(kChunkFrames, m_position - m_synthFrame);
        synthesize(m_scratch.data(), count);
    }
}

// Resets the synthesizer and sends what precedes `frame` except note-ons.
// Block boundaries stay where a straight render from the start has them, so
// events take effect on the same frames.
void MidiRenderer::restartAt(std::uint64_t frame)
{
    const auto block = std::uint64_t(m_synth->blockFrames());
    frame -= frame % block;
    m_synth->reset();
    m_scratch.resize(kChunkFrames * 2);
    std::uint64_t settle = static_cast<std::uint64_t>(kSettleSeconds * sampleRate());
    settle += (block - settle % block) % block;
    for (std::uint64_t done = 0; done < settle; done += kChunkFrames)
        m_synth->render(m_scratch.data(), int(std::min(kChunkFrames, settle - done)));
    const std::vector<MidiEvent>& events = m_sequence->events();
    const std::uint8_t* sysex = m_sequence->sysexData().data();
    std::size_t index = 0;
    for (; index < events.size() && events[index].frame < frame; ++index) {
        const MidiEvent& event = events[index];
        const std::uint8_t kind = event.status & 0xF0;
        if (kind != 0x90 && kind != 0x80 && kind != 0xA0)
            m_synth->send(event, sysex + event.sysexOffset);
    }
    m_nextEvent = index;
    m_synthFrame = frame;
}

// Renders `frames` from m_synthFrame, sending each event when its frame comes.
void MidiRenderer::synthesize(std::int16_t* out, std::uint64_t frames)
{
    const std::vector<MidiEvent>& events = m_sequence->events();
    const std::uint8_t* sysex = m_sequence->sysexData().data();
    const std::uint64_t end = m_synthFrame + frames;
    while (m_synthFrame < end) {
        while (m_nextEvent < events.size() && events[m_nextEvent].frame <= m_synthFrame) {
            const MidiEvent& event = events[m_nextEvent++];
            m_synth->send(event, sysex + event.sysexOffset);
        }
        std::uint64_t until = std::min(end, m_synthFrame + kChunkFrames);
        if (m_nextEvent < events.size())
            until = std::min(until, events[m_nextEvent].frame);
        const auto count = static_cast<int>(until - m_synthFrame);
        m_synth->render(out, count);
        out += std::size_t(count) * 2;
        m_synthFrame = until;
    }
}

// A linear fade over the last kFadeSeconds of the sequence.
void MidiRenderer::fade(std::int16_t* out, std::uint64_t firstFrame, std::size_t frames) const
{
    const auto fadeFrames = static_cast<std::uint64_t>(kFadeSeconds * sampleRate());
    const std::uint64_t total = frameCount();
    const std::uint64_t fadeStart = total > fadeFrames ? total - fadeFrames : 0;
    if (firstFrame + frames <= fadeStart || fadeFrames == 0)
        return;
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint64_t frame = firstFrame + i;
        if (frame < fadeStart)
            continue;
        const double gain = double(total - frame) / double(fadeFrames);
        out[2 * i] = static_cast<std::int16_t>(std::lround(out[2 * i] * gain));
        out[2 * i + 1] = static_cast<std::int16_t>(std::lround(out[2 * i + 1] * gain));
    }
}
