// SPDX-License-Identifier: MIT
#include "clickslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

QRect ClickSlider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void ClickSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const QPoint at = event->position().toPoint();
        if (!handle.contains(at)) {
            const QRect groove =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            const int span = groove.width() - handle.width();
            const int offset = at.x() - groove.x() - handle.width() / 2;
            // The handle now lies under the pointer, so the base class starts a drag.
            setSliderPosition(QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span,
                                                              option.upsideDown));
        }
    }
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
    if (change == SliderValueChange && !m_paintedHandle.isNull() &&
        handleRect() == m_paintedHandle)
        return;
    QSlider::sliderChange(change);
}
