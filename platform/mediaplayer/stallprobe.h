// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how late the UI thread's event loop runs: a 5 ms timer notes how
// much later than due each of its ticks comes, and report() prints the worst
// on stderr as "stall probe: max N ms ...". A measuring aid for benchmarks,
// created only when MERO_STALL_PROBE is set. UI thread only.
class StallProbe : public QObject
{
    Q_OBJECT
public:
    explicit StallProbe(QObject* parent = nullptr);

    // Starts measuring; later calls change nothing.
    void start();
    void report() const;

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_worstNs = 0; // the longest wait beyond the interval
    qint64 m_ticks = 0;
};
