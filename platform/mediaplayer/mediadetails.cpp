// SPDX-License-Identifier: MIT
#include "mediadetails.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <cmath>

namespace mediadetails
{

namespace
{

// Grouped by thousands ("75,900"), as the dialog's Japanese reads them.
QString number(double value, int decimals)
{
    return QLocale(QLocale::Japanese).toString(value, 'f', decimals);
}

QString externalName(const MediaTrack& track)
{
    return QFileInfo(track.externalFile).fileName();
}

} // namespace

QString typeName(MediaTrack::Type type)
{
    switch (type) {
    case MediaTrack::Type::Video:
        return QStringLiteral("映像");
    case MediaTrack::Type::Audio:
        return QStringLiteral("音声");
    case MediaTrack::Type::Subtitle:
        break;
    }
    return QStringLiteral("字幕");
}

QString menuLabel(const MediaTrack& track)
{
    QString text;
    if (track.external && !track.externalFile.isEmpty())
        text = QStringLiteral("%1（外部ファイル）").arg(externalName(track));
    else if (!track.title.trimmed().isEmpty())
        text = QStringLiteral("%1: %2").arg(track.id).arg(track.title.trimmed());
    else
        text = QStringLiteral("トラック %1").arg(track.id);
    if (!track.language.isEmpty())
        text += QStringLiteral(" [%1]").arg(track.language);
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString summary(const MediaTrack& track)
{
    QStringList parts;
    if (!track.codec.isEmpty())
        parts << track.codec;
    if (track.width > 0 && track.height > 0)
        parts << QStringLiteral("%1×%2").arg(track.width).arg(track.height);
    if (track.framesPerSecond > 0)
        parts << QStringLiteral("%1 fps").arg(
            number(track.framesPerSecond,
                   track.framesPerSecond == std::floor(track.framesPerSecond) ? 0 : 3));
    if (track.sampleRate > 0)
        parts << QStringLiteral("%1 Hz").arg(track.sampleRate);
    if (track.channels > 0)
        parts << QStringLiteral("%1 ch").arg(track.channels);
    if (const QString rate = bitRate(track.bitsPerSecond); !rate.isEmpty())
        parts << rate;
    if (track.albumArt)
        parts << QStringLiteral("ジャケット画像");
    if (!track.language.isEmpty())
        parts << QStringLiteral("言語 %1").arg(track.language);
    if (track.external)
        parts << QStringLiteral("外部ファイル %1").arg(externalName(track));
    else if (!track.title.trimmed().isEmpty())
        parts << QStringLiteral("「%1」").arg(track.title.trimmed());
    return parts.join(QStringLiteral(", "));
}

QString duration(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return {};
    const qint64 whole = std::llround(seconds);
    const qint64 h = whole / 3600;
    const qint64 m = whole / 60 % 60;
    const qint64 s = whole % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString size(qint64 bytes)
{
    if (bytes <= 0)
        return {};
    const QString exact = QStringLiteral("%1 バイト").arg(number(double(bytes), 0));
    if (bytes < 1024)
        return exact;
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1（%2 %3）").arg(exact, number(value, 1), QLatin1String(units[unit]));
}

QString bitRate(qint64 bitsPerSecond)
{
    if (bitsPerSecond <= 0)
        return {};
    return QStringLiteral("%1 kbps").arg(number(std::round(double(bitsPerSecond) / 1000), 0));
}

} // namespace mediadetails
