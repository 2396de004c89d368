// SPDX-License-Identifier: MIT
#include "lineshape.h"

#include <QPainter>

LineShape::LineShape(const QColor& color, QWidget* parent) : QWidget(parent), m_color(color)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LineShape::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), m_color);
}
