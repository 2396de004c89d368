// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Decodes the bytes of a text playlist. Order: a byte order mark (UTF-8,
// UTF-16 LE/BE), UTF-16 without a mark recognised by its zero bytes, strict
// UTF-8, the encoding an XML declaration names, then CP932 (Shift_JIS as
// Windows writes it), the usual encoding of Japanese playlists. Undecodable
// bytes become U+FFFD; this never fails.
class PlaylistText
{
public:
    static QString decode(const QByteArray& bytes);
};
