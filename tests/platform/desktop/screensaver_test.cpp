// SPDX-License-Identifier: MIT
// The screen saver while a video plays: ScreenSaverInhibitor and
// VideoInhibitPolicy against a stand-in screen saver on a private session bus.
#include "desktoptestsupport.h"
#include "mediaplayer.h"
#include "screensaverinhibitor.h"
#include "screensaverrecorder.h"
#include "testmedia.h"
#include "videoinhibitpolicy.h"

#include <QDBusConnection>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace
{

const QString kInhibit = QStringLiteral("Inhibit");
const QString kUnInhibit = QStringLiteral("UnInhibit");

class ScreenSaver : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.isRegistered()) << "runs under dbus-run-session";
        player = new MediaPlayer(&window);
        player->resize(320, 300);
        window.resize(player->size());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    bool playing()
    {
        return waitUntil([&] { return player->playState() == PlayState::Playing; });
    }

    ScreenSaverRecorder recorder;
    QWidget window;
    MediaPlayer* player = nullptr;
    ScreenSaverInhibitor inhibitor{QDBusConnection::sessionBus(), QStringLiteral("Mero Sonx")};
};

TEST_F(ScreenSaver, VideoKeepsTheScreenOnUntilPauseEndOrStop)
{
    VideoInhibitPolicy policy(player->playback(), inhibitor);
    player->setFileName(testMedia("green.mp4"));
    ASSERT_TRUE(waitUntil([&] { return recorder.held().size() == 1; }));
    const ScreenSaverRecorder::Call first = recorder.calls().first();
    EXPECT_EQ(first.application, QStringLiteral("Mero Sonx"));
    EXPECT_FALSE(first.reason.isEmpty());

    player->pause();
    EXPECT_TRUE(waitUntil([&] { return recorder.count(kUnInhibit) == 1; }));
    EXPECT_TRUE(recorder.held().isEmpty());

    player->play();
    EXPECT_TRUE(waitUntil([&] { return recorder.count(kInhibit) == 2; }));
    QSignalSpy ended(player, &MediaPlayer::endOfMedia);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_TRUE(waitUntil([&] { return recorder.count(kUnInhibit) == 2; }));

    player->play();
    EXPECT_TRUE(waitUntil([&] { return recorder.count(kInhibit) == 3; }));
    player->stop();
    EXPECT_TRUE(waitUntil([&] { return recorder.count(kUnInhibit) == 3; }));
    EXPECT_TRUE(recorder.held().isEmpty());
}

TEST_F(ScreenSaver, AudioWithACoverLeavesTheScreenSaverAlone)
{
    // tone.mp3 with a picture attached, as a cover.
    QTemporaryDir dir;
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::blue);
    ASSERT_TRUE(cover.save(dir.filePath("cover.png")));
    const QString song = dir.filePath("covered.mp3");
    bool made = false;
    runProgram("ffmpeg",
               {"-nostdin",
                "-loglevel",
                "error",
                "-i",
                testMedia("tone.mp3"),
                "-i",
                dir.filePath("cover.png"),
                "-map",
                "0",
                "-map",
                "1",
                "-c:a",
                "copy",
                "-c:v",
                "png",
                "-disposition:v",
                "attached_pic",
                "-id3v2_version",
                "3",
                song},
               &made, 30000);
    ASSERT_TRUE(made);

    VideoInhibitPolicy policy(player->playback(), inhibitor);
    QSignalSpy frames(player, &MediaPlayer::frameRendered);
    player->setFileName(song);
    ASSERT_TRUE(waitUntil([&] { return player->position() > 1.2; }));
    EXPECT_GE(frames.count(), 1) << "the cover was shown";
    player->setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(waitUntil([&] { return player->position() > 0.5; }));
    EXPECT_TRUE(recorder.calls().isEmpty());
    EXPECT_FALSE(policy.isInhibiting());
}

TEST_F(ScreenSaver, AReleaseThatOvertakesTheInhibitStillReleasesIt)
{
    inhibitor.inhibit(QStringLiteral("test"));
    inhibitor.release();
    EXPECT_FALSE(inhibitor.isInhibiting());
    ASSERT_TRUE(waitUntil([&] { return recorder.count(kUnInhibit) == 1; }));
    ASSERT_EQ(recorder.calls().size(), 2);
    EXPECT_EQ(recorder.calls()[0].cookie, recorder.calls()[1].cookie);
}

TEST_F(ScreenSaver, TheWayOutReleasesBeforeItReturns)
{
    QSignalSpy inhibited(&inhibitor, &ScreenSaverInhibitor::inhibited);
    inhibitor.inhibit(QStringLiteral("test"));
    ASSERT_TRUE(inhibited.wait(5000));
    inhibitor.releaseNow();
    EXPECT_TRUE(recorder.held().isEmpty()) << "no event loop ran in between";
    EXPECT_EQ(recorder.count(kUnInhibit), 1);
}

TEST_F(ScreenSaver, TheWayOutReleasesAnInhibitStillOnItsWay)
{
    // A quit right after a video started: the screen saver may already hold
    // the Inhibit whose reply the player has not read yet.
    inhibitor.inhibit(QStringLiteral("test"));
    inhibitor.releaseNow();
    EXPECT_TRUE(recorder.held().isEmpty());
    ASSERT_EQ(recorder.count(kUnInhibit), 1);

    // The late reply releases nothing twice: whatever it would send goes out
    // before the next Inhibit's reply is read.
    QSignalSpy inhibited(&inhibitor, &ScreenSaverInhibitor::inhibited);
    inhibitor.inhibit(QStringLiteral("again"));
    ASSERT_TRUE(inhibited.wait(5000));
    inhibitor.releaseNow();
    QStringList methods;
    for (const ScreenSaverRecorder::Call& call : recorder.calls())
        methods << call.method;
    EXPECT_EQ(methods, QStringList({kInhibit, kUnInhibit, kInhibit, kUnInhibit}));
    EXPECT_TRUE(recorder.held().isEmpty());
}

TEST(ScreenSaverAbsent, NothingHappensAndNothingBreaks)
{
    ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus(), QStringLiteral("Mero Sonx"));
    QSignalSpy inhibited(&inhibitor, &ScreenSaverInhibitor::inhibited);
    QSignalSpy unavailable(&inhibitor, &ScreenSaverInhibitor::unavailable);
    inhibitor.inhibit(QStringLiteral("test"));
    EXPECT_TRUE(inhibitor.isInhibiting());
    EXPECT_TRUE(unavailable.wait(5000)) << "no screen saver on this bus";
    EXPECT_EQ(inhibited.count(), 0);
    inhibitor.release();
    ScreenSaverInhibitor offline(QDBusConnection(QStringLiteral("no such connection")), "x");
    offline.inhibit(QStringLiteral("test"));
    offline.releaseNow();
}

} // namespace
