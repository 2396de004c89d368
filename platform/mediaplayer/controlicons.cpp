// SPDX-License-Identifier: MIT
#include "controlicons.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace controlicons
{

namespace
{

// Draws into a unit square (0..1 both ways).
void draw(QPainter& painter, Glyph glyph, const QColor& color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    switch (glyph) {
    case Glyph::Play: {
        QPainterPath triangle;
        triangle.moveTo(0.24, 0.14);
        triangle.lineTo(0.86, 0.50);
        triangle.lineTo(0.24, 0.86);
        triangle.closeSubpath();
        painter.drawPath(triangle);
        break;
    }
    case Glyph::Pause:
        painter.drawRoundedRect(QRectF(0.20, 0.16, 0.20, 0.68), 0.03, 0.03);
        painter.drawRoundedRect(QRectF(0.60, 0.16, 0.20, 0.68), 0.03, 0.03);
        break;
    case Glyph::Stop:
        painter.drawRoundedRect(QRectF(0.20, 0.20, 0.60, 0.60), 0.05, 0.05);
        break;
    case Glyph::Previous:
    case Glyph::Next: {
        // A bar and a triangle pointing away from it; Previous is Next mirrored.
        painter.save();
        if (glyph == Glyph::Previous) {
            painter.translate(1, 0);
            painter.scale(-1, 1);
        }
        QPainterPath triangle;
        triangle.moveTo(0.18, 0.20);
        triangle.lineTo(0.68, 0.50);
        triangle.lineTo(0.18, 0.80);
        triangle.closeSubpath();
        painter.drawPath(triangle);
        painter.drawRoundedRect(QRectF(0.70, 0.20, 0.12, 0.60), 0.02, 0.02);
        painter.restore();
        break;
    }
    case Glyph::Volume:
    case Glyph::Muted: {
        QPainterPath speaker;
        speaker.moveTo(0.08, 0.36);
        speaker.lineTo(0.26, 0.36);
        speaker.lineTo(0.50, 0.14);
        speaker.lineTo(0.50, 0.86);
        speaker.lineTo(0.26, 0.64);
        speaker.lineTo(0.08, 0.64);
        speaker.closeSubpath();
        painter.drawPath(speaker);
        QPen stroke(color, 0.075, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(stroke);
        painter.setBrush(Qt::NoBrush);
        if (glyph == Glyph::Muted) {
            painter.drawLine(QPointF(0.62, 0.36), QPointF(0.90, 0.64));
            painter.drawLine(QPointF(0.90, 0.36), QPointF(0.62, 0.64));
        } else {
            painter.drawArc(QRectF(0.36, 0.30, 0.36, 0.40), -50 * 16, 100 * 16);
            painter.drawArc(QRectF(0.30, 0.16, 0.60, 0.68), -50 * 16, 100 * 16);
        }
        break;
    }
    }
}

QPixmap render(Glyph glyph, const QColor& color, int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size, size);
    draw(painter, glyph, color);
    return pixmap;
}

} // namespace

QIcon make(Glyph glyph, const QColor& color, int logicalSize, qreal devicePixelRatio)
{
    QIcon icon;
    icon.addPixmap(render(glyph, color, logicalSize, devicePixelRatio), QIcon::Normal);
    QColor dimmed = color;
    dimmed.setAlphaF(0.35f);
    icon.addPixmap(render(glyph, dimmed, logicalSize, devicePixelRatio), QIcon::Disabled);
    return icon;
}

} // namespace controlicons
