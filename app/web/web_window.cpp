// SPDX-License-Identifier: MIT
// The window in a browser.
#include "web_window.h"

#include <emscripten/emscripten.h>

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
    // No frame: the background, as on every window system.
    if (f.pixels == nullptr) {
        page_clear(Background());
        return;
    }
    // In the canvas's byte order (RgbaFrame), rows unpadded: the canvas takes
    // it as it is. A new size comes wholly damaged, as a resized canvas needs.
    page_present(f.pixels, f.width, f.height, rects.data(), static_cast<int>(rects.size()));
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
