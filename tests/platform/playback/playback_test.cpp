// SPDX-License-Identifier: MIT
// The playback state machine without widgets or a display: sequences of
// requests and engine events, the states they pass through and the signals
// they give, on real libmpv with generated media.
#include "mpvengine.h"
#include "playback.h"
#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace
{

using State = Playback::State;
constexpr int kWaitMs = 8000;

// The states a playback announced, in order.
struct StateLog {
    explicit StateLog(Playback& playback)
    {
        QObject::connect(&playback, &Playback::stateChanged,
                         [this](State state) { states.push_back(state); });
    }
    std::vector<State> states;
};

bool waitFor(Playback& playback, State state)
{
    return QTest::qWaitFor([&] { return playback.state() == state; }, kWaitMs);
}

struct Sequence {
    const char* name;
    QString (*file)(const QTemporaryDir&);
    // Requests made right after setFileName, while the file is loading.
    std::function<void(Playback&)> whileLoading;
    State settlesIn;              // once the file is open (or has failed)
    std::vector<State> announced; // every state change, in order, until then
    PlaybackFailure failure = PlaybackFailure::None;
};

QString wav(const QTemporaryDir&)
{
    return testMedia("tone.wav");
}

QString missing(const QTemporaryDir& dir)
{
    return dir.filePath("missing.wav");
}

QString folder(const QTemporaryDir& dir)
{
    return dir.path();
}

QString empty(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("empty.mp3");
    writeBytes(path, {});
    return path;
}

QString noise(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("noise.mp3");
    writeBytes(path, noiseBytes(64 * 1024, 7));
    return path;
}

QString secondReplacesFirst(const QTemporaryDir&)
{
    return testMedia("tone.mp3");
}

} // namespace

TEST(PlaybackStates, EachSequenceAnnouncesItsStatesAndSettles)
{
    const Sequence sequences[] = {
        {"plain load", wav, {}, State::Playing, {State::Loading, State::Playing}},
        {"missing file",
         missing,
         {},
         State::Failed,
         {State::Loading, State::Failed},
         PlaybackFailure::FileNotFound},
        {"folder",
         folder,
         {},
         State::Failed,
         {State::Loading, State::Failed},
         PlaybackFailure::Folder},
        {"empty file",
         empty,
         {},
         State::Failed,
         {State::Loading, State::Failed},
         PlaybackFailure::EmptyFile},
        {"noise",
         noise,
         {},
         State::Failed,
         {State::Loading, State::Failed},
         PlaybackFailure::UnsupportedFormat},
        {"pause while loading",
         wav,
         [](Playback& p) { p.pause(); },
         State::Paused,
         {State::Loading, State::Paused}},
        {"stop while loading",
         wav,
         [](Playback& p) { p.stop(); },
         State::Stopped,
         {State::Loading, State::Stopped}},
        {"stop, then seek while loading",
         wav,
         [](Playback& p) {
             p.stop();
             p.seek(1.0);
         },
         State::Paused,
         {State::Loading, State::Paused}},
        {"pause, then play while loading",
         wav,
         [](Playback& p) {
             p.pause();
             p.play();
         },
         State::Playing,
         {State::Loading, State::Playing}},
        {"a second file while the first loads",
         secondReplacesFirst,
         [](Playback& p) { p.setFileName(testMedia("tone.mp3")); },
         State::Playing,
         {State::Loading, State::Playing}},
    };
    for (const Sequence& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        QTemporaryDir dir;
        Playback playback;
        StateLog log(playback);
        QSignalSpy loaded(&playback, &Playback::fileLoaded);
        QSignalSpy failed(&playback, &Playback::playbackFailed);
        // The first file of the last case, replaced before it opens.
        playback.setFileName(sequence.file == secondReplacesFirst ? testMedia("tone.wav")
                                                                  : sequence.file(dir));
        if (sequence.whileLoading)
            sequence.whileLoading(playback);
        if (sequence.failure != PlaybackFailure::None) {
            ASSERT_TRUE(failed.count() > 0 || failed.wait(kWaitMs));
            EXPECT_EQ(playback.error().failure, sequence.failure);
            EXPECT_EQ(failed.first().first().toString(), playback.error().text());
            EXPECT_EQ(playback.statusText(), "再生できません：" + playback.error().text());
        } else {
            ASSERT_TRUE(loaded.count() > 0 || loaded.wait(kWaitMs));
            EXPECT_EQ(loaded.count(), 1) << "only the latest file reports";
            EXPECT_TRUE(failed.isEmpty());
        }
        EXPECT_EQ(playback.state(), sequence.settlesIn);
        EXPECT_EQ(log.states, sequence.announced);
    }
}

TEST(PlaybackStates, RequestsWhileLoadingLandOnceTheFileIsOpen)
{
    Playback playback;
    playback.setFileName(testMedia("tone.wav"));
    playback.seek(1.2);
    ASSERT_TRUE(waitFor(playback, State::Playing));
    QSignalSpy moved(&playback, &Playback::positionChanged);
    ASSERT_TRUE(moved.wait(kWaitMs));
    EXPECT_GE(moved.first().first().toDouble(), 1.15) << "the seek made while loading was kept";

    // Paused and seeked while loading: it opens paused there.
    playback.setFileName(testMedia("tone.wav"));
    playback.pause();
    playback.seek(1.5);
    QSignalSpy opened(&playback, &Playback::fileLoaded);
    ASSERT_TRUE(opened.wait(kWaitMs));
    EXPECT_EQ(playback.state(), State::Paused);
    EXPECT_DOUBLE_EQ(playback.position(), 1.5);

    // Stopped while loading: the file opens and waits at its start.
    playback.setFileName(testMedia("tone.mp3"));
    playback.stop();
    QSignalSpy loaded(&playback, &Playback::fileLoaded);
    ASSERT_TRUE(loaded.wait(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.title() == "テスト曲"; }, kWaitMs));
    EXPECT_EQ(playback.state(), State::Stopped);
    EXPECT_EQ(playback.position(), 0.0);
    playback.play();
    EXPECT_EQ(playback.state(), State::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.position() > 0.3; }, kWaitMs));
}

TEST(PlaybackStates, AFileOpenedAheadIsNotOpenedAgainWhenNamed)
{
    // The program opens its first file before its window exists, then names
    // it when the window does: that must not start the load over (which would
    // also drop a seek asked for meanwhile).
    Playback playback;
    playback.openAhead(testMedia("tone.wav"));
    playback.seek(1.2);
    playback.setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(waitFor(playback, State::Playing));
    QSignalSpy moved(&playback, &Playback::positionChanged);
    ASSERT_TRUE(moved.wait(kWaitMs));
    EXPECT_GE(moved.first().first().toDouble(), 1.15);

    // Named once more, the file opens again from its start.
    QSignalSpy opened(&playback, &Playback::fileLoaded);
    playback.setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(opened.wait(kWaitMs));
    EXPECT_LT(playback.position(), 1.0);
}

TEST(PlaybackStates, TheEndStopsAtTheStartAndPlayGoesOnFromThere)
{
    Playback playback;
    StateLog log(playback);
    QSignalSpy ended(&playback, &Playback::endOfMedia);
    playback.setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(waitFor(playback, State::Playing));
    playback.seek(1.9);
    ASSERT_TRUE(ended.wait(kWaitMs));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(playback.state(), State::Stopped);
    EXPECT_EQ(playback.playState(), PlayState::Stopped);
    EXPECT_EQ(playback.position(), 0.0);
    EXPECT_EQ(log.states, (std::vector{State::Loading, State::Playing, State::Stopped}));

    playback.play();
    EXPECT_EQ(playback.state(), State::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.position() > 0.2; }, kWaitMs));
    EXPECT_LT(playback.position(), 1.5) << "from the start";

    // A failed file is tried again by play(); nothing plays without a file.
    QTemporaryDir dir;
    playback.setFileName(missing(dir));
    ASSERT_TRUE(waitFor(playback, State::Failed));
    QSignalSpy failedAgain(&playback, &Playback::playbackFailed);
    playback.play();
    EXPECT_EQ(playback.state(), State::Loading);
    ASSERT_TRUE(failedAgain.wait(kWaitMs));
    playback.setFileName({});
    EXPECT_EQ(playback.state(), State::Idle);
    for (auto request : {&Playback::play, &Playback::pause, &Playback::stop})
        (playback.*request)();
    playback.seek(1);
    EXPECT_EQ(playback.state(), State::Idle);
    EXPECT_EQ(playback.statusText(), "停止");
}

TEST(PlaybackStates, APlaylistStepsOverAnEntryThatFailsAndEndsAtItsFirst)
{
    QTemporaryDir dir;
    const QString bad = noise(dir);
    const QString list = dir.filePath("list.m3u");
    writeBytes(list,
               (testMedia("tone.wav") + "\n" + bad + "\n" + testMedia("tone.mp3") + "\n").toUtf8());
    Playback playback;
    QSignalSpy entries(&playback, &Playback::currentEntryChanged);
    QSignalSpy ended(&playback, &Playback::endOfMedia);
    QSignalSpy failed(&playback, &Playback::playbackFailed);
    playback.setFileName(list);
    ASSERT_TRUE(waitFor(playback, State::Playing));
    EXPECT_EQ(playback.entryCount(), 3);
    EXPECT_EQ(playback.currentEntry(), 0);
    playback.seek(1.9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.currentEntry() == 2; }, kWaitMs));
    EXPECT_EQ(playback.state(), State::Playing) << "the broken entry is passed over";
    EXPECT_TRUE(failed.isEmpty());
    playback.seek(1.9);
    ASSERT_TRUE(ended.wait(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.currentEntry() == 0; }, kWaitMs));
    EXPECT_EQ(playback.state(), State::Stopped);
    EXPECT_EQ(entries.count(), 3); // 0, 2, back to 0
}

// Entries of a long list keep arriving while it plays (the rest of the file
// is read meanwhile). Once the list was told to have failed, entries that
// still arrive wait for the next play instead of playing behind the failure.
TEST(PlaybackEngine, EntriesArrivingAfterTheListFailedWaitForTheNextPlay)
{
    MediaItem missing;
    missing.location = QDir::temp().filePath("merosonx-missing.wav");
    MediaItem tone;
    tone.location = testMedia("tone.wav");
    MpvEngine engine(MpvEngine::Options{{"ao", "null"}});
    QSignalSpy failed(&engine, &MpvEngine::fileFailed);
    QSignalSpy started(&engine, &MpvEngine::itemStarted);
    engine.load({missing});
    ASSERT_TRUE(failed.wait(kWaitMs));
    engine.append({tone}, 1);
    EXPECT_FALSE(started.wait(1000)) << "nothing plays behind a failure";
}

TEST(PlaybackStates, AFileCutShortOrRemovedWhilePlayingIsSaidAndTheNextOpenWorks)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath("six.wav");
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                           "sine=f=440:d=6", wav}),
              0);
    const QByteArray whole = [&] {
        QFile file(wav);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    struct Case {
        const char* name;
        std::function<void()> change;
        PlaybackFailure failure;
    };
    const Case cases[] = {
        {"cut short", [&] { QFile::resize(wav, whole.size() / 6); },
         PlaybackFailure::ChangedWhilePlaying},
        // Removed: what was read ahead is all the player still has.
        {"removed, then the rest cut", [&] { QFile::remove(wav); }, PlaybackFailure::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(wav, whole);
        Playback playback;
        playback.setFileName(wav);
        ASSERT_TRUE(waitFor(playback, State::Playing));
        ASSERT_TRUE(QTest::qWaitFor([&] { return playback.position() > 0.2; }, kWaitMs));
        c.change();
        if (c.failure == PlaybackFailure::None) {
            // The open file plays on to its end.
            playback.seek(5.5);
            ASSERT_TRUE(waitFor(playback, State::Stopped));
        } else {
            ASSERT_TRUE(waitFor(playback, State::Failed)) << playback.statusText().toStdString();
            EXPECT_EQ(playback.error().failure, c.failure);
        }
        playback.setFileName(testMedia("tone.wav"));
        EXPECT_TRUE(waitFor(playback, State::Playing)) << "the next open works";
    }
}

namespace
{

// A PCM WAV file of `seconds` of silence, 16-bit, left sparse on disk.
QString sparseWav(const QTemporaryDir& dir, const char* name, quint32 rate, quint16 channels,
                  double seconds)
{
    const quint32 dataBytes = quint32(seconds * rate * channels * 2);
    QByteArray header;
    auto u32 = [&](quint32 v) { header.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { header.append(reinterpret_cast<const char*>(&v), 2); };
    header += "RIFF";
    u32(36 + dataBytes);
    header += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(channels * 2);
    u16(16);
    header += "data";
    u32(dataBytes);
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size() ||
        !file.resize(header.size() + qint64(dataBytes)))
        return {};
    return path;
}

} // namespace

TEST(PlaybackStates, TenHoursAndTwoGigabytesOpenAndSeekAnywhere)
{
    QTemporaryDir dir;
    const QString tenHours = sparseWav(dir, "ten-hours.wav", 8000, 1, 10 * 3600.0);
    const QString twoGigabytes = sparseWav(dir, "two-gb.wav", 44100, 2, 2e9 / (44100 * 4));
    ASSERT_FALSE(tenHours.isEmpty());
    ASSERT_FALSE(twoGigabytes.isEmpty());
    for (const QString& path : {tenHours, twoGigabytes}) {
        SCOPED_TRACE(path.toStdString());
        Playback playback;
        playback.setFileName(path);
        ASSERT_TRUE(waitFor(playback, State::Playing));
        ASSERT_TRUE(QTest::qWaitFor([&] { return playback.duration() > 3 * 3600; }, kWaitMs));
        for (const double to : {playback.duration() - 30, playback.duration() / 2, 60.0}) {
            playback.seek(to);
            QSignalSpy moved(&playback, &Playback::positionChanged);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return !moved.isEmpty() && moved.last().first().toDouble() > to + 0.25; },
                kWaitMs))
                << "plays on from " << to;
            EXPECT_LT(playback.position(), to + 5);
        }
    }
}
