// SPDX-License-Identifier: MIT
#include "captionlabel.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace
{

// The tightest line the label sets, in ems: room for ideographs (about 0.88 em
// above the baseline and 0.12 below) with a little air, as the Windows gothic
// fonts the design was drawn with set them.
constexpr qreal kLineEms = 1.1;

QStringList captionLines(const QString& caption)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = caption.split(lineEnd);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // a line end closes the last line; it opens no new one
    return lines;
}

struct LineMetrics {
    qreal height = 0;   // line pitch, pixels
    qreal baseline = 0; // from the line's top
};

LineMetrics lineMetrics(const QFont& font)
{
    const QFontMetricsF fm(font);
    const qreal natural = fm.ascent() + fm.descent();
    const qreal tight = std::round(kLineEms * QFontInfo(font).pixelSize());
    LineMetrics m;
    m.height = std::min(natural, std::max<qreal>(tight, 1));
    // Trim the font's spare room evenly above and below the glyphs.
    m.baseline = fm.ascent() - (natural - m.height) / 2;
    return m;
}

} // namespace

CaptionLabel::CaptionLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CaptionLabel::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void CaptionLabel::setForeColor(const QColor& color)
{
    m_foreColor = color;
    update();
}

int CaptionLabel::naturalWidth() const
{
    const QFontMetricsF fm(font());
    qreal widest = 0;
    for (const QString& line : captionLines(m_caption))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return int(std::ceil(widest));
}

int CaptionLabel::lineHeight() const
{
    return int(std::ceil(lineMetrics(font()).height));
}

int CaptionLabel::captionHeight() const
{
    return layOut(width(), nullptr);
}

template <typename Draw> int CaptionLabel::layOut(int width, Draw&& draw) const
{
    const LineMetrics metrics = lineMetrics(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal y = 0;
    for (const QString& text : captionLines(m_caption)) {
        QTextLayout layout(text, font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            // Place the line so that its baseline falls where our pitch wants it.
            line.setPosition(QPointF(0, y + metrics.baseline - line.ascent()));
            y += metrics.height;
        }
        layout.endLayout();
        if constexpr (!std::is_same_v<std::decay_t<Draw>, std::nullptr_t>)
            draw(layout);
        if (text.isEmpty() && layout.lineCount() == 0)
            y += metrics.height;
    }
    return int(std::ceil(y));
}

void CaptionLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_foreColor);
    layOut(width(), [&](QTextLayout& layout) { layout.draw(&painter, QPointF(0, 0)); });
}

void CaptionLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}
