// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>

class MpvEngine;
class StallProbe;
class VideoWindow;

// The picture area of the player: libmpv's video (or an audio file's cover
// art) fitted to the widget with its aspect kept, or a quiet idle picture when
// the player shows nothing.
//
// The picture is drawn in a native child window (VideoWindow) that fills this
// widget: frames go from libmpv to the screen directly, and the widgets
// around it keep being painted and flushed as plain raster widgets, each only
// when it changes. Mouse and keys pass through to this widget.
//
// That window, and with it OpenGL, comes only with prepareRender(): until the
// first file with a picture the widget paints the idle picture itself, so
// audio alone never starts the GL driver. The render context lives as long as
// the window's GL context, which Qt creates once the window is shown with a
// non-empty size; until then isRenderReady() is false. `engine` must outlive
// this widget.
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

    // The picture as the window draws it now, in device pixels; null until the
    // surface has been shown.
    QImage grabFramebuffer();

signals:
    // The render context exists: files may now be loaded with video.
    void renderReady();
    // A new video frame was drawn into the framebuffer (UI thread).
    void frameRendered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    MpvEngine* m_engine;
    VideoWindow* m_window = nullptr; // owned by m_container, from prepareRender()
    QWidget* m_container = nullptr;
    bool m_videoConfigured = false;
    StallProbe* m_stallProbe = nullptr; // only with MERO_STALL_PROBE set
};
