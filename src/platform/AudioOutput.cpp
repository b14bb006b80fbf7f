// SPDX-License-Identifier: MIT
#include "platform/AudioOutput.h"

#include "platform/FluidDriverOutput.h"
#include "platform/PulseOutput.h"

#include <alsa/asoundlib.h>

namespace hanashi {

namespace {

// The name in AudioOutputChoice::names that stands for PulseOutput.
constexpr const char* pulseOutputName = "pulseaudio";

// Whether ALSA's device for FluidSynth's driver opens at all, tried without
// waiting for a busy device; it is closed again at once.
bool alsaDeviceOpens(const AudioOutputChoice& choice) {
    std::string name = "default";
    for (const auto& [key, value] : choice.driverSettings)
        if (key == "audio.alsa.device")
            name = value;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

} // namespace

std::vector<std::unique_ptr<AudioOutput>> availableAudioOutputs(const AudioOutputChoice& choice) {
    std::vector<std::unique_ptr<AudioOutput>> found;
    bool server = false;
    for (const std::string& name : choice.names) {
        if (name == pulseOutputName) {
            if (server)
                continue;
            if (std::unique_ptr<PulseOutput> pulse = PulseOutput::connect()) {
                found.push_back(std::move(pulse));
                server = true;
            }
        } else if (name != "alsa" || server || alsaDeviceOpens(choice)) {
            found.push_back(std::make_unique<FluidDriverOutput>(name, choice.driverSettings));
        }
    }
    return found;
}

} // namespace hanashi
