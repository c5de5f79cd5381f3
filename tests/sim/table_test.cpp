// SPDX-License-Identifier: MIT
// The ball table's start state and initialisation.
#include "sim_test_util.h"

#include <gtest/gtest.h>

TEST(BallTableInit, FreshTableIsAllZero)
{
    const BallTable t;
    EXPECT_EQ(t.BallCount, 0);
    EXPECT_BITS(t.Pi, 0.0);
    EXPECT_BITS(t.HitAngle, 0.0);
    for (int i = 0; i <= MaxSlot; ++i) {
        ASSERT_BITS(t.BallX[i], 0.0f);
        ASSERT_BITS(t.BallY[i], 0.0f);
        ASSERT_BITS(t.BallRadius[i], 0.0f);
        ASSERT_EQ(t.BallColor[i], 0);
    }
}

TEST(BallTableInit, AnchorSitsAtTopCentre)
{
    const BallTable t = StartTable();
    EXPECT_EQ(t.BallCount, 0);
    EXPECT_BITS(t.BallX[0], 4537.5f);
    EXPECT_BITS(t.BallY[0], 0.0f);
    EXPECT_BITS(t.BallRadius[0], 0.0f);
    EXPECT_EQ(t.BallColor[0], 0);
    EXPECT_BITS(t.BallX[1], 0.0f);
}

TEST(BallTableInit, PiIsTheShortValue)
{
    const BallTable t = StartTable();
    EXPECT_EQ(Bits(t.Pi), 0x400921FB54442CFAull);
    EXPECT_BITS(t.Pi / 2, 1.57079632679489);
    EXPECT_BITS(2 * t.Pi, 6.28318530717956);
    EXPECT_NE(Bits(t.Pi), Bits(3.141592653589793));
}
