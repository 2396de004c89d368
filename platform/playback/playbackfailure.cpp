// SPDX-License-Identifier: MIT
#include "playbackfailure.h"

#include <mpv/client.h>

namespace
{

struct Wording {
    PlaybackFailure failure;
    const char16_t* text;
};

// Every reason the player gives, in one place.
constexpr Wording kWordings[] = {
    {PlaybackFailure::FileNotFound, u"ファイルが見つかりません"},
    {PlaybackFailure::Folder, u"フォルダーは再生できません"},
    {PlaybackFailure::Unreadable, u"ファイルを読み込めません"},
    {PlaybackFailure::EmptyFile, u"ファイルが空です"},
    {PlaybackFailure::UnsupportedFormat, u"対応していない形式か、ファイルが壊れています"},
    {PlaybackFailure::NothingToPlay, u"再生できる音声や映像がありません"},
    {PlaybackFailure::AudioOutput, u"音声を出力できません"},
    {PlaybackFailure::VideoOutput, u"映像を出力できません"},
    {PlaybackFailure::EngineUnavailable, u"再生エンジンを初期化できません"},
    {PlaybackFailure::PlaylistUnreadable, u"再生リストを読み込めません"},
    {PlaybackFailure::NoPlayableEntry, u"再生リストに再生できる項目がありません"},
    {PlaybackFailure::NoCd, u"CDが見つかりません"},
    {PlaybackFailure::BadCdTrack, u"CDトラックの情報を読み取れません"},
    {PlaybackFailure::BrokenMidi, u"MIDIファイルが壊れているか、対応していない形式です"},
    {PlaybackFailure::NoSoundFont, u"MIDIの音源（サウンドフォント）が見つかりません"},
    {PlaybackFailure::RemovedWhilePlaying, u"再生中にファイルが見つからなくなりました"},
    {PlaybackFailure::ChangedWhilePlaying,
     u"再生中にファイルが変更されたため、最後まで再生できませんでした"},
};

} // namespace

QString PlaybackError::text() const
{
    if (failure == PlaybackFailure::Engine)
        return detail;
    for (const Wording& wording : kWordings) {
        if (wording.failure == failure) {
            const QString text = QString::fromUtf16(wording.text);
            return detail.isEmpty() ? text : text + QStringLiteral("（%1）").arg(detail);
        }
    }
    return {};
}

PlaybackFailure failureOfEngineError(int mpvError)
{
    switch (mpvError) {
    case MPV_ERROR_SUCCESS:
        return PlaybackFailure::None;
    case MPV_ERROR_LOADING_FAILED:
    case MPV_ERROR_UNKNOWN_FORMAT:
        return PlaybackFailure::UnsupportedFormat;
    case MPV_ERROR_NOTHING_TO_PLAY:
        return PlaybackFailure::NothingToPlay;
    case MPV_ERROR_AO_INIT_FAILED:
        return PlaybackFailure::AudioOutput;
    case MPV_ERROR_VO_INIT_FAILED:
        return PlaybackFailure::VideoOutput;
    case MPV_ERROR_UNINITIALIZED:
        return PlaybackFailure::EngineUnavailable;
    default:
        return PlaybackFailure::Engine;
    }
}

PlaybackFailure failureOfResolution(MediaResolution::Problem problem)
{
    using Problem = MediaResolution::Problem;
    switch (problem) {
    case Problem::PlaylistUnreadable:
        return PlaybackFailure::PlaylistUnreadable;
    case Problem::NoPlayableEntry:
        return PlaybackFailure::NoPlayableEntry;
    case Problem::NoCdDrive:
        return PlaybackFailure::NoCd;
    case Problem::BadCdTrack:
        return PlaybackFailure::BadCdTrack;
    case Problem::None:
        break;
    }
    return PlaybackFailure::None;
}
