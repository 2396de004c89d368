// SPDX-License-Identifier: MIT
#pragma once

#include "playlist.h"

#include <QStringView>

// Line-based playlists: M3U (one path or URL a line, "#" comments, the title
// of "#EXTINF:<seconds>,<title>" going to the next entry), PLS ("FileN=",
// "TitleN=" under [playlist]) and the ASF reference files of Windows Media
// ("RefN=" under [Reference]). Keys in any case, entries ordered by N, blank
// and unreadable lines skipped; CR, LF and CRLF line ends alike.
class TextPlaylistReader
{
public:
    static Playlist readM3u(QStringView text);
    static Playlist readPls(QStringView text);
    static Playlist readReference(QStringView text);
};
