// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The libavformat demuxer for a file whose first bytes leave no doubt about
// its format: RIFF WAVE, AIFF/AIFC, ISO base media (MP4, M4A, 3GP, QuickTime)
// beginning with its file type box, Ogg, FLAC, or MPEG audio layer II or III
// (after an ID3v2 tag or not) whose first three frames follow one another.
// Empty for anything else, which libavformat then identifies itself; Matroska
// is libmpv's own demuxer's, which comes before libavformat's anyway.
//
// Naming the demuxer spares libavformat its format probe, which asks every
// demuxer it has about the file's first kilobytes, several times over: their
// code stays unread, about 2 MiB of the player's resident memory.
namespace containerformat
{

// Reads from the start; the position moves.
QByteArray of(QIODevice& device);
// As of(), and empty for anything but a regular file or where subtitle files
// lie beside it: libmpv would force the named demuxer on them too.
QByteArray ofFile(const QString& path);

} // namespace containerformat
