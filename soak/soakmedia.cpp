// SPDX-License-Identifier: MIT
#include "soakmedia.h"

#include "badfiles.h"
#include "testmedia.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace
{

// One second of tone, and of a blue picture with it.
const QStringList kTone = {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=1"};
const QStringList kPicture = {"-f", "lavfi", "-i", "color=c=blue:s=160x120:r=25:d=1"};

// A type-0 standard MIDI file: one track, middle C for a quarter note.
QByteArray midiFile()
{
    const QByteArray track("\x00\x90\x3C\x64"
                           "\x60\x80\x3C\x40"
                           "\x00\xFF\x2F\x00",
                           12);
    return QByteArray("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14) + "MTrk" +
           QByteArray("\x00\x00\x00", 3) + char(track.size()) + track;
}

} // namespace

SoakMedia::SoakMedia(const QString& directory) : m_directory(directory)
{
    QDir().mkpath(directory);
    for (const char* name : {"tone.wav", "tone.mp3", "green.mp4"})
        addGood(testMedia(QString::fromLatin1(name)));

    const QStringList audioVideo = kPicture + kTone;
    if (generate("clip.avi",
                 audioVideo + QStringList{"-c:v", "mpeg4", "-c:a", "pcm_s16le", "-shortest"}))
        addGood(QDir(directory).filePath("clip.avi"));
    if (generate("clip.mpg",
                 audioVideo + QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-shortest"}))
        addGood(QDir(directory).filePath("clip.mpg"));
    if (generate("clip.wmv",
                 audioVideo + QStringList{"-c:v", "wmv2", "-c:a", "wmav2", "-shortest"}))
        addGood(QDir(directory).filePath("clip.wmv"));
    if (generate("tone.au", kTone + QStringList{"-c:a", "pcm_s16be"}))
        addGood(QDir(directory).filePath("tone.au"));
    if (generate("tone.aif", kTone))
        addGood(QDir(directory).filePath("tone.aif"));
    if (generate("tone.wma", kTone + QStringList{"-c:a", "wmav2"}))
        addGood(QDir(directory).filePath("tone.wma"));
    const QString midi = QDir(directory).filePath("note.mid");
    if (writeBytes(midi, midiFile()))
        addGood(midi);
    const QString playlist = QDir(directory).filePath("list.asx");
    if (writeBytes(playlist, "<asx version=\"3.0\"><entry><ref href=\"" +
                                 testMedia("tone.wav").toUtf8() + "\"/></entry></asx>\r\n"))
        addGood(playlist);

    // The good ones cut in half, noise and a path to nothing for every type
    // offered. In this order, so that the first 50 opens meet every decoder:
    // what a decoder sets up once for the process is not growth.
    const QList<SoakFile> good = m_files;
    for (const SoakFile& file : good) {
        const QFileInfo info(file.path);
        const QString half = QDir(directory).filePath("half-" + info.fileName());
        const QByteArray bytes = badfiles::head(file.path, 1 << 24);
        if (writeBytes(half, bytes.left(bytes.size() / 2)))
            m_files.append({half, SoakFile::Kind::Corrupt});
    }
    const QStringList extensions = badfiles::mediaExtensions() + QStringList{"mp4"};
    quint32 seed = 100;
    for (const QString& extension : extensions) {
        const QString noise = QDir(directory).filePath("noise." + extension);
        if (writeBytes(noise, noiseBytes(32 * 1024, seed++)))
            m_files.append({noise, SoakFile::Kind::Corrupt});
    }
    for (const QString& extension : extensions)
        m_files.append({QDir(directory).filePath("missing." + extension), SoakFile::Kind::Missing});
}

void SoakMedia::addGood(const QString& path)
{
    if (!path.isEmpty())
        m_files.append({path, SoakFile::Kind::Good});
}

bool SoakMedia::generate(const QString& name, const QStringList& ffmpegArguments)
{
    const QString target = QDir(m_directory).filePath(name);
    if (QFileInfo(target).size() > 0)
        return true;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} +
                               ffmpegArguments + QStringList{target});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}
