// SPDX-License-Identifier: MIT
// The RTF reader: text from tables of sources, formats of the runs, code pages,
// and inputs meant to break it.
#include "codepages.h"
#include "rtfreader.h"
#include "workbudget.h"

#include <QFontInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace
{

QString plainText(const QByteArray& rtf)
{
    QTextDocument document;
    RtfReader::read(rtf, document);
    return document.toPlainText();
}

// The format of the last character of the first occurrence of `needle`.
QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    EXPECT_FALSE(found.isNull()) << qPrintable(needle);
    return found.charFormat();
}

// As WordPad writes Japanese: \ansicpg932, a font with \fcharset128 whose name
// is in Shift_JIS, text as \'hh pairs, colours, bold, sizes and a centred paragraph.
const QByteArray kWordPadSample =
    "{\\rtf1\\ansi\\ansicpg932\\deff0\\nouicompat\\deflang1033\\deflangfe1041"
    "{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 "
    "\\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f1\\fnil\\fcharset0 Calibri;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
    "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang1041\\'89\\'cc\\'8e\\'8c\\par\r\n"
    "\\cf1\\b\\'90\\'d4\\'82\\'a2\\'89\\'d4\\cf0\\b0  \\f1\\fs28\\lang1033 Red flower\\par\r\n"
    "\\pard\\qc\\f0\\fs22\\lang1041\\cf2\\'95\\'5c\\'8e\\'a6\\cf0\\par\r\n"
    "}\r\n";

// As Word writes it: associated fonts (\loch \hich \dbch), \uN with \uc2
// fallbacks, a style sheet, an information group, a field, theme data.
const QByteArray kWordSample =
    "{\\rtf1\\adeflang1025\\ansi\\ansicpg932\\uc2\\adeff0\\deff0\\stshfdbch11\\deflang1033"
    "\\deflangfe1041{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}"
    "Times New Roman;}{\\f11\\fbidi \\fmodern\\fcharset128\\fprq1{\\*\\panose 02020609040205080304}"
    "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9{\\*\\falt MS Mincho};}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
    "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\rtlch\\fcs1 \\af0\\afs24 \\ltrch\\fcs0 \\fs21"
    "\\lang1033\\langfe1041\\loch\\f0\\hich\\af0\\dbch\\af11 \\snext0 Normal;}}\r\n"
    "{\\*\\rsidtbl \\rsid1234}{\\info{\\title \\'89\\'cc\\'8e\\'8c}{\\author x}}\r\n"
    "\\pard\\plain \\ltrpar\\ql \\rtlch\\fcs1 \\af0\\afs24 \\ltrch\\fcs0 \\fs21\\lang1033"
    "\\loch\\af0\\hich\\af0\\dbch\\af11 {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 "
    "\\hich\\af0\\dbch\\af11\\loch\\f0 Song }{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\b\\cf2"
    "\\loch\\af0\\hich\\af0\\dbch\\f11 \\u27468\\'89\\'cc\\u35422\\'8e\\'8c}"
    "{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\dbch\\af11 \\'82\\'cc\\par }\r\n"
    "{\\field{\\*\\fldinst {HYPERLINK \"http://example.com/\"}}{\\fldrslt {\\ul\\cf2 "
    "link}}}\\par\r\n"
    "{\\*\\themedata 504b030414000600}{\\*\\datastore 0105000002000000}}";

struct RtfCase {
    const char* name;
    QByteArray rtf;
    QString expected;
};

void expectPlainText(const std::initializer_list<RtfCase>& cases)
{
    for (const RtfCase& c : cases)
        EXPECT_EQ(plainText(c.rtf), c.expected) << c.name;
}

TEST(RtfReader, RecognizesRtfByItsStart)
{
    EXPECT_TRUE(RtfReader::isRtf("{\\rtf1\\ansi x}"));
    EXPECT_TRUE(RtfReader::isRtf("\xef\xbb\xbf \r\n\t{\\rtf1}"));
    EXPECT_TRUE(RtfReader::isRtf("{\\rtf"));
    EXPECT_FALSE(RtfReader::isRtf("{\\rt"));
    EXPECT_FALSE(RtfReader::isRtf("x{\\rtf1}"));
    EXPECT_FALSE(RtfReader::isRtf("{\\RTF1}"));
    EXPECT_FALSE(RtfReader::isRtf(""));
}

TEST(RtfReader, ReadsTheSamplesOfCommonWriters)
{
    expectPlainText({
        {"WordPad", kWordPadSample, QStringLiteral("歌詞\n赤い花 Red flower\n表示")},
        {"Word", kWordSample, QStringLiteral("Song 歌詞の\nlink")},
    });
}

TEST(RtfReader, TextBreaksAndSpecialCharacters)
{
    expectPlainText({
        {"plain", "{\\rtf1 Hello}", "Hello"},
        {"delimiter space", "{\\rtf1\\b  two}", " two"},
        {"line ends ignored", "{\\rtf1 a\r\nb\rc\nd}", "abcd"},
        {"breaks", "{\\rtf1 a\\par b\\line c\\tab d}", "a\nb\nc\td"},
        {"section and page", "{\\rtf1 a\\sect b\\page c}", "a\nb\nc"},
        {"backslash before a line end", "{\\rtf1 a\\\r\nb}", "a\nb"},
        {"last paragraph end adds nothing", "{\\rtf1 a\\par}", "a"},
        {"blank lines kept", "{\\rtf1 a\\par\\par b\\par\\par}", "a\n\nb\n"},
        {"table cells", "{\\rtf1 a\\cell b\\cell\\row c}", "a\tb\t\nc"},
        {"escaped braces", "{\\rtf1 \\\\\\{\\}}", "\\{}"},
        {"punctuation words",
         "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}",
         QStringLiteral("—–•‘’“”")},
        {"non-breaking hyphen", "{\\rtf1 a\\_b}", QStringLiteral("a\u2011b")},
        {"raw tab", "{\\rtf1 a\tb}", "a\tb"},
        {"control bytes dropped", QByteArrayLiteral("{\\rtf1 a\x01\0b}"), "ab"},
        {"hidden text", "{\\rtf1 a{\\v hidden}b\\v c\\v0 d}", "abd"},
        {"unknown words ignored", "{\\rtf1\\foo\\bar12 \\baz-3 x}", "x"},
        {"text outside the document group", " {\\rtf1 a}", "a"},
    });
}

TEST(RtfReader, DecodesCodePagesAndUnicode)
{
    expectPlainText({
        {"cp1252 by default", "{\\rtf1\\ansi caf\\'e9 \\'93q\\'94}", QStringLiteral("café “q”")},
        {"document code page 932", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'82\\'a2}",
         QStringLiteral("あい")},
        {"pair across a line break", "{\\rtf1\\ansicpg932 \\'82\r\n\\'a0}", QStringLiteral("あ")},
        {"escaped backslash as trail byte", "{\\rtf1\\ansicpg932 \\'95\\\\\\'8e\\'a6}",
         QStringLiteral("表示")},
        {"raw double-byte text", "{\\rtf1\\ansicpg932 \x95\\\x8e\xa6 \x8b}}",
         QStringLiteral("表示 急")},
        {"NEC specials", "{\\rtf1\\ansicpg932 \\'87\\'40\\'87\\'8a}", QStringLiteral("①㈱")},
        {"lead byte left alone", "{\\rtf1\\ansicpg932 \\'82\\par x}", QStringLiteral("\uFFFD\nx")},
        {"fonts switch code pages",
         "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset128 Gothic;}"
         "{\\f2\\fcharset204 Cyr;}{\\f3\\fcharset134 Song;}}\\f0 caf\\'e9 \\f1\\'82\\'a0 "
         "\\f2\\'c4\\'e0 \\f3\\'d6\\'d0\\f0\\'e9}",
         QStringLiteral("café あ Да 中é")},
        {"font code page by \\cpg", "{\\rtf1{\\fonttbl{\\f0\\cpg932 x;}}\\f0\\'82\\'a0}",
         QStringLiteral("あ")},
        {"charset wins over \\cpg", "{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg932 x;}}\\f0\\'e9}",
         QStringLiteral("é")},
        {"default font by \\deff",
         "{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1\\fcharset128 B;}}\\'82\\'a0\\plain\\'82\\'a2}",
         QStringLiteral("あい")},
        {"double-byte run of a Western font",
         "{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset128 B;}}\\f0\\dbch\\af1 \\'89\\'cc"
         "\\loch x}",
         QStringLiteral("歌x")},
        {"\\af after \\rtlch names no double-byte font",
         "{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset128 B;}}\\f0\\dbch\\af1 "
         "{\\rtlch\\af0\\ltrch \\'89\\'cc}}",
         QStringLiteral("歌")},
        {"unknown font: document code page", "{\\rtf1\\ansicpg932\\f9\\'82\\'a0}",
         QStringLiteral("あ")},
        {"unicode with default fallback", "{\\rtf1\\u12354?\\u-30114?}", QStringLiteral("あ詞")},
        {"\\uc2 skips two escapes", "{\\rtf1\\uc2\\u12354\\'82\\'a0x}", QStringLiteral("あx")},
        {"\\uc0 skips nothing", "{\\rtf1\\uc0\\u12354 x}", QStringLiteral("あx")},
        {"\\uc is scoped by groups", "{\\rtf1{\\uc2\\u12354\\'82\\'a0}\\u12354?y}",
         QStringLiteral("ああy")},
        {"a group ends the fallback", "{\\rtf1\\uc3\\u12354{x}y}", QStringLiteral("あxy")},
        {"fallback counts a control word", "{\\rtf1\\uc1\\u12354\\par x}", QStringLiteral("あx")},
        {"surrogate pair", "{\\rtf1\\uc1\\u-10179?\\u-8704?}", QStringLiteral("😀")},
        {"lone high surrogate", "{\\rtf1\\u-10179?x}", QStringLiteral("\uFFFDx")},
        {"lone low surrogate", "{\\rtf1\\u-8704?x}", QStringLiteral("\uFFFDx")},
        {"code point above U+FFFF whole", "{\\rtf1\\u128512?}", QStringLiteral("😀")},
        {"\\u0 gives nothing", "{\\rtf1 a\\u0?b}", "ab"},
        {"raw UTF-8 under \\ansicpg65001", "{\\rtf1\\ansicpg65001 \xe6\xad\x8c}",
         QStringLiteral("歌")},
    });
}

TEST(RtfReader, SkipsDestinationsThatAreNotText)
{
    expectPlainText({
        {"tables, info, pictures, headers",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
         "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}{\\*\\generator G;}"
         "{\\pict\\wmetafile8 0102}{\\header H}{\\footer F}{\\footnote N}Body}",
         "Body"},
        {"unknown starred destination", "{\\rtf1 a{\\*\\unknown {nested} text}b}", "ab"},
        {"field shows its result",
         "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt shown}}}", "shown"},
        {"unstarred field instruction", "{\\rtf1{\\field{\\fldinst PAGE}{\\fldrslt 1}}}", "1"},
        {"list text shows", "{\\rtf1{\\*\\listtable{\\list x}}{\\listtext 1.\\tab}Item}",
         "1.\tItem"},
        {"object with result", "{\\rtf1{\\object\\objemb{\\*\\objdata 0102}{\\result R}}x}", "x"},
        {"\\bin data in text", "{\\rtf1 a\\bin3 {}\\b}", "ab"},
        {"\\bin data is not structure", "{\\rtf1 a{\\*\\blob\\bin4 {{{{}b}", "ab"},
        {"\\bin in a picture", "{\\rtf1 a{\\pict\\bin2 }}}b}", "ab"},
        {"negative \\bin", "{\\rtf1 a\\bin-5 b}", "ab"},
        {"starred group at document level", "{\\rtf1\\*\\foo x}", "x"},
    });
}

TEST(RtfReader, SurvivesHostileInput)
{
    const QByteArray deepOpen = "{\\rtf1 " + QByteArray(100000, '{') + "x";
    const QByteArray deepClosed = deepOpen + QByteArray(100000, '}') + "y}";
    expectPlainText({
        {"100 000 groups left open", deepOpen, "x"},
        {"100 000 groups closed", deepClosed, "xy"},
        {"braces too many", "{\\rtf1 a}}}b", "ab"},
        {"closing braces only", "}}}}", ""},
        {"missing closing braces", "{\\rtf1 {\\b a", "a"},
        {"huge \\bin", "{\\rtf1 a\\bin999999999 xyz}", "a"},
        {"\\bin beyond any number", "{\\rtf1 a\\bin99999999999999999999999 xyz}", "a"},
        {"truncated escape", "{\\rtf1 a\\'", "a"},
        {"escape with one digit", "{\\rtf1 a\\'4", "a"},
        {"escape with no digits", "{\\rtf1 a\\'zz}", "azz"},
        {"backslash at the end", "{\\rtf1 a\\", "a"},
        {"\\u at the end", "{\\rtf1 a\\u", "a"},
        {"\\u with a number at the end", "{\\rtf1 a\\u12354", QStringLiteral("aあ")},
        {"huge parameters",
         "{\\rtf1\\fs999999999999 a\\cf99999999999 b\\f-5 c\\uc99999999999\\u12354 d}",
         QStringLiteral("abcあ")},
        {"huge \\u", "{\\rtf1 \\u99999999?x}", QStringLiteral("\uFFFDx")},
        {"very long control word", "{\\rtf1\\" + QByteArray(100000, 'a') + " x}", "x"},
        {"destination words outside a group", "{\\rtf1\\fonttbl x\\colortbl y}", "xy"},
    });
}

TEST(RtfReader, NoiseEndsQuicklyWithoutCrashing)
{
    QRandomGenerator random(7);
    const char alphabet[] = "{}\\'*;0123456789abcdefu -\x82\xa0";
    for (int round = 0; round < 50; ++round) {
        QByteArray noise = "{\\rtf1\\ansicpg932 ";
        for (int i = 0; i < 20000; ++i) {
            noise += random.bounded(4) == 0 ? char(random.bounded(256))
                                            : alphabet[random.bounded(int(sizeof alphabet - 1))];
        }
        QTextDocument document;
        RtfReader::read(noise, document);
        for (const QChar c : document.toPlainText())
            ASSERT_TRUE(c.unicode() >= 0x20 || c == u'\n' || c == u'\t');
    }
}

TEST(RtfReader, DeepNestingKeepsTextButNotFormatting)
{
    // Past 1000 levels formatting words are ignored: nothing leaks out.
    const QByteArray rtf =
        "{\\rtf1 " + QByteArray(2000, '{') + "\\b x" + QByteArray(2000, '}') + "y{{\\b z}}w}";
    QTextDocument document;
    RtfReader::read(rtf, document);
    EXPECT_EQ(document.toPlainText(), "xyzw");
    EXPECT_EQ(formatOf(document, "x").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(document, "y").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(document, "z").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(document, "w").fontWeight(), QFont::Normal);
}

TEST(RtfReader, CharacterFormats)
{
    QTextDocument document;
    RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                    "a{\\b b}c\\b d\\b0 e{\\i i}{\\ul u}{\\ul\\ulnone n}{\\ulwave w}{\\strike s}"
                    "\\cf1 red\\cf2 green\\cf0 auto\\highlight2 marked\\highlight0 "
                    "\\fs40 big\\plain small{\\super sup}{\\sub sub}}",
                    document);
    EXPECT_EQ(formatOf(document, "a").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(document, "b").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(document, "c").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(document, "d").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(document, "e").fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatOf(document, "i").fontItalic());
    EXPECT_TRUE(formatOf(document, "u").fontUnderline());
    EXPECT_FALSE(formatOf(document, "n").fontUnderline());
    EXPECT_TRUE(formatOf(document, "w").fontUnderline());
    EXPECT_TRUE(formatOf(document, "s").fontStrikeOut());
    EXPECT_EQ(formatOf(document, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(document, "green").foreground().color(), QColor(0, 128, 0));
    EXPECT_FALSE(formatOf(document, "auto").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(document, "marked").background().color(), QColor(0, 128, 0));
    EXPECT_EQ(formatOf(document, "auto").fontPointSize(), 12);
    EXPECT_EQ(formatOf(document, "big").fontPointSize(), 20);
    const QTextCharFormat small = formatOf(document, "small");
    EXPECT_EQ(small.fontPointSize(), 12);
    EXPECT_EQ(small.fontWeight(), QFont::Normal);
    EXPECT_FALSE(small.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(document, "sup").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatOf(document, "sub").verticalAlignment(), QTextCharFormat::AlignSubScript);
}

TEST(RtfReader, ColourTableWithoutAnAutomaticEntry)
{
    QTextDocument document;
    RtfReader::read("{\\rtf1{\\colortbl\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                    "\\cf0 x\\highlight1 y\\highlight0 z\\cf7 w}",
                    document);
    EXPECT_EQ(formatOf(document, "x").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(document, "y").background().color(), QColor(0, 0, 255));
    EXPECT_FALSE(formatOf(document, "z").hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_FALSE(formatOf(document, "w").hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfCodePages, EveryMappedCodePageHasADecoder)
{
    for (int codePage = 0; codePage < 70000; ++codePage) {
        const QByteArray name = codepages::decoderName(codePage);
        if (!name.isEmpty()) {
            EXPECT_TRUE(QStringDecoder(name.constData()).isValid()) << codePage;
        }
    }
    for (int charset = 0; charset < 256; ++charset) {
        const int codePage = codepages::forCharset(charset);
        if (codePage != 0) {
            EXPECT_FALSE(codepages::decoderName(codePage).isEmpty()) << charset;
        }
    }
    EXPECT_EQ(codepages::forCharset(128), 932);
    EXPECT_EQ(codepages::forCharset(1), 0); // the document's own
}

TEST(RtfReader, FormatsOfTheWordPadSample)
{
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Fallback Sans")));
    RtfReader::read(kWordPadSample, document);

    const QTextCharFormat title = formatOf(document, QStringLiteral("歌詞"));
    EXPECT_EQ(title.fontPointSize(), 11);
    // The face the file names, an installed gothic face, the document's.
    EXPECT_EQ(title.fontFamilies().toStringList(),
              QStringList({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                           QStringLiteral("Fallback Sans")}));
    const QTextCharFormat red = formatOf(document, QStringLiteral("赤い花"));
    EXPECT_EQ(red.fontWeight(), QFont::Bold);
    EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
    const QTextCharFormat latin = formatOf(document, QStringLiteral("Red flower"));
    EXPECT_EQ(latin.fontWeight(), QFont::Normal);
    EXPECT_EQ(latin.fontPointSize(), 14);
    EXPECT_EQ(latin.fontFamilies().toStringList().value(0), QStringLiteral("Calibri"));
    EXPECT_EQ(formatOf(document, QStringLiteral("表示")).foreground().color(), QColor(0, 0, 255));

    EXPECT_EQ(document.blockCount(), 3);
    EXPECT_EQ(document.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(document.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignHCenter);
}

TEST(RtfReader, FormatsOfTheWordSample)
{
    QTextDocument document;
    RtfReader::read(kWordSample, document);
    const QTextCharFormat song = formatOf(document, QStringLiteral("歌詞"));
    EXPECT_EQ(song.fontWeight(), QFont::Bold);
    EXPECT_EQ(song.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(song.fontPointSize(), 10.5);
    EXPECT_EQ(song.fontFamilies().toStringList().value(0), QStringLiteral("ＭＳ 明朝"));
    EXPECT_TRUE(formatOf(document, "link").fontUnderline());
}

// As LibreOffice writes Japanese: the Western, Asian and complex-script
// properties of a run side by side; those of the Asian (double-byte) text
// as associated properties after \dbch, its face as \dbch\afN.
const QByteArray kLibreOfficeSample =
    "{\\rtf1\\ansi\\deff3\\adeflang1025\r\n"
    "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f3\\froman\\fprq2\\fcharset0 "
    "Liberation Serif{\\*\\falt Times New Roman};}{\\f5\\fnil\\fprq2\\fcharset0 Noto Serif CJK "
    "JP;}{\\f6\\fnil\\fprq2\\fcharset0 Noto Sans Devanagari;}{\\f7\\fnil\\fprq2\\fcharset128 "
    "\\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f8\\froman\\fprq1"
    "\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue0;\\red201\\green33\\blue30;}\r\n"
    "{\\stylesheet{\\s0\\snext0\\dbch\\af5\\langfe2052\\dbch\\af6\\afs24\\alang1081\\loch\\f3"
    "\\hich\\af3\\fs24\\lang1033 Normal;}}\r\n"
    "{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64}{\\info{\\creatim\\yr2024\\mo1\\dy1}}"
    "\\deftab709\r\n"
    "{\\*\\pgdsctbl{\\pgdsc0\\pgdscuse451\\pgwsxn11906\\pghsxn16838 Default Page Style;}}\r\n"
    "\\formshade\\sectd\\sbknone{\\*\\ftnsep\\chftnsep}\\pgndec\\pard\\plain \\s0\\widctlpar"
    "\\cf0\\kerning1\\dbch\\af5\\langfe2052\\dbch\\af6\\afs24\\alang1081\\loch\\f3\\hich\\af3"
    "\\fs24\\lang1033\\uc2{\\cf2\\rtlch \\ab\\afs40 \\ltrch\\loch\\fs24\\dbch\\ab\\afs40\\loch\\f3"
    "\\hich\\af3\\dbch\\af7 \\u33457\\'89\\'d4\\u28779\\'89\\'ce Fireworks}\r\n"
    "\\par \\pard\\plain \\s0\\dbch\\af5\\dbch\\af6\\afs24\\loch\\f3\\hich\\af3\\fs24{\\rtlch "
    "\\ltrch\\loch\\b\\fs28\\dbch\\ab0\\ai\\afs32\\loch\\f3\\hich\\af3\\dbch\\af8 Night "
    "\\u22812\\'96\\'e9}\r\n"
    "\\par \\pard\\plain \\s0\\dbch\\af5\\loch\\f3\\fs24{\\rtlch \\ltrch\\loch \\u27468\\'89\\'cc}"
    "\\par }";

// As pandoc writes it: one Western face, Japanese as \uN with "?", a heading
// as bold 18 pt.
const QByteArray kPandocSample =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 \\fswiss Helvetica;}{\\f1 \\fmodern Courier;}}\n"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
    "\\widowctrl\\hyphauto\n"
    "{\\pard \\ql \\f0 \\sa180 \\li0 \\fi0 \\outlinelevel0 \\b \\fs36 "
    "\\u22799?\\u12398?\\u33457?\\u28779?\\par}\n"
    "{\\pard \\ql \\f0 \\sa180 \\li0 \\fi0 {\\i \\u27468?\\u35422?} and {\\f1 code}\\par}\n}";

TEST(RtfReader, FormatsAsOfficeProgramsWriteThem)
{
    struct Expected {
        const char* sample;
        const QByteArray* rtf;
        const char* needle;
        bool bold;
        bool italic;
        double points;
        QColor color; // invalid: automatic
        const char* face;
        const char* installedFace; // what the families resolve to on this system
    };
    const QColor automatic;
    const QColor red(201, 33, 30);
    const Expected cases[] = {
        {"LibreOffice", &kLibreOfficeSample, "花火", true, false, 20, red, "ＭＳ ゴシック",
         "Noto Sans CJK JP"},
        {"LibreOffice", &kLibreOfficeSample, "Fireworks", false, false, 12, red, "Liberation Serif",
         nullptr},
        {"LibreOffice", &kLibreOfficeSample, "Night", true, false, 14, automatic,
         "Liberation Serif", nullptr},
        {"LibreOffice", &kLibreOfficeSample, "夜", false, true, 16, automatic, "ＭＳ 明朝",
         "Noto Serif CJK JP"},
        {"LibreOffice", &kLibreOfficeSample, "歌", false, false, 12, automatic, "Noto Serif CJK JP",
         "Noto Serif CJK JP"},
        {"WordPad", &kWordPadSample, "赤い花", true, false, 11, QColor(255, 0, 0),
         "ＭＳ Ｐゴシック", "Noto Sans CJK JP"},
        {"WordPad", &kWordPadSample, "Red flower", false, false, 14, automatic, "Calibri", nullptr},
        {"Word", &kWordSample, "歌詞", true, false, 10.5, QColor(255, 0, 0), "ＭＳ 明朝",
         "Noto Serif CJK JP"},
        {"Word", &kWordSample, "Song", false, false, 10.5, automatic, "Times New Roman", nullptr},
        {"pandoc", &kPandocSample, "夏の花火", true, false, 18, automatic, "Helvetica",
         "Noto Sans CJK JP"},
        {"pandoc", &kPandocSample, "歌詞", false, true, 12, automatic, "Helvetica",
         "Noto Sans CJK JP"},
        {"pandoc", &kPandocSample, "code", false, false, 12, automatic, "Courier", nullptr},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + ": " + c.needle);
        QTextDocument document;
        RtfReader::read(*c.rtf, document);
        const QString needle = QString::fromUtf8(c.needle);
        const QTextCursor found = document.find(needle);
        ASSERT_FALSE(found.isNull()) << document.toPlainText().toStdString();
        // Every character of the needle, not only the last.
        for (int i = 1; i <= needle.size(); ++i) {
            QTextCursor at(&document);
            at.setPosition(found.selectionStart() + i);
            const QTextCharFormat format = at.charFormat();
            EXPECT_EQ(format.fontWeight(), c.bold ? QFont::Bold : QFont::Normal) << i;
            EXPECT_EQ(format.fontItalic(), c.italic) << i;
            EXPECT_EQ(format.fontPointSize(), c.points) << i;
            EXPECT_EQ(format.foreground().style() == Qt::NoBrush ? QColor()
                                                                 : format.foreground().color(),
                      c.color)
                << i;
            const QStringList families = format.fontFamilies().toStringList();
            EXPECT_EQ(families.value(0), QString::fromUtf8(c.face)) << i;
            if (c.installedFace) {
                QFont font;
                font.setFamilies(families);
                EXPECT_EQ(QFontInfo(font).family(), QString::fromUtf8(c.installedFace))
                    << families.join(u',').toStdString();
            }
        }
    }
}

TEST(RtfReader, ParagraphAlignment)
{
    QTextDocument document;
    RtfReader::read("{\\rtf1\\qc c\\par\\qr r\\par\\pard l\\par{\\qj j\\par}after}", document);
    ASSERT_EQ(document.blockCount(), 5);
    const Qt::Alignment expected[] = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignLeft,
                                      Qt::AlignJustify, Qt::AlignLeft};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(document.findBlockByNumber(i).blockFormat().alignment(), expected[i]) << i;
}

TEST(RtfReader, SpacesThatDisplayAlike)
{
    QTextDocument document;
    RtfReader::read("{\\rtf1 a\\~b\\-c\\line d}", document);
    EXPECT_EQ(document.toRawText(), QStringLiteral("a\u00A0b\u00ADc\u2028d"));
}

TEST(RtfReader, LongParagraphsAreSplitAndBigDocumentsReadInTime)
{
    // One paragraph of 60 000 characters becomes pieces Qt lays out quickly.
    const QByteArray oneParagraph = "{\\rtf1 " + QByteArray("abcdefghi ").repeated(6000) + "}";
    QTextDocument split;
    RtfReader::read(oneParagraph, split);
    EXPECT_GE(split.blockCount(), 3);
    EXPECT_EQ(split.toPlainText().remove(u'\n').size(), 60000);

    QByteArray big = "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 G;}}"
                     "{\\colortbl;\\red255\\green0\\blue0;}\\f0 ";
    const QByteArray line = "\\'89\\'cc\\'8e\\'8c {\\b\\cf1 bold} \\u12354?\\par\r\n";
    int lines = 0;
    for (; big.size() < 5 * 1024 * 1024; ++lines)
        big += line;
    big += '}';
    const qint64 start = threadCpuMs();
    QTextDocument document;
    RtfReader::read(big, document);
    const qint64 spent = threadCpuMs() - start;
    std::printf("[ timing ] 5 MB of RTF read in %lld ms of CPU\n", static_cast<long long>(spent));
    EXPECT_EQ(document.blockCount(), lines);
    EXPECT_LT(spent, budgetMs(5000));
}

} // namespace
