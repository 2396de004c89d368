// SPDX-License-Identifier: MIT
#include "cdafile.h"

namespace
{

quint32 le(const QByteArray& bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(bytes[at + i]);
    return value;
}

} // namespace

std::optional<CdaFile> CdaFile::parse(const QByteArray& bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "CDDA")
        return std::nullopt;
    // The "fmt " chunk, wherever it is among the chunks after the form type.
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const quint32 size = le(bytes, at + 4, 4);
        const qsizetype body = at + 8;
        if (bytes.mid(at, 4) == "fmt ") {
            const qsizetype available = std::min<qsizetype>(size, bytes.size() - body);
            if (available < 4)
                return std::nullopt;
            CdaFile file;
            file.m_track = static_cast<int>(le(bytes, body + 2, 2));
            if (file.m_track < 1 || file.m_track > 99)
                return std::nullopt;
            if (available >= 8)
                file.m_serial = le(bytes, body + 4, 4);
            if (available >= 16) {
                file.m_firstSector = le(bytes, body + 8, 4);
                file.m_lengthSectors = le(bytes, body + 12, 4);
            }
            return file;
        }
        const quint64 next = quint64(body) + size + (size & 1);
        if (next > quint64(bytes.size()))
            break;
        at = static_cast<qsizetype>(next);
    }
    return std::nullopt;
}
