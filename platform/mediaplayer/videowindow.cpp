// SPDX-License-Identifier: MIT
#include "videowindow.h"

#include "mpvengine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <algorithm>

namespace
{

void* getProcAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

void* x11Display()
{
#if QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return x11->display();
#endif
    return nullptr;
}

// An eighth note whose head sits at the bottom-left of a square of side `size`.
QPainterPath noteGlyph(qreal size)
{
    QPainterPath path;
    const qreal headW = size * 0.42;
    const qreal headH = size * 0.30;
    const QRectF head(0, size - headH, headW, headH);
    path.addEllipse(head);
    const qreal stemX = head.right() - size * 0.06;
    const qreal stemW = size * 0.07;
    path.addRect(QRectF(stemX, 0, stemW, size - headH / 2));
    QPainterPath flag;
    flag.moveTo(stemX + stemW, 0);
    flag.cubicTo(stemX + size * 0.25, size * 0.18, stemX + size * 0.42, size * 0.25,
                 stemX + size * 0.30, size * 0.58);
    flag.cubicTo(stemX + size * 0.32, size * 0.36, stemX + size * 0.18, size * 0.28, stemX + stemW,
                 size * 0.24);
    flag.closeSubpath();
    return path.united(flag);
}

} // namespace

void paintIdlePicture(QPainter& painter, const QRectF& area)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(area.topLeft(), area.bottomLeft());
    background.setColorAt(0.0, QColor(0x26, 0x2c, 0x38));
    background.setColorAt(1.0, QColor(0x0e, 0x10, 0x15));
    painter.fillRect(area, background);

    // A note and the product name, sized from the area so that both stay
    // inside it from a strip a few dozen pixels high to a full screen.
    const qreal side = std::min(area.width(), area.height());
    const bool withName = area.height() >= 64 && area.width() >= 120;
    const qreal glyph = std::clamp(side * (withName ? 0.30 : 0.55), 8.0, 96.0);
    QFont nameFont = QGuiApplication::font();
    nameFont.setPixelSize(std::clamp(qRound(glyph * 0.30), 9, 22));
    nameFont.setWeight(QFont::Light);
    nameFont.setLetterSpacing(QFont::PercentageSpacing, 110);
    const QFontMetricsF metrics(nameFont);
    const QString name = QStringLiteral("Mero Sonx");
    const qreal gap = glyph * 0.25;
    const qreal blockHeight = glyph + (withName ? gap + metrics.height() : 0);
    const qreal top = area.center().y() - blockHeight / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 46));
    painter.drawPath(noteGlyph(glyph).translated(area.center().x() - glyph * 0.4, top));
    if (withName) {
        painter.setFont(nameFont);
        painter.setPen(QColor(255, 255, 255, 70));
        const QRectF nameRect(area.left(), top + glyph + gap, area.width(), metrics.height());
        painter.drawText(nameRect, Qt::AlignCenter, name);
    }
}

VideoWindow::VideoWindow(MpvEngine* engine) : QOpenGLWindow(NoPartialUpdate), m_engine(engine)
{
    // Mouse and keys go to the widgets around the video (focus, drops, keys of
    // the player), as if this window were not there.
    setFlag(Qt::WindowTransparentForInput);
    connect(m_engine, &MpvEngine::renderUpdateRequested, this,
            qOverload<>(&QPaintDeviceWindow::update));
}

VideoWindow::~VideoWindow()
{
    // QOpenGLWindow destroys the GL context after this destructor; the render
    // context must go first, with that context current.
    if (QOpenGLContext* glContext = context())
        disconnect(glContext, nullptr, this, nullptr);
    releaseRenderContext();
}

bool VideoWindow::isRenderReady() const
{
    return m_engine->hasRenderContext();
}

void VideoWindow::setVideoConfigured(bool configured)
{
    if (configured == m_videoConfigured)
        return;
    m_videoConfigured = configured;
    if (!configured)
        m_hasFrame = false;
    update();
}

// The GL context, and with it the render context, is made as the window is
// shown, before the event loop runs again: a file set before the first show
// then loads with its video instead of falling back to audio alone (the first
// paint or resize would come later, through the window system).
void VideoWindow::showEvent(QShowEvent* event)
{
    QOpenGLWindow::showEvent(event);
    if (!isValid() && handle()) {
        QResizeEvent resize(size(), size());
        QCoreApplication::sendEvent(this, &resize); // QOpenGLWindow initializes on it
    }
}

void VideoWindow::initializeGL()
{
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
            &VideoWindow::releaseRenderContext, Qt::DirectConnection);
    if (m_engine->createRenderContext(&getProcAddress, nullptr, x11Display()))
        emit renderReady();
    else
        qWarning("VideoWindow: libmpv render context could not be created");
}

void VideoWindow::releaseRenderContext()
{
    if (!m_engine->hasRenderContext())
        return;
    makeCurrent();
    m_engine->freeRenderContext();
    doneCurrent();
}

// Every paint redraws the whole window: after a swap the back buffer's content
// is undefined.
void VideoWindow::paintGL()
{
    const bool newFrame = m_engine->takeNewFrame();
    draw(newFrame);
    if (newFrame && m_videoConfigured)
        emit frameRendered();
}

// A new frame is rendered at once, even before the engine's report that the
// video output is configured reaches this thread: libmpv's video output waits
// for that render call when it starts (a fifth of a second of its timeout on
// every file's first frame otherwise). What shows is the idle picture until
// that report has come and a frame has been drawn.
void VideoWindow::draw(bool newFrame)
{
    m_hasFrame = m_hasFrame || newFrame;
    const bool showVideo = m_videoConfigured && m_hasFrame;
    if (newFrame || showVideo) {
        const qreal ratio = devicePixelRatio();
        m_engine->render(static_cast<int>(defaultFramebufferObject()), qRound(width() * ratio),
                         qRound(height() * ratio));
    }
    if (!showVideo) {
        QPainter painter(this);
        paintIdlePicture(painter, QRectF(QPointF(0, 0), QSizeF(size())));
    }
}

QImage VideoWindow::grabPicture()
{
    if (!isValid())
        return {};
    makeCurrent();
    draw(false);
    return grabFramebuffer();
}
