// SPDX-License-Identifier: MIT
#include "controlbar.h"

#include "clickslider.h"
#include "controlicons.h"
#include "playbackstatusbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace
{

constexpr int kSpacing = 4;
constexpr int kMinimumSeekWidth = 48;

int toMilliseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    return static_cast<int>(std::min(seconds * 1000.0, 2.0e9));
}

} // namespace

ControlBar::ControlBar(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);

    m_playPause = makeButton(QStringLiteral("再生"));
    m_stop = makeButton(QStringLiteral("停止"));
    m_previous = makeButton(QStringLiteral("前へ"));
    m_next = makeButton(QStringLiteral("次へ"));
    m_previous->hide();
    m_next->hide();
    m_mute = makeButton(QStringLiteral("ミュート"));

    m_seek = new ClickSlider(this);
    m_seek->setFocusPolicy(Qt::NoFocus);
    m_seek->setToolTip(QStringLiteral("再生位置"));
    m_seek->setAccessibleName(QStringLiteral("再生位置"));
    m_seek->setRange(0, 0);
    m_seek->setEnabled(false);
    m_seek->setMinimumWidth(kMinimumSeekWidth);
    // The time under the pointer is its tooltip (eventFilter).
    m_seek->setMouseTracking(true);
    m_seek->installEventFilter(this);

    m_time = new QLabel(this);
    m_time->setAccessibleName(QStringLiteral("再生時間"));
    m_time->hide();
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setAccessibleName(QStringLiteral("再生できない理由"));
    m_message->hide();

    m_volume = new ClickSlider(this);
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setToolTip(QStringLiteral("音量"));
    m_volume->setAccessibleName(QStringLiteral("音量"));
    m_volume->setRange(0, 100);
    m_volume->setSingleStep(5);
    m_volume->setPageStep(10);
    m_volume->setValue(100);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSpacing, 0, 2 * kSpacing, 0);
    row->setSpacing(kSpacing);
    row->addWidget(m_previous);
    row->addWidget(m_playPause);
    row->addWidget(m_next);
    row->addWidget(m_stop);
    row->addSpacing(kSpacing);
    row->addWidget(m_seek, 1);
    row->addWidget(m_message, 1);
    row->addWidget(m_time);
    row->addSpacing(kSpacing);
    row->addWidget(m_mute);
    row->addWidget(m_volume);

    connect(m_playPause, &QToolButton::clicked, this, &ControlBar::playPauseRequested);
    connect(m_stop, &QToolButton::clicked, this, &ControlBar::stopRequested);
    connect(m_previous, &QToolButton::clicked, this, &ControlBar::previousRequested);
    connect(m_next, &QToolButton::clicked, this, &ControlBar::nextRequested);
    connect(m_mute, &QToolButton::clicked, this, [this] { emit muteRequested(!m_muted); });
    // Seek once the handle is let go, or at once for a click or wheel step.
    connect(m_seek, &QSlider::sliderReleased, this,
            [this] { emitSeekTo(m_seek->sliderPosition()); });
    // While dragging, the time follows the handle and says where it will go.
    connect(m_seek, &QSlider::sliderMoved, this, [this](int milliseconds) {
        showTime(milliseconds);
        QToolTip::showText(QCursor::pos(), PlaybackStatusBar::formatTime(milliseconds / 1000.0),
                           m_seek);
        emit scrubbed(milliseconds / 1000.0);
    });
    connect(m_seek, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            emitSeekTo(m_seek->sliderPosition());
    });
    connect(m_volume, &QSlider::valueChanged, this, &ControlBar::volumeRequested);

    refreshIcons();
    setPlayState(PlayState::Stopped);
}

QToolButton* ControlBar::makeButton(const QString& toolTip)
{
    auto* button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    return button;
}

QSize ControlBar::sizeHint() const
{
    return {280, 46};
}

QSize ControlBar::minimumSizeHint() const
{
    return {0, 0};
}

void ControlBar::emitSeekTo(int milliseconds)
{
    if (m_seek->isEnabled())
        emit seekRequested(milliseconds / 1000.0);
}

void ControlBar::setPlayState(PlayState state)
{
    m_state = state;
    const bool playing = state == PlayState::Playing;
    const QString tip = playing ? QStringLiteral("一時停止") : QStringLiteral("再生");
    m_playPause->setToolTip(tip);
    m_playPause->setAccessibleName(tip);
    refreshIcons();
}

void ControlBar::setDuration(double seconds)
{
    const int range = toMilliseconds(seconds);
    m_seek->setRange(0, range);
    m_seek->setPageStep(std::max(1, range / 10));
    m_seek->setSingleStep(std::max(1, std::min(5000, range / 50)));
    m_seek->setEnabled(range > 0);
    if (!m_seek->isSliderDown())
        showTime(m_seek->value());
}

void ControlBar::showTime(int milliseconds)
{
    m_time->setText(PlaybackStatusBar::formatTime(milliseconds / 1000.0) + QStringLiteral(" / ") +
                    PlaybackStatusBar::formatTime(m_seek->maximum() / 1000.0));
}

QString ControlBar::timeText() const
{
    return m_time->text();
}

void ControlBar::setTimeShown(bool shown)
{
    m_timeShown = shown;
    fitToSize();
}

void ControlBar::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setToolTip(text);
    fitToSize();
}

QString ControlBar::message() const
{
    return m_message->text();
}

bool ControlBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_seek && m_seek->isEnabled() &&
        (event->type() == QEvent::ToolTip ||
         (event->type() == QEvent::MouseMove && QToolTip::isVisible()))) {
        const QPoint at = event->type() == QEvent::ToolTip
                              ? static_cast<QHelpEvent*>(event)->pos()
                              : static_cast<QMouseEvent*>(event)->position().toPoint();
        const int value = m_seek->isSliderDown() ? m_seek->sliderPosition() : m_seek->valueAt(at);
        QToolTip::showText(m_seek->mapToGlobal(at), PlaybackStatusBar::formatTime(value / 1000.0),
                           m_seek);
        return event->type() == QEvent::ToolTip;
    }
    return QWidget::eventFilter(watched, event);
}

void ControlBar::setPosition(double seconds)
{
    if (m_seek->isSliderDown())
        return; // the drag shows where it will go
    m_seek->setValue(toMilliseconds(seconds));
    showTime(toMilliseconds(seconds));
}

void ControlBar::setVolume(int percent)
{
    const QSignalBlocker quiet(m_volume);
    m_volume->setValue(percent);
}

void ControlBar::setMuted(bool muted)
{
    m_muted = muted;
    const QString tip = muted ? QStringLiteral("ミュート解除") : QStringLiteral("ミュート");
    m_mute->setToolTip(tip);
    m_mute->setAccessibleName(tip);
    refreshIcons();
}

void ControlBar::setSteppable(bool steppable)
{
    if (steppable == m_steppable)
        return;
    m_steppable = steppable;
    fitToSize();
}

void ControlBar::refreshIcons()
{
    using controlicons::Glyph;
    if (!m_playPause)
        return; // a palette change during construction
    const QColor color = palette().color(QPalette::ButtonText);
    const qreal ratio = devicePixelRatioF();
    const int size = std::max(12, m_iconSize);
    // Each icon is made once per look and reused: a new QIcon at every state
    // change leaves its pixmaps in Qt's pixmap cache under a key of its own,
    // and the heap grew with every file played.
    const std::tuple<QRgb, int, qreal> look{color.rgba(), size, ratio};
    if (look != m_iconLook) {
        m_icons.clear();
        m_iconLook = look;
    }
    const auto icon = [&](Glyph glyph) {
        auto made = m_icons.find(int(glyph));
        if (made == m_icons.end())
            made = m_icons.insert(int(glyph), controlicons::make(glyph, color, size, ratio));
        return *made;
    };
    m_playPause->setIcon(icon(m_state == PlayState::Playing ? Glyph::Pause : Glyph::Play));
    m_stop->setIcon(icon(Glyph::Stop));
    m_mute->setIcon(icon(m_muted ? Glyph::Muted : Glyph::Volume));
    m_previous->setIcon(icon(Glyph::Previous));
    m_next->setIcon(icon(Glyph::Next));
    for (QToolButton* button : {m_playPause, m_stop, m_mute, m_previous, m_next})
        button->setIconSize(QSize(size, size));
}

// Buttons are squares a little shorter than the bar; the volume slider takes
// about a fifth of the width. Narrow bars drop the playlist steps, then
// volume, then stop.
void ControlBar::fitToSize()
{
    const int button = std::clamp(height() - 12, 16, 48);
    const int icon = std::max(12, button * 11 / 20);
    for (QToolButton* each : {m_playPause, m_stop, m_mute, m_previous, m_next})
        each->setFixedSize(button, button);
    const int volumeWidth = std::clamp(width() / 5, 48, 110);
    m_volume->setFixedWidth(volumeWidth);

    const int margins = 3 * kSpacing + 6 * kSpacing; // layout margins, spacings, gaps
    const bool hasMessage = !m_message->text().isEmpty();
    // The time is as wide as its longest text for this length, so it never jumps.
    const int timeWidth =
        m_time->fontMetrics().horizontalAdvance(
            PlaybackStatusBar::formatTime(m_seek->maximum() / 1000.0)
                .replace(QRegularExpression("\\d"), "0") +
            QStringLiteral(" / ") + PlaybackStatusBar::formatTime(m_seek->maximum() / 1000.0)) +
        kSpacing;
    const bool wantTime = m_timeShown && !hasMessage;
    const int full = 3 * button + volumeWidth + kMinimumSeekWidth + margins;
    // What gives way first: the playlist steps, the volume slider, the time,
    // the stop button, the mute button.
    const int withTime = wantTime ? timeWidth : 0;
    const bool showVolume = width() >= full + withTime;
    const bool showTime = wantTime && width() >= full - volumeWidth + timeWidth;
    const int timeNeeded = showTime ? timeWidth : 0;
    const bool showStop = width() >= full - volumeWidth + timeNeeded;
    const bool showMute = width() >= full - volumeWidth - button + timeNeeded;
    const bool showSteps = m_steppable && width() >= full + withTime + 2 * (button + kSpacing);
    m_previous->setVisible(showSteps);
    m_next->setVisible(showSteps);
    m_volume->setVisible(showVolume);
    m_stop->setVisible(showStop);
    m_mute->setVisible(showMute);
    m_time->setMinimumWidth(showTime ? timeWidth : 0);
    m_time->setVisible(showTime);
    m_seek->setVisible(!hasMessage);
    m_message->setVisible(hasMessage);
    if (icon != m_iconSize) {
        m_iconSize = icon;
        refreshIcons();
    }
}

void ControlBar::resizeEvent(QResizeEvent* event)
{
    fitToSize();
    QWidget::resizeEvent(event);
}

void ControlBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        refreshIcons();
    QWidget::changeEvent(event);
}
