// SPDX-License-Identifier: MIT
// The draw pass against a surface that records its calls, and the random
// source behind the colours and radii.
#include "render.h"
#include "sim_test_util.h"
#include "surface.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Call {
    enum Kind { Cls, Circle, DrawWidth } kind;
    float x = 0, y = 0, radius = 0;
    std::int32_t color = 0;
};

class RecordingSurface final : public Surface {
public:
    std::vector<Call> calls;

    float ScaleWidth() const override { return 9075.0f; }
    float ScaleHeight() const override { return 5490.0f; }
    void DrawWidth(int) override { calls.push_back({Call::DrawWidth}); }
    void Cls() override { calls.push_back({Call::Cls}); }
    void Circle(float x, float y, float radius, std::int32_t color) override
    {
        calls.push_back({Call::Circle, x, y, radius, color});
    }
};

void ExpectCircle(const Call& c, const BallTable& t, int slot)
{
    SCOPED_TRACE(slot);
    EXPECT_EQ(c.kind, Call::Circle);
    EXPECT_BITS(c.x, t.BallX[slot]);
    EXPECT_BITS(c.y, t.BallY[slot]);
    EXPECT_BITS(c.radius, t.BallRadius[slot]);
    EXPECT_EQ(c.color, t.BallColor[slot]);
}

} // namespace

TEST(DrawBalls, OnlyTheAnchorWhenNothingWasAdded)
{
    BallTable t = StartTable();
    t.MoveBalls(9075.0f, 5490.0f);
    RecordingSurface s;
    DrawBalls(t, s);
    ASSERT_EQ(s.calls.size(), 2u);
    EXPECT_EQ(s.calls[0].kind, Call::Cls);
    EXPECT_EQ(s.calls[1].kind, Call::Circle);
    EXPECT_BITS(s.calls[1].x, 4537.5f);
    EXPECT_BITS(s.calls[1].y, 45.0f);
    EXPECT_BITS(s.calls[1].radius, 0.0f);
    EXPECT_EQ(s.calls[1].color, 0);
}

TEST(DrawBalls, OneClearThenEveryLiveSlotInOrder)
{
    BallTable t = StartTable();
    PutBall(t, 100.5f, 200.25f, 30.0f, 0x0000FF);
    PutBall(t, -50.0f, 6000.0f, 629.5f, 0xFF0000); // outside the client area: still issued
    PutBall(t, 4537.5f, 0.0f, 300.0f, 0x123456);
    // A slot above BallCount is not drawn, whatever it holds.
    t.BallX[4] = 1.0f;
    t.BallRadius[4] = 99.0f;

    RecordingSurface s;
    DrawBalls(t, s);
    ASSERT_EQ(s.calls.size(), 5u);
    EXPECT_EQ(s.calls[0].kind, Call::Cls);
    for (int slot = 0; slot <= 3; ++slot) {
        ExpectCircle(s.calls[1 + slot], t, slot);
    }
}

TEST(DrawBalls, FullTableAndNoPenChange)
{
    BallTable t = StartTable();
    SceneRandom r;
    for (int k = 0; k < MaxSlot; ++k) {
        t.AddBall(static_cast<float>(9 * k), 100.0f, r);
    }
    RecordingSurface s;
    DrawBalls(t, s);
    ASSERT_EQ(s.calls.size(), 1u + MaxSlot + 1);
    for (const Call& c : s.calls) {
        EXPECT_NE(c.kind, Call::DrawWidth); // the pen is the window's business
    }
    ExpectCircle(s.calls.back(), t, MaxSlot);
}

TEST(Rnd, OriginalRuntimeSequence)
{
    Rnd rnd;
    // The first values of the original runtime's generator (0.7055475,
    // 0.5334240, 0.5795186 to 7 digits), exactly: state over 2^24.
    EXPECT_EQ(rnd(), 11837123.0f / 16777216.0f);
    EXPECT_EQ(rnd(), 8949370.0f / 16777216.0f);
    EXPECT_EQ(rnd(), 9722709.0f / 16777216.0f);
}

TEST(Rnd, StaysInRangeAndRunsTheFullPeriod)
{
    // A full-period 24-bit generator visits every state once before it
    // repeats, so it neither sticks nor reaches 1.
    Rnd rnd;
    const float first = rnd();
    int period = 0;
    float v = 0;
    do {
        v = rnd();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        ++period;
    } while (v != first && period <= (1 << 24));
    EXPECT_EQ(period, 1 << 24);
}
