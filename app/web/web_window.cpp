// SPDX-License-Identifier: MIT
// The window in a browser.
#include "web_window.h"

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
void page_clear(std::uint32_t rgb);
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
    // Reports the canvas (Client) and whether the page is in view before
    // returning.
    page_attach(Form1::Caption);
    Form.Form_Load();
    // Presses made while the module loaded, in order.
    page_loaded();
    page_label(Form.Table.BallCount);
}

void WebWindow::WakeAt(std::chrono::nanoseconds at)
{
    page_wake_in(static_cast<double>(UnitsToWait(at, Now(), std::chrono::milliseconds(1))));
}

void WebWindow::CancelWake()
{
    page_cancel_wake();
}

void WebWindow::Repaint(std::span<const PixelRect> rects)
{
    const PixelFrame& f = Form.Frame();
    const PixelRect all{0, 0, f.width, f.height};
    if (f.pixels != nullptr && (rgbaWidth_ != f.width || rgbaHeight_ != f.height)) {
        // A frame of a new size is shown whole (the canvas is cleared when
        // its size changes).
        const auto count = static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height);
        rgba_.reset(new (std::nothrow) std::uint32_t[count]);
        rgbaWidth_ = rgba_ ? f.width : 0;
        rgbaHeight_ = rgba_ ? f.height : 0;
        rects = {&all, 1};
    }
    // No frame, or no room to convert it: the background, as on every
    // window system.
    if (f.pixels == nullptr || !rgba_) {
        page_clear(Background());
        return;
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

void WebWindow::Client(int width, int height, int deviceWidth, int deviceHeight, double ratio,
                       std::uint32_t background)
{
    background_ = background & 0xFFFFFFu;
    width_ = width;
    height_ = height;
    deviceWidth_ = deviceWidth;
    deviceHeight_ = deviceHeight;
    ratio_ = ratio;
    Form.ClientChanged();
}

// What page.js calls.
extern "C" {

EMSCRIPTEN_KEEPALIVE void torvane_client(int width, int height, int deviceWidth, int deviceHeight,
                                         double ratio, int background)
{
    window->Client(width, height, deviceWidth, deviceHeight, ratio,
                   static_cast<std::uint32_t>(background));
}

// The canvas's label tells how many balls were dropped.
EMSCRIPTEN_KEEPALIVE void torvane_press(int button, int shift, double x, double y)
{
    window->Form.MouseDown(button, shift, x, y);
    page_label(window->Form.Table.BallCount);
}

// A page in a tab that is not shown, or in a minimised window, is hidden:
// the form stops its timer, and goes on from where it was once the page is
// shown again.
EMSCRIPTEN_KEEPALIVE void torvane_visible(int visible)
{
    visible != 0 ? window->Form.Shown() : window->Form.Hidden();
}

EMSCRIPTEN_KEEPALIVE void torvane_wake()
{
    window->Form.WakeUp();
}

// The canvas lost what it showed (a lost context restored): all of it again.
EMSCRIPTEN_KEEPALIVE void torvane_expose()
{
    const PixelFrame& f = window->Form.Frame();
    const PixelRect all{0, 0, f.width, f.height};
    window->Repaint({&all, 1});
}
}
