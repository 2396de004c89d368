// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>

class HelpViewer;

// Help requests as the programs make them: a help file and a command. The
// viewer runs beside the caller (not modal); one window serves every request
// and is brought to the front when it is already open.
class HelpLauncher
{
public:
    // The help commands understood. Any other value opens the contents.
    static constexpr int kContext = 1;  // a topic: the contents here
    static constexpr int kQuit = 2;     // close the help window
    static constexpr int kContents = 3; // the contents
    static constexpr int kFinder = 11;  // the finder, at its contents
    static constexpr int kKey = 0x101;  // the keyword index
    static constexpr int kPartialKey = 0x105;

    // `cacheRoot`: where the viewer keeps its working copy (empty: the user's
    // cache directory).
    explicit HelpLauncher(QString cacheRoot = {});
    ~HelpLauncher();
    HelpLauncher(const HelpLauncher&) = delete;
    HelpLauncher& operator=(const HelpLauncher&) = delete;

    // Shows `helpFile` as `command` asks and returns at once. A missing or
    // broken file opens the window with a message saying so. Returns the
    // window (null after kQuit).
    HelpViewer* showHelp(const QString& helpFile, int command);

    HelpViewer* viewer() const { return m_viewer; }

private:
    QString m_cacheRoot;
    QPointer<HelpViewer> m_viewer;
};
