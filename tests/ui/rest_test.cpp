// SPDX-License-Identifier: MIT
// The window at rest: once a tick changes nothing the timer stops, and what
// wakes it (a press, a resize, showing, restoring) gives the pile a run
// that had ticked throughout would have.
#include "shown_window.h"
#include "sim_test_util.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Twelve presses over the middle of the start-up client area, pixels.
const QPoint Pile[] = {{300, 40}, {250, 120}, {350, 80},  {210, 200}, {390, 150}, {280, 260},
                       {330, 20}, {240, 60},  {370, 230}, {310, 160}, {200, 110}, {410, 50}};

class RestTest : public ShownWindow {
protected:
    void Press(QPoint at) { QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, at); }

    // Ticks until the pile rests, at most `limit` ticks; returns how many ran.
    int TickUntilRest(int limit)
    {
        int ticks = 0;
        while (!form.Resting() && ticks < limit) {
            Tick();
            ++ticks;
        }
        return ticks;
    }
};

} // namespace

TEST_F(RestTest, TheAnchorRestsOnTheTickAfterItReachesTheFloor)
{
    // It reaches the floor at tick 122 (5490 / 45); tick 123 changes nothing.
    for (int k = 0; k < 122; ++k) {
        Tick();
    }
    EXPECT_BITS(form.Table.BallY[0], StartHeight);
    EXPECT_FALSE(form.Resting());
    EXPECT_TRUE(form.Timer1.Enabled());
    Tick();
    EXPECT_TRUE(form.Resting());
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(RestTest, PauseAndPressGiveThePileOfARunThatTickedThroughout)
{
    for (const QPoint& p : Pile) {
        Press(p);
    }
    const int ticks = TickUntilRest(1000);
    ASSERT_TRUE(form.Resting());
    EXPECT_EQ(ticks, 496);
    const std::uint64_t resting = StateHash(form.Table);

    // Ten seconds pass: 640 boundaries, polled at each, and none is taken.
    for (int k = 0; k < 640; ++k) {
        clock.Advance(Timer::Granularity);
        form.Timer1.Poll();
    }
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(StateHash(form.Table), resting);

    // A press between two boundaries: the next tick comes at the first one
    // at least the 1 ms interval later.
    clock.now = 20s + 3ms;
    Press({120, 90});
    EXPECT_FALSE(form.Resting());
    ASSERT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(form.Timer1.Due(), 20'015'625us);
    clock.now = 20'015'625us - 1ns;
    form.Timer1.Poll();
    EXPECT_EQ(form.Table.BallY[13], 1350.0f); // not yet fallen
    clock.now = 20'015'625us;
    form.Timer1.Poll();
    EXPECT_EQ(form.Table.BallY[13], 1395.0f);
    for (int k = 1; k < 300; ++k) {
        Tick();
    }

    // The same presses with a tick at every boundary: rest, the ten
    // seconds, the press, the 300 ticks after it.
    BallTable expected = StartTable();
    Rnd rnd;
    for (const QPoint& p : Pile) {
        expected.AddBall(p.x() * 15.0f, p.y() * 15.0f, rnd);
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

TEST(RestWake, EveryWayOfWakingRestartsTheTimer)
{
    const struct {
        const char* name;
        std::function<void(Form1&)> wake;
        // Whether the first tick after it moves the pile.
        bool moves;
    } wakes[] = {
        {"press",
         [](Form1& f) {
             QTest::mouseClick(&f, Qt::LeftButton, {}, {500, 30});
         },
         true},
        {"resized", [](Form1& f) { f.resize(500, 300); }, true},
        // Showing or restoring changes nothing: one tick finds that out,
        // and the pile rests again.
        {"shown again",
         [](Form1& f) {
             f.hide();
             f.show();
         },
         false},
        {"restored",
         [](Form1& f) {
             f.showMinimized();
             f.showNormal();
         },
         false},
        // The frame must be cleared to the new background.
        {"background changed",
         [](Form1& f) {
             QPalette p = f.palette();
             p.setColor(QPalette::Window, Qt::darkCyan);
             f.setPalette(p);
         },
         false},
    };
    for (const auto& w : wakes) {
        SCOPED_TRACE(w.name);
        FakeClock clock;
        Form1 form{clock.Source()};
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        for (const QPoint& p : Pile) {
            QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, p);
        }
        auto tick = [&] {
            clock.Advance(Timer::Granularity);
            form.Timer1.Poll();
        };
        for (int k = 0; k < 496; ++k) {
            tick();
        }
        ASSERT_TRUE(form.Resting());
        ASSERT_FALSE(form.Timer1.Enabled());
        w.wake(form);
        QCoreApplication::processEvents();
        EXPECT_FALSE(form.Resting());
        ASSERT_TRUE(form.Timer1.Enabled());
        const std::uint64_t before = StateHash(form.Table);
        tick();
        EXPECT_EQ(StateHash(form.Table) != before, w.moves);
        EXPECT_EQ(form.Resting(), !w.moves);
        const QImage& frame = form.Screen().Frame();
        EXPECT_EQ(frame.pixel(2, 2) | 0xFF000000u, form.palette().color(QPalette::Window).rgb());
    }
}

TEST_F(RestTest, ACrowdedPileNeverRests)
{
    for (int k = 0; k < 40; ++k) {
        Press({20 + (k * 37) % 560, 20 + (k * 11) % 300});
    }
    for (int k = 0; k < 1000; ++k) {
        Tick();
        ASSERT_FALSE(form.Resting()) << "tick " << k;
    }
    EXPECT_TRUE(form.Timer1.Enabled());
}
