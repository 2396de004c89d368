// SPDX-License-Identifier: MIT
#include "containerformat.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace
{

constexpr int kFramesToFollow = 3;
constexpr qint64 kMaxFrameBytes = 2881; // MPEG-2.5 layer II, 160 kbit/s at 8 kHz, padded
constexpr qint64 kHeadBytes = 12;       // RIFF and FORM with their form type
constexpr qint64 kMpegBytes = kFramesToFollow * kMaxFrameBytes + 4; // frames to follow, whole

struct MpegFrame {
    int version; // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
    int layer;   // 2 or 3
    int sampleRate;
    qint64 bytes;
};

// One MPEG audio layer II or III frame header; nothing for layer I, free
// format, reserved or bad values.
std::optional<MpegFrame> frameAt(const QByteArray& data, qint64 at)
{
    if (at < 0 || at + 4 > data.size())
        return std::nullopt;
    const auto byte = [&](qint64 i) { return static_cast<unsigned char>(data[i]); };
    if (byte(at) != 0xFF || (byte(at + 1) & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (byte(at + 1) >> 3) & 3;
    const int layer = 4 - ((byte(at + 1) >> 1) & 3);
    const int rateIndex = byte(at + 2) >> 4;
    const int sampleIndex = (byte(at + 2) >> 2) & 3;
    const int padding = (byte(at + 2) >> 1) & 1;
    if (version == 1 || layer < 2 || layer > 3 || rateIndex == 0 || rateIndex == 15 ||
        sampleIndex == 3)
        return std::nullopt;

    // kbit/s: MPEG-1 layer II, MPEG-1 layer III, MPEG-2 and 2.5 layers II and III
    static constexpr std::array<std::array<int, 15>, 3> kRates{{
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    }};
    static constexpr std::array<int, 3> kSampleRates{44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int sampleRate = kSampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const qint64 bitRate = qint64(kRates[mpeg1 ? layer - 2 : 2][rateIndex]) * 1000;
    const int perSample = layer == 3 && !mpeg1 ? 72 : 144; // bytes a frame per bit/s/Hz
    return MpegFrame{version, layer, sampleRate, perSample * bitRate / sampleRate + padding};
}

// The length of an ID3v2 tag at the start, header and footer included: 0
// without one, nothing for a damaged header.
std::optional<qint64> id3Length(const QByteArray& head)
{
    if (!head.startsWith("ID3"))
        return 0;
    if (head.size() < 10)
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<unsigned char>(head[i]); };
    if (byte(3) < 2 || byte(3) > 4)
        return std::nullopt;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (byte(i) & 0x80)
            return std::nullopt; // "synchsafe": seven bits a byte
        size = size << 7 | byte(i);
    }
    const bool footer = byte(3) == 4 && (byte(5) & 0x10);
    return 10 + size + (footer ? 10 : 0);
}

QByteArray readAt(QIODevice& device, qint64 offset, qint64 length)
{
    if (!device.seek(offset))
        return {};
    return device.read(length);
}

// Frames that follow one another with the same version, layer and rate.
bool isMpegAudio(const QByteArray& frames)
{
    const std::optional<MpegFrame> first = frameAt(frames, 0);
    if (!first)
        return false;
    qint64 at = 0;
    qint64 bytes = first->bytes;
    for (int i = 1; i < kFramesToFollow; ++i) {
        at += bytes;
        const std::optional<MpegFrame> next = frameAt(frames, at);
        if (!next || next->version != first->version || next->layer != first->layer ||
            next->sampleRate != first->sampleRate)
            return false;
        bytes = next->bytes;
    }
    return true;
}

// ISO base media (MP4, M4A, 3GP, QuickTime with a file type box): a whole
// "ftyp" box first, its major brand and minor version followed by whole
// compatible brands. JPEG 2000 and JPEG XL images begin the same way and are
// libavformat's to tell apart.
bool isIsoMedia(const QByteArray& head)
{
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return false;
    const auto size = qFromBigEndian<quint32>(head.constData());
    const QByteArray brand = head.mid(8, 4);
    return size >= 16 && size <= 4096 && size % 4 == 0 && brand != "jp2 " && brand != "jpx " &&
           brand != "jxl ";
}

// An Ogg stream's first page: version 0, the beginning of a stream (and its
// end too, for a stream of one page).
bool isOgg(const QByteArray& head)
{
    return head.size() >= 6 && head.startsWith(QByteArray("OggS\0", 5)) &&
           (head[5] == '\x02' || head[5] == '\x06');
}

// FLAC: its marker, then the stream information block of 34 bytes.
bool isFlac(const QByteArray& head)
{
    return head.size() >= 8 && head.startsWith("fLaC") && (head[4] & 0x7F) == 0 &&
           (qFromBigEndian<quint32>(head.constData() + 4) & 0xFFFFFF) == 34;
}

// libmpv opens the subtitle files it finds beside a media file with the
// file's own options: a demuxer named for the media would be forced on them,
// and they would not open. Pictures beside it open anyway, through libmpv's
// own image demuxer.
bool subtitlesBeside(const std::filesystem::path& file)
{
    // Every extension libmpv looks for, whatever the name before it. The names
    // are compared as they are read: a folder of 20,000 files takes some 15 ms
    // here, where Qt's wildcard filters took 85 ms.
    static constexpr std::array<std::string_view, 16> kSubtitles = {
        "utf", "utf8", "utf-8", "idx", "sub", "srt", "rt",  "ssa",
        "ass", "mks",  "vtt",   "sup", "scc", "smi", "lrc", "pgs"};
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos)
            continue;
        std::string extension = name.substr(dot + 1);
        for (char& c : extension)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (std::find(kSubtitles.begin(), kSubtitles.end(), extension) != kSubtitles.end())
            return true;
    }
    return false;
}

} // namespace

namespace containerformat
{

QByteArray of(QIODevice& device)
{
    // Enough for the frames of an untagged file; a tagged one is read again
    // past its tag.
    const QByteArray head = readAt(device, 0, kMpegBytes);
    if (head.size() >= kHeadBytes) {
        const QByteArray form = head.mid(8, 4);
        if (head.startsWith("RIFF") && form == "WAVE")
            return "wav";
        if (head.startsWith("FORM") && (form == "AIFF" || form == "AIFC"))
            return "aiff";
    }
    if (isIsoMedia(head))
        return "mov";
    if (isOgg(head))
        return "ogg";
    if (isFlac(head))
        return "flac";
    const std::optional<qint64> tag = id3Length(head);
    if (tag && isMpegAudio(*tag == 0 ? head : readAt(device, *tag, kMpegBytes)))
        return "mp3";
    return {};
}

QByteArray ofFile(const QString& path)
{
    // Opening a FIFO would wait for its writer; devices are no media files.
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::error_code error;
    if (!std::filesystem::is_regular_file(native, error))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray format = of(file);
    return format.isEmpty() || subtitlesBeside(native) ? QByteArray() : format;
}

} // namespace containerformat
