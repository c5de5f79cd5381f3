// SPDX-License-Identifier: MIT
// A clock for the window tests that moves only when told to.
#pragma once

#include "timer.h"

#include <chrono>

// A clock that moves only when a test moves it.
struct FakeClock {
    std::chrono::nanoseconds now{0};

    Clock Source()
    {
        return [this] { return now; };
    }
    void Advance(std::chrono::nanoseconds d) { now += d; }
};
