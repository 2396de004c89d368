// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Keeps the desktop from blanking the screen through the freedesktop
// screen-saver interface (org.freedesktop.ScreenSaver, Inhibit and UnInhibit,
// on the session bus).
//
// inhibit() and release() say what is wanted and return at once; the calls go
// out asynchronously and their replies are matched here, so a release that
// overtakes a pending Inhibit still releases the cookie it brings. Without a
// bus or a screen-saver service nothing happens, silently. On the way out
// (aboutToQuit, or the destructor) a held inhibition is released with one
// bounded blocking call, so that it is gone before the process is; an Inhibit
// still on its way is waited for first (at most kInhibitTimeoutMs), since the
// screen saver may already hold it. UI thread only.
class ScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    // `applicationName` and the reasons are what the desktop may show.
    ScreenSaverInhibitor(QDBusConnection bus, QString applicationName, QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    void inhibit(const QString& reason);
    void release();
    // Releases a held or pending inhibition and waits for the screen saver to
    // take it, at most kInhibitTimeoutMs + kExitReleaseTimeoutMs.
    void releaseNow();
    // What was last asked for.
    bool isInhibiting() const { return m_wanted; }

    static constexpr int kExitReleaseTimeoutMs = 1000;
    // An Inhibit not answered in this time counts as no screen saver.
    static constexpr int kInhibitTimeoutMs = 2000;

signals:
    // The screen saver acknowledged an Inhibit (cookie) or an UnInhibit.
    void inhibited(uint cookie);
    void released(uint cookie);
    // An Inhibit came back with an error: no screen saver on this bus.
    void unavailable();

private:
    void sendInhibit();
    void sendRelease(uint cookie);
    void onInhibitReply(uint cookie, bool ok);

    QDBusConnection m_bus;
    QString m_applicationName;
    QString m_reason;
    bool m_wanted = false;
    QDBusPendingCallWatcher* m_inhibitCall = nullptr; // the Inhibit awaiting its reply
    bool m_held = false;
    uint m_cookie = 0;
};
