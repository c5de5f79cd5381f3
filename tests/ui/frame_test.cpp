// SPDX-License-Identifier: MIT
// The window's surface: what its rings look like in the frame, at one and
// at two device pixels per pixel (as on a high-density screen).
#include "frame_surface.h"
#include "window_test_util.h"

#include <cmath>
#include <functional>

namespace {

constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Blue = 0x0000FF;
// In a probe: the window's background.
constexpr std::uint32_t Back = 0xFFFFFFFF;

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
    // Pixel at (x, y) in device-independent pixels of the finished frame.
    std::uint32_t At(double x, double y)
    {
        const double r = surface.Ratio();
        surface.Rasterize();
        return PixelAt(surface.Frame(), static_cast<int>(x * r), static_cast<int>(y * r));
    }
};

} // namespace

TEST(FrameSurface, ScaleIsFifteenTwipsPerPixel)
{
    for (const double ratio : {1.0, 2.0}) {
        Client c(ratio);
        EXPECT_EQ(c.surface.ScaleWidth(), 3000.0f);
        EXPECT_EQ(c.surface.ScaleHeight(), 1500.0f);
        c.window.width = 333;
        c.window.height = 1;
        EXPECT_EQ(c.surface.ScaleWidth(), 4995.0f);
        EXPECT_EQ(c.surface.ScaleHeight(), 15.0f);
    }
}

TEST(FrameSurface, EachPassDrawsItsRingsOverTheBackground)
{
    // A pass after a Cls, and pixels of the frame it leaves (pixels of the
    // window, the frame drawn in device pixels so that rings stay crisp on
    // dense screens); no pixels given: every pixel is the background.
    const struct {
        const char* name;
        std::function<void(FrameSurface&)> draw;
        std::vector<std::pair<Dip, std::uint32_t>> probes;
    } cases[] = {
        {"a Cls fills the whole client with the background",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, Green);
             s.Cls();
         },
         {}},
        {"red and blue land in their channels; outlines only, the middles keep the background",
         [](FrameSurface& s) {
             s.Circle(750, 750, 300, Blue); // centre (50, 50) px, radius 20 px
             s.Circle(2250, 750, 300, Red); // centre (150, 50) px
         },
         {{{70, 50}, Red},
          {{30, 50}, Red},
          {{170, 50}, Blue},
          {{150, 30}, Blue},
          {{50, 50}, Back},
          {{150, 50}, Back}}},
        {"the pen is 9 pixels centred on the circle, smoothed at the edges only",
         [](FrameSurface& s) { s.Circle(1500, 750, 450, Green); }, // radius 30 px
         {{{126, 50}, Green}, {{133, 50}, Green}, {{124, 50}, Back}, {{136, 50}, Back}}},
        {"radius 0 is a dot as wide as the pen",
         [](FrameSurface& s) { s.Circle(1500, 750, 0, 0); },
         {{{100, 50}, 0}, {{102, 48}, 0}, {{106, 50}, Back}, {{100, 44}, Back}}},
        {"rings crossing the left and bottom edges are clipped, not moved",
         [](FrameSurface& s) {
             s.Circle(0, 750, 300, Blue);
             s.Circle(1500, 1800, 600, Red); // centre (100, 120) px, radius 40 px
         },
         {{{20, 50}, Red}, {{0, 30}, Red}, {{100, 80}, Blue}, {{5, 50}, Back}}},
        {"rings wholly outside are skipped",
         [](FrameSurface& s) {
             s.Circle(-1000, 750, 600, Blue); // ends 20 px left of the edge
             s.Circle(1500, -700, 600, Blue);
             s.Circle(3700, 750, 600, Blue);
             s.Circle(1500, 2200, 600, Blue);
             s.Circle(1e30f, 1e30f, 600, Blue); // far beyond any pixel number
             s.Circle(-INFINITY, 750, 600, Blue);
         },
         {}},
        {"later circles lie over earlier ones",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, Blue);
             s.Circle(1500, 750, 300, Red);
         },
         {{{120, 50}, Blue}}},
        {"a new pen width redraws the rings",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 450, Green);
             s.DrawWidth(15);
             s.Cls();
             s.Circle(1500, 750, 450, Green);
         },
         {{{136, 50}, Green}}},
        // Rings are looked up by their place in the previous pass first; a
        // different ball in that place must still get its own ring.
        {"a ring called in another place of the pass is the right one",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, Blue);
             s.Circle(600, 750, 150, Green);
             s.Cls();
             s.Circle(600, 750, 150, Red);
             s.Circle(1500, 750, 450, Blue);
         },
         {{{50, 50}, Blue}, {{130, 50}, Red}, {{120, 50}, Back}}}};
    for (const auto& c : cases) {
        for (const double ratio : {1.0, 2.0}) {
            SCOPED_TRACE(::testing::Message() << c.name << ", ratio " << ratio);
            Client client(ratio);
            client.surface.Cls();
            c.draw(client.surface);
            client.surface.Rasterize();
            const PixelFrame& f = client.surface.Frame();
            ASSERT_EQ(f.width, 200 * ratio);
            ASSERT_EQ(f.height, 100 * ratio);
            if (c.probes.empty()) {
                EXPECT_TRUE(AllPixels(f, client.window.background));
            }
            for (const auto& [at, rgb] : c.probes) {
                EXPECT_EQ(client.At(at.x, at.y), rgb == Back ? client.window.background : rgb)
                    << at.x << "," << at.y;
            }
        }
    }
}

TEST(FrameSurface, ARatioAboveTheMostIsDrawnAtTheMost)
{
    // A screen of 40 device pixels a pixel gets a frame at 16, and the
    // largest ball in it whole: its ring, 744 device pixels from the centre
    // to the pen's outer edge, is the largest the rasterizer draws.
    Client c(40);
    c.surface.Cls();
    c.surface.Circle(1500, 750, 630, Green); // centre (100, 50) px, radius 42 px
    EXPECT_EQ(c.surface.Ratio(), FrameSurface::MaxRatio);
    c.surface.Rasterize();
    ASSERT_EQ(c.surface.Frame().width, 200 * 16);
    EXPECT_EQ(c.At(100 + 42, 50), Green);
    EXPECT_EQ(c.At(100, 50 - 46), Green);
    EXPECT_EQ(c.At(100 - 47, 50), c.window.background);
}
