// SPDX-License-Identifier: MIT
// Helpers shared by the window tests here and in tests/qt, toolkit-free: a
// form on the fake window system and presses spread over the start-up client
// area (pixels are read and compared by frame_scene.h's helpers).
#pragma once

#include "fake_window.h"
#include "frame_scene.h"
#include "sim_test_util.h"

#include <cstdint>

// Whether this build runs under AddressSanitizer, whose allocator keeps freed
// memory in quarantine (resident memory says nothing of leaks) and ends the
// process on an allocation it cannot make instead of returning null.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderAddressSanitizer = true;
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif

// A point of the client area, device-independent pixels.
struct Dip {
    int x = 0;
    int y = 0;
};

// The k-th of a run of presses spread over the start-up client area. Never
// (0, 0), which QTest reads as the middle of a widget.
inline Dip Spread(int k)
{
    return {1 + (k * 37) % 604, 1 + (k * 11 + k / 604) % 365};
}

// Presses at Spread(0), Spread(1), ... through press(x, y).
template <class Press> void PressSpread(int presses, Press&& press)
{
    for (int k = 0; k < presses; ++k) {
        press(Spread(k).x, Spread(k).y);
    }
}

// A client size in pixels as world units (twips), as the tick gets it.
inline float Twips(int pixels)
{
    return static_cast<float>(pixels) * TwipsPerPixel;
}

// A form on a fake window, started as an adapter starts it: loaded at the
// start size, then shown.
struct ShownForm {
    FakeWindow window;
    Form1 form{window};

    ShownForm()
    {
        form.Form_Load();
        form.Shown();
    }

    // As the program runs, `ticks` times: the clock reaches the next timer
    // boundary, and the event loop delivers the wake-up the form asked for,
    // if it is due (a tick and its draw pass while the timer is enabled).
    void Tick(int ticks = 1)
    {
        for (int k = 0; k < ticks; ++k) {
            window.clock.Advance(Timer::Granularity);
            if (window.clock.TakeDueWake()) {
                form.WakeUp();
            }
        }
    }
    // Whether the form asked for a wake-up: its timer runs. A shown form
    // stops it only when the pile rests.
    bool Ticking() const { return window.clock.wake.has_value(); }
    // Ticks until the pile rests, at most `limit` ticks; returns how many ran.
    int TickUntilRest(int limit)
    {
        int ticks = 0;
        for (; Ticking() && ticks < limit; ++ticks) {
            Tick();
        }
        return ticks;
    }
    // A press at (x, y), device-independent pixels, left button.
    void Press(double x, double y) { form.MouseDown(LeftButton, 0, x, y); }
    // Left-button presses at Spread(0), Spread(1), ...
    void PressMany(int presses)
    {
        PressSpread(presses, [this](int x, int y) { Press(x, y); });
    }
    // The window reports a new client size.
    void Resize(int width, int height)
    {
        window.width = width;
        window.height = height;
        form.ClientChanged();
    }
    // The pixel of the latest frame at a point in world units (twips).
    std::uint32_t At(double x, double y)
    {
        const double r = form.FrameRatio() / TwipsPerPixel;
        return PixelAt(form.Frame(), static_cast<int>(x * r), static_cast<int>(y * r));
    }
};

// A shown form as a test fixture.
struct FormTest : ::testing::Test, ShownForm {};
