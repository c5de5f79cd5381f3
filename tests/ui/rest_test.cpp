// SPDX-License-Identifier: MIT
// The window at rest: once a tick changes nothing the timer stops, and what
// wakes it (a press, a resize, showing, restoring, a new background or pixel
// ratio) gives the pile a run that had ticked throughout would have.
#include "window_test_util.h"

#include <functional>

using namespace std::chrono_literals;

namespace {

// Twelve presses over the middle of the start-up client area, pixels.
const Dip Pile[] = {{300, 40}, {250, 120}, {350, 80},  {210, 200}, {390, 150}, {280, 260},
                    {330, 20}, {240, 60},  {370, 230}, {310, 160}, {200, 110}, {410, 50}};

using RestTest = FormTest;

} // namespace

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
