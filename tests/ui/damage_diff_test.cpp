// SPDX-License-Identifier: MIT
// The frame built from damage against the frame drawn whole, pixel for
// pixel after every pass, over random scenes: presses, ticks, resizes, pen
// and background changes, balls pushed across every edge; and the repaints
// Form1 asks of the window system against that damage. At pixel ratios 1,
// 1.5 and 2, where device pixels and pixels of the window do not line up.
#include "frame_scene.h"
#include "window_test_util.h"

#include <algorithm>
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
            return std::ranges::any_of(s.window.repainted, [x, y](const PixelRect& r) {
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
