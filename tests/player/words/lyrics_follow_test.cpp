// SPDX-License-Identifier: MIT
// Time-tagged lyrics following real playback (libmpv, null audio output) of a
// generated 10 s tone: the highlighted line and word, the scrolling, seeks by
// click and Enter, and texts without tags left as they are.
#include "frmWords.h"
#include "playerfixture.h"
#include "testmedia.h"
#include "workbudget.h"

#include <QAbstractTextDocumentLayout>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QUrl>

namespace
{

class FollowingLyrics : public PlayerTest
{
protected:
    // Lines "行 1" ... "行 18" every half second from 0.5 s, a word-timed line
    // at 9.5 s, and an untagged line after 行 4.
    void SetUp() override
    {
        start(testMedia("tone10.wav"));
        form->WordsWindow_Click();
        QString lrc = QStringLiteral("[ti:テスト]\n");
        for (int i = 1; i < 19; ++i) {
            lrc += QStringLiteral("[00:%1.%2]行 %3\n")
                       .arg(i / 2, 2, 10, QChar(u'0'))
                       .arg(i % 2 ? 50 : 0, 2, 10, QChar(u'0'))
                       .arg(i);
            if (i == 4)
                lrc += QStringLiteral("（間奏）\n");
        }
        lrc += QStringLiteral("[00:09.50]<00:09.50>春の <00:09.75>小川\n");
        QFile f(dir.filePath("song.lrc"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lrc.toUtf8());
        f.close();
        // Dropped on the window, as a user brings a .lrc file.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(f.fileName())});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form->wordsWindow().window(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form->wordsWindow().window(), &drop);
        ASSERT_TRUE(box()->timedLyrics());
    }
    RichTextBox* box() { return form->wordsWindow().textBox(); }
    Playback& playback() { return *form->player()->playback(); }
    // The highlighted lines' text (a band on each visual line), or the sung words'.
    QStringList highlighted(bool words = false)
    {
        QStringList out;
        int lastBlock = -1;
        for (const QTextEdit::ExtraSelection& s : box()->extraSelections()) {
            const bool band = s.format.boolProperty(QTextFormat::FullWidthSelection);
            if (words && !band)
                out << s.cursor.selectedText();
            if (!words && band && s.cursor.blockNumber() != lastBlock)
                out << s.cursor.block().text();
            lastBlock = band ? s.cursor.blockNumber() : lastBlock;
        }
        return out;
    }
    // Where the first highlighted line is about a third down the view.
    int followingScroll()
    {
        QTextCursor line = box()->extraSelections().value(0).cursor;
        QScrollBar* bar = box()->verticalScrollBar();
        if (line.isNull())
            return bar->minimum();
        QTextDocument* doc = box()->document();
        const QTextBlock block = doc->findBlock(line.selectionStart());
        const int top = int(doc->documentLayout()->blockBoundingRect(block).top());
        return std::clamp(top - box()->viewport()->height() / 3, bar->minimum(), bar->maximum());
    }
    QPoint centreOf(const QString& text)
    {
        const QTextBlock block = box()->document()->find(text).block();
        const QRectF r = box()->document()->documentLayout()->blockBoundingRect(block);
        return QPoint(20, int(r.center().y()) - box()->verticalScrollBar()->value());
    }
};

TEST_F(FollowingLyrics, HighlightFollowsPlaySeekPauseAndStop)
{
    EXPECT_TRUE(waitFor([&] { return highlighted() == QStringList{"行 3"}; }))
        << highlighted().join(u',').toStdString();
    EXPECT_TRUE(waitFor([&] { return highlighted() == QStringList{"行 4"}; }));

    // Paused, a seek moves the highlight at once; the view scrolls to it.
    playback().pause();
    playback().seek(6.2);
    EXPECT_EQ(highlighted(), QStringList{"行 12"});
    EXPECT_TRUE(waitFor([&] {
        return followingScroll() > 0 && box()->verticalScrollBar()->value() == followingScroll();
    }));
    playback().seek(9.8);
    EXPECT_EQ(highlighted(), QStringList{"春の 小川"});
    EXPECT_EQ(highlighted(true), QStringList{"小川"});
    playback().seek(0.2);
    EXPECT_TRUE(highlighted().isEmpty()) << "before the first line";

    // Stopped: nothing sung, back to the top.
    playback().seek(3);
    playback().stop();
    EXPECT_TRUE(highlighted().isEmpty());
    EXPECT_TRUE(waitFor([&] { return box()->verticalScrollBar()->value() == 0; }));
}

TEST_F(FollowingLyrics, ClickAndEnterSeekToTheLine)
{
    box()->resize(box()->width(), 2000); // every line in view
    ASSERT_TRUE(waitFor([&] { return playback().state() == Playback::State::Playing; }));
    playback().stop();
    // From the stop, a click plays from the line.
    QTest::mouseClick(box()->viewport(), Qt::LeftButton, {}, centreOf("行 10"));
    EXPECT_TRUE(waitFor([&] {
        return playback().state() == Playback::State::Playing && playback().position() >= 5;
    }));
    EXPECT_LT(playback().position(), 6.5);

    // Paused, Enter on the text cursor's line seeks and stays paused.
    playback().pause();
    QTextCursor cursor = box()->document()->find("行 4");
    box()->setTextCursor(cursor);
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(playback().position(), 2.0);
    EXPECT_EQ(playback().state(), Playback::State::Paused);

    // Untagged lines and the space below the text are not places in time.
    QTest::mouseClick(box()->viewport(), Qt::LeftButton, {}, centreOf("（間奏）"));
    QTest::mouseClick(box()->viewport(), Qt::LeftButton, {}, QPoint(20, 1990));
    EXPECT_EQ(playback().position(), 2.0);
}

TEST_F(FollowingLyrics, TheUsersScrollingHoldsTheFollowingBack)
{
    ASSERT_TRUE(waitFor([&] { return !highlighted().isEmpty(); }));
    QScrollBar* bar = box()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QSignalSpy ticks(&playback(), &Playback::positionChanged);
    while (ticks.size() < 3)
        ASSERT_TRUE(ticks.wait(2000));
    EXPECT_EQ(bar->value(), bar->maximum()) << "held while the user reads";
    EXPECT_TRUE(waitFor([&] { return bar->value() == followingScroll(); }, 8000))
        << "and followed again a few seconds later";
}

TEST_F(FollowingLyrics, AHugeFileIsFollowedWithoutLayingItAllOut)
{
    // Ten lines a millisecond over the tone's 10 s, 6 MiB in all.
    QByteArray lrc;
    for (int i = 0; lrc.size() < RichTextBox::kMaxLoadBytes - 64; ++i)
        lrc += QStringLiteral("[00:%1.%2]春の小川はさらさら行くよ %3\n")
                   .arg(i / 10000 % 60, 2, 10, QChar(u'0'))
                   .arg(i / 10 % 1000, 3, 10, QChar(u'0'))
                   .arg(i)
                   .toUtf8();
    QFile f(dir.filePath("huge.lrc"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(lrc);
    f.close();
    // Loaded while playing, then a seek near the end, before the box has laid
    // out that far: the highlight waits for the layout instead of forcing it.
    ASSERT_TRUE(waitFor([&] { return playback().state() == Playback::State::Playing; }));
    const qint64 start = threadCpuMs();
    form->wordsWindow().loadDroppedFile(f.fileName());
    ASSERT_TRUE(box()->timedLyrics());
    playback().pause();
    playback().seek(9.99);
    EXPECT_LT(threadCpuMs() - start, budgetMs(2000));
    EXPECT_TRUE(waitFor(
        [&] {
            return highlighted().size() == 8 &&
                   box()->verticalScrollBar()->value() == followingScroll();
        },
        30000));
    EXPECT_EQ(highlighted().last().toStdString(), "春の小川はさらさら行くよ 99909");
}

TEST_F(FollowingLyrics, TextsWithoutTagsShowAsBefore)
{
    const struct {
        const char* name;
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {"stray.txt", "歌詞\n[1:00] intro\nfoo\n", "歌詞\n[1:00] intro\nfoo\n"},
        {"tagged.rtf", "[00:01]a\n[00:02]b", "[00:01]a\n[00:02]b"},
        {"real.rtf", "{\\rtf1 [00:01]a\\par [00:02]b}", "[00:01]a\n[00:02]b"},
    };
    for (const auto& c : cases) {
        QFile f(dir.filePath(c.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        form->wordsWindow().loadDroppedFile(f.fileName());
        EXPECT_EQ(box()->text(), c.shown) << c.name;
        EXPECT_FALSE(box()->timedLyrics()) << c.name;
        EXPECT_TRUE(box()->extraSelections().isEmpty()) << c.name;
        EXPECT_FALSE(box()->testAttribute(Qt::WA_SetPalette)) << c.name;
    }
}

} // namespace
