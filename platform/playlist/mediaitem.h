// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// One thing for the player to play, as MediaResolver found it.
struct MediaItem {
    enum class Kind {
        File,    // a local media file the engine probes itself
        Midi,    // a local Standard MIDI File (or RMID), synthesized
        CdTrack, // one track of the audio CD in a drive
        Url,     // a network stream named by a playlist (http, https, mms, rtsp)
    };

    Kind kind = Kind::File;
    // File, Midi: the absolute local path. Url: the URL. CdTrack: the drive's
    // device (e.g. /dev/sr0).
    QString location{};
    int track = 0; // CdTrack: 1..99
    // The file or URL that named this item (the .cda file for a CD track); its
    // name is what the player shows when nothing better is known.
    QString source{};
    QString title{};  // from the playlist entry, empty when it gave none
    QString author{}; // likewise

    friend bool operator==(const MediaItem&, const MediaItem&) = default;
};
