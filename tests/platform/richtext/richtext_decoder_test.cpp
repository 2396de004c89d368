// SPDX-License-Identifier: MIT
// Plain-text decoding: encoding detection on the files a Japanese user has,
// and the clean-up that makes any bytes displayable.
#include "paragraphs.h"
#include "textdecoder.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>
#include <gtest/gtest.h>

namespace
{

QByteArray encoded(const QString& text, const char* encoding)
{
    QStringEncoder encoder(encoding);
    return encoder(text);
}

const QString kLyrics = QStringLiteral("春の小川は　さらさら行くよ\r\n"
                                       "岸のすみれや　れんげの花に\r\n"
                                       "すがたやさしく　色うつくしく\r\n"
                                       "咲けよ咲けよと　ささやきながら\r\n");
const QString kLyricsShown = QString(kLyrics).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString expected;
    QByteArray encoding;
};

TEST(TextDecoder, DetectsAndDecodesTheEncodingsOfJapaneseFiles)
{
    const QString hiragana = QStringLiteral("あいう");
    const DecodeCase cases[] = {
        {"empty", QByteArray(), QString(), "UTF-8"},
        {"ascii", "Hello, world\n", "Hello, world\n", "UTF-8"},
        {"Shift_JIS, three kana", "\x82\xa0\x82\xa2\x82\xa4", hiragana, "Shift_JIS"},
        {"Shift_JIS, two kanji", "\x89\xcc\x8e\x8c", QStringLiteral("歌詞"), "Shift_JIS"},
        {"Shift_JIS, four characters", "\x8f\x74\x82\xcc\x8f\xac\x90\xec",
         QStringLiteral("春の小川"), "Shift_JIS"},
        {"Shift_JIS, trail byte is a backslash", "\x95\x5c\x8e\xa6", QStringLiteral("表示"),
         "Shift_JIS"},
        {"Shift_JIS, half-width katakana", "\xc3\xb7\xbd\xc4\xcc\xa7\xb2\xd9",
         QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ"), "Shift_JIS"},
        {"CP932 NEC specials", "\x87\x40\x87\x8a", QStringLiteral("①㈱"), "Shift_JIS"},
        {"Shift_JIS, lyrics", encoded(kLyrics, "Shift_JIS"), kLyricsShown, "Shift_JIS"},
        {"Shift_JIS, mixed with ASCII",
         encoded(QStringLiteral("Track 1: 桜 (Live)\n"), "Shift_JIS"),
         QStringLiteral("Track 1: 桜 (Live)\n"), "Shift_JIS"},
        {"UTF-8 without BOM, short", "\xe3\x81\x82\xe3\x81\x84", QStringLiteral("あい"), "UTF-8"},
        {"UTF-8 without BOM, lyrics", kLyrics.toUtf8(), kLyricsShown, "UTF-8"},
        {"UTF-8 with BOM", "\xef\xbb\xbf\xe6\xad\x8c", QStringLiteral("歌"), "UTF-8"},
        {"UTF-16LE with BOM", "\xff\xfe" + encoded(hiragana, "UTF-16LE"), hiragana, "UTF-16LE"},
        {"UTF-16BE with BOM", "\xfe\xff" + encoded(hiragana, "UTF-16BE"), hiragana, "UTF-16BE"},
        {"UTF-16LE without BOM", encoded(kLyrics, "UTF-16LE"), kLyricsShown, "UTF-16LE"},
        {"UTF-16BE without BOM", encoded(QStringLiteral("歌詞\n"), "UTF-16BE"),
         QStringLiteral("歌詞\n"), "UTF-16BE"},
        {"UTF-32LE with BOM", QByteArray("\xff\xfe\0\0", 4) + encoded(hiragana, "UTF-32LE"),
         hiragana, "UTF-32LE"},
        {"EUC-JP, short", "\xa4\xa2\xa4\xa4\xa4\xa6\xa4\xa8", QStringLiteral("あいうえ"), "EUC-JP"},
        {"EUC-JP, lyrics", encoded(kLyrics, "EUC-JP"), kLyricsShown, "EUC-JP"},
        {"ISO-2022-JP", "\x1b$B$\"$$$&\x1b(B", hiragana, "ISO-2022-JP"},
        {"Latin-1 is not taken for Japanese", "tr\xe8s bien, caf\xe9",
         QStringLiteral("très bien, café"), "ISO-8859-1"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextDecoder::detectEncoding(c.bytes), c.encoding);
        EXPECT_EQ(TextDecoder::decode(c.bytes), c.expected);
    }
}

// Files of a word or two, too short for statistics: each reads in the
// encoding it was written in, though many EUC-JP texts are also valid
// Shift_JIS (as half-width katakana) and the other way round.
TEST(TextDecoder, ShortJapaneseTextsReadInTheirEncoding)
{
    const char* words[] = {"花火",     "東京",     "桜",       "恋",        "涙",     "夢",
                           "愛",       "雨",       "闇",       "海",        "さくら", "ありがとう",
                           "カラオケ", "歌詞",     "君の名は", "青春",      "思い出", "夜空",
                           "星",       "ふるさと", "赤とんぼ", "涙そうそう"};
    for (const char* encoding : {"EUC-JP", "Shift_JIS", "UTF-8"}) {
        for (const char* word : words) {
            const QString text = QString::fromUtf8(word);
            for (const QString& content : {text, text + u'\n'}) {
                const QByteArray bytes = encoded(content, encoding);
                SCOPED_TRACE(std::string(encoding) + " " + word + " " +
                             bytes.toHex().toStdString());
                EXPECT_EQ(TextDecoder::detectEncoding(bytes), encoding);
                EXPECT_EQ(TextDecoder::decode(bytes), content);
            }
        }
    }
    // Half-width katakana words that keep the rules of katakana: Shift_JIS,
    // though their bytes read as EUC-JP kanji too.
    for (const char* word : {"ﾒﾛﾃﾞｨｰ", "ﾗﾌﾞｿﾝｸﾞ", "ﾐｭｰｼﾞｯｸ", "ﾄﾞﾚﾐ"}) {
        const QByteArray bytes = encoded(QString::fromUtf8(word), "Shift_JIS");
        SCOPED_TRACE(std::string(word) + " " + bytes.toHex().toStdString());
        EXPECT_EQ(TextDecoder::detectEncoding(bytes), "Shift_JIS");
    }
}

TEST(TextDecoder, KeepsWhatOddInputHolds)
{
    const DecodeCase cases[] = {
        {"NUL does not end the text", QByteArrayLiteral("abc\0def"), QStringLiteral("abc␀def"),
         "UTF-8"},
        {"DOS end-of-file mark dropped", "\x82\xa0\x82\xa2\x1a", QStringLiteral("あい"),
         "Shift_JIS"},
        {"Shift_JIS cut in a character", "\x82\xa0\x82", QStringLiteral("あ\uFFFD"), "Shift_JIS"},
        {"overlong UTF-8 is no UTF-8", "\xc0\xaf\x82\xa0\x82\xa2", QStringLiteral("ﾀｯあい"),
         "Shift_JIS"},
        {"UTF-8 cut in a character", "\xe3\x81\x82\xe3\x81\x84\xe3\x81\x86\xe3\x81",
         QStringLiteral("あいう\uFFFD"), "UTF-8"},
        {"UTF-16 BOM alone", "\xff\xfe", QString(), "UTF-16LE"},
        {"UTF-16LE BOM, odd length", "\xff\xfe\x42\x30\x44", QStringLiteral("あ\uFFFD"),
         "UTF-16LE"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextDecoder::detectEncoding(c.bytes), c.encoding);
        EXPECT_EQ(TextDecoder::decode(c.bytes), c.expected);
    }
}

TEST(TextDecoder, BinaryInputGivesDisplayableText)
{
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += char(i);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(42);
    for (char& c : noise)
        c = char(random.bounded(256));

    for (const QByteArray& bytes : {everyByte, noise, everyByte.repeated(3)}) {
        const QString text = TextDecoder::decode(bytes);
        EXPECT_FALSE(text.isEmpty());
        for (const QChar c : text) {
            ASSERT_TRUE(c.unicode() >= 0x20 || c == u'\n' || c == u'\t') << int(c.unicode());
            ASSERT_NE(c.unicode(), 0x7F);
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate())
                ASSERT_TRUE(i + 1 < text.size() && text[++i].isLowSurrogate());
            else
                ASSERT_FALSE(text[i].isLowSurrogate());
        }
    }
}

TEST(TextDecoder, CleanForDisplayMapsLineEndsAndControls)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd")},
        {QStringLiteral("\r\r\n\n"), QStringLiteral("\n\n\n")},
        {QStringLiteral("tab\there"), QStringLiteral("tab\there")},
        {QStringLiteral("page\fend\vx"), QStringLiteral("page\nend\nx")},
        {QString(QChar(0)) + u'\x01' + u'\x1b' + u'\x7f', QStringLiteral("␀␁␛␡")},
        {QStringLiteral("bad\x1a"), QStringLiteral("bad\uFFFD")},
        {QString(QChar(0xD83D)) + u'x', QStringLiteral("\uFFFDx")},
        {QString(QChar(0xDE00)), QStringLiteral("\uFFFD")},
        {QStringLiteral("😀"), QStringLiteral("😀")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextDecoder::cleanForDisplay(c.in), c.out) << qPrintable(c.in);
}

TEST(Paragraphs, BreakLongLinesOnlyWhereTooLong)
{
    EXPECT_EQ(paragraphs::breakLongLines(QStringLiteral("short\nlines\n"), 10),
              QStringLiteral("short\nlines\n"));
    EXPECT_EQ(paragraphs::breakLongLines(QStringLiteral("aaaa bbbb cccc"), 10),
              QStringLiteral("aaaa bbbb \ncccc"));
    EXPECT_EQ(paragraphs::breakLongLines(QStringLiteral("abcdefghijkl\nx"), 5),
              QStringLiteral("abcde\nfghij\nkl\nx"));
    // A surrogate pair stays whole.
    EXPECT_EQ(paragraphs::breakLongLines(QStringLiteral("abcd😀ef"), 5),
              QStringLiteral("abcd\n😀ef"));

    const QString longLine(3 * paragraphs::kMaxLength + 7, QChar(u'あ'));
    const QStringList pieces = paragraphs::breakLongLines(longLine).split(u'\n');
    ASSERT_EQ(pieces.size(), 4);
    for (const QString& piece : pieces)
        EXPECT_LE(piece.size(), paragraphs::kMaxLength);
    EXPECT_EQ(pieces.join(QString()), longLine);
}

} // namespace
