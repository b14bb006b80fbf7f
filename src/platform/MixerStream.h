// SPDX-License-Identifier: MIT
#pragma once

namespace hanashi {

// What the desktop's volume mixer shows for the game's sound. libpulse, also
// when it talks to PipeWire, reads these properties from the environment
// when the audio output connects, and they replace the ones it would give
// by itself. They name the client; its stream is named "Music" by
// PulseOutput.
inline constexpr const char* MixerStreamVariable = "PULSE_PROP_OVERRIDE";
inline constexpr const char* MixerStreamProperties =
    "application.name='hanashi' application.icon_name='hanashi' media.role='game'";

// Names the game's sound for the mixer, unless the player has already set
// PULSE_PROP_OVERRIDE (even to nothing): then their value stands. Changes
// the environment, so it must run first thing in main, before any thread
// exists and before the sound starts.
void nameMixerStream();

} // namespace hanashi
