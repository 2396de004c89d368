// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

// Splits RTF bytes into groups, control words, control symbols, \'hh bytes and
// runs of text. Works on any input in one pass without allocating: numbers are
// clamped, a malformed escape is dropped, the end of the input ends every
// construct. Carriage returns and line feeds, which RTF ignores, never reach
// the caller.
class RtfTokenizer
{
public:
    enum class Kind { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text };

    // Parameters beyond this magnitude are clamped to it.
    static constexpr int kMaxParameter = 1'000'000'000;

    struct Token {
        Kind kind = Kind::End;
        QByteArrayView word; // ControlWord: its letters
        bool hasParameter = false;
        int parameter = 0;
        char symbol = 0;        // ControlSymbol: the character after '\' ('\n' for \<newline>)
        unsigned char byte = 0; // HexByte
        QByteArrayView text;    // Text: raw bytes, none of them '\\', '{', '}', CR or LF
    };

    explicit RtfTokenizer(QByteArrayView input) : m_input(input) {}

    Token next();

    // Skips the data of \binN: `count` raw bytes, or what is left of the input.
    void skipBytes(qint64 count);
    // The next raw byte, -1 at the end; takeByte() consumes it. For the trail
    // byte of a double-byte character, which may be a '\\', '{' or '}'.
    int peekByte() const
    {
        return m_pos < m_input.size() ? static_cast<unsigned char>(m_input[m_pos]) : -1;
    }
    void takeByte();

private:
    Token controlAfterBackslash();

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};
