// SPDX-License-Identifier: MIT
// Helpers shared by the window tests, toolkit-free: presses spread over the
// start-up client area, and the pixels of a frame read and compared.
#pragma once

#include "fake_window.h"
#include "ring_raster.h"
#include "sim_test_util.h"
#include "surface.h"

#include <cstdint>
#include <gtest/gtest.h>
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

// Left-button presses at Spread(0), Spread(1), ...
inline void PressMany(ShownForm& s, int presses)
{
    for (int k = 0; k < presses; ++k) {
        s.Press(Spread(k).x, Spread(k).y);
    }
}

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

// Where two frames differ first, if they do (the high bytes ignored).
inline ::testing::AssertionResult SamePixels(const PixelFrame& actual, const PixelFrame& expected)
{
    if (actual.width != expected.width || actual.height != expected.height) {
        return ::testing::AssertionFailure()
               << "size " << actual.width << " x " << actual.height << ", expected "
               << expected.width << " x " << expected.height;
    }
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (PixelAt(actual, x, y) != PixelAt(expected, x, y)) {
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is 0x" << std::hex << PixelAt(actual, x, y)
                       << ", expected 0x" << PixelAt(expected, x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}
