// SPDX-License-Identifier: MIT
#include "mediaplayer.h"

#include "apperror.h"
#include "clipinfopanel.h"
#include "controlbar.h"
#include "mpvengine.h"
#include "playbackstatusbar.h"
#include "playerlayout.h"
#include "playerpalette.h"
#include "twips.h"
#include "videosurface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double kSeekStep = 5.0; // seconds, arrow keys
constexpr int kVolumeStep = 5;

void checkTwips(float value)
{
    if (!std::isfinite(value) || value < 0)
        throw AppError(errors::kInvalidPropertyValue, QCoreApplication::applicationName(),
                       QStringLiteral("Invalid property value"));
}

int twipsToPixels(float value, double perPixel)
{
    return static_cast<int>(std::min<double>(std::lround(value / perPixel), QWIDGETSIZE_MAX));
}

} // namespace

MediaPlayer::MediaPlayer(QWidget* parent) : QWidget(parent)
{
    setPalette(playerPalette(palette()));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    m_playback = new Playback(this);
    MpvEngine* engine = m_playback->engine();
    m_surface = new VideoSurface(engine, this);
    m_info = new ClipInfoPanel(this);
    m_status = new PlaybackStatusBar(this);
    m_controls = new ControlBar(this);

    connect(engine, &MpvEngine::videoOutputChanged, m_surface, &VideoSurface::setVideoConfigured);
    connect(engine, &MpvEngine::videoNeedsRenderContext, this,
            &MediaPlayer::onVideoNeedsRenderContext);
    connect(m_surface, &VideoSurface::renderReady, this, &MediaPlayer::onRenderReady);
    connect(m_surface, &VideoSurface::frameRendered, m_playback, &Playback::reportFrameShown);

    Playback* p = m_playback;
    connect(p, &Playback::playStateChanged, this, &MediaPlayer::onPlayStateChanged);
    connect(p, &Playback::positionChanged, this, &MediaPlayer::onPositionChanged);
    connect(p, &Playback::durationChanged, this, &MediaPlayer::onDurationChanged);
    connect(p, &Playback::stateChanged, this, [this](Playback::State state) {
        if (state == Playback::State::Loading)
            m_videoDeferred = false; // the new file asks again
        refreshStatus();
    });
    connect(p, &Playback::fileLoaded, this, &MediaPlayer::refreshStatus);
    connect(p, &Playback::soundLostChanged, this, &MediaPlayer::refreshStatus);
    connect(p, &Playback::tagsChanged, this, &MediaPlayer::refreshInfo);
    connect(p, &Playback::currentEntryChanged, this, &MediaPlayer::refreshInfo);
    connect(p, &Playback::volumeChanged, m_controls, &ControlBar::setVolume);
    connect(p, &Playback::mutedChanged, m_controls, &ControlBar::setMuted);

    connect(p, &Playback::playStateChanged, this, &MediaPlayer::playStateChanged);
    connect(p, &Playback::positionChanged, this, &MediaPlayer::positionChanged);
    connect(p, &Playback::durationChanged, this, &MediaPlayer::durationChanged);
    connect(p, &Playback::fileLoaded, this, &MediaPlayer::fileLoaded);
    connect(p, &Playback::tagsChanged, this, &MediaPlayer::tagsChanged);
    connect(p, &Playback::playbackFailed, this, &MediaPlayer::playbackFailed);
    connect(p, &Playback::endOfMedia, this, &MediaPlayer::endOfMedia);
    connect(p, &Playback::currentEntryChanged, this, &MediaPlayer::currentEntryChanged);
    connect(p, &Playback::volumeChanged, this, &MediaPlayer::volumeChanged);
    connect(p, &Playback::frameShown, this, &MediaPlayer::frameRendered);

    connect(m_controls, &ControlBar::playPauseRequested, p, &Playback::togglePause);
    connect(m_controls, &ControlBar::stopRequested, p, &Playback::stop);
    connect(m_controls, &ControlBar::seekRequested, p, &Playback::seek);
    connect(m_controls, &ControlBar::volumeRequested, p, &Playback::setVolume);
    connect(m_controls, &ControlBar::muteRequested, p, &Playback::setMuted);

    refreshInfo();
    refreshStatus();
}

MediaPlayer::~MediaPlayer()
{
    // The surface frees the render context (with its GL context current, when
    // it has one); only then may libmpv itself go with the playback.
    delete m_surface;
    delete m_playback;
}

VideoSurface* MediaPlayer::videoSurface() const
{
    return m_surface;
}

// libmpv waits for this before it opens the video output. A hidden surface
// cannot make an OpenGL context: the picture then joins when it appears.
void MediaPlayer::onVideoNeedsRenderContext()
{
    m_surface->prepareRender();
    if (!m_surface->isRenderReady())
        m_videoDeferred = true;
}

void MediaPlayer::onRenderReady()
{
    if (m_videoDeferred) {
        m_videoDeferred = false;
        m_playback->engine()->enableVideo();
    }
}

void MediaPlayer::onPlayStateChanged(PlayState state)
{
    m_controls->setPlayState(state);
    refreshStatus();
}

void MediaPlayer::onPositionChanged(double seconds)
{
    m_controls->setPosition(seconds);
    refreshStatus();
}

void MediaPlayer::onDurationChanged(double seconds)
{
    m_controls->setDuration(seconds);
    refreshStatus();
}

// --- what is shown -----------------------------------------------------------------------

void MediaPlayer::refreshStatus()
{
    const Playback::State state = m_playback->state();
    const bool failed = state == Playback::State::Failed;
    const bool hasTime = state != Playback::State::Idle && !failed;
    m_status->setStatus(m_playback->statusText(), failed);
    m_status->setTime(hasTime ? m_playback->position() : -1, m_playback->duration());
}

void MediaPlayer::refreshInfo()
{
    m_info->setClip(title(), artist(), album());
}

// --- size and layout -----------------------------------------------------------------------

void MediaPlayer::setWidth(float twips)
{
    checkTwips(twips);
    m_widthTwips = twips;
    resize(twipsToPixels(twips, twips::perPixel(this)), height());
}

void MediaPlayer::setHeight(float twips)
{
    checkTwips(twips);
    m_heightTwips = twips;
    resize(width(), twipsToPixels(twips, twips::perPixel(this)));
}

// The twips written, while the widget still has the size they gave.
float MediaPlayer::widthTwips() const
{
    const double perPixel = twips::perPixel(this);
    if (m_widthTwips >= 0 && twipsToPixels(m_widthTwips, perPixel) == width())
        return m_widthTwips;
    return twips::fromPixels(width(), perPixel);
}

float MediaPlayer::heightTwips() const
{
    const double perPixel = twips::perPixel(this);
    if (m_heightTwips >= 0 && twipsToPixels(m_heightTwips, perPixel) == height())
        return m_heightTwips;
    return twips::fromPixels(height(), perPixel);
}

void MediaPlayer::setShowDisplay(bool show)
{
    m_showDisplay = show;
    relayout();
}

void MediaPlayer::setShowStatusBar(bool show)
{
    m_showStatusBar = show;
    relayout();
}

QSize MediaPlayer::sizeHint() const
{
    const double perPixel = twips::perPixel(this);
    return {twipsToPixels(4200, perPixel), twipsToPixels(4865, perPixel)};
}

QSize MediaPlayer::minimumSizeHint() const
{
    return {0, 0};
}

void MediaPlayer::relayout()
{
    const PlayerLayout layout = PlayerLayout::compute({
        .size = size(),
        .twipsPerPixel = twips::perPixel(this),
        .showInformation = m_showDisplay,
        .showStatus = m_showStatusBar,
        .statusHeight = m_status->sizeHint().height(),
        .informationMinimum = m_info->minimumSizeHint().height(),
    });
    // A hidden surface keeps its last size: the video window would take an
    // empty size for "hidden" by itself.
    if (!layout.video.isEmpty())
        m_surface->setGeometry(layout.video);
    m_surface->setVisible(!layout.video.isEmpty());
    m_info->setGeometry(layout.information);
    m_info->setVisible(!layout.information.isEmpty());
    m_status->setGeometry(layout.status);
    m_status->setVisible(!layout.status.isEmpty());
    m_controls->setGeometry(layout.controls);
}

void MediaPlayer::resizeEvent(QResizeEvent* event)
{
    relayout();
    QWidget::resizeEvent(event);
}

// Children post this when their size hints change (a new font, for one).
bool MediaPlayer::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest)
        relayout();
    return QWidget::event(event);
}

void MediaPlayer::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        togglePause();
        break;
    case Qt::Key_Left:
        seek(position() - kSeekStep);
        break;
    case Qt::Key_Right:
        seek(position() + kSeekStep);
        break;
    case Qt::Key_Up:
        setVolume(volume() + kVolumeStep);
        break;
    case Qt::Key_Down:
        setVolume(volume() - kVolumeStep);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
