// SPDX-License-Identifier: MIT
// The ring rasterizer: exact areas of a disc over the pixel grid, from one
// table per disc, measured into a ring's shape, and the scanline loop that
// stores and blends a shape into the frame.
#include "ring_raster.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Rows of a quadrant at most: the tables of F hold MaxRows + 2 doubles.
constexpr auto MaxRows = static_cast<std::int64_t>(RingShape::MaxRadius);
static_assert(MaxRows == RingShape::MaxRadius, "a whole number of rows");

// The quarter of a disc of radius R centred on the origin that lies in
// x >= 0, y >= 0, measured in whole pixels. G(a, b) is the area of it inside
// [0, a] x [0, b] for whole numbers a, b; the area of pixel (i, j), the one
// covering [i, i + 1] x [j, j + 1], is a difference of four of them.
//
// Where the corner (a, b) lies inside the disc, G(a, b) = a * b. Otherwise
// the circle crosses the rectangle's top edge at x = sqrt(R^2 - b^2) and
// G(a, b) = F(a') + F(b') - F(R), where F(x) is the area under the circle
// from 0 to x and a' = min(a, R), b' = min(b, R): the strip under the circle
// to the left of a, plus the one to the left of b counted the other way
// round, less the quarter disc that both hold. F(x) = (x sqrt(R^2 - x^2) +
// R^2 asin(x / R)) / 2. So one table of F at whole pixels serves every pixel,
// and the only transcendental calls are one asin per table row.
class Disc {
public:
    // radius at most MaxRows; table: room for MaxRows + 2 doubles.
    Disc(double radius, double* table) : r_(radius), r2_(radius * radius), table_(table)
    {
        n_ = static_cast<std::int64_t>(std::ceil(radius));
        quarter_ = r2_ * (std::numbers::pi / 4);
        for (std::int64_t k = 0; k <= n_ + 1; ++k) {
            table[k] = Under(k);
        }
    }

    std::int64_t Rows() const { return n_; }
    double Quarter() const { return quarter_; }

    // Whether the point (a, b) lies inside the disc or on its circle.
    bool Inside(std::int64_t a, std::int64_t b) const
    {
        const double da = static_cast<double>(a);
        const double db = static_cast<double>(b);
        return da * da + db * db <= r2_;
    }

    // The first whole x >= 0 with (x, y) outside the disc, knowing that it
    // is at most `above`: the one for the row above, or Rows() + 1 for row
    // 0. Rows are walked down the quarter, where the edge only moves left,
    // so this costs one step per column over the whole quarter. Every
    // decision about a corner is this one test, so the spans of a row and
    // the areas in it never disagree.
    std::int64_t Edge(std::int64_t y, std::int64_t above) const
    {
        std::int64_t x = above;
        while (x > 0 && !Inside(x - 1, y)) {
            --x;
        }
        return x;
    }

    // F(min(k, R)).
    double F(std::int64_t k) const { return table_[std::min(k, n_ + 1)]; }

private:
    double Under(std::int64_t k) const
    {
        const double x = static_cast<double>(k);
        if (x >= r_) {
            return quarter_;
        }
        return 0.5 * (x * std::sqrt(r2_ - x * x) + r2_ * std::asin(x / r_));
    }

    double r_;
    double r2_;
    double* table_;
    double quarter_ = 0;
    std::int64_t n_ = 0;
};

// The row band [j, j + 1] of a disc's quarter. D(a) is the area of the disc
// in the band left of x = a, a whole number: G(a, j + 1) - G(a, j). Left of
// the bottom corners' edge the band is full; right of the top corners' edge
// it holds all it ever will; between, the circle crosses it.
class Band {
public:
    Band(const Disc& disc, std::int64_t j, std::int64_t top, std::int64_t bottom)
        : disc_(disc), top_(top), bottom_(bottom), j_(static_cast<double>(j)),
          lower_(disc.F(j + 1) - disc.Quarter()), total_(disc.F(j + 1) - disc.F(j))
    {
    }
    // The band holds the whole pixel i for i + 1 < Full(), none of it
    // for i >= Touched().
    std::int64_t Full() const { return std::max<std::int64_t>(bottom_ - 1, 0); }
    std::int64_t Touched() const { return top_; }

    double D(std::int64_t a) const
    {
        if (a < bottom_) {
            return static_cast<double>(a);
        }
        if (a < top_) {
            return disc_.F(a) + lower_ - static_cast<double>(a) * j_;
        }
        return total_;
    }

private:
    const Disc& disc_;
    std::int64_t top_;
    std::int64_t bottom_;
    double j_;
    double lower_;
    double total_;
};

// Blending: every channel becomes round((d * (65535 - A) + s * A) / 65535)
// to within 1 / 128 of a level, A the pixel's area as a multiple of
// 1 / 65535: with d and s scaled by 256, two 16 x 16-bit products keep
// their high halves, which add up to at most 65280, and the sum is rounded
// to 8 bits. Integer lanes of SSE2 do four pixels at once, processors
// without them this scalar loop with the same operations, so the result does
// not depend on the vector width or the instruction set the compiler picks
// (PinnedFrames.HashIsPinned, on both).
inline std::uint32_t BlendOne(std::uint32_t dst, std::uint32_t src, std::uint32_t alpha)
{
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t d = ((dst >> shift) & 0xFFu) << 8;
        const std::uint32_t s = ((src >> shift) & 0xFFu) << 8;
        const std::uint32_t sum = ((d * (0xFFFFu - alpha)) >> 16) + ((s * alpha) >> 16);
        out |= ((sum + 128) >> 8) << shift;
    }
    return out;
}

#if defined(__SSE2__)
// The blend of BlendOne on four pixels at a time.
//
// This is SSE2 code in a program whose toolkit runs AVX2 code (Qt's fills
// and blits). An SSE2 loop run while the upper halves of the vector
// registers are still dirty from such code pays for them at every
// instruction: 2.5 times slower on one machine measured, and on an AMD EPYC
// (perf stat, task-clock, 3000 times QImage::fill and 100 rings) 0.84 s
// against 0.72 s once `vzeroupper` cleared them. So every entry of the
// rasterizer clears them first (ClearUpperHalves), and the frame is filled
// by FillRect, not by Qt.
struct Blender {
    explicit Blender(std::uint32_t src)
        : src(src),
          s8(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(src)), _mm_setzero_si128())),
          s16(_mm_slli_epi16(s8, 8))
    {
    }
    // Pixels d (four), their alphas in the low four 16-bit lanes of a4.
    __m128i operator()(__m128i d, __m128i a4) const
    {
        const __m128i a2 = _mm_unpacklo_epi16(a4, a4);
        return Mix(d, _mm_unpacklo_epi32(a2, a2), _mm_unpackhi_epi32(a2, a2));
    }
    // Pixels d, the alphas of the first two in every 16-bit lane of their
    // channels in aLo, of the last two in aHi.
    __m128i Mix(__m128i d, __m128i aLo, __m128i aHi) const
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i half = _mm_set1_epi16(128);
        const __m128i outLo =
            _mm_srli_epi16(_mm_add_epi16(Sum(_mm_unpacklo_epi8(d, zero), aLo), half), 8);
        const __m128i outHi =
            _mm_srli_epi16(_mm_add_epi16(Sum(_mm_unpackhi_epi8(d, zero), aHi), half), 8);
        return _mm_or_si128(_mm_packus_epi16(outLo, outHi),
                            _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    }
#if defined(__wasm_simd128__)
    // BlendOne's sum on 16-bit lanes, d a byte in each: hi(d << 8, 65535 - a)
    // + hi(s << 8, a), hi the high half of a 16 x 16-bit product.
    //
    // WebAssembly SIMD has no such multiply: Emscripten's _mm_mulhi_epu16
    // is two widening multiplies and a shuffle, about nine instructions on
    // x86-64 for SSE2's one: the page's draw pass took 1.9 times the
    // desktop's (scripts/stage-times.sh), 1.4 times with this. For a byte x
    // and y = 256 yh + yl (yh, yl bytes), hi(x << 8, y) = floor(x y / 256)
    // = x yh + floor(x yl / 256), both products at most 255 * 255, so two
    // low multiplies give the same bits; 65535 - y has the bytes 255 - yh
    // and 255 - yl. Every term and the sum (at most 65280) fit 16 bits.
    // PinnedFrames.HashIsPinned under `ctest --preset web-node` holds it to
    // the same frames.
    __m128i Sum(__m128i d, __m128i a) const
    {
        const __m128i byte = _mm_set1_epi16(0xFF);
        const __m128i aHigh = _mm_srli_epi16(a, 8);
        const __m128i aLow = _mm_and_si128(a, byte);
        const auto hi = [](__m128i x, __m128i yHigh, __m128i yLow) {
            return _mm_add_epi16(_mm_mullo_epi16(x, yHigh),
                                 _mm_srli_epi16(_mm_mullo_epi16(x, yLow), 8));
        };
        return _mm_add_epi16(hi(d, _mm_xor_si128(aHigh, byte), _mm_xor_si128(aLow, byte)),
                             hi(s8, aHigh, aLow));
    }
#else
    // BlendOne's sum on 16-bit lanes, d a byte in each.
    __m128i Sum(__m128i d, __m128i a) const
    {
        return _mm_add_epi16(
            _mm_mulhi_epu16(_mm_slli_epi16(d, 8), _mm_xor_si128(a, _mm_set1_epi16(-1))),
            _mm_mulhi_epu16(s16, a));
    }
#endif
    // The four pixels *p[0..3] with one area: the four mirror images of a
    // pixel of the quarter.
    void Four(std::uint32_t* const p[4], std::uint32_t alpha) const
    {
        const __m128i d = _mm_set_epi32(static_cast<int>(*p[3]), static_cast<int>(*p[2]),
                                        static_cast<int>(*p[1]), static_cast<int>(*p[0]));
        const __m128i a = _mm_set1_epi16(static_cast<short>(alpha));
        const __m128i out = Mix(d, a, a);
        *p[0] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(out));
        *p[1] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(out, 4)));
        *p[2] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(out, 8)));
        *p[3] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(out, 12)));
    }
    std::uint32_t src;
    // The source's channels, a byte in each 16-bit lane, and shifted up by 8.
    __m128i s8;
    __m128i s16;
};
#else
struct Blender {
    explicit Blender(std::uint32_t src) : src(src) {}
    void Four(std::uint32_t* const p[4], std::uint32_t alpha) const
    {
        for (int k = 0; k < 4; ++k) {
            *p[k] = BlendOne(*p[k], src, alpha);
        }
    }
    std::uint32_t src;
};
#endif

// An area in [0, 1] as a multiple of 1 / 65535.
inline std::uint16_t Alpha(double area)
{
    // Clamped first, so that truncation rounds down.
    return static_cast<std::uint16_t>(std::clamp(area * 65535.0 + 0.5, 0.0, 65535.0));
}

// Clears the upper halves of the vector registers where the processor has
// them; see Blender for why.
void ClearUpperHalves()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) {
        asm volatile("vzeroupper" ::: "memory");
    }
#endif
}

// Quadrant indices [from, to), from >= 0.
struct Span {
    std::int64_t from;
    std::int64_t to;
};

// The smallest span holding the parts at or above 0 of [a, b) and [c, d),
// half-open ranges of quadrant indices seen on either side of the centre.
Span Visible(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d)
{
    a = std::max<std::int64_t>(a, 0);
    c = std::max<std::int64_t>(c, 0);
    if (a >= b) {
        return c < d ? Span{c, d} : Span{0, 0};
    }
    if (c >= d) {
        return {a, b};
    }
    return {std::min(a, c), std::max(b, d)};
}

} // namespace

void FillRect(const PixelFrame& frame, PixelRect clip, std::uint32_t rgb)
{
    const PixelRect r = Intersect(clip, {0, 0, frame.width, frame.height});
    const std::uint32_t pixel = 0xFF000000u | rgb;
    ClearUpperHalves();
    if (r.left == 0 && r.right == frame.width && frame.stride == frame.width) {
        // Whole rows of a frame without padding: one run.
        std::uint32_t* first = frame.pixels + r.top * frame.stride;
        std::fill(first, first + (r.bottom - r.top) * frame.stride, pixel);
        return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* row = frame.pixels + y * frame.stride;
        std::fill(row + r.left, row + r.right, pixel);
    }
}

PixelRect RingBounds(double cx, double cy, double radius, double width, PixelRect within)
{
    const double outer = std::fabs(radius) + std::fabs(width) / 2;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(outer) ||
        outer > RingShape::MaxRadius || outer == 0) {
        return {};
    }
    const double x = std::floor(cx + 0.5);
    const double y = std::floor(cy + 0.5);
    const double n = std::ceil(outer);
    // Cut to int's range in doubles, then converted and cut to `within`.
    const auto cut = [](double v) {
        return static_cast<int>(std::clamp(v, static_cast<double>(std::numeric_limits<int>::min()),
                                           static_cast<double>(std::numeric_limits<int>::max())));
    };
    return Intersect({cut(x - n), cut(y - n), cut(x + n), cut(y + n)}, within);
}

void RingShape::Measure(double radius, double width)
{
    measured_ = true;
    radius_ = radius;
    width_ = width;
    const double outerRadius = std::fabs(radius) + std::fabs(width) / 2;
    if (!(outerRadius > 0 && outerRadius <= MaxRadius)) {
        // Nothing to draw (DrawRing draws a shape of no rows nowhere).
        rows_.clear();
        alphas_.assign(2 * Spare, 0);
        return;
    }
    // Every row of the quadrant into room on the stack (13 KB beside the
    // tables' 12 KB), then copied into the shape at its exact size.
    constexpr std::size_t MaxAlphas = 4 * MaxRows + 2 + 2 * Spare;
    static_assert(MaxAlphas <= 65535 + Spare, "alphaAt must fit 16 bits");
    Row rows[MaxRows];
    std::uint16_t alphas[MaxAlphas];
    std::size_t count = Spare;
    std::fill(alphas, alphas + Spare, std::uint16_t{0});
    radius = std::fabs(radius);
    width = std::fabs(width);
    const double innerRadius = radius - width / 2;
    const bool hole = innerRadius > 0;
    double outerTable[MaxRows + 2];
    double innerTable[MaxRows + 2];
    const Disc outer(radius + width / 2, outerTable);
    const Disc inner(hole ? innerRadius : 0, innerTable);
    const std::int64_t n = outer.Rows();
    std::int64_t outerTop = outer.Edge(0, n + 1);
    std::int64_t innerTop = hole ? inner.Edge(0, inner.Rows() + 1) : 0;
    for (std::int64_t j = 0; j < n; ++j) {
        const std::int64_t outerBottom = outer.Edge(j + 1, outerTop);
        const std::int64_t innerBottom = hole ? inner.Edge(j + 1, innerTop) : 0;
        const Band ob(outer, j, outerTop, outerBottom);
        const Band ib(inner, j, innerTop, innerBottom);
        outerTop = outerBottom;
        innerTop = innerBottom;
        const std::int64_t holeEnd = hole ? ib.Full() : 0;
        const std::int64_t end = ob.Touched();
        std::int64_t solidFrom = hole ? ib.Touched() : 0;
        std::int64_t solidEnd = ob.Full();
        if (solidFrom >= solidEnd) {
            solidFrom = solidEnd = end;
        }
        rows[j] = {static_cast<std::uint16_t>(holeEnd), static_cast<std::uint16_t>(solidFrom),
                   static_cast<std::uint16_t>(solidEnd), static_cast<std::uint16_t>(end),
                   static_cast<std::uint16_t>(count - Spare)};
        const auto partial = [&](std::int64_t from, std::int64_t to) {
            double o = ob.D(from);
            double h = hole ? ib.D(from) : 0;
            for (std::int64_t i = from; i < to; ++i) {
                const double o2 = ob.D(i + 1);
                const double h2 = hole ? ib.D(i + 1) : 0;
                alphas[count++] = Alpha((o2 - o) - (h2 - h));
                o = o2;
                h = h2;
            }
        };
        partial(holeEnd, solidFrom);
        partial(solidEnd, end);
    }
    std::fill(alphas + count, alphas + count + Spare, std::uint16_t{0});
    count += Spare;
    // Kept for as long as the slot's ring stays the same: no spare room.
    rows_.assign(rows, rows + n);
    rows_.shrink_to_fit();
    alphas_.assign(alphas, alphas + count);
    alphas_.shrink_to_fit();
}

namespace {

#if defined(__SSE2__)
inline __m128i Alphas4(const std::uint16_t* a)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
}
// a[0], a[-1], a[-2], a[-3].
inline __m128i Alphas4Reversed(const std::uint16_t* a)
{
    return _mm_shufflelo_epi16(Alphas4(a - 3), _MM_SHUFFLE(0, 1, 2, 3));
}
#endif

// Blends over line[0, count), pixel t with the area alpha[t] (step 1) or
// alpha[-t] (step -1, the mirror image on the left of the centre). alpha
// must have four readable entries beyond either end of the run (a
// RingShape's spare zeros).
template <int Step>
void BlendShapeRun(std::uint32_t* line, const std::uint16_t* alpha, std::int64_t count,
                   std::uint32_t src)
{
    std::int64_t t = 0;
    const Blender blend(src);
#if defined(__SSE2__)
    const auto alphas = [&](std::int64_t at) {
        return Step > 0 ? Alphas4(alpha + at) : Alphas4Reversed(alpha - at);
    };
    for (; t + 4 <= count; t += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + t));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + t), blend(d, alphas(t)));
    }
#endif
    // The last few pixels (all of them without SSE2) one at a time: the
    // same blend, so the same bits.
    for (; t < count; ++t) {
        line[t] = BlendOne(line[t], src, alpha[Step * t]);
    }
}

#if defined(__SSE2__)
// A row of a quadrant whose pixels lie inside the clip and, widened by
// Margin on either side, inside the frame: no run needs cutting, and a
// run's pixels are blended four at a time whatever its length. The lanes of a group of four beyond
// the run get alpha 0, and the blend with alpha 0 gives back every channel
// unchanged (c << 8 times 65535, shifted right by 16, is (c << 8) - 1 for
// c > 0, and adding 128 and shifting by 8 gives c again; 0 stays 0), so
// those pixels, next to the run and inside the frame, keep their values,
// whether or not the clip holds them.
// Solid spans are stored four at a time, the last four flush with the
// span's end. line0, and line1 when count is 2: the frame rows, each at
// the centre column.
constexpr std::int64_t Margin = 3;

template <class Row>
void DrawRowInView(std::uint32_t* line0, std::uint32_t* line1, int count, const Row& row,
                   const std::uint16_t* alphas, const Blender& blend)
{
    const std::uint32_t src = blend.src;
    // Four lanes loaded from ones + 8 - L have lanes [0, L) set, from
    // ones + L lanes [4 - L, 4), for L = 0 to 4.
    static const std::uint16_t ones[12] = {0, 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    const auto blendAt = [&](std::uint32_t* p, __m128i a4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), blend(d, a4));
    };
    const auto fillSpan = [&](std::uint32_t* p, std::int64_t n) {
        if (n < 4) {
            for (std::int64_t t = 0; t < n; ++t) {
                p[t] = src;
            }
            return;
        }
        const __m128i fill = _mm_set1_epi32(static_cast<int>(src));
        for (std::int64_t t = 0; t + 4 < n; t += 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + t), fill);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + n - 4), fill);
    };
    // Quadrant columns [from, to): line[i] on the right, line[-1 - i] on
    // the left. Inlined: clang left it out of line in the page's build,
    // loading its captures at every call (the pass 7 % slower).
    const auto partial = [&](std::int64_t from, std::int64_t to, const std::uint16_t* alpha)
        __attribute__((always_inline))
    {
        const std::int64_t n = to - from;
        if (n == 1 && count == 2) {
            std::uint32_t* const p[4] = {line0 + from, line0 - 1 - from, line1 + from,
                                         line1 - 1 - from};
            blend.Four(p, alpha[0]);
            return;
        }
        for (std::int64_t c = 0; c < n; c += 4) {
            const std::int64_t lanes = std::min<std::int64_t>(n - c, 4);
            const __m128i right = _mm_and_si128(Alphas4(alpha + c), Alphas4(ones + 8 - lanes));
            // Left: pixels -from-c-4 .. -from-c-1 hold quadrant columns
            // from+c+3 down to from+c.
            const __m128i left =
                _mm_and_si128(Alphas4Reversed(alpha + c + 3), Alphas4(ones + lanes));
            blendAt(line0 + from + c, right);
            blendAt(line0 - from - c - 4, left);
            if (count == 2) {
                blendAt(line1 + from + c, right);
                blendAt(line1 - from - c - 4, left);
            }
        }
    };
    const std::uint16_t* const a = alphas + row.alphaAt;
    if (row.holeEnd < row.solidFrom) {
        partial(row.holeEnd, row.solidFrom, a);
    }
    const std::int64_t solid = row.solidEnd - row.solidFrom;
    if (solid > 0) {
        fillSpan(line0 + row.solidFrom, solid);
        fillSpan(line0 - row.solidEnd, solid);
        if (count == 2) {
            fillSpan(line1 + row.solidFrom, solid);
            fillSpan(line1 - row.solidEnd, solid);
        }
    }
    if (row.solidEnd < row.end) {
        partial(row.solidEnd, row.end, a + (row.solidFrom - row.holeEnd));
    }
}
#endif

} // namespace

void DrawRing(const PixelFrame& frame, PixelRect clip, double cx, double cy, const RingShape& shape,
              std::uint32_t rgb)
{
    // A nearer centre and the ring's square around it fit int; a ring
    // beyond could reach only the last pixels of a frame over 2^31 - 1500
    // pixels wide or high.
    constexpr double Far = std::numeric_limits<int>::max() - 2 * RingShape::MaxRadius;
    if (!(std::fabs(cx) < Far && std::fabs(cy) < Far)) {
        return;
    }
    // The centre corner: pixel column x0 is the first right of it, row y0
    // the first below it. Quadrant pixel (i, j) is frame pixel (x0 + i,
    // y0 + j) and its mirror images (x0 - 1 - i, ...), in the ring's square.
    const auto x0 = static_cast<std::int64_t>(std::floor(cx + 0.5));
    const auto y0 = static_cast<std::int64_t>(std::floor(cy + 0.5));
    const std::vector<RingShape::Row>& rows = shape.rows_;
    const auto n = static_cast<std::int64_t>(rows.size());
    const PixelRect square{static_cast<int>(x0 - n), static_cast<int>(y0 - n),
                           static_cast<int>(x0 + n), static_cast<int>(y0 + n)};
    const PixelRect view{0, 0, frame.width, frame.height};
    clip = Intersect(Intersect(clip, view), square);
    if (clip.Empty()) {
        return;
    }
    // Whether the whole ring lies inside the clip, as most do: then every
    // row has all four of its mirror images in view.
    const bool whole = clip == square;
    const std::uint32_t src = 0xFF000000u | rgb;
    const Blender blend(src);
    ClearUpperHalves();
    // Quadrant rows visible below the centre (y0 + j in the clip) or above
    // it (y0 - 1 - j in the clip).
    const Span lines = Visible(clip.top - y0, clip.bottom - y0, y0 - clip.bottom, y0 - clip.top);
    const std::int64_t jEnd = std::min(n, lines.to);
    const std::uint16_t* const alphas = shape.alphas_.data() + RingShape::Spare;
    for (std::int64_t j = lines.from; j < jEnd; ++j) {
        const RingShape::Row& row = rows[static_cast<std::size_t>(j)];
        std::uint32_t* rowsAt[2];
        int count = 0;
        if (y0 + j >= clip.top && y0 + j < clip.bottom) {
            rowsAt[count++] = frame.pixels + (y0 + j) * frame.stride;
        }
        if (y0 - 1 - j >= clip.top && y0 - 1 - j < clip.bottom) {
            rowsAt[count++] = frame.pixels + (y0 - 1 - j) * frame.stride;
        }
        if (count == 0) {
            continue;
        }
#if defined(__SSE2__)
        if (x0 - row.end >= clip.left && x0 + row.end <= clip.right &&
            x0 - row.end - Margin >= view.left && x0 + row.end + Margin <= view.right) {
            DrawRowInView(rowsAt[0] + x0, rowsAt[count - 1] + x0, count, row, alphas, blend);
            continue;
        }
#endif
        // Quadrant columns [from, to) with alpha[i - from] for column i.
        // Inlined: left out of line by the compiler, it made the whole pass
        // 5 % more instructions (callgrind, DrawPass/1000).
        const auto partial = [&](std::int64_t from, std::int64_t to, const std::uint16_t* alpha)
            __attribute__((always_inline))
        {
            if (from >= to) {
                return;
            }
            const bool four =
                whole || (count == 2 && x0 - to >= clip.left && x0 + to <= clip.right &&
                          x0 - 1 - from < clip.right && x0 + from >= clip.left);
            if (four && to - from == 1) {
                // Most runs are a pixel or two: the four mirror images of
                // one pixel in one blend.
                std::uint32_t* const p[4] = {rowsAt[0] + x0 + from, rowsAt[0] + x0 - 1 - from,
                                             rowsAt[1] + x0 + from, rowsAt[1] + x0 - 1 - from};
                blend.Four(p, alpha[0]);
                return;
            }
            // Frame columns of the run on the right, x0 + [from, to), and on
            // the left, x0 - 1 - [from, to), cut to the clip.
            const std::int64_t rFrom = std::max<std::int64_t>(x0 + from, clip.left);
            const std::int64_t rTo = std::min<std::int64_t>(x0 + to, clip.right);
            const std::int64_t lFrom = std::max<std::int64_t>(x0 - to, clip.left);
            const std::int64_t lTo = std::min<std::int64_t>(x0 - from, clip.right);
            for (int k = 0; k < count; ++k) {
                std::uint32_t* line = rowsAt[k];
                if (rFrom < rTo) {
                    BlendShapeRun<1>(line + rFrom, alpha + (rFrom - x0 - from), rTo - rFrom, src);
                }
                if (lFrom < lTo) {
                    // Frame column c is quadrant column x0 - 1 - c.
                    BlendShapeRun<-1>(line + lFrom, alpha + (x0 - 1 - lFrom - from), lTo - lFrom,
                                      src);
                }
            }
        };
        const std::uint16_t* const first = alphas + row.alphaAt;
        partial(row.holeEnd, row.solidFrom, first);
        if (row.solidFrom < row.solidEnd) {
            const std::int64_t rFrom = std::max<std::int64_t>(x0 + row.solidFrom, clip.left);
            const std::int64_t rTo = std::min<std::int64_t>(x0 + row.solidEnd, clip.right);
            const std::int64_t lFrom = std::max<std::int64_t>(x0 - row.solidEnd, clip.left);
            const std::int64_t lTo = std::min<std::int64_t>(x0 - row.solidFrom, clip.right);
            for (int k = 0; k < count; ++k) {
                if (rFrom < rTo) {
                    std::fill(rowsAt[k] + rFrom, rowsAt[k] + rTo, src);
                }
                if (lFrom < lTo) {
                    std::fill(rowsAt[k] + lFrom, rowsAt[k] + lTo, src);
                }
            }
        }
        partial(row.solidEnd, row.end, first + (row.solidFrom - row.holeEnd));
    }
}
