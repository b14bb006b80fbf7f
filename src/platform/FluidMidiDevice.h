// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AudioOutput.h"
#include "platform/MidiDevice.h"

#include <QStringList>
#include <memory>

namespace hanashi {

class MidiTune;
class Workers;

// A tune played on a FluidSynth synthesiser by a TunePlayer, heard through
// an AudioOutput, or rendered offline where there is none.
//
// Built in FluidSynth's order: the output is found first, without rendering
// anything; then, at low priority, the synthesiser, its SoundFont with every
// instrument the tune uses, and the player; the output starts last. Torn down
// in the reverse order, the output first.
class FluidMidiDevice final : public MidiDevice {
public:
    struct Setup {
        // Tried in order until one loads with every instrument the tune uses.
        QStringList soundFonts;
        // No outputs: render offline through render(), for tests and
        // benchmarks.
        AudioOutputChoice outputs;
        float gain = 1.0F;
        // Where the release of a slow output finishes; without, it is waited
        // for.
        Workers* workers = nullptr;
    };

    // Null if no SoundFont loads or no output starts; where no output can
    // open, nothing is built at all. Silences the libraries' messages.
    static std::unique_ptr<FluidMidiDevice> create(std::shared_ptr<const MidiTune> tune,
                                                   const Setup& setup);

    // Stops the piece, then releases the output (joining its thread), the
    // player, the synthesiser and its settings, and the SoundFont, in that
    // order. Waits at most releaseWait for the output: its thread can sit in
    // the sound system for as long as that pleases (a stalled server), and
    // the program's end must not wait for it. What is left then finishes on
    // the setup's workers.
    ~FluidMidiDevice() override;
    FluidMidiDevice(const FluidMidiDevice&) = delete;
    FluidMidiDevice& operator=(const FluidMidiDevice&) = delete;

    bool play() override;
    bool stop() override;
    bool seekToStart() override;
    Mode mode() override;
    std::chrono::milliseconds quietFor() override;

    // Offline only: renders up to frames into two channels, as an output that
    // may wait does. Fewer frames only at the end of the piece, which waits
    // for a rewind or a stop; none while an output does the rendering.
    int render(float* left, float* right, int frames);

    static constexpr int sampleRate = 44100;
    static constexpr int polyphony = 128;
    static constexpr std::chrono::milliseconds releaseWait{300};

private:
    struct Parts;
    explicit FluidMidiDevice(std::unique_ptr<Parts> parts, Workers* workers);
    // The synthesiser, its SoundFont and the player; false if any fails.
    static bool build(Parts& parts, const std::shared_ptr<const MidiTune>& tune,
                      const Setup& setup);

    std::unique_ptr<Parts> m_parts;
    Workers* m_workers;
};

} // namespace hanashi
