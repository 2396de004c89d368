// SPDX-License-Identifier: MIT
// What the tests of the settings location set up around a program: the
// environment variables that name the user's directories, and a program
// directory on a read-only file system (which refuses even root).
#pragma once

#include "scopedenvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>

// A tmpfs on `directory` holding `settings` as Settei.dat (none when null),
// then remounted read-only. ok() is false where mounting is not allowed.
class ReadOnlyDirectory
{
public:
    ReadOnlyDirectory(const QString& directory, const QByteArray& settings)
        : m_target(QFile::encodeName(directory))
    {
        if (::mount("tmpfs", m_target.constData(), "tmpfs", 0, "size=64k") != 0)
            return;
        m_mounted = true;
        if (!settings.isNull()) {
            QFile file(QDir(directory).filePath("Settei.dat"));
            if (!file.open(QIODevice::WriteOnly) || file.write(settings) != settings.size())
                return;
        }
        m_ok =
            ::mount(nullptr, m_target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;
    ~ReadOnlyDirectory()
    {
        if (m_mounted)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }

private:
    QByteArray m_target;
    bool m_mounted = false;
    bool m_ok = false;
};
