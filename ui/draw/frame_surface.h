// SPDX-License-Identifier: MIT
// The Surface of the window: draws into an off-screen frame of device
// pixels, every ring rasterized straight into it, for the client area it
// reads. No toolkit: a window system shows the frame's damaged rectangles
// its own way.
#pragma once

#include "damage.h"
#include "ring_pass.h"
#include "surface.h"

#include <cstdint>
#include <memory>
#include <optional>

// The client area as the window system has it now. An adapter reports what
// its window system says, and keeps none of it to compare with: Form1 does
// (Form1::ClientChanged).
class ClientArea {
public:
    virtual ~ClientArea() = default;

    // Size of the client area in device-independent pixels (15 twips each):
    // what the tick reads.
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Size of the client area in device pixels, as the window system lays
    // it out (at a fractional ratio this is the window system's rounding,
    // not the size in pixels times the ratio): the frame's size.
    virtual int DeviceWidth() const = 0;
    virtual int DeviceHeight() const = 0;
    // Device pixels per device-independent pixel on the window's screen.
    virtual double PixelRatio() const = 0;
    // The window's background colour, 0xRRGGBB (a high byte is ignored).
    virtual std::uint32_t Background() const = 0;
};

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

    // Ends the draw pass under way (Cls, then Circle calls), if any: draws
    // what it changed into the frame and returns that damage, the part of
    // the window that needs painting anew (device pixels of the frame).
    //
    // A pass only records its calls; this draws what changed. The frame
    // keeps the last pass's pixels, and of them only the damage (what the
    // rings that moved, came, went or changed covered before and cover
    // now) is cleared and drawn again, every ring that meets it in call
    // order, clipped to it. That gives the very pixels a full redraw would
    // (tests/ui/damage_diff_test.cpp); a change of size, pixel ratio, pen or
    // background redraws the whole frame.
    const Damage& Rasterize();
    // The frame as the last pass ended left it: device pixels, one 0xFFRRGGBB
    // word each, rows `stride` words apart; no pixels (null, 0 x 0) before
    // the first pass, for an empty client area, or when memory could not
    // hold it. Must not be asked for in the middle of a pass (between Cls
    // and Rasterize), when the frame may hold no picture yet.
    const PixelFrame& Frame() const;
    // Device pixels per device-independent pixel of the frame.
    double Ratio() const { return look_.ratio; }
    // The most device pixels per device-independent pixel a frame is drawn
    // at, whatever the screen's (the bound of the rasterizer's largest ring,
    // RingShape::MaxRadius): Qt and the page scale a frame drawn at less up
    // to the screen (Windows scales by 500 % at most).
    // FrameSurface.ARatioAboveTheMostIsDrawnAtTheMost pins it.
    static constexpr double MaxRatio = 16;

private:
    // Makes the frame width x height device pixels (both positive); false,
    // with no frame, when memory cannot hold it.
    bool Allocate(int width, int height);
    // Frees the frame: there is none until the next Allocate.
    void Release();

    const ClientArea& client_;
    // Pen width in device-independent pixels.
    int drawWidth_ = 1;
    std::unique_ptr<std::uint32_t[]> pixels_;
    PixelFrame frame_;
    // Between Cls and Rasterize, while the frame holds pixels.
    bool drawing_ = false;
    // What a pass draws with, as Cls found it: device pixels per
    // device-independent pixel, the background (0xRRGGBB) and the pen width
    // (device pixels). A frame drawn with another is drawn anew whole.
    struct Look {
        double ratio = 1.0;
        std::uint32_t background = 0;
        double pen = 0;
        bool operator==(const Look&) const = default;
    };
    Look look_;
    // What the frame's pixels were drawn with, when it holds a pass at all.
    std::optional<Look> drawn_;
    Damage damage_;
    // Draws the damage, keeping each slot's ring shape between passes.
    RingPass pass_;
};
