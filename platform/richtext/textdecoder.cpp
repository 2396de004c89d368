// SPDX-License-Identifier: MIT
#include "textdecoder.h"

#include <QStringDecoder>
#include <memory>
#include <uchardet/uchardet.h>

namespace
{

using uchar = unsigned char;

struct Detection {
    QByteArray encoding;
    qsizetype markLength = 0; // bytes of the byte order mark to skip
};

bool startsWith(QByteArrayView bytes, QByteArrayView prefix)
{
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

Detection byteOrderMark(QByteArrayView bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return {"UTF-8", 3};
    if (startsWith(bytes, QByteArrayView("\xFF\xFE\0\0", 4)))
        return {"UTF-32LE", 4};
    if (startsWith(bytes, QByteArrayView("\0\0\xFE\xFF", 4)))
        return {"UTF-32BE", 4};
    if (startsWith(bytes, "\xFF\xFE"))
        return {"UTF-16LE", 2};
    if (startsWith(bytes, "\xFE\xFF"))
        return {"UTF-16BE", 2};
    return {};
}

// Whether a UTF-16 unit is one that text shows: ASCII and Latin letters,
// symbols and punctuation, kana, kanji, Hangul, full- and half-width forms,
// either half of a surrogate pair. Controls but tab and line ends are not.
bool isTextUnit(char16_t unit)
{
    if (unit < 0x20)
        return unit == '\t' || unit == '\n' || unit == '\r';
    return unit < 0x7F || (unit >= 0xA0 && unit < 0x250) || (unit >= 0x370 && unit < 0x530) ||
           (unit >= 0x2000 && unit < 0x2C00) || (unit >= 0x3000 && unit < 0x3400) ||
           (unit >= 0x4E00 && unit < 0xA000) || (unit >= 0xAC00 && unit < 0xD7A4) ||
           (unit >= 0xD800 && unit < 0xE000) || (unit >= 0xF900 && unit < 0xFB00) ||
           (unit >= 0xFF00 && unit < 0xFFF0);
}

// UTF-16 without a byte order mark. Text in an 8-bit encoding holds no zero
// bytes; UTF-16 does (the high bytes of ASCII, the low byte of U+3000). Read
// both ways, text comes out as text units one way only; binary data and
// 8-bit text with a stray NUL read alike both ways, or as neither.
QByteArray utf16WithoutMark(QByteArrayView bytes)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || !bytes.contains('\0'))
        return {};
    qsizetype littleEndianText = 0;
    qsizetype bigEndianText = 0;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const uchar first = uchar(bytes[i]);
        const uchar second = uchar(bytes[i + 1]);
        littleEndianText += isTextUnit(char16_t(first | second << 8));
        bigEndianText += isTextUnit(char16_t(first << 8 | second));
    }
    const qsizetype units = bytes.size() / 2;
    const qsizetype best = qMax(littleEndianText, bigEndianText);
    if (littleEndianText == bigEndianText || best * 10 < units * 9)
        return {};
    return littleEndianText > bigEndianText ? "UTF-16LE" : "UTF-16BE";
}

// 7-bit text that switches to JIS X 0208 or JIS X 0201 by escape sequences.
bool isIso2022Jp(QByteArrayView bytes)
{
    bool escape = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c >= 0x80)
            return false;
        if (c == 0x1B && i + 2 < bytes.size()) {
            const QByteArrayView next = bytes.sliced(i + 1, 2);
            escape = escape || next == "$B" || next == "$@" || next == "(J" || next == "(I";
        }
    }
    return escape;
}

enum class Utf8 { Invalid, Valid, CutAtEnd };

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
// CutAtEnd: well formed but for a character cut by the end of the buffer,
// after at least one complete multi-byte character.
Utf8 checkUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    bool multiByte = false;
    qsizetype i = 0;
    while (i < n) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        uchar low = 0x80;
        uchar high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return Utf8::Invalid;
        }
        for (int k = 1; k < length; ++k) {
            if (i + k == n)
                return multiByte ? Utf8::CutAtEnd : Utf8::Invalid;
            const uchar next = p[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return Utf8::Invalid;
        }
        multiByte = true;
        i += length;
    }
    return Utf8::Valid;
}

QByteArray uchardetGuess(QByteArrayView bytes)
{
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                         &uchardet_delete);
    if (!detector)
        return {};
    if (uchardet_handle_data(detector.get(), bytes.data(), size_t(bytes.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? QByteArray(name).toUpper() : QByteArray();
}

// How Japanese the bytes read in one encoding: common characters (kana,
// level-1 kanji, full-width symbols) weigh 2, half-width katakana 1, rarer
// codes nothing. Bytes the encoding cannot hold make the reading invalid.
struct Reading {
    bool valid = true;
    int score = 0;
    int kana = 0;
};

Reading readAsShiftJis(QByteArrayView bytes)
{
    Reading reading;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80) {
            ++i;
        } else if (c >= 0xA1 && c <= 0xDF) {
            reading.score += c >= 0xA6; // not the half-width punctuation
            ++i;
        } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (i + 1 == n)
                break; // cut at the end
            const uchar t = uchar(bytes[i + 1]);
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return {false};
            if ((c >= 0x81 && c <= 0x84) || (c >= 0x88 && c <= 0x9F))
                reading.score += 2;
            else if (c == 0x87)
                reading.score += 1; // NEC specials: ① ㈱
            if ((c == 0x82 && t >= 0x9F) || (c == 0x83 && t <= 0x96))
                ++reading.kana;
            i += 2;
        } else {
            return {false};
        }
    }
    return reading;
}

Reading readAsEucJp(QByteArrayView bytes)
{
    Reading reading;
    const qsizetype n = bytes.size();
    auto inRange = [&](qsizetype at) {
        return at < n && uchar(bytes[at]) >= 0xA1 && uchar(bytes[at]) <= 0xFE;
    };
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80) {
            ++i;
        } else if (c == 0x8E) { // half-width katakana
            if (!inRange(i + 1) || uchar(bytes[i + 1]) > 0xDF)
                return {false};
            reading.score += 1;
            i += 2;
        } else if (c == 0x8F) { // JIS X 0212
            if (!inRange(i + 1) || !inRange(i + 2))
                return {false};
            i += 3;
        } else if (c >= 0xA1 && c <= 0xFE) {
            if (!inRange(i + 1))
                return {false};
            if (c <= 0xA8 || (c >= 0xB0 && c <= 0xCF))
                reading.score += 2;
            if (c == 0xA4 || c == 0xA5)
                ++reading.kana;
            i += 2;
        } else {
            return {false};
        }
    }
    return reading;
}

bool isOneOf(const QByteArray& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

QByteArray detectWithoutMark(QByteArrayView bytes)
{
    if (QByteArray utf16 = utf16WithoutMark(bytes); !utf16.isEmpty())
        return utf16;
    if (isIso2022Jp(bytes))
        return "ISO-2022-JP";
    if (checkUtf8(bytes) != Utf8::Invalid)
        return "UTF-8";

    // Past the checks above, uchardet's UTF guesses are wrong.
    const QByteArray guess = uchardetGuess(bytes);
    if (isOneOf(guess, {"SHIFT_JIS", "CP932", "WINDOWS-31J"}))
        return "Shift_JIS";
    if (isOneOf(guess, {"EUC-JP", "ISO-2022-JP"}))
        return guess;

    const Reading shiftJis = readAsShiftJis(bytes);
    const Reading eucJp = readAsEucJp(bytes);
    const bool eucJpBetter = eucJp.valid && (!shiftJis.valid || eucJp.score > shiftJis.score);
    const Reading& best = eucJpBetter ? eucJp : shiftJis;
    const QByteArray japanese = eucJpBetter ? "EUC-JP" : "Shift_JIS";
    // Chinese and Korean texts hold no kana; against a guess of theirs only
    // kana count. A single-byte guess on a short text means little.
    const bool multiByteGuess =
        isOneOf(guess, {"GB18030", "BIG5", "EUC-KR", "EUC-TW", "UHC", "HZ-GB-2312", "ISO-2022-KR",
                        "ISO-2022-CN", "JOHAB"});
    if (best.valid && (multiByteGuess ? best.kana > 0 : best.score >= 2))
        return japanese;
    if (!guess.isEmpty() && guess != "ASCII" && !guess.startsWith("UTF-") &&
        QStringDecoder(guess.constData()).isValid())
        return guess;
    return "Shift_JIS";
}

Detection detect(QByteArrayView bytes)
{
    if (Detection mark = byteOrderMark(bytes); !mark.encoding.isEmpty())
        return mark;
    return {detectWithoutMark(bytes), 0};
}

} // namespace

QByteArray TextDecoder::detectEncoding(QByteArrayView bytes)
{
    return detect(bytes).encoding;
}

QString TextDecoder::decode(QByteArrayView bytes)
{
    const Detection detection = detect(bytes);
    QByteArrayView body = bytes.sliced(detection.markLength);
    const bool byteOriented =
        !detection.encoding.startsWith("UTF-16") && !detection.encoding.startsWith("UTF-32");
    if (byteOriented && body.endsWith('\x1A'))
        body.chop(1); // the end-of-file mark of DOS editors
    QStringDecoder decoder(detection.encoding.constData());
    if (!decoder.isValid())
        decoder = QStringDecoder("Shift_JIS");
    QString text = decoder(body);
    // A character cut at the end shows as U+FFFD rather than vanishing: a NUL
    // after the bytes makes the decoder give out what it holds back.
    if (byteOriented) {
        text += decoder(QByteArrayView("\0", 1));
        if (text.endsWith(QChar(0)))
            text.chop(1);
    } else if (body.size() % (detection.encoding.startsWith("UTF-16") ? 2 : 4) != 0) {
        text += QChar(QChar::ReplacementCharacter);
    }
    return cleanForDisplay(text);
}

QString TextDecoder::cleanForDisplay(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7F) {
            out += QChar(c);
        } else if (c == '\r') {
            out += u'\n';
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
        } else if (c == '\n' || c == '\t') {
            out += QChar(c);
        } else if (c == '\f' || c == '\v') {
            out += u'\n';
        } else if (c == 0x1A) {
            out += QChar::ReplacementCharacter;
        } else if (c < 0x20) {
            out += QChar(char16_t(0x2400 + c));
        } else if (c == 0x7F) {
            out += QChar(char16_t(0x2421));
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && text[i + 1].isLowSurrogate()) {
                out += text.sliced(i, 2);
                ++i;
            } else {
                out += QChar::ReplacementCharacter;
            }
        } else if (QChar::isLowSurrogate(c)) {
            out += QChar::ReplacementCharacter;
        } else {
            out += QChar(c);
        }
    }
    return out;
}
