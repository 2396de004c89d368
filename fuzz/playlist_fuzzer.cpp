// SPDX-License-Identifier: MIT
// Any bytes as a playlist (ASX in any spelling, M3U, PLS, ASF reference) or
// as a .cda file. The readers must take anything in linear time, agree with
// themselves, and keep their promises: every entry has a non-empty reference,
// an ENTRYREF exactly one, entity decoding never lengthens text, a CD track is
// 1 to 99. The resolver then expands the bytes as a playlist file in a
// scratch folder, bounded in items and never blocking on what it finds.
#include "asxreader.h"
#include "cdafile.h"
#include "fuzzscratch.h"
#include "mediaresolver.h"
#include "mediasniffer.h"
#include "playlisttext.h"
#include "textplaylistreader.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkEntries(const Playlist& playlist, qsizetype textSize)
{
    require(playlist.entries.size() <= textSize);
    for (const PlaylistEntry& entry : playlist.entries) {
        require(!entry.refs.isEmpty());
        require(!entry.isPlaylistRef || entry.refs.size() == 1);
        for (const QString& ref : entry.refs)
            require(!ref.trimmed().isEmpty() && ref.size() <= textSize);
    }
}

const FuzzScratch& scratch()
{
    static const FuzzScratch folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // QtConcurrent is not used here, but Qt's file engines like an application.
    static QCoreApplication app(*argc, *argv);
    scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = PlaylistText::decode(bytes);
    require(text == PlaylistText::decode(bytes));

    const Playlist asx = AsxReader::read(text);
    checkEntries(asx, text.size());
    require(asx.entries == AsxReader::read(text).entries);
    require(AsxReader::decodeEntities(text).size() <= text.size());
    checkEntries(TextPlaylistReader::readM3u(text), text.size());
    checkEntries(TextPlaylistReader::readPls(text), text.size());
    checkEntries(TextPlaylistReader::readReference(text), text.size());

    const MediaSniffer::Format format = MediaSniffer::formatOf(bytes, QStringLiteral("x.wmp"));
    require(format == MediaSniffer::formatOf(bytes, QStringLiteral("x.wmp")));

    if (const std::optional<CdaFile> cda = CdaFile::parse(bytes))
        require(cda->track() >= 1 && cda->track() <= 99);

    // As a playlist file next to a few media files, resolved for real.
    const QString list = scratch().write(QStringLiteral("in.asx"), bytes.constData(), size);
    MediaResolver::Limits limits;
    limits.entries = 50;
    limits.playlistFiles = 8;
    const MediaResolution resolution =
        MediaResolver(limits, {scratch().path(QStringLiteral("no-drive"))}).resolve(list);
    require(resolution.items.size() <= limits.entries);
    require(resolution.items.isEmpty() || resolution.problem == MediaResolution::Problem::None);
    for (const MediaItem& item : resolution.items) {
        require(!item.location.isEmpty());
        require(item.kind != MediaItem::Kind::Url || MediaResolver::isNetworkUrl(item.location));
        require(item.kind == MediaItem::Kind::Url || item.location.startsWith(u'/'));
    }
    return 0;
}
