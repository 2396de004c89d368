// SPDX-License-Identifier: MIT
// kill -9 at any moment of a loop of Settei.dat writes: the file is always
// either absent (never written yet) or one whole line, never empty or cut.
#include "settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace
{

bool isCompleteLine(const QByteArray& bytes)
{
    static const QRegularExpression line(QStringLiteral("\\A(?:-?[0-9]+,){5}-?[0-9]+\\r\\n\\z"));
    return line.match(QString::fromLatin1(bytes)).hasMatch();
}

// Busy-waits `us` microseconds: the moment of the kill, chosen at random,
// not a wait for something to happen.
void spin(qint64 us)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.nsecsElapsed() < us * 1000) {
    }
}

class KillDuringWrite : public ::testing::Test
{
protected:
    // Starts the write loop on `path`; returns its microseconds per write,
    // or -1 without waiting for it to be ready.
    qint64 startLoop(QProcess& loop, const QString& path, bool waitReady)
    {
        loop.start(QStringLiteral(MERO_WRITE_LOOP), {path});
        EXPECT_TRUE(loop.waitForStarted(10000));
        if (!waitReady)
            return -1;
        while (!loop.canReadLine()) {
            if (!loop.waitForReadyRead(10000))
                return -1;
        }
        return loop.readLine().trimmed().split(' ').value(1).toLongLong();
    }
    void kill(QProcess& loop)
    {
        ::kill(pid_t(loop.processId()), SIGKILL);
        EXPECT_TRUE(loop.waitForFinished(10000));
        EXPECT_EQ(loop.exitStatus(), QProcess::CrashExit);
    }
    QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
    QRandomGenerator random{20240601};
};

TEST_F(KillDuringWrite, FileIsAlwaysWholeOnDisk)
{
    const QString path = settingsPath(dir.path());
    for (int round = 0; round < 150; ++round) {
        QProcess loop;
        const qint64 perWrite = startLoop(loop, path, true);
        ASSERT_GT(perWrite, 0) << "the write loop did not start";
        spin(random.bounded(2 * perWrite + 1));
        kill(loop);
        const QByteArray bytes = contents(path);
        ASSERT_TRUE(isCompleteLine(bytes)) << "round " << round << ": " << bytes.toStdString();
        EXPECT_NO_THROW(ReadSettings(path));
    }
}

TEST_F(KillDuringWrite, FirstWriteLeavesNothingOrAWholeFile)
{
    const QString path = settingsPath(dir.path());
    int written = 0;
    for (int round = 0; round < 40; ++round) {
        QFile::remove(path);
        QProcess loop;
        startLoop(loop, path, false);
        spin(random.bounded(20000));
        kill(loop);
        const QByteArray bytes = contents(path);
        if (bytes == "<missing>")
            continue;
        ++written;
        ASSERT_TRUE(isCompleteLine(bytes)) << "round " << round << ": " << bytes.toStdString();
    }
    RecordProperty("rounds_with_a_file", written);
}

} // namespace
