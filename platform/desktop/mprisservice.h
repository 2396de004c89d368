// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <functional>

class Playback;
class MprisPlayerAdaptor;

// The player on the session bus as an MPRIS 2 media player, so that media
// keys and the desktop's media controls drive it: the object
// /org/mpris/MediaPlayer2 with org.mpris.MediaPlayer2 and its .Player, under
// the name org.mpris.MediaPlayer2.merosonx (a second instance adds
// ".instance<pid>", as MPRIS asks).
//
// PropertiesChanged goes out for every property of the player interface that
// MPRIS has signalled (all but Position), once per turn of the event loop
// however many of the control's signals led to it, with only the values that
// differ from the last ones sent.
//
// Without a session bus, or without a name on it, the player runs as before
// and nothing is said. UI thread only; `player` may go first.
class MprisService : public QObject
{
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> quit;               // Quit: the program's own quit
        std::function<void()> raise;              // Raise: bring the window forward
        std::function<void(const QString&)> open; // OpenUri: a local file's path
    };

    MprisService(Playback* player, Hooks hooks, QDBusConnection bus, QObject* parent = nullptr);
    ~MprisService() override;

    bool isRegistered() const { return !m_serviceName.isEmpty(); }
    QString serviceName() const { return m_serviceName; }

    static const QString kObjectPath;
    static const QString kServiceName;
    static const QString kDesktopEntry;
    // The audio and video types the player is registered for.
    static const QStringList kMimeTypes;

private:
    void scheduleRefresh();
    void refresh();
    QVariantMap signalledProperties() const;

    QDBusConnection m_bus;
    QPointer<Playback> m_player;
    MprisPlayerAdaptor* m_playerInterface = nullptr;
    QString m_serviceName;
    QVariantMap m_sent; // the values of the last PropertiesChanged, or of start-up
    QTimer m_refresh;
};
