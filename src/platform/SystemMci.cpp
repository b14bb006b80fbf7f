// SPDX-License-Identifier: MIT
#include "platform/SystemMci.h"

#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"

namespace hanashi {

std::unique_ptr<Mci> createSystemMci(Workers& workers, LoadHold& hold) {
    // Loading the SoundFont would hold up the window's first frame, which
    // need not wait for it (bench/RESULTS.md).
    FluidMidiEngine::Options options;
    options.workers = &workers;
    return std::make_unique<MciInterpreter>(std::make_unique<FluidMidiEngine>(options),
                                            MciInterpreter::Background{workers, &hold});
}

} // namespace hanashi
