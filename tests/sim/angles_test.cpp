// SPDX-License-Identifier: MIT
// Angle helpers: exact results against the table's short Pi.
#include "sim_test_util.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>

TEST(ATan2, ResultsAreThePinnedBits)
{
    // The zero vector and NaN give one radian; vertical vectors half Pi;
    // horizontal ones 2 Pi and Pi, not normalised; the diagonal lands above
    // 2 Pi. The quotient is rounded to a float: 2 Pi - atan(1/3) with 1/3 a
    // float is 5.96143474384222; with the double 1/3 it would be
    // 5.9614347527829175.
    const BallTable t = StartTable();
    const struct {
        float y, x;
        double angle;
    } cases[] = {
        {0.0f, 0.0f, 1.0},
        {-0.0f, 0.0f, 1.0},
        {0.0f, -0.0f, 1.0},
        {1.0f, std::nanf(""), 1.0},
        {-5.0f, 0.0f, 1.57079632679489},
        {5.0f, 0.0f, -1.57079632679489},
        {5.0f, -0.0f, -1.57079632679489},
        {0.0f, 3.0f, 6.28318530717956},
        {0.0f, -3.0f, 3.14159265358978},
        {-0.0f, 3.0f, 6.28318530717956},
        {-1.0f, 1.0f, 7.068583470577008},
        {1.0f, -1.0f, 3.926990816987228}, // Pi + pi / 4
        {1.0f, 3.0f, std::bit_cast<double>(0x4017d88259782972ull)},
    };
    for (const auto& c : cases) {
        EXPECT_BITS(t.ATan2(c.y, c.x), c.angle) << "ATan2(" << c.y << ", " << c.x << ")";
    }
}

TEST(AngleConversions, DivideBeforeMultiplyAndBounceAboutTheWall)
{
    const BallTable t = StartTable();
    EXPECT_BITS(t.Rad(90.0), 1.5707963267948901);
    EXPECT_NE(Bits(t.Rad(90.0)), Bits(t.Pi / 2));
    EXPECT_BITS(t.Angl(t.Pi), 180.0);
    double a = 0.3;
    t.Bnc(a, 1.0);
    EXPECT_BITS(a, 1.7);
}
