// SPDX-License-Identifier: MIT
// The ball table's start state and initialisation: the one owner of the
// anchor's start and of Pi's bits.
#include "sim_test_util.h"

#include <gtest/gtest.h>

TEST(BallTableInit, AnchorSitsAtTopCentre)
{
    const BallTable t = StartTable();
    EXPECT_EQ(t.BallCount, 0);
    EXPECT_BITS(t.BallX[0], 4537.5f);
    EXPECT_BITS(t.BallY[0], 0.0f);
    EXPECT_BITS(t.BallRadius[0], 0.0f);
    EXPECT_EQ(t.BallColor[0], 0);
    EXPECT_BITS(t.HitAngle, 0.0);
    EXPECT_TRUE(TableSound(t)); // every other slot still unwritten
}

TEST(BallTableInit, PiIsTheShortValue)
{
    const BallTable t = StartTable();
    EXPECT_EQ(Bits(t.Pi), 0x400921FB54442CFAull);
    EXPECT_BITS(t.Pi / 2, 1.57079632679489);
    EXPECT_BITS(2 * t.Pi, 6.28318530717956);
    EXPECT_NE(Bits(t.Pi), Bits(3.141592653589793));
}
