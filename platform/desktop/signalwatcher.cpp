// SPDX-License-Identifier: MIT
#include "signalwatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace
{

// Written by the handler, read by the watcher. -1 while no watcher lives.
volatile std::sig_atomic_t g_writeEnd = -1;
int g_readEnd = -1;
std::map<int, struct sigaction> g_previous;

extern "C" void onSignal(int signalNumber)
{
    const int saved = errno;
    const int fd = g_writeEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe drops the byte: the watcher has unread ones already.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(QList<int> signalNumbers, QObject* parent)
    : QObject(parent), m_signals(std::move(signalNumbers))
{
    if (g_readEnd >= 0) {
        qWarning("SignalWatcher: one watcher per process; this one stays inactive");
        return;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("SignalWatcher: no pipe: %s", std::strerror(errno));
        return;
    }
    g_readEnd = ends[0];
    g_writeEnd = ends[1];

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: the rest of the program need not care.
    action.sa_flags = SA_RESTART;
    for (int number : m_signals) {
        // A signal ignored from the start stays ignored: `nohup` and the
        // shell's background jobs ask for that.
        struct sigaction previous = {};
        if (::sigaction(number, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        if (::sigaction(number, &action, nullptr) == 0)
            g_previous.emplace(number, previous);
    }

    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
    m_active = true;
}

SignalWatcher::~SignalWatcher()
{
    if (!m_active)
        return;
    for (const auto& [number, previous] : g_previous)
        ::sigaction(number, &previous, nullptr);
    g_previous.clear();
    delete m_notifier;
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(g_readEnd);
    g_readEnd = -1;
}

void SignalWatcher::drain()
{
    unsigned char bytes[64];
    for (;;) {
        const ssize_t count = ::read(g_readEnd, bytes, sizeof bytes);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return; // EAGAIN: drained
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}
