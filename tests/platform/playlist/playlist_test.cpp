// SPDX-License-Identifier: MIT
// The readers behind playlists and CD tracks, from tables of input and the
// entries expected, odd and broken inputs included.
#include "asxreader.h"
#include "cdafile.h"
#include "mediasniffer.h"
#include "playlisttext.h"
#include "textplaylistreader.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

namespace
{

PlaylistEntry entry(const QStringList& refs, const QString& title = {}, const QString& author = {},
                    const QString& base = {})
{
    PlaylistEntry e;
    e.refs = refs;
    e.title = title;
    e.author = author;
    e.base = base;
    return e;
}

PlaylistEntry playlistRef(const QString& href)
{
    PlaylistEntry e = entry({href});
    e.isPlaylistRef = true;
    return e;
}

std::string describe(const QList<PlaylistEntry>& entries)
{
    QStringList lines;
    for (const PlaylistEntry& e : entries)
        lines << QStringLiteral("[%1] title=%2 author=%3 base=%4 ref=%5")
                     .arg(e.refs.join(u'|'), e.title, e.author, e.base)
                     .arg(e.isPlaylistRef);
    return lines.join(u'\n').toStdString();
}

} // namespace

// --- ASX --------------------------------------------------------------------------

struct AsxCase {
    const char* name;
    QString text;
    QList<PlaylistEntry> entries;
    QString title = {};
};

class AsxRead : public testing::TestWithParam<AsxCase>
{
};

TEST_P(AsxRead, FindsTheEntriesAWindowsMediaFileMeans)
{
    const AsxCase& c = GetParam();
    const Playlist playlist = AsxReader::read(c.text);
    EXPECT_EQ(playlist.entries, c.entries) << describe(playlist.entries);
    EXPECT_EQ(playlist.title, c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AsxRead,
    testing::Values(
        AsxCase{"Version3",
                R"(<ASX version="3.0"><TITLE>List</TITLE>
                   <ENTRY><TITLE>One</TITLE><AUTHOR>Me</AUTHOR><REF HREF="one.wma"/></ENTRY>
                   <ENTRY><REF HREF="http://host/two.asf" /></ENTRY></ASX>)",
                {entry({"one.wma"}, "One", "Me"), entry({"http://host/two.asf"})},
                "List"},
        AsxCase{"AnyCaseAndQuoting",
                "<asx><Entry><rEf hReF='a.wma'></Entry><ENTRY><REF href = b.wma></ENTRY>"
                "<entry><ref HREF=c.wma/></entry></asx>",
                {entry({"a.wma"}), entry({"b.wma"}), entry({"c.wma"})}},
        AsxCase{"Entities",
                "<ASX><ENTRY><TITLE>Rock &amp; Roll &#x41;&#66;&lt;</TITLE>"
                "<REF HREF=\"a&amp;b.wma\"/></ENTRY><ENTRY><REF HREF=\"c&d.wma\"/></ENTRY>"
                "<ENTRY><REF HREF=\"&unknown;&#0;&#xD800;.wma\"/></ENTRY></ASX>",
                {entry({"a&b.wma"}, "Rock & Roll AB<"), entry({"c&d.wma"}),
                 entry({"&unknown;&#0;&#xD800;.wma"})}},
        AsxCase{"CommentsAndDeclarations",
                "<?xml version=\"1.0\"?><!-- <ENTRY><REF HREF=\"no.wma\"/></ENTRY> -->"
                "<!DOCTYPE asx><ASX><ENTRY><REF HREF=\"yes.wma\"/></ENTRY><!-- unterminated",
                {entry({"yes.wma"})}},
        AsxCase{"FallbacksInOrder",
                "<ASX><ENTRY><REF HREF=\"first.wma\"/><REF HREF=\"second.wma\"/></ENTRY></ASX>",
                {entry({"first.wma", "second.wma"})}},
        AsxCase{"EntryRefAndLooseRef",
                "<ASX><REF HREF=\"loose.wma\"/><ENTRYREF HREF=\"other.asx\"/>"
                "<ENTRY><REF HREF=\"x.wma\"/></ENTRY></ASX>",
                {entry({"loose.wma"}), playlistRef("other.asx"), entry({"x.wma"})}},
        AsxCase{"UnclosedEntries",
                "<ASX><ENTRY><TITLE>A<REF HREF=\"a.wma\"><ENTRY><REF HREF=\"b.wma\">",
                {entry({"a.wma"}, "A"), entry({"b.wma"})}},
        AsxCase{"Bases",
                "<ASX><BASE HREF=\"music/\"/><ENTRY><REF HREF=\"a.wma\"/></ENTRY>"
                "<ENTRY><BASE HREF=\"http://h/\"/><REF HREF=\"b.wma\"/></ENTRY></ASX>",
                {entry({"a.wma"}, {}, {}, "music/"), entry({"b.wma"}, {}, {}, "http://h/")}},
        AsxCase{"LinksThatAreNotMedia",
                "<ASX><BANNER HREF=\"b.gif\"/><LOGO HREF=\"l.gif\"/><ENTRY>"
                "<MOREINFO HREF=\"http://info\"/><REF HREF=\"a.wma\"/></ENTRY></ASX>",
                {entry({"a.wma"})}},
        AsxCase{"CdataAndRepeat",
                "<ASX><REPEAT COUNT=\"2\"><ENTRY><TITLE><![CDATA[a & <b>]]></TITLE>"
                "<REF HREF=\"a.wma\"/></ENTRY></REPEAT></ASX>",
                {entry({"a.wma"}, "a & <b>")}},
        AsxCase{"EntryWithoutRefDropped",
                "<ASX><ENTRY><TITLE>nothing</TITLE></ENTRY><ENTRY><REF/><REF HREF=\"\"/></ENTRY>"
                "</ASX>",
                {}},
        AsxCase{"Garbage", "<<<>>> & </ <3 <asx < entry <ref href=", {}},
        AsxCase{"NoRootStillRead", "junk <entry><ref href=\"a.wma\"></entry>", {entry({"a.wma"})}},
        AsxCase{"JapaneseTitle",
                QStringLiteral("<ASX><ENTRY><TITLE> さくら  さくら </TITLE>"
                               "<REF HREF=\"曲.wma\"/></ENTRY></ASX>"),
                {entry({QStringLiteral("曲.wma")}, QStringLiteral("さくら さくら"))}}),
    [](const testing::TestParamInfo<AsxCase>& info) { return info.param.name; });

// --- M3U, PLS, ASF references ----------------------------------------------------------

struct TextCase {
    const char* name;
    Playlist (*read)(QStringView);
    QString text;
    QList<PlaylistEntry> entries;
};

class TextPlaylistRead : public testing::TestWithParam<TextCase>
{
};

TEST_P(TextPlaylistRead, FindsTheEntriesInOrder)
{
    const TextCase& c = GetParam();
    const Playlist playlist = c.read(c.text);
    EXPECT_EQ(playlist.entries, c.entries) << describe(playlist.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextPlaylistRead,
    testing::Values(
        TextCase{"M3u",
                 &TextPlaylistReader::readM3u,
                 "#EXTM3U\r\n#EXTINF:12,Artist - Song\r\n a.mp3 \r\n\r\n# comment\rb.mp3\n",
                 {entry({"a.mp3"}, "Artist - Song"), entry({"b.mp3"})}},
        TextCase{"M3uTitleWithoutComma",
                 &TextPlaylistReader::readM3u,
                 "#EXTINF:12\nx.mp3",
                 {entry({"x.mp3"})}},
        TextCase{"Pls",
                 &TextPlaylistReader::readPls,
                 "[playlist]\nFile2=b.mp3\nTitle2=B\nfile1 = a.mp3\nNumberOfEntries=2\n"
                 "File3=\nFileX=c.mp3\nTitle9=orphan\n",
                 {entry({"a.mp3"}), entry({"b.mp3"}, "B")}},
        TextCase{"Reference",
                 &TextPlaylistReader::readReference,
                 "[Reference]\r\nRef1=http://h/a.asf?MSWMExt=.asf\r\nRef2=http://h2/a.asf\r\n",
                 {entry({"http://h/a.asf?MSWMExt=.asf"}), entry({"http://h2/a.asf"})}},
        TextCase{"Empty", &TextPlaylistReader::readM3u, "", {}}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

// --- what a file is ------------------------------------------------------------------------

struct SniffCase {
    const char* name;
    QByteArray head;
    QString fileName;
    MediaSniffer::Format format;
};

class Sniff : public testing::TestWithParam<SniffCase>
{
};

TEST_P(Sniff, JudgesByContentFirst)
{
    const SniffCase& c = GetParam();
    EXPECT_EQ(MediaSniffer::formatOf(c.head, c.fileName), c.format);
}

using F = MediaSniffer::Format;
INSTANTIATE_TEST_SUITE_P(
    Table, Sniff,
    testing::Values(
        SniffCase{"Smf", "MThd\0\0\0\x06", "x.bin", F::Midi},
        SniffCase{"Rmid", QByteArray("RIFF\0\0\0\0RMIDdata", 16), "x.rmi", F::Midi},
        SniffCase{"Cda", QByteArray("RIFF\x24\0\0\0CDDAfmt ", 16), "Track01.cda", F::CdTrack},
        SniffCase{"WaveUnderAMidiName", QByteArray("RIFF\0\0\0\0WAVEfmt ", 16), "x.mid", F::Other},
        SniffCase{"AsxWithProlog", "\xEF\xBB\xBF <?xml version='1.0'?>\n<!-- hi -->\n<Asx v='3'>",
                  "list.wmp", F::Asx},
        SniffCase{"AsxInUtf16", QByteArray("\xFF\xFE<\0A\0S\0X\0>\0", 12), "x.wvx", F::Asx},
        SniffCase{"AsxAfterJunkInAnAsxName", "garbage\n<asx>", "x.wax", F::Asx},
        SniffCase{"AsxAfterJunkElsewhere", "garbage\n<asx>", "x.txt", F::Other},
        SniffCase{"WmpThatIsMedia", QByteArray("0&\xB2\x75\x8E\x66\xCF\x11", 8), "x.wmp", F::Other},
        SniffCase{"Pls", "[playlist]\nFile1=a.mp3", "x.txt", F::Pls},
        SniffCase{"Reference", "[Reference]\r\nRef1=http://x", "x.asx", F::AsfReference},
        SniffCase{"ExtM3u", "#EXTM3U\na.mp3", "x", F::M3u},
        SniffCase{"HlsIsForTheEngine", "#EXTM3U\n#EXT-X-VERSION:3\n", "x.m3u8", F::Other},
        SniffCase{"PlainListByName", "a.mp3\nb.mp3\n", "x.M3U", F::M3u},
        SniffCase{"PlainTextIsNot", "a.mp3\nb.mp3\n", "x.txt", F::Other},
        SniffCase{"Id3", "ID3\x03\0\0\0\0\0\0", "x.mp3", F::Other},
        SniffCase{"Empty", "", "x.asx", F::Other}),
    [](const testing::TestParamInfo<SniffCase>& info) { return info.param.name; });

// --- .cda ----------------------------------------------------------------------------------

namespace
{

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
    return out;
}

// The 44-byte file Windows shows for track `track` of a disc.
QByteArray cda(int track, quint32 fmtSize = 24, const QByteArray& before = {})
{
    const QByteArray fmt = le(1, 2) + le(track, 2) + le(0x1234ABCD, 4) + le(150, 4) +
                           le(75 * 200, 4) + le(0x00020000, 4) + le(0x00022C00, 4);
    const QByteArray body = "CDDA" + before + "fmt " + le(fmtSize, 4) + fmt.left(int(fmtSize));
    return "RIFF" + le(body.size(), 4) + body;
}

} // namespace

TEST(CdaFile, ReadsTheTrackNumberAndRefusesWhatIsNoTrack)
{
    const std::optional<CdaFile> five = CdaFile::parse(cda(5));
    ASSERT_TRUE(five);
    EXPECT_EQ(five->track(), 5);
    EXPECT_EQ(five->discSerial(), 0x1234ABCDu);
    EXPECT_EQ(five->firstSector(), 150u);
    EXPECT_DOUBLE_EQ(five->lengthSeconds(), 200.0);

    EXPECT_EQ(CdaFile::parse(cda(12, 4))->track(), 12) << "a short chunk still names its track";
    EXPECT_EQ(CdaFile::parse(cda(3, 24, "LIST" + le(3, 4) + QByteArray("abc\0", 4)))->track(), 3)
        << "other chunks first, padded";
    EXPECT_FALSE(CdaFile::parse(cda(0)));
    EXPECT_FALSE(CdaFile::parse(cda(100)));
    EXPECT_FALSE(CdaFile::parse(cda(7, 2)));
    EXPECT_FALSE(CdaFile::parse(cda(7).replace(8, 4, "WAVE")));
    EXPECT_FALSE(CdaFile::parse(cda(7).left(22)));
    EXPECT_FALSE(CdaFile::parse("RIFF\xff\xff\xff\xff"
                                "CDDAjunk\xff\xff\xff\xff"));
    EXPECT_FALSE(CdaFile::parse(QByteArray()));
}

// --- text encodings ------------------------------------------------------------------------

TEST(PlaylistText, DecodesWhatJapanesePlaylistsAreWrittenIn)
{
    const QString song = QStringLiteral("曲.wma");
    QStringEncoder sjis("Shift_JIS");
    ASSERT_TRUE(sjis.isValid());
    const QByteArray sjisBytes = sjis.encode(song);
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const QList<Case> cases = {
        {"\xEF\xBB\xBF" + song.toUtf8(), song},
        {song.toUtf8(), song},
        {sjisBytes, song},
        {QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(song.utf16()), 10),
         song},
        {QByteArray("<\0a\0.\0w\0m\0a\0", 12), "<a.wma"},
        {QByteArray("<?xml version='1.0' encoding='windows-1252'?>\xE9"),
         QStringLiteral("<?xml version='1.0' encoding='windows-1252'?>é")},
        {QByteArray(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaylistText::decode(c.bytes), c.text) << c.bytes.toHex().toStdString();
}
