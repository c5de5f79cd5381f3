// SPDX-License-Identifier: MIT
// The tick: fall, floor and walls, pushes, and the order they happen in.
#include "sim_test_util.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
constexpr float W = 9075.0f;
constexpr float H = 5490.0f;
} // namespace

TEST(TickFall, AnchorSinksToTheFloorAndStays)
{
    BallTable t = StartTable();
    for (int k = 1; k <= 121; ++k) {
        t.MoveBalls(W, H);
        ASSERT_BITS(t.BallY[0], 45.0f * k);
    }
    t.MoveBalls(W, H);
    EXPECT_BITS(t.BallY[0], 5490.0f);
    for (int k = 0; k < 10; ++k) {
        t.MoveBalls(W, H);
    }
    EXPECT_BITS(t.BallY[0], 5490.0f);
    EXPECT_BITS(t.BallX[0], 4537.5f);
}

TEST(TickFall, BallAboveTheTopFallsBack)
{
    BallTable t = StartTable();
    PutBall(t, 1000.0f, -1000.0f, 50.0f);
    t.MoveBalls(W, H);
    EXPECT_BITS(t.BallY[1], -955.0f);
    EXPECT_BITS(t.BallX[1], 1000.0f);
}

TEST(TickClamps, FloorHoldsTheBallOnItsRadius)
{
    BallTable t = StartTable();
    PutBall(t, 1000.0f, 5450.0f, 100.0f);
    t.MoveBalls(W, H);
    EXPECT_BITS(t.BallY[1], 5390.0f);
}

TEST(TickClamps, SideWalls)
{
    BallTable t = StartTable();
    PutBall(t, 10.0f, 1000.0f, 50.0f);
    PutBall(t, 9070.0f, 3000.0f, 50.0f);
    t.MoveBalls(W, H);
    EXPECT_BITS(t.BallX[1], 50.0f);
    EXPECT_BITS(t.BallX[2], 9025.0f);
}

TEST(TickClamps, RightWallWinsInANarrowWindow)
{
    BallTable t = StartTable();
    PutBall(t, 10.0f, 1000.0f, 50.0f);
    t.MoveBalls(60.0f, H);
    EXPECT_BITS(t.BallX[1], 10.0f); // 60 - 50, though less than the radius
}

TEST(TickClamps, ZeroSizeWindow)
{
    BallTable t = StartTable();
    PutBall(t, 100.0f, 100.0f, 50.0f);
    t.MoveBalls(0.0f, 0.0f);
    EXPECT_BITS(t.BallX[1], -50.0f);
    EXPECT_BITS(t.BallY[1], -50.0f);
    EXPECT_BITS(t.BallX[0], 0.0f);
    EXPECT_BITS(t.BallY[0], 0.0f);
}

TEST(TickClamps, NarrowingTheWindowBringsBallsBackInside)
{
    BallTable t = StartTable();
    PutBall(t, 8000.0f, 1000.0f, 100.0f);
    PutBall(t, 8500.0f, 3000.0f, 200.0f);
    t.MoveBalls(W, H);
    t.MoveBalls(5000.0f, H);
    EXPECT_BITS(t.BallX[1], 4900.0f);
    EXPECT_BITS(t.BallX[2], 4800.0f);
    EXPECT_BITS(t.BallX[0], 4537.5f);
}

TEST(PairStep, SideBySideBallsArePushedApartHorizontally)
{
    BallTable t = StartTable();
    PutBall(t, 1000.0f, 1045.0f, 100.0f);
    PutBall(t, 1150.0f, 1045.0f, 100.0f);
    ASSERT_TRUE(t.PushPair(1, 2));
    EXPECT_BITS(t.HitAngle, t.Pi);
    EXPECT_BITS(t.BallX[1], 980.0f);
    EXPECT_BITS(t.BallX[2], 1170.0f);
    EXPECT_BITS(t.BallY[1], 1045.0f);
    EXPECT_BITS(t.BallY[2], 1045.0f);
}

TEST(PairStep, TouchingBallsAreNotPushed)
{
    BallTable t = StartTable();
    PutBall(t, 1000.0f, 1000.0f, 100.0f);
    PutBall(t, 1120.0f, 1160.0f, 100.0f); // 3-4-5: exactly 200 apart
    t.HitAngle = 0.25;
    EXPECT_FALSE(t.PushPair(1, 2));
    EXPECT_BITS(t.BallX[1], 1000.0f);
    EXPECT_BITS(t.BallY[2], 1160.0f);
    EXPECT_BITS(t.HitAngle, 0.25);
}

TEST(PairStep, CoincidentCentresSplitAlongOneRadian)
{
    BallTable t = StartTable();
    PutBall(t, 2000.0f, 2000.0f, 100.0f);
    PutBall(t, 2000.0f, 2000.0f, 50.0f);
    ASSERT_TRUE(t.PushPair(1, 2));
    EXPECT_BITS(t.HitAngle, 1.0);
    const double push = 15.0;
    EXPECT_BITS(t.BallX[1], static_cast<float>(2000.0 + std::cos(1.0) * push));
    EXPECT_BITS(t.BallY[1], static_cast<float>(2000.0 - std::sin(1.0) * push));
    EXPECT_BITS(t.BallX[2], static_cast<float>(2000.0 - std::cos(1.0) * push));
    EXPECT_BITS(t.BallY[2], static_cast<float>(2000.0 + std::sin(1.0) * push));
    EXPECT_GT(t.BallX[1], 2000.0f); // right and up
    EXPECT_LT(t.BallY[1], 2000.0f);
}

TEST(PairStep, PushUsesUnroundedRadiusSum)
{
    // For these radii the float-rounded sum over ten and the double sum over
    // ten round to different floats; the push must be the latter.
    BallTable t = StartTable();
    const float r1 = 420.9557800292969f;
    const float r2 = 503.2340087890625f;
    PutBall(t, 3000.0f, 1000.0f, r1);
    PutBall(t, 3000.0f, 1500.0f, r2); // straight below: pushed straight down
    ASSERT_TRUE(t.PushPair(1, 2));
    EXPECT_BITS(t.HitAngle, t.Pi / 2);
    const double push = 92.41897583007812;
    ASSERT_NE(Bits(static_cast<float>(static_cast<float>(static_cast<double>(r1) + r2) / 10.0)),
              Bits(static_cast<float>(push)));
    EXPECT_BITS(t.BallY[1], static_cast<float>(1000.0 - std::sin(t.Pi / 2) * push));
    EXPECT_BITS(t.BallY[2], static_cast<float>(1500.0 + std::sin(t.Pi / 2) * push));
}

TEST(TickOrder, BallsAddedAtOnePointSplitVertically)
{
    // In the lower slot's pass it has fallen and the higher one has not, so
    // they are 45 apart vertically: the lower slot goes down, the higher up.
    BallTable t = StartTable();
    PutBall(t, 2000.0f, 1000.0f, 100.0f);
    PutBall(t, 2000.0f, 1000.0f, 100.0f);
    t.SettleBall(1, W, H);
    ASSERT_TRUE(t.PushPair(1, 2));
    EXPECT_BITS(t.HitAngle, -t.Pi / 2);
    EXPECT_BITS(t.BallX[1], 2000.0f);
    EXPECT_GT(t.BallY[1], 1045.0f);
    EXPECT_LT(t.BallY[2], 1000.0f);
}

TEST(TickOrder, PairIsPushedTwicePerTick)
{
    BallTable t = StartTable();
    PutBall(t, 1000.0f, 1000.0f, 100.0f);
    PutBall(t, 1150.0f, 1045.0f, 100.0f);
    t.MoveBalls(W, H);
    // Slot 1's pass: 1 falls to 1045 and is pushed to x 980, 2 to 1170.
    // Slot 2's pass: 2 falls to 1090, still overlaps 1, pushed again.
    BallTable manual = StartTable();
    PutBall(manual, 1000.0f, 1000.0f, 100.0f);
    PutBall(manual, 1150.0f, 1045.0f, 100.0f);
    manual.SettleBall(0, W, H);
    manual.SettleBall(1, W, H);
    ASSERT_TRUE(manual.PushPair(1, 2));
    EXPECT_BITS(manual.BallX[1], 980.0f);
    manual.SettleBall(2, W, H);
    ASSERT_TRUE(manual.PushPair(2, 1));
    EXPECT_BITS(t.BallX[1], manual.BallX[1]);
    EXPECT_BITS(t.BallY[1], manual.BallY[1]);
    EXPECT_BITS(t.BallX[2], manual.BallX[2]);
    EXPECT_BITS(t.BallY[2], manual.BallY[2]);
    EXPECT_BITS(t.HitAngle, manual.HitAngle);
}

TEST(TickOrder, TwoStackedBallsSettleIntoARepeatingState)
{
    BallTable t = StartTable();
    PutBall(t, 4000.0f, 1000.0f, 100.0f);
    PutBall(t, 4000.0f, 2000.0f, 100.0f);
    for (int k = 1; k <= 125; ++k) {
        t.MoveBalls(W, H);
    }
    for (int k = 126; k <= 300; ++k) {
        t.MoveBalls(W, H);
        ASSERT_BITS(t.BallY[1], 5350.0f) << "tick " << k;
        ASSERT_BITS(t.BallY[2], 5410.0f) << "tick " << k;
        ASSERT_BITS(t.BallX[1], 4000.0f) << "tick " << k;
        ASSERT_BITS(t.BallX[2], 4000.0f) << "tick " << k;
    }
}
