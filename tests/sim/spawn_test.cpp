// SPDX-License-Identifier: MIT
// Adding balls: slots, rounding of colour and radius, the full table.
#include "sim_test_util.h"

#include <gtest/gtest.h>

TEST(AddBall, FillsSlotsInOrderFromOne)
{
    BallTable t = StartTable();
    auto next = Script({0.1f, 0.2f});
    ASSERT_TRUE(t.AddBall(100.25f, 200.75f, next));
    ASSERT_TRUE(t.AddBall(300.0f, -40.0f, next));
    EXPECT_EQ(t.BallCount, 2);
    EXPECT_BITS(t.BallX[1], 100.25f); // fractions kept as given
    EXPECT_BITS(t.BallY[1], 200.75f);
    EXPECT_BITS(t.BallX[2], 300.0f);
    EXPECT_BITS(t.BallY[2], -40.0f);
    EXPECT_BITS(t.BallX[0], 4537.5f); // the anchor is never written
    EXPECT_BITS(t.BallRadius[0], 0.0f);
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
    EXPECT_BITS(t.BallRadius[2], static_cast<float>(static_cast<double>(justBelowOne) * 600 + 30));
    EXPECT_LT(t.BallRadius[2], 630.0f);
}

TEST(AddBall, ColourIsTakenBeforeRadius)
{
    BallTable t = StartTable();
    ASSERT_TRUE(t.AddBall(0, 0, Script({0.0f, 0.5f})));
    EXPECT_EQ(t.BallColor[1], 0);
    EXPECT_BITS(t.BallRadius[1], 330.0f);
}

TEST(AddBall, SamePressesGiveSameBalls)
{
    BallTable a = StartTable();
    BallTable b = StartTable();
    SceneRandom ra;
    SceneRandom rb;
    for (int k = 0; k < 50; ++k) {
        a.AddBall(100.0f * k, 50.0f, ra);
        b.AddBall(100.0f * k, 50.0f, rb);
    }
    EXPECT_EQ(StateHash(a), StateHash(b));
    EXPECT_NE(a.BallColor[1], a.BallColor[2]);
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

    const auto before = StateHash(t);
    for (int k = 0; k < 5; ++k) {
        EXPECT_FALSE(t.AddBall(1.0f, 1.0f, counting));
    }
    EXPECT_EQ(t.BallCount, 1000);
    EXPECT_EQ(drawn, 2000); // nothing taken from the random source
    EXPECT_EQ(StateHash(t), before);
}
