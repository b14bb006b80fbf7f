// SPDX-License-Identifier: MIT
#pragma once

namespace hanashi {

// FluidSynth, ALSA, GLib and libinstpatch print their own lines on the
// terminal; a game has none to talk to. Once silenced (idempotent, for the
// whole process), what FluidSynth reports as an error is only counted, per
// thread, so that a load can tell whether it went wrong where FluidSynth
// carries on regardless (a sample it cannot read is merely disabled).
void silenceLibraryMessages();

// FluidSynth's errors reported on the calling thread since it started.
int fluidSynthErrorsOnThisThread();

} // namespace hanashi
