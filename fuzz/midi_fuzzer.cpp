// SPDX-License-Identifier: MIT
// Any bytes as a MIDI file (SMF or RMID), through the whole path the player
// takes: the reader, the tempo map, the renderer on the real soundfont (every
// event, system exclusive included, reaches FluidSynth) and the WAV stream
// libmpv reads. The reader's events must be well formed, the timeline sorted
// and within the length, the stream exactly as long as it says, and reads at
// any offset must return what fits. One synthesizer serves every input; the
// renderer resets it.
#include "midifile.h"
#include "midirenderer.h"
#include "midisequence.h"
#include "midisynth.h"
#include "midiwavestream.h"
#include "soundfontlocator.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::shared_ptr<MidiSynth>& synth()
{
    static std::shared_ptr<MidiSynth> shared =
        MidiSynth::create(SoundFontLocator::find(), MidiWaveStream::kSampleRate);
    return shared;
}

void checkFile(const MidiFile& file)
{
    require(!file.tracks().empty() && file.tracks().size() <= MidiFile::kMaxTracks);
    require(file.division() != 0);
    for (const MidiFile::Track& track : file.tracks()) {
        std::uint64_t tick = 0;
        for (const MidiFile::Event& event : track.events) {
            require(event.tick >= tick);
            tick = event.tick;
            require(event.tick <= track.endTick);
            if (event.status == MidiFile::kTempo) {
                require(event.tempo > 0 && event.tempo < (1u << 24));
            } else if (event.status == 0xF0) {
                require(std::uint64_t(event.sysexOffset) + event.sysexLength <=
                        file.sysexData().size());
            } else {
                require(event.status >= 0x80 && event.status < 0xF0);
                require(event.data1 < 0x80 && event.data2 < 0x80);
            }
        }
    }
}

void checkSequence(const MidiSequence& sequence)
{
    require(sequence.frameCount() <=
            std::uint64_t(MidiSequence::kMaxSeconds * sequence.sampleRate()));
    require(sequence.lastEventFrame() <= sequence.frameCount());
    std::uint64_t frame = 0;
    for (const MidiEvent& event : sequence.events()) {
        require(event.frame >= frame && event.frame <= sequence.lastEventFrame());
        frame = event.frame;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    require(synth() != nullptr); // the soundfont is a dependency
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<MidiFile> file = MidiFile::parse({data, size});
    if (!file)
        return 0;
    checkFile(*file);
    auto sequence = std::make_shared<const MidiSequence>(*file, MidiWaveStream::kSampleRate);
    checkSequence(*sequence);

    MidiWaveStream wave(MidiRenderer(sequence, synth()));
    const std::uint64_t total = wave.size();
    require(total == MidiWaveStream::kHeaderBytes + sequence->frameCount() * 4);
    std::vector<char> buffer(8192);
    require(wave.read(buffer.data(), 4099) == std::min<std::uint64_t>(4099, total));
    // Odd offsets ahead of the renderer: rendered forward, no restart.
    const std::uint64_t ahead = std::min<std::uint64_t>(total, 44 + 4 * 20'000 + 3);
    require(wave.seek(ahead));
    require(wave.read(buffer.data(), 1001) == std::min<std::uint64_t>(1001, total - ahead));
    // Backwards and near the end: a restart (slower, so not every input).
    if (size % 8 == 0) {
        require(wave.seek(total / 2 | 1));
        require(wave.read(buffer.data(), 777) ==
                std::min<std::uint64_t>(777, total - (total / 2 | 1)));
        require(wave.seek(total > 9 ? total - 9 : 0));
        require(wave.read(buffer.data(), 100) == std::min<std::uint64_t>(9, total));
        require(wave.read(buffer.data(), 100) == 0);
    }
    require(!wave.seek(total + 1));
    return 0;
}
