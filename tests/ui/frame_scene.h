// SPDX-License-Identifier: MIT
// Pixels of a frame read and compared, and the pinned frames: the settled
// scene of tests/sim/scene.h drawn through the window's frame (FrameSurface,
// no toolkit) and the rasterizer at pixel ratios 1, 1.5 and 2, whole, cut by
// a clip rectangle, cut by all four frame edges, and redrawn from damage,
// each frame hashed. The frames are the same on every processor: x86-64
// blends with SSE2, other processors with the scalar loop.
#pragma once

#include "frame_surface.h"
#include "render.h"
#include "ring_raster.h"
#include "scene.h"
#include "surface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <ios>
#include <memory>
#include <string>
#include <vector>

// The pixel (0xRRGGBB) of a frame at device pixel (x, y).
inline std::uint32_t PixelAt(const PixelFrame& f, int x, int y)
{
    return f.pixels[y * f.stride + x] & 0xFFFFFFu;
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

// The window's background and pen width (Qt's default palette, the
// program's pen), device-independent pixels.
inline constexpr std::uint32_t FrameBackground = 0xEFEFEF;
inline constexpr int FramePen = 9;

// A client area of `width` x `height` pixels at `ratio` device pixels per
// pixel with the window's background, for the window's own FrameSurface.
struct SceneClient final : ClientArea {
    int width, height;
    double ratio;
    SceneClient(int w, int h, double r) : width(w), height(h), ratio(r) {}
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    int DeviceWidth() const override { return static_cast<int>(std::ceil(width * ratio)); }
    int DeviceHeight() const override { return static_cast<int>(std::ceil(height * ratio)); }
    double PixelRatio() const override { return ratio; }
    std::uint32_t Background() const override { return FrameBackground; }
};

// A ring measured afresh and drawn: what the window's pass draws for it.
inline void DrawRingOnce(const PixelFrame& f, PixelRect clip, double cx, double cy, double radius,
                         double width, std::uint32_t rgb)
{
    RingShape shape;
    shape.Measure(radius, width);
    DrawRing(f, clip, cx, cy, shape, rgb);
}

// FNV-1a over a frame's pixels, row after row.
inline std::uint64_t PixelsHash(const PixelFrame& f)
{
    std::uint64_t h = FnvStart;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            h = Fnv(h, f.pixels[y * f.stride + x]);
        }
    }
    return h;
}

struct FrameHashes {
    // One line per frame: "ratio 1.5 clip 0123456789abcdef", in drawing order.
    std::vector<std::string> lines;
    // FNV-1a over the frame hashes in that order.
    std::uint64_t total = FnvStart;
    // Whether every pass from damage was partial and gave the pixels of a
    // full redraw of the same table.
    bool damageSound = true;
};

// Every ring of `t` drawn straight into `f` within `clip`, as the window
// places it, with the frame's origin at device pixel (dx, dy) of the window,
// the pen `pen` device-independent pixels wide.
inline void DrawTable(const PixelFrame& f, PixelRect clip, const BallTable& t, double ratio,
                      int dx = 0, int dy = 0, int pen = FramePen)
{
    const double scale = ratio / TwipsPerPixel;
    for (int i = 0; i <= t.BallCount; ++i) {
        DrawRingOnce(f, clip, std::floor(t.BallX[i] * scale + 0.5) - dx,
                     std::floor(t.BallY[i] * scale + 0.5) - dy, t.BallRadius[i] * scale,
                     pen * ratio, RgbWordOf(t.BallColor[i]));
    }
}

inline FrameHashes PinnedFrames()
{
    const auto settled = std::make_unique<BallTable>(PinnedScene());
    // Every 29th ball moved by a few pixels and one recoloured: damage in
    // scattered tiles, the rest of the frame kept from the pass before.
    auto moved = std::make_unique<BallTable>(*settled);
    for (int i = 3; i <= moved->BallCount; i += 29) {
        moved->BallX[i] += 37.5f;
        moved->BallY[i] -= 20.0f;
    }
    moved->BallColor[moved->BallCount / 2] = 0x3355AA;

    FrameHashes out;
    const int w = static_cast<int>(StartWidth / TwipsPerPixel);
    const int h = static_cast<int>(StartHeight / TwipsPerPixel);
    const auto add = [&out](double ratio, const char* what, const PixelFrame& px) {
        const std::uint64_t hash = PixelsHash(px);
        char line[64];
        std::snprintf(line, sizeof line, "ratio %.1f %-7s %016llx", ratio, what,
                      static_cast<unsigned long long>(hash));
        out.lines.emplace_back(line);
        out.total = Fnv(out.total, hash);
    };
    for (const double ratio : {1.0, 1.5, 2.0}) {
        // Whole, through the draw pass and damage; rings at the walls cross
        // the frame's left, right and bottom edges.
        SceneClient client(w, h, ratio);
        FrameSurface s(client);
        s.DrawWidth(FramePen);
        DrawBalls(*settled, s);
        s.Rasterize();
        add(ratio, "whole", s.Frame());
        // The moved table from damage, against a full redraw of it.
        DrawBalls(*moved, s);
        const Damage& damage = s.Rasterize();
        const PixelFrame& f = s.Frame();
        add(ratio, "damaged", f);
        FrameSurface full(client);
        full.DrawWidth(FramePen);
        DrawBalls(*moved, full);
        full.Rasterize();
        const PixelFrame& g = full.Frame();
        out.damageSound = out.damageSound && !damage.Whole() && !damage.Rects().empty() &&
                          std::equal(f.pixels, f.pixels + f.width * f.height, g.pixels);

        const PixelRect all{0, 0, f.width, f.height};
        // Cut by a clip rectangle whose edges fall inside rings.
        FillRect(f, all, FrameBackground);
        DrawTable(f, {f.width / 6, f.height / 5, f.width * 2 / 3 + 1, f.height * 3 / 4 + 1},
                  *settled, ratio);
        add(ratio, "clip", f);
        // A frame inside the buffer, a margin from each side, cut by all
        // four of its edges; the margin keeps the guard it was filled with.
        const int m = static_cast<int>(25 * ratio) + 1;
        FillRect(f, all, 0x5A17C0);
        const PixelFrame inner{f.pixels + m * f.stride + m, f.stride, f.width - 2 * m,
                               f.height - 2 * m};
        FillRect(inner, all, FrameBackground);
        DrawTable(inner, all, *settled, ratio, m, m);
        add(ratio, "edges", f);
    }
    return out;
}

// PinnedFrames().total; PinnedFrames.HashIsPinned checks it.
inline constexpr std::uint64_t PinnedFramesHash = 0xcd3182f0967144eaull;
