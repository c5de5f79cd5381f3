// SPDX-License-Identifier: MIT
// The damage bookkeeping of the draw pass, without a frame: which rings
// count as changed, which tiles they mark, and the rectangles made of them.
#include "damage.h"
#include "frame_scene.h"
#include "sim_test_util.h"

#include <ostream>
#include <vector>

void PrintTo(const PixelRect& r, std::ostream* os)
{
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using Rects = std::vector<PixelRect>;

DrawnRing At(PixelRect b, std::uint32_t rgb = 0x112233)
{
    // Centre and radius only need to tell rings apart here.
    const double w = b.right - b.left;
    return {b.left + w / 2, (b.top + b.bottom) / 2.0, w / 2, 9.0, rgb, b};
}

void Pass(Damage& d, int width, int height, const std::vector<DrawnRing>& rings, bool whole = false)
{
    d.Begin(width, height, whole);
    for (const DrawnRing& r : rings) {
        d.Add(r);
    }
    d.End();
}

// Every damage rectangle met by `bounds`, cut to it, as ForEachClip gives them.
Rects Clips(const Damage& d, PixelRect bounds)
{
    Rects out;
    d.ForEachClip(bounds, [&](const PixelRect& c) { out.push_back(c); });
    return out;
}

} // namespace

TEST(Damage, WhatAPassChangesIsTheUnionOfOldAndNewTiles)
{
    // A frame of 200 x 100 device pixels: tiles of 32, the last column 8
    // wide and the last row 4 high.
    const DrawnRing a = At({10, 10, 20, 20});
    const DrawnRing b = At({100, 40, 130, 70});
    const DrawnRing edge = At({190, 90, 200, 100});
    const DrawnRing outside = At({}); // wholly outside: empty bounds
    DrawnRing recoloured = b;
    recoloured.rgb = 0x445566;
    DrawnRing regrown = b;
    regrown.radius += 0.25; // same bounds, other pixels
    DrawnRing thinner = b;
    thinner.width = 8.0;
    const struct {
        const char* name;
        std::vector<DrawnRing> before, after;
        Rects damage;
    } cases[] = {
        {"nothing changed", {a, b, edge}, {a, b, edge}, {}},
        {"moved", {a, b}, {At({40, 10, 50, 20}), b}, {{0, 0, 64, 32}}},
        {"moved far", {a, b}, {At({100, 60, 140, 70}), b}, {{0, 0, 32, 32}, {96, 32, 160, 96}}},
        {"recoloured", {a, b}, {a, recoloured}, {{96, 32, 160, 96}}},
        {"radius changed within the same pixels", {a, b}, {a, regrown}, {{96, 32, 160, 96}}},
        {"pen changed within the same pixels", {a, b}, {a, thinner}, {{96, 32, 160, 96}}},
        {"appeared", {a}, {a, b}, {{96, 32, 160, 96}}},
        {"vanished", {a, b}, {a}, {{96, 32, 160, 96}}},
        {"across the right and bottom edges", {a}, {a, edge}, {{160, 64, 200, 100}}},
        {"moving wholly outside", {a, outside}, {a, At({})}, {}},
        {"coming in from outside", {a, outside}, {a, edge}, {{160, 64, 200, 100}}},
        // Compared call by call: the same rings in another order are other
        // rings on top, so both places are damage.
        {"swapped order", {a, b}, {b, a}, {{0, 0, 32, 32}, {96, 32, 160, 96}}},
        {"every tile", {At({0, 0, 200, 100})}, {}, {{0, 0, 200, 100}}},
        // Two tiles side by side make one rectangle; rows with the same
        // tiles make one band.
        {"side by side and stacked",
         {},
         {At({5, 5, 10, 10}), At({40, 5, 45, 10}), At({5, 40, 45, 45}), At({150, 70, 160, 71})},
         {{0, 0, 64, 64}, {128, 64, 160, 96}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Damage d;
        Pass(d, 200, 100, c.before);
        ASSERT_TRUE(d.Whole()); // a first pass draws everything
        ASSERT_EQ(d.Rects(), (Rects{{0, 0, 200, 100}}));
        Pass(d, 200, 100, c.after);
        EXPECT_FALSE(d.Whole());
        EXPECT_EQ(d.Rects(), c.damage);
        EXPECT_EQ(d.Rings().size(), c.after.size());
        // Nothing left over for the pass after.
        Pass(d, 200, 100, c.after);
        EXPECT_EQ(d.Rects(), Rects{});
    }
}

TEST(Damage, ResizeOrAskingForTheWholeFrameDamagesEverything)
{
    Damage d;
    const DrawnRing a = At({10, 10, 20, 20});
    Pass(d, 200, 100, {a});
    Pass(d, 200, 100, {a}, true); // pen, ratio or background changed
    EXPECT_TRUE(d.Whole());
    EXPECT_EQ(d.Rects(), (Rects{{0, 0, 200, 100}}));
    Pass(d, 201, 100, {a});
    EXPECT_TRUE(d.Whole());
    EXPECT_EQ(d.Rects(), (Rects{{0, 0, 201, 100}}));
    // Tiles follow the new size: the last column is now 9 wide.
    Pass(d, 201, 100, {a, At({195, 0, 201, 1})});
    EXPECT_EQ(d.Rects(), (Rects{{192, 0, 201, 32}}));
}

TEST(Damage, EmptyAndTinyFrames)
{
    Damage d;
    for (const auto& size : {std::pair{0, 0}, {0, 100}, {100, 0}, {-5, 3}}) {
        Pass(d, size.first, size.second, {At({})});
        EXPECT_EQ(d.Rects(), Rects{});
        Pass(d, size.first, size.second, {At({}), At({})});
        EXPECT_EQ(d.Rects(), Rects{});
    }
    Pass(d, 1, 1, {At({0, 0, 1, 1})});
    EXPECT_EQ(d.Rects(), (Rects{{0, 0, 1, 1}}));
    Pass(d, 1, 1, {At({0, 0, 1, 1}, 0xFF)});
    EXPECT_EQ(d.Rects(), (Rects{{0, 0, 1, 1}}));
}

TEST(Damage, APassNeverEndedIsForgotten)
{
    // The frame holds what the last pass ended drew; one begun and dropped
    // drew nothing, so the next is compared with the one before it.
    Damage d;
    const DrawnRing a = At({10, 10, 20, 20});
    Pass(d, 200, 100, {a});
    d.Begin(200, 100, false);
    d.Add(At({150, 50, 160, 60}));
    EXPECT_TRUE(d.InPass());
    Pass(d, 200, 100, {a});
    EXPECT_EQ(d.Rects(), Rects{});
    d.End(); // no pass under way: changes nothing
    EXPECT_EQ(d.Rects(), Rects{});
    EXPECT_EQ(d.Rings().size(), 1u);
}

TEST(Damage, LargeFramesTakeLargerTilesAndWideRowsSeveralWords)
{
    const struct {
        int width, height, tile;
    } sizes[] = {{605, 366, 32},   {3840, 2160, 32},    {4096, 4096, 32},
                 {7680, 4320, 64}, {40000, 40000, 512}, {16777215, 1, 1024}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.width);
        Damage d;
        Pass(d, s.width, s.height, {});
        EXPECT_EQ(d.Rects(), (Rects{{0, 0, s.width, s.height}}));
        // A ring in the first pixel marks the first tile.
        Pass(d, s.width, s.height, {At({0, 0, 1, 1})});
        EXPECT_EQ(d.Rects(), (Rects{{0, 0, s.tile, std::min(s.tile, s.height)}}));
    }
    // 3840 pixels are 120 tiles, two words of the mask: a ring over the
    // join of the two, another up to the last tile.
    Damage d;
    Pass(d, 3840, 2160, {});
    Pass(d, 3840, 2160, {At({2030, 100, 2060, 101}), At({3830, 2150, 3840, 2160})});
    EXPECT_EQ(d.Rects(), (Rects{{2016, 96, 2080, 128}, {3808, 2144, 3840, 2160}}));
}

TEST(Damage, ClipsAreTheRectanglesARingMeetsInOrder)
{
    Damage d;
    Pass(d, 200, 100, {});
    Pass(d, 200, 100, {At({5, 5, 10, 10}), At({100, 5, 105, 10}), At({5, 70, 10, 75})});
    ASSERT_EQ(d.Rects(), (Rects{{0, 0, 32, 32}, {96, 0, 128, 32}, {0, 64, 32, 96}}));
    EXPECT_EQ(Clips(d, {20, 20, 110, 80}),
              (Rects{{20, 20, 32, 32}, {96, 20, 110, 32}, {20, 64, 32, 80}}));
    EXPECT_EQ(Clips(d, {40, 0, 90, 100}), Rects{});
    EXPECT_EQ(Clips(d, {0, 32, 200, 64}), Rects{}); // between the bands
    EXPECT_EQ(Clips(d, {}), Rects{});
    EXPECT_EQ(Clips(d, {0, 0, 200, 100}), d.Rects());
}

TEST(Damage, RandomPassesMarkExactlyTheTilesOfChangedRings)
{
    // Against a plain model: a grid of tiles marked ring by ring, and every
    // pixel of the rectangles counted, so overlaps and gaps both show.
    SceneRandom random;
    for (int round = 0; round < 200; ++round) {
        const int width = 1 + static_cast<int>(random() * 2500);
        const int height = 1 + static_cast<int>(random() * 300);
        auto ring = [&] {
            const int x0 = static_cast<int>(random() * width);
            const int y0 = static_cast<int>(random() * height);
            const int x1 = std::min(width, x0 + 1 + static_cast<int>(random() * 300));
            const int y1 = std::min(height, y0 + 1 + static_cast<int>(random() * 100));
            return At({x0, y0, x1, y1});
        };
        std::vector<DrawnRing> before;
        std::vector<DrawnRing> after;
        const int count = static_cast<int>(random() * 12);
        for (int k = 0; k < count; ++k) {
            before.push_back(ring());
            after.push_back(random() < 0.6f ? before.back() : ring());
        }
        for (int k = static_cast<int>(random() * 3); k > 0; --k) {
            after.push_back(ring());
        }
        Damage d;
        Pass(d, width, height, before);
        Pass(d, width, height, after);
        ASSERT_FALSE(d.Whole());

        const int cols = (width + 31) / 32;
        const int rows = (height + 31) / 32;
        std::vector<int> expected(static_cast<std::size_t>(cols) * rows, 0);
        auto mark = [&](const PixelRect& b) {
            for (int ty = b.top / 32; ty <= (b.bottom - 1) / 32; ++ty) {
                for (int tx = b.left / 32; tx <= (b.right - 1) / 32; ++tx) {
                    expected[static_cast<std::size_t>(ty) * cols + tx] = 1;
                }
            }
        };
        for (std::size_t k = 0; k < after.size(); ++k) {
            if (k >= before.size() || !(before[k] == after[k])) {
                mark(after[k].bounds);
                if (k < before.size()) {
                    mark(before[k].bounds);
                }
            }
        }
        std::vector<int> covered(static_cast<std::size_t>(width) * height, 0);
        PixelRect previous{-1, -1, -1, -1};
        for (const PixelRect& r : d.Rects()) {
            ASSERT_FALSE(r.Empty());
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height);
            // Sorted by top then left, and never abutting side by side.
            ASSERT_TRUE(r.top > previous.top || (r.top == previous.top && r.left > previous.right))
                << round;
            if (r.top == previous.top) {
                ASSERT_EQ(r.bottom, previous.bottom);
            }
            previous = r;
            for (int y = r.top; y < r.bottom; ++y) {
                for (int x = r.left; x < r.right; ++x) {
                    ++covered[static_cast<std::size_t>(y) * width + x];
                }
            }
        }
        ASSERT_TRUE(EveryPixel(
            width, height, [&](int x, int y) { return covered[std::size_t(y) * width + x]; },
            [&](int x, int y) { return expected[std::size_t(y / 32) * cols + x / 32]; }))
            << "round " << round;
    }
}
