#include "platform/Mci.h"

#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"

namespace hanashi {

std::unique_ptr<Mci> createSystemMci() {
    return std::make_unique<MciInterpreter>(std::make_unique<FluidMidiEngine>());
}

} // namespace hanashi
