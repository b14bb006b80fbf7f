// SPDX-License-Identifier: MIT
// The tune played live for 30 s through the game's own audio output, with the
// watchdog ticking every 10 ms; core_pct is this process's share of one core
// (synthesis thread included). Needs a sound server or card: without one the
// benchmark reports that nothing opened. On a machine without either, a
// PulseAudio daemon with a null sink serves (module-null-sink, then point
// PULSE_SERVER at its socket).
#include "music/MusicModule.h"
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"

#include <QDir>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

using namespace hanashi;

QString tunePath() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty())
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral(".."));
    return QDir::cleanPath(QDir(root).filePath(QStringLiteral("dat/bgm.mid")));
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_PlayTuneLive30s(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr auto length = std::chrono::seconds(30);
    for (auto _ : state) {
        // The game's engine, but opened at once rather than in the background:
        // whether an audio output opened is then known before the clock
        // starts, and playing is the same either way.
        MciInterpreter mci(std::make_unique<FluidMidiEngine>());
        MusicModule music(mci);
        music.OpenMusic(tunePath());
        QString reply;
        if (mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15) != 0) {
            state.SkipWithError("no audio output opened");
            return;
        }
        music.PlayMusic();
        const double cpuStart = processCpuSeconds();
        const auto start = Clock::now();
        auto next = start;
        while (Clock::now() - start < length) {
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
            music.BgmTim_Timer();
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["core_pct"] = 100.0 * (processCpuSeconds() - cpuStart) / wall;
        music.StopMusic();
        music.CloseMusic();
    }
}
BENCHMARK(BM_PlayTuneLive30s)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
