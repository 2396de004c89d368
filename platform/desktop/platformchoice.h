// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>
#include <vector>

// Which Qt platform plugin a program runs on. On a Wayland session the
// programs run through XWayland (Qt's xcb plugin): Wayland lets no client place
// its own windows, and the programs place theirs (the placement commands, the
// remembered position, the lyrics window beside the main window).
//
// The choice travels as a "-platform" argument to the application object, so
// that programs started from ours inherit no setting of it. The user's own
// choice (QT_QPA_PLATFORM, a -platform argument) is left alone, and so is Qt's
// where xcb cannot be used (no DISPLAY, no xcb plugin). The choice names
// Wayland after xcb: a DISPLAY that cannot be reached still ends on Wayland.
//
// Usage, before the application object exists:
//     PlatformChoice platform(argc, argv);
//     QApplication app(platform.argc(), platform.argv());
// The object must outlive the application object, which keeps the arguments.
class PlatformChoice
{
public:
    struct Session {
        QByteArray qpaPlatform;        // QT_QPA_PLATFORM
        QByteArray waylandDisplay;     // WAYLAND_DISPLAY
        QByteArray sessionType;        // XDG_SESSION_TYPE
        QByteArray x11Display;         // DISPLAY: XWayland's, on a Wayland session
        bool platformArgument = false; // -platform among the arguments Qt sees
        bool xcbPluginFound = false;
    };

    // `argc`/`argv`: the arguments the application object would get.
    PlatformChoice(int argc, char** argv);
    PlatformChoice(const PlatformChoice&) = delete;
    PlatformChoice& operator=(const PlatformChoice&) = delete;

    // The platform chosen, empty when Qt's own choice stands.
    QByteArray platform() const { return m_platform; }
    // The arguments for the application object: the given ones, followed by
    // "-platform" and the choice when there is one.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

    // The platform for `session`, empty to leave Qt's choice as it is.
    static QByteArray choose(const Session& session);
    // This process: its environment, `argv` and Qt's platform plugin folders.
    static Session current(int argc, char** argv);
    static QStringList pluginDirectories();
    static bool hasXcbPlugin(const QStringList& directories);

private:
    QByteArray m_platform;
    QByteArrayList m_added; // storage of the arguments appended
    std::vector<char*> m_argv;
    int m_argc = 0;
};
