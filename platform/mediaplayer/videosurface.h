// SPDX-License-Identifier: MIT
#pragma once

#include <QOpenGLWidget>

class MpvEngine;

// The picture area of the player: libmpv's video (or an audio file's cover
// art) fitted to the widget with its aspect kept, or a quiet idle picture when
// the player shows nothing.
//
// The render context lives as long as this widget's GL context, which Qt
// creates the first time the widget is shown with a non-empty size; until then
// isRenderReady() is false. `engine` must outlive this widget.
class VideoSurface : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit VideoSurface(MpvEngine* engine, QWidget* parent = nullptr);
    ~VideoSurface() override;

    bool isRenderReady() const;

    // Follows the engine's video output: while it is off the idle picture shows.
    void setVideoConfigured(bool configured);

signals:
    // The render context exists: files may now be loaded with video.
    void renderReady();
    // A new video frame was drawn into the framebuffer (UI thread, in paintGL).
    void frameRendered();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void releaseRenderContext();
    void paintIdle();

    MpvEngine* m_engine;
    bool m_videoConfigured = false;
    bool m_hasFrame = false; // a frame of the current video output was pulled
};
