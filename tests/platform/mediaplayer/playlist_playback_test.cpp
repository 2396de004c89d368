// SPDX-License-Identifier: MIT
// Playlists played by the player control: entries in order with the current
// one named, skipped failures, the end going back to the first entry, nested
// lists with MIDI in them, and lists with nothing playable.
#include "playerhost.h"
#include "smfwriter.h"
#include "testmedia.h"

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
