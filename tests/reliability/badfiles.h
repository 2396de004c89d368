// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Damaged and hostile files for the reliability tests and the soak run. Every
// generator is deterministic: the same bytes on every run.
namespace badfiles
{

// The first `size` bytes of the file at `path` (all of it when shorter).
QByteArray head(const QString& path, qsizetype size);

// testMedia("tone.mp3") with its own tag replaced by an ID3v2.3 tag of a
// title, `title`, and a user text frame of `padding` bytes; empty when the
// tone cannot be made.
QByteArray mp3WithLargeTag(const QString& title, qsizetype padding);

// Every extension the open dialog's media filter offers, without the dot.
QStringList mediaExtensions();

} // namespace badfiles
