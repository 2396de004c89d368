// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Absolute path of a small media file shared by the tests, generated with
// ffmpeg into MERO_TEST_DATA_DIR the first time it is asked for and kept for
// later runs. Known names:
//   "tone.wav"     2 s, 440 Hz sine, mono, 22050 Hz, 16-bit PCM
//   "tone10.wav"   10 s, 440 Hz sine, mono, 8000 Hz, 16-bit PCM
//   "green.mp4"    2 s, 160x120 pure green (0x00FF00) H.264 yuv420p + AAC tone
//   "tone.mp3"     2 s tone with ID3 tags title "テスト曲", artist "テスト",
//                  album "アルバム"
//   "tracks.mkv"   3 s, 160x120 green H.264 at 25 fps with two stereo AAC
//                  tracks: 44100 Hz "日本語" [jpn] and 48000 Hz "Commentary"
//                  [eng]; title tag "トラックの試験"
//   "clip.avi", "clip.mpeg", "clip.mpg", "clip.asf", "clip.wmv"
//                  2 s, 160x120 green with a 440 Hz tone (MPEG-4 Part 2 + MP3 in
//                  AVI, MPEG-1 and MPEG-2 program streams, WMV1/WMV2 in ASF)
//   "tone.au", "tone.snd", "tone.aif", "tone.aiff", "tone.aifc", "tone.wma"
//                  2 s, 440 Hz mono (Sun AU 16-bit and mu-law, AIFF, AIFF-C
//                  "sowt", WMA v2 in ASF)
//   "tone.m4a", "tone.ogg", "tone.flac"
//                  2 s, 440 Hz mono (AAC in MP4 "M4A ", Vorbis in Ogg, FLAC)
//   "corrupt.mp4"  deterministic garbage bytes under a media name
//   "notmedia.txt" a short Japanese text file
// Returns an empty string for an unknown name or when the file cannot be made
// (ffmpeg missing or failing); the reason goes to qWarning.
QString testMedia(const QString& name);

// `size` bytes from a linear congruential generator started at `seed`: the
// same bytes on every run.
QByteArray noiseBytes(qsizetype size, quint32 seed);

// Writes `bytes` to `path`; false when that fails.
bool writeBytes(const QString& path, const QByteArray& bytes);
