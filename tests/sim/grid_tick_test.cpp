// SPDX-License-Identifier: MIT
// The grid tick against the plain double loop: random scenes stepped side
// by side, every position and HitAngle compared bit for bit after every
// tick. A pair the grid wrongly skips, or tests out of order, shows up as
// a differing bit within a few ticks.
#include "sim_test_util.h"
#include "tick.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr float W = StartWidth;
constexpr float H = StartHeight;

// Two copies of one table, one stepped by each tick.
struct Pair {
    std::unique_ptr<BallTable> Grid;
    std::unique_ptr<BallTable> Plain;

    explicit Pair(const BallTable& start)
        : Grid(std::make_unique<BallTable>(start)), Plain(std::make_unique<BallTable>(start))
    {
    }

    // What the last grid tick did; ticks run, those through the grid, and
    // the pushes of those, all of them and those by the library path.
    GridCounts Counts;
    int Ticks = 0;
    int GridTicks = 0;
    long Pushes = 0;
    long Library = 0;

    // Steps both and compares them.
    ::testing::AssertionResult Step(float width, float height)
    {
        if (MoveBallsGrid(*Grid, width, height, &Counts)) {
            ++GridTicks;
            Pushes += Counts.Pushes;
            Library += Counts.Library;
        }
        MoveBallsPlain(*Plain, width, height);
        return SameTable(*Grid, *Plain) << ", " << Grid->BallCount << " balls, tick " << Ticks++
                                        << ", window " << width << " x " << height;
    }
};

float Between(SceneRandom& r, float lo, float hi)
{
    return lo + r() * (hi - lo);
}

// A random scene of the kinds a grid can get wrong: radii at both ends of
// their range, clusters of coincident centres, balls far above the top
// edge, and some balls far outside the window.
std::unique_ptr<BallTable> RandomScene(std::uint32_t seed, int balls)
{
    SceneRandom r{seed};
    auto t = std::make_unique<BallTable>(StartTable());
    while (t->BallCount < balls) {
        const float kind = r();
        float x = Between(r, 0.0f, W);
        float y = Between(r, 0.0f, H);
        float radius = Between(r, 30.0f, 630.0f);
        if (kind < 0.1f) {
            radius = 30.0f; // least radius
        } else if (kind < 0.2f) {
            radius = std::nextafter(630.0f, 0.0f); // largest a press can give
        } else if (kind < 0.25f) {
            radius = 0.0f; // like the anchor
        } else if (kind < 0.35f) {
            y = Between(r, -60000.0f, -1000.0f); // far above the top edge
        } else if (kind < 0.38f) {
            x = Between(r, -20000.0f, 30000.0f);
            y = Between(r, -2.0e6f, 2.0e4f);
        }
        PutBall(*t, x, y, radius);
        // Now and then several balls at exactly one point.
        if (r() < 0.08f) {
            for (int k = static_cast<int>(r() * 4.0f); k >= 0 && t->BallCount < balls; --k) {
                PutBall(*t, x, y, Between(r, 30.0f, 630.0f));
            }
        }
    }
    return t;
}

// Window sizes for a run of ticks: the start-up size, narrower than a
// ball, zero, short and wide, tall and thin.
void PickSize(SceneRandom& r, float& width, float& height)
{
    const float k = r();
    if (k < 0.3f) {
        width = W;
        height = H;
    } else if (k < 0.4f) {
        width = Between(r, 0.0f, 600.0f);
        height = Between(r, 0.0f, H);
    } else if (k < 0.45f) {
        width = 0.0f;
        height = 0.0f;
    } else if (k < 0.6f) {
        width = Between(r, 20000.0f, 60000.0f);
        height = Between(r, 1000.0f, 3000.0f);
    } else if (k < 0.7f) {
        width = Between(r, 1000.0f, 3000.0f);
        height = Between(r, 3000.0f, 20000.0f);
    } else {
        width = Between(r, 2000.0f, 15000.0f);
        height = Between(r, 2000.0f, 10000.0f);
    }
}

} // namespace

TEST(GridTick, RandomScenesMatchThePlainLoopEveryTick)
{
    int gridTicks = 0;
    int ticks = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        SceneRandom r{seed * 7919u};
        const int balls = 2 + static_cast<int>(r() * 220.0f);
        Pair p(*RandomScene(seed, balls));
        float width = W;
        float height = H;
        for (int tick = 0; tick < 300; ++tick) {
            if (tick % 60 == 0 && tick > 0) {
                PickSize(r, width, height);
            }
            ASSERT_TRUE(p.Step(width, height)) << ", seed " << seed;
        }
        gridTicks += p.GridTicks;
        ticks += p.Ticks;
    }
    // Nearly all of them really went through the grid.
    EXPECT_GT(gridTicks, ticks * 9 / 10);
}

TEST(GridTick, FullTableMatchesThePlainLoopEveryTick)
{
    // Every slot taken through AddBall, pressed all over the window and
    // above it, settling into a tall jiggling pile: the start-up window,
    // narrower, lower, wider, a sliver that piles every ball against both
    // walls at once, a square smaller than a ball.
    auto start = std::make_unique<BallTable>(StartTable());
    SceneRandom rnd;
    SceneRandom where{4242};
    while (!start->Full()) {
        const float x = where() * W;
        const float y = where() * (H + 20000.0f) - 20000.0f;
        start->AddBall(x, y, rnd);
    }
    Pair p(*start);
    const float sizes[][2] = {{W, H},      {4000.0f, H}, {W, 2000.0f},        {20000.0f, 4000.0f},
                              {600.0f, H}, {W, H},       {12000.0f, 8000.0f}, {300.0f, 300.0f},
                              {W, H}};
    for (int tick = 0; tick < 270; ++tick) {
        ASSERT_TRUE(p.Step(sizes[tick / 30][0], sizes[tick / 30][1]));
    }
    EXPECT_EQ(p.GridTicks, p.Ticks);
    // The pile is crowded: balls leave their cells within a pass, so the
    // candidate sets had to grow, and the grid still tested a small share
    // of the million ordered pairs.
    const auto& counts = p.Counts;
    EXPECT_GT(counts.Gathers, MaxSlot + 1);
    EXPECT_GT(counts.Pushes, 1000);
    EXPECT_LT(counts.Tests, MaxSlot * (MaxSlot + 1) / 5);
}

TEST(GridTick, PilesOnZeroAndOnVerticalsMatchThePlainLoop)
{
    // Radii from a few values and windows as wide or as high as one of
    // them: the walls clamp balls to x = 0 or y = 0 exactly, pushes leave
    // sums near 0 (where the floats lie densest, and the quick push's check
    // sends many to the library path), balls stacked at one x make vertical
    // pairs (dx = 0: no quotient) and balls at one point coincident ones.
    auto start = std::make_unique<BallTable>(StartTable());
    SceneRandom r{2026};
    constexpr float radii[] = {30.0f, 100.0f, 300.0f};
    while (start->BallCount < 240) {
        const float radius = radii[static_cast<int>(r() * 3.0f)];
        const float x = r() < 0.5f ? 0.0f : Between(r, 0.0f, 600.0f);
        PutBall(*start, x, Between(r, -3000.0f, H), radius);
        if (r() < 0.1f) {
            PutBall(*start, x, start->BallY[start->BallCount], radius);
        }
    }
    Pair p(*start);
    const float sizes[][2] = {{100.0f, H}, {300.0f, 300.0f}, {W, 100.0f}, {0.0f, 0.0f}, {W, H}};
    for (int tick = 0; tick < 250; ++tick) {
        ASSERT_TRUE(p.Step(sizes[tick / 50][0], sizes[tick / 50][1]));
    }
    EXPECT_EQ(p.GridTicks, p.Ticks);
    // Both ways of pushing were taken, many times (73 of 663,758 pushes took
    // the library path when this was written).
    EXPECT_GT(p.Library, 20);
    EXPECT_GT(p.Pushes - p.Library, 100000);
}

TEST(GridTick, PileFarAboveAndFarWideClampsIntoEdgeCells)
{
    // Positions spanning far more cells than the grid has: the grid covers
    // part of them and clamps the rest into its edge cells.
    auto start = std::make_unique<BallTable>(StartTable());
    SceneRandom r{99};
    for (int k = 0; k < 300; ++k) {
        const float y = k < 100 ? Between(r, -3.0e7f, -1.0e7f) : Between(r, -5000.0f, H);
        PutBall(*start, Between(r, 0.0f, 2.0e6f), y, Between(r, 30.0f, 630.0f));
    }
    Pair p(*start);
    for (int tick = 0; tick < 100; ++tick) {
        ASSERT_TRUE(p.Step(tick < 50 ? 2.0e6f : 3000.0f, H));
    }
    EXPECT_EQ(p.GridTicks, p.Ticks);
}

TEST(GridTick, NonFiniteValuesMatchThePlainLoop)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    auto start = RandomScene(5, 80);
    PutBall(*start, nan, 1000.0f, 100.0f);
    PutBall(*start, 2000.0f, nan, 100.0f);
    PutBall(*start, inf, 3000.0f, 200.0f);
    PutBall(*start, 4000.0f, -inf, 200.0f);
    PutBall(*start, 4000.0f, 5000.0f, nan);
    PutBall(*start, 4010.0f, 5000.0f, 300.0f);
    Pair p(*start);
    for (int tick = 0; tick < 200; ++tick) {
        ASSERT_TRUE(p.Step(W, H));
    }
    EXPECT_EQ(p.GridTicks, p.Ticks);
}

TEST(GridTick, FallsBackWhenNoReachBoundsThePairs)
{
    // An infinite radius overlaps every finite ball: no grid can help.
    auto start = RandomScene(6, 40);
    PutBall(*start, 100.0f, 100.0f, std::numeric_limits<float>::infinity());
    Pair p(*start);
    EXPECT_TRUE(p.Step(W, H));
    // A lone anchor is a grid of one cell.
    Pair lone(StartTable());
    EXPECT_TRUE(lone.Step(W, H));
    EXPECT_EQ(p.GridTicks + lone.GridTicks, 0);
}

TEST(GridTick, MoveBallsMatchesThePlainLoopAcrossTheSwitchOver)
{
    // MoveBalls picks the plain loop for small tables and the grid for
    // larger ones; presses between ticks take the table across.
    auto grid = std::make_unique<BallTable>(StartTable());
    auto plain = std::make_unique<BallTable>(StartTable());
    SceneRandom ra;
    SceneRandom rb;
    SceneRandom where{31};
    for (int k = 0; k < 120; ++k) {
        const float x = where() * W;
        const float y = where() * H;
        grid->AddBall(x, y, ra);
        plain->AddBall(x, y, rb);
        for (int tick = 0; tick < 5; ++tick) {
            grid->MoveBalls(W, H);
            MoveBallsPlain(*plain, W, H);
            ASSERT_TRUE(SameTable(*grid, *plain)) << "press " << k << ", tick " << tick;
        }
    }
}

TEST(GridTick, TablesTakingTurnsShareTheScratchCleanly)
{
    // One grid serves every table in turn: ticks of a full table and of
    // small ones (64 and 65 live slots end on and just past a 64-slot word
    // of the grid's sets) interleaved, each matching its plain twin.
    auto full = std::make_unique<BallTable>(StartTable());
    SceneRandom rnd;
    SceneRandom where{77};
    while (!full->Full()) {
        full->AddBall(where() * W, where() * H, rnd);
    }
    Pair big(*full);
    std::vector<Pair> small;
    for (int balls : {63, 64, 65, 127}) {
        small.emplace_back(*RandomScene(static_cast<std::uint32_t>(balls), balls));
    }
    for (int tick = 0; tick < 40; ++tick) {
        ASSERT_TRUE(big.Step(W, H));
        for (Pair& p : small) {
            ASSERT_TRUE(p.Step(W, H));
        }
    }
    EXPECT_EQ(big.GridTicks, 40);
    for (const Pair& p : small) {
        EXPECT_EQ(p.GridTicks, 40);
    }
}

TEST(GridTick, TableHoldsItsBallsAndNoScratch)
{
    // Four arrays of 1001 four-byte values, the count, Pi and HitAngle:
    // the grid lives beside the tick, not in every copy of a table.
    EXPECT_LE(sizeof(BallTable), 4 * 1001 * 4 + 32);
}
