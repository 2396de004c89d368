// SPDX-License-Identifier: MIT
// Page text and the substring search behind the help window's search tab.
#include "foldedtext.h"
#include "htmlpagetext.h"
#include "pagetextsearch.h"

#include <QUrl>
#include <gtest/gtest.h>

// Readable failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace
{

QString page(const QString& title, const QString& body)
{
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
               "<style>p { color: red; } /* 音量 */</style></head><body>%2</body></html>")
        .arg(title, body);
}

QStringList urlsOf(const QList<PageHit>& hits)
{
    QStringList urls;
    for (const PageHit& hit : hits)
        urls.append(hit.url.fileName());
    return urls;
}

} // namespace

TEST(HtmlPageText, ReadsTitleAndTextWithoutMarkup)
{
    const HtmlPageText text = HtmlPageText::fromHtml(page(
        QStringLiteral("操作 &amp; キー"),
        QStringLiteral("<!-- 歌詞 --><h1>操作</h1>\n<p>再<b>生</b>は\n<kbd>Space</kbd> キー。</p>"
                       "<table><tr><td>&lt;A&gt;</td><td>&#x3042;&#12356;</td></tr></table>"
                       "<script>var x = '設定';</script>")));
    EXPECT_EQ(text.title(), QStringLiteral("操作 & キー"));
    // Inline tags vanish without a gap; blocks and cells start new lines;
    // comments, styles and scripts are not text.
    EXPECT_EQ(text.text(), QStringLiteral("操作\n再生は Space キー。\n<A>\nあい"));
}

TEST(HtmlPageText, JoinsJapaneseAcrossSourceLineBreaks)
{
    const HtmlPageText text = HtmlPageText::fromHtml(
        page(QStringLiteral("t"), QStringLiteral("<p>曲を再\n  生します。Mero\nSonx です。</p>")));
    EXPECT_EQ(text.text(), QStringLiteral("曲を再生します。Mero Sonx です。"));
}

TEST(HtmlPageText, LeavesOutBreadcrumbAndHeadingThatRepeatsTheTitle)
{
    const HtmlPageText text = HtmlPageText::fromHtml(
        page(QStringLiteral("歌詞ウィンドウ"),
             QStringLiteral(
                 "<p class=\"crumb\"><a href=\"index.html\">ヘルプ</a> ＞ 歌詞ウィンドウ</p>\n"
                 "<h1>歌詞ウィンドウ</h1><p>歌詞を読みます。</p><h2>歌詞ウィンドウ</h2>")));
    EXPECT_EQ(text.text(), QStringLiteral("歌詞を読みます。\n歌詞ウィンドウ"));
}

TEST(HtmlPageText, TitleFallsBackToHeadingAndKeepsUnknownEntities)
{
    const HtmlPageText text =
        HtmlPageText::fromHtml(QStringLiteral("<body><h1>見出し</h1><p>&bogus; &#0; &#xD800;</p>"));
    EXPECT_EQ(text.title(), QStringLiteral("見出し"));
    EXPECT_EQ(text.text(), QStringLiteral("&bogus; &#0; &#xD800;"));
}

TEST(FoldedText, MatchesAcrossWidthAndCaseAndMapsBack)
{
    const struct {
        const char16_t* text;
        const char16_t* query;
        const char16_t* shown; // the original characters behind the match
    } cases[] = {
        {u"ﾊﾞｰｼﾞｮﾝ情報を表示", u"バージョン", u"ﾊﾞｰｼﾞｮﾝ"},
        {u"ＭＰ３ﾌｧｲﾙ", u"mp3", u"ＭＰ３"},
        {u"Settei.DAT に保存", u"settei.dat", u"Settei.DAT"},
        {u"音量を上げる", u"音量", u"音量"},
        {u"絵文字😀の後の再生", u"再生", u"再生"},
    };
    for (const auto& c : cases) {
        const FoldedText text{QString::fromUtf16(c.text)};
        const QString query = FoldedText::fold(QString::fromUtf16(c.query));
        const qsizetype at = text.folded().indexOf(query);
        ASSERT_GE(at, 0) << QString::fromUtf16(c.text).toStdString();
        const qsizetype start = text.originalStart(at);
        const qsizetype end = text.originalEnd(at + query.size());
        EXPECT_EQ(text.original().mid(start, end - start), QString::fromUtf16(c.shown));
    }
}

class PageTextSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        add("open.html", "ファイルを開いて再生する",
            "<p>ファイルを選ぶとすぐに再生が始まります。</p><p>再生ボタンは要りません。</p>");
        add("controls.html", "操作",
            "<p>スライダーで音量を調節します。</p><p>↑ キーで音量を上げ、Space で再生します。</p>");
        add("lyrics.html", "歌詞ウィンドウ", "<p>歌詞のファイル（.TXT）を読み込みます。</p>");
        add("settings.html", "設定ファイル", "<p>Settei.dat に設定を保存します。</p>");
    }
    void add(const char* name, const char* title, const char* body)
    {
        search.addPage(QUrl(QStringLiteral("qthelp://t/doc/") + QLatin1String(name)),
                       page(QString::fromUtf8(title), QString::fromUtf8(body)));
    }
    PageTextSearch search;
};

TEST_F(PageTextSearchTest, FindsJapaneseWordsInsideSentences)
{
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("音量"))), QStringList{"controls.html"});
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("歌詞"))), QStringList{"lyrics.html"});
    // A word in the title ranks its page first, then the number of matches.
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("再生"))),
              (QStringList{"open.html", "controls.html"}));
}

TEST_F(PageTextSearchTest, LatinWordsIgnoreCaseAndWidth)
{
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("SETTEI.DAT"))), QStringList{"settings.html"});
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("ｔｘｔ"))), QStringList{"lyrics.html"});
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("space"))), QStringList{"controls.html"});
}

TEST_F(PageTextSearchTest, SeveralWordsMustAllBeOnThePage)
{
    EXPECT_EQ(urlsOf(search.search(QStringLiteral("再生　音量"))), QStringList{"controls.html"});
    EXPECT_TRUE(search.search(QStringLiteral("再生 歌詞")).isEmpty());
}

TEST_F(PageTextSearchTest, FindsNothingForAbsentOrEmptyQueries)
{
    EXPECT_TRUE(search.search(QStringLiteral("ボサノバ")).isEmpty());
    EXPECT_TRUE(search.search(QStringLiteral("  　 ")).isEmpty());
    // Markup is not text: neither tag names nor style sheets are found.
    EXPECT_TRUE(search.search(QStringLiteral("color")).isEmpty());
    EXPECT_TRUE(search.search(QStringLiteral("<p>")).isEmpty());
}

TEST_F(PageTextSearchTest, SnippetShowsTheSentenceWithTheMatchesMarked)
{
    const QList<PageHit> hits = search.search(QStringLiteral("音量"));
    ASSERT_EQ(hits.size(), 1);
    const PageHit& hit = hits.first();
    EXPECT_EQ(hit.title, QStringLiteral("操作"));
    EXPECT_TRUE(hit.snippet.contains(QStringLiteral("スライダーで音量を調節します。")));
    EXPECT_FALSE(hit.snippet.contains(QLatin1Char('\n')));
    ASSERT_EQ(hit.marks.size(), 2);
    for (const auto& [start, length] : hit.marks)
        EXPECT_EQ(hit.snippet.mid(start, length), QStringLiteral("音量"));
}

TEST(PageTextSearch, LongPagesAreCutAroundTheFirstMatch)
{
    PageTextSearch search;
    const QString filler(200, QChar(u'あ'));
    search.addPage(QUrl(QStringLiteral("qthelp://t/doc/long.html")),
                   page(QStringLiteral("長い"), QStringLiteral("<p>%1設定%1</p>").arg(filler)));
    const QList<PageHit> hits = search.search(QStringLiteral("設定"));
    ASSERT_EQ(hits.size(), 1);
    const PageHit& hit = hits.first();
    EXPECT_LT(hit.snippet.size(), 120);
    EXPECT_TRUE(hit.snippet.startsWith(QChar(0x2026)));
    EXPECT_TRUE(hit.snippet.endsWith(QChar(0x2026)));
    ASSERT_EQ(hit.marks.size(), 1);
    EXPECT_EQ(hit.snippet.mid(hit.marks.first().first, hit.marks.first().second),
              QStringLiteral("設定"));
}
