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
    EXPECT_BITS(t.ATan2(1.0f, -1.0f), t.Pi - std::atan(-1.0));
}

TEST(ATan2, QuotientIsRoundedToFloat)
{
    const BallTable t = StartTable();
    // 1/3 as a float differs from 1/3 as a double; the float one is used.
    const double viaFloat = 2 * t.Pi - std::atan(static_cast<double>(1.0f / 3.0f));
    const double viaDouble = 2 * t.Pi - std::atan(1.0 / 3.0);
    ASSERT_NE(Bits(viaFloat), Bits(viaDouble));
    EXPECT_BITS(t.ATan2(1.0f, 3.0f), viaFloat);
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
