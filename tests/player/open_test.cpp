// SPDX-License-Identifier: MIT
#include "playerfixture.h"
#include "testmedia.h"

#include <QMimeData>
#include <QUrl>

namespace
{

using OpenMedia = PlayerTest;

TEST(MediaFilter, ExactTextAndEntries)
{
    const QString& f = frmMeroSonx::kMediaFilter;
    EXPECT_EQ(f.size(), 422);
    const QStringList parts = f.split('|');
    ASSERT_EQ(parts.size(), 22);
    EXPECT_EQ(parts[0], QStringLiteral("すべての対応ﾌｧｲﾙ"));
    EXPECT_EQ(parts[2], QStringLiteral("ＭＩＤﾌｧｲﾙ(*.mid&*.rmi)"));
    EXPECT_EQ(parts[20], QStringLiteral("すべてのファイル(*.*)"));
    EXPECT_EQ(parts[21], QStringLiteral("*.*"));
    const QStringList first = parts[1].split(';');
    EXPECT_EQ(first.size(), 15);
    for (const char* absent : {"*.rmi", "*.au", "*.snd", "*.aif", "*.aifc", "*.aiff"})
        EXPECT_FALSE(first.contains(absent)) << absent;
}

TEST_F(OpenMedia, ConfirmedChoicePlaysNamesAndRefits)
{
    start();
    form->Nomal_Click();
    const QString wav = testMedia("tone.wav");
    dialogs.openAnswers.push_back(wav);
    form->menuItem("Open")->trigger();

    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    const OpenFileRequest& r = dialogs.openRequests[0];
    EXPECT_EQ(r.title, QStringLiteral("ファイルの選択"));
    EXPECT_EQ(r.nameFilters.size(), 11);
    EXPECT_EQ(r.nameFilters[0], QStringLiteral("すべての対応ﾌｧｲﾙ"));
    EXPECT_EQ(r.patterns[1], (QStringList{"*.mid", "*.rmi"}));
    EXPECT_TRUE(r.initialPath.isEmpty()) << "empty before the first choice";

    EXPECT_EQ(form->caption(), QStringLiteral("tone.wav - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), wav);
    EXPECT_EQ(form->openDialog().fileName(), wav);
    EXPECT_EQ(form->width(), 4300.0f) << "the window keeps its size";
    EXPECT_EQ(form->player()->widthTwips(), 4200.0f);
    EXPECT_EQ(form->player()->heightTwips(), 4865.0f);

    // The next dialog starts from that file; the same file again is fine.
    dialogs.openAnswers.push_back(wav);
    form->Open_Click();
    EXPECT_EQ(dialogs.openRequests[1].initialPath, wav);
    EXPECT_EQ(form->player()->fileName(), wav);
}

TEST_F(OpenMedia, CancelChangesNothing)
{
    const QString wav = testMedia("tone.wav");
    start(wav);
    const QString caption = form->caption();
    dialogs.openAnswers.push_back(std::nullopt);
    form->Open_Click();
    EXPECT_EQ(form->caption(), caption);
    EXPECT_EQ(form->player()->fileName(), wav);
    EXPECT_TRUE(form->openDialog().fileName().isEmpty())
        << "a file from the command line does not preset the dialog";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OpenMedia, AnyFileUnderAllFilesGoesToThePlayer)
{
    start();
    const QString text = testMedia("notmedia.txt");
    dialogs.openAnswers.push_back(text);
    form->Open_Click();
    EXPECT_EQ(form->caption(), QStringLiteral("notmedia.txt - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), text);
    EXPECT_TRUE(waitFor(
        [&] { return form->player()->statusText().startsWith(QStringLiteral("再生できません")); }));
    // And the program goes on: a good file plays after it.
    dialogs.openAnswers.push_back(testMedia("tone.wav"));
    form->Open_Click();
    EXPECT_TRUE(waitFor([&] { return form->player()->position() > 0.1; }));
}

TEST_F(OpenMedia, DroppedFilesOpenTheFirst)
{
    start();
    form->Compact_Click();
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(testMedia("tone.mp3")), QUrl::fromLocalFile(testMedia("tone.wav"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->window(), &drop);
    EXPECT_EQ(form->caption(), QStringLiteral("tone.mp3 - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), testMedia("tone.mp3"));
    EXPECT_EQ(form->player()->heightTwips(), 2150.0f);

    // Something that is no file is refused.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->window(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
