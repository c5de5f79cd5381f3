// SPDX-License-Identifier: MIT
// Adding balls: slots, rounding of colour and radius, the full table (the
// one owner of what a press on a full table does).
#include "sim_test_util.h"

#include <gtest/gtest.h>

TEST(AddBall, FillsSlotsInOrderFromOne)
{
    const BallTable start = StartTable();
    BallTable t = start;
    auto next = Script({0.1f, 0.2f});
    ASSERT_TRUE(t.AddBall(100.25f, 200.75f, next));
    ASSERT_TRUE(t.AddBall(300.0f, -40.0f, next));
    EXPECT_EQ(t.BallCount, 2);
    EXPECT_BITS(t.BallX[1], 100.25f); // fractions kept as given
    EXPECT_BITS(t.BallY[1], 200.75f);
    EXPECT_BITS(t.BallX[2], 300.0f);
    EXPECT_BITS(t.BallY[2], -40.0f);
    // The anchor is never written.
    EXPECT_BITS(t.BallX[0], start.BallX[0]);
    EXPECT_BITS(t.BallY[0], start.BallY[0]);
    EXPECT_BITS(t.BallRadius[0], start.BallRadius[0]);
    EXPECT_EQ(t.BallColor[0], start.BallColor[0]);
}

TEST(AddBall, ColourRoundsTiesToEvenAndRadiusFollows)
{
    BallTable t = StartTable();
    ASSERT_TRUE(t.AddBall(1.0f, 2.0f, Script({0.5f, 0.25f})));
    EXPECT_EQ(t.BallColor[1], 8388608); // 8388607.5 goes to the even neighbour
    EXPECT_BITS(t.BallRadius[1], 180.0f);
}

TEST(AddBall, ColourAndRadiusSpanTheirRanges)
{
    BallTable t = StartTable();
    const float justBelowOne = 0.99999994f;
    ASSERT_TRUE(t.AddBall(0, 0, Script({0.0f, 0.0f})));
    ASSERT_TRUE(t.AddBall(0, 0, Script({justBelowOne, justBelowOne})));
    EXPECT_EQ(t.BallColor[1], 0);
    EXPECT_BITS(t.BallRadius[1], 30.0f);
    EXPECT_EQ(t.BallColor[2], 16777214);
    // 30 + 600 (1 - 2^-24) = 629.9999642..., rounded to the float below 630.
    EXPECT_EQ(Bits(t.BallRadius[2]), 0x441d7fffu); // 629.999939
}

TEST(AddBall, ColourIsTakenBeforeRadius)
{
    BallTable t = StartTable();
    ASSERT_TRUE(t.AddBall(0, 0, Script({0.0f, 0.5f})));
    EXPECT_EQ(t.BallColor[1], 0);
    EXPECT_BITS(t.BallRadius[1], 330.0f);
}

TEST(AddBall, FullTableIgnoresFurtherPresses)
{
    BallTable t = StartTable();
    int drawn = 0;
    auto counting = [&drawn] {
        ++drawn;
        return 0.5f;
    };
    for (int k = 1; k <= MaxSlot; ++k) {
        ASSERT_TRUE(t.AddBall(static_cast<float>(k), 7.0f, counting));
    }
    EXPECT_EQ(t.BallCount, 1000);
    EXPECT_TRUE(t.Full());
    EXPECT_BITS(t.BallX[1000], 1000.0f);
    EXPECT_EQ(drawn, 2000);

    const BallTable before = t;
    for (int k = 0; k < 5; ++k) {
        EXPECT_FALSE(t.AddBall(1.0f, 1.0f, counting));
    }
    EXPECT_EQ(drawn, 2000); // nothing taken from the random source
    EXPECT_TRUE(SameTable(t, before));
}
