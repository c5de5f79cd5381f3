// SPDX-License-Identifier: MIT
// The Surface of the window: draws into an off-screen frame of device
// pixels, every ring rasterized straight into it. No toolkit: a window
// system shows the frame's damaged rectangles its own way.
#pragma once

#include "damage.h"
#include "ring_pass.h"
#include "surface.h"
#include "window_system.h"

#include <algorithm>
#include <cstdint>
#include <memory>

class FrameSurface final : public Surface {
public:
    // client is the client area this surface stands for; it must outlive
    // the surface.
    explicit FrameSurface(const ClientArea& client);

    float ScaleWidth() const override;
    float ScaleHeight() const override;
    void DrawWidth(int pixels) override;
    void Cls() override;
    void Circle(float x, float y, float radius, std::int32_t color) override;

    // The frame the latest draw pass made: device pixels, one 0xFFRRGGBB
    // word each (R, G, B, A bytes where the window system asks for them),
    // rows `stride` words apart; no pixels (null, 0 x 0) before
    // the first pass, for an empty client area, or when memory could not
    // hold it. Ends that pass: the frame is complete from here.
    //
    // A pass only records its calls; ending it draws what changed. The
    // frame keeps the last pass's pixels, and of them only the damage (what
    // the rings that moved, came, went or changed covered before and cover
    // now) is cleared and drawn again, every ring that meets it in call
    // order, clipped to it. That gives the very pixels a full redraw would
    // (tests/ui/damage_diff_test.cpp); a change of size, pixel ratio, pen or
    // background redraws the whole frame.
    const PixelFrame& Frame();
    // Device pixels per device-independent pixel of the frame.
    double Ratio() const { return ratio_; }
    // The most device pixels per device-independent pixel a frame is drawn
    // at: the bound of the rasterizer's largest ring (RingShape::MaxRadius).
    static constexpr double MaxRatio = 16;
    // The ratio a frame is drawn at for a screen of `screen` device pixels
    // per pixel: the screen's, at most MaxRatio. Qt and the page scale a
    // frame drawn at less up to the screen (Windows scales by 500 % at
    // most). FrameSurface.ARatioAboveTheMostIsDrawnAtTheMost pins it.
    static double RatioFor(double screen) { return std::min(screen, MaxRatio); }
    // Forgets what the frame holds: the next pass draws it whole. For
    // benchmarks that time a full redraw.
    void Invalidate() { drawn_ = false; }
    // What the last pass ended changed, device pixels of the frame: the
    // part of the window that needs painting anew.
    const Damage& LastDamage() const { return damage_; }
    // Whether the last draw pass wanted a frame that memory could not hold.
    bool FrameTooLarge() const { return frame_.pixels == nullptr && wanted_; }

private:
    // Makes the frame width x height device pixels (both positive); false,
    // with no frame, when memory cannot hold it.
    bool Allocate(int width, int height);
    // Frees the frame: there is none until the next Allocate.
    void Release();

    const ClientArea& client_;
    // Pen width in device-independent pixels.
    int drawWidth_ = 1;
    // Device pixels per device-independent pixel of the frame being drawn.
    double ratio_ = 1.0;
    std::unique_ptr<std::uint32_t[]> pixels_;
    PixelFrame frame_;
    // Whether the last draw pass asked for a frame with pixels.
    bool wanted_ = false;
    // Between Cls and Frame, while the frame holds pixels.
    bool drawing_ = false;
    // Whether the frame is drawn in R, G, B, A byte order
    // (ClientArea::RgbaFrame), as Cls found it.
    bool rgba_ = false;
    // A colour 0xRRGGBB as the frame's words hold it: red and blue change
    // places in an RGBA frame. Every blend treats the three channels alike,
    // so the frame is the other order's with each pixel's bytes swapped.
    std::uint32_t Channels(std::uint32_t rgb) const { return rgba_ ? RgbWordOf(rgb) : rgb; }
    // The pass under way: its background (in the frame's order) and pen
    // width (device pixels), as Cls found them.
    std::uint32_t background_ = 0;
    double pen_ = 0;
    // What the frame's pixels were drawn with, when it holds a pass at all.
    bool drawn_ = false;
    double drawnRatio_ = 0;
    std::uint32_t drawnBackground_ = 0;
    double drawnPen_ = 0;
    Damage damage_;
    // Draws the damage, keeping each slot's ring shape between passes.
    RingPass pass_;
};
