// SPDX-License-Identifier: MIT
// Scenes for the simulation tests, with nothing but the standard library: a
// deterministic uniform source, the start-up table, a hash of a table's state
// and the pinned scene whose hash tests/sim/tick_test.cpp checks.
#pragma once

#include "ball_table.h"

#include <bit>
#include <cstdint>

inline std::uint32_t Bits(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}
inline std::uint64_t Bits(double d)
{
    return std::bit_cast<std::uint64_t>(d);
}

// The start-up client area in world units (twips): 605 x 366 pixels.
inline constexpr float StartWidth = 9075.0f;
inline constexpr float StartHeight = 5490.0f;

// A small deterministic uniform source for scenes: 24-bit LCG, floats in [0, 1).
struct SceneRandom {
    std::uint32_t state = 12345;
    float operator()()
    {
        state = (state * 1103515245u + 12345u) & 0xFFFFFFu;
        return static_cast<float>(state) / 16777216.0f;
    }
};

// A table initialised for the start-up window.
inline BallTable StartTable()
{
    BallTable t;
    t.InitBalls(StartWidth);
    return t;
}

// FNV-1a, the hash of every pinned result: its start, and one step over v.
inline constexpr std::uint64_t FnvStart = 1469598103934665603ull;
inline std::uint64_t Fnv(std::uint64_t h, std::uint64_t v)
{
    return (h ^ v) * 1099511628211ull;
}

// FNV-1a over the bytes of every live field's bits and HitAngle.
inline std::uint64_t StateHash(const BallTable& t)
{
    std::uint64_t h = FnvStart;
    auto mix = [&h](std::uint64_t v) {
        for (int b = 0; b < 8; ++b) {
            h = Fnv(h, (v >> (8 * b)) & 0xFF);
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

// 400 presses spread over the start-up window, a tick after every second
// press, resizes now and then, and 3000 ticks to settle and jiggle: every
// rule of the tick and thousands of atan, sin and cos calls.
inline BallTable PinnedScene()
{
    BallTable t = StartTable();
    SceneRandom rnd;
    SceneRandom where{777};
    float w = StartWidth;
    float h = StartHeight;
    for (int k = 0; k < 400; ++k) {
        // Separate statements: argument evaluation order is unspecified.
        const float x = where() * w;
        const float y = where() * h;
        t.AddBall(x, y, rnd);
        if (k % 2 == 1) {
            t.MoveBalls(w, h);
        }
        if (k == 150) {
            w = 6000.0f;
        }
        if (k == 300) {
            w = 12000.0f;
            h = 4000.0f;
        }
    }
    for (int k = 0; k < 3000; ++k) {
        if (k == 1000) {
            w = StartWidth;
            h = StartHeight;
        }
        t.MoveBalls(w, h);
    }
    return t;
}

// StateHash(PinnedScene()); Determinism.SceneMatchesRecordedState checks it
// and says where it was checked.
inline constexpr std::uint64_t PinnedSceneHash = 0xb0f57dff63723fffull;
