// SPDX-License-Identifier: MIT
// Damage of a draw pass: ring lists compared, a tile mask, bands of
// rectangles.
#include "damage.h"

#include <algorithm>
#include <bit>

namespace {

// The first tile at or after `from` in a row of `cols` tiles whose bit is
// `set`, or cols. Bits past the last tile are always clear, so a run of set
// bits ends at the row's end at the latest.
int NextWith(bool set, const std::uint64_t* row, int from, int cols)
{
    const std::uint64_t flip = set ? 0 : ~std::uint64_t{0};
    const int words = (cols + 63) / 64;
    for (int w = from / 64; w < words; ++w) {
        std::uint64_t bits = row[w] ^ flip;
        if (w == from / 64) {
            bits &= ~std::uint64_t{0} << (from % 64);
        }
        if (bits != 0) {
            return std::min(w * 64 + std::countr_zero(bits), cols);
        }
    }
    return cols;
}

} // namespace

void Damage::Begin(int width, int height, bool whole)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != width_ || height != height_ || mask_.empty()) {
        width_ = width;
        height_ = height;
        tile_ = TileSide;
        auto tiles = [&](long long side) {
            return ((width + side - 1) / side) * ((height + side - 1) / side);
        };
        while (tiles(tile_) > MaxTiles) {
            tile_ *= 2;
        }
        cols_ = (width + tile_ - 1) / tile_;
        rows_ = (height + tile_ - 1) / tile_;
        words_ = (cols_ + 63) / 64;
        // At least one word, so that an empty frame is not taken for a
        // first pass again and again.
        mask_.assign(std::max(words_ * rows_, 1), 0);
        // The most rectangles a mask can give: every other tile.
        rects_.reserve(static_cast<std::size_t>(cols_ / 2 + 1) * rows_);
        bands_.reserve(rows_);
        whole = true;
    }
    inPass_ = true;
    wholeWanted_ = whole;
    next_.clear();
}

void Damage::End()
{
    if (!inPass_) {
        return;
    }
    inPass_ = false;
    whole_ = wholeWanted_;
    rects_.clear();
    bands_.clear();
    if (whole_) {
        if (width_ > 0 && height_ > 0) {
            rects_.push_back({0, 0, width_, height_});
            bands_.push_back({0, height_, 0, 1});
        }
    } else {
        // Call k of this pass against call k of the last one.
        const std::size_t both = std::min(last_.size(), next_.size());
        for (std::size_t k = 0; k < both; ++k) {
            if (!(last_[k] == next_[k])) {
                Mark(last_[k].bounds);
                Mark(next_[k].bounds);
            }
        }
        for (std::size_t k = both; k < last_.size(); ++k) {
            Mark(last_[k].bounds);
        }
        for (std::size_t k = both; k < next_.size(); ++k) {
            Mark(next_[k].bounds);
        }
        MakeRects();
    }
    std::swap(last_, next_);
    next_.clear();
}

void Damage::Mark(const PixelRect& bounds)
{
    // Bounds are cut to the frame already; cut again, so that no mark can
    // land outside the mask.
    const PixelRect r = Intersect(bounds, {0, 0, width_, height_});
    if (r.Empty()) {
        return;
    }
    const int tx0 = r.left / tile_;
    const int tx1 = (r.right - 1) / tile_;
    const int ty0 = r.top / tile_;
    const int ty1 = (r.bottom - 1) / tile_;
    for (int ty = ty0; ty <= ty1; ++ty) {
        std::uint64_t* row = &mask_[static_cast<std::size_t>(ty) * words_];
        for (int w = tx0 / 64; w <= tx1 / 64; ++w) {
            const int lo = w == tx0 / 64 ? tx0 % 64 : 0;
            const int hi = w == tx1 / 64 ? tx1 % 64 : 63;
            row[w] |= (~std::uint64_t{0} >> (63 - hi)) & (~std::uint64_t{0} << lo);
        }
    }
}

void Damage::MakeRects()
{
    // Rows of tiles with the same bits form one band.
    int bandStart = -1;
    for (int ty = 0; ty < rows_; ++ty) {
        const std::uint64_t* row = &mask_[static_cast<std::size_t>(ty) * words_];
        const bool empty = std::all_of(row, row + words_, [](std::uint64_t w) { return w == 0; });
        if (bandStart >= 0) {
            const std::uint64_t* band = &mask_[static_cast<std::size_t>(bandStart) * words_];
            if (!empty && std::equal(row, row + words_, band)) {
                continue;
            }
            AddBand(bandStart, ty, band);
            bandStart = -1;
        }
        if (!empty) {
            bandStart = ty;
        }
    }
    if (bandStart >= 0) {
        AddBand(bandStart, rows_, &mask_[static_cast<std::size_t>(bandStart) * words_]);
    }
    std::fill(mask_.begin(), mask_.end(), 0);
}

void Damage::AddBand(int row0, int row1, const std::uint64_t* row)
{
    Band band{row0 * tile_, std::min(row1 * tile_, height_), static_cast<int>(rects_.size()), 0};
    for (int a = NextWith(true, row, 0, cols_); a < cols_;) {
        const int b = NextWith(false, row, a, cols_);
        rects_.push_back({a * tile_, band.top, std::min(b * tile_, width_), band.bottom});
        a = NextWith(true, row, b, cols_);
    }
    band.last = static_cast<int>(rects_.size());
    bands_.push_back(band);
}
