// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FluidMidiDevice.h"
#include "platform/FluidMidiEngine.h"
#include "platform/MidiEngine.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace hanashi {

// The real FluidSynth engine, keeping a pointer to each device it opens for
// as long as the device lives, so that a test or a benchmark can render and
// read the very device an interpreter drives. An interpreter that loads in
// the background opens and closes devices on its workers: everything here
// may be called from any thread. Like any engine it must outlive its
// devices, which the interpreter sees to.
class WatchedFluidEngine : public MidiEngine {
public:
    explicit WatchedFluidEngine(FluidMidiEngine::Options options);

    std::unique_ptr<MidiDevice> open(const QString& path) override;

    // The newest device that still lives; null if none does.
    FluidMidiDevice* device() const;
    // The same, waiting up to wait for an open still under way to give one.
    FluidMidiDevice* waitForDevice(std::chrono::milliseconds wait) const;
    // How many of the devices opened still live.
    int liveDevices() const;

private:
    class Watched;
    void forget(const Watched* device);

    FluidMidiEngine m_engine;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_opened;
    std::vector<std::pair<const Watched*, FluidMidiDevice*>> m_live;
};

// engine.open(path) as the device it is, for rendering offline; null when
// the engine refuses the file.
std::unique_ptr<FluidMidiDevice> openFluid(FluidMidiEngine& engine, const QString& path);

} // namespace hanashi
