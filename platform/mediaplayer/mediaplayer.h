// SPDX-License-Identifier: MIT
#pragma once

#include "playback.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

class ClipInfoPanel;
class ControlBar;
class FullScreenWindow;
class MediaPropertiesDialog;
class PlaybackStatusBar;
class QAction;
class QLabel;
class VideoSurface;

// The player control the main window hosts as MP. Top to bottom: the video
// surface (takes what is left, hidden when nothing is left), the clip
// information panel and the status bar (1455 twips together, each shown by its
// own toggle) and the control bar (695 twips). A part that does not fit whole
// is hidden rather than clipped.
//
// The view of a Playback (playback()), which it owns: what plays, its state
// and its failures live there; the transport calls and signals below are
// the playback's own, for the program's convenience. Without a video surface
// to draw on (never shown, or no room for it) audio plays all the same and
// the video joins once the surface exists.
//
// Sizes: setWidth/setHeight take twips; the widget becomes
// round(twips / twips::perPixel(this)) pixels and a read returns the twips
// written while that size holds. UI thread only.
//
// Its own context menu (right-click, the Menu key) and keys while it has the
// focus: Space play/pause, ←/→ seek 5 s, ↑/↓ volume, M mute, F or F11 full
// screen, Esc leave it, PageUp/P and PageDown/N the playlist's previous and
// next entry, [ and ] slower and faster (0.5× to 2×), Backspace the normal
// speed. A double-click on the picture toggles full screen.
//
// Full screen lends the picture and the bars to a window of their own
// (FullScreenWindow) on the screen that holds the host window; the host
// window and this widget keep their state, size, position and layout, and
// leaving puts the parts back as they were.
class MediaPlayer : public QWidget
{
    Q_OBJECT
public:
    using PlayState = ::PlayState;

    explicit MediaPlayer(QWidget* parent = nullptr);
    // Takes over `playback`, which may already be opening a file.
    MediaPlayer(Playback* playback, QWidget* parent);
    ~MediaPlayer() override;

    Playback* playback() const { return m_playback; }

    // As Playback's.
    void setFileName(const QString& path) { m_playback->setFileName(path); }
    QString fileName() const { return m_playback->fileName(); }

    void setShowDisplay(bool show);
    bool showDisplay() const { return m_showDisplay; }
    void setShowStatusBar(bool show);
    bool showStatusBar() const { return m_showStatusBar; }
    // Any value is kept; every mode fits the video to the surface, aspect kept.
    void setDisplaySize(int mode) { m_displaySize = mode; }
    int displaySize() const { return m_displaySize; }

    // Twips. Throw AppError 380 for a negative or non-finite value, changing nothing.
    void setWidth(float twips);
    void setHeight(float twips);
    float widthTwips() const;
    float heightTwips() const;

    // As Playback's.
    void play() { m_playback->play(); }
    void pause() { m_playback->pause(); }
    void togglePause() { m_playback->togglePause(); }
    void stop() { m_playback->stop(); }
    void seek(double seconds) { m_playback->seek(seconds); }
    void setVolume(int percent) { m_playback->setVolume(percent); }
    int volume() const { return m_playback->volume(); }
    void setMuted(bool muted) { m_playback->setMuted(muted); }
    bool isMuted() const { return m_playback->isMuted(); }
    PlayState playState() const { return m_playback->playState(); }
    double position() const { return m_playback->position(); }
    double duration() const { return m_playback->duration(); }
    QString statusText() const { return m_playback->statusText(); }
    QString title() const { return m_playback->title(); }
    QString artist() const { return m_playback->artist(); }
    QString album() const { return m_playback->album(); }
    int entryCount() const { return m_playback->entryCount(); }
    int currentEntry() const { return m_playback->currentEntry(); }

    void setFullScreen(bool on);
    bool isFullScreen() const { return m_isFullScreen; }
    void toggleFullScreen() { setFullScreen(!m_isFullScreen); }
    // Null until full screen is first entered.
    FullScreenWindow* fullScreenWindow() const { return m_fullScreen; }
    // The host window's commands whose shortcut keys must work in full screen
    // too, where the host's menus are out of reach: such a key leaves full
    // screen first, then runs the command. The actions must outlive this widget
    // or be removed first.
    void setWindowCommands(const QList<QAction*>& commands);

    // Volume by kVolumeStep per step, speed along kSpeeds, each told briefly
    // over the picture (notice()).
    void stepVolume(int steps);
    void stepSpeed(int steps);
    // What is told over the picture now; empty when nothing is.
    QString notice() const;
    // The properties of the file, in a modeless dialog over the picture.
    void showProperties();
    MediaPropertiesDialog* propertiesDialog() const;
    // The context menu at `globalPos`, as a right-click opens it.
    void openContextMenu(const QPoint& globalPos);

    // The video surface, for grabbing frames in tests and benchmarks.
    VideoSurface* videoSurface() const;

    static constexpr int kVolumeStep = 5;
    static constexpr double kSeekStep = 5.0; // seconds
    static constexpr double kSpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
    static constexpr int kNoticeMs = 1500;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Forwarded from playback(), for the program's convenience.
    void playStateChanged(PlayState state);
    void positionChanged(double seconds);
    void durationChanged(double seconds);
    void fileLoaded();
    void tagsChanged();
    void playbackFailed(const QString& reason);
    void endOfMedia();
    void currentEntryChanged(int index);
    void volumeChanged(int percent);
    // The surface drew a new video frame.
    void frameRendered();
    void fullScreenChanged(bool on);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void onVideoNeedsRenderContext();
    void onRenderReady();
    void onPlayStateChanged(PlayState state);
    void onPositionChanged(double seconds);
    void onDurationChanged(double seconds);
    void refreshStatus();
    void refreshInfo();
    void relayout();
    void relayoutFullScreen();
    bool runWindowCommand(const QKeyEvent& event);
    void showNotice(const QString& text);
    QWidget* topWindow();

    Playback* m_playback = nullptr;
    VideoSurface* m_surface = nullptr;
    ClipInfoPanel* m_info = nullptr;
    PlaybackStatusBar* m_status = nullptr;
    ControlBar* m_controls = nullptr;
    FullScreenWindow* m_fullScreen = nullptr; // a child window, made when first needed
    QLabel* m_failure = nullptr; // why the file cannot be played, in the picture's place
    QLabel* m_notice = nullptr;  // over the picture, a child of the surface
    QTimer m_noticeTimer;
    QPointer<MediaPropertiesDialog> m_properties;
    QList<QPointer<QAction>> m_windowCommands;
    bool m_isFullScreen = false;

    bool m_videoDeferred = false; // loaded without video; select it once rendering works
    bool m_showDisplay = true;
    bool m_showStatusBar = true;
    int m_displaySize = 4;
    float m_widthTwips = -1; // last written, -1 until then
    float m_heightTwips = -1;
};
