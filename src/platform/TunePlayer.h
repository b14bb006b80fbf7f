// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MidiDevice.h"
#include "platform/SoundSource.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

struct _fluid_synth_t;

namespace hanashi {

class MidiTune;

// Plays a MidiTune on a FluidSynth synthesiser. Whoever renders the
// synthesiser renders it through the player, which sends each event to the
// synthesiser when the rendering reaches the event's sample. So the piece
// ends where its file says, whatever size of block the output asks for, and
// a rewind starts the very next sample the output takes: an output that may
// wait (mayHold) gets no sample past the end until the piece is rewound or
// stopped.
//
// Commands come from any thread. mode() and playsOnFor() only read atomics;
// stop() waits for a render under way to finish, so that once it returns no
// event of the piece is sent until the next play.
class TunePlayer final : public SoundSource {
public:
    // The synthesiser must outlive the player and be rendered only through
    // it.
    TunePlayer(std::shared_ptr<const MidiTune> tune, _fluid_synth_t* synth, int sampleRate);

    // Plays on from where the piece stands; at its end that is nowhere.
    void play();
    // Stops where the piece stands and silences every sounding voice at once.
    void stop();
    // The next sample rendered is the start of the piece, played as the first
    // time: the synthesiser is reset (programs, controllers, the default
    // tempo) before the first event. Instruments stay loaded.
    void rewind();
    // Stopped until played, after stop, and from the moment the rendering has
    // reached the end of the piece until the next rewind.
    MidiDevice::Mode mode() const;
    // How long mode() stays Playing at least, if nothing is asked meanwhile,
    // where the rendering may run up to renderedAhead in front of what is
    // heard.
    std::chrono::milliseconds playsOnFor(std::chrono::milliseconds renderedAhead) const;

    int renderS16(std::int16_t* interleaved, int frames, bool mayHold) override;
    int renderFloat(float* left, float* right, int frames, bool mayHold) override;

private:
    template <typename Synthesize>
    int render(int frames, bool mayHold, Synthesize synthesize);
    void startOver();
    // Sends every event due at the current sample; at the end of the piece,
    // the rest, and marks the end.
    void sendDueEvents();
    void send(std::size_t index);
    std::int64_t sampleAt(std::int64_t microseconds) const;

    const std::shared_ptr<const MidiTune> m_tune;
    _fluid_synth_t* const m_synth;
    const int m_sampleRate;
    const std::int64_t m_endSample;

    // Held while rendering, and by stop() while it silences.
    std::mutex m_rendering;
    std::size_t m_nextEvent = 0;             // rendering thread only
    std::atomic<std::int64_t> m_position{0}; // samples rendered of this pass
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_ended{false};
    // Set by rewind(), cleared by the rendering thread once it has started
    // over; it clears m_ended first, so that mode() never sees the old end.
    std::atomic<bool> m_rewindWanted{false};
};

} // namespace hanashi
