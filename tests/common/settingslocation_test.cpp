// SPDX-License-Identifier: MIT
// Where Settei.dat is read and written: the program directory when it can be
// written, else the user's configuration directory.
#include "settings.h"
#include "settingsenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QByteArray kShipped = "5565,4300,0,-45,120,-1\r\n";

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

enum class Program { Writable, ReadOnly, ReadOnlyShipped, Usr };

struct LocationCase {
    const char* name;
    Program program;
    std::optional<QString> xdgConfigHome; // "{xdg}" is a temporary directory
    std::optional<QString> home;          // "{home}" is another
    bool userFileExists;
    QString read; // "{prog}" is the program directory
    QString write;
};

class SettingsLocationTest : public ::testing::Test
{
protected:
    QString expand(QString text) const
    {
        return text.replace("{prog}", m_program)
            .replace("{xdg}", xdg.path())
            .replace("{home}", home.path());
    }
    QTemporaryDir writable, readOnly, readOnlyShipped, xdg, home;
    ReadOnlyDirectory mountedEmpty{readOnly.path(), QByteArray()};
    ReadOnlyDirectory mountedShipped{readOnlyShipped.path(), kShipped};
    QString m_program;
};

TEST_F(SettingsLocationTest, ProgramDirectoryWhenWritableElseTheUsersConfiguration)
{
    const QString user = "{xdg}/merosonx/Settei.dat";
    const QString homeUser = "{home}/.config/merosonx/Settei.dat";
    const QString beside = "{prog}/Settei.dat";
    const LocationCase cases[] = {
        {"writable directory", Program::Writable, "{xdg}", "{home}", true, beside, beside},
        {"writable directory, no HOME", Program::Writable, {}, {}, false, beside, beside},
        {"read-only, nothing shipped", Program::ReadOnly, "{xdg}", "{home}", false, user, user},
        {"read-only, shipped file starts", Program::ReadOnlyShipped, "{xdg}", "{home}", false,
         beside, user},
        {"read-only, the user's file wins", Program::ReadOnlyShipped, "{xdg}", "{home}", true, user,
         user},
        {"under /usr, writable for root", Program::Usr, "{xdg}", "{home}", false, user, user},
        {"no XDG_CONFIG_HOME", Program::ReadOnly, {}, "{home}", false, homeUser, homeUser},
        {"relative XDG_CONFIG_HOME", Program::ReadOnly, "config", "{home}", false, homeUser,
         homeUser},
        {"XDG_CONFIG_HOME, no HOME", Program::ReadOnly, "{xdg}/", {}, false, user, user},
        {"no HOME, no XDG_CONFIG_HOME", Program::ReadOnlyShipped, {}, {}, false, beside, beside},
        {"relative HOME only", Program::ReadOnly, {}, "home", false, beside, beside},
    };
    int skipped = 0;
    for (const LocationCase& c : cases) {
        const bool mounted = c.program == Program::ReadOnly          ? mountedEmpty.ok()
                             : c.program == Program::ReadOnlyShipped ? mountedShipped.ok()
                                                                     : true;
        if (!mounted) {
            ++skipped;
            continue;
        }
        m_program = c.program == Program::Writable   ? writable.path()
                    : c.program == Program::ReadOnly ? readOnly.path()
                    : c.program == Program::Usr      ? QStringLiteral("/usr/lib")
                                                     : readOnlyShipped.path();
        ScopedEnvironment environment;
        environment.set("XDG_CONFIG_HOME",
                        c.xdgConfigHome ? std::optional(expand(*c.xdgConfigHome)) : std::nullopt);
        environment.set("HOME", c.home ? std::optional(expand(*c.home)) : std::nullopt);
        QFile::remove(expand(user));
        QFile::remove(expand(homeUser));
        if (c.userFileExists) {
            QDir().mkpath(QFileInfo(expand(c.write)).path());
            WriteSettings(expand(c.write), kDefaultSettings);
        }

        const SettingsLocation location = settingsLocation(m_program);
        EXPECT_EQ(QDir::cleanPath(location.readPath), QDir::cleanPath(expand(c.read))) << c.name;
        EXPECT_EQ(QDir::cleanPath(location.writePath), QDir::cleanPath(expand(c.write))) << c.name;
        if (c.write == beside) {
            EXPECT_EQ(location.writePath, settingsPath(m_program)) << c.name << ": joined as today";
        }
    }
    if (skipped > 0)
        GTEST_SKIP() << skipped << " cases need a read-only tmpfs, which needs root";
}

TEST_F(SettingsLocationTest, WritingMakesTheUsersDirectoryOrFailsKeepingTheShippedFile)
{
    if (!mountedShipped.ok())
        GTEST_SKIP() << "a read-only program directory needs a tmpfs, which needs root";
    const QString program = readOnlyShipped.path();
    ScopedEnvironment environment;
    environment.set("HOME", home.path());

    // Missing directories up to the user's file are made at write time.
    environment.set("XDG_CONFIG_HOME", xdg.path() + "/not/yet");
    const QString made = xdg.path() + "/not/yet/merosonx/Settei.dat";
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(made).path()));
    EXPECT_EQ(settingsLocation(program).writePath, made) << "finding the path makes nothing";
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(made).path()));
    WriteSettings(settingsWritePath(program), kDefaultSettings);
    EXPECT_EQ(readAll(made), QByteArray("5400,4250,0,0,0,1\r\n"));
    EXPECT_EQ(settingsLocation(program).readPath, made);

    // Nobody can make directories in /proc: the write fails naming the user's
    // file, and the file beside the programs is as it was.
    environment.set("XDG_CONFIG_HOME", "/proc/merosonx-none");
    const QString blocked = settingsWritePath(program);
    EXPECT_EQ(blocked, "/proc/merosonx-none/merosonx/Settei.dat");
    try {
        WriteSettings(blocked, kDefaultSettings);
        ADD_FAILURE() << "the write succeeded";
    } catch (const SettingsError& e) {
        EXPECT_EQ(e.path(), blocked);
        EXPECT_FALSE(e.reason().isEmpty());
    }
    EXPECT_EQ(readAll(settingsPath(program)), kShipped);
}

} // namespace
