// SPDX-License-Identifier: MIT
// A clock for the window tests that moves only when told to, and keeps the
// one wake-up asked of it.
#pragma once

#include "timer.h"

#include <chrono>
#include <optional>

struct FakeClock : TimerHost {
    std::chrono::nanoseconds now{0};
    // The wake-up asked for and not yet delivered or cancelled.
    std::optional<std::chrono::nanoseconds> wake;

    std::chrono::nanoseconds Now() const override { return now; }
    void WakeAt(std::chrono::nanoseconds at) override { wake = at; }
    void CancelWake() override { wake.reset(); }

    void Advance(std::chrono::nanoseconds d) { now += d; }
    // Takes the wake-up if it is due: what an event loop would deliver now.
    bool TakeDueWake()
    {
        if (wake && *wake <= now) {
            wake.reset();
            return true;
        }
        return false;
    }
};
