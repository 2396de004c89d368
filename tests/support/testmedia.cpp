// SPDX-License-Identifier: MIT
#include "testmedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <cstdint>

namespace
{

// ffmpeg arguments that write each generated file; the output path is appended.
struct Recipe {
    const char* name;
    QStringList args;
};

// 2 s of 160x120 green with a 440 Hz tone, encoded by `codecs`.
QStringList video(const QStringList& codecs)
{
    return QStringList{"-f",       "lavfi", "-i", "color=c=0x00FF00:s=160x120:r=25:d=2",
                       "-f",       "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2",
                       "-shortest"} +
           codecs;
}

// 2 s of a 440 Hz tone, mono 22050 Hz, encoded by `codecs`.
QStringList tone(const QStringList& codecs)
{
    return QStringList{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=2"} +
           codecs;
}

// 5 s of red beside blue, each `half` pixels wide and 120 high.
QStringList redBlue(int half)
{
    const QString size = QStringLiteral(":s=%1x120:r=25:d=5").arg(half);
    return QStringList{"-f", "lavfi", "-i", "color=c=0xFF0000" + size, "-f", "lavfi", "-i"} +
           QStringList{"color=c=0x0000FF" + size, "-filter_complex", "hstack", "-c:v", "libx264"} +
           QStringList{"-pix_fmt", "yuv420p"};
}

const QList<Recipe>& recipes()
{
    static const QList<Recipe> table = {
        {"tone.wav",
         {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=2", "-ac", "1",
          "-c:a", "pcm_s16le"}},
        {"tone10.wav",
         {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000:duration=10", "-ac", "1",
          "-c:a", "pcm_s16le"}},
        {"green.mp4",
         {"-f", "lavfi", "-i", "color=c=0x00FF00:s=160x120:r=25:d=2", "-f", "lavfi", "-i",
          "sine=frequency=440:sample_rate=44100:duration=2", "-c:v", "libx264", "-pix_fmt",
          "yuv420p", "-c:a", "aac", "-b:a", "64k", "-shortest", "-movflags", "+faststart"}},
        // Red beside blue, 160x120 and 164x120, without sound.
        {"redblue.mp4", redBlue(80)},
        {"redblue164.mp4", redBlue(82)},
        {"tracks.mkv",
         {"-f",
          "lavfi",
          "-i",
          "color=c=0x00FF00:s=160x120:r=25:d=3",
          "-f",
          "lavfi",
          "-i",
          "sine=frequency=440:sample_rate=44100:duration=3",
          "-f",
          "lavfi",
          "-i",
          "sine=frequency=880:sample_rate=48000:duration=3",
          "-map",
          "0",
          "-map",
          "1",
          "-map",
          "2",
          "-c:v",
          "libx264",
          "-pix_fmt",
          "yuv420p",
          "-c:a",
          "aac",
          "-ac",
          "2",
          "-metadata:s:a:0",
          "language=jpn",
          "-metadata:s:a:0",
          QStringLiteral("title=日本語"),
          "-metadata:s:a:1",
          "language=eng",
          "-metadata:s:a:1",
          "title=Commentary",
          "-metadata",
          QStringLiteral("title=トラックの試験"),
          "-shortest"}},
        {"tone.mp3",
         {"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=44100:duration=2", "-c:a",
          "libmp3lame", "-b:a", "64k", "-id3v2_version", "3", "-metadata",
          QStringLiteral("title=テスト曲"), "-metadata", QStringLiteral("artist=テスト"),
          "-metadata", QStringLiteral("album=アルバム")}},
        // One of each remaining type of the open dialog's media filter.
        {"clip.avi", video({"-c:v", "mpeg4", "-c:a", "libmp3lame", "-b:a", "64k", "-f", "avi"})},
        {"clip.mpeg", video({"-c:v", "mpeg1video", "-c:a", "mp2", "-b:a", "64k", "-f", "mpeg"})},
        {"clip.mpg", video({"-c:v", "mpeg2video", "-c:a", "mp2", "-b:a", "64k", "-f", "vob"})},
        {"clip.asf", video({"-c:v", "wmv1", "-c:a", "wmav1", "-f", "asf"})},
        {"clip.wmv", video({"-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf"})},
        {"tone.au", tone({"-c:a", "pcm_s16be", "-f", "au"})},
        {"tone.snd", tone({"-c:a", "pcm_mulaw", "-f", "au"})},
        {"tone.aif", tone({"-c:a", "pcm_s16be", "-f", "aiff"})},
        {"tone.aiff", tone({"-c:a", "pcm_s16be", "-f", "aiff"})},
        {"tone.aifc", tone({"-c:a", "pcm_s16le", "-f", "aiff"})}, // "sowt": an AIFC form
        {"tone.wma", tone({"-c:a", "wmav2", "-b:a", "64k", "-f", "asf"})},
        {"tone.mp2", tone({"-c:a", "mp2", "-b:a", "64k", "-f", "mp2"})},
        {"tone.aac", tone({"-c:a", "aac", "-b:a", "64k", "-f", "adts"})},
        {"tone.m4a", tone({"-c:a", "aac", "-b:a", "64k", "-f", "ipod"})},
        {"tone.ogg", tone({"-c:a", "libvorbis", "-f", "ogg"})},
        {"tone.flac", tone({"-c:a", "flac", "-f", "flac"})},
    };
    return table;
}

bool runFfmpeg(const QStringList& args, const QString& output)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} +
                               args + QStringList{output});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        qWarning("testMedia: ffmpeg failed for %s: %s", qPrintable(output),
                 qPrintable(ffmpeg.errorString()));
        return false;
    }
    return true;
}

// Writes into a temporary name in the same directory, then renames: a test
// running in parallel sees either no file or a complete one.
bool generate(const QString& name, const QString& target)
{
    const QString temp = QFileInfo(target).dir().filePath(
        QStringLiteral("tmp-%1-%2").arg(QCoreApplication::applicationPid()).arg(name));
    QFile::remove(temp);

    bool made = false;
    if (name == QLatin1String("corrupt.mp4")) {
        made = writeBytes(temp, noiseBytes(64 * 1024, 0x4d45524f));
    } else if (name == QLatin1String("notmedia.txt")) {
        made = writeBytes(temp, QStringLiteral("これは音楽ファイルではありません。\n").toUtf8());
    } else {
        for (const Recipe& recipe : recipes()) {
            if (name == QLatin1String(recipe.name))
                made = runFfmpeg(recipe.args, temp);
        }
    }
    if (!made) {
        QFile::remove(temp);
        return false;
    }
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp); // another process finished first
        return QFileInfo::exists(target);
    }
    return true;
}

bool isKnown(const QString& name)
{
    if (name == QLatin1String("corrupt.mp4") || name == QLatin1String("notmedia.txt"))
        return true;
    for (const Recipe& recipe : recipes()) {
        if (name == QLatin1String(recipe.name))
            return true;
    }
    return false;
}

} // namespace

QString testMedia(const QString& name)
{
    if (!isKnown(name)) {
        qWarning("testMedia: unknown file %s", qPrintable(name));
        return {};
    }
    const QDir dir(QStringLiteral(MERO_TEST_DATA_DIR));
    if (!dir.mkpath(QStringLiteral("."))) {
        qWarning("testMedia: cannot create %s", qPrintable(dir.path()));
        return {};
    }
    const QString target = dir.absoluteFilePath(name);
    if (QFileInfo(target).size() > 0 || generate(name, target))
        return target;
    return {};
}

QByteArray noiseBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = seed;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}
