// SPDX-License-Identifier: MIT
#include "badfiles.h"

#include "testmedia.h"

#include <QFile>

namespace badfiles
{

QByteArray head(const QString& path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

namespace
{

QByteArray bigEndian32(quint32 value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[3 - i] = char((value >> (8 * i)) & 0xFF);
    return out;
}

// ID3v2 sizes: 28 bits, seven to a byte.
QByteArray synchsafe(quint32 value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[3 - i] = char((value >> (7 * i)) & 0x7F);
    return out;
}

QByteArray frame(const char* id, const QByteArray& content)
{
    return QByteArray(id, 4) + bigEndian32(quint32(content.size())) + QByteArray(2, '\0') + content;
}

// The MPEG audio frames of an MP3, after any ID3v2 tag in front of them.
QByteArray withoutTag(const QByteArray& mp3)
{
    if (mp3.size() < 10 || !mp3.startsWith("ID3"))
        return mp3;
    quint32 size = 0;
    for (int i = 6; i < 10; ++i)
        size = size << 7 | (quint8(mp3[i]) & 0x7F);
    return mp3.mid(10 + qsizetype(size));
}

} // namespace

QByteArray mp3WithLargeTag(const QString& title, qsizetype padding)
{
    const QString tone = testMedia(QStringLiteral("tone.mp3"));
    if (tone.isEmpty())
        return {};
    QByteArray mp3 = head(tone, 1 << 24);

    // TIT2 in UTF-16 with a byte order mark; TXXX in ISO-8859-1.
    QByteArray titleText("\x01\xFF\xFE", 3);
    for (const QChar c : title) {
        titleText += char(c.unicode() & 0xFF);
        titleText += char(c.unicode() >> 8);
    }
    const QByteArray frames =
        frame("TIT2", titleText) +
        frame("TXXX", QByteArray("\0padding\0", 9) + QByteArray(padding, 'x'));
    return QByteArray("ID3\x03\x00\x00", 6) + synchsafe(quint32(frames.size())) + frames +
           withoutTag(mp3);
}

QStringList mediaExtensions()
{
    return {"mid",  "rmi",  "wav", "mp3", "avi", "mpeg", "mpg", "cda", "au",  "snd", "aif",
            "aifc", "aiff", "asf", "asx", "wax", "wma",  "wmv", "wvx", "wmp", "wmx"};
}

} // namespace badfiles
