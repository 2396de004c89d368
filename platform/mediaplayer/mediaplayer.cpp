// SPDX-License-Identifier: MIT
#include "mediaplayer.h"

#include "apperror.h"
#include "clipinfopanel.h"
#include "controlbar.h"
#include "fullscreenwindow.h"
#include "mediapropertiesdialog.h"
#include "mpvengine.h"
#include "playbackstatusbar.h"
#include "playerlayout.h"
#include "playermenu.h"
#include "playerpalette.h"
#include "twips.h"
#include "videosurface.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace
{

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

MediaPlayer::MediaPlayer(QWidget* parent) : MediaPlayer(new Playback, parent) {}

MediaPlayer::MediaPlayer(Playback* playback, QWidget* parent)
    : QWidget(parent), m_playback(playback)
{
    setPalette(playerPalette(palette()));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    m_playback->setParent(this);
    MpvEngine* engine = m_playback->engine();
    m_surface = new VideoSurface(engine, this);
    m_info = new ClipInfoPanel(this);
    m_status = new PlaybackStatusBar(this);
    m_controls = new ControlBar(this);
    m_surface->installEventFilter(this);

    m_failure = new QLabel(this);
    m_failure->setWordWrap(true);
    m_failure->setAlignment(Qt::AlignCenter);
    m_failure->setMargin(12);
    m_failure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont failureFont = m_failure->font();
    failureFont.setPointSizeF(failureFont.pointSizeF() * 1.35);
    m_failure->setFont(failureFont);
    m_failure->hide();

    m_notice = new QLabel(m_surface);
    m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notice->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white;"
                                           " padding: 4px 10px; border-radius: 3px; }"));
    m_notice->hide();
    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(kNoticeMs);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        m_notice->hide();
        refreshStatus();
    });

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
        relayout(); // a failure takes the picture's place, or the bar's
    });
    connect(p, &Playback::fileLoaded, this, &MediaPlayer::refreshStatus);
    // The sound going away (or coming back) is told over the picture a while,
    // and stays in the status text while it lasts.
    connect(p, &Playback::soundLostChanged, this, [this](bool lost) {
        showNotice(lost ? QStringLiteral("音声の出力先が見つかりません。音は出ていません")
                        : QStringLiteral("音声が戻りました"));
    });
    connect(p, &Playback::tagsChanged, this, &MediaPlayer::refreshInfo);
    connect(p, &Playback::currentEntryChanged, this, &MediaPlayer::refreshInfo);
    connect(p, &Playback::volumeChanged, m_controls, &ControlBar::setVolume);
    connect(p, &Playback::mutedChanged, m_controls, &ControlBar::setMuted);
    connect(p, &Playback::canStepChanged, this,
            [this] { m_controls->setSteppable(m_playback->canGoNext()); });

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

    // While the seek slider is dragged, the status bar's time follows it.
    connect(m_controls, &ControlBar::scrubbed, this,
            [this](double seconds) { m_status->setTime(seconds, m_playback->duration()); });
    connect(m_controls, &ControlBar::playPauseRequested, p, &Playback::togglePause);
    connect(m_controls, &ControlBar::stopRequested, p, &Playback::stop);
    connect(m_controls, &ControlBar::previousRequested, p, &Playback::previous);
    connect(m_controls, &ControlBar::nextRequested, p, &Playback::next);
    connect(m_controls, &ControlBar::seekRequested, p, &Playback::seek);
    connect(m_controls, &ControlBar::volumeRequested, p, &Playback::setVolume);
    connect(m_controls, &ControlBar::muteRequested, p, &Playback::setMuted);

    // A playback taken over may be opening a file already: the bar starts from
    // what it holds, not from its own defaults.
    m_controls->setPlayState(p->playState());
    m_controls->setDuration(p->duration());
    m_controls->setPosition(p->position());
    m_controls->setVolume(p->volume());
    m_controls->setMuted(p->isMuted());
    m_controls->setSteppable(p->canGoNext());
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
    // Without a picture to tell it over, a notice takes the status line a while.
    if (m_noticeTimer.isActive() && !m_surface->isVisible())
        m_status->setStatus(m_notice->text(), false);
    else
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
    if (m_isFullScreen) {
        relayoutFullScreen();
        return;
    }
    const PlayerLayout layout = PlayerLayout::compute({
        .size = size(),
        .twipsPerPixel = twips::perPixel(this),
        .showInformation = m_showDisplay,
        .showStatus = m_showStatusBar,
        .statusHeight = m_status->sizeHint().height(),
        .informationMinimum = m_info->minimumSizeHint().height(),
    });
    // Why a file cannot be played is always in view: whole, in the picture's
    // place; where there is no picture (the compact size without the
    // information), in the control bar instead of the slider.
    const bool failed = m_playback->state() == Playback::State::Failed;
    const QString reason = failed ? m_playback->error().text() : QString();
    const bool failureShown = failed && !layout.video.isEmpty();
    if (failureShown) {
        m_failure->setText(QStringLiteral("再生できません\n") + reason);
        m_failure->setGeometry(layout.video);
        m_failure->raise();
    }
    m_failure->setVisible(failureShown);
    m_controls->setMessage(failed && !failureShown ? QStringLiteral("再生できません：") + reason
                                                   : QString());
    // The time goes to the control bar while no status bar shows it.
    m_controls->setTimeShown(layout.status.isEmpty() && !failed &&
                             m_playback->state() != Playback::State::Idle);
    // A hidden surface keeps its last size: the video window would take an
    // empty size for "hidden" by itself.
    if (!layout.video.isEmpty())
        m_surface->setGeometry(layout.video);
    m_surface->setVisible(!layout.video.isEmpty() && !failureShown);
    m_info->setGeometry(layout.information);
    m_info->setVisible(!layout.information.isEmpty());
    m_status->setGeometry(layout.status);
    m_status->setVisible(!layout.status.isEmpty());
    m_controls->setGeometry(layout.controls);
}

void MediaPlayer::relayoutFullScreen()
{
    m_failure->hide();
    const PlayerLayout layout = PlayerLayout::overlaid({
        .size = m_fullScreen->size(),
        .twipsPerPixel = twips::perPixel(this),
        .showInformation = m_showDisplay,
        .showStatus = m_showStatusBar,
        .statusHeight = m_status->sizeHint().height(),
        .informationMinimum = m_info->minimumSizeHint().height(),
    });
    m_surface->setGeometry(layout.video);
    m_surface->show();
    const QRect strip = layout.information | layout.status | layout.controls;
    m_fullScreen->overlay()->setGeometry(strip);
    const QPoint origin = strip.topLeft();
    m_info->setGeometry(layout.information.translated(-origin));
    m_info->setVisible(!layout.information.isEmpty());
    m_status->setGeometry(layout.status.translated(-origin));
    m_status->setVisible(!layout.status.isEmpty());
    m_controls->setGeometry(layout.controls.translated(-origin));
    m_controls->show();
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
    if (m_isFullScreen && runWindowCommand(*event)) {
        event->accept();
        return;
    }
    // The host's shortcuts (Ctrl+O and the like) and the menu bar's Alt keys
    // are not the player's.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
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
        stepVolume(+1);
        break;
    case Qt::Key_Down:
        stepVolume(-1);
        break;
    case Qt::Key_M:
        setMuted(!isMuted());
        showNotice(isMuted() ? QStringLiteral("ミュート") : QStringLiteral("ミュート解除"));
        break;
    case Qt::Key_F:
    case Qt::Key_F11:
        toggleFullScreen();
        break;
    case Qt::Key_Escape:
        if (!m_isFullScreen) {
            QWidget::keyPressEvent(event);
            return;
        }
        setFullScreen(false);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_P:
        m_playback->previous();
        break;
    case Qt::Key_PageDown:
    case Qt::Key_N:
        m_playback->next();
        break;
    case Qt::Key_BracketLeft:
        stepSpeed(-1);
        break;
    case Qt::Key_BracketRight:
        stepSpeed(+1);
        break;
    case Qt::Key_Backspace:
        m_playback->setSpeed(1.0);
        showNotice(QStringLiteral("速度 1×"));
        break;
    case Qt::Key_Menu: {
        const QWidget* over = m_surface->isVisible() ? static_cast<QWidget*>(m_surface) : this;
        openContextMenu(over->mapToGlobal(over->rect().center()));
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// --- volume, speed, notices ---------------------------------------------------------------

void MediaPlayer::stepVolume(int steps)
{
    setVolume(volume() + steps * kVolumeStep);
    showNotice(QStringLiteral("音量 %1").arg(volume()));
}

void MediaPlayer::stepSpeed(int steps)
{
    // From the speed now to the next step of the table that way.
    const double now = m_playback->speed();
    double to = now;
    if (steps > 0) {
        const auto* up = std::upper_bound(std::begin(kSpeeds), std::end(kSpeeds), now + 1e-9);
        to = up == std::end(kSpeeds) ? kSpeeds[std::size(kSpeeds) - 1] : *up;
    } else if (steps < 0) {
        const auto* down = std::lower_bound(std::begin(kSpeeds), std::end(kSpeeds), now - 1e-9);
        to = down == std::begin(kSpeeds) ? kSpeeds[0] : *(down - 1);
    }
    m_playback->setSpeed(to);
    showNotice(QStringLiteral("速度 %1×").arg(m_playback->speed()));
}

QString MediaPlayer::notice() const
{
    return m_noticeTimer.isActive() ? m_notice->text() : QString();
}

void MediaPlayer::showNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->adjustSize();
    m_notice->move(8, 8);
    if (m_surface->hasNativeWindow())
        m_notice->setAttribute(Qt::WA_NativeWindow); // over the video's own window
    m_notice->setVisible(m_surface->isVisible());
    m_notice->raise();
    m_noticeTimer.start();
    refreshStatus();
}

// --- context menu, properties ----------------------------------------------------------------

void MediaPlayer::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QWidget* over = m_surface->isVisible() ? static_cast<QWidget*>(m_surface) : this;
        at = over->mapToGlobal(over->rect().center());
    }
    openContextMenu(at);
    event->accept();
}

void MediaPlayer::openContextMenu(const QPoint& globalPos)
{
    // Not modal: the menu goes when it closes, and the event loop runs on.
    auto* menu = new QMenu(topWindow());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fillPlayerMenu(*menu, *this);
    menu->popup(globalPos);
}

// The window the player's picture is in now: the host's, or the full screen.
QWidget* MediaPlayer::topWindow()
{
    return m_isFullScreen ? static_cast<QWidget*>(m_fullScreen) : window();
}

MediaPropertiesDialog* MediaPlayer::propertiesDialog() const
{
    return m_properties;
}

void MediaPlayer::showProperties()
{
    QWidget* over = topWindow();
    if (!m_properties)
        m_properties = new MediaPropertiesDialog(m_playback, over);
    else if (m_properties->parentWidget() != over)
        m_properties->setParent(over, m_properties->windowFlags());
    m_properties->show();
    m_properties->raise();
    m_properties->activateWindow();
}

// --- full screen ------------------------------------------------------------------------------

void MediaPlayer::setWindowCommands(const QList<QAction*>& commands)
{
    m_windowCommands.clear();
    for (QAction* command : commands)
        m_windowCommands.append(command);
}

bool MediaPlayer::runWindowCommand(const QKeyEvent& event)
{
    const QKeySequence pressed(event.keyCombination());
    for (const QPointer<QAction>& command : m_windowCommands) {
        if (command && command->isEnabled() && !command->shortcut().isEmpty() &&
            command->shortcut() == pressed) {
            setFullScreen(false);
            command->trigger();
            return true;
        }
    }
    return false;
}

void MediaPlayer::setFullScreen(bool on)
{
    if (on == m_isFullScreen)
        return;
    const bool propertiesShown = m_properties && m_properties->isVisible();
    if (on) {
        if (!m_fullScreen) {
            m_fullScreen = new FullScreenWindow(this);
            connect(m_fullScreen, &FullScreenWindow::resized, this, &MediaPlayer::relayout);
            connect(m_fullScreen, &FullScreenWindow::closeRequested, this,
                    [this] { setFullScreen(false); });
        }
        m_isFullScreen = true;
        m_surface->setParent(m_fullScreen);
        for (QWidget* bar : {static_cast<QWidget*>(m_info), static_cast<QWidget*>(m_status),
                             static_cast<QWidget*>(m_controls)})
            bar->setParent(m_fullScreen->overlay());
        if (m_surface->hasNativeWindow())
            m_fullScreen->overlay()->setAttribute(Qt::WA_NativeWindow); // over the video's window
        relayout();
        m_fullScreen->showOn(window()->screen(), m_surface);
    } else {
        m_isFullScreen = false;
        m_fullScreen->leave();
        // Back in the order they were made: surface, information, status, controls.
        for (QWidget* part : {static_cast<QWidget*>(m_surface), static_cast<QWidget*>(m_info),
                              static_cast<QWidget*>(m_status), static_cast<QWidget*>(m_controls)})
            part->setParent(this);
        relayout();
        m_controls->show();
        window()->activateWindow();
        setFocus();
    }
    if (propertiesShown)
        showProperties(); // over the window the picture is in now
    update();
    emit fullScreenChanged(on);
}

bool MediaPlayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_surface && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        toggleFullScreen();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// While the picture is on the full screen, this widget tells where it went.
void MediaPlayer::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_isFullScreen)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("全画面表示中"));
}
