// SPDX-License-Identifier: MIT
#include "clipinfopanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>

namespace
{

constexpr int kVerticalPadding = 4;

int horizontalPadding(const QFontMetrics& metrics)
{
    return std::max(6, metrics.height() / 2);
}

} // namespace

ClipInfoPanel::ClipInfoPanel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setClip({}, {}, {});
}

void ClipInfoPanel::setClip(const QString& title, const QString& artist, const QString& album)
{
    m_title = title;
    m_artist = artist;
    m_album = album;
    QStringList lines{m_title, m_artist, m_album};
    lines.removeAll(QString());
    setToolTip(lines.join(QLatin1Char('\n')));
    update();
}

QSize ClipInfoPanel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.averageCharWidth() * 24, 3 * metrics.height() + 2 * kVerticalPadding};
}

QSize ClipInfoPanel::minimumSizeHint() const
{
    return {0, QFontMetrics(font()).height() + 2 * kVerticalPadding};
}

void ClipInfoPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    painter.fillRect(rect(), colors.color(QPalette::Base));
    painter.setPen(colors.color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);

    // The title in the font's own bold face, the rest in the regular one.
    QFont titleFont = font();
    titleFont.setWeight(QFont::Bold);
    const QFontMetrics metrics(font());
    const QFontMetrics titleMetrics(titleFont);
    const int lineHeight = std::max(metrics.height(), titleMetrics.height());
    const int padding = horizontalPadding(metrics);
    const int textWidth = std::max(0, width() - 2 * padding);
    const int lineRoom = std::clamp((height() - 2 * kVerticalPadding) / lineHeight, 0, 3);
    if (lineRoom == 0 || textWidth == 0)
        return;

    // What fits: [title, artist, album] with one line each, or the two
    // secondary texts joined on one line when only two lines fit.
    struct Line {
        QString text;
        bool isTitle;
    };
    QList<Line> lines;
    if (m_title.isEmpty()) {
        lines.append({QStringLiteral("ファイルが開かれていません"), false});
    } else {
        lines.append({m_title, true});
        QStringList secondary{m_artist, m_album};
        secondary.removeAll(QString());
        if (lineRoom >= 3)
            for (const QString& text : secondary)
                lines.append({text, false});
        else if (lineRoom == 2 && !secondary.isEmpty())
            lines.append({secondary.join(QStringLiteral(" ／ ")), false});
    }

    const int blockHeight = int(lines.size()) * lineHeight;
    int y = (height() - blockHeight) / 2;
    for (const Line& line : lines) {
        painter.setPen(line.isTitle ? colors.color(QPalette::Text)
                                    : colors.color(QPalette::PlaceholderText));
        painter.setFont(line.isTitle ? titleFont : font());
        const QFontMetrics& lineMetrics = line.isTitle ? titleMetrics : metrics;
        const QRect box(padding, y, textWidth, lineHeight);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                         lineMetrics.elidedText(line.text, Qt::ElideRight, box.width()));
        y += lineHeight;
    }
}
