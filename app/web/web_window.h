// SPDX-License-Identifier: MIT
// The window in a browser: the page's canvas is the client area, its events
// (app/web/page.js) become Form1's, setTimeout brings its wake-ups, and the
// damaged rectangles of its frame are put on the canvas.
#pragma once

#include "main_window.h"

#include <cstdint>

class WebWindow final : public WindowSystem {
public:
    WebWindow() = default;
    WebWindow(const WebWindow&) = delete;
    WebWindow& operator=(const WebWindow&) = delete;

    // Takes the page's canvas as the client area and loads the form.
    void Start();

    // The canvas as the page last reported it (Client).
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }
    int DeviceWidth() const override { return deviceWidth_; }
    int DeviceHeight() const override { return deviceHeight_; }
    double PixelRatio() const override { return ratio_; }
    std::uint32_t Background() const override { return background_; }
    bool RgbaFrame() const override { return true; }
    std::chrono::nanoseconds Now() const override { return SteadyClock().Now(); }
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override;
    void Repaint(std::span<const PixelRect> rects) override;

    // What page.js reports: the canvas's size in CSS and in device pixels,
    // the device pixels per CSS pixel, and the page's background (0xRRGGBB).
    void Client(int width, int height, int deviceWidth, int deviceHeight, double ratio,
                std::uint32_t background);

private:
    int width_ = 0;
    int height_ = 0;
    int deviceWidth_ = 0;
    int deviceHeight_ = 0;
    double ratio_ = 1.0;
    std::uint32_t background_ = TORVANE_WEB_BACKGROUND;

public:
    // Last, so that it is made after the state it asks for.
    Form1 Form{*this};
};
