// SPDX-License-Identifier: MIT
// Media that is empty, noise under every offered extension, cut short, or
// carrying a huge tag, opened through the open command. Each open ends in
// playback or in "再生できません：" with the reason in the status bar; the
// UI answers throughout; the window is still saved at exit.
#include "badfiles.h"
#include "liveness.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <QSignalSpy>

namespace
{

constexpr int kOutcomeMs = 15000;

enum class Outcome { Plays, Fails, Either };

struct MediaCase {
    QString name;
    QByteArray bytes;
    Outcome expected;
};

class BadMedia : public PlayerTest
{
protected:
    // Opens `c` through the open command and checks how it ends.
    void open(const MediaCase& c)
    {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeBytes(path, c.bytes));
        QSignalSpy loaded(form->player(), &MediaPlayer::fileLoaded);
        QSignalSpy failed(form->player(), &MediaPlayer::playbackFailed);
        dialogs.openAnswers.push_back(path);
        EXPECT_TRUE(uiAnswers([this] { form->Open_Click(); }));
        EXPECT_EQ(form->caption(), c.name + frmMeroSonx::kCaptionSuffix);
        ASSERT_TRUE(waitFor([&] { return loaded.count() + failed.count() > 0; }, kOutcomeMs))
            << "neither played nor failed";
        const bool plays = loaded.count() > 0;
        if (c.expected == Outcome::Plays) {
            EXPECT_TRUE(plays) << form->player()->statusText().toStdString();
        } else if (c.expected == Outcome::Fails) {
            EXPECT_FALSE(plays);
        }
        if (!plays) {
            const QString status = form->player()->statusText();
            EXPECT_TRUE(status.startsWith(QStringLiteral("再生できません：")))
                << status.toStdString();
            EXPECT_GT(status.size(), QStringLiteral("再生できません：").size()) << "with a reason";
        }
        EXPECT_TRUE(uiAnswers());
    }
};

TEST_F(BadMedia, EmptyFilesAndNoiseUnderEveryExtension)
{
    start();
    std::vector<MediaCase> cases;
    for (const char* extension : {"mp3", "wav", "mid", "mp4", "asx"})
        cases.push_back({QStringLiteral("empty.") + extension, QByteArray(), Outcome::Fails});
    quint32 seed = 1;
    for (const QString& extension : badfiles::mediaExtensions())
        cases.push_back(
            {QStringLiteral("noise.") + extension, noiseBytes(64 * 1024, seed++), Outcome::Either});
    for (const MediaCase& c : cases)
        open(c);
    quit();
    EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n"));
}

TEST_F(BadMedia, CutShortOrOverTagged)
{
    const QString mp4 = testMedia("green.mp4");
    ASSERT_FALSE(mp4.isEmpty());
    const QByteArray whole = badfiles::head(mp4, 1 << 24);
    const QByteArray tagged = badfiles::mp3WithLargeTag(QStringLiteral("大きなタグ"), 1 << 20);
    ASSERT_GT(tagged.size(), 1 << 20);
    start();
    const MediaCase cases[] = {
        // The index comes first (faststart): half the file plays what it holds.
        {QStringLiteral("half.mp4"), whole.left(whole.size() / 2), Outcome::Either},
        {QStringLiteral("header.mp4"), whole.left(600), Outcome::Fails},
        {QStringLiteral("tagged.mp3"), tagged, Outcome::Plays},
        // The tag claims a megabyte, the file ends inside it.
        {QStringLiteral("cut-tag.mp3"), tagged.left(4096), Outcome::Fails},
    };
    for (const MediaCase& c : cases)
        open(c);
    form->Open_Click(); // no answer left: cancel
    EXPECT_TRUE(uiAnswers());
    quit();
    EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n"));
}

TEST_F(BadMedia, HugeTagStillNamesTheSong)
{
    const QByteArray tagged = badfiles::mp3WithLargeTag(QStringLiteral("大きなタグ"), 1 << 20);
    ASSERT_FALSE(tagged.isEmpty());
    start();
    open({QStringLiteral("tagged.mp3"), tagged, Outcome::Plays});
    EXPECT_TRUE(waitFor([&] { return form->player()->title() == QStringLiteral("大きなタグ"); }))
        << form->player()->title().toStdString();
    EXPECT_TRUE(waitFor([&] { return form->player()->position() > 0.1; }));
}

} // namespace
