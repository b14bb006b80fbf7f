// SPDX-License-Identifier: MIT
#include "music/MusicModule.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiTune.h"
#include "support/FakeMidiFiles.h"
#include "support/NullSinkServer.h"
#include "support/TestFiles.h"
#include "support/WatchedFluidEngine.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace hanashi {
namespace {

constexpr int rate = FluidMidiDevice::sampleRate;
constexpr int tickFrames = rate / 100; // the watchdog runs every 10 ms
constexpr int windowFrames = rate / 1000;
constexpr float silence = 1e-3F; // about -60 dBFS

// The game's music on real FluidSynth, rendered offline: the watchdog is
// called between blocks of 10 ms as the timer would call it, and again
// wherever the device holds at the end of the piece before the block is
// full, as the next tick would while the sound server plays what it has
// queued.
class OfflineGame {
public:
    explicit OfflineGame(const QString& path)
        : OfflineGame(path, std::make_unique<WatchedFluidEngine>([] {
                          FluidMidiEngine::Options options;
                          options.output = FluidMidiEngine::Output::Offline;
                          return options;
                      }())) {}

    FluidMidiDevice* device() const { return m_device; }

    // Renders ticks of 10 ms; keeps the left channel.
    std::vector<float> run(int ticks) {
        std::vector<float> kept;
        std::vector<float> left(tickFrames);
        std::vector<float> right(tickFrames);
        for (int t = 0; t < ticks; ++t) {
            m_music.BgmTim_Timer();
            int done = 0;
            for (int idle = 0; done < tickFrames && idle < 2;) {
                const int got =
                    m_device->render(left.data() + done, right.data() + done, tickFrames - done);
                done += got;
                idle = got ? 0 : idle + 1;
                if (done < tickFrames)
                    m_music.BgmTim_Timer();
            }
            std::fill(left.begin() + done, left.end(), 0.0F);
            kept.insert(kept.end(), left.begin(), left.end());
        }
        return kept;
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
int longestSilence(const std::vector<float>& samples) {
    int longest = 0;
    int run = 0;
    for (std::size_t w = 0; w + windowFrames <= samples.size(); w += windowFrames) {
        float peak = 0;
        for (std::size_t i = w; i < w + windowFrames; ++i)
            peak = std::max(peak, std::fabs(samples[i]));
        run = peak < silence ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Where the sound of the piece's first samples comes again near sample
// `near`: the offset within `within` of it where the samples match them
// best. A restart plays the piece as the first play did, so the match is as
// good as exact.
std::int64_t startNear(const std::vector<float>& samples, std::int64_t near, int length,
                       std::int64_t within) {
    std::int64_t best = -1;
    double bestDifference = 1e30;
    const std::int64_t from = std::max<std::int64_t>(1, near - within);
    const std::int64_t to =
        std::min<std::int64_t>(near + within, std::int64_t(samples.size()) - length);
    for (std::int64_t offset = from; offset <= to; ++offset) {
        double difference = 0;
        for (int i = 0; i < length && difference < bestDifference; ++i) {
            const double d = samples[offset + i] - samples[i];
            difference += d * d;
        }
        if (difference < bestDifference) {
            bestDifference = difference;
            best = offset;
        }
    }
    return best;
}

// The left channel carries a wood block on each loop's first tick; the rest
// of the tune plays on the right. Neither has reverberation or chorus, so the
// left channel is nothing but the loop's marker.
QByteArray marker() {
    return QByteArray::fromHex("00b95b00 00b95d00 00b90a00 00994c64");
}
QByteArray body(const char* events) {
    return QByteArray::fromHex("00b05b00 00b05d00 00b00a7f 00c013") + QByteArray::fromHex(events);
}
// A track of the events, ending endDelta ticks after the last.
QByteArray track(const QByteArray& events, quint32 endDelta) {
    return FakeMidiFiles::track(events + FakeMidiFiles::quantity(endDelta) +
                                QByteArray::fromHex("ff2f00"));
}
QByteArray oneTrack(const QByteArray& events, quint32 endDelta) {
    return FakeMidiFiles::header(0, 1) + track(events, endDelta);
}

// Every loop of a tune starts where the file says its piece ends, whatever
// the tune holds: notes held to the end or dying early, a first tempo late in
// the piece or several, tracks of different lengths, the RIFF wrapper, a
// piece shorter than an output's burst. Ticks are 480 a beat.
TEST(MusicLoop, EachLoopStartsWhereTheFileSaysThePieceEnds) {
    const QByteArray dyingEarly = oneTrack(marker() + body("00903c64 3c803c00"), 900);
    const struct {
        const char* what;
        QByteArray file;
        int loops;
    } tunes[] = {
        // Two beats, 1 s.
        {"notes held to the end", oneTrack(marker() + body("00903c64 8740803c00"), 0), 4},
        {"notes dying early", dyingEarly, 4},
        // 1 s at the default tempo, then 2 s at 60 a minute.
        {"no tempo until the third beat",
         oneTrack(marker() + body("00903c64 3c803c00 8704ff51030f4240"), 960), 3},
        // 0.6 s, 0.4 s and 0.8 s.
        {"three tempos",
         oneTrack(marker() +
                      QByteArray::fromHex("00ff51030927c0 8360ff5103061a80 8360ff51030c3500"),
                  480),
         4},
        // 0.5 s and 1.25 s.
        {"two tracks of different lengths",
         FakeMidiFiles::header(1, 2) + track(marker(), 480) +
             track(body("00903c64 8740803c00"), 240),
         4},
        {"inside a RIFF RMID file", FakeMidiFiles::rmid(dyingEarly), 4},
        {"a tenth of a second", oneTrack(marker(), 96), 100},
    };
    for (const auto& tune : tunes) {
        SCOPED_TRACE(tune.what);
        const auto reading = MidiTune::read(tune.file);
        ASSERT_NE(reading.tune, nullptr) << reading.refusal.toStdString();
        const std::int64_t length = (reading.tune->lengthMicroseconds() * rate + 500000) / 1000000;
        QTemporaryDir dir;
        OfflineGame game(TestFiles::write(dir.path(), QStringLiteral("bgm.mid"), tune.file));
        ASSERT_NE(game.device(), nullptr);
        const int ticks = static_cast<int>((length * tune.loops + rate / 2) / tickFrames);
        const std::vector<float> left = game.run(ticks);
        for (int loop = 1; loop < tune.loops; ++loop) {
            const std::int64_t start = startNear(left, loop * length, tickFrames, length / 2);
            EXPECT_NEAR(double(start), double(loop * length), 441.0)
                << "loop " << loop << " of a piece of " << length << " samples";
        }
    }
}

// The bundled tune holds its notes to the end: the restart leaves no gap,
// and it is the start of the piece again.
TEST(MusicLoop, TheBundledTuneLoopsWithoutAnAudibleGap) {
    OfflineGame game(FakeMidiFiles::bundledTunePath());
    ASSERT_NE(game.device(), nullptr);
    const std::vector<float> left = game.run(62 * 100);
    const std::int64_t end = std::llround(60.0 * rate);
    EXPECT_LE(
        longestSilence(std::vector<float>(left.begin() + end - rate, left.begin() + end + rate)),
        10);
    EXPECT_NEAR(double(startNear(left, end, rate / 10, rate / 4)), double(end), 441.0);
}

// A piece of one tick loops for ever too: the device never says it plays
// while nothing does, however short the piece.
TEST(MusicLoop, APieceOfOneTickPlaysForEver) {
    QTemporaryDir dir;
    OfflineGame game(
        TestFiles::write(dir.path(), QStringLiteral("bgm.mid"),
                         oneTrack(QByteArray::fromHex("00c073 00903c64 01803c00"), 0)));
    ASSERT_NE(game.device(), nullptr);
    const std::vector<float> left = game.run(10 * 100);
    EXPECT_LE(longestSilence(left), 10);
    EXPECT_EQ(game.device()->mode(), MidiDevice::Mode::Playing);
}

// Live, through a real sound server: what the sink plays starts a loop every
// half second, ten times over, each within 10 ms of its time. The output's
// 300 ms of queue does not move the restart.
TEST(MusicLoopLive, TheLoopsPeriodStaysTrueOnANullSink) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    QTemporaryDir dir;
    // A wood block on the first beat of a half-second piece.
    const QString path =
        TestFiles::write(dir.path(), QStringLiteral("bgm.mid"), oneTrack(marker(), 480));
    FluidMidiEngine::Options options;
    options.drivers = {"pulseaudio"};
    MciInterpreter mci(std::make_unique<FluidMidiEngine>(options));
    MusicModule music(mci);
    ASSERT_TRUE(server.startRecording());
    music.OpenMusic(path);
    music.PlayMusic();
    // The watchdog's timer, live: it takes twelve loops of real time.
    for (int tick = 0; tick < 600; ++tick) {
        music.BgmTim_Timer();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    music.StopMusic();
    music.CloseMusic();
    const std::vector<float> heard = server.recorded();

    // Each wood block: the first sample above -40 dBFS after a tenth of a
    // second below it.
    std::vector<std::size_t> onsets;
    std::size_t lastLoud = 0;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        if (std::fabs(heard[i]) < 0.01F)
            continue;
        if (i - lastLoud > std::size_t(rate / 10))
            onsets.push_back(i);
        lastLoud = i;
    }
    ASSERT_GE(onsets.size(), 11U);
    for (std::size_t k = 1; k < onsets.size(); ++k)
        EXPECT_NEAR(double(onsets[k] - onsets[k - 1]), rate / 2.0, 441.0) << "loop " << k;
}

} // namespace
} // namespace hanashi
