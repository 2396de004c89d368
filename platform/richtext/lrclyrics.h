// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <limits>
#include <optional>

// Lyrics whose lines carry LRC time tags, as the lyrics window shows them.
//
// Read from text already decoded (TextDecoder: lines end in '\n'). A line
// begins with one or more time tags, "[m:ss]", "[m:ss.x]", "[m:ss.xx]",
// "[m:ss.xxx]" or "[m:ss:xx]" (minutes up to six digits), and is sung at each
// of them. Word tags "<m:ss.xx>" inside a timed line time the words after
// them ("enhanced" LRC). Header lines ([ti:], [ar:], [al:], [au:], [by:],
// [length:], [re:], [ve:], [tool:], [#:], [offset:]) are left out; a positive
// [offset:ms] makes every line come that much earlier. A line without a tag
// stays after the timed line it follows in the file; those before the first
// timed line stay at the top.
//
// The result is one text (text(), lines separated by '\n', lines longer than
// paragraphs::kMaxLength broken as the box breaks plain text) with its lines
// in time order; lines and words give their places in it, which are the
// positions of a QTextDocument made from it with setPlainText().
//
// Any input is read in time and memory linear in its size: a line with many
// tags is repeated at each only while the repeats add up to less than the
// input itself.
class LrcLyrics
{
public:
    static constexpr qint64 kUntimed = std::numeric_limits<qint64>::min();

    struct Word {
        qint64 ms = 0;       // when its singing starts
        qsizetype start = 0; // in text(), end exclusive
        qsizetype end = 0;
    };
    struct Line {
        qint64 ms = kUntimed; // milliseconds from the start; kUntimed for an untagged line
        qsizetype start = 0;  // in text(), end exclusive, without the '\n'
        qsizetype end = 0;
        QList<Word> words; // in text order; empty without word tags
    };

    // The lyrics, or nullopt when `text` is not time-tagged: fewer than two of
    // its lines begin with a time tag, or fewer than half of those that are
    // neither empty nor headers do. A text with a stray "[1:00]" stays plain.
    static std::optional<LrcLyrics> read(QStringView text);

    const QString& text() const { return m_text; }
    const QList<Line>& lines() const { return m_lines; }

    // Indices into lines() of the timed lines being sung at `ms`: those with
    // the latest time not after it (several when lines share a time, as a
    // line and its translation do; at most `most`), in text order. Empty
    // before the first timed line.
    QList<int> linesAt(qint64 ms, int most = 8) const;
    // The line that holds text position `position`, or -1 outside every line.
    int lineAtPosition(qsizetype position) const;
    // The word of `line` being sung at `ms`: the last that has started, -1
    // before the first (or without word tags).
    static int wordAt(const Line& line, qint64 ms);

private:
    QString m_text;
    QList<Line> m_lines;
    QList<int> m_timed; // indices of the timed lines, in time order
};
