// SPDX-License-Identifier: MIT
// The sound server going away while a file plays, and coming back: on a
// PulseAudio server of the test's own, with a null sink.
#include "playback.h"
#include "scopedenvironment.h"
#include "soundserver.h"
#include "testmedia.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

constexpr int kWaitMs = 10000;

TEST(SoundServer, PlaybackGoesOnWhenItGoesAndTakesItBackWhenItReturns)
{
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
        GTEST_SKIP() << "pulseaudio is not installed";
    QTemporaryDir runtime;
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.path());
    environment.set("PULSE_RUNTIME_PATH", runtime.path() + "/pulse");
    SoundServer server(runtime.path());
    ASSERT_TRUE(server.start());

    // Ten seconds of sound, so that it plays throughout.
    const QString wav = runtime.filePath("long.wav");
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                           "sine=f=440:d=10", wav}),
              0);
    Playback playback;
    QSignalSpy lost(&playback, &Playback::soundLostChanged);
    playback.setFileName(wav);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.audioOutput() == "pulse"; }, kWaitMs));
    EXPECT_TRUE(server.hasPlayerStream());
    EXPECT_FALSE(playback.isSoundLost());

    server.stop();
    ASSERT_TRUE(lost.wait(kWaitMs));
    EXPECT_TRUE(playback.isSoundLost());
    EXPECT_EQ(playback.state(), Playback::State::Playing);
    EXPECT_TRUE(playback.statusText().startsWith("再生中（音声の出力先が見つかりません"))
        << playback.statusText().toStdString();
    const double before = playback.position();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.position() > before + 0.5; }, kWaitMs))
        << "playing on without sound";

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playback.isSoundLost(); }, kWaitMs))
        << "the server that came back is taken again";
    EXPECT_EQ(playback.statusText(), "再生中");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hasPlayerStream(); }, kWaitMs));
}
