// SPDX-License-Identifier: MIT
// The window's side of a timer event, on the settled scenes: the draw pass
// into the window's real frame, the same rings stroked by QPainter for
// comparison, and the whole timer event (tick, draw pass and the request to
// repaint), once on a fake window system that only records the repaint and
// once in the Qt window, with the repaint it asks for. The window's own
// timer stays off: every event here is called by the benchmark.
#include "damage.h"
#include "fake_window.h"
#include "main_window.h"
#include "qt_window.h"
#include "render.h"
#include "ring_pass.h"
#include "ring_raster.h"
#include "scenes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPalette>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

// Bytes asked of operator new in this program so far: what a step keeps is
// the difference across it (RasterPassCold's shape_bytes). libstdc++'s
// other forms of new call this one, and its delete is free.
static std::atomic<std::size_t> newBytes{0};

void* operator new(std::size_t size)
{
    newBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

namespace {

// Seconds of CPU this thread has used: the ratios below are of CPU time,
// which other processes on a shared machine disturb less than wall time.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Seconds a full-table pass of QPainter strokes took in this run
// (DrawPassQPainter, which runs first), for the ratio the draw passes print.
double qpainterPass = 0;

// Reports the time per pass measured by hand, `seconds` over the state's
// iterations, as a ratio to QPainter's pass when that ran.
void RatioToQPainter(benchmark::State& state, double seconds)
{
    if (qpainterPass > 0 && state.iterations() > 0) {
        state.counters["vs_QPainter"] =
            seconds / static_cast<double>(state.iterations()) / qpainterPass;
    }
}

// Evicts this process's data from every CPU cache: writes a buffer larger
// than the last-level cache of the machines measured (32 MB), one byte per
// 64-byte line. With no ring cache left, what a cold pass then meets cold
// is the frame (885 KB at one device pixel per pixel), the table, and the
// code.
void EvictCaches(std::vector<char>& flush)
{
    for (std::size_t k = 0; k < flush.size(); k += 64) {
        flush[k] = static_cast<char>(flush[k] + 1);
    }
    benchmark::ClobberMemory();
}

// A form on a fake window system at the start size, loaded but never
// shown (so its timer stays off), holding the scene with `balls` presses,
// and the window's surface on the same window, the scene already drawn
// once, as in a running program after its first frame. The fake only
// counts the repaints asked of it.
struct BenchWindow {
    FakeWindow window;
    Form1 form{window};
    FrameSurface screen{window};

    // Draws the table as Timer1_Timer does; returns the damage.
    const Damage& Draw()
    {
        DrawBalls(form.Table, screen);
        return screen.Rasterize();
    }
    // A background of another colour in every other pass: each draws the
    // whole frame, as a running full table, which changes every tile, does.
    void Invalidate() { window.background ^= 1; }
};

std::unique_ptr<BenchWindow> WindowWith(int balls)
{
    auto w = std::make_unique<BenchWindow>();
    w->window.keepRepainted = false;
    w->form.Form_Load();
    w->screen.DrawWidth(9);
    w->form.Table = SettledScene(balls);
    w->Draw();
    return w;
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

// Every ring of the scene stroked by QPainter (antialiased, the pen centred
// on the circle) into an opaque frame of the window's size, as the library
// draws a ring itself; the rasterizer's look test holds it to this.
void DrawPassQPainter(benchmark::State& state)
{
    const BallTable& t = SettledScene(static_cast<int>(state.range(0)));
    QImage frame(605, 366, QImage::Format_RGB32);
    double seconds = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        frame.fill(QColor(0xF0, 0xF0, 0xF0));
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i <= t.BallCount; ++i) {
            p.setPen(QPen(QColor::fromRgb(RgbWordOf(t.BallColor[i])), 9));
            const double s = 1.0 / TwipsPerPixel;
            const double r = t.BallRadius[i] * s;
            const QPointF centre(std::floor(t.BallX[i] * s + 0.5),
                                 std::floor(t.BallY[i] * s + 0.5));
            if (r == 0) {
                // A circle of radius 0 leaves a dot as wide as the pen.
                p.setBrush(p.pen().color());
                p.setPen(Qt::NoPen);
                p.drawEllipse(centre, 4.5, 4.5);
                p.setBrush(Qt::NoBrush);
            } else {
                p.drawEllipse(centre, r, r);
            }
        }
        p.end();
        seconds += ThreadSeconds() - start;
        benchmark::DoNotOptimize(frame.constBits());
    }
    qpainterPass = seconds / static_cast<double>(state.iterations());
}

void DrawPass(benchmark::State& state)
{
    const auto window = WindowWith(static_cast<int>(state.range(0)));
    double seconds = 0;
    for (auto _ : state) {
        // Every ring drawn, not only what changed (nothing would).
        window->Invalidate();
        const double start = ThreadSeconds();
        window->Draw();
        benchmark::DoNotOptimize(window->screen.Frame().pixels);
        seconds += ThreadSeconds() - start;
    }
    if (state.range(0) == 1000) {
        RatioToQPainter(state, seconds);
    }
}

// The same with the caches emptied before every pass, as in the running
// program, where 15.6 ms and other processes pass between two frames.
void DrawPassCold(benchmark::State& state)
{
    const auto window = WindowWith(static_cast<int>(state.range(0)));
    std::vector<char> flush(64 << 20);
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches(flush);
        window->Invalidate();
        state.ResumeTiming();
        const double start = ThreadSeconds();
        window->Draw();
        benchmark::DoNotOptimize(window->screen.Frame().pixels);
        seconds += ThreadSeconds() - start;
    }
    RatioToQPainter(state, seconds);
}

// The settled full scene in a frame of the start-up window at a device
// pixel ratio of range / 100, with room to evict the CPU caches.
struct RasterScene {
    explicit RasterScene(const benchmark::State& state)
        : ratio(static_cast<double>(state.range(0)) / 100),
          w(static_cast<int>(std::ceil(605 * ratio))), h(static_cast<int>(std::ceil(366 * ratio))),
          pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)), frame{pixels.data(), w,
                                                                                   w, h},
          scale(ratio / TwipsPerPixel)
    {
    }
    // Every ring of the scene as the window's pass records it, the whole
    // frame damaged.
    void Record(Damage& damage) const
    {
        damage.Begin(w, h, true);
        for (int i = 0; i <= t.BallCount; ++i) {
            const double cx = std::floor(t.BallX[i] * scale + 0.5);
            const double cy = std::floor(t.BallY[i] * scale + 0.5);
            const double r = t.BallRadius[i] * scale;
            damage.Add({cx, cy, r, 9 * ratio, RgbWordOf(t.BallColor[i]),
                        RingBounds(cx, cy, r, 9 * ratio, {0, 0, w, h})});
        }
        damage.End();
    }
    const BallTable& t = SettledScene(1000);
    double ratio;
    int w, h;
    std::vector<std::uint32_t> pixels;
    PixelFrame frame;
    double scale;
    std::vector<char> flush = std::vector<char>(64 << 20);
};

// The full scene drawn whole by the window's own damage pass (RingPass),
// cold: the ring shapes are those the pass before kept, as in a running
// program, the CPU caches emptied. The counter gives the bytes the shapes
// hold.
void RasterPassCold(benchmark::State& state)
{
    RasterScene scene(state);
    Damage damage;
    scene.Record(damage);
    // What the first pass allocates is the shapes it keeps.
    const std::size_t before = newBytes.load();
    RingPass pass;
    pass.Draw(scene.frame, damage, 0xF0F0F0);
    const std::size_t shapeBytes = newBytes.load() - before;
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches(scene.flush);
        state.ResumeTiming();
        pass.Draw(scene.frame, damage, 0xF0F0F0);
        benchmark::DoNotOptimize(scene.pixels.data());
    }
    state.counters["shape_bytes"] = static_cast<double>(shapeBytes);
}

// The same pass with no shape kept, as the first pass after a change of
// pixel ratio or pen width meets it: every ring measured afresh, then drawn.
void RasterPassNewShapes(benchmark::State& state)
{
    RasterScene scene(state);
    Damage damage;
    scene.Record(damage);
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches(scene.flush);
        auto pass = std::make_unique<RingPass>();
        state.ResumeTiming();
        pass->Draw(scene.frame, damage, 0xF0F0F0);
        benchmark::DoNotOptimize(scene.pixels.data());
        state.PauseTiming();
        pass.reset();
        state.ResumeTiming();
    }
}

// A pass that issues the very calls of the one before: the frame's damage
// is empty, so the pass costs its bookkeeping alone (recording the calls,
// comparing them with the last pass's), as every pass of a resting pile
// would if the timer ran on.
void DrawPassUnchanged(benchmark::State& state)
{
    const auto window = WindowWith(static_cast<int>(state.range(0)));
    std::size_t rects = 0;
    for (auto _ : state) {
        rects = window->Draw().Rects().size();
        benchmark::DoNotOptimize(window->screen.Frame().pixels);
    }
    state.counters["damage_rects"] = static_cast<double>(rects);
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
    const auto window = WindowWith(balls);
    long damaged = 0;
    long passes = 0;
    for (auto _ : state) {
        Restore(window->form.Table, passes % 2 == 0 ? next : scene);
        const Damage& damage = window->Draw();
        benchmark::DoNotOptimize(window->screen.Frame().pixels);
        for (const PixelRect& r : damage.Rects()) {
            damaged += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
        }
        ++passes;
    }
    const PixelFrame& frame = window->screen.Frame();
    state.counters["damaged_share"] =
        static_cast<double>(damaged) / (static_cast<double>(passes) * frame.width * frame.height);
}

// Timer1_Timer exactly as the timer calls it, from the settled scene each
// time. The fake window system only counts the repaint asked for.
void TimerEvent(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    const auto window = WindowWith(balls);
    Form1& form = window->form;
    for (auto _ : state) {
        Restore(form.Table, scene);
        // Every event starts from the same scene, so without this its pass
        // would repeat the last one and draw nothing.
        window->Invalidate();
        form.Timer1_Timer();
        benchmark::ClobberMemory();
    }
}

// The same in the Qt window, shown, and the repaint it asks for delivered:
// the paint event and the flush to the platform's backing store. On the
// offscreen platform that flush is a copy in memory; run the benchmarks
// with QT_QPA_PLATFORM=xcb on an X display to time a real one.
void TimerEventPainted(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    // A clock that never moves: the window's own timer delivers no tick.
    static const struct : Clock {
        std::chrono::nanoseconds Now() const override { return {}; }
    } stopped;
    QtWindow window(stopped);
    window.Form.Table = scene;
    PaintCounter counter;
    window.installEventFilter(&counter);
    window.show();
    QCoreApplication::processEvents();
    counter.Paints = 0;
    // Two backgrounds in turn, as in TimerEvent.
    QPalette palettes[2] = {window.palette(), window.palette()};
    palettes[1].setColor(QPalette::Window,
                         QColor::fromRgb(palettes[0].color(QPalette::Window).rgb() ^ 1));
    int passes = 0;
    for (auto _ : state) {
        Restore(window.Form.Table, scene);
        state.PauseTiming();
        window.setPalette(palettes[++passes % 2]);
        state.ResumeTiming();
        window.Form.Timer1_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        benchmark::ClobberMemory();
    }
    state.counters["paints"] =
        benchmark::Counter(counter.Paints, benchmark::Counter::kAvgIterations);
    window.hide();
    QCoreApplication::processEvents();
}

void Sizes(benchmark::internal::Benchmark* b)
{
    // No balls but the anchor, and the full table.
    b->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
}

} // namespace

// QPainter first: the draw passes after it print their ratio to it.
BENCHMARK(DrawPassQPainter)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawPass)->Apply(Sizes);
BENCHMARK(DrawPassCold)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(RasterPassCold)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(RasterPassNewShapes)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawPassUnchanged)->Apply(Sizes);
BENCHMARK(DrawPassOneTick)->Apply(Sizes);
BENCHMARK(TimerEvent)->Apply(Sizes);
BENCHMARK(TimerEventPainted)->Apply(Sizes);
