// SPDX-License-Identifier: MIT
// The pinned frames' hash: any change to the pixels the rasterizer, the
// blends or the damage redraw give for the settled scene shows here.
#include "frame_scene.h"

#include <gtest/gtest.h>

TEST(PinnedFrames, HashIsPinned)
{
    // Pinned from the x86-64 build (SSE2 blends) and the aarch64 build run
    // under qemu (scalar blends): scripts/determinism-check.sh compares the
    // two frame by frame.
    const FrameHashes frames = PinnedFrames();
    EXPECT_TRUE(frames.damageSound);
    EXPECT_EQ(frames.total, PinnedFramesHash) << ::testing::PrintToString(frames.lines);
}
