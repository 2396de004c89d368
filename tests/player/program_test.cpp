// SPDX-License-Identifier: MIT
// The built programs, started as a user starts them, driven through the X
// server with xdotool.
#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs xdotool; returns its output, trimmed.
QString xdotool(const QStringList& arguments, int timeoutMs = 15000)
{
    QProcess p;
    p.start("xdotool", arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The id of the first visible window whose name matches, waiting for it.
QString waitForWindow(const QString& name)
{
    return xdotool({"search", "--sync", "--onlyvisible", "--name", name}).section('\n', 0, 0);
}

void pressKeys(const QString& window, const QString& keys)
{
    xdotool({"windowactivate", "--sync", window});
    xdotool({"key", "--clearmodifiers", "--window", window, keys});
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(programDir()));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("elsewhere")));
        for (const char* name : {"MeroSonx", "Return"}) {
            ASSERT_TRUE(QFile::copy(QStringLiteral(MERO_BIN_DIR "/") + name,
                                    programDir() + "/" + name));
        }
    }
    QString programDir() const { return dir.filePath("program"); }
    void finish(QProcess& p)
    {
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished();
            FAIL() << "the program did not end";
        }
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
    }
    QTemporaryDir dir;
};

TEST_F(Programs, PlayerStartedThroughALinkKeepsSettingsBesideTheProgram)
{
    const QString link = dir.filePath("elsewhere/ms");
    ASSERT_TRUE(QFile::link(programDir() + "/MeroSonx", link));
    QFile settings(programDir() + "/Settei.dat");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("5565,4300,0,450,600,0\r\n");
    settings.close();

    QProcess player;
    player.setWorkingDirectory(dir.filePath("elsewhere"));
    player.start(link, {testMedia("tone.wav")});
    const QString window = waitForWindow("tone.wav - Mero Sonx Ver3.0");
    ASSERT_FALSE(window.isEmpty()) << "the caption names the file";
    pressKeys(window, "ctrl+q");
    finish(player);
    EXPECT_EQ(readAll(programDir() + "/Settei.dat"), QByteArray("5565,4300,0,450,600,0\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath("elsewhere/Settei.dat")));
}

TEST_F(Programs, ReturnWritesTheDefaultsAndConfirms)
{
    QProcess tool;
    tool.start(programDir() + "/Return");
    const QString window = waitForWindow("Mero Sonx2設定戻し");
    ASSERT_FALSE(window.isEmpty());
    pressKeys(window, "Return"); // the default button
    const QString confirmation = waitForWindow("設定完了");
    ASSERT_FALSE(confirmation.isEmpty());
    EXPECT_EQ(readAll(programDir() + "/Settei.dat"), QByteArray("5400,4250,0,0,0,1\r\n"));
    pressKeys(confirmation, "Return");
    pressKeys(window, "Escape");
    finish(tool);
}

} // namespace
