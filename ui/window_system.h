// SPDX-License-Identifier: MIT
// What the window needs of a window system: a client area, a clock with one
// wake-up, and a way to show the frame. Each window system (Qt, Win32, the
// browser) implements it in its adapter under app/; tests use a fake that
// records what Form1 asks of it.
#pragma once

#include "ring_raster.h"
#include "timer.h"

#include <cstdint>
#include <span>

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
    // Whether the window system takes the frame's pixels as R, G, B, A
    // bytes in memory (a canvas's ImageData) rather than 0xAARRGGBB words:
    // the frame is then drawn in that order, so that no copy converts it.
    virtual bool RgbaFrame() const { return false; }
};

// Everything Form1 asks of a window system.
class WindowSystem : public ClientArea, public TimerHost {
public:
    // The frame (Form1::Frame()) changed in these rectangles of device
    // pixels, all inside the client area: show them anew, the background
    // where the frame does not reach (there is none while memory cannot
    // hold it). Never called with none.
    virtual void Repaint(std::span<const PixelRect> rects) = 0;
};
