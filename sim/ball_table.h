// SPDX-License-Identifier: MIT
// The whole state of the toy: every ball as parallel fixed arrays indexed by
// slot, plus the operations that change it. No toolkit in here.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

// Highest slot index; slots 0..MaxSlot exist from the start. Slot 0 is the
// anchor ball, slots 1..MaxSlot take the balls added by presses.
inline constexpr int MaxSlot = 1000;

// A non-owning handle to the caller's random source. Calling it calls the
// caller's own generator, so a stateful one advances: a copy (as a
// std::function would make) would hand out the same values press after press.
class RandomRef {
public:
    template <class F>
        requires(!std::is_same_v<std::remove_cvref_t<F>, RandomRef>)
    RandomRef(F&& source) // NOLINT: converts implicitly by design
        : source_(const_cast<void*>(static_cast<const void*>(&source))), call_([](void* s) {
              return static_cast<float>((*static_cast<std::remove_reference_t<F>*>(s))());
          })
    {
    }
    float operator()() const { return call_(source_); }

private:
    void* source_;
    float (*call_)(void*);
};

class BallTable {
public:
    // Positions are centres in world units (twips, 15 per pixel at 96 dpi),
    // x from the client area's left edge, y from its top edge, growing down.
    std::array<float, MaxSlot + 1> BallX{};
    std::array<float, MaxSlot + 1> BallY{};
    // Radius in world units (twips).
    std::array<float, MaxSlot + 1> BallRadius{};
    // Colour value 0x00BBGGRR, red in the low byte.
    std::array<std::int32_t, MaxSlot + 1> BallColor{};
    // Highest live slot: slots 0..BallCount are live.
    std::int16_t BallCount = 0;
    // Deliberately not full-precision pi: every angle in the program is
    // computed against this 14-digit value, and the pile's motion depends on
    // the exact bits.
    double Pi = 0.0;
    // Contact angle (radians) of the overlapping pair resolved last.
    double HitAngle = 0.0;

    // Puts the anchor at half the client width (world units) and sets Pi.
    void InitBalls(float width);

    // Direction of the screen vector (x, -Y) in radians, counter-clockwise
    // from the positive x axis as seen on screen. Not normalised to a range.
    double ATan2(float Y, float x) const;
    // Degrees to radians and back: (Pi / 180) * degrees and (180 / Pi) *
    // radians, the division first, which rounds differently from multiplying
    // first (AngleConversions.DivideBeforeMultiplyAndBounceAboutTheWall).
    double Rad(double angleinput) const;
    double Angl(double radinput) const;
    // Reflects the direction Ang1 about a wall of direction Wall, in place.
    void Bnc(double& Ang1, double Wall) const;

    // One tick: every live ball falls, is clamped to the floor and side
    // walls, and is pushed apart from every ball it overlaps. width and
    // height are the client size in world units. Runs the plain double loop
    // or, for larger tables, the grid tick, whichever is faster; both give
    // the same bits (sim/tick.h). One thread only, one tick at a time: the
    // grid tick's scratch is one for the program.
    void MoveBalls(float width, float height);

    // Adds a ball at (x, y) in world units with a colour and radius drawn
    // from next(), which yields uniform floats in [0, 1). Returns false and
    // draws nothing from next() when every slot is taken.
    bool AddBall(float x, float y, RandomRef next);

    bool Full() const { return BallCount >= MaxSlot; }
};
