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

#include <array>
#include <bit>
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

// The one pair step every tick uses: test (i, j) against the positions
// stored now and push both apart if they overlap.
inline bool PairStep(BallTable& t, int i, int j)
{
    const double dx = static_cast<double>(t.BallX[i]) - t.BallX[j];
    const double dy = static_cast<double>(t.BallY[i]) - t.BallY[j];
    const double d2 = dx * dx + dy * dy;
    const double radiusSum = static_cast<double>(t.BallRadius[j]) + t.BallRadius[i];
    const double s = static_cast<float>(radiusSum);
    if (!(d2 < s * s)) {
        return false;
    }
    PushApart(t, i, j, dx, dy, radiusSum);
    return true;
}

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

bool BallTable::MoveBallsGrid(float width, float height)
{
    const int n = BallCount;
    if (!grid_.Build(BallX.data(), BallY.data(), BallRadius.data(), n)) {
        MoveBallsPlain(width, height);
        grid_.LastTick() = {};
        return false;
    }
    // Within i's pass only i and the balls it pushes move, and a ball it
    // pushes has had its test: the balls still to test stay where the grid
    // has them. So the set gathered from the cells around i holds every
    // ball left that can overlap i until i moves out of reach of those
    // cells; then the set grows by the cells newly in reach, for the slots
    // after the one just tested. i and the balls it pushed are refiled when
    // its pass ends: until then nothing asks where they are filed, since i
    // is left out of its own set and a pushed ball has had its test.
    Grid::Counts counts;
    Grid::SlotSet set;
    std::array<std::int16_t, MaxSlot + 1> pushed;
    const int words = grid_.Words();
    for (int i = 0; i <= n; ++i) {
        SettleBall(i, width, height);
        const double reach = grid_.ReachOf(BallRadius[i]);
        Grid::Rect have = grid_.Around(grid_.Locate(BallX[i], BallY[i]), reach);
        Grid::Room room = grid_.RoomOf(have);
        grid_.Gather(have, 0, set);
        ++counts.Gathers;
        set[i >> 6] &= ~Grid::Bit(i);
        int pushes = 0;
        int w = 0;
        std::uint64_t bits = set[0];
        for (;;) {
            while (bits == 0 && ++w < words) {
                bits = set[w];
            }
            if (bits == 0) {
                break;
            }
            // Ascending slot order, as the plain loop visits them.
            const int j = (w << 6) | std::countr_zero(bits);
            bits &= bits - 1;
            ++counts.Tests;
            if (!PairStep(*this, i, j)) {
                continue;
            }
            pushed[pushes++] = static_cast<std::int16_t>(j);
            const Grid::Spot spot = grid_.Locate(BallX[i], BallY[i]);
            if (room.Holds(spot, reach)) {
                continue;
            }
            const Grid::Rect need = grid_.Around(spot, reach);
            const Grid::Rect grown{std::min(have.C0, need.C0), std::max(have.C1, need.C1),
                                   std::min(have.R0, need.R0), std::max(have.R1, need.R1)};
            grid_.GatherMore(have, grown, w, set);
            have = grown;
            room = grid_.RoomOf(have);
            ++counts.Gathers;
            if ((i >> 6) >= w) {
                set[i >> 6] &= ~Grid::Bit(i);
            }
            // Slots up to j have had their test.
            bits = (j & 63) == 63 ? 0 : set[w] & (~std::uint64_t{0} << ((j & 63) + 1));
        }
        grid_.Refile(i, grid_.Locate(BallX[i], BallY[i]));
        for (int k = 0; k < pushes; ++k) {
            const int j = pushed[k];
            grid_.Refile(j, grid_.Locate(BallX[j], BallY[j]));
        }
        counts.Pushes += pushes;
    }
    grid_.LastTick() = counts;
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
