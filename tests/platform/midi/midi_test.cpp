// SPDX-License-Identifier: MIT
// The MIDI path without the player: the file reader (from a table of good and
// damaged files), the tempo map, the renderer on the real soundfont and the
// WAV byte stream libmpv reads.
#include "midifile.h"
#include "midirenderer.h"
#include "midisequence.h"
#include "midistreamurl.h"
#include "midisynth.h"
#include "midiwavestream.h"
#include "smfwriter.h"
#include "soundfontlocator.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

constexpr int kRate = 44100;

QByteArray header(int format, int tracks, int division)
{
    return QByteArray("MThd\0\0\0\x06", 8) + char(0) + char(format) + char(0) + char(tracks) +
           char(division >> 8) + char(division & 0xFF);
}

QByteArray chunk(const char* tag, const QByteArray& body, int statedLength = -1)
{
    const int length = statedLength < 0 ? int(body.size()) : statedLength;
    return QByteArray(tag, 4) + char(length >> 24) + char(length >> 16) + char(length >> 8) +
           char(length) + body;
}

const QByteArray kNote("\x00\x90\x3C\x64\x60\x80\x3C\x40", 8); // note on, 96 ticks, off

std::shared_ptr<MidiSynth> synth()
{
    std::string error;
    std::shared_ptr<MidiSynth> made = MidiSynth::create(SoundFontLocator::find(), kRate, &error);
    EXPECT_TRUE(made) << error;
    return made;
}

std::shared_ptr<const MidiSequence> sequenceOf(const QByteArray& bytes)
{
    const std::optional<MidiFile> file = MidiFile::parse(bytesOf(bytes));
    EXPECT_TRUE(file);
    return file ? std::make_shared<const MidiSequence>(*file, kRate) : nullptr;
}

// Largest difference between two runs of samples.
int maxDifference(const std::int16_t* a, const std::int16_t* b, std::size_t count)
{
    int largest = 0;
    for (std::size_t i = 0; i < count; ++i)
        largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    return largest;
}

int maxDifference(const QByteArray& a, const QByteArray& b)
{
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(a.size() % 2, 0);
    return maxDifference(reinterpret_cast<const std::int16_t*>(a.constData()),
                         reinterpret_cast<const std::int16_t*>(b.constData()),
                         std::size_t(std::min(a.size(), b.size()) / 2));
}

// A restart leaves FluidSynth a few dozen units (below -54 dBFS) off a straight render.
constexpr int kRestartTolerance = 64;

std::vector<std::int16_t> renderAll(MidiRenderer& renderer, std::size_t chunkFrames)
{
    std::vector<std::int16_t> out(renderer.frameCount() * 2);
    std::size_t done = 0;
    while (std::size_t n = renderer.render(out.data() + done * 2, chunkFrames))
        done += n;
    out.resize(done * 2);
    return out;
}

double rms(const std::int16_t* samples, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / count) : 0;
}

} // namespace

// --- the reader -------------------------------------------------------------------

struct ParseCase {
    const char* name;
    QByteArray bytes;
    bool readable;
    int tracks;
    int eventsInFirstTrack;
};

class MidiFileParse : public testing::TestWithParam<ParseCase>
{
};

TEST_P(MidiFileParse, ReadsWhatCanBeReadAndRefusesTheRest)
{
    const ParseCase& c = GetParam();
    const std::optional<MidiFile> file = MidiFile::parse(bytesOf(c.bytes));
    ASSERT_EQ(file.has_value(), c.readable);
    if (!file)
        return;
    ASSERT_EQ(int(file->tracks().size()), c.tracks);
    EXPECT_EQ(int(file->tracks()[0].events.size()), c.eventsInFirstTrack);
}

const QByteArray kTrack = chunk("MTrk", kNote + QByteArray("\x00\xFF\x2F\x00", 4));

INSTANTIATE_TEST_SUITE_P(
    Table, MidiFileParse,
    testing::Values(
        ParseCase{"Empty", QByteArray(), false, 0, 0},
        ParseCase{"NotMidi", QByteArray("RIFF\0\0\0\0WAVEfmt ", 16), false, 0, 0},
        ParseCase{"ShortHeader", QByteArray("MThd\0\0\0\x06\0\0", 10), false, 0, 0},
        ParseCase{"HeaderLengthBelowSix", QByteArray("MThd\0\0\0\x02\0\0\0\x01\0\x60", 14) + kTrack,
                  false, 0, 0},
        ParseCase{"DivisionZero", header(0, 1, 0) + kTrack, false, 0, 0},
        ParseCase{"SmpteWithoutTicks", header(0, 1, 0xE700) + kTrack, false, 0, 0},
        ParseCase{"NoTrackChunk", header(0, 1, 96), false, 0, 0},
        ParseCase{"OneTrack", header(0, 1, 96) + kTrack, true, 1, 2},
        ParseCase{"TrackCountInHeaderIgnored", header(1, 9, 96) + kTrack + kTrack, true, 2, 2},
        ParseCase{"AlienChunkSkipped", header(1, 2, 96) + chunk("XFIH", "junk") + kTrack, true, 1,
                  2},
        ParseCase{"LengthPastTheEndCut", header(0, 1, 96) + chunk("MTrk", kNote, 1000), true, 1, 2},
        ParseCase{"RunningStatus",
                  header(0, 1, 96) + chunk("MTrk", QByteArray("\x00\x90\x3C\x64\x10\x3E\x64"
                                                              "\x10\x3C\x00\x10\x3E\x00",
                                                              13)),
                  true, 1, 4},
        ParseCase{"DataWithoutStatusEndsTrack",
                  header(0, 1, 96) + chunk("MTrk", QByteArray("\x00\x3C\x64", 3) + kNote), true, 1,
                  0},
        ParseCase{"SystemByteEndsTrack",
                  header(0, 1, 96) + chunk("MTrk", kNote + QByteArray("\x00\xF4", 2) + kNote), true,
                  1, 2},
        ParseCase{"StatusWhereDataBelongsEndsTrack",
                  header(0, 1, 96) + chunk("MTrk", kNote + QByteArray("\x00\x90\x3C\x90", 4)), true,
                  1, 2},
        ParseCase{"FiveByteDeltaEndsTrack",
                  header(0, 1, 96) + chunk("MTrk", kNote + QByteArray("\xFF\xFF\xFF\xFF\x7F", 5)),
                  true, 1, 2},
        ParseCase{"MetaAndSysexKept",
                  header(0, 1, 96) +
                      chunk("MTrk", QByteArray("\x00\xFF\x03\x02hi\x00\xF0\x05\x7E\x7F\x09\x01"
                                               "\xF7\x00\xFF\x51\x03\x07\xA1\x20",
                                               21) +
                                        kNote),
                  true, 1, 4},
        ParseCase{"Rmid", SmfWriter::rmid(header(0, 1, 96) + kTrack), true, 1, 2},
        ParseCase{"RmidWithoutData", QByteArray("RIFF\x0c\0\0\0RMIDLIST\0\0\0\0", 20), false, 0,
                  0}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

// --- the tempo map ------------------------------------------------------------------

struct TimingCase {
    const char* name;
    QByteArray bytes;
    double lastEventSeconds;
};

class MidiTiming : public testing::TestWithParam<TimingCase>
{
};

TEST_P(MidiTiming, LengthIsTheLastEventPlusTheRelease)
{
    const TimingCase& c = GetParam();
    const std::shared_ptr<const MidiSequence> sequence = sequenceOf(c.bytes);
    ASSERT_TRUE(sequence);
    EXPECT_NEAR(double(sequence->lastEventFrame()) / kRate, c.lastEventSeconds, 1e-4);
    const double expected =
        std::min(c.lastEventSeconds + MidiSequence::kReleaseSeconds, MidiSequence::kMaxSeconds);
    EXPECT_NEAR(sequence->lengthSeconds(), expected, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MidiTiming,
    testing::Values(
        TimingCase{"TempoChangeInOneTrack", SmfWriter::tune(0), SmfWriter::kTuneSeconds},
        TimingCase{"TempoTrackOfItsOwn", SmfWriter::tune(1), SmfWriter::kTuneSeconds},
        TimingCase{"DefaultTempo", SmfWriter(96).noteOn(0, 0, 60).noteOff(96, 0, 60).file(0), 0.5},
        // 25 frames a second, 40 ticks a frame: 1000 ticks a second, tempo ignored.
        TimingCase{
            "Smpte",
            SmfWriter(0xE728).tempo(0, 1'000'000).noteOn(0, 0, 60).noteOff(1500, 0, 60).file(0),
            1.5},
        TimingCase{"EndOfTrackAfterTheLastNote",
                   SmfWriter(96).noteOn(0, 0, 60).noteOff(96, 0, 60).endOfTrack(192).file(0), 1.5},
        TimingCase{"Format2PlaysTracksInTurn",
                   SmfWriter(96)
                       .tempo(0, 250'000)
                       .noteOn(0, 0, 60)
                       .noteOff(96, 0, 60)
                       .track()
                       .noteOn(0, 0, 62)
                       .noteOff(96, 0, 62)
                       .file(2),
                   0.25 + 0.5},
        TimingCase{"AbsurdDeltaCapped",
                   SmfWriter(1)
                       .tempo(0, 16'777'215)
                       .raw(0x0FFFFFFF, QByteArray("\x90\x3C\x40", 3))
                       .file(0),
                   MidiSequence::kMaxSeconds}),
    [](const testing::TestParamInfo<TimingCase>& info) { return info.param.name; });

TEST(MidiTiming, EventsAreMergedInTimeOrderAcrossTracks)
{
    const std::shared_ptr<const MidiSequence> sequence = sequenceOf(SmfWriter::tune(1));
    ASSERT_TRUE(sequence);
    std::vector<std::uint64_t> noteOns;
    for (const MidiEvent& event : sequence->events()) {
        if (event.isNoteOn())
            noteOns.push_back(event.frame);
    }
    const std::vector<std::uint64_t> expected = {0, 11025, 22050, 33075};
    EXPECT_EQ(noteOns, expected);
}

// --- rendering -------------------------------------------------------------------------

TEST(MidiRendering, PlaysTheNotesAndFadesToSilenceAtTheEnd)
{
    MidiRenderer renderer(sequenceOf(SmfWriter::tune(0)), synth());
    const std::vector<std::int16_t> pcm = renderAll(renderer, 4096);
    ASSERT_EQ(pcm.size(), renderer.frameCount() * 2);
    EXPECT_EQ(renderer.frameCount(), std::uint64_t(std::llround(2.25 * kRate)));
    EXPECT_GT(rms(pcm.data() + kRate / 10 * 2, kRate / 10 * 2), 100) << "the first note sounds";
    EXPECT_EQ(pcm[pcm.size() - 1], 0);
    EXPECT_EQ(pcm[pcm.size() - 2], 0);
    std::int16_t out[8];
    EXPECT_EQ(renderer.render(out, 4), 0u) << "nothing after the end";
}

TEST(MidiRendering, TheSamplesDoNotDependOnHowTheyAreAskedFor)
{
    const auto sequence = sequenceOf(SmfWriter::tune(0));
    MidiRenderer large(sequence, synth());
    MidiRenderer small(sequence, synth());
    const std::vector<std::int16_t> a = renderAll(large, 4096);
    const std::vector<std::int16_t> b = renderAll(small, 37);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * 2), 0);
}

TEST(MidiRendering, SeeksLandOnTheirFrameInEitherDirection)
{
    const auto sequence = sequenceOf(SmfWriter::tune(0));
    MidiRenderer straight(sequence, synth());
    const std::vector<std::int16_t> reference = renderAll(straight, 1000);

    MidiRenderer sought(sequence, synth());
    bool ahead = true; // the first seek renders ahead: no restart, the very same samples
    for (const std::uint64_t frame : {70'000u, 1'000u, 33'075u, 33'076u, 99'000u, 0u}) {
        sought.seek(frame);
        std::int16_t out[512];
        const std::size_t n = sought.render(out, 256);
        ASSERT_EQ(n, std::min<std::size_t>(256, sought.frameCount() - frame)) << frame;
        EXPECT_EQ(sought.position(), frame + n);
        const int difference = maxDifference(out, reference.data() + frame * 2, n * 2);
        EXPECT_LE(difference, ahead ? 0 : kRestartTolerance) << frame;
        ahead = false;
    }
}

TEST(MidiRendering, ALongSeekReplaysProgramsAndRendersOnlyThePreroll)
{
    // A program change at the start, a note 20 minutes in.
    const std::uint32_t twentyMinutes = 20 * 60 * 2 * 96; // at 120 bpm
    const QByteArray bytes = SmfWriter(96)
                                 .program(0, 0, 40) // violin
                                 .noteOn(twentyMinutes, 0, 69)
                                 .noteOff(96, 0, 69)
                                 .file(0);
    MidiRenderer renderer(sequenceOf(bytes), synth());
    EXPECT_NEAR(double(renderer.frameCount()) / kRate, 1200 + 0.5 + 1.0, 1e-3);
    renderer.seek(std::uint64_t(1200.1 * kRate));
    std::vector<std::int16_t> out(kRate / 5 * 2);
    ASSERT_EQ(renderer.render(out.data(), kRate / 5), std::size_t(kRate / 5));
    EXPECT_GT(rms(out.data(), out.size()), 100) << "the note sounds after the seek";
}

// --- the WAV stream ----------------------------------------------------------------------

TEST(MidiWaveStream, IsAPcmWaveFileOfTheSequencesLength)
{
    const QByteArray tune = SmfWriter::tune(0);
    std::string error;
    const std::unique_ptr<MidiWaveStream> wave =
        MidiWaveStream::open(bytesOf(tune), SoundFontLocator::find(), &error);
    ASSERT_TRUE(wave) << error;
    const std::uint64_t frames = std::llround(2.25 * kRate);
    EXPECT_EQ(wave->size(), 44 + frames * 4);

    QByteArray all(int(wave->size()), '\0');
    ASSERT_EQ(wave->read(all.data(), wave->size() + 100), wave->size());
    EXPECT_TRUE(all.startsWith("RIFF"));
    EXPECT_EQ(all.mid(8, 8), "WAVEfmt ");
    auto le32 = [&](int at) { return qFromLittleEndian<quint32>(all.constData() + at); };
    auto le16 = [&](int at) { return qFromLittleEndian<quint16>(all.constData() + at); };
    EXPECT_EQ(le16(20), 1u); // PCM
    EXPECT_EQ(le16(22), 2u);
    EXPECT_EQ(le32(24), quint32(kRate));
    EXPECT_EQ(le16(34), 16u);
    EXPECT_EQ(all.mid(36, 4), "data");
    EXPECT_EQ(le32(40), quint32(frames * 4));
    EXPECT_EQ(le32(4), quint32(36 + frames * 4));
    EXPECT_EQ(wave->read(all.data(), 10), 0u) << "at the end";

    // Odd read sizes, in order, give the same bytes as one read.
    const std::unique_ptr<MidiWaveStream> fresh =
        MidiWaveStream::open(bytesOf(tune), SoundFontLocator::find());
    QByteArray pieces;
    char buffer[4099];
    for (std::uint64_t size = 1; pieces.size() < 60'000; size = size * 3 % 4099 + 1) {
        const std::uint64_t n = fresh->read(buffer, size);
        ASSERT_GT(n, 0u);
        pieces.append(buffer, qsizetype(n));
    }
    EXPECT_EQ(pieces, all.left(pieces.size()));
    // Odd offsets land on their byte; a restart may move a sample by a few units.
    for (const std::uint64_t offset : {45'001u, 3u, 200'003u, 44u, 90'000u}) {
        ASSERT_TRUE(wave->seek(offset));
        ASSERT_EQ(wave->read(buffer, 1001), 1001u);
        const QByteArray got(buffer, 1001);
        const QByteArray expected = all.mid(qsizetype(offset), 1001);
        if (offset < 44) {
            EXPECT_EQ(got.left(int(44 - offset)), expected.left(int(44 - offset)));
        } else {
            const auto skip = qsizetype((offset - 44) % 2); // compare whole samples
            EXPECT_LE(maxDifference(got.mid(skip, 998), expected.mid(skip, 998)), kRestartTolerance)
                << offset;
        }
    }
    EXPECT_FALSE(wave->seek(wave->size() + 1));
    EXPECT_TRUE(wave->seek(wave->size()));
}

TEST(MidiWaveStream, ABrokenFileOrAMissingSoundfontOpensNothing)
{
    std::string error;
    EXPECT_FALSE(MidiWaveStream::open(bytesOf("MThd garbage"), SoundFontLocator::find(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MidiWaveStream::open(bytesOf(SmfWriter::tune(0)), "/nonexistent.sf2", &error));
    EXPECT_FALSE(MidiWaveStream::openFile("/nonexistent.mid", SoundFontLocator::find(), &error));
}

// --- names ---------------------------------------------------------------------------------

TEST(MidiStreamUrl, CarriesAnyPathByteForByte)
{
    for (const std::string& path :
         std::vector<std::string>{"/music/a.mid", "/a b/日本語.mid", "/x%41y/?#&.rmi",
                                  "/-option/../file://x", std::string("/\x01\xff", 3)}) {
        const std::string url = MidiStreamUrl::fromPath(path);
        EXPECT_TRUE(url.starts_with("merosonx-midi:///")) << url;
        EXPECT_EQ(url.find_first_of(" ?#&:", 16), std::string::npos) << url;
        EXPECT_EQ(MidiStreamUrl::toPath(url), path);
    }
    EXPECT_FALSE(MidiStreamUrl::toPath("file:///a.mid"));
    EXPECT_FALSE(MidiStreamUrl::toPath("merosonx-midi:/a.mid"));
    EXPECT_FALSE(MidiStreamUrl::toPath("merosonx-midi:///a%4"));
    EXPECT_FALSE(MidiStreamUrl::toPath("merosonx-midi:///a%zz"));
}

TEST(SoundFontLocator, TakesTheFirstReadableCandidate)
{
    const std::string found = SoundFontLocator::find();
    ASSERT_FALSE(found.empty()) << "timgm6mb-soundfont is a dependency";
    EXPECT_EQ(SoundFontLocator::findIn({"/nonexistent/a.sf2", "/tmp", found}), found);
    EXPECT_EQ(SoundFontLocator::findIn({"/nonexistent/a.sf2"}), "");
}
