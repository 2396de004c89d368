// SPDX-License-Identifier: MIT
#include "clickslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

QRect ClickSlider::subControlRect(QStyle::SubControl part) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, part, this);
}

void ClickSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QRect handle = subControlRect(QStyle::SC_SliderHandle);
        const QPoint at = event->position().toPoint();
        if (!handle.contains(at)) {
            const QRect groove = subControlRect(QStyle::SC_SliderGroove);
            const int span = groove.width() - handle.width();
            const int offset = at.x() - groove.x() - handle.width() / 2;
            // As the style lays a horizontal slider out.
            const bool upsideDown =
                invertedAppearance() != (layoutDirection() == Qt::RightToLeft);
            // The handle now lies under the pointer, so the base class starts a drag.
            setSliderPosition(
                QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span, upsideDown));
        }
    }
    QSlider::mousePressEvent(event);
}

void ClickSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    m_paintedHandle = subControlRect(QStyle::SC_SliderHandle);
}

void ClickSlider::sliderChange(SliderChange change)
{
    // The groove's filled part ends at the handle, so a handle drawn where it
    // already is leaves the whole picture as it is.
    if (change == SliderValueChange && !m_paintedHandle.isNull() &&
        subControlRect(QStyle::SC_SliderHandle) == m_paintedHandle)
        return;
    QSlider::sliderChange(change);
}
