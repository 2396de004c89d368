// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QPointer>
#include <QVariantMap>
#include <functional>

class Playback;

// org.mpris.MediaPlayer2.Player over the player control: transport, position
// (microseconds), metadata, volume (0.0 to 1.0 for the control's 0 to 100).
//
// One track at a time, no track list: Next and Previous do nothing. The
// track's id changes with the file. The art URL is a picture beside the file
// (same base name, or cover, folder, front, album), where there is one. A jump
// of the position (any seek, the stop at the start) is announced by Seeked;
// PropertiesChanged is the service's business. With the control gone the
// player reads as stopped with no track. UI thread only.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    // `parent` is the exported object. `open` takes a local file's path (OpenUri).
    MprisPlayerAdaptor(Playback* player, std::function<void(const QString&)> open, QObject* parent);

    QString playbackStatus() const;
    double rate() const { return 1.0; }
    void setRate(double rate);
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const { return false; }
    bool canGoPrevious() const { return false; }
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

    // The id of the current track; NoTrack's without a file.
    QDBusObjectPath trackId() const;

    // A jump larger than this, measured against the position the clock
    // predicts, is a seek.
    static constexpr double kJumpSeconds = 1.0;

public slots:
    void Next() {}
    void Previous() {}
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    void onPosition(double seconds);
    double positionSeconds() const;
    void seekTo(double seconds);
    void followFile() const;

    QPointer<Playback> m_player;
    std::function<void(const QString&)> m_open;
    double m_lastPosition = 0; // seconds, as last reported
    QElapsedTimer m_sinceLastPosition;
    bool m_requestedSeek = false; // a seek of ours is under way: always announce it
    // The file the track id and art belong to; read lazily, hence mutable.
    mutable QString m_trackFile;
    mutable quint64 m_trackNumber = 0;
    mutable QString m_artUrl;
};
