// SPDX-License-Identifier: MIT
#include "videoinhibitpolicy.h"

#include "playback.h"
#include "screensaverinhibitor.h"

#include <QCoreApplication>

namespace
{

const QString kReason = QStringLiteral("動画を再生中");

} // namespace

VideoInhibitPolicy::VideoInhibitPolicy(Playback* player, ScreenSaverInhibitor& inhibitor,
                                       QObject* parent)
    : QObject(parent), m_player(player), m_inhibitor(inhibitor)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &VideoInhibitPolicy::stopInhibiting);
    if (player) {
        connect(player, &Playback::frameShown, this, &VideoInhibitPolicy::onFrame);
        connect(player, &Playback::playStateChanged, this, &VideoInhibitPolicy::onStateChanged);
        connect(player, &Playback::fileLoaded, this, [this] { m_lastFrame.invalidate(); });
        connect(player, &QObject::destroyed, this, &VideoInhibitPolicy::stopInhibiting);
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &VideoInhibitPolicy::stopInhibiting);
}

bool VideoInhibitPolicy::isInhibiting() const
{
    return m_inhibitor.isInhibiting();
}

void VideoInhibitPolicy::onFrame()
{
    if (!m_player || m_player->playState() != PlayState::Playing)
        return;
    const bool moving = m_lastFrame.isValid() && m_lastFrame.elapsed() <= kFrameWindowMs;
    m_lastFrame.start();
    if (!moving)
        return;
    m_quiet.start();
    m_inhibitor.inhibit(kReason);
}

void VideoInhibitPolicy::onStateChanged()
{
    if (m_player && m_player->playState() != PlayState::Playing)
        stopInhibiting();
}

void VideoInhibitPolicy::stopInhibiting()
{
    m_quiet.stop();
    m_lastFrame.invalidate();
    m_inhibitor.release();
}
