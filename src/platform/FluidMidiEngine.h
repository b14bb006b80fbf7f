// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FluidMidiDevice.h"
#include "platform/MidiEngine.h"

#include <QStringList>
#include <string>
#include <vector>

namespace hanashi {

class Workers;

// Opens MIDI files on FluidSynth: a file the tune reader accepts, played with
// the first SoundFont that can play it. Constructing one silences the sound
// libraries' messages for the whole process: a game has no terminal to talk
// to.
class FluidMidiEngine : public MidiEngine {
public:
    enum class Output { AudioDriver, Offline };

    struct Options {
        Output output = Output::AudioDriver;
        // Never FluidSynth's own default: that is whatever the settings say.
        std::vector<std::string> drivers = {"pulseaudio", "alsa"};
        // Used when the tune's folder holds no SoundFont. TimGM6mb is named by
        // its own path because the General MIDI link may point elsewhere.
        QStringList fallbackSoundFonts = {
            QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3"),
        };
        // The bundled tune with TimGM6mb at a good level, well clear of
        // clipping (bench_music's BM_TuneLevel).
        float gain = 1.6F;
        // Where a device's slow release finishes; without, it is waited for.
        Workers* workers = nullptr;
    };

    FluidMidiEngine();
    explicit FluidMidiEngine(Options options);

    // A FluidMidiDevice, which renders offline when the options say so.
    std::unique_ptr<MidiDevice> open(const QString& path) override;

    // SoundFonts (.sf2, .sf3) beside the tune, by name, then the fallbacks.
    QStringList soundFontsFor(const QString& tunePath) const;

private:
    Options m_options;
};

} // namespace hanashi
