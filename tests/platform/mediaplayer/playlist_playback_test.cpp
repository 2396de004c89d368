// SPDX-License-Identifier: MIT
// Playlists played by the player control: entries in order with the current
// one named, skipped failures, the end going back to the first entry, nested
// lists with MIDI in them, lists with nothing playable, and stepping through
// the entries both ways.
#include "controlbar.h"
#include "playerhost.h"
#include "smfwriter.h"
#include "testmedia.h"

#include <QToolButton>

namespace
{

QByteArray asx(const QString& body)
{
    return (QStringLiteral("<ASX version=\"3.0\">") + body + QStringLiteral("</ASX>")).toUtf8();
}

QString entry(const QString& href, const QString& title = {})
{
    const QString named =
        title.isEmpty() ? QString() : QStringLiteral("<TITLE>%1</TITLE>").arg(title);
    return QStringLiteral("<ENTRY>%1<REF HREF=\"%2\"/></ENTRY>").arg(named, href);
}

} // namespace

TEST(PlaylistPlayback, EntriesPlayInOrderNamedAndTheEndReturnsToTheFirst)
{
    Scratch scratch;
    scratch.copy(testMedia("tone.wav"), "music/first.wav");
    const QString list =
        scratch.write("list.asx", asx(entry("music\\first.wav", QStringLiteral("最初の曲")) +
                                      entry("missing.wav") + entry(testMedia("tone.mp3"))));
    PlayerHost host;
    MediaPlayer& player = *host.player;
    QSignalSpy changed(&player, &MediaPlayer::currentEntryChanged);
    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    player.setFileName(list);
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_EQ(player.entryCount(), 2);
    EXPECT_EQ(player.currentEntry(), 0);
    EXPECT_EQ(player.title(), QStringLiteral("最初の曲"));
    EXPECT_EQ(player.fileName(), list);

    player.seek(1.8);
    ASSERT_TRUE(waitUntil([&] { return player.currentEntry() == 1; }));
    EXPECT_TRUE(ended.isEmpty()) << "the list goes on";
    ASSERT_TRUE(waitUntil([&] { return player.title() == QStringLiteral("テスト曲"); }))
        << player.title().toStdString();
    EXPECT_EQ(player.artist(), QStringLiteral("テスト"));
    ASSERT_TRUE(playsPast(player, 0.05));
    EXPECT_LT(player.position(), 1.5) << "the second entry's own clock";

    player.seek(1.8);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(kWaitMs));
    EXPECT_EQ(player.playState(), PlayState::Stopped);
    EXPECT_EQ(player.position(), 0.0);
    ASSERT_TRUE(waitUntil([&] { return player.currentEntry() == 0; }));
    EXPECT_EQ(player.title(), QStringLiteral("最初の曲"));
    EXPECT_EQ(player.playState(), PlayState::Stopped) << "back at the start, not playing";
    EXPECT_GE(changed.count(), 2);

    player.play();
    EXPECT_TRUE(playsPast(player, 0.05));
    EXPECT_EQ(player.currentEntry(), 0);
}

TEST(PlaylistPlayback, NestedListsMayHoldMidiAndPlainM3u)
{
    Scratch scratch;
    scratch.write("inner/tune.mid", SmfWriter::tune(1));
    scratch.write("inner/more.m3u",
                  QStringLiteral("#EXTM3U\n%1\n").arg(testMedia("tone.wav")).toUtf8());
    scratch.write("inner/mid.wax", asx(entry("tune.mid") + "<ENTRYREF HREF=\"more.m3u\"/>"));
    const QString top = scratch.write("top.wvx", asx("<ENTRYREF HREF=\"inner/mid.wax\"/>"));
    PlayerHost host;
    MediaPlayer& player = *host.player;
    player.setFileName(top);
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_EQ(player.entryCount(), 2);
    EXPECT_EQ(player.title(), QStringLiteral("tune.mid"));
    EXPECT_NEAR(player.duration(), SmfWriter::kTuneSeconds + 1.0, 0.01);
    player.seek(2.1);
    ASSERT_TRUE(waitUntil([&] { return player.currentEntry() == 1; }));
    EXPECT_TRUE(playsPast(player, 0.05));
    EXPECT_EQ(player.title(), QStringLiteral("tone.wav"));
}

TEST(PlaylistPlayback, AFailingEntryIsSkippedAndANameDoesNotMakeAPlaylist)
{
    Scratch scratch;
    PlayerHost host;
    MediaPlayer& player = *host.player;
    player.setFileName(scratch.write(
        "skip.wmx", asx(entry(testMedia("corrupt.mp4")) + entry(testMedia("tone.wav")))));
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_EQ(player.currentEntry(), 1);

    // .wmp by content: a playlist, or media.
    player.setFileName(scratch.write("list.wmp", asx(entry(testMedia("tone.wav")))));
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_EQ(player.entryCount(), 1);
    player.setFileName(scratch.copy(testMedia("tone.wma"), "media.wmp"));
    EXPECT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();

    player.setFileName(
        scratch.write("list.pls", QStringLiteral("[playlist]\nFile1=%1\nTitle1=PLSの曲\n")
                                      .arg(testMedia("tone.mp3"))
                                      .toUtf8()));
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    EXPECT_EQ(player.title(), QStringLiteral("PLSの曲")) << "the list's own title first";
}

TEST(PlaylistPlayback, AListWithNothingPlayableSaysSoInTheStatusBar)
{
    Scratch scratch;
    PlayerHost host;
    MediaPlayer& player = *host.player;
    const QString nothing =
        QStringLiteral("再生できません：再生リストに再生できる項目がありません");
    EXPECT_EQ(failureOf(player, scratch.write("broken.asx", "<ASX><ENTRY><REF HREF=\"")), nothing);
    EXPECT_EQ(failureOf(player, scratch.write("missing.wvx", asx(entry("gone.wav")))), nothing);
    // Entries that exist but cannot be played: the engine tries each.
    EXPECT_EQ(
        failureOf(player, scratch.write("corrupt.wax", asx(entry(testMedia("corrupt.mp4")) +
                                                           entry(testMedia("notmedia.txt"))))),
        nothing);
    EXPECT_EQ(player.playState(), PlayState::Stopped);

    player.setFileName(testMedia("tone.wav"));
    EXPECT_TRUE(playsPast(player, 0.05)) << "the next file plays";
}

TEST(PlaylistPlayback, StepsGoBothWaysAndStopAtTheEnds)
{
    Scratch scratch;
    const QString list = scratch.write(
        "steps.m3u", QStringLiteral("%1\n%2\n%3\n")
                         .arg(scratch.copy(testMedia("tone.wav"), "one.wav"), testMedia("tone.mp3"),
                              scratch.copy(testMedia("tone.wav"), "three.wav"))
                         .toUtf8());
    PlayerHost host;
    MediaPlayer& player = *host.player;
    Playback& playback = *player.playback();
    QSignalSpy seeked(&playback, &Playback::seeked);
    QSignalSpy ended(&player, &MediaPlayer::endOfMedia);
    const auto at = [&](int entry, PlayState state) {
        return waitUntil([&] {
            return player.currentEntry() == entry && player.playState() == state &&
                   (state != PlayState::Playing || player.position() > 0.05);
        });
    };

    // A single file has nothing to step through.
    player.setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(playsPast(player, 0.05));
    EXPECT_FALSE(playback.canGoNext());
    playback.next();
    EXPECT_EQ(player.playState(), PlayState::Playing);

    QSignalSpy steps(&playback, &Playback::canStepChanged);
    player.setFileName(list);
    ASSERT_TRUE(at(0, PlayState::Playing)) << player.statusText().toStdString();
    EXPECT_TRUE(playback.canGoNext() && playback.canGoPrevious());
    EXPECT_GE(steps.count(), 1);
    // The bar's step buttons: only where they fit beside the rest.
    const auto stepButtonsShown = [&] {
        const QList<QToolButton*> buttons =
            player.findChild<ControlBar*>()->findChildren<QToolButton*>();
        int shown = 0;
        for (const QToolButton* button : buttons)
            shown += button->isVisible() && (button->accessibleName() == QStringLiteral("前へ") ||
                                             button->accessibleName() == QStringLiteral("次へ"));
        return shown;
    };
    EXPECT_EQ(stepButtonsShown(), 0) << "280 px: the seek slider keeps its room";
    player.setWidth(9000);
    EXPECT_EQ(stepButtonsShown(), 2);

    playback.next();
    ASSERT_TRUE(at(1, PlayState::Playing));
    EXPECT_EQ(player.title(), QStringLiteral("テスト曲"));
    QTest::keyClick(&player, Qt::Key_PageDown); // the keys step too
    ASSERT_TRUE(at(2, PlayState::Playing));
    QTest::keyClick(&player, Qt::Key_P);
    ASSERT_TRUE(at(1, PlayState::Playing));
    QTest::keyClick(&player, Qt::Key_N);
    ASSERT_TRUE(at(2, PlayState::Playing));

    // After the last entry the list stops at its start, as at its end.
    seeked.clear();
    playback.next();
    EXPECT_EQ(player.playState(), PlayState::Stopped);
    EXPECT_EQ(player.position(), 0.0);
    ASSERT_TRUE(at(0, PlayState::Stopped));
    EXPECT_EQ(seeked.count(), 1);
    EXPECT_TRUE(ended.isEmpty()) << "a step, not the end of the media";

    // From the stop, the first entry again (previous) or the second (next) plays.
    playback.previous();
    ASSERT_TRUE(at(0, PlayState::Playing));
    player.seek(1.0);
    seeked.clear();
    playback.previous(); // on the first entry: from its start
    EXPECT_EQ(player.position(), 0.0);
    ASSERT_EQ(seeked.count(), 1);
    EXPECT_EQ(seeked[0][0].toDouble(), 0.0);
    ASSERT_TRUE(at(0, PlayState::Playing));
    EXPECT_LT(player.position(), 0.9);

    // Paused, the steps wait at the start of the entry they reach.
    player.pause();
    playback.next();
    ASSERT_TRUE(at(1, PlayState::Paused));
    EXPECT_EQ(player.position(), 0.0);
    playback.previous();
    ASSERT_TRUE(at(0, PlayState::Paused));
}
