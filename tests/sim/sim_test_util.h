// SPDX-License-Identifier: MIT
// Helpers shared by the simulation tests.
#pragma once

#include "ball_table.h"

#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

inline std::uint32_t Bits(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}
inline std::uint64_t Bits(double d)
{
    return std::bit_cast<std::uint64_t>(d);
}

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

// A small deterministic uniform source for scenes: 24-bit LCG, floats in [0, 1).
struct SceneRandom {
    std::uint32_t state = 12345;
    float operator()()
    {
        state = (state * 1103515245u + 12345u) & 0xFFFFFFu;
        return static_cast<float>(state) / 16777216.0f;
    }
};

// A table initialised for the start-up window (9075 x 5490 twips).
inline BallTable StartTable()
{
    BallTable t;
    t.InitBalls(9075.0f);
    return t;
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

// FNV-1a over every live field's bits and HitAngle.
inline std::uint64_t StateHash(const BallTable& t)
{
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t v) {
        for (int b = 0; b < 8; ++b) {
            h ^= (v >> (8 * b)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    mix(static_cast<std::uint64_t>(t.BallCount));
    for (int i = 0; i <= t.BallCount; ++i) {
        mix(Bits(t.BallX[i]));
        mix(Bits(t.BallY[i]));
        mix(Bits(t.BallRadius[i]));
        mix(static_cast<std::uint32_t>(t.BallColor[i]));
    }
    mix(Bits(t.HitAngle));
    return h;
}
