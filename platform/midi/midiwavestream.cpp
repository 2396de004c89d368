// SPDX-License-Identifier: MIT
#include "midiwavestream.h"

#include "midifile.h"
#include "midisequence.h"
#include "midisynth.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{

constexpr std::uint64_t kMaxFramesPerRead = 16384;

void putLe(char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<char>(value >> (8 * i));
}

// WAV samples are little-endian whatever the host is.
void toLittleEndian(std::int16_t* samples, std::size_t count)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto value = static_cast<std::uint16_t>(samples[i]);
            samples[i] = static_cast<std::int16_t>(value >> 8 | value << 8);
        }
    }
}

} // namespace

MidiWaveStream::MidiWaveStream(MidiRenderer renderer) : m_renderer(std::move(renderer))
{
    // RIFF/WAVE, "fmt " PCM 2 channels 16 bit, "data". frameCount() is capped
    // well below 4 GiB of samples, so the sizes fit their 32-bit fields.
    const auto dataBytes = static_cast<std::uint32_t>(m_renderer.frameCount() * kBytesPerFrame);
    const auto rate = static_cast<std::uint32_t>(m_renderer.sampleRate());
    char* h = m_header.data();
    std::memcpy(h, "RIFF", 4);
    putLe(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe(h + 16, 16, 4);
    putLe(h + 20, 1, 2); // PCM
    putLe(h + 22, 2, 2); // channels
    putLe(h + 24, rate, 4);
    putLe(h + 28, rate * kBytesPerFrame, 4);
    putLe(h + 32, kBytesPerFrame, 2);
    putLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    putLe(h + 40, dataBytes, 4);
}

std::unique_ptr<MidiWaveStream> MidiWaveStream::open(std::span<const std::uint8_t> midiFile,
                                                     const std::string& soundFontPath,
                                                     std::string* error)
{
    const std::optional<MidiFile> file = MidiFile::parse(midiFile);
    if (!file) {
        if (error)
            *error = "not a readable MIDI file";
        return nullptr;
    }
    auto sequence = std::make_shared<const MidiSequence>(*file, kSampleRate);
    std::shared_ptr<MidiSynth> synth = MidiSynth::create(soundFontPath, kSampleRate, error);
    if (!synth)
        return nullptr;
    return std::make_unique<MidiWaveStream>(MidiRenderer(std::move(sequence), std::move(synth)));
}

std::unique_ptr<MidiWaveStream> MidiWaveStream::openFile(const std::string& path,
                                                         const std::string& soundFontPath,
                                                         std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot open the file";
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(MidiFile::kMaxBytes);
    file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return open(bytes, soundFontPath, error);
}

std::int64_t MidiWaveStream::readCallback(void* cookie, char* buffer, std::uint64_t length)
{
    return static_cast<std::int64_t>(static_cast<MidiWaveStream*>(cookie)->read(buffer, length));
}

bool MidiWaveStream::seekCallback(void* cookie, std::int64_t offset)
{
    return offset >= 0 && static_cast<MidiWaveStream*>(cookie)->seek(std::uint64_t(offset));
}

std::int64_t MidiWaveStream::sizeCallback(void* cookie)
{
    return static_cast<std::int64_t>(static_cast<MidiWaveStream*>(cookie)->size());
}

void MidiWaveStream::closeCallback(void* cookie)
{
    delete static_cast<MidiWaveStream*>(cookie);
}

std::uint64_t MidiWaveStream::size() const
{
    return kHeaderBytes + m_renderer.frameCount() * kBytesPerFrame;
}

bool MidiWaveStream::seek(std::uint64_t offset)
{
    if (offset > size())
        return false;
    m_offset = offset;
    return true;
}

std::uint64_t MidiWaveStream::read(char* buffer, std::uint64_t length)
{
    length = std::min(length, size() - m_offset);
    std::uint64_t done = 0;
    if (m_offset < kHeaderBytes && length > 0) {
        const std::uint64_t count = std::min(length, kHeaderBytes - m_offset);
        std::memcpy(buffer, m_header.data() + m_offset, count);
        done = count;
        m_offset += count;
    }
    while (done < length) {
        const std::uint64_t count = readSamples(buffer + done, length - done);
        if (count == 0)
            break;
        done += count;
        m_offset += count;
    }
    return done;
}

// Reads sample bytes from m_offset (past the header), at most kMaxFramesPerRead
// frames' worth; a partial frame at either end comes from the cached frame.
std::uint64_t MidiWaveStream::readSamples(char* buffer, std::uint64_t length)
{
    const std::uint64_t dataOffset = m_offset - kHeaderBytes;
    const std::uint64_t frame = dataOffset / kBytesPerFrame;
    const std::uint64_t skip = dataOffset % kBytesPerFrame;
    if (skip != 0 || length < kBytesPerFrame) {
        if (m_cachedFrame != frame) {
            std::int16_t samples[2];
            m_renderer.seek(frame);
            if (m_renderer.render(samples, 1) != 1)
                return 0;
            toLittleEndian(samples, 2);
            std::memcpy(m_cachedBytes.data(), samples, kBytesPerFrame);
            m_cachedFrame = frame;
        }
        const std::uint64_t count = std::min(length, kBytesPerFrame - skip);
        std::memcpy(buffer, m_cachedBytes.data() + skip, count);
        return count;
    }
    const std::uint64_t frames = std::min(length / kBytesPerFrame, kMaxFramesPerRead);
    m_samples.resize(frames * 2);
    m_renderer.seek(frame);
    const std::size_t rendered = m_renderer.render(m_samples.data(), frames);
    if (rendered == 0)
        return 0;
    toLittleEndian(m_samples.data(), rendered * 2);
    std::memcpy(buffer, m_samples.data(), rendered * kBytesPerFrame);
    m_cachedFrame = frame + rendered - 1;
    std::memcpy(m_cachedBytes.data(), m_samples.data() + (rendered - 1) * 2, kBytesPerFrame);
    return rendered * kBytesPerFrame;
}
