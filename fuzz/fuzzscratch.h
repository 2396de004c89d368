// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>

// A directory for one fuzzer run, on tmpfs when there is one, so that the
// millions of file writes cost no disk and no fsync. Removed at exit.
class FuzzScratch
{
public:
    FuzzScratch()
        : m_dir(QDir(QStringLiteral("/dev/shm")).exists()
                    ? QStringLiteral("/dev/shm/mero-fuzz-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/mero-fuzz-XXXXXX"))
    {
        if (!m_dir.isValid())
            std::abort();
    }

    QString root() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Replaces the file `name` with `bytes`; aborts when that fails, since the
    // run would then test nothing.
    QString write(const QString& name, const char* data, size_t size) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(data, qint64(size)) != qint64(size))
            std::abort();
        return file.fileName();
    }

private:
    QTemporaryDir m_dir;
};
