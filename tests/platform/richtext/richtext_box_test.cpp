// SPDX-License-Identifier: MIT
// The rich text box as the lyrics window uses it: LoadFile and the layout
// properties in twips.
#include "apperror.h"
#include "richtextbox.h"
#include "twips.h"
#include "workbudget.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

namespace
{

class RichTextBoxTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // The number of the AppError that LoadFile raises, 0 if none.
    int loadError(const QString& path)
    {
        try {
            m_box.LoadFile(path);
        } catch (const AppError& error) {
            EXPECT_TRUE(error.description().contains(path)) << error.what();
            return error.number();
        }
        return 0;
    }

    QTemporaryDir m_dir;
    RichTextBox m_box;
};

QByteArray shiftJis(const QString& text)
{
    QStringEncoder encoder("Shift_JIS");
    return encoder(text);
}

TEST_F(RichTextBoxTest, ShowsTextAndRtfFilesInPlaceOfTheLastContent)
{
    const QString lyrics = QStringLiteral("春の小川は\r\nさらさら行くよ\r\n");
    m_box.LoadFile(write("words.txt", shiftJis(lyrics)));
    EXPECT_EQ(m_box.text(), QStringLiteral("春の小川は\nさらさら行くよ\n"));

    m_box.LoadFile(write("words.rtf", "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 G;}}"
                                      "{\\colortbl;\\red255\\green0\\blue0;}"
                                      "\\f0\\b\\cf1 \\'89\\'cc\\'8e\\'8c\\b0\\cf0\\par x\\par}"));
    EXPECT_EQ(m_box.text(), QStringLiteral("歌詞\nx"));
    EXPECT_TRUE(m_box.isReadOnly());
    EXPECT_EQ(m_box.document()->defaultTextOption().wrapMode(),
              QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QTextCursor bold = m_box.document()->find(QStringLiteral("歌詞"));
    EXPECT_EQ(bold.charFormat().fontWeight(), QFont::Bold);

    // A plain-text file after rich text takes none of its formats.
    m_box.LoadFile(write("utf8.txt", "\xef\xbb\xbf\xe6\xad\x8c"));
    EXPECT_EQ(m_box.text(), QStringLiteral("歌"));
    const QTextCursor plain = m_box.document()->find(QStringLiteral("歌"));
    EXPECT_EQ(plain.charFormat().fontWeight(), QFont::Normal);
    EXPECT_FALSE(plain.charFormat().hasProperty(QTextFormat::ForegroundBrush));

    // Rich text is recognized by content, not by name; blanks and a BOM may lead.
    m_box.LoadFile(write("rtf.txt", "\xef\xbb\xbf\r\n {\\rtf1 {\\b rich}}"));
    EXPECT_EQ(m_box.text(), QStringLiteral("rich"));
    m_box.LoadFile(write("plain.rtf", "not {\\rtf1 at the start"));
    EXPECT_EQ(m_box.text(), QStringLiteral("not {\\rtf1 at the start"));

    m_box.LoadFile(write("empty.txt", QByteArray()));
    EXPECT_EQ(m_box.text(), QString());
}

TEST_F(RichTextBoxTest, UnreadableFilesRaiseAndKeepTheText)
{
    m_box.LoadFile(write("kept.txt", "kept"));

    EXPECT_EQ(loadError(m_dir.filePath("missing.txt")), 53);
    EXPECT_EQ(loadError(m_dir.filePath("no/such/dir/x.txt")), 53);
    EXPECT_EQ(loadError(m_dir.path()), 75);
    EXPECT_EQ(m_box.text(), QStringLiteral("kept"));

    const QString locked = write("locked.txt", "secret");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (::geteuid() != 0) { // root reads it anyway
        EXPECT_EQ(loadError(locked), 75);
        EXPECT_EQ(m_box.text(), QStringLiteral("kept"));
    }
}

TEST_F(RichTextBoxTest, LayoutPropertiesKeepTheTwipsWritten)
{
    const double perPixel = twips::perPixel(&m_box);
    m_box.setLeft(100.3f);
    m_box.setTop(-45.5f);
    m_box.setWidth(3855.7f);
    m_box.setHeight(2415.0f);
    EXPECT_EQ(m_box.leftTwips(), 100.3f);
    EXPECT_EQ(m_box.topTwips(), -45.5f);
    EXPECT_EQ(m_box.widthTwips(), 3855.7f);
    EXPECT_EQ(m_box.heightTwips(), 2415.0f);
    EXPECT_EQ(m_box.geometry(),
              QRect(int(std::lround(100.3 / perPixel)), int(std::lround(-45.5 / perPixel)),
                    int(std::lround(3855.7 / perPixel)), int(std::lround(2415.0 / perPixel))));

    m_box.setWidth(0);
    EXPECT_EQ(m_box.widthTwips(), 0.0f);
    EXPECT_EQ(m_box.width(), 0);
    m_box.setWidth(3855.7f);

    const QRect before = m_box.geometry();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float invalid[] = {-1.0f, -0.001f, nan, std::numeric_limits<float>::infinity()};
    for (const float value : invalid) {
        for (auto setter : {&RichTextBox::setWidth, &RichTextBox::setHeight}) {
            try {
                (m_box.*setter)(value);
                ADD_FAILURE() << "no error for " << value;
            } catch (const AppError& error) {
                EXPECT_EQ(error.number(), 380);
            }
        }
    }
    EXPECT_THROW(m_box.setLeft(nan), AppError);
    EXPECT_EQ(m_box.widthTwips(), 3855.7f);
    EXPECT_EQ(m_box.heightTwips(), 2415.0f);
    EXPECT_EQ(m_box.leftTwips(), 100.3f);
    EXPECT_EQ(m_box.geometry(), before);

    // Far beyond any screen: held to what a widget can take, no overflow.
    m_box.setWidth(1e30f);
    EXPECT_EQ(m_box.widthTwips(), 1e30f);
    EXPECT_EQ(m_box.width(), QWIDGETSIZE_MAX);
}

TEST_F(RichTextBoxTest, LargeFilesLoadQuickly)
{
    QByteArray lines;
    const QByteArray line =
        shiftJis(QStringLiteral("春の小川はさらさら行くよ、岸のすみれやれんげの花に\r\n"));
    while (lines.size() < 5 * 1024 * 1024)
        lines += line;
    const QString path = write("big.txt", lines);
    m_box.resize(400, 300);
    m_box.show();

    // Milliseconds of this thread's CPU to load `file` and show it.
    const auto cpuMsToShow = [this](const QString& file, const char* what) {
        const qint64 start = threadCpuMs();
        m_box.LoadFile(file);
        QCoreApplication::processEvents();
        const qint64 spent = threadCpuMs() - start;
        std::printf("[ timing ] %s loaded and shown in %lld ms of CPU\n", what,
                    static_cast<long long>(spent));
        return spent;
    };
    EXPECT_LT(cpuMsToShow(path, "5 MB Shift_JIS text"), budgetMs(5000));
    EXPECT_EQ(m_box.document()->blockCount(), lines.size() / line.size() + 1);

    // One line without any break: cut into paragraphs Qt lays out quickly.
    const QString oneLine = write("oneline.txt", QByteArray("abcdefghi ").repeated(500000));
    EXPECT_LT(cpuMsToShow(oneLine, "5 MB single-line text"), budgetMs(5000));
    EXPECT_EQ(m_box.text().remove(u'\n').size(), 5000000);

    // 6 MiB of time-tagged Shift_JIS lyrics: read, ordered and shown as one
    // plain text.
    QByteArray tagged;
    for (int i = 0; tagged.size() < RichTextBox::kMaxLoadBytes; ++i)
        tagged += QByteArrayLiteral("[") + QByteArray::number(i / 60000) + ':' +
                  QByteArray::number(i / 1000 % 60 + 100).sliced(1) + '.' +
                  QByteArray::number(i % 1000 + 1000).sliced(1) + ']' + line;
    tagged.truncate(RichTextBox::kMaxLoadBytes);
    EXPECT_LT(cpuMsToShow(write("big.lrc", tagged), "6 MiB time-tagged text"), budgetMs(5000));
    ASSERT_TRUE(m_box.timedLyrics());
    EXPECT_EQ(m_box.document()->blockCount(), m_box.timedLyrics()->lines().size());
}

TEST_F(RichTextBoxTest, OversizedFilesAreCutWithANote)
{
    QByteArray bytes = QByteArray("0123456789abcde\n").repeated(RichTextBox::kMaxLoadBytes / 16);
    bytes += QByteArray("never shown\n").repeated(100000);
    m_box.LoadFile(write("huge.txt", bytes));
    const QString text = m_box.text();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n…(以下省略)")));
    EXPECT_FALSE(text.contains(QStringLiteral("never shown")));
    EXPECT_EQ(text.size(), RichTextBox::kMaxLoadBytes + QStringLiteral("…(以下省略)").size());
}

TEST_F(RichTextBoxTest, ControlCharactersShowInPlainText)
{
    m_box.LoadFile(write("nul.txt", QByteArrayLiteral("before\0after")));
    EXPECT_EQ(m_box.text(), QStringLiteral("before␀after"));
}

} // namespace
