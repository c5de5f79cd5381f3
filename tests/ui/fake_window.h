// SPDX-License-Identifier: MIT
// A window system for Form1 with no toolkit: it records what the form asks
// of it (repaints, wake-ups), and a test sets what it reports (size, pixel
// ratio, background, time). The starting point of the window tests.
#pragma once

#include "fake_clock.h"
#include "main_window.h"
#include "window_system.h"

#include <cmath>
#include <cstdint>
#include <vector>

class FakeWindow : public WindowSystem {
public:
    // What the window reports; a test changes them and tells the form.
    int width = Form1::StartClientWidth;
    int height = Form1::StartClientHeight;
    double ratio = 1.0;
    // The client area in device pixels, as a window system lays it out;
    // below 0, the size in pixels times the ratio, rounded.
    int deviceWidth = -1;
    int deviceHeight = -1;
    std::uint32_t background = 0xF0F0F0;
    FakeClock clock;
    // Every rectangle the form asked to repaint, in order (unless a long run
    // turns keeping them off), and how many calls.
    std::vector<PixelRect> repainted;
    int repaints = 0;
    bool keepRepainted = true;

    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    int DeviceWidth() const override
    {
        return deviceWidth >= 0 ? deviceWidth : static_cast<int>(std::lround(width * ratio));
    }
    int DeviceHeight() const override
    {
        return deviceHeight >= 0 ? deviceHeight : static_cast<int>(std::lround(height * ratio));
    }
    double PixelRatio() const override { return ratio; }
    std::uint32_t Background() const override { return background; }
    std::chrono::nanoseconds Now() const override { return clock.Now(); }
    void WakeAt(std::chrono::nanoseconds at) override { clock.WakeAt(at); }
    void CancelWake() override { clock.CancelWake(); }
    void Repaint(std::span<const PixelRect> rects) override
    {
        if (keepRepainted) {
            repainted.insert(repainted.end(), rects.begin(), rects.end());
        }
        ++repaints;
    }
};

// A form on a fake window, started as an adapter starts it: loaded at the
// start size, then shown.
struct ShownForm {
    FakeWindow window;
    Form1 form{window};

    ShownForm()
    {
        form.Form_Load();
        form.Shown();
    }
    ShownForm(const ShownForm&) = delete;
    ShownForm& operator=(const ShownForm&) = delete;

    // As the program runs: the clock reaches the next timer boundary, and
    // the event loop delivers the wake-up the form asked for, if it is due
    // (a tick and its draw pass while the timer is enabled).
    void Tick()
    {
        window.clock.Advance(Timer::Granularity);
        if (window.clock.TakeDueWake()) {
            form.WakeUp();
        }
    }
    // Whether the form asked for a wake-up: its timer runs. A shown form
    // stops it only when the pile rests.
    bool Ticking() const { return window.clock.wake.has_value(); }
    // Ticks until the pile rests, at most `limit` ticks; returns how many ran.
    int TickUntilRest(int limit)
    {
        int ticks = 0;
        while (Ticking() && ticks < limit) {
            Tick();
            ++ticks;
        }
        return ticks;
    }
    // A press at (x, y), device-independent pixels, left button.
    void Press(double x, double y) { form.MouseDown(LeftButton, 0, x, y); }
};
