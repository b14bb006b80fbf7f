// SPDX-License-Identifier: MIT
#include "platform/FluidDriverOutput.h"

#include "platform/SoundSource.h"

#include <fluidsynth.h>

namespace hanashi {

FluidDriverOutput::FluidDriverOutput(std::string driver,
                                     std::vector<std::pair<std::string, std::string>> settings)
    : m_driverName(std::move(driver))
    , m_settingValues(std::move(settings)) {}

FluidDriverOutput::~FluidDriverOutput() {
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool FluidDriverOutput::start(SoundSource& source, int sampleRate) {
    m_settings = new_fluid_settings();
    if (!m_settings)
        return false;
    fluid_settings_setstr(m_settings, "audio.driver", m_driverName.c_str());
    fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(m_settings, "audio.period-size", PeriodFrames);
    fluid_settings_setint(m_settings, "audio.periods", Periods);
    for (const auto& [name, value] : m_settingValues)
        fluid_settings_setstr(m_settings, name.c_str(), value.c_str());
    // A period being rendered, the ones queued, and one more for rounding.
    m_renderedAhead = std::chrono::milliseconds(1000LL * PeriodFrames * (Periods + 2) / sampleRate);
    m_driver = new_fluid_audio_driver2(m_settings, onAudio, &source);
    return m_driver != nullptr;
}

std::chrono::milliseconds FluidDriverOutput::renderedAhead() const {
    return m_renderedAhead;
}

// On the driver's thread, with both buffers zeroed by the driver.
int FluidDriverOutput::onAudio(void* source, int frames, int, float*[], int outputCount,
                               float* outputs[]) {
    if (outputCount < 2)
        return FLUID_FAILED;
    static_cast<SoundSource*>(source)->renderFloat(outputs[0], outputs[1], frames, false);
    return FLUID_OK;
}

} // namespace hanashi
