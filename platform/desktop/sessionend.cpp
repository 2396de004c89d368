// SPDX-License-Identifier: MIT
#include "sessionend.h"

#include "signalwatcher.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <cstdlib>

namespace
{

// The live instance, for the exit handler; null once it is gone.
SessionEnd* g_instance = nullptr;
bool g_exitHandlerRegistered = false;

} // namespace

SessionEnd::SessionEnd(std::function<void()> unload, QObject* parent)
    : QObject(parent), m_unload(std::move(unload))
{
    Q_ASSERT(!g_instance);
    g_instance = this;

    // A write to a connection whose other end is gone (the X server, above
    // all) fails with EPIPE instead of killing the process before its way
    // out has run. Qt's own sockets and processes ignore SIGPIPE as well.
    std::signal(SIGPIPE, SIG_IGN);

    m_signals = new SignalWatcher({SIGTERM, SIGHUP, SIGINT}, this);
    connect(m_signals, &SignalWatcher::received, this, &SessionEnd::onSignal);

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &SessionEnd::onCommitDataRequest,
                Qt::DirectConnection);
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &SessionEnd::end, Qt::DirectConnection);

    // Handlers registered with atexit run in the reverse order of their
    // registration, interleaved with the destructors of function-local
    // statics; registering late lets the way out find Qt's statics alive.
    QTimer::singleShot(0, this, [] {
        if (!g_exitHandlerRegistered)
            g_exitHandlerRegistered = std::atexit(&SessionEnd::onExit) == 0;
    });
}

SessionEnd::~SessionEnd()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void SessionEnd::end()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_unload)
        m_unload();
}

void SessionEnd::onSignal(int signalNumber)
{
    if (!m_ended) {
        end();
        return;
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void SessionEnd::onCommitDataRequest(QSessionManager& manager)
{
    // The programs keep no session of their own: the next login starts clean.
    manager.setRestartHint(QSessionManager::RestartNever);
    end();
}

void SessionEnd::onExit()
{
    SessionEnd* self = g_instance;
    QCoreApplication* app = QCoreApplication::instance();
    if (!self || !app || QThread::currentThread() != app->thread())
        return;
    self->end();
}
