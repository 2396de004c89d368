// SPDX-License-Identifier: MIT
#pragma once

#include "mediaitem.h"

#include <QList>

// What a file chosen by the user resolves to.
struct MediaResolution {
    enum class Problem {
        None,
        PlaylistUnreadable, // a playlist that cannot be read at all
        NoPlayableEntry,    // a playlist whose entries are all missing or unusable
        NoCdDrive,          // a CD track, and no drive on this machine
        BadCdTrack,         // a .cda file whose track cannot be read
    };

    QList<MediaItem> items; // in playing order; empty when there is a problem
    bool isPlaylist = false;
    Problem problem = Problem::None;
    int skippedEntries = 0; // playlist entries left out: missing, unsupported, loops, limits
};
