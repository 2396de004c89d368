// SPDX-License-Identifier: MIT
#include "apperror.h"
#include "desktopregistry.h"
#include "desktopshell.h"
#include "filesearch.h"
#include "frmAbout.h"
#include "recordingshell.h"
#include "scripteddialogs.h"
#include "sysinfolocations.h"
#include "tableregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

constexpr reg::HKey kLm = reg::kHkeyLocalMachine;
const QString kUnavailable = QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません");

void touch(const QString& path, bool executable = false)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

class SysInfo : public ::testing::Test
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(registry.openHandleCount(), 0) << "every key opened was closed";
        EXPECT_EQ(registry.openCount(), registry.closeCount());
    }

    // GetKeyValue on one value of kKey.
    bool read(const QString& value, QString& keyVal)
    {
        return about.GetKeyValue(reg::kHkeyLocalMachine32, kKey, value, keyVal);
    }
    void setPath(const QString& path)
    {
        registry.setString(kLm, sysinfo::kPathKey, sysinfo::kPathValue, path);
    }
    void setLocation(const QString& directory)
    {
        registry.setString(kLm, sysinfo::kLocationKey, sysinfo::kLocationValue, directory);
    }
    void expectUnavailable()
    {
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].prompt, kUnavailable);
        EXPECT_EQ(dialogs.messages[0].style, 0) << "OK only, no icon";
        EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Mero Sonx3")) << "the program title";
    }

    const QString kKey = QStringLiteral("SOFTWARE\\Mero\\Values");
    ScriptedDialogs dialogs{QStringLiteral("Mero Sonx3")};
    RecordingShell shell;
    TableRegistry registry;
    frmAbout about{dialogs, shell, registry};
};

TEST_F(SysInfo, GetKeyValueReadsTextsAndNumbers)
{
    registry.setString(kLm, kKey, QStringLiteral("Text"), QStringLiteral("C:\\a b\\tool.exe"));
    registry.setValue(kLm, kKey, QStringLiteral("Bare"), reg::kRegSz, "no terminator");
    registry.setValue(kLm, kKey, QStringLiteral("Zeros"), reg::kRegSz, QByteArray("ab\0\0", 4));
    registry.setString(kLm, kKey, QStringLiteral("Japanese"), QStringLiteral("ツール\\情報"));
    registry.setString(kLm, kKey, QStringLiteral("Exact"), QString(1023, u'e'));
    registry.setValue(kLm, kKey, QStringLiteral("ExactBare"), reg::kRegSz, QByteArray(1024, 'f'));
    registry.setString(kLm, kKey, QStringLiteral("Long"), QString(1024, u'l'));
    registry.setDword(kLm, kKey, QStringLiteral("Small"), 0x102);
    registry.setDword(kLm, kKey, QStringLiteral("Zero"), 0);
    registry.setDword(kLm, kKey, QStringLiteral("Max"), 0xFFFFFFFF);
    registry.setString(kLm, kKey, QStringLiteral("Expand"), QStringLiteral("%SystemRoot%\\x"),
                       reg::kRegExpandSz);
    registry.setValue(kLm, kKey, QStringLiteral("Binary"), reg::kRegBinary, "\x01\x02");

    const struct {
        const char* value;
        bool found;
        QString expected;
    } cases[] = {
        {"Text", true, QStringLiteral("C:\\a b\\tool.exe")},
        {"Bare", true, QStringLiteral("no terminator")},
        {"Zeros", true, QStringLiteral("ab")},
        {"Japanese", true, QStringLiteral("ツール\\情報")},
        {"Exact", true, QString(1023, u'e')},     // 1024 bytes with the terminator
        {"ExactBare", true, QString(1024, u'f')}, // 1024 bytes, none
        {"Long", false, QString()},               // 1025 bytes do not fit
        {"Small", true, QStringLiteral("258")},   // the zero high byte is trimmed away
        {"Zero", true, QStringLiteral("0")},
        {"Max", true, QStringLiteral("4294967295")},
        {"Expand", true, QStringLiteral("unchanged")}, // neither text nor number
        {"Binary", true, QStringLiteral("unchanged")},
        {"Missing", false, QString()},
    };
    for (const auto& c : cases) {
        QString keyVal = QStringLiteral("unchanged");
        EXPECT_EQ(read(QString::fromUtf8(c.value), keyVal), c.found) << c.value;
        EXPECT_EQ(keyVal, c.expected) << c.value;
    }

    QString keyVal = QStringLiteral("unchanged");
    EXPECT_FALSE(about.GetKeyValue(reg::kHkeyLocalMachine32, QStringLiteral("SOFTWARE\\None"),
                                   QStringLiteral("Text"), keyVal));
    EXPECT_EQ(keyVal, QString()) << "a missing key empties the text";
    EXPECT_FALSE(about.isLoaded()) << "reading the registry shows no window";
}

TEST_F(SysInfo, GetKeyValueAsksForWriteAccessAndFailsOnEmptyValues)
{
    registry.addKey(kLm, kKey, reg::kKeyRead);
    registry.setString(kLm, kKey, QStringLiteral("Text"), QStringLiteral("x"));
    QString keyVal = QStringLiteral("old");
    EXPECT_FALSE(read(QStringLiteral("Text"), keyVal)) << "a read-only key counts as missing";
    EXPECT_EQ(keyVal, QString());
    EXPECT_EQ(registry.openCount(), 0);

    registry.addKey(kLm, kKey, reg::kKeyAllAccess);
    registry.setValue(kLm, kKey, QStringLiteral("Empty"), reg::kRegSz, QByteArray());
    try {
        read(QStringLiteral("Empty"), keyVal);
        ADD_FAILURE() << "a value of no bytes raises an error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 5);
    }
    EXPECT_EQ(registry.openCount(), 1);
}

TEST_F(SysInfo, StartsTheRegisteredPathAsItStands)
{
    setPath(QStringLiteral("/no such dir/sys info tool"));
    about.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 1u) << "not tested for existence first";
    EXPECT_EQ(shell.started[0], QStringLiteral("/no such dir/sys info tool"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(registry.openCount(), 1) << "the directory entry is not consulted";

    shell.canStart = [](const QString&) { return false; };
    about.StartSysInfo();
    EXPECT_EQ(shell.started.size(), 2u) << "each press looks up and starts again";
    expectUnavailable();
}

TEST_F(SysInfo, FallsBackToTheToolDirectory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The separator is always a backslash: here a file of that name in dir.
    const QString tools = dir.filePath(QStringLiteral("tools"));
    setLocation(tools);
    about.StartSysInfo();
    EXPECT_TRUE(shell.started.empty()) << "no MSINFO32.EXE there yet";
    expectUnavailable();

    touch(tools + QStringLiteral("\\MSINFO32.EXE"));
    about.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0], tools + QStringLiteral("\\MSINFO32.EXE"));

    // A value ending in a backslash doubles it, for the search and the start.
    setLocation(tools + u'\\');
    about.StartSysInfo();
    EXPECT_EQ(shell.started.size(), 1u) << "no file with the doubled separator";
    touch(tools + QStringLiteral("\\\\MSINFO32.EXE"));
    about.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 2u);
    EXPECT_EQ(shell.started[1], tools + QStringLiteral("\\\\MSINFO32.EXE"));

    // A directory of that name is no program file.
    setLocation(dir.filePath(QStringLiteral("sub")));
    QDir(dir.path()).mkpath(QStringLiteral("sub\\MSINFO32.EXE"));
    about.StartSysInfo();
    EXPECT_EQ(shell.started.size(), 2u);

    // Read-only PATH key: counts as missing, the directory serves.
    registry.addKey(kLm, sysinfo::kPathKey, reg::kKeyRead);
    setPath(QStringLiteral("/usr/bin/never"));
    setLocation(tools);
    about.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 3u);
    EXPECT_EQ(shell.started[2], tools + QStringLiteral("\\MSINFO32.EXE"));
}

TEST_F(SysInfo, EntriesWithoutTextEndInTheMessage)
{
    // Neither location.
    about.StartSysInfo();
    EXPECT_TRUE(shell.started.empty());
    expectUnavailable();
    dialogs.messages.clear();

    // A PATH of another type is found but names nothing: the empty start fails.
    registry.setValue(kLm, sysinfo::kPathKey, sysinfo::kPathValue, reg::kRegBinary, "\x01");
    about.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0], QString());
    expectUnavailable();
    dialogs.messages.clear();

    // A location of another type: the search looks for "\MSINFO32.EXE" alone.
    registry.removeKey(kLm, sysinfo::kPathKey);
    registry.setValue(kLm, sysinfo::kLocationKey, sysinfo::kLocationValue, reg::kRegBinary, "\x01");
    about.StartSysInfo();
    EXPECT_EQ(shell.started.size(), 1u);
    expectUnavailable();
    dialogs.messages.clear();

    // A PATH of no bytes: the error is trapped; the directory is not tried.
    registry.setValue(kLm, sysinfo::kPathKey, sysinfo::kPathValue, reg::kRegSz, QByteArray());
    setLocation(QStringLiteral("/usr"));
    const int opensBefore = registry.openCount();
    about.StartSysInfo();
    EXPECT_EQ(registry.openCount(), opensBefore + 1);
    EXPECT_EQ(shell.started.size(), 1u);
    expectUnavailable();
}

TEST_F(SysInfo, DesktopRegistryNamesTheInstalledTool)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.filePath(QStringLiteral("kinfocenter")), true);
    DesktopRegistry desktop(DesktopRegistry::defaultCandidates(), {dir.path()});
    frmAbout withDesktop(dialogs, shell, desktop);
    withDesktop.StartSysInfo();
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0], dir.filePath(QStringLiteral("kinfocenter")));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(DesktopShell, StartsOnlyRealPrograms)
{
    DesktopShell shell;
    EXPECT_TRUE(shell.startProgram(QStringLiteral("/bin/true")));
    EXPECT_FALSE(shell.startProgram(QStringLiteral("/no/such/program")));
    EXPECT_FALSE(shell.startProgram(QString()));
    EXPECT_FALSE(shell.startProgram(QStringLiteral("/bin/true") + QChar(0) + QStringLiteral("x")))
        << "a path with a zero names no program";
    EXPECT_FALSE(shell.startProgram(QStringLiteral("/bin/true --version")))
        << "the path is the program: never split at blanks";
}

TEST(FileSearch, FindsOrdinaryFilesOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.filePath(QStringLiteral("tool.exe")));
    touch(dir.filePath(QStringLiteral(".hidden")));
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    EXPECT_EQ(findOrdinaryFile(dir.filePath(QStringLiteral("tool.exe"))),
              QStringLiteral("tool.exe"));
    EXPECT_EQ(findOrdinaryFile(dir.filePath(QStringLiteral("*.exe"))), QString()) << "no wildcards";
    EXPECT_EQ(findOrdinaryFile(dir.filePath(QStringLiteral("folder"))), QString());
    EXPECT_EQ(findOrdinaryFile(dir.filePath(QStringLiteral(".hidden"))), QString());
    EXPECT_EQ(findOrdinaryFile(dir.filePath(QStringLiteral("missing"))), QString());
    EXPECT_EQ(findOrdinaryFile(QString()), QString());
}

} // namespace
