// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <optional>

namespace hanashi {

// What the player needs to know about a Standard MIDI File, read by walking
// every chunk and every event before the synthesiser sees the bytes.
// FluidSynth accepts a file with a valid header and a cut-short body, then
// fails while playing it; such a file must be refused up front instead.
struct MidiFileInfo {
    int format = 0; // 0 or 1
    int trackCount = 0;
    int ticksPerBeat = 0; // metrical time only; SMPTE time is refused
    int lengthTicks = 0;  // the last track's end, in ticks
    // The shortest quarter note anywhere in the file, in microseconds: the
    // tempo before the first tempo event counts too.
    int fastestTempo = DefaultTempo;

    static constexpr int DefaultTempo = 500000; // 120 quarters a minute

    // Null unless the bytes are a complete, well-formed file of format 0 or 1.
    static std::optional<MidiFileInfo> parse(const QByteArray& bytes);
};

} // namespace hanashi
