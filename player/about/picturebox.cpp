// SPDX-License-Identifier: MIT
#include "picturebox.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void PictureBox::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
}

void PictureBox::setForeColor(const QColor& color)
{
    m_foreColor = color;
}

void PictureBox::ensureCanvas()
{
    const qreal ratio = devicePixelRatioF();
    const QSize needed(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    if (!m_canvas.isNull() && m_canvas.width() >= needed.width() &&
        m_canvas.height() >= needed.height() && m_canvas.devicePixelRatio() == ratio)
        return;
    QImage grown(needed.expandedTo(m_canvas.size()), QImage::Format_ARGB32_Premultiplied);
    grown.setDevicePixelRatio(ratio);
    grown.fill(Qt::transparent);
    if (!m_canvas.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(QPointF(0, 0), m_canvas);
    }
    m_canvas = grown;
}

void PictureBox::cls()
{
    if (!m_canvas.isNull())
        m_canvas.fill(Qt::transparent);
    m_printPosition = {};
    update();
}

void PictureBox::print(const QString& text)
{
    ensureCanvas();
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF fm(font());
    QPainter painter(&m_canvas);
    painter.setFont(font());
    painter.setPen(m_foreColor);
    const QStringList lines = text.split(lineEnd);
    for (const QString& line : lines) {
        painter.drawText(QPointF(m_printPosition.x(), m_printPosition.y() + fm.ascent()), line);
        m_printPosition = QPointF(0, m_printPosition.y() + fm.height());
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_backColor.isValid())
        painter.fillRect(rect(), m_backColor);
    if (!m_picture.isNull())
        painter.drawPixmap(0, 0, m_picture);
    if (!m_canvas.isNull())
        painter.drawImage(QPointF(0, 0), m_canvas);
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ensureCanvas();
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}
