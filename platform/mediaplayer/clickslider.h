// SPDX-License-Identifier: MIT
#pragma once

#include <QSlider>

// A horizontal slider whose handle jumps to where the groove is clicked and
// can be dragged on from there, as media players' sliders behave.
class ClickSlider : public QSlider
{
    Q_OBJECT
public:
    explicit ClickSlider(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
