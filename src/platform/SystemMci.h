// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"

#include <memory>

namespace hanashi {

class LoadHold;
class Workers;

// The FluidSynth-backed interpreter the game uses, opening in the background
// on workers, with loads held back while hold is held. Never fails to
// construct: on a machine without a SoundFont or audio output every open
// fails (the alias is gone by the next command) and the game runs silently.
// The workers and the hold must outlive it.
std::unique_ptr<Mci> createSystemMci(Workers& workers, LoadHold& hold);

} // namespace hanashi
