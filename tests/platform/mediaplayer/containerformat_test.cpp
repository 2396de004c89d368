// SPDX-License-Identifier: MIT
// Which files get their demuxer named before libavformat sees them: only
// those whose first bytes leave no doubt, never by their names.
#include "containerformat.h"
#include "testmedia.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace
{

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes a frame.
constexpr char kLayer3Header[] = "\xFF\xFB\x90\x00";
constexpr int kLayer3Bytes = 417;

QByteArray frames(int count, const char* header = kLayer3Header, int bytes = kLayer3Bytes)
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data += QByteArray(header, 4) + QByteArray(bytes - 4, '\x55');
    return data;
}

// An ID3v2 tag of `body` bytes after its header; `version` 3 or 4.
QByteArray id3(int body, char version = 3, char flags = 0)
{
    QByteArray tag("ID3", 3);
    tag += version;
    tag += '\0';
    tag += flags;
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += char((body >> shift) & 0x7F);
    tag += QByteArray(body, '\0');
    if (version == 4 && (flags & 0x10))
        tag += QByteArray("3DI", 3) + QByteArray(7, '\0');
    return tag;
}

QByteArray formatOf(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return containerformat::of(buffer);
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ContainerFormat, GeneratedFilesAreKnownByTheirContent)
{
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.wav")), "wav");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.aif")), "aiff");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.aifc")), "aiff");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.mp3")), "mp3"); // tagged
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.mp2")), "mp3");
    EXPECT_EQ(containerformat::ofFile(testMedia("green.mp4")), "mov");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.m4a")), "mov");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.ogg")), "ogg");
    EXPECT_EQ(containerformat::ofFile(testMedia("tone.flac")), "flac");
    // Matroska is libmpv's own demuxer's.
    for (const char* left :
         {"tone.aac", "tone.wma", "tone.au", "tracks.mkv", "notmedia.txt", "corrupt.mp4"})
        EXPECT_EQ(containerformat::ofFile(testMedia(left)), "") << left;

    QTemporaryDir dir;
    const QString misnamed = dir.filePath("song.mp3");
    ASSERT_TRUE(QFile::copy(testMedia("tone.wav"), misnamed));
    EXPECT_EQ(containerformat::ofFile(misnamed), "wav");
    // libmpv would open subtitles beside it with the named demuxer too.
    ASSERT_TRUE(writeBytes(dir.filePath("lyrics.LRC"), "[00:01.00]歌\n"));
    EXPECT_EQ(containerformat::ofFile(misnamed), "");
    EXPECT_EQ(containerformat::ofFile(dir.filePath("missing.mp3")), "");
    EXPECT_EQ(containerformat::ofFile(dir.path()), "");
#ifdef Q_OS_UNIX
    // Not opened: that would wait for a writer.
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.wav"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(containerformat::ofFile(QFile::decodeName(fifo)), "");
#endif
    EXPECT_EQ(formatOf({}), "");
}

TEST(ContainerFormat, MpegAudioNeedsThreeFramesInARow)
{
    EXPECT_EQ(formatOf(frames(3)), "mp3");
    EXPECT_EQ(formatOf(frames(2)), "") << "too short to be sure";
    // MPEG-2 layer III, 64 kbit/s, 22.05 kHz: 72 * 64000 / 22050 = 208 bytes.
    EXPECT_EQ(formatOf(frames(3, "\xFF\xF3\x80\x00", 208)), "mp3");
    EXPECT_EQ(formatOf(frames(3, "\xFF\xF3\x80\x00", 209)), "") << "frames not where they lead";

    QByteArray rateChanged = frames(3);
    rateChanged[kLayer3Bytes + 2] = '\x94'; // 48 kHz in the second frame
    EXPECT_EQ(formatOf(rateChanged), "");
    QByteArray broken = frames(3);
    broken[2 * kLayer3Bytes] = '\x00';
    EXPECT_EQ(formatOf(broken), "");

    EXPECT_EQ(formatOf(frames(3, "\xFF\xFB\x00\x00")), "") << "free format";
    EXPECT_EQ(formatOf(frames(3, "\xFF\xFF\x90\x00")), "") << "layer I";
    EXPECT_EQ(formatOf(frames(3, "\xFF\xF1\x50\x80")), "") << "ADTS AAC";
}

TEST(ContainerFormat, BoxesAndPagesMustBeWhole)
{
    const auto ftyp = [](quint32 size, const char* brand) {
        QByteArray box(4, '\0');
        qToBigEndian(size, box.data());
        return box + "ftyp" + brand + QByteArray(int(std::max<quint32>(size, 12) - 12), '\0');
    };
    EXPECT_EQ(formatOf(ftyp(20, "isom")), "mov");
    EXPECT_EQ(formatOf(ftyp(18, "isom")), "") << "brands are four bytes each";
    EXPECT_EQ(formatOf(ftyp(12, "isom")), "") << "no minor version";
    EXPECT_EQ(formatOf(ftyp(20, "jp2 ")), "") << "a JPEG 2000 image";

    const QByteArray page("OggS\0\x02", 6);
    EXPECT_EQ(formatOf(page + QByteArray(22, '\0')), "ogg");
    EXPECT_EQ(formatOf(QByteArray("OggS\0\x01", 6) + QByteArray(22, '\0')), "")
        << "a page that continues another";
    EXPECT_EQ(formatOf(QByteArray("OggS\x01\x02", 6) + QByteArray(22, '\0')), "");

    const QByteArray info("fLaC\0\0\0\x22", 8);
    EXPECT_EQ(formatOf(info + QByteArray(34, '\0')), "flac");
    EXPECT_EQ(formatOf(QByteArray("fLaC\x04\0\0\x22", 8) + QByteArray(34, '\0')), "")
        << "no stream information first";
}

TEST(ContainerFormat, Id3TagsOfAnyLengthAreSkipped)
{
    EXPECT_EQ(formatOf(id3(100 * 1024) + frames(3)), "mp3");
    EXPECT_EQ(formatOf(id3(64, 4, 0x10) + frames(3)), "mp3") << "with a footer";
    EXPECT_EQ(formatOf(id3(64, 4) + QByteArray(10, '\0') + frames(3)), "")
        << "a footer not announced";
    EXPECT_EQ(formatOf(id3(64) + contentsOf(testMedia("tone.aac"))), "");

    QByteArray unsafeSize = id3(64) + frames(3);
    unsafeSize[9] = char(0x80 | 64);
    EXPECT_EQ(formatOf(unsafeSize), "");
    EXPECT_EQ(formatOf(QByteArray("ID3\x03", 4)), "");
    EXPECT_EQ(formatOf(id3(64, 5) + frames(3)), "") << "no such version";
}
