// SPDX-License-Identifier: MIT
// The draw pass against a surface that records its calls, the random source
// behind the colours and radii, and the pinned frames' hash: any change to
// the pixels the rasterizer, the blends or the damage redraw give for the
// settled scene shows there.
#include "frame_scene.h"
#include "render.h"
#include "sim_test_util.h"
#include "surface.h"

#include <memory>
#include <tuple>
#include <vector>

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
