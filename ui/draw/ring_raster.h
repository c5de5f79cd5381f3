// SPDX-License-Identifier: MIT
// Antialiased rings drawn straight into an opaque 32-bit frame, with no
// toolkit: each pixel takes the exact area of the ring that lies in it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// A frame of opaque pixels, one 32-bit word 0xFFRRGGBB each (the layout of
// Qt's Format_RGB32), rows `stride` words apart. Sizes in device pixels.
struct PixelFrame {
    std::uint32_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// A rectangle of device pixels, half-open: left <= x < right, top <= y < bottom.
// Empty when right <= left or bottom <= top.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelRect&) const = default;
};

// The part of `rect` that lies in `within`; empty ({}) if none.
inline PixelRect Intersect(PixelRect rect, PixelRect within)
{
    const PixelRect r{std::max(rect.left, within.left), std::max(rect.top, within.top),
                      std::min(rect.right, within.right), std::min(rect.bottom, within.bottom)};
    return r.Empty() ? PixelRect{} : r;
}

// Stores rgb (0xRRGGBB, the high byte ignored) in every pixel of `clip` that
// lies inside the frame.
void FillRect(const PixelFrame& frame, PixelRect clip, std::uint32_t rgb);

// The pixels the ring of this radius and pen width (device pixels, signs
// ignored) centred on (cx, cy) can touch, cut to `within`: the square of
// side 2 ceil(outer radius) around the centre corner DrawRing draws it on.
// Empty when it touches none of them, or when the arguments are not finite
// or the ring is larger than RingShape::MaxRadius, which DrawRing does not
// draw. Computed in doubles before any conversion, so no centre, however far
// off, overflows.
PixelRect RingBounds(double cx, double cy, double radius, double width, PixelRect within);

// The stroke of a circle with a pen `width` wide centred on it, measured
// once for a radius and pen width: the annulus between radius - width / 2
// and radius + width / 2, a full disc of radius + width / 2 where radius <
// width / 2 (so radius 0 is a dot of diameter `width`). The ring is drawn
// around a pixel corner, so its four quadrants are mirror images of each
// other on the pixel grid and one quadrant is kept: for every row where the
// hole ends, the partly covered run, the solid span and the partly covered
// run after it, and the alphas of both runs, each the exact area of the ring
// inside the pixel (rounded to a multiple of 1 / 65535). Every alpha depends
// only on the radius and the pen width, so a shape measured once serves every
// centre. Keyed by the exact doubles passed.
class RingShape {
public:
    // The largest outer radius drawn, device pixels: the program's largest
    // ring, its largest ball (42 pixels) in its 9-pixel pen at the most
    // device pixels per pixel a frame is drawn at (FrameSurface::MaxRatio,
    // 16), lies within it (static_assert in frame_surface.cpp). Rings beyond
    // it are not drawn (RingBounds is empty for them too). A shape holds at
    // most 744 rows of 10 bytes and 2986 alphas: 13 KB. The full table of the
    // start-up window holds 343 KB of shapes at one device pixel per pixel,
    // 598 KB at two (RasterPassCold's shape_bytes).
    static constexpr double MaxRadius = 744;

    // Measures the ring of this radius and pen width (device pixels; signs
    // ignored). Uses 25 KB of stack.
    void Measure(double radius, double width);
    bool Matches(double radius, double width) const
    {
        return measured_ && radius == radius_ && width == width_;
    }

private:
    friend void DrawRing(const PixelFrame&, PixelRect, double, double, const RingShape&,
                         std::uint32_t);
    // Quadrant row j, columns i >= 0 from the centre corner: nothing up to
    // holeEnd, partly covered pixels to solidFrom (their alphas from
    // alphaAt on), solid ones to solidEnd, partly covered ones to end
    // (their alphas right after the first run's).
    // alphaAt fits 16 bits: each of the two circles of a quarter crosses at
    // most 2 R + 1 pixels (a path that only moves right or down), so a
    // shape holds at most 4 MaxRadius + 2 alphas.
    struct Row {
        std::uint16_t holeEnd, solidFrom, solidEnd, end, alphaAt;
    };
    // Four spare zeros before the first alpha and after the last, so that a
    // blend may load four at any run's start or end.
    static constexpr std::size_t Spare = 4;
    bool measured_ = false;
    double radius_ = 0;
    double width_ = 0;
    std::vector<Row> rows_;
    std::vector<std::uint16_t> alphas_;
};

// Draws the ring of `shape` centred on (cx, cy) (device pixels), the centre
// moved to the nearest pixel corner, floor(c + 0.5): each pixel gets rgb
// (0xRRGGBB) over what the frame holds, with its alpha (channels rounded to
// nearest). Changes only pixels inside both the frame and `clip`; pixels of
// the frame next to the clip may be stored again with the values they hold
// (blends with alpha 0 beside a run, so that rows reaching the clip's edge
// are still blended four pixels at a time). A ring measured with arguments
// that are not finite or beyond MaxRadius, or a centre that is not finite,
// draws nothing. Allocates nothing.
void DrawRing(const PixelFrame& frame, PixelRect clip, double cx, double cy, const RingShape& shape,
              std::uint32_t rgb);
