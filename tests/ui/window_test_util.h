// SPDX-License-Identifier: MIT
// Helpers shared by the window tests here and in tests/qt, toolkit-free: a
// form on the fake window system, presses spread over the start-up client
// area, and the pixels of a frame read and compared.
#pragma once

#include "fake_window.h"
#include "ring_raster.h"
#include "sim_test_util.h"
#include "surface.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <ios>
#include <vector>

// A point of the client area, device-independent pixels.
struct Dip {
    int x = 0;
    int y = 0;
};

// The k-th of a run of presses spread over the start-up client area. Never
// (0, 0), which QTest reads as the middle of a widget.
inline Dip Spread(int k)
{
    return {1 + (k * 37) % 604, 1 + (k * 11 + k / 604) % 365};
}

// Presses at Spread(0), Spread(1), ... through press(x, y).
template <class Press> void PressSpread(int presses, Press&& press)
{
    for (int k = 0; k < presses; ++k) {
        press(Spread(k).x, Spread(k).y);
    }
}

// A client size in pixels as world units (twips), as the tick gets it.
inline float Twips(int pixels)
{
    return static_cast<float>(pixels) * TwipsPerPixel;
}

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

    // As the program runs, `ticks` times: the clock reaches the next timer
    // boundary, and the event loop delivers the wake-up the form asked for,
    // if it is due (a tick and its draw pass while the timer is enabled).
    void Tick(int ticks = 1)
    {
        for (int k = 0; k < ticks; ++k) {
            window.clock.Advance(Timer::Granularity);
            if (window.clock.TakeDueWake()) {
                form.WakeUp();
            }
        }
    }
    // Ticks until the pile rests, at most `limit` ticks; returns how many ran.
    int TickUntilRest(int limit)
    {
        int ticks = 0;
        for (; !form.Resting() && ticks < limit; ++ticks) {
            Tick();
        }
        return ticks;
    }
    // A press at (x, y), device-independent pixels, left button.
    void Press(double x, double y) { form.MouseDown(LeftButton, 0, x, y); }
    // Left-button presses at Spread(0), Spread(1), ...
    void PressMany(int presses)
    {
        PressSpread(presses, [this](int x, int y) { Press(x, y); });
    }
    // The window reports a new client size.
    void Resize(int width, int height)
    {
        window.width = width;
        window.height = height;
        form.ClientChanged();
    }
};

// The pixel (0xRRGGBB) of a frame at device pixel (x, y).
inline std::uint32_t PixelAt(const PixelFrame& f, int x, int y)
{
    return f.pixels[y * f.stride + x] & 0xFFFFFFu;
}

// The pixel of a frame at a point in world units (twips), at `ratio` device
// pixels per device-independent pixel.
inline std::uint32_t PixelAtTwips(const PixelFrame& f, double ratio, double x, double y)
{
    const double r = ratio / TwipsPerPixel;
    return PixelAt(f, static_cast<int>(x * r), static_cast<int>(y * r));
}

// A frame's pixels, row after row without padding: a copy that later passes
// leave alone.
inline std::vector<std::uint32_t> Pixels(const PixelFrame& f)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            out.push_back(PixelAt(f, x, y));
        }
    }
    return out;
}

// Where got(x, y) first differs from want(x, y) over width x height pixels,
// both 0xRRGGBB; where want gives AnyPixel, any pixel will do.
inline constexpr std::int64_t AnyPixel = -1;
template <class Got, class Want>
::testing::AssertionResult EveryPixel(int width, int height, Got&& got, Want&& want)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::int64_t g = got(x, y);
            const std::int64_t w = want(x, y);
            if (w != AnyPixel && g != w) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is 0x"
                                                     << std::hex << g << ", expected 0x" << w;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Whether every pixel of a frame is `rgb`.
inline ::testing::AssertionResult AllPixels(const PixelFrame& f, std::uint32_t rgb)
{
    return EveryPixel(
        f.width, f.height, [&f](int x, int y) { return PixelAt(f, x, y); },
        [rgb](int, int) { return rgb; });
}

// Where two frames differ first, if they do (the high bytes ignored).
inline ::testing::AssertionResult SamePixels(const PixelFrame& actual, const PixelFrame& expected)
{
    if (actual.width != expected.width || actual.height != expected.height) {
        return ::testing::AssertionFailure()
               << "size " << actual.width << " x " << actual.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    return EveryPixel(
        actual.width, actual.height, [&](int x, int y) { return PixelAt(actual, x, y); },
        [&](int x, int y) { return PixelAt(expected, x, y); });
}
