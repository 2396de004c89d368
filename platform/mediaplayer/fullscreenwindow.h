// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QScreen;

// The player's picture on a whole screen. While full screen the player lends
// its parts to this window: the video surface fills it, and the bars
// (information, status, controls) lie in overlay() over the bottom of the
// picture. The bars and the pointer show when the mouse moves and hide after
// kHideDelayMs of stillness, unless the pointer rests on the bars.
//
// A top-level window of its own, so that the main window — its state, size,
// position and the player's fit in it — is never touched by full screen.
// Keys and context menus go to the player, which owns this window. Closing it
// (the window manager's close) asks the player to leave full screen.
// UI thread only.
class FullScreenWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FullScreenWindow(QWidget* player);

    // The bars' parent, over the picture.
    QWidget* overlay() const { return m_overlay; }
    bool isOverlayShown() const { return m_overlay->isVisible(); }

    // Fills `screen` (the whole screen, not the spanned desktop) and takes the
    // keyboard. `surface` is the lent picture, watched for mouse moves.
    void showOn(QScreen* screen, QWidget* surface);
    // Gives up the surface and hides.
    void leave();
    // The mouse moved: bars and pointer show, and hide again after the delay.
    void wake();

    static constexpr int kHideDelayMs = 2000;

signals:
    void resized();
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void sleep();

    QWidget* m_player;
    QWidget* m_overlay = nullptr;
    QPointer<QWidget> m_surface;
    bool m_surfaceTracked = false; // the surface's own mouse tracking, given back on leave()
    QTimer m_hide;
};
