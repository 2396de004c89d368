// SPDX-License-Identifier: MIT
#pragma once

#include "playstate.h"

#include <QHash>
#include <QIcon>
#include <QWidget>
#include <tuple>

class ClickSlider;
class QLabel;
class QToolButton;

// The transport row: play/pause, stop, seek slider, mute, volume, and around
// play/pause the previous and next buttons while a playlist can be stepped. A
// passive widget: it shows what the setters say and turns clicks into intent
// signals; its owner decides what happens. Nothing in it takes keyboard focus,
// so keys stay with the player. Buttons scale with the bar's height; below a
// usable width the previous and next buttons, then the volume slider, then
// the stop button give way to the seek slider.
class ControlBar : public QWidget
{
    Q_OBJECT
public:
    explicit ControlBar(QWidget* parent = nullptr);

    void setPlayState(PlayState state);
    // Seconds. A duration of 0 (nothing loaded, or not seekable) disables seeking.
    void setDuration(double seconds);
    void setPosition(double seconds);
    void setVolume(int percent);
    void setMuted(bool muted);
    // Shows the previous and next buttons (where they fit).
    void setSteppable(bool steppable);
    // Shows "elapsed / total" beside the seek slider, where it fits (the
    // owner asks for it while no status bar shows the time).
    void setTimeShown(bool shown);
    // A message in place of the seek slider and the time (why a file cannot be
    // played, where nothing else has room to say it); empty for none.
    void setMessage(const QString& text);
    QString message() const;
    // The time text beside the slider ("1:02 / 3:45"), as shown or hidden.
    QString timeText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void playPauseRequested();
    void stopRequested();
    void previousRequested();
    void nextRequested();
    void seekRequested(double seconds);
    void volumeRequested(int percent);
    void muteRequested(bool muted);
    // The seek slider's handle is being dragged to `seconds` (not let go yet).
    void scrubbed(double seconds);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* makeButton(const QString& toolTip);
    void refreshIcons();
    void fitToSize();
    void emitSeekTo(int milliseconds);
    void showTime(int milliseconds);

    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_mute = nullptr;
    ClickSlider* m_seek = nullptr;
    ClickSlider* m_volume = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_message = nullptr;
    bool m_timeShown = false;
    PlayState m_state = PlayState::Stopped;
    bool m_muted = false;
    bool m_steppable = false;
    int m_iconSize = 0;
    // The glyphs' icons for the current colour, size and pixel ratio.
    QHash<int, QIcon> m_icons;
    std::tuple<QRgb, int, qreal> m_iconLook{};
};
