// SPDX-License-Identifier: MIT
#include "foldedtext.h"

namespace
{

// Folds the character that starts at `i` (one or two UTF-16 units) and
// returns how many units it took.
qsizetype foldOne(const QString& text, qsizetype i, QString& out)
{
    const QChar c = text.at(i);
    if (c.unicode() < 0x80) {
        out.append(c.toLower());
        return 1;
    }
    const qsizetype units =
        c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
    out.append(text.mid(i, units).normalized(QString::NormalizationForm_KD).toCaseFolded());
    return units;
}

} // namespace

FoldedText::FoldedText(const QString& original) : m_original(original)
{
    m_folded.reserve(original.size());
    m_origin.reserve(original.size());
    for (qsizetype i = 0; i < original.size();) {
        const qsizetype before = m_folded.size();
        const qsizetype units = foldOne(original, i, m_folded);
        for (qsizetype k = before; k < m_folded.size(); ++k)
            m_origin.append(i);
        i += units;
    }
}

qsizetype FoldedText::originalStart(qsizetype foldedStart) const
{
    if (foldedStart >= m_origin.size())
        return m_original.size();
    return m_origin.at(qMax<qsizetype>(foldedStart, 0));
}

qsizetype FoldedText::originalEnd(qsizetype foldedEnd) const
{
    if (foldedEnd <= 0 || m_origin.isEmpty())
        return 0;
    foldedEnd = qMin(foldedEnd, m_origin.size());
    // Just past the original character behind the last folded unit, even
    // when the range stops inside that character's expansion.
    const qsizetype last = m_origin.at(foldedEnd - 1);
    if (foldedEnd < m_origin.size() && m_origin.at(foldedEnd) != last)
        return m_origin.at(foldedEnd);
    qsizetype end = last + 1;
    if (end < m_original.size() && m_original.at(last).isHighSurrogate() &&
        m_original.at(end).isLowSurrogate())
        ++end;
    return end;
}

QString FoldedText::fold(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();)
        i += foldOne(text, i, out);
    return out;
}
