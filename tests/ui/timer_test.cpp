// SPDX-License-Identifier: MIT
// The timer's cadence, driven by a fake clock that keeps the wake-up the
// timer asks for: no test here waits.
#include "fake_window.h"
#include "timer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;
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
            // Asked to be woken at a boundary, when the next event falls due.
            ASSERT_EQ(clock.wake.value() % Timer::Granularity, 0ns);
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

TEST(TimerCadence, EventsFallOnTheClockBoundariesHoweverOftenPolled)
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
