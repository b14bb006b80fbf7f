// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AudioOutput.h"

#include <string>
#include <utility>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_audio_driver_t;

namespace hanashi {

// One of FluidSynth's own audio drivers (ALSA where there is no sound
// server) in its callback mode, so that the source decides what is rendered.
// Such a driver fills whole periods: the source cannot hold at the end of a
// piece, and a restart is heard up to a period late.
class FluidDriverOutput final : public AudioOutput {
public:
    FluidDriverOutput(std::string driver,
                      std::vector<std::pair<std::string, std::string>> settings);
    // Deletes the driver, which joins its thread, then its settings.
    ~FluidDriverOutput() override;
    FluidDriverOutput(const FluidDriverOutput&) = delete;
    FluidDriverOutput& operator=(const FluidDriverOutput&) = delete;

    bool start(SoundSource& source, int sampleRate) override;
    std::chrono::milliseconds renderedAhead() const override;

    // Every period is a round trip to the sound system, and those, more than
    // the synthesis, are what the music costs; the price of large periods is
    // some 190 ms of buffering, which background music never notices.
    static constexpr int PeriodFrames = 2048;
    static constexpr int Periods = 4;

private:
    static int onAudio(void* source, int frames, int effectCount, float* effects[], int outputCount,
                       float* outputs[]);

    std::string m_driverName;
    std::vector<std::pair<std::string, std::string>> m_settingValues;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_audio_driver_t* m_driver = nullptr;
    std::chrono::milliseconds m_renderedAhead{0};
};

} // namespace hanashi
