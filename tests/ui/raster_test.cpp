// SPDX-License-Identifier: MIT
// The draw library: the draw pass against a recording surface and the random
// source behind colours and radii; the ring rasterizer against a supersampled
// reference and at every edge of small frames and clips with guard bands; and
// the pinned frames' hash, which any change to their pixels shows.
#include "frame_scene.h"
#include "ring_pass.h"
#include "sim_test_util.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

namespace {

constexpr std::uint32_t Guard = 0x5A17C0DEu;
constexpr std::uint32_t Back = 0xFF336699u;
constexpr std::uint32_t Ink = 0xF0C020u;

// Reproducible random draws for the randomised cases.
struct Draws {
    std::mt19937 rng;
    explicit Draws(unsigned seed) : rng(seed) {}
    double Uniform(double lo, double hi)
    {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    }
    int Whole(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

// A frame with a guard band of `guard` pixels on every side, all of it
// holding Guard, the frame itself `back`.
struct Guarded {
    int width, height, guard;
    std::vector<std::uint32_t> words;
    Guarded(int w, int h, int g, std::uint32_t back)
        : width(w), height(h), guard(g),
          words(static_cast<std::size_t>((w + 2 * g) * (h + 2 * g)), Guard)
    {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                At(x, y) = back;
            }
        }
    }
    std::uint32_t& At(int x, int y)
    {
        return words[static_cast<std::size_t>((y + guard) * (width + 2 * guard) + x + guard)];
    }
    PixelFrame Frame() { return {&At(0, 0), width + 2 * guard, width, height}; }
    // Where this frame first differs from `other` within `r`, if it does.
    ::testing::AssertionResult SameAs(Guarded& other, PixelRect r)
    {
        return EveryPixel(
            r.right - r.left, r.bottom - r.top,
            [&](int x, int y) { return At(r.left + x, r.top + y); },
            [&](int x, int y) { return other.At(r.left + x, r.top + y); });
    }
    // Where a word outside `inside` (frame coordinates) first is not as it
    // was: Guard beyond the frame, `back` inside it.
    ::testing::AssertionResult UntouchedOutside(PixelRect inside, std::uint32_t back)
    {
        const int g = guard;
        return EveryPixel(
            width + 2 * g, height + 2 * g, [&](int x, int y) { return At(x - g, y - g); },
            [&](int x, int y) {
                const bool inFrame = x >= g && y >= g && x < width + g && y < height + g;
                const bool inClip = x >= inside.left + g && x < inside.right + g &&
                                    y >= inside.top + g && y < inside.bottom + g;
                return inFrame && inClip ? AnyPixel : inFrame ? back : Guard;
            });
    }
};

// Area of the annulus inner < |p - c| < outer in every pixel of a w x h
// frame, c a pixel corner: the pixel is cut into 256 strips, and in each
// strip the annulus's chords at the strip's middle height are measured
// exactly against the pixel's sides (the midpoint rule in y). Its error is
// largest where a strip grazes the top of a circle, about (1 / 256)^1.5 of a
// pixel (0.06 of a level); elsewhere far smaller.
std::vector<double> Reference(int w, int h, int cx, int cy, double inner, double outer)
{
    constexpr int Strips = 256;
    std::vector<double> area(static_cast<std::size_t>(w * h), 0.0);
    const auto add = [&](int row, double from, double to, double weight) {
        // The chord [from, to] in frame x, cut into pixels.
        const int first = std::max(0, static_cast<int>(std::floor(from)));
        const int last = std::min(w - 1, static_cast<int>(std::floor(to)));
        for (int x = first; x <= last; ++x) {
            const double len = std::min(to, x + 1.0) - std::max(from, static_cast<double>(x));
            if (len > 0) {
                area[static_cast<std::size_t>(row * w + x)] += len * weight;
            }
        }
    };
    for (int row = 0; row < h; ++row) {
        for (int s = 0; s < Strips; ++s) {
            const double dy = row + (s + 0.5) / Strips - cy;
            if (std::fabs(dy) >= outer) {
                continue;
            }
            const double xo = std::sqrt(outer * outer - dy * dy);
            const double xi = std::fabs(dy) < inner ? std::sqrt(inner * inner - dy * dy) : 0.0;
            add(row, cx - xo, cx - xi, 1.0 / Strips);
            add(row, cx + xi, cx + xo, 1.0 / Strips);
        }
    }
    return area;
}

} // namespace

TEST(RingRaster, EveryPixelHoldsTheAreaOfTheRingWithinOneLevel)
{
    const auto channel = [](std::uint32_t p, int shift) { return double((p >> shift) & 0xFF); };
    // Radii and pen in pixels before the ratio: 0, 1, half the pen, just
    // above it, and the largest ball (630 twips).
    const double radii[] = {0, 1, 4.5, 4.75, 42};
    const double ratios[] = {1, 1.5, 2};
    // Frames, centres as passed and the pixel corner each one is drawn
    // around: inside, across each edge and each corner of a 61 x 47 frame,
    // and in the middle of one that holds the largest ring whole.
    const struct {
        int w, h;
        double x, y;
        int cx, cy;
    } centres[] = {{61, 47, 30.4, 23.5, 30, 24}, {61, 47, 0.2, 20.0, 0, 20},
                   {61, 47, 61.3, 30.6, 61, 31}, {61, 47, 25.0, -0.4, 25, 0},
                   {61, 47, 40.5, 46.9, 41, 47}, {61, 47, -0.5, 0.3, 0, 0},
                   {61, 47, 60.7, 1.2, 61, 1},   {61, 47, 2.4, 47.6, 2, 48},
                   {61, 47, 59.9, 45.1, 60, 45}, {200, 190, 100.3, 95.2, 100, 95}};
    double worst = 0;
    for (double ratio : ratios) {
        for (double r0 : radii) {
            for (const auto& c : centres) {
                const double r = r0 * ratio;
                const double pen = 9 * ratio;
                SCOPED_TRACE(testing::Message() << "ratio " << ratio << " radius " << r << " at ("
                                                << c.x << ", " << c.y << ")");
                const int W = c.w;
                const int H = c.h;
                Guarded g(W, H, 3, Back);
                DrawRingOnce(g.Frame(), {-50, -50, 300, 300}, c.x, c.y, r, pen, Ink);
                ASSERT_TRUE(g.UntouchedOutside({0, 0, W, H}, Back));
                const std::vector<double> area =
                    Reference(W, H, c.cx, c.cy, std::max(0.0, r - pen / 2), r + pen / 2);
                for (int y = 0; y < H; ++y) {
                    for (int x = 0; x < W; ++x) {
                        const double a = area[static_cast<std::size_t>(y * W + x)];
                        const std::uint32_t got = g.At(x, y);
                        ASSERT_EQ(got >> 24, 0xFFu);
                        for (int shift : {0, 8, 16}) {
                            const double want = channel(Back, shift) +
                                                (channel(Ink, shift) - channel(Back, shift)) * a;
                            const double err = std::fabs(channel(got, shift) - want);
                            worst = std::max(worst, err);
                            // Half a level of rounding in the store, and the
                            // reference's own error, well under a tenth.
                            ASSERT_LE(err, 1.0) << x << "," << y << " area " << a;
                        }
                    }
                }
            }
        }
    }
    RecordProperty("worst_level_error_x1000", static_cast<int>(worst * 1000));
    std::cout << "largest channel error against the reference: " << worst << " levels\n";
}

TEST(RingRaster, DrawsOnlyInsideFrameAndClipAndClipsWithoutChangingPixels)
{
    // Small frames, rings across every edge and corner, clips inside, across
    // and beyond the frame, and arguments at the limits. Every pixel the clip
    // lets through must match the same ring drawn unclipped; every other
    // word, in the frame or the guard band, must be as it was.
    Draws draw(20261208);
    const double odd[] = {1e30, -1e30, INFINITY, -INFINITY, NAN, 2147483647.0, -2147483649.0};
    for (int run = 0; run < 20000; ++run) {
        const int w = draw.Whole(1, 9);
        const int h = draw.Whole(1, 9);
        double cx = draw.Uniform(-14, w + 14);
        double cy = draw.Uniform(-14, h + 14);
        double radius = run % 5 == 0 ? draw.Whole(0, 3) * 0.5 : draw.Uniform(0, 14);
        double pen = run % 7 == 0 ? draw.Whole(1, 9) : draw.Uniform(0, 12);
        if (run % 97 == 0) {
            (run / 97 % 2 ? cx : cy) = odd[run / 194 % 7];
        }
        if (run % 89 == 0) {
            radius = odd[run / 89 % 7];
        }
        if (run % 101 == 0) {
            // Either side of the largest ring drawn.
            radius = draw.Uniform(RingShape::MaxRadius - 8, RingShape::MaxRadius);
            cy = -radius + draw.Uniform(-2, 2);
        }
        const PixelRect clip{draw.Whole(-3, w + 1), draw.Whole(-3, h + 1), draw.Whole(-2, w + 3),
                             draw.Whole(-2, h + 3)};
        SCOPED_TRACE(testing::Message()
                     << "run " << run << ": " << w << "x" << h << " ring at (" << cx << ", " << cy
                     << ") radius " << radius << " pen " << pen << " clip " << clip.left << ","
                     << clip.top << "," << clip.right << "," << clip.bottom);
        Guarded clipped(w, h, 4, Back);
        Guarded full(w, h, 4, Back);
        DrawRingOnce(clipped.Frame(), clip, cx, cy, radius, pen, Ink);
        DrawRingOnce(full.Frame(), {0, 0, w, h}, cx, cy, radius, pen, Ink);
        ASSERT_TRUE(clipped.UntouchedOutside(clip, Back));
        ASSERT_TRUE(full.UntouchedOutside({0, 0, w, h}, Back));
        ASSERT_TRUE(clipped.SameAs(full, Intersect(clip, {0, 0, w, h})));
        // The bounds hold every pixel the ring changed, and through the clip
        // cut to them, as the window's pass draws, the ring is the same.
        const PixelRect bounds = RingBounds(cx, cy, radius, pen, {0, 0, w, h});
        ASSERT_TRUE(full.UntouchedOutside(bounds, Back));
        Guarded inBounds(w, h, 4, Back);
        DrawRingOnce(inBounds.Frame(), Intersect(clip, bounds), cx, cy, radius, pen, Ink);
        ASSERT_EQ(inBounds.words, clipped.words);
    }
}

TEST(RingRaster, ARingInViewDrawsTheSameThroughAnyClip)
{
    // A ring wholly in the frame, drawn whole or only where a damage clip
    // lets it through, must give the very same pixels there: the frame is
    // redrawn clip by clip, and a pixel a level off shows as a seam.
    Draws draw(8122026);
    constexpr int Side = 160;
    for (int run = 0; run < 3000; ++run) {
        const double pen = draw.Uniform(0.5, 13.5);
        const double radius = draw.Uniform(0, 79 - pen / 2 - 1);
        const double cx = draw.Uniform(79.5, 80.5);
        const double cy = draw.Uniform(79.5, 80.5);
        const int left = draw.Whole(0, Side - 1);
        const int top = draw.Whole(0, Side - 1);
        const PixelRect clip{left, top, draw.Whole(left + 1, Side), draw.Whole(top + 1, Side)};
        SCOPED_TRACE(testing::Message() << "run " << run << ": ring at (" << cx << ", " << cy
                                        << ") radius " << radius << " pen " << pen);
        Guarded clipped(Side, Side, 4, Back);
        Guarded full(Side, Side, 4, Back);
        DrawRingOnce(clipped.Frame(), clip, cx, cy, radius, pen, Ink);
        DrawRingOnce(full.Frame(), {0, 0, Side, Side}, cx, cy, radius, pen, Ink);
        ASSERT_TRUE(clipped.SameAs(full, clip));
    }
}

TEST(RingRaster, FillRectStaysInsideFrameAndClip)
{
    const PixelRect clips[] = {{-5, -5, 50, 50}, {-3, 1, 40, 3}, {2, 1, 4, 3},
                               {3, 3, 3, 9},     {-9, 0, -1, 4}, {0, 0, 7, 5}};
    for (const PixelRect& clip : clips) {
        // Without padding too, where whole rows make one run.
        Guarded unpadded(7, 5, 0, Back);
        FillRect(unpadded.Frame(), clip, 0xAB123456u);
        Guarded g(7, 5, 2, Back);
        FillRect(g.Frame(), clip, 0xAB123456u);
        ASSERT_TRUE(g.UntouchedOutside(clip, Back));
        const PixelRect in = Intersect(clip, {0, 0, 7, 5});
        ASSERT_TRUE(EveryPixel(
            in.right - in.left, in.bottom - in.top,
            [&](int x, int y) { return g.At(in.left + x, in.top + y); },
            [](int, int) { return 0xFF123456u; }));
    }
}

TEST(RingPass, EveryPassDrawsWhatEveryRingThroughDrawRingDraws)
{
    // The window's pass (ring shapes kept per call, rows in view blended
    // four pixels at a time, only the damage redrawn) against the plain
    // pass: the frame cleared and every ring measured afresh and drawn
    // whole, in call order. Aimed at where they could part: circles through pixel
    // corners and radii a hair either side (a solid span that just covers
    // or just misses a pixel), dots and discs, coincident and touching
    // rings, a slot whose radius or pen width changes while its centre
    // stays, changes of pixel ratio, rings across every edge of the frame,
    // passes redrawn whole and through damage clips.
    Draws draw(16122026);
    constexpr int W = 101;
    constexpr int H = 75;
    const PixelRect all{0, 0, W, H};
    // Pixels before the ratio. 5, 13 and 25 meet pixel corners (3-4-5,
    // 5-12-13, 7-24-25) as outer or inner radii with these pens.
    const double radii[] = {0, 0.5, 4.5, 5, 5 - 1e-12, 5 + 1e-12, 9.5, 13, 17.5, 25, 30};
    const double pens[] = {9, 9, 9, 1, 8, 0.5, 2.25, 9 + 1e-12};
    const double ratios[] = {1, 1.5, 2};
    struct Slot {
        double x, y, radius, pen;
        std::uint32_t rgb;
    };
    const auto newSlot = [&] {
        Slot s{draw.Uniform(-10, W + 10), draw.Uniform(-10, H + 10),
               radii[draw.Whole(0, std::size(radii) - 1)], pens[draw.Whole(0, std::size(pens) - 1)],
               static_cast<std::uint32_t>(draw.Whole(0, 0xFFFFFF))};
        if (draw.Whole(0, 3) == 0) {
            s.radius = draw.Uniform(0, 30);
        }
        return s;
    };
    std::vector<Slot> slots(30);
    for (Slot& s : slots) {
        s = newSlot();
    }
    std::vector<std::uint32_t> fast(W * H);
    std::vector<std::uint32_t> plain(W * H);
    const PixelFrame fastFrame{fast.data(), W, W, H};
    const PixelFrame plainFrame{plain.data(), W, W, H};
    Damage damage;
    RingPass pass;
    double ratio = 1;
    int clipped = 0;
    for (int step = 0; step < 900; ++step) {
        bool whole = step == 0;
        if (step % 150 == 0) {
            ratio = ratios[step / 150 % 3];
            whole = true;
        }
        for (int k = draw.Whole(0, 3); k > 0; --k) {
            Slot& s = slots[draw.Whole(0, static_cast<int>(slots.size()) - 1)];
            const Slot& other = slots[draw.Whole(0, static_cast<int>(slots.size()) - 1)];
            switch (draw.Whole(0, 7)) {
            case 0: // moved, sometimes onto an edge or a corner
                s.x = draw.Whole(0, 2) == 0 ? W / ratio * draw.Whole(0, 1)
                                            : draw.Uniform(-10, W + 10);
                s.y = draw.Whole(0, 2) == 0 ? H / ratio * draw.Whole(0, 1)
                                            : draw.Uniform(-10, H + 10);
                break;
            case 1: // a new radius in the same place
                s.radius =
                    draw.Whole(0, 1) ? radii[draw.Whole(0, std::size(radii) - 1)] : s.radius + 1e-9;
                break;
            case 2: // a new pen width in the same place
                s.pen = pens[draw.Whole(0, std::size(pens) - 1)];
                break;
            case 3: // coincident with another ring, another colour
                s.x = other.x;
                s.y = other.y;
                s.radius = other.radius;
                s.pen = other.pen;
                break;
            case 4: // inside another ring, touching it
                s.x = other.x;
                s.y = other.y;
                s.radius = std::max(0.0, other.radius - other.pen);
                break;
            case 5:
                s.rgb = static_cast<std::uint32_t>(draw.Whole(0, 0xFFFFFF));
                break;
            case 6:
                if (slots.size() < 60) {
                    slots.push_back(newSlot());
                }
                break;
            default:
                if (slots.size() > 1) {
                    slots.pop_back();
                }
                break;
            }
        }
        damage.Begin(W, H, whole || draw.Whole(0, 20) == 0);
        for (const Slot& s : slots) {
            const double cx = std::floor(s.x * ratio + 0.5);
            const double cy = std::floor(s.y * ratio + 0.5);
            const double r = s.radius * ratio;
            const double pen = s.pen * ratio;
            damage.Add({cx, cy, r, pen, s.rgb, RingBounds(cx, cy, r, pen, all)});
        }
        damage.End();
        pass.Draw(fastFrame, damage, 0x336699);
        clipped += damage.Whole() ? 0 : 1;

        FillRect(plainFrame, all, 0x336699);
        for (const DrawnRing& r : damage.Rings()) {
            DrawRingOnce(plainFrame, all, r.cx, r.cy, r.radius, r.width, r.rgb);
        }
        for (int p = 0; p < W * H; ++p) {
            ASSERT_EQ(fast[p], plain[p])
                << "step " << step << " ratio " << ratio << " pixel " << p % W << "," << p / W;
        }
    }
    // Most passes went through damage clips, not only the whole redraw.
    EXPECT_GT(clipped, 600);
}

namespace {

// Every call a pass makes: which (Cls, Circle, DrawWidth), and a circle's
// bits and colour.
using Call = std::tuple<char, std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t>;

class RecordingSurface final : public Surface {
public:
    std::vector<Call> calls;

    float ScaleWidth() const override { return StartWidth; }
    float ScaleHeight() const override { return StartHeight; }
    void DrawWidth(int) override { calls.emplace_back('W', 0, 0, 0, 0); }
    void Cls() override { calls.emplace_back('C', 0, 0, 0, 0); }
    void Circle(float x, float y, float radius, std::int32_t color) override
    {
        calls.emplace_back('O', Bits(x), Bits(y), Bits(radius), color);
    }
};

} // namespace

TEST(DrawBalls, OneClearThenEveryLiveSlotInOrder)
{
    // Each table is drawn as one Cls, then one Circle per live slot in slot
    // order with the slot's own values, and nothing else (the pen width is
    // the window's business).
    auto anchorOnly = std::make_unique<BallTable>(StartTable());
    anchorOnly->MoveBalls(StartWidth, StartHeight);

    auto three = std::make_unique<BallTable>(StartTable());
    PutBall(*three, 100.5f, 200.25f, 30.0f, 0x0000FF);
    PutBall(*three, -50.0f, 6000.0f, 629.5f, 0xFF0000); // outside the client area: still issued
    PutBall(*three, 4537.5f, 0.0f, 300.0f, 0x123456);
    // A slot above BallCount is not drawn, whatever it holds.
    three->BallX[4] = 1.0f;
    three->BallRadius[4] = 99.0f;

    auto full = std::make_unique<BallTable>(StartTable());
    SceneRandom r;
    for (int k = 0; k < MaxSlot; ++k) {
        full->AddBall(static_cast<float>(9 * k), 100.0f, r);
    }

    const struct {
        const char* name;
        const BallTable& table;
    } cases[] = {{"only the anchor", *anchorOnly}, {"three balls", *three}, {"full table", *full}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        DrawBalls(c.table, s);
        std::vector<Call> expected{{'C', 0, 0, 0, 0}};
        for (int i = 0; i <= c.table.BallCount; ++i) {
            expected.emplace_back('O', Bits(c.table.BallX[i]), Bits(c.table.BallY[i]),
                                  Bits(c.table.BallRadius[i]), c.table.BallColor[i]);
        }
        EXPECT_EQ(s.calls, expected);
    }
}

TEST(Rnd, FirstValuesOfTheGeneratorFromItsFixedStart)
{
    // The generator is x <- (1140671485 x + 12820163) mod 2^24 from
    // x = 327680, each value x / 2^24; its first values are
    // 0.7055475, 0.5334240, 0.5795186 to 7 digits, and exactly these.
    Rnd rnd;
    EXPECT_EQ(rnd(), 11837123.0f / 16777216.0f);
    EXPECT_EQ(rnd(), 8949370.0f / 16777216.0f);
    EXPECT_EQ(rnd(), 9722709.0f / 16777216.0f);
}

TEST(Rnd, RunsTheFullPeriod)
{
    // A full-period 24-bit generator visits every state once before it
    // repeats: colours and radii never fall into a short cycle.
    Rnd rnd;
    const float first = rnd();
    int period = 0;
    float v = 0;
    do {
        v = rnd();
        ++period;
    } while (v != first && period <= (1 << 24));
    EXPECT_EQ(period, 1 << 24);
}

TEST(PinnedFrames, HashIsPinned)
{
    // The same on every target: x86-64 (SSE2 blends), aarch64 under qemu
    // (scalar blends), Windows under wine and WebAssembly under Node, where
    // make determinism-check runs this test (ctest --preset <target>).
    const FrameHashes frames = PinnedFrames();
    EXPECT_TRUE(frames.damageSound);
    EXPECT_EQ(frames.total, PinnedFramesHash) << ::testing::PrintToString(frames.lines);
}
