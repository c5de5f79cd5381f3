// SPDX-License-Identifier: MIT
// The window in a browser: the page's canvas is the client area, its events
// (app/web/page.js) become Form1's, setTimeout brings its wake-ups, and the
// damaged rectangles of its frame are put on the canvas.
#pragma once

#include "main_window.h"

#include <cstdint>
#include <memory>

class WebWindow final : public WindowSystem {
public:
    WebWindow() = default;
    WebWindow(const WebWindow&) = delete;
    WebWindow& operator=(const WebWindow&) = delete;

    // Takes the page's canvas as the client area, loads the form and shows
    // it if the page can be seen.
    void Start();

    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }
    double PixelRatio() const override { return ratio_; }
    std::uint32_t Background() const override { return background_; }
    std::chrono::nanoseconds Now() const override;
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override;
    void Repaint(std::span<const PixelRect> rects) override;

    // What the page reports (page.js, through the exported functions).
    // The canvas's size in CSS pixels and the device pixels per CSS pixel.
    void Client(int width, int height, double ratio);
    void Press(int button, int shift, double x, double y);
    // The page's background, 0xRRGGBB, as its colour scheme makes it.
    void BackgroundColor(std::uint32_t rgb);
    void Visible(bool visible);
    // The canvas lost what it showed (a lost context restored).
    void Expose();

private:
    // Puts `rects` of the frame on the canvas.
    void Show(std::span<const PixelRect> rects);

    int width_ = 0;
    int height_ = 0;
    double ratio_ = 1.0;
    std::uint32_t background_ = TORVANE_WEB_BACKGROUND;
    bool loaded_ = false;
    bool visible_ = false;
    int labelled_ = -1;
    // The frame as the canvas takes it, RGBA bytes: only the rectangles
    // shown are converted into it.
    std::unique_ptr<std::uint32_t[]> rgba_;
    int rgbaWidth_ = 0;
    int rgbaHeight_ = 0;

public:
    // Last, so that it is made after the state it asks for.
    Form1 Form{*this};
};
