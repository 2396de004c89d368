// SPDX-License-Identifier: MIT
#pragma once

#include "mediatrack.h"

#include <QString>

// How the player names a file's streams and facts to the user, in Japanese:
// the context menu's track items and the lines of the properties dialog.
namespace mediadetails
{

// A menu item's text for `track`: its title (or "トラック n"), then the
// language the file names; an external file by its name. "&" is doubled.
QString menuLabel(const MediaTrack& track);
// "映像", "音声", "字幕".
QString typeName(MediaTrack::Type type);
// The technical line of a track: codec, picture size and frame rate, or
// sample rate and channels, bit rate, language and title where known.
QString summary(const MediaTrack& track);

// "1:02:03", "3:07"; empty for 0 or less.
QString duration(double seconds);
// "75,900 バイト（74.1 KB）"; empty for 0 or less.
QString size(qint64 bytes);
// "152 kbps"; empty for 0 or less.
QString bitRate(qint64 bitsPerSecond);

} // namespace mediadetails
