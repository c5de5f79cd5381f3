// SPDX-License-Identifier: MIT
// The random source.
#include "surface.h"

float Rnd::operator()()
{
    // Unsigned 32-bit arithmetic wraps modulo 2^32, and 2^24 divides that, so
    // masking afterwards gives the product and sum modulo 2^24 exactly.
    x_ = (x_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    // A 24-bit integer over 2^24 is exact in a float.
    return static_cast<float>(x_) / 16777216.0f;
}
