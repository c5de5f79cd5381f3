// SPDX-License-Identifier: MIT
// The window's ring pass: the damage of a draw pass cleared and its rings
// drawn again, each from a shape kept for its call. No toolkit in here.
#pragma once

#include "damage.h"
#include "ring_raster.h"

#include <cstdint>
#include <vector>

// Draws the damage of a pass into the frame: clears it to the background,
// then draws every ring that meets it in call order, clipped to it. Each
// call's ring is drawn from a RingShape kept for that call (the call is the
// ball's slot), measured again only when the call's radius or pen width
// changes: a change of pixel ratio measures every one again
// (RasterPassNewShapes). The frame is that of every ring measured afresh and
// drawn whole (RingPass.EveryPassDrawsWhatEveryRingThroughDrawRingDraws in
// tests/ui/raster_test.cpp).
class RingPass {
public:
    void Draw(const PixelFrame& frame, const Damage& damage, std::uint32_t background);

private:
    std::vector<RingShape> shapes_;
};
