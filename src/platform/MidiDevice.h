// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

namespace hanashi {

// One open MIDI piece with whatever produces its sound. Destroying it stops
// the piece and releases everything it holds; it never blocks for long.
class MidiDevice {
public:
    enum class Mode { Stopped, Playing };

    virtual ~MidiDevice() = default;

    // Starts or resumes playing from the current position.
    virtual bool play() = 0;
    // Stops playing and silences every sounding note at once. The position
    // stays where it was.
    virtual bool stop() = 0;
    // Moves the position to the first tick; takes effect on the next play, or
    // at once while playing.
    virtual bool seekToStart() = 0;
    // Stopped until played, after stop, and as soon as the piece has passed
    // its last tick; Playing otherwise. Cheap enough to poll every few ms.
    virtual Mode mode() = 0;
    // A time from now before which mode() is sure to stay Playing, if
    // nothing is asked of the device meanwhile; zero when it cannot tell.
    virtual std::chrono::milliseconds quietFor() { return std::chrono::milliseconds::zero(); }
};

} // namespace hanashi
