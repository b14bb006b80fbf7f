// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hanashi {

class SoundSource;

// Where the music is heard. An output is found able to open before anything
// renders, so that a machine without sound builds no synthesiser; once
// started, it pulls the source's sound on a thread of its own until it is
// destroyed, which joins that thread. FluidSynth's rule for drivers holds for
// every output: "the audio driver should always be the last one to be
// created and the first one to be deleted", so the source is complete before
// the start and outlives the output.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Starts rendering source at sampleRate; false if the output cannot,
    // after which it is of no more use. Called once.
    virtual bool start(SoundSource& source, int sampleRate) = 0;
    // Drops what is queued and not yet heard.
    virtual void flush() {}
    // False while the output has lost the sound system and waits for it to
    // come back; nothing is rendered meanwhile.
    virtual bool connected() const { return true; }
    // More than the output ever renders ahead of what is heard.
    virtual std::chrono::milliseconds renderedAhead() const = 0;
};

struct AudioOutputChoice {
    // Tried in order. "pulseaudio" is the game's own PulseOutput; any other
    // name is one of FluidSynth's audio drivers that take a callback.
    std::vector<std::string> names;
    // FluidSynth settings given to its drivers, for instance
    // audio.alsa.device.
    std::vector<std::pair<std::string, std::string>> driverSettings;
};

// The outputs of the choice that can open now, in order, none rendering yet.
// ALSA's device is asked only where no sound server came before it.
std::vector<std::unique_ptr<AudioOutput>> availableAudioOutputs(const AudioOutputChoice& choice);

} // namespace hanashi
