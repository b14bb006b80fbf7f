// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace hanashi {

// The calls by which the program silences the synthesiser and ends its
// objects and the sound outputs, journalled by name in the order
// they return, from whatever thread they are made. A link seam: the test
// executable is linked with the linker's --wrap for each of them (see
// tests/CMakeLists.txt), so the program's calls pass through FluidCalls.cpp
// on their way to the library, and the program knows nothing of it.
namespace FluidCalls {

// What was journalled since the last clear(): "fluid_synth_all_sounds_off",
// "delete_fluid_audio_driver", "pa_threaded_mainloop_stop" (the sound
// server's output joining its thread), "delete_fluid_synth",
// "delete_fluid_settings".
QStringList journal();
void clear();

} // namespace FluidCalls

} // namespace hanashi
