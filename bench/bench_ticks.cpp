// SPDX-License-Identifier: MIT
// The window's ticks, on the real window laid out at 1920 x 1080, offscreen
// and without sound: the reader tick over the bundled story, the question
// tick, and the decoration tick with the repaint of its area. Each tick is
// timed alone and with the repaint of what it changed, so the two can be read
// side by side. Run with
//   --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
//   --benchmark_report_aggregates_only=true
// and read the medians; the goal for every tick is well under 1 ms.
#include "app/Fom.h"
#include "platform/Mci.h"
#include "platform/RandomSource.h"
#include "toolkit/Application.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

using namespace hanashi;

QString sourceRoot() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty())
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral(".."));
    return QDir::cleanPath(root);
}

// Accepts every command and plays nothing: the ticks are timed without the
// synthesiser's thread competing for the core.
class SilentMci : public Mci {
public:
    int sendString(const QString&, QString*, int) override { return 0; }
};

// The production generator, except that the first draw after arm() is one
// that makes the decoration tick stretch a picture over its whole area (the
// background draw comes first in a tick): the most expensive tick, on demand.
class ArmableRandom : public RandomSource {
public:
    void seedFromClock() override { m_inner.seedFromClock(); }
    float draw() override {
        if (m_armed) {
            m_armed = false;
            return 0.95F;
        }
        return m_inner.draw();
    }
    void arm() { m_armed = true; }

private:
    ClockSeededRandom m_inner;
    bool m_armed = false;
};

// Counts the paint events a widget receives, to make sure a repaint really
// painted (an unexposed window would make it free).
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The game's window as start-up and the first layout pass leave it, at the
// size it takes on a 1920 x 1080 screen without a window manager.
struct Game {
    ArmableRandom random;
    SilentMci mci;
    Fom fom;

    Game()
        : fom(FomServices{random, mci, [] { return sourceRoot(); }, [] { return 1080 * 15; },
                          [](const QUrl&) {}, [](int) {}}) {
        fom.Form_Load();
        fom.setGeometry(0, 0, 1920, 1080);
        fom.show();
        // Lets the window be exposed, so that repaints reach its backing store.
        QCoreApplication::processEvents();
    }

    bool inQuestion() const { return fom.QstTim.isEnabled(); }
};

Game* game = nullptr;

void leaveQuestion() {
    if (game->inQuestion())
        game->fom.QstLbl(0).click();
}

void enterQuestion(benchmark::State& state) {
    for (int i = 0; i < 10000 && !game->inQuestion(); ++i)
        game->fom.LBlTim.fire();
    if (!game->inQuestion())
        state.SkipWithError("the story asked no question");
}

// One reader tick: the next script line into the 22-line caption. A tick that
// asks a question is counted; answering it is not.
void readerTicks(benchmark::State& state, bool repaint) {
    leaveQuestion();
    QLabel* label = game->fom.LBl.widget();
    PaintCounter counter(label);
    long questions = 0;
    for (auto _ : state) {
        game->fom.LBlTim.fire();
        if (repaint)
            label->repaint();
        if (game->inQuestion()) {
            state.PauseTiming();
            ++questions;
            game->fom.QstLbl(0).click();
            state.ResumeTiming();
        }
    }
    if (repaint && counter.paints == 0)
        state.SkipWithError("the story label never painted");
    state.counters["questions"] = double(questions);
}

void BM_ReaderTick(benchmark::State& state) {
    readerTicks(state, false);
}
BENCHMARK(BM_ReaderTick)->Unit(benchmark::kMicrosecond);

void BM_ReaderTickWithRepaint(benchmark::State& state) {
    readerTicks(state, true);
}
BENCHMARK(BM_ReaderTickWithRepaint)->Unit(benchmark::kMicrosecond);

// One question tick: the countdown bar grows by one. Before it would run out
// (which answers the question) it is set back, outside the timing.
void questionTicks(benchmark::State& state, bool repaint) {
    enterQuestion(state);
    Shape& countdown = game->fom.QstShp;
    QWidget* box = game->fom.QstPic.hostWidget();
    PaintCounter counter(box);
    for (auto _ : state) {
        game->fom.QstTim.fire();
        if (repaint)
            box->repaint();
        if (countdown.width() >= 49) {
            state.PauseTiming();
            countdown.setWidth(10);
            state.ResumeTiming();
        }
    }
    if (repaint && counter.paints == 0)
        state.SkipWithError("the countdown area never painted");
    leaveQuestion();
}

void BM_QuestionTick(benchmark::State& state) {
    questionTicks(state, false);
}
BENCHMARK(BM_QuestionTick)->Unit(benchmark::kMicrosecond);

void BM_QuestionTickWithRepaint(benchmark::State& state) {
    questionTicks(state, true);
}
BENCHMARK(BM_QuestionTickWithRepaint)->Unit(benchmark::kMicrosecond);

enum class Repaint { None, Render, Widget };

// One decoration tick over the area's own size (960 x 540 pixels at
// 1920 x 1080), then what the area shows: either the widget drawn into a new
// image (QWidget::grab) or a real repaint of the widget into the window's
// backing store. With stretch, every tick stretches a
// picture over the whole area, as one tick in ten does in play.
void decorationTicks(benchmark::State& state, Repaint repaint, bool stretch) {
    PictureBox& box = game->fom.KazariPic;
    QWidget* widget = box.hostWidget();
    PaintCounter counter(widget);
    for (auto _ : state) {
        if (stretch)
            game->random.arm();
        game->fom.KazariTim.fire();
        if (repaint == Repaint::Render)
            benchmark::DoNotOptimize(widget->grab());
        else if (repaint == Repaint::Widget)
            widget->repaint();
    }
    if (repaint == Repaint::Widget && counter.paints == 0)
        state.SkipWithError("the decoration area never painted");
    state.counters["area_w"] = widget->width();
    state.counters["area_h"] = widget->height();
}

void BM_DecorationTick(benchmark::State& state) {
    decorationTicks(state, Repaint::None, false);
}
BENCHMARK(BM_DecorationTick)->Unit(benchmark::kMicrosecond);

void BM_DecorationTickRender(benchmark::State& state) {
    decorationTicks(state, Repaint::Render, false);
}
BENCHMARK(BM_DecorationTickRender)->Unit(benchmark::kMicrosecond);

void BM_DecorationTickRepaint(benchmark::State& state) {
    decorationTicks(state, Repaint::Widget, false);
}
BENCHMARK(BM_DecorationTickRepaint)->Unit(benchmark::kMicrosecond);

void BM_DecorationStretchTickRepaint(benchmark::State& state) {
    decorationTicks(state, Repaint::Widget, true);
}
BENCHMARK(BM_DecorationStretchTickRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // No display is needed; the benchmark draws into offscreen windows.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    hanashi::Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Game rig;
    game = &rig;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    game = nullptr;
    return 0;
}
