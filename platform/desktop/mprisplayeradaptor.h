// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QPointer>
#include <QVariantMap>
#include <functional>

class Playback;

// org.mpris.MediaPlayer2.Player over the playback: transport, position
// (microseconds), metadata, volume (0.0 to 1.0 for the playback's 0 to 100),
// rate (the playing speed, 0.5 to 2).
//
// Each entry of a playlist is a track of its own: its own id, its media as
// xesam:url, its title, length and art; Next and Previous step through the
// entries as the playback does (no track list). The art URL is a picture
// beside the entry's file (same base name, or cover, folder, front, album),
// where there is one. Seeked goes out once for every jump of the position the
// playback makes (a seek from anyone, the return to the start), with the
// position it jumped to; PropertiesChanged is the service's business.
//
// The methods check their arguments themselves and answer a call of the wrong
// types with InvalidArgs (hence the slots take the message and the interface
// is described by hand). With the playback gone the player reads as stopped
// with no track. UI thread only.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_CLASSINFO(
        "D-Bus Introspection",
        "  <interface name=\"org.mpris.MediaPlayer2.Player\">\n"
        "    <method name=\"Next\"/>\n"
        "    <method name=\"Previous\"/>\n"
        "    <method name=\"Pause\"/>\n"
        "    <method name=\"PlayPause\"/>\n"
        "    <method name=\"Stop\"/>\n"
        "    <method name=\"Play\"/>\n"
        "    <method name=\"Seek\">\n"
        "      <arg name=\"Offset\" type=\"x\" direction=\"in\"/>\n"
        "    </method>\n"
        "    <method name=\"SetPosition\">\n"
        "      <arg name=\"TrackId\" type=\"o\" direction=\"in\"/>\n"
        "      <arg name=\"Position\" type=\"x\" direction=\"in\"/>\n"
        "    </method>\n"
        "    <method name=\"OpenUri\">\n"
        "      <arg name=\"Uri\" type=\"s\" direction=\"in\"/>\n"
        "    </method>\n"
        "    <signal name=\"Seeked\">\n"
        "      <arg name=\"Position\" type=\"x\"/>\n"
        "    </signal>\n"
        "    <property name=\"PlaybackStatus\" type=\"s\" access=\"read\"/>\n"
        "    <property name=\"Rate\" type=\"d\" access=\"readwrite\"/>\n"
        "    <property name=\"Metadata\" type=\"a{sv}\" access=\"read\">\n"
        "      <annotation name=\"org.qtproject.QtDBus.QtTypeName\" value=\"QVariantMap\"/>\n"
        "    </property>\n"
        "    <property name=\"Volume\" type=\"d\" access=\"readwrite\"/>\n"
        "    <property name=\"Position\" type=\"x\" access=\"read\"/>\n"
        "    <property name=\"MinimumRate\" type=\"d\" access=\"read\"/>\n"
        "    <property name=\"MaximumRate\" type=\"d\" access=\"read\"/>\n"
        "    <property name=\"CanGoNext\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"CanGoPrevious\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"CanPlay\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"CanPause\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"CanSeek\" type=\"b\" access=\"read\"/>\n"
        "    <property name=\"CanControl\" type=\"b\" access=\"read\"/>\n"
        "  </interface>\n")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
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
    // `parent` is the exported object, on `bus`. `open` takes a local file's
    // path (OpenUri).
    MprisPlayerAdaptor(Playback* player, std::function<void(const QString&)> open,
                       QDBusConnection bus, QObject* parent);

    QString playbackStatus() const;
    double rate() const;
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

    // The id of the current track (the file, and the entry of a playlist);
    // NoTrack's without a file.
    QDBusObjectPath trackId() const;

public slots:
    void Next(const QDBusMessage& call);
    void Previous(const QDBusMessage& call);
    void Pause(const QDBusMessage& call);
    void PlayPause(const QDBusMessage& call);
    void Stop(const QDBusMessage& call);
    void Play(const QDBusMessage& call);
    void Seek(const QDBusMessage& call);        // (x Offset)
    void SetPosition(const QDBusMessage& call); // (o TrackId, x Position)
    void OpenUri(const QDBusMessage& call);     // (s Uri)

signals:
    void Seeked(qlonglong Position);

private:
    bool takes(const QDBusMessage& call, const char* signature) const;
    double positionSeconds() const;
    double withinTrack(double seconds) const;
    void followTrack() const;

    QPointer<Playback> m_player;
    std::function<void(const QString&)> m_open;
    QDBusConnection m_bus;
    // The file and entry the track id and art belong to; read lazily, hence mutable.
    mutable QString m_trackFile;
    mutable quint64 m_fileNumber = 0;
    mutable int m_trackEntry = -1;
    mutable QString m_artUrl;
};
