// SPDX-License-Identifier: MIT
// Start-up and the end of the session: the platform choice, signals turned
// into events, and the one way out.
#include "desktoptestsupport.h"
#include "platformchoice.h"
#include "sessionend.h"
#include "signalwatcher.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{

using Session = PlatformChoice::Session;

struct ChoiceCase {
    const char* what;
    Session session;
    QByteArray expected;
};

Session waylandSession()
{
    Session s;
    s.waylandDisplay = "wayland-0";
    s.sessionType = "wayland";
    s.x11Display = ":0";
    s.xcbPluginFound = true;
    return s;
}

TEST(PlatformChoice, ChoosesXWaylandOnWaylandSessionsOnly)
{
    std::vector<ChoiceCase> cases = {
        {"Wayland session with XWayland", waylandSession(), "xcb;wayland"},
        {"X11 session", {"", "", "x11", ":0", false, true}, ""},
        {"no desktop at all", {"", "", "", "", false, true}, ""},
        {"Wayland display only", {"", "wayland-1", "", ":1", false, true}, "xcb;wayland"},
        {"session type only", {"", "", "Wayland", ":1", false, true}, "xcb;wayland"},
    };
    Session noXWayland = waylandSession();
    noXWayland.x11Display = "";
    cases.push_back({"no XWayland: Qt's own choice", noXWayland, ""});
    Session noPlugin = waylandSession();
    noPlugin.xcbPluginFound = false;
    cases.push_back({"no xcb plugin: Qt's own choice", noPlugin, ""});
    Session userChoice = waylandSession();
    userChoice.qpaPlatform = "wayland";
    cases.push_back({"QT_QPA_PLATFORM set by the user", userChoice, ""});
    Session argument = waylandSession();
    argument.platformArgument = true;
    cases.push_back({"-platform given", argument, ""});

    for (const ChoiceCase& c : cases)
        EXPECT_EQ(PlatformChoice::choose(c.session), c.expected) << c.what;
}

TEST(PlatformChoice, FindsTheXcbPluginWhereQtLooks)
{
    QTemporaryDir without;
    QTemporaryDir with;
    QFile plugin(with.filePath("libqxcb.so"));
    ASSERT_TRUE(plugin.open(QIODevice::WriteOnly));
    plugin.close();
    EXPECT_FALSE(PlatformChoice::hasXcbPlugin({without.path()}));
    EXPECT_TRUE(PlatformChoice::hasXcbPlugin({without.path(), with.path()}));

    qputenv("QT_QPA_PLATFORM_PLUGIN_PATH", with.path().toLocal8Bit());
    qputenv("QT_PLUGIN_PATH", without.path().toLocal8Bit());
    const QStringList directories = PlatformChoice::pluginDirectories();
    qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
    qunsetenv("QT_PLUGIN_PATH");
    ASSERT_GE(directories.size(), 3);
    EXPECT_EQ(directories[0], with.path());
    EXPECT_EQ(directories[1], without.path() + "/platforms");
    EXPECT_TRUE(PlatformChoice::hasXcbPlugin(directories.mid(2))) << "Qt's own plugins";
}

TEST(PlatformChoice, TheChoiceTravelsAsAnArgument)
{
    char program[] = "MeroSonx";
    char style[] = "-style";
    char* argv[] = {program, style, nullptr};

    qputenv("WAYLAND_DISPLAY", "wayland-test");
    qputenv("DISPLAY", ":77");
    qunsetenv("QT_QPA_PLATFORM");
    PlatformChoice wayland(2, argv);
    EXPECT_EQ(wayland.platform(), "xcb;wayland");
    ASSERT_EQ(wayland.argc(), 4);
    EXPECT_STREQ(wayland.argv()[1], "-style");
    EXPECT_STREQ(wayland.argv()[2], "-platform");
    EXPECT_STREQ(wayland.argv()[3], "xcb;wayland");
    EXPECT_EQ(wayland.argv()[4], nullptr);
    EXPECT_TRUE(qgetenv("QT_QPA_PLATFORM").isEmpty()) << "nothing for programs started later";

    qunsetenv("WAYLAND_DISPLAY");
    PlatformChoice x11(1, argv);
    EXPECT_TRUE(x11.platform().isEmpty());
    EXPECT_EQ(x11.argc(), 1);
    EXPECT_EQ(x11.argv()[1], nullptr);
}

TEST(SignalWatcher, DeliversSignalsAsEvents)
{
    SignalWatcher watcher({SIGUSR1, SIGUSR2});
    ASSERT_TRUE(watcher.isActive());
    QSignalSpy received(&watcher, &SignalWatcher::received);
    ::kill(::getpid(), SIGUSR2);
    ::kill(::getpid(), SIGUSR1);
    ASSERT_TRUE(waitUntil([&] { return received.count() == 2; }));
    EXPECT_EQ(received[0][0].toInt(), SIGUSR2);
    EXPECT_EQ(received[1][0].toInt(), SIGUSR1);
}

TEST(SignalWatcher, PutsThePreviousHandlersBack)
{
    struct sigaction before = {};
    ::sigaction(SIGUSR1, nullptr, &before);
    {
        SignalWatcher watcher({SIGUSR1});
        struct sigaction during = {};
        ::sigaction(SIGUSR1, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
    }
    struct sigaction after = {};
    ::sigaction(SIGUSR1, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(SignalWatcher, LeavesIgnoredSignalsIgnored)
{
    std::signal(SIGUSR2, SIG_IGN);
    {
        SignalWatcher watcher({SIGUSR1, SIGUSR2});
        struct sigaction during = {};
        ::sigaction(SIGUSR2, nullptr, &during);
        EXPECT_EQ(during.sa_handler, SIG_IGN);
    }
    std::signal(SIGUSR2, SIG_DFL);
}

TEST(SessionEnd, EachTerminationSignalEndsThroughTheUnloadOnce)
{
    for (int number : {SIGTERM, SIGHUP, SIGINT}) {
        int unloads = 0;
        SessionEnd end([&] { ++unloads; });
        ::kill(::getpid(), number);
        ASSERT_TRUE(waitUntil([&] { return end.hasEnded(); })) << number;
        end.end();
        EXPECT_EQ(unloads, 1) << number;
    }
}

TEST(SessionEnd, AWriteToAConnectionThatBrokeFailsInsteadOfEndingTheProgram)
{
    std::signal(SIGPIPE, SIG_DFL); // as a program starts
    SessionEnd end([] {});
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    errno = 0;
    EXPECT_EQ(::write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[1]);
}

TEST(SessionEnd, AnEndAlreadyUnderWayIsNotRepeated)
{
    int unloads = 0;
    SessionEnd* end = nullptr;
    SessionEnd session([&] {
        ++unloads;
        end->end(); // the unload quits the application: aboutToQuit comes back here
    });
    end = &session;
    session.end();
    EXPECT_EQ(unloads, 1);
}

} // namespace
