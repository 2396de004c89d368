// SPDX-License-Identifier: MIT
#include "mprisservice.h"

#include "mprisplayeradaptor.h"
#include "mprispropertiesadaptor.h"
#include "mprisrootadaptor.h"
#include "playback.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QMetaProperty>

const QString MprisService::kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MprisService::kServiceName = QStringLiteral("org.mpris.MediaPlayer2.merosonx");
const QString MprisService::kDesktopEntry = QStringLiteral("merosonx");
const QStringList MprisService::kMimeTypes = {
    QStringLiteral("audio/midi"),      QStringLiteral("audio/x-midi"),
    QStringLiteral("audio/x-wav"),     QStringLiteral("audio/wav"),
    QStringLiteral("audio/mpeg"),      QStringLiteral("audio/basic"),
    QStringLiteral("audio/x-aiff"),    QStringLiteral("audio/x-aifc"),
    QStringLiteral("audio/x-ms-wma"),  QStringLiteral("audio/x-ms-asx"),
    QStringLiteral("video/x-msvideo"), QStringLiteral("video/avi"),
    QStringLiteral("video/mpeg"),      QStringLiteral("video/x-ms-wmv"),
    QStringLiteral("video/x-ms-asf"),  QStringLiteral("application/vnd.ms-asf"),
};

namespace
{

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// The player interface's properties that PropertiesChanged reports.
const char* const kSignalled[] = {"PlaybackStatus", "Rate",    "Metadata", "Volume", "CanGoNext",
                                  "CanGoPrevious",  "CanPlay", "CanPause", "CanSeek"};

} // namespace

MprisService::MprisService(Playback* player, Hooks hooks, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_player(player)
{
    new MprisRootAdaptor({QStringLiteral("Mero Sonx"), kDesktopEntry, kMimeTypes},
                         std::move(hooks.quit), std::move(hooks.raise), this);
    m_playerInterface = new MprisPlayerAdaptor(player, std::move(hooks.open), m_bus, this);
    new MprisPropertiesAdaptor(m_bus, this);
    m_sent = signalledProperties();

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &MprisService::refresh);
    if (player) {
        connect(player, &Playback::playStateChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::durationChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::fileLoaded, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::playbackFailed, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::endOfMedia, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::volumeChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::tagsChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::currentEntryChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::speedChanged, this, &MprisService::scheduleRefresh);
        connect(player, &Playback::canStepChanged, this, &MprisService::scheduleRefresh);
        connect(player, &QObject::destroyed, this, &MprisService::scheduleRefresh);
    }

    if (!m_bus.isConnected())
        return;
    if (!m_bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    for (const QString& name :
         {kServiceName,
          kServiceName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        if (m_bus.registerService(name)) {
            m_serviceName = name;
            return;
        }
    }
    m_bus.unregisterObject(kObjectPath);
}

MprisService::~MprisService()
{
    if (!isRegistered())
        return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(kObjectPath);
}

void MprisService::scheduleRefresh()
{
    if (!m_refresh.isActive())
        m_refresh.start();
}

QVariantMap MprisService::signalledProperties() const
{
    QVariantMap values;
    for (const char* name : kSignalled)
        values.insert(QLatin1String(name), m_playerInterface->property(name));
    return values;
}

void MprisService::refresh()
{
    const QVariantMap now = signalledProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_sent.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_sent = now;
    if (changed.isEmpty() || !isRegistered())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}
