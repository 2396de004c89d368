// SPDX-License-Identifier: MIT
#include "../common/settingsenvironment.h"
#include "frmMain.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "twips.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class ReturnTool : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedDialogs dialogs{QStringLiteral("Mero Sonx2設定戻し")};
    frmMain form{dialogs, dir.path()};
    QString path = settingsPath(dir.path());
};

TEST_F(ReturnTool, WindowIsAsDesigned)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    const double tpp = twips::perPixel(form.window());
    EXPECT_EQ(form.caption(), QStringLiteral("Mero Sonx2設定戻し"));
    EXPECT_EQ(form.window()->centralWidget()->size(),
              QSize(twips::toPixels(5145, tpp), twips::toPixels(1800, tpp)));
    EXPECT_EQ(form.width(), 5245.0f);
    EXPECT_EQ(form.height(), 2200.0f);
    EXPECT_TRUE(form.returnButton()->hasFocus());
    EXPECT_TRUE(form.returnButton()->isDefault());
    EXPECT_EQ(form.returnButton()->text(), QStringLiteral("設定を戻す"));
    EXPECT_EQ(form.closeButton()->text(), QStringLiteral("閉じる(&C)"));
    // The whole notice fits its label.
    QLabel* notice = form.notice();
    EXPECT_LE(notice->heightForWidth(notice->width()), notice->height());
    EXPECT_TRUE(
        notice->text().contains(QStringLiteral("先に、Mero Sonx2を終了させておいてください。")));
    // The user cannot resize it.
    EXPECT_EQ(form.window()->minimumSize(), form.window()->maximumSize());
}

TEST_F(ReturnTool, EnterWritesTheDefaultsAndConfirmsEachTime)
{
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("-99999,1,2,-3,-4,0\r\nmore\r\n");
    old.close();

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    for (int press = 1; press <= 2; ++press) {
        QTest::keyClick(form.window()->focusWidget(), Qt::Key_Return);
        EXPECT_EQ(readAll(path), QByteArray("5400,4250,0,0,0,1\r\n"));
        ASSERT_EQ(dialogs.messages.size(), size_t(press));
        const MessageRequest& m = dialogs.messages.back();
        EXPECT_EQ(m.prompt, QStringLiteral("設定が完了しました。閉じてください。"));
        EXPECT_EQ(m.title, QStringLiteral("設定完了"));
        EXPECT_EQ(m.style, msgbox::kInformation);
    }
    EXPECT_TRUE(form.isLoaded()) << "the window stays open after writing";
}

TEST_F(ReturnTool, EscapeAndCloseEndTheWindow)
{
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    QTest::keyClick(form.window()->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(QFile::exists(path)) << "closing writes nothing";
}

void expectWriteErrorKeepsOldFile(ReturnTool& t, ScriptedDialogs& dialogs, frmMain& form,
                                  const QString& path, const QByteArray& before)
{
    form.Return_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "one error, no confirmation";
    const MessageRequest& m = dialogs.messages.front();
    EXPECT_EQ(m.style, msgbox::kCritical);
    EXPECT_EQ(m.title, QStringLiteral("Mero Sonx2設定戻し"));
    EXPECT_TRUE(m.prompt.contains(path)) << m.prompt.toStdString();
    EXPECT_TRUE(m.prompt.contains(QStringLiteral("書き込めません"))) << m.prompt.toStdString();
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(form.isLoaded());
    (void)t;
}

TEST_F(ReturnTool, WriteProtectedFileGivesAnErrorAndStaysIntact)
{
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("1,2,0,3,4,1\r\n");
    old.close();
    if (QProcess::execute("chattr", {"+i", path}) != 0)
        GTEST_SKIP() << "chattr +i needs root and a file system that supports it";
    expectWriteErrorKeepsOldFile(*this, dialogs, form, path, "1,2,0,3,4,1\r\n");
    QProcess::execute("chattr", {"-i", path});
}

// A program directory that cannot be written (an installed package's): Return
// writes the user's file, which is the one the player then starts from; the
// file shipped beside the programs stays as it was.
TEST_F(ReturnTool, ReadOnlyDirectoryWritesTheFileThePlayerReads)
{
    const QByteArray shipped = "5565,4300,0,-45,120,-1\r\n";
    ReadOnlyDirectory readOnly(dir.path(), shipped);
    if (!readOnly.ok())
        GTEST_SKIP() << "mounting a read-only tmpfs needs root";
    QTemporaryDir config;
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", config.path());
    const QString user = config.path() + "/merosonx/Settei.dat";
    EXPECT_EQ(settingsLocation(dir.path()).readPath, path)
        << "the player starts from the shipped file";

    form.Return_Click();
    EXPECT_EQ(readAll(user), QByteArray("5400,4250,0,0,0,1\r\n"));
    EXPECT_EQ(readAll(path), shipped);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.front().title, QStringLiteral("設定完了"));
    EXPECT_EQ(settingsLocation(dir.path()).readPath, user);
    EXPECT_EQ(settingsLocation(dir.path()).writePath, user);
    EXPECT_EQ(ReadSettings(settingsLocation(dir.path()).readPath), kDefaultSettings);
}

TEST_F(ReturnTool, ReadOnlyDirectoryAndNoConfigurationDirectoryGivesAnError)
{
    ReadOnlyDirectory readOnly(dir.path(), QByteArray());
    if (!readOnly.ok())
        GTEST_SKIP() << "mounting a read-only tmpfs needs root";
    ScopedEnvironment environment;
    // Nobody can make a directory in /proc.
    environment.set("XDG_CONFIG_HOME", QStringLiteral("/proc/merosonx-none"));
    expectWriteErrorKeepsOldFile(*this, dialogs, form, "/proc/merosonx-none/merosonx/Settei.dat",
                                 "<missing>");
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
