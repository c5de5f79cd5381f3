// SPDX-License-Identifier: MIT
// The grid tick, quick pushes and all, against the plain loop over a long
// run of the full table in a window that changes size now and then: after
// every tick both tables must hold the same bits, HitAngle included. Prints
// how many pushes took the library path.
#include "sim_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Ticks of the run; the sanitizer build passes a shorter one.
long soakTicks = 20000;

} // namespace

TEST(GridSoak, FullTableMatchesThePlainLoopEveryTick)
{
    auto grid = std::make_unique<BallTable>(StartTable());
    SceneRandom rnd;
    SceneRandom where{1414};
    while (!grid->Full()) {
        const float x = where() * StartWidth;
        const float y = where() * (StartHeight + 20000.0f) - 20000.0f;
        grid->AddBall(x, y, rnd);
    }
    auto plain = std::make_unique<BallTable>(*grid);
    // Mostly the start-up window; now and then narrower, lower, wider, or
    // a sliver that piles every ball against both walls at once.
    const float sizes[][2] = {{StartWidth, StartHeight}, {4000.0f, StartHeight},
                              {StartWidth, 2500.0f},     {StartWidth, StartHeight},
                              {20000.0f, 4000.0f},       {600.0f, StartHeight},
                              {StartWidth, StartHeight}, {12000.0f, 8000.0f}};
    constexpr int Sizes = sizeof(sizes) / sizeof(sizes[0]);
    double pushes = 0.0;
    double library = 0.0;
    for (long tick = 0; tick < soakTicks; ++tick) {
        const auto& size = sizes[(tick / 700) % Sizes];
        BallTable::GridCounts counts;
        ASSERT_TRUE(grid->MoveBallsGrid(size[0], size[1], &counts)) << "tick " << tick;
        plain->MoveBallsPlain(size[0], size[1]);
        ASSERT_TRUE(SameTable(*grid, *plain)) << "tick " << tick;
        pushes += counts.Pushes;
        library += counts.Library;
    }
    std::printf("grid soak: %ld ticks, %.0f pushes, %.0f on the library path (%.2f per million)\n",
                soakTicks, pushes, library, pushes > 0 ? library / pushes * 1e6 : 0.0);
    EXPECT_GT(pushes, 1000.0 * soakTicks);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ticks=", 8) == 0) {
            soakTicks = std::atol(argv[i] + 8);
        }
    }
    return RUN_ALL_TESTS();
}
