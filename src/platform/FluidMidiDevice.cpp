// SPDX-License-Identifier: MIT
#include "platform/FluidMidiDevice.h"

#include "platform/LibraryMessages.h"
#include "platform/LowPriority.h"
#include "platform/MidiTune.h"
#include "platform/SoundFontLoader.h"
#include "platform/TunePlayer.h"
#include "platform/Workers.h"

#include <fluidsynth.h>
#include <future>
#include <optional>

namespace hanashi {

namespace {

// What the watchdog is told while an output waits for its sound system:
// nothing renders, so nothing can end, and asking once a second is enough.
constexpr std::chrono::milliseconds lostOutputPoll{1000};
// Offline, the caller renders as far ahead as it likes; this much is a
// promise the tests' rendering keeps.
constexpr std::chrono::milliseconds offlineAhead{1000};

// A synthesiser and its settings, deleted in FluidSynth's order.
struct Synthesizer {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;

    Synthesizer() = default;
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;
    ~Synthesizer() {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

} // namespace

// Members go from the last up: the output first, the SoundFont's file last.
struct FluidMidiDevice::Parts {
    std::optional<PlainFile> soundFontFile;
    Synthesizer synthesizer;
    std::unique_ptr<TunePlayer> player;
    std::unique_ptr<AudioOutput> output;
};

std::unique_ptr<FluidMidiDevice> FluidMidiDevice::create(std::shared_ptr<const MidiTune> tune,
                                                         const Setup& setup) {
    silenceLibraryMessages();
    const bool offline = setup.outputs.names.empty();
    std::vector<std::unique_ptr<AudioOutput>> outputs;
    if (!offline) {
        outputs = availableAudioOutputs(setup.outputs);
        if (outputs.empty())
            return nullptr;
    }

    auto parts = std::make_unique<Parts>();
    bool built = false;
    runAtLowPriority([&] { built = build(*parts, tune, setup); });
    if (!built)
        return nullptr;
    for (std::unique_ptr<AudioOutput>& output : outputs) {
        if (output->start(*parts->player, sampleRate)) {
            parts->output = std::move(output);
            break;
        }
        output.reset(); // before the player it may have been given
    }
    outputs.clear();
    if (!offline && !parts->output)
        return nullptr;
    return std::unique_ptr<FluidMidiDevice>(new FluidMidiDevice(std::move(parts), setup.workers));
}

bool FluidMidiDevice::build(Parts& parts, const std::shared_ptr<const MidiTune>& tune,
                            const Setup& setup) {
    Synthesizer& synthesizer = parts.synthesizer;
    synthesizer.settings = new_fluid_settings();
    if (!synthesizer.settings)
        return false;
    fluid_settings_setnum(synthesizer.settings, "synth.sample-rate", sampleRate);
    // A SoundFont's samples are read only for the instruments in use, so
    // only the tune's instruments are ever held.
    fluid_settings_setint(synthesizer.settings, "synth.dynamic-sample-loading", 1);
    // Every voice the synthesiser may sound is allocated up front. 128 voices
    // leave busy General MIDI music room to spare, at half the memory of
    // FluidSynth's default 256 (bench/RESULTS.md).
    fluid_settings_setint(synthesizer.settings, "synth.polyphony", polyphony);
    synthesizer.synth = new_fluid_synth(synthesizer.settings);
    if (!synthesizer.synth)
        return false;
    parts.soundFontFile = loadSoundFontFor(synthesizer.synth, *tune, setup.soundFonts);
    if (!parts.soundFontFile)
        return false;
    fluid_synth_set_gain(synthesizer.synth, setup.gain);
    parts.player =
        std::make_unique<TunePlayer>(tune, synthesizer.synth, FluidMidiDevice::sampleRate);
    return true;
}

FluidMidiDevice::FluidMidiDevice(std::unique_ptr<Parts> parts, Workers* workers)
    : m_parts(std::move(parts))
    , m_workers(workers) {}

FluidMidiDevice::~FluidMidiDevice() {
    // The piece goes quiet first, so that the output has nothing left to
    // play while it is joined.
    m_parts->player->stop();
    if (!m_parts->output) {
        m_parts.reset();
        return;
    }
    // Shared only to be copyable for std::function: the worker's copy is the
    // one left, so that the release never falls back on this thread once the
    // worker has it.
    auto parts = std::shared_ptr<Parts>(std::move(m_parts));
    auto released = std::make_shared<std::promise<void>>();
    std::future<void> done = released->get_future();
    const bool started =
        m_workers && m_workers->start([parts = std::move(parts), released]() mutable {
            parts.reset();
            released->set_value();
        });
    parts.reset(); // without a worker: here, then
    if (started)
        done.wait_for(releaseWait);
}

bool FluidMidiDevice::play() {
    m_parts->player->play();
    return true;
}

bool FluidMidiDevice::stop() {
    m_parts->player->stop();
    if (m_parts->output)
        m_parts->output->flush();
    return true;
}

bool FluidMidiDevice::seekToStart() {
    m_parts->player->rewind();
    return true;
}

MidiDevice::Mode FluidMidiDevice::mode() {
    return m_parts->player->mode();
}

std::chrono::milliseconds FluidMidiDevice::quietFor() {
    const AudioOutput* output = m_parts->output.get();
    const std::chrono::milliseconds quiet =
        m_parts->player->playsOnFor(output ? output->renderedAhead() : offlineAhead);
    if (output && !output->connected())
        return std::max(quiet, lostOutputPoll);
    return quiet;
}

int FluidMidiDevice::render(float* left, float* right, int frames) {
    if (m_parts->output || frames <= 0)
        return 0;
    return m_parts->player->renderFloat(left, right, frames, true);
}

} // namespace hanashi
