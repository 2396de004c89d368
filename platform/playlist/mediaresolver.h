// SPDX-License-Identifier: MIT
#pragma once

#include "mediaresolution.h"
#include "mediasniffer.h"
#include "playlist.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Resolves a local file the user chose into the items the player plays: the
// file itself, a MIDI file, a CD track, or the entries of a playlist.
//
// Playlists (.asx family by content, M3U, PLS, ASF references) are read and
// their entries resolved in order: relative references against the entry's
// BASE, else the playlist's folder; "file:" URLs and Windows "\" separators
// taken as local paths; http, https, mms(h/t) and rtsp URLs kept as network
// items; any other scheme refused. An entry's fallbacks are tried until one
// exists; a missing entry is skipped. An entry that is itself a playlist is
// expanded in its place, at most Limits::depth levels deep; a playlist
// already being expanded further up is skipped, so loops end. Bounds on
// entries, playlist files read and bytes read keep hostile playlists cheap.
//
// Reads files: call it off the UI thread for playlists (MediaSniffer tells
// from the file's head whether that is needed). Instances are cheap and not shared between threads.
class MediaResolver
{
public:
    struct Limits {
        int depth = 4;                   // nested playlists below the first
        int entries = 100000;            // items per resolution
        int playlistFiles = 64;          // playlists read per resolution
        qint64 playlistBytes = 16 << 20; // read from each playlist file
    };

    MediaResolver() = default;
    MediaResolver(Limits limits, QStringList cdDevices);

    // Drives to look for, in order: /dev/cdrom, then /dev/sr0 to /dev/sr3
    // (Linux), /dev/cd0 (BSD). Empty where the engine finds drives itself.
    static QStringList defaultCdDevices();
    // The first of `candidates` that exists, or empty.
    static QString findCdDevice(const QStringList& candidates);
    // A valid URL of a network protocol playlists may name: http, https,
    // mms, mmsh, mmst, rtsp.
    static bool isNetworkUrl(const QString& url);

    // `absolutePath` names an existing local file.
    MediaResolution resolve(const QString& absolutePath);
    // The same, with the file's head (MediaSniffer::readHead) already read.
    MediaResolution resolve(const QString& absolutePath, const QByteArray& head);

private:
    void expand(const QString& path, MediaSniffer::Format format, int depth,
                MediaResolution& result);
    void addEntry(const PlaylistEntry& entry, const QString& folder, int depth,
                  MediaResolution& result);
    // False when `path` cannot be played as an item (try the next fallback).
    bool addLocal(const QString& path, const PlaylistEntry& entry, int depth,
                  MediaResolution& result);
    std::optional<MediaItem> cdTrack(const QByteArray& head, const QString& path,
                                     MediaResolution::Problem* problem) const;

    Limits m_limits;
    QStringList m_cdDevices = defaultCdDevices();
    QStringList m_chain; // canonical paths of the playlists being expanded
    int m_filesRead = 0;
};
