// SPDX-License-Identifier: MIT
#include "videosurface.h"

#include "mpvengine.h"
#include "stallprobe.h"
#include "videowindow.h"

#include <QOpenGLContext>
#include <QPainter>
#include <QResizeEvent>

VideoSurface::VideoSurface(MpvEngine* engine, QWidget* parent) : QWidget(parent), m_engine(engine)
{
    // paintEvent covers all of the widget.
    setAttribute(Qt::WA_OpaquePaintEvent);

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
    return m_window && m_window->isRenderReady();
}

// Whether OpenGL works on this display at all (no GL integration in Qt, no
// driver): asked once, when the first picture needs it.
static bool openGlWorks()
{
    static const bool works = [] {
        QOpenGLContext probe;
        return probe.create();
    }();
    return works;
}

void VideoSurface::prepareRender()
{
    // Without OpenGL the file plays without its picture; the idle picture stays.
    if (m_window || !openGlWorks())
        return;
    m_window = new VideoWindow(m_engine);
    m_window->setVideoConfigured(m_videoConfigured);
    connect(m_window, &VideoWindow::renderReady, this, &VideoSurface::renderReady);
    connect(m_window, &VideoWindow::frameRendered, this, &VideoSurface::frameRendered);
    m_container = QWidget::createWindowContainer(m_window, this);
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_container->setFocusPolicy(Qt::NoFocus);
    m_container->setGeometry(rect());
    // Shown with this widget; at once if it is visible.
    m_container->show();
}

void VideoSurface::setVideoConfigured(bool configured)
{
    m_videoConfigured = configured;
    if (m_window)
        m_window->setVideoConfigured(configured);
}

QImage VideoSurface::grabFramebuffer()
{
    if (m_window)
        return m_window->grabPicture();
    if (!isVisible() || size().isEmpty())
        return {};
    const qreal ratio = devicePixelRatioF();
    QImage picture(size() * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    paintIdlePicture(painter, QRectF(rect()));
    return picture;
}

void VideoSurface::resizeEvent(QResizeEvent* event)
{
    if (m_container)
        m_container->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}

// Seen only until the video window exists, which then covers the widget.
void VideoSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintIdlePicture(painter, QRectF(rect()));
}
