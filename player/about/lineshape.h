// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

// A line control drawn on the form: a solid horizontal rule filling its own
// rectangle (length by pen width, pixels). Passes the mouse through.
class LineShape : public QWidget
{
public:
    LineShape(const QColor& color, QWidget* parent = nullptr);

    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};
