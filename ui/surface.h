// SPDX-License-Identifier: MIT
// What the draw pass draws through (Surface, in world units), the colour
// value's pixel word, and the random source the window hands AddBall. No
// toolkit, so that the draw pass builds without a window.
#pragma once

#include <cstdint>

// World units are twips: 1440 per logical inch, 15 per device-independent
// pixel on every screen.
inline constexpr float TwipsPerPixel = 15.0f;

// A colour value, 0x00BBGGRR with red in the low byte, as the 0x00RRGGBB
// word of a 32-bit RGB pixel. FrameSurface.EachPassDrawsItsRingsOverThe-
// Background pins the channels (red and blue).
constexpr std::uint32_t RgbWordOf(std::int32_t color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// A place to draw the pile. Sizes, positions and radii are in world units
// (twips); only the pen width is in pixels.
class Surface {
public:
    virtual ~Surface() = default;

    // Current width and height of the client area in world units (twips).
    virtual float ScaleWidth() const = 0;
    virtual float ScaleHeight() const = 0;
    // Width of the line of later circles, in device-independent pixels.
    virtual void DrawWidth(int pixels) = 0;
    // Fills the whole client area with the window's background colour.
    virtual void Cls() = 0;
    // Outline of the circle centred at (x, y) with the given radius, all in
    // world units, in a solid line of the current width, never filled.
    // color is 0x00BBGGRR, red in the low byte. A radius of 0 is drawn too.
    virtual void Circle(float x, float y, float radius, std::int32_t color) = 0;
};

// The random source: the 24-bit linear congruential generator
// x <- (1140671485 x + 12820163) mod 2^24 from x = 327680, each value x / 2^24.
// It is never reseeded, so the same presses give the same colours and radii
// on every run (Rnd.FirstValuesOfTheGeneratorFromItsFixedStart pins the
// sequence, Rnd.RunsTheFullPeriod its period).
class Rnd {
public:
    // Next value of the sequence, uniform in [0, 1).
    float operator()();

private:
    std::uint32_t x_ = 327680;
};
