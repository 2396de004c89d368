// SPDX-License-Identifier: MIT
// Command-line texts that name no playable file: the player says "エラーです。"
// once, hands nothing to the player control, never opens what is not an
// ordinary file (a FIFO would block, a device would stream forever), answers
// at once and still saves its window at exit.
#include "liveness.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <QDir>
#include <sys/stat.h>

namespace
{

class BadCommandLine : public PlayerTest
{
protected:
    void quitAndCheckSettings(const QString& what)
    {
        quit();
        EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n")) << what.toStdString();
    }
};

TEST_F(BadCommandLine, TextsThatNameNoFileGiveTheMessageAndNothingPlays)
{
    const QString fifo = dir.filePath("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp3"));
    const QString tone = testMedia("tone.wav");
    ASSERT_FALSE(tone.isEmpty());

    // Past PATH_MAX: the system refuses to look at it at all.
    QString longPath = dir.path();
    while (longPath.size() < 4096)
        longPath += QStringLiteral("/") + QString(200, u'ア');

    const QString cases[] = {
        QStringLiteral(" "),
        QStringLiteral("     "),
        QStringLiteral("\t"),
        QStringLiteral("\"") + tone + QStringLiteral("\""), // quotes are kept
        QStringLiteral("'") + tone + QStringLiteral("'"),
        QStringLiteral("\"\""),
        dir.filePath("*.nothing"),
        dir.filePath("*?*.none"),
        QStringLiteral("*.mp3"), // relative: only the FIFO and the folder match
        dir.path(),
        dir.filePath("folder.mp3"),
        dir.filePath("folder*"),
        QStringLiteral("/"),
        QStringLiteral("/dev/zero"),
        QStringLiteral("/dev/null"),
        fifo,
        dir.filePath("pipe*"),
        dir.filePath("missing.mp3"),
        longPath,
        dir.path() + QStringLiteral("/") + QString(300, u'a') + QStringLiteral(".mp3"),
    };
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const QString& text : cases) {
        const QString what = text.left(80);
        dialogs.messages.clear();
        start(text);
        ASSERT_EQ(dialogs.messages.size(), 1u) << what.toStdString();
        EXPECT_EQ(dialogs.messages[0].prompt, QStringLiteral("エラーです。"));
        EXPECT_EQ(form->caption(), QStringLiteral("Mero Sonx Ver3.0")) << what.toStdString();
        EXPECT_TRUE(form->player()->fileName().isEmpty()) << what.toStdString();
        EXPECT_TRUE(uiAnswers()) << what.toStdString();
        quitAndCheckSettings(what);
    }
    QDir::setCurrent(cwd);
}

TEST_F(BadCommandLine, EmptyTextStartsQuietly)
{
    start(QString());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(form->player()->fileName().isEmpty());
    EXPECT_TRUE(uiAnswers());
    quitAndCheckSettings("empty");
}

TEST_F(BadCommandLine, LongPathThatNamesAFilePlaysIt)
{
    const QString tone = testMedia("tone.wav");
    ASSERT_FALSE(tone.isEmpty());
    ASSERT_TRUE(QFile::copy(tone, dir.filePath("tone.wav")));
    // Nearly PATH_MAX of "./" in front of a real file.
    QString path = dir.path() + QStringLiteral("/");
    while (path.size() < 4000)
        path += QStringLiteral("./");
    path += QStringLiteral("tone.wav");
    start(path);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->caption(), QStringLiteral("tone.wav - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), path);
    EXPECT_TRUE(waitFor([&] { return form->player()->position() > 0.1; }))
        << form->player()->statusText().toStdString();
    EXPECT_TRUE(uiAnswers());
    quitAndCheckSettings("long path");
}

} // namespace
