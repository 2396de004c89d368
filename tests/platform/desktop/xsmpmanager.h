// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A session manager of the X session management protocol (XSMP), as a
// desktop runs one, with just enough of it for the tests: clients find it
// through SESSION_MANAGER (address()), register, and are asked to save
// themselves; the desktop's logout is a save with shutdown. It listens on
// local sockets only and lets any local client in. One per process (libSM
// keeps its callbacks globally), on the UI thread.
class XsmpManager : public QObject
{
    Q_OBJECT
public:
    XsmpManager();
    ~XsmpManager() override;

    bool isListening() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    bool hasClient() const { return m_client != nullptr && m_registered; }
    // The logout: SaveYourself, both kinds, with shutdown, interaction allowed.
    void requestLogout();
    bool saveDone() const { return m_saveDone; }
    bool saveSucceeded() const { return m_saveSucceeded; }
    // RestartStyleHint as the client set it (SmRestartNever is 3), -1 until then.
    int restartHint() const { return m_restartHint; }
    bool clientClosed() const { return m_closed; }

    // libSM's callbacks, for the glue in the .cpp.
    void onNewClient(void* smsConn);
    void onRegistered() { m_registered = true; }
    void onSaveDone(bool success);
    void onRestartHint(int hint) { m_restartHint = hint; }
    void onClosed();

private:
    void accept(int listenIndex);
    void process();

    QString m_address;
    int m_listenCount = 0;
    void* m_listenObjects = nullptr; // IceListenObj*
    QList<QSocketNotifier*> m_listeners;
    void* m_connection = nullptr; // IceConn of the one client
    QSocketNotifier* m_connectionNotifier = nullptr;
    void* m_client = nullptr; // SmsConn
    bool m_registered = false;
    bool m_saveDone = false;
    bool m_saveSucceeded = false;
    int m_restartHint = -1;
    bool m_closed = false;
};
