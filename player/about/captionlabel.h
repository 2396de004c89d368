// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A label control: a caption drawn in the label's font and fore colour from its
// top-left corner, words wrapped at its width. A carriage return, a line feed
// or both together end a line; the caption keeps them as they were given.
// Takes no focus; reports clicks.
//
// Lines are set a little tighter than the font's own line height when that is
// generous (as with the CJK fonts' 1.45 em), so Japanese text fits rectangles
// designed for the Windows gothic fonts' 1.0-1.1 em lines.
class CaptionLabel : public QWidget
{
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor& color);

    // Pixels: the widest line of the caption without wrapping, and the height of
    // one line in the label's font.
    int naturalWidth() const;
    int lineHeight() const;
    // Pixels: the height the caption takes wrapped at the label's width.
    int captionHeight() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Lays the caption out at `width` pixels and hands each line and its top
    // left corner to `draw` (when given); returns the height taken.
    template <typename Draw> int layOut(int width, Draw&& draw) const;

    QString m_caption;
    QColor m_foreColor = Qt::black;
    bool m_pressed = false;
};
