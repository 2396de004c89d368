// SPDX-License-Identifier: MIT
// Time-tagged (LRC) lyrics: which texts count as tagged, what is shown in
// which order at which time, and input meant to break the reader.
#include "lrclyrics.h"
#include "paragraphs.h"
#include "textdecoder.h"
#include "workbudget.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace
{

// "ms text" per line ("- text" untimed), then "|word@ms" for each word.
QString dump(const std::optional<LrcLyrics>& lyrics)
{
    if (!lyrics)
        return QStringLiteral("<plain>");
    QStringList out;
    for (const LrcLyrics::Line& line : lyrics->lines()) {
        QString s = line.ms == LrcLyrics::kUntimed ? QStringLiteral("-") : QString::number(line.ms);
        s += u' ' + lyrics->text().sliced(line.start, line.end - line.start);
        for (const LrcLyrics::Word& w : line.words)
            s += QStringLiteral("|%1@%2")
                     .arg(lyrics->text().sliced(w.start, w.end - w.start))
                     .arg(w.ms);
        out << s;
    }
    return out.join(u'\n');
}

TEST(LrcLyrics, ReadsTagsHeadersAndOrder)
{
    const struct {
        const char* name;
        QString input;
        QString expected;
    } cases[] = {
        {"every time format",
         "[0:01]a\n[00:02.5]b\n[00:03.12]c\n[00:04.125]d\n[00:05:20]e\n[120:00]f",
         "1000 a\n2500 b\n3120 c\n4125 d\n5200 e\n7200000 f"},
        {"several tags, out of order, blanks trimmed", "[00:05] chorus \n[00:03][00:01]  x\n",
         "1000 x\n3000 x\n5000 chorus"},
        {"headers hidden, leading blank dropped",
         "[ti:曲名]\n[ar:歌手]\n[al:a][by:b]\n[length: "
         "03:00]\n[re:r]\n[ve:1]\n\n[00:01]a\n[00:02]b",
         "1000 a\n2000 b"},
        {"a positive offset comes earlier", "[offset:+500]\n[00:01]a\n[00:02]b", "500 a\n1500 b"},
        {"a negative offset later", "[00:01]a\n[00:02]b\n[OFFSET:-250]", "1250 a\n2250 b"},
        {"untagged lines follow their line", "intro\n[00:02]b\nb2\n\n[00:01]a\n[00:03][00:00]c\ncc",
         "- intro\n0 c\n- cc\n1000 a\n2000 b\n- b2\n- \n3000 c\n- cc"},
        {"odd tags stay text",
         "[00:01]a\n[00:02]b\n[00:03.1234]c\n[1234567:00]d\n[00:04]e\n[1:2x]f",
         "1000 a\n2000 b\n- [00:03.1234]c\n- [1234567:00]d\n4000 e\n- [1:2x]f"},
        {"equal times keep file order", "[00:01]日本語\n[00:01]English\n[00:00]前",
         "0 前\n1000 日本語\n1000 English"},
        {"word tags", "[00:01.00]<00:01.00>春の <00:01.50>小川<00:02.00>\n[00:03]x<y>",
         "1000 春の 小川|春の@1000|小川@1500\n3000 x<y>"},
        {"a blank first word", "[00:01]<00:01> <00:02>小川は\n[00:03]x",
         "1000 小川は|小川は@2000\n3000 x"},
        {"word tags move with a repeated line", "[00:10][00:20] <00:10>a <00:11>b\n[00:15]c",
         "10000 a b|a@10000|b@11000\n15000 c\n20000 a b|a@20000|b@21000"},
        {"tags running backwards and past the end", "[99:00]z\n[00:02]b\n[00:01]a",
         "1000 a\n2000 b\n5940000 z"},
        {"one stray tag: plain", "歌詞\n[1:00] intro\nfoo\nbar", "<plain>"},
        {"fewer tagged lines than plain ones", "[00:01]a\n[00:02]b\nc\nd\ne", "<plain>"},
        {"a single tagged line: plain", "[00:01]only", "<plain>"},
        {"only headers: plain", "[ti:x]\n[ar:y]", "<plain>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dump(LrcLyrics::read(c.input)).toStdString(), c.expected.toStdString()) << c.name;
}

TEST(LrcLyrics, FindsTheLineAndWordAtATime)
{
    const auto lyrics =
        LrcLyrics::read(u"intro\n[00:01]日本語\n[00:01]English\n[00:02]<00:02>x <00:03>y\nz");
    ASSERT_TRUE(lyrics);
    EXPECT_EQ(lyrics->linesAt(999), QList<int>());
    EXPECT_EQ(lyrics->linesAt(1000), (QList<int>{1, 2}));
    EXPECT_EQ(lyrics->linesAt(1999, 1), QList<int>{2});
    EXPECT_EQ(lyrics->linesAt(1 << 30), QList<int>{3});
    const LrcLyrics::Line& words = lyrics->lines()[3];
    EXPECT_EQ(LrcLyrics::wordAt(words, 1999), -1);
    EXPECT_EQ(LrcLyrics::wordAt(words, 2999), 0);
    EXPECT_EQ(LrcLyrics::wordAt(words, 3000), 1);
    // Positions of a document made from the text.
    EXPECT_EQ(lyrics->lineAtPosition(0), 0);
    EXPECT_EQ(lyrics->lineAtPosition(lyrics->lines()[2].start + 3), 2);
    EXPECT_EQ(lyrics->lineAtPosition(lyrics->text().size()), 4);
    EXPECT_EQ(lyrics->lineAtPosition(lyrics->text().size() + 5), -1);
}

TEST(LrcLyrics, ReadsFilesInTheirEncodings)
{
    const QString lrc =
        QStringLiteral("[ti:春の小川]\r\n[00:01.00]春の小川は\r\n[00:02.00]さらさら行くよ\r\n");
    const QByteArray files[] = {QStringEncoder("Shift_JIS")(lrc), lrc.toUtf8(),
                                "\xEF\xBB\xBF" + lrc.toUtf8(), QStringEncoder("UTF-16LE")(lrc)};
    for (const QByteArray& bytes : files)
        EXPECT_EQ(dump(LrcLyrics::read(TextDecoder::decode(bytes))),
                  QStringLiteral("1000 春の小川は\n2000 さらさら行くよ"))
            << bytes.toHex().left(16).constData();
}

TEST(LrcLyrics, HostileInputStaysBoundedAndQuick)
{
    const QString longText(1 << 20, u'あ');
    const QString nul = TextDecoder::decode(QByteArrayLiteral("[00:01]a\0b\n[00:02]\x01\n"));
    const QString manyTags = QStringLiteral("[00:00.01]").repeated(50000);
    const struct {
        const char* name;
        QString input;
    } cases[] = {
        {"a 1 MB line", "[00:01]" + longText + "\n[00:02]<00:02>b"},
        {"thousands of tags on a short line", manyTags + "x\n[00:02]b"},
        {"thousands of tags on a long line", manyTags + longText + "\n[00:02]b"},
        {"thousands of word tags",
         "[00:01]" + QStringLiteral("<00:01>w").repeated(100000) + "\n[0:2]b"},
        {"huge numbers", "[99999999999999999999:00]a\n[00:01]b\n[0:02]c\n[offset:-99999999999999]"},
        {"NUL and controls", nul},
        {"unclosed brackets", "[00:01]a\n[00:02]b\n[ti:" + longText + "\n[00:03" + longText},
    };
    for (const auto& c : cases) {
        const qint64 start = threadCpuMs();
        const auto lyrics = LrcLyrics::read(c.input);
        EXPECT_LT(threadCpuMs() - start, budgetMs(1000)) << c.name;
        ASSERT_TRUE(lyrics) << c.name;
        EXPECT_LE(lyrics->text().size(), 2 * c.input.size() + 2048) << c.name;
        for (const QStringView block : QStringView(lyrics->text()).split(u'\n'))
            ASSERT_LE(block.size(), paragraphs::kMaxLength) << c.name;
        EXPECT_EQ(lyrics->linesAt(2000).size(), 1) << c.name;
    }
    const auto repeated = LrcLyrics::read(manyTags + "x\n[00:02]b");
    EXPECT_EQ(repeated->linesAt(10).size(), 8) << "at most the asked number";
    EXPECT_EQ(repeated->lines().size(), 50001) << "a short line shows at each of its times";
    EXPECT_EQ(dump(LrcLyrics::read(nul)), QStringLiteral("1000 a␀b\n2000 ␁"));
}

} // namespace
