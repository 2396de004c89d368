// SPDX-License-Identifier: MIT
#pragma once

#include "playlist.h"

#include <QStringView>

// Reads ASX playlists (.asx, .wax, .wvx, .wmx and ASX content under any
// name) the way Windows Media files are written in practice rather than as
// well-formed XML: element and attribute names in any case, values in double,
// single or no quotes, entities (named, decimal, hex) decoded and a stray "&"
// kept as it is, comments, processing instructions and CDATA understood,
// unclosed elements closed by the next ENTRY or the end of the text, and
// anything unreadable taken as text and skipped.
//
// Per ENTRY: every REF HREF in order (later ones are fallbacks), TITLE,
// AUTHOR and BASE HREF; an ENTRYREF HREF becomes an entry of its own marked
// isPlaylistRef; a REF outside any ENTRY is an entry of its own. A BASE
// outside the entries applies to entries that have none. BANNER, LOGO and
// MOREINFO links are not media and are ignored, as are the other elements.
// A REPEAT block plays once.
class AsxReader
{
public:
    static Playlist read(QStringView text);
    // Named character references and &#...; numbers; anything else unchanged.
    static QString decodeEntities(QStringView text);
};
