// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

// A text prepared for matching the way a reader means it: compatibility forms
// decomposed (half-width ｶﾀｶﾅ and full-width ＡＢＣ meet their usual forms,
// ﾊﾞ meets バ) and letters case-folded. Each unit of the folded text remembers
// where it came from, so that a match can be shown in the original.
class FoldedText
{
public:
    FoldedText() = default;
    explicit FoldedText(const QString& original);

    const QString& original() const { return m_original; }
    const QString& folded() const { return m_folded; }

    // The original range [start, end) behind the folded range [start, end).
    qsizetype originalStart(qsizetype foldedStart) const;
    qsizetype originalEnd(qsizetype foldedEnd) const;

    // The folded form alone, for a query term.
    static QString fold(const QString& text);

private:
    QString m_original;
    QString m_folded;
    QList<qsizetype> m_origin; // per folded unit: index of its original character
};
