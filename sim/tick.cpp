// SPDX-License-Identifier: MIT
// The tick: fall, clamps and pushes for every live ball.
//
// Positions and radii are floats, every intermediate is a double with each
// operation rounded on its own, and a value is rounded to a float at these
// points only: every stored position, the floor and wall limits, the radius
// sum of the overlap test, the push (the unrounded radius sum over ten), the
// differences handed to ATan2 and the quotient inside it. Moving any of them
// changes the pile: the PairStep and TickClamps tests and
// Determinism.SceneMatchesRecordedState pin them.
#include "tick.h"

#include "pair_grid.h"

#include <atomic>
#include <cassert>
#include <cmath>

namespace {

// World units (twips) a ball sinks per tick: 3 pixels.
constexpr double FallStep = 45.0;

// The grid tick's scratch, rebuilt at every grid tick: one for the program,
// in static storage, so that a tick allocates nothing and a table carries
// no more than its balls. No lock: the tick runs on one thread only (the
// user-interface thread, from the timer), one tick at a time (sim/tick.h).
PairGrid grid;
// Set while a grid tick runs: a second one at the same time fails an assert.
std::atomic_flag gridBusy;
// The differences of the grid tick's last push (floats, as ATan2 takes
// them), for HitAngle at its end: in memory, so that the pass need not hold
// them in registers (measured: 8 % faster than locals).
float lastDx = 0.0f;
float lastDy = 0.0f;

} // namespace

[[gnu::noinline]] void PushApart(BallTable& t, int i, int j, const PairTest& p)
{
    // Kept out of line so that the test in front of it stays small enough
    // to inline into the pair passes.
    t.HitAngle = t.ATan2(static_cast<float>(p.Dy), static_cast<float>(p.Dx));
    // The push is the unrounded sum over ten, rounded once: not s / 10.
    const double push = static_cast<float>(p.RadiusSum / PushDivisor);
    const double c = std::cos(t.HitAngle);
    const double sn = std::sin(t.HitAngle);
    // Each update reads the value it changes and stores at once.
    t.BallX[i] = static_cast<float>(t.BallX[i] + c * push);
    t.BallY[i] = static_cast<float>(t.BallY[i] - sn * push);
    t.BallX[j] = static_cast<float>(t.BallX[j] - c * push);
    t.BallY[j] = static_cast<float>(t.BallY[j] + sn * push);
}

void SettleBall(BallTable& t, int i, float width, float height)
{
    t.BallY[i] = static_cast<float>(static_cast<double>(t.BallY[i]) + FallStep);

    // The floor and right-wall limits are rounded to floats before the
    // comparison; the right wall is applied last, so in a window narrower
    // than the ball it wins over the left wall.
    const float floorLimit = static_cast<float>(static_cast<double>(height) - t.BallRadius[i]);
    if (t.BallY[i] > floorLimit) {
        t.BallY[i] = floorLimit;
    }
    if (t.BallX[i] < t.BallRadius[i]) {
        t.BallX[i] = t.BallRadius[i];
    }
    const float wallLimit = static_cast<float>(static_cast<double>(width) - t.BallRadius[i]);
    if (t.BallX[i] > wallLimit) {
        t.BallX[i] = wallLimit;
    }
}

bool PushPair(BallTable& t, int i, int j)
{
    const PairTest p =
        TestPair(t.BallX[i], t.BallY[i], t.BallRadius[i], t.BallX[j], t.BallY[j], t.BallRadius[j]);
    if (!p.Overlap) {
        return false;
    }
    PushApart(t, i, j, p);
    return true;
}

void MoveBallsPlain(BallTable& t, float width, float height)
{
    // Ordered pairs in slot order with immediate updates: a pair is met
    // twice per tick, and every test sees the positions of that moment.
    const int n = t.BallCount;
    for (int i = 0; i <= n; ++i) {
        SettleBall(t, i, width, height);
        for (int j = 0; j <= n; ++j) {
            if (j != i) {
                PushPair(t, i, j);
            }
        }
    }
}

bool MoveBallsGrid(BallTable& t, float width, float height, GridCounts* counts)
{
    [[maybe_unused]] const bool busy = gridBusy.test_and_set();
    assert(!busy && "one grid tick at a time: the grid is the program's one scratch");
    if (!grid.Build(t)) {
        gridBusy.clear();
        MoveBallsPlain(t, width, height);
        if (counts) {
            *counts = {};
        }
        return false;
    }
    // The plain loop's pair pass, over the balls the grid says can overlap
    // i instead of all of them.
    GridCounts tally;
    const int n = t.BallCount;
    for (int i = 0; i <= n; ++i) {
        SettleBall(t, i, width, height);
        PairGrid::Cursor c = grid.Begin(t, i);
        // The pass in stretches without a call, each holding ball i's values
        // in registers (every register of them is lost in a call); a push
        // that takes the library path or leaves the cells gathered ends a
        // stretch, and the next reads them again from the table.
        while (PairGrid::Any(c)) {
            double xi = t.BallX[i];
            double yi = t.BallY[i];
            const double ri = t.BallRadius[i];
            bool library = false;
            bool regather = false;
            int j = 0;
            while (PairGrid::Any(c)) {
                j = grid.Take(c);
                ++tally.Tests;
                const float xj = t.BallX[j];
                const float yj = t.BallY[j];
                const PairTest p = TestPair(xi, yi, ri, xj, yj, t.BallRadius[j]);
                if (!p.Overlap) {
                    continue;
                }
                ++tally.Pushes;
                lastDx = static_cast<float>(p.Dx);
                lastDy = static_cast<float>(p.Dy);
                if (!QuickPush(t, i, j, p, xi, yi, xj, yj)) [[unlikely]] {
                    library = true;
                    break;
                }
                xi = t.BallX[i];
                yi = t.BallY[i];
                if (!grid.Pushed(j, xi, yi)) [[unlikely]] {
                    regather = true;
                    break;
                }
            }
            if (library) {
                // The pair test again, from the same stored values: the same
                // differences and sum.
                PushApart(t, i, j, TestPair(xi, yi, ri, t.BallX[j], t.BallY[j], t.BallRadius[j]));
                ++tally.Library;
                regather = !grid.Pushed(j, t.BallX[i], t.BallY[i]);
            }
            if (regather) {
                grid.Regather(j, t.BallX[i], t.BallY[i], c);
            }
        }
        grid.End(t);
    }
    // HitAngle is what the last push leaves, and nothing reads it during the
    // tick: it is worked out once, at the end, from that push's differences.
    if (tally.Pushes > 0) {
        t.HitAngle = t.ATan2(lastDy, lastDx);
    }
    tally.Gathers = grid.Gathers();
    gridBusy.clear();
    if (counts) {
        *counts = tally;
    }
    return true;
}

void BallTable::MoveBalls(float width, float height)
{
    // Measured: below about 30 balls the grid costs more than it saves.
    constexpr int GridFromCount = 31;
    if (BallCount < GridFromCount) {
        MoveBallsPlain(*this, width, height);
    } else {
        MoveBallsGrid(*this, width, height);
    }
}
