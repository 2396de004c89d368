// SPDX-License-Identifier: MIT
#pragma once

#include "playstate.h"

#include <QHash>
#include <QIcon>
#include <QWidget>
#include <tuple>

class ClickSlider;
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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolButton* makeButton(const QString& toolTip);
    void refreshIcons();
    void fitToSize();
    void emitSeekTo(int milliseconds);

    QToolButton* m_playPause = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_mute = nullptr;
    ClickSlider* m_seek = nullptr;
    ClickSlider* m_volume = nullptr;
    PlayState m_state = PlayState::Stopped;
    bool m_muted = false;
    bool m_steppable = false;
    int m_iconSize = 0;
    // The glyphs' icons for the current colour, size and pixel ratio.
    QHash<int, QIcon> m_icons;
    std::tuple<QRgb, int, qreal> m_iconLook{};
};
