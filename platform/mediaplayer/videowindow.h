// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QOpenGLWindow>

class MpvEngine;
class QPainter;
class QRectF;

// What the player shows when it has no picture: a dark gradient with a note
// and the product name, fitted to `area` from a strip to a full screen.
void paintIdlePicture(QPainter& painter, const QRectF& area);

// The native window the video is drawn into: libmpv renders straight into its
// default framebuffer, which the swap puts on screen, with no copy of the
// picture and no composition of the widgets around it. VideoSurface hosts it.
//
// The GL context, and with it the render context, is created the first time
// the window has a platform window and a size; until then isRenderReady() is
// false. Painting happens only while the window is exposed: hidden, minimized
// or without height it pulls no frames. UI thread only. `engine` must outlive
// this window.
class VideoWindow : public QOpenGLWindow
{
    Q_OBJECT
public:
    explicit VideoWindow(MpvEngine* engine);
    ~VideoWindow() override;

    bool isRenderReady() const;
    void setVideoConfigured(bool configured);
    // What paintGL would draw now (the current frame or the idle picture), read
    // back from the framebuffer; null before the GL context exists.
    QImage grabPicture();

signals:
    void renderReady();
    void frameRendered();

protected:
    void showEvent(QShowEvent* event) override;
    void initializeGL() override;
    void paintGL() override;

private:
    void draw(bool newFrame);
    void releaseRenderContext();

    MpvEngine* m_engine;
    bool m_videoConfigured = false;
    bool m_hasFrame = false; // a frame of the current video output was pulled
};
