// SPDX-License-Identifier: MIT
// What a chosen file resolves to, on real files in a temporary folder:
// playlists with relative, absolute, missing, fallback, nested and looping
// entries, broken playlists, content that contradicts the name, CD tracks
// with and without a drive.
#include "mediaresolver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace
{

using Kind = MediaItem::Kind;
using Problem = MediaResolution::Problem;

const QByteArray kWave("RIFF\x24\0\0\0WAVEfmt ", 16);
const QByteArray kMidi("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14);

QByteArray cda(int track)
{
    QByteArray fmt(24, '\0');
    fmt[0] = 1;
    fmt[2] = char(track);
    return QByteArray("RIFF\x24\0\0\0CDDAfmt \x18\0\0\0", 20) + fmt;
}

class Folder
{
public:
    Folder() { EXPECT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << file.toStdString();
        out.write(bytes);
        return file;
    }

    QString write(const QString& name, const QString& text) const
    {
        return write(name, text.toUtf8());
    }

private:
    QTemporaryDir m_dir;
};

QString asx(const QStringList& refs)
{
    QString text = QStringLiteral("<ASX version=\"3.0\">");
    for (const QString& ref : refs)
        text += QStringLiteral("<ENTRY><REF HREF=\"%1\"/></ENTRY>").arg(ref);
    return text + QStringLiteral("</ASX>");
}

QStringList locations(const MediaResolution& resolution)
{
    QStringList out;
    for (const MediaItem& item : resolution.items)
        out << item.location;
    return out;
}

} // namespace

TEST(MediaResolver, OneFileIsItselfAndAMidiFileIsSynthesized)
{
    Folder folder;
    const QString wave = folder.write("a.wav", kWave);
    MediaResolution r = MediaResolver().resolve(wave);
    ASSERT_EQ(r.items.size(), 1);
    EXPECT_EQ(r.items[0].kind, Kind::File);
    EXPECT_EQ(r.items[0].location, wave);
    EXPECT_FALSE(r.isPlaylist);

    const QString midi = folder.write("tune.RMI", kMidi);
    r = MediaResolver().resolve(midi);
    ASSERT_EQ(r.items.size(), 1);
    EXPECT_EQ(r.items[0].kind, Kind::Midi);
    EXPECT_EQ(r.items[0].location, midi);

    // Named like a playlist, holding media: the engine gets it as it is.
    const QString wmp = folder.write("clip.wmp", kWave);
    EXPECT_EQ(MediaResolver().resolve(wmp).items[0].kind, Kind::File);
}

TEST(MediaResolver, EntriesResolveRelativeAbsoluteFallbackOrNotAtAll)
{
    Folder folder;
    const QString a = folder.write("sub/a.wav", kWave);
    const QString b = folder.write("b.mp3", QByteArray("ID3"));
    const QString cd = folder.write("c d.wav", kWave);
    const QString ef = folder.write("e f.wav", kWave);
    const QString song = folder.write("song.mid", kMidi);
    const QString list = folder.write(
        "list.asx",
        QStringLiteral("<ASX><ENTRY><TITLE>First</TITLE><AUTHOR>Me</AUTHOR>"
                       "<REF HREF=\"sub\\a.wav\"/></ENTRY>") +
            QStringLiteral("<ENTRY><REF HREF=\"missing.wav\"/><REF HREF=\"%1\"/></ENTRY>").arg(b) +
            "<ENTRY><REF HREF=\"gone.wav\"/></ENTRY>" +
            QStringLiteral("<ENTRY><REF HREF=\"%1\"/></ENTRY>")
                .arg(QUrl::fromLocalFile(cd).toString(QUrl::FullyEncoded)) +
            "<ENTRY><REF HREF=\"e%20f.wav\"/></ENTRY>"
            "<ENTRY><REF HREF=\"HTTP://host/s.asf\"/></ENTRY>"
            "<ENTRY><REF HREF=\"javascript:alert(1)\"/><REF HREF=\"av://lavfi:sine\"/></ENTRY>"
            "<ENTRY><REF HREF=\"C:\\Music\\x.wav\"/></ENTRY>"
            "<ENTRY><REF HREF=\"song.mid\"/></ENTRY>"
            "<ENTRY><REF HREF=\"sub\"/></ENTRY></ASX>");

    const MediaResolution r = MediaResolver().resolve(list);
    EXPECT_TRUE(r.isPlaylist);
    EXPECT_EQ(r.problem, Problem::None);
    EXPECT_EQ(locations(r), (QStringList{a, b, cd, ef, QStringLiteral("http://host/s.asf"), song}));
    ASSERT_EQ(r.items.size(), 6);
    EXPECT_EQ(r.items[0].title, "First");
    EXPECT_EQ(r.items[0].author, "Me");
    EXPECT_EQ(r.items[4].kind, Kind::Url);
    EXPECT_EQ(r.items[5].kind, Kind::Midi);
    EXPECT_EQ(r.skippedEntries, 4); // gone, javascript/av, C:, a folder
}

TEST(MediaResolver, NestedPlaylistsPlayInTheirPlaceRelativeToThemselves)
{
    Folder folder;
    const QString x = folder.write("x.wav", kWave);
    const QString y = folder.write("inner/y.wav", kWave);
    const QString z = folder.write("z.wav", kWave);
    folder.write("inner/deep.m3u", QStringLiteral("#EXTM3U\n#EXTINF:1,Why\ny.wav\n../x.wav\n"));
    folder.write("inner/mid.wax", asx({"deep.m3u"}));
    const QString top =
        folder.write("top.wvx", QStringLiteral("<ASX><ENTRYREF HREF=\"inner/mid.wax\"/>") +
                                    "<ENTRY><REF HREF=\"z.wav\"/></ENTRY></ASX>");
    const MediaResolution r = MediaResolver().resolve(top);
    EXPECT_EQ(locations(r), (QStringList{y, x, z}));
    EXPECT_EQ(r.items[0].title, "Why");
}

TEST(MediaResolver, LoopsEndAndDepthIsBounded)
{
    Folder folder;
    const QString a = folder.write("a.wav", kWave);
    const QString b = folder.write("b.wav", kWave);
    folder.write("one.asx", asx({"two.asx", "a.wav", "one.asx"}));
    folder.write("two.asx", asx({"one.asx", "b.wav"}));
    MediaResolution r = MediaResolver().resolve(folder.path("one.asx"));
    EXPECT_EQ(locations(r), (QStringList{b, a}));
    EXPECT_EQ(r.skippedEntries, 2);

    // A chain of ten: the first and four below it are read.
    for (int level = 0; level < 10; ++level)
        folder.write(QStringLiteral("l%1.pls").arg(level),
                     QStringLiteral("[playlist]\nFile1=l%1.pls\nFile2=a.wav\n").arg(level + 1));
    r = MediaResolver().resolve(folder.path("l0.pls"));
    EXPECT_EQ(r.items.size(), 5);

    // Many entries: as many as the limit allows.
    QString many = QStringLiteral("#EXTM3U\n");
    for (int i = 0; i < 1500; ++i)
        many += QStringLiteral("a.wav\n");
    r = MediaResolver({.entries = 1000}, {}).resolve(folder.write("many.m3u", many));
    EXPECT_EQ(r.items.size(), 1000);
    EXPECT_GE(r.skippedEntries, 1);
    EXPECT_EQ(MediaResolver().resolve(folder.path("many.m3u")).items.size(), 1500);
}

TEST(MediaResolver, APlaylistWithNothingPlayableSaysSo)
{
    Folder folder;
    for (const auto& [name, text] : QList<std::pair<QString, QString>>{
             {"broken.asx", "<ASX><ENTRY><REF HREF="},
             {"empty.asx", "<asx></asx>"},
             {"missing.wvx", asx({"nothing.wav", "../nowhere/at/all.wma"})},
             {"self.wax", asx({"self.wax"})},
             {"empty.m3u", ""}}) {
        const MediaResolution r = MediaResolver().resolve(folder.write(name, text));
        EXPECT_TRUE(r.isPlaylist) << name.toStdString();
        EXPECT_TRUE(r.items.isEmpty()) << name.toStdString();
        EXPECT_EQ(r.problem, Problem::NoPlayableEntry) << name.toStdString();
    }
}

TEST(MediaResolver, ACdTrackNeedsADrive)
{
    Folder folder;
    const QString track = folder.write("Track05.cda", cda(5));
    MediaResolution r = MediaResolver({}, {folder.path("no-sr0")}).resolve(track);
    EXPECT_EQ(r.problem, Problem::NoCdDrive);
    EXPECT_TRUE(r.items.isEmpty());

    const QString drive = folder.write("sr0", QByteArray());
    r = MediaResolver({}, {folder.path("no-sr0"), drive}).resolve(track);
    ASSERT_EQ(r.items.size(), 1);
    EXPECT_EQ(r.items[0].kind, Kind::CdTrack);
    EXPECT_EQ(r.items[0].track, 5);
    EXPECT_EQ(r.items[0].location, drive);
    EXPECT_EQ(r.items[0].source, track);

    r = MediaResolver({}, {drive}).resolve(folder.write("bad.cda", cda(0)));
    EXPECT_EQ(r.problem, Problem::BadCdTrack);

    // In a playlist a track without a drive is an entry left out.
    const QString wave = folder.write("w.wav", kWave);
    r = MediaResolver({}, {folder.path("no-sr0")})
            .resolve(folder.write("cd.asx", asx({"Track05.cda", "w.wav"})));
    EXPECT_EQ(locations(r), QStringList{wave});
}

#ifdef Q_OS_UNIX
TEST(MediaResolver, ANamedPipeIsNeverReadWhileResolving)
{
    Folder folder;
    const QString fifo = folder.path("pipe.asx");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    MediaResolution r = MediaResolver().resolve(fifo); // would block if opened
    ASSERT_EQ(r.items.size(), 1);
    EXPECT_EQ(r.items[0].kind, Kind::File);
    r = MediaResolver().resolve(folder.write("p.m3u", QStringLiteral("pipe.asx\n")));
    EXPECT_EQ(locations(r), QStringList{fifo});
}
#endif
