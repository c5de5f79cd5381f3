// SPDX-License-Identifier: MIT
// The window's side of a timer event, on the settled scenes: the draw pass
// into the window's real frame, and the whole timer event (tick, draw pass
// and the request to repaint), once with the window hidden and once shown,
// with the repaint it asks for. The window's own timer stays off: every
// event here is called by the benchmark.
#include "main_window.h"
#include "render.h"
#include "scenes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// A window holding the scene with `balls` presses, never shown, with every
// ring of the scene already drawn once and cached, as in a running program
// after its first frame.
std::unique_ptr<Form1> WindowWith(int balls)
{
    auto form = std::make_unique<Form1>();
    form->Table = SettledScene(balls);
    DrawBalls(form->Table, form->Screen());
    form->Screen().Frame();
    return form;
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        Paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void DrawPass(benchmark::State& state)
{
    const auto form = WindowWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // Every ring drawn, not only what changed (nothing would).
        form->Screen().Invalidate();
        DrawBalls(form->Table, form->Screen());
        benchmark::DoNotOptimize(form->Screen().Frame().constBits());
    }
}

// The same with the caches emptied before every pass, as in the running
// program, where 15.6 ms and other processes pass between two frames: the
// full table's cached rings take about 12 MB, more than stays cached.
void DrawPassCold(benchmark::State& state)
{
    const auto form = WindowWith(static_cast<int>(state.range(0)));
    // Larger than the last-level cache of the machines measured (32 MB).
    std::vector<char> flush(64 << 20);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t k = 0; k < flush.size(); k += 64) {
            flush[k] = static_cast<char>(flush[k] + 1);
        }
        benchmark::ClobberMemory();
        form->Screen().Invalidate();
        state.ResumeTiming();
        DrawBalls(form->Table, form->Screen());
        benchmark::DoNotOptimize(form->Screen().Frame().constBits());
    }
}

// A pass that issues the very calls of the one before: the frame's damage
// is empty, so the pass costs its bookkeeping alone (recording the calls,
// comparing them with the last pass's), as every pass of a resting pile
// would if the timer ran on.
void DrawPassUnchanged(benchmark::State& state)
{
    const auto form = WindowWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DrawBalls(form->Table, form->Screen());
        benchmark::DoNotOptimize(form->Screen().Frame().constBits());
    }
    state.counters["damage_rects"] =
        static_cast<double>(form->Screen().LastDamage().Rects().size());
}

// Passes that alternate between the settled scene and the scene one tick
// later: each draws the damage of one tick's movement, as the running
// program does. The counter gives the share of the frame redrawn.
void DrawPassOneTick(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    BallTable next = scene;
    next.MoveBalls(SceneWidth, SceneHeight);
    const auto form = WindowWith(balls);
    long damaged = 0;
    long passes = 0;
    for (auto _ : state) {
        Restore(form->Table, passes % 2 == 0 ? next : scene);
        DrawBalls(form->Table, form->Screen());
        benchmark::DoNotOptimize(form->Screen().Frame().constBits());
        for (const PixelRect& r : form->Screen().LastDamage().Rects()) {
            damaged += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
        }
        ++passes;
    }
    const QImage& frame = form->Screen().Frame();
    state.counters["damaged_share"] =
        static_cast<double>(damaged) /
        (static_cast<double>(passes) * frame.width() * frame.height());
}

// Timer1_Timer exactly as the timer calls it, from the settled scene each
// time. Hidden, the window's update() asks for nothing.
void TimerEvent(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    const auto form = WindowWith(balls);
    for (auto _ : state) {
        Restore(form->Table, scene);
        form->Timer1_Timer();
        benchmark::ClobberMemory();
    }
}

// The same with the window shown, and the repaint it asks for delivered:
// the paint event and the flush to the platform's backing store. On the
// offscreen platform that flush is a copy in memory; run the benchmarks
// with QT_QPA_PLATFORM=xcb on an X display to time a real one.
void TimerEventPainted(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    const auto form = WindowWith(balls);
    PaintCounter counter;
    form->installEventFilter(&counter);
    form->show();
    form->Timer1.SetEnabled(false);
    QCoreApplication::processEvents();
    counter.Paints = 0;
    for (auto _ : state) {
        Restore(form->Table, scene);
        form->Timer1_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        benchmark::ClobberMemory();
    }
    state.counters["paints"] =
        benchmark::Counter(counter.Paints, benchmark::Counter::kAvgIterations);
    form->hide();
    QCoreApplication::processEvents();
}

void Sizes(benchmark::internal::Benchmark* b)
{
    // No balls but the anchor, and the full table.
    b->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(DrawPass)->Apply(Sizes);
BENCHMARK(DrawPassCold)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawPassUnchanged)->Apply(Sizes);
BENCHMARK(DrawPassOneTick)->Apply(Sizes);
BENCHMARK(TimerEvent)->Apply(Sizes);
BENCHMARK(TimerEventPainted)->Apply(Sizes);
