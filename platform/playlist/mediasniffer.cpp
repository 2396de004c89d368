// SPDX-License-Identifier: MIT
#include "mediasniffer.h"

#include "playlisttext.h"

#include <QFile>
#include <QFileInfo>

namespace
{

bool isRiff(const QByteArray& head, const char* form)
{
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == form;
}

// Skips white space, <?...?> declarations and <!-- --> comments.
qsizetype skipProlog(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text[pos].isSpace()) {
            ++pos;
        } else if (text.mid(pos, 2) == QLatin1StringView("<?")) {
            const qsizetype end = text.indexOf(QLatin1StringView("?>"), pos);
            pos = end < 0 ? text.size() : end + 2;
        } else if (text.mid(pos, 4) == QLatin1StringView("<!--")) {
            const qsizetype end = text.indexOf(QLatin1StringView("-->"), pos);
            pos = end < 0 ? text.size() : end + 3;
        } else {
            break;
        }
    }
    return pos;
}

bool startsWithAt(const QString& text, qsizetype pos, QLatin1StringView what)
{
    return QStringView(text).sliced(pos).startsWith(what, Qt::CaseInsensitive);
}

} // namespace

MediaSniffer::Format MediaSniffer::formatOf(const QByteArray& head, const QString& fileName)
{
    if (head.startsWith("MThd") || isRiff(head, "RMID"))
        return Format::Midi;
    if (isRiff(head, "CDDA"))
        return Format::CdTrack;
    // Binary media never starts like text: only decode what could be a playlist.
    const QString text = PlaylistText::decode(head);
    const qsizetype start = skipProlog(text);
    if (startsWithAt(text, start, QLatin1StringView("<asx")))
        return Format::Asx;
    if (startsWithAt(text, start, QLatin1StringView("[playlist]")))
        return Format::Pls;
    if (startsWithAt(text, start, QLatin1StringView("[reference]")))
        return Format::AsfReference;
    const bool hls = text.contains(QLatin1StringView("#EXT-X-"), Qt::CaseInsensitive);
    if (startsWithAt(text, start, QLatin1StringView("#extm3u")))
        return hls ? Format::Other : Format::M3u;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if ((suffix == u"m3u" || suffix == u"m3u8") && !hls)
        return Format::M3u;
    if (suffix == u"pls")
        return Format::Pls;
    // An .asx-family name whose document has something before <ASX>.
    if ((suffix == u"asx" || suffix == u"wax" || suffix == u"wvx" || suffix == u"wmx" ||
         suffix == u"wmp") &&
        text.contains(QLatin1StringView("<asx"), Qt::CaseInsensitive))
        return Format::Asx;
    return Format::Other;
}

QByteArray MediaSniffer::readHead(const QString& path)
{
    // Files that say they are empty have nothing to sniff; among them are
    // procfs files, some of which block a reader.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() == 0 || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kHeadBytes);
}

bool MediaSniffer::isPlaylist(Format format)
{
    return format == Format::Asx || format == Format::M3u || format == Format::Pls ||
           format == Format::AsfReference;
}
