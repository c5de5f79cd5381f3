// SPDX-License-Identifier: MIT
// Helpers shared by the simulation tests, the window tests and the fuzzer:
// exact comparison of values and of whole tables, scripted random sources,
// balls put straight into a table.
#pragma once

#include "ball_table.h"
#include "scene.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <tuple>
#include <vector>

// Exact comparison by bit pattern, so that -0.0 and 0.0 or two nearby
// values never pass for each other.
#define EXPECT_BITS(actual, expected) EXPECT_EQ(Bits(actual), Bits(expected))
#define ASSERT_BITS(actual, expected) ASSERT_EQ(Bits(actual), Bits(expected))

// Yields the given values in turn, then repeats them.
inline std::function<float()> Script(std::initializer_list<float> values)
{
    std::vector<float> v(values);
    return [v, k = std::size_t{0}]() mutable { return v[k++ % v.size()]; };
}

// Writes a ball straight into the next slot, bypassing the random source.
inline int PutBall(BallTable& t, float x, float y, float radius, std::int32_t color = 0)
{
    const int k = ++t.BallCount;
    t.BallX[k] = x;
    t.BallY[k] = y;
    t.BallRadius[k] = radius;
    t.BallColor[k] = color;
    return k;
}

// Whether two tables hold the same bits in every field of every slot (live
// or not), the count, Pi and HitAngle; a failure names the first field that
// differs, so that it says where the pile went wrong.
inline ::testing::AssertionResult SameTable(const BallTable& actual, const BallTable& expected)
{
    if (actual.BallCount != expected.BallCount) {
        return ::testing::AssertionFailure()
               << "BallCount " << actual.BallCount << ", expected " << expected.BallCount;
    }
    const auto slot = [](const BallTable& t, int i) {
        return std::tuple{Bits(t.BallX[i]), Bits(t.BallY[i]), Bits(t.BallRadius[i]),
                          t.BallColor[i]};
    };
    for (int i = 0; i <= MaxSlot; ++i) {
        if (slot(actual, i) != slot(expected, i)) {
            return ::testing::AssertionFailure()
                   << "slot " << i << ": (" << actual.BallX[i] << ", " << actual.BallY[i] << ") r "
                   << actual.BallRadius[i] << " c " << actual.BallColor[i] << ", expected ("
                   << expected.BallX[i] << ", " << expected.BallY[i] << ") r "
                   << expected.BallRadius[i] << " c " << expected.BallColor[i];
        }
    }
    if (Bits(actual.HitAngle) != Bits(expected.HitAngle)) {
        return ::testing::AssertionFailure()
               << "HitAngle " << actual.HitAngle << ", expected " << expected.HitAngle;
    }
    if (Bits(actual.Pi) != Bits(expected.Pi)) {
        return ::testing::AssertionFailure() << "Pi " << actual.Pi << ", expected " << expected.Pi;
    }
    return ::testing::AssertionSuccess();
}

// What no run may break, however wild its inputs: BallCount in 0..MaxSlot,
// every live position and radius and HitAngle finite, and every slot above
// the count still unwritten (all zero bits). Allocates nothing when it holds.
inline ::testing::AssertionResult TableSound(const BallTable& t)
{
    if (t.BallCount < 0 || t.BallCount > MaxSlot) {
        return ::testing::AssertionFailure() << "BallCount " << t.BallCount << " out of 0..1000";
    }
    if (!std::isfinite(t.HitAngle)) {
        return ::testing::AssertionFailure() << "HitAngle " << t.HitAngle << " not finite";
    }
    for (int i = 0; i <= t.BallCount; ++i) {
        if (!std::isfinite(t.BallX[i]) || !std::isfinite(t.BallY[i]) ||
            !std::isfinite(t.BallRadius[i])) {
            return ::testing::AssertionFailure() << "slot " << i << " at (" << t.BallX[i] << ", "
                                                 << t.BallY[i] << ") r " << t.BallRadius[i];
        }
    }
    for (int i = t.BallCount + 1; i <= MaxSlot; ++i) {
        if ((Bits(t.BallX[i]) | Bits(t.BallY[i]) | Bits(t.BallRadius[i]) | t.BallColor[i]) != 0) {
            return ::testing::AssertionFailure() << "slot " << i << " past BallCount was written";
        }
    }
    return ::testing::AssertionSuccess();
}
