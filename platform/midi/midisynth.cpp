// SPDX-License-Identifier: MIT
#include "midisynth.h"

#include <algorithm>
#include <cmath>
#include <fluidsynth.h>
#include <mutex>

struct MidiSynth::Handles {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;

    ~Handles()
    {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

namespace
{

// FluidSynth logs to stderr by default; the player reports failures itself.
// The log functions are process-wide, so they are set once.
void quietLogging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

} // namespace

MidiSynth::~MidiSynth() = default;

std::unique_ptr<MidiSynth> MidiSynth::create(const std::string& soundFontPath, int sampleRate,
                                             std::string* error)
{
    const auto fail = [error](const char* reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    quietLogging();
    std::unique_ptr<MidiSynth> synth(new MidiSynth);
    synth->m_sampleRate = sampleRate;
    synth->m_handles = std::make_unique<Handles>();
    Handles& h = *synth->m_handles;
    h.settings = new_fluid_settings();
    if (!h.settings)
        return fail("cannot create FluidSynth settings");
    fluid_settings_setnum(h.settings, "synth.sample-rate", sampleRate);
    // One thread drives the synthesizer; its own locking and worker threads
    // would only cost time.
    fluid_settings_setint(h.settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(h.settings, "synth.cpu-cores", 1);
    h.synth = new_fluid_synth(h.settings);
    if (!h.synth)
        return fail("cannot create the FluidSynth synthesizer");
    if (soundFontPath.empty())
        return fail("no soundfont");
    if (fluid_synth_sfload(h.synth, soundFontPath.c_str(), 1) == FLUID_FAILED)
        return fail("cannot load the soundfont");
    return synth;
}

int MidiSynth::blockFrames() const
{
    return std::max(1, fluid_synth_get_internal_bufsize(m_handles->synth));
}

void MidiSynth::reset()
{
    fluid_synth_system_reset(m_handles->synth);
    // FluidSynth keeps what a call did not take of its last block: take the
    // rest of the block rendered before the reset.
    const auto block = std::uint64_t(blockFrames());
    const int pending = int((block - m_renderedFrames % block) % block);
    if (pending > 0) {
        std::vector<std::int16_t> discard(std::size_t(pending) * 2);
        render(discard.data(), pending);
    }
}

void MidiSynth::send(const MidiEvent& event, const std::uint8_t* sysex)
{
    fluid_synth_t* synth = m_handles->synth;
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, channel, event.data1);
        break;
    case 0x90: // velocity 0 is a note-off, which FluidSynth does by itself
        fluid_synth_noteon(synth, channel, event.data1, event.data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, channel, event.data1, event.data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth, channel, event.data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, event.data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, event.data1 | event.data2 << 7);
        break;
    case 0xF0:
        if (sysex && event.sysexLength > 0)
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(sysex),
                              static_cast<int>(event.sysexLength), nullptr, nullptr, nullptr, 0);
        break;
    default:
        break;
    }
}

void MidiSynth::render(std::int16_t* out, int frames)
{
    m_renderedFrames += std::uint64_t(frames);
    m_left.resize(std::size_t(frames));
    m_right.resize(std::size_t(frames));
    fluid_synth_write_float(m_handles->synth, frames, m_left.data(), 0, 1, m_right.data(), 0, 1);
    const auto toSample = [](float value) {
        return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
    };
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = toSample(m_left[std::size_t(i)]);
        out[2 * i + 1] = toSample(m_right[std::size_t(i)]);
    }
}
