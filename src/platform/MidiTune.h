// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace hanashi {

class PlainFile;

// A Standard MIDI File as the game plays it: the messages of every track
// merged into one list in the order they sound, each at its time from the
// start of the piece, with the tempo map already applied.
//
// Reading a tune is the one decision on whether it can be played. The game
// plays exactly the events read here, and hanashi-check judges a tune by the
// same reading, so a tune is either played as the standard reads it or
// refused up front, with a reason an author can act on.
class MidiTune {
public:
    // One message for the synthesiser, 16 bytes.
    struct Event {
        std::int64_t microseconds; // from the start of the piece
        // A channel message: status | data1 << 8 | data2 << 16. A system
        // exclusive message: 0xF0, with its bytes in sysex().
        std::uint32_t message;
        std::uint32_t sysexIndex;

        std::uint8_t status() const { return message & 0xFF; }
        std::uint8_t data1() const { return (message >> 8) & 0x7F; }
        std::uint8_t data2() const { return (message >> 16) & 0x7F; }
    };

    struct Reading {
        std::shared_ptr<const MidiTune> tune; // null when refused
        // Why it was refused, in a few words.
        QString refusal;
    };

    // Whole files only: a RIFF "RMID" file is read through its data chunk.
    static Reading read(QByteArrayView bytes);
    // The file's bytes, when it holds at most MaxFileBytes.
    static Reading read(PlainFile& file);

    const std::vector<Event>& events() const { return m_events; }
    // A system exclusive message's bytes, without its F0 and F7.
    QByteArrayView sysex(const Event& event) const;

    // Where the piece ends: the end of its longest track.
    std::int64_t lengthMicroseconds() const { return m_lengthMicroseconds; }
    // The same end in the file's own ticks, and its ticks a beat: the length
    // as FluidSynth's own player counts it, so the two readings can be held
    // side by side.
    int lengthTicks() const { return m_lengthTicks; }
    int ticksPerBeat() const { return m_ticksPerBeat; }

    // The tempo until the first tempo event: 120 quarters a minute.
    static constexpr std::int64_t DefaultTempo = 500000;
    static constexpr std::int64_t MaxFileBytes = 16 * 1024 * 1024;
    // Memory: 16 bytes an event.
    static constexpr int MaxEvents = 1000000;
    // More than this many messages within any DensityWindow of the piece is
    // more than the synthesiser can take while it plays in real time on a
    // small machine (bench/RESULTS.md).
    static constexpr int MaxEventsPerWindow = 5000;
    static constexpr std::int64_t DensityWindowMicroseconds = 100000;
    static constexpr std::int64_t MaxLengthMicroseconds = 24LL * 3600 * 1000000;

private:
    MidiTune() = default;
    friend class MidiTuneReader;

    std::vector<Event> m_events;
    struct Span {
        std::uint32_t start;
        std::uint32_t length;
    };
    std::vector<Span> m_sysexSpans;
    QByteArray m_sysexBytes;
    std::int64_t m_lengthMicroseconds = 0;
    int m_lengthTicks = 0;
    int m_ticksPerBeat = 0;
};

} // namespace hanashi
