// SPDX-License-Identifier: MIT
#pragma once

#include "rtfcontrolwords.h"

#include <QStringList>
#include <Qt>

class QTextCharFormat;
class RtfTables;

// The properties an RTF group carries: where its text goes, the character and
// paragraph formatting, the \uc count. A group starts with a copy of its
// parent's state; its control words change only its own.
struct RtfGroupState {
    enum class Destination { Text, FontTable, ColorTable };
    enum class RunKind { Any, LowAnsi, HighAnsi, DoubleByte }; // \loch \hich \dbch

    struct Chars {
        int font = -1;       // -1: the default font (\deff)
        int halfPoints = 24; // \fs
        int foreground = 0;  // colour table index; 0 and empty entries: automatic
        int background = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        bool hidden = false;
        int vertical = 0; // 1 superscript, -1 subscript
        RunKind runKind = RunKind::Any;
        int doubleByteFont = -1;     // font of double-byte runs (\dbch\afN)
        bool afIsDoubleByte = false; // \af names that font: \dbch came last, not \rtlch and such

        bool operator==(const Chars&) const = default;
    };

    Chars chars;
    Qt::Alignment alignment = Qt::AlignLeft;
    int unicodeSkip = 1; // \ucN: fallback bytes after each \uN
    Destination destination = Destination::Text;

    // Applies a character or paragraph formatting word; false for others.
    bool apply(rtfwords::Action action, bool hasParameter, int parameter);

    // The format of text in this state. Fonts named in the table come first
    // in the families, then `fallbackFamilies`.
    QTextCharFormat charFormat(const RtfTables& tables, const QStringList& fallbackFamilies) const;
};
