// SPDX-License-Identifier: MIT
// The ball table: its start state (the one owner of the anchor's start and
// of Pi's bits), its angle helpers (exact results against its short Pi), and
// adding balls: slots, rounding of colour and radius, the full table (the
// one owner of what a press on a full table does).
#include "sim_test_util.h"

#include <bit>
#include <cmath>

TEST(BallTableInit, AnchorSitsAtTopCentreAndPiIsTheShortValue)
{
    const BallTable t = StartTable();
    EXPECT_EQ(t.BallCount, 0);
    EXPECT_BITS(t.BallX[0], 4537.5f);
    EXPECT_BITS(t.BallY[0], 0.0f);
    EXPECT_BITS(t.BallRadius[0], 0.0f);
    EXPECT_EQ(t.BallColor[0], 0);
    EXPECT_BITS(t.HitAngle, 0.0);
    EXPECT_TRUE(TableSound(t)); // every other slot still unwritten
    EXPECT_EQ(Bits(t.Pi), 0x400921FB54442CFAull);
    EXPECT_BITS(t.Pi / 2, 1.57079632679489);
    EXPECT_BITS(2 * t.Pi, 6.28318530717956);
    EXPECT_NE(Bits(t.Pi), Bits(3.141592653589793));
}

TEST(AddBall, FillsSlotsInOrderFromOne)
{
    BallTable t = StartTable();
    auto next = Script({0.1f, 0.2f});
    ASSERT_TRUE(t.AddBall(100.25f, 200.75f, next));
    ASSERT_TRUE(t.AddBall(300.0f, -40.0f, next));
    // Fractions kept as given; the anchor is never written.
    BallTable expected = StartTable();
    PutBall(expected, 100.25f, 200.75f, t.BallRadius[1], t.BallColor[1]);
    PutBall(expected, 300.0f, -40.0f, t.BallRadius[2], t.BallColor[2]);
    EXPECT_TRUE(SameTable(t, expected));
}

TEST(AddBall, ColourIsTakenBeforeRadiusAndBothSpanTheirRanges)
{
    // Colour = round(v1 * 16777215), ties to even; radius = 30 + 600 v2.
    const float justBelowOne = 0.99999994f;
    const struct {
        float first, second;
        std::int32_t colour;
        float radius;
    } cases[] = {{0.5f, 0.25f, 8388608, 180.0f}, // 8388607.5 goes to the even neighbour
                 {0.0f, 0.0f, 0, 30.0f},
                 // 30 + 600 (1 - 2^-24) = 629.9999642..., rounded to the float below
                 // 630: 629.999939.
                 {justBelowOne, justBelowOne, 16777214, std::bit_cast<float>(0x441d7fffu)},
                 {0.0f, 0.5f, 0, 330.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.first << ", " << c.second);
        BallTable t = StartTable();
        ASSERT_TRUE(t.AddBall(0, 0, Script({c.first, c.second})));
        EXPECT_EQ(t.BallColor[1], c.colour);
        EXPECT_BITS(t.BallRadius[1], c.radius);
    }
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
    } cases[] = {{0.0f, 0.0f, 1.0},
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
                 {1.0f, 3.0f, std::bit_cast<double>(0x4017d88259782972ull)}};
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
