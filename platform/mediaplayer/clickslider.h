// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSlider>
#include <QStyle>

class QStyleOptionSlider;

// A horizontal slider whose handle jumps to where the groove is clicked and
// can be dragged on from there, as media players' sliders behave.
//
// It repaints only when a new value moves the handle: the playing position
// steps several times a second, and over a long file most steps stay within
// the pixel the handle already covers.
class ClickSlider : public QSlider
{
    Q_OBJECT
public:
    explicit ClickSlider(QWidget* parent = nullptr);

    // The value a click at `at` (widget pixels) would give.
    int valueAt(const QPoint& at) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    QRect subControlRect(const QStyleOptionSlider& option, QStyle::SubControl part) const;
    QRect handleRect() const;

    QRect m_paintedHandle; // where the last paint drew the handle
};
