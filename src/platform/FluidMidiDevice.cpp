// SPDX-License-Identifier: MIT
#include "platform/FluidMidiDevice.h"

#include "platform/PlainFile.h"
#include "platform/PulseOutput.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <alsa/asoundlib.h>
#include <chrono>
#include <fluidsynth.h>
#include <functional>
#include <future>
#include <optional>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hanashi {

namespace {

// The name in Setup::drivers that stands for PulseOutput.
constexpr const char* pulseOutputName = "pulseaudio";

// More than any output renders ahead of what is heard: PulseOutput queues
// 300 ms, FluidSynth's ALSA driver four periods of 2048 frames (186 ms).
constexpr std::chrono::milliseconds renderedAhead{1000};

// How long closing waits for the audio thread to let go.
constexpr std::chrono::milliseconds driverReleaseWait{300};

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

// Whether ALSA's device for FluidSynth's driver opens at all, tried without
// waiting for a busy device; it is closed again at once.
bool alsaDeviceOpens(const FluidMidiDevice::Setup& setup) {
    std::string name = "default";
    for (const auto& [key, value] : setup.driverSettings)
        if (key == "audio.alsa.device")
            name = value;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

// Runs work on a thread of the lowest priority and waits for it. Building a
// synthesiser and reading a SoundFont take enough CPU to hold up the
// window's first frame on a two-core machine (bench/RESULTS.md). On
// Linux the nice value belongs to the thread (setpriority with a thread id),
// and threads inherit it: the audio output, whose thread must not be
// starved, is therefore started afterwards on the calling thread, which
// keeps its own priority.
void atLowPriority(const std::function<void()>& work) {
    try {
        std::thread([&work] {
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
            work();
        }).join();
    } catch (const std::system_error&) {
        work(); // no thread to be had: here, then
    }
}

} // namespace

// FluidSynth's rule for the objects' lifetimes: as soon as an audio driver
// exists, the synthesiser renders, so "the audio driver should always be the
// last one to be created and the first one to be deleted". The same holds
// for PulseOutput's stream. The SoundFont, the player and its tune are
// therefore all in place before an output starts, and nothing the audio
// thread reads is changed while it runs except through the synthesiser's and
// the player's own thread-safe calls. Which outputs can open at all is found
// out first, without rendering anything, so that a machine without sound
// builds no synthesiser.
std::unique_ptr<FluidMidiDevice>
FluidMidiDevice::create(const QByteArray& midiFile, const MidiFileInfo& info, const Setup& setup) {
    std::unique_ptr<PulseOutput> pulse;
    std::vector<std::string> drivers;
    for (const std::string& name : setup.drivers) {
        if (name == pulseOutputName) {
            if (!pulse && (pulse = PulseOutput::connect()))
                drivers.push_back(name);
        } else if (name != "alsa" || pulse || alsaDeviceOpens(setup)) {
            // ALSA is asked only where no server came before it.
            drivers.push_back(name);
        }
    }
    if (!setup.drivers.empty() && drivers.empty())
        return nullptr;

    // Built step by step; on any failure the destructor releases what exists.
    std::unique_ptr<FluidMidiDevice> device(new FluidMidiDevice);
    device->m_lengthTicks = info.lengthTicks;
    device->m_ticksPerBeat = info.ticksPerBeat;
    device->m_fastestTempo = info.fastestTempo;
    bool built = false;
    atLowPriority([&] { built = device->build(midiFile, setup); });
    if (!built)
        return nullptr;

    if (!setup.drivers.empty()) {
        for (const auto& [name, value] : setup.driverSettings)
            fluid_settings_setstr(device->m_settings, name.c_str(), value.c_str());
        for (const std::string& name : drivers) {
            // PulseAudio is played through our own output, in the server's
            // format and with a large buffer, not through FluidSynth's
            // driver for it (float samples, a short buffer, and a media role
            // set with setenv on this loading thread while the GUI thread
            // reads the environment).
            if (name == pulseOutputName) {
                if (pulse->start(device->m_synth, sampleRate)) {
                    device->m_output = std::move(pulse);
                    break;
                }
                pulse.reset();
                continue;
            }
            fluid_settings_setstr(device->m_settings, "audio.driver", name.c_str());
            device->m_driver = new_fluid_audio_driver(device->m_settings, device->m_synth);
            if (device->m_driver)
                break;
        }
        if (!device->hasAudioDriver())
            return nullptr;
    }
    return device;
}

bool FluidMidiDevice::build(const QByteArray& midiFile, const Setup& setup) {
    m_settings = new_fluid_settings();
    if (!m_settings)
        return false;
    fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
    // For FluidSynth's own drivers (ALSA, where there is no PulseAudio):
    // every period is a round trip to the sound system, and those, more than
    // the synthesis, are what the music costs; the price of large periods is
    // some 190 ms of buffering, which background music never notices.
    fluid_settings_setint(m_settings, "audio.period-size", 2048);
    fluid_settings_setint(m_settings, "audio.periods", 4);
    // A SoundFont's samples are read when an instrument is first chosen, so
    // only the tune's instruments are ever held.
    fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
    // Every voice the synthesiser may sound is allocated up front. 128 voices
    // leave busy General MIDI music room to spare, at half the memory of
    // FluidSynth's default 256 (bench/RESULTS.md).
    fluid_settings_setint(m_settings, "synth.polyphony", polyphony);

    m_synth = new_fluid_synth(m_settings);
    if (!m_synth)
        return false;

    for (const QString& path : setup.soundFonts) {
        std::optional<PlainFile> file = openSoundFont(path);
        // FluidSynth opens the file by name, now and again whenever it reads
        // samples; the descriptor's own link names the very file that was
        // checked, whatever the folder holds by then, so the descriptor stays
        // open as long as the synthesiser.
        if (file && fluid_synth_sfload(m_synth, QFile::encodeName(file->reopenPath()).constData(),
                                       1) >= 0) {
            m_soundFontFile = std::make_shared<PlainFile>(std::move(*file));
            break;
        }
    }
    if (!m_soundFontFile)
        return false;
    fluid_synth_set_gain(m_synth, setup.gain);

    // Handed the bytes that were checked, not the path: the file cannot change
    // between the check and the player reading it.
    m_player = new_fluid_player(m_synth);
    return m_player && fluid_player_add_mem(m_player, midiFile.constData(),
                                            static_cast<size_t>(midiFile.size())) == FLUID_OK;
}

FluidMidiDevice::~FluidMidiDevice() {
    // The player goes quiet first, so that the audio thread has nothing left
    // to play while the driver is joined.
    if (m_player) {
        fluid_player_stop(m_player);
        fluid_synth_all_sounds_off(m_synth, -1);
    }
    // Then the audio output, first of all to go, and only after it the player,
    // the synthesiser and the settings. Joining the audio thread usually
    // takes one period, but the thread can sit in its output for as long as
    // the sound server pleases (a stalled server, a null sink's half second),
    // and the program's end must not wait for that. So the release runs on a
    // thread of its own and is waited for only a moment; past that it
    // finishes in the background (or not at all, as the process ends). It
    // owns all it touches, and nothing here touches those objects again.
    const bool driverWasOpen = hasAudioDriver();
    auto release = std::make_shared<std::packaged_task<void()>>(
        [driver = m_driver, output = std::move(m_output), player = m_player, synth = m_synth,
         settings = m_settings, soundFontFile = std::move(m_soundFontFile)]() mutable {
            // Either output joins its thread here; after that nothing renders.
            if (driver)
                delete_fluid_audio_driver(driver);
            output.reset();
            if (player)
                delete_fluid_player(player);
            if (synth)
                delete_fluid_synth(synth);
            if (settings)
                delete_fluid_settings(settings);
            soundFontFile.reset();
        });
    m_driver = nullptr;
    m_player = nullptr;
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
    // The player only releases its notes; cut them and their tails at once,
    // and what is already queued for the ear.
    fluid_synth_all_sounds_off(m_synth, -1);
    if (m_output)
        m_output->flush();
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

std::chrono::milliseconds FluidMidiDevice::quietFor() {
    if (mode() != Mode::Playing || m_rewinding || m_ticksPerBeat <= 0)
        return std::chrono::milliseconds::zero();
    // The rest of the piece at its fastest tempo, less what the output may
    // have rendered ahead of the ear: the player's position runs ahead by up
    // to the output's buffer.
    const std::int64_t ticksLeft =
        std::max(0, m_lengthTicks - fluid_player_get_current_tick(m_player));
    const std::chrono::microseconds left(ticksLeft * m_fastestTempo / m_ticksPerBeat);
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(left) - renderedAhead;
    return std::max(quiet, std::chrono::milliseconds::zero());
}

bool FluidMidiDevice::render(float* left, float* right, int frames) {
    if (hasAudioDriver() || frames < 0)
        return false;
    return fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

int FluidMidiDevice::currentTick() const {
    return fluid_player_get_current_tick(m_player);
}

} // namespace hanashi
