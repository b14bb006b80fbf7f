// SPDX-License-Identifier: MIT
#include "platform/Mci.h"

#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"

namespace hanashi {

std::unique_ptr<Mci> createSystemMci() {
    // Loading the SoundFont takes some 45 ms, which the window's first frame
    // need not wait for.
    return std::make_unique<MciInterpreter>(std::make_unique<FluidMidiEngine>(),
                                            MciInterpreter::Opening::InBackground);
}

} // namespace hanashi
