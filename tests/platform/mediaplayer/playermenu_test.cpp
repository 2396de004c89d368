// SPDX-License-Identifier: MIT
// The player control's own context menu, as a right-click opens it: on a
// playing file with two audio tracks, on a playlist, on a file with nothing
// to choose and with no file; subtitles from files beside the media, drawn
// into the picture; the properties dialog.
#include "mediapropertiesdialog.h"
#include "playerhost.h"
#include "testmedia.h"
#include "videosurface.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTreeWidget>

namespace
{

// The popup a right-click on the picture opened. The event is the one Qt makes
// of a right button press on a window (QTest's clicks make none).
QMenu* rightClick(MediaPlayer& player)
{
    QWidget* surface = player.videoSurface();
    const QPoint at = surface->rect().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
    QApplication::sendEvent(surface, &click);
    QMenu* menu = nullptr;
    waitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); });
    return menu;
}

QString textOf(const QAction* action)
{
    return action->isSeparator() ? QStringLiteral("-") : action->text().section('\t', 0, 0);
}

QStringList textsOf(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << textOf(action);
    return texts;
}

QAction* itemOf(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (textOf(action) == text)
            return action;
    }
    ADD_FAILURE() << "no item " << text.toStdString() << " in "
                  << textsOf(menu).join(" | ").toStdString();
    return nullptr;
}

QMenu* submenuOf(const QMenu* menu, const QString& text)
{
    QAction* item = itemOf(menu, text);
    return item ? item->menu() : nullptr;
}

// Chooses `text` (in the submenu `under`, when given) from a fresh menu.
void choose(MediaPlayer& player, const QString& text, const QString& under = {})
{
    QMenu* menu = rightClick(player);
    ASSERT_TRUE(menu);
    const QMenu* from = under.isEmpty() ? menu : submenuOf(menu, under);
    ASSERT_TRUE(from);
    QAction* item = itemOf(from, text);
    ASSERT_TRUE(item);
    ASSERT_TRUE(item->isEnabled()) << text.toStdString();
    item->trigger();
    menu->close();
}

int selectedTrack(const MediaPlayer& player, MediaTrack::Type type)
{
    for (const MediaTrack& track : player.playback()->tracks()) {
        if (track.type == type && track.selected)
            return track.id;
    }
    return 0;
}

const QStringList kTopLevel = {"一時停止",   "停止", "-",    "前へ", "次へ", "-",
                               "全画面表示", "音声", "字幕", "音量", "-",    "プロパティ…"};

} // namespace

TEST(PlayerMenu, ActsOnAPlayingFileItsTracksVolumeAndProperties)
{
    PlayerHost host;
    MediaPlayer& player = *host.player;
    player.setFileName(testMedia("tracks.mkv"));
    ASSERT_TRUE(playsPast(player, 0.1)) << player.statusText().toStdString();
    ASSERT_TRUE(waitUntil([&] { return selectedTrack(player, MediaTrack::Type::Audio) == 1; }));

    QMenu* menu = rightClick(player);
    ASSERT_TRUE(menu);
    EXPECT_EQ(textsOf(menu), kTopLevel);
    EXPECT_FALSE(itemOf(menu, "前へ")->isEnabled()) << "one file: no entries to step";
    EXPECT_FALSE(itemOf(menu, "次へ")->isEnabled());
    EXPECT_FALSE(itemOf(menu, "全画面表示")->isChecked());
    const QMenu* audio = submenuOf(menu, "音声");
    EXPECT_EQ(textsOf(audio), (QStringList{"1: 日本語 [jpn]", "2: Commentary [eng]"}));
    EXPECT_TRUE(audio->actions()[0]->isChecked());
    EXPECT_EQ(textsOf(submenuOf(menu, "字幕")), QStringList{"なし"});
    EXPECT_TRUE(submenuOf(menu, "字幕")->actions()[0]->isChecked());
    menu->close();
    player.pause(); // the rest well inside the file's 3 s

    choose(player, "2: Commentary [eng]", "音声");
    EXPECT_TRUE(waitUntil([&] { return selectedTrack(player, MediaTrack::Type::Audio) == 2; }));
    choose(player, "ミュート", "音量");
    EXPECT_TRUE(player.isMuted());
    choose(player, "上げる", "音量");
    EXPECT_EQ(player.volume(), 100);
    choose(player, "下げる", "音量");
    EXPECT_EQ(player.volume(), 100 - MediaPlayer::kVolumeStep);
    choose(player, "再生");
    EXPECT_EQ(player.playState(), PlayState::Playing);
    choose(player, "一時停止");
    EXPECT_EQ(player.playState(), PlayState::Paused);

    choose(player, "プロパティ…");
    MediaPropertiesDialog* properties = player.propertiesDialog();
    ASSERT_TRUE(properties && properties->isVisible());
    EXPECT_EQ(properties->windowTitle(), QStringLiteral("プロパティ"));
    EXPECT_EQ(properties->value("ファイル"), QDir::toNativeSeparators(testMedia("tracks.mkv")));
    EXPECT_EQ(properties->value("形式"), "mkv");
    EXPECT_EQ(properties->value("長さ"), "0:03");
    EXPECT_TRUE(properties->value("サイズ").startsWith(
        QLocale(QLocale::Japanese).toString(QFileInfo(testMedia("tracks.mkv")).size()) +
        QStringLiteral(" バイト")));
    EXPECT_TRUE(properties->value("ビットレート").endsWith(" kbps"));
    EXPECT_EQ(properties->value("映像 1"), QStringLiteral("h264, 160×120, 25 fps"));
    EXPECT_EQ(properties->value("音声 1"),
              QStringLiteral("aac, 44100 Hz, 2 ch, 言語 jpn, 「日本語」"));
    EXPECT_EQ(properties->value("音声 2"),
              QStringLiteral("aac, 48000 Hz, 2 ch, 言語 eng, 「Commentary」"));
    EXPECT_EQ(properties->value("TITLE"), QStringLiteral("トラックの試験"));

    choose(player, "停止");
    EXPECT_EQ(player.playState(), PlayState::Stopped);
    EXPECT_FALSE(itemOf(rightClick(player), "停止")->isEnabled()) << "stopped already";
}

TEST(PlayerMenu, StepsThroughAPlaylistAndOffersNothingWithoutAFile)
{
    Scratch scratch;
    PlayerHost host;
    MediaPlayer& player = *host.player;

    // No file: the transport, the tracks and the properties wait for one.
    QMenu* menu = rightClick(player);
    ASSERT_TRUE(menu);
    EXPECT_EQ(textOf(menu->actions()[0]), "再生");
    for (const char* off : {"再生", "停止", "前へ", "次へ", "音声", "字幕", "プロパティ…"})
        EXPECT_FALSE(itemOf(menu, off)->isEnabled()) << off;
    for (const char* on : {"全画面表示", "音量"})
        EXPECT_TRUE(itemOf(menu, on)->isEnabled()) << on;
    menu->close();

    // One audio track and no subtitles: nothing but that and "none".
    player.setFileName(testMedia("tone.wav"));
    ASSERT_TRUE(playsPast(player, 0.05));
    ASSERT_TRUE(waitUntil([&] { return !player.playback()->tracks().isEmpty(); }));
    menu = rightClick(player);
    ASSERT_TRUE(menu);
    EXPECT_EQ(textsOf(submenuOf(menu, "音声")), QStringList{"トラック 1"});
    EXPECT_EQ(textsOf(submenuOf(menu, "字幕")), QStringList{"なし"});
    menu->close();

    const QString list = scratch.write(
        "list.m3u",
        QStringLiteral("%1\n%2\n").arg(testMedia("tone.wav"), testMedia("tone.mp3")).toUtf8());
    player.setFileName(list);
    ASSERT_TRUE(playsPast(player, 0.05)) << player.statusText().toStdString();
    menu = rightClick(player);
    ASSERT_TRUE(menu);
    EXPECT_TRUE(itemOf(menu, "前へ")->isEnabled());
    EXPECT_TRUE(itemOf(menu, "次へ")->isEnabled());
    menu->close();
    choose(player, "次へ");
    EXPECT_TRUE(waitUntil([&] { return player.currentEntry() == 1; }));
    choose(player, "前へ");
    EXPECT_TRUE(waitUntil([&] { return player.currentEntry() == 0; }));

    // The Menu key opens the same menu.
    player.setFocus();
    QTest::keyClick(&player, Qt::Key_Menu);
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    auto* keyed = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(keyed);
    EXPECT_EQ(textsOf(keyed), kTopLevel);
    keyed->close();
}

namespace
{

// An ASS subtitle of three magenta blocks in the middle of a 320x240 picture.
const char kMagentaAss[] = R"([Script Info]
ScriptType: v4.00+
PlayResX: 320
PlayResY: 240

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,Noto Sans CJK JP,80,&H00FF00FF,&H00FF00FF,&H00FF00FF,&H00000000,1,0,0,0,100,100,0,0,1,0,0,5,0,0,0,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,,■■■
)";

int magentaPixels(const QImage& picture)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            count += qRed(p) > 200 && qBlue(p) > 200 && qGreen(p) < 80;
        }
    }
    return count;
}

} // namespace

TEST(PlayerSubtitles, FilesBesideTheMediaAreOfferedAndTheChosenOneIsDrawn)
{
    Scratch scratch;
    const QString movie = scratch.copy(testMedia("green.mp4"), "movie.mp4");
    scratch.write("movie.ass", kMagentaAss);
    scratch.write("movie.srt", "1\n00:00:00,000 --> 00:00:10,000\n字幕の試験\n");
    scratch.write("other.srt", "1\n00:00:00,000 --> 00:00:10,000\n別の動画\n");
    PlayerHost host;
    MediaPlayer& player = *host.player;
    QSignalSpy frames(&player, &MediaPlayer::frameRendered);
    player.setFileName(movie);
    ASSERT_TRUE(frames.wait(kWaitMs)) << player.statusText().toStdString();
    player.pause();

    QMenu* menu = rightClick(player);
    ASSERT_TRUE(menu);
    QStringList offered = textsOf(submenuOf(menu, "字幕"));
    menu->close();
    ASSERT_EQ(offered.size(), 4) << offered.join(" | ").toStdString();
    EXPECT_EQ(offered.mid(0, 2), (QStringList{"なし", "-"}));
    offered = offered.mid(2);
    offered.sort();
    EXPECT_EQ(offered, (QStringList{"movie.ass（外部ファイル）", "movie.srt（外部ファイル）"}))
        << "only the files of the media's own name";

    VideoSurface* surface = player.videoSurface();
    const auto magenta = [&] { return magentaPixels(surface->grabFramebuffer()); };
    choose(player, "movie.ass（外部ファイル）", "字幕");
    EXPECT_TRUE(waitUntil([&] { return magenta() > 200; })) << magenta();
    choose(player, "なし", "字幕");
    EXPECT_TRUE(waitUntil([&] { return magenta() == 0; })) << magenta();
    EXPECT_TRUE(waitUntil([&] { return selectedTrack(player, MediaTrack::Type::Subtitle) == 0; }));
    choose(player, "movie.srt（外部ファイル）", "字幕");
    EXPECT_TRUE(waitUntil([&] { return selectedTrack(player, MediaTrack::Type::Subtitle) > 0; }));
    EXPECT_EQ(magenta(), 0) << "the plain one is drawn in white";
}
