// SPDX-License-Identifier: MIT
// The draw pass.
#include "render.h"

void DrawBalls(const BallTable& table, Surface& surface)
{
    surface.Cls();
    for (int i = 0; i <= table.BallCount; ++i) {
        surface.Circle(table.BallX[i], table.BallY[i], table.BallRadius[i], table.BallColor[i]);
    }
}
