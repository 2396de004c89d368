// SPDX-License-Identifier: MIT
#include "playback.h"

#include "mediasource.h"
#include "mpvengine.h"
#include "soundfontlocator.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>

Playback::Playback(QObject* parent) : Playback(new MpvEngine, parent) {}

Playback::Playback(MpvEngine* engine, QObject* parent) : QObject(parent), m_engine(engine)
{
    m_engine->setParent(this);
    m_source = new MediaSource(this);
    m_soundRetry.setInterval(kSoundRetryMs);
    connect(&m_soundRetry, &QTimer::timeout, this, &Playback::retrySound);
    connectEngine();
}

Playback::~Playback() = default;

void Playback::connectEngine()
{
    connect(m_engine, &MpvEngine::fileLoaded, this, &Playback::onFileLoaded);
    connect(m_engine, &MpvEngine::itemStarted, this, &Playback::onItemStarted);
    connect(m_source, &MediaSource::resolved, this, &Playback::startItems);
    connect(m_source, &MediaSource::extended, this,
            [this](int firstNew) { m_engine->append(m_source->items().mid(firstNew), firstNew); });
    connect(m_engine, &MpvEngine::fileFailed, this, &Playback::onFileFailed);
    connect(m_engine, &MpvEngine::endReached, this, &Playback::onEndReached);
    connect(m_engine, &MpvEngine::fileEnded, this, &Playback::onFileEnded);
    connect(m_engine, &MpvEngine::timePosChanged, this, &Playback::onTimePos);
    connect(m_engine, &MpvEngine::durationChanged, this, &Playback::setDuration);
    connect(m_engine, &MpvEngine::pauseChanged, this, &Playback::onEnginePause);
    connect(m_engine, &MpvEngine::metadataChanged, this, &Playback::onMetadata);
    connect(m_engine, &MpvEngine::audioOutputChanged, this, &Playback::onAudioOutput);
    connect(m_engine, &MpvEngine::tracksChanged, this, &Playback::onTracks);
    connect(m_engine, &MpvEngine::fileFormatChanged, this, [this](const QString& format) {
        m_fileFormat = format;
        emit detailsChanged();
    });
    connect(m_engine, &MpvEngine::fileSizeChanged, this, [this](qint64 bytes) {
        m_fileSize = bytes;
        emit detailsChanged();
    });
}

// --- the file ---------------------------------------------------------------------

void Playback::openAhead(const QString& path)
{
    setFileName(path);
    m_openedAhead = m_loadRequest;
}

void Playback::setFileName(const QString& path)
{
    const bool underWay =
        m_openedAhead != 0 && m_openedAhead == m_loadRequest && path == m_fileName;
    m_openedAhead = 0;
    if (underWay)
        return;
    m_fileName = path;
    m_absolutePath = path.isEmpty() ? QString() : QDir::current().absoluteFilePath(path);
    m_source->clear();
    m_tags.clear();
    clearDetails();
    m_error = {};
    m_fileOpen = false;
    m_position = 0;
    setDuration(0);
    setPositionShown(0, true);
    emit tagsChanged();
    if (path.isEmpty()) {
        ++m_loadRequest;
        m_engine->unload();
        setState(State::Idle);
    } else {
        requestLoad();
    }
}

void Playback::requestLoad()
{
    ++m_loadRequest;
    m_error = {};
    m_fileOpen = false;
    m_pendingSeek.reset();
    m_startState = State::Playing;
    setState(State::Loading);
    const QFileInfo file(m_absolutePath);
    if (!file.exists() || file.isDir()) {
        failBeforeLoading(file.isDir() ? PlaybackFailure::Folder : PlaybackFailure::FileNotFound);
        return;
    }
    if (m_source->resolve(m_absolutePath))
        startItems();
    else
        m_engine->unload(); // a playlist is being read: silence meanwhile
}

void Playback::startItems()
{
    PlaybackFailure problem = failureOfResolution(m_source->resolution().problem);
    if (problem == PlaybackFailure::None && m_source->isMidi() && SoundFontLocator::find().empty())
        problem = PlaybackFailure::NoSoundFont;
    if (problem != PlaybackFailure::None) {
        failBeforeLoading(problem);
        return;
    }
    m_engine->load(m_source->items());
}

// Reported from the event loop like every failure of the engine's, so that a
// receiver of playbackFailed may set the next file without recursing; unless
// a later file has been set by then.
void Playback::failBeforeLoading(PlaybackFailure failure)
{
    m_engine->unload();
    const quint64 request = m_loadRequest;
    QTimer::singleShot(0, this, [this, request, failure] {
        if (request == m_loadRequest)
            fail({failure});
    });
}

void Playback::onFileLoaded()
{
    m_fileOpen = true;
    retrySound();
    const MediaItem* item = m_source->currentItem();
    const bool local =
        item && (item->kind == MediaItem::Kind::File || item->kind == MediaItem::Kind::Midi);
    m_openedPath = local ? item->location : QString();
    m_openedSize = local ? QFileInfo(m_openedPath).size() : -1;
    switch (m_state) {
    case State::Loading:
        if (m_pendingSeek)
            m_engine->seek(*m_pendingSeek);
        m_pendingSeek.reset();
        if (m_startState == State::Stopped)
            m_engine->setPaused(true);
        setState(m_startState);
        break;
    case State::Stopped:
        // A playlist back at its first entry: it waits there.
        m_engine->setPaused(true);
        break;
    default:
        break;
    }
    announceSteps();
    emit fileLoaded();
}

void Playback::onItemStarted(int index)
{
    if (index == m_source->current())
        return;
    m_source->setCurrent(index);
    m_tags.clear(); // the engine reads the new entry's tags and tracks next
    clearDetails();
    // A later entry starts at its own beginning; the first one of a load is
    // where setFileName() or a seek made while loading put it.
    if (m_state == State::Playing || m_state == State::Paused) {
        m_position = 0;
        setPositionShown(0, true);
    }
    emit tagsChanged();
    emit currentEntryChanged(index);
}

void Playback::onFileFailed(int mpvError)
{
    m_fileOpen = false;
    fail(errorOfEngine(mpvError));
}

// What the engine's error means for this file: what the file system says
// first, then what the kind of file says, then the engine's reason.
PlaybackError Playback::errorOfEngine(int mpvError) const
{
    const QFileInfo file(m_absolutePath);
    if (!file.exists())
        return {PlaybackFailure::FileNotFound};
    if (!file.isReadable())
        return {PlaybackFailure::Unreadable};
    if (file.size() == 0)
        return {PlaybackFailure::EmptyFile};
    if (m_source->isPlaylist())
        return {PlaybackFailure::NoPlayableEntry};
    if (m_source->items().size() == 1) {
        switch (m_source->items()[0].kind) {
        case MediaItem::Kind::CdTrack:
            return {PlaybackFailure::NoCd};
        case MediaItem::Kind::Midi:
            return {PlaybackFailure::BrokenMidi};
        default:
            break;
        }
    }
    const PlaybackFailure failure = failureOfEngineError(mpvError);
    if (failure == PlaybackFailure::Engine)
        return {failure, MpvEngine::errorText(mpvError)};
    if (!m_engine->isValid())
        return {failure, m_engine->initError()};
    return {failure};
}

void Playback::fail(const PlaybackError& error)
{
    m_error = error;
    m_position = 0;
    setDuration(0);
    setPositionShown(0, true);
    setState(State::Failed);
    emit playbackFailed(error.text());
}

// A file that ends well before its length was cut short, removed or
// replaced while it played (a USB stick pulled, a download overwritten):
// that is said, not passed over as an ordinary end.
bool Playback::failIfChangedUnderneath()
{
    if (m_openedPath.isEmpty() || m_duration <= 0 || m_position >= m_duration - 1.0)
        return false;
    const QFileInfo file(m_openedPath);
    PlaybackFailure failure = PlaybackFailure::None;
    if (!file.exists())
        failure = PlaybackFailure::RemovedWhilePlaying;
    else if (file.size() != m_openedSize)
        failure = PlaybackFailure::ChangedWhilePlaying;
    if (failure == PlaybackFailure::None)
        return false;
    m_fileOpen = false;
    m_engine->unload();
    fail({failure});
    return true;
}

void Playback::onEndReached()
{
    if (m_state != State::Playing && m_state != State::Paused)
        return;
    if (failIfChangedUnderneath())
        return;
    returnToStart();
    emit endOfMedia();
}

void Playback::onFileEnded()
{
    // The engine closed the file (it could not keep it open): play() reopens it.
    if ((m_state == State::Playing || m_state == State::Paused) && failIfChangedUnderneath())
        return;
    m_fileOpen = false;
    m_engine->unload();
    if (m_state == State::Playing || m_state == State::Paused || m_state == State::Loading) {
        returnToStart();
        emit endOfMedia();
    }
}

void Playback::returnToStart()
{
    if (m_fileOpen) {
        m_engine->setPaused(true);
        m_engine->rewind(); // a playlist goes back to its first entry
    }
    m_position = 0;
    setPositionShown(0, true);
    setState(State::Stopped);
    emit seeked(0);
}

// --- engine values ------------------------------------------------------------------

void Playback::onTimePos(double seconds)
{
    // Stopped means at the start; the engine may still report the old spot
    // until its seek there lands. While paused nothing but a seek moves the
    // position, and seek() sets it: the engine's report then lags by what the
    // audio output holds buffered.
    if (m_state != State::Playing)
        return;
    m_position = seconds;
    setPositionShown(seconds, false);
}

void Playback::setPositionShown(double seconds, bool force)
{
    // time-pos arrives about ten times a second: the clock and the slider
    // follow in steps.
    const int step = static_cast<int>(std::floor(seconds / kPositionStep));
    if (!force && step == m_shownStep)
        return;
    m_shownStep = step;
    emit positionChanged(seconds);
}

void Playback::setDuration(double seconds)
{
    if (seconds == m_duration)
        return;
    m_duration = seconds;
    emit durationChanged(seconds);
}

// The engine's pause mostly answers our own requests; it also follows a pause
// the engine made by itself.
void Playback::onEnginePause(bool paused)
{
    if (m_state == State::Playing && paused)
        setState(State::Paused);
    else if (m_state == State::Paused && !paused)
        setState(State::Playing);
}

// A real output giving way to the null one means the device or the sound
// server went away (libmpv falls back along its list by itself). With no
// sound server from the start the null output is all there is: nothing lost.
void Playback::onAudioOutput(const QString& name)
{
    if (name.isEmpty())
        return; // closed between files: the next one tells
    const bool null = name == QLatin1String("null");
    const bool lost = null && (m_soundLost || (!m_audioOutput.isEmpty() && m_audioOutput != name));
    m_audioOutput = name;
    if (lost == m_soundLost)
        return;
    m_soundLost = lost;
    if (lost)
        m_soundRetry.start();
    else
        m_soundRetry.stop();
    emit soundLostChanged(lost);
}

void Playback::retrySound()
{
    if (m_soundLost && (m_state == State::Playing || m_state == State::Paused))
        m_engine->reloadAudioOutput();
}

void Playback::onMetadata(const QVariantMap& tags)
{
    m_tags = tags;
    emit tagsChanged();
}

void Playback::onTracks(const MediaTracks& tracks)
{
    if (tracks == m_tracks)
        return;
    m_tracks = tracks;
    emit detailsChanged();
}

void Playback::clearDetails()
{
    const bool had = !m_tracks.isEmpty() || !m_fileFormat.isEmpty() || m_fileSize != 0;
    m_tracks.clear();
    m_fileFormat.clear();
    m_fileSize = 0;
    if (had)
        emit detailsChanged();
}

// --- transport --------------------------------------------------------------------------

void Playback::play()
{
    switch (m_state) {
    case State::Idle:
    case State::Playing:
        return;
    case State::Failed:
        requestLoad();
        return;
    case State::Loading:
        m_engine->setPaused(false);
        setStartState(State::Playing);
        return;
    case State::Stopped:
        if (!m_fileOpen) {
            requestLoad();
            return;
        }
        [[fallthrough]];
    case State::Paused:
        m_engine->setPaused(false);
        setState(State::Playing);
        retrySound();
        return;
    }
}

void Playback::pause()
{
    if (m_state == State::Playing) {
        m_engine->setPaused(true);
        setState(State::Paused);
    } else if (m_state == State::Loading && m_startState == State::Playing) {
        m_engine->setPaused(true);
        setStartState(State::Paused);
    }
}

void Playback::togglePause()
{
    if (playState() == PlayState::Playing)
        pause();
    else
        play();
}

void Playback::stop()
{
    switch (m_state) {
    case State::Playing:
    case State::Paused:
        returnToStart();
        return;
    case State::Loading: {
        const bool moved = m_position != 0;
        m_engine->setPaused(true);
        m_pendingSeek.reset();
        m_position = 0;
        setPositionShown(0, true);
        setStartState(State::Stopped);
        if (moved)
            emit seeked(0);
        return;
    }
    case State::Idle:
    case State::Stopped:
    case State::Failed:
        return;
    }
}

void Playback::seek(double seconds)
{
    const bool seekable = m_state == State::Playing || m_state == State::Paused ||
                          m_state == State::Loading || (m_state == State::Stopped && m_fileOpen);
    if (!seekable || !std::isfinite(seconds))
        return;
    seconds = std::max(0.0, m_duration > 0 ? std::min(seconds, m_duration) : seconds);
    m_position = seconds;
    if (m_state == State::Loading) {
        m_pendingSeek = seconds;
        if (m_startState == State::Stopped)
            setStartState(State::Paused);
    } else {
        m_engine->seek(seconds);
        // Seeking from the stopped state leaves the file paused there.
        if (m_state == State::Stopped)
            setState(State::Paused);
    }
    setPositionShown(seconds, true);
    emit seeked(seconds);
}

void Playback::setVolume(int percent)
{
    m_volume = std::clamp(percent, 0, 100);
    m_engine->setVolume(m_volume);
    emit volumeChanged(m_volume);
}

void Playback::setMuted(bool muted)
{
    const bool changed = muted != m_muted;
    m_muted = muted;
    m_engine->setMuted(muted);
    if (changed)
        emit mutedChanged(muted);
}

void Playback::setSpeed(double factor)
{
    if (!std::isfinite(factor))
        return;
    factor = std::clamp(factor, kMinimumSpeed, kMaximumSpeed);
    if (factor == m_speed)
        return;
    m_speed = factor;
    m_engine->setSpeed(factor);
    emit speedChanged(factor);
}

// --- playlist steps ----------------------------------------------------------------------

bool Playback::isOpen() const
{
    return m_state == State::Playing || m_state == State::Paused ||
           (m_state == State::Stopped && m_fileOpen);
}

bool Playback::canGoNext() const
{
    return isOpen() && m_source->isPlaylist() && m_source->items().size() > 1;
}

bool Playback::canGoPrevious() const
{
    return canGoNext();
}

void Playback::next()
{
    if (!canGoNext())
        return;
    if (!m_engine->hasNextEntry()) {
        // After the last entry the list stops as at its end.
        if (m_state != State::Stopped)
            returnToStart();
        return;
    }
    const bool fromStop = m_state == State::Stopped;
    m_engine->nextEntry();
    if (fromStop) {
        m_engine->setPaused(false);
        setState(State::Playing);
    }
}

void Playback::previous()
{
    if (!canGoPrevious())
        return;
    const bool fromStop = m_state == State::Stopped;
    if (m_engine->hasPreviousEntry()) {
        m_engine->previousEntry();
    } else {
        // The first entry starts again.
        m_engine->seek(0);
        m_position = 0;
        setPositionShown(0, true);
        emit seeked(0);
    }
    if (fromStop) {
        m_engine->setPaused(false);
        setState(State::Playing);
    }
}

void Playback::announceSteps()
{
    const std::pair<bool, bool> steps{canGoNext(), canGoPrevious()};
    if (steps == m_steps)
        return;
    m_steps = steps;
    emit canStepChanged();
}

// --- tracks -----------------------------------------------------------------------------

void Playback::selectAudioTrack(int id)
{
    if (isOpen() && id > 0)
        m_engine->selectTrack(MediaTrack::Type::Audio, id);
}

void Playback::selectSubtitleTrack(int id)
{
    if (isOpen())
        m_engine->selectTrack(MediaTrack::Type::Subtitle, std::max(0, id));
}

// --- state ----------------------------------------------------------------------------

Playback::State Playback::startState() const
{
    return m_state == State::Loading ? m_startState : m_state;
}

PlayState Playback::playState() const
{
    switch (startState()) {
    case State::Playing:
        return PlayState::Playing;
    case State::Paused:
        return PlayState::Paused;
    default:
        return PlayState::Stopped;
    }
}

void Playback::setState(State state)
{
    if (state != m_state) {
        m_state = state;
        emit stateChanged(state);
    }
    if (const PlayState shown = playState(); shown != m_playState) {
        m_playState = shown;
        emit playStateChanged(shown);
    }
    announceSteps();
}

void Playback::setStartState(State state)
{
    m_startState = state;
    setState(m_state); // announces the change of playState()
}

QString Playback::statusText() const
{
    if (m_state == State::Failed)
        return QStringLiteral("再生できません：") + m_error.text();
    QString text = QStringLiteral("停止");
    switch (playState()) {
    case PlayState::Playing:
        text = QStringLiteral("再生中");
        break;
    case PlayState::Paused:
        text = QStringLiteral("一時停止");
        break;
    case PlayState::Stopped:
        break;
    }
    if (m_soundLost)
        text += QStringLiteral("（音声の出力先が見つかりません。音は出ていません）");
    return text;
}

// --- what the file is -------------------------------------------------------------------

QString Playback::tag(const char* key) const
{
    for (auto it = m_tags.cbegin(); it != m_tags.cend(); ++it) {
        if (it.key().compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return it.value().toString().trimmed();
    }
    return {};
}

QString Playback::title() const
{
    return m_source->title(tag("title"), QFileInfo(m_fileName).fileName());
}

QString Playback::artist() const
{
    return m_source->artist(tag("artist"));
}

QString Playback::album() const
{
    return tag("album");
}

int Playback::entryCount() const
{
    return int(m_source->items().size());
}

int Playback::currentEntry() const
{
    return m_source->current();
}

QString Playback::entryLocation() const
{
    const MediaItem* item = m_source->currentItem();
    if (!item && m_source->items().size() == 1)
        item = &m_source->items().front();
    if (!item)
        return m_absolutePath;
    return item->kind == MediaItem::Kind::CdTrack ? item->source : item->location;
}
