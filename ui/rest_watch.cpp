// SPDX-License-Identifier: MIT
// The table before and after a tick, compared bit for bit.
#include "rest_watch.h"

#include <algorithm>
#include <cstring>

namespace {

template <class T, std::size_t N>
bool SameBits(const std::array<T, N>& a, const std::array<T, N>& b, int live)
{
    return std::memcmp(a.data(), b.data(), sizeof(T) * static_cast<std::size_t>(live)) == 0;
}

} // namespace

void RestWatch::Before(const BallTable& table)
{
    count_ = table.BallCount;
    pi_ = table.Pi;
    hitAngle_ = table.HitAngle;
    const int live = std::clamp(table.BallCount + 1, 0, MaxSlot + 1);
    std::copy_n(table.BallX.begin(), live, x_.begin());
    std::copy_n(table.BallY.begin(), live, y_.begin());
    std::copy_n(table.BallRadius.begin(), live, radius_.begin());
    std::copy_n(table.BallColor.begin(), live, color_.begin());
}

bool RestWatch::Unchanged(const BallTable& table) const
{
    if (table.BallCount != count_ || std::memcmp(&table.Pi, &pi_, sizeof pi_) != 0 ||
        std::memcmp(&table.HitAngle, &hitAngle_, sizeof hitAngle_) != 0) {
        return false;
    }
    const int live = std::clamp(table.BallCount + 1, 0, MaxSlot + 1);
    return SameBits(table.BallX, x_, live) && SameBits(table.BallY, y_, live) &&
           SameBits(table.BallRadius, radius_, live) && SameBits(table.BallColor, color_, live);
}
