// SPDX-License-Identifier: MIT
#include "music/MusicModule.h"
#include "platform/MciInterpreter.h"
#include "support/FakeMidiFiles.h"
#include "support/WatchedFluidEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace hanashi {
namespace {

constexpr int rate = FluidMidiDevice::sampleRate;
constexpr int tickFrames = rate / 100; // the watchdog runs every 10 ms
constexpr int windowFrames = rate / 1000;
constexpr float silence = 1e-3F; // about -60 dBFS

// The game's music on real FluidSynth, rendered offline: the watchdog is
// called between blocks of 10 ms as the timer would call it.
class OfflineGame {
public:
    explicit OfflineGame(const QString& path)
        : OfflineGame(path, std::make_unique<WatchedFluidEngine>([] {
                          FluidMidiEngine::Options options;
                          options.output = FluidMidiEngine::Output::Offline;
                          return options;
                      }())) {}

    FluidMidiDevice* device() const { return m_device; }

    // Renders ticks of 10 ms; keeps the peak of each 1 ms window.
    void run(int ticks, std::vector<float>* windowPeaks = nullptr) {
        std::vector<float> left(tickFrames);
        std::vector<float> right(tickFrames);
        for (int t = 0; t < ticks; ++t) {
            m_music.BgmTim_Timer();
            m_device->render(left.data(), right.data(), tickFrames);
            for (int w = 0; windowPeaks && w < tickFrames / windowFrames; ++w) {
                float peak = 0;
                for (int i = w * windowFrames; i < (w + 1) * windowFrames; ++i)
                    peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
                windowPeaks->push_back(peak);
            }
        }
    }

private:
    OfflineGame(const QString& path, std::unique_ptr<WatchedFluidEngine> engine)
        : m_engine(*engine)
        , m_mci(std::move(engine))
        , m_music(m_mci) {
        m_music.OpenMusic(path);
        m_music.PlayMusic();
        m_device = m_engine.device();
    }

    WatchedFluidEngine& m_engine;
    MciInterpreter m_mci;
    MusicModule m_music;
    FluidMidiDevice* m_device = nullptr;
};

// Longest run of silent 1 ms windows, in ms.
int longestSilence(const std::vector<float>& windowPeaks) {
    int longest = 0;
    int run = 0;
    for (float peak : windowPeaks) {
        run = peak < silence ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Waiting for FluidSynth's own end of play would leave two seconds of
// silence; the watchdog must pick up the end within its tick.
TEST(MusicLoop, TheBundledTuneLoopsWithoutAnAudibleGap) {
    OfflineGame game(FakeMidiFiles::bundledTunePath());
    ASSERT_NE(game.device(), nullptr);
    game.run(59 * 100);
    std::vector<float> peaks;
    game.run(3 * 100, &peaks); // 59 s to 62 s, across the end at 60 s
    EXPECT_LE(longestSilence(peaks), 10);
    // Back at the start: two seconds in at 72 beats a minute.
    EXPECT_NEAR(game.device()->currentTick(), 2 * 72 * 480 / 60, 24);
    EXPECT_GT(*std::max_element(peaks.end() - 1000, peaks.end()), 0.05F);
}

// One held organ note, a second long, leaves nothing but the restart itself
// to fill the loop point, several times over.
TEST(MusicLoop, AHeldNoteRestartsWithinOneTickEachTime) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("held.mid"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(FakeMidiFiles::heldNote(960)); // 1 s at the default 120 beats a minute
    file.close();

    OfflineGame game(path);
    ASSERT_NE(game.device(), nullptr);
    std::vector<float> peaks;
    game.run(5 * 100 + 50, &peaks);
    EXPECT_LE(longestSilence(peaks), 10);
    // Half a second after the fifth loop point, less what the restarts cost:
    // at most one watchdog tick and one synthesis block each (10 + 1.5 ms,
    // at 0.96 ticks per ms).
    EXPECT_LE(game.device()->currentTick(), 480);
    EXPECT_GE(game.device()->currentTick(), 480 - 5 * 12);
}

} // namespace
} // namespace hanashi
