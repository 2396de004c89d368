// SPDX-License-Identifier: MIT
// The media controls: the player control behind MprisService on a private
// session bus, driven by Debian's playerctl as a desktop would drive it, and
// by python3-dbus where a client must send what playerctl cannot.
#include "desktoptestsupport.h"
#include "mediaplayer.h"
#include "mprisservice.h"
#include "testmedia.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
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
    // True once every signal the player sent before now has arrived: the
    // answer to a call of this connection comes after them.
    bool sync()
    {
        const QDBusPendingCall ping = m_bus.asyncCall(QDBusMessage::createMethodCall(
            MprisService::kServiceName, MprisService::kObjectPath,
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
        return waitUntil([&] { return ping.isFinished(); }) && !ping.isError();
    }
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

// python3-dbus as the client: `script` runs after a prelude that names the
// player's object (`props`, `player`) and `call`, which prints "ok" and the
// result, or the name of the D-Bus error. The lines printed.
QStringList pythonClient(const QString& script)
{
    static const QString prelude = QStringLiteral(R"(
import dbus
bus = dbus.SessionBus()
obj = bus.get_object('org.mpris.MediaPlayer2.merosonx', '/org/mpris/MediaPlayer2')
props = dbus.Interface(obj, 'org.freedesktop.DBus.Properties')
player = dbus.Interface(obj, 'org.mpris.MediaPlayer2.Player')
P = 'org.mpris.MediaPlayer2.Player'
def call(f):
    try:
        r = f()
        print('ok' if r is None else 'ok %s' % (r,))
    except dbus.exceptions.DBusException as e:
        print(e.get_dbus_name())
)");
    bool ok = false;
    // Debian's interpreter, where python3-dbus is installed, whatever else is on PATH.
    const QString out = runProgram("/usr/bin/python3", {"-c", prelude + script}, &ok);
    EXPECT_TRUE(ok) << out.toStdString();
    return out.split('\n');
}

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
    load(testMedia("tone.wav"));
    BusListener listener; // after the stop at the start, itself a jump
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

namespace
{

QString writeList(const QTemporaryDir& dir, const QStringList& entries)
{
    const QString path = dir.filePath("list.m3u");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((entries.join('\n') + '\n').toUtf8());
    return path;
}

} // namespace

TEST_F(Mpris, EachPlaylistEntryIsATrackOfItsOwnThatNextAndPreviousStepTo)
{
    QTemporaryDir dir;
    const QString first = dir.filePath("first.wav");
    ASSERT_TRUE(QFile::copy(testMedia("tone.wav"), first));
    player->setFileName(writeList(dir, {first, testMedia("tone.mp3")}));
    ASSERT_TRUE(waitUntil([&] { return player->position() > 0.05; }));
    const auto track = [] {
        return playerctl(
                   {"metadata", "--format", "{{mpris:trackid}}|{{xesam:url}}|{{xesam:title}}"})
            .split('|');
    };
    const QStringList one = track();
    ASSERT_EQ(one.size(), 3);
    EXPECT_EQ(QUrl(one[1]).toLocalFile(), first) << "the entry's media, not the list";
    EXPECT_EQ(one[2], "first.wav");
    EXPECT_EQ(pythonClient("print(props.Get(P, 'CanGoNext'), props.Get(P, 'CanGoPrevious'))"),
              QStringList{"1 1"});

    playerctl({"next"});
    ASSERT_TRUE(waitUntil([&] { return player->currentEntry() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return track().value(2) == QStringLiteral("テスト曲"); }));
    const QStringList two = track();
    EXPECT_NE(two[0], one[0]);
    EXPECT_EQ(QUrl(two[1]).toLocalFile(), testMedia("tone.mp3"));

    // A position for the previous entry is stale: refused, nothing jumps.
    BusListener listener;
    const QString stale = one[0];
    EXPECT_EQ(pythonClient(QStringLiteral("call(lambda: player.SetPosition(dbus.ObjectPath(%1), "
                                          "dbus.Int64(1500000)))")
                               .arg(stale)),
              QStringList{"ok"});
    ASSERT_TRUE(listener.sync());
    EXPECT_TRUE(listener.seeked.isEmpty());
    EXPECT_LT(player->position(), 1.4);

    playerctl({"previous"});
    ASSERT_TRUE(waitUntil([&] { return player->currentEntry() == 0; }));
    EXPECT_EQ(track().value(0), one[0]) << "the same entry, the same track";
    playerctl({"previous"}); // on the first entry: from its start
    ASSERT_TRUE(waitUntil([&] { return listener.seeked == QList<qlonglong>{0}; }));

    playerctl({"next"});
    ASSERT_TRUE(waitUntil([&] { return player->currentEntry() == 1; }));
    playerctl({"next"}); // after the last: stopped at the start of the first
    ASSERT_TRUE(waitUntil(
        [&] { return player->currentEntry() == 0 && playerctl({"status"}) == "Stopped"; }));
}

TEST_F(Mpris, EverySeekIsAnnouncedOnceWithThePlaceItReached)
{
    load(testMedia("tone.wav"));
    player->play();
    ASSERT_TRUE(waitUntil([&] { return player->position() > 0.05; }));
    BusListener listener;
    QList<qlonglong> expected;
    // SetPosition from the desktop, then the control bar's or the keys' seeks,
    // while the clock goes on: each lands, and the clock's later reports come
    // from there.
    for (int i = 0; i < 8; ++i) {
        const double target = i % 2 ? 0.3 : 1.2;
        if (i % 2)
            playerctl({"position", QString::number(target)});
        else
            player->seek(target);
        expected.append(std::llround(target * 1e6));
        ASSERT_TRUE(waitUntil([&] { return listener.seeked.size() >= expected.size(); }));
        ASSERT_TRUE(waitUntil([&] { return player->position() > target + 0.15; }));
    }
    // Playing on makes no Seeked, only jumps do.
    const double now = player->position();
    ASSERT_TRUE(waitUntil([&] { return player->position() > now + 0.3; }));
    ASSERT_TRUE(listener.sync());
    EXPECT_EQ(listener.seeked, expected);
}

TEST_F(Mpris, ArgumentsOfTheWrongTypeAreInvalidArgs)
{
    load(testMedia("tone.wav"));
    const QStringList answers = pythonClient(R"(
call(lambda: props.Set(P, 'Volume', 'loud'))
call(lambda: props.Set(P, 'Rate', 'fast'))
call(lambda: props.Set(P, 'Volume', dbus.Int32(1)))
call(lambda: player.SetPosition('/org/merosonx/track/1/0', dbus.Int64(0), signature='sx'))
call(lambda: player.Seek('far', signature='s'))
call(lambda: player.OpenUri(dbus.Int32(3), signature='i'))
call(lambda: props.Get(P, dbus.Int32(1), signature='si'))
call(lambda: props.Set(P, 'PlaybackStatus', 'Playing'))
call(lambda: props.Get(P, 'NoSuchProperty'))
call(lambda: props.Get('org.example.None', 'Volume'))
call(lambda: props.Set(P, 'Volume', dbus.Double(0.25)))
call(lambda: props.Set(P, 'Rate', dbus.Double(1.5)))
call(lambda: props.Get(P, 'Rate'))
)");
    const QString invalid = "org.freedesktop.DBus.Error.InvalidArgs";
    EXPECT_EQ(answers,
              (QStringList{invalid, invalid, invalid, invalid, invalid, invalid, invalid,
                           "org.freedesktop.DBus.Error.PropertyReadOnly",
                           "org.freedesktop.DBus.Error.UnknownProperty",
                           "org.freedesktop.DBus.Error.UnknownInterface", "ok", "ok", "ok 1.5"}));
    EXPECT_EQ(player->volume(), 25);
    EXPECT_DOUBLE_EQ(player->playback()->speed(), 1.5);
}

#include "mpris_test.moc"
