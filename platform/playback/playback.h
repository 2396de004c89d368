// SPDX-License-Identifier: MIT
#pragma once

#include "mediatrack.h"
#include "playbackfailure.h"
#include "playstate.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <optional>
#include <utility>

class MediaSource;
class MpvEngine;

// Playback of one chosen file, without widgets: the engine (libmpv), what the
// file stands for (one file, a MIDI tune, a CD track, a playlist's entries),
// and one state machine:
//
//   Idle ──setFileName──▶ Loading ──file opened──▶ Playing ⇄ Paused
//     ▲                    │  ▲                      │  stop, end  │
//     └── setFileName("")  │  └──── play ◀── Failed  ▼             ▼
//                          └── cannot play ──▶ Failed       Stopped (at the start)
//
//   Stepping through a playlist (next(), previous()):
//     Playing ──next, previous──▶ Playing (another entry, from its start)
//     Paused  ──next, previous──▶ Paused  (likewise, waiting there)
//     Stopped ──next, previous──▶ Playing (the second entry; the first again)
//     Playing, Paused ──next on the last entry──▶ Stopped (as at the end)
//     previous on the first entry: back to its start, the state kept
//
// Loading remembers what the user asked for meanwhile (startState()): a pause
// or a stop while the file opens takes effect as it opens, a seek lands once
// it is open. Stopped keeps the file loaded, paused at its start (a playlist at
// its first entry), and play() goes on from there; when the engine had to let
// the file go at its end, play() opens it again. Failed keeps the reason
// (error()); play() tries the file again.
//
// seeked() tells every jump of the position this object makes (a seek from
// anyone, the return to the start on stop and at the end) once, with the
// position it jumped to; the engine's clock reports never do.
//
// Setting a file starts playing it at once; loading is asynchronous and ends
// in fileLoaded() or playbackFailed(). What a request leads to (loaded, failed,
// ended) comes from the event loop, never from inside the request, so a
// receiver may set the next file; the state and position signals of the
// request's own transition come at once.
//
// Threads: UI thread only; the engine's threads never reach this object.
class Playback : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Loading, Playing, Paused, Stopped, Failed };
    Q_ENUM(State)

    explicit Playback(QObject* parent = nullptr);
    // `engine` is taken over (made a child); for tests that pass options.
    explicit Playback(MpvEngine* engine, QObject* parent = nullptr);
    ~Playback() override;

    // `path` is a local file name, relative ones taken against the current
    // directory at the time of the call; it is never read as a URL or option
    // (a playlist it names may name network streams). Empty: nothing to play.
    void setFileName(const QString& path);
    QString fileName() const { return m_fileName; }
    // setFileName() ahead of the view that will show the file: the program's
    // first file opens while its window is built. The next setFileName() of
    // the same name, with no other load between, finds it under way.
    void openAhead(const QString& path);
    QString absolutePath() const { return m_absolutePath; }

    void play();
    void pause();
    void togglePause();
    void stop(); // back to the start, paused, file kept
    // Absolute, clamped to the file; from Stopped the file stays paused there.
    void seek(double seconds);
    void setVolume(int percent); // clamped to 0..100
    int volume() const { return m_volume; }
    void setMuted(bool muted);
    bool isMuted() const { return m_muted; }
    // Playing speed, clamped to kMinimumSpeed..kMaximumSpeed; kept from file to file.
    void setSpeed(double factor);
    double speed() const { return m_speed; }

    // The file is open in the engine: playing, paused, or stopped at its start.
    bool isOpen() const;
    // A playlist of more than one entry that is open: the steps below do
    // something. True at the ends too: previous() on the first entry starts it
    // again, next() on the last stops the list at its start.
    bool canGoNext() const;
    bool canGoPrevious() const;
    void next();
    void previous();

    // The streams of the file (the current entry) and the ones chosen. Video
    // tracks are listed but not chosen here. `id` 0 for subtitles: none.
    MediaTracks tracks() const { return m_tracks; }
    void selectAudioTrack(int id);
    void selectSubtitleTrack(int id);
    // The container as libmpv names it ("mkv", "mp3", ...) and the file's
    // size in bytes; empty and 0 until known.
    QString fileFormat() const { return m_fileFormat; }
    qint64 fileSize() const { return m_fileSize; }
    // The media the current entry plays: a local file's path, a stream's URL,
    // or a CD track's .cda file; the chosen file itself until an entry plays.
    QString entryLocation() const;

    State state() const { return m_state; }
    // While Loading, the state the file takes once open (Playing, Paused or
    // Stopped); otherwise state().
    State startState() const;
    PlayState playState() const;
    PlaybackError error() const { return m_error; }
    double position() const { return m_position; } // seconds
    double duration() const { return m_duration; } // seconds, 0 while unknown

    // "再生中", "一時停止", "停止", or "再生できません：" and the reason; while
    // the sound is lost, what happened follows the state.
    QString statusText() const;
    // The sound device or server the engine played to went away: playback
    // goes on without sound, and the engine tries the outputs again every
    // kSoundRetryMs and on every play and open until one works.
    bool isSoundLost() const { return m_soundLost; }
    // The audio output the engine opened last ("pulse", "pipewire", "alsa",
    // "null"); empty before the first.
    QString audioOutput() const { return m_audioOutput; }
    static constexpr int kSoundRetryMs = 2000;
    // The title tag or else the file name, then the artist and album tags
    // (empty when absent). A playlist's own title for an entry comes first.
    QString title() const;
    QString artist() const;
    QString album() const;
    QVariantMap tags() const { return m_tags; }
    // One entry, or a playlist's playable entries (0 until known). The current
    // entry is -1 until the first one plays.
    int entryCount() const;
    int currentEntry() const;

    // For the video surface, which draws the engine's frames.
    MpvEngine* engine() const { return m_engine; }
    // The video surface put a new frame on the screen.
    void reportFrameShown() { emit frameShown(); }

    // The position shown moves in steps of this many seconds while playing.
    static constexpr double kPositionStep = 0.25;
    static constexpr double kMinimumSpeed = 0.5;
    static constexpr double kMaximumSpeed = 2.0;

signals:
    void stateChanged(Playback::State state);
    void playStateChanged(PlayState state);
    // At most every kPositionStep while playing, and at once on seeks and stops.
    void positionChanged(double seconds);
    void durationChanged(double seconds);
    void fileLoaded();
    // The file's tags, which come some time after fileLoaded().
    void tagsChanged();
    // `reason` is error().text().
    void playbackFailed(const QString& reason);
    void endOfMedia();
    // A playlist moved to another entry (index as for currentEntry()).
    void currentEntryChanged(int index);
    // After every setVolume(), whoever called it.
    void volumeChanged(int percent);
    void mutedChanged(bool muted);
    void soundLostChanged(bool lost);
    void speedChanged(double factor);
    // The position jumped to `seconds`: see above.
    void seeked(double seconds);
    // canGoNext() or canGoPrevious() changed.
    void canStepChanged();
    // tracks(), fileFormat() or fileSize() changed.
    void detailsChanged();
    void frameShown();

private:
    void connectEngine();
    void requestLoad();
    void startItems();
    void failBeforeLoading(PlaybackFailure failure);
    void onFileLoaded();
    void onItemStarted(int index);
    void onFileFailed(int mpvError);
    void onEndReached();
    void onFileEnded();
    void onTimePos(double seconds);
    void onEnginePause(bool paused);
    void onMetadata(const QVariantMap& tags);
    void onAudioOutput(const QString& name);
    void retrySound();
    void onTracks(const MediaTracks& tracks);
    void clearDetails();
    void announceSteps();
    void fail(const PlaybackError& error);
    bool failIfChangedUnderneath();
    void returnToStart();
    void setState(State state);
    void setStartState(State state);
    void setPositionShown(double seconds, bool force);
    void setDuration(double seconds);
    PlaybackError errorOfEngine(int mpvError) const;
    QString tag(const char* key) const;

    MpvEngine* m_engine = nullptr;
    MediaSource* m_source = nullptr;

    QString m_fileName;     // as given
    QString m_absolutePath; // as given, made absolute
    State m_state = State::Idle;
    State m_startState = State::Playing;        // while Loading
    PlayState m_playState = PlayState::Stopped; // last announced
    bool m_fileOpen = false; // the engine holds the file (false after it let it go)
    QString m_openedPath;    // the local file now open, and its size when it opened
    qint64 m_openedSize = -1;
    std::optional<double> m_pendingSeek; // asked for while Loading
    quint64 m_loadRequest = 0;           // counts loads; a later one voids earlier ones
    quint64 m_openedAhead = 0;           // the load openAhead() started, until named again
    PlaybackError m_error;
    QVariantMap m_tags;
    double m_position = 0;
    double m_duration = 0;
    int m_shownStep = -1; // position shown, in kPositionStep units
    int m_volume = 100;
    bool m_muted = false;
    QString m_audioOutput; // the last output the engine opened
    bool m_soundLost = false;
    QTimer m_soundRetry;
    double m_speed = 1.0;
    MediaTracks m_tracks;
    QString m_fileFormat;
    qint64 m_fileSize = 0;
    std::pair<bool, bool> m_steps{false, false}; // canGoNext, canGoPrevious as last announced
};
