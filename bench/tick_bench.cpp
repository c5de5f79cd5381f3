// SPDX-License-Identifier: MIT
// The tick on the settled scenes: the plain double loop, the grid tick and
// what MoveBalls picks, beside three floors for the same pushes. Every timed
// tick starts from the same scene, so every case of a scene makes the very
// same pushes.
#include "scenes.h"

#include <benchmark/benchmark.h>
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
        t->SettleBall(i, SceneWidth, SceneHeight);
        for (int j = 0; j <= n; ++j) {
            if (j == i) {
                continue;
            }
            // What ATan2 gets if the pair overlaps, formed as the tick forms it.
            const float dx = static_cast<float>(static_cast<double>(t->BallX[i]) - t->BallX[j]);
            const float dy = static_cast<float>(static_cast<double>(t->BallY[i]) - t->BallY[j]);
            if (t->PushPair(i, j)) {
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

template <auto Tick> void TickCase(benchmark::State& state, bool grid)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    auto t = std::make_unique<BallTable>(scene);
    for (auto _ : state) {
        Restore(*t, scene);
        (t.get()->*Tick)(SceneWidth, SceneHeight);
        benchmark::DoNotOptimize(t->BallX.data());
        benchmark::ClobberMemory();
    }
    const double n = scene.BallCount;
    state.counters["pushes"] = PushesOf(balls).Count;
    state.counters["tests"] = grid ? t->PairIndex().LastTick().Tests : n * (n + 1);
    if (grid) {
        state.counters["gathers"] = t->PairIndex().LastTick().Gathers;
    }
}

void MoveBallsPlain(benchmark::State& state)
{
    TickCase<&BallTable::MoveBallsPlain>(state, false);
}

void MoveBallsGrid(benchmark::State& state)
{
    TickCase<&BallTable::MoveBallsGrid>(state, true);
}

void MoveBalls(benchmark::State& state)
{
    const bool grid = SettledScene(static_cast<int>(state.range(0))).BallCount >= 31;
    if (grid) {
        TickCase<&BallTable::MoveBalls>(state, true);
    } else {
        TickCase<&BallTable::MoveBalls>(state, false);
    }
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

// The tick with a perfect search: every fall and clamp, then only the
// pair steps that push, in their order. No search can do better.
void PushesOnly(benchmark::State& state)
{
    const int balls = static_cast<int>(state.range(0));
    const BallTable& scene = SettledScene(balls);
    const TickPushes& p = PushesOf(balls);
    auto t = std::make_unique<BallTable>(scene);
    const int n = scene.BallCount;
    for (auto _ : state) {
        Restore(*t, scene);
        for (int i = 0; i <= n; ++i) {
            t->SettleBall(i, SceneWidth, SceneHeight);
            for (int j : p.Met[i]) {
                t->PushPair(i, j);
            }
        }
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
