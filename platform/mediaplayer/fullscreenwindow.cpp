// SPDX-License-Identifier: MIT
#include "fullscreenwindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

FullScreenWindow::FullScreenWindow(QWidget* player) : QWidget(player, Qt::Window), m_player(player)
{
    setWindowTitle(player->window()->windowTitle());
    setWindowIcon(player->window()->windowIcon());
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    m_overlay = new QWidget(this);
    m_overlay->setAutoFillBackground(true);
    m_overlay->setPalette(player->palette());
    m_overlay->setMouseTracking(true);
    m_overlay->hide();

    m_hide.setSingleShot(true);
    m_hide.setInterval(kHideDelayMs);
    connect(&m_hide, &QTimer::timeout, this, &FullScreenWindow::sleep);
}

void FullScreenWindow::showOn(QScreen* screen, QWidget* surface)
{
    m_surface = surface;
    m_surfaceTracked = surface->hasMouseTracking();
    surface->setMouseTracking(true);
    surface->installEventFilter(this);
    surface->lower(); // under the bars
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    wake();
}

void FullScreenWindow::leave()
{
    m_hide.stop();
    if (m_surface) {
        m_surface->removeEventFilter(this);
        m_surface->setMouseTracking(m_surfaceTracked);
    }
    m_surface = nullptr;
    m_overlay->hide();
    unsetCursor();
    hide();
}

void FullScreenWindow::wake()
{
    if (!m_overlay->isVisible()) {
        m_overlay->show();
        m_overlay->raise();
    }
    unsetCursor();
    m_hide.start();
}

void FullScreenWindow::sleep()
{
    // The bars stay while the pointer rests on them.
    if (m_overlay->rect().contains(m_overlay->mapFromGlobal(QCursor::pos()))) {
        m_hide.start();
        return;
    }
    m_overlay->hide();
    setCursor(Qt::BlankCursor);
}

bool FullScreenWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_surface && event->type() == QEvent::MouseMove)
        wake();
    return QWidget::eventFilter(watched, event);
}

void FullScreenWindow::mouseMoveEvent(QMouseEvent* event)
{
    wake();
    QWidget::mouseMoveEvent(event);
}

// The player's keys and menu work here as in the main window.
void FullScreenWindow::keyPressEvent(QKeyEvent* event)
{
    QCoreApplication::sendEvent(m_player, event);
}

void FullScreenWindow::contextMenuEvent(QContextMenuEvent* event)
{
    wake();
    QCoreApplication::sendEvent(m_player, event);
}

void FullScreenWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void FullScreenWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}
