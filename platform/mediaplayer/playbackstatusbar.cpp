// SPDX-License-Identifier: MIT
#include "playbackstatusbar.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

constexpr int kVerticalPadding = 3;

int horizontalPadding(const QFontMetrics& metrics)
{
    return std::max(6, metrics.height() / 2);
}

} // namespace

PlaybackStatusBar::PlaybackStatusBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString PlaybackStatusBar::formatTime(double seconds)
{
    const long long whole =
        std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

void PlaybackStatusBar::setStatus(const QString& text, bool isError)
{
    if (text == m_status && isError == m_isError)
        return;
    m_status = text;
    m_isError = isError;
    setToolTip(text);
    update();
}

void PlaybackStatusBar::setTime(double position, double duration)
{
    const QString time = position < 0
                             ? QString()
                             : formatTime(position) + QStringLiteral(" / ") + formatTime(duration);
    if (time == m_time)
        return;
    m_time = time;
    update();
}

QSize PlaybackStatusBar::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("一時停止  00:00 / 00:00")) +
                2 * horizontalPadding(metrics),
            metrics.height() + 2 * kVerticalPadding};
}

QSize PlaybackStatusBar::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void PlaybackStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    painter.fillRect(rect(), colors.color(QPalette::AlternateBase));

    const QFontMetrics metrics(font());
    const int padding = horizontalPadding(metrics);
    const QRect inner = rect().adjusted(padding, 0, -padding, 0);
    if (inner.width() <= 0)
        return;

    // Digits take the room they need first; the gap keeps the two apart.
    int timeWidth = 0;
    if (!m_time.isEmpty()) {
        timeWidth = metrics.horizontalAdvance(m_time);
        if (timeWidth > inner.width()) {
            timeWidth = 0;
        } else {
            painter.setPen(colors.color(QPalette::WindowText));
            painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter, m_time);
            timeWidth += metrics.height();
        }
    }
    const int statusWidth = inner.width() - timeWidth;
    if (statusWidth <= 0)
        return;
    painter.setPen(m_isError ? QColor(0xff, 0x8a, 0x80) : colors.color(QPalette::WindowText));
    painter.drawText(QRect(inner.left(), inner.top(), statusWidth, inner.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_status, Qt::ElideRight, statusWidth));
}
