// SPDX-License-Identifier: MIT
#include "stallprobe.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int kIntervalMs = 5;
}

StallProbe::StallProbe(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StallProbe::tick);
}

void StallProbe::start()
{
    if (m_clock.isValid())
        return;
    m_clock.start();
    m_timer.start();
}

void StallProbe::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_worstNs = std::max(m_worstNs, now - m_lastNs - kIntervalMs * 1000000LL);
    m_lastNs = now;
    ++m_ticks;
}

void StallProbe::report() const
{
    if (!m_clock.isValid())
        return;
    std::fprintf(stderr, "stall probe: max %.1f ms late over %.1f s (%lld ticks of %d ms)\n",
                 m_worstNs / 1e6, m_clock.nsecsElapsed() / 1e9, static_cast<long long>(m_ticks),
                 kIntervalMs);
}
