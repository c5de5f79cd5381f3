// SPDX-License-Identifier: MIT
// The table is allocated once: pressing and ticking, even on a full table in
// a window of any size, must not allocate, or a long run would grow.
#include "alloc_count.h"
#include "sim_test_util.h"
#include "tick.h"

#include <gtest/gtest.h>
#include <memory>

TEST(Memory, CounterSeesAllocations)
{
    // Without this the test below could pass with a counter that never counts.
    const std::uint64_t before = AllocationCount();
    auto p = std::make_unique<int>(7);
    auto q = std::make_unique<float[]>(3);
    EXPECT_EQ(AllocationCount() - before, 2u);
}

TEST(Memory, PressesAndTicksAllocateNothing)
{
    auto t = std::make_unique<BallTable>();
    t->InitBalls(StartWidth);
    SceneRandom rnd;
    SceneRandom where{99};
    const float sizes[][2] = {
        {StartWidth, StartHeight}, {0.0f, 0.0f}, {60.0f, StartHeight}, {1e7f, 1e6f}};

    const std::uint64_t before = AllocationCount();
    for (int k = 0; k < 1005; ++k) { // the last five find the table full
        t->AddBall(where() * StartWidth, where() * StartHeight, rnd);
        if (k % 100 == 0) {
            t->MoveBalls(StartWidth, StartHeight);
        }
    }
    for (const auto& s : sizes) {
        t->MoveBalls(s[0], s[1]);
        MoveBallsPlain(*t, s[0], s[1]);
    }
    const std::uint64_t during = AllocationCount() - before;

    EXPECT_EQ(t->BallCount, MaxSlot);
    EXPECT_EQ(during, 0u);
}
