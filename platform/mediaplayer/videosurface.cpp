// SPDX-License-Identifier: MIT
#include "videosurface.h"

#include "mpvengine.h"
#include "stallprobe.h"
#include "videowindow.h"

#include <QResizeEvent>

VideoSurface::VideoSurface(MpvEngine* engine, QWidget* parent)
    : QWidget(parent), m_window(new VideoWindow(engine))
{
    // The window covers all of this widget: nothing of it is ever painted.
    setAttribute(Qt::WA_NoSystemBackground);
    m_container = QWidget::createWindowContainer(m_window, this);
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_container->setFocusPolicy(Qt::NoFocus);
    connect(m_window, &VideoWindow::renderReady, this, &VideoSurface::renderReady);
    connect(m_window, &VideoWindow::frameRendered, this, &VideoSurface::frameRendered);

    if (qEnvironmentVariableIntValue("MERO_STALL_PROBE") != 0) {
        // Measures from the first position report on: loading is not playing.
        m_stallProbe = new StallProbe(this);
        connect(engine, &MpvEngine::timePosChanged, m_stallProbe, &StallProbe::start);
    }
}

VideoSurface::~VideoSurface()
{
    if (m_stallProbe)
        m_stallProbe->report();
    // The window frees the render context in its destructor, with its GL
    // context current; the container would delete it later than this.
    delete m_container;
}

bool VideoSurface::isRenderReady() const
{
    return m_window->isRenderReady();
}

void VideoSurface::setVideoConfigured(bool configured)
{
    m_window->setVideoConfigured(configured);
}

QImage VideoSurface::grabFramebuffer()
{
    return m_window->grabPicture();
}

void VideoSurface::resizeEvent(QResizeEvent* event)
{
    m_container->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}
