// SPDX-License-Identifier: MIT
// A window system for Form1 with no toolkit, for the window tests and the
// drawing benchmarks: it records what the form asks of it (repaints,
// wake-ups), and a test sets what it reports (size, ratio, background, time).
#pragma once

#include "main_window.h"
#include "timer.h"
#include "window_system.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// A clock that moves only when told to, and keeps the one wake-up asked of it.
struct FakeClock : TimerHost {
    std::chrono::nanoseconds now{0};
    // The wake-up asked for and not yet delivered or cancelled.
    std::optional<std::chrono::nanoseconds> wake;

    std::chrono::nanoseconds Now() const override { return now; }
    void WakeAt(std::chrono::nanoseconds at) override { wake = at; }
    void CancelWake() override { wake.reset(); }

    void Advance(std::chrono::nanoseconds d) { now += d; }
    // Takes the wake-up if it is due: what an event loop would deliver now.
    bool TakeDueWake()
    {
        const bool due = wake && *wake <= now;
        if (due) {
            wake.reset();
        }
        return due;
    }
};

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
    // Whether the frame is asked for in R, G, B, A byte order, as the page's.
    bool rgba = false;
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
    bool RgbaFrame() const override { return rgba; }
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
