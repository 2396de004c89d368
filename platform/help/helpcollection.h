// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Finds the help collection that the viewer opens. The collection in the
// program directory is never written to: the help engine works on a copy in
// a cache directory, made with QHelpEngineCore::copyCollectionFile() (a plain
// file copy would lose the way to the .qch beside the original) and made
// again when the original or its documentation has changed since. When
// no copy can be made, the original is opened read-only.
class HelpCollection
{
public:
    // `cacheRoot` empty: defaultCacheRoot().
    explicit HelpCollection(QString sourcePath, QString cacheRoot = {});

    // Checks the collection and prepares the copy. False when the collection
    // is missing or unusable; message() then says so in Japanese.
    bool prepare();

    const QString& sourcePath() const { return m_sourcePath; }
    // The file to open: the copy, or the original when no copy could be made.
    const QString& enginePath() const { return m_enginePath; }
    bool usesCopy() const { return !m_enginePath.isEmpty() && m_enginePath != m_sourcePath; }
    // Where the copy of this collection lives (whether or not it exists yet).
    QString copyPath() const;
    const QString& message() const { return m_message; }

    // The user's cache directory for this program, else a private folder
    // under the temporary directory.
    static QString defaultCacheRoot();

private:
    QString m_sourcePath;
    QString m_cacheRoot;
    QString m_enginePath;
    QString m_message;
};
