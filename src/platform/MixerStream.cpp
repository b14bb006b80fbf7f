// SPDX-License-Identifier: MIT
#include "platform/MixerStream.h"

#include <cstdlib>

namespace hanashi {

void nameMixerStream() {
    // No overwrite: a variable the player set, even empty, is theirs.
    ::setenv(MixerStreamVariable, MixerStreamProperties, 0);
}

} // namespace hanashi
