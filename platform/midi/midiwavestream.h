// SPDX-License-Identifier: MIT
#pragma once

#include "midirenderer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// A MIDI file as the bytes of a 16-bit stereo PCM WAV file, rendered as they
// are read: a fixed 44-byte header, then the sequence's frames. The size is
// known from the start, every byte offset can be sought, and a seek costs
// what MidiRenderer::seek costs. This is what a media framework needs to play
// the synthesized music like any WAV file, with exact duration and seeking.
//
// Threads: one thread at a time (mpv's stream callbacks in the player).
class MidiWaveStream
{
public:
    static constexpr int kSampleRate = 44100;
    static constexpr std::uint64_t kHeaderBytes = 44;
    static constexpr std::uint64_t kBytesPerFrame = 4;

    explicit MidiWaveStream(MidiRenderer renderer);

    // Parses `midiFile` (SMF or RMID) and sets up a synthesizer with the
    // soundfont. Null when either fails; `error` then says which.
    static std::unique_ptr<MidiWaveStream> open(std::span<const std::uint8_t> midiFile,
                                                const std::string& soundFontPath,
                                                std::string* error = nullptr);
    // The same for a file (its first MidiFile::kMaxBytes bytes).
    static std::unique_ptr<MidiWaveStream> openFile(const std::string& path,
                                                    const std::string& soundFontPath,
                                                    std::string* error = nullptr);

    // For C stream APIs that hand back a `cookie` made by release() on open():
    // read returns the byte count, seek true when the offset was taken, close
    // deletes the stream.
    static std::int64_t readCallback(void* cookie, char* buffer, std::uint64_t length);
    static bool seekCallback(void* cookie, std::int64_t offset);
    static std::int64_t sizeCallback(void* cookie);
    static void closeCallback(void* cookie);

    std::uint64_t size() const;
    std::uint64_t offset() const { return m_offset; }
    // Copies up to `length` bytes from offset() and advances; 0 at the end.
    std::uint64_t read(char* buffer, std::uint64_t length);
    // Any offset up to size(); false (offset unchanged) beyond it.
    bool seek(std::uint64_t offset);

private:
    std::uint64_t readSamples(char* buffer, std::uint64_t length);

    MidiRenderer m_renderer;
    std::array<char, kHeaderBytes> m_header{};
    std::uint64_t m_offset = 0;
    // The last frame rendered, for a read that starts inside it.
    std::uint64_t m_cachedFrame = UINT64_MAX;
    std::array<char, kBytesPerFrame> m_cachedBytes{};
    std::vector<std::int16_t> m_samples; // reused between reads
};
