// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MidiDevice.h"
#include "platform/MidiFileInfo.h"

#include <QByteArray>
#include <QStringList>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_audio_driver_t;

namespace hanashi {

class PlainFile;
class PulseOutput;

// A FluidSynth synthesiser, a MIDI player holding one piece and, unless the
// device renders offline, an audio driver feeding the sound card.
//
// The player is never set to loop: looping is the watchdog's job, and a
// looping player that fails to read its file spins inside the audio thread.
// Nothing here waits for the player.
class FluidMidiDevice final : public MidiDevice {
public:
    struct Setup {
        // Tried in order until one loads.
        QStringList soundFonts;
        // Audio outputs tried in order; empty means render offline through
        // render(), for tests and benchmarks. "pulseaudio" is the game's own
        // PulseOutput; any other name is one of FluidSynth's audio drivers.
        std::vector<std::string> drivers;
        // FluidSynth string settings given to the audio driver before it
        // opens, for instance where the "file" driver writes.
        std::vector<std::pair<std::string, std::string>> driverSettings;
        float gain = 1.0F;
    };

    // The piece is given as the file's bytes, already checked, with what the
    // check found. Null if no SoundFont loads or no audio output opens; where
    // none can open, nothing is built at all. Only plain files are taken as
    // SoundFonts.
    static std::unique_ptr<FluidMidiDevice> create(const QByteArray& midiFile,
                                                   const MidiFileInfo& info, const Setup& setup);

    // Stops the player, then deletes the audio output, the player, the
    // synthesiser and the settings, in that order. Waits at most 300 ms for
    // the audio output's thread; if that is stuck in its output, the rest is
    // deleted on another thread once it lets go.
    ~FluidMidiDevice() override;

    FluidMidiDevice(const FluidMidiDevice&) = delete;
    FluidMidiDevice& operator=(const FluidMidiDevice&) = delete;

    bool play() override;
    bool stop() override;
    bool seekToStart() override;
    Mode mode() override;
    // While the piece plays: the rest of it at the file's fastest tempo, less
    // more than the output can have rendered ahead.
    std::chrono::milliseconds quietFor() override;

    // Offline only: synthesises the next frames into two channels. False, and
    // nothing written, when an audio driver does the rendering.
    bool render(float* left, float* right, int frames);

    bool hasAudioDriver() const { return m_driver || m_output; }
    // Where the player is in the piece.
    int currentTick() const;

    static constexpr int sampleRate = 44100;
    static constexpr int polyphony = 128;

private:
    FluidMidiDevice() = default;

    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    _fluid_player_t* m_player = nullptr;
    // At most one of the two renders: FluidSynth's driver or our own.
    _fluid_audio_driver_t* m_driver = nullptr;
    std::unique_ptr<PulseOutput> m_output;
    // Read by the synthesiser until it is deleted.
    std::shared_ptr<PlainFile> m_soundFontFile;
    bool build(const QByteArray& midiFile, const Setup& setup);

    int m_lengthTicks = 0;
    int m_ticksPerBeat = 0;
    int m_fastestTempo = 0;
    bool m_playing = false;
    // A rewind was asked for and the player has not yet been seen back
    // before the end; until then the piece counts as playing, so that the
    // watchdog does not rewind it again.
    bool m_rewinding = false;
};

} // namespace hanashi
