// SPDX-License-Identifier: MIT
// The media controls: the player control behind MprisService on a private
// session bus, driven by Debian's playerctl as a desktop would drive it.
#include "desktoptestsupport.h"
#include "mediaplayer.h"
#include "mprisservice.h"
#include "testmedia.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// The D-Bus signals a desktop would hear, caught on a connection of its own.
class BusListener : public QObject
{
    Q_OBJECT
public:
    BusListener()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("listener")))
    {
        m_bus.connect({}, MprisService::kObjectPath,
                      QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"),
                      this, SLOT(onSeeked(qlonglong)));
    }
    ~BusListener() override { QDBusConnection::disconnectFromBus(QStringLiteral("listener")); }
    QList<qlonglong> seeked;

private slots:
    void onSeeked(qlonglong position) { seeked.append(position); }

private:
    QDBusConnection m_bus;
};

// A desktop's "playerctl --follow": the lines it has printed so far.
class Follower
{
public:
    explicit Follower(const QStringList& arguments)
    {
        m_process.start("playerctl", QStringList{"--player", "merosonx", "--follow"} + arguments);
    }
    ~Follower()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    const QStringList& lines()
    {
        while (m_process.canReadLine())
            m_lines.append(QString::fromUtf8(m_process.readLine()).trimmed());
        return m_lines;
    }
    bool hears(const QString& line)
    {
        return waitUntil([&] { return lines().contains(line); });
    }

private:
    QProcess m_process;
    QStringList m_lines;
};

// A host window with the player control in it and the service on the
// session bus.
class Mpris : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "runs under dbus-run-session";
        player = new MediaPlayer(&window);
        player->resize(320, 300);
        window.resize(player->size());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        MprisService::Hooks hooks;
        hooks.quit = [this] { ++quits; };
        hooks.raise = [this] { ++raises; };
        hooks.open = [this](const QString& path) { opened.append(path); };
        service = std::make_unique<MprisService>(player->playback(), std::move(hooks),
                                                 QDBusConnection::sessionBus());
        ASSERT_TRUE(service->isRegistered());
    }

    // Loads the file and stops it at the start, where the position holds still.
    void load(const QString& path)
    {
        player->setFileName(path);
        ASSERT_TRUE(waitUntil([&] { return player->duration() > 0; })) << path.toStdString();
        player->stop();
        ASSERT_EQ(player->playState(), PlayState::Stopped);
    }

    QWidget window;
    MediaPlayer* player = nullptr;
    std::unique_ptr<MprisService> service;
    int quits = 0;
    int raises = 0;
    QStringList opened;
};

TEST_F(Mpris, PlayPauseStopAndStatusFollowThePlayer)
{
    load(testMedia("tone.mp3"));
    EXPECT_EQ(playerctl({"status"}), "Stopped");
    playerctl({"play-pause"});
    EXPECT_TRUE(waitUntil([&] { return player->playState() == PlayState::Playing; }));
    EXPECT_EQ(playerctl({"status"}), "Playing");
    playerctl({"pause"});
    EXPECT_TRUE(waitUntil([&] { return player->playState() == PlayState::Paused; }));
    playerctl({"play"});
    EXPECT_TRUE(waitUntil([&] { return player->playState() == PlayState::Playing; }));
    playerctl({"stop"});
    EXPECT_TRUE(waitUntil([&] { return player->playState() == PlayState::Stopped; }));
    EXPECT_EQ(player->position(), 0.0);
    EXPECT_EQ(playerctl({"status"}), "Stopped");
}

TEST_F(Mpris, StatusChangesReachAFollowingClient)
{
    load(testMedia("tone.wav"));
    Follower follower({"status"});
    ASSERT_TRUE(follower.hears("Stopped"));
    player->play();
    EXPECT_TRUE(follower.hears("Playing"));
    player->pause();
    EXPECT_TRUE(follower.hears("Paused"));
    EXPECT_EQ(follower.lines(), (QStringList{"Stopped", "Playing", "Paused"}));
}

TEST_F(Mpris, TitlesReachAFollowingClientAsTheTagsArrive)
{
    load(testMedia("tone.wav"));
    Follower follower({"metadata", "--format", "{{xesam:title}}"});
    ASSERT_TRUE(follower.hears("tone.wav"));
    // Stopped at the start: no position steps, only the new file's tags.
    load(testMedia("tone.mp3"));
    EXPECT_TRUE(follower.hears(QStringLiteral("テスト曲")));
}

TEST_F(Mpris, PositionIsReadSetAndSoughtInMicroseconds)
{
    BusListener listener;
    load(testMedia("tone.wav"));
    EXPECT_EQ(playerctl({"position"}), "0.000000");

    // Each jump is announced with the position it asked for; the control may
    // report a spot near it once the engine has landed.
    playerctl({"position", "0.5+"}); // Seek by 0.5 s from the start
    ASSERT_TRUE(waitUntil([&] { return listener.seeked.size() == 1; }));
    EXPECT_EQ(listener.seeked[0], 500000);
    EXPECT_EQ(player->playState(), PlayState::Paused) << "a seek from the stop stays there";
    player->seek(1.8); // the control bar or the keys: a jump of over a second
    ASSERT_TRUE(waitUntil([&] { return listener.seeked.size() == 2; }));
    EXPECT_EQ(listener.seeked[1], 1800000);
    playerctl({"position", "0.2"}); // SetPosition on the current track
    ASSERT_TRUE(waitUntil([&] { return listener.seeked.size() == 3; }));
    EXPECT_EQ(listener.seeked[2], 200000);

    // Past the end: ignored. The bus keeps the order of the calls, so the
    // next Seeked is the next request's.
    playerctl({"position", "9"});
    playerctl({"position", "1.5"});
    ASSERT_TRUE(waitUntil([&] { return listener.seeked.size() >= 4; }));
    EXPECT_EQ(listener.seeked[3], 1500000);
}

TEST_F(Mpris, MetadataComesFromTheTags)
{
    load(testMedia("tone.mp3"));
    const QString metadata = playerctl(
        {"metadata", "--format",
         "{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{mpris:length}}|{{xesam:url}}"});
    const QStringList fields = metadata.split('|');
    ASSERT_EQ(fields.size(), 5) << metadata.toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("テスト曲"));
    EXPECT_EQ(fields[1], QStringLiteral("テスト"));
    EXPECT_EQ(fields[2], QStringLiteral("アルバム"));
    EXPECT_NEAR(fields[3].toLongLong(), player->duration() * 1e6, 1);
    EXPECT_EQ(QUrl(fields[4]).toLocalFile(), testMedia("tone.mp3"));
    // playerctl prints an object path quoted.
    EXPECT_TRUE(playerctl({"metadata", "mpris:trackid"}).startsWith("'/org/merosonx/track/"));
}

TEST_F(Mpris, UntaggedFileIsTitledByNameWithTheCoverBesideIt)
{
    QTemporaryDir dir;
    const QString song = dir.filePath("歌 1.wav");
    ASSERT_TRUE(QFile::copy(testMedia("tone.wav"), song));
    QImage cover(8, 8, QImage::Format_RGB32);
    cover.fill(Qt::red);
    ASSERT_TRUE(cover.save(dir.filePath("Cover.PNG")));
    const QString firstTrack = playerctl({"metadata", "mpris:trackid"});

    load(song);
    EXPECT_EQ(playerctl({"metadata", "xesam:title"}), QStringLiteral("歌 1.wav"));
    EXPECT_EQ(QUrl(playerctl({"metadata", "mpris:artUrl"})).toLocalFile(),
              dir.filePath("Cover.PNG"));
    EXPECT_NE(playerctl({"metadata", "mpris:trackid"}), firstTrack);
}

TEST_F(Mpris, VolumeGoesBothWaysAndChangesAreSignalled)
{
    load(testMedia("tone.wav"));
    playerctl({"volume", "0.25"});
    EXPECT_TRUE(waitUntil([&] { return player->volume() == 25; }));

    Follower follower({"volume"});
    ASSERT_TRUE(follower.hears("0.250000"));
    player->setVolume(70); // while paused: the control bar or the keys
    EXPECT_TRUE(follower.hears("0.700000"));
    EXPECT_EQ(playerctl({"volume"}), "0.700000");
}

TEST_F(Mpris, QuitRaiseAndOpenGoToTheProgram)
{
    const QString song = testMedia("tone.wav");
    playerctl({"open", QUrl::fromLocalFile(song).toString()});
    EXPECT_TRUE(waitUntil([&] { return opened == QStringList{song}; }));
    for (const char* method : {"Raise", "Quit"}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            MprisService::kServiceName, MprisService::kObjectPath,
            QStringLiteral("org.mpris.MediaPlayer2"), QLatin1String(method));
        QDBusConnection::sessionBus().asyncCall(call);
    }
    EXPECT_TRUE(waitUntil([&] { return raises == 1 && quits == 1; }));
}

TEST_F(Mpris, ASecondPlayerTakesAnInstanceName)
{
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
    {
        MprisService second(nullptr, {}, other);
        ASSERT_TRUE(second.isRegistered());
        EXPECT_EQ(second.serviceName(),
                  MprisService::kServiceName +
                      QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
        EXPECT_EQ(playerctl({"status"}, nullptr, second.serviceName().section('.', 3, -1)),
                  "Stopped");
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
}

TEST(MprisWithoutBus, ThePlayerPlaysAndNothingIsSaid)
{
    QWidget window;
    auto* player = new MediaPlayer(&window);
    window.show();
    MprisService service(player->playback(), {},
                         QDBusConnection(QStringLiteral("no such connection")));
    EXPECT_FALSE(service.isRegistered());
    player->setFileName(testMedia("tone.wav"));
    EXPECT_TRUE(waitUntil([&] { return player->position() > 0.1; }));
}

} // namespace

#include "mpris_test.moc"
