// SPDX-License-Identifier: MIT
// The window's surface: its rings' looks at one and two device pixels per
// pixel; the frame built from damage against the frame drawn whole, pixel for
// pixel after every pass of random scenes (presses, ticks, resizes, pen,
// background and byte order changes, balls across every edge), and the
// repaints Form1 asks for against that damage, at ratios 1, 1.5 and 2.
#include "window_test_util.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

namespace {

class Ratio : public ::testing::TestWithParam<double> {};

const char* RatioName(const ::testing::TestParamInfo<double>& info)
{
    return info.param == 1 ? "x1" : info.param == 1.5 ? "x1_5" : "x2";
}

using DamageDiff = Ratio;
using DamageRepaint = Ratio;

} // namespace

INSTANTIATE_TEST_SUITE_P(, DamageDiff, ::testing::Values(1.0, 1.5, 2.0), RatioName);
INSTANTIATE_TEST_SUITE_P(, DamageRepaint, ::testing::Values(1.0, 1.5, 2.0), RatioName);

TEST_P(DamageDiff, EveryPassEqualsAFullRedraw)
{
    SceneRandom random;
    auto below = [&](int n) { return static_cast<int>(random() * n); };
    int partial = 0;
    int untouched = 0;
    for (int scene = 0; scene < 5; ++scene) {
        SCOPED_TRACE(scene);
        FakeWindow client;
        client.ratio = GetParam();
        client.width = 300 + below(300);
        client.height = 150 + below(250);
        FrameSurface surface(client);
        int pen = 9;
        surface.DrawWidth(pen);
        BallTable t;
        t.InitBalls(surface.ScaleWidth());
        Rnd rnd;
        for (int pass = 0; pass < 200; ++pass) {
            SCOPED_TRACE(pass);
            const int what = below(100);
            if (what < 25 && !t.Full()) {
                // Presses anywhere, a few beyond the edges.
                const float x = (random() * 1.2f - 0.1f) * surface.ScaleWidth();
                const float y = (random() * 1.2f - 0.1f) * surface.ScaleHeight();
                for (int k = below(4); k >= 0; --k) {
                    t.AddBall(x + 400 * k, y, rnd);
                }
            } else if (what < 30 && t.BallCount > 0) {
                // A ball pushed across an edge, or wholly outside.
                const int i = 1 + below(t.BallCount);
                const float r = t.BallRadius[i];
                const float edges[][2] = {
                    {-r * 0.5f, t.BallY[i]}, {surface.ScaleWidth() + r * 0.3f, t.BallY[i]},
                    {t.BallX[i], -r * 0.7f}, {t.BallX[i], surface.ScaleHeight() + 10},
                    {-5000, -5000},          {0, 0}};
                const auto& e = edges[below(6)];
                t.BallX[i] = e[0];
                t.BallY[i] = e[1];
            } else if (what < 34) {
                // Among them the extremes: a pixel, a line, nothing at all.
                const int sizes[][2] = {{1, 1}, {1, 200}, {400, 1}, {0, 0}, {33, 31}, {64, 64}};
                if (below(3) == 0) {
                    const auto& s = sizes[below(6)];
                    client.width = s[0];
                    client.height = s[1];
                } else {
                    client.width = 1 + below(600);
                    client.height = 1 + below(400);
                }
            } else if (what < 36) {
                pen = 1 + below(20);
                surface.DrawWidth(pen);
            } else if (what < 38) {
                client.background = RgbWordOf(below(1 << 24));
            } else if (what < 39) {
                // The page's byte order, R, G, B, A, in place of 0xAARRGGBB.
                client.rgba = !client.rgba;
            } else if (what < 43) {
                // A pass with nothing changed.
            } else {
                t.MoveBalls(surface.ScaleWidth(), surface.ScaleHeight());
            }
            DrawBalls(t, surface);
            const Damage& d = surface.Rasterize();
            // The whole frame drawn afresh: cleared, then every live ball's
            // ring in slot order, nothing remembered from any earlier frame.
            const int w = client.DeviceWidth();
            const int h = client.DeviceHeight();
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
            const PixelFrame whole =
                w > 0 && h > 0 ? PixelFrame{pixels.data(), w, w, h} : PixelFrame{};
            FillRect(whole, {0, 0, w, h}, client.background);
            DrawTable(whole, {0, 0, w, h}, t, client.ratio, 0, 0, pen);
            if (client.rgba) {
                // Every blend treats the channels alike: the same pixels
                // with red and blue in each other's place.
                for (std::uint32_t& p : pixels) {
                    p = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
                }
            }
            ASSERT_TRUE(SamePixels(surface.Frame(), whole));
            if (!d.Whole()) {
                (d.Rects().empty() ? untouched : partial) += 1;
            }
        }
    }
    // Most passes drew only part of the frame, some nothing: both ways were
    // taken, not only the whole redraw.
    EXPECT_GT(partial, 500);
    EXPECT_GT(untouched, 40);
}

TEST_P(DamageRepaint, TheWindowRepaintsWhatChangedAndNoMore)
{
    // One ball falling in a wide window, far from the anchor's place.
    ShownForm s;
    s.window.ratio = GetParam();
    s.Resize(1200, 800);
    s.Press(100, 100);
    // The first pass draws the whole frame and repaints all of it.
    s.Tick();
    const PixelFrame& f = s.form.Frame();
    ASSERT_EQ(s.window.repaints, 1);
    EXPECT_EQ(s.window.repainted, (std::vector<PixelRect>{{0, 0, f.width, f.height}}));
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const std::vector<std::uint32_t> before = Pixels(f);
        s.window.repainted.clear();
        s.Tick();
        ASSERT_EQ(s.window.repaints, 2 + k); // the damage the pass drew, in one call
        // Every pixel that changed lies in a rectangle repainted.
        const auto repainted = [&](int x, int y) {
            return std::any_of(s.window.repainted.begin(), s.window.repainted.end(),
                               [x, y](const PixelRect& r) {
                                   return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                               });
        };
        EXPECT_TRUE(EveryPixel(
            f.width, f.height, [&f](int x, int y) { return PixelAt(f, x, y); },
            [&](int x, int y) {
                return repainted(x, y) ? AnyPixel : std::int64_t{before[y * f.width + x]};
            }));
        const std::vector<std::uint32_t> after = Pixels(f);
        const long changed = std::inner_product(before.begin(), before.end(), after.begin(), 0L,
                                                std::plus<>(), std::not_equal_to<>());
        // The ring where it was and where it is now, the anchor's dot below
        // it, each within a tile: a sliver of the window.
        long area = 0;
        for (const PixelRect& r : s.window.repainted) {
            area += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
        }
        EXPECT_GT(changed, 0);
        EXPECT_GE(area, changed);
        EXPECT_LT(area, static_cast<long>(f.width) * f.height / 20);
    }
}

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
    // A pass after a Cls (colours 0x00BBGGRR, as a ball holds them), and
    // pixels of the frame it leaves (0xRRGGBB; pixels of the window, the frame
    // drawn in device pixels so that rings stay crisp on dense screens); no
    // pixels given: every pixel is the background.
    const struct {
        const char* name;
        std::function<void(FrameSurface&)> draw;
        std::vector<std::pair<Dip, std::uint32_t>> probes;
    } cases[] = {
        {"a Cls fills the whole client with the background",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, 0x00FF00);
             s.Cls();
         },
         {}},
        {"red and blue land in their channels; outlines only, the middles keep the background",
         [](FrameSurface& s) {
             s.Circle(750, 750, 300, 0x0000FF);  // centre (50, 50) px, radius 20 px
             s.Circle(2250, 750, 300, 0xFF0000); // centre (150, 50) px
         },
         {{{70, 50}, Red},
          {{30, 50}, Red},
          {{170, 50}, Blue},
          {{150, 30}, Blue},
          {{50, 50}, Back},
          {{150, 50}, Back}}},
        {"the pen is 9 pixels centred on the circle, smoothed at the edges only",
         [](FrameSurface& s) { s.Circle(1500, 750, 450, 0x00FF00); }, // radius 30 px
         {{{126, 50}, Green}, {{133, 50}, Green}, {{124, 50}, Back}, {{136, 50}, Back}}},
        {"radius 0 is a dot as wide as the pen",
         [](FrameSurface& s) { s.Circle(1500, 750, 0, 0); },
         {{{100, 50}, 0}, {{102, 48}, 0}, {{106, 50}, Back}, {{100, 44}, Back}}},
        {"rings crossing the left and bottom edges are clipped, not moved",
         [](FrameSurface& s) {
             s.Circle(0, 750, 300, 0x0000FF);
             s.Circle(1500, 1800, 600, 0xFF0000); // centre (100, 120) px, radius 40 px
         },
         {{{20, 50}, Red}, {{0, 30}, Red}, {{100, 80}, Blue}, {{5, 50}, Back}}},
        {"rings wholly outside are skipped",
         [](FrameSurface& s) {
             s.Circle(-1000, 750, 600, 0x0000FF); // ends 20 px left of the edge
             s.Circle(1500, -700, 600, 0x0000FF);
             s.Circle(3700, 750, 600, 0x0000FF);
             s.Circle(1500, 2200, 600, 0x0000FF);
             s.Circle(1e30f, 1e30f, 600, 0x0000FF); // far beyond any pixel number
             s.Circle(-INFINITY, 750, 600, 0x0000FF);
         },
         {}},
        {"later circles lie over earlier ones",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, 0x0000FF);
             s.Circle(1500, 750, 300, 0xFF0000);
         },
         {{{120, 50}, Blue}}},
        {"a new pen width redraws the rings",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 450, 0x00FF00);
             s.DrawWidth(15);
             s.Cls();
             s.Circle(1500, 750, 450, 0x00FF00);
         },
         {{{136, 50}, Green}}},
        // Rings are looked up by their place in the previous pass first; a
        // different ball in that place must still get its own ring.
        {"a ring called in another place of the pass is the right one",
         [](FrameSurface& s) {
             s.Circle(1500, 750, 300, 0x0000FF);
             s.Circle(600, 750, 150, 0x00FF00);
             s.Cls();
             s.Circle(600, 750, 150, 0xFF0000);
             s.Circle(1500, 750, 450, 0x0000FF);
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
    c.surface.Circle(1500, 750, 630, 0x00FF00); // centre (100, 50) px, radius 42 px
    EXPECT_EQ(c.surface.Ratio(), FrameSurface::MaxRatio);
    c.surface.Rasterize();
    ASSERT_EQ(c.surface.Frame().width, 200 * 16);
    EXPECT_EQ(c.At(100 + 42, 50), Green);
    EXPECT_EQ(c.At(100, 50 - 46), Green);
    EXPECT_EQ(c.At(100 - 47, 50), c.window.background);
}
