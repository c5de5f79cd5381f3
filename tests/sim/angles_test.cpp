// SPDX-License-Identifier: MIT
// Angle helpers: exact results against the table's short Pi.
#include "sim_test_util.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(ATan2, ZeroVectorIsOneRadian)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.ATan2(0.0f, 0.0f), 1.0);
    EXPECT_BITS(t.ATan2(-0.0f, 0.0f), 1.0);
    EXPECT_BITS(t.ATan2(0.0f, -0.0f), 1.0);
}

TEST(ATan2, VerticalVectorsAreHalfPi)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.ATan2(-5.0f, 0.0f), 1.57079632679489);
    EXPECT_BITS(t.ATan2(5.0f, 0.0f), -1.57079632679489);
    EXPECT_BITS(t.ATan2(5.0f, -0.0f), -1.57079632679489);
}

TEST(ATan2, HorizontalVectorsAreNotNormalised)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.ATan2(0.0f, 3.0f), 6.28318530717956);
    EXPECT_BITS(t.ATan2(0.0f, -3.0f), 3.14159265358978);
    EXPECT_BITS(t.ATan2(-0.0f, 3.0f), 6.28318530717956);
}

TEST(ATan2, DiagonalLandsAboveTwoPi)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.ATan2(-1.0f, 1.0f), 7.068583470577008);
    EXPECT_BITS(t.ATan2(1.0f, -1.0f), 3.926990816987228); // Pi + pi / 4
}

TEST(ATan2, QuotientIsRoundedToFloat)
{
    const BallTable t = StartTable();
    // 2 Pi - atan(1/3) with 1/3 rounded to a float first: 5.96143474384222.
    // With the double 1/3 it would be 5.9614347527829175.
    EXPECT_EQ(Bits(t.ATan2(1.0f, 3.0f)), 0x4017d88259782972ull);
}

TEST(ATan2, NaNGivesOneRadian)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.ATan2(1.0f, std::nanf("")), 1.0);
}

TEST(AngleConversions, DivideBeforeMultiply)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.Rad(90.0), 1.5707963267948901);
    EXPECT_NE(Bits(t.Rad(90.0)), Bits(t.Pi / 2));
    EXPECT_BITS(t.Angl(t.Pi), 180.0);
}

TEST(AngleConversions, BounceReflectsAboutWall)
{
    const BallTable t = StartTable();
    double a = 0.3;
    t.Bnc(a, 1.0);
    EXPECT_BITS(a, 1.7);
}
