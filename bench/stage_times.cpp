// SPDX-License-Identifier: MIT
// The tick and the draw pass of a full table timed on their own, with no
// benchmark library and no toolkit, so that the same source builds natively
// and as the page's WebAssembly and runs under Node: which stage the module
// makes slower, and by how much (scripts/stage-times.sh builds and runs
// both). The draw pass draws the whole frame in the page's byte order, the
// background flipped between passes as in DrawPass (draw_bench.cpp); with
// COLD, a buffer larger than the last-level cache is written before each.
// Usage: stage_times [BALLS] [PASSES] [COLD]   (1000, 300, 0)
#include "fake_window.h"
#include "main_window.h"
#include "render.h"
#include "scenes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double Micros(Steady::time_point from, Steady::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Window {
    FakeWindow window;
    Form1 form{window};
    FrameSurface screen{window};
};

} // namespace

int main(int argc, char** argv)
{
    const int balls = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int passes = std::max(argc > 2 ? std::atoi(argv[2]) : 300, 1);
    std::vector<char> flush(argc > 3 && std::atoi(argv[3]) != 0 ? 32 << 20 : 0);
    auto w = std::make_unique<Window>();
    w->window.keepRepainted = false;
    w->window.rgba = true;
    w->form.Form_Load();
    w->screen.DrawWidth(9);
    const BallTable& scene = SettledScene(balls);
    w->form.Table = scene;
    DrawBalls(w->form.Table, w->screen);
    w->screen.Rasterize();
    BallTable t = scene;
    std::vector<double> tick;
    std::vector<double> draw;
    for (int k = 0; k < passes; ++k) {
        Restore(t, scene);
        const auto a = Steady::now();
        t.MoveBalls(SceneWidth, SceneHeight);
        const auto b = Steady::now();
        w->window.background ^= 1;
        for (std::size_t i = 0; i < flush.size(); i += 64) {
            flush[i] = static_cast<char>(flush[i] + 1);
        }
        const auto c = Steady::now();
        DrawBalls(w->form.Table, w->screen);
        w->screen.Rasterize();
        const auto d = Steady::now();
        tick.push_back(Micros(a, b));
        draw.push_back(Micros(c, d));
    }
    std::printf("%d balls, medians of %d: tick %.0f us, draw pass %.0f us\n", balls, passes,
                Median(tick), Median(draw));
}
