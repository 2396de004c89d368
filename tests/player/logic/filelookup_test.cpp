// SPDX-License-Identifier: MIT
#include "filelookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

class FileLookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name :
             {"b.wav", "a.wav", "B.mp3", ".secret.wav", "song 1.mp3", "x?y.wav"}) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QDir(dir.path()).mkdir("folder.wav");
        ::mkfifo(dir.filePath("pipe.wav").toLocal8Bit().constData(), 0600);
    }
    QString at(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(FileLookup, FindsOrdinaryFilesOnly)
{
    const std::pair<QString, std::optional<QString>> cases[] = {
        {at("a.wav"), "a.wav"},
        {at("song 1.mp3"), "song 1.mp3"},
        {at("*.wav"), "a.wav"}, // first in name order
        {at("?.mp3"), "B.mp3"},
        {at("*"), "a.wav"},  // not the hidden file, not the folder
        {at("b*"), "b.wav"}, // case matters: not B.mp3
        {at("x?y.wav"), "x?y.wav"},
        {at("missing.wav"), std::nullopt},
        {at("folder.wav"), std::nullopt},
        {at("folder*"), std::nullopt},
        {at(".secret.wav"), std::nullopt},
        {at("pipe.wav"), std::nullopt},
        {at("pipe*"), std::nullopt},
        {dir.path(), std::nullopt},
        {dir.path() + "/", std::nullopt},
        {"", std::nullopt},
        {"/dev/zero", std::nullopt},
        {at("*.none"), std::nullopt},
        {at("**********************************************x"), std::nullopt},
        {QString(4096, 'a'), std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(findFirstFile(text), expected) << text.toStdString();
}

TEST_F(FileLookup, RelativeToTheCurrentDirectory)
{
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(findFirstFile("a.wav"), QString("a.wav"));
    EXPECT_EQ(findFirstFile("./*.mp3"), QString("B.mp3"));
    QDir::setCurrent(cwd);
}

TEST(JoinArguments, BlanksBetweenPieces)
{
    EXPECT_EQ(joinArguments({}), QString());
    EXPECT_EQ(joinArguments({"/music/my", "song.mp3"}), QString("/music/my song.mp3"));
    EXPECT_EQ(joinArguments({"-style", "x"}), QString("-style x"));
}

} // namespace
