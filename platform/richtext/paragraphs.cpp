// SPDX-License-Identifier: MIT
#include "paragraphs.h"

namespace paragraphs
{

qsizetype breakPosition(QStringView text, qsizetype from, qsizetype maxLength)
{
    qsizetype end = from + maxLength;
    if (end >= text.size())
        return text.size();
    const qsizetype searchFrom = end - qMin<qsizetype>(2000, maxLength / 2);
    for (qsizetype i = end; i > searchFrom; --i) {
        if (text[i - 1].isSpace())
            return i;
    }
    if (text[end - 1].isHighSurrogate() && text[end].isLowSurrogate())
        --end;
    return end;
}

QString breakLongLines(const QString& text, qsizetype maxLength)
{
    qsizetype lineStart = 0;
    bool anyLong = false;
    for (qsizetype i = 0; i <= text.size() && !anyLong; ++i) {
        if (i == text.size() || text[i] == u'\n') {
            anyLong = i - lineStart > maxLength;
            lineStart = i + 1;
        }
    }
    if (!anyLong)
        return text;

    QString out;
    out.reserve(text.size() + text.size() / maxLength + 1);
    lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QStringView line = QStringView(text).sliced(lineStart, lineEnd - lineStart);
        qsizetype from = 0;
        while (line.size() - from > maxLength) {
            const qsizetype cut = breakPosition(line, from, maxLength);
            out += line.sliced(from, cut - from);
            out += u'\n';
            from = cut;
        }
        out += line.sliced(from);
        if (lineEnd < text.size())
            out += u'\n';
        lineStart = lineEnd + 1;
    }
    return out;
}

} // namespace paragraphs
