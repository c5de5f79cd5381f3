// SPDX-License-Identifier: MIT
// Drawing into the window's frame.
#include "frame_surface.h"

#include "ring_raster.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>

// The program's largest ring, its largest ball (radius below 630 twips,
// sim/spawn.cpp) in its 9-pixel pen (PenWidth, main_window.cpp), at the most
// device pixels per pixel, lies inside the largest the rasterizer draws.
static_assert((630 / TwipsPerPixel + 9 / 2.0) * FrameSurface::MaxRatio <= RingShape::MaxRadius);

FrameSurface::FrameSurface(const ClientArea& client) : client_(client) {}

float FrameSurface::ScaleWidth() const
{
    return static_cast<float>(client_.ClientWidth()) * TwipsPerPixel;
}

float FrameSurface::ScaleHeight() const
{
    return static_cast<float>(client_.ClientHeight()) * TwipsPerPixel;
}

void FrameSurface::DrawWidth(int pixels)
{
    drawWidth_ = pixels;
}

bool FrameSurface::Allocate(int width, int height)
{
    if (frame_.width == width && frame_.height == height && frame_.pixels != nullptr) {
        return true;
    }
    Release();
    // Both sides are positive ints, so the count fits 64 bits; a frame whose
    // size in bytes would not fit in memory's address range (a 32-bit one,
    // as WebAssembly's) is one memory cannot hold. new (std::nothrow) rather
    // than a vector, so that a failed allocation is an answer, not an
    // exception: WebAssembly builds have none
    // (WindowStress.AFrameTooLargeForMemoryShowsTheBackgroundUntilOneFits).
    const auto count =
        static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(std::uint32_t)) {
        return false;
    }
    pixels_.reset(new (std::nothrow) std::uint32_t[count]);
    if (!pixels_) {
        return false;
    }
    frame_ = {pixels_.get(), width, width, height};
    return true;
}

void FrameSurface::Release()
{
    pixels_.reset();
    frame_ = {};
    drawn_.reset();
}

void FrameSurface::Cls()
{
    const double ratio = look_.ratio = std::min(client_.PixelRatio(), MaxRatio);
    // The frame is drawn in device pixels, so that rings stay crisp on dense
    // screens, and is exactly as large as the window system lays the client
    // area out: at a fractional ratio its rounding, not ours, decides
    // (WindowTest.TheFrameIsTheClientAreasDevicePixels).
    // Above the largest ratio drawn, the frame is the client area at that
    // ratio, and the window system scales it up to the screen
    // (FrameSurface.ARatioAboveTheMostIsDrawnAtTheMost).
    const bool clamped = ratio != client_.PixelRatio();
    const int w = clamped ? static_cast<int>(std::ceil(client_.ClientWidth() * ratio))
                          : client_.DeviceWidth();
    const int h = clamped ? static_cast<int>(std::ceil(client_.ClientHeight() * ratio))
                          : client_.DeviceHeight();
    // An empty client area has no frame, and neither has one too large for
    // memory. The pile goes on moving; its rings are drawn again once a
    // frame fits (WindowStress.AFrameTooLargeForMemoryShowsTheBackgroundUntilOneFits).
    drawing_ = w > 0 && h > 0 && Allocate(w, h);
    if (!drawing_) {
        Release();
        damage_.Begin(0, 0, true);
        return;
    }
    look_ = {ratio, client_.Background() & 0xFFFFFFu, drawWidth_ * ratio};
    damage_.Begin(frame_.width, frame_.height, drawn_ != look_);
}

void FrameSurface::Circle(float x, float y, float radius, std::int32_t color)
{
    if (!drawing_) {
        return;
    }
    // Only recorded here; Rasterize draws. Device pixels. The centre is kept
    // where the rasterizer puts it, on the pixel corner nearest to it,
    // floor(x * scale + 0.5), so that a ball moving within a pixel changes
    // nothing. RingBounds skips rings wholly outside the frame before
    // converting anything to int, so that no centre, however far off,
    // overflows.
    const double scale = look_.ratio / TwipsPerPixel;
    const double cx = std::floor(x * scale + 0.5);
    const double cy = std::floor(y * scale + 0.5);
    const double r = radius * scale;
    damage_.Add({cx, cy, r, look_.pen, RgbWordOf(color),
                 RingBounds(cx, cy, r, look_.pen, {0, 0, frame_.width, frame_.height})});
}

const Damage& FrameSurface::Rasterize()
{
    // drawing_ holds only within a pass, with a frame to draw into.
    damage_.End();
    if (drawing_) {
        pass_.Draw(frame_, damage_, look_.background);
        drawing_ = false;
        drawn_ = look_;
    }
    return damage_;
}

const PixelFrame& FrameSurface::Frame() const
{
    assert(!damage_.InPass());
    return frame_;
}
