// SPDX-License-Identifier: MIT
// Adding a ball at the pointer.
#include "ball_table.h"

#include <cmath>

namespace {

// Colour = random * 0xFFFFFF; radius = random * 600 + 30 world units (twips),
// i.e. 2 to 42 pixels.
constexpr double ColorSpan = 16777215.0;
constexpr double RadiusSpan = 600.0;
constexpr double LeastRadius = 30.0;

} // namespace

bool BallTable::AddBall(float x, float y, RandomRef next)
{
    // A press on a full table is ignored outright: nothing is written and no
    // random value is taken, so the sequence of later colours and radii is
    // the same as if the press had never happened.
    if (Full()) {
        return false;
    }
    const int k = ++BallCount;
    BallX[k] = x;
    BallY[k] = y;
    // The colour is drawn before the radius. Rounding is to nearest, ties
    // to even (the default rounding mode), which nearbyint honours.
    const double r1 = next();
    BallColor[k] = static_cast<std::int32_t>(std::nearbyint(r1 * ColorSpan));
    const double r2 = next();
    BallRadius[k] = static_cast<float>(r2 * RadiusSpan + LeastRadius);
    return true;
}
