// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

// A picture box: its background colour, its picture drawn at the top-left
// corner, and the text printed into it. Printed text goes to a persistent image
// (kept while the box is hidden, covered or grown), so a repaint shows it
// again. Sizes and positions are pixels. Takes no focus; reports clicks.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    QPixmap picture() const { return m_picture; }
    // A null pixmap is the empty picture.
    void setPicture(const QPixmap& picture);
    // Invalid: none of its own, the form shows through.
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor& color);

    // Erases the printed text and takes the print position back to the
    // top-left corner.
    void cls();
    // Prints `text` in the box's font and fore colour at the print position; a
    // carriage return, a line feed or both start a new line at the left edge,
    // and a line end follows the text.
    void print(const QString& text);
    QPointF printPosition() const { return m_printPosition; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Makes the persistent image at least as large as the box, keeping what
    // it holds.
    void ensureCanvas();

    QPixmap m_picture;
    QColor m_backColor;
    QColor m_foreColor = Qt::black;
    QImage m_canvas; // printed text on transparency, device pixels
    QPointF m_printPosition;
    bool m_pressed = false;
};
