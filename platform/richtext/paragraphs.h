// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// Qt lays a paragraph out as one piece, in time that grows faster than its
// length: a multi-megabyte line without breaks freezes the box for seconds.
// Displayed text is therefore cut into paragraphs of at most kMaxLength
// characters; no real lyrics line comes near it.
namespace paragraphs
{

inline constexpr qsizetype kMaxLength = 20000;

// Where to end a piece of `text` that starts at `from` and is too long: after
// the last blank among the final 2000 characters of the allowed length, else
// at the length itself, never between the halves of a surrogate pair.
qsizetype breakPosition(QStringView text, qsizetype from, qsizetype maxLength = kMaxLength);

// `text` with '\n' inserted wherever a line is longer than `maxLength`.
QString breakLongLines(const QString& text, qsizetype maxLength = kMaxLength);

} // namespace paragraphs
