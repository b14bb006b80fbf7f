// SPDX-License-Identifier: MIT
// The music's costs: one watchdog tick against the real FluidSynth device,
// opening the tune, and synthesising it; and the tune's level at the game's
// gain. Run with
//   --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// and read the medians.
#include "music/MusicModule.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiTune.h"
#include "support/WatchedFluidEngine.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
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

// The game's interpreter over the FluidSynth engine, rendering offline; the
// engine shows the device it opened, to be rendered here.
struct OfflineMusic {
    WatchedFluidEngine* engine;
    MciInterpreter mci;

    OfflineMusic()
        : OfflineMusic(std::make_unique<WatchedFluidEngine>([] {
            FluidMidiEngine::Options options;
            options.output = FluidMidiEngine::Output::Offline;
            return options;
        }())) {}

    FluidMidiDevice* device() const { return engine->device(); }

private:
    explicit OfflineMusic(std::unique_ptr<WatchedFluidEngine> watched)
        : engine(watched.get())
        , mci(std::move(watched)) {}
};

void renderSeconds(FluidMidiDevice& device, double seconds) {
    constexpr int block = 512; // one period of the live driver
    std::vector<float> left(block);
    std::vector<float> right(block);
    const long blocks = static_cast<long>(seconds * FluidMidiDevice::sampleRate / block);
    for (long b = 0; b < blocks; ++b)
        device.render(left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
}

// Opens and plays the bundled tune as the game does; null, with the
// benchmark marked failed, if it did not open.
FluidMidiDevice* playTune(OfflineMusic& offline, MusicModule& music, benchmark::State& state) {
    music.OpenMusic(tunePath());
    music.PlayMusic();
    FluidMidiDevice* device = offline.device();
    if (!device)
        state.SkipWithError("the tune did not open");
    return device;
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The common tick: the piece is playing, the query answers "playing".
void BM_WatchdogTick(benchmark::State& state) {
    OfflineMusic offline;
    MusicModule music(offline.mci);
    FluidMidiDevice* device = playTune(offline, music, state);
    if (!device)
        return;
    renderSeconds(*device, 1.0);
    for (auto _ : state)
        music.BgmTim_Timer();
}
BENCHMARK(BM_WatchdogTick);

// Close and open again, as OpenMusic does, with TimGM6mb; offline, so the
// audio driver's own start (a few ms with pulseaudio) is not included.
void BM_OpenMusic(benchmark::State& state) {
    OfflineMusic offline;
    MusicModule music(offline.mci);
    const QString path = tunePath();
    for (auto _ : state)
        music.OpenMusic(path);
    if (!offline.device())
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
        OfflineMusic offline;
        MusicModule music(offline.mci);
        FluidMidiDevice* device = playTune(offline, music, state);
        state.ResumeTiming();
        if (!device)
            return;
        const double start = processCpuSeconds();
        renderSeconds(*device, seconds);
        cpu += processCpuSeconds() - start;
    }
    state.counters["core_pct"] = 100.0 * cpu / (seconds * double(state.iterations()));
}
BENCHMARK(BM_SynthesiseTune30s)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole tune as the game plays it, at the engine's gain: its peak and
// RMS level in dB below full scale, which the gain was chosen by.
void BM_TuneLevel(benchmark::State& state) {
    double peak = 0;
    double sum = 0;
    double samples = 0;
    for (auto _ : state) {
        OfflineMusic offline;
        MusicModule music(offline.mci);
        FluidMidiDevice* device = playTune(offline, music, state);
        if (!device)
            return;
        constexpr int block = 441;
        std::vector<float> left(block);
        std::vector<float> right(block);
        while (device->mode() == MidiDevice::Mode::Playing) {
            const int rendered = device->render(left.data(), right.data(), block);
            for (int i = 0; i < rendered; ++i) {
                peak = std::max({peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
                sum += double(left[i]) * left[i] + double(right[i]) * right[i];
            }
            samples += 2 * rendered;
        }
    }
    state.counters["peak_dbfs"] = 20 * std::log10(peak);
    state.counters["rms_dbfs"] = 20 * std::log10(std::sqrt(sum / samples));
}
BENCHMARK(BM_TuneLevel)->Unit(benchmark::kMillisecond)->Iterations(1);

// A tune as dense as the tune reader lets through: MaxEventsPerWindow
// messages in every DensityWindow, here as many notes struck and released at
// once on all sixteen channels. core_pct is the share of one core its three
// seconds take offline: it must stay well under one core for the tune to play
// in real time beside the game.
void BM_DensestTune3s(benchmark::State& state) {
    QByteArray events;
    const int notes = MidiTune::MaxEventsPerWindow / 2;
    for (int window = 0; window < 30; ++window) {
        for (int note = 0; note < notes; ++note) {
            const char channel = static_cast<char>(note % 16);
            const char key = static_cast<char>(24 + note % 80);
            // 96 ticks a window at 480 a beat and the default tempo: 100 ms.
            const bool first = note == 0 && window > 0;
            events += first ? QByteArray::fromHex("8060") : QByteArray(1, '\0');
            events += QByteArray(1, char(0x90 | channel)) + key + char(100);
            events += QByteArray(1, '\0') + char(0x80 | channel) + key + char(0);
        }
    }
    events += QByteArray::fromHex("8060ff2f00");
    QByteArray file = QByteArray::fromHex("4d546864000000060000000101e0") + "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8)
        file += char((events.size() >> shift) & 0xFF);
    file += events;
    const MidiTune::Reading reading = MidiTune::read(file);
    if (!reading.tune) {
        state.SkipWithError(reading.refusal.toStdString().c_str());
        return;
    }
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FluidMidiDevice::Setup setup;
        setup.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
        auto device = FluidMidiDevice::create(reading.tune, setup);
        state.ResumeTiming();
        if (!device) {
            state.SkipWithError("no SoundFont");
            return;
        }
        device->play();
        const double start = processCpuSeconds();
        renderSeconds(*device, 3.0);
        cpu += processCpuSeconds() - start;
    }
    state.counters["core_pct"] = 100.0 * cpu / (3.0 * double(state.iterations()));
}
BENCHMARK(BM_DensestTune3s)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
