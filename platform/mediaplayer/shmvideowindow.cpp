// SPDX-License-Identifier: MIT
#include "shmvideowindow.h"

#include "mpvengine.h"
#include "videowindow.h"

#include <QExposeEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QSurfaceFormat>
#include <QSysInfo>
#include <algorithm>
#include <cstdlib>
#include <memory>

#if QT_CONFIG(xcb)
#include <sys/mman.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#endif

#if QT_CONFIG(xcb)
namespace
{

// A reply of libxcb's, freed with free().
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> adopt(T* reply)
{
    return Reply<T>(reply, &std::free);
}

// Rows of the images start 64 bytes apart at least, where libmpv's scalers
// write fastest; the server is told the padded width and copies the visible part.
constexpr int kRowAlignPixels = 16;

} // namespace
#endif

ShmVideoWindow* ShmVideoWindow::create(MpvEngine* engine)
{
#if QT_CONFIG(xcb)
    // Qt's own switch for X servers whose shared memory misbehaves.
    if (qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!extension || !extension->present)
        return nullptr;
    // 1.2 takes segments as file descriptors: nothing is left behind in the
    // system's SysV segments if the program is killed.
    const auto version =
        adopt(xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr));
    if (!version || version->major_version < 1 ||
        (version->major_version == 1 && version->minor_version < 2))
        return nullptr;
    std::unique_ptr<ShmVideoWindow> window(new ShmVideoWindow(engine, connection));
    if (!window->hasUsableVisual())
        return nullptr;
    // A server reached over TCP (ssh -X) announces the extension, but the
    // descriptors cannot reach it: a segment of one page tells.
    Image trial;
    if (!window->attach(trial, 4096))
        return nullptr;
    window->release(trial);
    return window.release();
#else
    Q_UNUSED(engine);
    return nullptr;
#endif
}

ShmVideoWindow::ShmVideoWindow(MpvEngine* engine, xcb_connection_t* connection)
    : m_engine(engine), m_connection(connection)
{
    // Mouse and keys go to the widgets around the video, as if this window
    // were not there. It never gets a backing store: nothing of Qt paints it.
    setFlag(Qt::WindowTransparentForInput);
    // The screen's 24-bit visual, never one with alpha.
    QSurfaceFormat format;
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(0);
    setFormat(format);
    connect(m_engine, &MpvEngine::renderUpdateRequested, this, &ShmVideoWindow::onRenderUpdate);
    m_drawLater.setSingleShot(true);
    m_drawLater.setInterval(0);
    connect(&m_drawLater, &QTimer::timeout, this, [this] {
        if (!isExposed() || m_failed)
            return;
        // A new image is made in a pass of its own (its pages and the
        // server's attach took 4-9 ms for a full screen), the frame drawn into
        // it in the next.
        if (!fits(m_image, targetSize()) && prepare(m_image, targetSize())) {
            m_drawLater.start();
            return;
        }
        draw(m_engine->takeNewFrame());
    });
}

ShmVideoWindow::~ShmVideoWindow()
{
#if QT_CONFIG(xcb)
    release(m_image);
    if (m_gc)
        xcb_free_gc(m_connection, m_gc);
    xcb_flush(m_connection);
#endif
}

// The visual Qt gives a window without alpha, the screen's own, must take
// libmpv's pixels as they are: 24 bits of 0x00RRGGBB in 32-bit words of the
// machine's byte order.
bool ShmVideoWindow::hasUsableVisual()
{
#if QT_CONFIG(xcb)
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const int hostOrder = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? XCB_IMAGE_ORDER_LSB_FIRST
                                                                        : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != hostOrder)
        return false;
    bool words = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == 24)
            words = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    }
    if (!words)
        return false;
    int screens = 0;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s)) {
        ++screens;
        if (s.data->root_depth != 24)
            return false;
        bool found = false;
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id != s.data->root_visual)
                    continue;
                if (v.data->_class != XCB_VISUAL_CLASS_TRUE_COLOR || v.data->red_mask != 0xFF0000 ||
                    v.data->green_mask != 0xFF00 || v.data->blue_mask != 0xFF)
                    return false;
                found = true;
            }
        }
        if (!found)
            return false;
    }
    return screens > 0;
#else
    return false;
#endif
}

void ShmVideoWindow::setVideoConfigured(bool configured)
{
    if (configured == m_videoConfigured)
        return;
    m_videoConfigured = configured;
    if (!configured) {
        m_hasFrame = false;
        m_frameUnreported = false;
    }
    if (isExposed() && !m_failed)
        draw(false);
}

// libmpv has a new frame or wants the picture redrawn. A frame nobody can see
// is passed over at once; the next exposure draws the latest.
void ShmVideoWindow::onRenderUpdate()
{
    m_redrawPending = true;
    if (isExposed() && !m_failed) {
        if (!drawLater()) // or the frame is drawn with it
            draw(m_engine->takeNewFrame());
    } else if (m_engine->takeNewFrame()) {
        m_engine->skipFrame();
        m_hasFrame = true;
        m_frameUnreported = true;
    }
}

void ShmVideoWindow::exposeEvent(QExposeEvent*)
{
    if (!isExposed() || m_failed || drawLater())
        return;
    const bool newFrame = m_engine->takeNewFrame();
    if (!newFrame && !m_redrawPending && m_shown && m_image.size == targetSize())
        put(m_image); // what it showed, as it was
    else
        draw(newFrame);
}

void ShmVideoWindow::resizeEvent(QResizeEvent*)
{
    if (isExposed() && !m_failed && !drawLater())
        draw(m_engine->takeNewFrame());
}

// A picture of more than twice the area drawn last (full screen, a larger
// size mode) shows black at once and is drawn in a later pass of the event
// loop. Its new segment and the conversion of a whole screen take 15-25 ms,
// which would otherwise come on top of a new window's creation and painting
// in the same pass. Smaller steps, as when the frame is dragged, are drawn at
// once: black there would flicker.
bool ShmVideoWindow::drawLater()
{
    const QSize target = targetSize();
    const auto area = [](QSize s) { return qint64(s.width()) * s.height(); };
    if (!m_drawLater.isActive() && !(m_shown && area(target) > 2 * area(m_image.size)))
        return false;
#if QT_CONFIG(xcb)
    if (!ensureGc())
        return true;
    // The server fills it: nothing of the old picture or of what lay under
    // the window shows meanwhile. The GC's foreground is pixel 0, black.
    const xcb_rectangle_t all{0, 0, std::uint16_t(std::min(target.width(), 0xFFFF)),
                              std::uint16_t(std::min(target.height(), 0xFFFF))};
    xcb_poly_fill_rectangle(m_connection, xcb_window_t(winId()), m_gc, 1, &all);
    xcb_flush(m_connection);
#endif
    m_shown = false;
    // Meanwhile libmpv picks its converter for the new size. Entering full
    // screen with a 1080p file on a 1080p screen held the UI thread up to
    // 111 ms when the first frame went to zimg, 36 ms since (10 runs each).
    m_engine->prepareRender(target);
    // Started anew by each frame that comes meanwhile: its time is then later
    // than the timers already due, which fire first. Started only once, it
    // fired before them more often, and the pass that creates a full-screen
    // window and the one that draws it were timed as one (1080p, six entries
    // each: 13-33 ms against 11-24 ms).
    m_drawLater.start();
    return true;
}

// A new frame is drawn at once, even before the engine's report that the
// video output is configured has come: libmpv's video output waits for that
// first render call. The idle picture shows until the report has come and a
// frame was drawn.
void ShmVideoWindow::draw(bool newFrame)
{
    m_drawLater.stop();
    m_hasFrame = m_hasFrame || newFrame;
    m_frameUnreported = m_frameUnreported || newFrame;
    const bool showVideo = m_videoConfigured && m_hasFrame;
    Image& image = m_image;
    if (m_failed || !prepare(image, targetSize())) { // nothing to show it on
        if (newFrame)
            m_engine->skipFrame();
        return;
    }
    m_redrawPending = false;
    if (newFrame || showVideo)
        m_engine->render(image.pixels, image.size.width(), image.size.height(),
                         std::size_t(image.rowPixels) * 4);
    if (!showVideo) {
        QImage picture = wrap(image);
        QPainter painter(&picture);
        paintIdlePicture(painter, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    put(image);
    if (m_failed)
        return;
    // A frame is told once it is on the screen: one drawn before the video
    // output was reported, or passed over while the window was not exposed,
    // with the redraw that shows it (a cover is the only frame there will be).
    if (showVideo && m_frameUnreported) {
        m_frameUnreported = false;
        emit frameRendered();
    }
}

void ShmVideoWindow::put(Image& image)
{
#if QT_CONFIG(xcb)
    const auto window = xcb_window_t(winId());
    if (!ensureGc())
        return;
    const auto width = std::uint16_t(image.size.width());
    const auto height = std::uint16_t(image.size.height());
    xcb_shm_put_image(m_connection, window, m_gc, std::uint16_t(image.rowPixels), height, 0, 0,
                      width, height, 0, 0, 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, image.segment, 0);
    if (image.readSequence)
        xcb_discard_reply(m_connection, *image.readSequence);
    image.readSequence = xcb_get_input_focus(m_connection).sequence;
    xcb_flush(m_connection);
    m_shown = true;
#else
    Q_UNUSED(image);
#endif
}

// The GC the images are put with, made on first use.
bool ShmVideoWindow::ensureGc()
{
#if QT_CONFIG(xcb)
    if (m_gc)
        return true;
    const auto window = xcb_window_t(winId());
    // Qt chose the window's visual from its format: it must be the 24-bit one.
    const auto geometry = adopt(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    if (!geometry || geometry->depth != 24) {
        fail("the video window's visual is not 24-bit");
        return false;
    }
    m_gc = xcb_generate_id(m_connection);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(m_connection, m_gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    return true;
#else
    return false;
#endif
}

// The stride in pixels of an image of `size`, and its bytes.
std::pair<int, std::size_t> ShmVideoWindow::layout(QSize size)
{
    const int rowPixels = (size.width() + kRowAlignPixels - 1) / kRowAlignPixels * kRowAlignPixels;
    return {rowPixels, std::size_t(rowPixels) * 4 * std::size_t(size.height())};
}

// Whether `image`'s segment holds a picture of `size` and is not four times
// too large for it.
bool ShmVideoWindow::fits(const Image& image, QSize size)
{
    const std::size_t bytes = layout(size).second;
    return image.pixels && bytes <= image.bytes && bytes * 4 >= image.bytes;
}

// Ready to be drawn into at `size`: read by the server, and large enough. A
// segment is kept while the picture fits in it and takes a quarter of it at
// least, so that dragging the window's frame does not make one a step.
bool ShmVideoWindow::prepare(Image& image, QSize size)
{
    if (size.isEmpty() || size.width() > 0x7FFF || size.height() > 0x7FFF)
        return false;
    waitUntilRead(image);
    const auto [rowPixels, bytes] = layout(size);
    if (!fits(image, size)) {
        Image fresh;
        if (!attach(fresh, bytes)) {
            fail("a shared-memory image could not be made or attached");
            return false;
        }
        release(image);
        image = fresh;
    }
    image.size = size;
    image.rowPixels = rowPixels;
    return true;
}

// A segment of `bytes`, mapped here and attached by the server (read-only).
bool ShmVideoWindow::attach(Image& image, std::size_t bytes)
{
#if QT_CONFIG(xcb)
    const int fd = memfd_create("merosonx-video", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    // Its pages are made in one go: the first frame drawn into a full-screen
    // segment would otherwise fault some two thousand times on the UI thread.
    void* pixels = MAP_FAILED;
    if (ftruncate(fd, off_t(bytes)) == 0)
        pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (pixels == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    const std::uint32_t segment = xcb_generate_id(m_connection);
    // The descriptor goes to the server with the request; libxcb closes it.
    const auto error = adopt(
        xcb_request_check(m_connection, xcb_shm_attach_fd_checked(m_connection, segment, fd, 1)));
    if (error) {
        munmap(pixels, bytes);
        return false;
    }
    image = Image{};
    image.segment = segment;
    image.pixels = pixels;
    image.bytes = bytes;
    return true;
#else
    Q_UNUSED(image);
    Q_UNUSED(bytes);
    return false;
#endif
}

// Nothing more is drawn here; the surface takes over (failed()).
void ShmVideoWindow::fail(const char* why)
{
    if (m_failed)
        return;
    qWarning("ShmVideoWindow: %s; the picture is painted by the widget from here on", why);
    m_failed = true;
    emit failed();
}

// The server copies an image when it carries out the put; the answer to the
// round trip sent after it says it has.
void ShmVideoWindow::waitUntilRead(Image& image)
{
#if QT_CONFIG(xcb)
    if (!image.readSequence)
        return;
    std::free(xcb_get_input_focus_reply(m_connection, {*image.readSequence}, nullptr));
    image.readSequence.reset();
#else
    Q_UNUSED(image);
#endif
}

void ShmVideoWindow::release(Image& image)
{
#if QT_CONFIG(xcb)
    if (!image.pixels)
        return;
    waitUntilRead(image);
    xcb_shm_detach(m_connection, image.segment);
    munmap(image.pixels, image.bytes);
    image = Image{};
#else
    Q_UNUSED(image);
#endif
}

QImage ShmVideoWindow::wrap(const Image& image) const
{
    QImage picture(static_cast<uchar*>(image.pixels), image.size.width(), image.size.height(),
                   qsizetype(image.rowPixels) * 4, QImage::Format_RGB32);
    picture.setDevicePixelRatio(devicePixelRatio());
    return picture;
}

QSize ShmVideoWindow::targetSize() const
{
    return (QSizeF(size()) * devicePixelRatio()).toSize();
}

QImage ShmVideoWindow::grabPicture()
{
    if (isExposed() && !m_failed) {
        if (!m_shown || m_image.size != targetSize() || m_redrawPending)
            draw(m_engine->takeNewFrame());
        if (m_shown)
            return wrap(m_image).copy();
        return {};
    }
    // Not on the screen: what it would show, drawn into memory of our own.
    const QSize target = targetSize();
    if (target.isEmpty())
        return {};
    QImage picture(target, QImage::Format_RGB32);
    picture.setDevicePixelRatio(devicePixelRatio());
    if (m_videoConfigured && m_hasFrame) {
        m_engine->render(picture.bits(), target.width(), target.height(),
                         std::size_t(picture.bytesPerLine()));
    } else {
        QPainter painter(&picture);
        paintIdlePicture(painter, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    return picture;
}
