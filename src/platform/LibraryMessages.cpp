// SPDX-License-Identifier: MIT
#include "platform/LibraryMessages.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <glib.h>
#include <initializer_list>

namespace hanashi {

namespace {

thread_local int fluidErrors = 0;

void countFluidMessage(int level, const char*, void*) {
    if (level == FLUID_ERR || level == FLUID_PANIC)
        ++fluidErrors;
}

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void ignoreGlibMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

void silenceLibraryMessages() {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, countFluidMessage, nullptr);
    // libasound prints its own lines when there is no sound card.
    snd_lib_error_set_handler(ignoreAlsaMessage);
    // FluidSynth hands a SoundFont it cannot read to libinstpatch, whose
    // failed assertions on a corrupt file go through GLib's log, under no
    // domain of their own.
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_RECURSION);
    for (const char* domain : {static_cast<const char*>(nullptr), "libInstPatch"})
        g_log_set_handler(domain, levels, ignoreGlibMessage, nullptr);
}

int fluidSynthErrorsOnThisThread() {
    return fluidErrors;
}

} // namespace hanashi
