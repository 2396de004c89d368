// SPDX-License-Identifier: MIT
#pragma once

#include "playstate.h"

#include <QString>
#include <QVariantMap>
#include <QWidget>

class ClipInfoPanel;
class ControlBar;
class MediaSource;
class MpvEngine;
class PlaybackStatusBar;
class VideoSurface;

// The player control the main window hosts as MP. Top to bottom: the video
// surface (takes what is left, hidden when nothing is left), the clip
// information panel and the status bar (1455 twips together, each shown by its
// own toggle) and the control bar (695 twips). A part that does not fit whole
// is hidden rather than clipped.
//
// Setting a file starts playing it at once; loading is asynchronous and
// reported through fileLoaded() or playbackFailed(). At the end the player
// stops at the start with the file still loaded, ready to play again. Without
// a video surface to draw on (never shown, or no room for it) audio plays all
// the same and the video joins once the surface exists.
//
// A file is judged by its content: a MIDI file is synthesized, a .cda file
// plays its track from the CD drive, and a playlist (.asx family, M3U, PLS)
// plays its entries in order, the information panel naming the current one;
// its start, for stop and the end, is the start of its first entry.
//
// Sizes: setWidth/setHeight take twips; the widget becomes
// round(twips / twips::perPixel(this)) pixels and a read returns the twips
// written while that size holds. UI thread only.
class MediaPlayer : public QWidget
{
    Q_OBJECT
public:
    using PlayState = ::PlayState;

    explicit MediaPlayer(QWidget* parent = nullptr);
    ~MediaPlayer() override;

    // `path` is a local file name, relative ones taken against the current
    // directory at the time of the call; it is never read as a URL or option
    // (a playlist it names may name network streams).
    void setFileName(const QString& path);
    QString fileName() const { return m_fileName; }

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

    void play();
    void pause();
    void togglePause();
    void stop(); // pauses at the start, file kept
    void seek(double seconds);
    void setVolume(int percent); // clamped to 0..100
    int volume() const { return m_volume; }
    void setMuted(bool muted);
    bool isMuted() const { return m_muted; }

    PlayState playState() const { return m_state; }
    double position() const { return m_position; } // seconds
    double duration() const { return m_duration; } // seconds, 0 while unknown
    // The status bar's state text: "再生中", "一時停止", "停止", or
    // "再生できません：" and the reason.
    QString statusText() const;
    // What the information panel shows: the title tag or else the file name,
    // then the artist and album tags (empty when absent).
    QString title() const;
    QString artist() const;
    QString album() const;
    // What the file stands for: one entry, or a playlist's playable entries
    // (0 until known). The current entry is -1 until the first one plays.
    int entryCount() const;
    int currentEntry() const;

    // The video surface, for grabbing frames in tests and benchmarks.
    VideoSurface* videoSurface() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void playStateChanged(PlayState state);
    // At most a few times a second while playing, and at once on seeks and stops.
    void positionChanged(double seconds);
    void durationChanged(double seconds);
    void fileLoaded();
    // The file's tags, which come some time after fileLoaded().
    void tagsChanged();
    void playbackFailed(const QString& reason);
    void endOfMedia();
    // A playlist moved to another entry (index as for currentEntry()).
    void currentEntryChanged(int index);
    // After every setVolume(), whoever called it (control bar, keys, program).
    void volumeChanged(int percent);
    void frameRendered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void requestLoad();
    void startItems();
    void failBeforeLoading(const QString& reason);
    void onVideoNeedsRenderContext();
    void onRenderReady();
    void onFileLoaded();
    void onItemStarted(int index);
    void onFileFailed(int mpvError);
    void onEndReached();
    void onFileEnded();
    void onTimePos(double seconds);
    void setDuration(double seconds);
    void onPause(bool paused);
    void onMetadata(const QVariantMap& tags);
    void fail(const QString& reason);
    void returnToStart();
    void setPositionShown(double seconds, bool force);
    void refreshState();
    void refreshStatus();
    void refreshInfo();
    void relayout();
    QString tag(const char* key) const;
    QString failureReason(int mpvError) const;

    MpvEngine* m_engine = nullptr;
    MediaSource* m_source = nullptr; // what the file stands for: items, names
    VideoSurface* m_surface = nullptr;
    ClipInfoPanel* m_info = nullptr;
    PlaybackStatusBar* m_status = nullptr;
    ControlBar* m_controls = nullptr;

    QString m_fileName;     // as given
    QString m_absolutePath; // as chosen, made absolute
    QVariantMap m_tags;
    QString m_failure; // reason, empty unless the file could not be played
    PlayState m_state = PlayState::Stopped;
    bool m_stopped = true;        // at the start, paused, by stop() or the end
    bool m_paused = false;        // the engine's pause, or the last request for it
    bool m_needsReload = false;   // the engine left the file; play() loads it again
    quint64 m_loadRequest = 0;    // counts requestLoad(); a later one voids earlier ones
    bool m_videoDeferred = false; // loaded without video; select it once rendering works
    double m_position = 0;
    double m_duration = 0;
    int m_shownQuarter = -1; // position shown, in quarter seconds
    int m_volume = 100;
    bool m_muted = false;
    bool m_showDisplay = true;
    bool m_showStatusBar = true;
    int m_displaySize = 4;
    float m_widthTwips = -1; // last written, -1 until then
    float m_heightTwips = -1;
};
