// SPDX-License-Identifier: MIT
#include "mpvengine.h"

#include "audiooutputs.h"
#include "containerformat.h"
#include "gpudevice.h"
#include "mediaresolver.h"
#include "midistreamurl.h"
#include "midiwavestream.h"
#include "soundfontlocator.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMetaObject>
#include <QSysInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <mpv/client.h>
#include <mpv/render_gl.h>
#include <mpv/stream_cb.h>
#include <string>
#include <vector>

namespace
{

// Reply ids of observed properties and of the property reads made after a load.
enum PropertyId : std::uint64_t {
    kTimePos = 1,
    kDuration,
    kPause,
    kEofReached,
    kMetadata,
    kVoConfigured,
    kCurrentAo,
    kTrackList,
    kFileFormat,
    kFileSize,
    kVideoParams,
};

// Reply id of seek commands (below the load replies' bit).
constexpr std::uint64_t kSeekReply = std::uint64_t(1) << 61;

// Reply id of the switch of the software output's converter to zimg.
constexpr std::uint64_t kZimgAllowedReply = std::uint64_t(1) << 60;

// The hook run after a file is opened, before its tracks are selected.
constexpr std::uint64_t kPreloadedHook = 1;

// How long events wait to be read while only the playing position changes.
constexpr int kClockPauseMs = 100;

// Command reply ids of loads: this bit, the load's serial, the item's index.
constexpr std::uint64_t kLoadReply = std::uint64_t(1) << 62;
constexpr int kIndexBits = 20;
constexpr std::uint64_t kIndexMask = (std::uint64_t(1) << kIndexBits) - 1;

std::uint64_t loadReplyId(std::uint64_t serial, int index)
{
    return kLoadReply | serial << kIndexBits | std::uint64_t(index);
}

// Options applied before initialisation, in this order. The player reads no
// outside configuration, takes no keys of its own and draws no controls. The
// audio outputs follow (audioOutputOrder).
struct Option {
    const char* name;
    const char* value;
    bool required; // a missing optional feature (e.g. no Lua) is not fatal
};
constexpr Option kOptions[] = {
    {"config", "no", true},
    {"terminal", "no", true},
    {"vo", "libmpv", true},
    {"hwdec", "auto-safe", true},
    {"idle", "yes", true},
    {"keep-open", "yes", true},
    {"input-default-bindings", "no", true},
    {"input-vo-keyboard", "no", true},
    {"osc", "no", false},
    {"load-scripts", "no", false},
    {"ytdl", "no", false},
    {"load-stats-overlay", "no", false},
    {"load-osd-console", "no", false},
    {"load-auto-profiles", "no", false},
    {"audio-client-name", "Mero Sonx", false},
    // The stream's name in the desktop's sound mixers, beside the program's
    // (libmpv's own is "title - mpv").
    {"title", "${media-title}", false},
    // The audio's period at the sound server. PulseAudio holds 200 ms queued
    // (libmpv asks 100 ms): its side of the audio path wakes about half as
    // often. Pause and seek act at once whatever it holds; volume and speed,
    // applied by libmpv before the server, are heard up to that much later.
    // PipeWire runs its graph at the shortest period any client asks for, at
    // most its maximum quantum (2048 frames, 43 ms, by default), and holds no
    // more than that period: asking 200 ms where libmpv asks 20 ms (which
    // PipeWire runs at 512 frames) took the player's wakeups down by two
    // fifths and the server's by three quarters, with controls heard at most
    // one period later.
    {"pulse-buffer", "200", false},
    {"pipewire-buffer", "200", false},
    // The software output's scaling and conversion (zimg): bilinear, undithered.
    // From 1080p to a 640×360 window that costs a quarter less than Lanczos
    // with random dither, and the picture is as sharp as the OpenGL output's
    // bilinear scaling.
    {"zimg-scaler", "bilinear", false},
    {"zimg-dither", "no", false},
    // zimg scales on the thread that renders, in one piece. Split into slices
    // for a worker thread a core (libmpv's default), a 1080p video scaled to
    // 640x360 took a third more processor time for the conversion on two
    // cores (the hand-over every frame), while the decoder kept the other core
    // busy anyway.
    {"zimg-threads", "1", false},
    // libswscale, where the software output uses it (MpvEngine::prepareRender):
    // its fast, SIMD conversions.
    {"sws-fast", "yes", false},
    {"sws-scaler", "bilinear", false},
};

// Up to this many picture pixels a second (1080p at 30 frames a second) one
// decoder thread keeps up with time to spare (H.264 1080p takes about 6 ms a
// frame on one core of a small machine). Frame threads beyond it only add
// frames held in flight: memory, and latency at the start.
constexpr double kOneThreadPixelRate = 1920.0 * 1088.0 * 30.5;

// libmpv's vd-lavc-threads for a picture of this size and rate; 0 lets
// libmpv choose (one thread a core and one more).
int decoderThreadsFor(const MediaTrack& picture)
{
    if (picture.width <= 0 || picture.height <= 0 || !(picture.framesPerSecond > 0.0))
        return 0; // unknown: as many as libmpv would take
    const double rate = double(picture.width) * picture.height * picture.framesPerSecond;
    return rate <= kOneThreadPixelRate ? 1 : 0;
}

double doubleOf(const mpv_event_property& property, double fallback = 0.0)
{
    if (property.format != MPV_FORMAT_DOUBLE || !property.data)
        return fallback;
    const double value = *static_cast<const double*>(property.data);
    return std::isfinite(value) ? value : fallback;
}

bool flagOf(const mpv_event_property& property)
{
    return property.format == MPV_FORMAT_FLAG && property.data &&
           *static_cast<const int*>(property.data) != 0;
}

// Tag maps come as MPV_FORMAT_NODE_MAP of strings; anything else is skipped.
QVariantMap tagsOf(const mpv_event_property& property)
{
    QVariantMap tags;
    if (property.format != MPV_FORMAT_NODE || !property.data)
        return tags;
    const auto* node = static_cast<const mpv_node*>(property.data);
    if (node->format != MPV_FORMAT_NODE_MAP || !node->u.list)
        return tags;
    const mpv_node_list* list = node->u.list;
    for (int i = 0; i < list->num; ++i) {
        if (list->values[i].format == MPV_FORMAT_STRING && list->keys[i])
            tags.insert(QString::fromUtf8(list->keys[i]),
                        QString::fromUtf8(list->values[i].u.string));
    }
    return tags;
}

// The value under `key` in a node map; null when `map` is no map or lacks it.
const mpv_node* valueOf(const mpv_node& map, const char* key)
{
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list)
        return nullptr;
    const mpv_node_list* list = map.u.list;
    for (int i = 0; i < list->num; ++i) {
        if (qstrcmp(list->keys[i], key) == 0)
            return &list->values[i];
    }
    return nullptr;
}

QString stringIn(const mpv_node& map, const char* key)
{
    const mpv_node* value = valueOf(map, key);
    return value && value->format == MPV_FORMAT_STRING ? QString::fromUtf8(value->u.string)
                                                       : QString();
}

std::int64_t intIn(const mpv_node& map, const char* key)
{
    const mpv_node* value = valueOf(map, key);
    if (!value)
        return 0;
    if (value->format == MPV_FORMAT_INT64)
        return value->u.int64;
    if (value->format == MPV_FORMAT_DOUBLE && std::isfinite(value->u.double_))
        return std::llround(value->u.double_);
    return 0;
}

double doubleIn(const mpv_node& map, const char* key)
{
    const mpv_node* value = valueOf(map, key);
    if (value && value->format == MPV_FORMAT_DOUBLE && std::isfinite(value->u.double_))
        return value->u.double_;
    return value && value->format == MPV_FORMAT_INT64 ? double(value->u.int64) : 0.0;
}

bool flagIn(const mpv_node& map, const char* key)
{
    const mpv_node* value = valueOf(map, key);
    return value && value->format == MPV_FORMAT_FLAG && value->u.flag != 0;
}

// The size of a picture libswscale may draw for libmpv's software renderer:
// decoded 8-bit 4:2:0 of square pixels, not rotated ("video-params"). Empty
// for any other.
QSize swscaleSizeOf(const mpv_node& params)
{
    const QSize size(int(intIn(params, "w")), int(intIn(params, "h")));
    if (stringIn(params, "pixelformat") != QLatin1String("yuv420p") ||
        intIn(params, "rotate") != 0 || intIn(params, "dw") != size.width() ||
        intIn(params, "dh") != size.height())
        return {};
    return size;
}

// Whether libswscale draws a picture of size `picture`, fitted into `target`
// with its aspect kept: scaled up, or at its own size across the target's
// whole width in whole groups of 16 pixels. Its converter for a picture at its
// own size writes rows in groups, and would draw up to a group's width into a
// bar to the picture's right; its scaler writes each row to its end.
bool drawnBySwscale(QSize picture, QSize target)
{
    if (picture.isEmpty())
        return false;
    if (target.width() > picture.width() && target.height() > picture.height())
        return true;
    return target.width() == picture.width() && target.height() >= picture.height() &&
           picture.width() % 16 == 0;
}

// libmpv's "track-list": an array of maps, one per stream.
MediaTracks tracksOf(const mpv_event_property& property)
{
    MediaTracks tracks;
    if (property.format != MPV_FORMAT_NODE || !property.data)
        return tracks;
    const auto* node = static_cast<const mpv_node*>(property.data);
    if (node->format != MPV_FORMAT_NODE_ARRAY || !node->u.list)
        return tracks;
    for (int i = 0; i < node->u.list->num; ++i) {
        const mpv_node& entry = node->u.list->values[i];
        const QString type = stringIn(entry, "type");
        MediaTrack track;
        if (type == QLatin1String("video"))
            track.type = MediaTrack::Type::Video;
        else if (type == QLatin1String("audio"))
            track.type = MediaTrack::Type::Audio;
        else if (type == QLatin1String("sub"))
            track.type = MediaTrack::Type::Subtitle;
        else
            continue;
        track.id = int(intIn(entry, "id"));
        track.title = stringIn(entry, "title");
        track.language = stringIn(entry, "lang");
        track.codec = stringIn(entry, "codec");
        track.selected = flagIn(entry, "selected");
        track.external = flagIn(entry, "external");
        track.externalFile = stringIn(entry, "external-filename");
        track.albumArt = flagIn(entry, "albumart");
        track.width = int(intIn(entry, "demux-w"));
        track.height = int(intIn(entry, "demux-h"));
        track.framesPerSecond = doubleIn(entry, "demux-fps");
        track.sampleRate = int(intIn(entry, "demux-samplerate"));
        track.channels = int(intIn(entry, "demux-channel-count"));
        track.bitsPerSecond = intIn(entry, "demux-bitrate");
        tracks.append(track);
    }
    return tracks;
}

const char* trackProperty(MediaTrack::Type type)
{
    switch (type) {
    case MediaTrack::Type::Video:
        return "vid";
    case MediaTrack::Type::Audio:
        return "aid";
    case MediaTrack::Type::Subtitle:
        break;
    }
    return "sid";
}

std::int64_t entryIdOf(const mpv_node& result)
{
    const mpv_node* id = valueOf(result, "playlist_entry_id");
    return id && id->format == MPV_FORMAT_INT64 ? id->u.int64 : -1;
}

// --- MIDI through a stream protocol -------------------------------------------------
// libmpv calls these on its own threads, one stream at a time per cookie; they
// make no mpv calls and touch nothing of the engine.

int openMidiStream(void*, char* uri, mpv_stream_cb_info* info)
{
    const std::optional<std::string> path = MidiStreamUrl::toPath(uri);
    info->cookie =
        path ? MidiWaveStream::openFile(*path, SoundFontLocator::find()).release() : nullptr;
    if (!info->cookie)
        return MPV_ERROR_LOADING_FAILED;
    info->read_fn = &MidiWaveStream::readCallback;
    info->seek_fn = [](void* cookie, std::int64_t offset) -> std::int64_t {
        return MidiWaveStream::seekCallback(cookie, offset) ? offset
                                                            : std::int64_t(MPV_ERROR_GENERIC);
    };
    info->size_fn = &MidiWaveStream::sizeCallback;
    info->close_fn = &MidiWaveStream::closeCallback;
    return 0;
}

// The loadfile arguments after "loadfile" and its flag for an item: the target
// and the per-file options. Empty when the item is not acceptable. Only the
// file that opens now (`opensNow`) is read for its format: a list's later
// entries open later, and reading each here would hold up the UI thread.
QList<QByteArray> loadArguments(const MediaItem& item, bool opensNow)
{
    QByteArray target;
    QList<QByteArray> options;
    const bool absolute = QDir::isAbsolutePath(item.location);
    switch (item.kind) {
    case MediaItem::Kind::File: // absolute: never read as an option, a URL or stdin
        if (!absolute)
            break;
        target = item.location.toUtf8();
        if (const QByteArray format = opensNow ? containerformat::ofFile(item.location) : "";
            !format.isEmpty())
            options << "demuxer-lavf-format=" + format;
        break;
    case MediaItem::Kind::Midi:
        if (absolute)
            target = QByteArray::fromStdString(
                MidiStreamUrl::fromPath(QFile::encodeName(item.location).toStdString()));
        break;
    case MediaItem::Kind::CdTrack: {
        const QByteArray track = QByteArray::number(item.track);
        target = item.track >= 1 && item.track <= 99 ? "cdda://" : "";
        options << "cdda-span-a=" + track << "cdda-span-b=" + track;
        // %length% quoting: the device path is taken byte for byte.
        const QByteArray device = QFile::encodeName(item.location);
        if (!device.isEmpty())
            options.append("cdrom-device=%" + QByteArray::number(device.size()) + "%" + device);
        break;
    }
    case MediaItem::Kind::Url:
        if (MediaResolver::isNetworkUrl(item.location))
            target = QUrl(item.location).toEncoded();
        break;
    }
    if (target.isEmpty())
        return {};
    QList<QByteArray> arguments{target};
    if (!options.isEmpty())
        arguments.append(options.join(','));
    return arguments;
}

} // namespace

MpvEngine::MpvEngine(QObject* parent) : MpvEngine(Options(), parent) {}

MpvEngine::MpvEngine(const Options& extraOptions, QObject* parent) : QObject(parent)
{
    m_clockPause.setSingleShot(true);
    m_clockPause.setInterval(kClockPauseMs);
    connect(&m_clockPause, &QTimer::timeout, this, &MpvEngine::drainEvents);
    m_sendItems.setInterval(0);
    connect(&m_sendItems, &QTimer::timeout, this, &MpvEngine::sendQueuedItems);
    mpv_handle* handle = mpv_create();
    if (!handle) {
        m_initError = QStringLiteral("mpv_create failed");
        return;
    }
    const auto setOption = [&](const char* name, const char* value, bool required) {
        const int rc = mpv_set_option_string(handle, name, value);
        if (rc >= 0 || !required)
            return true;
        m_initError = QStringLiteral("option %1: %2").arg(QLatin1String(name), errorText(rc));
        mpv_terminate_destroy(handle);
        return false;
    };
    for (const Option& option : kOptions) {
        if (!setOption(option.name, option.value, option.required))
            return;
    }
    const QByteArray audioOutputs = audioOutputOrder();
    if (!setOption("ao", audioOutputs.constData(), true))
        return;
    // Without a GPU there is no hardware decoder to try; each try would load a
    // driver library as the first video frame is decoded.
    if (!mayHaveGpu())
        mpv_set_option_string(handle, "hwdec", "no");
    for (const auto& [name, value] : extraOptions)
        mpv_set_option_string(handle, name.constData(), value.constData());
    if (const int rc = mpv_initialize(handle); rc < 0) {
        m_initError = errorText(rc);
        mpv_terminate_destroy(handle);
        return;
    }
    m_handle = handle;
    const std::string midiProtocol(MidiStreamUrl::kScheme);
    mpv_stream_cb_add_ro(m_handle, midiProtocol.c_str(), nullptr, &openMidiStream);
    mpv_observe_property(m_handle, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_handle, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_handle, kPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_handle, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(m_handle, kMetadata, "metadata", MPV_FORMAT_NODE);
    mpv_observe_property(m_handle, kVoConfigured, "vo-configured", MPV_FORMAT_FLAG);
    mpv_observe_property(m_handle, kCurrentAo, "current-ao", MPV_FORMAT_STRING);
    mpv_observe_property(m_handle, kTrackList, "track-list", MPV_FORMAT_NODE);
    mpv_observe_property(m_handle, kFileFormat, "file-format", MPV_FORMAT_STRING);
    mpv_observe_property(m_handle, kFileSize, "file-size", MPV_FORMAT_INT64);
    // Audio files never start a renderer: the render context is made only
    // once a file turns out to have a picture, before its video output opens.
    mpv_hook_add(m_handle, kPreloadedHook, "on_preloaded", 0);
    mpv_set_wakeup_callback(m_handle, &MpvEngine::onWakeup, this);
}

MpvEngine::~MpvEngine()
{
    if (!m_handle)
        return;
    // No callback may reach this object once destruction starts.
    mpv_set_wakeup_callback(m_handle, nullptr, nullptr);
    Q_ASSERT(!m_render); // the surface frees it, with its GL context current if any
    if (m_render)
        mpv_render_context_free(m_render);
    mpv_terminate_destroy(m_handle);
}

QString MpvEngine::errorText(int mpvError)
{
    return QString::fromUtf8(mpv_error_string(mpvError));
}

// --- requests ---------------------------------------------------------------

void MpvEngine::command(const QList<QByteArray>& args, std::uint64_t replyId)
{
    if (!m_handle)
        return;
    endClockPause();
    std::vector<const char*> argv;
    argv.reserve(args.size() + 1);
    for (const QByteArray& arg : args)
        argv.push_back(arg.constData());
    argv.push_back(nullptr);
    // libmpv copies the arguments before returning.
    const int rc = mpv_command_async(m_handle, replyId, argv.data());
    if (rc < 0 && replyId == kSeekReply) {
        m_seeksAwaitingReply = std::max(0, m_seeksAwaitingReply - 1);
        m_seekEventSinceRequest = true; // nothing was asked of the core
        endSeekOnceCarriedOut();
    } else if (rc < 0 && replyId & kLoadReply) {
        --m_session.pendingReplies;
        if (int(replyId & kIndexMask) != m_session.firstIndex)
            return; // a later item: the list plays without it
        m_awaitingLoadReply = false;
        QMetaObject::invokeMethod(
            this, [this, rc] { emit fileFailed(rc); }, Qt::QueuedConnection);
    }
}

void MpvEngine::load(const QList<MediaItem>& items)
{
    m_queuedItems.clear();
    m_sendItems.stop();
    // The first acceptable item opens now; the rest follow it.
    QList<QByteArray> first;
    int firstIndex = 0;
    for (; firstIndex < items.size() && first.isEmpty(); ++firstIndex)
        first = loadArguments(items[firstIndex], true);
    if (!m_handle || first.isEmpty()) {
        const int error = m_handle ? MPV_ERROR_LOADING_FAILED : MPV_ERROR_UNINITIALIZED;
        QMetaObject::invokeMethod(
            this, [this, error] { emit fileFailed(error); }, Qt::QueuedConnection);
        return;
    }
    ++m_loadSerial;
    m_awaitingLoadReply = true;
    m_latestEntry = -1;
    m_entryIndex = -1;
    m_seekUnderWay = false; // the new file's clock starts afresh
    m_session = {.firstIndex = firstIndex - 1, .pendingReplies = 1};
    // Queued on the core before the load, so the new file starts unpaused.
    setPaused(false);
    first.insert(1, "replace");
    first.prepend("loadfile");
    command(first, loadReplyId(m_loadSerial, firstIndex - 1));
    queueItems(items.mid(firstIndex), firstIndex);
}

void MpvEngine::append(const QList<MediaItem>& items, int firstIndex)
{
    if (m_handle && m_loadSerial > 0 && (m_awaitingLoadReply || m_latestEntry != -1))
        queueItems(items, firstIndex);
}

void MpvEngine::queueItems(const QList<MediaItem>& items, int firstIndex)
{
    for (int i = 0; i < items.size(); ++i)
        m_queuedItems.emplace_back(firstIndex + i, items[i]);
    m_session.pendingReplies += int(items.size());
    if (!m_queuedItems.empty() && !m_sendItems.isActive())
        m_sendItems.start();
}

void MpvEngine::sendQueuedItems()
{
    constexpr int kBatch = 256; // about a millisecond of the UI thread's time
    int sent = 0;
    while (!m_queuedItems.empty() && sent < kBatch) {
        const auto [index, item] = std::move(m_queuedItems.front());
        m_queuedItems.pop_front();
        QList<QByteArray> args = loadArguments(item, false);
        if (args.isEmpty() || index > int(kIndexMask)) {
            --m_session.pendingReplies; // left out: the list plays without it
            continue;
        }
        // "append-play": when the entries before this one failed before it
        // reached libmpv, the player has gone idle and starts with this one.
        // Once the list was told to have ended or failed, entries still
        // arriving wait for the next play.
        args.insert(1, m_session.over ? "append" : "append-play");
        args.prepend("loadfile");
        command(args, loadReplyId(m_loadSerial, index));
        ++sent;
    }
    if (m_queuedItems.empty())
        m_sendItems.stop();
}

void MpvEngine::rewind()
{
    if (m_session.entries.size() > 1 && m_activeEntry != m_session.entries.front()) {
        m_entryIndex = 0;
        command({"playlist-play-index", "0"});
    } else {
        seek(0);
    }
}

void MpvEngine::unload()
{
    m_queuedItems.clear();
    m_sendItems.stop();
    ++m_loadSerial;
    m_awaitingLoadReply = false;
    m_latestEntry = -1;
    m_entryIndex = -1;
    m_seekUnderWay = false;
    m_session = {};
    command({"stop"});
}

bool MpvEngine::hasNextEntry() const
{
    return m_entryIndex >= 0 &&
           (m_entryIndex + 1 < m_session.entries.size() || m_session.pendingReplies > 0);
}

bool MpvEngine::hasPreviousEntry() const
{
    return m_entryIndex > 0;
}

void MpvEngine::nextEntry()
{
    if (!hasNextEntry())
        return;
    ++m_entryIndex;
    // "weak": at the end of the list the player stays where it is.
    command({"playlist-next", "weak"});
}

void MpvEngine::previousEntry()
{
    if (!hasPreviousEntry())
        return;
    --m_entryIndex;
    command({"playlist-prev", "weak"});
}

void MpvEngine::setPaused(bool paused)
{
    if (!m_handle)
        return;
    endClockPause();
    int flag = paused ? 1 : 0;
    mpv_set_property_async(m_handle, 0, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvEngine::seek(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    ++m_seeksAwaitingReply;
    m_seekUnderWay = true;
    m_seekEventSinceRequest = false;
    command({"seek", QByteArray::number(std::max(0.0, seconds), 'f', 3), "absolute+exact"},
            kSeekReply);
}

void MpvEngine::setVolume(int percent)
{
    if (!m_handle)
        return;
    double volume = std::clamp(percent, 0, 100);
    mpv_set_property_async(m_handle, 0, "volume", MPV_FORMAT_DOUBLE, &volume);
}

void MpvEngine::setMuted(bool muted)
{
    if (!m_handle)
        return;
    int flag = muted ? 1 : 0;
    mpv_set_property_async(m_handle, 0, "mute", MPV_FORMAT_FLAG, &flag);
}

void MpvEngine::reloadAudioOutput()
{
    command({"ao-reload"});
}

void MpvEngine::setSpeed(double factor)
{
    if (!m_handle || !std::isfinite(factor) || factor <= 0)
        return;
    mpv_set_property_async(m_handle, 0, "speed", MPV_FORMAT_DOUBLE, &factor);
}

void MpvEngine::selectTrack(MediaTrack::Type type, int id)
{
    if (!m_handle)
        return;
    const QByteArray value = id > 0 ? QByteArray::number(id) : QByteArray("no");
    const char* data = value.constData();
    mpv_set_property_async(m_handle, 0, trackProperty(type), MPV_FORMAT_STRING, &data);
}

void MpvEngine::enableVideo()
{
    if (!m_handle)
        return;
    // While a file plays, "auto" would mean "none": name the first track.
    std::int64_t track = 1;
    mpv_set_property_async(m_handle, 0, "vid", MPV_FORMAT_INT64, &track);
}

// --- render API ---------------------------------------------------------------

bool MpvEngine::createRenderContext(GetProcAddress getProcAddress, void* getProcAddressContext,
                                    void* x11Display)
{
    if (!m_handle || m_render)
        return m_render != nullptr;
    mpv_opengl_init_params glInit{getProcAddress, getProcAddressContext};
    std::vector<mpv_render_param> params{
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
    };
    if (x11Display)
        params.push_back({MPV_RENDER_PARAM_X11_DISPLAY, x11Display});
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    if (mpv_render_context_create(&m_render, m_handle, params.data()) < 0) {
        m_render = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(m_render, &MpvEngine::onRenderUpdate, this);
    return true;
}

bool MpvEngine::createSoftwareRenderContext()
{
    if (!m_handle || m_render)
        return m_render != nullptr;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_render, m_handle, params) < 0) {
        m_render = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(m_render, &MpvEngine::onRenderUpdate, this);
    mpv_observe_property(m_handle, kVideoParams, "video-params", MPV_FORMAT_NODE);
    return true;
}

void MpvEngine::freeRenderContext()
{
    if (!m_render)
        return;
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
    mpv_unobserve_property(m_handle, kVideoParams);
    m_swscaleSize = {};
}

bool MpvEngine::takeNewFrame()
{
    return m_render && (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME);
}

void MpvEngine::render(int fbo, int width, int height)
{
    if (!m_render)
        return;
    mpv_opengl_fbo target{fbo, width, height, 0};
    int flipY = 1;        // the widget's framebuffer is bottom-up
    int blockForTime = 0; // never hold the UI thread until a frame's display time
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &target},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
}

void MpvEngine::skipFrame()
{
    if (!m_render)
        return;
    int skip = 1;
    int blockForTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
}

// A picture drawn at its own size is converted, not scaled: libswscale's SIMD
// converter, which puts each colour sample of the 4:2:0 picture on its 2x2
// pixels, takes a fraction of zimg's time (the conversion was a sixth of the
// processor time of a 640x360 video). A picture scaled up (a small video in
// full screen) goes to libswscale too: bilinear, with its colour interpolated
// more coarsely than zimg's (hardly seen where the picture is enlarged), for
// about a sixth less processor time for the whole player. Pictures scaled
// down keep zimg's bilinear filter: libswscale's would take a tenth off the
// processor time of a 1080p video in a 640x360 window, but it loses the
// colour's detail (against an exact scaling, 25 dB PSNR where zimg's has
// 33 dB). libmpv's renderer takes a change a little later: with the next
// frame, or with the frame of a draw announced here a pass before.
void MpvEngine::prepareRender(QSize target)
{
    if (!m_render)
        return;
    if (const bool swscale = drawnBySwscale(m_swscaleSize, target); swscale == m_zimgAllowed) {
        m_zimgAllowed = !swscale;
        int allow = m_zimgAllowed;
        mpv_set_property_async(m_handle, allow ? kZimgAllowedReply : 0, "sws-allow-zimg",
                               MPV_FORMAT_FLAG, &allow);
    }
}

void MpvEngine::render(void* pixels, int width, int height, std::size_t stride)
{
    if (!m_render || !pixels || width <= 0 || height <= 0)
        return;
    prepareRender(QSize(width, height));
    int size[2] = {width, height};
    // One 0xffRRGGBB word per pixel, in the machine's byte order.
    char format[] = "bgr0";
    if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
        std::copy_n("0rgb", 5, format);
    int blockForTime = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, size},
        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride},
        {MPV_RENDER_PARAM_SW_POINTER, pixels},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &blockForTime},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
}

// --- callbacks and events -------------------------------------------------------

// libmpv threads, possibly inside our own mpv call: queue one drain, nothing more.
void MpvEngine::onWakeup(void* self)
{
    auto* engine = static_cast<MpvEngine*>(self);
    if (!engine->m_drainQueued.exchange(true))
        QMetaObject::invokeMethod(engine, &MpvEngine::drainEvents, Qt::QueuedConnection);
}

void MpvEngine::onRenderUpdate(void* self)
{
    auto* engine = static_cast<MpvEngine*>(self);
    if (!engine->m_renderUpdateQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            engine,
            [engine] {
                engine->m_renderUpdateQueued = false;
                emit engine->renderUpdateRequested();
            },
            Qt::QueuedConnection);
    }
}

void MpvEngine::drainEvents()
{
    // Cleared first: a wakeup during the drain queues the next one.
    m_drainQueued = false;
    bool onlyTheClock = true;
    int events = 0;
    while (m_handle) {
        const mpv_event* event = mpv_wait_event(m_handle, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        ++events;
        onlyTheClock = onlyTheClock && event->event_id == MPV_EVENT_PROPERTY_CHANGE &&
                       event->reply_userdata == kTimePos;
        handleEvent(*event);
    }
    // While nothing but the playing position moves (libmpv reports it with
    // every block of audio, some thirty times a second), the next events are
    // read together after a pause: the clock shows quarter seconds. Another
    // kind of event waits at most that long; a request ends the pause.
    if (events > 0 && onlyTheClock && !m_drainQueued.exchange(true))
        m_clockPause.start();
}

// What answers a request is read as soon as it comes.
void MpvEngine::endClockPause()
{
    if (!m_clockPause.isActive())
        return;
    m_clockPause.stop();
    QMetaObject::invokeMethod(this, &MpvEngine::drainEvents, Qt::QueuedConnection);
}

bool MpvEngine::latestFileIsActive() const
{
    // -2: this libmpv does not name entries; every event is taken as current.
    return !m_awaitingLoadReply && m_latestEntry != -1 &&
           (m_latestEntry == -2 || m_activeEntry >= m_latestEntry);
}

// True for the entry after which the latest load has nothing more to play.
bool MpvEngine::isLastEntry(std::int64_t entry) const
{
    return m_latestEntry == -2 || (m_session.pendingReplies <= 0 && !m_session.entries.isEmpty() &&
                                   entry == m_session.entries.back());
}

void MpvEngine::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY: {
        const std::uint64_t id = event.reply_userdata;
        if (id == kSeekReply)
            handleSeekReply(event);
        else if (id & kLoadReply && (id & ~kLoadReply) >> kIndexBits == m_loadSerial)
            handleLoadReply(event, int(id & kIndexMask));
        break;
    }
    case MPV_EVENT_SET_PROPERTY_REPLY:
        // The frame on show was scaled by libswscale; a paused one would stay so.
        if (event.reply_userdata == kZimgAllowedReply)
            emit renderUpdateRequested();
        break;
    case MPV_EVENT_SEEK:
        m_seekEventSinceRequest = true;
        endSeekOnceCarriedOut();
        break;
    case MPV_EVENT_START_FILE:
        m_activeEntry = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        if (const qsizetype at = m_session.entries.indexOf(m_activeEntry); at >= 0)
            m_entryIndex = int(at);
        break;
    case MPV_EVENT_FILE_LOADED:
        if (latestFileIsActive()) {
            m_session.anyItemLoaded = true;
            m_loadedEntry = m_activeEntry;
            // Observed values are coalesced and may not repeat one equal to the
            // previous file's: read the per-file ones once more.
            mpv_get_property_async(m_handle, kDuration, "duration", MPV_FORMAT_DOUBLE);
            mpv_get_property_async(m_handle, kMetadata, "metadata", MPV_FORMAT_NODE);
            mpv_get_property_async(m_handle, kTrackList, "track-list", MPV_FORMAT_NODE);
            mpv_get_property_async(m_handle, kFileFormat, "file-format", MPV_FORMAT_STRING);
            mpv_get_property_async(m_handle, kFileSize, "file-size", MPV_FORMAT_INT64);
            emit itemStarted(m_session.entryItems.value(m_activeEntry, -1));
            emit fileLoaded();
        }
        break;
    case MPV_EVENT_END_FILE:
        handleEndFile(*static_cast<const mpv_event_end_file*>(event.data));
        break;
    case MPV_EVENT_HOOK: {
        const auto* hook = static_cast<const mpv_event_hook*>(event.data);
        if (event.reply_userdata == kPreloadedHook)
            handlePreloaded();
        // libmpv waits for this, whatever the hook was.
        mpv_hook_continue(m_handle, hook->id);
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE:
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (event.error >= 0 && event.data)
            handleProperty(event.reply_userdata,
                           *static_cast<const mpv_event_property*>(event.data));
        break;
    default:
        break;
    }
}

// libmpv's player thread waits meanwhile; property reads are answered.
void MpvEngine::handlePreloaded()
{
    const std::optional<MediaTrack> picture = currentFilePicture();
    if (!picture)
        return;
    const QByteArray threads = QByteArray::number(decoderThreadsFor(*picture));
    mpv_set_property_string(m_handle, "file-local-options/vd-lavc-threads", threads.constData());
    if (m_render)
        return;
    emit videoNeedsRenderContext();
    if (m_render)
        return;
    // For this file only: the next one selects its video again, and once the
    // render context exists that succeeds.
    mpv_set_property_string(m_handle, "file-local-options/vid", "no");
}

// The first video track of the file just opened (cover art included).
std::optional<MediaTrack> MpvEngine::currentFilePicture() const
{
    mpv_node list;
    if (mpv_get_property(m_handle, "track-list", MPV_FORMAT_NODE, &list) < 0)
        return std::nullopt;
    mpv_event_property property{"track-list", MPV_FORMAT_NODE, &list};
    const MediaTracks tracks = tracksOf(property);
    mpv_free_node_contents(&list);
    for (const MediaTrack& track : tracks) {
        if (track.type == MediaTrack::Type::Video)
            return track;
    }
    return std::nullopt;
}

void MpvEngine::handleEndFile(const mpv_event_end_file& end)
{
    const std::int64_t entry = end.playlist_entry_id;
    if (!latestFileIsActive() || entry != m_activeEntry)
        return;
    switch (end.reason) {
    case MPV_END_FILE_REASON_REDIRECT:
        // libmpv expanded a playlist of its own: its entries take this one's place.
        if (end.playlist_insert_num_entries > 0) {
            const qsizetype at = std::max<qsizetype>(0, m_session.entries.indexOf(entry));
            m_session.entries.removeAll(entry);
            for (int i = 0; i < end.playlist_insert_num_entries; ++i) {
                m_session.entries.insert(at + i, end.playlist_insert_id + i);
                m_session.entryItems.insert(end.playlist_insert_id + i, -1);
            }
        }
        break;
    case MPV_END_FILE_REASON_ERROR:
        // libmpv goes on to the next entry by itself; only the last one decides.
        if (!isLastEntry(entry))
            break;
        m_session.over = true;
        if (m_session.entries.size() <= 1 || !m_session.anyItemLoaded)
            emit fileFailed(end.error);
        else
            emit fileEnded();
        break;
    case MPV_END_FILE_REASON_EOF:
        if (isLastEntry(entry)) {
            m_session.over = true;
            emit fileEnded();
        }
        break;
    default:
        break;
    }
}

void MpvEngine::handleSeekReply(const mpv_event& event)
{
    m_seeksAwaitingReply = std::max(0, m_seeksAwaitingReply - 1);
    // A refused seek leaves the player where it was, and no seek event follows.
    if (event.error < 0)
        m_seekEventSinceRequest = true;
    endSeekOnceCarriedOut();
}

// What time-pos says from here on is the new place.
void MpvEngine::endSeekOnceCarriedOut()
{
    if (m_seeksAwaitingReply == 0 && m_seekEventSinceRequest)
        m_seekUnderWay = false;
}

void MpvEngine::handleLoadReply(const mpv_event& event, int index)
{
    --m_session.pendingReplies;
    if (index == m_session.firstIndex) {
        m_awaitingLoadReply = false;
        if (event.error < 0) {
            emit fileFailed(event.error);
            return;
        }
    } else if (event.error < 0) {
        return; // the list plays without this item
    }
    const auto* reply = static_cast<const mpv_event_command*>(event.data);
    const std::int64_t entry = reply ? entryIdOf(reply->result) : -1;
    if (index == m_session.firstIndex)
        m_latestEntry = entry >= 0 ? entry : -2;
    if (entry >= 0) {
        m_session.entries.append(entry);
        m_session.entryItems.insert(entry, index);
    }
}

void MpvEngine::handleProperty(std::uint64_t id, const mpv_event_property& property)
{
    switch (id) {
    case kPause:
        emit pauseChanged(flagOf(property));
        return;
    case kVoConfigured:
        emit videoOutputChanged(flagOf(property));
        return;
    case kVideoParams:
        m_swscaleSize = property.format == MPV_FORMAT_NODE && property.data
                            ? swscaleSizeOf(*static_cast<const mpv_node*>(property.data))
                            : QSize();
        return;
    case kCurrentAo: {
        const bool named = property.format == MPV_FORMAT_STRING && property.data;
        emit audioOutputChanged(
            named ? QString::fromUtf8(*static_cast<const char* const*>(property.data)) : QString());
        return;
    }
    default:
        break;
    }
    // The rest describe the file; values of a replaced file are stale.
    if (!latestFileIsActive())
        return;
    switch (id) {
    case kTimePos:
        if (property.format == MPV_FORMAT_DOUBLE && !m_seekUnderWay)
            emit timePosChanged(doubleOf(property));
        break;
    case kDuration:
        emit durationChanged(doubleOf(property));
        break;
    case kEofReached:
        // Only the last entry stays open at its end; the others move on.
        if (flagOf(property) && isLastEntry(m_activeEntry))
            emit endReached();
        break;
    case kMetadata:
        emit metadataChanged(tagsOf(property));
        break;
    // The next entry's tracks show up while it opens, before the entry is
    // announced: they wait for its file-loaded, which reads them again.
    case kTrackList:
        if (m_loadedEntry == m_activeEntry)
            emit tracksChanged(tracksOf(property));
        break;
    case kFileFormat:
        if (m_loadedEntry != m_activeEntry)
            break;
        emit fileFormatChanged(property.format == MPV_FORMAT_STRING && property.data
                                   ? QString::fromUtf8(*static_cast<char* const*>(property.data))
                                   : QString());
        break;
    case kFileSize:
        if (m_loadedEntry != m_activeEntry)
            break;
        emit fileSizeChanged(property.format == MPV_FORMAT_INT64 && property.data
                                 ? *static_cast<const std::int64_t*>(property.data)
                                 : 0);
        break;
    default:
        break;
    }
}
