// SPDX-License-Identifier: MIT
// Every type the open dialog offers, played by the player control with real
// libmpv (null audio output) on files generated here: each FFmpeg type to a
// known position, MIDI files synthesized through FluidSynth with their tempo
// map's length, seeks and end, the MIDI volume measured on the output, and a
// CD track with no drive.
#include "mediaitem.h"
#include "mpvengine.h"
#include "playbackfailure.h"
#include "playerhost.h"
#include "smfwriter.h"
#include "testmedia.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtEndian>
#include <cmath>

// --- FFmpeg's types -------------------------------------------------------------------

struct TypeCase {
    const char* name;
    bool video;
};

class EveryType : public testing::TestWithParam<TypeCase>
{
};

std::string typeCaseName(const testing::TestParamInfo<TypeCase>& info)
{
    return QString::fromLatin1(info.param.name).replace(u'.', u'_').toStdString();
}

TEST_P(EveryType, PlaysToAKnownPosition)
{
    const QString file = testMedia(QString::fromLatin1(GetParam().name));
    ASSERT_FALSE(file.isEmpty());
    PlayerHost host;
    MediaPlayer& player = *host.player;
    QSignalSpy frames(&player, &MediaPlayer::frameRendered);
    player.setFileName(file);
    ASSERT_TRUE(waitUntil([&] { return player.duration() > 1.5; }))
        << player.statusText().toStdString();
    EXPECT_LT(player.duration(), 2.2);
    player.seek(1.0);
    EXPECT_TRUE(playsPast(player, 1.2)) << player.statusText().toStdString();
    EXPECT_EQ(player.statusText(), QStringLiteral("再生中"));
    if (GetParam().video) {
        EXPECT_GT(frames.count(), 0) << "the picture was drawn";
    }
}

INSTANTIATE_TEST_SUITE_P(MediaFilter, EveryType,
                         testing::Values(TypeCase{"tone.wav", false}, TypeCase{"tone.mp3", false},
                                         TypeCase{"clip.avi", true}, TypeCase{"clip.mpeg", true},
                                         TypeCase{"clip.mpg", true}, TypeCase{"tone.au", false},
                                         TypeCase{"tone.snd", false}, TypeCase{"tone.aif", false},
                                         TypeCase{"tone.aifc", false}, TypeCase{"tone.aiff", false},
                                         TypeCase{"clip.asf", true}, TypeCase{"tone.wma", false},
                                         TypeCase{"clip.wmv", true}),
                         typeCaseName);

// Beyond the dialog's types: files whose demuxer is named by their first bytes.
INSTANTIATE_TEST_SUITE_P(NamedByContent, EveryType,
                         testing::Values(TypeCase{"tone.m4a", false}, TypeCase{"tone.ogg", false},
                                         TypeCase{"tone.flac", false}),
                         typeCaseName);

// --- MIDI -----------------------------------------------------------------------------------

namespace
{

constexpr double kTuneLength = SmfWriter::kTuneSeconds + 1.0; // last event plus the release

} // namespace

TEST(MidiPlayback, PlaysWithItsTempoMapsLengthSeeksPausesAndEnds)
{
    Scratch scratch;
    const QString tune = scratch.write("tune.mid", SmfWriter::tune(1));
    PlayerHost host;
    MediaPlayer& player = *host.player;
    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    player.setFileName(tune);
    ASSERT_TRUE(playsPast(player, 0.1)) << player.statusText().toStdString();
    EXPECT_NEAR(player.duration(), kTuneLength, 0.01);
    EXPECT_EQ(player.title(), QStringLiteral("tune.mid"));

    player.pause();
    EXPECT_EQ(player.playState(), PlayState::Paused);
    // A second of the tune left: the clock shows it moving on from the seek
    // even where the sanitizers slow everything down.
    player.seek(1.2);
    EXPECT_EQ(player.position(), 1.2);
    player.play();
    ASSERT_TRUE(playsPast(player, 1.25));
    ASSERT_TRUE(ended.count() > 0 || ended.wait(kWaitMs));
    EXPECT_EQ(player.playState(), PlayState::Stopped);
    EXPECT_EQ(player.position(), 0.0);

    player.play();
    EXPECT_TRUE(playsPast(player, 0.1)) << "plays again from the start";
}

TEST(MidiPlayback, RmiAndFormatZeroPlayAndBrokenFilesSayWhy)
{
    Scratch scratch;
    PlayerHost host;
    MediaPlayer& player = *host.player;
    player.setFileName(scratch.write("wrapped.rmi", SmfWriter::rmid(SmfWriter::tune(0))));
    ASSERT_TRUE(playsPast(player, 0.1)) << player.statusText().toStdString();
    EXPECT_NEAR(player.duration(), kTuneLength, 0.01);

    const QString broken =
        QStringLiteral("再生できません：MIDIファイルが壊れているか、対応していない形式です");
    EXPECT_EQ(failureOf(player,
                        scratch.write("zero.mid", QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\0", 14))),
              broken);
    EXPECT_EQ(failureOf(player, scratch.write("notracks.mid",
                                              QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14))),
              broken);
    EXPECT_EQ(failureOf(player, scratch.write("empty.rmi", SmfWriter::rmid(QByteArray()))), broken);

    // Judged by content: a wave file named .mid plays as wave.
    player.setFileName(scratch.copy(testMedia("tone.wav"), "wave.mid"));
    EXPECT_TRUE(playsPast(player, 0.1));
}

TEST(MidiPlayback, ALongFileSeeksFarWhileTheUiThreadKeepsRunning)
{
    // Twenty minutes of rests, then one note.
    const std::uint32_t twentyMinutes = 20 * 60 * 2 * 96;
    Scratch scratch;
    const QString file = scratch.write(
        "long.mid",
        SmfWriter(96).program(0, 0, 19).noteOn(twentyMinutes, 0, 60).noteOff(96, 0, 60).file(0));
    PlayerHost host;
    MediaPlayer& player = *host.player;

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticker.start(5);
    player.setFileName(file);
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_NEAR(player.duration(), 1200.5 + 1.0, 0.01);
    player.seek(1199.9);
    EXPECT_TRUE(playsPast(player, 1200.2));
    EXPECT_LT(longestGap, 250) << "milliseconds without an event handled";
}

namespace
{

// RMS of the 16-bit stereo output libmpv writes for `file` at `volume`.
double outputLevel(const QString& file, int volume, bool muted, const QString& capture)
{
    {
        MpvEngine engine(MpvEngine::Options{{"ao", "pcm"},
                                            {"ao-pcm-file", QFile::encodeName(capture)},
                                            {"ao-pcm-waveheader", "no"},
                                            {"audio-format", "s16"},
                                            {"audio-channels", "stereo"}});
        EXPECT_TRUE(engine.isValid()) << engine.initError().toStdString();
        QSignalSpy ended(&engine, &MpvEngine::endReached);
        engine.setVolume(volume);
        engine.setMuted(muted);
        MediaItem midi;
        midi.kind = MediaItem::Kind::Midi;
        midi.location = file;
        engine.load({midi});
        EXPECT_TRUE(ended.wait(kWaitMs));
    } // the engine closes its output file here
    QFile pcm(capture);
    EXPECT_TRUE(pcm.open(QIODevice::ReadOnly));
    const QByteArray bytes = pcm.readAll();
    EXPECT_GT(bytes.size(), 44100 * 4) << "about two seconds of sound";
    double sum = 0;
    const qsizetype samples = bytes.size() / 2;
    for (qsizetype i = 0; i < samples; ++i) {
        const double sample = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
        sum += sample * sample;
    }
    return samples ? std::sqrt(sum / double(samples)) : 0;
}

} // namespace

TEST(MidiPlayback, TheVolumeSetsTheLoudnessOfTheSynthesizedSound)
{
    Scratch scratch;
    const QString tune = scratch.write("tune.mid", SmfWriter::tune(0));
    const double full = outputLevel(tune, 100, false, scratch.path("100.pcm"));
    const double half = outputLevel(tune, 50, false, scratch.path("50.pcm"));
    const double none = outputLevel(tune, 0, false, scratch.path("0.pcm"));
    const double muted = outputLevel(tune, 100, true, scratch.path("muted.pcm"));
    EXPECT_GT(full, 200);
    // libmpv's volume is cubic: 50 % is an eighth of the amplitude.
    EXPECT_NEAR(half / full, 0.125, 0.02);
    EXPECT_EQ(none, 0.0);
    EXPECT_EQ(muted, 0.0);
}

// --- CD tracks ------------------------------------------------------------------------------

namespace
{

QByteArray cda(int track)
{
    QByteArray fmt(24, '\0');
    fmt[0] = 1;
    fmt[2] = char(track);
    return QByteArray("RIFF\x24\0\0\0CDDAfmt \x18\0\0\0", 20) + fmt;
}

} // namespace

TEST(CdPlayback, WithoutADriveTheStatusBarSaysSo)
{
    for (const char* device : {"/dev/cdrom", "/dev/sr0", "/dev/sr1", "/dev/sr2", "/dev/sr3"}) {
        if (QFileInfo::exists(QString::fromLatin1(device)))
            GTEST_SKIP() << "this machine has a drive: " << device;
    }
    Scratch scratch;
    PlayerHost host;
    EXPECT_EQ(failureOf(*host.player, scratch.write("Track02.cda", cda(2))),
              QStringLiteral("再生できません：CDが見つかりません"));
    EXPECT_EQ(host.player->title(), QStringLiteral("Track02.cda"));
    EXPECT_EQ(failureOf(*host.player, scratch.write("Track00.cda", cda(0))),
              QStringLiteral("再生できません：CDトラックの情報を読み取れません"));
}

TEST(CdPlayback, ATrackGoesToTheDriveAndAFailingDriveIsReported)
{
    // A file where the drive should be: libmpv (libcdio) opens it and finds no disc.
    Scratch scratch;
    MpvEngine engine(MpvEngine::Options{{"ao", "null"}});
    QSignalSpy failed(&engine, &MpvEngine::fileFailed);
    MediaItem track;
    track.kind = MediaItem::Kind::CdTrack;
    track.track = 2;
    track.location = scratch.write("not-a-drive", QByteArray(4096, '\0'));
    engine.load({track});
    ASSERT_TRUE(failed.wait(kWaitMs));
    // Loading failed (the drive), not the request (its options).
    EXPECT_EQ(failureOfEngineError(failed.first().first().toInt()),
              PlaybackFailure::UnsupportedFormat);
}
