// SPDX-License-Identifier: MIT
#pragma once

#include "mediaplayer.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The player control in a window of its own, shown, as the main window hosts it.
struct PlayerHost {
    QWidget window;
    MediaPlayer* player = new MediaPlayer(&window);

    PlayerHost()
    {
        player->setWidth(4200);
        player->setHeight(4865);
        window.resize(player->size());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

constexpr int kWaitMs = 8000;

template <typename Predicate> bool waitUntil(Predicate predicate, int timeoutMs = kWaitMs)
{
    return QTest::qWaitFor(predicate, timeoutMs);
}

// Playing, and the position past `seconds`.
inline bool playsPast(const MediaPlayer& player, double seconds)
{
    return waitUntil(
        [&] { return player.playState() == PlayState::Playing && player.position() > seconds; });
}

// Waits for the failure and returns the status text.
inline QString failureOf(MediaPlayer& player, const QString& path)
{
    QSignalSpy failed(&player, &MediaPlayer::playbackFailed);
    player.setFileName(path);
    EXPECT_TRUE(failed.count() > 0 || failed.wait(kWaitMs)) << path.toStdString();
    return player.statusText();
}

// A temporary folder to write playlists, MIDI and .cda files into.
class Scratch
{
public:
    Scratch() { EXPECT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QString copy(const QString& from, const QString& name) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        EXPECT_TRUE(QFile::copy(from, path(name))) << from.toStdString();
        return path(name);
    }

private:
    QTemporaryDir m_dir;
};
