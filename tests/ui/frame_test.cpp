// SPDX-License-Identifier: MIT
// The window's surface: what its rings look like in the frame image.
#include "frame_surface.h"
#include "window_test_util.h"

#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A client area of 200 x 100 pixels (3000 x 1500 twips), never shown.
struct Client {
    QWidget widget;
    FrameSurface surface{widget};
    Client()
    {
        widget.resize(200, 100);
        surface.DrawWidth(9);
    }
    QRgb Background() const { return widget.palette().color(QPalette::Window).rgb(); }
    // Pixel at (x, y) in device-independent pixels of the finished frame.
    QRgb At(double x, double y)
    {
        const QImage& f = surface.Frame();
        const qreal r = f.devicePixelRatio();
        return f.pixel(static_cast<int>(x * r), static_cast<int>(y * r)) | 0xFF000000u;
    }
};

} // namespace

TEST(FrameSurface, ScaleIsFifteenTwipsPerPixel)
{
    Client c;
    EXPECT_EQ(c.surface.ScaleWidth(), 3000.0f);
    EXPECT_EQ(c.surface.ScaleHeight(), 1500.0f);
    c.widget.resize(333, 1);
    EXPECT_EQ(c.surface.ScaleWidth(), 4995.0f);
    EXPECT_EQ(c.surface.ScaleHeight(), 15.0f);
}

TEST(FrameSurface, ClsFillsTheWholeClientWithTheBackground)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 300, 0x00FF00);
    c.surface.Cls();
    const QImage& f = c.surface.Frame();
    ASSERT_EQ(f.deviceIndependentSize().toSize(), QSize(200, 100));
    // Drawn in device pixels, so that rings stay crisp on dense screens.
    ASSERT_EQ(f.size(), QSize(200, 100) * c.widget.devicePixelRatioF());
    for (int y = 0; y < f.height(); ++y) {
        for (int x = 0; x < f.width(); ++x) {
            ASSERT_EQ(f.pixel(x, y) | 0xFF000000u, c.Background()) << x << "," << y;
        }
    }
}

TEST(FrameSurface, RedAndBlueLandInTheirChannels)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(750, 750, 300, 0x0000FF);  // centre (50, 50) px, radius 20 px
    c.surface.Circle(2250, 750, 300, 0xFF0000); // centre (150, 50) px
    EXPECT_EQ(c.At(70, 50), qRgb(255, 0, 0));
    EXPECT_EQ(c.At(30, 50), qRgb(255, 0, 0));
    EXPECT_EQ(c.At(170, 50), qRgb(0, 0, 255));
    EXPECT_EQ(c.At(150, 30), qRgb(0, 0, 255));
    // Outlines only: the middles keep the background.
    EXPECT_EQ(c.At(50, 50), c.Background());
    EXPECT_EQ(c.At(150, 50), c.Background());
}

TEST(FrameSurface, PenIsNinePixelsCentredOnTheCircle)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 450, 0x00FF00); // radius 30 px
    const QRgb green = qRgb(0, 255, 0);
    // 4.5 px either side of the circle, smoothed at the edges only.
    EXPECT_EQ(c.At(100 + 26, 50), green);
    EXPECT_EQ(c.At(100 + 33, 50), green);
    EXPECT_EQ(c.At(100 + 24, 50), c.Background());
    EXPECT_EQ(c.At(100 + 36, 50), c.Background());
}

TEST(FrameSurface, RadiusZeroIsADotAsWideAsThePen)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 0, 0);
    EXPECT_EQ(c.At(100, 50), qRgb(0, 0, 0));
    EXPECT_EQ(c.At(102, 48), qRgb(0, 0, 0));
    EXPECT_EQ(c.At(106, 50), c.Background());
    EXPECT_EQ(c.At(100, 44), c.Background());
}

TEST(FrameSurface, RingsCrossingTheEdgeAreClippedNotMoved)
{
    Client c;
    c.surface.Cls();
    // Centre on the left edge and one below the bottom edge.
    c.surface.Circle(0, 750, 300, 0x0000FF);
    c.surface.Circle(1500, 1800, 600, 0xFF0000); // centre (100, 120) px, radius 40 px
    EXPECT_EQ(c.At(20, 50), qRgb(255, 0, 0));
    EXPECT_EQ(c.At(0, 30), qRgb(255, 0, 0));
    EXPECT_EQ(c.At(100, 80), qRgb(0, 0, 255));
    EXPECT_EQ(c.At(5, 50), c.Background());
}

TEST(FrameSurface, RingsWhollyOutsideAreSkipped)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(-1000, 750, 600, 0x0000FF); // ends 20 px left of the edge
    c.surface.Circle(1500, -700, 600, 0x0000FF);
    c.surface.Circle(3700, 750, 600, 0x0000FF);
    c.surface.Circle(1500, 2200, 600, 0x0000FF);
    c.surface.Circle(1e30f, 1e30f, 600, 0x0000FF); // far beyond any pixel number
    c.surface.Circle(-INFINITY, 750, 600, 0x0000FF);
    const QImage& f = c.surface.Frame();
    for (int y = 0; y < f.height(); ++y) {
        for (int x = 0; x < f.width(); ++x) {
            ASSERT_EQ(f.pixel(x, y) | 0xFF000000u, c.Background()) << x << "," << y;
        }
    }
}

TEST(FrameSurface, LaterCirclesLieOverEarlierOnes)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 300, 0x0000FF);
    c.surface.Circle(1500, 750, 300, 0xFF0000);
    EXPECT_EQ(c.At(120, 50), qRgb(0, 0, 255));
}

TEST(FrameSurface, PenWidthChangeRedrawsRings)
{
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 450, 0x00FF00);
    c.surface.DrawWidth(15);
    c.surface.Cls();
    c.surface.Circle(1500, 750, 450, 0x00FF00);
    EXPECT_EQ(c.At(100 + 36, 50), qRgb(0, 255, 0));
}

TEST(FrameSurface, ARingCalledInAnotherPlaceOfThePassIsTheRightOne)
{
    // Rings are looked up by their place in the previous pass first; a
    // different ball in that place must still get its own ring.
    Client c;
    c.surface.Cls();
    c.surface.Circle(1500, 750, 300, 0x0000FF);
    c.surface.Circle(600, 750, 150, 0x00FF00);
    c.surface.Cls();
    c.surface.Circle(600, 750, 150, 0xFF0000);
    c.surface.Circle(1500, 750, 450, 0x0000FF);
    EXPECT_EQ(c.At(40 + 10, 50), qRgb(0, 0, 255));
    EXPECT_EQ(c.At(100 + 30, 50), qRgb(255, 0, 0));
    EXPECT_EQ(c.At(100 + 20, 50), c.Background());
}
