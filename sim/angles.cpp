// SPDX-License-Identifier: MIT
// Angle helpers. All of them work against the table's 14-digit Pi, never a
// full-precision constant, so that the pushes come out bit for bit the same.
#include "ball_table.h"

#include <cmath>

double BallTable::ATan2(float Y, float x) const
{
    // The order of the tests matters: (0, 0) must give one radian, which is
    // the direction in which two coincident balls are split.
    if (x == 0.0f && Y == 0.0f) {
        return 1.0;
    }
    if (x == 0.0f && Y < 0.0f) {
        return Pi / 2.0;
    }
    if (x < 0.0f) {
        // The quotient is a float on purpose: it is rounded to 32 bits
        // before the arctangent sees it.
        const float q = Y / x;
        return Pi - std::atan(static_cast<double>(q));
    }
    if (x == 0.0f && Y > 0.0f) {
        return -Pi / 2.0;
    }
    if (x > 0.0f) {
        const float q = Y / x;
        // Lands between 1.5 Pi and 2.5 Pi; callers only take sin and cos,
        // and normalising would change the last bits of both.
        return 2.0 * Pi - std::atan(static_cast<double>(q));
    }
    // Only a NaN argument gets here.
    return 1.0;
}

double BallTable::Rad(double angleinput) const
{
    return (Pi / 180.0) * angleinput;
}

double BallTable::Angl(double radinput) const
{
    return (180.0 / Pi) * radinput;
}

void BallTable::Bnc(double& Ang1, double Wall) const
{
    Ang1 = 2.0 * Wall - Ang1;
}
