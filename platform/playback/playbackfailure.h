// SPDX-License-Identifier: MIT
#pragma once

#include "mediaresolution.h"

#include <QString>

// Why a file or a playlist entry cannot be played.
enum class PlaybackFailure {
    None,
    FileNotFound,
    Folder,
    Unreadable,
    EmptyFile,
    UnsupportedFormat,
    NothingToPlay,
    AudioOutput,
    VideoOutput,
    EngineUnavailable,
    PlaylistUnreadable,
    NoPlayableEntry,
    NoCd,
    BadCdTrack,
    BrokenMidi,
    NoSoundFont,
    RemovedWhilePlaying,
    ChangedWhilePlaying,
    Engine, // a reason only libmpv names: its own words are the detail
};

// A failure and what more is known about it (libmpv's words for Engine, the
// reason libmpv could not start for EngineUnavailable; may be empty).
struct PlaybackError {
    PlaybackFailure failure = PlaybackFailure::None;
    QString detail{};

    bool isError() const { return failure != PlaybackFailure::None; }
    // The reason in Japanese, as the player shows it after "再生できません：".
    QString text() const;

    friend bool operator==(const PlaybackError&, const PlaybackError&) = default;
};

// The failure a libmpv error code (mpv_error) stands for.
PlaybackFailure failureOfEngineError(int mpvError);
// The failure a resolution's problem stands for; None for none.
PlaybackFailure failureOfResolution(MediaResolution::Problem problem);
