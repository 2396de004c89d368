// SPDX-License-Identifier: MIT
// Lyrics files that are empty, binary, enormous, in UTF-16 without a byte
// order mark, or RTF that claims 100 MB of binary data, opened through the
// lyrics window's open command: the box shows what there is to show, a file
// cut at the load limit says so on its last line, the UI answers throughout.
#include "badfiles.h"
#include "frmWords.h"
#include "liveness.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <functional>

namespace
{

class BadLyrics : public PlayerTest
{
protected:
    frmWords& words() { return form->wordsWindow(); }
    QString shown() { return words().textBox()->text(); }

    // Opens `bytes` as the file `name` through the lyrics window's open command.
    void open(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(writeBytes(path, bytes));
        dialogs.openAnswers.push_back(path);
        EXPECT_TRUE(uiAnswers([this] { words().Open_Click(); })) << name.toStdString();
    }
};

TEST_F(BadLyrics, EachFileShowsWhatItCan)
{
    const QString song = QStringLiteral("春の歌\nさくら さくら 弥生の空は\n");
    QByteArray utf16le;
    QByteArray utf16be;
    for (const QChar c : song) {
        utf16le += char(c.unicode() & 0xFF);
        utf16le += char(c.unicode() >> 8);
        utf16be += char(c.unicode() >> 8);
        utf16be += char(c.unicode() & 0xFF);
    }
    const QByteArray rtfNoise = noiseBytes(4096, 42);

    struct Case {
        QString name;
        QByteArray bytes;
        std::function<bool(const QString&)> shows;
    };
    const Case cases[] = {
        {"empty.txt", {}, [](const QString& t) { return t.isEmpty(); }},
        {"empty.rtf", {}, [](const QString& t) { return t.isEmpty(); }},
        {"binary.txt", noiseBytes(64 * 1024, 7),
         [](const QString& t) { return !t.isEmpty() && !t.contains(QChar(0)); }},
        {"binary.rtf", noiseBytes(64 * 1024, 8),
         [](const QString& t) { return !t.isEmpty() && !t.contains(QChar(0)); }},
        {"utf16le.txt", utf16le, [&](const QString& t) { return t.trimmed() == song.trimmed(); }},
        {"utf16be.txt", utf16be, [&](const QString& t) { return t.trimmed() == song.trimmed(); }},
        {"bin-claim.rtf", "{\\rtf1\\ansi before\\bin104857600 " + rtfNoise + "} after}",
         [](const QString& t) { return t == QStringLiteral("before"); }},
        {"bin-overflow.rtf",
         "{\\rtf1\\ansi before{\\*\\x\\bin99999999999999999999 " + rtfNoise + "} after}",
         [](const QString& t) { return t.startsWith(QStringLiteral("before")); }},
        {"unclosed.rtf", "{\\rtf1\\ansi " + QByteArray(100000, '{') + "deep",
         [](const QString& t) { return t == QStringLiteral("deep"); }},
    };

    start();
    form->WordsWindow_Click();
    for (const Case& c : cases) {
        open(c.name, c.bytes);
        const QString text = shown();
        EXPECT_TRUE(c.shows(text)) << c.name.toStdString() << ": " << text.left(200).toStdString();
    }
    EXPECT_TRUE(dialogs.messages.empty());
    quit();
    EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n"));
}

TEST_F(BadLyrics, FiftyMegabytesShowTheFirstPartAndSaySoAtTheEnd)
{
    const QByteArray line = QStringLiteral("さくら さくら 弥生の空は 見わたす限り\n").toUtf8();
    QByteArray big;
    big.reserve(50 << 20);
    while (big.size() < (50 << 20))
        big += line;
    start();
    form->WordsWindow_Click();
    open("big.txt", big);
    big = QByteArray();
    const QString text = shown();
    EXPECT_TRUE(text.startsWith(QStringLiteral("さくら さくら")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("…(以下省略)")));
    EXPECT_LE(text.size(), RichTextBox::kMaxLoadBytes);
    EXPECT_TRUE(uiAnswers([this] { words().Close_Click(); }));
}

} // namespace
