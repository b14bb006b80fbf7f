// SPDX-License-Identifier: MIT
// The music's costs: one watchdog tick against the real FluidSynth device,
// opening the tune, and synthesising it. Run with
//   --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// and read the medians.
#include "music/MusicModule.h"
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"

#include <QDir>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <ctime>
#include <vector>

namespace {

using namespace hanashi;

QString tunePath() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty())
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral(".."));
    return QDir::cleanPath(QDir(root).filePath(QStringLiteral("dat/bgm.mid")));
}

std::unique_ptr<MciInterpreter> offlineMci() {
    FluidMidiEngine::Options options;
    options.output = FluidMidiEngine::Output::Offline;
    return std::make_unique<MciInterpreter>(std::make_unique<FluidMidiEngine>(options));
}

FluidMidiDevice* fluidDevice(MciInterpreter& mci) {
    return dynamic_cast<FluidMidiDevice*>(mci.device(QStringLiteral("MIDI")));
}

void renderSeconds(FluidMidiDevice& device, double seconds) {
    constexpr int block = 512; // one period of the live driver
    std::vector<float> left(block);
    std::vector<float> right(block);
    const long blocks = static_cast<long>(seconds * FluidMidiDevice::sampleRate / block);
    for (long b = 0; b < blocks; ++b)
        device.render(left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The common tick: the piece is playing, the query answers "playing".
void BM_WatchdogTick(benchmark::State& state) {
    auto mci = offlineMci();
    MusicModule music(*mci);
    music.OpenMusic(tunePath());
    music.PlayMusic();
    FluidMidiDevice* device = fluidDevice(*mci);
    if (!device) {
        state.SkipWithError("the tune did not open");
        return;
    }
    renderSeconds(*device, 1.0);
    for (auto _ : state)
        music.BgmTim_Timer();
}
BENCHMARK(BM_WatchdogTick);

// Close and open again, as OpenMusic does, with TimGM6mb; offline, so the
// audio driver's own start (a few ms with pulseaudio) is not included.
void BM_OpenMusic(benchmark::State& state) {
    auto mci = offlineMci();
    MusicModule music(*mci);
    const QString path = tunePath();
    for (auto _ : state)
        music.OpenMusic(path);
    if (!fluidDevice(*mci))
        state.SkipWithError("the tune did not open");
}
BENCHMARK(BM_OpenMusic)->Unit(benchmark::kMillisecond);

// 30 s of the tune synthesised offline; core_pct is the share of one core
// that playing it in real time would take, synthesis alone.
void BM_SynthesiseTune30s(benchmark::State& state) {
    constexpr double seconds = 30.0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto mci = offlineMci();
        MusicModule music(*mci);
        music.OpenMusic(tunePath());
        music.PlayMusic();
        FluidMidiDevice* device = fluidDevice(*mci);
        state.ResumeTiming();
        if (!device) {
            state.SkipWithError("the tune did not open");
            return;
        }
        const double start = processCpuSeconds();
        renderSeconds(*device, seconds);
        cpu += processCpuSeconds() - start;
    }
    state.counters["core_pct"] = 100.0 * cpu / (seconds * double(state.iterations()));
}
BENCHMARK(BM_SynthesiseTune30s)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
