// SPDX-License-Identifier: MIT
#include "mprisplayeradaptor.h"

#include "mprisdbus.h"
#include "playback.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double kMicroseconds = 1e6;
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

qlonglong toMicroseconds(double seconds)
{
    return std::llround(seconds * kMicroseconds);
}

// A picture beside `path` that shows its album: one with the file's own base
// name first, then the usual names of a folder's cover. Case is ignored.
QString coverBeside(const QString& path)
{
    const QFileInfo file(path);
    const QDir dir = file.absoluteDir();
    const QStringList stems = {file.completeBaseName(), QStringLiteral("cover"),
                               QStringLiteral("folder"), QStringLiteral("front"),
                               QStringLiteral("album")};
    const QStringList suffixes = {QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                  QStringLiteral("png")};
    for (const QString& stem : stems) {
        QStringList names;
        for (const QString& suffix : suffixes)
            names.append(stem + QLatin1Char('.') + suffix);
        const QStringList found = dir.entryList(names, QDir::Files | QDir::Readable, QDir::Name);
        if (!found.isEmpty())
            return QUrl::fromLocalFile(dir.filePath(found.first())).toString(QUrl::FullyEncoded);
    }
    return {};
}

} // namespace

MprisPlayerAdaptor::MprisPlayerAdaptor(Playback* player, std::function<void(const QString&)> open,
                                       QDBusConnection bus, QObject* parent)
    : QDBusAbstractAdaptor(parent), m_player(player), m_open(std::move(open)), m_bus(std::move(bus))
{
    // Only the playback's own jumps are seeks; its clock's steps never are.
    if (player) {
        connect(player, &Playback::seeked, this,
                [this](double seconds) { emit Seeked(toMicroseconds(withinTrack(seconds))); });
    }
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    switch (m_player ? m_player->playState() : PlayState::Stopped) {
    case PlayState::Playing:
        return QStringLiteral("Playing");
    case PlayState::Paused:
        return QStringLiteral("Paused");
    case PlayState::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

double MprisPlayerAdaptor::rate() const
{
    return m_player ? m_player->speed() : 1.0;
}

void MprisPlayerAdaptor::setRate(double rate)
{
    if (!m_player || !std::isfinite(rate))
        return;
    // 0 asks for a pause; others are clamped to the range offered.
    if (rate == 0.0)
        m_player->pause();
    else
        m_player->setSpeed(rate);
}

double MprisPlayerAdaptor::minimumRate() const
{
    return Playback::kMinimumSpeed;
}

double MprisPlayerAdaptor::maximumRate() const
{
    return Playback::kMaximumSpeed;
}

void MprisPlayerAdaptor::followTrack() const
{
    const QString file = m_player ? m_player->fileName() : QString();
    const int entry = m_player ? std::max(0, m_player->currentEntry()) : -1;
    if (file == m_trackFile && entry == m_trackEntry)
        return;
    if (file != m_trackFile)
        ++m_fileNumber;
    m_trackFile = file;
    m_trackEntry = entry;
    const QString media = m_player ? m_player->entryLocation() : QString();
    m_artUrl = QDir::isAbsolutePath(media) ? coverBeside(media) : QString();
}

QDBusObjectPath MprisPlayerAdaptor::trackId() const
{
    followTrack();
    if (m_trackFile.isEmpty())
        return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(
        QStringLiteral("/org/merosonx/track/%1/%2").arg(m_fileNumber).arg(m_trackEntry));
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    const QDBusObjectPath track = trackId();
    if (m_trackFile.isEmpty())
        return {}; // no track: no metadata
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(track));
    if (m_player->duration() > 0)
        map.insert(QStringLiteral("mpris:length"), toMicroseconds(m_player->duration()));
    map.insert(QStringLiteral("xesam:title"), m_player->title());
    if (!m_player->artist().isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{m_player->artist()});
    if (!m_player->album().isEmpty())
        map.insert(QStringLiteral("xesam:album"), m_player->album());
    const QString media = m_player->entryLocation();
    const QUrl url = QDir::isAbsolutePath(media) ? QUrl::fromLocalFile(media) : QUrl(media);
    map.insert(QStringLiteral("xesam:url"), url.toString(QUrl::FullyEncoded));
    if (!m_artUrl.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), m_artUrl);
    return map;
}

double MprisPlayerAdaptor::volume() const
{
    return m_player ? m_player->volume() / 100.0 : 0.0;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    if (!m_player || !std::isfinite(volume))
        return;
    m_player->setVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

// Within the track: a position is never below 0 or past the length.
double MprisPlayerAdaptor::withinTrack(double seconds) const
{
    const double length = m_player ? m_player->duration() : 0;
    seconds = std::max(0.0, seconds);
    return length > 0 ? std::min(seconds, length) : seconds;
}

double MprisPlayerAdaptor::positionSeconds() const
{
    return m_player ? withinTrack(m_player->position()) : 0;
}

qlonglong MprisPlayerAdaptor::position() const
{
    return toMicroseconds(positionSeconds());
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_player && m_player->canGoNext();
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_player && m_player->canGoPrevious();
}

bool MprisPlayerAdaptor::canPlay() const
{
    return m_player && !m_player->fileName().isEmpty();
}

bool MprisPlayerAdaptor::canPause() const
{
    return canPlay();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return canPlay() && m_player->duration() > 0;
}

// --- methods -------------------------------------------------------------------------

bool MprisPlayerAdaptor::takes(const QDBusMessage& call, const char* signature) const
{
    return mprisdbus::expectArguments(call, QLatin1String(signature), m_bus) && m_player;
}

void MprisPlayerAdaptor::Next(const QDBusMessage& call)
{
    if (takes(call, ""))
        m_player->next();
}

void MprisPlayerAdaptor::Previous(const QDBusMessage& call)
{
    if (takes(call, ""))
        m_player->previous();
}

void MprisPlayerAdaptor::Pause(const QDBusMessage& call)
{
    if (takes(call, ""))
        m_player->pause();
}

void MprisPlayerAdaptor::PlayPause(const QDBusMessage& call)
{
    if (takes(call, ""))
        m_player->togglePause();
}

void MprisPlayerAdaptor::Stop(const QDBusMessage& call)
{
    if (takes(call, ""))
        m_player->stop();
}

void MprisPlayerAdaptor::Play(const QDBusMessage& call)
{
    if (takes(call, "") && m_player->playState() != PlayState::Playing)
        m_player->play();
}

void MprisPlayerAdaptor::Seek(const QDBusMessage& call)
{
    if (!takes(call, "x") || !canSeek())
        return;
    const double target = positionSeconds() + call.arguments().at(0).toLongLong() / kMicroseconds;
    // Beyond the end of the track: as Next where there is a next entry; the
    // end of the file otherwise, which stops at the start.
    if (target > m_player->duration() && m_player->canGoNext())
        m_player->next();
    else
        m_player->seek(std::max(0.0, target));
}

void MprisPlayerAdaptor::SetPosition(const QDBusMessage& call)
{
    if (!takes(call, "ox") || !canSeek())
        return;
    const auto track = qvariant_cast<QDBusObjectPath>(call.arguments().at(0));
    const qlonglong microseconds = call.arguments().at(1).toLongLong();
    // A request for another track (an earlier entry, a file since replaced),
    // or outside this one, is ignored.
    if (track != trackId() || microseconds < 0 ||
        microseconds > toMicroseconds(m_player->duration()))
        return;
    m_player->seek(microseconds / kMicroseconds);
}

void MprisPlayerAdaptor::OpenUri(const QDBusMessage& call)
{
    if (!mprisdbus::expectArguments(call, QStringLiteral("s"), m_bus))
        return;
    const QUrl url(call.arguments().at(0).toString());
    if (m_open && url.isLocalFile())
        m_open(url.toLocalFile());
}
