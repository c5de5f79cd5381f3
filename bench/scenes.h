// SPDX-License-Identifier: MIT
// The fixed scenes every benchmark runs on: presses spread over the
// start-up window, then enough ticks for the pile to settle and jiggle.
#pragma once

#include "ball_table.h"
#include "surface.h"

// Client area of the start-up window, world units (twips).
inline constexpr float SceneWidth = 9075.0f;
inline constexpr float SceneHeight = 5490.0f;

// `balls` presses at fixed points over the start-up window, with colours
// and radii from the window's own random source (Rnd) started afresh, then
// 600 ticks. Built once per size and kept.
const BallTable& SettledScene(int balls);

// Puts the positions and HitAngle of `scene` back into `t`, which must
// hold the same balls: every tick a benchmark times starts from the scene.
void Restore(BallTable& t, const BallTable& scene);
