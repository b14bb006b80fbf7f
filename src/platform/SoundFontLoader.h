// SPDX-License-Identifier: MIT
#pragma once

#include "platform/PlainFile.h"

#include <QStringList>
#include <optional>

struct _fluid_synth_t;

namespace hanashi {

class MidiTune;

// Loads into synth the first of candidates that can play tune: a plain file
// holding an SF2 or SF3 SoundFont, from which every instrument the tune will
// select reads without error. Those instruments are read now, on the calling
// thread, and pinned: nothing is read from the file again while the tune
// plays and restarts, so nothing done to the file afterwards reaches the
// thread that renders. The synthesiser is left reset, as new. Returns the
// file, which must stay open as long as the synthesiser; nothing when no
// candidate loads.
std::optional<PlainFile> loadSoundFontFor(_fluid_synth_t* synth, const MidiTune& tune,
                                          const QStringList& candidates);

} // namespace hanashi
