// SPDX-License-Identifier: MIT
#include "midifile.h"

#include <algorithm>
#include <cstring>

namespace
{

using Bytes = std::span<const std::uint8_t>;

bool hasTag(Bytes bytes, std::size_t at, const char* tag)
{
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

std::uint32_t be32(Bytes bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

std::uint32_t le32(Bytes bytes, std::size_t at)
{
    return std::uint32_t(bytes[at + 3]) << 24 | std::uint32_t(bytes[at + 2]) << 16 |
           std::uint32_t(bytes[at + 1]) << 8 | bytes[at];
}

std::uint16_t be16(Bytes bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// The chunk body at `at` (after its 8-byte header), cut to what the file holds.
Bytes chunkBody(Bytes bytes, std::size_t at, std::uint32_t length)
{
    const std::size_t start = at + 8;
    return bytes.subspan(start, std::min<std::size_t>(length, bytes.size() - start));
}

// The SMF inside a RIFF "RMID" file: the body of its "data" chunk.
std::optional<Bytes> unwrapRmid(Bytes bytes)
{
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = le32(bytes, at + 4);
        if (hasTag(bytes, at, "data"))
            return chunkBody(bytes, at, length);
        const std::uint64_t next = std::uint64_t(at) + 8 + length + (length & 1);
        if (next > bytes.size())
            break;
        at = static_cast<std::size_t>(next);
    }
    return std::nullopt;
}

// A variable-length quantity: at most four bytes, 28 bits.
std::optional<std::uint32_t> readVlq(Bytes bytes, std::size_t& pos)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= bytes.size())
            return std::nullopt;
        const std::uint8_t byte = bytes[pos++];
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            return value;
    }
    return std::nullopt;
}

int dataBytesOf(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

} // namespace

std::optional<MidiFile> MidiFile::parse(Bytes bytes)
{
    if (bytes.size() > kMaxBytes)
        bytes = bytes.first(kMaxBytes);
    if (hasTag(bytes, 0, "RIFF") && hasTag(bytes, 8, "RMID")) {
        const std::optional<Bytes> smf = unwrapRmid(bytes);
        if (!smf)
            return std::nullopt;
        bytes = *smf;
    }
    if (!hasTag(bytes, 0, "MThd") || bytes.size() < 14)
        return std::nullopt;
    const std::uint32_t headerLength = be32(bytes, 4);
    if (headerLength < 6)
        return std::nullopt;

    MidiFile file;
    const int format = be16(bytes, 8);
    file.m_format = format <= 2 ? format : 1;
    file.m_division = be16(bytes, 12);
    if (file.m_division == 0 || (file.m_division & 0x8000 && (file.m_division & 0xFF) == 0))
        return std::nullopt;

    bool sawTrack = false;
    std::uint64_t at = 8 + std::uint64_t(headerLength);
    while (at + 8 <= bytes.size() && file.m_tracks.size() < kMaxTracks) {
        const auto pos = static_cast<std::size_t>(at);
        const std::uint32_t length = be32(bytes, pos + 4);
        if (hasTag(bytes, pos, "MTrk")) {
            sawTrack = true;
            if (!file.readTrack(chunkBody(bytes, pos, length)))
                break; // event limit reached
        }
        at += 8 + std::uint64_t(length);
    }
    if (!sawTrack)
        return std::nullopt;
    return file;
}

// False once kMaxEvents is reached: the rest of the file is dropped.
bool MidiFile::readTrack(Bytes chunk)
{
    Track track;
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    std::size_t pos = 0;
    bool full = false;
    bool ended = false;
    while (pos < chunk.size() && !ended) {
        if (m_eventCount >= kMaxEvents) {
            full = true;
            break;
        }
        const std::optional<std::uint32_t> delta = readVlq(chunk, pos);
        if (!delta || pos >= chunk.size())
            break;
        tick += *delta;
        const std::uint8_t lead = chunk[pos];

        if (lead == 0xFF || lead == 0xF0 || lead == 0xF7) {
            ++pos;
            std::uint8_t metaType = 0;
            if (lead == 0xFF) {
                if (pos >= chunk.size())
                    break;
                metaType = chunk[pos++];
            }
            const std::optional<std::uint32_t> length = readVlq(chunk, pos);
            if (!length)
                break;
            const Bytes body =
                chunk.subspan(pos, std::min<std::size_t>(*length, chunk.size() - pos));
            pos += body.size();
            track.endTick = tick;
            if (lead == 0xFF && metaType == 0x2F) {
                ended = true;
            } else if (lead == 0xFF && metaType == 0x51 && body.size() >= 3) {
                const std::uint32_t tempo = std::uint32_t(body[0]) << 16 | body[1] << 8 | body[2];
                if (tempo > 0)
                    track.events.push_back({.tick = tick, .tempo = tempo, .status = kTempo});
            } else if (lead == 0xF0 && !body.empty() && body.size() <= kMaxSysexBytes) {
                // The synthesizer takes the payload without the closing F7.
                const std::size_t length = body.back() == 0xF7 ? body.size() - 1 : body.size();
                track.events.push_back({.tick = tick,
                                        .sysexOffset = static_cast<std::uint32_t>(m_sysex.size()),
                                        .sysexLength = static_cast<std::uint32_t>(length),
                                        .status = 0xF0});
                m_sysex.insert(m_sysex.end(), body.begin(), body.begin() + length);
            }
            ++m_eventCount;
            continue;
        }

        std::uint8_t status = running;
        if (lead >= 0x80 && lead < 0xF0) {
            status = running = lead;
            ++pos;
        } else if (lead >= 0x80 || running == 0) {
            break; // a system message that has no place in a file, or data without status
        }
        const int count = dataBytesOf(status);
        if (pos + count > chunk.size())
            break;
        const std::uint8_t data1 = chunk[pos];
        const std::uint8_t data2 = count == 2 ? chunk[pos + 1] : 0;
        if ((data1 | data2) & 0x80)
            break; // a status where data belongs: the track is damaged from here
        pos += count;
        track.events.push_back({.tick = tick, .status = status, .data1 = data1, .data2 = data2});
        track.endTick = tick;
        ++m_eventCount;
    }
    m_tracks.push_back(std::move(track));
    return !full;
}
