// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>

class MpvEngine;
class QPainter;
class QWindow;
class ShmVideoWindow;
class StallProbe;
class VideoWindow;

// The picture area of the player: libmpv's video (or an audio file's cover
// art) fitted to the widget with its aspect kept, or a quiet idle picture when
// the player shows nothing.
//
// The video output is chosen with the first file that has a picture
// (prepareRender()); until then the widget paints the idle picture itself, so
// audio alone never starts a renderer.
//
// - OpenGL, where a GPU renders it: the picture is drawn in a native child
//   window (VideoWindow) that fills this widget. Frames go from libmpv to the
//   screen directly, and the widgets around it keep being painted and flushed
//   as plain raster widgets, each only when it changes. The render context
//   lives as long as the window's GL context, which Qt creates once the window
//   is shown with a non-empty size; until then isRenderReady() is false.
// - Software, where OpenGL would run on the processor anyway (Mesa's
//   llvmpipe on a machine without a GPU, a virtual X server, remote X) or does
//   not work at all: libmpv scales and converts each frame on the processor.
//   A shader rasterizer on the processor costs several times the processor
//   time of that, and loads a compiler (LLVM) into the player.
//   - On X11 with shared memory, into the images of a native child window
//     (ShmVideoWindow) that the X server copies to the screen.
//   - Elsewhere (Wayland, an X server without MIT-SHM), into an image of this
//     widget's size, which it paints like any widget.
//
// MERO_VIDEO_OUTPUT=opengl, =software or =widget (software, painted by this
// widget) in the environment overrides the choice. Mouse and keys reach this
// widget either way. `engine` must outlive this widget.
class VideoSurface : public QWidget
{
    Q_OBJECT
public:
    explicit VideoSurface(MpvEngine* engine, QWidget* parent = nullptr);
    ~VideoSurface() override;

    bool isRenderReady() const;
    // Creates the video window; if this widget is visible, the render context
    // exists when this returns (renderReady() has been emitted).
    void prepareRender();

    // Follows the engine's video output: while it is off the idle picture shows.
    void setVideoConfigured(bool configured);

    // The picture as the surface draws it now, in device pixels; null until the
    // surface has been shown.
    QImage grabFramebuffer();
    // What prepareRender() chose; None before.
    enum class Output { None, OpenGl, SharedMemory, Widget };
    Output output() const { return m_output; }
    // The picture is in a native window of its own: widgets meant to show
    // over it need native windows too.
    bool hasNativeWindow() const
    {
        return m_output == Output::OpenGl || m_output == Output::SharedMemory;
    }

signals:
    // The render context exists: files may now be loaded with video.
    void renderReady();
    // A new video frame was drawn into the framebuffer (UI thread).
    void frameRendered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static Output chooseOutput();
    void prepareGlWindow();
    void paintFramesItself();
    void hostWindow(QWindow* window);
    void onSoftwareUpdate();
    void renderSoftwareFrame();
    void paintPicture(QPainter& painter);

    MpvEngine* m_engine;
    Output m_output = Output::None;
    VideoWindow* m_glWindow = nullptr;     // owned by m_container, OpenGL only
    ShmVideoWindow* m_shmWindow = nullptr; // owned by m_container, SharedMemory only
    QWidget* m_container = nullptr;
    // Widget only: the current frame at this widget's size in device pixels,
    // and whether libmpv asked for a redraw not yet made.
    QImage m_frame;
    bool m_redrawPending = false;
    bool m_hasFrame = false; // a frame of the current video output was drawn
    bool m_videoConfigured = false;
    StallProbe* m_stallProbe = nullptr; // only with MERO_STALL_PROBE set
};
