// SPDX-License-Identifier: MIT
// A uniform grid over the ball centres, for the tick's pair pass: it names,
// in slot order, the balls that can overlap a given ball, so that the pass
// tests only those. It holds no positions of its own, only which cell each
// slot is filed in, and lives in fixed arrays so a tick allocates nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

// Why a ball outside the cells Around() names for ball i cannot overlap i.
//
// The pair test is d2 < s*s with dx = X(i) - X(j) and dy = Y(i) - Y(j)
// rounded to doubles, d2 = dx*dx + dy*dy, and s the radius sum rounded to a
// float. Rounding to nearest is monotone, so:
// - d2 >= dx*dx as computed (adding a non-negative square and rounding
//   cannot go below a representable value), and |dx| >= |s| gives
//   dx*dx >= s*s as computed. So a pair that overlaps has |dx| < |s| and,
//   likewise, |dy| < |s|. Since s is representable, the exact differences
//   of the stored floats are below |s| too. A NaN anywhere makes the test
//   false; an infinite coordinate gives d2 = inf or NaN, which never tests
//   less, and no pair overlaps a ball with a NaN radius.
// - |s| <= (|r(i)| + |r(j)|) * (1 + 2^-22): two monotone roundings of the
//   exact sum. With R the largest |radius| among the live balls, ball j
//   lies within Reach(i) = (|r(i)| + R) * (1 + 2^-22) of i on both axes.
// - Cells are at least R + 1 wide (world units). The cell coordinate of x
//   is t = (x - origin) * (1 / width), three roundings: relative error
//   below 2^-51. The column of x is floor(t) clamped to the grid: monotone
//   in t, NaN filed in column 0. Around() takes the columns from
//   t(X(i)) - Reach(i) / width - 2^-20 to t(X(i)) + Reach(i) / width +
//   2^-20 (Reach / width is at most about 2 cells). Where the clamp decides,
//   both ends and ball j clamp alike; elsewhere t is within a few cells of
//   the grid (at most MaxCells), where every rounding error is below 2^-39
//   cells, far less than the 2^-20 slack. Rows likewise.
// So the cells Around(i) hold every ball that can overlap i, wherever the
// balls are, however far outside the grid. (If r(i) is NaN, Around names
// cell 0 alone, and rightly: nothing overlaps i.)
template <int Slots> class PairGrid {
public:
    // 64-bit words of a slot set.
    static constexpr int SetWords = (Slots + 63) / 64;
    // Bounds the grid's memory, 128 bytes a cell. A full table settled in
    // the start-up window spans about 16 x 40 cells of the largest radius.
    static constexpr int MaxCells = 1024;
    using SlotSet = std::array<std::uint64_t, SetWords>;

    // A ball's place in cell units, before clamping to the grid.
    struct Spot {
        double X;
        double Y;
    };
    // Inclusive ranges of columns and rows.
    struct Rect {
        int C0, C1, R0, R1;
    };

    // Counts of the last tick run through the grid, for measurements.
    struct Counts {
        int Tests = 0;   // pair tests made
        int Pushes = 0;  // of which overlapped
        int Gathers = 0; // candidate sets gathered, or grown after a move
    };

    // Lays the grid over slots 0..n as they stand and files every slot.
    // Returns false, leaving the grid unusable, when it cannot beat testing
    // every pair: no finite reach, or a grid of a single cell.
    bool Build(const float* x, const float* y, const float* radius, int n)
    {
        float maxR = 0.0f;
        double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
        bool anyX = false, anyY = false;
        for (int i = 0; i <= n; ++i) {
            const float r = std::fabs(radius[i]);
            if (r > maxR) { // NaN radii overlap nothing: left out
                maxR = r;
            }
            Widen(x[i], minX, maxX, anyX);
            Widen(y[i], minY, maxY, anyY);
        }
        // An infinite radius overlaps every finite ball; an absurd one
        // would make cells so wide that the grid could not help.
        if (!(maxR <= MaxReachRadius)) {
            return false;
        }
        maxR_ = maxR;
        const double width = CellsPerRadius * (maxR + 1.0);
        inverse_ = 1.0 / width;
        cols_ = Span(maxX - minX, width, MaxCells);
        rows_ = Span(maxY - minY, width, MaxCells / cols_);
        if (cols_ * rows_ == 1) {
            return false;
        }
        // When the span is cut short, the grid covers the bottom and right
        // of the balls, where the pile rests; the rest clamps to the edge.
        originX_ = std::max(minX, maxX - cols_ * width);
        originY_ = std::max(minY, maxY - rows_ * width);
        words_ = (n + 64) / 64;
        for (int c = 0; c < cols_ * rows_; ++c) {
            std::fill_n(cells_[c].begin(), words_, 0);
        }
        for (int i = 0; i <= n; ++i) {
            const int c = CellOf(Locate(x[i], y[i]));
            cellOf_[i] = static_cast<std::int16_t>(c);
            cells_[c][i >> 6] |= Bit(i);
        }
        return true;
    }

    int Words() const { return words_; }

    Spot Locate(float x, float y) const
    {
        return {(static_cast<double>(x) - originX_) * inverse_,
                (static_cast<double>(y) - originY_) * inverse_};
    }

    int CellOf(Spot p) const { return Index(p.Y, rows_) * cols_ + Index(p.X, cols_); }

    // Files a slot in the cell of its new place p.
    void Refile(int slot, Spot p)
    {
        const int c = CellOf(p);
        const int old = cellOf_[slot];
        if (c != old) {
            cells_[old][slot >> 6] &= ~Bit(slot);
            cells_[c][slot >> 6] |= Bit(slot);
            cellOf_[slot] = static_cast<std::int16_t>(c);
        }
    }

    // Reach(i) in cell units plus the slack, for a ball of this radius.
    double ReachOf(float radius) const
    {
        return (std::fabs(static_cast<double>(radius)) + maxR_) * (1.0 + 0x1p-22) * inverse_ +
               0x1p-20;
    }

    // The cells that hold every ball that can overlap a ball at p.
    Rect Around(Spot p, double reach) const
    {
        return {Index(p.X - reach, cols_), Index(p.X + reach, cols_), Index(p.Y - reach, rows_),
                Index(p.Y + reach, rows_)};
    }

    // The places p for which Around(p, reach) lies within r: a quick test
    // after a ball moved, which may answer no for a NaN place, never yes
    // wrongly. An edge of r on the edge of the grid holds whatever clamps
    // to it; any other edge holds the values that Index maps inside it.
    struct Room {
        double XLo, XHi, YLo, YHi;
        bool Holds(Spot p, double reach) const
        {
            return (p.X - reach >= XLo) & (p.X + reach < XHi) & (p.Y - reach >= YLo) &
                   (p.Y + reach < YHi);
        }
    };
    Room RoomOf(const Rect& r) const
    {
        constexpr double inf = std::numeric_limits<double>::infinity();
        return {r.C0 == 0 ? -inf : r.C0, r.C1 == cols_ - 1 ? inf : r.C1 + 1.0,
                r.R0 == 0 ? -inf : r.R0, r.R1 == rows_ - 1 ? inf : r.R1 + 1.0};
    }

    // Sets out, words fromWord on, to the slots filed in the cells of r.
    void Gather(const Rect& r, int fromWord, SlotSet& out) const
    {
        for (int w = fromWord; w < words_; ++w) {
            out[w] = 0;
        }
        for (int row = r.R0; row <= r.R1; ++row) {
            for (int c = row * cols_ + r.C0; c <= row * cols_ + r.C1; ++c) {
                OrCell(c, fromWord, out);
            }
        }
    }

    // Adds to out, words fromWord on, the slots filed in the cells of grown
    // that are not in had (which grown holds).
    void GatherMore(const Rect& had, const Rect& grown, int fromWord, SlotSet& out) const
    {
        for (int row = grown.R0; row <= grown.R1; ++row) {
            const bool oldRow = row >= had.R0 && row <= had.R1;
            for (int col = grown.C0; col <= grown.C1; ++col) {
                if (oldRow && col >= had.C0 && col <= had.C1) {
                    col = had.C1;
                    continue;
                }
                OrCell(row * cols_ + col, fromWord, out);
            }
        }
    }

    Counts& LastTick() { return counts_; }
    const Counts& LastTick() const { return counts_; }

    static constexpr std::uint64_t Bit(int slot) { return std::uint64_t{1} << (slot & 63); }

private:
    // Radii (world units) above which the grid is not used.
    static constexpr float MaxReachRadius = 1.0e15f;
    // Cell width in largest radii (at least 1, see above): a ball's reach
    // then spans two to five cells a side.
    static constexpr double CellsPerRadius = 1.0;

    void OrCell(int c, int fromWord, SlotSet& out) const
    {
        const std::uint64_t* cell = cells_[c].data();
        for (int w = fromWord; w < words_; ++w) {
            out[w] |= cell[w];
        }
    }

    static void Widen(float v, double& lo, double& hi, bool& any)
    {
        if (!std::isfinite(v)) {
            return;
        }
        if (!any) {
            lo = hi = v;
            any = true;
        }
        lo = std::min(lo, static_cast<double>(v));
        hi = std::max(hi, static_cast<double>(v));
    }

    // Cells needed to cover extent (world units), at most cap.
    static int Span(double extent, double width, int cap)
    {
        const double cells = std::floor(extent / width) + 1.0;
        return cells < cap ? static_cast<int>(cells) : cap;
    }

    // floor(t) clamped to [0, count - 1]; NaN goes to 0.
    static int Index(double t, int count)
    {
        if (!(t >= 1.0)) {
            return 0;
        }
        if (t >= count) {
            return count - 1;
        }
        return static_cast<int>(t);
    }

    std::array<SlotSet, MaxCells> cells_{};
    std::array<std::int16_t, Slots> cellOf_{};
    double originX_ = 0.0;
    double originY_ = 0.0;
    double inverse_ = 1.0;
    double maxR_ = 0.0;
    int cols_ = 1;
    int rows_ = 1;
    int words_ = 1;
    Counts counts_;
};
