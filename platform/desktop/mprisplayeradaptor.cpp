// SPDX-License-Identifier: MIT
#include "mprisplayeradaptor.h"

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
                                       QObject* parent)
    : QDBusAbstractAdaptor(parent), m_player(player), m_open(std::move(open))
{
    m_sinceLastPosition.start();
    if (player) {
        m_lastPosition = player->position();
        connect(player, &Playback::positionChanged, this, &MprisPlayerAdaptor::onPosition);
        // The clock's prediction starts again with each change of state.
        connect(player, &Playback::playStateChanged, this, [this] {
            m_lastPosition = m_player->position();
            m_sinceLastPosition.start();
        });
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

void MprisPlayerAdaptor::setRate(double rate)
{
    // Only the normal rate exists; 0 asks for a pause.
    if (rate == 0.0)
        Pause();
}

void MprisPlayerAdaptor::followFile() const
{
    const QString file = m_player ? m_player->fileName() : QString();
    if (file == m_trackFile)
        return;
    m_trackFile = file;
    ++m_trackNumber;
    m_artUrl = file.isEmpty() ? QString() : coverBeside(QDir::current().absoluteFilePath(file));
}

QDBusObjectPath MprisPlayerAdaptor::trackId() const
{
    followFile();
    if (m_trackFile.isEmpty())
        return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(QStringLiteral("/org/merosonx/track/%1").arg(m_trackNumber));
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
    map.insert(QStringLiteral("xesam:url"),
               QUrl::fromLocalFile(QDir::current().absoluteFilePath(m_trackFile))
                   .toString(QUrl::FullyEncoded));
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

// Within the track: right after a seek the engine may report a spot a little
// before it, below zero after a seek to the start.
double MprisPlayerAdaptor::positionSeconds() const
{
    if (!m_player)
        return 0;
    const double length = m_player->duration();
    const double seconds = std::max(0.0, m_player->position());
    return length > 0 ? std::min(seconds, length) : seconds;
}

qlonglong MprisPlayerAdaptor::position() const
{
    return toMicroseconds(positionSeconds());
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

void MprisPlayerAdaptor::Pause()
{
    if (m_player)
        m_player->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (m_player)
        m_player->togglePause();
}

void MprisPlayerAdaptor::Stop()
{
    if (m_player)
        m_player->stop();
}

void MprisPlayerAdaptor::Play()
{
    if (m_player && m_player->playState() != PlayState::Playing)
        m_player->play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    if (!canSeek())
        return;
    seekTo(std::max(0.0, positionSeconds() + Offset / kMicroseconds));
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position)
{
    // A request for another track, or outside this one, is ignored.
    if (!canSeek() || TrackId != trackId() || Position < 0 ||
        Position > toMicroseconds(m_player->duration()))
        return;
    seekTo(Position / kMicroseconds);
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri)
{
    const QUrl url(Uri);
    if (m_open && url.isLocalFile())
        m_open(url.toLocalFile());
}

void MprisPlayerAdaptor::seekTo(double seconds)
{
    // The control clamps to the file's length; past the end it stops at the start.
    m_requestedSeek = true;
    m_player->seek(seconds);
    if (m_requestedSeek) { // the control reported no position: announce what was asked
        m_requestedSeek = false;
        emit Seeked(position());
    }
}

void MprisPlayerAdaptor::onPosition(double seconds)
{
    const bool playing = m_player && m_player->playState() == PlayState::Playing;
    const double predicted =
        m_lastPosition + (playing ? m_sinceLastPosition.elapsed() / 1000.0 : 0.0);
    const bool jumped = std::abs(seconds - predicted) > kJumpSeconds;
    m_lastPosition = seconds;
    m_sinceLastPosition.start();
    if (jumped || m_requestedSeek) {
        m_requestedSeek = false;
        emit Seeked(toMicroseconds(seconds));
    }
}
