// SPDX-License-Identifier: MIT
#include "screensaverinhibitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace
{

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus, QString applicationName,
                                           QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_applicationName(std::move(applicationName))
{
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &ScreenSaverInhibitor::releaseNow);
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    releaseNow();
}

void ScreenSaverInhibitor::releaseNow()
{
    m_wanted = false;
    if (m_inhibitCall) {
        // The Inhibit may already hold the screen saver: take its cookie now,
        // as its reply would only be read by an event loop that is ending.
        // The watcher goes first, so that the reply is not handled twice; its
        // own waitForFinished() would deliver it to onInhibitReply as well.
        QDBusPendingCall call = *m_inhibitCall;
        delete m_inhibitCall;
        m_inhibitCall = nullptr;
        call.waitForFinished();
        const QDBusPendingReply<uint> reply = call;
        if (reply.isValid()) {
            m_held = true;
            m_cookie = reply.value();
        }
    }
    if (!m_held)
        return;
    m_held = false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
    call << m_cookie;
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kExitReleaseTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        emit released(m_cookie);
}

void ScreenSaverInhibitor::inhibit(const QString& reason)
{
    m_reason = reason;
    if (m_wanted)
        return;
    m_wanted = true;
    if (!m_held && !m_inhibitCall)
        sendInhibit();
}

void ScreenSaverInhibitor::release()
{
    if (!m_wanted)
        return;
    m_wanted = false;
    if (m_held) {
        m_held = false;
        sendRelease(m_cookie);
    }
    // A pending Inhibit is released when its reply comes.
}

void ScreenSaverInhibitor::sendInhibit()
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << m_applicationName << m_reason;
    m_inhibitCall = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kInhibitTimeoutMs), this);
    connect(m_inhibitCall, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                m_inhibitCall = nullptr;
                onInhibitReply(reply.isValid() ? reply.value() : 0, reply.isValid());
            });
}

void ScreenSaverInhibitor::onInhibitReply(uint cookie, bool ok)
{
    if (!ok) {
        emit unavailable(); // nothing to hold
        return;
    }
    if (!m_wanted) {
        sendRelease(cookie);
        return;
    }
    m_held = true;
    m_cookie = cookie;
    emit inhibited(cookie);
}

void ScreenSaverInhibitor::sendRelease(uint cookie)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
    call << cookie;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, cookie](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (!finished->isError())
                    emit released(cookie);
            });
}
