// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One entry of a playlist as written, before anything is resolved.
struct PlaylistEntry {
    QStringList refs{}; // alternatives in order of preference: paths or URLs as written
    QString base{};     // relative refs are taken against this when it is set
    QString title{};
    QString author{};
    bool isPlaylistRef = false; // names another playlist (ASX ENTRYREF)

    bool operator==(const PlaylistEntry&) const = default;
};

struct Playlist {
    QString title{};
    QList<PlaylistEntry> entries{};
};
