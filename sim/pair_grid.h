// SPDX-License-Identifier: MIT
// The broad phase of the grid tick: a uniform grid over the ball centres that
// hands a ball's pair pass, in ascending slot order, the balls that can
// overlap it. Private to the tick; it lives in fixed arrays, so a tick
// allocates nothing.
#pragma once

#include "ball_table.h"

#include <array>
#include <bit>
#include <cassert>
#include <cstdint>

// Why a ball the grid does not hand to ball i's pass cannot overlap i.
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
// - Cells are R + 1 wide (world units). The cell coordinate of x is
//   t = (x - origin) * (1 / width), three roundings: relative error below
//   2^-51. The column of x is floor(t) clamped to the grid: monotone in t,
//   NaN filed in column 0. The pass takes the columns from
//   t(X(i)) - Reach(i) / width - 2^-20 to t(X(i)) + Reach(i) / width +
//   2^-20 (Reach / width is at most about 2 cells, so a pass ORs at most
//   about 25 cells).
//   Where the clamp decides, both ends and ball j clamp alike; elsewhere t
//   is within a few cells of the grid (at most MaxCells), where every
//   rounding error is below 2^-39 cells, far less than the 2^-20 slack.
//   Rows likewise.
// So the cells around i hold every ball that can overlap i, wherever the
// balls are, however far outside the grid. (If r(i) is NaN, the pass takes
// cell 0 alone, and rightly: nothing overlaps i.)
//
// Within i's pass only i and the balls it pushes move, and a ball it pushes
// has had its test: the balls still to test stay where the grid filed them
// and where their copies in the candidate list say. So the list gathered
// around i holds every ball left that can overlap i until i moves out of
// reach of its cells; then it is gathered again around i's new place, for
// the slots after the one just tested. i and the balls it pushed are
// refiled when its pass ends: until then nothing asks where they are filed,
// since i is left out of its own list and a pushed ball has had its test.
class PairGrid {
public:
    static constexpr int Slots = MaxSlot + 1;

    // Lays the grid over slots 0..BallCount as they stand and files every
    // slot. Returns false, leaving the grid unusable, when it cannot beat
    // testing every pair: no finite reach, or a grid of a single cell.
    bool Build(const BallTable& t);

    // Where a pass stands in its candidates: Bits what is left of set_'s
    // word Word, More the later words that hold any, one bit each. A plain
    // value, so that the pass keeps it in registers.
    struct Cursor {
        std::uint64_t Bits;
        int Word;
        std::uint32_t More;
    };

    // Starts the pass of ball i, standing where the table has it now.
    Cursor Begin(const BallTable& t, int i);
    // Whether the pass has a candidate left.
    static bool Any(const Cursor& c) { return (c.Bits | c.More) != 0; }
    // The next candidate of the pass, in ascending slot order; Any(c) must
    // hold.
    int Take(Cursor& c) const
    {
        assert(Any(c));
        if (c.Bits == 0) {
            c.Word = std::countr_zero(c.More);
            c.More &= c.More - 1;
            c.Bits = set_[c.Word];
        }
        const int j = (c.Word << 6) | std::countr_zero(c.Bits);
        c.Bits &= c.Bits - 1;
        return j;
    }
    // The candidate just taken, j, was pushed, and ball i with it, to (xi,
    // yi), the floats stored. Returns whether the pass can go on from the
    // cells gathered; if not, Regather must be called first. No call in
    // here, so that the pass keeps its values in registers.
    bool Pushed(int j, double xi, double yi)
    {
        pushed_[pushes_++] = static_cast<std::int16_t>(j);
        return InRoom(Locate(xi, yi));
    }
    // Ball i, pushed by j to (xi, yi), left the reach of the cells
    // gathered: the pass goes on after j from the cells around its new place.
    void Regather(int j, double xi, double yi, Cursor& c) { c = Grow(Around(Locate(xi, yi)), j); }
    // Ends the pass: files i and the balls it pushed where they stand now.
    void End(const BallTable& t);

    // Candidate sets gathered since Build: one per pass, one more each time
    // a push carried a ball out of reach of its cells.
    int Gathers() const { return gathers_; }

private:
    static constexpr int SetWords = (Slots + 63) / 64;
    using SlotSet = std::array<std::uint64_t, SetWords>;
    static_assert(SetWords < 32, "Cursor::More holds a bit per word");
    // Bounds the grid's memory, 128 bytes a cell. A full table settled in
    // the start-up window spans about 15 x 9 cells of the largest radius.
    static constexpr int MaxCells = 1024;
    // Radii (world units) above which the grid is not used: an infinite
    // radius overlaps every finite ball, and an absurd one would make cells
    // so wide that the grid could not help.
    static constexpr float MaxReachRadius = 1.0e15f;

    // A ball's place in cell units, before clamping to the grid.
    struct Spot {
        double X;
        double Y;
    };
    // Inclusive ranges of columns and rows.
    struct Rect {
        int C0, C1, R0, R1;
    };

    Spot Locate(double x, double y) const
    {
        return {(static_cast<double>(x) - originX_) * inverse_,
                (static_cast<double>(y) - originY_) * inverse_};
    }
    // Whether Around(p) stays within the cells gathered: may answer no for
    // a NaN place, never yes wrongly.
    bool InRoom(Spot p) const
    {
        return (p.X - reach_ >= roomX0_) & (p.X + reach_ < roomX1_) & (p.Y - reach_ >= roomY0_) &
               (p.Y + reach_ < roomY1_);
    }
    int CellOf(Spot p) const;
    Rect Around(Spot p) const;
    // Sets the candidates to the balls filed in the cells of r, leaving out
    // the ball of the pass.
    Cursor Gather(const Rect& r);
    // Adds the cells of need not gathered yet, for the slots after `after`.
    Cursor Grow(const Rect& need, int after);
    void SetRoom(const Rect& r);
    // A walk of set_ from word `from` on, with the candidates `bits` there.
    Cursor Walk(int from, std::uint64_t bits) const;
    void OrCell(int c, int fromWord);
    void Refile(int slot, Spot p);
    // floor(t) clamped to [0, count - 1]; NaN goes to 0.
    static int Index(double t, int count);

    // The slots filed in each cell, all SetWords words kept (zero past the
    // live slots) so that ORing a cell is one fixed run of words.
    std::array<SlotSet, MaxCells> cells_{};
    std::array<std::int16_t, Slots> cellOf_{};
    double originX_ = 0.0;
    double originY_ = 0.0;
    double inverse_ = 1.0;
    double maxR_ = 0.0;
    int cols_ = 1;
    int rows_ = 1;
    int words_ = 1;

    // The pass under way: ball i, its reach in cells, the cells gathered
    // (as the places that keep Around within them), and the candidates not
    // gathered: set_, of which the pass's Cursor tells what is left.
    int i_ = 0;
    double reach_ = 0.0;
    Rect have_{};
    double roomX0_ = 0.0, roomX1_ = 0.0, roomY0_ = 0.0, roomY1_ = 0.0;
    SlotSet set_{};
    // Balls pushed in the pass, to refile at its end.
    std::array<std::int16_t, Slots> pushed_{};
    int pushes_ = 0;
    int gathers_ = 0;
};
