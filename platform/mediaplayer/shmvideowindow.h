// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QTimer>
#include <QWindow>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

class MpvEngine;
struct xcb_connection_t;

// The software output's native window on X11. libmpv scales and converts each
// frame straight into a shared-memory image of the window's size (MIT-SHM),
// and the X server copies it onto the window: Qt neither paints nor composes
// the picture, and no copy of it is made in this process.
//
// The image is drawn into again only once the server has copied it: a round
// trip sent behind each put, whose answer has long come when the next frame
// is due (a server that falls behind holds the next frame back, not the
// other way round). The idle picture is painted into the same image by Qt's
// raster engine.
//
// Frames come while the window is exposed; hidden, minimized or without height
// it passes them over at once (libmpv's video output would wait for them), and
// the next exposure draws the latest. Mouse and keys go to the widgets around
// it. UI thread only. `engine` must outlive this window and hold a software
// render context.
class ShmVideoWindow : public QWindow
{
    Q_OBJECT
public:
    // A window for `engine`'s frames, or nothing where the X server cannot
    // take these images: another window system, no MIT-SHM 1.2, a server
    // reached over TCP (ssh -X: the segments' descriptors cannot travel),
    // a screen whose visual is not 24-bit 0x00RRGGBB, or QT_XCB_NO_MITSHM
    // set. The caller then paints the frames itself.
    static ShmVideoWindow* create(MpvEngine* engine);
    ~ShmVideoWindow() override;

    void setVideoConfigured(bool configured);
    // What the window shows now: the current frame or the idle picture, in
    // device pixels; drawn anew if it showed nothing yet.
    QImage grabPicture();

signals:
    void frameRendered();
    // The server would not take an image after all (no segment could be
    // attached, or Qt gave the window another visual): nothing more is drawn
    // here, and frames are passed over until the owner paints them itself.
    void failed();

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // One image in a shared-memory segment the server has attached.
    struct Image {
        std::uint32_t segment = 0;
        void* pixels = nullptr;
        std::size_t bytes = 0;
        QSize size;        // in device pixels
        int rowPixels = 0; // the stride in pixels: rows start 64-byte aligned
        // The round trip sent after the latest put, while it is on its way.
        std::optional<unsigned int> readSequence;
    };

    ShmVideoWindow(MpvEngine* engine, xcb_connection_t* connection);
    bool hasUsableVisual();
    void onRenderUpdate();
    bool drawLater();
    void draw(bool newFrame);
    void put(Image& image);
    bool ensureGc();
    static std::pair<int, std::size_t> layout(QSize size);
    static bool fits(const Image& image, QSize size);
    bool prepare(Image& image, QSize size);
    bool attach(Image& image, std::size_t bytes);
    void fail(const char* why);
    void waitUntilRead(Image& image);
    void release(Image& image);
    QImage wrap(const Image& image) const;
    QSize targetSize() const;

    MpvEngine* m_engine;
    xcb_connection_t* m_connection;
    std::uint32_t m_gc = 0;
    Image m_image;
    bool m_shown = false;  // the image holds what the window shows
    bool m_failed = false; // the server refused an image: nothing is drawn here
    bool m_videoConfigured = false;
    bool m_hasFrame = false;        // a frame of the current video output was pulled
    bool m_redrawPending = false;   // libmpv asked for a redraw not made yet
    bool m_frameUnreported = false; // a frame was pulled and not yet shown and told
    QTimer m_drawLater;             // a large picture's draw, in a later pass of the event loop
};
