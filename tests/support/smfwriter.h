// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <span>

// Writes Standard MIDI Files for tests, event by event with delta times in
// ticks. Nothing is checked: odd files are made on purpose.
class SmfWriter
{
public:
    // `division` as stored in the header: ticks per quarter note, or SMPTE.
    explicit SmfWriter(std::uint16_t division = 96) : m_division(division) {}

    SmfWriter& track(); // starts the next track
    SmfWriter& tempo(std::uint32_t delta, std::uint32_t microsPerQuarter);
    SmfWriter& noteOn(std::uint32_t delta, int channel, int key, int velocity = 100);
    SmfWriter& noteOff(std::uint32_t delta, int channel, int key);
    SmfWriter& program(std::uint32_t delta, int channel, int program);
    SmfWriter& controller(std::uint32_t delta, int channel, int number, int value);
    SmfWriter& endOfTrack(std::uint32_t delta = 0);
    // A delta time followed by `bytes` as they are (running status, sysex...).
    SmfWriter& raw(std::uint32_t delta, const QByteArray& bytes);

    QByteArray file(int format = 1) const;
    // The file wrapped in a RIFF "RMID" form, as .rmi files are.
    static QByteArray rmid(const QByteArray& smf);
    static QByteArray vlq(std::uint32_t value);

    // A tiny tune: at 240 bpm (96 ticks a quarter) C4, E4, G4 a quarter each,
    // then at 120 bpm C5 for a quarter: its last event (end of track) is at
    // 0.75 + 0.5 = 1.25 s. Format 0, or format 1 with the tempo map in a
    // track of its own.
    static QByteArray tune(int format);
    static constexpr double kTuneSeconds = 1.25;

private:
    QList<QByteArray> m_tracks;
    std::uint16_t m_division;
};

inline std::span<const std::uint8_t> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}
