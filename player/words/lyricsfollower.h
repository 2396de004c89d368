// SPDX-License-Identifier: MIT
#pragma once

#include "playback.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPoint>
#include <QPointer>

class QPropertyAnimation;
class RichTextBox;

// Makes a box showing time-tagged lyrics follow a playback: the line being
// sung (and the word, where the lines time their words) is highlighted and
// scrolled smoothly to about a third of the box's height; a click on a timed
// line, or Enter on the line of the text cursor, seeks there (and plays from
// there when the player was stopped; a pause stays paused). The user's own
// scrolling (wheel, scroll bar, keys, a drag) holds the following back for
// kUserHoldMs.
//
// The highlight is drawn with the box's extra selections, the other lines in
// a muted text colour while a line is sung: the document itself is never
// changed, so content that is not time-tagged (every RTF file among it) shows
// exactly as loaded.
//
// It follows the playback's position and state signals only (a few a
// second), finding the line by binary search, and never asks Qt for a place
// its background layout has not reached. Lives as a child of the box; UI
// thread only.
class LyricsFollower : public QObject
{
    Q_OBJECT
public:
    static constexpr int kScrollMs = 200;
    static constexpr int kUserHoldMs = 4000;
    // Bands drawn for one line at most (a line far longer than any lyrics).
    static constexpr int kMostBands = 256;

    explicit LyricsFollower(RichTextBox* box);

    // Null: nothing is followed.
    void setPlayback(Playback* playback);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restart();
    void follow();
    void refresh();
    bool isLaidOut(qsizetype position) const;
    bool showLines();
    void scrollIntoPlace();
    void seekToLineAt(int position);
    void clicked(QPoint point);
    void holdForUser();

    QPointer<RichTextBox> m_box;
    QPointer<Playback> m_playback;
    QList<QMetaObject::Connection> m_connections;
    QPropertyAnimation* m_scroll = nullptr;
    QList<int> m_lines;  // highlighted, indices into the lyrics' lines
    QList<int> m_words;  // per highlighted line, -1 for none
    bool m_shown = true; // the box shows m_lines and m_words
    QDeadlineTimer m_userHold{0};
    QPoint m_pressedAt;
    bool m_pressed = false;
    bool m_muted = false;
    QPalette m_palette; // the box's own, while the others are muted
};
