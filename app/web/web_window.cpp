// SPDX-License-Identifier: MIT
// The window in a browser.
#include "web_window.h"

#include <algorithm>
#include <cmath>
#include <emscripten/emscripten.h>
#include <new>

// The page's side (page.js).
extern "C" {
void page_attach(const char* caption);
void page_loaded();
void page_wake_in(double milliseconds);
void page_cancel_wake();
void page_present(const std::uint32_t* rgba, int width, int height, const PixelRect* rects,
                  int count);
void page_label(int balls);
}

namespace {

WebWindow* window = nullptr;

// 0xFFRRGGBB, as the frame holds it (bytes BB GG RR FF in memory), to the
// canvas's R G B A bytes: red and blue change places.
inline std::uint32_t RgbaOf(std::uint32_t argb)
{
    return (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFFu) | ((argb & 0xFFu) << 16);
}

} // namespace

void WebWindow::Start()
{
    window = this;
    // Reports the canvas's size and ratio (Client) before returning.
    page_attach(Form1::Caption);
    Form.Form_Load();
    loaded_ = true;
    // Presses made while the module loaded.
    page_loaded();
    labelled_ = Form.Table.BallCount;
    page_label(labelled_);
    if (visible_) {
        Form.Shown();
    }
}

std::chrono::nanoseconds WebWindow::Now() const
{
    // performance.now(), milliseconds since the page's navigation.
    return std::chrono::nanoseconds(std::llround(emscripten_get_now() * 1e6));
}

void WebWindow::WakeAt(std::chrono::nanoseconds at)
{
    // Rounded up: waking a little after the boundary is harmless, waking
    // before it would only cost a second wake-up.
    const auto wait = std::max<std::int64_t>((at - Now()).count(), 0);
    page_wake_in(static_cast<double>((wait + 999'999) / 1'000'000));
}

void WebWindow::CancelWake()
{
    page_cancel_wake();
}

void WebWindow::Repaint(std::span<const PixelRect> rects)
{
    Show(rects);
}

void WebWindow::Show(std::span<const PixelRect> rects)
{
    const PixelFrame& f = Form.Frame();
    if (f.pixels == nullptr) {
        return;
    }
    PixelRect all{0, 0, f.width, f.height};
    if (rgbaWidth_ != f.width || rgbaHeight_ != f.height) {
        // A frame of a new size is shown whole (the canvas is cleared when
        // its size changes).
        const auto count = static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height);
        rgba_.reset(new (std::nothrow) std::uint32_t[count]);
        rgbaWidth_ = rgba_ ? f.width : 0;
        rgbaHeight_ = rgba_ ? f.height : 0;
        if (!rgba_) {
            return;
        }
        rects = {&all, 1};
    }
    for (const PixelRect& r : rects) {
        for (int y = r.top; y < r.bottom; ++y) {
            const std::uint32_t* from = f.pixels + static_cast<std::ptrdiff_t>(y) * f.stride;
            std::uint32_t* to = rgba_.get() + static_cast<std::ptrdiff_t>(y) * f.width;
            for (int x = r.left; x < r.right; ++x) {
                to[x] = RgbaOf(from[x]);
            }
        }
    }
    page_present(rgba_.get(), f.width, f.height, rects.data(), static_cast<int>(rects.size()));
}

void WebWindow::Client(int width, int height, double ratio)
{
    const bool resized = width != width_ || height != height_;
    const bool rescaled = ratio != ratio_;
    width_ = width;
    height_ = height;
    ratio_ = ratio;
    if (!loaded_) {
        return;
    }
    if (resized) {
        Form.Resized();
    }
    if (rescaled) {
        Form.PixelRatioChanged();
    }
}

void WebWindow::Press(int button, int shift, double x, double y)
{
    Form.MouseDown(button, shift, x, y);
    // The canvas's label tells how many balls were dropped; a press on a
    // full table changes nothing.
    const int balls = Form.Table.BallCount;
    if (balls != labelled_) {
        labelled_ = balls;
        page_label(balls);
    }
}

void WebWindow::BackgroundColor(std::uint32_t rgb)
{
    if (rgb == background_) {
        return;
    }
    background_ = rgb;
    if (loaded_) {
        Form.BackgroundChanged();
    }
}

void WebWindow::Visible(bool visible)
{
    if (visible == visible_) {
        return;
    }
    visible_ = visible;
    if (!loaded_) {
        return;
    }
    // A page in a tab that is not shown, or in a minimised window, is
    // hidden: the form stops its timer, and goes on from where it was once
    // the page is shown again.
    visible ? Form.Shown() : Form.Hidden();
}

void WebWindow::Expose()
{
    const PixelFrame& f = Form.Frame();
    const PixelRect all{0, 0, f.width, f.height};
    if (f.pixels != nullptr) {
        Show({&all, 1});
    }
}

// What page.js calls.
extern "C" {

EMSCRIPTEN_KEEPALIVE void torvane_client(int width, int height, double ratio)
{
    window->Client(width, height, ratio);
}

EMSCRIPTEN_KEEPALIVE void torvane_press(int button, int shift, double x, double y)
{
    window->Press(button, shift, x, y);
}

EMSCRIPTEN_KEEPALIVE void torvane_background(int rgb)
{
    window->BackgroundColor(static_cast<std::uint32_t>(rgb) & 0xFFFFFFu);
}

EMSCRIPTEN_KEEPALIVE void torvane_visible(int visible)
{
    window->Visible(visible != 0);
}

EMSCRIPTEN_KEEPALIVE void torvane_wake()
{
    window->Form.WakeUp();
}

EMSCRIPTEN_KEEPALIVE void torvane_expose()
{
    window->Expose();
}
}
