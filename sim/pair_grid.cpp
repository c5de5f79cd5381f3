// SPDX-License-Identifier: MIT
// The grid tick's broad phase: laying the grid, gathering a pass's
// candidates in slot order, refiling the balls that moved.
#include "pair_grid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

void Widen(float v, double& lo, double& hi, bool& any)
{
    if (std::isfinite(v)) {
        lo = any ? std::min(lo, static_cast<double>(v)) : v;
        hi = any ? std::max(hi, static_cast<double>(v)) : v;
        any = true;
    }
}

// Cells needed to cover extent (world units), at most cap.
int Span(double extent, double width, int cap)
{
    const double cells = std::floor(extent / width) + 1.0;
    return cells < cap ? static_cast<int>(cells) : cap;
}

constexpr std::uint64_t Bit(int slot)
{
    return std::uint64_t{1} << (slot & 63);
}

} // namespace

bool PairGrid::Build(const BallTable& t)
{
    const int n = t.BallCount;
    float maxR = 0.0f;
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    bool anyX = false, anyY = false;
    for (int i = 0; i <= n; ++i) {
        const float r = std::fabs(t.BallRadius[i]);
        if (r > maxR) { // NaN radii overlap nothing: left out
            maxR = r;
        }
        Widen(t.BallX[i], minX, maxX, anyX);
        Widen(t.BallY[i], minY, maxY, anyY);
    }
    if (!(maxR <= MaxReachRadius)) {
        return false;
    }
    maxR_ = maxR;
    const double width = maxR + 1.0;
    inverse_ = 1.0 / width;
    cols_ = Span(maxX - minX, width, MaxCells);
    rows_ = Span(maxY - minY, width, MaxCells / cols_);
    if (cols_ * rows_ == 1) {
        return false;
    }
    // When the span is cut short, the grid covers the bottom and right of
    // the balls, where the pile rests; the rest clamps to the edge.
    originX_ = std::max(minX, maxX - cols_ * width);
    originY_ = std::max(minY, maxY - rows_ * width);
    words_ = (n + 64) / 64;
    for (int c = 0; c < cols_ * rows_; ++c) {
        cells_[c] = {};
    }
    for (int i = 0; i <= n; ++i) {
        const int c = CellOf(Locate(t.BallX[i], t.BallY[i]));
        cellOf_[i] = static_cast<std::int16_t>(c);
        cells_[c][i >> 6] |= Bit(i);
    }
    gathers_ = 0;
    return true;
}

int PairGrid::Index(double t, int count)
{
    if (!(t >= 1.0)) {
        return 0;
    }
    if (t >= count) {
        return count - 1;
    }
    return static_cast<int>(t);
}

int PairGrid::CellOf(Spot p) const
{
    return Index(p.Y, rows_) * cols_ + Index(p.X, cols_);
}

PairGrid::Rect PairGrid::Around(Spot p) const
{
    return {Index(p.X - reach_, cols_), Index(p.X + reach_, cols_), Index(p.Y - reach_, rows_),
            Index(p.Y + reach_, rows_)};
}

PairGrid::Cursor PairGrid::Begin(const BallTable& t, int i)
{
    i_ = i;
    // Reach(i) in cell units, plus the slack.
    reach_ =
        (std::fabs(static_cast<double>(t.BallRadius[i])) + maxR_) * (1.0 + 0x1p-22) * inverse_ +
        0x1p-20;
    pushes_ = 0;
    return Gather(Around(Locate(t.BallX[i], t.BallY[i])));
}

void PairGrid::End(const BallTable& t)
{
    Refile(i_, Locate(t.BallX[i_], t.BallY[i_]));
    for (int k = 0; k < pushes_; ++k) {
        const int j = pushed_[k];
        Refile(j, Locate(t.BallX[j], t.BallY[j]));
    }
}

void PairGrid::SetRoom(const Rect& r)
{
    have_ = r;
    // An edge of r on the edge of the grid holds whatever clamps to it; any
    // other edge holds the places that Index maps inside it.
    constexpr double inf = std::numeric_limits<double>::infinity();
    roomX0_ = r.C0 == 0 ? -inf : r.C0;
    roomX1_ = r.C1 == cols_ - 1 ? inf : r.C1 + 1.0;
    roomY0_ = r.R0 == 0 ? -inf : r.R0;
    roomY1_ = r.R1 == rows_ - 1 ? inf : r.R1 + 1.0;
}

void PairGrid::OrCell(int c, int fromWord)
{
    const std::uint64_t* cell = cells_[c].data();
    for (int w = fromWord; w < words_; ++w) {
        set_[w] |= cell[w];
    }
}

PairGrid::Cursor PairGrid::Gather(const Rect& r)
{
    ++gathers_;
    SetRoom(r);
    // All SetWords words of every cell, a fixed run the compiler keeps in
    // registers: the words past the live slots are zero.
    SlotSet acc{};
    for (int row = r.R0; row <= r.R1; ++row) {
        for (int c = row * cols_ + r.C0; c <= row * cols_ + r.C1; ++c) {
            const SlotSet& cell = cells_[c];
            for (int w = 0; w < SetWords; ++w) {
                acc[w] |= cell[w];
            }
        }
    }
    acc[i_ >> 6] &= ~Bit(i_);
    std::copy(acc.begin(), acc.end(), set_.begin());
    return Walk(0, set_[0]);
}

PairGrid::Cursor PairGrid::Walk(int from, std::uint64_t bits) const
{
    std::uint32_t more = 0;
    for (int w = from + 1; w < words_; ++w) {
        more |= static_cast<std::uint32_t>(set_[w] != 0) << w;
    }
    return {bits, from, more};
}

PairGrid::Cursor PairGrid::Grow(const Rect& need, int after)
{
    ++gathers_;
    // The union of the cells gathered and the cells needed now, so that a
    // ball rocking to and fro does not gather the same cells again.
    const Rect had = have_;
    const Rect grown{std::min(had.C0, need.C0), std::max(had.C1, need.C1),
                     std::min(had.R0, need.R0), std::max(had.R1, need.R1)};
    SetRoom(grown);
    // Only the words of slots after `after`: the ones before have had
    // their test.
    const int from = (after + 1) >> 6;
    for (int row = grown.R0; row <= grown.R1; ++row) {
        const bool oldRow = row >= had.R0 && row <= had.R1;
        for (int col = grown.C0; col <= grown.C1; ++col) {
            if (oldRow && col >= had.C0 && col <= had.C1) {
                col = had.C1;
                continue;
            }
            OrCell(row * cols_ + col, from);
        }
    }
    if ((i_ >> 6) >= from) {
        set_[i_ >> 6] &= ~Bit(i_);
    }
    return Walk(from, from < words_ ? set_[from] & (~std::uint64_t{0} << ((after + 1) & 63)) : 0);
}

void PairGrid::Refile(int slot, Spot p)
{
    const int c = CellOf(p);
    const int old = cellOf_[slot];
    if (c != old) {
        cells_[old][slot >> 6] &= ~Bit(slot);
        cells_[c][slot >> 6] |= Bit(slot);
        cellOf_[slot] = static_cast<std::int16_t>(c);
    }
}
