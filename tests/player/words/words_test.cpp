// SPDX-License-Identifier: MIT
#include "frmWords.h"
#include "icons.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

namespace
{

class Lyrics : public PlayerTest
{
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    frmWords& words() { return form->wordsWindow(); }
};

TEST_F(Lyrics, WindowAsDesigned)
{
    start();
    form->WordsWindow_Click();
    QMainWindow* w = words().window();
    EXPECT_EQ(words().caption(), QStringLiteral("歌詞ｳｨﾝﾄﾞｳ"));
    EXPECT_TRUE(w->windowFlags() & Qt::Tool) << "no taskbar button";
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowIcon().pixmap(32, 32).toImage() == meroSonxIcon().pixmap(32, 32).toImage())
        << "the program's icon";
    QStringList bar;
    for (QAction* a : w->menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"開く(&O)", "閉じる(&C)"}));
    EXPECT_EQ(words().width(), 4780.0f);
    EXPECT_TRUE(words().textBox()->text().isEmpty());
}

TEST_F(Lyrics, PlacedBesideTheMainWindow)
{
    start();
    struct Case {
        float top, left;
        float wordsTop, wordsLeft;
    };
    // Lyrics width 4780, main width 4250.
    const Case cases[] = {
        {600, 6000, 600, 6000 - 4780}, // room on the left
        {600, 4780, 600, 4780 + 4250}, // exactly its width: the right
        {600, 100, 600, 100 + 4250},   // no room: the right
        {0, 9000, 0, 9000 + 4250},     // at the top edge: the right, top 0
        {-300, 9000, 0, 9000 + 4250},  // above the screen: the right, top 0
    };
    for (const Case& c : cases) {
        form->setTop(c.top);
        form->setLeft(c.left);
        form->WordsWindow_Click();
        EXPECT_EQ(words().top(), c.wordsTop) << c.top << "," << c.left;
        EXPECT_EQ(words().left(), c.wordsLeft) << c.top << "," << c.left;
        EXPECT_TRUE(words().window()->isVisible());
    }
}

TEST_F(Lyrics, BoxFillsTheClientAreaAfterEveryResize)
{
    start();
    form->WordsWindow_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(words().window()));
    for (QSize grow : {QSize(0, 0), QSize(60, 90), QSize(-80, -40)}) {
        words().window()->resize(words().window()->size() + grow);
        RichTextBox* box = words().textBox();
        EXPECT_EQ(box->widthTwips(), words().width() - 100);
        EXPECT_EQ(box->heightTwips(), words().height() - 700);
        const QRect client = words().window()->centralWidget()->rect();
        EXPECT_TRUE(client.contains(box->geometry())) << "the scroll bar's end stays visible";
        EXPECT_EQ(box->geometry().bottomRight(), client.bottomRight());
    }
}

TEST_F(Lyrics, OpenStartsFromTheLastMediaPathAndLoads)
{
    start(testMedia("tone.wav")); // the command line does not preset it
    const QString lyrics = writeFile("歌詞.txt", QStringLiteral("春の歌\n二行目").toUtf8());
    form->WordsWindow_Click();
    dialogs.openAnswers.push_back(lyrics);
    words().Open_Click();
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_TRUE(dialogs.openRequests[0].initialPath.isEmpty());
    EXPECT_TRUE(dialogs.openRequests[0].title.isEmpty());
    EXPECT_EQ(dialogs.openRequests[0].nameFilters,
              (QStringList{"ﾃｷｽﾄﾌｧｲﾙ(*.txt)", "ﾘｯﾁﾃｷｽﾄﾌｧｲﾙ(*.rtf)"}));
    EXPECT_TRUE(words().textBox()->text().contains(QStringLiteral("春の歌")));

    // After a media file is chosen, the lyrics dialog starts from it again,
    // not from the lyrics file.
    const QString mp3 = testMedia("tone.mp3");
    dialogs.openAnswers.push_back(mp3);
    form->Open_Click();
    dialogs.openAnswers.push_back(std::nullopt); // cancel
    words().Open_Click();
    EXPECT_EQ(dialogs.openRequests.back().initialPath, mp3);
    EXPECT_TRUE(words().textBox()->text().contains(QStringLiteral("春の歌")))
        << "cancel keeps the text";

    // A file the box cannot read ends silently with the text kept.
    dialogs.openAnswers.push_back(dir.filePath("gone.txt"));
    words().Open_Click();
    EXPECT_TRUE(words().textBox()->text().contains(QStringLiteral("春の歌")));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Lyrics, ClosingDiscardsTheTextAndReopensEmpty)
{
    start();
    form->WordsWindow_Click();
    words().loadDroppedFile(writeFile("a.txt", "la la la"));
    EXPECT_EQ(words().textBox()->text(), QStringLiteral("la la la"));
    words().Close_Click();
    EXPECT_FALSE(words().isLoaded());
    form->WordsWindow_Click();
    EXPECT_TRUE(words().textBox()->text().isEmpty());
    // The text stays while the window stays open and the command is repeated.
    words().loadDroppedFile(writeFile("b.txt", "second"));
    form->setLeft(7000);
    form->setTop(500);
    form->WordsWindow_Click();
    EXPECT_EQ(words().textBox()->text(), QStringLiteral("second"));
    EXPECT_EQ(words().left(), 7000 - 4780.0f);
}

TEST_F(Lyrics, DroppedTextOrRtfLoads)
{
    start();
    form->WordsWindow_Click();
    const QString rtf = writeFile("s.rtf", "{\\rtf1\\ansi {\\b bold} words}");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(testMedia("tone.wav")), QUrl::fromLocalFile(rtf)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(words().window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(words().window(), &drop);
    EXPECT_EQ(words().textBox()->text(), QStringLiteral("bold words"));

    QMimeData media;
    media.setUrls({QUrl::fromLocalFile(testMedia("tone.wav"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &media, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(words().window(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(Lyrics, DroppedOnTheMainWindowShowBesideItWhileTheMusicGoesOn)
{
    start(testMedia("tone.mp3"));
    ASSERT_TRUE(waitFor([&] { return form->player()->position() > 0.05; }));
    const QString caption = form->caption();
    form->setTop(600);
    form->setLeft(6000);
    const auto dropOnMain = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(form->window(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->window(), &drop);
        return drop.isAccepted();
    };

    for (const char* name : {"歌.txt", "歌.lrc", "歌.RTF"}) {
        SCOPED_TRACE(name);
        const QString text = QStringLiteral("[00:01.00]%1").arg(QString::fromUtf8(name));
        EXPECT_TRUE(dropOnMain({QUrl::fromLocalFile(writeFile(name, text.toUtf8()))}));
        EXPECT_TRUE(words().window()->isVisible());
        EXPECT_EQ(words().textBox()->text(), text);
        EXPECT_EQ(words().top(), 600.0f) << "placed as the lyrics command places it";
        EXPECT_EQ(words().left(), 6000.0f - 4780);
        EXPECT_EQ(form->player()->fileName(), testMedia("tone.mp3"));
        EXPECT_EQ(form->caption(), caption);
        EXPECT_EQ(form->player()->statusText(), QStringLiteral("再生中"));
    }

    // Words and music in one drop: each goes to its window.
    const QString lyrics = writeFile("b.txt", "second song");
    EXPECT_TRUE(
        dropOnMain({QUrl::fromLocalFile(lyrics), QUrl::fromLocalFile(testMedia("tone.wav"))}));
    EXPECT_EQ(words().textBox()->text(), QStringLiteral("second song"));
    EXPECT_EQ(form->player()->fileName(), testMedia("tone.wav"));
    EXPECT_EQ(form->caption(), QStringLiteral("tone.wav - Mero Sonx Ver3.0"));

    // A lyrics file that has gone by the time it is opened is reported.
    form->openDroppedFile(dir.filePath(QStringLiteral("gone.txt")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(
        dialogs.messages[0].prompt.startsWith(QStringLiteral("歌詞ファイルを開けませんでした。")));
    EXPECT_TRUE(dialogs.messages[0].prompt.contains(QStringLiteral("gone.txt")));
    EXPECT_EQ(words().textBox()->text(), QStringLiteral("second song"));
}

TEST_F(Lyrics, QuittingClosesTheLyricsWindow)
{
    start();
    form->WordsWindow_Click();
    QPointer<QMainWindow> w = words().window();
    form->Quit_Click();
    EXPECT_FALSE(words().isLoaded());
    EXPECT_TRUE(w.isNull() || !w->isVisible());
}

} // namespace
