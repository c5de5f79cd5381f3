// SPDX-License-Identifier: MIT
// What a draw pass changed in the frame: the rings of this pass and the last
// one compared call by call, the tiles of the frame they touch, and the
// rectangles that must be cleared and drawn again. No toolkit in here.
#pragma once

#include "ring_raster.h"

#include <cstdint>
#include <vector>

// One ring as the pass drew it: everything its pixels depend on but what
// lies under it.
struct DrawnRing {
    // Centre (on the pixel corner where it is drawn) and radius of the
    // circle, device pixels.
    double cx = 0;
    double cy = 0;
    double radius = 0;
    // Pen width, device pixels.
    double width = 0;
    // Pen colour 0xRRGGBB, as the frame stores it.
    std::uint32_t rgb = 0;
    // What it can touch (RingBounds), cut to the frame.
    PixelRect bounds;

    bool operator==(const DrawnRing&) const = default;
};

// Keeps the rings of the last pass and finds what the next one changes.
//
// A pixel outside the damage is covered by the same rings, in the same
// order, in both passes: every ring that appeared, vanished or changed has
// its old and new bounds in the damage. So the pixel is what the last pass
// left, and redrawing only the damage (cleared, then every ring that meets
// it in call order, clipped to it) gives the frame a full redraw would. The
// differential test in tests/ui/damage_diff_test.cpp checks that pixel for
// pixel.
//
// Damage is kept as a mask of square tiles, not a list of rings, so that
// marking costs a few bit operations per ring, and the rectangles made from
// it are few: whole bands of tiles.
class Damage {
public:
    // Side of a tile in device pixels while the frame has at most MaxTiles
    // of them; doubled for larger frames, so the mask and the rectangles
    // stay small (the rectangles at most MaxTiles / 2 of 16 bytes).
    static constexpr int TileSide = 32;
    static constexpr int MaxTiles = 16384;

    // Starts a pass over a frame of width x height device pixels. With
    // `whole` (the size, pixel ratio, pen or background changed, or the
    // frame's pixels are new) the whole frame is damage. A pass begun and
    // never ended is forgotten: the next one is compared with the last one
    // ended, which is what the frame holds.
    void Begin(int width, int height, bool whole);
    // The next ring of the pass, in call order. Its bounds may be empty.
    void Add(const DrawnRing& ring) { next_.push_back(ring); }
    // Ends the pass: compares it with the last one, makes the damage
    // rectangles and keeps the pass as the last one. Does nothing without
    // a pass under way.
    void End();

    bool InPass() const { return inPass_; }
    // The rings of the last pass ended, in call order.
    const std::vector<DrawnRing>& Rings() const { return last_; }
    // The damage of the last pass ended, as disjoint rectangles sorted by
    // top, then left, in bands: rectangles with one top have one height,
    // and none of them touch side by side. Empty when nothing changed.
    const std::vector<PixelRect>& Rects() const { return rects_; }
    // Whether that damage is the whole frame.
    bool Whole() const { return whole_; }

    // Calls f(clip) for every damage rectangle that meets `bounds`, with the
    // part of it inside `bounds`, in the order of Rects().
    template <class F> void ForEachClip(const PixelRect& bounds, F&& f) const
    {
        if (bounds.Empty()) {
            return;
        }
        for (const Band& b : bands_) {
            if (b.bottom <= bounds.top) {
                continue;
            }
            if (b.top >= bounds.bottom) {
                break;
            }
            for (int k = b.first; k < b.last; ++k) {
                const PixelRect& r = rects_[k];
                if (r.right <= bounds.left) {
                    continue;
                }
                if (r.left >= bounds.right) {
                    break;
                }
                f(Intersect(r, bounds));
            }
        }
    }

private:
    struct Band {
        // Device pixel rows [top, bottom).
        int top, bottom;
        // Its rectangles: rects_[first, last).
        int first, last;
    };

    void Mark(const PixelRect& bounds);
    void MakeRects();
    void AddBand(int row0, int row1, const std::uint64_t* row);

    int width_ = 0;
    int height_ = 0;
    int tile_ = TileSide;
    int cols_ = 0;
    int rows_ = 0;
    // 64-bit words per row of tiles in the mask.
    int words_ = 0;
    bool inPass_ = false;
    bool whole_ = false;
    bool wholeWanted_ = false;
    // One bit per tile, row after row; all clear between passes.
    std::vector<std::uint64_t> mask_;
    std::vector<DrawnRing> last_;
    std::vector<DrawnRing> next_;
    std::vector<PixelRect> rects_;
    std::vector<Band> bands_;
};
