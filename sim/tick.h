// SPDX-License-Identifier: MIT
// The tick's own parts, for the tick's units (tick.cpp, pair_grid.cpp), its
// tests, benchmarks and fuzzer: the two ways of running a tick that
// BallTable::MoveBalls picks from, and the steps they are made of. The
// program calls MoveBalls alone (ball_table.h).
//
// Single-threaded by contract, like everything that changes a table: the
// grid tick's scratch (its grid, in tick.cpp) is one for the program, so two
// ticks must never run at once, not even on two tables.
#pragma once

#include "ball_table.h"
#include "quick_push.h"

// A pair is pushed apart by a tenth of its radius sum, each ball the whole
// amount, however deep the overlap.
inline constexpr double PushDivisor = 10.0;

// The tick as the plain double loop over ordered pairs: the definition the
// grid tick is tested against.
void MoveBallsPlain(BallTable& t, float width, float height);

// What a grid tick did, for tests and measurements.
struct GridCounts {
    int Tests = 0;   // pair tests made
    int Pushes = 0;  // of which overlapped
    int Gathers = 0; // candidate lists gathered
    int Library = 0; // pushes that took the library path (PushApart)
};
// The same tick, with each ball's pair pass testing only the balls a grid
// says can overlap it (sim/pair_grid.h), and pushing by QuickPush where it
// provably stores what PushApart stores. Returns false if it found the grid
// of no use for this table and ran the plain loop instead. Fills *counts if
// given.
bool MoveBallsGrid(BallTable& t, float width, float height, GridCounts* counts = nullptr);

// The fall and the clamps of ball i.
void SettleBall(BallTable& t, int i, float width, float height);
// The plain loop's pair step: tests the ordered pair (i, j) against the
// positions stored now and pushes both apart (PushApart) if they overlap,
// returning whether it pushed.
bool PushPair(BallTable& t, int i, int j);

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

// The push of an overlapping pair with its test p: HitAngle from ATan2, and
// both balls moved along it by the library's cos and sin.
void PushApart(BallTable& t, int i, int j, const PairTest& p);

// The grid pass's push of the overlapping pair (i, j), p its test with ball
// i at (xi, yi) and ball j at (xj, yj), the floats stored: the push of
// quick_push.h, without the trigonometry and leaving HitAngle alone. Where
// that provably stores PushApart's floats it stores them and returns true;
// elsewhere (no quotient, or a sum the check cannot vouch for) it stores
// nothing and returns false, and the caller pushes by PushApart. Inlined
// into the pass, which keeps its values in registers: ball i's floats are
// stored last, so that the pass reading them back gets them from the
// registers. (Other shapes cost more or worse: returning the four floats
// made GCC 12 pack them into vectors, 6 % more instructions a tick; setting
// the pass's xi and yi through references came out of its SLP vectorizer,
// -O2 and -O3, storing other bits. The GridTick tests caught that, and the
// determinism check runs them on every target.)
[[gnu::always_inline]] inline bool QuickPush(BallTable& t, int i, int j, const PairTest& p,
                                             double xi, double yi, float xj, float yj)
{
    const float dx = static_cast<float>(p.Dx);
    if (dx == 0.0f) {
        return false;
    }
    const double push = static_cast<float>(p.RadiusSum / PushDivisor);
    const QuickSums s = QuickPushSums(xi, yi, xj, yj, static_cast<float>(p.Dy), dx, push);
    if (!s.Exact) [[unlikely]] {
        return false;
    }
    t.BallX[j] = s.Xj;
    t.BallY[j] = s.Yj;
    t.BallX[i] = s.Xi;
    t.BallY[i] = s.Yi;
    return true;
}
