// SPDX-License-Identifier: MIT
// Initialisation of the ball table.
#include "ball_table.h"

void BallTable::InitBalls(float width)
{
    // Halved in double and stored as a float, like every stored position.
    BallX[0] = static_cast<float>(static_cast<double>(width) / 2.0);
    Pi = 3.14159265358978;
}
