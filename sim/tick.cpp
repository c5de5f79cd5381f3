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
#include "ball_table.h"
#include "pair_grid.h"
#include "quick_push.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

namespace {

// World units (twips) a ball sinks per tick: 3 pixels.
constexpr double FallStep = 45.0;
// A pair is pushed apart by a tenth of its radius sum, each ball the whole
// amount, however deep the overlap.
constexpr double PushDivisor = 10.0;

// The push of an overlapping pair, kept out of line so that the test in
// front of it stays small enough to inline into the pair passes.
[[gnu::noinline]] void PushApart(BallTable& t, int i, int j, double dx, double dy, double radiusSum)
{
    t.HitAngle = t.ATan2(static_cast<float>(dy), static_cast<float>(dx));
    // The push is the unrounded sum over ten, rounded once: not s / 10.
    const double push = static_cast<float>(radiusSum / PushDivisor);
    const double c = std::cos(t.HitAngle);
    const double sn = std::sin(t.HitAngle);
    // Each update reads the value it changes and stores at once.
    t.BallX[i] = static_cast<float>(t.BallX[i] + c * push);
    t.BallY[i] = static_cast<float>(t.BallY[i] - sn * push);
    t.BallX[j] = static_cast<float>(t.BallX[j] - c * push);
    t.BallY[j] = static_cast<float>(t.BallY[j] + sn * push);
}

// The pair test every tick uses: whether ball j overlaps ball i, from the
// positions and radii stored now, with the differences and the unrounded
// radius sum that a push then uses. Ball i's values come as doubles (every
// float is one exactly), so that a pass converts them once.
struct PairTest {
    double Dx, Dy, RadiusSum;
    bool Overlap;
};
inline PairTest TestPair(double xi, double yi, double ri, float xj, float yj, float rj)
{
    const double dx = xi - xj;
    const double dy = yi - yj;
    const double d2 = dx * dx + dy * dy;
    const double radiusSum = rj + ri;
    const double s = static_cast<float>(radiusSum);
    return {dx, dy, radiusSum, d2 < s * s};
}

// The one pair step every tick uses: test (i, j) against the positions
// stored now and push both apart if they overlap.
inline bool PairStep(BallTable& t, int i, int j)
{
    const PairTest p =
        TestPair(t.BallX[i], t.BallY[i], t.BallRadius[i], t.BallX[j], t.BallY[j], t.BallRadius[j]);
    if (!p.Overlap) {
        return false;
    }
    PushApart(t, i, j, p.Dx, p.Dy, p.RadiusSum);
    return true;
}

// The grid is the tick's scratch, rebuilt at every grid tick: one for the
// program, in static storage, so that a tick allocates nothing and a table
// carries no more than its balls. A tick that finds it taken by a tick on
// another thread runs the plain loop instead, which gives the same bits.
PairGrid sharedGrid;
std::atomic_flag sharedGridTaken;

struct Scratch {
    PairGrid* Grid =
        sharedGridTaken.test_and_set(std::memory_order_acquire) ? nullptr : &sharedGrid;
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        if (Grid) {
            sharedGridTaken.clear(std::memory_order_release);
        }
    }
};

} // namespace

void BallTable::SettleBall(int i, float width, float height)
{
    BallY[i] = static_cast<float>(static_cast<double>(BallY[i]) + FallStep);

    // The floor and right-wall limits are rounded to floats before the
    // comparison; the right wall is applied last, so in a window narrower
    // than the ball it wins over the left wall.
    const float floorLimit = static_cast<float>(static_cast<double>(height) - BallRadius[i]);
    if (BallY[i] > floorLimit) {
        BallY[i] = floorLimit;
    }
    if (BallX[i] < BallRadius[i]) {
        BallX[i] = BallRadius[i];
    }
    const float wallLimit = static_cast<float>(static_cast<double>(width) - BallRadius[i]);
    if (BallX[i] > wallLimit) {
        BallX[i] = wallLimit;
    }
}

bool BallTable::PushPair(int i, int j)
{
    return PairStep(*this, i, j);
}

BallTable::PushWay BallTable::PushPairQuick(int i, int j)
{
    // The steps of the grid tick's pass (MoveBallsGrid), for one pair: keep
    // the two alike. (A helper shared by both made the pass 5 % slower.)
    const float xj = BallX[j];
    const float yj = BallY[j];
    const PairTest p = TestPair(BallX[i], BallY[i], BallRadius[i], xj, yj, BallRadius[j]);
    if (!p.Overlap) {
        return PushWay::None;
    }
    const float dx = static_cast<float>(p.Dx);
    const float dy = static_cast<float>(p.Dy);
    if (dx != 0.0f) {
        const double push = static_cast<float>(p.RadiusSum / PushDivisor);
        const QuickSums s = QuickPushSums(BallX[i], BallY[i], xj, yj, dy, dx, push);
        if (s.Exact) {
            BallX[i] = s.Xi;
            BallY[i] = s.Yi;
            BallX[j] = s.Xj;
            BallY[j] = s.Yj;
            return PushWay::Quotient;
        }
    }
    const double angle = HitAngle;
    PushApart(*this, i, j, p.Dx, p.Dy, p.RadiusSum);
    HitAngle = angle;
    return PushWay::Library;
}

void BallTable::MoveBallsPlain(float width, float height)
{
    // Ordered pairs in slot order with immediate updates: a pair is met
    // twice per tick, and every test sees the positions of that moment.
    const int n = BallCount;
    for (int i = 0; i <= n; ++i) {
        SettleBall(i, width, height);
        for (int j = 0; j <= n; ++j) {
            if (j != i) {
                PushPair(i, j);
            }
        }
    }
}

bool BallTable::MoveBallsGrid(float width, float height, GridCounts* counts)
{
    Scratch scratch;
    if (!scratch.Grid || !scratch.Grid->Build(*this)) {
        MoveBallsPlain(width, height);
        if (counts) {
            *counts = {};
        }
        return false;
    }
    PairGrid& grid = *scratch.Grid;
    // The plain loop's pair pass, over the balls the grid says can overlap
    // i instead of all of them.
    GridCounts tally;
    const int n = BallCount;
    for (int i = 0; i <= n; ++i) {
        SettleBall(i, width, height);
        PairGrid::Cursor c = grid.Begin(*this, i);
        // The pass in stretches without a call, each holding ball i's values
        // in registers (every register of them is lost in a call); a push
        // that takes the library path or leaves the cells gathered ends a
        // stretch, and the next reads them again from the table.
        while (PairGrid::Any(c)) {
            double xi = BallX[i];
            double yi = BallY[i];
            const double ri = BallRadius[i];
            bool library = false;
            bool regather = false;
            int j = 0;
            while (PairGrid::Any(c)) {
                j = grid.Take(c);
                ++tally.Tests;
                const float xj = BallX[j];
                const float yj = BallY[j];
                const PairTest p = TestPair(xi, yi, ri, xj, yj, BallRadius[j]);
                if (!p.Overlap) {
                    continue;
                }
                ++tally.Pushes;
                const float dx = static_cast<float>(p.Dx);
                const float dy = static_cast<float>(p.Dy);
                grid.LastDx = dx;
                grid.LastDy = dy;
                if (dx == 0.0f) {
                    library = true;
                    break;
                }
                const double push = static_cast<float>(p.RadiusSum / PushDivisor);
                const QuickSums s = QuickPushSums(xi, yi, xj, yj, dy, dx, push);
                if (!s.Exact) [[unlikely]] {
                    library = true;
                    break;
                }
                BallX[i] = s.Xi;
                BallY[i] = s.Yi;
                BallX[j] = s.Xj;
                BallY[j] = s.Yj;
                xi = s.Xi;
                yi = s.Yi;
                if (!grid.Pushed(j, xi, yi)) [[unlikely]] {
                    regather = true;
                    break;
                }
            }
            if (library) {
                // The pair test again, from the same stored values: the same
                // differences and sum.
                const PairTest p = TestPair(xi, yi, ri, BallX[j], BallY[j], BallRadius[j]);
                PushApart(*this, i, j, p.Dx, p.Dy, p.RadiusSum);
                ++tally.Library;
                regather = !grid.Pushed(j, BallX[i], BallY[i]);
            }
            if (regather) {
                grid.Regather(j, BallX[i], BallY[i], c);
            }
        }
        grid.End(*this);
    }
    // HitAngle is what the last push leaves, and nothing reads it during the
    // tick: it is worked out once, at the end, from that push's differences.
    if (tally.Pushes > 0) {
        HitAngle = ATan2(grid.LastDy, grid.LastDx);
    }
    tally.Gathers = grid.Gathers();
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
        MoveBallsPlain(width, height);
    } else {
        MoveBallsGrid(width, height);
    }
}
