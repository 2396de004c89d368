// SPDX-License-Identifier: MIT
#include "platformchoice.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <cstring>

namespace
{

constexpr char kXcbPluginFile[] = "libqxcb.so";

bool isSet(const QByteArray& value)
{
    return !value.trimmed().isEmpty();
}

} // namespace

PlatformChoice::PlatformChoice(int argc, char** argv) : m_platform(choose(current(argc, argv)))
{
    m_argv.assign(argv, argv + argc);
    if (!m_platform.isEmpty()) {
        m_added = {QByteArrayLiteral("-platform"), m_platform};
        for (QByteArray& argument : m_added)
            m_argv.push_back(argument.data());
    }
    m_argc = static_cast<int>(m_argv.size());
    m_argv.push_back(nullptr);
}

QByteArray PlatformChoice::choose(const Session& session)
{
    if (isSet(session.qpaPlatform) || session.platformArgument)
        return {};
    const bool wayland =
        isSet(session.waylandDisplay) || session.sessionType.trimmed().toLower() == "wayland";
    if (!wayland || !isSet(session.x11Display) || !session.xcbPluginFound)
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

PlatformChoice::Session PlatformChoice::current(int argc, char** argv)
{
    Session session;
    session.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    session.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    session.sessionType = qgetenv("XDG_SESSION_TYPE");
    session.x11Display = qgetenv("DISPLAY");
    for (int i = 1; i < argc; ++i) {
        // Qt takes both "-platform" and "--platform", the name in the next word.
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            session.platformArgument = true;
    }
    session.xcbPluginFound = hasXcbPlugin(pluginDirectories());
    return session;
}

// Where Qt looks for platform plugins: QT_QPA_PLATFORM_PLUGIN_PATH itself, the
// "platforms" folder of each QT_PLUGIN_PATH entry and of Qt's own plugin
// directory.
QStringList PlatformChoice::pluginDirectories()
{
    QStringList directories;
    const QString platformPath = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!platformPath.isEmpty())
        directories.append(platformPath);
    const QStringList pluginPaths =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& path : pluginPaths)
        directories.append(path + QStringLiteral("/platforms"));
    directories.append(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
    return directories;
}

bool PlatformChoice::hasXcbPlugin(const QStringList& directories)
{
    for (const QString& directory : directories) {
        if (QFileInfo(QDir(directory).filePath(QLatin1String(kXcbPluginFile))).isFile())
            return true;
    }
    return false;
}
