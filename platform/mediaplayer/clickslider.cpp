// SPDX-License-Identifier: MIT
#include "clickslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

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
