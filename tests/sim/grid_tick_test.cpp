// SPDX-License-Identifier: MIT
// The grid tick against the plain double loop, every position and HitAngle
// compared bit for bit after every tick of random scenes: a pair the grid
// skips or tests out of order shows within a few ticks. And its quick push
// (sim/quick_push.h) against the library path: the bound E over random pairs,
// and pairs built to land within E of a float midpoint and just outside it.
#include "sim_test_util.h"
#include "tick.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
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
    EXPECT_GT(p.Counts.Gathers, MaxSlot + 1);
    EXPECT_GT(p.Counts.Pushes, 1000);
    EXPECT_LT(p.Counts.Tests, MaxSlot * (MaxSlot + 1) / 5);
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
    std::vector<Pair> pairs;
    pairs.emplace_back(*full);
    for (int balls : {63, 64, 65, 127}) {
        pairs.emplace_back(*RandomScene(static_cast<std::uint32_t>(balls), balls));
    }
    for (int tick = 0; tick < 40 * 5; ++tick) {
        ASSERT_TRUE(pairs[tick % 5].Step(W, H));
    }
    for (const Pair& p : pairs) {
        EXPECT_EQ(p.GridTicks, 40);
    }
}

TEST(GridTick, TableHoldsItsBallsAndNoScratch)
{
    // Four arrays of 1001 four-byte values, the count, Pi and HitAngle:
    // the grid lives beside the tick, not in every copy of a table.
    EXPECT_LE(sizeof(BallTable), 4 * 1001 * 4 + 32);
}

namespace {

// The four sums of a push as both ways form them, before rounding to
// floats: ball i's x and y, ball j's x and y. Differences and push as the
// pair test forms them.
struct Sums {
    double Quick[4];
    double Library[4];
    double QuickProducts[2]; // cos(HitAngle) push, sin(HitAngle) push
    double LibraryProducts[2];
    double Push;
    float Dx, Dy;
};

Sums SumsOf(const BallTable& t, float xi, float yi, float ri, float xj, float yj, float rj)
{
    const float dx = static_cast<float>(static_cast<double>(xi) - xj);
    const float dy = static_cast<float>(static_cast<double>(yi) - yj);
    const double push = static_cast<float>((static_cast<double>(rj) + ri) / 10.0);
    // No quotient for dx = 0: those pairs are the library path's alone.
    const QuotientProducts q = dx != 0.0f ? QuotientPushes(dy, dx, push) : QuotientProducts{};
    const double angle = t.ATan2(dy, dx);
    const double c = std::cos(angle) * push;
    const double sn = std::sin(angle) * push;
    return {{xi + q.C, yi - q.S, xj - q.C, yj + q.S},
            {xi + c, yi - sn, xj - c, yj + sn},
            {q.C, q.S},
            {c, sn},
            push,
            dx,
            dy};
}

// E of the check for a sum of a push.
double SlackOf(const Sums& s, int k)
{
    return (s.Dx > 0.0f ? QuickSlackRight : QuickSlackLeft) * std::fabs(s.Push) +
           QuickSlackRelative * std::fabs(s.Quick[k]);
}

// How far sum lies from the nearest point halfway between two floats.
double FromMidpoint(double sum)
{
    const float f = static_cast<float>(sum);
    const float next = std::nextafter(f, sum > f ? INFINITY : -INFINITY);
    return std::fabs(sum - (static_cast<double>(f) + next) / 2.0);
}

// Which way the grid pass pushes the pair (1, 2) of t: QuickPush, which
// stores only when it answers Quotient, or PushApart after it (Library).
enum class Way { None, Quotient, Library };
Way QuickPushOf(BallTable& t)
{
    const float xi = t.BallX[1];
    const float yi = t.BallY[1];
    const PairTest p = TestPair(xi, yi, t.BallRadius[1], t.BallX[2], t.BallY[2], t.BallRadius[2]);
    if (!p.Overlap) {
        return Way::None;
    }
    return QuickPush(t, 1, 2, p, xi, yi, t.BallX[2], t.BallY[2]) ? Way::Quotient : Way::Library;
}

// What the grid pass stores for the pair (1, 2) of placed: PushPair's
// floats if the quick push stored, else nothing yet. Returns PushPair's.
BallTable ExpectStoredAsPushPair(const BallTable& quick, const BallTable& placed, Way way)
{
    BallTable plain = placed;
    PushPair(plain, 1, 2);
    BallTable expected = way == Way::Quotient ? plain : placed;
    expected.HitAngle = placed.HitAngle; // left alone
    EXPECT_TRUE(SameTable(quick, expected));
    return plain;
}

} // namespace

TEST(QuickPush, SlackCoversTheLibraryOnRandomPairs)
{
    // Pairs of both signs of dx, quotients from 0 and 2^-60 to beyond 2^24
    // (steep pairs: the quadrant's edge), pushes of the radii a press gives
    // and far beyond, coordinates near 0 and far out. Every library sum must
    // lie within E of the quick one; the largest share of E used is printed.
    const BallTable t = StartTable();
    std::mt19937 rng(14);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto logUniform = [&](double lo, double hi) {
        return std::exp2(std::log2(lo) + unit(rng) * (std::log2(hi) - std::log2(lo)));
    };
    double worstShare = 0.0;
    double worstCoefficient[2] = {0.0, 0.0}; // dx > 0, dx < 0
    for (int n = 0; n < 1000000; ++n) {
        const float dx = static_cast<float>(logUniform(1e-3, 1e4)) * (n % 2 ? -1.0f : 1.0f);
        const int kind = n % 10;
        float dy = static_cast<float>(dx * logUniform(0x1p-60, 0x1p26));
        if (kind == 0) {
            dy = n % 20 < 10 ? 0.0f : -0.0f;
        } else if (kind < 5) {
            dy = static_cast<float>(dx * logUniform(0.01, 100.0));
        }
        if (unit(rng) < 0.5) {
            dy = -dy;
        }
        const float r =
            static_cast<float>(kind == 9 ? logUniform(1e-20, 1e20) : 30.0 + 600.0 * unit(rng));
        const float xj =
            static_cast<float>(unit(rng) < 0.2 ? logUniform(1e-6, 1.0) : logUniform(1.0, 1e7)) *
            (unit(rng) < 0.5 ? -1.0f : 1.0f);
        const float yj = static_cast<float>(logUniform(1e-3, 1e6));
        const Sums s = SumsOf(t, xj + dx, yj + dy, r, xj, yj, r);
        if (s.Dx == 0.0f || !(std::fabs(s.Push) * QuickSlackRight > 0x1p-140)) {
            continue;
        }
        const int side = s.Dx > 0.0f ? 0 : 1;
        const double push = std::fabs(s.Push);
        for (int k = 0; k < 2; ++k) {
            const double d = std::fabs(s.QuickProducts[k] - s.LibraryProducts[k]) / push;
            worstCoefficient[side] = std::fmax(worstCoefficient[side], d);
        }
        for (int k = 0; k < 4; ++k) {
            const double e = SlackOf(s, k);
            const double share = std::fabs(s.Quick[k] - s.Library[k]) / e;
            ASSERT_LE(share, 1.0) << "dx " << s.Dx << " dy " << s.Dy << " push " << s.Push
                                  << " sum " << k;
            worstShare = std::fmax(worstShare, share);
        }
    }
    std::printf("largest |library - quick| / E %.3f; largest coefficient difference %.4g (dx > "
                "0), %.4g (dx < 0)\n",
                worstShare, worstCoefficient[0], worstCoefficient[1]);
    // The pairs reach the bound's weakest point: the short Pi's error, twice
    // for dx > 0 and once for dx < 0, shows in full.
    EXPECT_GT(worstCoefficient[0], 2.6e-14);
    EXPECT_LT(worstCoefficient[0], QuickSlackRight);
    EXPECT_GT(worstCoefficient[1], 1.3e-14);
    EXPECT_LT(worstCoefficient[1], QuickSlackLeft);
}

TEST(QuickPush, BoundaryCasesStoreTheLibraryPathsFloats)
{
    // Ball j is placed so that one of its new coordinates lands about 3e-5
    // from 0, where the floats lie about as far apart as E is wide: that sum
    // falls within E of a float midpoint or just outside E, as its low bits
    // decide. Stepping the coordinate float by float gives both, for both
    // signs of dx, x sums (cosine) and y sums (sine). Within E the quick
    // push must leave the pair to the library path, just outside it must
    // store the plain pair step's floats; where the quotient form alone
    // rounds to another float than the library, only the check saves the
    // result.
    const BallTable start = StartTable();
    int within = 0;
    int outside = 0;
    int saved = 0;
    for (int side = 0; side < 2; ++side) {
        for (int axis = 0; axis < 2; ++axis) { // 0: ball j's x sum, 1: its y sum
            for (int geometry = 0; geometry < 6; ++geometry) {
                // Ball i off ball j by dx, dy (dx of the side's sign), radii
                // 100 and 80 + 7 geometry.
                const float sign = side == 0 ? 1.0f : -1.0f;
                const float along = 40.0f - 3.0f * geometry;
                const float across = 17.0f + 5.0f * geometry;
                const float dx = sign * (axis == 0 ? along : across);
                const float dy = axis == 0 ? across : -along;
                const float ri = 100.0f;
                const float rj = 80.0f + 7.0f * geometry;
                const int k = axis == 0 ? 2 : 3; // the sum of ball j aimed at
                auto place = [&](BallTable& t, float p) {
                    const float xj = axis == 0 ? p : 3000.0f;
                    const float yj = axis == 0 ? 3000.0f : p;
                    PutBall(t, xj + dx, yj + dy, ri);
                    PutBall(t, xj, yj, rj);
                };
                auto sumsAt = [&](float p) {
                    BallTable t = start;
                    place(t, p);
                    return SumsOf(start, t.BallX[1], t.BallY[1], ri, t.BallX[2], t.BallY[2], rj);
                };
                float p = 16.0f;
                for (int step = 0; step < 6; ++step) { // the sum to about 3e-5
                    p = static_cast<float>(p - (sumsAt(p).Quick[k] - 3e-5));
                }
                for (int m = 0; m < 300; ++m) {
                    p = std::nextafter(p, -INFINITY);
                }
                for (int m = 0; m <= 600; ++m, p = std::nextafter(p, INFINITY)) {
                    const Sums s = sumsAt(p);
                    const double d = FromMidpoint(s.Quick[k]);
                    const double e = SlackOf(s, k);
                    // Not the sliver where the check's own rounding decides.
                    const bool near = d < e * (1.0 - 1e-6);
                    if (!near && !(d > e * (1.0 + 1e-6) && d < 2.0 * e)) {
                        continue;
                    }
                    BallTable quick = start;
                    place(quick, p);
                    const BallTable placed = quick;
                    const Way way = QuickPushOf(quick);
                    ASSERT_EQ(way, near ? Way::Library : Way::Quotient)
                        << "distance to the midpoint " << d << ", E " << e;
                    const BallTable plain = ExpectStoredAsPushPair(quick, placed, way);
                    within += near ? 1 : 0;
                    outside += near ? 0 : 1;
                    const float stored = k == 2 ? plain.BallX[2] : plain.BallY[2];
                    if (Bits(static_cast<float>(s.Quick[k])) != Bits(stored)) {
                        ++saved;
                        EXPECT_TRUE(near);
                    }
                }
            }
        }
    }
    std::printf("boundary cases: %d within E, %d just outside, %d where the quotient form "
                "alone would round otherwise\n",
                within, outside, saved);
    EXPECT_GT(within, 100);
    EXPECT_GT(outside, 100);
    EXPECT_GT(saved, 10);
}

TEST(QuickPush, PairsWithoutAQuotientOrAFiniteSumTakeTheLibraryPath)
{
    // No quotient (vertical pairs, coincident centres), an infinite
    // quotient, an infinite push (sums not finite), and pushes too small
    // for the check: left to the library path, nothing stored.
    constexpr float inf = INFINITY;
    const struct {
        const char* what;
        float xi, yi, ri, xj, yj, rj;
        Way way;
    } cases[] = {
        {"vertical pair", 500.0f, 500.0f, 100.0f, 500.0f, 530.0f, 100.0f, Way::Library},
        {"coincident centres", 500.0f, 500.0f, 100.0f, 500.0f, 500.0f, 50.0f, Way::Library},
        {"quotient overflows", 1e-30f, 1e10f, 1e20f, 0.0f, 0.0f, 100.0f, Way::Library},
        {"infinite push", 500.0f, 500.0f, inf, 530.0f, 560.0f, 100.0f, Way::Library},
        {"push rounds to 0", 1e-45f, 0.0f, 3e-45f, 0.0f, 0.0f, 0.0f, Way::Library},
        {"push below the check's floor", 0.0f, 0.0f, 1e-32f, 1e-33f, -0.0f, 1e-32f, Way::Library},
        {"an ordinary pair", 500.0f, 500.0f, 100.0f, 530.0f, 560.0f, 100.0f, Way::Quotient},
        {"touching: no push", 1000.0f, 1000.0f, 100.0f, 1120.0f, 1160.0f, 100.0f, Way::None}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BallTable quick = StartTable();
        PutBall(quick, c.xi, c.yi, c.ri);
        PutBall(quick, c.xj, c.yj, c.rj);
        const BallTable placed = quick;
        EXPECT_EQ(QuickPushOf(quick), c.way);
        ExpectStoredAsPushPair(quick, placed, c.way);
    }
}
