// SPDX-License-Identifier: MIT
#include "smfwriter.h"

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int value : values)
        out.append(char(value));
    return out;
}

QByteArray be(std::uint32_t value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char(value >> (8 * i)));
    return out;
}

QByteArray le32(std::uint32_t value)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char(value >> (8 * i)));
    return out;
}

} // namespace

QByteArray SmfWriter::vlq(std::uint32_t value)
{
    QByteArray out(1, char(value & 0x7F));
    while (value >>= 7)
        out.prepend(char(0x80 | (value & 0x7F)));
    return out;
}

SmfWriter& SmfWriter::track()
{
    m_tracks.append(QByteArray());
    return *this;
}

SmfWriter& SmfWriter::raw(std::uint32_t delta, const QByteArray& bytes)
{
    if (m_tracks.isEmpty())
        track();
    m_tracks.last() += vlq(delta) + bytes;
    return *this;
}

SmfWriter& SmfWriter::tempo(std::uint32_t delta, std::uint32_t microsPerQuarter)
{
    return raw(delta, QByteArray("\xFF\x51\x03", 3) + be(microsPerQuarter, 3));
}

SmfWriter& SmfWriter::noteOn(std::uint32_t delta, int channel, int key, int velocity)
{
    return raw(delta, bytes({0x90 | channel, key, velocity}));
}

SmfWriter& SmfWriter::noteOff(std::uint32_t delta, int channel, int key)
{
    return raw(delta, bytes({0x80 | channel, key, 64}));
}

SmfWriter& SmfWriter::program(std::uint32_t delta, int channel, int program)
{
    return raw(delta, bytes({0xC0 | channel, program}));
}

SmfWriter& SmfWriter::controller(std::uint32_t delta, int channel, int number, int value)
{
    return raw(delta, bytes({0xB0 | channel, number, value}));
}

SmfWriter& SmfWriter::endOfTrack(std::uint32_t delta)
{
    return raw(delta, QByteArray("\xFF\x2F\x00", 3));
}

QByteArray SmfWriter::file(int format) const
{
    QByteArray out = "MThd" + be(6, 4) + be(format, 2) + be(m_tracks.size(), 2) + be(m_division, 2);
    for (const QByteArray& track : m_tracks)
        out += "MTrk" + be(track.size(), 4) + track;
    return out;
}

QByteArray SmfWriter::rmid(const QByteArray& smf)
{
    QByteArray data = "data" + le32(smf.size()) + smf;
    if (smf.size() % 2)
        data.append('\0');
    return "RIFF" + le32(4 + data.size()) + "RMID" + data;
}

QByteArray SmfWriter::tune(int format)
{
    SmfWriter smf(96);
    smf.track();
    if (format == 1)
        smf.tempo(0, 250'000).tempo(288, 500'000).endOfTrack(96).track();
    else
        smf.tempo(0, 250'000);
    smf.program(0, 0, 0).noteOn(0, 0, 60).noteOff(96, 0, 60);
    smf.noteOn(0, 0, 64).noteOff(96, 0, 64).noteOn(0, 0, 67).noteOff(96, 0, 67);
    if (format == 0)
        smf.tempo(0, 500'000);
    smf.noteOn(0, 0, 72).noteOff(96, 0, 72).endOfTrack();
    return smf.file(format);
}
