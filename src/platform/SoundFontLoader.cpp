// SPDX-License-Identifier: MIT
#include "platform/SoundFontLoader.h"

#include "platform/LibraryMessages.h"
#include "platform/MidiTune.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <fluidsynth.h>

namespace hanashi {

namespace {

// SF2 and SF3 are RIFF files of form "sfbk". Anything else is not handed to
// FluidSynth, whose fallback loader for other RIFF forms prints assertions
// on the terminal when fed garbage. Only a plain file is looked at: a named
// pipe or a device beside the tune must not hold up or feed the load.
std::optional<PlainFile> openSoundFont(const QString& path) {
    try {
        PlainFile file = PlainFile::open(path);
        char head[12] = {};
        const std::int64_t filled = file.readFully(head, 12);
        const QByteArray bytes(head, static_cast<qsizetype>(filled));
        if (filled == 12 && bytes.startsWith("RIFF") && bytes.endsWith("sfbk"))
            return file;
    } catch (const RuntimeError&) {
    }
    return std::nullopt;
}

// Goes through the tune's program choices on the synthesiser itself, so that
// FluidSynth's own rules decide which instrument each one selects (banks,
// the drum channel, substitutes for missing ones, system exclusive messages
// that change a channel's kind), and pins each instrument selected, with the
// ones a channel starts with. With dynamic sample loading a pinned
// instrument's samples are read at once and kept.
void pinInstruments(fluid_synth_t* synth, int soundFont, const MidiTune& tune) {
    const auto pinSelected = [&](int first, int last) {
        for (int channel = first; channel <= last; ++channel) {
            int font = 0;
            int bank = 0;
            int program = 0;
            if (fluid_synth_get_program(synth, channel, &font, &bank, &program) == FLUID_OK &&
                font == soundFont)
                fluid_synth_pin_preset(synth, font, bank, program);
        }
    };
    const int lastChannel = fluid_synth_count_midi_channels(synth) - 1;
    pinSelected(0, lastChannel);
    for (const MidiTune::Event& event : tune.events()) {
        const int channel = event.status() & 0x0F;
        switch (event.status() & 0xF0) {
        case 0xB0:
            if (event.data1() == 0 || event.data1() == 32) // bank select
                fluid_synth_cc(synth, channel, event.data1(), event.data2());
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, event.data1());
            pinSelected(channel, channel);
            break;
        case 0xF0: {
            const QByteArrayView bytes = tune.sysex(event);
            fluid_synth_sysex(synth, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                              nullptr, 0);
            pinSelected(0, lastChannel);
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

std::optional<PlainFile> loadSoundFontFor(fluid_synth_t* synth, const MidiTune& tune,
                                          const QStringList& candidates) {
    for (const QString& path : candidates) {
        std::optional<PlainFile> file = openSoundFont(path);
        if (!file)
            continue;
        // FluidSynth opens the file by name; the descriptor's own link names
        // the very file that was checked, whatever the folder holds by then.
        const int errorsBefore = fluidSynthErrorsOnThisThread();
        const int font =
            fluid_synth_sfload(synth, QFile::encodeName(file->reopenPath()).constData(), 1);
        if (font < 0)
            continue;
        pinInstruments(synth, font, tune);
        fluid_synth_system_reset(synth);
        // A sample that cannot be read (a file cut short, say) FluidSynth
        // only reports, and plays the instrument without it.
        if (fluidSynthErrorsOnThisThread() == errorsBefore)
            return file;
        fluid_synth_sfunload(synth, font, 1);
    }
    return std::nullopt;
}

} // namespace hanashi
