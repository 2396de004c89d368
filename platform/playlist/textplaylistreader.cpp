// SPDX-License-Identifier: MIT
#include "textplaylistreader.h"

#include <QMap>
#include <optional>

namespace
{

QList<QStringView> linesOf(QStringView text)
{
    QList<QStringView> lines;
    for (const QStringView line : text.tokenize(u'\n')) {
        for (const QStringView part : line.tokenize(u'\r'))
            lines.append(part.trimmed());
    }
    return lines;
}

// "<prefix><number>=<value>" in an INI-style list, key in any case.
struct NumberedValue {
    QString key; // lower case, without the number
    int number = 0;
    QString value;
};

std::optional<NumberedValue> numberedValue(QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return std::nullopt;
    const QStringView key = line.first(eq).trimmed();
    qsizetype digits = key.size();
    while (digits > 0 && key[digits - 1].isDigit())
        --digits;
    if (digits == 0 || digits == key.size())
        return std::nullopt;
    bool ok = false;
    const int number = key.sliced(digits).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return NumberedValue{key.first(digits).toString().toLower(), number,
                         line.sliced(eq + 1).trimmed().toString()};
}

// Entries from "<refKey>N=" lines, titles from "<titleKey>N=", ordered by N.
Playlist readNumbered(QStringView text, QLatin1StringView refKey, QLatin1StringView titleKey)
{
    QMap<int, PlaylistEntry> byNumber;
    for (const QStringView line : linesOf(text)) {
        const std::optional<NumberedValue> item = numberedValue(line);
        if (!item || item->value.isEmpty())
            continue;
        if (item->key == refKey)
            byNumber[item->number].refs = QStringList{item->value};
        else if (!titleKey.isEmpty() && item->key == titleKey)
            byNumber[item->number].title = item->value;
    }
    Playlist playlist;
    for (const PlaylistEntry& entry : std::as_const(byNumber)) {
        if (!entry.refs.isEmpty())
            playlist.entries.append(entry);
    }
    return playlist;
}

} // namespace

Playlist TextPlaylistReader::readM3u(QStringView text)
{
    Playlist playlist;
    QString pendingTitle;
    for (const QStringView line : linesOf(text)) {
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'#')) {
            if (line.startsWith(QLatin1StringView("#EXTINF:"), Qt::CaseInsensitive)) {
                const qsizetype comma = line.indexOf(u',');
                pendingTitle = comma < 0 ? QString() : line.sliced(comma + 1).trimmed().toString();
            }
            continue;
        }
        playlist.entries.append(PlaylistEntry{.refs = {line.toString()}, .title = pendingTitle});
        pendingTitle.clear();
    }
    return playlist;
}

Playlist TextPlaylistReader::readPls(QStringView text)
{
    return readNumbered(text, QLatin1StringView("file"), QLatin1StringView("title"));
}

Playlist TextPlaylistReader::readReference(QStringView text)
{
    return readNumbered(text, QLatin1StringView("ref"), QLatin1StringView());
}
