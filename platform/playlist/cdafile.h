// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// A .cda file: the small RIFF "CDDA" file by which Windows shows each track
// of an audio CD as a file. Its "fmt " chunk holds, little-endian: format
// version (16 bit), track number (16), disc serial (32), first sector (32),
// length in sectors (32), then both again as minute/second/frame. Only the
// track number is needed to play it; a chunk too short for it, or a track
// outside 1..99, makes the file unreadable.
class CdaFile
{
public:
    static std::optional<CdaFile> parse(const QByteArray& bytes);

    int track() const { return m_track; }
    quint32 discSerial() const { return m_serial; }
    quint32 firstSector() const { return m_firstSector; }     // 0 when the chunk ends before it
    quint32 lengthSectors() const { return m_lengthSectors; } // 75 sectors a second
    double lengthSeconds() const { return m_lengthSectors / 75.0; }

private:
    int m_track = 0;
    quint32 m_serial = 0;
    quint32 m_firstSector = 0;
    quint32 m_lengthSectors = 0;
};
