// SPDX-License-Identifier: MIT
// The ring rasterizer: exact areas of a disc over the pixel grid, from one
// table per disc, and the scanline loop that stores and blends them.
#include "ring_raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Larger rings are drawn from areas computed pixel by pixel instead of
// from a table; 2 x 2049 doubles (32 KB) of stack at most.
constexpr std::int64_t TableRows = 2048;
// Beyond this outer radius (device pixels) a ring is not drawn: areas of
// whole pixels are differences of numbers near R^2, and doubles keep them
// to 1 / 65536 only while R^2 stays well below 2^36.
constexpr double MaxRadius = 1 << 20;

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
// R^2 asin(x / R)) / 2. So one table of F at whole pixels serves every pixel.
class Disc {
public:
    Disc(double radius, double* table) : r_(radius), r2_(radius * radius)
    {
        n_ = static_cast<std::int64_t>(std::ceil(radius));
        quarter_ = r2_ * (std::numbers::pi / 4);
        if (n_ <= TableRows && table) {
            table_ = table;
            for (std::int64_t k = 0; k <= n_; ++k) {
                table_[k] = Under(k);
            }
        }
    }

    std::int64_t Rows() const { return n_; }

    // Whether the point (a, b) lies inside the disc or on its circle.
    bool Inside(std::int64_t a, std::int64_t b) const
    {
        const double da = static_cast<double>(a);
        const double db = static_cast<double>(b);
        return da * da + db * db <= r2_;
    }

    double G(std::int64_t a, std::int64_t b) const
    {
        if (Inside(a, b)) {
            return static_cast<double>(a) * static_cast<double>(b);
        }
        return F(a) + F(b) - quarter_;
    }

    // Pixels of row j (the band [j, j + 1]) lying wholly inside the disc:
    // those left of the first whose outer corner (i + 1, j + 1) is outside.
    std::int64_t Full(std::int64_t j) const
    {
        return std::max<std::int64_t>(FirstOutside(j + 1) - 1, 0);
    }
    // First pixel of row j lying wholly outside the disc: the first whose
    // inner corner (i, j) is outside or on the circle (a pixel touching the
    // circle at one corner only holds none of the disc).
    std::int64_t Touched(std::int64_t j) const
    {
        if (static_cast<double>(j) >= r_) {
            return 0;
        }
        const double rest = r2_ - static_cast<double>(j) * static_cast<double>(j);
        auto i = static_cast<std::int64_t>(std::ceil(std::sqrt(rest)));
        // sqrt is rounded: step to the exact answer of the test itself.
        while (i > 0 && !InsideStrict(i - 1, j)) {
            --i;
        }
        while (InsideStrict(i, j)) {
            ++i;
        }
        return i;
    }

private:
    bool InsideStrict(std::int64_t a, std::int64_t b) const
    {
        const double da = static_cast<double>(a);
        const double db = static_cast<double>(b);
        return da * da + db * db < r2_;
    }

    // First whole x >= 0 with (x, y) outside the disc, y a whole number.
    std::int64_t FirstOutside(std::int64_t y) const
    {
        if (!Inside(0, y)) {
            return 0;
        }
        const double rest = r2_ - static_cast<double>(y) * static_cast<double>(y);
        auto x = static_cast<std::int64_t>(std::floor(std::sqrt(rest))) + 1;
        while (x > 0 && !Inside(x - 1, y)) {
            --x;
        }
        while (Inside(x, y)) {
            ++x;
        }
        return x;
    }

    // F(min(k, R)).
    double Under(std::int64_t k) const
    {
        const double x = static_cast<double>(k);
        if (x >= r_) {
            return quarter_;
        }
        return 0.5 * (x * std::sqrt(r2_ - x * x) + r2_ * std::asin(x / r_));
    }

    double F(std::int64_t k) const
    {
        if (table_) {
            return table_[std::min(k, n_)];
        }
        return Under(k);
    }

    double r_;
    double r2_;
    double quarter_ = 0;
    std::int64_t n_ = 0;
    double* table_ = nullptr;
};

// Channels of a pixel moved towards src by alpha / 65536, rounded to
// nearest (halves up).
inline std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, std::int32_t alpha)
{
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const auto d = static_cast<std::int32_t>((dst >> shift) & 0xFF);
        const auto s = static_cast<std::int32_t>((src >> shift) & 0xFF);
        const std::int32_t c = d + (((s - d) * alpha + 32768) >> 16);
        out |= static_cast<std::uint32_t>(c) << shift;
    }
    return out;
}

// Area in [0, 1] as a 16-bit fraction, 0 to 65536.
inline std::int32_t Alpha(double area)
{
    const double a = std::floor(area * 65536.0 + 0.5);
    return static_cast<std::int32_t>(std::clamp(a, 0.0, 65536.0));
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

PixelRect Intersect(PixelRect rect, PixelRect within)
{
    PixelRect r{std::max(rect.left, within.left), std::max(rect.top, within.top),
                std::min(rect.right, within.right), std::min(rect.bottom, within.bottom)};
    if (r.Empty()) {
        return {};
    }
    return r;
}

void FillRect(const PixelFrame& frame, PixelRect clip, std::uint32_t rgb)
{
    const PixelRect r = Intersect(clip, {0, 0, frame.width, frame.height});
    const std::uint32_t pixel = 0xFF000000u | rgb;
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* row = frame.pixels + y * frame.stride;
        std::fill(row + r.left, row + r.right, pixel);
    }
}

PixelRect RingBounds(double cx, double cy, double radius, double width, PixelRect within)
{
    const double outer = std::fabs(radius) + std::fabs(width) / 2;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(outer) || outer > MaxRadius ||
        outer == 0) {
        return {};
    }
    const double x = std::floor(cx + 0.5);
    const double y = std::floor(cy + 0.5);
    const double n = std::ceil(outer);
    // Cut in doubles, then convert: every bound lies inside `within`.
    const auto cut = [](double v, int lo, int hi) {
        return static_cast<int>(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi)));
    };
    PixelRect r{cut(x - n, within.left, within.right), cut(y - n, within.top, within.bottom),
                cut(x + n, within.left, within.right), cut(y + n, within.top, within.bottom)};
    if (r.Empty()) {
        return {};
    }
    return r;
}

void DrawRing(const PixelFrame& frame, PixelRect clip, double cx, double cy, double radius,
              double width, std::uint32_t rgb)
{
    clip = Intersect(clip, {0, 0, frame.width, frame.height});
    if (RingBounds(cx, cy, radius, width, clip).Empty()) {
        return;
    }
    radius = std::fabs(radius);
    width = std::fabs(width);
    const double innerRadius = radius - width / 2;
    double outerTable[TableRows + 1];
    double innerTable[TableRows + 1];
    const Disc outer(radius + width / 2, outerTable);
    const Disc inner(innerRadius > 0 ? innerRadius : 0, innerTable);
    const bool hole = innerRadius > 0;

    // The centre corner: pixel column x0 is the first right of it, row y0
    // the first below it. Quadrant pixel (i, j) is frame pixel (x0 + i,
    // y0 + j) and its mirror images (x0 - 1 - i, ...). RingBounds has
    // checked that the ring reaches the clip, so these fit easily.
    const auto x0 = static_cast<std::int64_t>(std::floor(cx + 0.5));
    const auto y0 = static_cast<std::int64_t>(std::floor(cy + 0.5));
    const std::int64_t rows = outer.Rows();
    const std::uint32_t src = 0xFF000000u | rgb;

    // Quadrant columns visible on the right (x0 + i in the clip) or on the
    // left (x0 - 1 - i in the clip), and rows visible below or above.
    const Span columns = Visible(clip.left - x0, clip.right - x0, x0 - clip.right, x0 - clip.left);
    const Span lines = Visible(clip.top - y0, clip.bottom - y0, y0 - clip.bottom, y0 - clip.top);
    const std::int64_t iLo = columns.from;
    const std::int64_t iHi = columns.to;
    const std::int64_t jLo = lines.from;
    const std::int64_t jHi = std::min(rows, lines.to);

    for (std::int64_t j = jLo; j < jHi; ++j) {
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
        // Along the row: the hole [0, holeEnd), partly covered pixels up
        // to solidFrom, solid ones up to solidEnd, partly covered ones up
        // to end.
        const std::int64_t holeEnd = hole ? inner.Full(j) : 0;
        const std::int64_t holeEdge = hole ? inner.Touched(j) : 0;
        const std::int64_t outerFull = outer.Full(j);
        const std::int64_t end = outer.Touched(j);
        std::int64_t solidFrom = holeEdge;
        std::int64_t solidEnd = outerFull;
        if (solidFrom >= solidEnd) {
            solidFrom = solidEnd = end;
        }

        const auto put = [&](std::int64_t i, std::int32_t alpha) {
            for (int k = 0; k < count; ++k) {
                std::uint32_t* line = rowsAt[k];
                const std::int64_t right = x0 + i;
                const std::int64_t left = x0 - 1 - i;
                if (right >= clip.left && right < clip.right) {
                    line[right] = Blend(line[right], src, alpha);
                }
                if (left >= clip.left && left < clip.right) {
                    line[left] = Blend(line[left], src, alpha);
                }
            }
        };
        const auto partial = [&](std::int64_t from, std::int64_t to) {
            from = std::max(from, iLo);
            to = std::min(to, iHi);
            if (from >= to) {
                return;
            }
            // G at the pixel's left corners, carried along the row.
            double oTop = outer.G(from, j);
            double oBottom = outer.G(from, j + 1);
            double hTop = hole ? inner.G(from, j) : 0;
            double hBottom = hole ? inner.G(from, j + 1) : 0;
            for (std::int64_t i = from; i < to; ++i) {
                const double oTop2 = outer.G(i + 1, j);
                const double oBottom2 = outer.G(i + 1, j + 1);
                double area = (oBottom2 - oBottom) - (oTop2 - oTop);
                oTop = oTop2;
                oBottom = oBottom2;
                if (hole) {
                    const double hTop2 = inner.G(i + 1, j);
                    const double hBottom2 = inner.G(i + 1, j + 1);
                    area -= (hBottom2 - hBottom) - (hTop2 - hTop);
                    hTop = hTop2;
                    hBottom = hBottom2;
                }
                const std::int32_t alpha = Alpha(area);
                if (alpha != 0) {
                    put(i, alpha);
                }
            }
        };
        partial(holeEnd, solidFrom);
        // The solid run, on each side cut to the clip.
        if (solidFrom < solidEnd) {
            const std::int64_t rFrom = std::max<std::int64_t>(x0 + solidFrom, clip.left);
            const std::int64_t rTo = std::min<std::int64_t>(x0 + solidEnd, clip.right);
            const std::int64_t lFrom = std::max<std::int64_t>(x0 - solidEnd, clip.left);
            const std::int64_t lTo = std::min<std::int64_t>(x0 - solidFrom, clip.right);
            for (int k = 0; k < count; ++k) {
                if (rFrom < rTo) {
                    std::fill(rowsAt[k] + rFrom, rowsAt[k] + rTo, src);
                }
                if (lFrom < lTo) {
                    std::fill(rowsAt[k] + lFrom, rowsAt[k] + lTo, src);
                }
            }
        }
        partial(solidEnd, end);
    }
}
