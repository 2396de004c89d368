// SPDX-License-Identifier: MIT
#pragma once

#include "mediaitem.h"
#include "mediatrack.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

struct mpv_handle;
struct mpv_render_context;
struct mpv_event;
struct mpv_event_property;
struct mpv_event_end_file;

// One libmpv player and, once the video surface asks for it, its render
// context: OpenGL, or libmpv's software renderer drawing into memory.
//
// Threads: every member function is called on the UI thread. libmpv's wakeup
// and render-update callbacks run on its own threads and only queue a call to
// this object; events are drained here and become the typed signals below.
// Requests never wait for the player core; the render calls are bounded by
// libmpv (no target-time blocking, no advanced control). Only construction and
// destruction (mpv_terminate_destroy) wait for libmpv's threads.
//
// Requests are asynchronous: a failed load shows up as fileFailed(), a property
// change as its signal. Events that belong to a file replaced by a later
// load() are dropped, so the signals always describe the latest load.
//
// A load may hold several items (a playlist): they play in order, each
// announced by itemStarted() and fileLoaded(); an item that fails is skipped.
// endReached() and fileEnded() come only at the end of the last item, and
// fileFailed() for a list only when none of its items could be played.
// nextEntry() and previousEntry() step through the list's entries.
//
// A seek's position is the one timePosChanged() reports next: the reports the
// player core made before it carried the seek out are dropped, so the clock
// never goes back to where it was.
//
// MIDI items are synthesized (FluidSynth) into WAV bytes that libmpv reads
// through a stream protocol of this engine: libmpv's demuxer thread renders
// on demand, so volume, seeking and the end behave as for any file and the UI
// thread never waits for the synthesizer.
class MpvEngine : public QObject
{
    Q_OBJECT
public:
    using GetProcAddress = void* (*)(void* context, const char* name);
    using Options = QList<std::pair<QByteArray, QByteArray>>;

    explicit MpvEngine(QObject* parent = nullptr);
    // `extraOptions` are set after the player's own (a later one wins), for
    // tests and measurements, e.g. {"ao", "pcm"} to capture the output.
    explicit MpvEngine(const Options& extraOptions, QObject* parent = nullptr);
    // The render context must be freed (freeRenderContext, with its GL context
    // current) before the engine goes.
    ~MpvEngine() override;

    // libmpv's own text for an error code.
    static QString errorText(int mpvError);

    // False when libmpv could not be created or initialised; initError() says why.
    bool isValid() const { return m_handle != nullptr; }
    QString initError() const { return m_initError; }

    // Replaces whatever plays with `items`, played in order from the first,
    // unpaused. File and Midi locations must be absolute paths: passed as one
    // loadfile argument each, they are never read as an option, a URL or stdin.
    // Url locations must be network URLs; items that are neither are left out.
    // An item whose picture nothing can render yet plays without it until
    // enableVideo() (see videoNeedsRenderContext()).
    // Only the first item is handed to libmpv at once; the others follow in
    // batches from the event loop, so that a list of thousands of entries
    // never holds up the UI thread.
    void load(const QList<MediaItem>& items);
    // Adds `items` to the end of the latest load, as its items `firstIndex`
    // on; in batches, as load() does.
    void append(const QList<MediaItem>& items, int firstIndex);
    // Back to the start of the first item of the latest load; the pause state
    // stays as it is.
    void rewind();
    // Stops and closes whatever plays; later events of it are dropped.
    void unload();
    void setPaused(bool paused);
    void seek(double seconds); // absolute, precise
    void setVolume(int percent);
    void setMuted(bool muted);
    // Opens the audio output anew, trying the outputs in their order again
    // (a sound server that has come back is taken).
    void reloadAudioOutput();

    void setSpeed(double factor); // 1 is the normal speed
    // Turns on the track `id` (MediaTrack::id) of its type; 0 turns the type
    // off (no subtitles). The new selection comes back through tracksChanged().
    void selectTrack(MediaTrack::Type type, int id);

    // The entries of the latest load, and where the player is among them (or
    // was last sent to): -1 until the first one starts.
    int entryCount() const { return int(m_session.entries.size()); }
    int entryIndex() const { return m_entryIndex; }
    bool hasNextEntry() const;
    bool hasPreviousEntry() const;
    // To the start of the next or previous entry, the pause state kept;
    // entries that failed before are passed over. Nothing beyond either end.
    void nextEntry();
    void previousEntry();
    // Selects the first video track (or cover art) of a file loaded without video.
    void enableVideo();

    // Render API, OpenGL: the caller's GL context is current around each call.
    // `x11Display` (a Display*, may be null) lets libmpv use VA-API interop.
    bool createRenderContext(GetProcAddress getProcAddress, void* getProcAddressContext,
                             void* x11Display);
    // Render API, software: frames are scaled and converted on the processor
    // (zimg or swscale) into memory; no GL context is involved.
    bool createSoftwareRenderContext();
    void freeRenderContext();
    bool hasRenderContext() const { return m_render != nullptr; }
    // True when libmpv has a new video frame for render().
    bool takeNewFrame();
    // Draws the current frame into `fbo`, sized in device pixels, top row first.
    void render(int fbo, int width, int height);
    // Software context: marks a new frame as shown without drawing it, for a
    // surface nobody sees (libmpv's video output would wait for it).
    void skipFrame();
    // Software context: draws the current frame into `pixels`, `width` x
    // `height` words of 0xffRRGGBB in the machine's byte order (QImage's
    // Format_RGB32), rows `stride` bytes apart; 64-byte alignment renders fastest.
    void render(void* pixels, int width, int height, std::size_t stride);
    // Software context: the next render() draws `size` pixels; libmpv may
    // set up its conversion for that size before the frame.
    void prepareRender(QSize size);

signals:
    // A new frame is ready or the picture must be redrawn.
    void renderUpdateRequested();
    // The item now playing, as an index into the latest load's list (-1 for
    // an entry libmpv found inside an item); comes just before fileLoaded().
    void itemStarted(int index);
    void fileLoaded();
    // `mpvError` is a libmpv error code (mpv_error enum); errorText() names it.
    void fileFailed(int mpvError);
    // The player left the file at its end (only when it could not keep it open).
    void fileEnded();
    // Playback reached the end of the file, which stays open and paused.
    void endReached();
    void timePosChanged(double seconds);
    void durationChanged(double seconds);
    void pauseChanged(bool paused);
    void metadataChanged(const QVariantMap& tags);
    // The streams of the file that plays, with the current selection.
    void tracksChanged(const MediaTracks& tracks);
    // libmpv's name of the container format ("mkv", "mp3", ...), and the
    // file's size in bytes (0 when unknown: a stream, a synthesized MIDI).
    void fileFormatChanged(const QString& format);
    void fileSizeChanged(qint64 bytes);
    // True while the video output shows a picture (video or cover art).
    void videoOutputChanged(bool configured);
    // The audio output in use ("pulse", "pipewire", "alsa", "null"), empty
    // while none is open.
    void audioOutputChanged(const QString& name);
    // The file about to play has a picture (video or cover art) and nothing can
    // render it yet. Emitted while libmpv waits, before it opens the video
    // output: a receiver may create the render context there and then. If none
    // exists when the receivers return, the file plays without its picture
    // until enableVideo().
    void videoNeedsRenderContext();

private:
    static void onWakeup(void* self);
    static void onRenderUpdate(void* self);
    void drainEvents();
    void endClockPause();
    void handleEvent(const mpv_event& event);
    void handleProperty(std::uint64_t id, const mpv_event_property& property);
    void handleLoadReply(const mpv_event& event, int index);
    void handleEndFile(const mpv_event_end_file& end);
    void handleSeekReply(const mpv_event& event);
    void endSeekOnceCarriedOut();
    void handlePreloaded();
    std::optional<MediaTrack> currentFilePicture() const;
    bool latestFileIsActive() const;
    bool isLastEntry(std::int64_t entry) const;
    void command(const QList<QByteArray>& args, std::uint64_t replyId = 0);
    void queueItems(const QList<MediaItem>& items, int firstIndex);
    void sendQueuedItems();

    mpv_handle* m_handle = nullptr;
    mpv_render_context* m_render = nullptr;
    // Software context: the size of the current picture where libswscale may
    // draw it (empty where it never does), and whether libmpv may convert with
    // zimg.
    QSize m_swscaleSize;
    bool m_zimgAllowed = true;
    QString m_initError;
    // Set while a drain is on its way (queued, or waiting out m_clockPause):
    // libmpv's wakeups then ask for none.
    std::atomic_bool m_drainQueued = false;
    QTimer m_clockPause;
    std::atomic_bool m_renderUpdateQueued = false;
    // Each load gets a serial that its reply ids carry with the item index;
    // the replies name the playlist entries. libmpv numbers entries upwards,
    // so the entries of the latest load are those from its first one on, and
    // events of earlier entries belong to replaced files.
    std::uint64_t m_loadSerial = 0;
    std::int64_t m_latestEntry = -1; // first entry of the latest load, -1 until known
    std::int64_t m_activeEntry = -1; // entry the player is on now
    std::int64_t m_loadedEntry = -1; // entry whose file-loaded came last: its tracks are told
    int m_entryIndex = -1;           // of m_session.entries: on now, or asked for last
    // Seeks asked for whose replies have not come yet, and whether the core
    // has yet to carry out the latest one: until it has, time-pos still tells
    // the place before it. It has once every request was answered and a seek
    // event came after the latest (libmpv sends the two in either order).
    int m_seeksAwaitingReply = 0;
    bool m_seekUnderWay = false;
    bool m_seekEventSinceRequest = false; // the core's seek event came after the latest request
    bool m_awaitingLoadReply = false;
    struct Session {
        QList<std::int64_t> entries{};         // in playing order
        QHash<std::int64_t, int> entryItems{}; // entry -> index of the item it plays
        int firstIndex = 0;                    // of the item that opens first
        int pendingReplies = 0;                // load replies still to come
        bool anyItemLoaded = false;            // an item was played
        bool over = false;                     // fileEnded() or fileFailed() was told
    };
    Session m_session; // of the latest load
    // Items of the latest load still to be handed to libmpv, with their index.
    std::deque<std::pair<int, MediaItem>> m_queuedItems;
    QTimer m_sendItems;
};
