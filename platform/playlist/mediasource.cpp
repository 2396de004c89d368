// SPDX-License-Identifier: MIT
#include "mediasource.h"

#include "mediaresolver.h"

#include <QFutureWatcher>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

MediaSource::MediaSource(QObject* parent) : QObject(parent) {}

void MediaSource::clear()
{
    ++m_request;
    m_resolution = {};
    m_current = -1;
}

bool MediaSource::resolve(const QString& absolutePath)
{
    clear();
    // The head is read once: a single file resolves from it at once.
    const QByteArray head = MediaSniffer::readHead(absolutePath);
    if (!MediaSniffer::isPlaylist(MediaSniffer::formatOf(head, absolutePath))) {
        m_resolution = MediaResolver().resolve(absolutePath, head);
        return true;
    }
    resolveInBackground(absolutePath, kFirstEntries);
    return false;
}

// Resolves up to `entryLimit` items (0: as many as the resolver allows) on a
// worker; the first step goes on to the whole list.
void MediaSource::resolveInBackground(const QString& absolutePath, int entryLimit)
{
    // The watcher goes with this object; the work holds no reference to it.
    const quint64 request = m_request;
    auto* watcher = new QFutureWatcher<MediaResolution>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, request, absolutePath, entryLimit] {
                watcher->deleteLater();
                if (request != m_request)
                    return;
                MediaResolution result = watcher->result();
                if (entryLimit == 0) {
                    // The whole list, unless it starts otherwise than the part
                    // already playing (a file changed meanwhile): then keep that.
                    const qsizetype known = m_resolution.items.size();
                    const bool sameStart = result.items.size() > known &&
                                           result.items.mid(0, known) == m_resolution.items;
                    if (sameStart && result.problem == MediaResolution::Problem::None) {
                        m_resolution = std::move(result);
                        emit extended(int(known));
                    }
                    return;
                }
                m_resolution = std::move(result);
                emit resolved();
                if (m_resolution.problem == MediaResolution::Problem::None)
                    resolveInBackground(absolutePath, 0);
            });
    watcher->setFuture(QtConcurrent::run([absolutePath, entryLimit] {
        MediaResolver::Limits limits;
        if (entryLimit > 0)
            limits.entries = entryLimit;
        return MediaResolver(limits, MediaResolver::defaultCdDevices()).resolve(absolutePath);
    }));
}

bool MediaSource::isMidi() const
{
    return !isPlaylist() && items().size() == 1 && items()[0].kind == MediaItem::Kind::Midi;
}

const MediaItem* MediaSource::currentItem() const
{
    return m_current >= 0 && m_current < items().size() ? &items()[m_current] : nullptr;
}

QString MediaSource::title(const QString& tagTitle, const QString& fallback) const
{
    const MediaItem* item = currentItem();
    if (item && !item->title.trimmed().isEmpty())
        return item->title.trimmed();
    if (!tagTitle.isEmpty())
        return tagTitle;
    if (isPlaylist() && item)
        return QUrl::fromUserInput(item->source).fileName();
    return fallback;
}

QString MediaSource::artist(const QString& tagArtist) const
{
    const MediaItem* item = currentItem();
    return tagArtist.isEmpty() && item ? item->author.trimmed() : tagArtist;
}
