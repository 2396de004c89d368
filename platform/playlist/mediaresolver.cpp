// SPDX-License-Identifier: MIT
#include "mediaresolver.h"

#include "asxreader.h"
#include "cdafile.h"
#include "playlisttext.h"
#include "textplaylistreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace
{

using Format = MediaSniffer::Format;

bool isNetworkScheme(const QString& scheme)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("mms"),  QStringLiteral("mmsh"),
                                        QStringLiteral("mmst"), QStringLiteral("rtsp")};
    return schemes.contains(scheme.toLower());
}

// "scheme:" with a scheme of two or more letters; "C:" is a drive, not a scheme.
QString schemeOf(const QString& ref)
{
    const qsizetype colon = ref.indexOf(u':');
    if (colon < 2)
        return {};
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = ref[i];
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'+' && c != u'-' && c != u'.')
            return {};
    }
    return ref.first(colon).toLower();
}

bool isWindowsAbsolute(const QString& ref)
{
    return (ref.size() >= 2 && ref[0].isLetter() && ref[1] == u':') || ref.startsWith(u"\\\\");
}

Playlist readPlaylist(const QByteArray& bytes, Format format)
{
    const QString text = PlaylistText::decode(bytes);
    switch (format) {
    case Format::Asx:
        return AsxReader::read(text);
    case Format::M3u:
        return TextPlaylistReader::readM3u(text);
    case Format::Pls:
        return TextPlaylistReader::readPls(text);
    case Format::AsfReference:
        return TextPlaylistReader::readReference(text);
    default:
        return {};
    }
}

// A drive letter or UNC path means nothing on a system without them.
bool isForeignAbsolute(const QString& ref)
{
#ifdef Q_OS_WIN
    Q_UNUSED(ref);
    return false;
#else
    return isWindowsAbsolute(ref);
#endif
}

// The folder relative references of an entry are taken against.
QString localBase(const QString& base, const QString& folder)
{
    const QString scheme = schemeOf(base);
    if (scheme == u"file")
        return QUrl(base).toLocalFile();
    if (base.isEmpty() || !scheme.isEmpty() || isForeignAbsolute(base))
        return folder;
    return QDir(folder).absoluteFilePath(QString(base).replace(u'\\', u'/'));
}

// The local file a reference names, or empty when it names none here.
QString localPath(const QString& ref, const QString& base, const QString& folder)
{
    const QString scheme = schemeOf(ref);
    if (scheme == u"file")
        return QDir::cleanPath(QUrl(ref).toLocalFile());
    if (!scheme.isEmpty() || isForeignAbsolute(ref))
        return {};
    const QDir dir(localBase(base, folder));
    const QString path = QDir::cleanPath(dir.absoluteFilePath(QString(ref).replace(u'\\', u'/')));
    if (!QFileInfo::exists(path) && ref.contains(u'%'))
        return QDir::cleanPath(
            dir.absoluteFilePath(QUrl::fromPercentEncoding(ref.toUtf8()).replace(u'\\', u'/')));
    return path;
}

} // namespace

MediaResolver::MediaResolver(Limits limits, QStringList cdDevices)
    : m_limits(limits), m_cdDevices(std::move(cdDevices))
{
}

QStringList MediaResolver::defaultCdDevices()
{
#if defined(Q_OS_LINUX)
    return {QStringLiteral("/dev/cdrom"), QStringLiteral("/dev/sr0"), QStringLiteral("/dev/sr1"),
            QStringLiteral("/dev/sr2"), QStringLiteral("/dev/sr3")};
#elif defined(Q_OS_FREEBSD) || defined(Q_OS_NETBSD) || defined(Q_OS_OPENBSD)
    return {QStringLiteral("/dev/cd0")};
#else
    return {};
#endif
}

QString MediaResolver::findCdDevice(const QStringList& candidates)
{
    for (const QString& device : candidates) {
        if (QFileInfo::exists(device))
            return device;
    }
    return {};
}

bool MediaResolver::isNetworkUrl(const QString& url)
{
    const QUrl parsed(url);
    return parsed.isValid() && isNetworkScheme(parsed.scheme());
}

MediaResolution MediaResolver::resolve(const QString& absolutePath)
{
    return resolve(absolutePath, MediaSniffer::readHead(absolutePath));
}

MediaResolution MediaResolver::resolve(const QString& absolutePath, const QByteArray& head)
{
    m_chain.clear();
    m_filesRead = 0;
    MediaResolution result;
    const Format format = MediaSniffer::formatOf(head, absolutePath);
    switch (format) {
    case Format::Midi:
        result.items.append(MediaItem{
            .kind = MediaItem::Kind::Midi, .location = absolutePath, .source = absolutePath});
        break;
    case Format::CdTrack:
        if (std::optional<MediaItem> item = cdTrack(head, absolutePath, &result.problem))
            result.items.append(*item);
        break;
    case Format::Other:
        result.items.append(MediaItem{.location = absolutePath, .source = absolutePath});
        break;
    default:
        result.isPlaylist = true;
        expand(absolutePath, format, 0, result);
        if (result.items.isEmpty() && result.problem == MediaResolution::Problem::None)
            result.problem = MediaResolution::Problem::NoPlayableEntry;
        break;
    }
    return result;
}

std::optional<MediaItem> MediaResolver::cdTrack(const QByteArray& head, const QString& path,
                                                MediaResolution::Problem* problem) const
{
    const std::optional<CdaFile> cda = CdaFile::parse(head);
    if (!cda) {
        *problem = MediaResolution::Problem::BadCdTrack;
        return std::nullopt;
    }
    const QString device = findCdDevice(m_cdDevices);
    if (device.isEmpty() && !m_cdDevices.isEmpty()) {
        *problem = MediaResolution::Problem::NoCdDrive;
        return std::nullopt;
    }
    return MediaItem{.kind = MediaItem::Kind::CdTrack,
                     .location = device,
                     .track = cda->track(),
                     .source = path};
}

void MediaResolver::expand(const QString& path, Format format, int depth, MediaResolution& result)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (depth > m_limits.depth || m_chain.contains(canonical) ||
        m_filesRead >= m_limits.playlistFiles) {
        ++result.skippedEntries;
        return;
    }
    ++m_filesRead;
    // Only regular files with something in them are read (see MediaSniffer::readHead).
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        return;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        if (depth == 0)
            result.problem = MediaResolution::Problem::PlaylistUnreadable;
        ++result.skippedEntries;
        return;
    }
    const Playlist playlist = readPlaylist(file.read(m_limits.playlistBytes), format);
    const QString folder = QFileInfo(path).absolutePath();
    m_chain.append(canonical);
    for (const PlaylistEntry& entry : playlist.entries) {
        if (result.items.size() >= m_limits.entries) {
            ++result.skippedEntries;
            break;
        }
        addEntry(entry, folder, depth, result);
    }
    m_chain.removeLast();
}

void MediaResolver::addEntry(const PlaylistEntry& entry, const QString& folder, int depth,
                             MediaResolution& result)
{
    const QString base = entry.base.trimmed();
    for (const QString& written : entry.refs) {
        QString ref = written.trimmed();
        if (!base.isEmpty() && schemeOf(ref).isEmpty() && isNetworkScheme(schemeOf(base)))
            ref = QUrl(base).resolved(QUrl(ref)).toString(); // relative to a network BASE
        const QString scheme = schemeOf(ref);
        if (isNetworkScheme(scheme)) {
            const QUrl url(ref);
            if (!url.isValid())
                continue;
            result.items.append(MediaItem{.kind = MediaItem::Kind::Url,
                                          .location = url.toString(QUrl::FullyEncoded),
                                          .source = ref,
                                          .title = entry.title,
                                          .author = entry.author});
            return;
        }
        const QString local = localPath(ref, base, folder);
        if (!local.isEmpty() && addLocal(local, entry, depth, result))
            return;
    }
    ++result.skippedEntries;
}

bool MediaResolver::addLocal(const QString& path, const PlaylistEntry& entry, int depth,
                             MediaResolution& result)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;
    const QByteArray head = MediaSniffer::readHead(path);
    const Format format = MediaSniffer::formatOf(head, path);
    if (MediaSniffer::isPlaylist(format)) {
        expand(path, format, depth + 1, result);
        return true;
    }
    MediaItem item{.location = path, .source = path, .title = entry.title, .author = entry.author};
    if (format == Format::Midi) {
        item.kind = MediaItem::Kind::Midi;
    } else if (format == Format::CdTrack) {
        MediaResolution::Problem ignored;
        std::optional<MediaItem> track = cdTrack(head, path, &ignored);
        if (!track)
            return false;
        track->title = entry.title;
        track->author = entry.author;
        item = *track;
    }
    result.items.append(item);
    return true;
}
