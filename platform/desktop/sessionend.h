// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <functional>

class QSessionManager;
class SignalWatcher;

// Ends a program through its normal way out, whatever ends the session:
// - SIGTERM, SIGHUP and SIGINT (the session's end, a closed terminal, Ctrl+C);
// - the desktop's logout request (the session manager's save request, which
//   Qt delivers as commitDataRequest); the program asks not to be restarted;
// - the application quitting by any other way (aboutToQuit);
// - the X connection closing: Qt's xcb plugin then calls exit() on the UI
//   thread, and a handler registered with atexit() runs the way out there,
//   while the application object and the windows still exist (their X
//   requests fail quietly). It is registered once the event loop runs, after
//   start-up has brought up what the way out uses. SIGPIPE is ignored for
//   the rest of the process from construction on, so that writing to the
//   connection that broke cannot kill the program first.
//
// `unload` runs at most once, on the UI thread; it is expected to end the
// program (the main window's unload quits the application). A second
// termination signal after it has run ends the process the default way, for
// a way out that hangs.
//
// Create it after the application object and destroy it before.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void()> unload, QObject* parent = nullptr);
    ~SessionEnd() override;

    // Runs `unload` unless it has run.
    void end();
    bool hasEnded() const { return m_ended; }

private:
    void onSignal(int signalNumber);
    void onCommitDataRequest(QSessionManager& manager);
    static void onExit();

    std::function<void()> m_unload;
    bool m_ended = false;
    SignalWatcher* m_signals = nullptr;
};
