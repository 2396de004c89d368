// SPDX-License-Identifier: MIT
// The program directory on a small file system of its own: the playing file
// cut short under the player, then the disk full when the player quits.
#include "playerfixture.h"
#include "testmedia.h"

#include <QProcess>
#include <sys/mount.h>

namespace
{

class FullDisk : public PlayerTest
{
protected:
    void SetUp() override
    {
        const QByteArray where = QFile::encodeName(dir.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=4m") != 0)
            GTEST_SKIP() << "cannot mount a file system here (needs root)";
        m_mounted = where;
    }
    void TearDown() override
    {
        form.reset();
        if (!m_mounted.isEmpty())
            ::umount2(m_mounted.constData(), MNT_DETACH);
    }
    // Fills the file system to its last byte.
    void fill() const
    {
        QFile filler(dir.filePath("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

    QByteArray m_mounted;
};

TEST_F(FullDisk, AFileCutShortIsSaidAndAFullDiskAtExitKeepsTheOldSettings)
{
    const QByteArray saved = "5565,4300,0,-45,120,-1\r\n";
    writeSettings(saved);
    const QString wav = dir.filePath("song.wav");
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                           "sine=f=440:d=6", "-ac", "2", wav}),
              0);
    start(wav);
    ASSERT_TRUE(waitFor([&] { return form->player()->position() > 0.2; }));
    QFile::resize(wav, 2000);
    ASSERT_TRUE(waitFor(
        [&] { return form->player()->playback()->state() == Playback::State::Failed; }, 10000))
        << form->player()->statusText().toStdString();
    EXPECT_EQ(form->player()->statusText(),
              "再生できません：再生中にファイルが変更されたため、最後まで再生できませんでした");

    fill();
    quit();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "the write failure is told";
    EXPECT_TRUE(dialogs.messages[0].prompt.contains(QStringLiteral("設定を保存できませんでした")));
    EXPECT_EQ(settingsBytes(), saved) << "the previous file stays whole";
}

} // namespace
