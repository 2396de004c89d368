// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

// One stream of the file that plays, as libmpv's track list describes it.
// Values the file does not name are empty or 0.
struct MediaTrack {
    enum class Type { Video, Audio, Subtitle };

    Type type = Type::Audio;
    int id = 0; // libmpv's id, counted per type from 1
    QString title{};
    QString language{}; // as the file names it, e.g. "jpn" or "en"
    QString codec{};
    bool selected = false;
    bool external = false;  // a file of its own beside the media (subtitles)
    QString externalFile{}; // that file's path, as libmpv names it
    bool albumArt = false;  // a picture of an audio file, not a video
    int width = 0;          // video, pixels
    int height = 0;
    double framesPerSecond = 0;
    int sampleRate = 0; // audio, Hz
    int channels = 0;
    qint64 bitsPerSecond = 0; // where the container states it

    bool operator==(const MediaTrack&) const = default;
};

using MediaTracks = QList<MediaTrack>;
