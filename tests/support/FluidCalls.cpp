// SPDX-License-Identifier: MIT
#include "support/FluidCalls.h"

#include <fluidsynth.h>
#include <mutex>
#include <pulse/thread-mainloop.h>

namespace hanashi::FluidCalls {

namespace {

std::mutex& journalMutex() {
    static std::mutex mutex;
    return mutex;
}

QStringList& calls() {
    static QStringList journal;
    return journal;
}

} // namespace

void record(const char* call) {
    const std::lock_guard lock(journalMutex());
    calls().append(QLatin1String(call));
}

QStringList journal() {
    const std::lock_guard lock(journalMutex());
    return calls();
}

void clear() {
    const std::lock_guard lock(journalMutex());
    calls().clear();
}

} // namespace hanashi::FluidCalls

// The linker's --wrap=NAME sends the program's calls of NAME here and makes
// __real_NAME the library's own.
extern "C" {

int __real_fluid_synth_all_sounds_off(fluid_synth_t* synth, int channel);
void __real_delete_fluid_audio_driver(fluid_audio_driver_t* driver);
void __real_delete_fluid_synth(fluid_synth_t* synth);
void __real_delete_fluid_settings(fluid_settings_t* settings);
void __real_pa_threaded_mainloop_stop(pa_threaded_mainloop* loop);

int __wrap_fluid_synth_all_sounds_off(fluid_synth_t* synth, int channel) {
    const int result = __real_fluid_synth_all_sounds_off(synth, channel);
    hanashi::FluidCalls::record("fluid_synth_all_sounds_off");
    return result;
}

void __wrap_delete_fluid_audio_driver(fluid_audio_driver_t* driver) {
    __real_delete_fluid_audio_driver(driver);
    hanashi::FluidCalls::record("delete_fluid_audio_driver");
}

void __wrap_delete_fluid_synth(fluid_synth_t* synth) {
    __real_delete_fluid_synth(synth);
    hanashi::FluidCalls::record("delete_fluid_synth");
}

void __wrap_delete_fluid_settings(fluid_settings_t* settings) {
    __real_delete_fluid_settings(settings);
    hanashi::FluidCalls::record("delete_fluid_settings");
}

void __wrap_pa_threaded_mainloop_stop(pa_threaded_mainloop* loop) {
    __real_pa_threaded_mainloop_stop(loop);
    hanashi::FluidCalls::record("pa_threaded_mainloop_stop");
}

} // extern "C"
