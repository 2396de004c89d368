// SPDX-License-Identifier: MIT
#include "lyricsfollower.h"

#include "richtextbox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

namespace
{

QColor mixed(const QColor& a, const QColor& b, double towardB)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * towardB),
                            float(a.greenF() + (b.greenF() - a.greenF()) * towardB),
                            float(a.blueF() + (b.blueF() - a.blueF()) * towardB));
}

bool scrollsTheView(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space:
        return true;
    default:
        return false;
    }
}

} // namespace

LyricsFollower::LyricsFollower(RichTextBox* box) : QObject(box), m_box(box)
{
    m_scroll = new QPropertyAnimation(box->verticalScrollBar(), "value", this);
    m_scroll->setDuration(kScrollMs);
    m_scroll->setEasingCurve(QEasingCurve::OutCubic);
    connect(box, &RichTextBox::contentReplaced, this, &LyricsFollower::restart);
    connect(box->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &LyricsFollower::holdForUser);
    // The range grows while a long document is laid out, and with the view.
    connect(box->verticalScrollBar(), &QScrollBar::rangeChanged, this, &LyricsFollower::follow);
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
}

void LyricsFollower::setPlayback(Playback* playback)
{
    if (playback == m_playback)
        return;
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_playback = playback;
    if (playback) {
        m_connections << connect(playback, &Playback::positionChanged, this,
                                 &LyricsFollower::follow)
                      << connect(playback, &Playback::stateChanged, this, &LyricsFollower::follow);
    }
    follow();
}

// New content: nothing of the old highlight stays; the new one, if timed,
// follows the playback from where it is.
void LyricsFollower::restart()
{
    m_scroll->stop();
    m_lines.clear();
    m_words.clear();
    m_userHold = QDeadlineTimer(0);
    m_shown = showLines();
    follow();
}

void LyricsFollower::follow()
{
    const LrcLyrics* lyrics = m_box ? m_box->timedLyrics() : nullptr;
    if (!lyrics)
        return;
    QList<int> lines;
    QList<int> words;
    if (m_playback) {
        using State = Playback::State;
        const State state = m_playback->state();
        // Stopped is back at the start, with nothing being sung.
        if (state == State::Playing || state == State::Paused || state == State::Loading) {
            const qint64 ms = std::llround(m_playback->position() * 1000);
            lines = lyrics->linesAt(ms);
            for (int line : std::as_const(lines))
                words << LrcLyrics::wordAt(lyrics->lines()[line], ms);
        }
    }
    if (lines != m_lines || words != m_words || !m_shown) {
        m_lines = lines;
        m_words = words;
        m_shown = showLines();
    }
    scrollIntoPlace();
}

// Where the wrapping changed, the bands follow their visual lines.
void LyricsFollower::refresh()
{
    if (!m_box || !m_box->timedLyrics())
        return;
    m_shown = showLines();
    scrollIntoPlace();
}

// A long document is laid out bit by bit after loading, from the top: asking
// Qt for a place not laid out yet (a selection's rectangle, a block's) would
// lay out everything before it at once. Such places wait until the layout
// has come to them: it changes the scroll range as it goes, which calls
// follow() again.
bool LyricsFollower::isLaidOut(qsizetype position) const
{
    const QTextLayout* layout = m_box->document()->findBlock(int(position)).layout();
    return layout && layout->lineCount() > 0;
}

// The bands of m_lines and their sung words, unless a line is not laid out
// yet: then none, and false says so.
bool LyricsFollower::showLines()
{
    const LrcLyrics* lyrics = m_box->timedLyrics();
    for (int line : std::as_const(m_lines)) {
        if (!isLaidOut(lyrics->lines()[line].end)) {
            m_box->setExtraSelections({}); // not the line sung before
            return false;
        }
    }
    const QPalette palette = m_muted ? m_palette : m_box->palette();
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    const QColor accent = palette.color(QPalette::Highlight);
    QTextDocument* doc = m_box->document();

    // One band per visual line, each a selection without extent: one that
    // spans blocks costs Qt the whole document's layout to draw. Text is
    // drawn anew only where a selection has a background; the words go last,
    // over the bands.
    QList<QTextEdit::ExtraSelection> selections;
    QList<QTextEdit::ExtraSelection> sung;
    QTextEdit::ExtraSelection band;
    band.format.setBackground(mixed(base, accent, 0.22));
    band.format.setForeground(text);
    band.format.setProperty(QTextFormat::FullWidthSelection, true);
    for (qsizetype i = 0; lyrics && i < m_lines.size(); ++i) {
        const LrcLyrics::Line& line = lyrics->lines()[m_lines[i]];
        int bands = 0;
        for (QTextBlock block = doc->findBlock(int(line.start));
             block.isValid() && block.position() <= line.end && bands < kMostBands;
             block = block.next()) {
            const QTextLayout* layout = block.layout();
            for (int v = 0; v < layout->lineCount() && bands < kMostBands; ++v, ++bands) {
                band.cursor = QTextCursor(doc);
                band.cursor.setPosition(block.position() + layout->lineAt(v).textStart());
                selections << band;
            }
        }
        if (m_words[i] >= 0) {
            const LrcLyrics::Word& word = line.words[m_words[i]];
            const QTextBlock block = doc->findBlock(int(word.start));
            QTextEdit::ExtraSelection w;
            w.format.setBackground(mixed(base, accent, 0.4));
            w.format.setForeground(accent.darker(190));
            w.cursor = QTextCursor(doc);
            w.cursor.setPosition(int(word.start));
            w.cursor.setPosition(
                int(std::min<qsizetype>(word.end, block.position() + block.length() - 1)),
                QTextCursor::KeepAnchor);
            sung << w;
        }
    }
    m_box->setExtraSelections(selections << sung);

    // While a line is sung the others step back; the box's own palette is
    // left alone otherwise.
    const bool mute = !m_lines.isEmpty();
    if (mute != m_muted) {
        m_muted = mute;
        if (mute) {
            m_palette = palette;
            QPalette muted = palette;
            muted.setColor(QPalette::Text, mixed(text, base, 0.45));
            m_box->setPalette(muted);
        } else {
            m_box->setPalette(QPalette());
        }
    }
    return true;
}

// The first highlighted line to a third of the view's height, the top when
// none is: smoothly, unless the user scrolled a moment ago.
void LyricsFollower::scrollIntoPlace()
{
    if (!m_box || !m_shown || !m_userHold.hasExpired() || !m_box->timedLyrics())
        return;
    QScrollBar* bar = m_box->verticalScrollBar();
    int target = bar->minimum();
    if (!m_lines.isEmpty()) {
        const QTextBlock block =
            m_box->document()->findBlock(int(m_box->timedLyrics()->lines()[m_lines.first()].start));
        const QTextLayout* layout = block.layout();
        const QRectF rect = layout->boundingRect().translated(layout->position());
        target = int(rect.top()) - m_box->viewport()->height() / 3;
    }
    target = std::clamp(target, bar->minimum(), bar->maximum());
    if (m_scroll->state() == QAbstractAnimation::Running && m_scroll->endValue().toInt() == target)
        return;
    m_scroll->stop();
    if (std::abs(bar->value() - target) <= 1)
        return;
    m_scroll->setStartValue(bar->value());
    m_scroll->setEndValue(target);
    m_scroll->start();
}

void LyricsFollower::seekToLineAt(int position)
{
    const LrcLyrics* lyrics = m_box->timedLyrics();
    if (!lyrics || !m_playback)
        return;
    const int index = lyrics->lineAtPosition(position);
    if (index < 0 || lyrics->lines()[index].ms == LrcLyrics::kUntimed)
        return;
    using State = Playback::State;
    const State state = m_playback->state();
    if (state == State::Idle || state == State::Failed)
        return;
    m_userHold = QDeadlineTimer(0);
    // From the stop, the user wants to hear that line: play from there. A
    // pause stays a pause, at the line.
    if (m_playback->startState() == State::Stopped)
        m_playback->play();
    m_playback->seek(double(std::max<qint64>(0, lyrics->lines()[index].ms)) / 1000.0);
}

// A click on the text of a line, not on the empty space below the last one.
void LyricsFollower::clicked(QPoint point)
{
    const int position = m_box->cursorForPosition(point).position();
    QTextDocument* doc = m_box->document();
    const QRectF block = doc->documentLayout()->blockBoundingRect(doc->findBlock(position));
    const int y = point.y() + m_box->verticalScrollBar()->value();
    if (y >= block.top() && y <= block.bottom())
        seekToLineAt(position);
}

void LyricsFollower::holdForUser()
{
    m_scroll->stop();
    m_userHold.setRemainingTime(kUserHoldMs);
}

bool LyricsFollower::eventFilter(QObject* watched, QEvent* event)
{
    // The box's own destruction sends events here too, when it is a QWidget
    // no more: only these come from a living box.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::Resize:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return false;
    }
    if (!m_box || !m_box->timedLyrics())
        return false;
    if (watched == m_box) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                seekToLineAt(m_box->textCursor().position());
                return true;
            }
            if (scrollsTheView(key))
                holdForUser();
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::Wheel:
        holdForUser();
        break;
    case QEvent::Resize:
        // After the box has laid its text out at the new width.
        QMetaObject::invokeMethod(this, &LyricsFollower::refresh, Qt::QueuedConnection);
        break;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressed = mouse->button() == Qt::LeftButton;
        m_pressedAt = mouse->position().toPoint();
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_pressed && (mouse->position().toPoint() - m_pressedAt).manhattanLength() >=
                             QApplication::startDragDistance()) {
            m_pressed = false; // selecting text, not clicking a line
            holdForUser();
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_pressed && mouse->button() == Qt::LeftButton)
            clicked(mouse->position().toPoint());
        m_pressed = false;
        break;
    }
    default:
        break;
    }
    return false;
}
