// SPDX-License-Identifier: MIT
// Form1 under abuse on a fake window system: a burst of presses far beyond
// the table, a storm of resizes from 0 x 0 to 20000 x 20000 pixels, a client
// area whose frame memory cannot hold. Every case checks the pile to the bit
// against the simulation run on its own, not just that nothing broke.
#include "window_test_util.h"

#include <vector>

namespace {

struct Size {
    int width;
    int height;
};

constexpr Size StartSize{605, 366};

class WindowStress : public FormTest {
protected:
    // The latest frame covers the whole client area in device pixels, and
    // every repaint asked for since `from` lay inside the frame.
    ::testing::AssertionResult FrameFitsClient(std::size_t from = 0)
    {
        const PixelFrame& f = form.Frame();
        const int w = window.DeviceWidth();
        const int h = window.DeviceHeight();
        // An empty client area is the one size whose frame has no pixels.
        const bool empty = w == 0 || h == 0;
        if (empty ? f.pixels != nullptr : f.pixels == nullptr || f.width != w || f.height != h) {
            return ::testing::AssertionFailure()
                   << "frame " << f.width << " x " << f.height
                   << (f.pixels == nullptr ? " (none)" : "") << ", client " << window.width << " x "
                   << window.height << " at ratio " << window.ratio;
        }
        for (std::size_t k = from; k < window.repainted.size(); ++k) {
            const PixelRect& r = window.repainted[k];
            if (r.Empty() || r.left < 0 || r.top < 0 || r.right > f.width || r.bottom > f.height) {
                return ::testing::AssertionFailure()
                       << "repaint " << r.left << "," << r.top << " to " << r.right << ","
                       << r.bottom << " outside the frame";
            }
        }
        return ::testing::AssertionSuccess();
    }

    // A full table (a press per slot), settled for a second: the pile the
    // resize storms shake.
    void CrowdedPile()
    {
        PressMany(MaxSlot);
        ASSERT_EQ(form.Table.BallCount, MaxSlot);
        Tick(64);
    }

    // Each burst of sizes, then one tick; only the last size of a burst
    // counts, as when a window edge is dragged. After every tick the pile is
    // the simulation's own to the bit and the frame is the client's size.
    void Storm(const std::vector<std::vector<Size>>& storm)
    {
        BallTable expected = form.Table;
        int resizes = 0;
        for (const auto& burst : storm) {
            for (const Size& size : burst) {
                Resize(size.width, size.height);
                ++resizes;
            }
            const Size size = burst.back();
            SCOPED_TRACE(::testing::Message()
                         << "resize " << resizes << " to " << size.width << " x " << size.height);
            // Nothing moves until a tick reads the new size.
            ASSERT_TRUE(SameTable(form.Table, expected));
            const std::size_t repainted = window.repainted.size();
            Tick();
            expected.MoveBalls(Twips(size.width), Twips(size.height));
            ASSERT_TRUE(SameTable(form.Table, expected));
            ASSERT_TRUE(TableSound(form.Table));
            ASSERT_TRUE(FrameFitsClient(repainted));
        }
        RecordProperty("resizes", resizes);
        RecordProperty("ticks", static_cast<int>(storm.size()));
    }
};

// Storms that take seconds and gigabytes: labelled soak, run in CI.
using WindowStressSoak = WindowStress;

} // namespace

TEST_F(WindowStress, BurstOfPressesFillsTheTableThenChangesNothing)
{
    // 5000 presses with no tick between them, every button and modifier.
    constexpr int Presses = 5000;
    const int buttons[] = {LeftButton, RightButton, MiddleButton, ExtraButton};
    for (int k = 0; k < Presses; ++k) {
        form.MouseDown(buttons[k % 4], k % 8, Spread(k).x, Spread(k).y);
    }

    // The same table after only the first 1000 presses, with a fresh
    // random source: the other 4000 took no slot and no random value.
    Rnd rnd;
    BallTable expected = StartTable();
    for (int k = 0; k < MaxSlot; ++k) {
        expected.AddBall(Twips(Spread(k).x), Twips(Spread(k).y), rnd);
    }
    ASSERT_EQ(form.Table.BallCount, MaxSlot);
    EXPECT_TRUE(SameTable(form.Table, expected));

    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form.Table, expected));
    EXPECT_TRUE(FrameFitsClient());
}

TEST_F(WindowStress, ResizeStormKeepsThePileExactAndTheFrameTheClientSize)
{
    CrowdedPile();
    // The extremes first: a window a pixel wide or high crushes the pile
    // against the walls, one 20000 pixels long is a long thin frame, and an
    // empty client area has no frame at all. Then a run of ordinary sizes,
    // several to a tick.
    std::vector<std::vector<Size>> storm = {{{1, 1}}, {StartSize}, {{1, 20000}}, {{20000, 1}},
                                            {{0, 0}}, {{2, 3}},    {{0, 366}},   {{605, 0}},
                                            {{1, 1}}, {{640, 480}}};
    SceneRandom random;
    for (int step = 0; step < 100; ++step) {
        std::vector<Size> burst;
        for (int k = 0; k < 1 + step % 4; ++k) {
            burst.push_back(
                {1 + static_cast<int>(random() * 1920), 1 + static_cast<int>(random() * 1200)});
        }
        storm.push_back(burst);
    }
    storm.push_back({StartSize});
    Storm(storm);
}

TEST_F(WindowStressSoak, TwentyThousandPixelsASideKeepThePileExact)
{
    // A 1.6 GB frame, reached from a pixel and left for one, twice.
    CrowdedPile();
    Storm({{{1, 1}}, {{20000, 20000}}, {{1, 1}}, {{20000, 20000}}, {{640, 480}}, {StartSize}});
}

TEST_F(WindowStress, AFrameTooLargeForMemoryShowsTheBackgroundUntilOneFits)
{
    if (UnderAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer ends the process on an allocation it cannot make";
    }
    // Three balls well apart, so that each ring can be seen.
    const Dip at[] = {{100, 100}, {300, 150}, {500, 100}};
    for (const Dip& p : at) {
        Press(p.x, p.y);
    }
    Tick();
    BallTable expected = form.Table;

    // The largest window Qt allows: its frame would be 1.1 PB, beyond any
    // address space, so the allocation fails on every machine. The pile goes
    // on moving at that size all the same; the whole client area is
    // repainted once, the background now that there is no frame, and then
    // nothing.
    const Size huge{16777215, 16777215};
    Resize(huge.width, huge.height);
    const int repaints = window.repaints + 1;
    for (int k = 0; k < 3; ++k) {
        Tick();
        expected.MoveBalls(Twips(huge.width), Twips(huge.height));
        ASSERT_TRUE(SameTable(form.Table, expected));
        ASSERT_TRUE(TableSound(form.Table));
        EXPECT_EQ(form.Frame().pixels, nullptr);
    }
    EXPECT_EQ(window.repaints, repaints);
    EXPECT_EQ(window.repainted.back(), (PixelRect{0, 0, huge.width, huge.height}));

    const std::size_t fits = window.repainted.size();
    Resize(StartSize.width, StartSize.height);
    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    ASSERT_TRUE(SameTable(form.Table, expected));
    ASSERT_TRUE(FrameFitsClient(fits));
    EXPECT_EQ(window.repainted.back(), (PixelRect{0, 0, 605, 366}));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(At(form.Table.BallX[i] + form.Table.BallRadius[i], form.Table.BallY[i]),
                  RgbWordOf(form.Table.BallColor[i]))
            << "ball " << i;
    }
}
