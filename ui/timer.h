// SPDX-License-Identifier: MIT
// The window's timer: events only at the boundaries of a steady 1/64 s
// clock, whatever interval is asked for. No toolkit: the clock and the
// wake-up come from the window system.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// Monotonic time since an arbitrary fixed start: the one time line of the
// timer, its wake-ups and the window system.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::nanoseconds Now() const = 0;
};

// The machine's steady clock (QueryPerformanceCounter on Windows,
// performance.now() in a browser), which every adapter runs on.
const Clock& SteadyClock();

// What the timer needs of the window system: its clock, and one wake-up.
class TimerHost : public Clock {
public:
    // Call Timer::Poll (Form1::WakeUp) once, no earlier than `at` on Now's
    // time line; replaces any wake-up asked for before. A wake-up that
    // comes early or late, or twice, does no harm: Poll runs the handler
    // only when an event is due.
    virtual void WakeAt(std::chrono::nanoseconds at) = 0;
    // Forget the wake-up asked for, if any.
    virtual void CancelWake() = 0;
};

// How many whole units of a window system's timer (a millisecond, 100 ns)
// to wait from `now` for a wake-up at `at`: rounded up, since waking a
// little after the boundary is harmless while waking before it would only
// cost a second wake-up; none for a time already past. Tested in
// TimerCadence.WaitsAreRoundedUpToTheTimersUnit.
std::int64_t UnitsToWait(std::chrono::nanoseconds at, std::chrono::nanoseconds now,
                         std::chrono::nanoseconds unit);

// A timer that asks for an interval in milliseconds and gets events only at
// the boundaries of a steady 1/64 s clock, the interval rounded up to whole
// steps: the 1 ms request yields 64 events a second, so the pile falls at one
// speed on every machine and at every display refresh rate, and the program
// does not wake 1000 times a second. An event that falls due while the
// handler still runs is merged into one event taken right after it returns,
// never a backlog. The TimerCadence tests pin all of this.
class Timer {
public:
    // Length of one step of the timer clock: 1/64 s, 15.625 ms.
    static constexpr std::chrono::nanoseconds Granularity{15'625'000};

    // onTimer is the handler; it runs on the caller's thread from Poll.
    Timer(TimerHost& host, std::function<void()> onTimer);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Requested interval in milliseconds; takes effect from the next event.
    void SetInterval(int milliseconds);

    // A disabled timer delivers nothing and keeps no wake-up asked for;
    // enabling it starts a fresh interval from now.
    void SetEnabled(bool enabled);

    // Runs the handler once if an event is due by the clock, then asks to be
    // called again when the next one falls due (TimerHost::WakeAt).
    void Poll();

private:
    // The first clock boundary no earlier than `from` plus the interval.
    std::chrono::nanoseconds NextDue(std::chrono::nanoseconds from) const;

    TimerHost& host_;
    std::function<void()> onTimer_;
    int interval_ = 0;
    bool enabled_ = false;
    // When the next event falls due, on the clock's time line.
    std::chrono::nanoseconds due_{0};
};
