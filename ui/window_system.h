// SPDX-License-Identifier: MIT
// What the window needs of a window system: a client area (ClientArea, in
// draw/frame_surface.h), a clock with one wake-up, and a way to show the
// frame. Each window system (Qt, Win32, the browser) implements it in its
// adapter under app/; tests use a fake that records what Form1 asks of it.
#pragma once

#include "frame_surface.h"
#include "timer.h"

#include <span>

// Everything Form1 asks of a window system.
class WindowSystem : public ClientArea, public TimerHost {
public:
    // The frame (Form1::Frame()) changed in these rectangles of device
    // pixels, all inside the client area: show them anew, the background
    // where the frame does not reach (there is none while memory cannot
    // hold it). Never called with none.
    virtual void Repaint(std::span<const PixelRect> rects) = 0;
};
