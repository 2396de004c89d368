// SPDX-License-Identifier: MIT
#include "clickslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

QRect ClickSlider::subControlRect(const QStyleOptionSlider& option, QStyle::SubControl part) const
{
    return style()->subControlRect(QStyle::CC_Slider, &option, part, this);
}

QRect ClickSlider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return subControlRect(option, QStyle::SC_SliderHandle);
}

int ClickSlider::valueAt(const QPoint& at) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = subControlRect(option, QStyle::SC_SliderHandle);
    const QRect groove = subControlRect(option, QStyle::SC_SliderGroove);
    const int span = groove.width() - handle.width();
    const int offset = at.x() - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span, option.upsideDown);
}

void ClickSlider::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // The handle then lies under the pointer, so the base class starts a drag.
    if (event->button() == Qt::LeftButton && !handleRect().contains(at))
        setSliderPosition(valueAt(at));
    QSlider::mousePressEvent(event);
}

void ClickSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    m_paintedHandle = handleRect();
}

void ClickSlider::sliderChange(SliderChange change)
{
    // The groove's filled part ends at the handle, so a handle drawn where it
    // already is leaves the whole picture as it is.
    if (change == SliderValueChange && !m_paintedHandle.isNull() && handleRect() == m_paintedHandle)
        return;
    QSlider::sliderChange(change);
}
