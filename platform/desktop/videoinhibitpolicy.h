// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class Playback;
class ScreenSaverInhibitor;

// Keeps the screen awake while the player shows a moving picture.
//
// "A video plays" is read from what reaches the screen: the player plays and
// its surface draws new frames, at least two within kFrameWindowMs. An audio
// file shows at most a still cover (one frame per load or seek) and a hidden
// or minimised surface draws nothing, so neither keeps the screen awake. The
// inhibition ends at once on pause, stop or the end of the file, when no new
// frame came for kQuietMs, when the player goes and when the application
// quits. UI thread only; `inhibitor` must outlive this object.
class VideoInhibitPolicy : public QObject
{
    Q_OBJECT
public:
    VideoInhibitPolicy(Playback* player, ScreenSaverInhibitor& inhibitor,
                       QObject* parent = nullptr);

    bool isInhibiting() const;

    static constexpr int kFrameWindowMs = 1000;
    static constexpr int kQuietMs = 3000;

private:
    void onFrame();
    void onStateChanged();
    void stopInhibiting();

    QPointer<Playback> m_player;
    ScreenSaverInhibitor& m_inhibitor;
    QElapsedTimer m_lastFrame; // invalid until a frame came while playing
    QTimer m_quiet;
};
