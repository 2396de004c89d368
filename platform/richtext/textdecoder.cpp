// SPDX-License-Identifier: MIT
#include "textdecoder.h"

#include "commonkanji.h"

#include <QStringDecoder>
#include <algorithm>
#include <memory>
#include <uchardet/uchardet.h>

namespace
{

using uchar = unsigned char;

// Bytes above ASCII from which uchardet's guess is taken over ours.
constexpr qsizetype kLongText = 64;

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

// The byte structure of Shift_JIS (CP932) and EUC-JP. Invalid: a byte or
// pair the encoding cannot hold. CutAtEnd: well formed but for a lead byte
// left at the very end.
enum class Structure { Invalid, Valid, CutAtEnd };

Structure shiftJisStructure(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            ++i;
        } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (i + 1 == n)
                return Structure::CutAtEnd;
            const uchar t = uchar(bytes[i + 1]);
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return Structure::Invalid;
            i += 2;
        } else {
            return Structure::Invalid;
        }
    }
    return Structure::Valid;
}

Structure eucJpStructure(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    const auto inRange = [&](qsizetype at) {
        return uchar(bytes[at]) >= 0xA1 && uchar(bytes[at]) <= 0xFE;
    };
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        const int length = c < 0x80 ? 1 : c == 0x8F ? 3 : 2;
        if (c >= 0x80 && c != 0x8E && c != 0x8F && !(c >= 0xA1 && c <= 0xFE))
            return Structure::Invalid;
        if (i + length > n)
            return Structure::CutAtEnd;
        for (int k = 1; k < length; ++k) {
            if (!inRange(i + k) || (c == 0x8E && uchar(bytes[i + k]) > 0xDF))
                return Structure::Invalid;
        }
        i += length;
    }
    return Structure::Valid;
}

// How Japanese a reading looks, from the classes of its characters: kana and
// the kanji of everyday use count most, full-width punctuation and forms
// less, the symbols of Japanese character sets little, rarer kanji nothing. Half-width katakana
// count little one by one (two of them take the bytes of one kanji) but gain where they follow the
// rules of katakana words: a voicing mark after a kana that takes it, a small
// kana or a long-vowel mark after a kana; they lose where they break them.
int japaneseScore(QStringView text)
{
    constexpr char16_t kVoiceable[] = u"ｳｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾊﾋﾌﾍﾎ";
    constexpr char16_t kSemiVoiceable[] = u"ﾊﾋﾌﾍﾎ";
    const auto isHalfWidthKana = [](char16_t c) { return c >= 0xFF66 && c <= 0xFF9F; };
    const auto among = [](const char16_t* set, char16_t c) {
        for (; *set; ++set) {
            if (*set == c)
                return true;
        }
        return false;
    };
    int score = 0;
    char16_t previous = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC) {
            score += 4;
        } else if (c >= 0x4E00 && c <= 0x9FFF) {
            const KanjiUse use = kanjiUse(c);
            score += use == KanjiUse::School ? 4 : use == KanjiUse::GeneralUse ? 3 : 0;
        } else if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E)) {
            score += 2;
        } else if ((c >= 0x2010 && c <= 0x27BF) || (c >= 0x3200 && c <= 0x33FF)) {
            score += 1; // symbols, arrows, shapes, ① and ㈱ of the Japanese sets
        } else if (c == 0xFF9E) {
            score += among(kVoiceable, previous) ? 2 : -3;
        } else if (c == 0xFF9F) {
            score += among(kSemiVoiceable, previous) ? 2 : -3;
        } else if ((c >= 0xFF67 && c <= 0xFF70) || c == 0xFF9D) {
            // Small kana, ｰ and ﾝ never begin a word.
            score += isHalfWidthKana(previous) ? (c == 0xFF9D ? 1 : 2) : -3;
        } else if (isHalfWidthKana(c)) {
            score += 1;
        }
        previous = c;
    }
    return score;
}

struct Reading {
    bool valid = false;
    int score = 0;
    bool kana = false; // holds kana, which Chinese and Korean texts do not
};

// Reads `bytes` in one of the two encodings: valid when the structure holds
// and every character decodes to one that text holds (no unassigned codes,
// no private use area).
Reading readAs(QByteArrayView bytes, const char* encoding, Structure structure)
{
    if (structure == Structure::Invalid)
        return {};
    QStringDecoder decoder(encoding);
    const QByteArrayView whole =
        structure == Structure::CutAtEnd ? bytes.first(bytes.size() - 1) : bytes;
    const QString text = decoder(whole);
    if (decoder.hasError())
        return {};
    Reading reading{true, japaneseScore(text), false};
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0xFFFD || u == 0x1A || (u >= 0xE000 && u <= 0xF8FF))
            return {};
        reading.kana = reading.kana || (u >= 0x3041 && u <= 0x30FA) || (u >= 0xFF66 && u <= 0xFF9F);
    }
    if (structure == Structure::CutAtEnd)
        reading.score -= 2; // a file seldom ends inside a character
    return reading;
}

// Whether well-formed UTF-8 reads as text of some script: any character of
// three or four bytes (CJK and the rest of the BMP and beyond) makes it so;
// else every non-ASCII character must be a letter, or a mark after one, and
// all of them of one script. C1 controls never are text.
bool plausibleTwoByteUtf8(QByteArrayView bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QChar::Script script = QChar::Script_Unknown;
    QChar previous;
    for (const QChar c : text) {
        if (c.unicode() >= 0x800)
            return true;
        if (c.unicode() >= 0x80) {
            if (c.unicode() < 0xA0)
                return false;
            if (c.isMark()) {
                if (!previous.isLetter())
                    return false;
            } else if (c.isLetter()) {
                if (script != QChar::Script_Unknown && c.script() != script)
                    return false;
                script = c.script();
            }
        }
        previous = c;
    }
    return true;
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
    const bool utf8 = checkUtf8(bytes) != Utf8::Invalid;
    if (utf8 && plausibleTwoByteUtf8(bytes))
        return "UTF-8";
    const Reading shiftJis = readAs(bytes, "Shift_JIS", shiftJisStructure(bytes));
    const Reading eucJp = readAs(bytes, "EUC-JP", eucJpStructure(bytes));
    if (utf8) {
        // Many EUC-JP kanji are also well-formed two-byte UTF-8, reading as
        // accents, Greek, Hebrew and such; a reading that makes no sense as
        // one of those scripts gives way to a Japanese one.
        const bool japanese =
            std::max(eucJp.valid ? eucJp.score : 0, shiftJis.valid ? shiftJis.score : 0) >= 4;
        if (!japanese)
            return "UTF-8";
        return eucJp.valid && (!shiftJis.valid || eucJp.score >= shiftJis.score) ? "EUC-JP"
                                                                                 : "Shift_JIS";
    }

    // Past the checks above, uchardet's UTF guesses are wrong.
    const QByteArray guess = uchardetGuess(bytes);
    // Over a longer text uchardet's statistics judge well: its Japanese
    // guess stands where the bytes read that way.
    qsizetype high = 0;
    for (const char c : bytes)
        high += uchar(c) >= 0x80;
    if (high >= kLongText) {
        if (isOneOf(guess, {"SHIFT_JIS", "CP932", "WINDOWS-31J"}) && shiftJis.valid)
            return "Shift_JIS";
        if (guess == "EUC-JP" && eucJp.valid)
            return "EUC-JP";
    }
    // Else the more Japanese reading; on a tie EUC-JP, whose reading is then
    // full-width, against half-width katakana only.
    const bool eucJpBetter = eucJp.valid && (!shiftJis.valid || eucJp.score >= shiftJis.score);
    const Reading& best = eucJpBetter ? eucJp : shiftJis;
    const QByteArray japanese = eucJpBetter ? "EUC-JP" : "Shift_JIS";
    // Chinese and Korean texts hold no kana; against a guess of theirs only
    // kana count. A single-byte guess on a short text means little.
    const bool multiByteGuess =
        isOneOf(guess, {"GB18030", "BIG5", "EUC-KR", "EUC-TW", "UHC", "HZ-GB-2312", "ISO-2022-KR",
                        "ISO-2022-CN", "JOHAB"});
    if (best.valid && (multiByteGuess ? best.kana : best.score >= 2))
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
