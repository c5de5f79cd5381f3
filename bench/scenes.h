// The fixed scenes every benchmark runs on: presses spread over the
// start-up window, then enough ticks for the pile to settle and jiggle.
#pragma once

#include "ball_table.h"

#include <cstdint>

// Client area of the start-up window, world units (twips).
inline constexpr float SceneWidth = 9075.0f;
inline constexpr float SceneHeight = 5490.0f;

// The random source of the window: a 24-bit state, uniform floats in
// [0, 1). A local copy until the benchmarks can use the window's own.
struct Rnd {
    std::uint32_t x = 327680;
    float operator()()
    {
        x = (x * 1140671485u + 12820163u) & 0xFFFFFFu;
        return static_cast<float>(x) / 16777216.0f;
    }
};

// `balls` presses at fixed points over the start-up window, each drawing
// its colour and radius from a fresh Rnd, then 600 ticks. Built once per
// size and kept.
const BallTable& SettledScene(int balls);

// Puts the positions and HitAngle of `scene` back into `t`, which must
// hold the same balls: every tick a benchmark times starts from the scene.
void Restore(BallTable& t, const BallTable& scene);
