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

// The pixels the ring DrawRing draws with these arguments can touch, cut to
// `within` (empty when it touches none of them, or when the arguments are not
// finite). Computed in doubles before any conversion, so no centre, however
// far off, overflows.
PixelRect RingBounds(double cx, double cy, double radius, double width, PixelRect within);

// Draws the stroke of a circle with a pen `width` wide centred on it: the
// annulus between radius - width / 2 and radius + width / 2, a full disc of
// radius + width / 2 where radius < width / 2 (so radius 0 is a dot of
// diameter `width`). Centre (cx, cy), radius and width in device pixels; the
// centre is moved to the nearest pixel corner, floor(c + 0.5), so that the
// four quadrants of the ring are mirror images of each other on the pixel
// grid. Each pixel gets rgb (0xRRGGBB) over what the frame holds, with the
// area of the ring inside the pixel as its alpha (rounded to a multiple of
// 1 / 65535; channels rounded to nearest). Writes only pixels inside both the frame
// and `clip`. A negative radius or width counts as its magnitude; rings
// whose outer radius exceeds 2^20 pixels, or with arguments that are not
// finite, are not drawn. Allocates nothing.
void DrawRing(const PixelFrame& frame, PixelRect clip, double cx, double cy, double radius,
              double width, std::uint32_t rgb);

// One ring's quadrant as DrawRing measures it, kept so that drawing it again
// costs only the blends: for every row of the quadrant where the hole ends,
// the partly covered run, the solid span and the partly covered run after
// it, and the alphas of both runs. Every alpha depends only on the radius
// and the pen width in device pixels (the centre sits on a pixel corner),
// so a shape measured once serves every centre. Keyed by the exact doubles
// passed: Matches() is true only for the very radius and width it was
// measured for, so a drawing from it is DrawRing's by construction.
class RingShape {
public:
    // Largest outer radius (device pixels) kept as a shape; larger rings
    // are drawn by DrawRing. A shape holds at most 2048 rows of 10 bytes
    // and 8202 alphas: 36 KB. The full table of the start-up window holds
    // 343 KB of shapes at one device pixel per pixel, 598 KB at two
    // (RasterPassCold's shape_bytes).
    static constexpr double MaxRadius = 2048;

    // Measures the ring of this radius and pen width (device pixels; signs
    // ignored, as DrawRing ignores them) with DrawRing's own steps, and
    // keeps it at its exact size. Uses 68 KB of stack.
    void Measure(double radius, double width);
    bool Matches(double radius, double width) const
    {
        return measured_ && radius == radius_ && width == width_;
    }
    // Whether the ring was measured and can be drawn from here: false for
    // rings DrawRing draws nothing of, or larger than MaxRadius.
    bool Usable() const { return usable_; }
    double Radius() const { return radius_; }
    double Width() const { return width_; }
    // Heap bytes the shape holds.
    std::size_t Bytes() const
    {
        return rows_.capacity() * sizeof(Row) + alphas_.capacity() * sizeof(std::uint16_t);
    }

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
    const std::vector<Row>& Rows() const { return rows_; }
    // The alphas, with four spare zeros before the first and after the
    // last, so that a blend may load four at any run's start or end.
    const std::uint16_t* Alphas() const { return alphas_.data() + Spare; }

private:
    static constexpr std::size_t Spare = 4;
    bool measured_ = false;
    bool usable_ = false;
    double radius_ = 0;
    double width_ = 0;
    std::vector<Row> rows_;
    std::vector<std::uint16_t> alphas_;
};

// Draws the ring of `shape` centred on (cx, cy) (device pixels) as DrawRing
// would draw that radius and width there: the same pixels, bit for bit,
// through the same clip. `shape` must be Usable().
void DrawShape(const PixelFrame& frame, PixelRect clip, double cx, double cy,
               const RingShape& shape, std::uint32_t rgb);
// DrawShape for a clip that lies inside the ring's RingBounds, as the
// damage clips RingPass cuts from a ring's bounds do: the bounds, found
// once when the ring was recorded, are not found again. Pixels of the frame
// outside the clip may be stored again with the values they hold (blends
// with alpha 0 beside a run, so that rows reaching the clip's edge are
// still blended four pixels at a time); none changes.
void DrawShapeInBounds(const PixelFrame& frame, PixelRect clip, double cx, double cy,
                       const RingShape& shape, std::uint32_t rgb);
