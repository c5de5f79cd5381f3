// SPDX-License-Identifier: MIT
// The window's ring pass.
#include "ring_pass.h"

void RingPass::Draw(const PixelFrame& frame, const Damage& damage, std::uint32_t background)
{
    for (const PixelRect& r : damage.Rects()) {
        FillRect(frame, r, background);
    }
    if (damage.Rects().empty()) {
        return;
    }
    const std::vector<DrawnRing>& rings = damage.Rings();
    if (shapes_.size() < rings.size()) {
        shapes_.resize(rings.size());
    }
    for (std::size_t k = 0; k < rings.size(); ++k) {
        const DrawnRing& ring = rings[k];
        if (ring.bounds.Empty()) {
            continue;
        }
        RingShape& shape = shapes_[k];
        if (!shape.Matches(ring.radius, ring.width)) {
            shape.Measure(ring.radius, ring.width);
        }
        damage.ForEachClip(ring.bounds, [&](const PixelRect& clip) {
            DrawRing(frame, clip, ring.cx, ring.cy, shape, ring.rgb);
        });
    }
}
