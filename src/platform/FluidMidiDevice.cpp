// SPDX-License-Identifier: MIT
#include "platform/FluidMidiDevice.h"

#include <QFile>
#include <chrono>
#include <fluidsynth.h>
#include <future>
#include <system_error>
#include <thread>

namespace hanashi {

namespace {

// How long closing waits for the audio thread to let go.
constexpr std::chrono::milliseconds driverReleaseWait{300};

// SF2 and SF3 are RIFF files of form "sfbk". Anything else is not handed to
// FluidSynth, whose fallback loader for other RIFF forms prints assertions
// on the terminal when fed garbage.
bool looksLikeSoundFont(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.endsWith("sfbk");
}

} // namespace

std::unique_ptr<FluidMidiDevice> FluidMidiDevice::create(const QByteArray& midiFile,
                                                         int lengthTicks, const Setup& setup) {
    // Built step by step; on any failure the destructor releases what exists.
    std::unique_ptr<FluidMidiDevice> device(new FluidMidiDevice);
    device->m_lengthTicks = lengthTicks;

    device->m_settings = new_fluid_settings();
    if (!device->m_settings)
        return nullptr;
    fluid_settings_setnum(device->m_settings, "synth.sample-rate", sampleRate);
    // Every period is a round trip to the sound server, and those, more than
    // the synthesis, are what the music costs: playing the tune through
    // PulseAudio (bench_music_live, watchdog included) took 7 % of a core with
    // 512 x 4 and 4 % with 2048 x 4; FluidSynth's defaults (64 x 16) take a
    // fifth. The price is some 190 ms of buffering, which background music
    // never notices.
    fluid_settings_setint(device->m_settings, "audio.period-size", 2048);
    fluid_settings_setint(device->m_settings, "audio.periods", 4);

    device->m_synth = new_fluid_synth(device->m_settings);
    if (!device->m_synth)
        return nullptr;

    // The audio output comes before the SoundFont: without one, the 6 MB
    // file is never read (some 30 ms and 13 MB at its peak). Until the
    // SoundFont is in, the synthesiser plays silence.
    if (!setup.drivers.empty()) {
        for (const auto& [name, value] : setup.driverSettings)
            fluid_settings_setstr(device->m_settings, name.c_str(), value.c_str());
        for (const std::string& name : setup.drivers) {
            fluid_settings_setstr(device->m_settings, "audio.driver", name.c_str());
            device->m_driver = new_fluid_audio_driver(device->m_settings, device->m_synth);
            if (device->m_driver)
                break;
        }
        if (!device->m_driver)
            return nullptr;
    }

    for (const QString& path : setup.soundFonts) {
        if (looksLikeSoundFont(path) &&
            fluid_synth_sfload(device->m_synth, QFile::encodeName(path).constData(), 1) >= 0) {
            device->m_soundFont = path;
            break;
        }
    }
    if (device->m_soundFont.isEmpty())
        return nullptr;
    fluid_synth_set_gain(device->m_synth, setup.gain);

    // Handed the bytes that were checked, not the path: the file cannot change
    // between the check and the player reading it.
    device->m_player = new_fluid_player(device->m_synth);
    if (!device->m_player || fluid_player_add_mem(device->m_player, midiFile.constData(),
                                                  static_cast<size_t>(midiFile.size())) != FLUID_OK)
        return nullptr;
    // Only a device that opened reports its teardown.
    device->m_teardownObserver = setup.teardownObserver;
    return device;
}

FluidMidiDevice::~FluidMidiDevice() {
    const bool driverWasOpen = m_driver != nullptr;
    const auto step = [this](const char* name) {
        if (m_teardownObserver)
            m_teardownObserver(name);
    };
    // The player goes quiet first, so that the audio thread is no longer
    // feeding it when the driver is joined; a player still at work there can
    // keep the join from returning.
    if (m_player) {
        fluid_player_stop(m_player);
        step("player stopped");
        fluid_synth_all_sounds_off(m_synth, -1);
        delete_fluid_player(m_player);
        m_player = nullptr;
        step("player deleted");
    }
    // The rest goes with the audio thread. Joining it usually takes one
    // period, but the thread can sit in its output for as long as the sound
    // server pleases (a stalled server, a null sink's half second), and the
    // program's end must not wait for that. So the release runs on a thread
    // of its own and is waited for only a moment; past that it finishes in
    // the background (or not at all, as the process ends). It owns all it
    // touches, and nothing here touches those objects again.
    auto release = std::make_shared<std::packaged_task<void()>>(
        [driver = m_driver, synth = m_synth, settings = m_settings, observer = m_teardownObserver] {
            const auto done = [&observer](const char* name) {
                if (observer)
                    observer(name);
            };
            if (driver) {
                delete_fluid_audio_driver(driver);
                done("driver deleted");
            }
            if (synth) {
                delete_fluid_synth(synth);
                done("synth deleted");
            }
            if (settings) {
                delete_fluid_settings(settings);
                done("settings deleted");
            }
        });
    m_driver = nullptr;
    m_synth = nullptr;
    m_settings = nullptr;
    if (!driverWasOpen) {
        (*release)();
        return;
    }
    std::future<void> released = release->get_future();
    try {
        std::thread([release] { (*release)(); }).detach();
    } catch (const std::system_error&) {
        (*release)(); // no thread to spare: wait after all
        return;
    }
    released.wait_for(driverReleaseWait);
}

bool FluidMidiDevice::play() {
    m_playing = true;
    return fluid_player_play(m_player) == FLUID_OK;
}

bool FluidMidiDevice::stop() {
    m_playing = false;
    const bool stopped = fluid_player_stop(m_player) == FLUID_OK;
    // The player only releases its notes; cut them and their tails at once.
    fluid_synth_all_sounds_off(m_synth, -1);
    return stopped;
}

bool FluidMidiDevice::seekToStart() {
    // FluidSynth refuses a second seek while one is pending; that one already
    // goes to the start.
    if (fluid_player_seek(m_player, 0) == FLUID_OK) {
        m_rewinding = true;
        return true;
    }
    return m_rewinding;
}

MidiDevice::Mode FluidMidiDevice::mode() {
    if (!m_playing)
        return Mode::Stopped;
    const int tick = fluid_player_get_current_tick(m_player);
    const int status = fluid_player_get_status(m_player);
    if (m_rewinding) {
        if (status != FLUID_PLAYER_PLAYING || tick >= m_lengthTicks)
            return Mode::Playing;
        m_rewinding = false;
    }
    // The player itself says DONE only some two seconds after the last note
    // has died away; the end of the piece is when its last tick has passed.
    if (status != FLUID_PLAYER_PLAYING || tick >= m_lengthTicks)
        return Mode::Stopped;
    return Mode::Playing;
}

bool FluidMidiDevice::render(float* left, float* right, int frames) {
    if (m_driver || frames < 0)
        return false;
    return fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

int FluidMidiDevice::currentTick() const {
    return fluid_player_get_current_tick(m_player);
}

int FluidMidiDevice::activeVoiceCount() const {
    return fluid_synth_get_active_voice_count(m_synth);
}

} // namespace hanashi
