// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Turns the bytes of a plain-text file into the text to display, whatever
// encoding a Japanese user's files come in.
//
// Detection order: a byte order mark (UTF-8, UTF-16, UTF-32); UTF-16 without a
// mark, recognized by its zero bytes and by reading as text one way round
// only; ISO-2022-JP (7-bit with its escapes); strict UTF-8 (a character cut
// at the very end allowed), unless it holds only two-byte characters that
// make no sense as one script while the bytes read as Japanese; then the
// Shift_JIS (CP932) and EUC-JP readings whose byte structure holds and whose
// characters all exist, the more Japanese of them by the classes of their
// characters (uchardet's guess decides over longer texts, and against a
// Chinese or Korean guess only a reading with kana counts); uchardet's other
// guesses; CP932 when nothing else fits.
class TextDecoder
{
public:
    // The QStringDecoder name of the encoding `bytes` are taken to be in.
    static QByteArray detectEncoding(QByteArrayView bytes);

    // Decodes `bytes` in the detected encoding. Never fails: undecodable bytes
    // become U+FFFD. Line ends come out as '\n'; other control characters are
    // made visible (see cleanForDisplay), so a NUL shows instead of ending the text.
    static QString decode(QByteArrayView bytes);

    // Line ends (CR LF, CR, form feed, vertical tab) become '\n'; tab stays;
    // the other C0 controls and DEL become their Control Pictures (U+2400…);
    // U+001A (what ICU's converters put for a malformed sequence) and unpaired
    // surrogates become U+FFFD.
    static QString cleanForDisplay(QStringView text);
};

inline QString decodeText(const QByteArray& bytes)
{
    return TextDecoder::decode(bytes);
}
