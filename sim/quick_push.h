// SPDX-License-Identifier: MIT
// The push of the grid tick without the trigonometry: cos and sin of the
// contact angle formed from the quotient ATan2 takes the arctangent of, and
// the check that the floats it stores are the ones the library path stores.
// Private to the tick (QuickPush in sim/tick.h) and its tests.
#pragma once

#include <cassert>
#include <cmath>

// Why the quick push stores what the library path stores.
//
// The library path (PushApart) computes H = ATan2(dy, dx) from the
// differences rounded to floats, dy and dx, and moves ball i to
// float(X + fl(cos(H) * push)) and float(Y - fl(sin(H) * push)), ball j by
// the opposite products. ATan2 forms the float q = dy / dx and, with a =
// atan(q) from the C library, H = fl(2 Pi - a) for dx > 0 and H = fl(Pi - a)
// for dx < 0. Let theta = atan(q) exactly; theta is in (-pi/2, pi/2), so
// cos(theta) = 1 / sqrt(1 + q^2) > 0 and sin(theta) = q cos(theta). The
// angle H stands for is Phi = 2 pi - theta (dx > 0) or pi - theta (dx < 0):
//   dx > 0: cos(Phi) = r,  sin(Phi) = -q r,    r = 1 / sqrt(1 + q^2),
//   dx < 0: cos(Phi) = -r, sin(Phi) = q r;
// with g = +-push, the push with the sign of dx, cos(Phi) push = g / root
// and sin(Phi) push = -(q g) / root, root = sqrt(1 + q^2): what
// QuotientPushes computes. u = 2^-53 is the unit roundoff of a double.
//
// 1. The angle. |H - Phi| <= k (pi - Pi) + |a - theta| + the rounding of
//    the subtraction, k = 2 for dx > 0 and 1 for dx < 0; pi - Pi is
//    1.3445141e-14 (Pi is the double nearest 3.14159265358978). The
//    library's atan is taken to be within 1 ulp: |a| < 2, so |a - theta| <=
//    2^-52. H < 8, so the subtraction rounds by at most 2^-51. So |H - Phi|
//    <= 2.755642e-14 (dx > 0) and 1.411127e-14 (dx < 0). cos and sin change
//    by at most |H - Phi| when their argument does.
// 2. The library's cos and sin are taken to be within 2^-52 of cos(H) and
//    sin(H) absolutely: 1 ulp of values near 1. Near the zeros of cos and
//    sin that allows many ulps of the result, as it must: mingw-w64's x87
//    sincos is tens of ulps off there, yet far inside 2^-52. Its products
//    with push round by u |push| (1 + 2^-51) at most. Nothing here assumes
//    correct rounding: glibc's FMA and SSE2 versions, aarch64's and
//    mingw-w64's libraries all give the same stored floats.
// 3. The quotient form. q is a float, so q * q is exact in a double (48
//    significant bits; no overflow or underflow for any finite float) and so
//    is g. 1 + q^2, the square root and the division each round once,
//    relatively by u or less (the root by u / 2 more for the rounded
//    radicand): g / root is within 2.51 u |push| of cos(Phi) push, and
//    -(q g) / root, one product more, within 3.52 u |push| (|q r| < 1).
// So the quick and the library products differ by at most e |push|, e =
// |H - Phi| + 2^-52 + 4.53 u: 2.828139e-14 (dx > 0), 1.483625e-14 (dx < 0).
// 4. The sums. Each sum with the stored coordinate rounds once, by u |sum|;
//    the two sums S (quick) and S' (library) differ by at most D = e (1 + u)
//    |push| + 2.001 u |S|.
// 5. The check. With E = fl(fl(K |push|) + 2^-51 |S|), lo = fl(S - E) and
//    hi = fl(S + E): E (1 - u) - u |S| >= D whenever K (1 - 3 u) >= e (1 +
//    u), and then lo <= S - D <= S' <= S + D <= hi (the subtractions round
//    by at most u (|S| + E)). Rounding to a float is monotone, so if
//    float(lo) and float(hi) are the same float, float(S') is that float
//    too, and so is float(S). K = 3.0e-14 (dx > 0) and 1.6e-14 (dx < 0)
//    leave more than 1.1e-15 to spare over e: the check would still hold
//    with library results five ulps off.
// 6. Where it does not apply. dx = 0 (both differences 0 included) has no
//    quotient, and QuickPush (sim/tick.h) leaves it to the library path. An infinite q
//    gives -(q g) / root = -inf / inf = NaN, an infinite push an infinite E:
//    a NaN or infinite sum makes S - E or S + E NaN, or the two infinities
//    of opposite signs, and the check fails. Monotonicity says nothing of
//    the sign of a zero: were float(lo) and float(hi) both zero, S' could
//    round to either. That needs hi - lo <= 2^-149 (every value rounding
//    to a zero lies within 2^-150 of 0); a push of 0 makes E 0, and a push
//    below about 1e-28 gives E below 2^-140. So the quick push requires K
//    |push| > 2^-140: then hi - lo > 2^-139, float(lo) and float(hi) are
//    never both zero, and the float they agree on has its sign. A sum
//    beyond the largest float is finite, and the check covers it: rounding
//    to infinity is monotone too.
//
// QuickPush.SlackCoversTheLibraryOnRandomPairs measures the largest
// |S' - S| / E over a million random pairs of both signs of dx, quotients
// from 0 and 2^-60 to beyond 2^24; QuickPush.BoundaryCasesStoreTheLibrary-
// PathsFloats builds sums within E of a float midpoint, and just outside
// it, and shows that the grid pass's QuickPush stores the library path's
// floats there or leaves the pair to it, also where the quotient form alone
// would round otherwise; QuickPush.PairsWithoutAQuotient... takes the cases
// of 6. GridTick.PilesOnZeroAndOnVerticalsMatchThePlainLoop and
// GridTick.FullTableMatchesThePlainLoopEveryTick run whole ticks against
// the plain loop, and so does the fuzzer (fuzz/sim_fuzz.cpp).

// cos(HitAngle) * push and sin(HitAngle) * push, from the quotient.
struct QuotientProducts {
    double C, S;
};

// dx must not be 0. q as ATan2 forms it: the float quotient of the floats.
inline QuotientProducts QuotientPushes(float dy, float dx, double push)
{
    assert(dx != 0.0f);
    const float quotient = dy / dx;
    const double q = quotient;
    const double root = std::sqrt(1.0 + q * q);
    // push with the sign of dx, without a branch on it: either is as likely.
    const double g = std::copysign(1.0, static_cast<double>(dx)) * push;
    return {g / root, -(q * g) / root};
}

// K of the bound above, for the sign of dx.
inline constexpr double QuickSlackRight = 3.0e-14; // dx > 0: H = 2 Pi - atan(q)
inline constexpr double QuickSlackLeft = 1.6e-14;  // dx < 0: H = Pi - atan(q)
// By the sign bit of dx, so that picking one is a load, not a branch.
inline constexpr double QuickSlackOf[2] = {QuickSlackRight, QuickSlackLeft};
// 2^-51: the rounding of the two sums and of the check's own subtractions.
inline constexpr double QuickSlackRelative = 0x1p-51;

// The four floats a push stores: ball i's new x and y, ball j's.
struct QuickSums {
    float Xi, Yi, Xj, Yj;
    bool Exact; // whether each is the float the library path stores
};

// The check of 5 for one sum, with slack = fl(K |push|): whether every
// value within E of sum rounds to the same float.
inline bool OneFloatAround(double sum, double slack)
{
    const double e = slack + QuickSlackRelative * std::fabs(sum);
    return static_cast<float>(sum - e) == static_cast<float>(sum + e);
}

// The push of the pair at (xi, yi) and (xj, yj) by push along the contact
// angle of the differences dy, dx (floats, dx not 0), as the library path
// makes it if Exact.
inline QuickSums QuickPushSums(double xi, double yi, double xj, double yj, float dy, float dx,
                               double push)
{
    const auto [pc, ps] = QuotientPushes(dy, dx, push);
    const double sxi = xi + pc;
    const double syi = yi - ps;
    const double sxj = xj - pc;
    const double syj = yj + ps;
    const double slack = QuickSlackOf[std::signbit(dx) ? 1 : 0] * std::fabs(push);
    // Not NaN, not 0, nor so small that the zeros could pass for each other.
    const bool usable = slack > 0x1p-140;
    const bool okXi = OneFloatAround(sxi, slack);
    const bool okYi = OneFloatAround(syi, slack);
    const bool okXj = OneFloatAround(sxj, slack);
    const bool okYj = OneFloatAround(syj, slack);
    const bool exact = usable & okXi & okYi & okXj & okYj;
    return {static_cast<float>(sxi), static_cast<float>(syi), static_cast<float>(sxj),
            static_cast<float>(syj), exact};
}
