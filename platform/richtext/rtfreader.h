// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

class QTextDocument;

// Reads Rich Text Format into a QTextDocument: the text with its paragraphs,
// line breaks and tabs, bold, italic, underline, strike-through, hidden text,
// super- and subscript, font faces and sizes, text and background colours
// from the colour table, and paragraph alignment. The associated properties
// (\af \afs \ab \ai) given after \loch, \hich or \dbch format the ASCII,
// other single-byte or East Asian characters of a run: office programs
// that keep Western and Asian formatting apart write the Asian one so.
//
// Bytes are decoded in the code page of the font they are written in (\f with
// the font table's \fcharset or \cpg), else the document's (\ansicpg, \ansi,
// \mac, \pc, \pca). Consecutive bytes, raw or \'hh, are decoded together, so a
// double-byte character written as two escapes is one character; a raw lead
// byte takes the next byte as its trail even when that is '\', '{' or '}'.
// \uN gives UTF-16 units (surrogate pairs from two of them) and skips the \ucN
// fallback bytes after it. Tables, pictures, objects, fields' instructions
// (their results show), headers and footers, and every {\*\…} group are
// skipped; \binN data is stepped over.
//
// Any input is read to its end in time linear in its size, without recursion:
// unbalanced braces, truncated input and noise give what text there is.
// Groups nest to any depth; past 1000 levels their text is kept in the
// formatting of level 1000.
class RtfReader
{
public:
    // Whether `data` starts with "{\rtf", after an optional UTF-8 byte order
    // mark and blanks.
    static bool isRtf(QByteArrayView data);

    // Replaces the content of `document` with the text of `rtf`. Fonts named
    // in the file are followed by the document's default font families, which
    // supply the glyphs they lack.
    static void read(QByteArrayView rtf, QTextDocument& document);
};
