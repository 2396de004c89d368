// SPDX-License-Identifier: MIT
#include "rtftokenizer.h"

namespace
{

using Kind = RtfTokenizer::Kind;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfTokenizer::Token tokenOf(RtfTokenizer::Kind kind)
{
    RtfTokenizer::Token token;
    token.kind = kind;
    return token;
}

} // namespace

RtfTokenizer::Token RtfTokenizer::next()
{
    const qsizetype n = m_input.size();
    while (m_pos < n) {
        const char c = m_input[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            return tokenOf(Kind::GroupStart);
        case '}':
            ++m_pos;
            return tokenOf(Kind::GroupEnd);
        case '\\': {
            ++m_pos;
            Token token = controlAfterBackslash();
            if (token.kind != Kind::End)
                return token;
            break; // a malformed escape: go on with what follows
        }
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default: {
            const qsizetype start = m_pos;
            while (m_pos < n) {
                const char d = m_input[m_pos];
                if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
                    break;
                ++m_pos;
            }
            Token token = tokenOf(Kind::Text);
            token.text = m_input.sliced(start, m_pos - start);
            return token;
        }
        }
    }
    return tokenOf(Kind::End);
}

// The tokens after a backslash; End for an escape that yields nothing.
RtfTokenizer::Token RtfTokenizer::controlAfterBackslash()
{
    const qsizetype n = m_input.size();
    if (m_pos >= n)
        return tokenOf(Kind::End);
    const char c = m_input[m_pos];

    if (isLetter(c)) {
        Token token = tokenOf(Kind::ControlWord);
        const qsizetype start = m_pos;
        while (m_pos < n && isLetter(m_input[m_pos]))
            ++m_pos;
        token.word = m_input.sliced(start, m_pos - start);
        bool negative = false;
        if (m_pos + 1 < n && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        if (m_pos < n && isDigit(m_input[m_pos])) {
            qint64 value = 0;
            while (m_pos < n && isDigit(m_input[m_pos])) {
                value = qMin<qint64>(value * 10 + (m_input[m_pos] - '0'), kMaxParameter);
                ++m_pos;
            }
            token.hasParameter = true;
            token.parameter = int(negative ? -value : value);
        }
        if (m_pos < n && m_input[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the control word
        return token;
    }

    ++m_pos;
    if (c == '\'') {
        const int high = m_pos < n ? hexValue(m_input[m_pos]) : -1;
        const int low = m_pos + 1 < n ? hexValue(m_input[m_pos + 1]) : -1;
        if (high < 0 || low < 0) {
            m_pos += high >= 0; // a lone digit goes with the broken escape
            return tokenOf(Kind::End);
        }
        m_pos += 2;
        Token token = tokenOf(Kind::HexByte);
        token.byte = static_cast<unsigned char>(high * 16 + low);
        return token;
    }
    Token token = tokenOf(Kind::ControlSymbol);
    token.symbol = c == '\r' ? '\n' : c;
    return token;
}

void RtfTokenizer::skipBytes(qint64 count)
{
    if (count > 0)
        m_pos += qMin<qint64>(count, m_input.size() - m_pos);
}

void RtfTokenizer::takeByte()
{
    if (m_pos < m_input.size())
        ++m_pos;
}
