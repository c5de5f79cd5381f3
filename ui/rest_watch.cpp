// SPDX-License-Identifier: MIT
// The table before and after a tick, compared bit for bit.
#include "rest_watch.h"

#include <algorithm>
#include <cstring>

namespace {

template <class T> bool SameBits(const T& a, const T& b, int count = 1)
{
    return std::memcmp(&a, &b, sizeof(T) * static_cast<std::size_t>(count)) == 0;
}

} // namespace

bool RestWatch::Unchanged(const BallTable& table) const
{
    const BallTable& b = before_;
    const int live = std::clamp(table.BallCount + 1, 0, MaxSlot + 1);
    return table.BallCount == b.BallCount && SameBits(table.Pi, b.Pi) &&
           SameBits(table.HitAngle, b.HitAngle) && SameBits(table.BallX[0], b.BallX[0], live) &&
           SameBits(table.BallY[0], b.BallY[0], live) &&
           SameBits(table.BallRadius[0], b.BallRadius[0], live) &&
           SameBits(table.BallColor[0], b.BallColor[0], live);
}
