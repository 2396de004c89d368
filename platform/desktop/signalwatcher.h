// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns POSIX signals into a Qt signal on the thread that created the
// watcher. The handler only writes the signal's number into a pipe (the
// self-pipe pattern: write() is async-signal-safe, Qt is not); a socket
// notifier reads it on the event loop and emits received().
//
// One watcher per process at a time: it owns the handlers of its signals
// while it lives and puts the previous ones back when it goes. A signal that
// is ignored when the watcher starts (nohup, a shell's background job) is
// left ignored.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QList<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

    // False when the pipe or a handler could not be set up; the signals then
    // keep what they had.
    bool isActive() const { return m_active; }

signals:
    void received(int signalNumber);

private:
    void drain();

    QList<int> m_signals;
    bool m_active = false;
    QSocketNotifier* m_notifier = nullptr;
};
