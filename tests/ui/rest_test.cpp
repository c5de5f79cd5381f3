// SPDX-License-Identifier: MIT
// The window's timer and its rest on a fake clock (no test here waits): the
// cadence; once a tick changes nothing the timer stops, and what wakes it (a
// press, a resize, showing, restoring, a new background or ratio) gives the
// pile of a run that had ticked throughout.
#include "window_test_util.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Twelve presses over the middle of the start-up client area, pixels.
const Dip Pile[] = {{300, 40}, {250, 120}, {350, 80},  {210, 200}, {390, 150}, {280, 260},
                    {330, 20}, {240, 60},  {370, 230}, {310, 160}, {200, 110}, {410, 50}};

using RestTest = FormTest;

} // namespace

TEST_F(RestTest, TheAnchorRestsOnTheTickAfterItReachesTheFloor)
{
    // A black dot that sinks to the floor.
    Tick();
    const float x = form.Table.BallX[0];
    EXPECT_EQ(At(x, 45), 0x000000u);
    // It reaches the floor at tick 122 (5490 / 45); tick 123 changes nothing,
    // and the pile rests: the timer stops, no wake-up is left asked for.
    Tick(121);
    EXPECT_BITS(form.Table.BallY[0], StartHeight);
    EXPECT_EQ(At(x, StartHeight - 2 * TwipsPerPixel), 0x000000u);
    EXPECT_EQ(At(x, 45), window.background);
    EXPECT_TRUE(Ticking());
    Tick();
    EXPECT_FALSE(Ticking());
}

TEST_F(RestTest, PauseAndPressGiveThePileOfARunThatTickedThroughout)
{
    for (const Dip& p : Pile) {
        Press(p.x, p.y);
    }
    const int ticks = TickUntilRest(1000);
    ASSERT_FALSE(Ticking());
    EXPECT_EQ(ticks, 496);
    const std::uint64_t resting = StateHash(form.Table);

    // Ten seconds pass: 640 boundaries, and no wake-up is asked for. One
    // that comes all the same (an event loop that wakes early or often)
    // runs no tick.
    for (int k = 0; k < 640; ++k) {
        Tick();
        ASSERT_FALSE(window.clock.wake);
        form.WakeUp();
    }
    EXPECT_FALSE(Ticking());
    EXPECT_EQ(StateHash(form.Table), resting);

    // A press between two boundaries: the next tick comes at the first one
    // at least the 1 ms interval later.
    window.clock.now = 20s + 3ms;
    Press(120, 90);
    EXPECT_EQ(window.clock.wake, 20'015'625us);
    window.clock.now = 20'015'625us - 1ns;
    form.WakeUp();
    EXPECT_EQ(form.Table.BallY[13], 1350.0f); // not yet fallen
    window.clock.now = 20'015'625us;
    ASSERT_TRUE(window.clock.TakeDueWake());
    form.WakeUp();
    EXPECT_EQ(form.Table.BallY[13], 1395.0f);
    Tick(299);

    // The same presses with a tick at every boundary: rest, the ten
    // seconds, the press, the 300 ticks after it.
    BallTable expected = StartTable();
    Rnd rnd;
    for (const Dip& p : Pile) {
        expected.AddBall(Twips(p.x), Twips(p.y), rnd);
    }
    for (int k = 0; k < ticks + 640; ++k) {
        expected.MoveBalls(StartWidth, StartHeight);
    }
    ASSERT_EQ(StateHash(expected), resting);
    expected.AddBall(1800.0f, 1350.0f, rnd);
    for (int k = 0; k < 300; ++k) {
        expected.MoveBalls(StartWidth, StartHeight);
    }
    EXPECT_EQ(StateHash(form.Table), StateHash(expected));
}

TEST(RestWake, EveryWayOfWakingAndNoOtherRestartsTheTimer)
{
    const struct {
        const char* name;
        std::function<void(ShownForm&)> wake;
        // Whether it wakes the pile, whether the first tick after it moves
        // the pile, and whether its pass changes the frame.
        bool wakes;
        bool moves;
        bool repaints;
    } wakes[] = {
        {"press", [](ShownForm& s) { s.Press(500, 30); }, true, true, true},
        {"resized", [](ShownForm& s) { s.Resize(500, 300); }, true, true, true},
        // A window system may report its state again with nothing
        // changed (a move, a paint, a show of a window in view).
        {"shown", [](ShownForm& s) { s.form.Shown(); }, false, false, false},
        {"restored", [](ShownForm& s) { s.form.Restored(); }, false, false, false},
        {"client unchanged", [](ShownForm& s) { s.form.ClientChanged(); }, false, false, false},
        // Showing or restoring changes nothing: one tick finds that out,
        // and the pile rests again.
        {"shown again after hidden",
         [](ShownForm& s) {
             s.form.Hidden();
             s.form.Shown();
         },
         true, false, false},
        {"restored after minimised",
         [](ShownForm& s) {
             s.form.Minimised();
             s.form.Restored();
         },
         true, false, false},
        // The frame must be cleared to the new background, or drawn in
        // device pixels of the new ratio.
        {"background changed",
         [](ShownForm& s) {
             s.window.background = 0x008B8B;
             s.form.ClientChanged();
         },
         true, false, true},
        {"pixel ratio changed",
         [](ShownForm& s) {
             s.window.ratio = 2;
             s.form.ClientChanged();
         },
         true, false, true},
        // The same size and ratio, laid out a device pixel wider.
        {"device size changed",
         [](ShownForm& s) {
             s.window.deviceWidth = 606;
             s.form.ClientChanged();
         },
         true, false, true}};
    for (const auto& w : wakes) {
        SCOPED_TRACE(w.name);
        ShownForm s;
        for (const Dip& p : Pile) {
            s.Press(p.x, p.y);
        }
        s.Tick(496);
        ASSERT_FALSE(s.Ticking());
        w.wake(s);
        ASSERT_EQ(s.Ticking(), w.wakes);
        const std::uint64_t before = StateHash(s.form.Table);
        const int repaints = s.window.repaints;
        s.Tick();
        EXPECT_EQ(StateHash(s.form.Table) != before, w.moves);
        EXPECT_EQ(s.Ticking(), w.moves);
        EXPECT_EQ(s.window.repaints != repaints, w.repaints);
        const PixelFrame& frame = s.form.Frame();
        ASSERT_EQ(frame.width, s.window.DeviceWidth());
        EXPECT_EQ(s.form.FrameRatio(), s.window.ratio);
        EXPECT_EQ(PixelAt(frame, 2, 2), s.window.background);
    }
}

TEST_F(RestTest, ACrowdedPileNeverRests)
{
    for (int k = 0; k < 40; ++k) {
        Press(20 + (k * 37) % 560, 20 + (k * 11) % 300);
    }
    for (int k = 0; k < 1000; ++k) {
        Tick();
        ASSERT_TRUE(Ticking()) << "tick " << k;
    }
}

using std::chrono::nanoseconds;

namespace {

// A 1 ms timer polled as often as a busy event loop would.
struct Fixture {
    FakeClock clock;
    std::vector<nanoseconds> events;
    nanoseconds handlerCost{0};
    Timer timer{clock, [this] {
                    events.push_back(clock.now);
                    clock.Advance(handlerCost);
                }};

    Fixture(int interval = 1)
    {
        timer.SetInterval(interval);
        timer.SetEnabled(true);
    }
    void RunFor(nanoseconds span, nanoseconds step = 100us)
    {
        const nanoseconds end = clock.now + span;
        while (clock.now < end) {
            clock.Advance(step);
            timer.Poll();
            // Asked to be woken at a boundary ahead, when the next event
            // falls due.
            ASSERT_TRUE(clock.wake > clock.now && *clock.wake % Timer::Granularity == 0ns);
        }
    }
    // An event loop that wakes only when the timer asked it to, once for
    // each wake-up asked for.
    void RunUntil(nanoseconds end)
    {
        for (;;) {
            ASSERT_TRUE(clock.wake) << "no wake-up asked for";
            clock.now = std::max(clock.now, *clock.wake);
            if (clock.now >= end) {
                return;
            }
            clock.wake.reset();
            timer.Poll();
        }
    }
};

} // namespace

TEST(TimerCadence, SixtyFourEventsASecondOnTheClockBoundaries)
{
    // 1 ms gives every boundary of 15.625 ms, 64 events a second; 40 ms
    // rounds up to three boundaries, 21 a second. A loop polling every 0.1 ms
    // takes each within 0.1 ms of its boundary, one polling every 10 us
    // within 10 us and gets no more events, one woken only when asked takes
    // each on its boundary.
    for (const auto& [interval, steps, count] : {std::tuple{1, 1, 64u}, {40, 3, 21u}}) {
        for (const nanoseconds poll : {100us, 10us, 0us}) {
            SCOPED_TRACE(::testing::Message() << interval << " ms, polled every " << poll.count());
            Fixture f(interval);
            poll > 0us ? f.RunFor(1s, poll) : f.RunUntil(1s + 1ns);
            ASSERT_EQ(f.events.size(), count);
            for (std::size_t k = 0; k < f.events.size(); ++k) {
                const nanoseconds boundary =
                    static_cast<long>(steps * (k + 1)) * Timer::Granularity;
                EXPECT_GE(f.events[k], boundary);
                EXPECT_LT(f.events[k], boundary + std::max(poll, 1ns));
            }
        }
    }
}

TEST(TimerCadence, LateTicksMergeIntoOneEvent)
{
    Fixture f;
    f.handlerCost = 50ms; // a tick three boundaries long
    f.clock.now = 15625us;
    f.timer.Poll();
    ASSERT_EQ(f.events.size(), 1u); // returns at 65.625 ms
    f.handlerCost = 0ns;
    f.timer.Poll();
    f.timer.Poll();
    // The three missed boundaries give one event, taken at once; then the
    // clock's rhythm resumes at the next boundary.
    ASSERT_EQ(f.events.size(), 2u);
    EXPECT_EQ(f.events[1], 65625us);
    EXPECT_EQ(f.clock.wake, 78125us);
    f.clock.now = 78125us - 1ns;
    f.timer.Poll();
    EXPECT_EQ(f.events.size(), 2u);
    f.clock.now = 78125us;
    f.timer.Poll();
    EXPECT_EQ(f.events.size(), 3u);
}

TEST(TimerCadence, SlowTicksLowerTheRateWithoutBacklog)
{
    Fixture f;
    f.handlerCost = 40ms;
    f.RunUntil(1s);
    // Every event is taken when the previous handler returns: about 25 a
    // second, each 40 ms after the last, never two at one instant.
    ASSERT_GE(f.events.size(), 24u);
    ASSERT_LE(f.events.size(), 25u);
    for (std::size_t k = 2; k < f.events.size(); ++k) {
        EXPECT_EQ(f.events[k] - f.events[k - 1], 40ms);
    }
}

TEST(TimerCadence, DisabledTimerDeliversNothingAndRestartsFresh)
{
    Fixture f;
    f.RunFor(100ms);
    const std::size_t before = f.events.size();
    ASSERT_TRUE(f.clock.wake);
    f.timer.SetEnabled(false);
    // The wake-up asked for is cancelled, and a poll asks for none.
    EXPECT_FALSE(f.clock.wake);
    for (int k = 0; k < 100; ++k) {
        f.clock.Advance(10ms);
        f.timer.Poll();
    }
    EXPECT_FALSE(f.clock.wake);
    EXPECT_EQ(f.events.size(), before);
    // No event saved up while disabled: the first comes at a boundary after
    // enabling, not at once. Enabled at 1.1 s, the first boundary at least
    // 1 ms later is 1.109375 s.
    f.timer.SetEnabled(true);
    EXPECT_EQ(f.clock.wake, 1'109'375us);
    f.timer.Poll();
    EXPECT_EQ(f.events.size(), before);
    f.RunFor(16ms);
    EXPECT_EQ(f.events.size(), before + 1);
}

TEST(TimerCadence, WaitsAreRoundedUpToTheTimersUnit)
{
    // A wake-up is never early: a window system's timer waits whole units
    // (a millisecond, 100 ns), rounded up, and none for a time past.
    const struct {
        nanoseconds at, now, unit;
        std::int64_t units;
    } waits[] = {{15625us, 0ns, 1ms, 16},
                 {15625us, 15625us, 1ms, 0},
                 {15625us, 20ms, 1ms, 0},
                 {2ms, 1ms, 1ms, 1},
                 {2ms + 1ns, 1ms, 1ms, 2},
                 {15625us, 0ns, 100ns, 156250},
                 {15'625'001ns, 0ns, 100ns, 156251},
                 {1ns, 0ns, 100ns, 1}};
    for (const auto& w : waits) {
        EXPECT_EQ(UnitsToWait(w.at, w.now, w.unit), w.units)
            << w.at.count() << " ns from " << w.now.count() << " in units of " << w.unit.count();
    }
}
