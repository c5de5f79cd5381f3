// SPDX-License-Identifier: MIT
// Form1 on a fake window system: start-up, presses, ticks, drawing, resizing,
// hiding and minimising; and abuse (a burst of presses, a storm of resizes up
// to 20000 x 20000 pixels, a frame memory cannot hold), each case checking the
// pile to the bit against the simulation run on its own.
#include "window_test_util.h"

#include <vector>

using WindowTest = FormTest;

TEST_F(WindowTest, StartsWithCaptionSizeAndAnchor)
{
    EXPECT_STREQ(Form1::Caption, "Torvane Beta - Quillmoss 2004 (Click to add)");
    EXPECT_EQ(Form1::StartClientWidth, 605);
    EXPECT_EQ(Form1::StartClientHeight, 366);
    // Form_Load initialised the table for this client width; nothing is
    // drawn before the first tick.
    EXPECT_TRUE(SameTable(form.Table, StartTable()));
    EXPECT_EQ(form.Frame().pixels, nullptr);
    EXPECT_EQ(window.repaints, 0);
    // Shown, the form asks to be woken at the first timer boundary, which
    // brings the first tick: the anchor falls, and the whole frame is
    // repainted.
    EXPECT_EQ(window.clock.wake, Timer::Granularity);
    Tick();
    BallTable expected = StartTable();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form.Table, expected));
    ASSERT_EQ(window.repaints, 1);
    EXPECT_EQ(window.repainted, (std::vector<PixelRect>{{0, 0, 605, 366}}));
}

TEST_F(WindowTest, EveryButtonAndModifierAddsOneBallAtThePointer)
{
    // Positions in device-independent pixels, fractions kept, and the twips
    // they give: x * 15 rounded to a float once (rounding x to a float
    // first would give 1503.45007 and 151.049988 for the last one).
    const struct {
        double x, y;
        float twipsX, twipsY;
    } points[] = {{10, 300, 150.0f, 4500.0f},
                  {10.25, 20.75, 153.75f, 311.25f},
                  {0.5, 365.5, 7.5f, 5482.5f},
                  {604.75, 0.25, 9071.25f, 3.75f},
                  {302.3, 1.0 / 3, 4534.5f, 5.0f},
                  {0.1, 100.1, 1.5f, 1501.5f},
                  {100.23, 10.07, 1503.44995f, 151.050003f}};
    const int buttons[] = {LeftButton, RightButton, MiddleButton, ExtraButton};
    int k = 0;
    for (const int button : buttons) {
        for (int shift = 0; shift <= (ShiftMask | CtrlMask | AltMask); ++shift) {
            const auto& p = points[k % std::size(points)];
            SCOPED_TRACE(::testing::Message() << "button " << button << " shift " << shift);
            form.MouseDown(button, shift, p.x, p.y);
            ++k;
            ASSERT_EQ(form.Table.BallCount, k);
            EXPECT_BITS(form.Table.BallX[k], p.twipsX);
            EXPECT_BITS(form.Table.BallY[k], p.twipsY);
        }
    }
    EXPECT_EQ(k, 32);
}

TEST_F(WindowTest, ColoursAndRadiiFollowTheRandomSource)
{
    Press(100, 100);
    Press(200, 100);
    Rnd rnd;
    BallTable expected = StartTable();
    expected.AddBall(1500, 1500, rnd);
    expected.AddBall(3000, 1500, rnd);
    EXPECT_TRUE(SameTable(form.Table, expected));
}

TEST_F(WindowTest, APressDrawsNothingUntilTheNextTick)
{
    Tick();
    const std::vector<std::uint32_t> before = Pixels(form.Frame());
    const int repaints = window.repaints;
    Press(150, 100);
    ASSERT_EQ(form.Table.BallCount, 1);
    EXPECT_EQ(Pixels(form.Frame()), before);
    EXPECT_EQ(window.repaints, repaints);

    Tick();
    const float x = form.Table.BallX[1];
    const float y = form.Table.BallY[1];
    const float r = form.Table.BallRadius[1];
    EXPECT_BITS(y, 1545.0f); // fallen one step, nothing near it
    // The ball's colour on its ring, the background inside it.
    const std::uint32_t ring = RgbWordOf(form.Table.BallColor[1]);
    EXPECT_EQ(At(x + r, y), ring);
    EXPECT_EQ(At(x - r, y), ring);
    EXPECT_EQ(At(x, y + r), ring);
    EXPECT_EQ(At(x, y), window.background);
}

TEST_F(WindowTest, ResizingMovesTheWallsFromTheNextTick)
{
    Press(580, 100);
    Press(400, 340);
    Tick();
    BallTable expected = form.Table;

    Resize(300, 200);
    // Nothing moves until the tick reads the new size.
    EXPECT_TRUE(SameTable(form.Table, expected));
    Tick();
    expected.MoveBalls(4500.0f, 3000.0f);
    EXPECT_TRUE(SameTable(form.Table, expected));
    EXPECT_LE(form.Table.BallX[0], 4500.0f);
    EXPECT_LE(form.Table.BallY[0], 3000.0f);
    EXPECT_EQ(form.Frame().width, 300);
    EXPECT_EQ(form.Frame().height, 200);
    EXPECT_EQ(window.repainted.back(), (PixelRect{0, 0, 300, 200}));
}

TEST_F(WindowTest, TheFrameIsTheClientAreasDevicePixels)
{
    // A page 607 pixels wide at ratio 1.75 lays its canvas out 1062 device
    // pixels wide, not 1062.25 rounded up: the frame takes the window
    // system's size, so that it is shown pixel for pixel.
    window.ratio = 1.75;
    window.deviceWidth = 1062;
    Resize(607, 366);
    Tick();
    EXPECT_EQ(form.Frame().width, 1062);
    EXPECT_EQ(form.Frame().height, 641); // 366 x 1.75 = 640.5, rounded
    EXPECT_EQ(window.repainted.back(), (PixelRect{0, 0, 1062, 641}));
}

TEST(WindowRules, EventsBeforeLoadWaitForIt)
{
    // What a window system may report while the adapter makes its window.
    FakeWindow window;
    Form1 form{window};
    form.Minimised();
    form.Shown();
    form.MouseDown(LeftButton, 0, 100, 100);
    window.width = 500;
    form.ClientChanged();
    form.WakeUp();
    EXPECT_EQ(form.Table.BallCount, 0);
    EXPECT_FALSE(window.clock.wake);
    EXPECT_EQ(window.repaints, 0);
    // Loaded: the anchor at half the width it reads now; shown but
    // minimised, so no tick until the window is restored.
    form.Form_Load();
    EXPECT_BITS(form.Table.BallX[0], 3750.0f);
    EXPECT_FALSE(window.clock.wake);
    form.Restored();
    EXPECT_EQ(window.clock.wake, Timer::Granularity);
}

TEST_F(WindowTest, NoTickRunsWhileHiddenOrMinimised)
{
    // A full table, which moves at every tick, so that each cycle below can
    // check that it went on exactly where it stopped.
    PressMany(MaxSlot);
    Tick(200);
    BallTable expected = form.Table;
    const struct {
        const char* name;
        void (Form1::*away)();
        void (Form1::*back)();
        // A minimised window may report an empty client area.
        int awayWidth, awayHeight;
    } ways[] = {{"hidden", &Form1::Hidden, &Form1::Shown, 605, 366},
                {"minimised", &Form1::Minimised, &Form1::Restored, 0, 0}};
    for (const auto& w : ways) {
        for (int cycle = 0; cycle < 10; ++cycle) {
            SCOPED_TRACE(::testing::Message() << w.name << " " << cycle);
            const std::vector<std::uint32_t> frame = Pixels(form.Frame());
            const int repaints = window.repaints;
            (form.*w.away)();
            Resize(w.awayWidth, w.awayHeight);
            EXPECT_FALSE(form.Visible());
            EXPECT_FALSE(Ticking());
            // A second of timer boundaries, and wake-ups all the same.
            for (int k = 0; k < 64; ++k) {
                Tick();
                form.WakeUp();
            }
            ASSERT_TRUE(SameTable(form.Table, expected));
            EXPECT_EQ(window.repaints, repaints);

            Resize(605, 366);
            (form.*w.back)();
            EXPECT_TRUE(form.Visible());
            EXPECT_TRUE(Ticking());
            EXPECT_EQ(Pixels(form.Frame()), frame);
            Tick();
            expected.MoveBalls(StartWidth, StartHeight);
            ASSERT_TRUE(SameTable(form.Table, expected));
        }
    }
}

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
        if (w == 0 || h == 0 ? f.pixels != nullptr
                             : f.pixels == nullptr || f.width != w || f.height != h) {
            return ::testing::AssertionFailure() << "frame " << f.width << " x " << f.height
                                                 << " for a client of " << w << " x " << h;
        }
        for (std::size_t k = from; k < window.repainted.size(); ++k) {
            const PixelRect& r = window.repainted[k];
            if (r.Empty() || r.left < 0 || r.top < 0 || r.right > f.width || r.bottom > f.height) {
                return ::testing::AssertionFailure() << "repaint " << k << " outside the frame";
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
