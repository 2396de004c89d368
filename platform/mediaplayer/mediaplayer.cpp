// SPDX-License-Identifier: MIT
#include "mediaplayer.h"

#include "apperror.h"
#include "clipinfopanel.h"
#include "controlbar.h"
#include "mediasource.h"
#include "mpvengine.h"
#include "playbackstatusbar.h"
#include "playerlayout.h"
#include "playerpalette.h"
#include "soundfontlocator.h"
#include "twips.h"
#include "videosurface.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>
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

    m_engine = new MpvEngine(this);
    m_source = new MediaSource(this);
    m_surface = new VideoSurface(m_engine, this);
    m_info = new ClipInfoPanel(this);
    m_status = new PlaybackStatusBar(this);
    m_controls = new ControlBar(this);

    connect(m_engine, &MpvEngine::fileLoaded, this, &MediaPlayer::onFileLoaded);
    connect(m_engine, &MpvEngine::itemStarted, this, &MediaPlayer::onItemStarted);
    connect(m_source, &MediaSource::resolved, this, &MediaPlayer::startItems);
    connect(m_engine, &MpvEngine::fileFailed, this, &MediaPlayer::onFileFailed);
    connect(m_engine, &MpvEngine::endReached, this, &MediaPlayer::onEndReached);
    connect(m_engine, &MpvEngine::fileEnded, this, &MediaPlayer::onFileEnded);
    connect(m_engine, &MpvEngine::timePosChanged, this, &MediaPlayer::onTimePos);
    connect(m_engine, &MpvEngine::durationChanged, this, &MediaPlayer::setDuration);
    connect(m_engine, &MpvEngine::pauseChanged, this, &MediaPlayer::onPause);
    connect(m_engine, &MpvEngine::metadataChanged, this, &MediaPlayer::onMetadata);
    connect(m_engine, &MpvEngine::videoOutputChanged, m_surface, &VideoSurface::setVideoConfigured);
    connect(m_surface, &VideoSurface::renderReady, this, &MediaPlayer::onRenderReady);
    connect(m_engine, &MpvEngine::videoNeedsRenderContext, this,
            &MediaPlayer::onVideoNeedsRenderContext);
    connect(m_surface, &VideoSurface::frameRendered, this, &MediaPlayer::frameRendered);

    connect(m_controls, &ControlBar::playPauseRequested, this, &MediaPlayer::togglePause);
    connect(m_controls, &ControlBar::stopRequested, this, &MediaPlayer::stop);
    connect(m_controls, &ControlBar::seekRequested, this, &MediaPlayer::seek);
    connect(m_controls, &ControlBar::volumeRequested, this, &MediaPlayer::setVolume);
    connect(m_controls, &ControlBar::muteRequested, this, &MediaPlayer::setMuted);

    refreshInfo();
    refreshStatus();
}

MediaPlayer::~MediaPlayer()
{
    // The surface frees the render context (with its GL context current, when
    // it has one); only then may libmpv itself go.
    delete m_surface;
    delete m_engine;
}

VideoSurface* MediaPlayer::videoSurface() const
{
    return m_surface;
}

// --- the file ---------------------------------------------------------------------

void MediaPlayer::setFileName(const QString& path)
{
    m_fileName = path;
    m_absolutePath = path.isEmpty() ? QString() : QDir::current().absoluteFilePath(path);
    m_source->clear();
    m_tags.clear();
    m_failure.clear();
    m_stopped = path.isEmpty();
    m_paused = false;
    m_needsReload = false;
    m_position = 0;
    setDuration(0);
    setPositionShown(0, true);
    refreshInfo();
    if (path.isEmpty()) {
        ++m_loadRequest;
        m_engine->unload();
    } else {
        requestLoad();
    }
    refreshState();
    refreshStatus();
}

// Hands the file to the engine. The render context is made when the first
// file with a picture arrives (see onVideoNeedsRenderContext); a hidden surface
// cannot make an OpenGL one, and the picture then joins when it appears.
void MediaPlayer::requestLoad()
{
    m_needsReload = false;
    m_videoDeferred = false;
    ++m_loadRequest;
    const QFileInfo file(m_absolutePath);
    if (!file.exists() || file.isDir()) {
        failBeforeLoading(file.isDir() ? QStringLiteral("フォルダーは再生できません")
                                       : QStringLiteral("ファイルが見つかりません"));
        return;
    }
    if (m_source->resolve(m_absolutePath))
        startItems();
    else
        m_engine->unload(); // a playlist is being read: silence meanwhile
}

void MediaPlayer::startItems()
{
    QString problem = m_source->problemText();
    if (problem.isEmpty() && m_source->isMidi() && SoundFontLocator::find().empty())
        problem = QStringLiteral("MIDIの音源（サウンドフォント）が見つかりません");
    if (!problem.isEmpty()) {
        failBeforeLoading(problem);
        return;
    }
    m_engine->load(m_source->items());
}

// Reported from the event loop like every failure of the engine's, so that a
// handler of playbackFailed may set the next file without recursing; unless a
// later file has been set by then.
void MediaPlayer::failBeforeLoading(const QString& reason)
{
    m_engine->unload();
    const quint64 request = m_loadRequest;
    QTimer::singleShot(0, this, [this, request, reason] {
        if (request == m_loadRequest)
            fail(reason);
    });
}

// libmpv waits for this before it opens the video output.
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
        m_engine->enableVideo();
    }
}

void MediaPlayer::onFileLoaded()
{
    // stop() while the file was still loading: keep it at the start.
    if (m_stopped)
        m_engine->setPaused(true);
    refreshStatus();
    emit fileLoaded();
}

void MediaPlayer::onItemStarted(int index)
{
    if (index == m_source->current())
        return;
    m_source->setCurrent(index);
    m_tags.clear(); // the engine reads the new entry's tags next
    if (!m_stopped) {
        m_position = 0;
        setPositionShown(0, true);
    }
    refreshInfo();
    emit currentEntryChanged(index);
}

void MediaPlayer::onFileFailed(int mpvError)
{
    m_needsReload = true;
    fail(failureReason(mpvError));
}

void MediaPlayer::fail(const QString& reason)
{
    m_failure = reason;
    m_stopped = true;
    m_position = 0;
    setDuration(0);
    setPositionShown(0, true);
    refreshState();
    refreshStatus();
    emit playbackFailed(reason);
}

QString MediaPlayer::failureReason(int mpvError) const
{
    const QFileInfo file(m_absolutePath);
    if (!file.exists())
        return QStringLiteral("ファイルが見つかりません");
    if (!file.isReadable())
        return QStringLiteral("ファイルを読み込めません");
    if (file.size() == 0)
        return QStringLiteral("ファイルが空です");
    if (const QString known = m_source->failureText(); !known.isEmpty())
        return known;
    QString reason = MpvEngine::failureText(mpvError);
    if (!m_engine->isValid())
        reason += QStringLiteral("（%1）").arg(m_engine->initError());
    return reason;
}

void MediaPlayer::onEndReached()
{
    if (m_stopped)
        return;
    returnToStart();
    emit endOfMedia();
}

void MediaPlayer::onFileEnded()
{
    // The engine closed the file (it could not keep it open): play() reopens it.
    m_needsReload = true;
    m_engine->unload();
    if (!m_stopped) {
        returnToStart();
        emit endOfMedia();
    }
}

void MediaPlayer::returnToStart()
{
    m_stopped = true;
    m_paused = true;
    if (!m_needsReload) {
        m_engine->setPaused(true);
        m_engine->rewind(); // a playlist goes back to its first entry
    }
    m_position = 0;
    setPositionShown(0, true);
    refreshState();
}

// --- engine values ------------------------------------------------------------------

void MediaPlayer::onTimePos(double seconds)
{
    // Stopped means at the start; the engine may still report the old spot
    // until its seek there lands. While paused nothing but a seek moves the
    // position, and seek() sets it: the engine's report then lags by what the
    // audio output holds buffered.
    if (m_stopped || m_paused)
        return;
    m_position = seconds;
    setPositionShown(seconds, false);
}

void MediaPlayer::setPositionShown(double seconds, bool force)
{
    // time-pos arrives about ten times a second: the clock and the slider
    // follow in quarter seconds.
    const int quarter = static_cast<int>(std::floor(seconds * 4));
    if (!force && quarter == m_shownQuarter)
        return;
    m_shownQuarter = quarter;
    m_controls->setPosition(seconds);
    refreshStatus();
    emit positionChanged(seconds);
}

void MediaPlayer::setDuration(double seconds)
{
    if (seconds == m_duration)
        return;
    m_duration = seconds;
    m_controls->setDuration(seconds);
    refreshStatus();
    emit durationChanged(seconds);
}

void MediaPlayer::onPause(bool paused)
{
    m_paused = paused;
    refreshState();
}

void MediaPlayer::onMetadata(const QVariantMap& tags)
{
    m_tags = tags;
    refreshInfo();
    emit tagsChanged();
}

// --- transport --------------------------------------------------------------------------

void MediaPlayer::play()
{
    if (m_fileName.isEmpty())
        return;
    m_stopped = false;
    m_paused = false;
    if (!m_failure.isEmpty() || m_needsReload) {
        m_failure.clear();
        requestLoad();
    } else {
        m_engine->setPaused(false);
    }
    refreshState();
    refreshStatus();
}

void MediaPlayer::pause()
{
    if (m_state != PlayState::Playing)
        return;
    m_paused = true;
    m_engine->setPaused(true);
    refreshState();
}

void MediaPlayer::togglePause()
{
    if (m_state == PlayState::Playing)
        pause();
    else
        play();
}

void MediaPlayer::stop()
{
    if (m_fileName.isEmpty() || m_stopped)
        return;
    returnToStart();
}

void MediaPlayer::seek(double seconds)
{
    if (m_fileName.isEmpty() || !m_failure.isEmpty() || m_needsReload || !std::isfinite(seconds))
        return;
    seconds = std::max(0.0, m_duration > 0 ? std::min(seconds, m_duration) : seconds);
    // Seeking from the stopped state leaves the file paused there.
    m_stopped = false;
    m_position = seconds;
    m_engine->seek(seconds);
    setPositionShown(seconds, true);
    refreshState();
}

void MediaPlayer::setVolume(int percent)
{
    m_volume = std::clamp(percent, 0, 100);
    m_engine->setVolume(m_volume);
    m_controls->setVolume(m_volume);
    emit volumeChanged(m_volume);
}

void MediaPlayer::setMuted(bool muted)
{
    m_muted = muted;
    m_engine->setMuted(muted);
    m_controls->setMuted(muted);
}

void MediaPlayer::refreshState()
{
    PlayState state = PlayState::Playing;
    if (m_fileName.isEmpty() || !m_failure.isEmpty() || m_stopped)
        state = PlayState::Stopped;
    else if (m_paused)
        state = PlayState::Paused;
    if (state == m_state)
        return;
    m_state = state;
    m_controls->setPlayState(state);
    refreshStatus();
    emit playStateChanged(state);
}

// --- what is shown -----------------------------------------------------------------------

QString MediaPlayer::statusText() const
{
    if (!m_failure.isEmpty())
        return QStringLiteral("再生できません：") + m_failure;
    switch (m_state) {
    case PlayState::Playing:
        return QStringLiteral("再生中");
    case PlayState::Paused:
        return QStringLiteral("一時停止");
    case PlayState::Stopped:
        break;
    }
    return QStringLiteral("停止");
}

void MediaPlayer::refreshStatus()
{
    const bool hasTime = !m_fileName.isEmpty() && m_failure.isEmpty();
    m_status->setStatus(statusText(), !m_failure.isEmpty());
    m_status->setTime(hasTime ? m_position : -1, m_duration);
}

QString MediaPlayer::tag(const char* key) const
{
    for (auto it = m_tags.cbegin(); it != m_tags.cend(); ++it) {
        if (it.key().compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return it.value().toString().trimmed();
    }
    return {};
}

// A playlist's own title for the entry first, then the file's tags, then the
// entry's file name (the chosen file's for anything but a playlist).
QString MediaPlayer::title() const
{
    return m_source->title(tag("title"), QFileInfo(m_fileName).fileName());
}

QString MediaPlayer::artist() const
{
    return m_source->artist(tag("artist"));
}

QString MediaPlayer::album() const
{
    return tag("album");
}

int MediaPlayer::entryCount() const
{
    return int(m_source->items().size());
}

int MediaPlayer::currentEntry() const
{
    return m_source->current();
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
        seek(m_position - kSeekStep);
        break;
    case Qt::Key_Right:
        seek(m_position + kSeekStep);
        break;
    case Qt::Key_Up:
        setVolume(m_volume + kVolumeStep);
        break;
    case Qt::Key_Down:
        setVolume(m_volume - kVolumeStep);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
