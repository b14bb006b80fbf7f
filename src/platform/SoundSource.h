// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace hanashi {

// Stereo sound that an audio output pulls, on the output's own thread and
// only from there.
class SoundSource {
public:
    virtual ~SoundSource() = default;

    // Writes up to frames frames and returns how many it wrote. Fewer than
    // asked only where mayHold allows it and the source is waiting to be told
    // how to go on (a piece at its end, waiting to be started again): the
    // output then comes back for the rest later, and what it has queued plays
    // meanwhile. With mayHold false every frame is written.
    virtual int renderS16(std::int16_t* interleaved, int frames, bool mayHold) = 0;
    virtual int renderFloat(float* left, float* right, int frames, bool mayHold) = 0;
};

} // namespace hanashi
