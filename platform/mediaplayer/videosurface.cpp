// SPDX-License-Identifier: MIT
#include "videosurface.h"

#include "mpvengine.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
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

VideoSurface::VideoSurface(MpvEngine* engine, QWidget* parent)
    : QOpenGLWidget(parent), m_engine(engine)
{
    connect(m_engine, &MpvEngine::renderUpdateRequested, this, qOverload<>(&QWidget::update));
}

VideoSurface::~VideoSurface()
{
    // Qt destroys the GL context after this destructor; the render context
    // must go first, with that context current.
    if (QOpenGLContext* glContext = context())
        disconnect(glContext, nullptr, this, nullptr);
    releaseRenderContext();
}

bool VideoSurface::isRenderReady() const
{
    return m_engine->hasRenderContext();
}

void VideoSurface::setVideoConfigured(bool configured)
{
    if (configured == m_videoConfigured)
        return;
    m_videoConfigured = configured;
    if (!configured)
        m_hasFrame = false;
    update();
}

void VideoSurface::initializeGL()
{
    // Without shared contexts Qt recreates the GL context when the widget
    // changes windows; the render context must not outlive the old one.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
            &VideoSurface::releaseRenderContext, Qt::DirectConnection);
    if (m_engine->createRenderContext(&getProcAddress, nullptr, x11Display()))
        emit renderReady();
    else
        qWarning("VideoSurface: libmpv render context could not be created");
}

void VideoSurface::releaseRenderContext()
{
    if (!m_engine->hasRenderContext())
        return;
    makeCurrent();
    m_engine->freeRenderContext();
    doneCurrent();
}

void VideoSurface::paintGL()
{
    const bool newFrame = m_engine->takeNewFrame();
    m_hasFrame = m_hasFrame || newFrame;
    if (!m_videoConfigured || !m_hasFrame) {
        paintIdle();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    m_engine->render(static_cast<int>(defaultFramebufferObject()), qRound(width() * ratio),
                     qRound(height() * ratio));
    if (newFrame)
        emit frameRendered();
}

void VideoSurface::paintIdle()
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();

    QLinearGradient background(area.topLeft(), area.bottomLeft());
    background.setColorAt(0.0, QColor(0x26, 0x2c, 0x38));
    background.setColorAt(1.0, QColor(0x0e, 0x10, 0x15));
    painter.fillRect(area, background);

    // A note and the product name, sized from the area so that both stay
    // inside it from a strip a few dozen pixels high to a full screen.
    const qreal side = std::min(area.width(), area.height());
    const bool withName = area.height() >= 64 && area.width() >= 120;
    const qreal glyph = std::clamp(side * (withName ? 0.30 : 0.55), 8.0, 96.0);
    QFont nameFont = font();
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
