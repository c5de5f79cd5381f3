// SPDX-License-Identifier: MIT
// The draw pass: the whole picture, repainted from the ball table.
#pragma once

#include "ball_table.h"
#include "surface.h"

// Clears the surface, then draws every live slot's circle in slot order, so
// that a higher slot lies over lower ones where their rings cross. Reads the
// table only, and draws with whatever pen width the surface has.
void DrawBalls(const BallTable& table, Surface& surface);
