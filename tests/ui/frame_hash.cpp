// SPDX-License-Identifier: MIT
// Prints the hash of every pinned frame (tests/ui/frame_scene.h) and their
// total, and fails unless the damage redraws matched full redraws and the
// total is the pinned one: the determinism check runs this on other
// processors.
#include "frame_scene.h"

#include <cinttypes>
#include <cstdio>

int main()
{
    const FrameHashes frames = PinnedFrames();
    for (const std::string& line : frames.lines) {
        std::printf("%s\n", line.c_str());
    }
    std::printf("%016" PRIx64 "\n", frames.total);
    if (!frames.damageSound) {
        std::printf("a redraw from damage differs from the full redraw\n");
        return 1;
    }
    return frames.total == PinnedFramesHash ? 0 : 1;
}
