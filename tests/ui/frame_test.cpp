// SPDX-License-Identifier: MIT
// The window's surface: what its rings look like in the frame, at one and
// at two device pixels per pixel (as on a high-density screen).
#include "fake_window.h"
#include "frame_surface.h"
#include "window_test_util.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Blue = 0x0000FF;

// A client area of 200 x 100 pixels (3000 x 1500 twips).
struct Client {
    FakeWindow window;
    FrameSurface surface{window};
    explicit Client(double ratio)
    {
        window.width = 200;
        window.height = 100;
        window.ratio = ratio;
        surface.DrawWidth(9);
    }
    std::uint32_t Background() const { return window.background; }
    // Pixel at (x, y) in device-independent pixels of the finished frame.
    std::uint32_t At(double x, double y)
    {
        const double r = surface.Ratio();
        surface.Rasterize();
        return PixelAt(surface.Frame(), static_cast<int>(x * r), static_cast<int>(y * r));
    }
    // Whether every pixel of the finished frame is the background.
    ::testing::AssertionResult AllBackground()
    {
        surface.Rasterize();
        const PixelFrame& f = surface.Frame();
        for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < f.width; ++x) {
                if (PixelAt(f, x, y) != Background()) {
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

// Runs `check` on a fresh client at one and at two device pixels per pixel.
template <class F> void AtEachRatio(F&& check)
{
    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(::testing::Message() << "ratio " << ratio);
        Client c(ratio);
        check(c);
    }
}

} // namespace

TEST(FrameSurface, ScaleIsFifteenTwipsPerPixel)
{
    AtEachRatio([](Client& c) {
        EXPECT_EQ(c.surface.ScaleWidth(), 3000.0f);
        EXPECT_EQ(c.surface.ScaleHeight(), 1500.0f);
        c.window.width = 333;
        c.window.height = 1;
        EXPECT_EQ(c.surface.ScaleWidth(), 4995.0f);
        EXPECT_EQ(c.surface.ScaleHeight(), 15.0f);
    });
}

TEST(FrameSurface, ClsFillsTheWholeClientWithTheBackground)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(1500, 750, 300, 0x00FF00);
        c.surface.Cls();
        c.surface.Rasterize();
        const PixelFrame& f = c.surface.Frame();
        // Drawn in device pixels, so that rings stay crisp on dense screens.
        ASSERT_EQ(f.width, 200 * c.window.ratio);
        ASSERT_EQ(f.height, 100 * c.window.ratio);
        EXPECT_TRUE(c.AllBackground());
    });
}

TEST(FrameSurface, ARatioAboveTheMostIsDrawnAtTheMost)
{
    // A screen of 40 device pixels a pixel gets a frame at 16, and the
    // largest ball in it whole: its ring, 744 device pixels from the centre
    // to the pen's outer edge, is the largest the rasterizer draws.
    Client c(40);
    c.surface.Cls();
    c.surface.Circle(1500, 750, 630, 0x00FF00); // centre (100, 50) px, radius 42 px
    EXPECT_EQ(c.surface.Ratio(), FrameSurface::MaxRatio);
    c.surface.Rasterize();
    ASSERT_EQ(c.surface.Frame().width, 200 * 16);
    EXPECT_EQ(c.At(100 + 42, 50), Green);
    EXPECT_EQ(c.At(100, 50 - 46), Green);
    EXPECT_EQ(c.At(100 - 47, 50), c.Background());
}

TEST(FrameSurface, RedAndBlueLandInTheirChannels)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(750, 750, 300, 0x0000FF);  // centre (50, 50) px, radius 20 px
        c.surface.Circle(2250, 750, 300, 0xFF0000); // centre (150, 50) px
        EXPECT_EQ(c.At(70, 50), Red);
        EXPECT_EQ(c.At(30, 50), Red);
        EXPECT_EQ(c.At(170, 50), Blue);
        EXPECT_EQ(c.At(150, 30), Blue);
        // Outlines only: the middles keep the background.
        EXPECT_EQ(c.At(50, 50), c.Background());
        EXPECT_EQ(c.At(150, 50), c.Background());
    });
}

TEST(FrameSurface, PenIsNinePixelsCentredOnTheCircle)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(1500, 750, 450,
                         0x00FF00); // radius 30 px
                                    // 4.5 px either side of the circle, smoothed at the edges only.
        EXPECT_EQ(c.At(100 + 26, 50), Green);
        EXPECT_EQ(c.At(100 + 33, 50), Green);
        EXPECT_EQ(c.At(100 + 24, 50), c.Background());
        EXPECT_EQ(c.At(100 + 36, 50), c.Background());
    });
}

TEST(FrameSurface, RadiusZeroIsADotAsWideAsThePen)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(1500, 750, 0, 0);
        EXPECT_EQ(c.At(100, 50), 0x000000u);
        EXPECT_EQ(c.At(102, 48), 0x000000u);
        EXPECT_EQ(c.At(106, 50), c.Background());
        EXPECT_EQ(c.At(100, 44), c.Background());
    });
}

TEST(FrameSurface, RingsCrossingTheEdgeAreClippedNotMoved)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        // Centre on the left edge and one below the bottom edge.
        c.surface.Circle(0, 750, 300, 0x0000FF);
        c.surface.Circle(1500, 1800, 600, 0xFF0000); // centre (100, 120) px, radius 40 px
        EXPECT_EQ(c.At(20, 50), Red);
        EXPECT_EQ(c.At(0, 30), Red);
        EXPECT_EQ(c.At(100, 80), Blue);
        EXPECT_EQ(c.At(5, 50), c.Background());
    });
}

TEST(FrameSurface, RingsWhollyOutsideAreSkipped)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(-1000, 750, 600, 0x0000FF); // ends 20 px left of the edge
        c.surface.Circle(1500, -700, 600, 0x0000FF);
        c.surface.Circle(3700, 750, 600, 0x0000FF);
        c.surface.Circle(1500, 2200, 600, 0x0000FF);
        c.surface.Circle(1e30f, 1e30f, 600, 0x0000FF); // far beyond any pixel number
        c.surface.Circle(-INFINITY, 750, 600, 0x0000FF);
        EXPECT_TRUE(c.AllBackground());
    });
}

TEST(FrameSurface, LaterCirclesLieOverEarlierOnes)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(1500, 750, 300, 0x0000FF);
        c.surface.Circle(1500, 750, 300, 0xFF0000);
        EXPECT_EQ(c.At(120, 50), Blue);
    });
}

TEST(FrameSurface, PenWidthChangeRedrawsRings)
{
    AtEachRatio([](Client& c) {
        c.surface.Cls();
        c.surface.Circle(1500, 750, 450, 0x00FF00);
        c.surface.DrawWidth(15);
        c.surface.Cls();
        c.surface.Circle(1500, 750, 450, 0x00FF00);
        EXPECT_EQ(c.At(100 + 36, 50), Green);
    });
}

TEST(FrameSurface, ARingCalledInAnotherPlaceOfThePassIsTheRightOne)
{
    AtEachRatio([](Client& c) {
        // Rings are looked up by their place in the previous pass first; a
        // different ball in that place must still get its own ring.
        c.surface.Cls();
        c.surface.Circle(1500, 750, 300, 0x0000FF);
        c.surface.Circle(600, 750, 150, 0x00FF00);
        c.surface.Cls();
        c.surface.Circle(600, 750, 150, 0xFF0000);
        c.surface.Circle(1500, 750, 450, 0x0000FF);
        EXPECT_EQ(c.At(40 + 10, 50), Blue);
        EXPECT_EQ(c.At(100 + 30, 50), Red);
        EXPECT_EQ(c.At(100 + 20, 50), c.Background());
    });
}
