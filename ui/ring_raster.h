// SPDX-License-Identifier: MIT
// Antialiased rings drawn straight into an opaque 32-bit frame, with no
// toolkit: each pixel takes the exact area of the ring that lies in it.
#pragma once

#include <cstddef>
#include <cstdint>

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

// The part of `rect` that lies in `within`; empty if none.
PixelRect Intersect(PixelRect rect, PixelRect within);

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
