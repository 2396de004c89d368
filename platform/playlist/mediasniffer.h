// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// What a file holds, judged by its first bytes and, only where the content
// cannot tell, by its name.
class MediaSniffer
{
public:
    enum class Format {
        Other,        // for the engine to probe
        Midi,         // "MThd", or RIFF "RMID"
        CdTrack,      // RIFF "CDDA" (.cda)
        Asx,          // an <ASX> document, whatever the file is called
        M3u,          // #EXTM3U, or a .m3u/.m3u8 name; never an HLS stream (#EXT-X-)
        Pls,          // [playlist]
        AsfReference, // [Reference] with RefN= lines
    };

    static constexpr qsizetype kHeadBytes = 4096;

    // `head`: the first kHeadBytes of the file (fewer if it is shorter).
    static Format formatOf(const QByteArray& head, const QString& fileName);
    // The first kHeadBytes of a regular file; empty for anything else (a FIFO
    // or device would block the reader), for an empty file (procfs files say
    // they are) or when it cannot be read.
    static QByteArray readHead(const QString& path);
    static bool isPlaylist(Format format);
};
