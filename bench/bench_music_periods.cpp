// SPDX-License-Identifier: MIT
// What playing the tune live costs against FluidSynth's audio period size
// (4 periods each), straight on the FluidSynth API as the game's device sets
// it up: core_pct is this process's share of one core over 10 s of play
// (synthesis and the driver's round trips to the sound server). Needs a sound
// server, like bench_music_live; the sizes interleave with
//   --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <fluidsynth.h>
#include <thread>

namespace {

QByteArray tunePath() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty())
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral(".."));
    return QDir::cleanPath(QDir(root).filePath(QStringLiteral("dat/bgm.mid"))).toLocal8Bit();
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void quiet(int, const char*, void*) {}

void BM_PlayTuneLive10s(benchmark::State& state) {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, quiet, nullptr);
    const auto periodSize = static_cast<int>(state.range(0));
    for (auto _ : state) {
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", 44100);
        fluid_settings_setint(settings, "audio.period-size", periodSize);
        fluid_settings_setint(settings, "audio.periods", 4);
        fluid_settings_setstr(settings, "audio.driver", "pulseaudio");
        fluid_synth_t* synth = new_fluid_synth(settings);
        fluid_synth_sfload(synth, "/usr/share/sounds/sf2/TimGM6mb.sf2", 1);
        fluid_player_t* player = new_fluid_player(synth);
        fluid_player_add(player, tunePath().constData());
        fluid_player_set_loop(player, -1);
        fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth);
        if (driver) {
            fluid_player_play(player);
            // The first second fills the server's buffer; it is not counted.
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const double cpuStart = processCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(10));
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.counters["core_pct"] = 100.0 * (processCpuSeconds() - cpuStart) / wall;
            fluid_player_stop(player);
            delete_fluid_audio_driver(driver);
        }
        delete_fluid_player(player);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        if (!driver) {
            state.SkipWithError(
                "no sound server (start one with a null sink, see bench/common.sh)");
            return;
        }
    }
    state.counters["latency_ms"] = 1000.0 * 4 * periodSize / 44100;
}
BENCHMARK(BM_PlayTuneLive10s)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
