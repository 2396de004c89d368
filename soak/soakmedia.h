// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

// The files the soak run opens: for each type the open dialog offers, a good
// one where we can make one, noise and a cut-short copy, and a path that
// names nothing.
struct SoakFile {
    enum class Kind { Good, Corrupt, Missing };
    QString path;
    Kind kind;
};

class SoakMedia
{
public:
    // Makes (or finds, from an earlier run) the files under `directory`.
    explicit SoakMedia(const QString& directory);

    const QList<SoakFile>& files() const { return m_files; }

private:
    void addGood(const QString& path);
    bool generate(const QString& name, const QStringList& ffmpegArguments);

    QString m_directory;
    QList<SoakFile> m_files;
};
