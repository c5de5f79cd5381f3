// SPDX-License-Identifier: MIT
// The full table for a long run in a window that keeps changing size: after
// every tick every value is finite, no ball is lost below the floor, past a
// wall or far above the top, and nothing was allocated (nor by presses and
// ticks on their own: a long run would grow).
//
// The bounds follow from the tick's rules. n = BallCount, N = n + 1 live
// balls, k a slot with radius r, R the largest radius in the table, W and H
// this tick's client size; all in world units (twips).
//
// Floor and walls. Ball k is pushed at most once in every other ball's pass
// and at most once by every other ball in its own pass. Its clamps come just
// before its own pass, so when the tick ends it has had at most
// E = n + (n - k) pushes since it was last clamped, each moving it
// (r + r_j) / 10 <= (r + R) / 10 along the line of centres, so by at most that
// in x and in y. After every tick therefore
//   y <= (H - r) + E (r + R) / 10                  (below the floor)
//   x <= (W - r) + E (r + R) / 10                  (right wall)
//   x >= min(r, W - r) - E (r + R) / 10            (left wall; the right
//                                                   clamp wins when W < 2r)
//
// Above the top there is no ceiling. Let Y0 be a y at or above every press
// and every floor H - R so far, D = 2.2 R and L_q = Y0 - q D. Claim: at most
// N - q balls are ever above L_q. Falls and clamps never lift a ball above Y0.
// A ball rises only when it is pushed off a lower ball that it overlaps:
// their centres are less than s = r + r_j apart and the push lifts it by at
// most s / 10, so it ends less than 1.1 s <= D above where the lower ball
// was. A push that lifts it across L_q thus finds both balls above L_{q-1}
// and neither above L_q: of the at most N - q + 1 balls above L_{q-1}, at
// most N - q - 1 were above L_q, and one more makes N - q. Hence the m-th
// highest ball has y >= Y0 - (N - m + 1) D, and the top one is at most N D
// above Y0, however long the run.
//
// A few units in the last place are allowed on top for the rounding of each
// stored coordinate to a float.
#include "sim_test_util.h"
#include "tick.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>

namespace {

// The global operator new and delete of this program are counting ones on
// malloc/free. Every form of both is replaced, so that the sanitizers, which
// track new/delete pairs, see one consistent allocator.
std::atomic<std::uint64_t> allocations{0};

void* Allocate(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

// Calls of operator new so far, every form.
std::uint64_t AllocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}

struct Violation {
    long tick = -1;
    int slot = 0;
    const char* what = nullptr;
    double value = 0;
    double bound = 0;
};

// How close the run came to each bound, for the log.
struct Extremes {
    double belowFloor = -1e300; // y - (H - r): > 0 when pushed into the floor
    double pastWall = -1e300;   // distance beyond the clamped range in x
    double aboveTop = -1e300;   // -y: how far the highest centre is above the top edge
    double topStair = 0;        // highest centre above Y0, in units of D
    double magnitude = 0;       // largest size or coordinate so far, for rounding slack
};

class Window {
public:
    explicit Window(std::mt19937& rng) : rng_(rng) {}

    // A new client size: mostly ordinary, but also none, a sliver, and vast.
    void Resize()
    {
        const int kind = Uniform(0, 100);
        if (kind < 60) {
            W = Uniform(600, 30000);
            H = Uniform(600, 20000);
        } else if (kind < 70) {
            static constexpr float tiny[] = {0.0f, 1.0f, 15.0f, 60.0f, 300.0f};
            W = tiny[Uniform(0, 5)];
            H = tiny[Uniform(0, 5)];
        } else if (kind < 80) {
            W = Uniform(0, 1300);
            H = Uniform(600, 20000);
        } else if (kind < 85) {
            W = Uniform(600, 30000);
            H = Uniform(0, 1300);
        } else if (kind < 95) {
            W = Uniform(30000, 1000000);
            H = Uniform(30000, 1000000);
        } else {
            W = std::exp2(Uniform(20, 27)) * Uniform(1, 15);
            H = std::exp2(Uniform(20, 27)) * Uniform(1, 15);
        }
    }

    int Uniform(int lo, int hiExclusive)
    {
        return std::uniform_int_distribution<int>(lo, hiExclusive - 1)(rng_);
    }

    float W = StartWidth;
    float H = StartHeight;

private:
    std::mt19937& rng_;
};

double Ulp(double magnitude)
{
    return std::fabs(magnitude) * 0x1p-23 + 0x1p-126;
}

// Checks one table against the bounds above; returns false at the first
// violation. Allocates nothing.
bool CheckTick(const BallTable& t, const Window& win, double y0, const BallTable& snapshot,
               int expectedCount, long tick, Violation& v, Extremes& ext)
{
    auto fail = [&](int slot, const char* what, double value, double bound) {
        v = {tick, slot, what, value, bound};
        return false;
    };
    if (t.BallCount != expectedCount) {
        return fail(0, "BallCount changed", t.BallCount, expectedCount);
    }
    if (!TableSound(t)) {
        return fail(0, "not sound (a value not finite or a slot past BallCount written)", 0, 0);
    }
    const int n = t.BallCount;
    double radiusMax = 0;
    double magnitude = std::max({std::fabs(y0), double{win.W}, double{win.H}});
    for (int k = 0; k <= n; ++k) {
        if (Bits(t.BallRadius[k]) != Bits(snapshot.BallRadius[k]) ||
            t.BallColor[k] != snapshot.BallColor[k]) {
            return fail(k, "radius or colour changed", t.BallRadius[k], snapshot.BallRadius[k]);
        }
        radiusMax = std::max(radiusMax, double{t.BallRadius[k]});
        magnitude =
            std::max({magnitude, std::fabs(double{t.BallX[k]}), std::fabs(double{t.BallY[k]})});
    }

    // The floor and wall bounds depend on this tick's pushes only; the climb
    // bound on every push so far, so its slack follows the largest magnitude.
    const double u = Ulp(magnitude);
    ext.magnitude = std::max(ext.magnitude, magnitude);
    for (int k = 0; k <= n; ++k) {
        const double r = t.BallRadius[k];
        const double pushes = 2.0 * n - k;
        const double reach = pushes * (r + radiusMax) / 10.0 * (1 + 0x1p-20) + (pushes + 2) * u;
        const double floorY = static_cast<float>(static_cast<double>(win.H) - r);
        const double rightX = static_cast<float>(static_cast<double>(win.W) - r);
        const double leftX = std::min(r, rightX);
        const double x = t.BallX[k];
        const double y = t.BallY[k];
        if (y > floorY + reach) {
            return fail(k, "below the floor", y, floorY + reach);
        }
        if (x > rightX + reach) {
            return fail(k, "past the right wall", x, rightX + reach);
        }
        if (x < leftX - reach) {
            return fail(k, "past the left wall", x, leftX - reach);
        }
        ext.belowFloor = std::max(ext.belowFloor, y - floorY);
        ext.pastWall = std::max({ext.pastWall, x - rightX, leftX - x});
        ext.aboveTop = std::max(ext.aboveTop, -y);
    }

    // The m-th highest centre (m from 1) lies at most (N - m + 1) D above Y0.
    static std::array<float, MaxSlot + 1> ys;
    // BallCount is never negative; saying so spares a false alarm of the
    // compiler's overflow warning.
    const auto count = static_cast<std::size_t>(std::clamp(n, 0, MaxSlot)) + 1;
    std::copy_n(t.BallY.begin(), count, ys.begin());
    std::sort(ys.begin(), ys.begin() + count);
    const double d = 2.2 * radiusMax * (1 + 0x1p-20) + 4 * Ulp(ext.magnitude);
    const int live = n + 1;
    for (int m = 1; m <= live; ++m) {
        const double bound = y0 - (live - m + 1) * d;
        if (ys[m - 1] < bound) {
            return fail(m, "too far above the top (m-th highest centre)", ys[m - 1], bound);
        }
    }
    if (d > 0) {
        ext.topStair = std::max(ext.topStair, (y0 - ys[0]) / d);
    }
    return true;
}

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

TEST(Soak, FullTableInAChangingWindowStaysInBounds)
{
    std::mt19937 rng(20040);
    Window win(rng);
    SceneRandom rnd;
    auto t = std::make_unique<BallTable>();
    t->InitBalls(win.W);

    // The lowest press and the least H - R so far (see above); R <= 630.
    double y0 = std::min(0.0, win.H - 630.0);
    long nextResize = win.Uniform(1, 500);
    int expectedCount = 0;
    Violation v;
    Extremes ext;
    auto snapshot = std::make_unique<BallTable>();
    long ticks = 0;

    const std::uint64_t allocationsBefore = AllocationCount();
    for (; ticks < TORVANE_SOAK_TICKS; ++ticks) {
        if (ticks == nextResize) {
            win.Resize();
            y0 = std::min(y0, win.H - 630.0);
            nextResize = ticks + win.Uniform(1, 500);
        }
        // A press every tick until the table is full, then now and then a
        // press that the full table must ignore.
        if (ticks < MaxSlot + 20 || ticks % 997 == 0) {
            const bool outside = win.Uniform(0, 100) < 15;
            const double w = win.W;
            const double h = win.H;
            std::uniform_real_distribution<double> px(outside ? -w - 5000 : 0,
                                                      outside ? 2 * w + 5000 : w);
            // Outside presses reach at most 20,000 above the top, so that Y0
            // stays near the window and the climb bound means something.
            std::uniform_real_distribution<double> py(outside ? -20000 : 0,
                                                      outside ? 2 * h + 5000 : h);
            const float x = static_cast<float>(px(rng));
            const float y = static_cast<float>(py(rng));
            const bool added = t->AddBall(x, y, rnd);
            if (added != (expectedCount < MaxSlot)) {
                v = {ticks, expectedCount,
                     "AddBall on a table with room refused, or a full one accepted", 0, 0};
                break;
            }
            if (added) {
                ++expectedCount;
                y0 = std::min(y0, double{y});
                snapshot->BallRadius[expectedCount] = t->BallRadius[expectedCount];
                snapshot->BallColor[expectedCount] = t->BallColor[expectedCount];
            }
        }
        t->MoveBalls(win.W, win.H);
        if (!CheckTick(*t, win, y0, *snapshot, expectedCount, ticks, v, ext)) {
            break;
        }
    }
    const std::uint64_t allocations = AllocationCount() - allocationsBefore;

    EXPECT_EQ(v.what, nullptr) << "tick " << v.tick << ", slot " << v.slot << ": " << v.what
                               << " (value " << v.value << ", bound " << v.bound << ")";
    EXPECT_EQ(ticks, TORVANE_SOAK_TICKS);
    EXPECT_EQ(t->BallCount, MaxSlot);
    EXPECT_EQ(allocations, 0u) << "the tick or AddBall allocated";
    std::printf("soak: %ld ticks, %d balls; furthest into the floor %.1f, past a wall %.1f, above "
                "the top edge %.1f world units; highest centre %.2f D above Y0 (bound %d D)\n",
                ticks, t->BallCount + 1, ext.belowFloor, ext.pastWall, ext.aboveTop, ext.topStair,
                t->BallCount + 1);
}

TEST(Soak, CheckCatchesALostBall)
{
    // The soak passes only if this check can fail: a ball sunk far into the
    // floor, thrown past a wall, flung high or turned into NaN must be caught.
    std::mt19937 rng(1);
    Window win(rng);
    auto t = std::make_unique<BallTable>();
    t->InitBalls(win.W);
    SceneRandom rnd;
    for (int k = 0; k < 50; ++k) {
        t->AddBall(100.0f * k, 2000.0f, rnd);
    }
    auto snapshot = std::make_unique<BallTable>(*t);
    t->MoveBalls(win.W, win.H);
    const double y0 = 0.0; // the anchor starts at the top edge
    Violation v;
    Extremes ext;
    ASSERT_TRUE(CheckTick(*t, win, y0, *snapshot, 50, 1, v, ext)) << v.what;

    const struct {
        float* field;
        float value;
        const char* what;
    } faults[] = {
        {&t->BallY[7], StartHeight + 50 * 2.0f * 126.0f, "below the floor"},
        {&t->BallX[8], -100000.0f, "past the left wall"},
        {&t->BallX[9], StartWidth + 100000.0f, "past the right wall"},
        {&t->BallY[10], -51 * 1400.0f - 10000.0f, "too far above the top (m-th highest centre)"},
        {&t->BallX[11], std::nanf(""),
         "not sound (a value not finite or a slot past BallCount written)"},
        {&t->BallY[60], 1.0f, "not sound (a value not finite or a slot past BallCount written)"}};
    for (const auto& f : faults) {
        const float saved = *f.field;
        *f.field = f.value;
        EXPECT_FALSE(CheckTick(*t, win, y0, *snapshot, 50, 1, v, ext)) << f.what;
        EXPECT_STREQ(v.what, f.what);
        *f.field = saved;
    }
    EXPECT_FALSE(CheckTick(*t, win, y0, *snapshot, 49, 1, v, ext));
    EXPECT_STREQ(v.what, "BallCount changed");
}

TEST(Memory, CounterSeesAllocations)
{
    // Without this the test below could pass with a counter that never counts.
    const std::uint64_t before = AllocationCount();
    auto p = std::make_unique<int>(7);
    auto q = std::make_unique<float[]>(3);
    EXPECT_EQ(AllocationCount() - before, 2u);
}

TEST(Memory, PressesAndTicksAllocateNothing)
{
    auto t = std::make_unique<BallTable>();
    t->InitBalls(StartWidth);
    SceneRandom rnd;
    SceneRandom where{99};
    const float sizes[][2] = {
        {StartWidth, StartHeight}, {0.0f, 0.0f}, {60.0f, StartHeight}, {1e7f, 1e6f}};

    const std::uint64_t before = AllocationCount();
    for (int k = 0; k < 1005; ++k) { // the last five find the table full
        t->AddBall(where() * StartWidth, where() * StartHeight, rnd);
        if (k % 100 == 0) {
            t->MoveBalls(StartWidth, StartHeight);
        }
    }
    for (const auto& s : sizes) {
        t->MoveBalls(s[0], s[1]);
        MoveBallsPlain(*t, s[0], s[1]);
    }
    const std::uint64_t during = AllocationCount() - before;

    EXPECT_EQ(t->BallCount, MaxSlot);
    EXPECT_EQ(during, 0u);
}
