// SPDX-License-Identifier: MIT
// The window's timer.
#include "timer.h"

#include <algorithm>

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

Clock SteadyClock()
{
    return [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

Timer::Timer(Clock clock, std::function<void()> onTimer)
    : clock_(std::move(clock)), onTimer_(std::move(onTimer))
{
    // Precise, because a coarse timer may wake up to 5% early and would then
    // only find that nothing is due yet.
    wake_.setTimerType(Qt::PreciseTimer);
    wake_.setSingleShot(true);
    QObject::connect(&wake_, &QTimer::timeout, [this] { Poll(); });
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
        due_ = NextDue(clock_());
        Arm();
    } else {
        wake_.stop();
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
    const nanoseconds now = clock_();
    if (now >= due_) {
        // The next event is counted from this one, not from the one that was
        // due: however late this one is, at most one more can be due by the
        // time the handler returns.
        due_ = NextDue(now);
        onTimer_();
    }
    // The handler may have disabled the timer.
    if (enabled_) {
        Arm();
    }
}

void Timer::Arm()
{
    const nanoseconds wait = std::max(due_ - clock_(), nanoseconds{0});
    // Rounded up: waking a little after the boundary is harmless, waking
    // before it would only cost a second wake-up.
    const auto ms = (wait.count() + 999'999) / 1'000'000;
    wake_.start(static_cast<int>(ms));
}
