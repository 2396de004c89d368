// SPDX-License-Identifier: MIT
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class SettingsFile : public ::testing::Test
{
protected:
    QString write(const QByteArray& bytes)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray contents() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
    QString path = settingsPath(dir.path());
};

TEST_F(SettingsFile, DefaultsAreTheNineteenBytes)
{
    WriteSettings(path, kDefaultSettings);
    EXPECT_EQ(contents(), QByteArray("5400,4250,0,0,0,1\r\n"));
    EXPECT_EQ(contents().size(), 19);
}

TEST_F(SettingsFile, PlayerValuesRoundTripIncludingNegatives)
{
    const Settings s{5565, 4300, 0, -45, 120, -1};
    WriteSettings(path, s);
    EXPECT_EQ(contents(), QByteArray("5565,4300,0,-45,120,-1\r\n"));
    EXPECT_EQ(ReadSettings(path), s);

    const Settings extremes{INT32_MAX, INT32_MIN, 2, INT32_MIN, INT32_MAX, INT16_MIN};
    WriteSettings(path, extremes);
    EXPECT_EQ(ReadSettings(path), extremes);
}

// The programs set a Japanese default locale; the file must not follow any
// locale's digits or separators.
TEST_F(SettingsFile, WrittenInAsciiWhateverTheDefaultLocale)
{
    const QLocale before;
    for (const QLocale& locale :
         {QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::Arabic, QLocale::Egypt)}) {
        QLocale::setDefault(locale);
        WriteSettings(path, {12345, 4300, 0, -45, 120, -1});
        EXPECT_EQ(contents(), QByteArray("12345,4300,0,-45,120,-1\r\n"))
            << locale.name().toStdString();
        EXPECT_EQ(ReadSettings(path).height, 12345);
    }
    QLocale::setDefault(before);
}

TEST_F(SettingsFile, PathIsTheDirectoryJoinedAsItIs)
{
    EXPECT_EQ(settingsPath("/opt/mero"), QString("/opt/mero") + QDir::separator() + "Settei.dat");
    EXPECT_EQ(settingsPath("/opt/mero/"), QString("/opt/mero/") + QDir::separator() + "Settei.dat");
}

struct ReadCase {
    const char* name;
    QByteArray text;
    Settings expected;
};

TEST_F(SettingsFile, ReaderToleratesLayout)
{
    const ReadCase cases[] = {
        {"one line", "5565,4300,2,-45,120,-1\r\n", {5565, 4300, 2, -45, 120, -1}},
        {"no line end", "1,2,0,3,4,0", {1, 2, 0, 3, 4, 0}},
        {"six lines", "1\r\n2\r\n0\r\n3\r\n4\r\n1\r\n", {1, 2, 0, 3, 4, 1}},
        {"LF only", "1\n2\n0\n3\n4\n1\n", {1, 2, 0, 3, 4, 1}},
        {"leading blanks", "  1,\t2, 0 ,  3,4,   1\r\n", {1, 2, 0, 3, 4, 1}},
        {"trailing text", "1,2,0,3,4,1,99,hello\r\nsecond line\r\n", {1, 2, 0, 3, 4, 1}},
        {"text after sixth on its line", "1,2,0,3,4,1 junk", {1, 2, 0, 3, 4, 1}},
        {"blank lines between", "1,2\r\n\r\n0,3,4,1", {1, 2, 0, 3, 4, 1}},
        {"flag one", "5400,4250,0,0,0,1\r\n", kDefaultSettings},
    };
    for (const ReadCase& c : cases) {
        write(c.text);
        EXPECT_EQ(ReadSettings(path), c.expected) << c.name;
    }
}

TEST_F(SettingsFile, ReaderRejectsWhatItCannotUse)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", ""},
        {"blanks only", "   \r\n"},
        {"five values", "1,2,0,3,4\r\n"},
        {"five values and comma", "1,2,0,3,4,"},
        {"empty value", "1,,0,3,4,1"},
        {"flag overflows 16 bits", "1,2,0,3,4,32768"},
        {"flag underflows 16 bits", "1,2,0,3,4,-32769"},
        {"height overflows 32 bits", "2147483648,2,0,3,4,1"},
        {"letters", "abc,2,0,3,4,1"},
        {"fraction", "1.5,2,0,3,4,1"},
        {"quoted", "\"1\",2,0,3,4,1"},
        {"plus sign", "+1,2,0,3,4,1"},
        {"lone minus", "-,2,0,3,4,1"},
        {"two values without a comma", "1 2,0,3,4,1,1"},
        {"binary noise", QByteArray("\x00\xff\x13,\x01", 5)},
    };
    for (const auto& [name, text] : cases) {
        write(text);
        EXPECT_THROW(ReadSettings(path), SettingsError) << name;
    }
}

TEST_F(SettingsFile, MissingFileAndDirectoryFail)
{
    EXPECT_THROW(ReadSettings(path), SettingsError);
    QDir(dir.path()).mkdir("Settei.dat");
    EXPECT_THROW(ReadSettings(path), SettingsError);
    EXPECT_THROW(WriteSettings(path, kDefaultSettings), SettingsError);
}

TEST_F(SettingsFile, FailedWriteLeavesThePreviousFile)
{
    WriteSettings(path, {1, 2, 0, 3, 4, 1});
    // A directory that cannot take the temporary file: the write must fail
    // without touching the old content. (Root ignores mode bits, so take the
    // directory away from under the path instead.)
    const QString inside = dir.path() + "/sub";
    QDir().mkdir(inside);
    const QString blocked = settingsPath(inside + "/missing-dir");
    EXPECT_THROW(WriteSettings(blocked, kDefaultSettings), SettingsError);
    EXPECT_FALSE(QFile::exists(blocked));
    EXPECT_EQ(contents(), QByteArray("1,2,0,3,4,1\r\n"));
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settei.dat"});
}

} // namespace
