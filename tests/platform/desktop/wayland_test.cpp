// SPDX-License-Identifier: MIT
// Wayland sessions: a headless Weston with XWayland stands in for the
// desktop. The programs choose XWayland where they can, stay on Wayland where
// they cannot, and the player's video renders on XWayland.
#include "desktoptestsupport.h"
#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// A Wayland compositor without a screen, and its XWayland.
class Weston
{
public:
    Weston()
    {
        m_socket = QStringLiteral("mero-wayland-%1").arg(QCoreApplication::applicationPid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!environment.contains("XDG_RUNTIME_DIR")) {
            environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
            QFile::setPermissions(m_runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        m_process.setProcessEnvironment(environment);
        m_process.start("weston", {"--backend=headless-backend.so", "--socket=" + m_socket,
                                   "--xwayland", "--idle-time=0", "--no-config"});
        static const QRegularExpression listening(QStringLiteral("listening on display (:\\d+)"));
        waitUntil(
            [&] {
                m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
                const QRegularExpressionMatch match = listening.match(m_log);
                m_x11Display = match.hasMatch() ? match.captured(1) : QString();
                return !m_x11Display.isEmpty() || m_process.state() == QProcess::NotRunning;
            },
            10000);
    }
    ~Weston()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

    bool isRunning() const { return !m_x11Display.isEmpty(); }
    QString log() const { return m_log; }
    QString x11Display() const { return m_x11Display; }

    // The environment of a program started in this Wayland session.
    QProcessEnvironment session() const
    {
        QProcessEnvironment environment = m_process.processEnvironment();
        environment.insert("WAYLAND_DISPLAY", m_socket);
        environment.insert("XDG_SESSION_TYPE", "wayland");
        environment.insert("DISPLAY", m_x11Display);
        environment.remove("QT_QPA_PLATFORM");
        return environment;
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_socket;
    QString m_log;
    QString m_x11Display;
};

// The probe's two lines: the platform chosen, the platform Qt ended on.
QStringList probe(const QString& program, const QProcessEnvironment& environment,
                  const QStringList& arguments = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return {QStringLiteral("failed: ") +
                QString::fromLocal8Bit(process.readAllStandardError())};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n');
}

class WaylandSession : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(weston.isRunning()) << weston.log().toStdString(); }
    Weston weston;
};

TEST_F(WaylandSession, ProgramsChooseXWayland)
{
    EXPECT_EQ(probe(MERO_PLATFORM_PROBE, weston.session()),
              (QStringList{"xcb;wayland", "xcb", ""}));
    // Qt itself would have gone to Wayland, and the user may still send it there.
    EXPECT_EQ(probe(MERO_PLATFORM_PROBE, weston.session(), {"-platform", "wayland"}),
              (QStringList{"", "wayland", ""}));
}

TEST_F(WaylandSession, WithoutXWaylandTheyStayOnWayland)
{
    QProcessEnvironment noXWayland = weston.session();
    noXWayland.remove("DISPLAY");
    EXPECT_EQ(probe(MERO_PLATFORM_PROBE, noXWayland), (QStringList{"", "wayland", ""}));

    QProcessEnvironment unreachable = weston.session();
    unreachable.insert("DISPLAY", ":987"); // no such server: xcb fails, Wayland follows
    EXPECT_EQ(probe(MERO_PLATFORM_PROBE, unreachable), (QStringList{"xcb;wayland", "wayland", ""}));
}

TEST_F(WaylandSession, WithoutTheXcbPluginTheyStayOnWayland)
{
    // The probe in a Qt whose plugins lack xcb: qt.conf beside it points Qt
    // at a copy of the plugin folders without libqxcb.so.
    QTemporaryDir dir;
    const QDir qtPlugins(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    const QDir plugins(dir.filePath("plugins"));
    ASSERT_TRUE(plugins.mkpath("platforms"));
    for (const QString& folder : qtPlugins.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (folder != "platforms") {
            ASSERT_TRUE(QFile::link(qtPlugins.filePath(folder), plugins.filePath(folder)));
        }
    }
    const QDir platforms(qtPlugins.filePath("platforms"));
    for (const QString& plugin : platforms.entryList(QDir::Files)) {
        if (plugin != "libqxcb.so") {
            ASSERT_TRUE(
                QFile::link(platforms.filePath(plugin), plugins.filePath("platforms/" + plugin)));
        }
    }
    const QString program = dir.filePath("probe");
    ASSERT_TRUE(QFile::copy(MERO_PLATFORM_PROBE, program));
    QFile conf(dir.filePath("qt.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[Paths]\nPlugins=" + plugins.absolutePath().toUtf8() + "\n");
    conf.close();

    // qt.conf is read once the application exists, after the choice: it is
    // made, and the platform named after xcb takes over.
    const QStringList lines = probe(program, weston.session());
    ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_EQ(lines[1], "wayland");
}

TEST_F(WaylandSession, PlayerShowsVideoOnXWayland)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("MeroSonx");
    ASSERT_TRUE(QFile::copy(MERO_BIN_DIR "/MeroSonx", program));
    QProcess player;
    player.setProcessEnvironment(weston.session());
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(program, {testMedia("green.mp4")});

    // Found among XWayland's windows: the player is an X client there.
    QProcess search;
    search.setProcessEnvironment(weston.session());
    const QString window = [&] {
        search.start("xdotool", {"search", "--sync", "--onlyvisible", "--name", "green.mp4"});
        waitUntil([&] { return search.state() == QProcess::NotRunning; }, 15000);
        return QString::fromUtf8(search.readAllStandardOutput()).section('\n', 0, 0).trimmed();
    }();
    ASSERT_FALSE(window.isEmpty()) << "the player's window on XWayland";

    // Its picture, as XWayland has it: the video's green fills the middle.
    const QString shot = dir.filePath("shot.png");
    auto greenInTheMiddle = [&] {
        QProcess import;
        import.setProcessEnvironment(weston.session());
        import.start("import", {"-window", window, shot});
        if (!import.waitForFinished(10000) || import.exitCode() != 0)
            return false;
        const QImage image(shot);
        const QRgb pixel = image.pixel(image.width() / 2, image.height() / 4);
        return qGreen(pixel) > 200 && qRed(pixel) < 60 && qBlue(pixel) < 60;
    };
    EXPECT_TRUE(waitUntil(greenInTheMiddle, 10000));

    ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return player.state() == QProcess::NotRunning; }, 15000));
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("Settei.dat")));
}

} // namespace
