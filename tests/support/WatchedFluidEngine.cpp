// SPDX-License-Identifier: MIT
#include "support/WatchedFluidEngine.h"

#include <algorithm>

namespace hanashi {

// Passes every call on to the real device and tells the engine when it goes.
class WatchedFluidEngine::Watched final : public MidiDevice {
public:
    Watched(WatchedFluidEngine& engine, std::unique_ptr<FluidMidiDevice> device)
        : m_engine(engine)
        , m_device(std::move(device)) {}
    // Forgotten before the real device goes, so that device() never hands
    // out one that is being deleted.
    ~Watched() override { m_engine.forget(this); }

    bool play() override { return m_device->play(); }
    bool stop() override { return m_device->stop(); }
    bool seekToStart() override { return m_device->seekToStart(); }
    Mode mode() override { return m_device->mode(); }
    std::chrono::milliseconds quietFor() override { return m_device->quietFor(); }

private:
    WatchedFluidEngine& m_engine;
    std::unique_ptr<FluidMidiDevice> m_device;
};

WatchedFluidEngine::WatchedFluidEngine(FluidMidiEngine::Options options)
    : m_engine(std::move(options)) {}

std::unique_ptr<MidiDevice> WatchedFluidEngine::open(const QString& path) {
    std::unique_ptr<FluidMidiDevice> device = openFluid(m_engine, path);
    if (!device)
        return nullptr;
    FluidMidiDevice* const real = device.get();
    auto watched = std::make_unique<Watched>(*this, std::move(device));
    {
        const std::lock_guard lock(m_mutex);
        m_live.emplace_back(watched.get(), real);
    }
    m_opened.notify_all();
    return watched;
}

FluidMidiDevice* WatchedFluidEngine::device() const {
    const std::lock_guard lock(m_mutex);
    return m_live.empty() ? nullptr : m_live.back().second;
}

FluidMidiDevice* WatchedFluidEngine::waitForDevice(std::chrono::milliseconds wait) const {
    std::unique_lock lock(m_mutex);
    m_opened.wait_for(lock, wait, [this] { return !m_live.empty(); });
    return m_live.empty() ? nullptr : m_live.back().second;
}

int WatchedFluidEngine::liveDevices() const {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_live.size());
}

void WatchedFluidEngine::forget(const Watched* device) {
    const std::lock_guard lock(m_mutex);
    m_live.erase(std::remove_if(m_live.begin(), m_live.end(),
                                [device](const auto& live) { return live.first == device; }),
                 m_live.end());
}

std::unique_ptr<FluidMidiDevice> openFluid(FluidMidiEngine& engine, const QString& path) {
    std::unique_ptr<MidiDevice> opened = engine.open(path);
    if (!dynamic_cast<FluidMidiDevice*>(opened.get()))
        return nullptr;
    return std::unique_ptr<FluidMidiDevice>(static_cast<FluidMidiDevice*>(opened.release()));
}

} // namespace hanashi
