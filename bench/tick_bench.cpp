// SPDX-License-Identifier: MIT
// The tick on the settled scenes: the plain double loop, the grid tick and
// what MoveBalls picks, beside three floors for the same pushes, the perfect
// search (PushesOnly) the one MoveBalls is measured against. Every timed
// tick starts from the same scene, so every case of a scene makes the very
// same pushes.
#include "scenes.h"
#include "tick.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {

// The pushes of one tick of a scene, made the plain way.
struct TickPushes {
    int Count = 0;
    std::vector<double> Quotients;     // atan arguments, where ATan2 took one
    std::vector<double> Angles;        // HitAngle of every push
    std::vector<std::vector<int>> Met; // per slot i, the j its pass pushed
};

const TickPushes& PushesOf(int balls)
{
    static std::vector<std::pair<int, std::unique_ptr<TickPushes>>> known;
    for (const auto& [b, p] : known) {
        if (b == balls) {
            return *p;
        }
    }
    auto t = std::make_unique<BallTable>(SettledScene(balls));
    auto p = std::make_unique<TickPushes>();
    const int n = t->BallCount;
    p->Met.resize(n + 1);
    for (int i = 0; i <= n; ++i) {
        SettleBall(*t, i, SceneWidth, SceneHeight);
        for (int j = 0; j <= n; ++j) {
            if (j == i) {
                continue;
            }
            // What ATan2 gets if the pair overlaps, formed as the tick forms it.
            const float dx = static_cast<float>(static_cast<double>(t->BallX[i]) - t->BallX[j]);
            const float dy = static_cast<float>(static_cast<double>(t->BallY[i]) - t->BallY[j]);
            if (PushPair(*t, i, j)) {
                ++p->Count;
                if (dx != 0.0f) {
                    p->Quotients.push_back(static_cast<float>(dy / dx));
                }
                p->Angles.push_back(t->HitAngle);
                p->Met[i].push_back(j);
            }
        }
    }
    known.emplace_back(balls, std::move(p));
    return *known.back().second;
}

// One tick of the table from the scene, the way `tick` runs it.
template <class Tick> void TickCase(benchmark::State& state, Tick tick)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    auto t = std::make_unique<BallTable>(scene);
    for (auto _ : state) {
        Restore(*t, scene);
        tick(*t);
        benchmark::DoNotOptimize(t->BallX.data());
        benchmark::ClobberMemory();
    }
    state.counters["pushes"] = PushesOf(balls).Count;
}

// Pushes that took the library path per million pushes, over LibraryTicks
// grid ticks run on from the scene (the pile keeps jiggling, so every tick
// makes new pushes). Worked out once per scene.
constexpr int LibraryTicks = 2000;
double LibraryPerMillion(int balls)
{
    static std::vector<std::pair<int, double>> known;
    for (const auto& [b, rate] : known) {
        if (b == balls) {
            return rate;
        }
    }
    auto t = std::make_unique<BallTable>(SettledScene(balls));
    double pushes = 0.0;
    double library = 0.0;
    for (int k = 0; k < LibraryTicks; ++k) {
        GridCounts counts;
        MoveBallsGrid(*t, SceneWidth, SceneHeight, &counts);
        pushes += counts.Pushes;
        library += counts.Library;
    }
    const double rate = pushes > 0.0 ? library / pushes * 1e6 : 0.0;
    known.emplace_back(balls, rate);
    return rate;
}

// The grid tick's own counts of one tick from the scene: pair tests,
// candidate sets gathered, pushes that took the library path in that tick
// (library) and per million pushes over LibraryTicks ticks (library_per_M).
void GridCounters(benchmark::State& state)
{
    const BallTable& scene = SettledScene(static_cast<int>(state.range(0)));
    auto t = std::make_unique<BallTable>(scene);
    GridCounts counts;
    if (MoveBallsGrid(*t, SceneWidth, SceneHeight, &counts)) {
        state.counters["tests"] = counts.Tests;
        state.counters["gathers"] = counts.Gathers;
        state.counters["library"] = counts.Library;
        state.counters["library_per_M"] = LibraryPerMillion(static_cast<int>(state.range(0)));
    } else {
        const double n = scene.BallCount;
        state.counters["tests"] = n * (n + 1);
    }
}

// The tick with a perfect search: every fall and clamp, then only the
// pair steps that push, in their order. No search can do better.
void PerfectTick(BallTable& t, const TickPushes& p)
{
    for (int i = 0; i <= t.BallCount; ++i) {
        SettleBall(t, i, SceneWidth, SceneHeight);
        for (int j : p.Met[i]) {
            PushPair(t, i, j);
        }
    }
}

// MoveBalls over the perfect search, both timed in turns in this one
// process so that load on the machine weighs on both alike: the median of
// MoveBalls's rounds over the median of the perfect search's.
double RatioToFloor(int balls)
{
    const BallTable& scene = SettledScene(balls);
    const TickPushes& p = PushesOf(balls);
    auto t = std::make_unique<BallTable>(scene);
    using Clock = std::chrono::steady_clock;
    constexpr int Rounds = 101;
    // Enough ticks a round to take about a millisecond.
    const int ticks = std::max(1, 400'000 / ((balls + 1) * (balls + 1)));
    std::vector<double> moveBalls;
    std::vector<double> perfect;
    for (int r = 0; r < Rounds; ++r) {
        auto begin = Clock::now();
        for (int k = 0; k < ticks; ++k) {
            Restore(*t, scene);
            t->MoveBalls(SceneWidth, SceneHeight);
            benchmark::ClobberMemory();
        }
        auto mid = Clock::now();
        for (int k = 0; k < ticks; ++k) {
            Restore(*t, scene);
            PerfectTick(*t, p);
            benchmark::ClobberMemory();
        }
        auto end = Clock::now();
        moveBalls.push_back(std::chrono::duration<double>(mid - begin).count());
        perfect.push_back(std::chrono::duration<double>(end - mid).count());
    }
    auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return median(moveBalls) / median(perfect);
}

void MoveBallsPlain(benchmark::State& state)
{
    TickCase(state, [](BallTable& t) { ::MoveBallsPlain(t, SceneWidth, SceneHeight); });
    const double n = SettledScene(static_cast<int>(state.range(0))).BallCount;
    state.counters["tests"] = n * (n + 1);
}

void MoveBallsGrid(benchmark::State& state)
{
    TickCase(state, [](BallTable& t) { ::MoveBallsGrid(t, SceneWidth, SceneHeight); });
    GridCounters(state);
}

// What the timer runs. vs_floor is its time over the perfect search's.
void MoveBalls(benchmark::State& state)
{
    TickCase(state, [](BallTable& t) { t.MoveBalls(SceneWidth, SceneHeight); });
    if (SettledScene(static_cast<int>(state.range(0))).BallCount >= 31) {
        GridCounters(state);
    }
    state.counters["vs_floor"] = RatioToFloor(static_cast<int>(state.range(0)));
}

// The arctangents, sines and cosines of one tick's pushes, and nothing
// else: what any way of finding the overlapping pairs still computes. The
// calls are independent here, so they overlap in the processor.
void TrigFloor(benchmark::State& state)
{
    const TickPushes& p = PushesOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double sum = 0.0;
        for (double q : p.Quotients) {
            sum += std::atan(q);
        }
        for (double a : p.Angles) {
            sum += std::cos(a);
            sum += std::sin(a);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["pushes"] = p.Count;
}

// The same calls, each waiting for the one before, as in the tick, where
// a push moves the ball whose next test and push follow. The wait costs
// two extra floating-point operations per push.
void TrigChained(benchmark::State& state)
{
    const TickPushes& p = PushesOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double last = 0.0;
        std::size_t q = 0;
        for (double a : p.Angles) {
            double angle = a;
            if (q < p.Quotients.size()) {
                angle += std::atan(p.Quotients[q++] + last * 0.0) * 0.0;
            }
            last = std::cos(angle) + std::sin(angle);
        }
        benchmark::DoNotOptimize(last);
    }
    state.counters["pushes"] = p.Count;
}

// The perfect search (PerfectTick): the floor of every exact search.
void PushesOnly(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    const TickPushes& p = PushesOf(balls);
    auto t = std::make_unique<BallTable>(scene);
    for (auto _ : state) {
        Restore(*t, scene);
        PerfectTick(*t, p);
        benchmark::DoNotOptimize(t->BallX.data());
        benchmark::ClobberMemory();
    }
    state.counters["pushes"] = p.Count;
}

void SceneSizes(benchmark::internal::Benchmark* b)
{
    for (int balls : {10, 100, 1000}) {
        b->Arg(balls);
    }
    b->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(MoveBallsPlain)->Apply(SceneSizes);
BENCHMARK(MoveBallsGrid)->Apply(SceneSizes);
BENCHMARK(MoveBalls)->Apply(SceneSizes);
BENCHMARK(TrigFloor)->Apply(SceneSizes);
BENCHMARK(TrigChained)->Apply(SceneSizes);
BENCHMARK(PushesOnly)->Apply(SceneSizes);
