// SPDX-License-Identifier: MIT
#include "playerfixture.h"
#include "testmedia.h"
#include "twips.h"

#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>

namespace
{

using Startup = PlayerTest;
using Shutdown = PlayerTest;

TEST_F(Startup, WindowAndMenuAsDesigned)
{
    start();
    EXPECT_EQ(form->caption(), QStringLiteral("Mero Sonx Ver3.0"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(form->window()->windowIcon().isNull());
    QStringList bar;
    for (QAction* a : form->window()->menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"ファイル(&F)", "歌詞(&W)", "オプション(&O)", "ヘルプ(&H)"}));
    EXPECT_EQ(form->menuItem("Open")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(form->menuItem("Quit")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(form->menuItem("Topics")->shortcut(), QKeySequence("F1"));
    EXPECT_EQ(form->menuItem("About")->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(form->menuItem("Nomal")->text(), QStringLiteral("ノーマル"));
    EXPECT_EQ(form->menuItem("中央位置")->text(), QStringLiteral("中央"));
    QStringList option;
    for (QAction* a : form->menuItem("Option")->menu()->actions())
        option << a->text();
    EXPECT_EQ(option, (QStringList{"Windowの形", "Windowの位置", "表示(&S)"}));
    // Only the information item carries a check mark.
    for (const char* name : {"Open", "Quit", "Small", "Big", "Left_Up", "About"})
        EXPECT_FALSE(form->menuItem(name)->isCheckable()) << name;
    EXPECT_TRUE(form->menuItem("Infor表示")->isChecked());

    // Every menu shows on the bar at the narrowest designed width (Return's
    // defaults), none pushed into the overflow.
    QMenuBar* menuBar = form->window()->menuBar();
    ASSERT_TRUE(waitFor([&] { return menuBar->width() == form->window()->width(); }));
    for (QAction* a : menuBar->actions()) {
        const QRect item = menuBar->actionGeometry(a);
        EXPECT_FALSE(item.isEmpty()) << a->text().toStdString();
        EXPECT_TRUE(menuBar->rect().contains(item)) << a->text().toStdString();
    }
}

TEST_F(Startup, NamedFilePlaysAndNamesTheCaption)
{
    const QString wav = testMedia("tone.wav");
    start(wav);
    EXPECT_EQ(form->caption(), QStringLiteral("tone.wav - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), wav);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(waitFor([&] { return form->player()->position() > 0.2; }));
    // The file began opening before the player's widgets existed; its
    // transport still offers the pause.
    int pauseButtons = 0;
    for (const QAbstractButton* b : form->player()->findChildren<QAbstractButton*>())
        pauseButtons += b->isVisible() && b->accessibleName() == QStringLiteral("一時停止");
    EXPECT_EQ(pauseButtons, 1);
}

TEST_F(Startup, PatternAndRelativePathReachThePlayerUnchanged)
{
    QDir(dir.path()).mkdir("media");
    for (const char* name : {"b-song.wav", "a-song.wav", ".hidden.wav"})
        QFile::copy(testMedia("tone.wav"), dir.path() + "/media/" + name);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    start("media/*-song.wav");
    QDir::setCurrent(cwd);
    EXPECT_EQ(form->caption(), QStringLiteral("a-song.wav - Mero Sonx Ver3.0"));
    EXPECT_EQ(form->player()->fileName(), QStringLiteral("media/*-song.wav"));
}

TEST_F(Startup, TextThatNamesNoFileShowsTheErrorAndGoesOn)
{
    writeSettings("5565,4300,0,-45,120,0\r\n");
    for (const QString& text : {dir.path() + "/missing.wav", dir.path(), dir.path() + "/*.none"}) {
        dialogs.messages.clear();
        start(text);
        ASSERT_EQ(dialogs.messages.size(), 1u) << text.toStdString();
        EXPECT_EQ(dialogs.messages[0].prompt, QStringLiteral("エラーです。"));
        EXPECT_EQ(dialogs.messages[0].style, 0);
        EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Mero Sonx3"));
        EXPECT_EQ(form->caption(), QStringLiteral("Mero Sonx Ver3.0"));
        EXPECT_TRUE(form->player()->fileName().isEmpty());
        // Start-up went on with the settings.
        EXPECT_EQ(form->height(), 5565.0f);
        EXPECT_FALSE(form->informationShown());
        form->unload();
    }
}

TEST_F(Startup, InformationFlag)
{
    writeSettings("5400,4250,0,0,0,1\r\n");
    start();
    EXPECT_TRUE(form->informationShown());
    EXPECT_TRUE(form->player()->showDisplay());
    EXPECT_TRUE(form->player()->showStatusBar());
    form->unload();

    writeSettings("5400,4250,0,0,0,0\r\n");
    start();
    EXPECT_FALSE(form->informationShown());
    EXPECT_FALSE(form->player()->showDisplay());
    EXPECT_FALSE(form->player()->showStatusBar());
}

TEST_F(Startup, UnusableSettingsGiveTheDefaultsAndAGoodFileAtExit)
{
    const QByteArray broken[] = {
        "<missing>",
        "",
        "5400,4250,0",
        "99999999999,4250,0,0,0,1",
        "5400,4250,7,0,0,1",
        "0,4250,0,0,0,1",
        "5400,-10,0,0,0,1",
        "5400,4250,0,0,0,70000",
        "abc",
        "\x01\x02\xff",
    };
    for (const QByteArray& bytes : broken) {
        QFile::remove(settingsPath(dir.path()));
        if (bytes != "<missing>")
            writeSettings(bytes);
        start();
        EXPECT_TRUE(dialogs.messages.empty()) << bytes.constData();
        EXPECT_TRUE(form->window()->isVisible());
        EXPECT_EQ(form->height(), 5400.0f) << bytes.constData();
        EXPECT_EQ(form->width(), 4250.0f);
        EXPECT_EQ(form->top(), 0.0f);
        EXPECT_EQ(form->left(), 0.0f);
        EXPECT_EQ(form->windowState(), 0);
        EXPECT_TRUE(form->informationShown());
        quit();
        EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n")) << bytes.constData();
    }
}

TEST_F(Startup, UnchangedRunWritesBackTheSameBytes)
{
    for (const QByteArray& bytes :
         {QByteArray("5565,4300,0,-45,120,-1\r\n"), QByteArray("2850,4305,0,333,517,0\r\n"),
          QByteArray("5401,4251,0,7,13,-1\r\n")}) {
        writeSettings(bytes);
        start();
        // The window manager has framed and placed the window by then.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->window()));
        quit();
        EXPECT_EQ(settingsBytes(), bytes);
    }
}

TEST_F(Startup, WindowWhollyOffScreenComesBackKeepingItsSize)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const double tpp = twips::perPixel(QGuiApplication::primaryScreen());
    const int beyond = int((screen.width() + 100) * tpp);
    writeSettings(QByteArray::number(5565) + ",4300,0,0," + QByteArray::number(beyond) + ",-1");
    start();
    EXPECT_EQ(form->top(), 0.0f);
    EXPECT_EQ(form->left(), 0.0f);
    EXPECT_EQ(form->height(), 5565.0f);
    form->unload();

    // Partly off the left edge: stays where it was.
    writeSettings("5565,4300,0,300,-2000,-1");
    start();
    EXPECT_EQ(form->left(), -2000.0f);
    EXPECT_EQ(form->top(), 300.0f);
}

TEST_F(Startup, SavedMaximizedRestoresToTheSavedSize)
{
    writeSettings("5565,4300,2,450,600,-1\r\n");
    start();
    EXPECT_EQ(form->windowState(), 2);
    ASSERT_TRUE(waitFor([&] { return form->width() > 4300 * 1.5f; })) << "maximized by the WM";
    form->setWindowState(0);
    EXPECT_EQ(form->width(), 4300.0f);
    EXPECT_EQ(form->height(), 5565.0f);
    EXPECT_EQ(form->top(), 450.0f);
    EXPECT_EQ(form->left(), 600.0f);
}

TEST_F(Shutdown, MinimizedSavesTheNormalWindow)
{
    writeSettings("5565,4300,0,450,600,0\r\n");
    start();
    form->Small_Click();
    EXPECT_EQ(form->windowState(), 1);
    quit();
    EXPECT_EQ(settingsBytes(), QByteArray("5565,4300,0,450,600,0\r\n"));
}

TEST_F(Shutdown, MaximizedSavesStateTwoWithTheMaximizedGeometry)
{
    start();
    form->Big_Click();
    ASSERT_TRUE(waitFor([&] { return form->width() > 4250 * 1.5f; }));
    const QRect frame = form->window()->frameGeometry();
    quit();
    const QList<QByteArray> values = settingsBytes().trimmed().split(',');
    ASSERT_EQ(values.size(), 6);
    EXPECT_EQ(values[2], "2");
    EXPECT_GT(values[1].toInt(), 4250 * 1.5);
    const double tpp = twips::perPixel(QGuiApplication::primaryScreen());
    EXPECT_NEAR(values[4].toInt(), frame.left() * tpp, 1);
    EXPECT_EQ(values[5], "-1");
}

TEST_F(Shutdown, OtherWindowsCloseWithTheMainWindow)
{
    start();
    QMainWindow lyrics;
    lyrics.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lyrics));
    QSignalSpy ended(form.get(), &Form::unloaded);
    form->Quit_Click();
    EXPECT_EQ(ended.size(), 1);
    EXPECT_FALSE(lyrics.isVisible());
    EXPECT_EQ(settingsBytes(), QByteArray("5400,4250,0,0,0,-1\r\n"));
}

TEST_F(Shutdown, UnwritableSettingsAreReportedAndTheProgramStillEnds)
{
    writeSettings("5565,4300,0,450,600,-1\r\n");
    start();
    form->Nomal_Click();
    if (QProcess::execute("chattr", {"+i", settingsPath(dir.path())}) != 0)
        GTEST_SKIP() << "chattr +i needs root";
    QSignalSpy ended(form.get(), &Form::unloaded);
    form->Compact_Click();
    quit();
    QProcess::execute("chattr", {"-i", settingsPath(dir.path())});
    EXPECT_EQ(ended.size(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].style, msgbox::kCritical);
    EXPECT_TRUE(dialogs.messages[0].prompt.contains(settingsPath(dir.path())));
    EXPECT_EQ(settingsBytes(), QByteArray("5565,4300,0,450,600,-1\r\n"));
}

} // namespace
