// The tick: fall, clamps and pushes for every live ball.
//
// Positions and radii are floats, every intermediate is a double with each
// operation rounded on its own, and the points where a value is rounded to
// a float are the original program's: moving any of them changes the pile.
#include "ball_table.h"

#include <cmath>

namespace {

// World units (twips) a ball sinks per tick: 3 pixels.
constexpr double FallStep = 45.0;
// A pair is pushed apart by a tenth of its radius sum, each ball the whole
// amount, however deep the overlap.
constexpr double PushDivisor = 10.0;

} // namespace

void BallTable::SettleBall(int i, float width, float height)
{
    BallY[i] = static_cast<float>(static_cast<double>(BallY[i]) + FallStep);

    // The floor and right-wall limits are rounded to floats before the
    // comparison; the right wall is applied last, so in a window narrower
    // than the ball it wins over the left wall.
    const float floorLimit = static_cast<float>(static_cast<double>(height) - BallRadius[i]);
    if (BallY[i] > floorLimit) {
        BallY[i] = floorLimit;
    }
    if (BallX[i] < BallRadius[i]) {
        BallX[i] = BallRadius[i];
    }
    const float wallLimit = static_cast<float>(static_cast<double>(width) - BallRadius[i]);
    if (BallX[i] > wallLimit) {
        BallX[i] = wallLimit;
    }
}

bool BallTable::PushPair(int i, int j)
{
    const double dx = static_cast<double>(BallX[i]) - BallX[j];
    const double dy = static_cast<double>(BallY[i]) - BallY[j];
    const double d2 = dx * dx + dy * dy;
    const double radiusSum = static_cast<double>(BallRadius[j]) + BallRadius[i];
    const double s = static_cast<float>(radiusSum);
    if (!(d2 < s * s)) {
        return false;
    }

    HitAngle = ATan2(static_cast<float>(dy), static_cast<float>(dx));
    // The push is the unrounded sum over ten, rounded once: not s / 10.
    const double push = static_cast<float>(radiusSum / PushDivisor);
    const double c = std::cos(HitAngle);
    const double sn = std::sin(HitAngle);
    // Each update reads the value it changes and stores at once.
    BallX[i] = static_cast<float>(BallX[i] + c * push);
    BallY[i] = static_cast<float>(BallY[i] - sn * push);
    BallX[j] = static_cast<float>(BallX[j] - c * push);
    BallY[j] = static_cast<float>(BallY[j] + sn * push);
    return true;
}

void BallTable::MoveBallsPlain(float width, float height)
{
    // Ordered pairs in slot order with immediate updates: a pair is met
    // twice per tick, and every test sees the positions of that moment.
    const int n = BallCount;
    for (int i = 0; i <= n; ++i) {
        SettleBall(i, width, height);
        for (int j = 0; j <= n; ++j) {
            if (j != i) {
                PushPair(i, j);
            }
        }
    }
}

void BallTable::MoveBalls(float width, float height)
{
    MoveBallsPlain(width, height);
}
