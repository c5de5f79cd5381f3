// SPDX-License-Identifier: MIT
// libFuzzer target over the simulation: the input bytes are a script of
// presses, resizes and ticks, played on two tables at once, one stepped by
// MoveBalls (or the grid tick with its quick pushes, whatever the table's
// size) and one by the plain reference loop. After every step both must
// hold only finite values inside their ranges and agree to the bit.
//
// Input layout: an initial client width, then operations until the bytes run
// out (a missing byte reads as 0). Each operation starts with one byte whose
// low two bits choose it:
//   0 press   x, y (position codes), colour and radius random values (3 bytes each)
//   1 burst   count code (1 byte), centre x, y (position codes), spread in
//             world units (2 bytes), seed (2 bytes): count = 1 + 4 * code presses
//             scattered around the centre, enough to fill the table
//   2 tick    count code (1 byte): 1 + code % 16 ticks, by MoveBallsGrid
//             if code & 16 (the grid tick even below the size at which
//             MoveBalls takes it), else by MoveBalls
//   3 resize  width, height (position codes, made non-negative)
// A position code is one mode byte and its payload:
//   mode % 4 == 0  signed 16-bit pixel count, times 15 (world units)
//   mode % 4 == 1  signed 16-bit value / 4 (fractional world units)
//   mode % 4 == 2  any 32-bit float (infinities become +-FLT_MAX, NaN 0)
//   mode % 4 == 3  one byte choosing from a table of edge values
#include "ball_table.h"
#include "sim_test_util.h"
#include "tick.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>

namespace {

// A tick costs (BallCount + 1)^2 pair tests per table, about 20 ns each in
// this instrumented build. The cap on one input's pair tests lets it run one
// tick of the full table (1001^2) or, say, 30 ticks of 190 balls, and keeps
// every input under about 50 ms, so that the fuzzer tries many of them.
constexpr long PairBudget = 1'100'000;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Done() const { return pos_ >= size_; }
    std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t U16()
    {
        const unsigned lo = U8();
        return static_cast<std::uint16_t>(lo | (unsigned{U8()} << 8));
    }
    std::uint32_t U24()
    {
        const std::uint32_t lo = U16();
        return lo | (std::uint32_t{U8()} << 16);
    }
    std::uint32_t U32()
    {
        const std::uint32_t lo = U16();
        return lo | (std::uint32_t{U16()} << 16);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Sizes and positions at the edges: none, a pixel, the radius range, the
// start-up window, 2^24 (past it floats skip whole numbers), 3e9 (past 2^31
// a fall of 45 rounds away), the float limits.
// clang-format off
constexpr float EdgeValues[] = {
    0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 15.0f, 29.5f, 30.0f, 45.0f, 60.0f, 629.99996f, 630.0f,
    1260.0f, 4537.5f, 5490.0f, 9075.0f, 1e4f, -1e4f, 1e5f, 1e6f, -1e6f, 1e7f, 16777216.0f,
    16777217.0f, 2.5e8f, 1e9f, -1e9f, 3e9f, 1e12f, 1e15f, 1e20f, -1e20f, 1e30f, -1e30f, FLT_MAX,
    -FLT_MAX, FLT_MIN, -FLT_MIN, std::numeric_limits<float>::denorm_min()};
// clang-format on

float Position(Reader& in)
{
    const std::uint8_t mode = in.U8();
    switch (mode % 4) {
    case 0:
        return static_cast<float>(static_cast<std::int16_t>(in.U16())) * 15.0f;
    case 1:
        return static_cast<float>(static_cast<std::int16_t>(in.U16())) / 4.0f;
    case 2: {
        const float f = std::bit_cast<float>(in.U32());
        if (std::isnan(f)) {
            return 0.0f;
        }
        if (std::isinf(f)) {
            return f > 0 ? FLT_MAX : -FLT_MAX;
        }
        return f;
    }
    default:
        return EdgeValues[in.U8() % std::size(EdgeValues)];
    }
}

// A value of the random source: 24 bits make every float k / 2^24, the whole
// of [0, 1) that a float generator can give, 0 and 1 - 2^-24 included.
float Unit(std::uint32_t bits24)
{
    return static_cast<float>(bits24 & 0xFFFFFFu) / 16777216.0f;
}

// xorshift32 for bursts; seeded so that it never sticks at zero.
struct Scatter {
    std::uint32_t s;
    std::uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

[[noreturn]] void Fail(const char* what, int slot)
{
    std::fprintf(stderr, "sim_fuzz: %s (slot %d)\n", what, slot);
    std::abort();
}

void Require(const ::testing::AssertionResult& holds)
{
    if (!holds) {
        Fail(holds.message(), 0);
    }
}

// TableSound, and the ranges that only presses can give: the anchor keeps
// radius 0 and colour 0, every added ball a radius in [30, 630) and a colour
// in 0..0xFFFFFF.
void CheckTable(const BallTable& t)
{
    Require(TableSound(t));
    if (t.BallRadius[0] != 0.0f || t.BallColor[0] != 0) {
        Fail("anchor radius or colour changed", 0);
    }
    for (int i = 0; i <= t.BallCount; ++i) {
        if (i > 0 && !(t.BallRadius[i] >= 30.0f && t.BallRadius[i] < 630.0f)) {
            Fail("radius outside [30, 630)", i);
        }
        if (t.BallColor[i] < 0 || t.BallColor[i] > 0xFFFFFF) {
            Fail("colour outside 0..0xFFFFFF", i);
        }
    }
}

void CheckSame(const BallTable& fast, const BallTable& plain)
{
    CheckTable(fast);
    CheckTable(plain);
    Require(SameTable(fast, plain));
}

void Press(BallTable& fast, BallTable& plain, float x, float y, float r1, float r2)
{
    const float values[2] = {r1, r2};
    int nf = 0;
    int np = 0;
    auto nextFast = [&] { return values[nf++ % 2]; };
    auto nextPlain = [&] { return values[np++ % 2]; };
    const bool full = fast.Full();
    const bool addedFast = fast.AddBall(x, y, nextFast);
    const bool addedPlain = plain.AddBall(x, y, nextPlain);
    // A press takes two random values when it adds a ball and none otherwise.
    if (addedFast != !full || addedPlain != addedFast || nf != (addedFast ? 2 : 0) || np != nf) {
        Fail("AddBall added or drew random values wrongly", fast.BallCount);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in(data, size);
    // Tables are 16 KB each; static storage keeps them off the stack and
    // costs nothing to reset.
    static BallTable fast;
    static BallTable plain;
    fast = BallTable{};
    plain = BallTable{};

    const float startWidth = std::fabs(Position(in));
    fast.InitBalls(startWidth);
    plain.InitBalls(startWidth);
    float width = startWidth;
    float height = 5490.0f;
    long pairsLeft = PairBudget;
    CheckSame(fast, plain);

    while (!in.Done()) {
        const std::uint8_t op = in.U8();
        switch (op % 4) {
        case 0: {
            const float x = Position(in);
            const float y = Position(in);
            const float r1 = Unit(in.U24());
            const float r2 = Unit(in.U24());
            Press(fast, plain, x, y, r1, r2);
            break;
        }
        case 1: {
            const int count = 1 + 4 * in.U8();
            const float cx = Position(in);
            const float cy = Position(in);
            const double spread = in.U16();
            Scatter rng{0x9E3779B9u ^ in.U16()};
            for (int k = 0; k < count && !fast.Full(); ++k) {
                const double ux = static_cast<double>(rng.Next()) / 4294967296.0 * 2.0 - 1.0;
                const double uy = static_cast<double>(rng.Next()) / 4294967296.0 * 2.0 - 1.0;
                // Rounded to the nearest float that is still finite.
                const float x =
                    static_cast<float>(std::fmax(-FLT_MAX, std::fmin(FLT_MAX, cx + ux * spread)));
                const float y =
                    static_cast<float>(std::fmax(-FLT_MAX, std::fmin(FLT_MAX, cy + uy * spread)));
                Press(fast, plain, x, y, Unit(rng.Next() >> 8), Unit(rng.Next() >> 8));
            }
            break;
        }
        case 2: {
            const std::uint8_t code = in.U8();
            const int ticks = 1 + code % 16;
            const bool grid = (code & 16) != 0;
            for (int k = 0; k < ticks; ++k) {
                const long cost = (fast.BallCount + 1L) * (fast.BallCount + 1L);
                if (cost > pairsLeft) {
                    return 0;
                }
                pairsLeft -= cost;
                if (grid) {
                    MoveBallsGrid(fast, width, height);
                } else {
                    fast.MoveBalls(width, height);
                }
                MoveBallsPlain(plain, width, height);
                CheckSame(fast, plain);
            }
            break;
        }
        default:
            width = std::fabs(Position(in));
            height = std::fabs(Position(in));
            break;
        }
        CheckSame(fast, plain);
    }
    return 0;
}
