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

    // The classes of characters that associated properties (\af \afs \ab
    // \ai) are given for, after \loch, \hich or \dbch: ASCII, other
    // single-byte characters, and East Asian (double-byte) ones.
    enum CharClass { kLowAnsi, kHighAnsi, kDoubleByte, kCharClasses };

    // Associated properties of one class; unset ones leave the regular ones.
    struct Associated {
        int font = -1;      // -1: not set
        int halfPoints = 0; // 0: not set
        int bold = -1;      // -1 not set, else 0 or 1
        int italic = -1;

        bool isSet() const { return font >= 0 || halfPoints > 0 || bold >= 0 || italic >= 0; }
        bool operator==(const Associated&) const = default;
    };

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
        // Which class the associated words name: the last of \loch, \hich and
        // \dbch, or none after \rtlch or \ltrch (their associated properties
        // are those of right-to-left scripts, which Japanese text never takes).
        RunKind associatedWith = RunKind::Any;
        Associated associated[kCharClasses];

        bool operator==(const Chars&) const = default;
        // The font of double-byte runs (\dbch\afN), -1 when not given.
        int doubleByteFont() const { return associated[kDoubleByte].font; }
    };

    Chars chars;
    Qt::Alignment alignment = Qt::AlignLeft;
    int unicodeSkip = 1; // \ucN: fallback bytes after each \uN
    Destination destination = Destination::Text;

    // Applies a character or paragraph formatting word; false for others.
    bool apply(rtfwords::Action action, bool hasParameter, int parameter);

    // The class `c` belongs to.
    static CharClass classOf(char32_t c);

    // The format of text of class `charClass` in this state: the associated
    // properties of that class where given, else the regular ones. Fonts named
    // in the table come first in the families, then installed faces of their
    // kind (Japanese mincho or gothic), then `fallbackFamilies`.
    QTextCharFormat charFormat(const RtfTables& tables, const QStringList& fallbackFamilies,
                               CharClass charClass = kLowAnsi) const;

private:
    // The associated properties the next \af, \afs, \ab or \ai set, if any.
    Associated* associatedTarget();
};
