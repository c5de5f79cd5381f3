// SPDX-License-Identifier: MIT
// Building and restoring the benchmark scenes.
#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

std::unique_ptr<BallTable> BuildScene(int balls)
{
    auto t = std::make_unique<BallTable>();
    t->InitBalls(SceneWidth);
    Rnd rnd;
    for (int k = 0; k < balls; ++k) {
        // Additive recurrences of the golden ratio and the plastic number:
        // evenly spread, no two presses at one point.
        double fx = 0.0;
        double fy = 0.0;
        const float x =
            static_cast<float>(SceneWidth * std::modf((k + 0.5) * 0.6180339887498949, &fx));
        const float y =
            static_cast<float>(SceneHeight * std::modf((k + 0.5) * 0.7548776662466927, &fy));
        t->AddBall(x, y, rnd);
    }
    for (int k = 0; k < 600; ++k) {
        t->MoveBalls(SceneWidth, SceneHeight);
    }
    return t;
}

} // namespace

const BallTable& SettledScene(int balls)
{
    static std::map<int, std::unique_ptr<BallTable>> built;
    auto& slot = built[balls];
    if (!slot) {
        slot = BuildScene(balls);
    }
    return *slot;
}

void Restore(BallTable& t, const BallTable& scene)
{
    const int live = scene.BallCount + 1;
    std::copy_n(scene.BallX.begin(), live, t.BallX.begin());
    std::copy_n(scene.BallY.begin(), live, t.BallY.begin());
    t.HitAngle = scene.HitAngle;
}
