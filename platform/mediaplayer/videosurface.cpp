// SPDX-License-Identifier: MIT
#include "videosurface.h"

#include "gpudevice.h"
#include "mpvengine.h"
#include "shmvideowindow.h"
#include "stallprobe.h"
#include "videowindow.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QResizeEvent>
#include <cstdlib>

namespace
{

struct OpenGlProbe {
    bool works = false;    // a context can be made current
    bool hardware = false; // and a GPU, not the processor, rasterizes
};

// Asked once, when the first picture needs it: loading the driver is what
// costs here.
const OpenGlProbe& probeOpenGl()
{
    static const OpenGlProbe probe = [] {
        OpenGlProbe result;
        QOpenGLContext context;
        if (!context.create())
            return result;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!context.makeCurrent(&surface))
            return result;
        result.works = true;
        const auto* name =
            reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
        const QByteArray renderer = QByteArray(name ? name : "").toLower();
        // Mesa's llvmpipe and softpipe ("Software Rasterizer" in older
        // versions), and the indirect or software fallbacks of other stacks.
        result.hardware = !renderer.isEmpty() && !renderer.contains("llvmpipe") &&
                          !renderer.contains("softpipe") && !renderer.contains("software") &&
                          !renderer.contains("swrast");
        context.doneCurrent();
        return result;
    }();
    return probe;
}

// An image whose first pixel and rows start on 64-byte boundaries, where
// libmpv's scalers write fastest.
QImage alignedImage(QSize size)
{
    const std::size_t stride = (std::size_t(size.width()) * 4 + 63) / 64 * 64;
    void* data = std::aligned_alloc(64, stride * std::size_t(size.height()));
    if (!data)
        return {};
    return QImage(
        static_cast<uchar*>(data), size.width(), size.height(), qsizetype(stride),
        QImage::Format_RGB32, [](void* pixels) { std::free(pixels); }, data);
}

} // namespace

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
    if (m_output == Output::SharedMemory || m_output == Output::Widget)
        m_engine->freeRenderContext();
}

bool VideoSurface::isRenderReady() const
{
    switch (m_output) {
    case Output::OpenGl:
        return m_glWindow->isRenderReady();
    case Output::SharedMemory:
    case Output::Widget:
        return m_engine->hasRenderContext();
    case Output::None:
        break;
    }
    return false;
}

VideoSurface::Output VideoSurface::chooseOutput()
{
    const QByteArray forced = qgetenv("MERO_VIDEO_OUTPUT");
    if (forced == "widget")
        return Output::Widget;
    if (forced == "software")
        return Output::SharedMemory;
    if (forced != "opengl" && !mayHaveGpu())
        return Output::SharedMemory;
    const OpenGlProbe& probe = probeOpenGl();
    if (forced == "opengl")
        return probe.works ? Output::OpenGl : Output::SharedMemory;
    return probe.hardware ? Output::OpenGl : Output::SharedMemory;
}

void VideoSurface::prepareRender()
{
    if (m_output != Output::None)
        return;
    const Output chosen = chooseOutput();
    if (chosen == Output::OpenGl) {
        m_output = Output::OpenGl;
        prepareGlWindow();
        return;
    }
    if (!m_engine->createSoftwareRenderContext()) {
        qWarning("VideoSurface: libmpv software render context could not be created");
        return;
    }
    if (chosen == Output::SharedMemory) {
        m_shmWindow = ShmVideoWindow::create(m_engine);
        if (m_shmWindow) {
            m_output = Output::SharedMemory;
            m_shmWindow->setVideoConfigured(m_videoConfigured);
            connect(m_shmWindow, &ShmVideoWindow::frameRendered, this,
                    &VideoSurface::frameRendered);
            // Queued: the window goes with the switch.
            connect(m_shmWindow, &ShmVideoWindow::failed, this, &VideoSurface::paintFramesItself,
                    Qt::QueuedConnection);
            hostWindow(m_shmWindow);
            emit renderReady();
            return;
        }
    }
    m_output = Output::Widget;
    connect(m_engine, &MpvEngine::renderUpdateRequested, this, &VideoSurface::onSoftwareUpdate);
    emit renderReady();
}

// The shared-memory window gave up: this widget paints the frames from here
// on, starting with the current one.
void VideoSurface::paintFramesItself()
{
    if (m_output != Output::SharedMemory)
        return;
    delete m_container;
    m_container = nullptr;
    m_shmWindow = nullptr;
    m_output = Output::Widget;
    m_hasFrame = m_videoConfigured;
    m_redrawPending = true;
    connect(m_engine, &MpvEngine::renderUpdateRequested, this, &VideoSurface::onSoftwareUpdate);
    update();
}

void VideoSurface::prepareGlWindow()
{
    m_glWindow = new VideoWindow(m_engine);
    m_glWindow->setVideoConfigured(m_videoConfigured);
    connect(m_glWindow, &VideoWindow::renderReady, this, &VideoSurface::renderReady);
    connect(m_glWindow, &VideoWindow::frameRendered, this, &VideoSurface::frameRendered);
    hostWindow(m_glWindow);
}

// The video's native window fills this widget, below its other children.
// The container has a native window of its own, so that the video's is always
// its child: a non-native container lays it directly on the top-level window,
// above this widget's native children (the notices) once they exist, and a
// full-screen move keeps it there. Like the video's, the container's window
// lets the pointer through to this widget, whose moves wake the full-screen
// bars.
void VideoSurface::hostWindow(QWindow* window)
{
    m_container = QWidget::createWindowContainer(window, this);
    m_container->setWindowFlag(Qt::WindowTransparentForInput);
    m_container->setAttribute(Qt::WA_NativeWindow);
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_container->setFocusPolicy(Qt::NoFocus);
    m_container->setGeometry(rect());
    // Shown with this widget; at once if it is visible.
    m_container->show();
}

void VideoSurface::setVideoConfigured(bool configured)
{
    if (configured == m_videoConfigured)
        return;
    m_videoConfigured = configured;
    if (!configured)
        m_hasFrame = false;
    if (m_glWindow)
        m_glWindow->setVideoConfigured(configured);
    else if (m_shmWindow)
        m_shmWindow->setVideoConfigured(configured);
    else
        update();
}

// libmpv has a new frame or wants the picture redrawn. A frame nobody can see
// is passed over at once: libmpv's video output would wait for it; the paint
// that follows showing or restoring draws the latest.
void VideoSurface::onSoftwareUpdate()
{
    m_redrawPending = true;
    if (isVisible() && !window()->isMinimized()) {
        update();
        return;
    }
    if (m_engine->takeNewFrame()) {
        m_engine->skipFrame();
        m_hasFrame = true;
    }
}

// A new frame is drawn at once, even before the engine's report that the
// video output is configured reaches this thread: libmpv's video output waits
// for that first render call. The current frame is drawn again only when
// libmpv asks or the size changed; other paints show the kept image.
void VideoSurface::renderSoftwareFrame()
{
    if (window()->isMinimized())
        return;
    const bool newFrame = m_engine->takeNewFrame();
    m_hasFrame = m_hasFrame || newFrame;
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    const bool resized = m_frame.size() != target;
    const bool showVideo = m_videoConfigured && m_hasFrame;
    if (!newFrame && !(showVideo && (m_redrawPending || resized)))
        return;
    if (target.isEmpty())
        return;
    if (resized) {
        m_frame = alignedImage(target);
        m_frame.setDevicePixelRatio(ratio);
    }
    m_redrawPending = false;
    m_engine->render(m_frame.bits(), m_frame.width(), m_frame.height(),
                     static_cast<std::size_t>(m_frame.bytesPerLine()));
    if (newFrame && m_videoConfigured)
        emit frameRendered();
}

void VideoSurface::paintPicture(QPainter& painter)
{
    if (m_output == Output::Widget && m_videoConfigured && m_hasFrame && !m_frame.isNull())
        painter.drawImage(QPointF(0, 0), m_frame);
    else
        paintIdlePicture(painter, QRectF(rect()));
}

QImage VideoSurface::grabFramebuffer()
{
    if (m_glWindow)
        return m_glWindow->grabPicture();
    if (m_shmWindow)
        return m_shmWindow->grabPicture();
    if (!isVisible() || size().isEmpty())
        return {};
    const qreal ratio = devicePixelRatioF();
    QImage picture((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    paintPicture(painter);
    return picture;
}

void VideoSurface::resizeEvent(QResizeEvent* event)
{
    if (m_container)
        m_container->setGeometry(QRect(QPoint(0, 0), event->size()));
    QWidget::resizeEvent(event);
}

// Once a native video window exists it covers the widget and draws the idle
// picture itself: painting the widget then would fill a full screen's worth
// of backing store nobody sees.
void VideoSurface::paintEvent(QPaintEvent*)
{
    if (hasNativeWindow())
        return;
    if (m_output == Output::Widget)
        renderSoftwareFrame();
    QPainter painter(this);
    paintPicture(painter);
}
