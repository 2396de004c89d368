// SPDX-License-Identifier: MIT
// Settei.dat broken in every way a disk or a hand can break it: the player
// starts with the defaults, answers at once, says nothing where the user need
// not know, and leaves a good file at exit; what it cannot replace it names.
#include "badfiles.h"
#include "liveness.h"
#include "playerfixture.h"
#include "testmedia.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

// The one line WriteSettings makes: six decimal integers and CR LF.
bool isCompleteLine(const QByteArray& bytes)
{
    static const QRegularExpression line(QStringLiteral("\\A(?:-?[0-9]+,){5}-?[0-9]+\\r\\n\\z"));
    return line.match(QString::fromLatin1(bytes)).hasMatch();
}

class BadSettings : public PlayerTest
{
protected:
    // The window came up, with the defaults, without a word, and answers.
    void expectDefaults(const char* what)
    {
        SCOPED_TRACE(what);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(form->window()->isVisible());
        EXPECT_EQ(form->height(), float(kDefaultSettings.height));
        EXPECT_EQ(form->width(), float(kDefaultSettings.width));
        EXPECT_EQ(form->windowState(), 0);
        EXPECT_TRUE(form->informationShown());
        EXPECT_TRUE(uiAnswers());
    }
};

struct BrokenFile {
    const char* what;
    QByteArray bytes;
};

TEST_F(BadSettings, EveryBrokenFileGivesTheDefaultsAndAGoodFileAtExit)
{
    const BrokenFile cases[] = {
        {"empty", ""},
        {"one value", "5400\r\n"},
        {"letters", "abc,def,ghi,jkl,mno,pqr\r\n"},
        {"a fraction", "5400.5,4250,0,0,0,1\r\n"},
        {"overflowing size", "99999999999999999999,4250,0,0,0,1\r\n"},
        {"overflowing flag", "5400,4250,0,0,0,32768\r\n"},
        {"negative sizes", "-5400,-4250,0,0,0,1\r\n"},
        {"zero sizes", "0,0,0,0,0,1\r\n"},
        {"state 7", "5400,4250,7,0,0,1\r\n"},
        {"state -1", "5400,4250,-1,0,0,1\r\n"},
        {"binary noise", noiseBytes(4096, 0x5e77e1)},
        {"UTF-16", QByteArray("5\0"
                              "4\0"
                              "0\0"
                              "0\0"
                              ",\0"
                              "4\0",
                              12)},
        {"a million-digit value", QByteArray(1 << 20, '9') + ",4250,0,0,0,1\r\n"},
        {"a long line of commas", QByteArray(1 << 20, ',')},
    };
    for (const BrokenFile& c : cases) {
        dialogs.messages.clear();
        writeSettings(c.bytes);
        start();
        expectDefaults(c.what);
        quit();
        EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n")) << c.what;
    }
}

TEST_F(BadSettings, GoodValuesBeforeAVeryLongTailAreKept)
{
    writeSettings("5565,4300,0,450,600,0 " + noiseBytes(8 << 20, 77));
    start();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->height(), 5565.0f);
    EXPECT_EQ(form->left(), 600.0f);
    EXPECT_FALSE(form->informationShown());
    EXPECT_TRUE(uiAnswers());
    quit();
    EXPECT_EQ(settingsBytes(), QByteArray("5565,4300,0,450,600,0\r\n"));
}

TEST_F(BadSettings, DirectoryNamedSetteiDatIsReportedAtExitAndKept)
{
    const QString path = settingsPath(dir.path());
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_TRUE(writeBytes(path + "/keep.txt", "mine"));
    start();
    expectDefaults("directory");
    quit();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "the user must know the window was not saved";
    EXPECT_EQ(dialogs.messages[0].style, msgbox::kCritical);
    EXPECT_TRUE(dialogs.messages[0].prompt.contains(QDir::toNativeSeparators(path)));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(badfiles::head(path + "/keep.txt", 100), QByteArray("mine"));
}

// Opens the FIFO for writing if start-up is still blocked in opening it for
// reading after a deadline, so that a hang shows as a failure, not a timeout.
class FifoRelease
{
public:
    explicit FifoRelease(QString path) : m_path(std::move(path))
    {
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, std::chrono::seconds(10), [this] { return m_finished; }))
                return;
            const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                m_released = true;
                ::close(fd);
            }
        });
    }
    ~FifoRelease() { finish(); }
    // True when the reader had to be released.
    bool finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_released;
    }

private:
    QString m_path;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_released = false;
};

TEST_F(BadSettings, FifoNamedSetteiDatDoesNotHoldUpStartUp)
{
    const QString path = settingsPath(dir.path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    FifoRelease release(path);
    start();
    EXPECT_FALSE(release.finish()) << "start-up waited for a writer on the FIFO";
    expectDefaults("FIFO");
    // The file replaces the FIFO, as it replaces any file there.
    quit();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n"));
}

TEST_F(BadSettings, WhateverWasReadTheFileAtExitIsWholeAndReadable)
{
    // A file the window cannot take whole: maximized, far off every screen.
    writeSettings("5565,4300,2,-99999,99999,5\r\n");
    start();
    EXPECT_TRUE(uiAnswers());
    quit();
    const QByteArray saved = settingsBytes();
    EXPECT_TRUE(isCompleteLine(saved)) << saved.constData();
    EXPECT_NO_THROW(ReadSettings(settingsPath(dir.path())));
}

} // namespace
