// SPDX-License-Identifier: MIT
// The pinned frames' hash: any change to the pixels the rasterizer, the
// blends or the damage redraw give for the settled scene shows here.
#include "frame_scene.h"

#include <gtest/gtest.h>

TEST(PinnedFrames, HashIsPinned)
{
    // The same on every target: x86-64 (SSE2 blends), aarch64 under qemu
    // (scalar blends), Windows under wine and WebAssembly under Node, where
    // make determinism-check runs this test (ctest --preset <target>).
    const FrameHashes frames = PinnedFrames();
    EXPECT_TRUE(frames.damageSound);
    EXPECT_EQ(frames.total, PinnedFramesHash) << ::testing::PrintToString(frames.lines);
}
