// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

class QObject;

// A stand-in screen saver on the session bus: org.freedesktop.ScreenSaver at
// /org/freedesktop/ScreenSaver (and /ScreenSaver), recording each Inhibit and
// UnInhibit. It answers on a thread and a bus connection of its own, so the
// code under test may call it blocking from the UI thread.
class ScreenSaverRecorder
{
public:
    struct Call {
        QString method; // "Inhibit" or "UnInhibit"
        uint cookie = 0;
        QString application;
        QString reason;
    };

    ScreenSaverRecorder();
    ~ScreenSaverRecorder();

    bool isRegistered() const { return m_registered; }
    QList<Call> calls() const;
    int count(const QString& method) const;
    // Cookies handed out and not released.
    QList<uint> held() const;

    // For the service object, on its thread.
    uint recordInhibit(const QString& application, const QString& reason);
    void recordUnInhibit(uint cookie);

private:
    mutable QMutex m_mutex;
    QList<Call> m_calls;
    uint m_nextCookie = 7;
    QThread m_thread;
    QObject* m_service = nullptr;
    bool m_registered = false;
};
