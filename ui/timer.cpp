// SPDX-License-Identifier: MIT
// The window's timer.
#include "timer.h"

#include <algorithm>

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

const Clock& SteadyClock()
{
    static const struct : Clock {
        nanoseconds Now() const override
        {
            return std::chrono::steady_clock::now().time_since_epoch();
        }
    } clock;
    return clock;
}

std::int64_t UnitsToWait(nanoseconds at, nanoseconds now, nanoseconds unit)
{
    const std::int64_t wait = std::max<std::int64_t>((at - now).count(), 0);
    return (wait + unit.count() - 1) / unit.count();
}

Timer::Timer(TimerHost& host, std::function<void()> onTimer)
    : host_(host), onTimer_(std::move(onTimer))
{
}

void Timer::SetInterval(int milliseconds)
{
    interval_ = std::max(milliseconds, 0);
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (enabled_) {
        due_ = NextDue(host_.Now());
        host_.WakeAt(due_);
    } else {
        host_.CancelWake();
    }
}

nanoseconds Timer::NextDue(nanoseconds from) const
{
    const nanoseconds earliest = from + milliseconds(interval_);
    const auto steps = (earliest.count() + Granularity.count() - 1) / Granularity.count();
    return steps * Granularity;
}

void Timer::Poll()
{
    if (!enabled_) {
        return;
    }
    const nanoseconds now = host_.Now();
    if (now >= due_) {
        // The next event is counted from this one, not from the one that was
        // due: however late this one is, at most one more can be due by the
        // time the handler returns.
        due_ = NextDue(now);
        onTimer_();
    }
    // The handler may have disabled the timer.
    if (enabled_) {
        host_.WakeAt(due_);
    }
}
