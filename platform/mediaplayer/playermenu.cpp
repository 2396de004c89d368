// SPDX-License-Identifier: MIT
#include "playermenu.h"

#include "mediadetails.h"
#include "mediaplayer.h"

#include <QActionGroup>
#include <QMenu>

namespace
{

// A menu item with the key that does the same, shown at its right.
QAction* addItem(QMenu& menu, const QString& text, const QString& key = {})
{
    return menu.addAction(key.isEmpty() ? text : text + QLatin1Char('\t') + key);
}

void addTracks(QMenu& menu, Playback& playback, MediaTrack::Type type)
{
    auto* group = new QActionGroup(&menu);
    const bool subtitles = type == MediaTrack::Type::Subtitle;
    bool anySelected = false;
    const MediaTracks tracks = playback.tracks();
    QList<QAction*> items;
    for (const MediaTrack& track : tracks) {
        if (track.type != type)
            continue;
        QAction* item = menu.addAction(mediadetails::menuLabel(track));
        item->setCheckable(true);
        item->setChecked(track.selected);
        item->setActionGroup(group);
        anySelected = anySelected || track.selected;
        const int id = track.id;
        QObject::connect(item, &QAction::triggered, &playback, [&playback, id, subtitles] {
            subtitles ? playback.selectSubtitleTrack(id) : playback.selectAudioTrack(id);
        });
        items.append(item);
    }
    if (subtitles) {
        QAction* none = new QAction(QStringLiteral("なし"), &menu);
        none->setCheckable(true);
        none->setChecked(!anySelected);
        none->setActionGroup(group);
        QObject::connect(none, &QAction::triggered, &playback,
                         [&playback] { playback.selectSubtitleTrack(0); });
        menu.insertAction(items.isEmpty() ? nullptr : items.first(), none);
        if (!items.isEmpty())
            menu.insertSeparator(items.first());
    }
    // Nothing to choose until a file is open.
    menu.setEnabled(playback.isOpen() && (subtitles || !items.isEmpty()));
}

} // namespace

void fillPlayerMenu(QMenu& menu, MediaPlayer& player)
{
    Playback& playback = *player.playback();
    const bool hasFile = !playback.fileName().isEmpty();
    const bool playing = playback.playState() == PlayState::Playing;

    QAction* playPause =
        addItem(menu, playing ? QStringLiteral("一時停止") : QStringLiteral("再生"),
                QStringLiteral("Space"));
    playPause->setEnabled(hasFile);
    QObject::connect(playPause, &QAction::triggered, &playback, &Playback::togglePause);
    QAction* stop = addItem(menu, QStringLiteral("停止"));
    stop->setEnabled(hasFile && playback.playState() != PlayState::Stopped);
    QObject::connect(stop, &QAction::triggered, &playback, &Playback::stop);

    menu.addSeparator();
    QAction* previous = addItem(menu, QStringLiteral("前へ"), QStringLiteral("PgUp"));
    previous->setEnabled(playback.canGoPrevious());
    QObject::connect(previous, &QAction::triggered, &playback, &Playback::previous);
    QAction* next = addItem(menu, QStringLiteral("次へ"), QStringLiteral("PgDown"));
    next->setEnabled(playback.canGoNext());
    QObject::connect(next, &QAction::triggered, &playback, &Playback::next);

    menu.addSeparator();
    QAction* fullScreen = addItem(menu, QStringLiteral("全画面表示"), QStringLiteral("F"));
    fullScreen->setCheckable(true);
    fullScreen->setChecked(player.isFullScreen());
    QObject::connect(fullScreen, &QAction::triggered, &player, &MediaPlayer::setFullScreen);

    addTracks(*menu.addMenu(QStringLiteral("音声")), playback, MediaTrack::Type::Audio);
    addTracks(*menu.addMenu(QStringLiteral("字幕")), playback, MediaTrack::Type::Subtitle);

    QMenu* volume = menu.addMenu(QStringLiteral("音量"));
    QObject::connect(addItem(*volume, QStringLiteral("上げる"), QStringLiteral("↑")),
                     &QAction::triggered, &player, [&player] { player.stepVolume(+1); });
    QObject::connect(addItem(*volume, QStringLiteral("下げる"), QStringLiteral("↓")),
                     &QAction::triggered, &player, [&player] { player.stepVolume(-1); });
    QAction* mute = addItem(*volume, QStringLiteral("ミュート"), QStringLiteral("M"));
    mute->setCheckable(true);
    mute->setChecked(playback.isMuted());
    QObject::connect(mute, &QAction::triggered, &playback, &Playback::setMuted);

    menu.addSeparator();
    QAction* properties = addItem(menu, QStringLiteral("プロパティ…"));
    properties->setEnabled(hasFile);
    QObject::connect(properties, &QAction::triggered, &player, &MediaPlayer::showProperties);
}
